#include <xcb/xcb.h>
#include <QDialog>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QtTest>
#include <cstdlib>

#include "CompositorWatch.h"
#include "TranslucentWindowMask.h"
#include "X11CompositorProbe.h"

namespace {
// A window in the shape of the overlay: a bar of two buttons far apart, a glass panel, a
// full-window caption with a short centred text, and pieces that must not count.
struct TestWindow {
    QWidget window;
    QWidget* bar = new QWidget(&window);
    QPushButton* left = new QPushButton("A", bar);
    QPushButton* right = new QPushButton("B", bar);
    QWidget* panel = new QWidget(&window);
    QLabel* panelText = new QLabel("info", panel);
    QLabel* caption = new QLabel("7", &window);
    QPushButton* hidden = new QPushButton("hidden", &window);
    QPushButton* skipped = new QPushButton("skipped", &window);

    TestWindow() {
        window.setAttribute(Qt::WA_TranslucentBackground);
        window.resize(1000, 600);
        bar->setGeometry(0, 500, 1000, 100);
        left->setGeometry(10, 10, 80, 80);
        right->setGeometry(910, 10, 80, 80);
        panel->setGeometry(700, 10, 290, 100);
        panel->setStyleSheet("background-color: rgba(0, 0, 0, 0.3);");
        panelText->setGeometry(10, 10, 50, 20);
        caption->setGeometry(window.rect());
        caption->setAlignment(Qt::AlignCenter);
        caption->setStyleSheet("color: orange; font-size: 60px; background: transparent;");
        hidden->setGeometry(300, 300, 100, 100);
        hidden->hide();
        skipped->setGeometry(400, 100, 100, 100);
        TranslucentWindowMask::setPartRule(skipped, TranslucentWindowMask::SkipPart);
    }
};
}  // namespace

// The shape mask of translucent windows on a screen without a compositing manager, and the
// detection of the compositor on a real X server.
class TestTranslucentMask : public QObject {
    Q_OBJECT

private slots:
    void init() { CompositorWatch::instance()->setMode(CompositorWatch::ForceNoCompositing); }
    void cleanup() { CompositorWatch::instance()->setMode(CompositorWatch::Detect); }

    void visiblePartsAreTheMask() {
        TestWindow w;
        auto* keeper = TranslucentWindowMask::apply(&w.window);
        w.window.show();
        keeper->refresh();
        const QRegion mask = w.window.mask();
        // The buttons, not the bar between them.
        QVERIFY(mask.contains(QPoint(50, 550)));
        QVERIFY(mask.contains(QPoint(950, 550)));
        QVERIFY(!mask.contains(QPoint(500, 550)));
        // The glass panel whole, also where it has no children.
        QVERIFY((QRegion(w.panel->geometry()) - mask).isEmpty());
        // The caption by its text only.
        QVERIFY(mask.contains(QPoint(500, 300)));
        QVERIFY(!mask.contains(QPoint(500, 200)));
        QVERIFY(!mask.contains(QPoint(100, 300)));
        // Hidden and skipped children do not count.
        QVERIFY(!mask.intersects(QRect(400, 100, 100, 100)));
        QVERIFY(!mask.contains(QPoint(310, 310)));

        // Later changes are followed from the event loop: a child shown, a child added.
        w.hidden->show();
        QTRY_VERIFY(w.window.mask().contains(QPoint(310, 310)));
        auto* late = new QPushButton("late", &w.window);
        late->setGeometry(100, 100, 50, 50);
        late->show();
        QTRY_VERIFY(w.window.mask().contains(QPoint(120, 120)));
        // A longer text widens the caption's part.
        QVERIFY(!w.window.mask().contains(QPoint(600, 300)));
        w.caption->setText("7777777777");
        QTRY_VERIFY(w.window.mask().contains(QPoint(600, 300)));
        // A child window (a dialog of the window) is no part of it.
        QDialog dialog(&w.window);
        dialog.setGeometry(200, 200, 100, 100);
        dialog.show();
        TranslucentWindowMask::of(&w.window)->refresh();
        QVERIFY(!w.window.mask().contains(QPoint(250, 250)));
    }

    void nothingVisibleMeansAMaskOutsideTheWindow() {
        // Qt reads an empty mask as "no mask", which would show the whole window black.
        QWidget window;
        auto* only = new QPushButton("x", &window);
        window.resize(400, 300);
        TranslucentWindowMask::apply(&window);
        window.show();
        only->hide();
        QTRY_VERIFY(!window.mask().isEmpty() && !window.mask().intersects(window.rect()));
    }

    void opaqueBodyNeedsNoMask() {
        QWidget body;
        body.resize(400, 300);
        auto* keeper = TranslucentWindowMask::applyWhole(&body);
        body.show();
        keeper->refresh();
        QVERIFY(keeper->isMasking());
        QVERIFY(body.mask().isEmpty());
    }

    // A private X server; the test plays the compositor by taking its selection.
    void probeFollowsTheCompositorSelection() {
        const QString xvfb = QStandardPaths::findExecutable("Xvfb");
        if (xvfb.isEmpty()) {
            QSKIP("Xvfb is not installed");
        }
        QProcess server;
        // -displayfd 1: the server writes its display number to stdout once it accepts clients.
        server.start(xvfb, {"-displayfd", "1", "-screen", "0", "320x240x24", "-nolisten", "tcp"});
        QVERIFY(server.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(server.canReadLine(), 20000);
        const QByteArray display = ":" + server.readLine().trimmed();

        {
            X11CompositorProbe probe(display);
            QVERIFY(probe.isConnected());
            QCOMPARE(probe.screen(), 0);
            QVERIFY(!probe.hasOwner());
            QSignalSpy changes(&probe, &X11CompositorProbe::ownerChanged);

            int screenNumber = 0;
            xcb_connection_t* compositor = xcb_connect(display.constData(), &screenNumber);
            QVERIFY(!xcb_connection_has_error(compositor));
            const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(compositor)).data;
            const xcb_window_t owner = xcb_generate_id(compositor);
            xcb_create_window(compositor, XCB_COPY_FROM_PARENT, owner, screen->root, 0, 0, 1, 1, 0,
                              XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, 0, nullptr);
            const QByteArray name = "_NET_WM_CM_S0";
            xcb_intern_atom_reply_t* atom = xcb_intern_atom_reply(
                compositor, xcb_intern_atom(compositor, 0, name.size(), name.constData()), nullptr);
            QVERIFY(atom);
            xcb_set_selection_owner(compositor, owner, atom->atom, XCB_CURRENT_TIME);
            std::free(atom);
            xcb_flush(compositor);

            QVERIFY(changes.wait(5000));
            QCOMPARE(changes.last().at(0).toBool(), true);
            QVERIFY(probe.hasOwner());

            // The compositor ends without giving the selection up.
            xcb_disconnect(compositor);
            QVERIFY(changes.wait(5000));
            QCOMPARE(changes.last().at(0).toBool(), false);
            QVERIFY(!probe.hasOwner());
        }
        server.terminate();
        QVERIFY(server.waitForFinished(5000));
    }
};

QTEST_MAIN(TestTranslucentMask)
#include "tst_translucentmask.moc"
