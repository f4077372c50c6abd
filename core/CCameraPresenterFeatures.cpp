// Camera presenter: device information, camera features and image properties.
#include <QDebug>

#include "CCameraModel.h"
#include "CCameraPresenter.h"
#include "ICameraView.h"

namespace {

// What the camera says about an image property.
struct PuCtRange {
    bool supported = false;
    bool autoSupported = false;
    int min = 0;
    int max = 0;
    int step = 0;
    int def = 0;
};

PuCtRange readRange(CCameraModel* model, int id) {
    PuCtRange r;
    model->PuCtGetRange(id, r.supported, r.min, r.max, r.step, r.def, r.autoSupported);
    return r;
}

}  // namespace

// ---- Device information and features -----------------------------------------------------

void CCameraPresenter::ShowSdkVersion() {
    if (m_pMainView) {
        m_pMainView->ShowMessage(m_pModel->GetSdkVersion());
    }
}

void CCameraPresenter::ShowFwVersion() {
    if (m_pMainView) {
        m_pMainView->ShowMessage(m_pModel->GetFwVersion());
    }
}

bool CCameraPresenter::SetFlip(bool on) {
    return m_pModel->SetFlip(on);
}

bool CCameraPresenter::SetMirror(bool on) {
    return m_pModel->SetMirror(on);
}

void CCameraPresenter::SwitchOffOtherAiFeatures(AiFeature keep) {
    // Off whether or not the camera offers the feature.
    if (keep != AiFeature::FaceTracking) {
        m_pModel->SetFaceTracking(false);
    }
    if (keep != AiFeature::SoundTracking) {
        m_pModel->SetSoundTracking(false);
    }
    if (keep != AiFeature::HandGesture) {
        m_pModel->SetHandGesture(0);
    }
    if (keep != AiFeature::Canvas) {
        m_pModel->SetCanvas(0);
    }
    if (keep != AiFeature::Sub1Ai) {
        m_pModel->SetSub1Ai(0);
    }
    if (keep != AiFeature::Mosaic) {
        m_pModel->SetMosaic(0);
    }
}

bool CCameraPresenter::EnableFaceTracking(bool on) {
    SwitchOffOtherAiFeatures(AiFeature::FaceTracking);
    return m_pModel->SetFaceTracking(on);
}

bool CCameraPresenter::EnableSoundTracking(bool on) {
    SwitchOffOtherAiFeatures(AiFeature::SoundTracking);
    return m_pModel->SetSoundTracking(on);
}

bool CCameraPresenter::SetHandGesture(int value) {
    SwitchOffOtherAiFeatures(AiFeature::HandGesture);
    return m_pModel->SetHandGesture(value);
}

bool CCameraPresenter::SetCanvas(int value) {
    SwitchOffOtherAiFeatures(AiFeature::Canvas);
    return m_pModel->SetCanvas(value);
}

bool CCameraPresenter::SetSub1Ai(int value) {
    SwitchOffOtherAiFeatures(AiFeature::Sub1Ai);
    return m_pModel->SetSub1Ai(value);
}

bool CCameraPresenter::SetMosaic(int value) {
    SwitchOffOtherAiFeatures(AiFeature::Mosaic);
    return m_pModel->SetMosaic(value);
}

bool CCameraPresenter::ToggleSoundTracking() {
    return m_pModel->SetSoundTracking(!m_pModel->GetSoundTracking());
}

bool CCameraPresenter::SetAutoFocus(int on) {
    return m_pModel->SetAutoFocus(on);
}

bool CCameraPresenter::GetPip() {
    return m_pModel->GetPip();
}

bool CCameraPresenter::SetPip(bool on) {
    return m_pModel->SetPip(on);
}

bool CCameraPresenter::GetHideMode() {
    return m_pModel->GetHideMode();
}

bool CCameraPresenter::SetHideMode(bool on) {
    return m_pModel->SetHideMode(on);
}

bool CCameraPresenter::GetDoaTest() {
    return m_pModel->GetDoaTest();
}

bool CCameraPresenter::SetDoaTest(bool on) {
    return m_pModel->SetDoaTest(on);
}

int CCameraPresenter::GetSensor() {
    return m_pModel->GetSensor();
}

bool CCameraPresenter::SetSensor(int value) {
    return m_pModel->SetSensor(value);
}

bool CCameraPresenter::SetAudioMode(int on, int on1, int id) {
    return m_pModel->SetAudioMode(on, on1, id);
}

bool CCameraPresenter::SetFactoryTest(int value) {
    // A 256-byte block: the test number first, the rest zero.
    int block[kCameraOptionCapacity] = {};
    block[0] = value;
    return m_pModel->SetFactoryTest(block, 1);
}

// ---- Image properties --------------------------------------------------------------------

void CCameraPresenter::InitSlider(int id) {
    const PuCtRange r = readRange(m_pModel, id);
    qDebug(
        "************PuCt m_pModel->PuCtGetRange "
        "nTypeID:%d,is_support:%d,min:%d,max:%d,step:%d,defult:%d,is_support_auto:%d",
        id, r.supported, r.min, r.max, r.step, r.def, r.autoSupported);
    if (!r.supported) {
        return;
    }
    int value = 0;
    bool autoMode = false;
    m_pModel->PuCtGet(id, value, autoMode);
    qDebug() << "CameraController::CCameraPresenter InitSlider nTypeID:" << id << ",nMin:" << r.min
             << ",nMax:" << r.max << ",nStep:" << r.step << ",nValue：" << value << ",bAuto:" << autoMode;
    if (m_pMainView) {
        m_pMainView->InitSlider(r.supported, r.min, r.max, r.step, value, r.autoSupported, autoMode);
    }
}

void CCameraPresenter::ResetPuCt(int id) {
    const PuCtRange r = readRange(m_pModel, id);
    if (!r.supported) {
        return;
    }
    int value = 0;
    bool autoMode = false;
    m_pModel->PuCtGet(id, value, autoMode);
    m_pModel->PuCtSet(id, r.def, autoMode);
    if (m_pMainView) {
        m_pMainView->SetSliderPos(r.def);
    }
}

bool CCameraPresenter::SetPuCtAuto(int id, bool autoMode) {
    int value = 0;
    bool currentAuto = false;
    m_pModel->PuCtGet(id, value, currentAuto);
    return m_pModel->PuCtSet(id, value, autoMode);
}

bool CCameraPresenter::SetPuCtValue(int id, int value) {
    return m_pModel->PuCtSet(id, value, false);
}

bool CCameraPresenter::ShowDeviceSettingsPages() {
    return m_pModel->ShowDeviceSettingsPages();
}

bool CCameraPresenter::ShowImageSettingsPages() {
    return m_pModel->ShowImageSettingsPages();
}

bool CCameraPresenter::SetFrequency(int index) {
    return m_pModel->SetFrequency(index);
}
