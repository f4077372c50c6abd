// qelconvert: decoding camera frames into a raw colour space.
//
// Statuses: 0 is failure; functions marked (1 = ok) answer exactly 1 on success.
// Decoders are addressed by a key text the library writes into the caller's
// QEL_TEXT_BUFFER_SIZE (256) byte buffer at creation.
#ifndef QEL_CONVERT_H
#define QEL_CONVERT_H

#include "qeldefine.h"
#include "qelexport.h"

QEL_EXTERN_C_BEGIN

QEL_API int qelconvert_init(void);
QEL_API int qelconvert_uninit(void);
QEL_API int qelconvert_get_version(char* buf);

// Creates a decoder of `mediaType` frames of width x height into `colorSpace` (only
// QEL_COLORSPACE_YUV420P is supported). `reserved` must be 0. (1 = ok)
QEL_API int qelconver_create_video_decoder(char* keyOut, long reserved, int mediaType, int width, int height,
                                           int colorSpace);
// Size in bytes of one frame of width x height in `colorSpace`;
// for YUV 4:2:0: w*h + 2*(ceil(w/2)*ceil(h/2)). (1 = ok)
QEL_API int qelconvert_count_colorspace_buffer_size(int colorSpace, int width, int height, int* bytes);
// Decodes one frame. Answers non-zero when a whole frame of the decoder's declared size was
// written to outBuffer (which holds count_colorspace_buffer_size bytes) and *outSize set;
// 0 when nothing was written (bad data, no picture yet, unknown key).
// Uncompressed types arrive tightly packed (rows without padding; 4:2:0 chroma rows of
// ceil(w/2) samples) and answer 0 when shorter than that. A picture of another size than
// declared is scaled into the declared size. H.264/H.265 give nothing until a keyframe; a JPEG
// frame cut short (no end-of-image marker) is dropped.
QEL_API int qelconvert_video_decode(const char* key, const unsigned char* data, int size,
                                    unsigned char* outBuffer, int* outSize);
QEL_API int qelconvert_release_video_decoder(const char* key);
QEL_API int qelconvert_release_all_decoder(void);

QEL_EXTERN_C_END

#endif
