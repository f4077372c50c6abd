#include "V4l2Probe.h"

#include <linux/videodev2.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <map>

#include "V4l2Io.h"
#include "V4l2Log.h"
#include "qeldefine.h"

namespace qelds {

namespace {

// Sizes offered from a stepwise or continuous range: these common ones where they fit.
const int kCommonSizes[][2] = {{3840, 2160}, {2560, 1440}, {1920, 1080}, {1600, 1200}, {1280, 960},
                               {1280, 720},  {1024, 768},  {960, 540},   {800, 600},   {640, 480},
                               {640, 360},   {320, 240},   {160, 120}};
// Frame rates offered from a stepwise or continuous interval range.
const int kCommonRates[] = {120, 90, 60, 50, 30, 25, 24, 20, 15, 10, 5, 1};

std::string trimmed(std::string text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == ' ' || text.back() == '\0'))
        text.pop_back();
    return text;
}

int fpsOf(const v4l2_fract& interval) {
    if (interval.numerator == 0 || interval.denominator == 0)
        return 0;
    return static_cast<int>(std::lround(double(interval.denominator) / double(interval.numerator)));
}

double seconds(const v4l2_fract& f) {
    return f.denominator ? double(f.numerator) / double(f.denominator) : 0.0;
}

bool fitsStep(uint32_t value, uint32_t min, uint32_t max, uint32_t step) {
    if (value < min || value > max)
        return false;
    return step <= 1 || (value - min) % step == 0;
}

std::vector<int> probeRates(V4l2Io& io, int fd, uint32_t pixelFormat, int width, int height) {
    std::vector<int> rates;
    for (uint32_t index = 0; index < 256; ++index) {
        v4l2_frmivalenum ival;
        std::memset(&ival, 0, sizeof ival);
        ival.index = index;
        ival.pixel_format = pixelFormat;
        ival.width = width;
        ival.height = height;
        if (io.ioctl(fd, VIDIOC_ENUM_FRAMEINTERVALS, &ival) != 0)
            break;
        if (ival.type == V4L2_FRMIVAL_TYPE_DISCRETE) {
            rates.push_back(fpsOf(ival.discrete));
            continue;
        }
        // Stepwise or continuous: the shortest interval is the highest rate, then the common rates
        // within the range (for a stepwise range, those whose interval is one of its steps).
        const int highest = fpsOf(ival.stepwise.min);
        const int lowest = std::max(1, fpsOf(ival.stepwise.max));
        rates.push_back(highest);
        const double min = seconds(ival.stepwise.min);
        const double step = ival.type == V4L2_FRMIVAL_TYPE_STEPWISE ? seconds(ival.stepwise.step) : 0.0;
        for (int rate : kCommonRates) {
            if (rate >= highest || rate < lowest)
                continue;
            const double interval = 1.0 / rate;
            if (step > 0 && std::fabs(interval - min - std::round((interval - min) / step) * step) > 0.0005)
                continue;
            rates.push_back(rate);
        }
        break;
    }
    rates.erase(std::remove_if(rates.begin(), rates.end(), [](int r) { return r < 1; }), rates.end());
    std::sort(rates.begin(), rates.end(), std::greater<int>());
    rates.erase(std::unique(rates.begin(), rates.end()), rates.end());
    if (rates.empty()) {
        // A driver without frame interval enumeration runs at a rate of its own choosing.
        v4l2_streamparm parm;
        std::memset(&parm, 0, sizeof parm);
        parm.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
        int rate = 0;
        if (io.ioctl(fd, VIDIOC_G_PARM, &parm) == 0)
            rate = fpsOf(parm.parm.capture.timeperframe);
        rates.push_back(rate > 0 ? rate : 30);
    }
    return rates;
}

std::vector<FrameSize> probeSizes(V4l2Io& io, int fd, uint32_t pixelFormat) {
    std::vector<std::pair<int, int>> dims;
    for (uint32_t index = 0; index < 1024; ++index) {
        v4l2_frmsizeenum size;
        std::memset(&size, 0, sizeof size);
        size.index = index;
        size.pixel_format = pixelFormat;
        if (io.ioctl(fd, VIDIOC_ENUM_FRAMESIZES, &size) != 0)
            break;
        if (size.type == V4L2_FRMSIZE_TYPE_DISCRETE) {
            dims.emplace_back(size.discrete.width, size.discrete.height);
            continue;
        }
        const auto& sw = size.stepwise;
        const uint32_t stepW = size.type == V4L2_FRMSIZE_TYPE_CONTINUOUS ? 1 : sw.step_width;
        const uint32_t stepH = size.type == V4L2_FRMSIZE_TYPE_CONTINUOUS ? 1 : sw.step_height;
        dims.emplace_back(sw.max_width, sw.max_height);
        for (const auto& common : kCommonSizes) {
            if (fitsStep(common[0], sw.min_width, sw.max_width, stepW) &&
                fitsStep(common[1], sw.min_height, sw.max_height, stepH))
                dims.emplace_back(common[0], common[1]);
        }
        break;
    }
    std::vector<FrameSize> sizes;
    for (const auto& d : dims) {
        if (d.first <= 0 || d.second <= 0)
            continue;
        const bool seen = std::any_of(sizes.begin(), sizes.end(), [&](const FrameSize& s) {
            return s.width == d.first && s.height == d.second;
        });
        if (seen)
            continue;
        FrameSize fs;
        fs.width = d.first;
        fs.height = d.second;
        fs.fps = probeRates(io, fd, pixelFormat, d.first, d.second);
        sizes.push_back(std::move(fs));
    }
    return sizes;
}

std::string readAttr(V4l2Io& io, const std::string& dir, const char* name) {
    std::string value;
    if (dir.empty() || !io.readSysfs(dir + "/" + name, &value))
        return std::string();
    return trimmed(value);
}

int hexAttr(V4l2Io& io, const std::string& dir, const char* name) {
    const std::string text = readAttr(io, dir, name);
    if (text.empty())
        return 0;
    char* end = nullptr;
    const long value = std::strtol(text.c_str(), &end, 16);
    return (end && *end == '\0' && value >= 0 && value <= 0xffff) ? int(value) : 0;
}

// Walks up from the node's device directory to the USB device (the one with idVendor).
std::string usbDeviceOf(V4l2Io& io, const std::string& deviceDir) {
    std::string dir = deviceDir;
    for (int depth = 0; depth < 8 && !dir.empty() && dir != "/sys"; ++depth) {
        std::string ignored;
        if (io.readSysfs(dir + "/idVendor", &ignored))
            return dir;
        dir = V4l2Io::sysfsParent(dir);
    }
    return std::string();
}

}  // namespace

int mediaTypeForPixelFormat(uint32_t pixelFormat) {
    switch (pixelFormat) {
        case V4L2_PIX_FMT_MJPEG:
        case V4L2_PIX_FMT_JPEG:
            return QEL_MEDIA_MJPEG;
        case V4L2_PIX_FMT_YUYV:
            return QEL_MEDIA_YUY2;
        case V4L2_PIX_FMT_H264:
            return QEL_MEDIA_H264;
        case V4L2_PIX_FMT_HEVC:
            return QEL_MEDIA_H265;
        case V4L2_PIX_FMT_NV12:
            return QEL_MEDIA_NV12;
        case V4L2_PIX_FMT_YUV420:
            return QEL_MEDIA_I420;
        case V4L2_PIX_FMT_UYVY:
            return QEL_MEDIA_UYVY;
        case V4L2_PIX_FMT_GREY:
            return QEL_MEDIA_GREY;
        case V4L2_PIX_FMT_RGB24:
            return QEL_MEDIA_RGB24;
        case V4L2_PIX_FMT_BGR24:
            return QEL_MEDIA_BGR24;
        default:
            return QEL_MEDIA_UNKNOWN;
    }
}

std::string firmwareFromBcd(const std::string& bcd) {
    if (bcd.size() != 4 || !std::all_of(bcd.begin(), bcd.end(), ::isxdigit))
        return std::string();
    const unsigned value = unsigned(std::strtoul(bcd.c_str(), nullptr, 16));
    char text[16];
    std::snprintf(text, sizeof text, "%x.%02x", value >> 8, value & 0xff);
    return text;
}

std::vector<V4l2Format> probeFormats(V4l2Io& io, int fd) {
    std::vector<V4l2Format> formats;
    for (uint32_t index = 0; index < 256; ++index) {
        v4l2_fmtdesc desc;
        std::memset(&desc, 0, sizeof desc);
        desc.index = index;
        desc.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
        if (io.ioctl(fd, VIDIOC_ENUM_FMT, &desc) != 0)
            break;
        const int type = mediaTypeForPixelFormat(desc.pixelformat);
        if (type == QEL_MEDIA_UNKNOWN) {
            v4l2Debug("pixel format %.4s not offered", reinterpret_cast<const char*>(&desc.pixelformat));
            continue;
        }
        // Two pixel formats with one media type (MJPG and JPEG): the first listed wins.
        if (std::any_of(formats.begin(), formats.end(),
                        [&](const V4l2Format& f) { return f.mediaType == type; }))
            continue;
        V4l2Format format;
        format.mediaType = type;
        format.pixelFormat = desc.pixelformat;
        format.sizes = probeSizes(io, fd, desc.pixelformat);
        if (!format.sizes.empty())
            formats.push_back(std::move(format));
    }
    return formats;
}

std::vector<V4l2CameraInfo> probeCameras(V4l2Io& io) {
    std::vector<V4l2CameraInfo> cameras;
    std::map<std::string, size_t> byKey;
    for (const std::string& node : io.listVideoNodes()) {
        const int fd = io.open(node);
        if (fd < 0) {
            v4l2Warning("cannot open %s: %s", node.c_str(), std::strerror(errno));
            continue;
        }
        v4l2_capability cap;
        std::memset(&cap, 0, sizeof cap);
        if (io.ioctl(fd, VIDIOC_QUERYCAP, &cap) != 0) {
            v4l2Warning("%s: VIDIOC_QUERYCAP failed: %s", node.c_str(), std::strerror(errno));
            io.close(fd);
            continue;
        }
        const uint32_t caps = (cap.capabilities & V4L2_CAP_DEVICE_CAPS) ? cap.device_caps : cap.capabilities;
        if (!(caps & V4L2_CAP_VIDEO_CAPTURE) || !(caps & V4L2_CAP_STREAMING)) {
            v4l2Debug("%s is not a streaming capture node (caps 0x%x)", node.c_str(), caps);
            io.close(fd);
            continue;
        }
        V4l2NodeInfo info;
        info.path = node;
        info.card = trimmed(std::string(reinterpret_cast<const char*>(cap.card),
                                        strnlen(reinterpret_cast<const char*>(cap.card), sizeof cap.card)));
        info.formats = probeFormats(io, fd);
        io.close(fd);
        if (info.formats.empty()) {
            v4l2Debug("%s offers no usable format", node.c_str());
            continue;
        }

        const std::string deviceDir = io.sysfsDeviceOf(node);
        const std::string usbDir = usbDeviceOf(io, deviceDir);
        const std::string key = !usbDir.empty() ? usbDir : !deviceDir.empty() ? deviceDir : node;
        auto found = byKey.find(key);
        if (found == byKey.end()) {
            V4l2CameraInfo camera;
            camera.uniqueId = key;
            camera.usbPath = usbDir;
            camera.name = info.card.empty() ? node : info.card;
            if (!usbDir.empty()) {
                camera.vendorId = hexAttr(io, usbDir, "idVendor");
                camera.productId = hexAttr(io, usbDir, "idProduct");
                camera.firmware = firmwareFromBcd(readAttr(io, usbDir, "bcdDevice"));
                camera.serial = readAttr(io, usbDir, "serial");
                const std::string devnum = readAttr(io, usbDir, "devnum");
                camera.generation = readAttr(io, usbDir, "busnum") + ":" + devnum;
                // Another device (or the same one again) plugged into this port gets a new address.
                if (!devnum.empty())
                    camera.uniqueId += "#" + devnum;
            }
            found = byKey.emplace(key, cameras.size()).first;
            cameras.push_back(std::move(camera));
        }
        V4l2CameraInfo& camera = cameras[found->second];
        camera.generation += "|" + node;
        camera.nodes.push_back(std::move(info));
    }
    return cameras;
}

}  // namespace qelds
