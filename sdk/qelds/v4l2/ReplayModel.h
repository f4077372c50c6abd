// The recorded description behind ReplayV4l2Io: devices, their nodes, formats and controls.
#ifndef QELDS_REPLAY_MODEL_H
#define QELDS_REPLAY_MODEL_H

#include <linux/videodev2.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace qelds {

using ReplayClock = std::chrono::steady_clock;

struct ReplayNode;

struct ReplayControl {
    uint32_t id = 0;
    uint32_t type = V4L2_CTRL_TYPE_INTEGER;
    int min = 0, max = 0, step = 1, def = 0, value = 0;
    bool readOnly = false;
    std::vector<int> menu;
};

struct ReplaySize {
    bool stepwise = false;
    uint32_t width = 0, height = 0;
    v4l2_frmsize_stepwise range{};
    std::vector<v4l2_fract> intervals;
    bool intervalRange = false;
    v4l2_fract minInterval{}, maxInterval{};
    bool intervalStepwise = false;  // a range with a step (else continuous)
    v4l2_fract intervalStep{0, 1};
    bool fits(uint32_t w, uint32_t h) const {
        if (!stepwise)
            return w == width && h == height;
        return w >= range.min_width && w <= range.max_width && h >= range.min_height &&
               h <= range.max_height && (w - range.min_width) % std::max(1u, range.step_width) == 0 &&
               (h - range.min_height) % std::max(1u, range.step_height) == 0;
    }
};

struct ReplayFormat {
    uint32_t fourcc = 0;
    std::string description;
    std::vector<ReplaySize> sizes;
};

struct ReplayBuffer {
    uint8_t* memory = nullptr;  // set while mapped
    uint32_t length = 0;
    bool queued = false;
};

struct ReplayDevice {
    std::string sysfs;
    std::map<std::string, std::string> attributes;
    std::vector<ReplayControl> controls;
    struct Xu {
        int unit, selector;
        std::vector<uint8_t> data;
    };
    std::vector<Xu> xu;
    std::vector<std::unique_ptr<ReplayNode>> nodes;
    bool present = true;
};

struct ReplayNode {
    ReplayDevice* device = nullptr;
    std::string path;
    std::string deviceDir;
    std::string card, driver;
    uint32_t caps = 0;
    bool timePerFrame = true;
    bool parmBusyWhileStreaming = true;
    std::vector<ReplayFormat> formats;
    std::vector<ReplayControl> controls;
    // Current format and rate.
    uint32_t fourcc = 0, width = 0, height = 0, sizeImage = 0, bytesPerLine = 0;
    v4l2_fract interval{1, 30};
    // The buffer queue, owned by one descriptor.
    int owner = -1;
    std::vector<ReplayBuffer> buffers;
    std::deque<uint32_t> queue;
    bool streaming = false;
    ReplayClock::time_point streamStart;
    int64_t nextFrame = 1;
    uint32_t sequence = 0;
    int delivered = 0;
    // Scripted faults.
    int streamOnError = 0;
    int unplugAfter = -1;
    int damaged = 0;
    int damagedTotal = 0;

    ReplayControl* control(uint32_t id) {
        for (auto& c : controls)
            if (c.id == id)
                return &c;
        for (auto& c : device->controls)
            if (c.id == id)
                return &c;
        return nullptr;
    }
    const ReplayFormat* format(uint32_t fcc) const {
        for (auto& f : formats)
            if (f.fourcc == fcc)
                return &f;
        return nullptr;
    }
};

// Parses a description's devices (layout in ReplayV4l2Io.h); throws std::exception when malformed.
std::vector<std::unique_ptr<ReplayDevice>> parseReplayDevices(const std::string& text);

bool replayIsCompressed(uint32_t fourcc);
// Bytes of one frame (the largest one for compressed formats) and the line length.
uint32_t replayImageBytes(uint32_t fourcc, uint32_t width, uint32_t height, uint32_t* bytesPerLine);
inline double replaySeconds(const v4l2_fract& f) {
    return double(f.numerator) / double(f.denominator);
}

}  // namespace qelds

#endif
