// Drives the main window through the states that cannot be reached from outside without the
// settings panel (delayed capture) or a hand on the cable (unplug), and saves a screenshot of
// each. Run by e2e.sh under Xvfb with a compositor and the virtual camera:
//   corvix_e2e_screens <output folder>
#include <QApplication>

#include "CameraController.h"
#include "E2eDriver.h"
#include "MainWindow.h"
#include "OverlayWidget.h"
#include "SubVideoHintOverlay.h"
#include "UniversalButton.h"
#include "qelvirtual.h"

using namespace e2e;

int main(int argc, char* argv[]) {
    QApplication::setAttribute(Qt::AA_EnableHighDpiScaling, true);
    QApplication app(argc, argv);
    const QString out = start("e2e screens", argc, argv, 2, "usage: corvix_e2e_screens <output folder>");
    if (out.isEmpty()) {
        return 1;
    }

    MainWindow window;
    OverlayWidget* overlay = window.overlay();
    SubVideoHintOverlay* hint = window.hintOverlay(0);

    if (!waitForPicture(window)) {
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
