// The command line: each option as parsed, the errors that must stop a start (exit 2), and the
// installed program's answers on a terminal without a display (--version, --help, a typo, a
// failed start that leaves its last-run log).
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
        QTest::addColumn<bool>("windowed");
        QTest::addColumn<bool>("verbose");
        QTest::addColumn<QString>("camera");
        QTest::addColumn<QString>("virtualCameras");
        QTest::addColumn<QString>("saveFolder");
        QTest::newRow("none") << QStringList() << false << false << ""
                              << ""
                              << "";
        QTest::newRow("windowed verbose") << QStringList{"--windowed", "--verbose"} << true << true << ""
                                          << ""
                                          << "";
        QTest::newRow("camera with spaces")
            << QStringList{"--camera", "USB Cam 2"} << false << false << "USB Cam 2"
            << ""
            << "";
        QTest::newRow("camera =") << QStringList{"--camera=Left"} << false << false << "Left"
                                  << ""
                                  << "";
        QTest::newRow("bare virtual camera last") << QStringList{"--virtual-camera"} << false << false << ""
                                                  << "1"
                                                  << "";
        QTest::newRow("bare virtual camera then option")
            << QStringList{"--virtual-camera", "--windowed"} << true << false << ""
            << "1"
            << "";
        QTest::newRow("virtual count") << QStringList{"--virtual-camera", "3"} << false << false << ""
                                       << "3"
                                       << "";
        // "-1" is the (bad) value, left for the camera library to refuse in the window.
        QTest::newRow("virtual -1") << QStringList{"--virtual-camera", "-1"} << false << false << ""
                                    << "-1"
                                    << "";
        QTest::newRow("virtual profile")
            << QStringList{"--virtual-camera=/tmp/p.json"} << false << false << ""
            << "/tmp/p.json"
            << "";
        QTest::newRow("absolute folder")
            << QStringList{"--save-folder", "/srv/photos/"} << false << false << ""
            << ""
            << "/srv/photos";
        QTest::newRow("relative folder") << QStringList{"--save-folder", "shots"} << false << false << ""
                                         << "" << QDir::current().absoluteFilePath("shots");
        QTest::newRow("Qt's own options pass")
            << QStringList{"-platform", "offscreen", "-style", "Fusion", "-reverse"} << false << false << ""
            << ""
            << "";
    }

    void options() {
        QFETCH(QStringList, args);
        CommandLine line;
        QCOMPARE(line.parse(QStringList{"corvix"} + args), CommandLine::Run);
        QFETCH(bool, windowed);
        QFETCH(bool, verbose);
        QFETCH(QString, camera);
        QFETCH(QString, virtualCameras);
        QFETCH(QString, saveFolder);
        QCOMPARE(line.windowed(), windowed);
        QCOMPARE(line.verbose(), verbose);
        QCOMPARE(line.camera(), camera);
        QCOMPARE(line.virtualCameras(), virtualCameras);
        QCOMPARE(line.saveFolder(), saveFolder);
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
        for (const char* option :
             {"--windowed", "--camera", "--virtual-camera", "--save-folder", "--verbose"}) {
            QVERIFY2(line.output().contains(option), option);
        }
    }

    // The real program, without a display: it must answer before it needs one.
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
    }

    // A start that cannot reach its display leaves a last-run log that says why.
    void failedStartLeavesLog() {
        const QString program = QString::fromLocal8Bit(qgetenv("CORVIX_PROGRAM"));
        if (program.isEmpty()) {
            QSKIP("CORVIX_PROGRAM not set");
        }
        QTemporaryDir state;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_STATE_HOME", state.path());
        env.insert("QT_QPA_PLATFORM", "xcb");
        env.insert("DISPLAY", ":65500");
        env.insert("QEL_VIRTUAL_CAMERAS", "1");
        QProcess process;
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
