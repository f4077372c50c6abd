// A virtual camera's feature, image-property, power-line and audio-mode state, checked against
// what its profile offers, and the scene settings that state makes visible.
// Not locked: the camera guards it (and the profile it reads) with its own mutex.
#ifndef QELDS_VIRTUAL_CONTROL_STATE_H
#define QELDS_VIRTUAL_CONTROL_STATE_H

#include <vector>

#include "CameraDevice.h"
#include "SceneSettings.h"
#include "VirtualProfile.h"

namespace qelds {

class VirtualControlState {
public:
    // profile is the camera's own; it outlives this state and may be replaced in place.
    explicit VirtualControlState(const VirtualProfile& profile) : m_profile(profile) {}
    VirtualControlState(const VirtualControlState&) = delete;
    VirtualControlState& operator=(const VirtualControlState&) = delete;

    // Features and audio mode off, properties at the profile's defaults, 50 Hz.
    void reset();
    // Whether the profile lists the extension-unit code.
    bool offers(int code) const;

    bool propertyGet(int id, int* value, bool* autoMode) const;
    bool propertySet(int id, int value, bool autoMode);
    bool frequencyGet(int* value) const;
    bool frequencySet(int value);
    bool featureGet(Feature feature, int* value) const;
    bool featureSet(Feature feature, int value);
    bool featureMask(MaskFeature feature, std::vector<int>* values) const;
    void audioModeGet(int* on, int* on1, int* id) const;
    bool audioModeSet(int on, int on1, int id);

    // What the pictures show for the current state.
    SceneSettings scene() const;

private:
    static constexpr int kFeatureCount = static_cast<int>(Feature::AutoFocusMode) + 1;

    const VirtualProfile& m_profile;
    int m_features[kFeatureCount] = {};
    int m_audio[3] = {};
    int m_propertyValue[kPropertyCount] = {};
    bool m_propertyAuto[kPropertyCount] = {};
    int m_frequency = 1;
};

}  // namespace qelds

#endif
