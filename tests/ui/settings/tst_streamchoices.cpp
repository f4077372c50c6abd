#include <QApplication>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

#include "CameraSettingsPanel.h"
#include "MainWindow.h"
#include "OverlayWidget.h"
#include "SidePopupSelector.h"
#include "StreamChoiceRestorer.h"
#include "StreamChoiceStore.h"
#include "StreamSettingsGroup.h"
#include "SubVideoHintOverlay.h"
#include "UiScale.h"
#include "VideoInfoTable.h"
#include "VideoWidget.h"
#include "qelvirtual.h"

namespace {
// Camera starts still on their way end before the window goes, as at a real exit.
void closeWindow(std::unique_ptr<MainWindow>& window) {
    VideoWidget::waitForStart();
    QCoreApplication::processEvents();
    window.reset();
}

std::unique_ptr<MainWindow> openWindow(const QString& camera = QString()) {
    MainWindowOptions options;
    options.cameraName = camera;
    options.windowed = true;
    auto window = std::make_unique<MainWindow>(options);
    window->setApplyPause(50);
    return window;
}

// The figures a stream really runs with: format and size.
QString runsWith(MainWindow* window, int stream = 0) {
    VideoInfoTable* table = window->overlay()->infoPanel();
    return table->cellText(stream, 1) + ' ' + table->cellText(stream, 2);
}

// Picks a format and then, once the camera has listed that format's sizes, a size, as a user does.
bool pick(MainWindow* window, int stream, const QString& media, const QString& size) {
    StreamSettingsGroup* g = window->settingsPanel()->streamGroup(stream);
    const int m = StreamChoiceRestorer::findEntry(g->mediaSelector(), media);
    if (m < 0) {
        return false;
    }
    g->mediaSelector()->setCurrentIndex(m);
    if (!QTest::qWaitFor(
            [g, size] { return StreamChoiceRestorer::findEntry(g->resolutionSelector(), size) >= 0; },
            10000)) {
        return false;
    }
    g->resolutionSelector()->setCurrentIndex(StreamChoiceRestorer::findEntry(g->resolutionSelector(), size));
    return true;
}

// Unlocks the multi-stream mode as the access code does, and waits until the camera's formats
// of stream 3 are on the panel (connected after the panel, so it has them when this runs).
bool unlockStreams(MainWindow* window) {
    bool listed = false;
    QObject context;
    QObject::connect(window->videoWidget(0), &VideoWidget::sigMediaTypeListReady, &context,
                     [&listed](int stream) { listed = listed || stream == 2; });
    emit window->overlay()->setSupportStream(true);
    return QTest::qWaitFor([&listed] { return listed; }, 10000);
}

// Running with figures, its lists on the panel and no apply under way.
bool settled(MainWindow* window) {
    return QTest::qWaitFor(
        [window] {
            return window->videoWidget(0)->isReady() && window->hintOverlay(0)->isHidden() &&
                   !window->settingsPanel()->isLoading() && !window->settingsPanel()->isRestoring() &&
                   !window->isApplyPending() && !window->settingsPanel()->isApplying() &&
                   window->overlay()->infoPanel()->cellText(0, 1).length() > 1;  // not "-"
        },
        20000);
}
}  // namespace

// Stream choices remembered per camera and restored when it is opened again, with two virtual
// cameras, "Left" (opened by default) and "Right".
class TestStreamChoices : public QObject {
    Q_OBJECT

private slots:
    void init() { QSettings("Corvix", "Corvix").remove("streams"); }

    // An applied choice comes back on the next window with the same camera, through an apply
    // (the panel shows it too); the other camera keeps its own defaults.
    void appliedChoiceRestoredForThatCameraOnly() {
        auto window = openWindow();
        QVERIFY(settled(window.get()));
        // The camera list reaches the panel however fast the camera starts.
        QCOMPARE(window->settingsPanel()->deviceSelector()->count(), 2);
        const QString defaults = runsWith(window.get());
        QVERIFY(pick(window.get(), 0, "YUY2", "1280x720"));
        QTest::mouseClick(window->settingsPanel()->applyButton(), Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(runsWith(window.get()), QString("YUY2 1280x720"), 15000);
        closeWindow(window);

        window = openWindow();
        QTRY_COMPARE_WITH_TIMEOUT(runsWith(window.get()), QString("YUY2 1280x720"), 20000);
        QVERIFY(settled(window.get()));
        StreamSettingsGroup* g = window->settingsPanel()->streamGroup(0);
        QCOMPARE(g->mediaSelector()->currentText(), QString("YUY2"));
        QCOMPARE(g->resolutionSelector()->currentText().remove(' '), QString("1280x720"));
        closeWindow(window);

        window = openWindow("Right");
        QVERIFY(settled(window.get()));
        QCOMPARE(window->videoWidget(0)->currentCameraIndex(), 1);
        QCOMPARE(runsWith(window.get()), defaults);
        QVERIFY(StreamChoiceStore::load("Right").isEmpty());
        closeWindow(window);
    }

    // The camera chosen on the panel is the one opened, with its own remembered choice.
    void cameraChosenOnThePanelIsOpened() {
        auto window = openWindow("Right");
        QVERIFY(settled(window.get()));
        QVERIFY(pick(window.get(), 0, "YUY2", "640x360"));
        QTest::mouseClick(window->settingsPanel()->applyButton(), Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(runsWith(window.get()), QString("YUY2 640x360"), 15000);

        QSignalSpy opened(window->videoWidget(0), &VideoWidget::sigDeviceName);
        SidePopupSelector* devices = window->settingsPanel()->deviceSelector();
        QCOMPARE(devices->count(), 2);
        devices->setCurrentIndex(0);  // "Left", as the user picks it
        QTRY_VERIFY_WITH_TIMEOUT(!opened.isEmpty() && opened.last().at(0).toString().contains("Left"), 15000);
        QCOMPARE(window->videoWidget(0)->currentCameraIndex(), 0);
        // "Left" has no remembered choice: it runs with its own defaults.
        QTRY_VERIFY_WITH_TIMEOUT(runsWith(window.get()) != QString("YUY2 640x360"), 15000);
        QVERIFY(settled(window.get()));

        // And back: "Right" comes with its remembered choice.
        devices->setCurrentIndex(1);
        QTRY_COMPARE_WITH_TIMEOUT(runsWith(window.get()), QString("YUY2 640x360"), 20000);
        closeWindow(window);
    }

    // Streams 2 and 3 of the multi-stream mode: their applied choices come back when the mode is
    // switched on in a later window, and when the camera is opened again while the mode is on.
    void multiStreamChoicesRestored() {
        auto window = openWindow();
        QVERIFY(settled(window.get()));
        QVERIFY(unlockStreams(window.get()));
        CameraSettingsPanel* panel = window->settingsPanel();
        QVERIFY(pick(window.get(), 1, "YUY2", "640x360"));
        QVERIFY(pick(window.get(), 2, "MJPG", "1280x720"));
        QTest::mouseClick(panel->applyButton(), Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(runsWith(window.get(), 1), QString("YUY2 640x360"), 15000);
        QTRY_COMPARE_WITH_TIMEOUT(runsWith(window.get(), 2), QString("MJPG 1280x720"), 15000);
        QVERIFY(settled(window.get()));
        closeWindow(window);

        // A later run: single-stream until the mode is unlocked, then both come back.
        window = openWindow();
        QVERIFY(settled(window.get()));
        panel = window->settingsPanel();
        QCOMPARE(panel->deviceSelector()->count(), 2);
        QVERIFY(unlockStreams(window.get()));
        QTRY_COMPARE_WITH_TIMEOUT(runsWith(window.get(), 1), QString("YUY2 640x360"), 20000);
        QTRY_COMPARE_WITH_TIMEOUT(runsWith(window.get(), 2), QString("MJPG 1280x720"), 20000);
        QVERIFY(settled(window.get()));
        QCOMPARE(panel->streamGroup(1)->mediaSelector()->currentText(), QString("YUY2"));
        QCOMPARE(panel->streamGroup(1)->resolutionSelector()->currentText().remove(' '), QString("640x360"));
        QCOMPARE(panel->streamGroup(2)->resolutionSelector()->currentText().remove(' '), QString("1280x720"));
        QVERIFY(window->videoWidget(1)->isVisible());
        QVERIFY(window->videoWidget(2)->isVisible());

        // The camera pulled out and plugged in again with the mode on: it opens with one stream
        // and gets its three back. The other camera goes first, so that nothing else opens.
        QVERIFY(qelvirtual_remove_camera(qelvirtual_handle_of(1)) == 1);
        QVERIFY(qelvirtual_remove_camera(qelvirtual_handle_of(0)) == 1);
        QTRY_VERIFY_WITH_TIMEOUT(window->noCamera(), 10000);
        QCOMPARE(runsWith(window.get(), 1), QString("- -"));
        QSignalSpy opened(window->videoWidget(0), &VideoWidget::sigDeviceName);
        QVERIFY(qelvirtual_add_camera(R"({"name": "Left"})") > 0);
        QTRY_VERIFY_WITH_TIMEOUT(!opened.isEmpty(), 10000);
        QCOMPARE(opened.last().at(0).toString(), QString("Left"));
        QTRY_COMPARE_WITH_TIMEOUT(runsWith(window.get(), 1), QString("YUY2 640x360"), 20000);
        QTRY_COMPARE_WITH_TIMEOUT(runsWith(window.get(), 2), QString("MJPG 1280x720"), 20000);
        QVERIFY(settled(window.get()));
        // The other camera back, after the first as at the start, for the cases that follow.
        QVERIFY(qelvirtual_add_camera(R"({"name": "Right"})") > 0);
        QTRY_COMPARE_WITH_TIMEOUT(window->videoWidget(0)->knownCameras().size(), 2, 10000);
        QVERIFY(settled(window.get()));
        closeWindow(window);
    }

    // A remembered choice the camera does not offer is never sent: an unoffered size falls back
    // to the format's default size, an unoffered format leaves the stream at its defaults.
    void unofferedChoicesFallBack() {
        StreamChoiceStore::save("Left", 0, StreamChoice{"YUY2", "7680 x 4320", "30", 0, 0});
        StreamChoiceStore::save("Left", 1, StreamChoice{"Y411", "640 x 360", "15", 0, 0});
        StreamChoiceStore::save("Left", 2, StreamChoice{"YUY2", "7680 x 4320", "30", 0, 0});
        auto window = openWindow();
        QTRY_COMPARE_WITH_TIMEOUT(runsWith(window.get()), QString("YUY2 1920x1080"), 20000);
        QVERIFY(settled(window.get()));
        QTest::ignoreMessage(QtWarningMsg,
                             QRegularExpression("stream 2: remembered format Y411 not offered"));
        QTest::ignoreMessage(QtWarningMsg,
                             QRegularExpression("stream 3: remembered size 7680 x 4320 not offered"));
        QVERIFY(unlockStreams(window.get()));
        QTRY_COMPARE_WITH_TIMEOUT(runsWith(window.get(), 2), QString("YUY2 1920x1080"), 20000);
        QVERIFY(settled(window.get()));
        QTRY_COMPARE_WITH_TIMEOUT(window->overlay()->infoPanel()->cellText(1, 1), QString("H264"), 10000);
        QCOMPARE(window->settingsPanel()->streamGroup(1)->mediaSelector()->currentText(), QString("H264"));
        closeWindow(window);

        StreamChoiceStore::save("Left", 0, StreamChoice{"Y411", "7680 x 4320", "30", 0, 0});
        window = openWindow();
        QVERIFY(settled(window.get()));
        QVERIFY(window->settingsPanel()->streamGroup(0)->mediaSelector()->currentText() != "Y411");
        closeWindow(window);
    }

    // A damaged store: the camera's defaults, and an apply does not overwrite the file.
    void damagedStoreMeansDefaults() {
        const QString path = QSettings("Corvix", "Corvix").fileName();
        QDir().mkpath(QFileInfo(path).path());
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("[camera\nname=\"unterminated\n\x01\x02garbage=");
        file.close();
        auto window = openWindow();
        QVERIFY(settled(window.get()));
        QVERIFY(runsWith(window.get()) != "YUY2 1280x720");
        window->settingsPanel()->applyButton()->click();
        QVERIFY(window->isApplyPending());
        QVERIFY(settled(window.get()));
        closeWindow(window);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QVERIFY(file.readAll().contains("garbage"));
        file.close();
        QFile::remove(path);
    }

    // Camera names are kept apart whatever they contain; a damaged number reads as unknown.
    void storeKeepsCamerasApart() {
        StreamChoiceStore::save("A/B", 0, StreamChoice{"MJPG", "1920 x 1080", "30", 2000, 30});
        StreamChoiceStore::save("A", 1, StreamChoice{"H264", "640 x 360", "15", 500, 60});
        QCOMPARE(StreamChoiceStore::load("A/B").keys(), QList<int>{0});
        QCOMPARE(StreamChoiceStore::load("A/B").value(0),
                 (StreamChoice{"MJPG", "1920 x 1080", "30", 2000, 30}));
        QCOMPARE(StreamChoiceStore::load("A").keys(), QList<int>{1});
        QSettings("Corvix", "Corvix").setValue(StreamChoiceStore::cameraGroup("A") + "/1/bitrate", "lots");
        QCOMPARE(StreamChoiceStore::load("A").value(1).bitrate, 0);
        QCOMPARE(StreamChoiceStore::load("A").value(1).gop, 60);
    }
};

int main(int argc, char* argv[]) {
    QTemporaryDir home;
    qputenv("HOME", home.path().toUtf8());
    qputenv("XDG_CONFIG_HOME", (home.path() + "/.config").toUtf8());
    QFile profiles(home.path() + "/cameras.json");
    if (!profiles.open(QIODevice::WriteOnly)) {
        return 1;
    }
    profiles.write(R"([{"name": "Left"}, {"name": "Right"}])");
    profiles.close();
    qputenv("QEL_VIRTUAL_CAMERAS", profiles.fileName().toLocal8Bit());
    QApplication app(argc, argv);
    overrideUiScale(1.0);
    TestStreamChoices test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_streamchoices.moc"
