#include "VirtualProfile.h"

#include <algorithm>
#include <functional>
#include <nlohmann/json.hpp>

namespace qelds {

namespace {

const char* const kPropertyNames[kPropertyCount] = {
    "Pu_Brightness",  "Pu_Contrast",     "Pu_Hue",
    "Pu_Saturation",  "Pu_Sharpness",    "Pu_Gamma",
    "Pu_ColorEnable", "Pu_WhiteBalance", "Pu_BacklightCompensation",
    "Pu_Gain",        "Ct_Pan",          "Ct_Tilt",
    "Ct_Roll",        "Ct_Zoom",         "Ct_Exposure",
    "Ct_Iris",        "Ct_Focus"};

const char* const kMaskKeys[kMaskFeatureCount] = {"hand_gesture", "canvas",     "sub1_ai",
                                                  "mosaic",       "audio_mode", "factory_test"};

using json = nlohmann::json;

struct ParseError {
    std::string message;
};

[[noreturn]] void fail(const std::string& message) {
    throw ParseError{message};
}

int intIn(const json& v, const char* what, int lo, int hi) {
    if (!v.is_number_integer())
        fail(std::string(what) + " must be an integer");
    long long n = v.get<long long>();
    if (n < lo || n > hi)
        fail(std::string(what) + " out of range: " + std::to_string(n));
    return static_cast<int>(n);
}

std::vector<int> intList(const json& v, const char* what, int lo, int hi, size_t maxCount) {
    if (!v.is_array())
        fail(std::string(what) + " must be an array");
    if (v.size() > maxCount)
        fail(std::string(what) + " has too many entries");
    std::vector<int> out;
    for (const json& e : v)
        out.push_back(intIn(e, what, lo, hi));
    return out;
}

std::vector<MediaFormat> formatList(const json& v, const char* what, bool allowEmpty) {
    if (!v.is_array())
        fail(std::string(what) + " must be an array");
    if (v.empty() && !allowEmpty)
        fail(std::string(what) + " is empty");
    std::vector<MediaFormat> out;
    for (const json& f : v) {
        if (!f.is_object())
            fail(std::string(what) + ": a format must be an object");
        MediaFormat mf;
        mf.mediaType = intIn(f.value("type", json(1)), "type", 1, 4);
        if (!f.contains("sizes"))
            fail(std::string(what) + ": a format needs sizes");
        std::vector<int> fps = {30, 25, 15};
        if (f.contains("fps"))
            fps = intList(f["fps"], "fps", 1, 240, 32);
        if (fps.empty())
            fail(std::string(what) + ": fps is empty");
        std::sort(fps.begin(), fps.end(), std::greater<int>());
        fps.erase(std::unique(fps.begin(), fps.end()), fps.end());
        const json& sizes = f["sizes"];
        if (!sizes.is_array() || sizes.empty())
            fail(std::string(what) + ": sizes must be a non-empty array");
        for (const json& s : sizes) {
            if (!s.is_array() || s.size() != 2)
                fail(std::string(what) + ": a size is [width, height]");
            FrameSize fs;
            fs.width = intIn(s[0], "width", 16, 7680);
            fs.height = intIn(s[1], "height", 8, 4320);
            if (fs.width % 2 || fs.height % 2)
                fail(std::string(what) + ": sizes must be even");
            fs.fps = fps;
            mf.sizes.push_back(fs);
        }
        auto same = [&](const MediaFormat& o) { return o.mediaType == mf.mediaType; };
        if (std::find_if(out.begin(), out.end(), same) != out.end())
            fail(std::string(what) + ": media type listed twice");
        out.push_back(mf);
    }
    return out;
}

PropertyRange propertyRange(const json& v, PropertyRange def, const char* name) {
    if (v.is_null())
        return PropertyRange{};
    if (!v.is_object())
        fail(std::string(name) + " must be an object or null");
    PropertyRange r = def;
    r.supported = true;
    if (v.contains("min"))
        r.min = intIn(v["min"], "min", -1000000, 1000000);
    if (v.contains("max"))
        r.max = intIn(v["max"], "max", -1000000, 1000000);
    if (v.contains("step"))
        r.step = intIn(v["step"], "step", 1, 1000000);
    if (v.contains("default"))
        r.def = intIn(v["default"], "default", -1000000, 1000000);
    if (v.contains("auto")) {
        if (!v["auto"].is_boolean())
            fail(std::string(name) + ": auto must be true or false");
        r.autoSupported = v["auto"].get<bool>();
    }
    if (r.min > r.max || r.def < r.min || r.def > r.max)
        fail(std::string(name) + ": default outside min..max");
    return r;
}

}  // namespace

const char* propertyName(int id) {
    return id >= 0 && id < kPropertyCount ? kPropertyNames[id] : nullptr;
}

VirtualProfile VirtualProfile::defaults() {
    VirtualProfile p;
    const int sizes[6][2] = {{1920, 1080}, {3840, 2160}, {2560, 1440}, {1280, 720}, {960, 540}, {640, 360}};
    std::vector<FrameSize> list;
    for (const auto& s : sizes) {
        FrameSize fs;
        fs.width = s[0];
        fs.height = s[1];
        if (s[0] <= 1280)
            fs.fps = {60, 30, 25, 20, 15, 10, 5};
        else
            fs.fps = {30, 25, 20, 15, 10, 5};
        list.push_back(fs);
    }
    std::vector<MediaFormat> formats;
    for (int type = 1; type <= 4; ++type)
        formats.push_back(MediaFormat{type, list});
    p.streams.assign(3, formats);
    std::vector<FrameSize> stillSizes;
    for (int i : {0, 1, 3, 5})
        stillSizes.push_back(FrameSize{sizes[i][0], sizes[i][1], {30}});
    p.still = {MediaFormat{1, stillSizes}};
    p.features = {0, 1, 4, 5, 7, 9, 10, 12, 13, 15, 16, 17, 18, 19, 20, 21, 22, 23, 25};
    p.masks[static_cast<int>(MaskFeature::HandGesture)] = {1, 1, 1};
    p.masks[static_cast<int>(MaskFeature::Canvas)] = {1, 1, 1};
    p.masks[static_cast<int>(MaskFeature::Sub1Ai)] = {1, 1, 1, 1};
    p.masks[static_cast<int>(MaskFeature::Mosaic)] = {1};
    p.masks[static_cast<int>(MaskFeature::AudioMode)] = {1, 1};
    p.masks[static_cast<int>(MaskFeature::FactoryTest)] = {1, 1};
    p.sensors = {1, 2, 3, 4, 5, 6};
    p.baffles = {1, 2, 3};
    // supported, min, max, step, default, auto
    const PropertyRange ranges[kPropertyCount] = {
        {true, -64, 64, 1, 0, false},        // brightness
        {true, 0, 100, 1, 50, false},        // contrast
        {true, -180, 180, 1, 0, false},      // hue
        {true, 0, 128, 1, 64, false},        // saturation
        {true, 0, 100, 1, 50, false},        // sharpness
        {true, 72, 500, 1, 100, false},      // gamma
        {true, 0, 1, 1, 1, false},           // colour enable
        {true, 2800, 6500, 10, 4600, true},  // white balance temperature
        {true, 0, 2, 1, 1, false},           // backlight compensation
        {true, 0, 100, 1, 0, false},         // gain
        {true, -180, 180, 1, 0, false},      // pan
        {true, -90, 90, 1, 0, false},        // tilt
        {true, -180, 180, 1, 0, false},      // roll
        {true, 100, 400, 1, 100, false},     // zoom
        {true, -13, -1, 1, -6, true},        // exposure (log2 seconds)
        {true, 0, 10, 1, 5, false},          // iris
        {true, 0, 1023, 1, 300, true}};      // focus
    std::copy(ranges, ranges + kPropertyCount, p.properties);
    return p;
}

bool VirtualProfile::parse(const std::string& text, VirtualProfile* out, std::string* error) {
    VirtualProfile p = defaults();
    if (text.empty()) {
        *out = p;
        return true;
    }
    try {
        json j = json::parse(text);
        if (!j.is_object())
            fail("a profile must be a JSON object");
        auto str = [&](const char* key, std::string* target) {
            if (!j.contains(key))
                return;
            if (!j[key].is_string())
                fail(std::string(key) + " must be a string");
            *target = j[key].get<std::string>();
            if (target->size() > 255)
                fail(std::string(key) + " is longer than 255 bytes");
        };
        str("name", &p.name);
        str("firmware", &p.firmware);
        str("mid", &p.mid);
        if (p.name.empty())
            fail("name is empty");
        if (j.contains("vid"))
            p.vid = intIn(j["vid"], "vid", 0, 0xffff);
        if (j.contains("pid"))
            p.pid = intIn(j["pid"], "pid", 0, 0xffff);
        if (j.contains("streams")) {
            const json& s = j["streams"];
            if (!s.is_array() || s.empty() || s.size() > kMaxVirtualStreams)
                fail("streams must hold 1 to 3 entries");
            p.streams.clear();
            for (const json& st : s) {
                if (!st.is_object() || !st.contains("formats"))
                    fail("a stream needs formats");
                p.streams.push_back(formatList(st["formats"], "formats", false));
            }
        }
        if (j.contains("still"))
            p.still = formatList(j["still"], "still", true);
        for (const MediaFormat& f : p.still) {
            if (f.mediaType != 1 && f.mediaType != 2)
                fail("still formats are type 1 or 2");
        }
        if (j.contains("features"))
            p.features = intList(j["features"], "features", 0, 255, 64);
        if (j.contains("masks")) {
            const json& m = j["masks"];
            if (!m.is_object())
                fail("masks must be an object");
            for (int i = 0; i < kMaskFeatureCount; ++i) {
                if (m.contains(kMaskKeys[i]))
                    p.masks[i] = intList(m[kMaskKeys[i]], kMaskKeys[i], 0, 1, 64);
            }
        }
        if (j.contains("sensors"))
            p.sensors = intList(j["sensors"], "sensors", -1000, 1000, 16);
        if (j.contains("baffles"))
            p.baffles = intList(j["baffles"], "baffles", -1000, 1000, 16);
        if (j.contains("properties")) {
            const json& props = j["properties"];
            if (!props.is_object())
                fail("properties must be an object");
            for (auto it = props.begin(); it != props.end(); ++it) {
                int id = -1;
                for (int i = 0; i < kPropertyCount; ++i) {
                    if (it.key() == kPropertyNames[i])
                        id = i;
                }
                if (id < 0)
                    fail("unknown property " + it.key());
                p.properties[id] = propertyRange(it.value(), p.properties[id], kPropertyNames[id]);
            }
        }
        if (j.contains("frequency")) {
            if (!j["frequency"].is_boolean())
                fail("frequency must be true or false");
            p.frequency = j["frequency"].get<bool>();
        }
    } catch (const json::exception& e) {
        *error = e.what();
        return false;
    } catch (const ParseError& e) {
        *error = e.message;
        return false;
    }
    *out = p;
    return true;
}

}  // namespace qelds
