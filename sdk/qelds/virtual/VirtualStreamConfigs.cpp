#include "VirtualStreamConfigs.h"

#include <algorithm>

namespace qelds {

void VirtualStreamConfigs::reset() {
    for (StreamConfig& c : m_config)
        c = StreamConfig{};
    m_still = StreamConfig{};
}

bool VirtualStreamConfigs::valid(int stream) const {
    return stream >= 0 && stream < static_cast<int>(m_profile.streams.size());
}

bool VirtualStreamConfigs::offered(const std::vector<MediaFormat>& list, int type, int w, int h, int fps) {
    for (const MediaFormat& f : list) {
        if (f.mediaType != type)
            continue;
        for (const FrameSize& s : f.sizes) {
            if (s.width == w && s.height == h)
                return std::find(s.fps.begin(), s.fps.end(), fps) != s.fps.end();
        }
    }
    return false;
}

bool VirtualStreamConfigs::setPreview(int stream, bool enable, int mediaType, int width, int height,
                                      int fps) {
    if (!valid(stream))
        return false;
    StreamConfig& c = m_config[stream];
    if (!enable) {
        c.enable = false;
        return true;
    }
    if (!offered(m_profile.streams[stream], mediaType, width, height, fps))
        return false;
    if (c.mediaType != mediaType || c.width != width || c.height != height) {
        c.bitrate = 0;
        c.gop = 0;
    }
    c.enable = true;
    c.mediaType = mediaType;
    c.width = width;
    c.height = height;
    c.fps = fps;
    return true;
}

bool VirtualStreamConfigs::setStill(bool enable, int mediaType, int width, int height, int fps) {
    if (m_profile.still.empty())
        return false;
    if (!enable) {
        m_still.enable = false;
        return true;
    }
    if (!offered(m_profile.still, mediaType, width, height, fps))
        return false;
    m_still = StreamConfig{true, mediaType, width, height, fps, 0, 0};
    return true;
}

StreamConfig VirtualStreamConfigs::stillToCapture() const {
    StreamConfig c = m_still;
    if (!c.enable && !m_profile.still.empty() && !m_profile.still[0].sizes.empty()) {
        const MediaFormat& f = m_profile.still[0];
        c = StreamConfig{true, f.mediaType, f.sizes[0].width, f.sizes[0].height, 30, 0, 0};
    }
    return c;
}

bool VirtualStreamConfigs::fpsOffered(int stream, int fps) const {
    if (!valid(stream))
        return false;
    const StreamConfig& c = m_config[stream];
    return c.mediaType != 0 && offered(m_profile.streams[stream], c.mediaType, c.width, c.height, fps);
}

void VirtualStreamConfigs::setFps(int stream, int fps) {
    if (valid(stream))
        m_config[stream].fps = fps;
}

bool VirtualStreamConfigs::encoded(int stream) const {
    return valid(stream) && (m_config[stream].mediaType == 3 || m_config[stream].mediaType == 4);
}

bool VirtualStreamConfigs::setBitrate(int stream, int bps) {
    if (!valid(stream))
        return false;
    StreamConfig& c = m_config[stream];
    if ((c.mediaType != 3 && c.mediaType != 4) || bps < 16000 || bps > 200000000)
        return false;
    c.bitrate = bps;
    return true;
}

bool VirtualStreamConfigs::setGop(int stream, int frames) {
    if (!valid(stream))
        return false;
    StreamConfig& c = m_config[stream];
    if ((c.mediaType != 3 && c.mediaType != 4) || frames < 1 || frames > 3000)
        return false;
    c.gop = frames;
    return true;
}

}  // namespace qelds
