// The plain-C face of the muxer library: a table of open muxers addressed by key texts.
#include "qelmuxer.h"

#include <cstdio>
#include <cstring>
#include <exception>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "Finaliser.h"
#include "MuxLog.h"
#include "Muxer.h"
#include "qelmuxer_stats.h"

extern "C" {
#include <libavformat/avformat.h>
}

using qelmuxer::Muxer;

namespace {

struct Registry {
    // Muxers still open at exit are released by the destructor, which hands them to the
    // finaliser: make sure the finaliser's own table is created first, so it outlives this one.
    Registry() { qelmuxer::Finaliser::waitIdle(0); }
    std::mutex mutex;
    std::vector<std::pair<std::string, std::shared_ptr<Muxer>>> muxers;
    unsigned next = 1;
};

Registry& registry() {
    static Registry r;
    return r;
}

bool validKey(const char* key) {
    return key && key[0] && strnlen(key, QEL_TEXT_BUFFER_SIZE) < QEL_TEXT_BUFFER_SIZE;
}

// Looks a key up without allocating (keys are short and few).
std::shared_ptr<Muxer> find(const char* key) {
    if (!validKey(key)) {
        return nullptr;
    }
    Registry& r = registry();
    std::lock_guard<std::mutex> lock(r.mutex);
    for (const auto& entry : r.muxers) {
        if (std::strcmp(entry.first.c_str(), key) == 0) {
            return entry.second;
        }
    }
    return nullptr;
}

}  // namespace

int qelmuxer_create_muxer(char* keyOut, const char* utf8Path, int width, int height, int videoType, int fps,
                          int gop, int hasAudio, int channels, int sampleRate, int bits) {
    if (!keyOut || !utf8Path || !utf8Path[0] || strnlen(utf8Path, 4096) >= 4096) {
        qelmuxer::logLine("create_muxer: missing key buffer or path");
        return 0;
    }
    if (hasAudio != 0 && (hasAudio != 1 || bits != 16)) {
        qelmuxer::logLine("create_muxer: only 16-bit sound is supported");
        return 0;
    }
    Muxer::Config config;
    config.path = utf8Path;
    config.width = width;
    config.height = height;
    config.videoType = videoType;
    config.fps = fps;
    config.gop = gop;
    config.audio = hasAudio == 1;
    config.channels = channels;
    config.sampleRate = sampleRate;
    std::string error;
    std::shared_ptr<Muxer> muxer;
    try {
        muxer = Muxer::create(config, &error);
    } catch (const std::exception& e) {
        error = e.what();  // out of memory or threads
    }
    if (!muxer) {
        qelmuxer::logLine("create_muxer %s: %s", utf8Path, error.c_str());
        return 0;
    }
    Registry& r = registry();
    std::lock_guard<std::mutex> lock(r.mutex);
    char key[32];
    std::snprintf(key, sizeof key, "mux-%u", r.next++);
    try {
        r.muxers.emplace_back(key, std::move(muxer));
    } catch (const std::exception&) {
        qelmuxer::logLine("create_muxer: out of memory");
        return 0;
    }
    std::strcpy(keyOut, key);
    return 1;
}

int qelmuxer_muxer(const char* key, const unsigned char* data, int size, int kind) {
    return qelmuxer_muxer_at(key, data, size, kind, 0);
}

int qelmuxer_muxer_at(const char* key, const unsigned char* data, int size, int kind, long long timestampUs) {
    std::shared_ptr<Muxer> muxer = find(key);
    if (!muxer) {
        return QEL_MUXER_REFUSED_ARGUMENT;
    }
    return muxer->push(kind, data, size, timestampUs);
}

int qelmuxer_last_error(const char* key) {
    std::shared_ptr<Muxer> muxer = find(key);
    return muxer ? muxer->lastError() : 0;
}

int qelmuxer_release_muxer(const char* key) {
    std::shared_ptr<Muxer> muxer;
    if (validKey(key)) {
        Registry& r = registry();
        std::lock_guard<std::mutex> lock(r.mutex);
        for (auto it = r.muxers.begin(); it != r.muxers.end(); ++it) {
            if (it->first == key) {
                muxer = std::move(it->second);
                r.muxers.erase(it);
                break;
            }
        }
    }
    if (!muxer) {
        qelmuxer::logLine("release_muxer: unknown key");
        return 0;
    }
    return muxer->release() ? 1 : 0;
}

int qelmuxer_get_version(char* buf) {
    if (!buf) {
        return 0;
    }
    unsigned v = avformat_version();
    std::snprintf(buf, QEL_TEXT_BUFFER_SIZE, "qelmuxer 1.0 (libavformat %u.%u.%u)", v >> 16, (v >> 8) & 0xff,
                  v & 0xff);
    return 1;
}

int qelmuxer_get_stats(const char* key, QELMuxerStats* stats) {
    std::shared_ptr<Muxer> muxer = find(key);
    if (!muxer || !stats) {
        return 0;
    }
    muxer->stats(stats);
    return 1;
}

int qelmuxer_wait_finalised(int timeoutMs) {
    return qelmuxer::Finaliser::waitIdle(timeoutMs) ? 1 : 0;
}
