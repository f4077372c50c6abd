// The window a renderer draws one stream into: width and height in physical pixels and the
// native window handle of the video widget. The renderer library reads it through IWindow,
// so the record is that very structure.
#ifndef CORVIX_PREVIEW_WINDOW_RECORD_H
#define CORVIX_PREVIEW_WINDOW_RECORD_H

#include "qelrenderqt.h"

using PreviewWindowRecord = IWindow;

static_assert(sizeof(PreviewWindowRecord) == sizeof(IWindow), "PreviewWindowRecord must be an IWindow");

#endif
