// The run log: quiet by default, diagnostics behind --verbose, a bounded last-run file.
#include <QDir>
#include <QLoggingCategory>
#include <QTemporaryDir>
#include <QtTest>

#include "RunLog.h"

Q_LOGGING_CATEGORY(lcProbe, "corvix.probe", QtWarningMsg)

class TestRunLog : public QObject {
    Q_OBJECT

    QTemporaryDir m_state;

    QByteArray logText() const {
        QFile file(m_state.path() + "/corvix/last-run.log");
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    void writeEarlierRun() {
        QDir().mkpath(m_state.path() + "/corvix");
        QFile earlier(m_state.path() + "/corvix/last-run.log");
        QVERIFY(earlier.open(QIODevice::WriteOnly));
        earlier.write("the running instance's lines\n");
    }

private slots:
    void initTestCase() {
        qunsetenv("QT_LOGGING_RULES");
        qputenv("XDG_STATE_HOME", m_state.path().toLocal8Bit());
        QCOMPARE(RunLog::stateFolder(), m_state.path() + "/corvix");
        writeEarlierRun();
        RunLog::install(false, {"corvix", "--windowed"}, 8192);
        qWarning() << "held until the run is known to be the one that runs";
        // Until then the earlier run's log stays as it was (it may be a running instance's).
        QVERIFY(RunLog::filePath().isEmpty());
        QCOMPARE(logText(), QByteArray("the running instance's lines\n"));
        RunLog::start();
        QCOMPARE(RunLog::filePath(), m_state.path() + "/corvix/last-run.log");
        QVERIFY(logText().contains("held until the run"));
        QVERIFY(!logText().contains("running instance's"));
    }

    void quietByDefault() {
        QVERIFY(!QLoggingCategory::defaultCategory()->isDebugEnabled());
        QVERIFY(!lcProbe().isDebugEnabled());
        QVERIFY(QLoggingCategory::defaultCategory()->isWarningEnabled());
        qDebug() << "a diagnostic line nobody asked for";
        qWarning() << "a warning worth keeping";
        const QByteArray text = logText();
        QVERIFY(text.contains("--windowed"));  // the start line names the command line
        QVERIFY(text.contains("warning default: a warning worth keeping"));
        QVERIFY(!text.contains("nobody asked for"));
    }

    void boundedSize() {
        const QByteArray filler(200, 'x');
        for (int i = 0; i < 500; ++i) {
            qWarning("line %d %s", i, filler.constData());
        }
        qWarning("the very last line");
        const QFileInfo current(m_state.path() + "/corvix/last-run.log");
        const QFileInfo previous(m_state.path() + "/corvix/last-run.log.1");
        QVERIFY(previous.exists());
        QVERIFY2(current.size() + previous.size() <= 8192, qPrintable(QString::number(current.size())));
        QVERIFY(logText().contains("the very last line"));
    }

    // Last: the rules change for the rest of the process.
    void verboseShowsDiagnostics() {
        RunLog::install(true, {"corvix", "--verbose"}, 8192);
        RunLog::start();
        QVERIFY(lcProbe().isDebugEnabled());
        qCDebug(lcProbe) << "probe diagnostic";
        QVERIFY(logText().contains("debug corvix.probe: probe diagnostic"));
        // A new run starts a new log.
        QVERIFY(!logText().contains("the very last line"));
        RunLog::finish(3);
        QVERIFY(logText().contains("exit code 3"));
        QVERIFY(RunLog::filePath().isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestRunLog)
#include "tst_runlog.moc"
