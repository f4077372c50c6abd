#include "DialogWiring.h"

#include "CameraController.h"
#include "VideoWidget.h"

void wireReports(VideoWidget* video, CameraController* c) {
    QObject::connect(video, &VideoWidget::sigEnableFrequency, c, &CameraController::EnableFrequency);
    QObject::connect(video, &VideoWidget::sigSetFrequency, c, &CameraController::SetFrequency);
    QObject::connect(video, &VideoWidget::sigPuCtPropertyList, c, &CameraController::PuCtPropertyList);
    QObject::connect(video, &VideoWidget::sigInitSlider, c, &CameraController::InitSlider);
    QObject::connect(video, &VideoWidget::sigSetSliderPos, c, &CameraController::SetSliderPos);
    QObject::connect(video, &VideoWidget::sigAudioList, c, &CameraController::SetAudioList);
    QObject::connect(video, &VideoWidget::sigEnableFlip, c, &CameraController::EnableFlip);
    QObject::connect(video, &VideoWidget::sigSetFlip, c, &CameraController::SetFlip);
    QObject::connect(video, &VideoWidget::sigEnableMirror, c, &CameraController::EnableMirror);
    QObject::connect(video, &VideoWidget::sigSetMirror, c, &CameraController::SetMirror);
}

void wireRequests(VideoWidget* video, CameraController* c) {
    QObject::connect(c, &CameraController::sigPuCtPropertyTypeChanged, video, &VideoWidget::initSlider);
    QObject::connect(c, &CameraController::sigUpdateVideoWidgetProperty, video, &VideoWidget::setPuCtValue);
    QObject::connect(c, &CameraController::sigUpdateVideoWidgetPropertyAuto, video,
                     &VideoWidget::setPuCtAuto);
    QObject::connect(c, &CameraController::sigUpdateFrequency, video, &VideoWidget::setFrequency);
    QObject::connect(c, &CameraController::sigChangeMirror, video, &VideoWidget::setMirror);
    QObject::connect(c, &CameraController::sigChangeFlip, video, &VideoWidget::setFlip);
}

void wireRecordPaths(VideoWidget* video, CameraController* c) {
    QObject::connect(c, &CameraController::sigResetVideoWidgetProperty, video, &VideoWidget::resetPuCt);
    QObject::connect(c, &CameraController::sigRecordKeepAudioChanged, video,
                     &VideoWidget::setRecordKeepAudio);
    QObject::connect(c, &CameraController::sigAudioInputChanged, video, &VideoWidget::setCurAudioInput);
    QObject::connect(c, &CameraController::sigStartAudioTest, video, &VideoWidget::startAudioTest);
    QObject::connect(c, &CameraController::sigStopAudioTest, video, &VideoWidget::stopAudioTest);
    QObject::connect(video, &VideoWidget::sigAudioTestStarted, c, &CameraController::AudioTestStarted);
    QObject::connect(video, &VideoWidget::sigSetProgressVolume, c, &CameraController::SetProgressVolume);
}
