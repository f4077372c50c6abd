// Camera presenter: what an opened camera offers, reported to the main view.
#include "CCameraModel.h"
#include "CCameraPresenter.h"
#include "CameraPropertyList.h"
#include "ICameraView.h"

namespace {
// Room the library may fill with option values.
constexpr int kOptionRoom = kCameraOptionCapacity;
}  // namespace

void CCameraPresenter::OpenCamera(int index) {
    if (Refused(m_pModel->Open(index), CameraRefusal::OpenFailed)) {
        return;
    }
    ICameraView* v = m_pMainView;
    if (!v) {
        return;
    }
    v->SetStreamCount(m_pModel->GetStreamCount());

    const bool deviceInfo = m_pModel->IsSupportDeviceInfo();
    if (deviceInfo) {
        v->SetDeviceFWVersion(m_pModel->GetFwVersion());
    }
    v->EnableDeviceInfo(deviceInfo);
    if (m_pModel->IsSupportSdkVersion()) {
        v->SetDeviceSDKVersion(m_pModel->GetSdkVersion());
    }
    if (m_pModel->IsSupportMid()) {
        v->SetDeviceMID(m_pModel->GetMid());
    }
    v->SetDeviceName(m_pModel->GetCameraName());
    v->SetDevicePIDVID(m_pModel->GetCameraVidPid());

    if (m_pModel->Supported(CameraFeature::Sensor)) {
        v->EnableSensor(true);
        v->SetSensorList(m_pModel->GetSensorList());
        v->SetCurrentSensor(FeatureValue(CameraFeature::Sensor));
    } else {
        v->EnableSensor(false);
    }

    v->EnableFlip(m_pModel->Supported(CameraFeature::Flip));
    v->SetFlip(FeatureValue(CameraFeature::Flip) != 0);
    v->EnableMirror(m_pModel->Supported(CameraFeature::Mirror));
    v->SetMirror(FeatureValue(CameraFeature::Mirror) != 0);

    v->EnableFaceTracking(m_pModel->Supported(CameraFeature::FaceTracking));
    v->CheckFaceTracking(FeatureValue(CameraFeature::FaceTracking) != 0);
    v->EnableSoundTracking(m_pModel->Supported(CameraFeature::SoundTracking));
    v->CheckSoundTracking(FeatureValue(CameraFeature::SoundTracking) != 0);

    ReportOptionFeatures();

    if (m_pModel->Supported(CameraFeature::Pip)) {
        v->EnablePip(true);
        v->CheckPip(GetPip());
    } else {
        v->EnablePip(false);
    }
    if (m_pModel->Supported(CameraFeature::HideMode)) {
        v->EnableHideMode(true);
        v->CheckHideMode(GetHideMode());
    } else {
        v->EnableHideMode(false);
    }
    if (m_pModel->Supported(CameraFeature::DoaTest)) {
        v->EnableDoaTest(true);
        v->CheckDoaTest(GetDoaTest());
    } else {
        v->EnableDoaTest(false);
    }

    ReportAudioAndFactoryTest();

    v->EnableFrequency(m_pModel->IsSupportFrequency());
    if (m_pModel->Supported(CameraFeature::AutoFocus)) {
        int mode = 0;
        m_pModel->GetAutoFocusMode(mode);
        v->SetAutoFocusMode(mode);
        if (mode == 4) {
            v->CheckAutoFocus(FeatureValue(CameraFeature::AutoFocus));
        }
    } else {
        v->SetAutoFocusMode(0);
    }

    v->PuCtPropertyList(cameraPropertyList());
    v->SetFrequency(m_pModel->GetFrequency());

    if (m_pModel->IsSupportStillCapture()) {
        v->EnableStillCapture(true);
        v->StillMediaTypeListReady(m_pModel->GetStillMediaTypeList(), 0);
    } else {
        v->EnableStillCapture(false);
    }
}

void CCameraPresenter::ReportOptionFeatures() {
    // The features with a set of options: what the camera offers, then the current one.
    struct OptionFeature {
        CameraFeature feature;
        void (ICameraView::*enable)(const int*, int);
        void (ICameraView::*check)(int);
    };
    static const OptionFeature kFeatures[] = {
        {CameraFeature::HandGesture, &ICameraView::EnableHandGesture, &ICameraView::CheckHandGesture},
        {CameraFeature::Canvas, &ICameraView::EnableCanvas, &ICameraView::CheckCanvas},
        {CameraFeature::Sub1Ai, &ICameraView::EnableSub1Ai, &ICameraView::CheckSub1Ai},
        {CameraFeature::Mosaic, &ICameraView::EnableMosaic, &ICameraView::CheckMosaic},
    };
    ICameraView* v = m_pMainView;
    for (const OptionFeature& f : kFeatures) {
        if (m_pModel->Supported(f.feature)) {
            int values[kOptionRoom] = {};
            int count = 0;
            m_pModel->Mask(f.feature, values, count);
            (v->*f.enable)(values, count);
            (v->*f.check)(FeatureValue(f.feature));
        } else {
            (v->*f.enable)(nullptr, 0);
            (v->*f.check)(0);
        }
    }
}

void CCameraPresenter::ReportAudioAndFactoryTest() {
    ICameraView* v = m_pMainView;
    int values[kOptionRoom] = {};
    int count = 0;

    if (m_pModel->IsSupportAudioMode()) {
        m_pModel->GetAudioModeMask(values, count);
        if (count >= 2) {
            v->EnableAudioMode(values[0] != 0, values[1] != 0);
        } else if (count == 1) {
            v->EnableAudioMode(values[0] != 0, false);
        } else {
            v->EnableAudioMode(false, false);
        }
        v->AcousticBaffle(m_pModel->GetAcousticBaffleList());
        int on = 0;
        int on1 = 0;
        int id = 0;
        m_pModel->GetAudioMode(on, on1, id);
        v->SetAudioMode(on, on1, id);
    } else {
        v->EnableAudioMode(false, false);
    }

    // The factory test is offered to the user as non-stitching mode.
    if (m_pModel->IsSupportFactoryTest()) {
        count = 0;
        m_pModel->GetFactoryTestMask(values, count);
        if (count > 0) {
            int current = 0;
            m_pModel->GetFactoryTest(current);
            if (values[0] == 1) {
                v->EnableNonStitching(true);
                v->CheckNonStitching(current != 0);
            }
        }
    } else {
        v->EnableNonStitching(false);
        v->CheckNonStitching(false);
    }
}
