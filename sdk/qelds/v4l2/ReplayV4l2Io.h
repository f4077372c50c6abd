// V4l2Io answering from a recorded device description instead of the kernel: capabilities,
// formats, frame sizes and intervals, controls, extension-unit controls and sysfs attributes
// of one or more devices, plus synthetic frames at the negotiated rate. Scripting calls add
// the faults of real hardware (unplugging mid-stream, USB bandwidth refusals, damaged frames).
//
// Description (JSON):
// { "devices": [ {
//     "sysfs": "/sys/devices/.../usb1/1-2",           // the USB device directory
//     "attributes": { "idVendor": "046d", "idProduct": "0825", "bcdDevice": "0012",
//                     "serial": "ABC", "busnum": "1", "devnum": "4" },
//     "descriptors": "12 01 00 02 ...",               // raw USB descriptors, hex (optional)
//     "controls": [ <control>, ... ],                 // shared by every node (UVC units)
//     "xu": [ { "unit": 4, "selector": 1, "size": 2, "value": "0000" } ],
//     "nodes": [ {
//         "path": "/dev/video0", "interface": "1-2:1.0", "card": "...", "driver": "uvcvideo",
//         "caps": ["video_capture", "streaming"],     // or "meta_capture", "video_output"
//         "timeperframe": true,                       // frame rate can be set (default true)
//         "parm_busy_while_streaming": true,          // S_PARM answers EBUSY while streaming
//         "formats": [ { "fourcc": "MJPG", "sizes": [
//             { "size": [1920, 1080], "intervals": [[1, 30], [1, 15]] },
//             { "stepwise": { "min": [160, 120], "max": [3840, 2160], "step": [16, 8] },
//               "interval_range": { "min": [1, 60], "max": [1, 1] } } ] } ],  // continuous;
//                                  // with "step": [1, 30] a stepwise range ([0, 1]: one interval)
//         "controls": [ <control>, ... ] } ] } ] }    // this node's own (encoder controls)
// <control>: { "id": "0x00980900", "name": "brightness", "type": "int"|"bool"|"menu"|"button",
//              "min": 0, "max": 255, "step": 1, "default": 128, "value": 128, "menu": [1, 3],
//              "read_only": false }
// A control is known by its V4L2 id when "id" is given (any id; the name is then only a label),
// else by one of these names: brightness contrast hue hue_auto saturation sharpness gamma colorfx
// white_balance_temperature white_balance_auto backlight_compensation gain autogain pan_absolute
// tilt_absolute zoom_absolute exposure_absolute exposure_auto iris_absolute focus_absolute
// focus_auto power_line_frequency hflip vflip bitrate gop_size h264_i_period force_key_frame.
// A button's value counts how often it was pressed.
#ifndef QELDS_REPLAY_V4L2_IO_H
#define QELDS_REPLAY_V4L2_IO_H

#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "V4l2Io.h"

namespace qelds {

struct ReplayDevice;
struct ReplayNode;

class ReplayV4l2Io : public V4l2Io {
public:
    ReplayV4l2Io();
    ~ReplayV4l2Io() override;

    // Adds the devices of a description; false with a message when it is malformed.
    bool parse(const std::string& text, std::string* error);
    bool load(const std::string& path, std::string* error);

    // Scripting, by node path or device sysfs path.
    void unplug(const std::string& sysfs);
    // Plugs an unplugged device in again, as a new USB address (devnum + 1).
    void replug(const std::string& sysfs);
    // Unplugs the node's device once the node has delivered `frames` more frames.
    void unplugAfterFrames(const std::string& node, int frames);
    // VIDIOC_STREAMON on the node answers this errno (0: succeeds again).
    void failStreamOn(const std::string& node, int error);
    // The node's next `count` frames are damaged: the first flagged as errors, the rest cut short.
    void damageFrames(const std::string& node, int count);
    // Frame pacing in milliseconds for every node (0: the negotiated frame rate).
    void setFrameIntervalMs(int ms);

    // Inspection.
    int framesDelivered(const std::string& node) const;
    bool isStreaming(const std::string& node) const;
    int openDescriptors() const;
    int mappedBuffers() const;
    int allocatedBuffers(const std::string& node) const;
    int timePerFrameFps(const std::string& node) const;
    // How the waits for frames ended: woken by the caller, or timed out.
    int pollsWoken() const { return m_pollsWoken.load(); }
    int pollsTimedOut() const { return m_pollsTimedOut.load(); }
    bool controlValue(const std::string& node, uint32_t cid, int* value) const;
    std::vector<uint8_t> xuValue(const std::string& sysfs, int unit, int selector) const;

    std::vector<std::string> listVideoNodes() override;
    std::string sysfsDeviceOf(const std::string& node) override;
    bool readSysfs(const std::string& path, std::string* content) override;
    int open(const std::string& node) override;
    int close(int fd) override;
    int ioctl(int fd, unsigned long request, void* arg) override;
    void* mmap(size_t length, int fd, off_t offset) override;
    int munmap(void* address, size_t length) override;
    PollResult poll(int fd, int wakeFd, int timeoutMs) override;

private:
    ReplayNode* nodeByPath(const std::string& path) const;
    ReplayDevice* deviceBySysfs(const std::string& sysfs) const;
    int handleIoctl(int fd, ReplayNode& node, unsigned long request, void* arg);

    mutable std::mutex m_mutex;
    std::vector<std::unique_ptr<ReplayDevice>> m_devices;
    std::map<int, ReplayNode*> m_fds;
    struct Mapping;
    std::map<void*, std::unique_ptr<Mapping>> m_mappings;
    int m_nextFd = 1000;
    int m_frameIntervalMs = 0;
    std::atomic<int> m_pollsWoken{0};
    std::atomic<int> m_pollsTimedOut{0};
};

}  // namespace qelds

#endif
