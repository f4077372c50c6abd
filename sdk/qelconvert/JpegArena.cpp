#include "JpegArena.h"

#include <cstdint>
#include <cstdlib>
#include <type_traits>

extern "C" {
#include <jerror.h>
}

namespace {

// libjpeg-turbo's SIMD routines want 32-byte aligned rows; cache lines are 64.
constexpr size_t kAlign = 64;
constexpr size_t kMinBlock = size_t(1) << 20;

size_t alignUp(size_t n) {
    return (n + kAlign - 1) & ~(kAlign - 1);
}

}  // namespace

JpegArena::~JpegArena() {
    for (Block& b : m_blocks) {
        std::free(b.data);
    }
}

void JpegArena::install(j_decompress_ptr cinfo) {
    cinfo->client_data = this;
    m_library = *cinfo->mem;
    cinfo->mem->alloc_small = &JpegArena::allocSmall;
    cinfo->mem->alloc_large = &JpegArena::allocLarge;
    cinfo->mem->alloc_sarray = &JpegArena::allocSarray;
    cinfo->mem->alloc_barray = &JpegArena::allocBarray;
    cinfo->mem->free_pool = &JpegArena::freePool;
}

JpegArena* JpegArena::of(j_common_ptr cinfo) {
    return static_cast<JpegArena*>(cinfo->client_data);
}

void* JpegArena::take(j_common_ptr cinfo, size_t size) {
    size = alignUp(size == 0 ? 1 : size);
    while (m_block < m_blocks.size() && m_offset + size > m_blocks[m_block].size) {
        ++m_block;
        m_offset = 0;
    }
    if (m_block == m_blocks.size()) {
        // Warming up (or a larger picture than before): one more block, kept from now on.
        const size_t bytes = size > kMinBlock ? size : kMinBlock;
        void* data = nullptr;
        if (posix_memalign(&data, kAlign, bytes) != 0 || !data) {
            cinfo->err->msg_code = JERR_OUT_OF_MEMORY;
            (*cinfo->err->error_exit)(cinfo);
        }
        m_blocks.push_back({static_cast<unsigned char*>(data), bytes});
        m_offset = 0;
    }
    void* p = m_blocks[m_block].data + m_offset;
    m_offset += size;
    return p;
}

template <class Row>
Row* JpegArena::takeRows(j_common_ptr cinfo, JDIMENSION perRow, JDIMENSION rows) {
    const size_t rowBytes = alignUp(size_t(perRow) * sizeof(std::remove_pointer_t<Row>));
    auto* pointers = static_cast<Row*>(take(cinfo, size_t(rows) * sizeof(Row)));
    auto* bytes = static_cast<unsigned char*>(take(cinfo, rowBytes * rows));
    for (JDIMENSION r = 0; r < rows; ++r) {
        pointers[r] = reinterpret_cast<Row>(bytes + rowBytes * r);
    }
    return pointers;
}

void JpegArena::reset() {
    m_block = 0;
    m_offset = 0;
}

void* JpegArena::allocSmall(j_common_ptr cinfo, int pool, size_t size) {
    JpegArena* self = of(cinfo);
    return pool == JPOOL_IMAGE ? self->take(cinfo, size) : self->m_library.alloc_small(cinfo, pool, size);
}

void* JpegArena::allocLarge(j_common_ptr cinfo, int pool, size_t size) {
    JpegArena* self = of(cinfo);
    return pool == JPOOL_IMAGE ? self->take(cinfo, size) : self->m_library.alloc_large(cinfo, pool, size);
}

JSAMPARRAY JpegArena::allocSarray(j_common_ptr cinfo, int pool, JDIMENSION samplesPerRow, JDIMENSION rows) {
    JpegArena* self = of(cinfo);
    if (pool != JPOOL_IMAGE) {
        return self->m_library.alloc_sarray(cinfo, pool, samplesPerRow, rows);
    }
    return self->takeRows<JSAMPROW>(cinfo, samplesPerRow, rows);
}

JBLOCKARRAY JpegArena::allocBarray(j_common_ptr cinfo, int pool, JDIMENSION blocksPerRow, JDIMENSION rows) {
    JpegArena* self = of(cinfo);
    if (pool != JPOOL_IMAGE) {
        return self->m_library.alloc_barray(cinfo, pool, blocksPerRow, rows);
    }
    return self->takeRows<JBLOCKROW>(cinfo, blocksPerRow, rows);
}

void JpegArena::freePool(j_common_ptr cinfo, int pool) {
    JpegArena* self = of(cinfo);
    if (pool == JPOOL_IMAGE) {
        self->reset();
    }
    // libjpeg's own image pool holds what it allocates internally (multi-scan coefficient arrays).
    self->m_library.free_pool(cinfo, pool);
}
