// Image properties, power-line frequency and the extension-unit features.
#include <algorithm>
#include <vector>

#include "ApiHelpers.h"
#include "qelds.h"

using namespace qelds;

namespace {

int getFeature(int cam, Feature f, int* value) {
    auto e = openCameraAt(cam);
    return e && value && e->device().featureGet(f, value) ? 1 : 0;
}

int setFeature(int cam, Feature f, int value) {
    auto e = openCameraAt(cam);
    return e && e->device().featureSet(f, value) ? 1 : 0;
}

int getMask(int cam, MaskFeature f, int* values, int* count) {
    auto e = openCameraAt(cam);
    std::vector<int> list;
    if (!e || !values || !count || !e->device().featureMask(f, &list))
        return 0;
    int n = std::min(static_cast<int>(list.size()), QEL_MASK_CAPACITY);
    std::copy(list.begin(), list.begin() + n, values);
    *count = n;
    return 1;
}

}  // namespace

// Properties

int qelcamera_pu_ct_get_range(int cam, int id, int* supported, int* min, int* max, int* step, int* def,
                              int* autoSupported) {
    auto e = openCameraAt(cam);
    if (!e || !supported || !min || !max || !step || !def || !autoSupported)
        return 0;
    PropertyRange r;
    if (!e->device().propertyRange(id, &r))
        return 0;
    *supported = r.supported ? 1 : 0;
    *min = r.min;
    *max = r.max;
    *step = r.step;
    *def = r.def;
    *autoSupported = r.autoSupported ? 1 : 0;
    return 1;
}

int qelcamera_pu_ct_get(int cam, int id, int* value, int* autoMode) {
    auto e = openCameraAt(cam);
    bool a = false;
    if (!e || !value || !autoMode || !e->device().propertyGet(id, value, &a))
        return 0;
    *autoMode = a ? 1 : 0;
    return 1;
}

int qelcamera_pu_ct_set(int cam, int id, int value, int autoMode) {
    auto e = openCameraAt(cam);
    return e && e->device().propertySet(id, value, autoMode != 0) ? 1 : 0;
}

int qelcamera_get_frequency(int cam, int* value) {
    auto e = openCameraAt(cam);
    return e && value && e->device().frequencyGet(value) ? 1 : 0;
}

int qelcamera_set_frequency(int cam, int value) {
    auto e = openCameraAt(cam);
    return e && (value == 1 || value == 2) && e->device().frequencySet(value) ? 1 : 0;
}

// On/off features

int qelcamera_get_flip(int cam, int* value) {
    return getFeature(cam, Feature::Flip, value);
}
int qelcamera_set_flip(int cam, int value) {
    return setFeature(cam, Feature::Flip, value);
}
int qelcamera_get_mirror(int cam, int* value) {
    return getFeature(cam, Feature::Mirror, value);
}
int qelcamera_set_mirror(int cam, int value) {
    return setFeature(cam, Feature::Mirror, value);
}
int qelcamera_get_face_tracking(int cam, int* value) {
    return getFeature(cam, Feature::FaceTracking, value);
}
int qelcamera_set_face_tracking(int cam, int value) {
    return setFeature(cam, Feature::FaceTracking, value);
}
int qelcamera_get_sound_tracking(int cam, int* value) {
    return getFeature(cam, Feature::SoundTracking, value);
}
int qelcamera_set_sound_tracking(int cam, int value) {
    return setFeature(cam, Feature::SoundTracking, value);
}
int qelcamera_get_pip(int cam, int* value) {
    return getFeature(cam, Feature::Pip, value);
}
int qelcamera_set_pip(int cam, int value) {
    return setFeature(cam, Feature::Pip, value);
}
int qelcamera_get_hide_mode(int cam, int* value) {
    return getFeature(cam, Feature::HideMode, value);
}
int qelcamera_set_hide_mode(int cam, int value) {
    return setFeature(cam, Feature::HideMode, value);
}
int qelcamera_get_doa_test(int cam, int* value) {
    return getFeature(cam, Feature::DoaTest, value);
}
int qelcamera_set_doa_test(int cam, int value) {
    return setFeature(cam, Feature::DoaTest, value);
}
int qelcamera_get_sensor(int cam, int* value) {
    return getFeature(cam, Feature::Sensor, value);
}
int qelcamera_set_sensor(int cam, int value) {
    return setFeature(cam, Feature::Sensor, value);
}

// Option features

int qelcamera_get_hand_gesture_mask(int cam, int* values, int* count) {
    return getMask(cam, MaskFeature::HandGesture, values, count);
}
int qelcamera_get_hand_gesture(int cam, int* value) {
    return getFeature(cam, Feature::HandGesture, value);
}
int qelcamera_set_hand_gesture(int cam, int value) {
    return setFeature(cam, Feature::HandGesture, value);
}
int qelcamera_get_canvas_mask(int cam, int* values, int* count) {
    return getMask(cam, MaskFeature::Canvas, values, count);
}
int qelcamera_get_canvas(int cam, int* value) {
    return getFeature(cam, Feature::Canvas, value);
}
int qelcamera_set_canvas(int cam, int value) {
    return setFeature(cam, Feature::Canvas, value);
}
int qelcamera_get_sub1_ai_mask(int cam, int* values, int* count) {
    return getMask(cam, MaskFeature::Sub1Ai, values, count);
}
int qelcamera_get_sub1_ai(int cam, int* value) {
    return getFeature(cam, Feature::Sub1Ai, value);
}
int qelcamera_set_sub1_ai(int cam, int value) {
    return setFeature(cam, Feature::Sub1Ai, value);
}
int qelcamera_get_mosaic_mask(int cam, int* values, int* count) {
    return getMask(cam, MaskFeature::Mosaic, values, count);
}
int qelcamera_get_mosaic(int cam, int* value) {
    return getFeature(cam, Feature::Mosaic, value);
}
int qelcamera_set_mosaic(int cam, int value) {
    return setFeature(cam, Feature::Mosaic, value);
}
int qelcamera_get_audio_mode_mask(int cam, int* values, int* count) {
    return getMask(cam, MaskFeature::AudioMode, values, count);
}

int qelcamera_get_audio_mode(int cam, int* on, int* on1, int* id) {
    auto e = openCameraAt(cam);
    return e && on && on1 && id && e->device().audioModeGet(on, on1, id) ? 1 : 0;
}

int qelcamera_set_audio_mode(int cam, int on, int on1, int id) {
    auto e = openCameraAt(cam);
    return e && e->device().audioModeSet(on, on1, id) ? 1 : 0;
}

int qelcamera_get_factory_test_mask(int cam, int* values, int* count) {
    return getMask(cam, MaskFeature::FactoryTest, values, count);
}
int qelcamera_get_factory_test(int cam, int* value) {
    return getFeature(cam, Feature::FactoryTest, value);
}

int qelcamera_set_factory_test(int cam, const int* values, int count) {
    auto e = openCameraAt(cam);
    if (!e || !values || count < 1 || count > QEL_MASK_CAPACITY)
        return 0;
    return e->device().factoryTestSet(values, count) ? 1 : 0;
}

// Auto focus

int qelcamera_set_auto_focus(int cam, int on) {
    return setFeature(cam, Feature::AutoFocus, on);
}
int qelcamera_get_auto_focus(int cam, int* on) {
    return getFeature(cam, Feature::AutoFocus, on);
}
int qelcamera_get_auto_focus_mode(int cam, int* mode) {
    return getFeature(cam, Feature::AutoFocusMode, mode);
}

// Sensors and pickup directions

int qelcamera_get_sensor_count(int cam, int* count) {
    auto e = openCameraAt(cam);
    std::vector<int> types;
    if (!e || !count || !e->device().sensorTypes(&types))
        return 0;
    *count = static_cast<int>(types.size());
    return 1;
}

int qelcamera_get_sensor_type(int cam, int index, int* type) {
    auto e = openCameraAt(cam);
    std::vector<int> types;
    if (!e || !type || !e->device().sensorTypes(&types) || index < 0 ||
        index >= static_cast<int>(types.size()))
        return 0;
    *type = types[index];
    return 1;
}

int qelcamera_get_acoustic_baffle_count(int cam, int* count) {
    auto e = openCameraAt(cam);
    std::vector<int> codes;
    if (!e || !count || !e->device().acousticBaffles(&codes))
        return 0;
    *count = static_cast<int>(codes.size());
    return 1;
}

int qelcamera_get_acoustic_baffle_name(int cam, int index, int* code) {
    auto e = openCameraAt(cam);
    std::vector<int> codes;
    if (!e || !code || !e->device().acousticBaffles(&codes) || index < 0 ||
        index >= static_cast<int>(codes.size()))
        return 0;
    *code = codes[index];
    return 1;
}

// No property dialogs of our own.

int qelcamera_domodal_device_settings_pages(int) {
    return 0;
}

int qelcamera_domodal_image_settings_pages(int) {
    return 0;
}
