#include <QFile>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include "CameraController.h"
#include "CameraSettingDevicePage.h"
#include "InfoRow.h"
#include "SettingsTestEnv.h"
#include "SidePopupSelector.h"
#include "SwitchButton.h"
#include "SwitchRow.h"
#include "ToastLabel.h"
#include "UiScale.h"

namespace {
using Page = CameraSettingDevicePage;

QString settingsFile() {
    return QSettings("Corvix", "Corvix").fileName();
}
}  // namespace

// The device page: save folder, display switches and their memory, device and version rows.
class TestDevicePage : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;

private slots:
    void initTestCase() {
        isolateUserFolders(m_dir.path());
        overrideUiScale(1.0);
    }

    void init() { QFile::remove(settingsFile()); }

    void freshPage() {
        Page page(nullptr, nullptr);
        QVERIFY(page.switchRow(Page::OverlayInfo)->isChecked());
        QVERIFY(!page.switchRow(Page::DateWatermark)->isChecked());
        QVERIFY(page.makerRow()->isHidden());
        const QString path = QDir::homePath() + "/Documents/Corvix";
        QCOMPARE(page.savePath(), path);
        QVERIFY(QFileInfo(path).isDir());
        QCOMPARE(page.pathSelector()->currentText(), path);
        page.setDeviceMan("Maker");
        QVERIFY(!page.makerRow()->isHidden());
        page.setDeviceMan("");
        QVERIFY(page.makerRow()->isHidden());
    }

    void versionMarker_data() {
        QTest::addColumn<int>("result");
        QTest::addColumn<QString>("marker");
        QTest::newRow("newer") << 3 << " *";
        QTest::newRow("same") << 0 << " L";
        QTest::newRow("older") << -1 << " L";
        QTest::newRow("unknown") << -999 << "";
    }

    void versionMarker() {
        QFETCH(int, result);
        QFETCH(QString, marker);
        CameraController controller;
        Page page(&controller, nullptr);
        page.versionRow()->setValue("old");
        emit controller.sigVersionChecked(result);
        QTRY_COMPARE(page.versionRow()->value(), marker);
    }

    void switchesActAndAreRemembered() {
        CameraController controller;
        QSignalSpy water(&controller, &CameraController::sigShowDataWater);
        QSignalSpy info(&controller, &CameraController::sigShowOverlayInfo);
        {
            Page page(&controller, nullptr);
            QCOMPARE(water.count(), 0);
            page.switchRow(Page::DateWatermark)->switchButton()->click();
            QCOMPARE(water.count(), 1);
            QCOMPARE(water.first().at(0).toBool(), true);
            page.switchRow(Page::OverlayInfo)->switchButton()->click();
            QCOMPARE(info.last().at(0).toBool(), false);
        }
        // The remembered states come back on the next page and reach the controller when it
        // publishes them.
        Page again(&controller, nullptr);
        water.clear();
        info.clear();
        QSignalSpy delay(&controller, &CameraController::sigShowDelayCapture);
        QSignalSpy scan(&controller, &CameraController::sigShowScanCapture);
        again.publishSwitches();
        QCOMPARE(water.count(), 1);
        QCOMPARE(water.first().at(0).toBool(), true);
        QCOMPARE(info.first().at(0).toBool(), false);
        QCOMPARE(delay.count(), 1);
        QCOMPARE(scan.count(), 1);
    }

    void damagedSettingsMeanDefaults() {
        QDir().mkpath(QFileInfo(settingsFile()).path());
        QFile file(settingsFile());
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(
            "[display\ndateWatermark=maybe\n\x01\x02[[[\noverlayInfo=\noutput/folder=/no/such/folder\n");
        file.close();
        Page page(nullptr, nullptr);
        QVERIFY(page.switchRow(Page::OverlayInfo)->isChecked());
        QVERIFY(!page.switchRow(Page::DateWatermark)->isChecked());
        QCOMPARE(page.savePath(), QDir::homePath() + "/Documents/Corvix");
    }

    void choosingAFolder() {
        CameraController controller;
        Page page(&controller, nullptr);
        QSignalSpy changed(&page, &Page::sigRecordOutputPathChanged);
        QTemporaryDir other;
        // A folder that cannot take files: refused, told, the old one stays.
        QVERIFY(!page.chooseFolder(other.filePath("missing")));
        QVERIFY(page.toast()->fullText().contains("missing"));
        QVERIFY(!page.chooseFolder(QCoreApplication::applicationFilePath()));  // a file, not a folder
        QCOMPARE(changed.count(), 0);
        QCOMPARE(page.savePath(), QDir::homePath() + "/Documents/Corvix");
        // Through the selector's "choose" entry and the folder dialog.
        page.setFolderPicker([&other](const QString&) { return other.path(); });
        page.pathSelector()->setCurrentIndex(1);
        QTRY_COMPARE(changed.count(), 1);
        QCOMPARE(changed.first().at(0).toString(), other.path());
        QCOMPARE(page.savePath(), other.path());
        QCOMPARE(page.pathSelector()->currentIndex(), 0);
        QCOMPARE(page.pathSelector()->currentText(), other.path());
        // Cancelled: nothing changes and the folder stays selected.
        page.setFolderPicker([](const QString&) { return QString(); });
        page.pathSelector()->setCurrentIndex(1);
        QTRY_COMPARE(page.pathSelector()->currentIndex(), 0);
        QCOMPARE(changed.count(), 1);
        // Remembered for the next run.
        Page next(nullptr, nullptr);
        QCOMPARE(next.savePath(), other.path());
    }
};

QTEST_MAIN(TestDevicePage)
#include "tst_devicepage.moc"
