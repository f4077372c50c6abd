// Additions to the qelconvert interface: a JPEG frame decoded into the decoder's own planes, in
// the frame's own layout and range, for a screen that converts to RGB anyway and would only pay
// twice for the conversion to 4:2:0 limited range. The decoder works the same without it.
#ifndef QEL_CONVERT_EXTRA_H
#define QEL_CONVERT_EXTRA_H

#include "qelexport.h"

QEL_EXTERN_C_BEGIN

// A decoded picture in planes owned by its decoder: valid until the decoder's next call.
typedef struct QELPlanarPicture {
    const unsigned char* planes[3];  // Y, Cb, Cr; Cb and Cr are null for a grey picture
    int strides[3];                  // bytes from one row to the next
    int width;                       // of the luma plane
    int height;
    int chromaShiftX;  // 1: chroma has half the luma's columns (rounded up); 0: as many
    int chromaShiftY;  // 1: chroma has half the luma's rows (rounded up); 0: as many
    int fullRange;     // 1: 0-255 as JPEG has it; 0: limited (16-235)
} QELPlanarPicture;

// Decodes one frame of a JPEG decoder into its planes, at the decoder's declared size. 1 when
// decoded; 0 when the frame is damaged or cut short (nothing to show); -1 when this frame needs
// the ordinary decode (not a JPEG decoder, or a JPEG whose layout the planes cannot give):
// the caller then uses qelconvert_video_decode.
QEL_API int qelconvert_video_decode_planes(const char* key, const unsigned char* data, int size,
                                           QELPlanarPicture* out);

QEL_EXTERN_C_END

#endif
