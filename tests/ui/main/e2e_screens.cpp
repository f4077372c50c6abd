// Drives the main window through the states that cannot be reached from outside without the
// settings panel (delayed capture) or a hand on the cable (unplug), and saves a screenshot of
// each. Run by e2e.sh under Xvfb with a compositor and the virtual camera:
//   corvix_e2e_screens <output folder>
#include <QApplication>
#include <QDebug>
#include <QDir>
#include <QElapsedTimer>
#include <QPixmap>
#include <QScreen>
#include <QStyleFactory>
#include <QTimer>
#include <functional>

#include "CameraController.h"
#include "MainWindow.h"
#include "OverlayWidget.h"
#include "SubVideoHintOverlay.h"
#include "UiScale.h"
#include "UniversalButton.h"
#include "VideoWidget.h"
#include "qelvirtual.h"

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

void settle(int ms) {
    waitUntil([] { return false; }, ms);
}

bool grab(const QString& folder, const QString& name) {
    const QString path = QDir(folder).filePath(name);
    const bool ok = QGuiApplication::primaryScreen()->grabWindow(0).save(path);
    qInfo().noquote() << (ok ? "saved" : "could not save") << path;
    return ok;
}

int fail(const char* what) {
    qCritical("e2e screens: %s", what);
    return 1;
}
}  // namespace

int main(int argc, char* argv[]) {
    QApplication::setAttribute(Qt::AA_EnableHighDpiScaling, true);
    QApplication app(argc, argv);
    if (argc < 2) {
        return fail("usage: corvix_e2e_screens <output folder>");
    }
    const QString out = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(out);
    uiScale();
    QApplication::setStyle(QStyleFactory::create("Fusion"));

    MainWindow window;
    OverlayWidget* overlay = window.overlay();
    SubVideoHintOverlay* hint = window.hintOverlay(0);
    VideoWidget* video = window.videoWidget(0);

    if (!waitUntil([&] { return video->isReady() && hint->isHidden(); }, 15000)) {
        return fail("no picture");
    }
    window.controller()->setShowDataWater(true);
    window.controller()->setShowOverlayInfo(true);
    settle(1500);
    grab(out, "live_with_info.png");

    // Delayed capture: the countdown digits over the picture.
    window.controller()->setShowDelayCapture(true);
    overlay->captureButton()->click();
    settle(1300);
    grab(out, "countdown.png");
    window.controller()->setShowDelayCapture(false);
    // Run the rest of the countdown at once; the photo is taken and its toast goes again.
    while (overlay->countdownValue() > 0) {
        overlay->onCountdownTick();
    }
    settle(3500);

    // The camera is pulled out: the hint layer with the no-device text.
    if (qelvirtual_remove_camera(qelvirtual_handle_of(0)) != 1) {
        return fail("cannot remove the virtual camera");
    }
    if (!waitUntil([&] { return window.noCamera() && hint->isVisible(); }, 10000)) {
        return fail("no hint after unplugging");
    }
    settle(800);
    grab(out, "hint_no_device.png");

    // Plugged in again: the picture comes back.
    if (qelvirtual_add_camera(nullptr) <= 0) {
        return fail("cannot add the virtual camera");
    }
    if (!waitUntil([&] { return !window.noCamera() && hint->isHidden(); }, 15000)) {
        return fail("the picture did not come back after replugging");
    }
    settle(1500);
    grab(out, "replugged.png");
    qInfo("e2e screens: unplug and replug brought the picture back");
    return 0;
}
