// Additions to the qelrenderqt interface: whether the next frame would be shown (a caller can
// skip decoding frames the screen cannot take), frames rendered with their capture time, when each
// was first painted, and how many frames were offered, converted and painted. The renderer works
// the same without them.
#ifndef QEL_RENDER_QT_EXTRA_H
#define QEL_RENDER_QT_EXTRA_H

#include "qelconvert_extra.h"
#include "qelexport.h"

QEL_EXTERN_C_BEGIN

typedef struct QELPaintRecord {
    long long captureUs;  // the frame's capture time (CLOCK_MONOTONIC, microseconds)
    long long paintedUs;  // when the GUI thread first painted it (same clock)
} QELPaintRecord;

typedef struct QELRenderCounts {
    long long offered;    // frames handed to the renderer
    long long converted;  // of those, converted and published (the rest arrived before the
                          // previous picture was painted and were passed over)
    long long painted;    // published pictures painted at least once
} QELRenderCounts;

// 1 when a frame rendered now would be converted and shown; 0 while the last picture still waits
// for its paint (such a frame would be passed over) or for an unknown key. Any thread.
QEL_API int qelrender_wants_frame(const char* key);
// qelrender_render for a frame captured at captureUs (CLOCK_MONOTONIC microseconds, non-zero).
QEL_API int qelrender_render_at(const char* key, const unsigned char* data, int size, long long captureUs);
// How the window shows this renderer's frames now: 1 at their own size, 2 at half their size
// (both within a few pixels; 2 only when both sides are even), so a caller may decode at that
// size and hand over the frame with qelrender_render_half_at or qelrender_render_planes_at;
// 0 when the frames are scaled to another size, and for an unknown key. Any thread.
QEL_API int qelrender_preferred_scale(const char* key);
// A frame of (width / 2) x (height / 2) of the renderer's size, shown as its full-size original
// would be. 0 for a wrong size or an unknown key, and once the window no longer shows frames at
// half size (the caller then renders full frames again). captureUs 0: not known.
QEL_API int qelrender_render_half_at(const char* key, const unsigned char* data, int size,
                                     long long captureUs);
// A decoded picture in its own layout (see qelconvert_extra.h) of the renderer's size, or of
// half of it while qelrender_preferred_scale answers 2, converted straight to the screen. 0 for a
// picture of another size or a layout this cannot show (the caller renders a 4:2:0 frame
// instead), once the window no longer shows the picture at that size, and for an unknown key.
QEL_API int qelrender_render_planes_at(const char* key, const QELPlanarPicture* picture, long long captureUs);
// Keeps the first paint of the last `capacity` stamped frames (0 turns the log off). (1 = ok)
QEL_API int qelrender_set_paint_log(const char* key, int capacity);
// Copies out up to `capacity` logged paints, oldest first, writes their number to *count and
// empties the log. (1 = ok)
QEL_API int qelrender_take_paint_log(const char* key, QELPaintRecord* out, int capacity, int* count);
// (1 = ok)
QEL_API int qelrender_get_counts(const char* key, QELRenderCounts* counts);

QEL_EXTERN_C_END

#endif
