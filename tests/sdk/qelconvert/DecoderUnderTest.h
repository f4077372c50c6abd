// A decoder of the library writing into a buffer followed by guard bytes that must never change.
#ifndef DECODER_UNDER_TEST_H
#define DECODER_UNDER_TEST_H

#include <QByteArray>
#include <algorithm>

#include "TestFrames.h"
#include "qelconvert.h"
#include "qelconvert_extra.h"

class DecoderUnderTest {
public:
    static constexpr char kUntouched = char(0xA5);  // the buffer before any decode, and its guard

    DecoderUnderTest(int type, int width, int height)
        : m_bytes(TestFrames::yuv420Bytes(width, height)), m_buffer(m_bytes + 4096, kUntouched) {
        m_ok = qelconver_create_video_decoder(m_key, 0, type, width, height, QEL_COLORSPACE_YUV420P) == 1;
    }
    ~DecoderUnderTest() {
        if (m_ok) {
            qelconvert_release_video_decoder(m_key);
        }
    }
    bool ok() const { return m_ok; }
    const char* key() const { return m_key; }
    QByteArray out() const { return m_buffer.left(m_bytes); }

    // True when the library answered a whole frame, now in out().
    bool take(const QByteArray& data) {
        int outSize = -1;
        const int answer =
            qelconvert_video_decode(m_key, reinterpret_cast<const unsigned char*>(data.constData()),
                                    data.size(), reinterpret_cast<unsigned char*>(m_buffer.data()), &outSize);
        guardIntact = guardIntact && std::all_of(m_buffer.cbegin() + m_bytes, m_buffer.cend(),
                                                 [](char c) { return c == kUntouched; });
        sizeRight = sizeRight && (!answer || outSize == m_bytes);
        return answer && outSize == m_bytes;
    }
    // The decoded frame, or an empty array when the library answered 0.
    QByteArray decode(const QByteArray& data) { return take(data) ? out() : QByteArray(); }
    int decodePlanes(const QByteArray& data, QELPlanarPicture* picture) {
        return qelconvert_video_decode_planes(m_key, reinterpret_cast<const unsigned char*>(data.constData()),
                                              data.size(), picture);
    }

    bool guardIntact = true;
    bool sizeRight = true;

private:
    char m_key[QEL_TEXT_BUFFER_SIZE] = {};
    bool m_ok = false;
    int m_bytes;
    QByteArray m_buffer;
};

#endif
