#include "PhotoExif.h"

#include <libexif/exif-data.h>
#include <libexif/exif-entry.h>
#include <libexif/exif-mem.h>
#include <libexif/exif-utils.h>

#include <cstdlib>
#include <cstring>

#include "CoreLog.h"

#ifndef CORVIX_VERSION
#error "CORVIX_VERSION is set by the build from the project version"
#endif

namespace {

constexpr ExifByteOrder kOrder = EXIF_BYTE_ORDER_INTEL;
// A segment's length field counts itself and is 16 bits wide.
constexpr int kMaxSegmentPayload = 0xFFFF - 2;

// Adds a new entry of count components of format to ifd; its data are zeroed. Null on failure.
ExifEntry* addEntry(ExifData* data, ExifIfd ifd, ExifTag tag, ExifFormat format, unsigned count) {
    ExifMem* mem = exif_mem_new_default();
    if (!mem) {
        return nullptr;
    }
    ExifEntry* entry = exif_entry_new_mem(mem);
    const unsigned size = exif_format_get_size(format) * count;
    void* buffer = entry ? exif_mem_alloc(mem, size) : nullptr;
    exif_mem_unref(mem);
    if (!buffer) {
        if (entry) {
            exif_entry_unref(entry);
        }
        return nullptr;
    }
    entry->tag = tag;
    entry->format = format;
    entry->components = count;
    entry->size = size;
    entry->data = static_cast<unsigned char*>(buffer);
    if (ExifEntry* old = exif_content_get_entry(data->ifd[ifd], tag)) {
        exif_content_remove_entry(data->ifd[ifd], old);
    }
    exif_content_add_entry(data->ifd[ifd], entry);
    exif_entry_unref(entry);  // the IFD holds it now
    return entry;
}

bool addText(ExifData* data, ExifIfd ifd, ExifTag tag, const QByteArray& text) {
    if (text.isEmpty()) {
        return true;
    }
    ExifEntry* entry = addEntry(data, ifd, tag, EXIF_FORMAT_ASCII, unsigned(text.size()) + 1);
    if (!entry) {
        return false;
    }
    std::memcpy(entry->data, text.constData(), size_t(text.size()));
    return true;
}

bool addLong(ExifData* data, ExifIfd ifd, ExifTag tag, quint32 value) {
    ExifEntry* entry = addEntry(data, ifd, tag, EXIF_FORMAT_LONG, 1);
    if (!entry) {
        return false;
    }
    exif_set_long(entry->data, kOrder, value);
    return true;
}

}  // namespace

QString PhotoExif::programName() {
    return QStringLiteral("Corvix " CORVIX_VERSION);
}

QByteArray PhotoExif::app1Segment() const {
    ExifData* data = exif_data_new();
    if (!data) {
        return QByteArray();
    }
    exif_data_set_byte_order(data, kOrder);
    exif_data_set_data_type(data, EXIF_DATA_TYPE_COMPRESSED);
    // The mandatory entries (versions, colour space, resolution) first; ours are added over them.
    exif_data_fix(data);
    const QByteArray when = taken.toString(QStringLiteral("yyyy:MM:dd HH:mm:ss")).toLatin1();
    bool ok = addText(data, EXIF_IFD_0, EXIF_TAG_DATE_TIME, when) &&
              addText(data, EXIF_IFD_EXIF, EXIF_TAG_DATE_TIME_ORIGINAL, when) &&
              addText(data, EXIF_IFD_EXIF, EXIF_TAG_DATE_TIME_DIGITIZED, when) &&
              addText(data, EXIF_IFD_0, EXIF_TAG_MAKE, make.toUtf8()) &&
              addText(data, EXIF_IFD_0, EXIF_TAG_MODEL, model.toUtf8()) &&
              addText(data, EXIF_IFD_0, EXIF_TAG_SOFTWARE, software.toUtf8());
    if (ok && width > 0 && height > 0) {
        ok = addLong(data, EXIF_IFD_EXIF, EXIF_TAG_PIXEL_X_DIMENSION, quint32(width)) &&
             addLong(data, EXIF_IFD_EXIF, EXIF_TAG_PIXEL_Y_DIMENSION, quint32(height));
    }
    unsigned char* bytes = nullptr;
    unsigned int size = 0;
    if (ok) {
        exif_data_save_data(data, &bytes, &size);
    }
    exif_data_unref(data);
    QByteArray segment;
    if (bytes && size > 0 && int(size) <= kMaxSegmentPayload) {
        const int length = int(size) + 2;
        segment.reserve(length + 2);
        segment.append(char(0xFF)).append(char(0xE1));
        segment.append(char(length >> 8)).append(char(length & 0xFF));
        segment.append(reinterpret_cast<const char*>(bytes), int(size));
    } else {
        qCWarning(lcCamera) << "the photo's EXIF block could not be built";
    }
    std::free(bytes);  // exif_data_save_data allocates with the default allocator
    return segment;
}
