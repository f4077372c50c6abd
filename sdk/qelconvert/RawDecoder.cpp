#include "RawDecoder.h"

#include <QtGlobal>
#include <algorithm>
#include <cstring>

#include "qeldefine.h"

namespace {

// The scaler's vector loads run up to a few dozen bytes past a row; the copied tail holds at
// least this many bytes of every plane, and is followed by as much padding.
constexpr int kMinTailBytes = 512;
constexpr size_t kTailPadding = 256;

AVPixelFormat rawFormat(int mediaType) {
    switch (mediaType) {
        case QEL_MEDIA_YUY2:
            return AV_PIX_FMT_YUYV422;
        case QEL_MEDIA_UYVY:
            return AV_PIX_FMT_UYVY422;
        case QEL_MEDIA_NV12:
            return AV_PIX_FMT_NV12;
        case QEL_MEDIA_I420:
            return AV_PIX_FMT_YUV420P;
        case QEL_MEDIA_GREY:
            return AV_PIX_FMT_GRAY8;
        case QEL_MEDIA_RGB24:
            return AV_PIX_FMT_RGB24;
        case QEL_MEDIA_BGR24:
            return AV_PIX_FMT_BGR24;
        default:
            return AV_PIX_FMT_NONE;
    }
}

}  // namespace

RawDecoder::RawDecoder(int mediaType, int width, int height)
    : VideoDecoder(mediaType, width, height),
      m_writer(width, height),
      m_format(rawFormat(mediaType)),
      m_fullRange(mediaType == QEL_MEDIA_GREY || mediaType == QEL_MEDIA_RGB24 ||
                  mediaType == QEL_MEDIA_BGR24) {
    const int cw = (width + 1) / 2;
    const int ch = (height + 1) / 2;
    Layout& l = m_layout;
    switch (mediaType) {
        case QEL_MEDIA_YUY2:
        case QEL_MEDIA_UYVY:
            l.planes = 1;
            l.strides[0] = cw * 4;
            break;
        case QEL_MEDIA_GREY:
            l.planes = 1;
            l.strides[0] = width;
            break;
        case QEL_MEDIA_RGB24:
        case QEL_MEDIA_BGR24:
            l.planes = 1;
            l.strides[0] = width * 3;
            break;
        case QEL_MEDIA_NV12:
            l.planes = 2;
            l.strides[0] = width;
            l.strides[1] = cw * 2;
            break;
        case QEL_MEDIA_I420:
            l.planes = 3;
            l.strides[0] = width;
            l.strides[1] = cw;
            l.strides[2] = cw;
            break;
        default:
            break;
    }
    for (int p = 0; p < l.planes; ++p) {
        l.rows[p] = p == 0 ? height : ch;
        l.rowShift[p] = p == 0 ? 0 : 1;
        m_inputBytes += int64_t(l.strides[p]) * l.rows[p];
    }
    // Split at an even row so subsampled chroma rows stay whole; narrow pictures copy more rows.
    int narrowest = l.strides[0];
    for (int p = 1; p < l.planes; ++p) {
        narrowest = std::min(narrowest, l.strides[p]);
    }
    const int tailRows = 2 * ((kMinTailBytes + narrowest - 1) / std::max(1, narrowest)) + 2;
    m_splitRow = std::max(0, height - tailRows) & ~1;
    size_t tailBytes = 0;
    for (int p = 0; p < l.planes; ++p) {
        const int planeTailRows = l.rows[p] - (m_splitRow >> l.rowShift[p]);
        tailBytes += size_t(l.strides[p]) * size_t(planeTailRows + 1) + kTailPadding;
    }
    m_tail.resize(tailBytes, 0);
}

bool RawDecoder::decodeFrame(const uint8_t* data, int size, uint8_t* out) {
    if (m_format == AV_PIX_FMT_NONE || m_layout.planes == 0) {
        return false;
    }
    if (size < m_inputBytes) {
        if (shouldLogFailure()) {
            qWarning("RawDecoder: frame of %d bytes is shorter than %lld for %dx%d, type %d", size,
                     static_cast<long long>(m_inputBytes), width(), height(), mediaType());
        }
        return false;
    }
    const Layout& l = m_layout;
    Yuv420Writer::Slice slices[2] = {};
    Yuv420Writer::Slice& head = slices[0];
    Yuv420Writer::Slice& tail = slices[1];
    head.y = 0;
    head.height = m_splitRow;
    tail.y = m_splitRow;
    tail.height = height() - m_splitRow;
    const uint8_t* plane = data;
    uint8_t* tailCursor = m_tail.data();
    for (int p = 0; p < l.planes; ++p) {
        const int headRows = m_splitRow >> l.rowShift[p];
        const size_t tailBytes = size_t(l.strides[p]) * size_t(l.rows[p] - headRows);
        head.planes[p] = plane;
        head.strides[p] = l.strides[p];
        std::memcpy(tailCursor, plane + size_t(l.strides[p]) * headRows, tailBytes);
        // The scaler reads one row past the picture when it halves an odd number of chroma rows:
        // give it the last row again rather than whatever follows.
        std::memcpy(tailCursor + tailBytes, tailCursor + tailBytes - size_t(l.strides[p]),
                    size_t(l.strides[p]));
        tail.planes[p] = tailCursor;
        tail.strides[p] = l.strides[p];
        plane += size_t(l.strides[p]) * l.rows[p];
        tailCursor += tailBytes + size_t(l.strides[p]) + kTailPadding;
    }
    const int first = head.height > 0 ? 0 : 1;
    if (!m_writer.write(slices + first, 2 - first, width(), height(), m_format, m_fullRange, out)) {
        if (shouldLogFailure()) {
            qWarning("RawDecoder: conversion failed for type %d", mediaType());
        }
        return false;
    }
    return true;
}
