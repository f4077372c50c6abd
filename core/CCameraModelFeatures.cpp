// Camera model: image properties, power-line frequency, device information and the camera's
// extension-unit features. Every operation here needs an open camera.

#include "CCameraModel.h"
#include "qelaudioinput.h"
#include "qelconvert.h"
#include "qelds.h"
#include "qelmuxer.h"
#include "qelrenderqt.h"

static_assert(kCameraOptionCapacity == QEL_MASK_CAPACITY, "option room must match the library");

namespace {

// Extension-unit codes.
enum EuCode {
    kEuBitrate = 0,
    kEuGop = 1,
    kEuLiveFps = 4,
    kEuFlipMirror = 5,
    kEuDeviceInfo = 7,
    kEuSdkVersion = 9,
    kEuMid = 10,
    kEuFaceTracking = 12,
    kEuSoundTracking = 13,
    kEuAutoFocus = 15,
    kEuSensor = 16,
    kEuHandGesture = 17,
    kEuHideMode = 18,
    kEuPip = 19,
    kEuDoaTest = 20,
    kEuCanvas = 21,
    kEuMosaic = 22,
    kEuSub1Ai = 23,
    kEuFactoryTest = 25
};

QString textOf(const char* buf) {
    return QString::fromLocal8Bit(buf);
}

// Reads an option mask into the caller's room for QEL_MASK_CAPACITY values.
bool readMask(int (*fn)(int, int*, int*), int cam, int* values, int& count) {
    count = 0;
    if (!values) {
        return false;
    }
    const bool ok = fn(cam, values, &count) != 0;
    count = qBound(0, count, QEL_MASK_CAPACITY);
    if (!ok) {
        count = 0;
    }
    return ok;
}

}  // namespace

bool CCameraModel::ShowDeviceSettingsPages() {
    return m_bOpen && qelcamera_domodal_device_settings_pages(m_nCamID) != 0;
}

bool CCameraModel::ShowImageSettingsPages() {
    return m_bOpen && qelcamera_domodal_image_settings_pages(m_nCamID) != 0;
}

// ---- Properties --------------------------------------------------------------------------

bool CCameraModel::PuCtGetRange(int id, bool& supported, int& min, int& max, int& step, int& def,
                                bool& autoSupported) {
    supported = autoSupported = false;
    min = max = step = def = 0;
    if (!m_bOpen) {
        return false;
    }
    int isSupported = 0;
    int isAuto = 0;
    const bool ok =
        qelcamera_pu_ct_get_range(m_nCamID, id, &isSupported, &min, &max, &step, &def, &isAuto) != 0;
    supported = ok && isSupported != 0;
    autoSupported = ok && isAuto != 0;
    return ok;
}

bool CCameraModel::PuCtGet(int id, int& value, bool& autoMode) {
    value = 0;
    autoMode = false;
    if (!m_bOpen) {
        return false;
    }
    int isAuto = 0;
    const bool ok = qelcamera_pu_ct_get(m_nCamID, id, &value, &isAuto) != 0;
    autoMode = ok && isAuto != 0;
    return ok;
}

bool CCameraModel::PuCtSet(int id, int value, bool autoMode) {
    return m_bOpen && qelcamera_pu_ct_set(m_nCamID, id, value, autoMode ? 1 : 0) != 0;
}

bool CCameraModel::IsSupportFrequency() {
    int value = 0;
    return m_bOpen && qelcamera_get_frequency(m_nCamID, &value) != 0;
}

bool CCameraModel::SetFrequency(int index) {
    return m_bOpen && qelcamera_set_frequency(m_nCamID, index + 1) != 0;
}

int CCameraModel::GetFrequency() {
    int value = 0;
    if (!m_bOpen || qelcamera_get_frequency(m_nCamID, &value) == 0) {
        return -1;
    }
    return value - 1;
}

// ---- Device information ------------------------------------------------------------------

bool CCameraModel::IsSupportDeviceInfo() {
    return EuFlag(kEuDeviceInfo);
}

QString CCameraModel::GetFwVersion() {
    char buf[QEL_TEXT_BUFFER_SIZE] = {};
    if (!EuFlag(kEuDeviceInfo) || qelcamera_get_fw_version(m_nCamID, buf) == 0) {
        return QString();
    }
    buf[QEL_TEXT_BUFFER_SIZE - 1] = '\0';
    return textOf(buf);
}

bool CCameraModel::IsSupportSdkVersion() {
    return EuFlag(kEuSdkVersion);
}

QString CCameraModel::GetSdkVersion() {
    if (!m_bOpen) {
        return QString();
    }
    // One record of every library's version; the camera library's is the one shown.
    char camera[QEL_TEXT_BUFFER_SIZE] = {};
    char convert[QEL_TEXT_BUFFER_SIZE] = {};
    char render[QEL_TEXT_BUFFER_SIZE] = {};
    char muxer[QEL_TEXT_BUFFER_SIZE] = {};
    char audio[QEL_TEXT_BUFFER_SIZE] = {};
    const bool ok = qelcamera_get_version(camera) != 0;
    qelconvert_get_version(convert);
    qelrender_get_version(render);
    qelmuxer_get_version(muxer);
    qelaudioinput_get_version(audio);
    camera[QEL_TEXT_BUFFER_SIZE - 1] = '\0';
    return ok ? textOf(camera) : QString();
}

bool CCameraModel::IsSupportMid() {
    return EuFlag(kEuMid);
}

QString CCameraModel::GetMid() {
    char buf[QEL_TEXT_BUFFER_SIZE] = {};
    if (!EuFlag(kEuDeviceInfo) || qelcamera_get_mid(m_nCamID, buf) != 1) {
        return QString();
    }
    buf[QEL_TEXT_BUFFER_SIZE - 1] = '\0';
    return textOf(buf);
}

QString CCameraModel::GetCameraName() {
    char buf[QEL_TEXT_BUFFER_SIZE] = {};
    if (!m_bOpen || qelcamera_get_camera_name(m_nCamID, buf) != 1) {
        return QString();
    }
    buf[QEL_TEXT_BUFFER_SIZE - 1] = '\0';
    return textOf(buf);
}

QString CCameraModel::GetCameraVidPid() {
    int vid = 0;
    int pid = 0;
    if (!m_bOpen || qelcamera_get_camera_vid_pid(m_nCamID, &vid, &pid) != 1) {
        return QString();
    }
    return QStringLiteral("0x%1 / 0x%2")
        .arg(vid & 0xFFFF, 4, 16, QLatin1Char('0'))
        .arg(pid & 0xFFFF, 4, 16, QLatin1Char('0'));
}

// ---- Features of one value -----------------------------------------------------------------

namespace {

struct FeatureEntry {
    int euCode;  // the extension-unit flag that says the camera has it
    int (*get)(int cam, int* value);
    int (*set)(int cam, int value);
    int (*mask)(int cam, int* values, int* count);  // option features only
    bool onOff;                                     // values are 0/1
};

// Indexed by CameraFeature.
const FeatureEntry kFeatures[] = {
    {kEuFlipMirror, qelcamera_get_flip, qelcamera_set_flip, nullptr, true},
    {kEuFlipMirror, qelcamera_get_mirror, qelcamera_set_mirror, nullptr, true},
    {kEuFaceTracking, qelcamera_get_face_tracking, qelcamera_set_face_tracking, nullptr, true},
    {kEuSoundTracking, qelcamera_get_sound_tracking, qelcamera_set_sound_tracking, nullptr, true},
    {kEuPip, qelcamera_get_pip, qelcamera_set_pip, nullptr, true},
    {kEuHideMode, qelcamera_get_hide_mode, qelcamera_set_hide_mode, nullptr, true},
    {kEuDoaTest, qelcamera_get_doa_test, qelcamera_set_doa_test, nullptr, true},
    {kEuAutoFocus, qelcamera_get_auto_focus, qelcamera_set_auto_focus, nullptr, false},
    {kEuSensor, qelcamera_get_sensor, qelcamera_set_sensor, nullptr, false},
    {kEuHandGesture, qelcamera_get_hand_gesture, qelcamera_set_hand_gesture, qelcamera_get_hand_gesture_mask,
     false},
    {kEuCanvas, qelcamera_get_canvas, qelcamera_set_canvas, qelcamera_get_canvas_mask, false},
    {kEuSub1Ai, qelcamera_get_sub1_ai, qelcamera_set_sub1_ai, qelcamera_get_sub1_ai_mask, false},
    {kEuMosaic, qelcamera_get_mosaic, qelcamera_set_mosaic, qelcamera_get_mosaic_mask, false},
};
static_assert(sizeof(kFeatures) / sizeof(kFeatures[0]) == size_t(CameraFeature::Count),
              "one table entry per feature");

const FeatureEntry* entryOf(CameraFeature feature) {
    const int i = int(feature);
    return i >= 0 && i < int(CameraFeature::Count) ? &kFeatures[i] : nullptr;
}

}  // namespace

bool CCameraModel::Supported(CameraFeature feature) {
    const FeatureEntry* e = entryOf(feature);
    return e && EuFlag(e->euCode);
}

bool CCameraModel::Get(CameraFeature feature, int& value) {
    value = 0;
    const FeatureEntry* e = entryOf(feature);
    if (!e || !m_bOpen || e->get(m_nCamID, &value) == 0) {
        value = 0;
        return false;
    }
    if (e->onOff) {
        value = value != 0 ? 1 : 0;
    }
    return true;
}

bool CCameraModel::Set(CameraFeature feature, int value) {
    const FeatureEntry* e = entryOf(feature);
    if (e && e->onOff) {
        value = value != 0 ? 1 : 0;
    }
    return e && m_bOpen && e->set(m_nCamID, value) != 0;
}

bool CCameraModel::Mask(CameraFeature feature, int* values, int& count) {
    count = 0;
    const FeatureEntry* e = entryOf(feature);
    return e && e->mask && m_bOpen && readMask(e->mask, m_nCamID, values, count);
}

bool CCameraModel::GetAutoFocusMode(int& mode) {
    mode = 0;
    return m_bOpen && qelcamera_get_auto_focus_mode(m_nCamID, &mode) != 0;
}

bool CCameraModel::IsSupportFactoryTest() {
    return EuFlag(kEuFactoryTest);
}
bool CCameraModel::GetFactoryTestMask(int* values, int& count) {
    count = 0;
    return m_bOpen && readMask(qelcamera_get_factory_test_mask, m_nCamID, values, count);
}
bool CCameraModel::GetFactoryTest(int& value) {
    value = 0;
    return m_bOpen && qelcamera_get_factory_test(m_nCamID, &value) != 0;
}
bool CCameraModel::SetFactoryTest(const int* values, int count) {
    return m_bOpen && values && count > 0 && count <= QEL_MASK_CAPACITY &&
           qelcamera_set_factory_test(m_nCamID, values, count) != 0;
}

// ---- Sensor and audio mode ---------------------------------------------------------------

QStringList CCameraModel::GetSensorList() {
    static const char* const kNames[] = {"Wide Angle", "Standard View", "Distant View",
                                         "Left View",  "Right View",    "Ultra-Wide Angle"};
    QStringList list;
    int count = 0;
    if (!m_bOpen || qelcamera_get_sensor_count(m_nCamID, &count) == 0) {
        return list;
    }
    for (int i = 0; i < count; ++i) {
        int type = 0;
        if (qelcamera_get_sensor_type(m_nCamID, i, &type) != 1 || type < 1 || type > 6) {
            continue;
        }
        list.append(QString::fromLatin1(kNames[type - 1]));
    }
    return list;
}

bool CCameraModel::IsSupportAudioMode() {
    return m_bOpen;
}

bool CCameraModel::GetAudioModeMask(int* values, int& count) {
    count = 0;
    return m_bOpen && readMask(qelcamera_get_audio_mode_mask, m_nCamID, values, count);
}

QStringList CCameraModel::GetAcousticBaffleList() {
    QStringList list;
    if (!m_bOpen) {
        return list;
    }
    list.append(QStringLiteral("全向拾音"));
    int count = 0;
    if (qelcamera_get_acoustic_baffle_count(m_nCamID, &count) == 0) {
        return list;
    }
    for (int i = 0; i < count; ++i) {
        int code = 0;
        if (qelcamera_get_acoustic_baffle_name(m_nCamID, i, &code) == 0) {
            continue;
        }
        switch (code) {
            case 1:
                list.append(QStringLiteral("正前方60度"));
                break;
            case 2:
                list.append(QStringLiteral("左前方60度"));
                break;
            case 3:
                list.append(QStringLiteral("右前方60度"));
                break;
            default:
                break;
        }
    }
    return list;
}

bool CCameraModel::SetAudioMode(int on, int on1, int id) {
    return m_bOpen && qelcamera_set_audio_mode(m_nCamID, on, on1, id) != 0;
}

bool CCameraModel::GetAudioMode(int& on, int& on1, int& id) {
    on = on1 = id = 0;
    return m_bOpen && qelcamera_get_audio_mode(m_nCamID, &on, &on1, &id) != 0;
}
