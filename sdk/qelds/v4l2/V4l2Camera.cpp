#include "V4l2Camera.h"

#include <linux/videodev2.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "V4l2Io.h"
#include "V4l2Log.h"

namespace qelds {

namespace {

const V4l2Format* findFormat(const V4l2NodeInfo& node, int mediaType) {
    for (const V4l2Format& f : node.formats) {
        if (f.mediaType == mediaType)
            return &f;
    }
    return nullptr;
}

}  // namespace

V4l2Camera::V4l2Camera(std::shared_ptr<V4l2Io> io, V4l2CameraInfo info, std::shared_ptr<const XuMap> xuMap,
                       std::function<void()> onLost)
    : m_io(std::move(io)),
      m_info(std::move(info)),
      m_xuMap(std::move(xuMap)),
      m_onLost(std::move(onLost)),
      m_controls(*m_io) {
    m_choices.resize(m_info.nodes.size());
}

V4l2Camera::~V4l2Camera() {
    close();
}

std::vector<MediaFormat> V4l2Camera::formats(int stream) const {
    std::vector<MediaFormat> list;
    if (!validStream(stream))
        return list;
    for (const V4l2Format& f : m_info.nodes[size_t(stream)].formats)
        list.push_back(MediaFormat{f.mediaType, f.sizes});
    return list;
}

bool V4l2Camera::open() {
    if (onCaptureThread())
        return false;
    std::lock_guard<std::mutex> life(m_lifecycle);
    std::lock_guard<std::mutex> lock(m_control);
    if (!m_fds.empty())
        return true;
    std::vector<int> fds;
    for (const V4l2NodeInfo& node : m_info.nodes) {
        const int fd = m_io->open(node.path);
        if (fd < 0) {
            v4l2Warning("cannot open %s: %s", node.path.c_str(), std::strerror(errno));
            for (int opened : fds)
                m_io->close(opened);
            return false;
        }
        fds.push_back(fd);
    }
    m_fds = fds;
    m_lost = false;
    m_controls.setDescriptors(fds);
    attachExtensionUnit();
    return true;
}

void V4l2Camera::attachExtensionUnit() {
    m_xu = m_xuMap ? m_xuMap->find(m_info.vendorId, m_info.productId) : nullptr;
    if (!m_xu || m_info.usbPath.empty() || m_fds.empty()) {
        m_xu = nullptr;
        return;
    }
    std::string descriptors;
    if (!m_io->readSysfs(m_info.usbPath + "/descriptors", &descriptors)) {
        v4l2Warning("%s: cannot read the USB descriptors; vendor features off", m_info.name.c_str());
        m_xu = nullptr;
        return;
    }
    const int unit = findExtensionUnit(descriptors, m_xu->guid);
    if (unit < 0) {
        v4l2Warning("%s: no extension unit with the mapped GUID; vendor features off", m_info.name.c_str());
        m_xu = nullptr;
        return;
    }
    v4l2Debug("%s: vendor features on extension unit %d", m_info.name.c_str(), unit);
    m_xuAccess = std::make_unique<XuAccess>(*m_io, m_fds.front(), unit);
}

void V4l2Camera::close() {
    if (onCaptureThread()) {
        v4l2Warning("%s: close from a capture thread ignored", m_info.name.c_str());
        return;
    }
    std::lock_guard<std::mutex> life(m_lifecycle);
    stopLocked();
    std::lock_guard<std::mutex> lock(m_control);
    m_xuAccess.reset();
    m_xu = nullptr;
    m_controls.setDescriptors({});
    for (int fd : m_fds)
        m_io->close(fd);
    m_fds.clear();
}

bool V4l2Camera::setPreviewParams(int stream, bool enable, int mediaType, int width, int height, int fps) {
    if (!validStream(stream) || onCaptureThread())
        return false;
    std::lock_guard<std::mutex> life(m_lifecycle);
    Choice& choice = m_choices[size_t(stream)];
    if (!enable) {
        choice.enable = false;
        return true;
    }
    const V4l2Format* format = findFormat(m_info.nodes[size_t(stream)], mediaType);
    if (!format)
        return false;
    const auto size = std::find_if(format->sizes.begin(), format->sizes.end(), [&](const FrameSize& s) {
        return s.width == width && s.height == height;
    });
    if (size == format->sizes.end() || std::find(size->fps.begin(), size->fps.end(), fps) == size->fps.end())
        return false;
    choice.enable = true;
    choice.config = V4l2Stream::Config{mediaType, format->pixelFormat, width, height, fps};
    return true;
}

bool V4l2Camera::setStillParams(bool enable, int, int, int, int) {
    return !enable;  // no still pin: only "off" is a valid setting
}

bool V4l2Camera::start(FrameSink* sink) {
    if (!sink || onCaptureThread())
        return false;
    std::lock_guard<std::mutex> life(m_lifecycle);
    std::vector<int> fds;
    {
        std::lock_guard<std::mutex> lock(m_control);
        fds = m_fds;
    }
    if (fds.empty() || !m_streams.empty())
        return false;
    auto session = std::make_unique<CaptureSession>();
    session->sink = sink;
    session->deviceLost = &m_lost;
    session->onLost = m_onLost;
    std::vector<std::unique_ptr<V4l2Stream>> streams;
    for (size_t i = 0; i < m_choices.size(); ++i) {
        if (!m_choices[i].enable)
            continue;
        auto stream = std::make_unique<V4l2Stream>(*m_io, int(i), m_info.nodes[i].path);
        if (!stream->prepare(fds[i], m_choices[i].config))
            return false;  // the streams prepared so far release themselves
        streams.push_back(std::move(stream));
    }
    if (streams.empty())
        return false;
    for (auto& stream : streams) {
        if (!stream->streamOn()) {
            if (errno == ENOSPC)
                v4l2Warning("%s: not enough USB bandwidth for stream %d with the others", m_info.name.c_str(),
                            stream->index());
            return false;  // every stream turns streaming off and frees its buffers
        }
    }
    for (auto& stream : streams)
        stream->startThread(session.get());
    std::lock_guard<std::mutex> lock(m_control);
    m_streams = std::move(streams);
    m_session = std::move(session);
    return true;
}

void V4l2Camera::stop() {
    if (onCaptureThread()) {
        // Joining ourselves would hang: the next stop or close from another thread ends the capture.
        v4l2Warning("%s: stop from a capture thread deferred", m_info.name.c_str());
        std::lock_guard<std::mutex> lock(m_control);
        if (m_session)
            m_session->stopping = true;
        return;
    }
    std::lock_guard<std::mutex> life(m_lifecycle);
    stopLocked();
}

void V4l2Camera::stopLocked() {
    CaptureSession* session = nullptr;
    {
        std::lock_guard<std::mutex> lock(m_control);
        session = m_session.get();
    }
    if (session)
        session->stopping = true;
    for (auto& stream : m_streams)
        stream->release();  // joins its thread
    std::lock_guard<std::mutex> lock(m_control);
    m_streams.clear();
    m_session.reset();
}

bool V4l2Camera::setFps(int stream, int fps) {
    if (!validStream(stream) || fps <= 0 || onCaptureThread())
        return false;
    std::lock_guard<std::mutex> life(m_lifecycle);
    Choice& choice = m_choices[size_t(stream)];
    const V4l2Format* format = findFormat(m_info.nodes[size_t(stream)], choice.config.mediaType);
    if (!format)
        return false;
    const auto size = std::find_if(format->sizes.begin(), format->sizes.end(), [&](const FrameSize& s) {
        return s.width == choice.config.width && s.height == choice.config.height;
    });
    if (size == format->sizes.end() || std::find(size->fps.begin(), size->fps.end(), fps) == size->fps.end())
        return false;
    for (auto& running : m_streams) {
        if (running->index() == stream) {
            if (!running->setFps(fps))
                return false;
            break;
        }
    }
    choice.config.fps = fps;
    return true;
}

bool V4l2Camera::setBitrate(int stream, int bitsPerSecond) {
    std::lock_guard<std::mutex> lock(m_control);
    if (!validStream(stream) || m_fds.empty() || bitsPerSecond <= 0)
        return false;
    return m_controls.set(V4L2_CID_MPEG_VIDEO_BITRATE, bitsPerSecond, m_fds[size_t(stream)]);
}

bool V4l2Camera::setGop(int stream, int frames) {
    std::lock_guard<std::mutex> lock(m_control);
    if (!validStream(stream) || m_fds.empty() || frames < 0)
        return false;
    const int fd = m_fds[size_t(stream)];
    bool ok = true;
    if (frames > 0) {
        if (m_controls.has(V4L2_CID_MPEG_VIDEO_GOP_SIZE, fd))
            ok = m_controls.set(V4L2_CID_MPEG_VIDEO_GOP_SIZE, frames, fd);
        else
            ok = m_controls.set(V4L2_CID_MPEG_VIDEO_H264_I_PERIOD, frames, fd);
        if (!ok)
            return false;
    }
    // The next frame is a keyframe where the node can be asked for one. Without the control
    // (or when pressing it fails, which is logged) a GOP change still counts as done; a
    // keyframe request alone (0) fails.
    if (!m_controls.has(V4L2_CID_MPEG_VIDEO_FORCE_KEY_FRAME, fd) ||
        !m_controls.set(V4L2_CID_MPEG_VIDEO_FORCE_KEY_FRAME, 0, fd))
        return frames > 0;
    return true;
}

bool V4l2Camera::euSupport(int code) const {
    std::lock_guard<std::mutex> lock(m_control);
    switch (code) {
        case 0:
            return m_controls.has(V4L2_CID_MPEG_VIDEO_BITRATE);
        case 1:
            return m_controls.has(V4L2_CID_MPEG_VIDEO_GOP_SIZE) ||
                   m_controls.has(V4L2_CID_MPEG_VIDEO_H264_I_PERIOD);
        case 4:
            for (int fd : m_fds) {
                v4l2_streamparm parm;
                std::memset(&parm, 0, sizeof parm);
                parm.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
                if (m_io->ioctl(fd, VIDIOC_G_PARM, &parm) == 0 &&
                    (parm.parm.capture.capability & V4L2_CAP_TIMEPERFRAME))
                    return true;
            }
            return false;
        case 5:
            return (standardControl(Feature::Flip) || xuFeature(Feature::Flip)) &&
                   (standardControl(Feature::Mirror) || xuFeature(Feature::Mirror));
        case 7:
            return !m_info.firmware.empty();
        case 10:
            return !m_info.serial.empty();
        case 15:
            return standardControl(Feature::AutoFocus) || xuFeature(Feature::AutoFocus);
        case 25:
            return xuFeature(Feature::FactoryTest) || (m_xuAccess && m_xu->hasFactoryTestSet);
        default:
            for (int f = int(Feature::Flip); f <= int(Feature::AutoFocusMode); ++f) {
                if (xuFeatureCode(Feature(f)) == code)
                    return xuFeature(Feature(f)) != nullptr;
            }
            return false;
    }
}

bool V4l2Camera::propertyRange(int id, PropertyRange* range) {
    std::lock_guard<std::mutex> lock(m_control);
    return m_controls.propertyRange(id, range);
}

bool V4l2Camera::propertyGet(int id, int* value, bool* autoMode) {
    std::lock_guard<std::mutex> lock(m_control);
    return m_controls.propertyGet(id, value, autoMode);
}

bool V4l2Camera::propertySet(int id, int value, bool autoMode) {
    std::lock_guard<std::mutex> lock(m_control);
    return m_controls.propertySet(id, value, autoMode);
}

bool V4l2Camera::frequencyGet(int* value) {
    std::lock_guard<std::mutex> lock(m_control);
    return m_controls.frequencyGet(value);
}

bool V4l2Camera::frequencySet(int value) {
    std::lock_guard<std::mutex> lock(m_control);
    return m_controls.frequencySet(value);
}

uint32_t V4l2Camera::standardControl(Feature feature) const {
    uint32_t cid = 0;
    if (feature == Feature::Flip)
        cid = V4L2_CID_VFLIP;
    else if (feature == Feature::Mirror)
        cid = V4L2_CID_HFLIP;
    else if (feature == Feature::AutoFocus || feature == Feature::AutoFocusMode)
        cid = V4L2_CID_FOCUS_AUTO;
    return cid && m_controls.has(cid) ? cid : 0;
}

const XuField* V4l2Camera::xuFeature(Feature feature) const {
    if (!m_xuAccess || !m_xu)
        return nullptr;
    const auto found = m_xu->features.find(feature);
    return found == m_xu->features.end() ? nullptr : &found->second;
}

bool V4l2Camera::featureGet(Feature feature, int* value) {
    std::lock_guard<std::mutex> lock(m_control);
    if (!value || m_fds.empty())
        return false;
    if (const XuField* field = xuFeature(feature))
        return m_xuAccess->read(*field, value);
    if (const uint32_t cid = standardControl(feature)) {
        // Auto focus mode from the standard control: 0 manual, 1 continuous.
        int v = 0;
        if (!m_controls.get(cid, &v))
            return false;
        *value = v ? 1 : 0;
        return true;
    }
    return false;
}

bool V4l2Camera::featureSet(Feature feature, int value) {
    std::lock_guard<std::mutex> lock(m_control);
    if (m_fds.empty() || feature == Feature::AutoFocusMode)
        return false;
    if (const XuField* field = xuFeature(feature))
        return m_xuAccess->write(*field, value);
    if (const uint32_t cid = standardControl(feature))
        return m_controls.set(cid, value ? 1 : 0);
    return false;
}

bool V4l2Camera::featureMask(MaskFeature feature, std::vector<int>* values) {
    std::lock_guard<std::mutex> lock(m_control);
    if (!values || !m_xuAccess || !m_xu)
        return false;
    const auto found = m_xu->masks.find(feature);
    if (found == m_xu->masks.end())
        return false;
    const XuMask& mask = found->second;
    if (!mask.fromUnit) {
        *values = mask.fixed;
        return true;
    }
    std::vector<uint8_t> data;
    if (!m_xuAccess->readControl(mask.field.selector, mask.field.size, &data))
        return false;
    values->clear();
    for (int i = 0; i < mask.count; ++i) {
        uint32_t v = 0;
        const int at = mask.field.offset + i * mask.field.width;
        for (int b = 0; b < mask.field.width; ++b)
            v |= uint32_t(data[size_t(at + b)]) << (8 * b);
        values->push_back(int(v));
    }
    return true;
}

bool V4l2Camera::audioModeGet(int* on, int* on1, int* id) {
    std::lock_guard<std::mutex> lock(m_control);
    if (!on || !on1 || !id || !m_xuAccess || !m_xu->hasAudioMode)
        return false;
    return m_xuAccess->read(m_xu->audioOn, on) && m_xuAccess->read(m_xu->audioOn1, on1) &&
           m_xuAccess->read(m_xu->audioId, id);
}

bool V4l2Camera::audioModeSet(int on, int on1, int id) {
    std::lock_guard<std::mutex> lock(m_control);
    if (!m_xuAccess || !m_xu->hasAudioMode)
        return false;
    return m_xuAccess->write(m_xu->audioOn, on) && m_xuAccess->write(m_xu->audioOn1, on1) &&
           m_xuAccess->write(m_xu->audioId, id);
}

bool V4l2Camera::factoryTestSet(const int* values, int count) {
    std::lock_guard<std::mutex> lock(m_control);
    if (!values || count < 1 || !m_xuAccess || !m_xu->hasFactoryTestSet)
        return false;
    const XuField& field = m_xu->factoryTestSet;
    if (field.offset + count * 4 > field.size)
        return false;
    std::vector<uint8_t> data(size_t(field.size), 0);
    for (int i = 0; i < count; ++i) {
        for (int b = 0; b < 4; ++b)
            data[size_t(field.offset + i * 4 + b)] = uint8_t(uint32_t(values[i]) >> (8 * b));
    }
    return m_xuAccess->writeControl(field.selector, data);
}

bool V4l2Camera::sensorTypes(std::vector<int>* types) {
    std::lock_guard<std::mutex> lock(m_control);
    if (!types || !m_xuAccess || m_xu->sensors.empty())
        return false;
    *types = m_xu->sensors;
    return true;
}

bool V4l2Camera::acousticBaffles(std::vector<int>* codes) {
    std::lock_guard<std::mutex> lock(m_control);
    if (!codes || !m_xuAccess || m_xu->baffles.empty())
        return false;
    *codes = m_xu->baffles;
    return true;
}

}  // namespace qelds
