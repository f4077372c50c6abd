// Drives the main window through updating and sharing against the reference server, with a
// screenshot of each state; e2e_share.sh runs it and checks the printed "package" and "photo" lines.
//   corvix_e2e_share <output folder>
#include <QApplication>
#include <QDebug>
#include <QDir>
#include <QLabel>
#include <QPixmap>
#include <QProgressBar>
#include <QPushButton>

#include "CameraController.h"
#include "E2eDriver.h"
#include "MainWindow.h"
#include "OverlayWidget.h"
#include "ShareDialog.h"
#include "UniversalButton.h"
#include "UpgradeProgressDisc.h"
#include "UpgradeWidget.h"

using namespace e2e;

namespace {
// Nothing (the overlay, say) lies over the button and takes its clicks.
bool reachable(QWidget* button) {
    const QPoint centre = button->mapToGlobal(button->rect().center());
    return QApplication::widgetAt(centre) == button;
}

UpgradeWidget* upgradeWindow() {
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (auto* upgrade = qobject_cast<UpgradeWidget*>(w)) {
            return upgrade;
        }
    }
    return nullptr;
}
}  // namespace

int main(int argc, char* argv[]) {
    QApplication::setAttribute(Qt::AA_EnableHighDpiScaling, true);
    QApplication app(argc, argv);
    QCoreApplication::setApplicationVersion("1.0.1(20260320)");
    const QString out = e2e::start("e2e share", argc, argv, 2, "usage: corvix_e2e_share <output folder>");
    if (out.isEmpty()) {
        return 1;
    }

    MainWindow window;
    OverlayWidget* overlay = window.overlay();
    int versionResult = 0;
    QObject::connect(window.controller(), &CameraController::sigVersionChecked,
                     [&](int r) { versionResult = r; });
    if (!waitForPicture(window)) {
        return fail("no picture");
    }

    // One second after start the update check finds the newer version and offers it.
    if (!waitUntil([] { return upgradeWindow() && upgradeWindow()->isVisible(); }, 15000)) {
        return fail("no upgrade offer");
    }
    UpgradeWidget* upgrade = upgradeWindow();
    if (versionResult != 1) {
        return fail("the device page was not told of the newer version");
    }
    settle(800);
    grab(out, "upgrade_offer.png");
    if (!reachable(upgrade->firstButton())) {
        return fail("the upgrade window lies under another window");
    }

    upgrade->firstButton()->click();  // "确认"
    if (upgrade->currentPage() != UpgradeWidget::DownloadPage ||
        !waitUntil([&] { return upgrade->progressBar()->value() >= 10; }, 15000)) {
        return fail("the download does not progress");
    }
    settle(300);
    grab(out, "upgrade_download.png");

    upgrade->firstButton()->click();  // "后台下载"
    if (!upgrade->progressDisc() ||
        !waitUntil([&] { return upgrade->progressDisc()->percent() >= 40; }, 20000)) {
        return fail("no progress disc");
    }
    grab(out, "upgrade_disc.png");

    if (!waitUntil([&] { return upgrade->currentPage() == UpgradeWidget::InstallPage; }, 30000)) {
        return fail("the download did not finish");
    }
    settle(800);
    grab(out, "upgrade_install.png");
    qInfo().noquote() << "package" << upgrade->downloadPath()
                      << (upgrade->isPackageVerified() ? "verified" : "unverified");
    upgrade->secondButton()->click();  // "取消"
    settle(500);

    // Scan capture on, as the device page's switch does; a photo, then its code.
    window.controller()->setShowScanCapture(true);
    overlay->captureButton()->click();
    if (!waitUntil([&] { return overlay->shareDialog()->isVisible(); }, 20000)) {
        return fail("no QR code after the photo");
    }
    settle(800);
    grab(out, "share_qr.png");
    if (!reachable(overlay->shareDialog()->findChild<QPushButton*>("shareCloseButton"))) {
        return fail("the share dialog lies under another window");
    }
    overlay->shareDialog()
        ->codeLabel()
        ->pixmap(Qt::ReturnByValue)
        .save(QDir(out).filePath("share_qr_code.png"));
    const QStringList photos = QDir(window.controller()->recordOutputDir()).entryList({"*.jpg"}, QDir::Files);
    if (photos.size() != 1) {
        return fail("expected one photo in the save folder");
    }
    qInfo().noquote() << "photo" << QDir(window.controller()->recordOutputDir()).filePath(photos.first());
    return 0;
}
