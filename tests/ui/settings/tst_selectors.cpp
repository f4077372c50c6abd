#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QSvgWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include "GesturePopupWidget.h"
#include "RightIconButton.h"
#include "SidePopupSelector.h"
#include "UiScale.h"

// The side selector and the gesture popup.
class TestSelectors : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { overrideUiScale(1.0); }

    void entriesAndSelection() {
        QWidget host;
        auto* selector = new SidePopupSelector(&host);
        QSignalSpy indexSpy(selector, &SidePopupSelector::currentIndexChanged);
        QSignalSpy textSpy(selector, &SidePopupSelector::currentTextChanged);
        selector->addItem("a");
        selector->addItem("b");
        selector->setCurrentIndex(1);
        selector->clear();
        QCOMPARE(selector->currentIndex(), -1);
        QVERIFY(selector->button()->text().isEmpty());
        indexSpy.clear();
        textSpy.clear();
        for (const char* t : {"MJPG", "YUY2", "H264"}) {
            selector->addItem(t);
        }
        // Entries alone select nothing.
        QVERIFY(selector->currentText().isEmpty());
        QVERIFY(selector->button()->text().isEmpty());
        QCOMPARE(indexSpy.count(), 0);
        // Out of range: nothing changes, nothing is reported.
        selector->setCurrentIndex(3);
        selector->setCurrentIndex(-1);
        QCOMPARE(indexSpy.count(), 0);
        selector->setCurrentIndex(2);
        QCOMPARE(selector->currentText(), QString("H264"));
        QVERIFY(selector->entry(2)->isChecked());
        QVERIFY(!selector->entry(0)->isChecked());
        // The same index again is reported again (owners block signals while filling).
        selector->setCurrentIndex(2);
        QCOMPARE(indexSpy.count(), 2);
        QCOMPARE(textSpy.count(), 2);
        QCOMPARE(textSpy.last().at(0).toString(), QString("H264"));
        // A click on an entry selects it and closes the list.
        host.show();
        selector->showPopup();
        QVERIFY(selector->isPopupOpen());
        QTest::mouseClick(selector->entry(0), Qt::LeftButton);
        QCOMPARE(selector->currentIndex(), 0);
        QVERIFY(!selector->isPopupOpen());
        QVERIFY(selector->entry(0)->isChecked());
        QVERIFY(!selector->entry(2)->isChecked());
    }

    void longTextIsElidedWithFullTooltip() {
        QWidget host;
        auto* selector = new SidePopupSelector(&host);
        selector->setFixedSize(QSize(200, 50));
        const QString longText =
            QString("C:/a/very/long/folder/name/that/does/not/fit/anywhere/").repeated(3);
        selector->addItem(longText);
        selector->setCurrentIndex(0);
        QCOMPARE(selector->button()->toolTip(), longText);
        QVERIFY(selector->button()->text() != longText);
        QVERIFY(selector->button()->text().contains(QChar(0x2026)));
        QCOMPARE(selector->currentText(), longText);
    }

    void listPlacementStaysOnScreen_data() {
        QTest::addColumn<QPoint>("buttonTopLeft");
        QTest::addColumn<QRect>("screen");
        QTest::addColumn<QRect>("expected");
        const QRect screen(0, 0, 1920, 1040);
        // Room enough: 60 px right of a 200 px button, top-aligned with it.
        QTest::newRow("free") << QPoint(100, 100) << screen << QRect(360, 100, 300, 200);
        QTest::newRow("right edge") << QPoint(1700, 100) << screen << QRect(1619, 100, 300, 200);
        QTest::newRow("bottom edge") << QPoint(100, 950) << screen << QRect(360, 839, 300, 200);
        // Taller than the screen: never above its top.
        QTest::newRow("tall") << QPoint(10, 200) << QRect(0, 40, 1920, 150) << QRect(270, 40, 300, 200);
    }

    void listPlacementStaysOnScreen() {
        QFETCH(QPoint, buttonTopLeft);
        QFETCH(QRect, screen);
        QFETCH(QRect, expected);
        QCOMPARE(SidePopupSelector::popupGeometry(buttonTopLeft, 200, QSize(300, 200), screen), expected);
    }

    // Legends: 5 items are 2 + separator + 3, 6 are 3 + 3, 2 are one row; one item wraps.
    void legendLayout_data() {
        QTest::addColumn<int>("count");
        QTest::addColumn<QList<int>>("rowOfItem");
        QTest::newRow("two") << 2 << QList<int>{0, 0};
        QTest::newRow("five") << 5 << QList<int>{0, 0, 2, 2, 2};
        QTest::newRow("six") << 6 << QList<int>{0, 0, 0, 1, 1, 1};
    }

    void legendLayout() {
        QFETCH(int, count);
        QFETCH(QList<int>, rowOfItem);
        GesturePopupWidget popup;
        QList<GesturePopupWidget::Item> items;
        for (int i = 0; i < count; ++i) {
            items.append({":/icons/handle.svg", QString("item %1").arg(i)});
        }
        popup.setItems(items, 1);
        QVERIFY(!popup.isSingleItem());
        QCOMPARE(popup.itemWidgets().size(), count);
        for (int i = 0; i < count; ++i) {
            int row = -1, column = -1, rs = 0, cs = 0;
            popup.grid()->getItemPosition(popup.grid()->indexOf(popup.itemWidgets()[i]), &row, &column, &rs,
                                          &cs);
            QCOMPARE(row, rowOfItem[i]);
            QCOMPARE(popup.itemWidgets()[i]->property("index").toInt(), i);
        }
        const QList<QFrame*> separators = popup.findChildren<QFrame*>(QString(), Qt::FindDirectChildrenOnly);
        int lines = 0;
        for (QFrame* f : separators) {
            lines += f->frameShape() == QFrame::HLine ? 1 : 0;
        }
        QCOMPARE(lines, count == 5 ? 1 : 0);
        // Pressing an item reports its index.
        QSignalSpy clicked(&popup, &GesturePopupWidget::itemClicked);
        QTest::mousePress(popup.itemWidgets()[count - 1], Qt::LeftButton);
        QCOMPARE(clicked.count(), 1);
        QCOMPARE(clicked.first().at(0).toInt(), count - 1);
    }

    // A picture file, an SVG named in capitals and a missing picture all make an item.
    void singleItemAndIconKinds() {
        QTemporaryDir dir;
        QImage png(50, 20, QImage::Format_ARGB32);
        png.fill(Qt::red);
        const QString pngPath = dir.filePath("icon.png");
        QVERIFY(png.save(pngPath));
        GesturePopupWidget popup;
        popup.setSingleItem(pngPath, QString("a long explanation ").repeated(10), 4);
        QVERIFY(popup.isSingleItem());
        QWidget* item = popup.itemWidgets().value(0);
        QVERIFY(item);
        auto* image = item->findChild<QLabel*>(QString(), Qt::FindDirectChildrenOnly);
        QVERIFY(image && !image->pixmap(Qt::ReturnByValue).isNull());
        QVERIFY(item->findChild<QLabel*>("caption")->wordWrap());
        popup.setSingleItem(":/icons/FACE.SVG", "x", 0);
        QVERIFY(popup.itemWidgets().value(0)->findChild<QSvgWidget*>());
        popup.setSingleItem(dir.filePath("missing.png"), "x", 2);
        QCOMPARE(popup.itemWidgets().size(), 1);
    }

    // Each showing gets its full time: a second showing restarts the one hide timer.
    void showingAgainRestartsTheHideTimer() {
        GesturePopupWidget popup;
        popup.setSingleItem(":/icons/face.svg", "x", 0);
        popup.showFor(5000);
        popup.showFor(5000);
        int active = 0;
        for (QTimer* t : popup.findChildren<QTimer*>()) {
            active += t->isActive() ? 1 : 0;
        }
        QCOMPARE(active, 1);
        QVERIFY(popup.hideTimer()->isActive());
        QCOMPARE(popup.hideTimer()->interval(), 5000);
        popup.showFor(20);
        QTRY_VERIFY(popup.isHidden());
    }

    void popupIsCentredOnTheAvailableArea() {
        QCOMPARE(GesturePopupWidget::centredPosition(QRect(0, 0, 1920, 1040), QSize(400, 300)),
                 QPoint(760, 370));
        QCOMPARE(GesturePopupWidget::centredPosition(QRect(1920, 40, 1280, 984), QSize(400, 300)),
                 QPoint(1920 + 440, 40 + 342));
    }
};

QTEST_MAIN(TestSelectors)
#include "tst_selectors.moc"
