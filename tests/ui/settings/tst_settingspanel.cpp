#include <QButtonGroup>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <QtTest>

#include "CameraController.h"
#include "CameraSettingsPanel.h"
#include "SettingsTestEnv.h"
#include "SidePopupSelector.h"
#include "StreamSettingsGroup.h"
#include "UiScale.h"

namespace {
const QStringList kMedia{"MJPG", "YUY2", "H264", "H265"};

// Stream, media, size and rate indexes, bitrate, GOP.
QString fields(const StreamSettings& s) {
    return QString("%1 %2 %3 %4 %5 %6")
        .arg(s.streamId)
        .arg(s.mediaIndex)
        .arg(s.resolutionIndex)
        .arg(s.fpsIndex)
        .arg(s.bitrate)
        .arg(s.gop);
}
}  // namespace

// The settings panel: apply records, stream toggles, selector fills, closing.
class TestSettingsPanel : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    CameraController* m_controller = nullptr;
    QWidget* m_window = nullptr;
    CameraSettingsPanel* m_panel = nullptr;

    QVector<StreamSettings> applyAndTake(int* count) {
        QSignalSpy applied(m_panel, &CameraSettingsPanel::settingsApplied);
        QTest::mouseClick(m_panel->applyButton(), Qt::LeftButton);
        if (applied.count() != 1) {
            return {};
        }
        *count = applied.first().at(1).toInt();
        return applied.first().at(0).value<QVector<StreamSettings>>();
    }

private slots:
    void initTestCase() {
        isolateUserFolders(m_dir.path());
        overrideUiScale(1.0);
    }

    void init() {
        m_controller = new CameraController;
        m_window = new QWidget;
        m_window->setGeometry(0, 0, 800, 600);
        m_panel = new CameraSettingsPanel(m_controller, m_window);
    }

    void cleanup() {
        delete m_window;
        delete m_controller;
    }

    void freshPanelLoadsUntilShown() {
        QVERIFY(m_panel->contentWidget()->isHidden());
        QVERIFY(m_panel->isLoading());
        m_panel->setDeviceNames({"cam A", "cam B"});
        QSignalSpy selected(m_panel, &CameraSettingsPanel::deviceSelected);
        m_panel->showUI();
        QVERIFY(!m_panel->isLoading());
        QCOMPARE(m_panel->deviceSelector()->currentText(), QString("cam A"));
        m_panel->setDeviceList({"cam A", "cam B", "cam C"}, false);
        QCOMPARE(m_panel->deviceSelector()->count(), 3);
        QCOMPARE(m_panel->deviceSelector()->currentIndex(), 0);
        m_panel->showLoading();
        QVERIFY(m_panel->isLoading());
        QCOMPARE(selected.count(), 0);
        // The controller starts with the device page's save folder.
        QCOMPARE(m_controller->recordOutputDir(), QDir::homePath() + "/Documents/Corvix");
    }

    // Outside the multi-stream mode only stream 1 exists for the user: one record, whatever
    // buttons "2" and "3" say. In it, all three buttons start checked; never-filled selectors send -1.
    void applyRecords() {
        m_panel->setMediaTypeList(0, kMedia, 2);
        m_panel->setResolutionList(0, {"1920x1080", "1280x720"}, 1);
        m_panel->setFpsList(0, {"30", "25"}, 0);
        m_panel->streamGroup(0)->bitrateEdit()->setText("1500");
        m_panel->streamGroup(0)->gopEdit()->setText("abc");
        int count = 0;
        QVector<StreamSettings> records = applyAndTake(&count);
        QCOMPARE(count, 1);
        QCOMPARE(records.size(), 1);
        QCOMPARE(fields(records[0]), QString("0 2 1 0 1500 0"));
        QVERIFY(m_panel->isApplying());

        m_panel->setSupportStream(true);
        records = applyAndTake(&count);
        QCOMPARE(count, 3);
        QCOMPARE(records.size(), 3);
        for (int i = 1; i < 3; ++i) {
            QCOMPARE(fields(records[i]), QString("%1 -1 -1 -1 200 30").arg(i));
        }
    }

    void streamToggleOrder() {
        m_panel->setSupportStream(true);
        m_window->show();
        m_panel->show();
        QStringList heard;
        connect(m_panel, &CameraSettingsPanel::streamToggled, this,
                [&heard](int i, bool on) { heard << QString("toggled %1 %2").arg(i).arg(on); });
        connect(m_panel, &CameraSettingsPanel::changeStreamCount, this,
                [&heard](int n) { heard << QString("count %1").arg(n); });
        // "2" off while "3" is on: stream 3 follows.
        m_panel->streamButton(1)->click();
        QCOMPARE(heard, QStringList({"toggled 1 0", "toggled 2 0", "count 2", "count 1"}));
        QVERIFY(m_panel->streamCard(1)->isHidden() && m_panel->streamCard(2)->isHidden());
        QVERIFY(!m_panel->streamButton(2)->isChecked());
        // "3" on while "2" is off.
        heard.clear();
        m_panel->streamButton(2)->click();
        QCOMPARE(heard, QStringList({"toggled 2 1", "count 3"}));
        QVERIFY(m_panel->streamCard(2)->isVisible());
        int count = 0;
        const QVector<StreamSettings> records = applyAndTake(&count);
        QCOMPARE(count, 2);
        QCOMPARE(records.size(), 2);
        QCOMPARE(records[1].streamId, 2);
        // "2" off while "3" is already off: one toggle, one count.
        m_panel->streamButton(2)->click();
        m_panel->streamButton(1)->click();  // on
        heard.clear();
        m_panel->streamButton(2)->setChecked(false);
        m_panel->streamButton(1)->click();  // off
        QCOMPARE(heard, QStringList({"toggled 1 0", "count 1"}));
        // Stream 1's button cannot be switched off.
        QVERIFY(!m_panel->streamButton(0)->isEnabled());
    }

    void fillsAreQuietAndClamped() {
        QSignalSpy media(m_panel, &CameraSettingsPanel::mediaChanged);
        QSignalSpy resolution(m_panel, &CameraSettingsPanel::resolutionChanged);
        QSignalSpy fps(m_panel, &CameraSettingsPanel::fpsChanged);
        QSignalSpy device(m_panel, &CameraSettingsPanel::deviceSelected);
        StreamSettingsGroup* g = m_panel->streamGroup(1);
        m_panel->setMediaTypeList(1, {"MJPG", "YUY2", "H265"}, 7);
        QCOMPARE(g->mediaSelector()->currentIndex(), 2);
        QVERIFY(!g->bitrateRow()->isHidden() && !g->gopRow()->isHidden());
        m_panel->setMediaTypeList(1, {"MJPG", "h264"}, 1);
        QVERIFY(g->bitrateRow()->isHidden() && g->gopRow()->isHidden());
        m_panel->setResolutionList(1, {"1920x1080", "1280x720", "640x360"}, -5);
        QCOMPARE(g->resolutionSelector()->currentIndex(), 0);
        m_panel->setFpsList(1, {}, 3);
        QCOMPARE(g->fpsSelector()->currentIndex(), -1);
        m_panel->setDeviceList({"cam"}, true);
        m_panel->setMediaTypeList(5, {"MJPG"}, 0);  // no such stream
        QCOMPARE(media.count() + resolution.count() + fps.count() + device.count(), 0);
        // The user's pick is reported and moves the bitrate rows.
        g->mediaSelector()->clear();
        m_panel->setMediaTypeList(1, kMedia, 0);
        g->mediaSelector()->setCurrentIndex(3);
        QCOMPARE(media.count(), 1);
        QCOMPARE(media.first(), QVariantList({1, 3}));
        QVERIFY(!g->bitrateRow()->isHidden());
        g->resolutionSelector()->setCurrentIndex(1);
        QCOMPARE(resolution.first(), QVariantList({1, 1}));
        // The view switching a row.
        m_panel->enableBpsChanged(1, false);
        QVERIFY(g->bitrateRow()->isHidden());
        m_panel->enableGopChanged(3, false);  // ignored
    }

    void applyHoldsSizeAndRateListsUntilFinished() {
        StreamSettingsGroup* g = m_panel->streamGroup(0);
        m_panel->setResolutionList(0, {"1920x1080", "1280x720"}, 1);
        m_panel->setFpsList(0, {"30", "25"}, 1);
        QTest::mouseClick(m_panel->applyButton(), Qt::LeftButton);
        m_panel->setResolutionList(0, {"640x360"}, 0);
        m_panel->setFpsList(0, {"60"}, 0);
        m_panel->setMediaTypeList(0, {"YUY2"}, 0);
        QCOMPARE(g->resolutionSelector()->currentText(), QString("1280x720"));
        QCOMPARE(g->fpsSelector()->currentText(), QString("25"));
        QCOMPARE(g->mediaSelector()->currentText(), QString("YUY2"));
        m_panel->finishApply();
        m_panel->setResolutionList(0, {"640x360"}, 0);
        QCOMPARE(g->resolutionSelector()->currentText(), QString("640x360"));
    }

    void tabsAndStreamCards() {
        m_window->show();
        m_panel->show();
        m_panel->showUI();
        m_panel->setSupportStream(true);
        QVERIFY(!m_panel->streamSelectBar()->isHidden());
        QVERIFY(m_panel->streamGroup(0)->caption()->isVisible());
        m_panel->tabGroup()->button(1)->click();
        QCOMPARE(m_panel->stack()->currentIndex(), 1);
        QVERIFY(m_panel->streamCard(1)->isHidden());
        m_panel->tabGroup()->button(0)->click();
        QVERIFY(m_panel->streamCard(1)->isVisible());
        // A camera restart keeps the unlocked mode (bar, cards and apply stay in step).
        m_panel->showUI();
        QVERIFY(m_panel->streamMode());
        int count = 0;
        QCOMPARE(applyAndTake(&count).size(), 3);
    }

    void outsideClickCloses() {
        m_panel->showUI();
        m_window->show();
        // Partly off the small test screen, so that a selector list opens right of the card.
        m_panel->setGeometry(-300, 0, 1100, 600);
        m_panel->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_panel));
        // Another window outside the card: the press closes the panel and goes no further.
        QPushButton outside("behind");
        outside.setGeometry(650, 100, 100, 50);
        outside.show();
        QVERIFY(QTest::qWaitForWindowExposed(&outside));
        m_panel->raise();
        QSignalSpy pressed(&outside, &QPushButton::pressed);
        // Inside the card: stays.
        QTest::mouseClick(m_panel->applyButton(), Qt::LeftButton);
        QVERIFY(m_panel->isVisible());
        // Inside an open selector list (a window of its own, right of the card): stays.
        m_panel->setDeviceList({"cam A", "cam B"}, true);
        SidePopupSelector* selector = m_panel->deviceSelector();
        selector->showPopup();
        QVERIFY(selector->isPopupOpen());
        QVERIFY(selector->popup()->x() >= 270);
        QTest::mouseClick(selector->entry(1), Qt::LeftButton);
        QVERIFY(m_panel->isVisible());
        QCOMPARE(selector->currentIndex(), 1);
        QTest::mousePress(&outside, Qt::LeftButton);
        QVERIFY(m_panel->isHidden());
        QCOMPARE(pressed.count(), 0);
        QTest::mouseRelease(&outside, Qt::LeftButton);
        // Hidden: presses pass.
        QTest::mousePress(&outside, Qt::LeftButton);
        QCOMPARE(pressed.count(), 1);
    }

    // A list left open goes with the panel (Esc closing each is checked end to end).
    void openListGoesWithThePanel() {
        m_panel->showUI();
        m_panel->setDeviceList({"cam A"}, true);
        m_window->show();
        m_panel->show();
        m_panel->deviceSelector()->showPopup();
        m_panel->hide();
        QVERIFY(!m_panel->deviceSelector()->isPopupOpen());
    }

    void touchOutsideClosesTouchInsideWorks() {
        QTouchDevice* device = QTest::createTouchDevice();
        m_panel->showUI();
        m_window->show();
        m_panel->setGeometry(0, 0, 800, 600);
        m_panel->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_panel));
        // A tap on the apply button (inside) still applies.
        QSignalSpy applied(m_panel, &CameraSettingsPanel::settingsApplied);
        const QPoint apply = m_panel->applyButton()->mapTo(m_panel, m_panel->applyButton()->rect().center());
        QTest::touchEvent(m_panel, device).press(0, apply, m_panel);
        QTest::touchEvent(m_panel, device).release(0, apply, m_panel);
        QTRY_COMPARE(applied.count(), 1);
        QVERIFY(m_panel->isVisible());
        // Where a hidden stream card would be is outside too.
        QVERIFY(m_panel->streamCard(1)->geometry().contains(QPoint(700, 500)));
        QTest::touchEvent(m_panel, device).press(0, QPoint(700, 500), m_panel);
        QTest::touchEvent(m_panel, device).release(0, QPoint(700, 500), m_panel);
        QVERIFY(m_panel->isHidden());
    }
};

QTEST_MAIN(TestSettingsPanel)
#include "tst_settingspanel.moc"
