// Image-lifetime memory of one libjpeg decompressor, kept between frames: libjpeg allocates its
// per-image state on every frame and frees it at the end; served from blocks this arena keeps,
// a steady stream of same-shaped frames allocates nothing after the first one.
// Used only by the thread decoding with the decompressor it is installed in.
#ifndef QEL_JPEG_ARENA_H
#define QEL_JPEG_ARENA_H

#include <cstddef>
#include <cstdio>
#include <vector>

extern "C" {
#include <jpeglib.h>
}

class JpegArena {
public:
    JpegArena() = default;
    ~JpegArena();
    JpegArena(const JpegArena&) = delete;
    JpegArena& operator=(const JpegArena&) = delete;

    // Takes over the image pool of `cinfo` (created, not yet used); cinfo->client_data is set to
    // this arena. The permanent pool stays with libjpeg.
    void install(j_decompress_ptr cinfo);

private:
    struct Block {
        unsigned char* data = nullptr;
        size_t size = 0;
    };

    static JpegArena* of(j_common_ptr cinfo);
    static void* allocSmall(j_common_ptr cinfo, int pool, size_t size);
    static void* allocLarge(j_common_ptr cinfo, int pool, size_t size);
    static JSAMPARRAY allocSarray(j_common_ptr cinfo, int pool, JDIMENSION samplesPerRow, JDIMENSION rows);
    static JBLOCKARRAY allocBarray(j_common_ptr cinfo, int pool, JDIMENSION blocksPerRow, JDIMENSION rows);
    static void freePool(j_common_ptr cinfo, int pool);

    // Aligned bytes from the current block, or the next one (a new one while warming up).
    void* take(j_common_ptr cinfo, size_t size);
    // `rows` aligned rows of `perRow` elements each, and the array pointing at them.
    template <class Row>
    Row* takeRows(j_common_ptr cinfo, JDIMENSION perRow, JDIMENSION rows);
    void reset();

    jpeg_memory_mgr m_library{};  // libjpeg's own methods, for the permanent pool
    std::vector<Block> m_blocks;
    size_t m_block = 0;   // block being filled
    size_t m_offset = 0;  // bytes used in it
};

#endif
