// Vendor features through a UVC extension unit, described as data: which vendor/product id
// and extension-unit GUID carry which feature in which control selector. The unit id is found
// in the device's USB descriptors; controls are read and written with UVCIOC_CTRL_QUERY.
//
// File layout (xu_map.json, next to the library or named by QELDS_XU_MAP):
// { "devices": [ {
//     "vid": "0x1234", "pid": "0x5678",            // pid "*" or missing: every product
//     "guid": "01234567-89ab-cdef-0123-456789abcdef",
//     "features": { "face_tracking": { "selector": 3, "size": 4, "offset": 0, "width": 1 }, ... },
//     "masks": { "canvas": { "selector": 9, "size": 8, "count": 8, "width": 1 },  // read from the unit
//                "mosaic": [1, 1] },                                            // or a fixed list
//     "audio_mode": { "on": {field}, "on1": {field}, "id": {field} },
//     "factory_test_set": { "selector": 12, "size": 64 },   // written as 32-bit little-endian values
//     "sensors": [1, 2], "baffles": [1, 2, 3] } ] }
// Feature names: flip, mirror, face_tracking, sound_tracking, pip, hide_mode, doa_test, sensor,
// hand_gesture, canvas, sub1_ai, mosaic, factory_test, auto_focus, auto_focus_mode.
// Mask names: hand_gesture, canvas, sub1_ai, mosaic, audio_mode, factory_test.
#ifndef QELDS_XU_MAP_H
#define QELDS_XU_MAP_H

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "CameraDevice.h"

namespace qelds {

class V4l2Io;

using Guid = std::array<uint8_t, 16>;

// A value inside one extension-unit control: `width` bytes (1, 2 or 4, little-endian) at
// `offset` of the `size`-byte control `selector`.
struct XuField {
    int selector = 0;
    int size = 1;
    int offset = 0;
    int width = 1;
};

struct XuMask {
    bool fromUnit = false;
    XuField field;  // first entry; entries follow each other `width` bytes apart
    int count = 0;
    std::vector<int> fixed;
};

struct XuDeviceMap {
    int vendorId = 0;
    int productId = -1;  // -1: any
    Guid guid{};
    std::map<Feature, XuField> features;
    std::map<MaskFeature, XuMask> masks;
    bool hasAudioMode = false;
    XuField audioOn, audioOn1, audioId;
    bool hasFactoryTestSet = false;
    XuField factoryTestSet;
    std::vector<int> sensors;
    std::vector<int> baffles;
};

class XuMap {
public:
    // Parses the file text; false with a message on malformed content (the map stays empty).
    bool parse(const std::string& text, std::string* error);
    bool load(const std::string& path, std::string* error);
    // QELDS_XU_MAP, else xu_map.json beside the library holding this code.
    static std::string defaultPath();

    const XuDeviceMap* find(int vendorId, int productId) const;
    size_t size() const { return m_devices.size(); }

private:
    std::vector<XuDeviceMap> m_devices;
};

// The map the library runs with. A missing or malformed file is warned about: without it a real
// camera silently loses its vendor features. The map is then empty.
std::shared_ptr<XuMap> loadXuMapOrWarn(const std::string& path);

// "a29e7641-de04-47e3-8b2b-f4341aff003b" -> the 16 bytes as USB descriptors store them
// (first three fields little-endian).
bool parseGuid(const std::string& text, Guid* guid);

// The unit id of the extension unit with this GUID in the video-control interface of a raw
// USB descriptor dump (sysfs "descriptors": device descriptor, then configurations); -1 if none.
int findExtensionUnit(const std::string& descriptors, const Guid& guid);

// Reads and writes mapped values on one unit through UVCIOC_CTRL_QUERY.
class XuAccess {
public:
    XuAccess(V4l2Io& io, int fd, int unit) : m_io(io), m_fd(fd), m_unit(unit) {}
    bool read(const XuField& field, int* value) const;
    bool write(const XuField& field, int value) const;
    bool readControl(int selector, int size, std::vector<uint8_t>* data) const;
    bool writeControl(int selector, const std::vector<uint8_t>& data) const;

private:
    bool query(int selector, int request, uint8_t* data, int size) const;
    V4l2Io& m_io;
    int m_fd;
    int m_unit;
};

int xuFeatureCode(Feature feature);  // extension-unit support code; -1 when it has none

}  // namespace qelds

#endif
