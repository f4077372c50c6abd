// Finding the V4L2 cameras: capture nodes grouped by physical device, and their formats.
#ifndef QELDS_V4L2_PROBE_H
#define QELDS_V4L2_PROBE_H

#include <cstdint>
#include <string>
#include <vector>

#include "CameraDevice.h"

namespace qelds {

class V4l2Io;

// One media type of a node with the V4L2 pixel format that delivers it.
struct V4l2Format {
    int mediaType = 0;
    uint32_t pixelFormat = 0;
    std::vector<FrameSize> sizes;
};

struct V4l2NodeInfo {
    std::string path;  // "/dev/videoN"
    std::string card;
    std::vector<V4l2Format> formats;
};

struct V4l2CameraInfo {
    std::string uniqueId;    // sysfs path of the USB device and "#" its USB address (or the node's device)
    std::string generation;  // changes when the device is plugged in again at the same port
    std::string usbPath;     // sysfs directory holding idVendor etc.; empty for non-USB devices
    std::string name;
    int vendorId = 0;
    int productId = 0;
    std::string firmware;             // from bcdDevice, "major.minor"; empty when unknown
    std::string serial;               // empty when the device has none
    std::vector<V4l2NodeInfo> nodes;  // the streams, in node order
};

// Media type code (qeldefine.h) of a V4L2 pixel format; 0 when not offered.
int mediaTypeForPixelFormat(uint32_t pixelFormat);

// Every camera present now. Nodes that cannot be opened or queried are left out (logged).
std::vector<V4l2CameraInfo> probeCameras(V4l2Io& io);

// The formats of an open capture node: sizes in the listed order, frame rates highest first.
std::vector<V4l2Format> probeFormats(V4l2Io& io, int fd);

// "0102" (bcdDevice) -> "1.02"; empty for text that is not four hex digits.
std::string firmwareFromBcd(const std::string& bcd);

}  // namespace qelds

#endif
