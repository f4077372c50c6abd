// Camera presenter: device information, camera features and image properties.

#include "CCameraModel.h"
#include "CCameraPresenter.h"
#include "CoreLog.h"
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
    return m_pModel->Set(CameraFeature::Flip, on);
}

bool CCameraPresenter::SetMirror(bool on) {
    return m_pModel->Set(CameraFeature::Mirror, on);
}

void CCameraPresenter::SwitchOffOtherAiFeatures(CameraFeature keep) {
    // The AI features exclude each other: the others go off, whether or not the camera offers them.
    static const CameraFeature kAiFeatures[] = {CameraFeature::FaceTracking, CameraFeature::SoundTracking,
                                                CameraFeature::HandGesture,  CameraFeature::Canvas,
                                                CameraFeature::Sub1Ai,       CameraFeature::Mosaic};
    for (CameraFeature feature : kAiFeatures) {
        if (feature != keep) {
            m_pModel->Set(feature, 0);
        }
    }
}

bool CCameraPresenter::SetAiFeature(CameraFeature feature, int value) {
    SwitchOffOtherAiFeatures(feature);
    return m_pModel->Set(feature, value);
}

bool CCameraPresenter::EnableFaceTracking(bool on) {
    return SetAiFeature(CameraFeature::FaceTracking, on);
}

bool CCameraPresenter::EnableSoundTracking(bool on) {
    return SetAiFeature(CameraFeature::SoundTracking, on);
}

bool CCameraPresenter::SetHandGesture(int value) {
    return SetAiFeature(CameraFeature::HandGesture, value);
}

bool CCameraPresenter::SetCanvas(int value) {
    return SetAiFeature(CameraFeature::Canvas, value);
}

bool CCameraPresenter::SetSub1Ai(int value) {
    return SetAiFeature(CameraFeature::Sub1Ai, value);
}

bool CCameraPresenter::SetMosaic(int value) {
    return SetAiFeature(CameraFeature::Mosaic, value);
}

bool CCameraPresenter::ToggleSoundTracking() {
    int on = 0;
    m_pModel->Get(CameraFeature::SoundTracking, on);
    return m_pModel->Set(CameraFeature::SoundTracking, !on);
}

bool CCameraPresenter::SetAutoFocus(int on) {
    return m_pModel->Set(CameraFeature::AutoFocus, on);
}

bool CCameraPresenter::GetPip() {
    return FeatureValue(CameraFeature::Pip) != 0;
}

bool CCameraPresenter::SetPip(bool on) {
    return m_pModel->Set(CameraFeature::Pip, on);
}

bool CCameraPresenter::GetHideMode() {
    return FeatureValue(CameraFeature::HideMode) != 0;
}

bool CCameraPresenter::SetHideMode(bool on) {
    return m_pModel->Set(CameraFeature::HideMode, on);
}

bool CCameraPresenter::GetDoaTest() {
    return FeatureValue(CameraFeature::DoaTest) != 0;
}

bool CCameraPresenter::SetDoaTest(bool on) {
    return m_pModel->Set(CameraFeature::DoaTest, on);
}

int CCameraPresenter::GetSensor() {
    return FeatureValue(CameraFeature::Sensor);
}

bool CCameraPresenter::SetSensor(int value) {
    return m_pModel->Set(CameraFeature::Sensor, value);
}

int CCameraPresenter::FeatureValue(CameraFeature feature) {
    int value = 0;
    m_pModel->Get(feature, value);
    return value;
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
    if (!r.supported) {
        return;
    }
    int value = 0;
    bool autoMode = false;
    m_pModel->PuCtGet(id, value, autoMode);
    qCDebug(lcCamera) << "property" << id << "range" << r.min << r.max << r.step << "value" << value << "auto"
                      << autoMode;
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
