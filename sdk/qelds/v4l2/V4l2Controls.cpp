#include "V4l2Controls.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "V4l2Io.h"
#include "V4l2Log.h"

namespace qelds {

namespace {

enum class AutoKind { None, Boolean, ExposureMenu };

struct PropertyControl {
    uint32_t cid;  // 0: no control for this property
    uint32_t autoCid;
    AutoKind autoKind;
};

// Rows 0-11 are image properties, 12-16 camera controls.
const PropertyControl kProperties[V4l2Controls::kPropertyCount] = {
    {V4L2_CID_BRIGHTNESS, 0, AutoKind::None},
    {V4L2_CID_CONTRAST, 0, AutoKind::None},
    {V4L2_CID_HUE, V4L2_CID_HUE_AUTO, AutoKind::Boolean},
    {V4L2_CID_SATURATION, 0, AutoKind::None},
    {V4L2_CID_SHARPNESS, 0, AutoKind::None},
    {V4L2_CID_GAMMA, 0, AutoKind::None},
    {V4L2_CID_COLORFX, 0, AutoKind::None},  // colour enable: 1 colour, 0 black and white
    {V4L2_CID_WHITE_BALANCE_TEMPERATURE, V4L2_CID_AUTO_WHITE_BALANCE, AutoKind::Boolean},
    {V4L2_CID_BACKLIGHT_COMPENSATION, 0, AutoKind::None},
    {V4L2_CID_GAIN, V4L2_CID_AUTOGAIN, AutoKind::Boolean},
    {V4L2_CID_PAN_ABSOLUTE, 0, AutoKind::None},
    {V4L2_CID_TILT_ABSOLUTE, 0, AutoKind::None},
    {0, 0, AutoKind::None},  // roll: V4L2 has no such control
    {V4L2_CID_ZOOM_ABSOLUTE, 0, AutoKind::None},
    {V4L2_CID_EXPOSURE_ABSOLUTE, V4L2_CID_EXPOSURE_AUTO, AutoKind::ExposureMenu},
    {V4L2_CID_IRIS_ABSOLUTE, 0, AutoKind::None},
    {V4L2_CID_FOCUS_ABSOLUTE, V4L2_CID_FOCUS_AUTO, AutoKind::Boolean},
};

const int kColourEnableId = 6;

int clampToControl(const v4l2_queryctrl& q, int value) {
    if (q.type == V4L2_CTRL_TYPE_BOOLEAN)
        return value ? 1 : 0;
    int v = std::clamp(value, q.minimum, q.maximum);
    if (q.step > 1) {
        const long long steps = (static_cast<long long>(v) - q.minimum + q.step / 2) / q.step;
        v = static_cast<int>(std::min<long long>(q.minimum + steps * q.step, q.maximum));
    }
    return v;
}

}  // namespace

int V4l2Controls::find(uint32_t cid, v4l2_queryctrl* query, int onlyFd) const {
    for (int fd : m_fds) {
        if (onlyFd >= 0 && fd != onlyFd)
            continue;
        std::memset(query, 0, sizeof *query);
        query->id = cid;
        if (m_io.ioctl(fd, VIDIOC_QUERYCTRL, query) == 0 && !(query->flags & V4L2_CTRL_FLAG_DISABLED))
            return fd;
    }
    return -1;
}

bool V4l2Controls::has(uint32_t cid, int fd) const {
    v4l2_queryctrl q;
    return cid != 0 && find(cid, &q, fd) >= 0;
}

bool V4l2Controls::menuHas(int fd, uint32_t cid, int index) const {
    v4l2_querymenu menu;
    std::memset(&menu, 0, sizeof menu);
    menu.id = cid;
    menu.index = static_cast<uint32_t>(index);
    return m_io.ioctl(fd, VIDIOC_QUERYMENU, &menu) == 0;
}

bool V4l2Controls::get(uint32_t cid, int* value, int fd) const {
    v4l2_queryctrl q;
    const int owner = find(cid, &q, fd);
    if (owner < 0)
        return false;
    v4l2_control control{cid, 0};
    if (m_io.ioctl(owner, VIDIOC_G_CTRL, &control) != 0) {
        v4l2Warning("reading control 0x%x failed: %s", cid, std::strerror(errno));
        return false;
    }
    *value = control.value;
    return true;
}

bool V4l2Controls::set(uint32_t cid, int value, int fd) const {
    v4l2_queryctrl q;
    const int owner = find(cid, &q, fd);
    if (owner < 0 || (q.flags & V4L2_CTRL_FLAG_READ_ONLY))
        return false;
    v4l2_control control{cid, clampToControl(q, value)};
    if (m_io.ioctl(owner, VIDIOC_S_CTRL, &control) != 0) {
        v4l2Warning("writing control 0x%x = %d failed: %s", cid, control.value, std::strerror(errno));
        return false;
    }
    return true;
}

bool V4l2Controls::exposureAutoSupported(int fd) const {
    // Auto exposure means the camera chooses the exposure time: full auto or aperture priority.
    return menuHas(fd, V4L2_CID_EXPOSURE_AUTO, V4L2_EXPOSURE_AUTO) ||
           menuHas(fd, V4L2_CID_EXPOSURE_AUTO, V4L2_EXPOSURE_APERTURE_PRIORITY);
}

bool V4l2Controls::colourEnableSupported(int fd) const {
    return menuHas(fd, V4L2_CID_COLORFX, V4L2_COLORFX_NONE) && menuHas(fd, V4L2_CID_COLORFX, V4L2_COLORFX_BW);
}

bool V4l2Controls::propertyRange(int id, PropertyRange* range) const {
    if (id < 0 || id >= kPropertyCount || !range || m_fds.empty())
        return false;
    *range = PropertyRange();
    const PropertyControl& p = kProperties[id];
    v4l2_queryctrl q;
    const int fd = p.cid ? find(p.cid, &q, -1) : -1;
    if (fd < 0)
        return true;  // answered: not supported
    if (id == kColourEnableId) {
        if (!colourEnableSupported(fd))
            return true;
        range->supported = true;
        range->min = 0;
        range->max = 1;
        range->step = 1;
        range->def = q.default_value == V4L2_COLORFX_BW ? 0 : 1;
        return true;
    }
    range->supported = true;
    range->min = q.minimum;
    range->max = q.maximum;
    range->step = q.step > 0 ? q.step : 1;
    range->def = q.default_value;
    v4l2_queryctrl autoQuery;
    const int autoFd = p.autoCid ? find(p.autoCid, &autoQuery, -1) : -1;
    if (autoFd >= 0)
        range->autoSupported = p.autoKind == AutoKind::ExposureMenu ? exposureAutoSupported(autoFd) : true;
    return true;
}

bool V4l2Controls::propertyGet(int id, int* value, bool* autoMode) const {
    if (id < 0 || id >= kPropertyCount || !value || !autoMode || m_fds.empty())
        return false;
    const PropertyControl& p = kProperties[id];
    int v = 0;
    if (!p.cid || !get(p.cid, &v))
        return false;
    if (id == kColourEnableId)
        v = v == V4L2_COLORFX_NONE ? 1 : 0;
    bool isAuto = false;
    int a = 0;
    if (p.autoCid && get(p.autoCid, &a)) {
        isAuto = p.autoKind == AutoKind::ExposureMenu
                     ? (a == V4L2_EXPOSURE_AUTO || a == V4L2_EXPOSURE_APERTURE_PRIORITY)
                     : a != 0;
    }
    *value = v;
    *autoMode = isAuto;
    return true;
}

bool V4l2Controls::propertySet(int id, int value, bool autoMode) const {
    if (id < 0 || id >= kPropertyCount || m_fds.empty())
        return false;
    PropertyRange range;
    if (!propertyRange(id, &range) || !range.supported)
        return false;
    const PropertyControl& p = kProperties[id];
    if (autoMode && !range.autoSupported)
        return false;
    if (p.autoCid && range.autoSupported) {
        int autoValue = autoMode ? 1 : 0;
        if (p.autoKind == AutoKind::ExposureMenu) {
            v4l2_queryctrl q;
            const int fd = find(p.autoCid, &q, -1);
            if (autoMode)
                autoValue = menuHas(fd, p.autoCid, V4L2_EXPOSURE_APERTURE_PRIORITY)
                                ? V4L2_EXPOSURE_APERTURE_PRIORITY
                                : V4L2_EXPOSURE_AUTO;
            else
                autoValue = V4L2_EXPOSURE_MANUAL;
        }
        if (!set(p.autoCid, autoValue))
            return false;
    }
    if (autoMode)
        return true;  // the camera now chooses the value itself
    if (id == kColourEnableId)
        return set(p.cid, value ? V4L2_COLORFX_NONE : V4L2_COLORFX_BW);
    return set(p.cid, value);
}

bool V4l2Controls::frequencySupported() const {
    v4l2_queryctrl q;
    const int fd = find(V4L2_CID_POWER_LINE_FREQUENCY, &q, -1);
    return fd >= 0 && (menuHas(fd, V4L2_CID_POWER_LINE_FREQUENCY, V4L2_CID_POWER_LINE_FREQUENCY_50HZ) ||
                       menuHas(fd, V4L2_CID_POWER_LINE_FREQUENCY, V4L2_CID_POWER_LINE_FREQUENCY_60HZ));
}

bool V4l2Controls::frequencyGet(int* value) const {
    if (!value || !frequencySupported())
        return false;
    int v = 0;
    if (!get(V4L2_CID_POWER_LINE_FREQUENCY, &v))
        return false;
    if (v == V4L2_CID_POWER_LINE_FREQUENCY_60HZ) {
        *value = 2;
    } else {
        // 50 Hz; a camera left on "disabled" or "auto" is shown as 50 Hz until the user picks one.
        if (v != V4L2_CID_POWER_LINE_FREQUENCY_50HZ)
            v4l2Debug("power-line frequency mode %d shown as 50 Hz", v);
        *value = 1;
    }
    return true;
}

bool V4l2Controls::frequencySet(int value) const {
    if (value != 1 && value != 2)
        return false;
    const int mode = value == 1 ? V4L2_CID_POWER_LINE_FREQUENCY_50HZ : V4L2_CID_POWER_LINE_FREQUENCY_60HZ;
    v4l2_queryctrl q;
    const int fd = find(V4L2_CID_POWER_LINE_FREQUENCY, &q, -1);
    if (fd < 0 || !menuHas(fd, V4L2_CID_POWER_LINE_FREQUENCY, mode))
        return false;
    return set(V4L2_CID_POWER_LINE_FREQUENCY, mode);
}

}  // namespace qelds
