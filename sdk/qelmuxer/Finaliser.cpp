#include "Finaliser.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <list>
#include <mutex>
#include <thread>
#include <vector>

#include "FileSink.h"
#include "MuxLog.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

namespace qelmuxer {

namespace {

struct Job {
    std::string path;
    std::thread thread;
    bool done = false;
};

// Owns the finalisation threads; its destructor (at normal process exit) joins them.
struct Registry {
    std::mutex mutex;
    std::condition_variable changed;
    std::list<Job> jobs;

    void reap() {
        for (auto it = jobs.begin(); it != jobs.end();) {
            if (it->done) {
                it->thread.join();
                it = jobs.erase(it);
            } else {
                ++it;
            }
        }
    }
    ~Registry() {
        std::unique_lock<std::mutex> lock(mutex);
        changed.wait(lock, [this] {
            return std::all_of(jobs.begin(), jobs.end(), [](const Job& j) { return j.done; });
        });
        reap();
    }
};

Registry& registry() {
    static Registry r;
    return r;
}

bool fsyncDirectoryOf(const std::string& path) {
    size_t slash = path.rfind('/');
    std::string dir = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
    int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    bool ok = fsync(fd) == 0;
    ::close(fd);
    return ok;
}

// Copies every packet of `in` into a regular MP4 at `tmp`, its index reserved at the front.
bool remux(AVFormatContext* in, const std::string& tmp, int64_t packets) {
    FileSink sink;
    std::string error;
    if (!sink.open(tmp, &error)) {
        logLine("finalising: cannot create %s: %s", tmp.c_str(), error.c_str());
        return false;
    }
    AVFormatContext* out = nullptr;
    if (avformat_alloc_output_context2(&out, nullptr, "mp4", nullptr) < 0 || !out) {
        return false;
    }
    out->pb = sink.avio();
    out->flags |= AVFMT_FLAG_CUSTOM_IO;
    bool ok = true;
    for (unsigned i = 0; i < in->nb_streams && ok; ++i) {
        AVStream* st = avformat_new_stream(out, nullptr);
        ok = st && avcodec_parameters_copy(st->codecpar, in->streams[i]->codecpar) >= 0;
        if (ok) {
            st->codecpar->codec_tag = 0;
            if (st->codecpar->codec_id == AV_CODEC_ID_AAC && st->codecpar->frame_size == 0) {
                st->codecpar->frame_size = 1024;
            }
            st->time_base = in->streams[i]->time_base;
        }
    }
    // Room for the index ahead of the media data: comfortably more than the sample tables of
    // `packets` samples need, so the data is written once and never moved.
    AVDictionary* opts = nullptr;
    av_dict_set_int(&opts, "moov_size", 256 * 1024 + 64 * packets, 0);
    int ret = ok ? avformat_write_header(out, &opts) : -1;
    av_dict_free(&opts);
    ok = ret >= 0;
    // Packets read back from the fragmented file carry no durations, and the index ends each
    // stream where its last sample begins: players would leave that sample out. Each packet is
    // held until the next one of its stream tells its duration.
    const unsigned streams = in->nb_streams;
    std::vector<AVPacket*> held(streams, nullptr);
    std::vector<int64_t> lastDuration(streams, 0);
    auto writeHeld = [&](unsigned i, int64_t nextDts) {
        AVPacket* p = held[i];
        if (!p || !p->data) {
            return true;
        }
        if (p->duration <= 0) {
            p->duration = nextDts != AV_NOPTS_VALUE && nextDts > p->dts ? nextDts - p->dts : lastDuration[i];
        }
        if (p->duration > 0) {
            lastDuration[i] = p->duration;
        }
        return av_interleaved_write_frame(out, p) >= 0 && !sink.failed();
    };
    for (unsigned i = 0; i < streams; ++i) {
        held[i] = av_packet_alloc();
        ok = ok && held[i];
    }
    AVPacket* pkt = av_packet_alloc();
    int64_t copied = 0;
    while (ok && pkt) {
        ret = av_read_frame(in, pkt);
        if (ret == AVERROR_EOF) {
            break;
        }
        if (ret < 0) {
            char text[128];
            logLine("finalising: reading the recording failed: %s", avErrorText(ret, text, sizeof text));
            ok = false;
            break;
        }
        if (pkt->stream_index < 0 || unsigned(pkt->stream_index) >= streams) {
            av_packet_unref(pkt);
            continue;
        }
        unsigned i = unsigned(pkt->stream_index);
        ok = writeHeld(i, pkt->dts);
        av_packet_unref(held[i]);
        av_packet_move_ref(held[i], pkt);
        ++copied;
    }
    for (unsigned i = 0; i < streams; ++i) {
        ok = ok && writeHeld(i, AV_NOPTS_VALUE);
        av_packet_free(&held[i]);
    }
    av_packet_free(&pkt);
    ok = ok && av_write_trailer(out) >= 0 && sink.flushAndSync();
    if (ok && copied < packets) {
        logLine("finalising: only %lld of %lld packets read back", (long long)copied, (long long)packets);
        ok = false;
    }
    out->pb = nullptr;
    avformat_free_context(out);
    sink.close();
    return ok;
}

}  // namespace

std::string Finaliser::temporaryPath(const std::string& path) {
    size_t slash = path.rfind('/');
    size_t nameAt = slash == std::string::npos ? 0 : slash + 1;
    return path.substr(0, nameAt) + "." + path.substr(nameAt) + ".finalising";
}

bool Finaliser::finalise(const std::string& path, int64_t packets) {
    struct stat st;
    struct statvfs fs;
    if (stat(path.c_str(), &st) != 0) {
        return false;
    }
    if (statvfs(path.c_str(), &fs) == 0 &&
        double(fs.f_bavail) * double(fs.f_frsize) < double(st.st_size) * 1.05 + 64 * 1024 * 1024) {
        logLine("finalising %s: not enough free space, kept fragmented", path.c_str());
        return false;
    }
    AVFormatContext* in = nullptr;
    if (avformat_open_input(&in, path.c_str(), nullptr, nullptr) < 0) {
        logLine("finalising %s: cannot read the recording back", path.c_str());
        return false;
    }
    std::string tmp = temporaryPath(path);
    bool ok = remux(in, tmp, packets);
    avformat_close_input(&in);
    if (ok && std::rename(tmp.c_str(), path.c_str()) != 0) {
        ok = false;
    }
    if (!ok) {
        logLine("finalising %s failed, the recording is kept fragmented", path.c_str());
        ::unlink(tmp.c_str());
        return false;
    }
    fsyncDirectoryOf(path);
    return true;
}

void Finaliser::start(const std::string& path, int64_t packets) {
    Registry& r = registry();
    std::lock_guard<std::mutex> lock(r.mutex);
    r.reap();
    r.jobs.emplace_back();
    Job* job = &r.jobs.back();
    job->path = path;
    job->thread = std::thread([job, path, packets] {
        finalise(path, packets);
        Registry& reg = registry();
        std::lock_guard<std::mutex> l(reg.mutex);
        job->done = true;
        reg.changed.notify_all();
    });
}

bool Finaliser::waitIdle(int timeoutMs) {
    Registry& r = registry();
    std::unique_lock<std::mutex> lock(r.mutex);
    auto idle = [&r] {
        return std::all_of(r.jobs.begin(), r.jobs.end(), [](const Job& j) { return j.done; });
    };
    bool ok = true;
    if (timeoutMs < 0) {
        r.changed.wait(lock, idle);
    } else {
        ok = r.changed.wait_for(lock, std::chrono::milliseconds(timeoutMs), idle);
    }
    r.reap();
    return ok;
}

void Finaliser::waitFor(const std::string& path) {
    Registry& r = registry();
    std::unique_lock<std::mutex> lock(r.mutex);
    r.changed.wait(lock, [&r, &path] {
        return std::none_of(r.jobs.begin(), r.jobs.end(),
                            [&path](const Job& j) { return !j.done && j.path == path; });
    });
}

}  // namespace qelmuxer
