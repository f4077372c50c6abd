#include "ReplayModel.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <nlohmann/json.hpp>
#include <stdexcept>

namespace qelds {

namespace {

using nlohmann::json;

const std::pair<const char*, uint32_t> kControlNames[] = {
    {"brightness", V4L2_CID_BRIGHTNESS},
    {"contrast", V4L2_CID_CONTRAST},
    {"hue", V4L2_CID_HUE},
    {"hue_auto", V4L2_CID_HUE_AUTO},
    {"saturation", V4L2_CID_SATURATION},
    {"sharpness", V4L2_CID_SHARPNESS},
    {"gamma", V4L2_CID_GAMMA},
    {"colorfx", V4L2_CID_COLORFX},
    {"white_balance_temperature", V4L2_CID_WHITE_BALANCE_TEMPERATURE},
    {"white_balance_auto", V4L2_CID_AUTO_WHITE_BALANCE},
    {"backlight_compensation", V4L2_CID_BACKLIGHT_COMPENSATION},
    {"gain", V4L2_CID_GAIN},
    {"autogain", V4L2_CID_AUTOGAIN},
    {"pan_absolute", V4L2_CID_PAN_ABSOLUTE},
    {"tilt_absolute", V4L2_CID_TILT_ABSOLUTE},
    {"zoom_absolute", V4L2_CID_ZOOM_ABSOLUTE},
    {"exposure_absolute", V4L2_CID_EXPOSURE_ABSOLUTE},
    {"exposure_auto", V4L2_CID_EXPOSURE_AUTO},
    {"iris_absolute", V4L2_CID_IRIS_ABSOLUTE},
    {"focus_absolute", V4L2_CID_FOCUS_ABSOLUTE},
    {"focus_auto", V4L2_CID_FOCUS_AUTO},
    {"power_line_frequency", V4L2_CID_POWER_LINE_FREQUENCY},
    {"hflip", V4L2_CID_HFLIP},
    {"vflip", V4L2_CID_VFLIP},
    {"bitrate", V4L2_CID_MPEG_VIDEO_BITRATE},
    {"gop_size", V4L2_CID_MPEG_VIDEO_GOP_SIZE},
    {"h264_i_period", V4L2_CID_MPEG_VIDEO_H264_I_PERIOD},
    {"force_key_frame", V4L2_CID_MPEG_VIDEO_FORCE_KEY_FRAME},
};

uint32_t fourccOf(const std::string& text) {
    if (text.size() != 4)
        throw std::runtime_error("bad fourcc " + text);
    return v4l2_fourcc(text[0], text[1], text[2], text[3]);
}

bool isCompressedFourcc(uint32_t fourcc) {
    return fourcc == V4L2_PIX_FMT_MJPEG || fourcc == V4L2_PIX_FMT_JPEG || fourcc == V4L2_PIX_FMT_H264 ||
           fourcc == V4L2_PIX_FMT_HEVC;
}

uint32_t frameBytes(uint32_t fourcc, uint32_t w, uint32_t h, uint32_t* bytesPerLine) {
    switch (fourcc) {
        case V4L2_PIX_FMT_YUYV:
        case V4L2_PIX_FMT_UYVY:
            *bytesPerLine = w * 2;
            return w * h * 2;
        case V4L2_PIX_FMT_RGB24:
        case V4L2_PIX_FMT_BGR24:
            *bytesPerLine = w * 3;
            return w * h * 3;
        case V4L2_PIX_FMT_GREY:
            *bytesPerLine = w;
            return w * h;
        case V4L2_PIX_FMT_NV12:
        case V4L2_PIX_FMT_YUV420:
            *bytesPerLine = w;
            return w * h * 3 / 2;
        default:
            *bytesPerLine = 0;
            return std::max<uint32_t>(w * h, 64 * 1024);  // the largest compressed frame it sends
    }
}

std::string hexBytes(const std::string& hex) {
    std::string out;
    std::string digits;
    for (char c : hex) {
        if (std::isxdigit(static_cast<unsigned char>(c)))
            digits += c;
        else if (c != ' ' && c != '\n' && c != ':')
            throw std::runtime_error("bad hex text");
    }
    if (digits.size() % 2)
        throw std::runtime_error("odd hex text");
    for (size_t i = 0; i < digits.size(); i += 2)
        out += char(std::strtoul(digits.substr(i, 2).c_str(), nullptr, 16));
    return out;
}

v4l2_fract fractOf(const json& j) {
    v4l2_fract f;
    f.numerator = j.at(0).get<uint32_t>();
    f.denominator = j.at(1).get<uint32_t>();
    if (!f.numerator || !f.denominator)
        throw std::runtime_error("bad interval");
    return f;
}

ReplayControl controlFrom(const json& j) {
    ReplayControl c;
    // The V4L2 id when given ("0x00980900" or a number), else one of the known names.
    const std::string name = j.value("name", std::string());
    if (j.contains("id")) {
        const json& id = j["id"];
        if (id.is_number_unsigned()) {
            c.id = id.get<uint32_t>();
        } else if (id.is_string()) {
            const std::string text = id.get<std::string>();
            char* end = nullptr;
            const unsigned long value = std::strtoul(text.c_str(), &end, 0);
            if (!text.empty() && end && *end == '\0' && value <= UINT32_MAX)
                c.id = uint32_t(value);
        }
        if (!c.id)
            throw std::runtime_error("bad control id " + id.dump());
    } else {
        for (const auto& known : kControlNames)
            if (name == known.first)
                c.id = known.second;
        if (!c.id)
            throw std::runtime_error("unknown control " + name);
    }
    const std::string type = j.value("type", "int");
    if (type == "bool") {
        c.type = V4L2_CTRL_TYPE_BOOLEAN;
        c.min = 0;
        c.max = 1;
    } else if (type == "menu") {
        c.type = V4L2_CTRL_TYPE_MENU;
        for (const json& item : j.at("menu"))
            c.menu.push_back(item.get<int>());
        if (c.menu.empty())
            throw std::runtime_error("empty menu " + name);
        // The range may be wider than the items offered (a camera skipping modes 0 and 2).
        c.min = std::min(j.value("min", c.menu.front()), *std::min_element(c.menu.begin(), c.menu.end()));
        c.max = std::max(j.value("max", c.menu.front()), *std::max_element(c.menu.begin(), c.menu.end()));
    } else if (type == "button") {
        c.type = V4L2_CTRL_TYPE_BUTTON;  // its value counts the presses
        c.min = 0;
        c.max = 0;
    } else if (type == "int") {
        c.min = j.at("min").get<int>();
        c.max = j.at("max").get<int>();
        c.step = j.value("step", 1);
    } else {
        throw std::runtime_error("unknown control type " + type);
    }
    c.def = j.value("default", c.min);
    c.value = j.value("value", c.def);
    c.readOnly = j.value("read_only", false);
    return c;
}

std::vector<ReplayFormat> formatsFrom(const json& list) {
    std::vector<ReplayFormat> formats;
    for (const json& jf : list) {
        ReplayFormat f;
        f.fourcc = fourccOf(jf.at("fourcc").get<std::string>());
        f.description = jf.value("description", jf.at("fourcc").get<std::string>());
        for (const json& js : jf.at("sizes")) {
            ReplaySize s;
            if (js.contains("stepwise")) {
                const json& sw = js["stepwise"];
                s.stepwise = true;
                s.range.min_width = sw.at("min").at(0).get<uint32_t>();
                s.range.min_height = sw.at("min").at(1).get<uint32_t>();
                s.range.max_width = sw.at("max").at(0).get<uint32_t>();
                s.range.max_height = sw.at("max").at(1).get<uint32_t>();
                s.range.step_width = sw.contains("step") ? sw["step"].at(0).get<uint32_t>() : 1;
                s.range.step_height = sw.contains("step") ? sw["step"].at(1).get<uint32_t>() : 1;
            } else {
                s.width = js.at("size").at(0).get<uint32_t>();
                s.height = js.at("size").at(1).get<uint32_t>();
            }
            if (js.contains("interval_range")) {
                const json& range = js["interval_range"];
                s.intervalRange = true;
                s.minInterval = fractOf(range.at("min"));
                s.maxInterval = fractOf(range.at("max"));
                if (replaySeconds(s.minInterval) > replaySeconds(s.maxInterval))
                    throw std::runtime_error("interval range from longer to shorter");
                if (range.contains("step")) {
                    // A stepwise range; a zero step (a range of one interval) is allowed.
                    s.intervalStepwise = true;
                    s.intervalStep.numerator = range["step"].at(0).get<uint32_t>();
                    s.intervalStep.denominator = range["step"].at(1).get<uint32_t>();
                    if (!s.intervalStep.denominator)
                        throw std::runtime_error("bad interval step");
                }
            } else {
                for (const json& ji : js.at("intervals"))
                    s.intervals.push_back(fractOf(ji));
            }
            f.sizes.push_back(s);
        }
        formats.push_back(std::move(f));
    }
    return formats;
}

}  // namespace

bool replayIsCompressed(uint32_t fourcc) {
    return isCompressedFourcc(fourcc);
}

uint32_t replayImageBytes(uint32_t fourcc, uint32_t width, uint32_t height, uint32_t* bytesPerLine) {
    return frameBytes(fourcc, width, height, bytesPerLine);
}

std::vector<std::unique_ptr<ReplayDevice>> parseReplayDevices(const std::string& text) {
    std::vector<std::unique_ptr<ReplayDevice>> added;
    {
        const json root = json::parse(text);
        if (!root.at("devices").is_array())
            throw std::runtime_error("\"devices\" is not a list");
        for (const json& jd : root.at("devices")) {
            auto device = std::make_unique<ReplayDevice>();
            device->sysfs = jd.at("sysfs").get<std::string>();
            if (jd.contains("attributes"))
                for (const auto& a : jd["attributes"].items())
                    device->attributes[a.key()] = a.value().get<std::string>() + "\n";
            if (jd.contains("descriptors"))
                device->attributes["descriptors"] = hexBytes(jd["descriptors"].get<std::string>());
            if (jd.contains("controls"))
                for (const json& jc : jd["controls"])
                    device->controls.push_back(controlFrom(jc));
            if (jd.contains("xu")) {
                for (const json& jx : jd["xu"]) {
                    ReplayDevice::Xu xu;
                    xu.unit = jx.at("unit").get<int>();
                    xu.selector = jx.at("selector").get<int>();
                    const std::string value = hexBytes(jx.value("value", std::string()));
                    xu.data.assign(value.begin(), value.end());
                    xu.data.resize(jx.at("size").get<size_t>(), 0);
                    device->xu.push_back(std::move(xu));
                }
            }
            for (const json& jn : jd.at("nodes")) {
                auto node = std::make_unique<ReplayNode>();
                node->device = device.get();
                node->path = jn.at("path").get<std::string>();
                node->deviceDir = jn.contains("device_dir")
                                      ? jn["device_dir"].get<std::string>()
                                      : device->sysfs + "/" + jn.value("interface", "1.0");
                node->card = jn.value("card", std::string("Replay Camera"));
                node->driver = jn.value("driver", std::string("uvcvideo"));
                for (const json& cap : jn.at("caps")) {
                    const std::string c = cap.get<std::string>();
                    if (c == "video_capture")
                        node->caps |= V4L2_CAP_VIDEO_CAPTURE;
                    else if (c == "meta_capture")
                        node->caps |= V4L2_CAP_META_CAPTURE;
                    else if (c == "video_output")
                        node->caps |= V4L2_CAP_VIDEO_OUTPUT;
                    else if (c == "streaming")
                        node->caps |= V4L2_CAP_STREAMING;
                    else
                        throw std::runtime_error("unknown capability " + c);
                }
                node->timePerFrame = jn.value("timeperframe", true);
                node->parmBusyWhileStreaming = jn.value("parm_busy_while_streaming", true);
                if (jn.contains("formats"))
                    node->formats = formatsFrom(jn["formats"]);
                if (jn.contains("controls"))
                    for (const json& jc : jn["controls"])
                        node->controls.push_back(controlFrom(jc));
                if (!node->formats.empty() && !node->formats[0].sizes.empty()) {
                    const ReplaySize& s = node->formats[0].sizes[0];
                    node->fourcc = node->formats[0].fourcc;
                    node->width = s.stepwise ? s.range.max_width : s.width;
                    node->height = s.stepwise ? s.range.max_height : s.height;
                    node->sizeImage =
                        replayImageBytes(node->fourcc, node->width, node->height, &node->bytesPerLine);
                }
                device->nodes.push_back(std::move(node));
            }
            added.push_back(std::move(device));
        }
    }
    return added;
}

}  // namespace qelds
