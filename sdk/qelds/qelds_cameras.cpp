// Life, camera list, texts, formats and streaming.
#include <cstdio>

#include "ApiHelpers.h"
#include "qelds.h"

using namespace qelds;

namespace {

const char* const kVersion = "qelds 1.0.1";

const MediaFormat* findFormat(const std::vector<MediaFormat>& list, int mediaType) {
    for (const MediaFormat& f : list) {
        if (f.mediaType == mediaType)
            return &f;
    }
    return nullptr;
}

const FrameSize* findSize(const std::vector<MediaFormat>& list, int mediaType, int width, int height) {
    const MediaFormat* f = findFormat(list, mediaType);
    if (!f)
        return nullptr;
    for (const FrameSize& s : f->sizes) {
        if (s.width == width && s.height == height)
            return &s;
    }
    return nullptr;
}

// Which format list a call addresses: a stream, or the still pin (stream -1).
bool formatsOf(int cam, int stream, std::vector<MediaFormat>* out) {
    auto e = cameraAt(cam);
    if (!e)
        return false;
    if (stream == -1) {
        *out = e->device().stillFormats();
        return true;
    }
    if (stream < 0 || stream >= e->device().streamCount())
        return false;
    *out = e->device().formats(stream);
    return true;
}

int mediaTypeCount(int cam, int stream, int* count) {
    std::vector<MediaFormat> list;
    if (!count || !formatsOf(cam, stream, &list))
        return 0;
    *count = static_cast<int>(list.size());
    return 1;
}

int mediaTypeValue(int cam, int stream, int index, int* mediaType) {
    std::vector<MediaFormat> list;
    if (!mediaType || !formatsOf(cam, stream, &list) || index < 0 || index >= static_cast<int>(list.size()))
        return 0;
    *mediaType = list[index].mediaType;
    return 1;
}

int resolutionCount(int cam, int stream, int mediaType, int* count) {
    std::vector<MediaFormat> list;
    if (!count || !formatsOf(cam, stream, &list))
        return 0;
    const MediaFormat* f = findFormat(list, mediaType);
    if (!f)
        return 0;
    *count = static_cast<int>(f->sizes.size());
    return 1;
}

int resolutionValue(int cam, int stream, int mediaType, int index, int* width, int* height) {
    std::vector<MediaFormat> list;
    if (!width || !height || !formatsOf(cam, stream, &list))
        return 0;
    const MediaFormat* f = findFormat(list, mediaType);
    if (!f || index < 0 || index >= static_cast<int>(f->sizes.size()))
        return 0;
    *width = f->sizes[index].width;
    *height = f->sizes[index].height;
    return 1;
}

int fpsCount(int cam, int stream, int mediaType, int width, int height, int* count) {
    std::vector<MediaFormat> list;
    if (!count || !formatsOf(cam, stream, &list))
        return 0;
    const FrameSize* s = findSize(list, mediaType, width, height);
    if (!s)
        return 0;
    *count = static_cast<int>(s->fps.size());
    return 1;
}

int fpsValue(int cam, int stream, int mediaType, int width, int height, int index, int* fps) {
    std::vector<MediaFormat> list;
    if (!fps || !formatsOf(cam, stream, &list))
        return 0;
    const FrameSize* s = findSize(list, mediaType, width, height);
    if (!s || index < 0 || index >= static_cast<int>(s->fps.size()))
        return 0;
    *fps = s->fps[index];
    return 1;
}

}  // namespace

// Life

int qelcamera_init(void) {
    return Library::instance().init() ? 1 : 0;
}

int qelcamera_uninit(void) {
    return Library::instance().uninit() ? 1 : 0;
}

int qelcamera_set_device_changed_callback(qelcamera_device_changed_callback fn) {
    return Library::instance().setDeviceChangedCallback(fn) ? 1 : 0;
}

int qelcamera_get_version(char* buf) {
    if (!Library::instance().initialized())
        return 0;
    return copyText(buf, kVersion);
}

// Cameras

int qelcamera_get_camera_count(int* count) {
    return Library::instance().cameraCount(count) ? 1 : 0;
}

int qelcamera_get_camera_name(int cam, char* name) {
    auto e = cameraAt(cam);
    return e ? copyText(name, e->device().name()) : 0;
}

int qelcamera_open(int cam) {
    auto e = cameraAt(cam);
    return e && e->open() ? 1 : 0;
}

int qelcamera_close(int cam) {
    auto e = cameraAt(cam);
    return e && e->close() ? 1 : 0;
}

int qelcamera_get_stream_count(int cam, int* count) {
    auto e = cameraAt(cam);
    if (!e || !count)
        return 0;
    *count = e->device().streamCount();
    return 1;
}

int qelcamera_eu_support(int cam, int code, int* flag) {
    auto e = cameraAt(cam);
    if (!e || !flag)
        return 0;
    *flag = e->device().euSupport(code) ? 1 : 0;
    return 1;
}

// Texts

int qelcamera_get_mid(int cam, char* buf) {
    auto e = cameraAt(cam);
    if (!e || !buf)
        return 0;
    std::string mid = e->device().mid();
    return mid.empty() ? 0 : copyText(buf, mid);
}

int qelcamera_get_fw_version(int cam, char* buf) {
    auto e = cameraAt(cam);
    if (!e || !buf)
        return 0;
    std::string fw = e->device().firmwareVersion();
    return fw.empty() ? 0 : copyText(buf, fw);
}

int qelcamera_get_camera_vid_pid(int cam, int* vid, int* pid) {
    auto e = cameraAt(cam);
    if (!e || !vid || !pid)
        return 0;
    *vid = e->device().vendorId();
    *pid = e->device().productId();
    return 1;
}

// Formats of stream 0

int qelcamera_get_media_type_count(int cam, int* count) {
    return mediaTypeCount(cam, 0, count);
}

int qelcamera_get_media_type_value(int cam, int index, int* mediaType) {
    return mediaTypeValue(cam, 0, index, mediaType);
}

int qelcamera_get_resolution_count(int cam, int mediaType, int* count) {
    return resolutionCount(cam, 0, mediaType, count);
}

int qelcamera_get_resolution_value(int cam, int mediaType, int index, int* width, int* height) {
    return resolutionValue(cam, 0, mediaType, index, width, height);
}

int qelcamera_get_fps_count(int cam, int mediaType, int width, int height, int* count) {
    return fpsCount(cam, 0, mediaType, width, height, count);
}

int qelcamera_get_fps_value(int cam, int mediaType, int width, int height, int index, int* fps) {
    return fpsValue(cam, 0, mediaType, width, height, index, fps);
}

// Formats of any stream (a negative stream is refused: -1 is the still pin inside)

int qelcamera_get_stream_media_type_count(int cam, int stream, int* count) {
    return stream < 0 ? 0 : mediaTypeCount(cam, stream, count);
}

int qelcamera_get_stream_media_type_value(int cam, int stream, int index, int* mediaType) {
    return stream < 0 ? 0 : mediaTypeValue(cam, stream, index, mediaType);
}

int qelcamera_get_stream_resolution_count(int cam, int stream, int mediaType, int* count) {
    return stream < 0 ? 0 : resolutionCount(cam, stream, mediaType, count);
}

int qelcamera_get_stream_resolution_value(int cam, int stream, int mediaType, int index, int* width,
                                          int* height) {
    return stream < 0 ? 0 : resolutionValue(cam, stream, mediaType, index, width, height);
}

int qelcamera_get_stream_fps_count(int cam, int stream, int mediaType, int width, int height, int* count) {
    return stream < 0 ? 0 : fpsCount(cam, stream, mediaType, width, height, count);
}

int qelcamera_get_stream_fps_value(int cam, int stream, int mediaType, int width, int height, int index,
                                   int* fps) {
    return stream < 0 ? 0 : fpsValue(cam, stream, mediaType, width, height, index, fps);
}

// Still pin

int qelcamera_is_support_still_capture(int cam, int* flag) {
    auto e = cameraAt(cam);
    if (!e || !flag)
        return 0;
    *flag = e->device().stillFormats().empty() ? 0 : 1;
    return 1;
}

int qelcamera_get_still_pin_media_type_count(int cam, int* count) {
    return mediaTypeCount(cam, -1, count);
}

int qelcamera_get_still_pin_media_type_value(int cam, int index, int* mediaType) {
    return mediaTypeValue(cam, -1, index, mediaType);
}

int qelcamera_get_still_pin_resolution_count(int cam, int mediaType, int* count) {
    return resolutionCount(cam, -1, mediaType, count);
}

int qelcamera_get_still_pin_resolution_value(int cam, int mediaType, int index, int* width, int* height) {
    return resolutionValue(cam, -1, mediaType, index, width, height);
}

int qelcamera_get_still_pin_fps_count(int cam, int mediaType, int width, int height, int* count) {
    return fpsCount(cam, -1, mediaType, width, height, count);
}

int qelcamera_get_still_pin_fps_value(int cam, int mediaType, int width, int height, int index, int* fps) {
    return fpsValue(cam, -1, mediaType, width, height, index, fps);
}

// Streaming

int qelcamera_set_preview_params(int cam, int stream, int enable, int mediaType, int width, int height,
                                 int fps) {
    auto e = openCameraAt(cam);
    if (!e || stream < 0 || stream >= e->device().streamCount())
        return 0;
    if (!e->device().setPreviewParams(stream, enable != 0, mediaType, width, height, fps)) {
        std::fprintf(stderr, "qelds: stream %d does not offer type %d %dx%d at %d fps\n", stream, mediaType,
                     width, height, fps);
        return 0;
    }
    return 1;
}

int qelcamera_set_still_pin_params(int cam, int enable, int mediaType, int width, int height, int fps) {
    auto e = openCameraAt(cam);
    return e && e->device().setStillParams(enable != 0, mediaType, width, height, fps) ? 1 : 0;
}

int qelcamera_set_preview_callback(int cam, qelcamera_preview_callback fn) {
    auto e = cameraAt(cam);
    if (!e)
        return 0;
    e->setCallback(fn);
    return 1;
}

int qelcamera_start_preview(int cam) {
    auto e = openCameraAt(cam);
    return e && e->start() ? 1 : 0;
}

int qelcamera_stop_preview(int cam) {
    auto e = cameraAt(cam);
    return e && e->stop() ? 1 : 0;
}

int qelcamera_capture_still_image(int cam) {
    auto e = openCameraAt(cam);
    return e && e->device().captureStill() ? 1 : 0;
}

int qelcamera_set_fps(int cam, int stream, int fps) {
    auto e = openCameraAt(cam);
    if (!e || stream < 0 || stream >= e->device().streamCount() || fps <= 0)
        return 0;
    return e->device().setFps(stream, fps) ? 1 : 0;
}

int qelcamera_set_bps(int cam, int stream, int bitsPerSecond) {
    auto e = openCameraAt(cam);
    if (!e || stream < 0 || stream >= e->device().streamCount() || bitsPerSecond <= 0)
        return 0;
    return e->device().setBitrate(stream, bitsPerSecond) ? 1 : 0;
}

int qelcamera_set_gop(int cam, int stream, int frames) {
    auto e = openCameraAt(cam);
    if (!e || stream < 0 || stream >= e->device().streamCount() || frames < 0)
        return 0;
    return e->device().setGop(stream, frames) ? 1 : 0;
}

int qelcamera_get_fps_bps(int cam, int stream, int* fps, int* bytesPerSecond) {
    auto e = openCameraAt(cam);
    if (!e || !fps || !bytesPerSecond || stream < 0 || stream >= e->device().streamCount())
        return 0;
    return e->stats(stream, fps, bytesPerSecond) ? 1 : 0;
}
