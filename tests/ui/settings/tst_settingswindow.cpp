#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include "CCameraPresenter.h"
#include "CameraSettingImagePage.h"
#include "CameraSettingsPanel.h"
#include "MainWindow.h"
#include "OverlayWidget.h"
#include "SettingsTestEnv.h"
#include "SidePopupSelector.h"
#include "StreamSettingsGroup.h"
#include "SubVideoHintOverlay.h"
#include "ToastLabel.h"
#include "UiScale.h"
#include "VideoInfoTable.h"
#include "VideoWidget.h"

namespace {
int indexOf(SidePopupSelector* selector, const QString& text) {
    for (int i = 0; i < selector->count(); ++i) {
        // Sizes read "1280 x 720".
        if (selector->itemText(i).remove(' ') == text) {
            return i;
        }
    }
    return -1;
}

StreamSettings record(int stream, int media, int resolution, int fps) {
    return StreamSettings{stream, media, resolution, fps, 2000, 30};
}
}  // namespace

// The main window and the settings panel together, with the virtual camera.
class TestSettingsWindow : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    MainWindow* m_window = nullptr;

    CameraSettingsPanel* panel() const { return m_window->settingsPanel(); }
    VideoWidget* video(int i = 0) const { return m_window->videoWidget(i); }
    VideoInfoTable* table() const { return m_window->overlay()->infoPanel(); }

    bool waitForPicture() {
        QSignalSpy ready(video(), &VideoWidget::sigVideoReady);
        return ready.wait(15000) &&
               QTest::qWaitFor([this] { return m_window->hintOverlay(0)->isHidden(); }, 5000);
    }

private slots:
    void initTestCase() {
        isolateUserFolders(m_dir.path());
        overrideUiScale(1.0);
        m_window = new MainWindow;
        m_window->setApplyPause(100);
    }

    void cleanupTestCase() { delete m_window; }

    // The information table is on from the start (the device page's default reaches it), and
    // the panel leaves its loading view with the camera's lists.
    void startsWithFiguresAndFilledPanel() {
        QVERIFY(panel()->isHidden());
        QTRY_VERIFY_WITH_TIMEOUT(table()->cellText(0, 0) == "0", 15000);
        QVERIFY(table()->isVisible());
        QTRY_VERIFY(!panel()->isLoading());
        QCOMPARE(panel()->deviceSelector()->count(), 1);
        QVERIFY(indexOf(panel()->streamGroup(0)->mediaSelector(), "YUY2") >= 0);
        // The camera's sensor is selected on the feature page.
        QTRY_VERIFY(panel()->imagePage()->angleSelector()->currentIndex() >= 0);
        QCOMPARE(panel()->imagePage()->angleSelector()->currentIndex(),
                 VideoWidget::presenter()->GetSensor());
        emit m_window->overlay()->settingsClicked();
        QVERIFY(panel()->isVisible());
        QCOMPARE(panel()->geometry(), QRect(m_window->mapToGlobal(QPoint(0, 0)), m_window->size()));
    }

    // The pause before applying is a timer step: the window keeps handling events meanwhile, and
    // a second apply during the pause replaces the first; the picture starts once, as chosen.
    void applyPauseKeepsEventsAndSupersedes() {
        StreamSettingsGroup* g = panel()->streamGroup(0);
        const int mjpg = indexOf(g->mediaSelector(), "MJPG");
        const int yuy2 = indexOf(g->mediaSelector(), "YUY2");
        QVERIFY(mjpg >= 0 && yuy2 >= 0);
        QSignalSpy ready(video(), &VideoWidget::sigVideoReady);
        m_window->setApplyPause(300);
        m_window->onCameraSettingsApplied({record(0, mjpg, 0, 0)}, 1);
        QVERIFY(m_window->isApplyPending());
        QVERIFY(!m_window->hintOverlay(0)->isHidden());
        bool eventsRun = false;
        QTimer::singleShot(0, this, [&eventsRun] { eventsRun = true; });
        QTRY_VERIFY(eventsRun);
        m_window->onCameraSettingsApplied({record(0, yuy2, 0, 0)}, 1);
        QVERIFY(ready.wait(15000));
        QTest::qWait(300);
        QCOMPARE(ready.count(), 1);
        QTRY_VERIFY_WITH_TIMEOUT(table()->cellText(0, 1) == "YUY2", 10000);
        m_window->setApplyPause(100);
    }

    // Outside the multi-stream mode only stream 1 is configured, and no hint of a hidden stream
    // is left on screen.
    void singleStreamModeIgnoresOtherStreams() {
        QVERIFY(!m_window->supportStream());
        m_window->onCameraSettingsApplied({record(0, 0, 0, 0), record(1, 0, 0, 0), record(2, 0, 0, 0)}, 3);
        QVERIFY(waitForPicture());
        QVERIFY(m_window->hintOverlay(1)->isHidden());
        QVERIFY(m_window->hintOverlay(2)->isHidden());
        QVERIFY(video(1)->isHidden());
        QVERIFY(video(2)->isHidden());
        // Selectors never filled (-1) keep the camera's choice instead of being refused.
        m_window->overlay()->showToast("before", 1);
        m_window->onCameraSettingsApplied({record(0, -1, -1, -1)}, 1);
        QVERIFY(waitForPicture());
        QCOMPARE(m_window->overlay()->toast()->fullText(), QString("before"));
    }

    // The entry chosen on the page is the sensor the camera selects (both count from 0); the
    // camera's own report, which selects its entry and so comes back from the page, is not echoed.
    void sensorChoiceReachesTheCamera() {
        CCameraPresenter* presenter = VideoWidget::presenter();
        QVERIFY(presenter);
        SidePopupSelector* angles = panel()->imagePage()->angleSelector();
        QVERIFY(angles->count() >= 3);
        angles->setCurrentIndex(2);
        QTRY_COMPARE(presenter->GetSensor(), 2);
        angles->setCurrentIndex(1);
        QTRY_COMPARE(presenter->GetSensor(), 1);
        // A report of another sensor than the camera has now (as if changed on the device) moves
        // the page; its echo must not reach the camera.
        emit video()->setCurrentSensor(0);
        QTRY_COMPARE(angles->currentIndex(), 0);
        QTest::qWait(50);
        QCOMPARE(presenter->GetSensor(), 1);
    }

    // A camera that comes back brings the panel out of its loading view, also after the user
    // had chosen settings.
    void panelLeavesLoadingWhenTheCameraReturns() {
        emit video()->sigCameraState(0);
        QTRY_VERIFY(panel()->isLoading());
        emit video()->sigCameraState(2);
        emit video()->sigVideoReady();
        QTRY_VERIFY(!panel()->isLoading());
        QCOMPARE(panel()->deviceSelector()->count(), 1);
    }

    // The access code opens the panel in the multi-stream mode; three streams, then two.
    void threeStreamsThenTwo() {
        emit m_window->overlay()->setSupportStream(true);
        QVERIFY(panel()->isVisible());
        QTest::mouseClick(panel()->applyButton(), Qt::LeftButton);
        QVERIFY(waitForPicture());
        QVERIFY(video(2)->isVisible());
        QTRY_VERIFY_WITH_TIMEOUT(m_window->hintOverlay(1)->isHidden(), 10000);
        panel()->streamButton(2)->click();
        QTest::mouseClick(panel()->applyButton(), Qt::LeftButton);
        QVERIFY(waitForPicture());
        QVERIFY(video(1)->isVisible());
        QVERIFY(video(2)->isHidden());
    }
};

QTEST_MAIN(TestSettingsWindow)
#include "tst_settingswindow.moc"
