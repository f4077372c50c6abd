// Camera model: the preview frames, from the camera's thread to decoder and renderer.
#include "CCameraModel.h"

#include "CoreLog.h"
#include "qelconvert.h"
#include "qelconvert_extra.h"
#include "qelds.h"
#include "qelmuxer.h"
#include "qelrenderqt.h"
#include "qelrenderqt_extra.h"

void CCameraModel::OnPreviewFrame(int cam, int pin, int stream, int mediaType, int width, int height,
                                  long timestampUs, unsigned char* data, int size) {
    if (pin == 1) {
        OnStillFrame(mediaType, data, size);
        return;
    }
    if (stream < 0 || stream >= kMaxStreams || !data || size <= 0) {
        return;
    }
    // Only this stream's lock: the other streams decode meanwhile, and the owner thread's calls
    // never wait for this frame unless they change this stream's pipeline.
    std::unique_lock<std::mutex> lock(m_streamMutex[stream]);
    if (!m_bPreview) {
        return;
    }
    CameraStreamSelection& s = m_streams[stream];
    if (stream == 0 && IsEncoded(mediaType)) {
        Mux(data, size, QEL_MUXER_VIDEO, timestampUs);
    }
    if (const CameraVideoInfoFn fn = m_fnVideoInfo.load()) {
        int fps = 0;
        int bytesPerSecond = 0;
        if (qelcamera_get_fps_bps(cam, stream, &fps, &bytesPerSecond) == 1) {
            char name[QEL_TEXT_BUFFER_SIZE] = {};
            qeldefine_get_media_type_string(mediaType, name);
            fn(cam, stream, name, width, height, fps, bytesPerSecond / 1024.0);
        }
    }
    // Photos are taken from the main stream.
    const bool photoPending = stream == 0 && m_bSnapshotPending.load(std::memory_order_acquire);
    if (!photoPending && !NeedsDecodedFrame(stream, mediaType, s)) {
        return;
    }
    if (!photoPending && RenderForScreenOnly(stream, mediaType, s, data, size, timestampUs)) {
        return;
    }
    int outSize = 0;
    bool decoded = false;
    if (s.decoderKey[0] != '\0' && !s.frameBuffer.empty()) {
        decoded = qelconvert_video_decode(s.decoderKey, data, size, s.frameBuffer.data(), &outSize) != 0 &&
                  outSize > 0 && outSize <= int(s.frameBuffer.size());
    }
    if (photoPending) {
        ServeSnapshot(s, data, size, decoded, outSize);
    }
    if (decoded) {
        if (stream == 0 && (mediaType == QEL_MEDIA_MJPEG || mediaType == QEL_MEDIA_YUY2)) {
            Mux(s.frameBuffer.data(), outSize, QEL_MUXER_VIDEO, timestampUs);
        }
        if (s.renderKey[0] != '\0') {
            // The capture time lets the renderer log how long the frame took to reach the screen.
            if (timestampUs != 0) {
                qelrender_render_at(s.renderKey, s.frameBuffer.data(), outSize, timestampUs);
            } else {
                qelrender_render(s.renderKey, s.frameBuffer.data(), outSize);
            }
        }
    }
}

bool CCameraModel::NeedsDecodedFrame(int stream, int mediaType, const CameraStreamSelection& s) {
    // An H.264/H.265 frame is a reference for the ones after it: every one is decoded. Each JPEG
    // or raw frame stands alone, so one the screen would pass over need not be decoded at all.
    if (IsEncoded(mediaType) || s.renderKey[0] == '\0' || qelrender_wants_frame(s.renderKey) != 0) {
        return true;
    }
    // Unless the recording takes it decoded.
    if (stream == 0 && (mediaType == QEL_MEDIA_MJPEG || mediaType == QEL_MEDIA_YUY2)) {
        std::unique_lock<std::mutex> lock(m_recordMutex);
        return m_bRecording;
    }
    return false;
}

void CCameraModel::SetUpHalfDecoder(CameraStreamSelection& s, int type, int width, int height) {
    // Only JPEG frames can be decoded at a smaller size for the cost of it; their sides must halve
    // exactly for the renderer.
    if (type != QEL_MEDIA_MJPEG || width % 2 != 0 || height % 2 != 0 || s.decoderKey[0] == '\0') {
        return;
    }
    const int colorSpace = QEL_COLORSPACE_YUV420P;
    int bytes = 0;
    if (qelconvert_count_colorspace_buffer_size(colorSpace, width / 2, height / 2, &bytes) == 0 ||
        bytes <= 0 ||
        qelconver_create_video_decoder(s.halfDecoderKey, 0, type, width / 2, height / 2, colorSpace) != 1) {
        qCWarning(lcCamera) << "CCameraModel: no half-size decoder for" << width << height;
        s.halfDecoderKey[0] = '\0';
        return;
    }
    s.halfBuffer.assign(static_cast<size_t>(bytes), 0);
}

bool CCameraModel::RenderForScreenOnly(int stream, int mediaType, CameraStreamSelection& s,
                                       const unsigned char* data, int size, long timestampUs) {
    // A JPEG frame only the screen takes is decoded into the decoder's own planes and converted
    // from there straight to the screen: the conversion to 4:2:0 limited range that the recording
    // needs would be paid for nothing. Shown at half its size (a 2160p camera on a 1080p screen, a
    // 1080p stream in a quarter of it), it is decoded at that size by the scaled inverse DCT: a
    // third of the work of a full decode. The recording of this stream takes full 4:2:0 frames.
    if (mediaType != QEL_MEDIA_MJPEG || s.renderKey[0] == '\0') {
        return false;
    }
    const int scale = qelrender_preferred_scale(s.renderKey);
    const bool half = scale == 2 && s.halfDecoderKey[0] != '\0' && !s.halfBuffer.empty();
    if (!half && (scale != 1 || s.decoderKey[0] == '\0')) {
        return false;
    }
    if (stream == 0) {
        std::unique_lock<std::mutex> lock(m_recordMutex);
        if (m_bRecording) {
            return false;
        }
    }
    const char* decoder = half ? s.halfDecoderKey : s.decoderKey;
    QELPlanarPicture picture{};
    const int decoded = qelconvert_video_decode_planes(decoder, data, size, &picture);
    if (decoded == 0) {
        return true;  // a damaged frame: the ordinary decode would refuse it as well
    }
    if (decoded > 0) {
        if (qelrender_render_planes_at(s.renderKey, &picture, timestampUs) == 0) {
            // The window changed size since the question: the next frame goes the ordinary way.
            qCDebug(lcCamera) << "CCameraModel: decoded picture not taken by stream" << stream;
        }
        return true;
    }
    if (!half) {
        return false;  // a JPEG the planes cannot give: the ordinary decode
    }
    int outSize = 0;
    if (qelconvert_video_decode(s.halfDecoderKey, data, size, s.halfBuffer.data(), &outSize) == 0 ||
        outSize <= 0 || outSize > int(s.halfBuffer.size())) {
        return true;
    }
    if (qelrender_render_half_at(s.renderKey, s.halfBuffer.data(), outSize, timestampUs) == 0) {
        qCDebug(lcCamera) << "CCameraModel: half-size frame not taken by stream" << stream;
    }
    return true;
}
