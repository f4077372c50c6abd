// Small helpers shared by the C functions of the library.
#ifndef QELDS_API_HELPERS_H
#define QELDS_API_HELPERS_H

#include <cstdio>
#include <memory>
#include <string>

#include "CameraEntry.h"
#include "Library.h"

namespace qelds {

// The camera at index cam, or null.
inline std::shared_ptr<CameraEntry> cameraAt(int cam) {
    return Library::instance().entry(cam);
}

// The camera at index cam when it is open, or null.
inline std::shared_ptr<CameraEntry> openCameraAt(int cam) {
    auto e = Library::instance().entry(cam);
    return e && e->isOpen() ? e : nullptr;
}

// Writes text into a caller buffer of QEL_TEXT_BUFFER_SIZE bytes (cut at 255 bytes).
inline int copyText(char* buf, const std::string& text) {
    if (!buf)
        return 0;
    std::snprintf(buf, QEL_TEXT_BUFFER_SIZE, "%s", text.c_str());
    return 1;
}

}  // namespace qelds

#endif
