// Reads recordings back with libavformat/libavcodec for the muxer tests.
#ifndef TESTS_QELMUXER_MEDIA_PROBE_H
#define TESTS_QELMUXER_MEDIA_PROBE_H

#include <QByteArray>
#include <string>
#include <vector>

struct Recording {
    bool opened = false;
    double duration = -1;    // seconds
    std::string videoCodec;  // "h264", "hevc"; empty without a picture stream
    std::string audioCodec;  // "aac"; empty without a sound stream
    int width = 0;
    int sampleRate = 0;
    int channels = 0;
    std::vector<QByteArray> videoPackets;  // as stored (length-prefixed NAL units)
    std::vector<double> keyframesAt;       // seconds, as the index marks them
    // Decoded content, in presentation seconds: when the picture first turned bright and the
    // sound first turned loud.
    double flashAt = -1;
    double clickAt = -1;
    double lastVideoAt = -1;
    double audioEndsAt = -1;
    int videoFrames = 0;
    int decodeErrors = 0;
};

// Opens the file and decodes every packet.
Recording readBack(const std::string& path);
// The four-character types of the file's top-level boxes.
std::vector<std::string> topLevelBoxes(const std::string& path);

#endif
