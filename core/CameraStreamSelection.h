// One stream's choice of format and the pipeline objects of its running preview.
#ifndef CORVIX_CAMERA_STREAM_SELECTION_H
#define CORVIX_CAMERA_STREAM_SELECTION_H

#include <vector>

#include "PreviewWindowRecord.h"
#include "qelexport.h"

struct CameraStreamSelection {
    // Chosen indices into the stream's media type, resolution and frame rate lists.
    int mediaTypeIndex = 0;
    int resolutionIndex = 0;
    int fpsIndex = 0;
    int bitrateKBps = 0;  // kilobytes per second
    int gop = 0;          // frames

    // Format the running preview was started with (mediaType 0 when the stream is not running).
    int runningMediaType = 0;
    int runningWidth = 0;
    int runningHeight = 0;
    int runningFps = 0;

    // Keys of the decoder and renderer handed out by the libraries; empty when none.
    char decoderKey[QEL_TEXT_BUFFER_SIZE] = {};
    char renderKey[QEL_TEXT_BUFFER_SIZE] = {};
    // One decoded frame, allocated at preview start and reused for every frame.
    std::vector<unsigned char> frameBuffer;
    // A JPEG stream's second decoder, at half its size, and its frame: used while the window
    // shows the picture at half size and nothing needs the full frame.
    char halfDecoderKey[QEL_TEXT_BUFFER_SIZE] = {};
    std::vector<unsigned char> halfBuffer;
    // The video widget's window record (owned by the presenter).
    PreviewWindowRecord* window = nullptr;
};

#endif
