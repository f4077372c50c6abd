// The share dialog, and the overlay handing its photos to sharing: only photos that exist,
// failures as error toasts.
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QStyle>
#include <QTemporaryDir>
#include <QtTest>

#include "OverlayWidget.h"
#include "PhotoShareManager.h"
#include "ReferenceServer.h"
#include "ShareDialog.h"
#include "StubHttpServer.h"
#include "ToastLabel.h"
#include "UiScale.h"

namespace {
// Shows the overlay, sharing its photos with server.
void shareWith(OverlayWidget& overlay, const QUrl& server) {
    overlay.resize(1280, 720);
    overlay.show();
    overlay.setStampTimings(0, 1);
    overlay.shareManager()->setBaseUrl(server);
    overlay.setScanCaptureEnabled(true);
}
}  // namespace

class TestShareDialog : public QObject {
    Q_OBJECT

    QTemporaryDir m_tmp;

    QString savePhoto(const QString& name) {
        QImage photo(320, 240, QImage::Format_RGB32);
        photo.fill(QColor(30, 90, 200));
        return photo.save(m_tmp.filePath(name), "JPG") ? m_tmp.filePath(name) : QString();
    }

private slots:
    void initTestCase() {
        overrideUiScale(1.0);
        qputenv("XDG_CONFIG_HOME", m_tmp.filePath("config").toUtf8());
        qunsetenv("CORVIX_SHARE_URL");
    }

    // Any module count is shown at 300 x 300, centred; "×" hides; the next code shows it again.
    void showsCodeCentredAndHidesOnClose() {
        ShareDialog dialog;
        const QImage small = PhotoShareManager::makeQrImage("a");
        const QImage large = PhotoShareManager::makeQrImage(QString(600, 'x'));
        QVERIFY(small.width() < 300 && large.width() > 300);
        for (const QImage& code : {small, large}) {
            dialog.showQRCode(code);
            QVERIFY(dialog.isVisible());
            QCOMPARE(dialog.codeLabel()->pixmap(Qt::ReturnByValue).size(), QSize(300, 300));
            const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
            QCOMPARE(dialog.geometry(),
                     QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, dialog.size(), screen));
        }
        auto* close = dialog.findChild<QPushButton*>("shareCloseButton");
        QVERIFY(close);
        QTest::mouseClick(close, Qt::LeftButton);
        QVERIFY(!dialog.isVisible());
        dialog.showQRCode(small);
        QVERIFY(dialog.isVisible());
    }

    void switchingOnWithoutServerSaysSo() {
        OverlayWidget overlay;
        shareWith(overlay, QUrl());
        QVERIFY(!overlay.shareManager()->isConfigured());
        QVERIFY(overlay.toast()->isVisible());
        QVERIFY(overlay.toast()->fullText().contains("扫码取图"));
    }

    // A failed capture is not shared; a successful one is, and its code reaches the dialog.
    void sharesOnlySuccessfulPhotos() {
        ReferenceServer server;
        QVERIFY(server.start(true));
        qputenv("CORVIX_CA_FILE", server.caFile().toUtf8());
        OverlayWidget overlay;
        shareWith(overlay, server.baseUrl());
        QSignalSpy errors(overlay.shareManager(), &PhotoShareManager::sigError);

        // Sharing a missing file would fail at once: nothing is reported, so nothing was tried.
        emit overlay.sigCaptureFinished(false, m_tmp.filePath("never-written.jpg"));
        QCOMPARE(errors.count(), 0);

        const QString path = savePhoto("20260102_101010.jpg");
        QVERIFY(!path.isEmpty());
        emit overlay.sigCaptureFinished(true, path);
        QTRY_VERIFY_WITH_TIMEOUT(overlay.shareDialog()->isVisible(), 20000);
        QVERIFY(!overlay.shareDialog()->codeLabel()->pixmap(Qt::ReturnByValue).isNull());
        QCOMPARE(errors.count(), 0);
        QCOMPARE(server.countRequests("POST /share/upload"), 1);
        overlay.shareDialog()->hide();
        qunsetenv("CORVIX_CA_FILE");
    }

    void shareFailureIsAnErrorToast() {
        StubHttpServer stub;
        stub.setResponse(
            "HTTP/1.1 503 Service Unavailable\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
        OverlayWidget overlay;
        shareWith(overlay, stub.baseUrl());
        const QString path = savePhoto("20260102_101112.jpg");
        QVERIFY(!path.isEmpty());
        emit overlay.sigCaptureFinished(true, path);
        QTRY_VERIFY_WITH_TIMEOUT(overlay.toast()->fullText().startsWith("分享失败："), 20000);
        QCOMPARE(overlay.toast()->styleSheet(), ToastLabel::styleSheetFor(2));
        QVERIFY(!overlay.shareDialog()->isVisible());
    }
};

QTEST_MAIN(TestShareDialog)
#include "tst_sharedialog.moc"
