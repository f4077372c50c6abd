// One Corvix per user and display; other displays and a crash's stale socket do not get in the way.
#include <QLocalServer>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

#include "SingleInstance.h"

namespace {

// The running instance lives on its own thread, as it would in its own process: a second start
// waits for its answer.
class RunningInstance {
public:
    explicit RunningInstance(const QString& key) {
        m_thread.start();
        m_instance = new SingleInstance(key);
        m_instance->moveToThread(&m_thread);
        QMetaObject::invokeMethod(
            m_instance, [this] { m_claimed = m_instance->claim(); }, Qt::BlockingQueuedConnection);
    }
    ~RunningInstance() {
        QMetaObject::invokeMethod(
            m_instance, [this] { delete m_instance; }, Qt::BlockingQueuedConnection);
        m_thread.quit();
        m_thread.wait();
    }
    SingleInstance* instance() const { return m_instance; }
    bool claimed() const { return m_claimed; }

private:
    QThread m_thread;
    SingleInstance* m_instance = nullptr;
    bool m_claimed = false;
};

}  // namespace

class TestSingleInstance : public QObject {
    Q_OBJECT

    QTemporaryDir m_runtime;

private slots:
    void initTestCase() { qputenv("XDG_RUNTIME_DIR", m_runtime.path().toLocal8Bit()); }

    void keyNamesUserAndDisplay() {
        qputenv("USER", "ann lee");
        qputenv("DISPLAY", "localhost:10.0");
        QCOMPARE(SingleInstance::keyForEnvironment(), QString("corvix-ann_lee-localhost_10.0"));
        qputenv("DISPLAY", ":1");
        const QString other = SingleInstance::keyForEnvironment();
        qputenv("DISPLAY", ":0");
        QVERIFY(SingleInstance::keyForEnvironment() != other);
    }

    void secondStartShowsTheFirst() {
        RunningInstance first("corvix-test-:0");
        QVERIFY(first.claimed());
        QSignalSpy shown(first.instance(), &SingleInstance::activationRequested);

        SingleInstance second("corvix-test-:0");
        QVERIFY(!second.claim());
        QTRY_COMPARE(shown.count(), 1);
        SingleInstance third("corvix-test-:0");
        QVERIFY(!third.claim());
        QTRY_COMPARE(shown.count(), 2);

        // Another display is another instance.
        SingleInstance elsewhere("corvix-test-:1");
        QVERIFY(elsewhere.claim());
    }

    void firstGoneSecondTakesOver() {
        { RunningInstance first("corvix-test-:2"); }
        SingleInstance next("corvix-test-:2");
        QVERIFY(next.claim());
    }

    // A crash leaves the socket file and nobody listening: the next start is the first.
    void staleSocketIgnored() {
        const QString path = m_runtime.path() + "/corvix-test-:3.socket";
        QFile stale(path);
        QVERIFY(stale.open(QIODevice::WriteOnly));
        stale.close();
        RunningInstance next("corvix-test-:3");
        QVERIFY(next.claimed());
        SingleInstance again("corvix-test-:3");
        QVERIFY(!again.claim());
    }
};

QTEST_GUILESS_MAIN(TestSingleInstance)
#include "tst_singleinstance.moc"
