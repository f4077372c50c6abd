// Hot-plug: bursts of device events become one change, and stopping is prompt and final.
#include <fcntl.h>
#include <unistd.h>

#include <QtTest>
#include <atomic>

#include "HotplugMonitor.h"
#include "ReplayFixture.h"

using namespace qelds;

namespace {

// A pipe standing in for the udev socket: each byte is one event, 'x' one that does not count.
struct EventPipe {
    int fds[2] = {-1, -1};
    EventPipe() {
        if (::pipe2(fds, O_NONBLOCK | O_CLOEXEC) != 0)
            qFatal("pipe2 failed");
    }
    ~EventPipe() {
        ::close(fds[0]);
        ::close(fds[1]);
    }

    void send(char c) {
        if (::write(fds[1], &c, 1) != 1)
            qFatal("write failed");
    }
    // Reads one event per call, as udev hands them out one by one.
    bool drainOne() {
        char c;
        return ::read(fds[0], &c, 1) == 1 && c != 'x';
    }
};

}  // namespace

class TestV4l2Hotplug : public QObject {
    Q_OBJECT
private slots:
    void burstFiresOnce() {
        EventPipe events;
        std::atomic<int> changes{0};
        DebouncedWatcher watcher(200);
        QVERIFY(watcher.start(
            events.fds[0], [&] { return events.drainOne(); }, [&] { ++changes; }));
        for (int i = 0; i < 4; ++i) {  // capture node, metadata node, ... of one device
            events.send('a');
            QThread::msleep(20);
        }
        QVERIFY(waitFor([&] { return changes.load() == 1; }));
        events.send('x');  // events that do not count start no burst
        events.send('x');
        QThread::msleep(400);
        QCOMPARE(changes.load(), 1);
        events.send('r');
        events.send('r');
        QVERIFY(waitFor([&] { return changes.load() == 2; }));
        watcher.stop();
        QVERIFY(!watcher.running());
    }

    void stopDropsAPendingBurst() {
        EventPipe events;
        std::atomic<int> changes{0};
        DebouncedWatcher watcher(60000);  // the burst would only end in a minute
        QVERIFY(watcher.start(
            events.fds[0], [&] { return events.drainOne(); }, [&] { ++changes; }));
        events.send('a');
        QThread::msleep(50);
        watcher.stop();  // returns at once, not after the quiet period
        QCOMPARE(changes.load(), 0);
        QVERIFY(!watcher.start(events.fds[0], nullptr, [] {}));  // a descriptor needs a reader
        QVERIFY(!watcher.running());
    }

    void pokesCountAsEvents() {
        std::atomic<int> changes{0};
        DebouncedWatcher watcher(100);
        watcher.poke();  // before start: forgotten
        QVERIFY(watcher.start(-1, nullptr, [&] { ++changes; }));
        QThread::msleep(250);
        QCOMPARE(changes.load(), 0);
        watcher.poke();
        watcher.poke();
        QVERIFY(waitFor([&] { return changes.load() == 1; }));
        QThread::msleep(250);
        QCOMPARE(changes.load(), 1);
    }

    void udevMonitorStartsAndStops() {
        HotplugMonitor monitor;
        if (!monitor.start([] {}))
            QSKIP("no udev event socket in this environment");
        monitor.stop();
        QVERIFY(monitor.start([] {}));
    }
};

QTEST_GUILESS_MAIN(TestV4l2Hotplug)
#include "tst_v4l2hotplug.moc"
