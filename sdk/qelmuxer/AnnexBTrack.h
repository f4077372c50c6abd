// Looks into the camera's H.264 / H.265 Annex B frames as they are stored: which frames are
// keyframes, and the parameter sets (VPS/SPS/PPS) the file's sample description needs.
#ifndef QELMUXER_ANNEXB_TRACK_H
#define QELMUXER_ANNEXB_TRACK_H

#include <cstdint>
#include <vector>

namespace qelmuxer {

class AnnexBTrack {
public:
    explicit AnnexBTrack(bool hevc) : m_hevc(hevc) {}

    struct FrameInfo {
        bool keyframe = false;  // IDR (H.264) or IRAP (H.265) picture
        bool hasPicture = false;
    };
    // Scans one frame, remembering the parameter sets it carries.
    FrameInfo scan(const uint8_t* data, int size);
    // All parameter sets needed to decode from a keyframe have been seen.
    bool haveParameterSets() const;
    // The parameter sets as an Annex B byte stream (start code before each), VPS, SPS, PPS.
    std::vector<uint8_t> extradata() const;

private:
    void remember(int type, const uint8_t* nal, int size);

    bool m_hevc;
    std::vector<uint8_t> m_vps, m_sps, m_pps;
};

}  // namespace qelmuxer

#endif
