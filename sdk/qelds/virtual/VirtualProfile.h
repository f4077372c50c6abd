// What a virtual camera offers: identity, formats, features, sensors and property ranges.
// Profiles are JSON objects (the format is described in qelvirtual.h); every key is optional
// and a missing key keeps the default profile's value.
#ifndef QELDS_VIRTUAL_PROFILE_H
#define QELDS_VIRTUAL_PROFILE_H

#include <string>
#include <vector>

#include "CameraDevice.h"

namespace qelds {

constexpr int kPropertyCount = 17;
constexpr int kMaskFeatureCount = 6;
constexpr int kMaxVirtualStreams = 3;

struct VirtualProfile {
    std::string name = "Corvix Virtual Camera";
    int vid = 0x1d6b;
    int pid = 0x0102;
    std::string firmware = "1.0.1";
    std::string mid;  // empty: "VC-" and the camera's handle
    std::vector<std::vector<MediaFormat>> streams;
    std::vector<MediaFormat> still;
    std::vector<int> features;
    std::vector<int> masks[kMaskFeatureCount];  // indexed by MaskFeature
    std::vector<int> sensors;
    std::vector<int> baffles;
    PropertyRange properties[kPropertyCount];
    bool frequency = true;

    // The profile that offers everything.
    static VirtualProfile defaults();
    // Reads a JSON profile over the defaults. False (with the reason) when the text is not
    // valid JSON or a value is out of range.
    static bool parse(const std::string& json, VirtualProfile* out, std::string* error);
};

// "Pu_Brightness" .. "Ct_Focus" for ids 0-16, nullptr otherwise.
const char* propertyName(int id);

}  // namespace qelds

#endif
