// The main window's start-up choices from the command line, with two virtual cameras.
#include <QApplication>
#include <QDir>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include "CameraController.h"
#include "LastCamera.h"
#include "MainWindow.h"
#include "OverlayWidget.h"
#include "ToastLabel.h"
#include "VideoWidget.h"
#include "qelvirtual.h"

namespace {

QString visibleToast(OverlayWidget* overlay) {
    for (ToastLabel* toast : overlay->findChildren<ToastLabel*>()) {
        if (toast->isVisible()) {
            return toast->fullText();
        }
    }
    return QString();
}

}  // namespace

// Camera starts still on their way end before the window goes, as at a real exit.
void closeWindow(std::unique_ptr<MainWindow>& window) {
    VideoWidget::waitForStart();
    QCoreApplication::processEvents();
    window.reset();
}

class TestStartOptions : public QObject {
    Q_OBJECT

    QTemporaryDir m_home;

private slots:
    void namedCameraOpened() {
        MainWindowOptions options;
        options.cameraName = "right";  // the case of a typed name does not matter
        options.saveFolder = m_home.path() + "/chosen/photos";
        options.windowed = true;
        options.cameraOpened = &LastCamera::remember;
        // A folder remembered from an earlier run does not win over the one given for this run.
        const QString remembered = m_home.path() + "/remembered";
        QVERIFY(QDir().mkpath(remembered));
        QSettings("Corvix", "Corvix").setValue("output/folder", remembered);
        auto window = std::make_unique<MainWindow>(options);
        QSignalSpy names(window->videoWidget(0), &VideoWidget::sigDeviceName);
        window->show();
        QVERIFY(!window->isFullScreen());
        QCOMPARE(window->controller()->recordOutputDir(), options.saveFolder);
        QCoreApplication::processEvents();
        QCOMPARE(window->controller()->recordOutputDir(), options.saveFolder);
        QCOMPARE(QSettings("Corvix", "Corvix").value("output/folder").toString(), remembered);
        QVERIFY(QFileInfo(options.saveFolder).isDir());

        // Opened straight away (the start task may report before a spy could listen).
        QTRY_VERIFY_WITH_TIMEOUT(window->videoWidget(0)->isReady(), 15000);
        QCOMPARE(window->videoWidget(0)->currentCameraIndex(), 1);
        QTRY_COMPARE(LastCamera::rememberedName(), QString("Right"));

        // Both pulled out, then plugged back with the named one first: the window opens it.
        const int left = qelvirtual_handle_of(0);
        const int right = qelvirtual_handle_of(1);
        QVERIFY(left > 0 && right > 0);
        QVERIFY(qelvirtual_remove_camera(right));
        QVERIFY(qelvirtual_remove_camera(left));
        QTRY_VERIFY_WITH_TIMEOUT(window->noCamera(), 15000);
        names.clear();
        const int rightAgain = qelvirtual_add_camera(R"({"name": "Right"})");
        QVERIFY(rightAgain > 0);
        QVERIFY(qelvirtual_add_camera(R"({"name": "Left"})") > 0);
        QTRY_VERIFY_WITH_TIMEOUT(!names.isEmpty(), 15000);
        QCOMPARE(names.constLast().at(0).toString(), QString("Right"));
        QTRY_COMPARE(LastCamera::rememberedName(), QString("Right"));
        closeWindow(window);
        QVERIFY(!VideoWidget::presenter());
        // Back to Left, Right for the tests below.
        QVERIFY(qelvirtual_remove_camera(rightAgain));
        QVERIFY(qelvirtual_add_camera(R"({"name": "Right"})") > 0);
    }

    void problemsToldInTheWindow() {
        MainWindowOptions options;
        options.cameraName = "Nowhere";
        options.startError = "QEL_VIRTUAL_CAMERAS=-1: not a camera count (0 to 16)";
        auto window = std::make_unique<MainWindow>(options);
        window->show();
        // Both said, in whichever order the camera list and the first paint come.
        QStringList seen;
        const auto sawBoth = [&] {
            seen << visibleToast(window->overlay());
            return !seen.filter("QEL_VIRTUAL_CAMERAS=-1").isEmpty() && !seen.filter("Nowhere").isEmpty();
        };
        QTRY_VERIFY2_WITH_TIMEOUT(sawBoth(), qPrintable(seen.join(" | ")), 10000);
        // An absent camera leaves the first camera opened.
        QTRY_VERIFY_WITH_TIMEOUT(window->videoWidget(0)->isReady(), 10000);
        QCOMPARE(window->videoWidget(0)->currentCameraIndex(), 0);
        closeWindow(window);
    }

    // The camera of the last run opens again when present, without a word when it is not.
    void lastCameraRemembered() {
        QCOMPARE(LastCamera::rememberedName(), QString("Right"));  // from namedCameraOpened
        MainWindowOptions options;
        options.lastCamera = LastCamera::rememberedName();
        auto window = std::make_unique<MainWindow>(options);
        window->show();
        QTRY_VERIFY_WITH_TIMEOUT(window->videoWidget(0)->isReady(), 15000);
        QCOMPARE(window->videoWidget(0)->currentCameraIndex(), 1);  // Right
        closeWindow(window);

        LastCamera::remember("Gone");
        options.lastCamera = LastCamera::rememberedName();
        window = std::make_unique<MainWindow>(options);
        window->show();
        QTRY_VERIFY_WITH_TIMEOUT(window->videoWidget(0)->isReady(), 15000);
        QCOMPARE(window->videoWidget(0)->currentCameraIndex(), 0);  // Left, the first
        QVERIFY(!visibleToast(window->overlay()).contains("Gone"));
        closeWindow(window);
    }

    void damagedSettingsMeanDefaults() {
        QSettings settings("Corvix", "Corvix");
        const QString path = settings.fileName();
        QDir().mkpath(QFileInfo(path).path());
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("[camera\nname=\"unterminated\n\x01\x02garbage=");
        file.close();
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("cannot be read; starting with the defaults"));
        QCOMPARE(LastCamera::rememberedName(), QString());
        // Nor is the damaged file replaced by one holding a single key.
        LastCamera::remember("Left");
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray after = file.readAll();
        QVERIFY2(after.contains("garbage"), after.constData());
        QFile::remove(path);
    }

    // The value is read as a count, never as a file called "-1"; a bad profile says why.
    void virtualCameraValueChecked_data() {
        QTest::addColumn<QByteArray>("value");
        QTest::addColumn<bool>("usable");
        QTest::addColumn<QString>("expected");
        QTest::newRow("count") << QByteArray("2") << true << "";
        QTest::newRow("many") << QByteArray("40") << true << "";
        QTest::newRow("negative") << QByteArray("-1") << false << "count";
        QTest::newRow("word") << QByteArray("abc") << false << "abc";
        QTest::newRow("bad json") << QByteArray("@badjson") << false << "JSON";
        QTest::newRow("refused profile") << QByteArray("@refused") << false << "refused";
    }

    void virtualCameraValueChecked() {
        QFETCH(QByteArray, value);
        // A file named "-1" must not turn a bad count into a profile.
        QFile minusOne("-1");
        QVERIFY(minusOne.open(QIODevice::WriteOnly));
        minusOne.write(R"({"name": "From a file"})");
        minusOne.close();
        QTemporaryDir dir;
        if (value == "@badjson") {
            QFile f(dir.filePath("bad.json"));
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("{\"name\": ");
            value = f.fileName().toLocal8Bit();
        } else if (value == "@refused") {
            QFile f(dir.filePath("refused.json"));
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(R"([{"name": "Fine"}, {"streams": [{"formats": [{"type": 9, "sizes": [[64, 64]]}]}]}])");
            value = f.fileName().toLocal8Bit();
        }
        const QByteArray saved = qgetenv("QEL_VIRTUAL_CAMERAS");
        qputenv("QEL_VIRTUAL_CAMERAS", value);
        char reason[256];
        const int ok = qelvirtual_check_environment(reason, sizeof(reason));
        qputenv("QEL_VIRTUAL_CAMERAS", saved);
        QFile::remove("-1");
        QFETCH(bool, usable);
        QFETCH(QString, expected);
        QCOMPARE(ok == 1, usable);
        QVERIFY2(QString(reason).contains(expected), reason);
        // A short buffer gets a cut, terminated reason.
        char tiny[8];
        qputenv("QEL_VIRTUAL_CAMERAS", "-1");
        QCOMPARE(qelvirtual_check_environment(tiny, sizeof(tiny)), 0);
        qputenv("QEL_VIRTUAL_CAMERAS", saved);
        QCOMPARE(qstrlen(tiny), 7u);
    }
};

int main(int argc, char* argv[]) {
    QTemporaryDir home;
    qputenv("HOME", home.path().toUtf8());
    qputenv("XDG_DOCUMENTS_DIR", (home.path() + "/Documents").toUtf8());
    qputenv("XDG_CONFIG_HOME", (home.path() + "/.config").toUtf8());
    QFile profiles(home.path() + "/cameras.json");
    if (!profiles.open(QIODevice::WriteOnly)) {
        return 1;
    }
    profiles.write(R"([{"name": "Left"}, {"name": "Right"}])");
    profiles.close();
    qputenv("QEL_VIRTUAL_CAMERAS", profiles.fileName().toLocal8Bit());
    QApplication app(argc, argv);
    TestStartOptions test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_startoptions.moc"
