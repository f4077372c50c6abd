#include "VirtualControlState.h"

#include <algorithm>

namespace qelds {

namespace {

// The extension-unit code that tells whether a feature exists.
int featureCode(Feature f) {
    switch (f) {
        case Feature::Flip:
        case Feature::Mirror:
            return 5;
        case Feature::FaceTracking:
            return 12;
        case Feature::SoundTracking:
            return 13;
        case Feature::Pip:
            return 19;
        case Feature::HideMode:
            return 18;
        case Feature::DoaTest:
            return 20;
        case Feature::Sensor:
            return 16;
        case Feature::HandGesture:
            return 17;
        case Feature::Canvas:
            return 21;
        case Feature::Sub1Ai:
            return 23;
        case Feature::Mosaic:
            return 22;
        case Feature::FactoryTest:
            return 25;
        case Feature::AutoFocus:
        case Feature::AutoFocusMode:
            return 15;
    }
    return -1;
}

int maskIndex(Feature f) {
    switch (f) {
        case Feature::HandGesture:
            return static_cast<int>(MaskFeature::HandGesture);
        case Feature::Canvas:
            return static_cast<int>(MaskFeature::Canvas);
        case Feature::Sub1Ai:
            return static_cast<int>(MaskFeature::Sub1Ai);
        case Feature::Mosaic:
            return static_cast<int>(MaskFeature::Mosaic);
        case Feature::FactoryTest:
            return static_cast<int>(MaskFeature::FactoryTest);
        default:
            return -1;
    }
}

float clamp1(float v) {
    return v < -1 ? -1 : (v > 1 ? 1 : v);
}

}  // namespace

void VirtualControlState::reset() {
    std::fill(std::begin(m_features), std::end(m_features), 0);
    std::fill(std::begin(m_audio), std::end(m_audio), 0);
    for (int i = 0; i < kPropertyCount; ++i) {
        m_propertyValue[i] = m_profile.properties[i].def;
        m_propertyAuto[i] = m_profile.properties[i].autoSupported;
    }
    m_frequency = 1;
}

bool VirtualControlState::offers(int code) const {
    return std::find(m_profile.features.begin(), m_profile.features.end(), code) != m_profile.features.end();
}

bool VirtualControlState::propertyGet(int id, int* value, bool* autoMode) const {
    if (id < 0 || id >= kPropertyCount || !m_profile.properties[id].supported)
        return false;
    *value = m_propertyValue[id];
    *autoMode = m_propertyAuto[id];
    return true;
}

bool VirtualControlState::propertySet(int id, int value, bool autoMode) {
    if (id < 0 || id >= kPropertyCount)
        return false;
    const PropertyRange& r = m_profile.properties[id];
    if (!r.supported || value < r.min || value > r.max || (autoMode && !r.autoSupported))
        return false;
    m_propertyValue[id] = value;
    m_propertyAuto[id] = autoMode;
    return true;
}

bool VirtualControlState::frequencyGet(int* value) const {
    if (!m_profile.frequency)
        return false;
    *value = m_frequency;
    return true;
}

bool VirtualControlState::frequencySet(int value) {
    if (!m_profile.frequency || (value != 1 && value != 2))
        return false;
    m_frequency = value;
    return true;
}

bool VirtualControlState::featureGet(Feature feature, int* value) const {
    if (!offers(featureCode(feature)))
        return false;
    if (feature == Feature::AutoFocusMode)
        *value = m_features[static_cast<int>(Feature::AutoFocus)] ? 1 : 0;
    else
        *value = m_features[static_cast<int>(feature)];
    return true;
}

bool VirtualControlState::featureSet(Feature feature, int value) {
    if (feature == Feature::AutoFocusMode || !offers(featureCode(feature)))
        return false;
    int mask = maskIndex(feature);
    if (feature == Feature::Sensor) {
        if (value < 0 || value >= static_cast<int>(m_profile.sensors.size()))
            return false;
    } else if (mask >= 0) {
        const std::vector<int>& offered = m_profile.masks[mask];
        if (value != 0 && (value < 1 || value > static_cast<int>(offered.size()) || offered[value - 1] != 1))
            return false;
    } else {
        value = value != 0 ? 1 : 0;
    }
    m_features[static_cast<int>(feature)] = value;
    return true;
}

bool VirtualControlState::featureMask(MaskFeature feature, std::vector<int>* values) const {
    int index = static_cast<int>(feature);
    if (index < 0 || index >= kMaskFeatureCount)
        return false;
    static const int kCodes[kMaskFeatureCount] = {17, 21, 23, 22, -1, 25};
    if (kCodes[index] >= 0 && !offers(kCodes[index]))
        return false;
    *values = m_profile.masks[index];
    return true;
}

void VirtualControlState::audioModeGet(int* on, int* on1, int* id) const {
    *on = m_audio[0];
    *on1 = m_audio[1];
    *id = m_audio[2];
}

bool VirtualControlState::audioModeSet(int on, int on1, int id) {
    const std::vector<int>& offered = m_profile.masks[static_cast<int>(MaskFeature::AudioMode)];
    auto allowed = [&offered](int option, int v) {
        return v == 0 || (v == 1 && static_cast<int>(offered.size()) >= option && offered[option - 1] == 1);
    };
    bool directionOk = id == 0 || std::find(m_profile.baffles.begin(), m_profile.baffles.end(), id) !=
                                      m_profile.baffles.end();
    if (!allowed(1, on) || !allowed(2, on1) || !directionOk)
        return false;
    m_audio[0] = on;
    m_audio[1] = on1;
    m_audio[2] = id;
    return true;
}

SceneSettings VirtualControlState::scene() const {
    SceneSettings s;
    auto f = [this](Feature x) { return m_features[static_cast<int>(x)]; };
    s.mirror = f(Feature::Mirror) != 0;
    s.flip = f(Feature::Flip) != 0;
    s.privacy = f(Feature::HideMode) != 0;
    s.pip = f(Feature::Pip) != 0;
    s.faceTracking = f(Feature::FaceTracking) != 0;
    s.soundTracking = f(Feature::SoundTracking) != 0;
    s.doaTest = f(Feature::DoaTest) != 0;
    s.gesture = f(Feature::HandGesture);
    s.canvas = f(Feature::Canvas);
    s.sub1Ai = f(Feature::Sub1Ai);
    s.mosaic = f(Feature::Mosaic);
    s.factoryTest = f(Feature::FactoryTest);
    s.audioOn = m_audio[0];
    s.audioOn1 = m_audio[1];
    s.audioDirection = m_audio[2];
    int sensor = f(Feature::Sensor);
    s.sensorType =
        (sensor >= 0 && sensor < static_cast<int>(m_profile.sensors.size())) ? m_profile.sensors[sensor] : 2;
    // Offset from the default relative to half the range; auto mode leaves the picture neutral.
    auto n = [this](int id) {
        const PropertyRange& r = m_profile.properties[id];
        if (!r.supported || m_propertyAuto[id])
            return 0.0f;
        float half = std::max(1.0f, (r.max - r.min) / 2.0f);
        return clamp1((m_propertyValue[id] - r.def) / half);
    };
    auto fraction = [this](int id) {
        const PropertyRange& r = m_profile.properties[id];
        if (!r.supported || r.max == r.min)
            return 0.0f;
        return (m_propertyValue[id] - r.min) / static_cast<float>(r.max - r.min);
    };
    s.brightness = n(0);
    s.contrast = n(1);
    s.hue = n(2);
    s.saturation = n(3);
    s.gamma = n(5);
    const PropertyRange& color = m_profile.properties[6];
    s.monochrome = color.supported && m_propertyValue[6] == color.min && color.min != color.max;
    s.whiteBalance = n(7);
    s.backlight = n(8);
    s.gain = fraction(9);
    s.pan = n(10);
    s.tilt = n(11);
    s.zoom = fraction(13);
    s.exposure = n(14);
    s.iris = n(15);
    return s;
}

}  // namespace qelds
