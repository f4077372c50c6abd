#include "Mp4Writer.h"

#include "MuxLog.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

namespace qelmuxer {

Mp4Writer::~Mp4Writer() {
    abandon();
}

bool Mp4Writer::open(const std::string& path, std::string* error) {
    if (!m_sink.open(path, error)) {
        return false;
    }
    if (avformat_alloc_output_context2(&m_ctx, nullptr, "mp4", nullptr) < 0 || !m_ctx) {
        *error = "cannot create the MP4 muxer";
        m_sink.close();
        return false;
    }
    m_ctx->pb = m_sink.avio();
    m_ctx->flags |= AVFMT_FLAG_CUSTOM_IO | AVFMT_FLAG_FLUSH_PACKETS;
    // Without sound for a while, video is not held back longer than this.
    m_ctx->max_interleave_delta = 1000000;
    return true;
}

int Mp4Writer::addStream(const AVCodecParameters* par, int timeBaseNum, int timeBaseDen) {
    if (!m_ctx || m_headerWritten) {
        return -1;
    }
    AVStream* st = avformat_new_stream(m_ctx, nullptr);
    if (!st || avcodec_parameters_copy(st->codecpar, par) < 0) {
        return -1;
    }
    st->codecpar->codec_tag = 0;
    st->time_base = AVRational{timeBaseNum, timeBaseDen};
    m_timeBases.emplace_back(timeBaseNum, timeBaseDen);
    return st->index;
}

bool Mp4Writer::writeHeader() {
    if (!m_ctx || m_failed) {
        return false;
    }
    AVDictionary* opts = nullptr;
    av_dict_set(&opts, "movflags", "frag_keyframe+empty_moov+default_base_moof", 0);
    av_dict_set(&opts, "frag_duration", "1000000", 0);
    int ret = avformat_write_header(m_ctx, &opts);
    av_dict_free(&opts);
    if (ret < 0) {
        return fail("writing the header", ret);
    }
    m_headerWritten = true;
    avio_flush(m_ctx->pb);
    m_completeUpTo = m_sink.position();
    return true;
}

bool Mp4Writer::write(AVPacket* pkt, int streamIndex) {
    if (!m_headerWritten || m_failed || streamIndex < 0 || streamIndex >= int(m_ctx->nb_streams)) {
        av_packet_unref(pkt);
        return false;
    }
    pkt->stream_index = streamIndex;
    // The muxer may have chosen another time base for the stream.
    const auto& tb = m_timeBases[size_t(streamIndex)];
    av_packet_rescale_ts(pkt, AVRational{tb.first, tb.second}, m_ctx->streams[streamIndex]->time_base);
    int ret = av_interleaved_write_frame(m_ctx, pkt);
    if (ret < 0 || m_sink.failed()) {
        return fail("writing a packet", ret < 0 ? ret : AVERROR(m_sink.lastErrno()));
    }
    ++m_packets;
    // Everything is flushed after each packet: the file ends on a whole fragment here.
    m_completeUpTo = m_sink.position();
    return true;
}

bool Mp4Writer::finish() {
    if (!m_ctx) {
        return false;
    }
    bool ok = false;
    if (m_headerWritten && !m_failed) {
        int ret = av_write_trailer(m_ctx);
        if (ret < 0 || m_sink.failed()) {
            fail("writing the trailer", ret < 0 ? ret : AVERROR(m_sink.lastErrno()));
        } else {
            ok = m_sink.flushAndSync();
        }
    }
    abandon();
    return ok;
}

void Mp4Writer::abandon() {
    if (m_ctx) {
        m_ctx->pb = nullptr;
        avformat_free_context(m_ctx);
        m_ctx = nullptr;
    }
    m_sink.close();
}

bool Mp4Writer::fail(const char* what, int err) {
    if (!m_failed) {
        char text[128];
        logLine("%s failed: %s", what, avErrorText(err, text, sizeof text));
        if (m_headerWritten) {
            m_sink.truncate(m_completeUpTo);
        }
    }
    m_failed = true;
    return false;
}

}  // namespace qelmuxer
