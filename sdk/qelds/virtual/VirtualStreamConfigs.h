// The formats and encoder settings chosen for a virtual camera's streams and its still pin,
// checked against what its profile offers.
// Not locked: the camera guards it (and the profile it reads) with its own mutex.
#ifndef QELDS_VIRTUAL_STREAM_CONFIGS_H
#define QELDS_VIRTUAL_STREAM_CONFIGS_H

#include <vector>

#include "CameraDevice.h"
#include "VirtualProfile.h"
#include "VirtualStream.h"

namespace qelds {

class VirtualStreamConfigs {
public:
    // profile is the camera's own; it outlives these settings and may be replaced in place.
    explicit VirtualStreamConfigs(const VirtualProfile& profile) : m_profile(profile) {}
    VirtualStreamConfigs(const VirtualStreamConfigs&) = delete;
    VirtualStreamConfigs& operator=(const VirtualStreamConfigs&) = delete;

    // Every stream and the still pin off.
    void reset();
    // A stream the profile has.
    bool valid(int stream) const;
    // The settings of a valid stream.
    const StreamConfig& stream(int stream) const { return m_config[stream]; }

    // A format must be offered; changing type or size drops the encoder settings.
    bool setPreview(int stream, bool enable, int mediaType, int width, int height, int fps);
    bool setStill(bool enable, int mediaType, int width, int height, int fps);
    // What a still capture delivers: the chosen format, or else the first size offered.
    // enable is false when there is neither.
    StreamConfig stillToCapture() const;

    // Whether the stream has a format and offers it at this rate.
    bool fpsOffered(int stream, int fps) const;
    void setFps(int stream, int fps);
    // Whether the stream is set to an encoded type (H.264, H.265).
    bool encoded(int stream) const;
    // Encoded streams only, within range.
    bool setBitrate(int stream, int bitsPerSecond);
    bool setGop(int stream, int frames);

private:
    static bool offered(const std::vector<MediaFormat>& list, int type, int w, int h, int fps);

    const VirtualProfile& m_profile;
    StreamConfig m_config[kMaxVirtualStreams];
    StreamConfig m_still;
};

}  // namespace qelds

#endif
