#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include "CameraSettingDevicePage.h"
#include "CameraSettingsPanel.h"
#include "MainWindow.h"
#include "OverlayWidget.h"
#include "SettingsTestEnv.h"
#include "SubVideoHintOverlay.h"
#include "SwitchRow.h"
#include "UiScale.h"
#include "VideoInfoTable.h"
#include "VideoWidget.h"

// A start with display switches remembered from an earlier run: the window follows them.
class TestSettingsStart : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;

private slots:
    void initTestCase() {
        isolateUserFolders(m_dir.path());
        overrideUiScale(1.0);
        QSettings settings("Corvix", "Corvix");
        settings.setValue("display/overlayInfo", false);
        settings.setValue("display/dateWatermark", true);
        settings.sync();
    }

    void rememberedSwitchesReachTheWindow() {
        MainWindow window;
        CameraSettingDevicePage* page = window.settingsPanel()->devicePage();
        QVERIFY(!page->switchRow(CameraSettingDevicePage::OverlayInfo)->isChecked());
        QVERIFY(page->switchRow(CameraSettingDevicePage::DateWatermark)->isChecked());
        QVERIFY(window.overlay()->dateWatermarkOn());
        QTRY_VERIFY_WITH_TIMEOUT(window.videoWidget(0)->isReady(), 15000);
        QTRY_VERIFY(window.hintOverlay(0)->isHidden());
        // Figures keep coming, but the table stays off as the user left it.
        QSignalSpy figures(window.videoWidget(0), &VideoWidget::sigVideoInfo);
        QVERIFY(figures.wait(5000));
        QCoreApplication::processEvents();
        QVERIFY(window.overlay()->infoPanel()->isHidden());
        QCOMPARE(window.overlay()->infoPanel()->cellText(0, 0), QString("-"));
    }
};

QTEST_MAIN(TestSettingsStart)
#include "tst_settingsstart.moc"
