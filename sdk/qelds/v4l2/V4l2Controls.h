// Image properties (ids 0-16), power-line frequency and the other standard controls of a
// V4L2 camera, on the open descriptors of its nodes.
#ifndef QELDS_V4L2_CONTROLS_H
#define QELDS_V4L2_CONTROLS_H

#include <linux/videodev2.h>

#include <cstdint>
#include <vector>

#include "CameraDevice.h"

namespace qelds {

class V4l2Io;

class V4l2Controls {
public:
    static constexpr int kPropertyCount = 17;

    explicit V4l2Controls(V4l2Io& io) : m_io(io) {}

    // The descriptors to look controls up on, in stream order (the first one having a control
    // is used). Empty: closed, every call answers false.
    void setDescriptors(std::vector<int> fds) { m_fds = std::move(fds); }

    bool propertyRange(int id, PropertyRange* range) const;
    bool propertyGet(int id, int* value, bool* autoMode) const;
    bool propertySet(int id, int value, bool autoMode) const;

    // 1 = 50 Hz, 2 = 60 Hz.
    bool frequencySupported() const;
    bool frequencyGet(int* value) const;
    bool frequencySet(int value) const;

    // A control present and enabled on one of the descriptors (or on `fd` alone when given).
    bool has(uint32_t cid, int fd = -1) const;
    bool get(uint32_t cid, int* value, int fd = -1) const;
    // Writes the value, clamped to the control's range and step.
    bool set(uint32_t cid, int value, int fd = -1) const;

private:
    // The descriptor holding cid, and its description; -1 when none.
    int find(uint32_t cid, v4l2_queryctrl* query, int onlyFd) const;
    bool menuHas(int fd, uint32_t cid, int index) const;
    bool exposureAutoSupported(int fd) const;
    bool colourEnableSupported(int fd) const;

    V4l2Io& m_io;
    std::vector<int> m_fds;
};

}  // namespace qelds

#endif
