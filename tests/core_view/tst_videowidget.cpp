#include <QApplication>
#include <QSignalSpy>
#include <QtTest>

#include "CCameraPresenter.h"
#include "VideoWidget.h"
#include "qelvirtual.h"

// The video widget as the presenter's view, with the built-in virtual camera.
class TestVideoWidget : public QObject {
    Q_OBJECT

private slots:
    void sensorNames() {
        QCOMPARE(VideoWidget::sensorDisplayName("Ultra-Wide Angle"), QString("超广角"));
        QCOMPARE(VideoWidget::sensorDisplayName("wide angle lens"), QString("广角镜头"));
        QCOMPARE(VideoWidget::sensorDisplayName("Standard View"), QString("标准镜头"));
        QCOMPARE(VideoWidget::sensorDisplayName("Distant View"), QString("远景镜头"));
        QCOMPARE(VideoWidget::sensorDisplayName("Left View"), QString("左摄"));
        QCOMPARE(VideoWidget::sensorDisplayName("RIGHT VIEW"), QString("右摄"));
        QCOMPARE(VideoWidget::sensorDisplayName("Fisheye"), QString("Fisheye"));
    }

    void previewObjectOnlyForOwnStream() {
        QWidget window;
        VideoWidget video(0, &window);
        VideoWidget sub(1, &window);
        window.show();
        video.resize(1280, 720);
        quintptr handle = 123;
        int w = 5, h = 5;
        video.GetPreviewObject(1, handle, w, h);
        QCOMPARE(handle, quintptr(0));
        QCOMPARE(w, 0);
        QCOMPARE(h, 0);
        video.GetPreviewObject(0, handle, w, h);
        QCOMPARE(handle, quintptr(video.winId()));
        // Physical pixels: this test runs at a scale factor of 1.5.
        QCOMPARE(video.devicePixelRatioF(), 1.5);
        QCOMPARE(w, 1920);
        QCOMPARE(h, 1080);
        sub.GetPreviewObject(1, handle, w, h);
        QCOMPARE(handle, quintptr(sub.winId()));
        QVERIFY(handle != quintptr(video.winId()));
    }

    void reportsBecomeSignals() {
        QWidget window;
        VideoWidget video(0, &window);
        QSignalSpy state(&video, &VideoWidget::sigCameraState);
        QSignalSpy list(&video, &VideoWidget::sigCameraListReady);
        // No camera: only the (queued) no-camera state.
        QVERIFY(!video.SetCameraList({}));
        QCOMPARE(state.count(), 0);
        QTRY_COMPARE(state.count(), 1);
        QCOMPARE(state.first().at(0).toInt(), 0);
        QCOMPARE(list.count(), 0);

        QSignalSpy gesture(&video, &VideoWidget::sigEnableHandGesture);
        const int values[] = {1, 0, 1};
        video.EnableHandGesture(values, 3);
        video.EnableHandGesture(values, 0);
        QCOMPARE(gesture.at(0).at(0).value<QVector<long>>(), QVector<long>({1, 0, 1}));
        QVERIFY(gesture.at(1).at(0).value<QVector<long>>().isEmpty());

        QSignalSpy sensors(&video, &VideoWidget::getSensorList);
        video.SetSensorList({"Ultra-Wide Angle", "Wide Angle", "Other"});
        QCOMPARE(sensors.first().at(0).toStringList(), QStringList({"超广角", "广角镜头", "Other"}));

        QSignalSpy message(&video, &VideoWidget::sigShowMessage);
        video.ShowMessage("打开设备失败");
        QCOMPARE(message.first().at(0).toString(), QString("打开设备失败"));
    }

    void hotPlugRestartFlag() {
        QWidget window;
        VideoWidget video(0, &window);
        QSignalSpy update(&video, &VideoWidget::sigUpdateCameraList);
        // Nothing found yet: any change restarts so that a new camera appears.
        video.UpdateCameraList({"A"}, false);
        QCOMPARE(update.last().at(1).toBool(), true);
        QVERIFY(!video.isStarted());
        QVERIFY(video.isRestartPending());
        video.SetCameraList({"A", "B"});
        video.UpdateCameraList({"A", "B", "C"}, false);
        QCOMPARE(update.last().at(1).toBool(), false);
        video.UpdateCameraList({"B"}, true);
        QCOMPARE(update.last().at(1).toBool(), true);
        QCOMPARE(update.last().at(0).toStringList(), QStringList({"B"}));
    }

    void destroyedWhileStarting() {
        // The camera core is only torn down once the start task has finished with it.
        for (int round = 0; round < 3; ++round) {
            auto* window = new QWidget;
            auto* video = new VideoWidget(0, window);
            new VideoWidget(1, window);
            window->show();
            video->startPreviewAsync();
            QTest::qWait(round * 50);
            delete window;
            QVERIFY(!VideoWidget::presenter());
        }
    }

    void startsTheVirtualCamera() {
        QWidget window;
        window.resize(640, 360);
        auto* video = new VideoWidget(0, &window);
        video->resize(640, 360);
        window.show();
        QVERIFY(VideoWidget::presenter());
        QSignalSpy state(video, &VideoWidget::sigCameraState);
        QSignalSpy list(video, &VideoWidget::sigCameraListReady);
        QSignalSpy media(video, &VideoWidget::sigMediaTypeListReady);
        QSignalSpy ready(video, &VideoWidget::sigVideoReady);
        QSignalSpy info(video, &VideoWidget::sigVideoInfo);
        QSignalSpy properties(video, &VideoWidget::sigPuCtPropertyList);
        video->startPreviewAsync();
        QVERIFY(ready.wait(10000));
        QVERIFY(video->isStarted());
        QCOMPARE(state.count(), 1);
        QCOMPARE(state.first().at(0).toInt(), 2);
        QCOMPARE(list.count(), 1);
        QCOMPARE(list.first().at(0).toStringList().size(), 1);
        QVERIFY(media.count() >= 1);
        QCOMPARE(properties.last().at(0).toStringList().size(), 17);
        // Frames flow: the per-frame information arrives for stream 0.
        QTRY_VERIFY_WITH_TIMEOUT(info.count() > 3, 10000);
        QCOMPARE(info.last().at(0).toInt(), 0);
        QCOMPARE(info.last().at(1).toString().split('.').size(), 7);

        // The camera is pulled out: the widget asks for a restart.
        QSignalSpy update(video, &VideoWidget::sigUpdateCameraList);
        QVERIFY(qelvirtual_remove_camera(qelvirtual_handle_of(0)) == 1);
        QTRY_VERIFY_WITH_TIMEOUT(update.count() >= 1, 5000);
        QCOMPARE(update.last().at(1).toBool(), true);
        QVERIFY(update.last().at(0).toStringList().isEmpty());
        video->stopPreview();
        state.clear();
        ready.clear();
        video->startPreviewAsync();
        QVERIFY(ready.wait(10000));
        QTRY_COMPARE(state.count(), 1);
        QCOMPARE(state.first().at(0).toInt(), 0);

        // Destroying the first widget ends the camera core.
        delete video;
        QVERIFY(!VideoWidget::presenter());
    }
};

int main(int argc, char* argv[]) {
    // A 150 % screen, and the built-in virtual camera.
    qputenv("QT_SCALE_FACTOR", "1.5");
    qputenv("QEL_VIRTUAL_CAMERAS", "1");
    QApplication app(argc, argv);
    TestVideoWidget test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_videowidget.moc"
