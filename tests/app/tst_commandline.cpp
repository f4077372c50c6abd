// The command line as parsed, the errors that stop a start, and the program's answers without a display.
#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include "CommandLine.h"

class TestCommandLine : public QObject {
    Q_OBJECT

private slots:
    void options_data() {
        QTest::addColumn<QStringList>("args");
        // windowed, verbose, camera, virtual cameras, save folder
        QTest::addColumn<QStringList>("expected");
        const auto row = [](const char* name, const QStringList& args, const QStringList& expected) {
            QTest::newRow(name) << args << expected;
        };
        row("none", {}, {"0", "0", "", "", ""});
        row("windowed verbose", {"--windowed", "--verbose"}, {"1", "1", "", "", ""});
        row("camera with spaces", {"--camera", "USB Cam 2"}, {"0", "0", "USB Cam 2", "", ""});
        row("camera =", {"--camera=Left"}, {"0", "0", "Left", "", ""});
        row("bare virtual camera last", {"--virtual-camera"}, {"0", "0", "", "1", ""});
        row("bare virtual camera then option", {"--virtual-camera", "--windowed"}, {"1", "0", "", "1", ""});
        row("virtual count", {"--virtual-camera", "3"}, {"0", "0", "", "3", ""});
        // "-1" is the (bad) value, left for the camera library to refuse in the window.
        row("virtual -1", {"--virtual-camera", "-1"}, {"0", "0", "", "-1", ""});
        row("virtual profile", {"--virtual-camera=/tmp/p.json"}, {"0", "0", "", "/tmp/p.json", ""});
        row("absolute folder", {"--save-folder", "/srv/photos/"}, {"0", "0", "", "", "/srv/photos"});
        row("relative folder", {"--save-folder", "shots"},
            {"0", "0", "", "", QDir::current().absoluteFilePath("shots")});
        row("Qt's own options pass", {"-platform", "offscreen", "-style", "Fusion", "-reverse"},
            {"0", "0", "", "", ""});
    }

    void options() {
        QFETCH(QStringList, args);
        QFETCH(QStringList, expected);
        CommandLine line;
        QCOMPARE(line.parse(QStringList{"corvix"} + args), CommandLine::Run);
        const QStringList parsed = {QString::number(line.windowed()), QString::number(line.verbose()),
                                    line.camera(), line.virtualCameras(), line.saveFolder()};
        QCOMPARE(parsed, expected);
    }

    void refused_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("mentions");
        QTest::newRow("unknown long") << QStringList{"--fullscreen"} << "fullscreen";
        QTest::newRow("unknown short") << QStringList{"-x"} << "x";
        QTest::newRow("typo among good ones") << QStringList{"--windowed", "--camra", "A"} << "camra";
        QTest::newRow("camera without name") << QStringList{"--camera"} << "camera";
        QTest::newRow("empty camera") << QStringList{"--camera="} << "camera";
        QTest::newRow("empty folder") << QStringList{"--save-folder", ""} << "save-folder";
        QTest::newRow("stray argument") << QStringList{"photo.jpg"} << "photo.jpg";
    }

    void refused() {
        QFETCH(QStringList, args);
        CommandLine line;
        QCOMPARE(line.parse(QStringList{"corvix"} + args), CommandLine::ErrorExit);
        QFETCH(QString, mentions);
        QVERIFY2(line.error().contains(mentions), qPrintable(line.error()));
    }

    void helpAndVersion() {
        CommandLine line;
        QCOMPARE(line.parse({"corvix", "--version"}), CommandLine::PrintExit);
        QCOMPARE(line.output(), QString("Corvix 1.0.1(20260320)\n"));
        QCOMPARE(line.parse({"corvix", "-h"}), CommandLine::PrintExit);
        QVERIFY(line.output().contains("--save-folder"));
    }

    // The real program, without a display: it answers before it needs one, and a start that
    // cannot reach its display leaves a last-run log that says why.
    void programAnswers() {
        const QString program = QString::fromLocal8Bit(qgetenv("CORVIX_PROGRAM"));
        if (program.isEmpty()) {
            QSKIP("CORVIX_PROGRAM not set");
        }
        QProcess process;
        process.start(program, {"--version"});
        QVERIFY(process.waitForFinished(10000));
        QCOMPARE(process.exitCode(), 0);
        QCOMPARE(process.readAllStandardOutput(), QByteArray("Corvix 1.0.1(20260320)\n"));

        process.start(program, {"--windowed", "--no-such-option"});
        QVERIFY(process.waitForFinished(10000));
        QCOMPARE(process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(process.exitCode(), 2);
        QVERIFY(process.readAllStandardError().contains("no-such-option"));

        QTemporaryDir state;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_STATE_HOME", state.path());
        env.insert("QT_QPA_PLATFORM", "xcb");
        env.insert("DISPLAY", ":65500");
        env.insert("QEL_VIRTUAL_CAMERAS", "1");
        process.setProcessEnvironment(env);
        process.start(program, QStringList());
        QVERIFY(process.waitForFinished(20000));
        QVERIFY(process.exitStatus() == QProcess::CrashExit || process.exitCode() != 0);
        QFile log(state.path() + "/corvix/last-run.log");
        QVERIFY(log.open(QIODevice::ReadOnly));
        const QByteArray text = log.readAll();
        QVERIFY2(text.contains("Corvix 1.0.1(20260320) started"), text.constData());
        QVERIFY2(text.contains("fatal") && text.contains("xcb"), text.constData());
    }
};

QTEST_GUILESS_MAIN(TestCommandLine)
#include "tst_commandline.moc"
