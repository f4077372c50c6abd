#include <QApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

#include "OnScreenKeyboard.h"
#include "OverlayWidget.h"
#include "StreamPasswordDialog.h"
#include "UiScale.h"

// The hidden gesture: six clicks in the video's top-right corner open the access-code dialog.
class TestGesture : public QObject {
    Q_OBJECT

    // Answers the next modal dialog (the code dialog, then possibly the message box).
    void answerDialog(const QString& code, bool accept, bool* sawKeyboard = nullptr,
                      OverlayWidget* overlay = nullptr) {
        QTimer::singleShot(0, this, [=] {
            auto* dialog = qobject_cast<StreamPasswordDialog*>(QApplication::activeModalWidget());
            if (!dialog) {
                answerDialog(code, accept, sawKeyboard, overlay);  // not up yet
                return;
            }
            if (sawKeyboard && overlay) {
                QTRY_VERIFY_WITH_TIMEOUT(overlay->onScreenKeyboard()->isRunning(), 3000);
                *sawKeyboard = true;
            }
            QCOMPARE(dialog->passwordEdit()->echoMode(), QLineEdit::Password);
            dialog->passwordEdit()->setText(code);
            if (accept) {
                dialog->confirmButton()->click();
            } else {
                dialog->cancelButton()->click();
            }
        });
    }

    void closeMessageBox(bool* seen) {
        QTimer::singleShot(0, this, [=] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box) {
                closeMessageBox(seen);
                return;
            }
            *seen = box->text() == QString("密码错误，当前不支持多流");
            box->accept();
        });
    }

    struct Rig {
        QWidget video;
        OverlayWidget overlay;
        Rig() {
            video.setGeometry(100, 50, 640, 360);
            video.show();
            overlay.attachVideoWidget(&video);
            overlay.onScreenKeyboard()->setProgram(QString());
        }
        QPoint hot() const { return video.mapToGlobal(QPoint(video.width() - 5, 2)); }
        QPoint elsewhere() const { return video.mapToGlobal(QPoint(10, 10)); }
        void clicks(int n) {
            for (int i = 0; i < n; ++i) {
                overlay.countHotAreaClick(hot());
            }
        }
    };

private slots:
    void initTestCase() { overrideUiScale(1.0); }

    // The 50 px square at the video's top-right corner; nothing counts without a video.
    void hotAreaIsTheTopRightSquare() {
        OverlayWidget lone;
        QVERIFY(lone.videoTopRightHotArea().isEmpty());
        lone.countHotAreaClick(QPoint(0, 0));
        QCOMPARE(lone.secretClickCount(), 0);
        Rig rig;
        const QPoint g = rig.video.mapToGlobal(QPoint(0, 0));
        QCOMPARE(rig.overlay.videoTopRightHotArea(), QRect(g.x() + 640 - 50, g.y(), 50, 50));
    }

    // The sixth click opens the dialog: the first code unlocks the streams, the second adds the
    // advanced controls; a wrong code locks both again (with a message), a cancel changes nothing.
    void codesUnlockWrongOrCancelledDoNot() {
        Rig rig;
        QSignalSpy stream(&rig.overlay, &OverlayWidget::setSupportStream);
        QSignalSpy advanced(&rig.overlay, &OverlayWidget::setSupportAdvanceXU);
        rig.clicks(5);
        // Clicks elsewhere neither count nor reset.
        rig.overlay.countHotAreaClick(rig.elsewhere());
        QCOMPARE(rig.overlay.secretClickCount(), 5);
        answerDialog("481526", true);
        rig.clicks(1);
        QCOMPARE(rig.overlay.secretClickCount(), 0);
        QTRY_COMPARE(stream.count(), 1);
        QCOMPARE(stream.first().at(0).toBool(), true);
        QCOMPARE(advanced.count(), 0);
        answerDialog("735094", true);
        rig.clicks(6);
        QTRY_COMPARE(advanced.count(), 1);
        QVERIFY(rig.overlay.supportStream());
        QVERIFY(rig.overlay.supportAdvanceXU());

        bool boxSeen = false;
        answerDialog(" 481526", true);
        closeMessageBox(&boxSeen);
        rig.clicks(6);
        QTRY_VERIFY(boxSeen);
        QTRY_VERIFY(!rig.overlay.supportStream());
        QVERIFY(!rig.overlay.supportAdvanceXU());
        QCOMPARE(stream.count(), 1);

        answerDialog("481526", false);
        rig.clicks(6);
        QTRY_VERIFY(!QApplication::activeModalWidget());
        QTest::qWait(20);
        QCOMPARE(stream.count(), 1);
        QCOMPARE(rig.overlay.secretClickCount(), 0);
        rig.clicks(1);
        QCOMPARE(rig.overlay.secretClickCount(), 1);
    }

    void onlyReleasesOnEmptySpaceCount() {
        Rig rig;
        QVERIFY(QTest::qWaitForWindowExposed(&rig.overlay));
        const QPoint local(rig.overlay.width() - 5, 2);
        QTest::mousePress(&rig.overlay, Qt::LeftButton, Qt::NoModifier, local);
        QCOMPARE(rig.overlay.secretClickCount(), 0);
        QTest::mouseRelease(&rig.overlay, Qt::LeftButton, Qt::NoModifier, local);
        QCOMPARE(rig.overlay.secretClickCount(), 1);

        // A button lying in the hot area takes the click; it does not count.
        auto* button = new QPushButton("x", &rig.overlay);
        button->setGeometry(rig.overlay.width() - 40, 0, 40, 40);
        button->show();
        QSignalSpy clicked(button, &QPushButton::clicked);
        QTest::mouseClick(button, Qt::LeftButton, Qt::NoModifier, QPoint(35, 2));
        QCOMPARE(clicked.count(), 1);
        QCOMPARE(rig.overlay.secretClickCount(), 1);

        // A left release on the video widget itself counts; other buttons do not.
        QTest::mouseRelease(&rig.video, Qt::RightButton, Qt::NoModifier, QPoint(rig.video.width() - 5, 2));
        QCOMPARE(rig.overlay.secretClickCount(), 1);
        QTest::mouseRelease(&rig.video, Qt::LeftButton, Qt::NoModifier, QPoint(rig.video.width() - 5, 2));
        QCOMPARE(rig.overlay.secretClickCount(), 2);
    }

    void keyboardStartedWithDialogAndEndedAfter() {
        Rig rig;
        // A stand-in program that stays up until it is ended.
        rig.overlay.onScreenKeyboard()->setProgram("cat");
        bool sawKeyboard = false;
        answerDialog("000000", false, &sawKeyboard, &rig.overlay);
        rig.overlay.showStreamInputDialog();
        QVERIFY(sawKeyboard);
        QVERIFY(!rig.overlay.onScreenKeyboard()->isRunning());
    }
};

QTEST_MAIN(TestGesture)
#include "tst_gesture.moc"
