// Reads recordings back with libavformat/libavcodec for the muxer tests.
#ifndef TESTS_QELMUXER_MEDIA_PROBE_H
#define TESTS_QELMUXER_MEDIA_PROBE_H

#include <string>
#include <vector>

struct ProbedStream {
    bool video = false;
    std::string codec;  // "h264", "hevc", "aac"
    int width = 0;
    int height = 0;
    int sampleRate = 0;
    int channels = 0;
    double start = 0;
};

struct Probe {
    bool opened = false;
    double duration = -1;  // seconds
    std::vector<ProbedStream> streams;
    const ProbedStream* video() const;
    const ProbedStream* audio() const;
};

// Decoded content: when the picture first turned bright and the sound first turned loud,
// both in presentation seconds.
struct Events {
    double flashAt = -1;
    double clickAt = -1;
    int videoFrames = 0;
    int decodeErrors = 0;
    double lastVideoAt = -1;
    double audioEndsAt = -1;
};

Probe probeFile(const std::string& path);
Events decodeEvents(const std::string& path);
// Seeks to `seconds` and answers the presentation time of the first video frame decoded there.
double seekAndDecode(const std::string& path, double seconds);
// The payloads of the video packets as stored (length-prefixed NAL units).
std::vector<std::vector<unsigned char>> videoPackets(const std::string& path);
// The four-character types of the file's top-level boxes.
std::vector<std::string> topLevelBoxes(const std::string& path);

#endif
