#include "Muxer.h"

#include <pthread.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <future>

#include "Finaliser.h"
#include "MuxLog.h"
#include "qelmuxer.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/mem.h>
}

namespace qelmuxer {

namespace {

constexpr size_t kMiB = 1024 * 1024;
// Decoded frames waiting for the encoder: at most this many bytes (about 0.7 s of 1080p30).
constexpr size_t kDecodedBudget = 64 * kMiB;
constexpr size_t kEncodedBudget = 96 * kMiB;
constexpr int kEncodedSlots = 48;
// Sound waits behind the video frames queued before it: room for several seconds of it.
constexpr int kAudioSlots = 500;
constexpr size_t kAudioSlotBytes = 8192;

int64_t monotonicUs() {
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return int64_t(ts.tv_sec) * 1000000 + ts.tv_nsec / 1000;
}

}  // namespace

Muxer::Muxer(const Config& config) : m_cfg(config) {}

std::shared_ptr<Muxer> Muxer::create(const Config& config, std::string* error) {
    Config c = config;
    if (c.path.empty() || c.width < 2 || c.height < 2 || c.width > 16384 || c.height > 16384 ||
        c.videoType < QEL_MUXER_INPUT_YUV420P || c.videoType > QEL_MUXER_INPUT_H265) {
        *error = "bad path, size or video type";
        return nullptr;
    }
    if (c.audio && (c.channels < 1 || c.channels > 8 || !AudioEncoder::supportsRate(c.sampleRate))) {
        *error = "unsupported sound format";
        return nullptr;
    }
    // The frame rate and GOP only guide the encoder; timestamps come from the arrival times.
    if (c.fps < 1 || c.fps > 240) {
        logLine("frame rate %d out of range, 30 assumed", c.fps);
        c.fps = 30;
    }
    if (c.gop < 1 || c.gop > 10 * c.fps) {
        c.gop = 2 * c.fps;
    }
    std::shared_ptr<Muxer> muxer(new Muxer(c));
    if (!muxer->start(error)) {
        return nullptr;
    }
    return muxer;
}

bool Muxer::start(std::string* error) {
    m_frameBytes = VideoEncoder::frameBytes(m_cfg.width, m_cfg.height);
    m_maxEncodedBytes = int(std::min<int64_t>(int64_t(m_frameBytes) * 2 + int64_t(kMiB), kEncodedBudget / 4));
    m_maxAudioBytes = m_cfg.audio ? m_cfg.sampleRate * m_cfg.channels * 2 : 0;
    m_frameDuration = VideoEncoder::kTimeBase / m_cfg.fps;

    FrameQueue::Pool video;
    if (m_cfg.videoType == QEL_MUXER_INPUT_YUV420P) {
        video.slots = int(std::clamp<size_t>(kDecodedBudget / size_t(m_frameBytes), 4, 32));
        video.initialBytes = size_t(m_frameBytes);
        video.budgetBytes = video.initialBytes * size_t(video.slots);
    } else {
        video.slots = kEncodedSlots;
        video.initialBytes = std::clamp<size_t>(size_t(m_frameBytes) / 8, 64 * 1024, kMiB);
        video.budgetBytes = kEncodedBudget;
        m_annexB = std::make_unique<AnnexBTrack>(m_cfg.videoType == QEL_MUXER_INPUT_H265);
    }
    FrameQueue::Pool audio;
    if (m_cfg.audio) {
        audio.slots = kAudioSlots;
        audio.initialBytes = kAudioSlotBytes;
        audio.budgetBytes = 8 * kMiB;
        m_audio = std::make_unique<AudioEncoder>();
        if (!m_audio->open(m_cfg.sampleRate, m_cfg.channels, error)) {
            return false;
        }
        m_audio->setSink([this](AVPacket* pkt) { return writeAudio(pkt); });
        m_timeline = std::make_unique<AudioTimeline>(m_cfg.sampleRate);
    }
    m_queue = std::make_unique<FrameQueue>(video, audio);
    // The video encoder is opened on the muxer's thread, so that its own threads share that
    // thread's lower priority.
    std::future<std::string> openResult = m_opened.get_future();
    m_thread = std::thread([this] { run(); });
    std::string openError = openResult.get();
    if (openError.empty()) {
        Finaliser::waitFor(m_cfg.path);
        ::unlink(Finaliser::temporaryPath(m_cfg.path).c_str());
        if (!m_writer.open(m_cfg.path, &openError)) {
            m_queue->close();
        }
    }
    if (!openError.empty()) {
        *error = openError;
        m_thread.join();
        return false;
    }
    m_started = true;
    return true;
}

// Encoding yields to the camera's preview and the user interface: a few steps of niceness
// lower than the thread that created the muxer. Frames wait in the pool meanwhile.
void Muxer::lowerPriority() {
    const pid_t tid = pid_t(syscall(SYS_gettid));
    errno = 0;
    int nice = getpriority(PRIO_PROCESS, id_t(tid));
    if (errno == 0) {
        setpriority(PRIO_PROCESS, id_t(tid), std::min(nice + 5, 19));
    }
}

Muxer::~Muxer() {
    release();
}

int Muxer::push(int kind, const uint8_t* data, int size, int64_t timestampUs) {
    if (!data || size <= 0) {
        return QEL_MUXER_REFUSED_ARGUMENT;
    }
    if (kind == QEL_MUXER_VIDEO) {
        bool decoded = m_cfg.videoType == QEL_MUXER_INPUT_YUV420P;
        if ((decoded && size != m_frameBytes) || (!decoded && size > m_maxEncodedBytes)) {
            return QEL_MUXER_REFUSED_ARGUMENT;
        }
    } else if (kind == QEL_MUXER_AUDIO) {
        if (!m_cfg.audio || size % (2 * m_cfg.channels) != 0 || size > m_maxAudioBytes) {
            return QEL_MUXER_REFUSED_ARGUMENT;
        }
    } else {
        return QEL_MUXER_REFUSED_ARGUMENT;
    }
    if (m_failed.load(std::memory_order_relaxed)) {
        return QEL_MUXER_REFUSED_FAILED;
    }
    int64_t now = timestampUs > 0 ? timestampUs : monotonicUs();
    Slot* slot = m_queue->acquire(kind, size);
    if (!slot) {
        if (m_queue->closed()) {
            return QEL_MUXER_REFUSED_FAILED;  // being released
        }
        (kind == QEL_MUXER_VIDEO ? m_videoDropped : m_audioDropped)++;
        return QEL_MUXER_REFUSED_QUEUE_FULL;
    }
    std::memcpy(slot->data.get(), data, size_t(size));
    slot->size = size;
    slot->arrivalUs = now;
    if (!m_queue->publish(slot)) {
        return QEL_MUXER_REFUSED_FAILED;
    }
    (kind == QEL_MUXER_VIDEO ? m_videoAccepted : m_audioAccepted)++;
    return 0;
}

void Muxer::run() {
    pthread_setname_np(pthread_self(), "qelmuxer");
    lowerPriority();
    std::string error;
    if (m_cfg.videoType == QEL_MUXER_INPUT_YUV420P) {
        m_encoder = std::make_unique<VideoEncoder>();
        if (m_encoder->open(m_cfg.width, m_cfg.height, m_cfg.fps, m_cfg.gop, &error)) {
            m_encoder->setSink([this](AVPacket* pkt) { return writeVideo(pkt); });
        } else {
            m_encoder.reset();
        }
    }
    m_opened.set_value(error);
    if (!error.empty()) {
        return;
    }
    while (Slot* slot = m_queue->take()) {
        if (m_failed) {
            m_queue->recycle(slot);
        } else if (slot->kind == QEL_MUXER_AUDIO) {
            handleAudio(slot);
            m_queue->recycle(slot);
        } else if (m_encoder) {
            handleVideo(slot);  // the encoder gives the slot back
        } else {
            handleEncodedVideo(slot);
            m_queue->recycle(slot);
        }
    }
    if (!m_failed && m_writer.headerWritten()) {
        bool flushed = (!m_encoder || m_encoder->flush()) && (!m_audio || m_audio->flush());
        if (!flushed || m_writer.failed()) {
            fail();
        }
    }
    // Encoders let go of their frames before the pool goes away.
    m_encoder.reset();
    m_finishedOk = !m_failed && m_writer.headerWritten() && m_writer.finish();
    m_writer.abandon();
    m_bytes = m_writer.bytesWritten();
}

void Muxer::releaseSlot(void* opaque, uint8_t*) {
    auto* slot = static_cast<Slot*>(opaque);
    slot->queue->recycle(slot);
}

void Muxer::handleVideo(Slot* slot) {
    if (m_originUs < 0 && !beginFile(slot->arrivalUs, {})) {
        m_queue->recycle(slot);
        return;
    }
    int64_t pts = (slot->arrivalUs - m_originUs) * VideoEncoder::kTimeBase / 1000000;
    pts = std::max(pts, m_lastVideoPts + 1);
    m_lastVideoPts = pts;
    if (!m_encoder->encode(slot->data.get(), pts, &Muxer::releaseSlot, slot)) {
        fail();
    }
}

void Muxer::handleEncodedVideo(Slot* slot) {
    AnnexBTrack::FrameInfo info = m_annexB->scan(slot->data.get(), slot->size);
    if (!info.hasPicture) {
        // Parameter sets on their own: they go in front of the next picture.
        if (m_originUs >= 0 && m_pendingPrefix.size() < 64 * 1024) {
            m_pendingPrefix.insert(m_pendingPrefix.end(), slot->data.get(), slot->data.get() + slot->size);
        }
        return;
    }
    if (m_originUs < 0) {
        // The file starts at the first keyframe that can be decoded.
        if (!info.keyframe || !m_annexB->haveParameterSets()) {
            ++m_videoSkipped;
            return;
        }
        if (!beginFile(slot->arrivalUs, m_annexB->extradata())) {
            return;
        }
    }
    int64_t pts = (slot->arrivalUs - m_originUs) * VideoEncoder::kTimeBase / 1000000;
    pts = std::max(pts, m_lastVideoPts + 1);
    m_lastVideoPts = pts;
    AVPacket* pkt = av_packet_alloc();
    int total = int(m_pendingPrefix.size()) + slot->size;
    if (!pkt || av_new_packet(pkt, total) < 0) {
        av_packet_free(&pkt);
        logLine("out of memory for a video packet");
        fail();
        return;
    }
    std::copy(m_pendingPrefix.begin(), m_pendingPrefix.end(), pkt->data);
    std::memcpy(pkt->data + m_pendingPrefix.size(), slot->data.get(), size_t(slot->size));
    m_pendingPrefix.clear();
    pkt->pts = pkt->dts = pts;
    pkt->duration = m_frameDuration;
    if (info.keyframe) {
        pkt->flags |= AV_PKT_FLAG_KEY;
    }
    writeVideo(pkt);
    av_packet_free(&pkt);
}

void Muxer::handleAudio(Slot* slot) {
    if (m_originUs < 0) {
        return;  // before the first picture: not part of the recording
    }
    int samples = slot->size / (2 * m_cfg.channels);
    AudioTimeline::Placement p = m_timeline->place(slot->arrivalUs - m_originUs, samples);
    m_silence += p.silence;
    m_trimmed += p.skip;
    const auto* pcm = reinterpret_cast<const int16_t*>(slot->data.get());
    bool ok = m_audio->addSilence(p.silence) &&
              m_audio->addSamples(pcm + size_t(p.skip) * size_t(m_cfg.channels), samples - p.skip);
    m_audioSamples = m_timeline->position();
    if (!ok) {
        fail();
    }
}

bool Muxer::beginFile(int64_t originUs, const std::vector<uint8_t>& extradata) {
    AVCodecParameters* par = avcodec_parameters_alloc();
    bool ok = par != nullptr;
    if (ok && m_encoder) {
        ok = m_encoder->fillParameters(par);
    } else if (ok) {
        par->codec_type = AVMEDIA_TYPE_VIDEO;
        par->codec_id = m_cfg.videoType == QEL_MUXER_INPUT_H265 ? AV_CODEC_ID_HEVC : AV_CODEC_ID_H264;
        par->width = m_cfg.width;
        par->height = m_cfg.height;
        par->extradata = static_cast<uint8_t*>(av_mallocz(extradata.size() + AV_INPUT_BUFFER_PADDING_SIZE));
        ok = par->extradata != nullptr;
        if (ok) {
            std::copy(extradata.begin(), extradata.end(), par->extradata);
            par->extradata_size = int(extradata.size());
        }
    }
    m_videoStream = ok ? m_writer.addStream(par, 1, VideoEncoder::kTimeBase) : -1;
    if (m_audio) {
        ok = ok && m_audio->fillParameters(par);
        m_audioStream = ok ? m_writer.addStream(par, 1, m_cfg.sampleRate) : -1;
    }
    avcodec_parameters_free(&par);
    if (m_videoStream < 0 || (m_audio && m_audioStream < 0) || !m_writer.writeHeader()) {
        logLine("cannot start the file %s", m_cfg.path.c_str());
        fail();
        return false;
    }
    m_originUs = originUs;
    return true;
}

bool Muxer::writeVideo(AVPacket* pkt) {
    if (pkt->duration <= 0) {
        pkt->duration = m_frameDuration;
    }
    if (!m_writer.write(pkt, m_videoStream)) {
        fail();
        return false;
    }
    ++m_videoWritten;
    m_bytes = m_writer.bytesWritten();
    return true;
}

bool Muxer::writeAudio(AVPacket* pkt) {
    if (!m_writer.write(pkt, m_audioStream)) {
        fail();
        return false;
    }
    return true;
}

// A write or encoding failure ends the recording: what was written stays, the rest is refused.
void Muxer::fail() {
    if (!m_failed.exchange(true)) {
        m_error = m_writer.lastErrno();
        logLine("recording %s ended by a failure; %lld bytes kept", m_cfg.path.c_str(),
                (long long)m_writer.bytesWritten());
    }
    m_writer.abandon();
}

bool Muxer::release() {
    std::lock_guard<std::mutex> lock(m_releaseMutex);
    if (m_released) {
        return false;
    }
    m_released = true;
    if (!m_started) {
        return false;
    }
    m_queue->close();
    m_thread.join();
    if (m_originUs < 0 && !m_failed) {
        logLine("no frame was recorded, %s removed", m_cfg.path.c_str());
        ::unlink(m_cfg.path.c_str());
        return false;
    }
    if (m_finishedOk) {
        Finaliser::start(m_cfg.path, m_writer.packetsWritten());
    }
    return m_finishedOk;
}

void Muxer::stats(QELMuxerStats* out) const {
    out->videoAccepted = m_videoAccepted;
    out->videoDropped = m_videoDropped;
    out->videoSkipped = m_videoSkipped;
    out->videoWritten = m_videoWritten;
    out->audioAccepted = m_audioAccepted;
    out->audioDropped = m_audioDropped;
    out->audioSamplesWritten = m_audioSamples;
    out->silenceSamples = m_silence;
    out->trimmedSamples = m_trimmed;
    out->bytesWritten = m_bytes;
    out->queued = m_queue ? m_queue->queued() : 0;
    out->failed = m_failed ? 1 : 0;
}

}  // namespace qelmuxer
