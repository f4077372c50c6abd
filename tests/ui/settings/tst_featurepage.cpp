#include <QFrame>
#include <QtTest>

#include "CameraSettingImagePage.h"
#include "SidePopupSelector.h"
#include "SwitchButton.h"
#include "SwitchRow.h"
#include "UiScale.h"

namespace {
using Page = CameraSettingImagePage;

// A click on a row's switch, as the user makes it.
void click(Page& page, Page::Row r) {
    page.row(r)->switchButton()->click();
}

QVector<long> maskWith(std::initializer_list<int> numbers) {
    QVector<long> mask(17, 0);
    for (int n : numbers) {
        mask[n - 1] = 1;
    }
    return mask;
}
}  // namespace

// The camera feature page: exclusive modes, dependent rows, capability masks, reports, popups.
class TestFeaturePage : public QObject {
    Q_OBJECT

    // Every signal of the page, in order, as text.
    QStringList m_heard;

    void listen(Page& page) {
        m_heard.clear();
        connect(&page, &Page::sigSetGesture, this,
                [this](int i) { m_heard << QString("gesture %1").arg(i); });
        connect(&page, &Page::faceTracking, this, [this](bool on) { m_heard << QString("face %1").arg(on); });
        connect(&page, &Page::soundTracking, this,
                [this](bool on) { m_heard << QString("sound %1").arg(on); });
        connect(&page, &Page::sigSetCanvas, this, [this](int i) { m_heard << QString("canvas %1").arg(i); });
        connect(&page, &Page::sigSetMoasic, this, [this](int i) { m_heard << QString("mosaic %1").arg(i); });
        connect(&page, &Page::sigSetPip, this, [this](bool on) { m_heard << QString("pip %1").arg(on); });
        connect(&page, &Page::hideChanged, this, [this](bool on) { m_heard << QString("hide %1").arg(on); });
        connect(&page, &Page::sensorChanged, this, [this](int i) { m_heard << QString("sensor %1").arg(i); });
    }

    static void unlockEverything(Page& page) {
        page.setSupportAdvanceXU(true);
        QVector<long> all(17, 1);
        page.enableHandGesture(all);
        page.enableCanvas({1, 1, 1});
        page.enableMosaic({1});
    }

private slots:
    void initTestCase() { overrideUiScale(1.0); }

    void exclusiveModesAndDependentRows() {
        Page page(nullptr, nullptr);
        unlockEverything(page);
        listen(page);
        click(page, Page::Face);
        QVERIFY(!page.row(Page::FaceGesture)->isHidden());
        click(page, Page::FaceGesture);
        QCOMPARE(m_heard, QStringList({"face 1", "gesture 2"}));
        // Hand-raise replaces face tracking on the page; the camera hears only the new mode.
        m_heard.clear();
        click(page, Page::HandRaise);
        QCOMPARE(m_heard, QStringList({"gesture 4"}));
        QVERIFY(!page.row(Page::Face)->isChecked());
        QVERIFY(page.row(Page::FaceGesture)->isHidden());
        QVERIFY(!page.row(Page::FaceGesture)->isChecked());
        // Whiteboard brings its two dependent rows; gallery (another family) replaces it.
        click(page, Page::Whiteboard);
        QVERIFY(!page.row(Page::HandRaise)->isChecked());
        QVERIFY(!page.row(Page::WhiteboardGesture)->isHidden());
        QVERIFY(!page.row(Page::ImageEnhance)->isHidden());
        click(page, Page::ImageEnhance);
        m_heard.clear();
        click(page, Page::Gallery);
        QCOMPARE(m_heard, QStringList({"canvas 1"}));
        QVERIFY(!page.row(Page::Whiteboard)->isChecked());
        QVERIFY(page.row(Page::ImageEnhance)->isHidden());
        QVERIFY(!page.row(Page::ImageEnhance)->isChecked());
        // Modes outside the group leave the group alone.
        click(page, Page::Pip);
        click(page, Page::Privacy);
        QVERIFY(page.row(Page::Gallery)->isChecked());
        QCOMPARE(m_heard.mid(1), QStringList({"pip 1", "hide 1"}));
    }

    void gestureSubRowsOff() {
        Page page(nullptr, nullptr);
        unlockEverything(page);
        listen(page);
        // Face tracking off hides its gesture row without changing it; it comes back as it was.
        click(page, Page::Face);
        click(page, Page::FaceGesture);
        m_heard.clear();
        click(page, Page::Face);
        QCOMPARE(m_heard, QStringList({"face 0"}));
        QVERIFY(page.row(Page::FaceGesture)->isHidden());
        click(page, Page::Face);
        QVERIFY(!page.row(Page::FaceGesture)->isHidden());
        QVERIFY(page.row(Page::FaceGesture)->isChecked());
        // The face gesture row off goes back to plain face tracking.
        m_heard.clear();
        click(page, Page::FaceGesture);
        QCOMPARE(m_heard, QStringList({"gesture 0", "face 1"}));
        // Standing's gesture row off is only "no mode".
        click(page, Page::Standing);
        click(page, Page::StandingGesture);
        m_heard.clear();
        click(page, Page::StandingGesture);
        QCOMPARE(m_heard, QStringList({"gesture 0"}));
    }

    void masksWaitForTheAdvancedCode() {
        Page page(nullptr, nullptr);
        page.enableHandGesture(maskWith({4, 13}));
        page.enableMosaic({1});
        QVERIFY(page.row(Page::Beautify)->isHidden());
        QVERIFY(page.row(Page::Mosaic)->isHidden());
        page.setSupportAdvanceXU(true);
        QVERIFY(!page.row(Page::HandRaise)->isHidden());
        QVERIFY(!page.row(Page::Beautify)->isHidden());
        QVERIFY(!page.row(Page::Mosaic)->isHidden());
        QVERIFY(!page.effectsLine()->isHidden());
        QVERIFY(page.row(Page::GestureHead)->isHidden());
        // A later report without 13 hides beautification and keeps the mosaic row.
        page.enableHandGesture(maskWith({4, 15}));
        QVERIFY(page.row(Page::Beautify)->isHidden());
        QVERIFY(!page.row(Page::Mosaic)->isHidden());
        QVERIFY(!page.row(Page::WhiteboardDetect)->isHidden());
        QVERIFY(!page.detectionDivider()->isHidden());
        // Entries other than 1 are unsupported; the line goes with the last effect row.
        page.enableMosaic({2});
        QVERIFY(page.row(Page::Mosaic)->isHidden());
        QVERIFY(page.effectsLine()->isHidden());
        page.enableCanvas({0, 1});
        QVERIFY(page.row(Page::Gallery)->isHidden());
        QVERIFY(!page.row(Page::Grid)->isHidden());
        QVERIFY(!page.canvasDivider()->isHidden());
        page.enableCanvas({});
        QVERIFY(page.canvasDivider()->isHidden());
        // Picture-in-picture waits too.
        Page other(nullptr, nullptr);
        other.enablePip(false);
        QVERIFY(!other.row(Page::Pip)->isHidden());
        other.setSupportAdvanceXU(true);
        QVERIFY(other.row(Page::Pip)->isHidden());
    }

    void eachMaskBitBringsOneRow_data() {
        QTest::addColumn<int>("number");
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("mode");  // -1: shown without a mode switched on
        QTest::newRow("1 head") << 1 << int(Page::GestureHead) << -1;
        QTest::newRow("2 face gesture") << 2 << int(Page::FaceGesture) << int(Page::Face);
        QTest::newRow("3 voice gesture") << 3 << int(Page::VoiceGesture) << int(Page::Voice);
        QTest::newRow("4 hand raise") << 4 << int(Page::HandRaise) << -1;
        QTest::newRow("5 standing") << 5 << int(Page::Standing) << -1;
        QTest::newRow("6 whiteboard") << 6 << int(Page::Whiteboard) << -1;
        QTest::newRow("7 whiteboard gesture") << 7 << int(Page::WhiteboardGesture) << int(Page::Whiteboard);
        QTest::newRow("9 standing gesture") << 9 << int(Page::StandingGesture) << int(Page::Standing);
        QTest::newRow("10 enhance") << 10 << int(Page::ImageEnhance) << -1;
        QTest::newRow("11 enhance") << 11 << int(Page::ImageEnhance) << -1;
        QTest::newRow("12 blur") << 12 << int(Page::Blur) << -1;
        QTest::newRow("13 beautify") << 13 << int(Page::Beautify) << -1;
        QTest::newRow("14 camera") << 14 << int(Page::GestureCamera) << -1;
        QTest::newRow("15 whiteboard detect") << 15 << int(Page::WhiteboardDetect) << -1;
        QTest::newRow("16 blackboard detect") << 16 << int(Page::BlackboardDetect) << -1;
        QTest::newRow("17 greenboard detect") << 17 << int(Page::GreenboardDetect) << -1;
    }

    void eachMaskBitBringsOneRow() {
        QFETCH(int, number);
        QFETCH(int, row);
        QFETCH(int, mode);
        Page page(nullptr, nullptr);
        page.setSupportAdvanceXU(true);
        const QVector<long> mask = maskWith({number});
        page.enableHandGesture(mask);
        const Page::Row modeRows[] = {Page::GestureHead,      Page::HandRaise,         Page::Standing,
                                      Page::Whiteboard,       Page::ImageEnhance,      Page::Blur,
                                      Page::Beautify,         Page::GestureCamera,     Page::WhiteboardDetect,
                                      Page::BlackboardDetect, Page::GreenboardDetect,  Page::FaceGesture,
                                      Page::VoiceGesture,     Page::WhiteboardGesture, Page::StandingGesture};
        for (Page::Row r : modeRows) {
            const bool expected = r == row && mode < 0;
            QVERIFY2(page.row(r)->isHidden() != expected, qPrintable(QString::number(r)));
        }
        const bool detection = number >= 15;
        QCOMPARE(page.detectionDivider()->isHidden(), !detection);
        if (mode >= 0) {
            // A gesture row comes with the next report once its mode is on.
            page.row(Page::Row(mode))->setChecked(true);
            page.enableHandGesture(mask);
            QVERIFY(!page.row(Page::Row(row))->isHidden());
        }
    }

    void cameraReportsSetSwitchesQuietly() {
        Page page(nullptr, nullptr);
        unlockEverything(page);
        listen(page);
        page.checkHandGesture(5);
        QVERIFY(page.row(Page::Standing)->isChecked());
        page.checkHandGesture(2);
        QVERIFY(!page.row(Page::Standing)->isChecked());
        QVERIFY(page.row(Page::Face)->isChecked());
        QVERIFY(page.row(Page::FaceGesture)->isChecked());
        QVERIFY(!page.row(Page::FaceGesture)->isHidden());
        // Numbers outside the table switch every mode of the table off.
        for (long n : {8L, 11L}) {
            page.checkHandGesture(13);
            page.checkHandGesture(n);
            for (Page::Row r :
                 {Page::Beautify, Page::FaceGesture, Page::GestureHead, Page::GreenboardDetect}) {
                QVERIFY(!page.row(r)->isChecked());
            }
        }
        page.checkCanvas(3);
        QVERIFY(page.row(Page::RoundTable)->isChecked());
        page.checkMosaic(1);
        page.checkPip(true);
        page.checkHideMode(true);
        page.checkFaceTracking(false);
        page.checkSoundTracking(true);
        QVERIFY(!page.row(Page::VoiceGesture)->isHidden());
        QVERIFY(m_heard.isEmpty());
    }

    void sensorChoice() {
        Page page(nullptr, nullptr);
        listen(page);
        page.setSensorList({"wide", "tele", "front"});
        QCOMPARE(page.angleSelector()->currentIndex(), -1);
        // The camera counts from 1.
        page.setCurrentSensor(2);
        QCOMPARE(page.angleSelector()->currentText(), QString("tele"));
        page.setCurrentSensor(9);
        QCOMPARE(page.angleSelector()->currentText(), QString("tele"));
        page.angleSelector()->setCurrentIndex(2);
        QCOMPARE(m_heard, QStringList({"sensor 1", "sensor 2"}));
        page.setSensorSupported(false);
        QVERIFY(page.angleRow()->isHidden());
    }

    void popupsExplainAndStayTheirTime() {
        QWidget window;
        auto* page = new Page(nullptr, &window);
        window.show();
        unlockEverything(*page);
        GesturePopupWidget* popup = page->gesturePopup();
        click(*page, Page::Face);
        QVERIFY(popup->isVisible());
        QVERIFY(popup->isSingleItem());
        QCOMPARE(popup->items().first().first, QString(":/icons/face.svg"));
        click(*page, Page::GestureCamera);  // switches face off first, then shows the legend
        QVERIFY(popup->isVisible());
        QCOMPARE(popup->itemWidgets().size(), 6);
        QCOMPARE(popup->hideTimer()->interval(), Page::kPopupMs);
        click(*page, Page::GestureCamera);
        QVERIFY(popup->isHidden());
        click(*page, Page::GestureHead);
        QCOMPARE(popup->itemWidgets().size(), 5);
    }
};

QTEST_MAIN(TestFeaturePage)
#include "tst_featurepage.moc"
