// One renderer: converts planar YUV 4:2:0 frames of a fixed size into the current size of its
// window record, letterboxed, and hands them to the widget's surface. A frame arriving while the
// previous picture still waits for its paint is passed over unconverted.
#ifndef QEL_VIDEO_RENDERER_H
#define QEL_VIDEO_RENDERER_H

#include <QRect>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "qelconvert_extra.h"
#include "qelrenderqt.h"
#include "qelrenderqt_extra.h"

class FrameExchange;
class RenderSurface;
struct SwsContext;

class VideoRenderer {
public:
    // Null (logged) when the arguments are bad, there is no QApplication, or - created on the
    // GUI thread - no widget has the record's native window id. Created on another thread, the
    // widget is looked up on the GUI thread shortly after.
    static std::shared_ptr<VideoRenderer> create(int width, int height, IWindow* window);
    ~VideoRenderer();
    VideoRenderer(const VideoRenderer&) = delete;
    VideoRenderer& operator=(const VideoRenderer&) = delete;

    // Any thread. False for a frame of the wrong size, a window of no usable size, or after release.
    // captureUs (0: not known) goes with the picture to its paint.
    bool render(const uint8_t* data, int size, int64_t captureUs = 0);
    // 1: the window shows frames at their size; 2: at half their size (the frame's sides even):
    // a caller may decode at that size and use renderHalf or renderPlanes; 0: scaled otherwise.
    int shownScale() const;
    // Any thread. A frame of width / 2 x height / 2, shown as render would show its full-size
    // original. False for a frame of the wrong size, once the window no longer shows half-size
    // pictures (the caller goes back to full frames), or after release.
    bool renderHalf(const uint8_t* data, int size, int64_t captureUs = 0);
    int halfFrameBytes() const { return m_halfFrameBytes; }
    // Any thread. A decoded picture in its own layout, of the frame's size while the window shows
    // frames 1:1 or of half of it while it shows them at half size. False otherwise (the caller
    // renders a 4:2:0 frame), for a layout without a conversion, or after release.
    bool renderPlanes(const QELPlanarPicture& picture, int64_t captureUs = 0);
    // The next frame would be converted (the last picture was painted).
    bool wantsFrame() const;
    void setPaintLogCapacity(int capacity);
    int takePaintLog(QELPaintRecord* out, int capacity);
    QELRenderCounts counts() const;
    // Waits for a frame in flight, then detaches from the widget. Later render() calls answer false.
    void release();

    int frameBytes() const { return m_frameBytes; }
    // Where the picture goes in a window of the given size: aspect kept, centred.
    static QRect pictureRect(int frameWidth, int frameHeight, int windowWidth, int windowHeight);

private:
    VideoRenderer(int width, int height, IWindow* window);
    bool prepareScaler(int pictureWidth, int pictureHeight);
    bool scale(const uint8_t* data, uint8_t* dst, int dstStride);
    bool ensureScratch();
    // `part` (even x and y) of a planar YUV 4:2:0 picture of width x height into 32-bit pixels.
    static bool toArgb(const uint8_t* yuv, int width, int height, const QRect& part, uint8_t* dst,
                       int dstStride);
    // The frame at half its size into m_half.
    bool halve(const uint8_t* yuv);
    // Where a frame comes from: a 4:2:0 frame of the renderer's size or of half of it, or a
    // decoded picture in its own layout (of either size).
    struct Source {
        const uint8_t* full = nullptr;
        const uint8_t* half = nullptr;
        const QELPlanarPicture* planes = nullptr;
    };
    // The shared body of render, renderHalf and renderPlanes.
    bool renderFrame(const Source& source, int64_t captureUs);
    // `part` (even x and y) of a decoded picture into 32-bit pixels.
    static bool planesToArgb(const QELPlanarPicture& picture, const QRect& part, uint8_t* dst, int dstStride);
    // 1:1 or 1:2 display of a frame in a window of the given size, within a few pixels.
    bool oneToOne(int windowWidth, int windowHeight) const;
    bool halved(int windowWidth, int windowHeight) const;

    const int m_width;
    const int m_height;
    const int m_frameBytes;
    const int m_halfFrameBytes;  // of a frame of width / 2 x height / 2
    IWindow* const m_window;
    std::mutex m_mutex;  // one frame at a time; release waits on it
    bool m_released = false;
    SwsContext* m_sws = nullptr;
    int m_swsWidth = 0;
    int m_swsHeight = 0;
    // The last rows of each frame are scaled from this padded copy: the scaler's vector loads may
    // read past the end of a row, which must not happen at the end of the caller's buffer.
    std::vector<uint8_t> m_tail;
    // A frame shown at exactly twice its size is converted at its own size into this buffer and
    // then doubled: far cheaper than scaling while converting.
    uint8_t* m_scratch = nullptr;
    int m_scratchStride = 0;
    std::vector<uint8_t> m_half;  // a frame at half size, for a window of half the frame's size
    int m_splitRow = 0;
    std::shared_ptr<FrameExchange> m_exchange;
    RenderSurface* m_surface = nullptr;  // lives on the GUI thread
    unsigned m_failures = 0;
};

#endif
