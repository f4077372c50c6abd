#include "VideoRenderer.h"

#include <QApplication>
#include <QLoggingCategory>
#include <QThread>
#include <QtGlobal>
#include <algorithm>
#include <cstdlib>
#include <cstring>

#include <libyuv/convert_argb.h>
#include <libyuv/scale.h>

extern "C" {
#include <libavutil/mem.h>
#include <libavutil/opt.h>
#include <libswscale/swscale.h>
}

#include "FrameExchange.h"
#include "RenderSurface.h"

Q_LOGGING_CATEGORY(lcRenderer, "corvix.qelrenderqt", QtWarningMsg)

static_assert(Q_BYTE_ORDER == Q_LITTLE_ENDIAN, "QImage::Format_RGB32 is stored as B G R A bytes");

namespace {

constexpr int kMaxDimension = 16384;
constexpr int kMinTailBytes = 512;
constexpr size_t kTailPadding = 256;
// The scaler may store up to 60 bytes past the end of a picture row; that part of the right bar
// is blackened again after each frame.
constexpr int kSpillPixels = 32;

int64_t yuv420Bytes(int width, int height) {
    const int64_t w = width;
    const int64_t h = height;
    return w * h + 2 * (((w + 1) / 2) * ((h + 1) / 2));
}

int readDimension(const int* field) {
    return __atomic_load_n(field, __ATOMIC_RELAXED);
}

bool onGuiThread() {
    return QThread::currentThread() == QCoreApplication::instance()->thread();
}

}  // namespace

VideoRenderer::VideoRenderer(int width, int height, IWindow* window)
    : m_width(width),
      m_height(height),
      m_frameBytes(int(yuv420Bytes(width, height))),
      m_halfFrameBytes(int(yuv420Bytes(width / 2, height / 2))),
      m_window(window) {
    const int chromaWidth = (width + 1) / 2;
    const int tailRows = 2 * ((kMinTailBytes + chromaWidth - 1) / chromaWidth) + 2;
    m_splitRow = std::max(0, height - tailRows) & ~1;
    const size_t lumaTail = size_t(width) * size_t(height - m_splitRow);
    const size_t chromaTail = size_t(chromaWidth) * size_t((height + 1) / 2 - m_splitRow / 2);
    m_tail.resize(lumaTail + 2 * chromaTail + 3 * kTailPadding, 0);
}

VideoRenderer::~VideoRenderer() {
    release();
    sws_freeContext(m_sws);
    av_free(m_scratch);
}

bool VideoRenderer::ensureScratch() {
    if (m_scratch) {
        return true;
    }
    m_scratchStride = (m_width * 4 + 128 + 63) / 64 * 64;
    m_scratch = static_cast<uint8_t*>(av_malloc(size_t(m_scratchStride) * size_t(m_height) + 256));
    if (!m_scratch) {
        qWarning("VideoRenderer: out of memory for a %dx%d picture", m_width, m_height);
    }
    return m_scratch != nullptr;
}

std::shared_ptr<VideoRenderer> VideoRenderer::create(int width, int height, IWindow* window) {
    if (!window || width <= 0 || height <= 0 || width > kMaxDimension || height > kMaxDimension) {
        qWarning("VideoRenderer::create bad arguments: %dx%d window %p", width, height,
                 static_cast<void*>(window));
        return nullptr;
    }
    if (!qobject_cast<QApplication*>(QCoreApplication::instance())) {
        qWarning("VideoRenderer::create needs a QApplication");
        return nullptr;
    }
    std::shared_ptr<VideoRenderer> renderer(new VideoRenderer(width, height, window));
    renderer->m_exchange = std::make_shared<FrameExchange>();
    if (renderer->m_exchange->wakeFd() < 0) {
        return nullptr;
    }
    auto* surface = new RenderSurface(renderer->m_exchange, WId(window->handle));
    if (onGuiThread()) {
        if (!surface->attach()) {
            delete surface;
            return nullptr;
        }
    } else {
        surface->moveToThread(QCoreApplication::instance()->thread());
        QMetaObject::invokeMethod(surface, "attach", Qt::QueuedConnection);
    }
    renderer->m_surface = surface;
    return renderer;
}

void VideoRenderer::release() {
    RenderSurface* surface = nullptr;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_released) {
            return;
        }
        m_released = true;
        surface = m_surface;
        m_surface = nullptr;
    }
    if (!surface) {
        return;
    }
    QCoreApplication* app = QCoreApplication::instance();
    if (app && onGuiThread()) {
        delete surface;
    } else if (app) {
        surface->deleteLater();  // its destructor removes the filter on the GUI thread
    }
    // Without an application the GUI thread is gone and the widget with it; the surface is left.
}

bool VideoRenderer::toArgb(const uint8_t* yuv, int width, int height, const QRect& part, uint8_t* dst,
                           int dstStride) {
    // BT.601 limited range, as the decoders write it; B G R A bytes are QImage::Format_RGB32.
    // part starts on even coordinates, so its chroma starts on a whole sample.
    const int cw = (width + 1) / 2;
    const int ch = (height + 1) / 2;
    const uint8_t* u = yuv + size_t(width) * height;
    const uint8_t* v = u + size_t(cw) * ch;
    const size_t lumaOffset = size_t(part.y()) * width + part.x();
    const size_t chromaOffset = size_t(part.y() / 2) * cw + part.x() / 2;
    return libyuv::I420ToARGB(yuv + lumaOffset, width, u + chromaOffset, cw, v + chromaOffset, cw, dst,
                              dstStride, part.width(), part.height()) == 0;
}

bool VideoRenderer::halve(const uint8_t* yuv) {
    const int w = m_width / 2;
    const int h = m_height / 2;
    const int cw = (w + 1) / 2;
    const int ch = (h + 1) / 2;
    const size_t bytes = size_t(w) * h + 2 * size_t(cw) * ch;
    if (m_half.size() != bytes) {
        m_half.assign(bytes, 0);  // once per size
    }
    const int scw = (m_width + 1) / 2;
    const int sch = (m_height + 1) / 2;
    const uint8_t* su = yuv + size_t(m_width) * m_height;
    const uint8_t* sv = su + size_t(scw) * sch;
    uint8_t* y = m_half.data();
    uint8_t* u = y + size_t(w) * h;
    uint8_t* v = u + size_t(cw) * ch;
    return libyuv::I420Scale(yuv, m_width, su, scw, sv, scw, m_width, m_height, y, w, u, cw, v, cw, w, h,
                             libyuv::kFilterBox) == 0;
}

QRect VideoRenderer::pictureRect(int frameWidth, int frameHeight, int windowWidth, int windowHeight) {
    int w = windowWidth;
    int h = windowHeight;
    if (int64_t(windowWidth) * frameHeight <= int64_t(windowHeight) * frameWidth) {
        h = int((int64_t(windowWidth) * frameHeight * 2 + frameWidth) / (2 * int64_t(frameWidth)));
    } else {
        w = int((int64_t(windowHeight) * frameWidth * 2 + frameHeight) / (2 * int64_t(frameHeight)));
    }
    w = qBound(1, w, windowWidth);
    h = qBound(1, h, windowHeight);
    // Left edge on a 4-pixel boundary keeps the scaler's stores aligned.
    const int x = ((windowWidth - w) / 2) & ~3;
    const int y = (windowHeight - h) / 2;
    return QRect(x, y, w, h);
}

bool VideoRenderer::prepareScaler(int pictureWidth, int pictureHeight) {
    if (m_sws && pictureWidth == m_swsWidth && pictureHeight == m_swsHeight) {
        return true;
    }
    qCDebug(lcRenderer, "VideoRenderer: scaling %dx%d frames to %dx%d", m_width, m_height, pictureWidth,
            pictureHeight);
    sws_freeContext(m_sws);
    m_sws = sws_alloc_context();
    m_swsWidth = 0;
    m_swsHeight = 0;
    if (!m_sws) {
        return false;
    }
    av_opt_set_int(m_sws, "srcw", m_width, 0);
    av_opt_set_int(m_sws, "srch", m_height, 0);
    av_opt_set_int(m_sws, "src_format", AV_PIX_FMT_YUV420P, 0);
    av_opt_set_int(m_sws, "src_range", 0, 0);
    av_opt_set_int(m_sws, "dstw", pictureWidth, 0);
    av_opt_set_int(m_sws, "dsth", pictureHeight, 0);
    av_opt_set_int(m_sws, "dst_format", AV_PIX_FMT_BGRA, 0);
    av_opt_set_int(m_sws, "dst_range", 1, 0);
    // Enlarging, the fast bilinear scaler interpolates as well as the exact one at a fraction of
    // the cost; reducing, the exact one also averages the pixels it drops.
    const bool enlarging = pictureWidth >= m_width && pictureHeight >= m_height;
    av_opt_set_int(m_sws, "sws_flags", enlarging ? SWS_FAST_BILINEAR : SWS_BILINEAR, 0);
    if (sws_init_context(m_sws, nullptr, nullptr) < 0) {
        qWarning("VideoRenderer: cannot scale %dx%d to %dx%d", m_width, m_height, pictureWidth,
                 pictureHeight);
        sws_freeContext(m_sws);
        m_sws = nullptr;
        return false;
    }
    const int* coefficients = sws_getCoefficients(SWS_CS_ITU601);
    sws_setColorspaceDetails(m_sws, coefficients, 0, coefficients, 1, 0, 1 << 16, 1 << 16);
    m_swsWidth = pictureWidth;
    m_swsHeight = pictureHeight;
    return true;
}

bool VideoRenderer::scale(const uint8_t* data, uint8_t* dst0, int dstStride) {
    const int cw = (m_width + 1) / 2;
    const int ch = (m_height + 1) / 2;
    const uint8_t* planes[3] = {data, data + size_t(m_width) * m_height,
                                data + size_t(m_width) * m_height + size_t(cw) * ch};
    const int strides[3] = {m_width, cw, cw};
    const int rows[3] = {m_height, ch, ch};
    const uint8_t* head[4] = {planes[0], planes[1], planes[2], nullptr};
    const uint8_t* tail[4] = {nullptr, nullptr, nullptr, nullptr};
    uint8_t* cursor = m_tail.data();
    for (int p = 0; p < 3; ++p) {
        const int headRows = p == 0 ? m_splitRow : m_splitRow / 2;
        const size_t bytes = size_t(strides[p]) * size_t(rows[p] - headRows);
        std::memcpy(cursor, planes[p] + size_t(strides[p]) * headRows, bytes);
        tail[p] = cursor;
        cursor += bytes + kTailPadding;
    }
    const int srcStrides[4] = {strides[0], strides[1], strides[2], 0};
    uint8_t* dst[4] = {dst0, nullptr, nullptr, nullptr};
    const int dstStrides[4] = {dstStride, 0, 0, 0};
    if ((m_splitRow > 0 && sws_scale(m_sws, head, srcStrides, 0, m_splitRow, dst, dstStrides) < 0) ||
        sws_scale(m_sws, tail, srcStrides, m_splitRow, m_height - m_splitRow, dst, dstStrides) < 0) {
        return false;
    }
    return true;
}

bool VideoRenderer::wantsFrame() const {
    return m_exchange->frontPainted();
}

void VideoRenderer::setPaintLogCapacity(int capacity) {
    m_exchange->setPaintLogCapacity(capacity);
}

int VideoRenderer::takePaintLog(QELPaintRecord* out, int capacity) {
    return m_exchange->takePaintLog(out, capacity);
}

QELRenderCounts VideoRenderer::counts() const {
    return m_exchange->counts();
}

namespace {

// A window within a few pixels of a frame's size shows it 1:1, with those pixels cropped or left
// black: rescaling by 0.999 costs a whole scaler pass and blurs every pixel.
bool nearSize(int source, int window) {
    return source > 0 && std::abs(source - window) <= std::max(2, source / 200);
}

}  // namespace

bool VideoRenderer::oneToOne(int windowWidth, int windowHeight) const {
    return nearSize(m_width, windowWidth) && nearSize(m_height, windowHeight);
}

bool VideoRenderer::halved(int windowWidth, int windowHeight) const {
    return !oneToOne(windowWidth, windowHeight) && nearSize(m_width / 2, windowWidth) &&
           nearSize(m_height / 2, windowHeight);
}

int VideoRenderer::shownScale() const {
    const int windowWidth = readDimension(&m_window->width);
    const int windowHeight = readDimension(&m_window->height);
    if (oneToOne(windowWidth, windowHeight)) {
        return 1;
    }
    return m_width % 2 == 0 && m_height % 2 == 0 && halved(windowWidth, windowHeight) ? 2 : 0;
}

bool VideoRenderer::render(const uint8_t* data, int size, int64_t captureUs) {
    if (!data || size != m_frameBytes) {
        return false;
    }
    Source source;
    source.full = data;
    return renderFrame(source, captureUs);
}

bool VideoRenderer::renderHalf(const uint8_t* data, int size, int64_t captureUs) {
    if (!data || size != m_halfFrameBytes || m_width % 2 != 0 || m_height % 2 != 0) {
        return false;
    }
    Source source;
    source.half = data;
    return renderFrame(source, captureUs);
}

bool VideoRenderer::renderPlanes(const QELPlanarPicture& picture, int64_t captureUs) {
    const bool fullSize = picture.width == m_width && picture.height == m_height;
    const bool halfSize = m_width % 2 == 0 && m_height % 2 == 0 && picture.width == m_width / 2 &&
                          picture.height == m_height / 2;
    if ((!fullSize && !halfSize) || !picture.planes[0]) {
        return false;
    }
    Source source;
    source.planes = &picture;
    return renderFrame(source, captureUs);
}

bool VideoRenderer::planesToArgb(const QELPlanarPicture& picture, const QRect& part, uint8_t* dst,
                                 int dstStride) {
    const uint8_t* y = picture.planes[0] + ptrdiff_t(part.y()) * picture.strides[0] + part.x();
    const int w = part.width();
    const int h = part.height();
    if (!picture.planes[1] || !picture.planes[2]) {
        return (picture.fullRange ? libyuv::J400ToARGB(y, picture.strides[0], dst, dstStride, w, h)
                                  : libyuv::I400ToARGB(y, picture.strides[0], dst, dstStride, w, h)) == 0;
    }
    const int sx = picture.chromaShiftX;
    const int sy = picture.chromaShiftY;
    const ptrdiff_t uOffset = ptrdiff_t(part.y() >> sy) * picture.strides[1] + (part.x() >> sx);
    const ptrdiff_t vOffset = ptrdiff_t(part.y() >> sy) * picture.strides[2] + (part.x() >> sx);
    const uint8_t* u = picture.planes[1] + uOffset;
    const uint8_t* v = picture.planes[2] + vOffset;
    const libyuv::YuvConstants* matrix =
        picture.fullRange ? &libyuv::kYuvJPEGConstants : &libyuv::kYuvI601Constants;
    const int su = picture.strides[1];
    const int sv = picture.strides[2];
    const int sy0 = picture.strides[0];
    if (sx == 1 && sy == 1) {
        return libyuv::I420ToARGBMatrix(y, sy0, u, su, v, sv, dst, dstStride, matrix, w, h) == 0;
    }
    if (sx == 1 && sy == 0) {
        return libyuv::I422ToARGBMatrix(y, sy0, u, su, v, sv, dst, dstStride, matrix, w, h) == 0;
    }
    if (sx == 0 && sy == 0) {
        return libyuv::I444ToARGBMatrix(y, sy0, u, su, v, sv, dst, dstStride, matrix, w, h) == 0;
    }
    return false;
}

bool VideoRenderer::renderFrame(const Source& from, int64_t captureUs) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_released) {
        return false;
    }
    if (!m_exchange->wantsPicture()) {
        return true;  // the screen has not taken the last picture yet: this one would go unseen
    }
    const int windowWidth = readDimension(&m_window->width);
    const int windowHeight = readDimension(&m_window->height);
    if (windowWidth <= 0 || windowHeight <= 0 || windowWidth > kMaxDimension ||
        windowHeight > kMaxDimension) {
        return false;  // a minimised or not yet laid out widget: nothing to draw
    }
    const bool oneToOne = this->oneToOne(windowWidth, windowHeight);
    const bool halved = this->halved(windowWidth, windowHeight);
    const uint8_t* const data = from.full;
    const uint8_t* const half = from.half;
    const QELPlanarPicture* const planes = from.planes;
    const bool planesHalf = planes && planes->width != m_width;
    if ((half || planesHalf) && !halved) {
        return false;  // resized since the caller asked: its next frame comes at full size
    }
    if (planes && !planesHalf && !oneToOne) {
        return false;  // the same: the picture would need the scaler, which takes 4:2:0 frames
    }
    const int sourceWidth = halved ? m_width / 2 : m_width;
    const int sourceHeight = halved ? m_height / 2 : m_height;
    QRect rect;
    QRect part;
    if (oneToOne || halved) {
        const int w = std::min(windowWidth, sourceWidth);
        const int h = std::min(windowHeight, sourceHeight);
        rect = QRect(((windowWidth - w) / 2) & ~3, (windowHeight - h) / 2, w, h);
        part = QRect(((sourceWidth - w) / 2) & ~1, ((sourceHeight - h) / 2) & ~1, w, h);
    } else {
        rect = pictureRect(m_width, m_height, windowWidth, windowHeight);
    }
    FrameExchange::Buffer* buffer = m_exchange->back(windowWidth, windowHeight, rect);
    if (!buffer) {
        return false;
    }
    const bool doubled = rect.width() == 2 * m_width && rect.height() == 2 * m_height;
    uint8_t* const target = buffer->pixels + size_t(rect.y()) * buffer->stride + size_t(rect.x()) * 4;
    bool scaled = false;
    if (planes) {
        scaled = planesToArgb(*planes, part, target, buffer->stride);
    } else if (oneToOne) {
        scaled = toArgb(data, m_width, m_height, part, target, buffer->stride);
    } else if (halved) {
        // A 2160p camera in a 1080p window: a 2x2 average in YUV (unless the caller decoded the
        // frame at half size), then the plain conversion.
        const uint8_t* source = half;
        if (!source && halve(data)) {
            source = m_half.data();
        }
        scaled = source && toArgb(source, sourceWidth, sourceHeight, part, target, buffer->stride);
    } else if (doubled) {
        scaled = ensureScratch() &&
                 toArgb(data, m_width, m_height, QRect(0, 0, m_width, m_height), m_scratch, m_scratchStride);
        for (int y = 0; scaled && y < m_height; ++y) {
            const auto* src = reinterpret_cast<const uint32_t*>(m_scratch + size_t(y) * m_scratchStride);
            uint8_t* first = target + size_t(2 * y) * buffer->stride;
            auto* pairs = reinterpret_cast<uint64_t*>(first);
            for (int x = 0; x < m_width; ++x) {
                pairs[x] = uint64_t(src[x]) * 0x0000000100000001ull;
            }
            std::memcpy(first + buffer->stride, first, size_t(m_width) * 8);
        }
    } else {
        scaled = prepareScaler(rect.width(), rect.height()) && scale(data, target, buffer->stride);
    }
    if (!scaled) {
        if (m_failures++ % 300 == 0) {
            qWarning("VideoRenderer: converting a frame failed");
        }
        return false;
    }
    const int spillStart = rect.right() + 1;
    const int spill = std::min(kSpillPixels, windowWidth - spillStart);
    for (int y = rect.top(); spill > 0 && y <= rect.bottom(); ++y) {
        auto* row = reinterpret_cast<uint32_t*>(buffer->pixels + size_t(y) * buffer->stride) + spillStart;
        std::fill(row, row + spill, 0xff000000u);
    }
    buffer->captureUs = captureUs;
    m_exchange->publish();
    return true;
}
