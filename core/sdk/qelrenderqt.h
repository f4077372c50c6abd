// qelrenderqt: drawing raw frames into a video widget of this process.
//
// Statuses: 0 is failure, non-zero success. Renderers are addressed by a key text the
// library writes into the caller's QEL_TEXT_BUFFER_SIZE (256) byte buffer at creation.
#ifndef QEL_RENDER_QT_H
#define QEL_RENDER_QT_H

#include <stdint.h>

#include "qeldefine.h"
#include "qelexport.h"

QEL_EXTERN_C_BEGIN

// The window a renderer draws into. Owned by the caller and kept alive while the renderer
// exists; the caller may change width and height (physical pixels) at any time, the next
// frame uses them. handle is the native window id (QWidget::winId()) of a widget of this process.
typedef struct IWindow {
    int width;
    int height;
    uintptr_t handle;
} IWindow;

QEL_API int qelrender_init(void);
QEL_API int qelrender_uninit(void);
QEL_API int qelrender_get_version(char* buf);

// `reserved` must be 0; colorSpace must be QEL_COLORSPACE_YUV420P; width x height is the
// size of the frames that will be rendered. (1 = ok)
QEL_API int qelrender_create_render(char* keyOut, long reserved, int colorSpace, int width, int height,
                                    IWindow* window);
// Draws one frame of the renderer's colour space and size; may be called from any thread.
QEL_API int qelrender_render(const char* key, const unsigned char* data, int size);
// Waits for a frame in flight, then releases the renderer.
QEL_API int qelrender_release_render(const char* key);

QEL_EXTERN_C_END

#endif
