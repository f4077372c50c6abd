#include "MediaProbe.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

int ProbedMedia::count(const QString& kind) const {
    int n = 0;
    for (const ProbedStream& s : streams) {
        n += s.kind == kind ? 1 : 0;
    }
    return n;
}

const ProbedStream* ProbedMedia::first(const QString& kind) const {
    for (const ProbedStream& s : streams) {
        if (s.kind == kind) {
            return &s;
        }
    }
    return nullptr;
}

QStringList ProbedMedia::kinds() const {
    if (!ok) {
        return {QStringLiteral("unreadable: ") + error};
    }
    QStringList out;
    for (const ProbedStream& s : streams) {
        out.append(s.kind);
    }
    out.sort();
    return out;
}

ProbedMedia probeMedia(const QString& path) {
    ProbedMedia media;
    AVFormatContext* ctx = nullptr;
    const QByteArray file = path.toUtf8();
    if (avformat_open_input(&ctx, file.constData(), nullptr, nullptr) < 0) {
        media.error = QStringLiteral("cannot open");
        return media;
    }
    if (avformat_find_stream_info(ctx, nullptr) < 0) {
        media.error = QStringLiteral("no stream info");
        avformat_close_input(&ctx);
        return media;
    }
    media.format = QString::fromLatin1(ctx->iformat->name);
    for (unsigned i = 0; i < ctx->nb_streams; ++i) {
        const AVCodecParameters* par = ctx->streams[i]->codecpar;
        ProbedStream s;
        s.kind = par->codec_type == AVMEDIA_TYPE_VIDEO   ? QStringLiteral("video")
                 : par->codec_type == AVMEDIA_TYPE_AUDIO ? QStringLiteral("audio")
                                                         : QStringLiteral("other");
        s.codec = QString::fromLatin1(avcodec_get_name(par->codec_id));
        s.width = par->width;
        s.height = par->height;
        s.channels = par->ch_layout.nb_channels;
        s.sampleRate = par->sample_rate;
        media.streams.append(s);
    }
    AVPacket* pkt = av_packet_alloc();
    while (av_read_frame(ctx, pkt) >= 0) {
        if (pkt->stream_index >= 0 && pkt->stream_index < media.streams.size()) {
            ++media.streams[pkt->stream_index].packets;
        }
        av_packet_unref(pkt);
    }
    av_packet_free(&pkt);
    avformat_close_input(&ctx);
    media.ok = true;
    return media;
}
