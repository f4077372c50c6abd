// Synthetic camera frames for the decoder and muxer tests and benchmarks: pictures, encoded with FFmpeg's
// own encoders, and FFmpeg's own decode of them as the reference.
#ifndef TEST_FRAMES_H
#define TEST_FRAMES_H

#include <QByteArray>
#include <QVector>

extern "C" {
#include <libavcodec/codec_id.h>
#include <libavutil/pixfmt.h>
}

namespace TestFrames {

// Bytes of a planar YUV 4:2:0 frame.
int yuv420Bytes(int width, int height);

// An RGB24 test picture (gradients, colour bars, fine lines), different for each `index`.
QByteArray rgbPattern(int width, int height, int index = 0);

// Converts a tightly packed picture into another format (tightly packed too) with FFmpeg's scaler;
// full range only for the YUVJ formats and GRAY8/RGB.
QByteArray convert(const QByteArray& picture, int width, int height, AVPixelFormat from, AVPixelFormat to);

struct EncoderSettings {
    const char* encoder;   // "mjpeg", "libx264", "libx265"
    AVPixelFormat format;  // input format of the encoder
    int gop = 30;
    const char* options = "";  // "key=value:key=value" AVOptions of the encoder
    EncoderSettings withGop(int frames) const {
        EncoderSettings s = *this;
        s.gop = frames;
        return s;
    }
};

// The encoders as the tests use them: one packet per picture, quiet.
const EncoderSettings kMjpeg{"mjpeg", AV_PIX_FMT_YUVJ422P};
const EncoderSettings kH264{"libx264", AV_PIX_FMT_YUV420P, 30, "preset=ultrafast:tune=zerolatency"};
const EncoderSettings kH265{"libx265", AV_PIX_FMT_YUV420P, 30,
                            "preset=ultrafast:tune=zerolatency:x265-params=log-level=error"};

// Encodes `count` pattern pictures; one packet per picture (the encoders run without delay).
QVector<QByteArray> encode(const EncoderSettings& settings, int width, int height, int count);

// FFmpeg's own decode of the packets, each picture scaled into outWidth x outHeight planar
// YUV 4:2:0 limited range; an empty entry where a packet gave no picture.
QVector<QByteArray> referenceDecode(AVCodecID codec, const QVector<QByteArray>& packets, int outWidth,
                                    int outHeight);

// PSNR in dB of two equally sized byte buffers (all planes); 100 for identical ones.
double psnr(const QByteArray& a, const QByteArray& b);

}  // namespace TestFrames

#endif
