// One recording: the pool the callers copy frames and sound into, and the thread that encodes
// them and writes the MP4 file. Timestamps are the capture times the callers give (else the
// arrival times) on one monotonic clock, counted from the first frame that starts the file.
#ifndef QELMUXER_MUXER_H
#define QELMUXER_MUXER_H

#include <atomic>
#include <cstdint>
#include <future>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "AnnexBTrack.h"
#include "AudioEncoder.h"
#include "AudioTimeline.h"
#include "FrameQueue.h"
#include "Mp4Writer.h"
#include "VideoEncoder.h"
#include "qelmuxer_stats.h"

namespace qelmuxer {

class Muxer {
public:
    struct Config {
        std::string path;
        int width = 0;
        int height = 0;
        int videoType = 0;  // a QELMuxerVideoInput
        int fps = 30;
        int gop = 60;
        bool audio = false;
        int channels = 0;
        int sampleRate = 0;
    };

    // Checks the configuration, creates the file and starts the thread; nullptr on failure.
    static std::shared_ptr<Muxer> create(const Config& config, std::string* error);
    ~Muxer();
    Muxer(const Muxer&) = delete;
    Muxer& operator=(const Muxer&) = delete;

    // Copies one frame or sound block into the pool, stamped timestampUs (<= 0: now).
    // 0 accepted, else a QELMuxerRefusal.
    int push(int kind, const uint8_t* data, int size, int64_t timestampUs = 0);
    // The errno of the write failure that ended the recording, 0 when none.
    int lastError() const { return m_error.load(); }
    // Refuses further data, writes what is queued, finishes the file and joins the thread.
    // True when the file was completed without error.
    bool release();
    void stats(QELMuxerStats* out) const;

private:
    explicit Muxer(const Config& config);
    bool start(std::string* error);
    void run();
    static void lowerPriority();
    void handleVideo(Slot* slot);
    void handleEncodedVideo(Slot* slot);
    void handleAudio(Slot* slot);
    bool beginFile(int64_t originUs, const std::vector<uint8_t>& extradata);
    bool writeVideo(AVPacket* pkt);
    bool writeAudio(AVPacket* pkt);
    void fail();
    static void releaseSlot(void* opaque, uint8_t* data);

    Config m_cfg;
    int m_frameBytes = 0;
    int m_maxEncodedBytes = 0;
    int m_maxAudioBytes = 0;
    int64_t m_frameDuration = 0;  // 1/90000 s

    std::unique_ptr<FrameQueue> m_queue;
    std::unique_ptr<VideoEncoder> m_encoder;
    std::unique_ptr<AnnexBTrack> m_annexB;
    std::unique_ptr<AudioEncoder> m_audio;
    std::unique_ptr<AudioTimeline> m_timeline;
    Mp4Writer m_writer;
    std::thread m_thread;
    std::promise<std::string> m_opened;  // the muxer thread's start: empty or an error

    // Muxer thread only.
    int64_t m_originUs = -1;
    int64_t m_lastVideoPts = -1;
    int m_videoStream = -1;
    int m_audioStream = -1;
    std::vector<uint8_t> m_pendingPrefix;  // parameter sets sent in a frame without a picture
    bool m_finishedOk = false;

    std::mutex m_releaseMutex;
    bool m_released = false;
    bool m_started = false;
    std::atomic<bool> m_failed{false};
    std::atomic<int> m_error{0};
    std::atomic<long long> m_videoAccepted{0}, m_videoDropped{0}, m_videoSkipped{0}, m_videoWritten{0};
    std::atomic<long long> m_audioAccepted{0}, m_audioDropped{0}, m_audioSamples{0}, m_silence{0},
        m_trimmed{0}, m_bytes{0};
};

}  // namespace qelmuxer

#endif
