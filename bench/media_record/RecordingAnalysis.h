// Reads a recording back: its streams and duration, and the times of the markers (white
// frames in the picture, loud clicks in the sound) for measuring how far they drift apart.
#ifndef BENCH_MEDIA_RECORD_RECORDING_ANALYSIS_H
#define BENCH_MEDIA_RECORD_RECORDING_ANALYSIS_H

#include <string>
#include <vector>

struct RecordingAnalysis {
    bool opened = false;
    std::string videoCodec;
    std::string audioCodec;
    int width = 0;
    int height = 0;
    double duration = -1;
    int videoFrames = 0;
    double audioSeconds = 0;
    int decodeErrors = 0;
    bool regularMp4 = false;  // index in front, no fragments
    std::vector<double> flashes;
    std::vector<double> clicks;
};

RecordingAnalysis analyseRecording(const std::string& path);

#endif
