#include "E2eDriver.h"

#include <QApplication>
#include <QDebug>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QPixmap>
#include <QScreen>
#include <QStyleFactory>
#include <QTimer>

#include "MainWindow.h"
#include "SubVideoHintOverlay.h"
#include "UiScale.h"
#include "VideoWidget.h"

namespace e2e {
namespace {
QByteArray g_driverName = "e2e";  // GUI thread only: drivers are single-threaded
}  // namespace

QString start(const char* driverName, int argc, char* argv[], int argsNeeded, const char* usage) {
    g_driverName = driverName;
    if (argc < argsNeeded) {
        fail(usage);
        return {};
    }
    const QString out = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(out);
    uiScale();
    QApplication::setStyle(QStyleFactory::create("Fusion"));
    return out;
}

int fail(const char* what) {
    qCritical("%s: %s", g_driverName.constData(), what);
    return 1;
}

bool waitUntil(const std::function<bool()>& condition, int timeoutMs) {
    QElapsedTimer clock;
    clock.start();
    while (!condition()) {
        if (clock.elapsed() > timeoutMs) {
            return false;
        }
        QEventLoop loop;
        QTimer::singleShot(20, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return true;
}

void settle(int ms) {
    waitUntil([] { return false; }, ms);
}

bool grab(const QString& folder, const QString& name) {
    const QString path = QDir(folder).filePath(name);
    const bool ok = QGuiApplication::primaryScreen()->grabWindow(0).save(path);
    qInfo().noquote() << (ok ? "saved" : "could not save") << path;
    return ok;
}

bool waitForPicture(MainWindow& window, int timeoutMs) {
    VideoWidget* video = window.videoWidget(0);
    SubVideoHintOverlay* hint = window.hintOverlay(0);
    return waitUntil([&] { return video->isReady() && hint->isHidden(); }, timeoutMs);
}

}  // namespace e2e
