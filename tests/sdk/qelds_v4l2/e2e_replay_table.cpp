// The main window on a replayed camera: waits for the picture, then reads stream 0's row of the
// information table and saves a screenshot with the table shown. Run by e2e_replay.sh under
// Xvfb with QELDS_V4L2_REPLAY set:
//   corvix_e2e_replay_table <output folder> <format> <WxH>
// Prints the row; exit status 0 when it shows the format and size given and a frame rate.
#include <QApplication>
#include <QDebug>
#include <QDir>
#include <QElapsedTimer>
#include <QScreen>
#include <QStyleFactory>
#include <QTimer>
#include <functional>

#include "CameraController.h"
#include "MainWindow.h"
#include "OverlayWidget.h"
#include "SubVideoHintOverlay.h"
#include "UiScale.h"
#include "VideoInfoTable.h"
#include "VideoWidget.h"

namespace {
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

int fail(const char* what) {
    qCritical("e2e replay: %s", what);
    return 1;
}
}  // namespace

int main(int argc, char* argv[]) {
    QApplication::setAttribute(Qt::AA_EnableHighDpiScaling, true);
    QApplication app(argc, argv);
    if (argc < 4) {
        return fail("usage: corvix_e2e_replay_table <output folder> <format> <WxH>");
    }
    const QString out = QString::fromLocal8Bit(argv[1]);
    const QString format = QString::fromLocal8Bit(argv[2]);
    const QString size = QString::fromLocal8Bit(argv[3]);
    QDir().mkpath(out);
    uiScale();
    QApplication::setStyle(QStyleFactory::create("Fusion"));

    MainWindow window;
    window.show();
    VideoWidget* video = window.videoWidget(0);
    SubVideoHintOverlay* hint = window.hintOverlay(0);
    if (!waitUntil([&] { return video->isReady() && hint->isHidden(); }, 15000)) {
        return fail("no picture");
    }
    window.controller()->setShowOverlayInfo(true);
    VideoInfoTable* table = window.overlay()->infoPanel();
    auto row = [table] {
        QStringList cells;
        for (int c = 0; c < VideoInfoTable::kColumns; ++c) {
            cells << table->cellText(0, c);
        }
        return cells;
    };
    // The camera's frame rate is measured over about a second: wait for a settled figure.
    const bool shown = waitUntil(
        [&] {
            const QStringList cells = row();
            return table->isVisible() && cells.at(1) == format && cells.at(2) == size &&
                   cells.at(3).toInt() > 0;
        },
        10000);
    qInfo().noquote() << "e2e replay: information row" << row().join(" | ");
    const QString path = QDir(out).filePath("replay_info.png");
    if (!QGuiApplication::primaryScreen()->grabWindow(0).save(path)) {
        return fail("cannot save the screenshot");
    }
    qInfo().noquote() << "saved" << path;
    return shown ? 0 : fail("the information table does not show the replayed format");
}
