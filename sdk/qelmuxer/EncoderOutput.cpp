#include "EncoderOutput.h"

extern "C" {
#include <libavcodec/avcodec.h>
}

namespace qelmuxer {

bool drainEncoder(AVCodecContext* ctx, AVPacket* packet, const PacketSink& sink) {
    for (;;) {
        int ret = avcodec_receive_packet(ctx, packet);
        if (ret == AVERROR(EAGAIN) || ret == AVERROR_EOF) {
            return true;
        }
        if (ret < 0) {
            return false;
        }
        if (!sink || !sink(packet)) {
            av_packet_unref(packet);
            return false;
        }
    }
}

}  // namespace qelmuxer
