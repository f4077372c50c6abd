#include "XuMap.h"

#include <dlfcn.h>
#include <unistd.h>
#include <linux/usb/video.h>
#include <linux/uvcvideo.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>

#include "V4l2Io.h"
#include "V4l2Log.h"

namespace qelds {

namespace {

using nlohmann::json;

const std::pair<const char*, Feature> kFeatureNames[] = {
    {"flip", Feature::Flip},
    {"mirror", Feature::Mirror},
    {"face_tracking", Feature::FaceTracking},
    {"sound_tracking", Feature::SoundTracking},
    {"pip", Feature::Pip},
    {"hide_mode", Feature::HideMode},
    {"doa_test", Feature::DoaTest},
    {"sensor", Feature::Sensor},
    {"hand_gesture", Feature::HandGesture},
    {"canvas", Feature::Canvas},
    {"sub1_ai", Feature::Sub1Ai},
    {"mosaic", Feature::Mosaic},
    {"factory_test", Feature::FactoryTest},
    {"auto_focus", Feature::AutoFocus},
    {"auto_focus_mode", Feature::AutoFocusMode},
};

const std::pair<const char*, MaskFeature> kMaskNames[] = {
    {"hand_gesture", MaskFeature::HandGesture}, {"canvas", MaskFeature::Canvas},
    {"sub1_ai", MaskFeature::Sub1Ai},           {"mosaic", MaskFeature::Mosaic},
    {"audio_mode", MaskFeature::AudioMode},     {"factory_test", MaskFeature::FactoryTest},
};

const int kDescriptorInterface = 0x04;
const int kClassVideo = 0x0e;
const int kMaxControlSize = 4096;

int idValue(const json& value, const char* what) {
    if (value.is_number_integer())
        return value.get<int>();
    if (value.is_string()) {
        const std::string text = value.get<std::string>();
        char* end = nullptr;
        const long v = std::strtol(text.c_str(), &end, 0);
        if (end && *end == '\0' && !text.empty())
            return int(v);
    }
    throw std::runtime_error(std::string("bad ") + what);
}

XuField fieldFrom(const json& j) {
    XuField f;
    f.selector = j.at("selector").get<int>();
    f.size = j.value("size", 1);
    f.offset = j.value("offset", 0);
    f.width = j.value("width", 1);
    if (f.selector < 1 || f.selector > 255 || f.size < 1 || f.size > kMaxControlSize ||
        (f.width != 1 && f.width != 2 && f.width != 4) || f.offset < 0 || f.offset + f.width > f.size)
        throw std::runtime_error("bad control field (selector " + std::to_string(f.selector) + ")");
    return f;
}

std::vector<int> intList(const json& j) {
    std::vector<int> values;
    for (const json& v : j)
        values.push_back(v.get<int>());
    return values;
}

std::string libraryDirectory() {
    Dl_info info;
    if (dladdr(reinterpret_cast<void*>(&libraryDirectory), &info) == 0 || !info.dli_fname)
        return std::string();
    const std::string path = info.dli_fname;
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}

}  // namespace

bool parseGuid(const std::string& text, Guid* guid) {
    std::string hex;
    for (char c : text) {
        if (c == '-' || c == '{' || c == '}')
            continue;
        if (!std::isxdigit(static_cast<unsigned char>(c)))
            return false;
        hex += c;
    }
    if (hex.size() != 32)
        return false;
    uint8_t bytes[16];
    for (int i = 0; i < 16; ++i)
        bytes[i] = uint8_t(std::strtoul(hex.substr(i * 2, 2).c_str(), nullptr, 16));
    // Data1 (4 bytes), Data2 and Data3 (2 bytes each) are stored little-endian, the rest as written.
    const int order[16] = {3, 2, 1, 0, 5, 4, 7, 6, 8, 9, 10, 11, 12, 13, 14, 15};
    for (int i = 0; i < 16; ++i)
        (*guid)[i] = bytes[order[i]];
    return true;
}

int findExtensionUnit(const std::string& descriptors, const Guid& guid) {
    const auto* d = reinterpret_cast<const uint8_t*>(descriptors.data());
    const size_t n = descriptors.size();
    size_t pos = 0;
    bool inVideoControl = false;
    while (pos + 2 <= n) {
        const size_t length = d[pos];
        if (length < 2 || pos + length > n)
            break;  // damaged dump: stop rather than read past it
        const int type = d[pos + 1];
        if (type == kDescriptorInterface && length >= 9)
            inVideoControl = d[pos + 5] == kClassVideo && d[pos + 6] == UVC_SC_VIDEOCONTROL;
        else if (inVideoControl && type == 0x24 && length >= 20 && d[pos + 2] == UVC_VC_EXTENSION_UNIT &&
                 std::memcmp(d + pos + 4, guid.data(), 16) == 0)
            return d[pos + 3];
        pos += length;
    }
    return -1;
}

bool XuMap::parse(const std::string& text, std::string* error) {
    m_devices.clear();
    std::vector<XuDeviceMap> devices;
    try {
        const json root = json::parse(text);
        if (!root.at("devices").is_array())
            throw std::runtime_error("\"devices\" is not a list");
        for (const json& entry : root.at("devices")) {
            XuDeviceMap map;
            map.vendorId = idValue(entry.at("vid"), "vid");
            map.productId =
                (!entry.contains("pid") || entry["pid"] == "*") ? -1 : idValue(entry["pid"], "pid");
            if (!parseGuid(entry.at("guid").get<std::string>(), &map.guid))
                throw std::runtime_error("bad guid");
            if (entry.contains("features")) {
                for (const auto& item : entry["features"].items()) {
                    bool known = false;
                    for (const auto& name : kFeatureNames) {
                        if (item.key() == name.first) {
                            map.features[name.second] = fieldFrom(item.value());
                            known = true;
                        }
                    }
                    if (!known)
                        throw std::runtime_error("unknown feature " + item.key());
                }
            }
            if (entry.contains("masks")) {
                for (const auto& item : entry["masks"].items()) {
                    bool known = false;
                    for (const auto& name : kMaskNames) {
                        if (item.key() != name.first)
                            continue;
                        XuMask mask;
                        if (item.value().is_array()) {
                            mask.fixed = intList(item.value());
                        } else {
                            mask.fromUnit = true;
                            mask.field = fieldFrom(item.value());
                            mask.count = item.value().at("count").get<int>();
                            if (mask.count < 1 || mask.count > 64 ||
                                mask.field.offset + mask.count * mask.field.width > mask.field.size)
                                throw std::runtime_error("bad mask " + item.key());
                        }
                        map.masks[name.second] = mask;
                        known = true;
                    }
                    if (!known)
                        throw std::runtime_error("unknown mask " + item.key());
                }
            }
            if (entry.contains("audio_mode")) {
                const json& a = entry["audio_mode"];
                map.audioOn = fieldFrom(a.at("on"));
                map.audioOn1 = fieldFrom(a.at("on1"));
                map.audioId = fieldFrom(a.at("id"));
                map.hasAudioMode = true;
            }
            if (entry.contains("factory_test_set")) {
                map.factoryTestSet = fieldFrom(entry["factory_test_set"]);
                map.hasFactoryTestSet = true;
            }
            if (entry.contains("sensors"))
                map.sensors = intList(entry["sensors"]);
            if (entry.contains("baffles"))
                map.baffles = intList(entry["baffles"]);
            devices.push_back(std::move(map));
        }
    } catch (const std::exception& e) {
        if (error)
            *error = e.what();
        return false;
    }
    m_devices = std::move(devices);
    return true;
}

bool XuMap::load(const std::string& path, std::string* error) {
    std::ifstream in(path);
    if (!in) {
        if (error)
            *error = "cannot read " + path;
        return false;
    }
    std::stringstream text;
    text << in.rdbuf();
    return parse(text.str(), error);
}

std::string XuMap::defaultPath() {
    if (const char* env = std::getenv("QELDS_XU_MAP"); env && *env)
        return env;
    // Beside the library (the build tree, a private library folder), else the installed data folder
    // (<prefix>/lib/corvix -> <prefix>/share/corvix).
    const std::string dir = libraryDirectory();
    if (dir.empty())
        return std::string();
    const std::string beside = dir + "/xu_map.json";
    const std::string shared = dir + "/../../share/corvix/xu_map.json";
    if (access(beside.c_str(), R_OK) != 0 && access(shared.c_str(), R_OK) == 0)
        return shared;
    return beside;
}

std::shared_ptr<XuMap> loadXuMapOrWarn(const std::string& path) {
    auto map = std::make_shared<XuMap>();
    std::string error;
    if (path.empty())
        v4l2Warning("extension-unit map not found (set QELDS_XU_MAP); vendor camera features are off");
    else if (!map->load(path, &error))
        v4l2Warning("extension-unit map %s not loaded: %s; vendor camera features are off", path.c_str(),
                    error.c_str());
    return map;
}

const XuDeviceMap* XuMap::find(int vendorId, int productId) const {
    for (const XuDeviceMap& map : m_devices) {
        if (map.vendorId == vendorId && (map.productId < 0 || map.productId == productId))
            return &map;
    }
    return nullptr;
}

bool XuAccess::query(int selector, int request, uint8_t* data, int size) const {
    uvc_xu_control_query q;
    std::memset(&q, 0, sizeof q);
    q.unit = uint8_t(m_unit);
    q.selector = uint8_t(selector);
    q.query = uint8_t(request);
    q.size = uint16_t(size);
    q.data = data;
    if (m_io.ioctl(m_fd, UVCIOC_CTRL_QUERY, &q) != 0) {
        v4l2Warning("extension unit %d selector %d query 0x%x failed: %s", m_unit, selector, request,
                    std::strerror(errno));
        return false;
    }
    return true;
}

bool XuAccess::readControl(int selector, int size, std::vector<uint8_t>* data) const {
    uint8_t len[2] = {0, 0};
    if (!query(selector, UVC_GET_LEN, len, 2))
        return false;
    const int actual = len[0] | (len[1] << 8);
    if (actual != size) {
        v4l2Warning("extension unit %d selector %d is %d bytes, mapped as %d", m_unit, selector, actual,
                    size);
        return false;
    }
    data->assign(size_t(size), 0);
    return query(selector, UVC_GET_CUR, data->data(), size);
}

bool XuAccess::writeControl(int selector, const std::vector<uint8_t>& data) const {
    std::vector<uint8_t> copy = data;
    return query(selector, UVC_SET_CUR, copy.data(), int(copy.size()));
}

bool XuAccess::read(const XuField& field, int* value) const {
    std::vector<uint8_t> data;
    if (!readControl(field.selector, field.size, &data))
        return false;
    uint32_t v = 0;
    for (int i = 0; i < field.width; ++i)
        v |= uint32_t(data[size_t(field.offset + i)]) << (8 * i);
    *value = int(v);
    return true;
}

bool XuAccess::write(const XuField& field, int value) const {
    std::vector<uint8_t> data;
    if (!readControl(field.selector, field.size, &data))  // keeps the control's other bytes
        return false;
    for (int i = 0; i < field.width; ++i)
        data[size_t(field.offset + i)] = uint8_t(uint32_t(value) >> (8 * i));
    return writeControl(field.selector, data);
}

int xuFeatureCode(Feature feature) {
    switch (feature) {
        case Feature::FaceTracking:
            return 12;
        case Feature::SoundTracking:
            return 13;
        case Feature::AutoFocus:
            return 15;
        case Feature::Sensor:
            return 16;
        case Feature::HandGesture:
            return 17;
        case Feature::HideMode:
            return 18;
        case Feature::Pip:
            return 19;
        case Feature::DoaTest:
            return 20;
        case Feature::Canvas:
            return 21;
        case Feature::Mosaic:
            return 22;
        case Feature::Sub1Ai:
            return 23;
        case Feature::FactoryTest:
            return 25;
        default:
            return -1;
    }
}

}  // namespace qelds
