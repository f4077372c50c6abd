// Shared helpers of the V4L2 camera tests: replayed devices and a frame sink that records.
#ifndef TESTS_QELDS_V4L2_REPLAY_FIXTURE_H
#define TESTS_QELDS_V4L2_REPLAY_FIXTURE_H

#include <QtTest>
#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "ReplayV4l2Io.h"
#include "V4l2Camera.h"
#include "V4l2Probe.h"
#include "XuMap.h"

inline bool waitFor(const std::function<bool()>& condition, int ms = 5000) {
    return QTest::qWaitFor(condition, ms);
}

inline std::string replayPath(const char* name) {
    return std::string(REPLAY_DIR) + "/" + name;
}

// A replay holding the named description files.
inline std::shared_ptr<qelds::ReplayV4l2Io> loadReplay(std::initializer_list<const char*> names) {
    auto io = std::make_shared<qelds::ReplayV4l2Io>();
    for (const char* name : names) {
        std::string error;
        if (!io->load(replayPath(name), &error))
            qFatal("replay %s: %s", name, error.c_str());
    }
    return io;
}

// The first camera of the replay, built as the source builds it.
inline std::shared_ptr<qelds::V4l2Camera> firstCamera(const std::shared_ptr<qelds::ReplayV4l2Io>& io,
                                                      std::shared_ptr<const qelds::XuMap> map = nullptr) {
    auto infos = qelds::probeCameras(*io);
    if (infos.empty())
        return nullptr;
    return std::make_shared<qelds::V4l2Camera>(io, infos.front(), std::move(map));
}

// The first camera of one replay file, opened, its frames `intervalMs` apart.
struct Replayed {
    explicit Replayed(const char* file, int intervalMs = 3)
        : io(loadReplay({file})), camera(firstCamera(io)) {
        io->setFrameIntervalMs(intervalMs);
        if (!camera || !camera->open())
            qFatal("replay %s: the camera does not open", file);
    }
    std::shared_ptr<qelds::ReplayV4l2Io> io;
    std::shared_ptr<qelds::V4l2Camera> camera;
};

struct RecordedFrame {
    int pin, stream, mediaType, width, height;
    int64_t timestampUs;
    std::vector<uint8_t> head;  // the first bytes
    uint8_t last0, last1;       // the last two bytes
    int size;
};

class RecordingSink : public qelds::FrameSink {
public:
    void onFrame(int pin, int stream, int mediaType, int width, int height, int64_t timestampUs,
                 uint8_t* data, int size) override {
        std::lock_guard<std::mutex> lock(mutex);
        frames.push_back({pin, stream, mediaType, width, height, timestampUs,
                          std::vector<uint8_t>(data, data + std::min(size, 16)), data[size - 2],
                          data[size - 1], size});
        if (onEachFrame)
            onEachFrame();
    }
    void onVanished() override { ++vanished; }

    std::vector<RecordedFrame> snapshot() {
        std::lock_guard<std::mutex> lock(mutex);
        return frames;
    }
    int count(int stream = -1) {
        std::lock_guard<std::mutex> lock(mutex);
        return int(std::count_if(frames.begin(), frames.end(),
                                 [&](const RecordedFrame& f) { return stream < 0 || f.stream == stream; }));
    }

    std::mutex mutex;  // guards frames; onEachFrame runs under it
    std::vector<RecordedFrame> frames;
    std::atomic<int> vanished{0};
    std::function<void()> onEachFrame;
};

#endif
