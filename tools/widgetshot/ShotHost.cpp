#include "ShotHost.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPixmap>
#include <QVBoxLayout>
#include <QWidget>

const char* const kShotBackground = "#34383C";

namespace {
// Runs the event loop briefly so that layouts, polish and queued calls are done.
void settle(int ms) {
    QElapsedTimer timer;
    timer.start();
    do {
        QApplication::processEvents(QEventLoop::AllEvents, 10);
    } while (timer.elapsed() < ms);
}
}  // namespace

QImage takeShot(const ShotRegistry::Entry& entry, int margin) {
    QWidget host;
    host.setObjectName("shotHost");
    if (entry.onDarkBackground) {
        host.setAutoFillBackground(true);
        QPalette palette = host.palette();
        palette.setColor(QPalette::Window, QColor(kShotBackground));
        host.setPalette(palette);
    }
    auto* layout = new QVBoxLayout(&host);
    layout->setContentsMargins(margin, margin, margin, margin);
    QWidget* widget = entry.factory(&host);
    if (!widget) {
        return QImage();
    }
    layout->addWidget(widget);
    host.adjustSize();
    host.show();
    settle(50);
    host.adjustSize();
    settle(20);
    return host.grab().toImage();
}
