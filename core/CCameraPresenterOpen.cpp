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
    if (Refused(m_pModel->Open(index), QStringLiteral("打开设备失败"))) {
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

    if (m_pModel->IsSupportSensor()) {
        v->EnableSensor(true);
        v->SetSensorList(m_pModel->GetSensorList());
        v->SetCurrentSensor(m_pModel->GetSensor());
    } else {
        v->EnableSensor(false);
    }

    v->EnableFlip(m_pModel->IsSupportFlip());
    v->SetFlip(m_pModel->GetFlip());
    v->EnableMirror(m_pModel->IsSupportMirror());
    v->SetMirror(m_pModel->GetMirror());

    v->EnableFaceTracking(m_pModel->IsSupportFaceTracking());
    v->CheckFaceTracking(m_pModel->GetFaceTracking());
    v->EnableSoundTracking(m_pModel->IsSupportSoundTracking());
    v->CheckSoundTracking(m_pModel->GetSoundTracking());

    ReportOptionFeatures();

    if (m_pModel->IsSupportPip()) {
        v->EnablePip(true);
        v->CheckPip(m_pModel->GetPip());
    } else {
        v->EnablePip(false);
    }
    if (m_pModel->IsSupportHideMode()) {
        v->EnableHideMode(true);
        v->CheckHideMode(m_pModel->GetHideMode());
    } else {
        v->EnableHideMode(false);
    }
    if (m_pModel->IsSupportDoaTest()) {
        v->EnableDoaTest(true);
        v->CheckDoaTest(m_pModel->GetDoaTest());
    } else {
        v->EnableDoaTest(false);
    }

    ReportAudioAndFactoryTest();

    v->EnableFrequency(m_pModel->IsSupportFrequency());
    if (m_pModel->IsSupportAutoFocus()) {
        int mode = 0;
        m_pModel->GetAutoFocusMode(mode);
        v->SetAutoFocusMode(mode);
        if (mode == 4) {
            int on = 0;
            m_pModel->GetAutoFocus(on);
            v->CheckAutoFocus(on);
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
        bool (CCameraModel::*supported)();
        bool (CCameraModel::*mask)(int*, int&);
        bool (CCameraModel::*current)(int&);
        void (ICameraView::*enable)(const int*, int);
        void (ICameraView::*check)(int);
    };
    static const OptionFeature kFeatures[] = {
        {&CCameraModel::IsSupportHandGesture, &CCameraModel::GetHandGestureMask,
         &CCameraModel::GetHandGesture, &ICameraView::EnableHandGesture, &ICameraView::CheckHandGesture},
        {&CCameraModel::IsSupportCanvas, &CCameraModel::GetCanvasMask, &CCameraModel::GetCanvas,
         &ICameraView::EnableCanvas, &ICameraView::CheckCanvas},
        {&CCameraModel::IsSupportSub1Ai, &CCameraModel::GetSub1AiMask, &CCameraModel::GetSub1Ai,
         &ICameraView::EnableSub1Ai, &ICameraView::CheckSub1Ai},
        {&CCameraModel::IsSupportMosaic, &CCameraModel::GetMosaicMask, &CCameraModel::GetMosaic,
         &ICameraView::EnableMosaic, &ICameraView::CheckMosaic},
    };
    ICameraView* v = m_pMainView;
    CCameraModel* m = m_pModel;
    for (const OptionFeature& feature : kFeatures) {
        if ((m->*feature.supported)()) {
            int values[kOptionRoom] = {};
            int count = 0;
            int current = 0;
            (m->*feature.mask)(values, count);
            (m->*feature.current)(current);
            (v->*feature.enable)(values, count);
            (v->*feature.check)(current);
        } else {
            (v->*feature.enable)(nullptr, 0);
            (v->*feature.check)(0);
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
