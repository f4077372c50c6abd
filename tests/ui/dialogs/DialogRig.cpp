#include "DialogRig.h"

#include <QtTest>

#include "CameraController.h"
#include "VideoWidget.h"
#include "qelds.h"

DialogRig::DialogRig() {
    m_controller = new CameraController(&m_window);
    m_video = new VideoWidget(0, &m_window);
    VideoWidget* v = m_video;
    CameraController* c = m_controller;
    // Camera reports to the mediator.
    QObject::connect(v, &VideoWidget::sigEnableFrequency, c, &CameraController::EnableFrequency);
    QObject::connect(v, &VideoWidget::sigSetFrequency, c, &CameraController::SetFrequency);
    QObject::connect(v, &VideoWidget::sigPuCtPropertyList, c, &CameraController::PuCtPropertyList);
    QObject::connect(v, &VideoWidget::sigInitSlider, c, &CameraController::InitSlider);
    QObject::connect(v, &VideoWidget::sigSetSliderPos, c, &CameraController::SetSliderPos);
    QObject::connect(v, &VideoWidget::sigAudioList, c, &CameraController::SetAudioList);
    QObject::connect(v, &VideoWidget::sigEnableFlip, c, &CameraController::EnableFlip);
    QObject::connect(v, &VideoWidget::sigSetFlip, c, &CameraController::SetFlip);
    QObject::connect(v, &VideoWidget::sigEnableMirror, c, &CameraController::EnableMirror);
    QObject::connect(v, &VideoWidget::sigSetMirror, c, &CameraController::SetMirror);
    QObject::connect(v, &VideoWidget::sigAudioTestStarted, c, &CameraController::AudioTestStarted);
    QObject::connect(v, &VideoWidget::sigSetProgressVolume, c, &CameraController::SetProgressVolume);
    // The mediator's requests to the widget.
    QObject::connect(c, &CameraController::sigPuCtPropertyTypeChanged, v, &VideoWidget::initSlider);
    QObject::connect(c, &CameraController::sigUpdateVideoWidgetProperty, v, &VideoWidget::setPuCtValue);
    QObject::connect(c, &CameraController::sigUpdateVideoWidgetPropertyAuto, v, &VideoWidget::setPuCtAuto);
    QObject::connect(c, &CameraController::sigUpdateFrequency, v, &VideoWidget::setFrequency);
    QObject::connect(c, &CameraController::sigChangeMirror, v, &VideoWidget::setMirror);
    QObject::connect(c, &CameraController::sigChangeFlip, v, &VideoWidget::setFlip);
    QObject::connect(c, &CameraController::sigResetVideoWidgetProperty, v, &VideoWidget::resetPuCt);
    QObject::connect(c, &CameraController::sigRecordKeepAudioChanged, v, &VideoWidget::setRecordKeepAudio);
    QObject::connect(c, &CameraController::sigAudioInputChanged, v, &VideoWidget::setCurAudioInput);
    QObject::connect(c, &CameraController::sigStartAudioTest, v, &VideoWidget::startAudioTest);
    QObject::connect(c, &CameraController::sigStopAudioTest, v, &VideoWidget::stopAudioTest);
    m_window.resize(640, 360);
    m_window.show();
}

DialogRig::~DialogRig() {
    m_video->stopPreview();
}

bool DialogRig::start() {
    m_video->startPreviewAsync();
    return QTest::qWaitFor(
        [this] {
            return m_video->isReady() && m_controller->controlPropertyList().size() > 0 &&
                   !m_controller->audioList().isEmpty();
        },
        20000);
}

bool DialogRig::cameraProperty(int id, int* value, bool* autoMode) {
    int v = 0;
    int a = 0;
    if (qelcamera_pu_ct_get(0, id, &v, &a) == 0) {
        return false;
    }
    *value = v;
    *autoMode = a != 0;
    return true;
}
