// Handing an encoder's finished packets on: shared by the video and audio encoders.
#ifndef QELMUXER_ENCODER_OUTPUT_H
#define QELMUXER_ENCODER_OUTPUT_H

#include <functional>

struct AVCodecContext;
struct AVPacket;

namespace qelmuxer {

// Takes a packet; answers false when it could not be written.
using PacketSink = std::function<bool(AVPacket*)>;

// Receives every packet the encoder has ready and hands each to sink (reusing `packet`).
// True when the encoder has nothing more for now; false on an encoder error, a missing sink or a
// packet the sink refused.
bool drainEncoder(AVCodecContext* ctx, AVPacket* packet, const PacketSink& sink);

}  // namespace qelmuxer

#endif
