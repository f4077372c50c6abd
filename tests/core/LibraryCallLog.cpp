#include "LibraryCallLog.h"

#include <dlfcn.h>

#include <QCryptographicHash>
#include <QMutex>
#include <QMutexLocker>

#include "qelds.h"

namespace {

QMutex g_mutex;
QStringList g_calls;
QList<QByteArray> g_jpegFrames;  // MD5 of recent frames
qelcamera_preview_callback g_modelCallback = nullptr;
bool g_audioModeForced = false;
int g_audioMode[3] = {};

QByteArray md5(const unsigned char* data, int size) {
    return QCryptographicHash::hash(QByteArray::fromRawData(reinterpret_cast<const char*>(data), size),
                                    QCryptographicHash::Md5);
}

void watchFrames(int cam, int pin, int stream, int mediaType, int width, int height, long timestampUs,
                 unsigned char* data, int size) {
    if (pin == 0 && stream == 0 && mediaType == QEL_MEDIA_MJPEG && data && size > 0) {
        const QByteArray sum = md5(data, size);
        QMutexLocker lock(&g_mutex);
        g_jpegFrames.append(sum);
        if (g_jpegFrames.size() > 200) {
            g_jpegFrames.removeFirst();
        }
    }
    qelcamera_preview_callback fn;
    {
        QMutexLocker lock(&g_mutex);
        fn = g_modelCallback;
    }
    if (fn) {
        fn(cam, pin, stream, mediaType, width, height, timestampUs, data, size);
    }
}

void record(const QString& call) {
    QMutexLocker lock(&g_mutex);
    g_calls.append(call);
}

template <typename Fn>
Fn next(Fn, const char* name) {
    void* symbol = dlsym(RTLD_NEXT, name);
    if (!symbol) {
        qFatal("LibraryCallLog: %s not found in the camera library", name);
    }
    return reinterpret_cast<Fn>(symbol);
}

}  // namespace

namespace LibraryCallLog {

QStringList calls() {
    QMutexLocker lock(&g_mutex);
    return g_calls;
}

QStringList callsStartingWith(const QString& prefix) {
    QStringList out;
    for (const QString& c : calls()) {
        if (c.startsWith(prefix)) {
            out.append(c);
        }
    }
    return out;
}

void clear() {
    QMutexLocker lock(&g_mutex);
    g_calls.clear();
}

void setAudioModeAnswer(int on, int on1, int id) {
    QMutexLocker lock(&g_mutex);
    g_audioModeForced = true;
    g_audioMode[0] = on;
    g_audioMode[1] = on1;
    g_audioMode[2] = id;
}

void clearAudioModeAnswer() {
    QMutexLocker lock(&g_mutex);
    g_audioModeForced = false;
}

bool sawJpegFrame(const QByteArray& bytes) {
    const QByteArray sum = md5(reinterpret_cast<const unsigned char*>(bytes.constData()), bytes.size());
    QMutexLocker lock(&g_mutex);
    return g_jpegFrames.contains(sum);
}

}  // namespace LibraryCallLog

#define FORWARD_SET_1(name)                                          \
    extern "C" int name(int cam, int value) {                        \
        record(QStringLiteral(#name "(%1,%2)").arg(cam).arg(value)); \
        static const auto real = next(&name, #name);                 \
        return real(cam, value);                                     \
    }

#define FORWARD_SET_2(name)                                                         \
    extern "C" int name(int cam, int stream, int value) {                           \
        record(QStringLiteral(#name "(%1,%2,%3)").arg(cam).arg(stream).arg(value)); \
        static const auto real = next(&name, #name);                                \
        return real(cam, stream, value);                                            \
    }

FORWARD_SET_1(qelcamera_set_frequency)
FORWARD_SET_1(qelcamera_set_face_tracking)
FORWARD_SET_1(qelcamera_set_sound_tracking)
FORWARD_SET_1(qelcamera_set_hand_gesture)
FORWARD_SET_1(qelcamera_set_canvas)
FORWARD_SET_1(qelcamera_set_sub1_ai)
FORWARD_SET_1(qelcamera_set_mosaic)
FORWARD_SET_2(qelcamera_set_bps)
FORWARD_SET_2(qelcamera_set_gop)
FORWARD_SET_2(qelcamera_set_fps)

extern "C" int qelcamera_set_factory_test(int cam, const int* values, int count) {
    QStringList items;
    for (int i = 0; values && i < count; ++i) {
        items.append(QString::number(values[i]));
    }
    record(QStringLiteral("qelcamera_set_factory_test(%1,[%2],%3)").arg(cam).arg(items.join(',')).arg(count));
    static const auto real = next(&qelcamera_set_factory_test, "qelcamera_set_factory_test");
    return real(cam, values, count);
}

extern "C" int qelcamera_set_preview_params(int cam, int stream, int enable, int mediaType, int width,
                                            int height, int fps) {
    record(QString::asprintf("qelcamera_set_preview_params(%d,%d,%d,%d,%d,%d,%d)", cam, stream, enable,
                             mediaType, width, height, fps));
    static const auto real = next(&qelcamera_set_preview_params, "qelcamera_set_preview_params");
    return real(cam, stream, enable, mediaType, width, height, fps);
}

extern "C" int qelcamera_set_preview_callback(int cam, qelcamera_preview_callback fn) {
    {
        QMutexLocker lock(&g_mutex);
        g_modelCallback = fn;
    }
    static const auto real = next(&qelcamera_set_preview_callback, "qelcamera_set_preview_callback");
    return real(cam, fn ? &watchFrames : nullptr);
}

extern "C" int qelcamera_get_audio_mode(int cam, int* on, int* on1, int* id) {
    {
        QMutexLocker lock(&g_mutex);
        if (g_audioModeForced && on && on1 && id) {
            *on = g_audioMode[0];
            *on1 = g_audioMode[1];
            *id = g_audioMode[2];
            return 1;
        }
    }
    static const auto real = next(&qelcamera_get_audio_mode, "qelcamera_get_audio_mode");
    return real(cam, on, on1, id);
}
