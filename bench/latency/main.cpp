// Capture-to-painted latency of the live picture: the virtual camera stamps each frame with its
// capture time, the frame callback decodes it (qelconvert) and renders it (qelrenderqt) as the
// camera model does, and the renderer logs when the GUI thread first painted each picture.
// Prints median, 95th and 99th percentile per case and the frames captured but never painted.
// Usage: bench_latency [seconds per case, default 20]. Runs offscreen unless QT_QPA_PLATFORM is
// set (under Xvfb: QT_QPA_PLATFORM=xcb xvfb-run -a bench_latency).
#include <time.h>

#include <QApplication>
#include <QEventLoop>
#include <QTimer>
#include <QWidget>
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "qelconvert.h"
#include "qelds.h"
#include "qelrenderqt.h"
#include "qelrenderqt_extra.h"
#include "qelvirtual.h"

namespace {

constexpr int kLogCapacity = 16384;

// Set up by the GUI thread before the preview starts and left alone until it stopped.
char g_decoder[QEL_TEXT_BUFFER_SIZE];
char g_renderer[QEL_TEXT_BUFFER_SIZE];
std::vector<unsigned char> g_frame;
// Capture timestamps of the measured frames, written by the capture thread only.
std::vector<long long> g_captured;
std::vector<double> g_cameraDelays;  // capture to callback, ms: the virtual camera's own share
std::atomic<bool> g_measuring{false};
std::atomic<long> g_decodeFailures{0};

long long monotonicUs() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return ts.tv_sec * 1000000LL + ts.tv_nsec / 1000;
}

double processCpuSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return ts.tv_sec + ts.tv_nsec / 1e9;
}

void onFrame(int, int pin, int, int, int, int, long timestampUs, unsigned char* data, int size) {
    if (pin != 0) {
        return;
    }
    if (g_measuring && g_captured.size() < g_captured.capacity()) {
        g_captured.push_back(timestampUs);
        g_cameraDelays.push_back((monotonicUs() - timestampUs) / 1000.0);
    }
    int outSize = 0;
    if (!qelconvert_video_decode(g_decoder, data, size, g_frame.data(), &outSize)) {
        ++g_decodeFailures;
        return;
    }
    qelrender_render_at(g_renderer, g_frame.data(), outSize, timestampUs);
}

void spin(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

double percentile(const std::vector<double>& sorted, double p) {
    if (sorted.empty()) {
        return 0;
    }
    const size_t i = std::min(sorted.size() - 1, size_t(p / 100.0 * double(sorted.size() - 1) + 0.5));
    return sorted[i];
}

// The camera sends w x h; the decoder and renderer work at dw x dh (half: libjpeg's scaled IDCT).
bool run(QWidget* widget, int cam, const char* label, int w, int h, int dw, int dh, int fps, int seconds) {
    int bytes = 0;
    qelconvert_count_colorspace_buffer_size(QEL_COLORSPACE_YUV420P, dw, dh, &bytes);
    g_frame.assign(size_t(bytes), 0);
    IWindow window{widget->width(), widget->height(), uintptr_t(widget->winId())};
    if (qelconver_create_video_decoder(g_decoder, 0, QEL_MEDIA_MJPEG, dw, dh, QEL_COLORSPACE_YUV420P) != 1 ||
        qelrender_create_render(g_renderer, 0, QEL_COLORSPACE_YUV420P, dw, dh, &window) != 1 ||
        qelrender_set_paint_log(g_renderer, kLogCapacity) != 1) {
        std::printf("%-14s cannot create the decoder or renderer\n", label);
        return false;
    }
    g_captured.clear();
    g_captured.reserve(size_t(fps) * size_t(seconds + 5));
    g_cameraDelays.clear();
    g_cameraDelays.reserve(g_captured.capacity());
    g_decodeFailures = 0;
    if (qelcamera_set_preview_params(cam, 0, 1, QEL_MEDIA_MJPEG, w, h, fps) != 1 ||
        qelcamera_start_preview(cam) != 1) {
        std::printf("%-14s the virtual camera does not start\n", label);
        return false;
    }
    spin(1500);  // encoder and pools warmed up
    std::vector<QELPaintRecord> records(kLogCapacity);
    int count = 0;
    qelrender_take_paint_log(g_renderer, records.data(), kLogCapacity, &count);  // warm-up paints
    QELRenderCounts before{};
    qelrender_get_counts(g_renderer, &before);
    const double cpu0 = processCpuSeconds();
    const long long t0 = monotonicUs();
    g_measuring = true;
    spin(seconds * 1000);
    g_measuring = false;
    qelcamera_stop_preview(cam);
    const double cpu = processCpuSeconds() - cpu0;
    const double wall = (monotonicUs() - t0) / 1e6;
    spin(300);  // the last frame's paint
    QELRenderCounts after{};
    qelrender_get_counts(g_renderer, &after);
    qelrender_take_paint_log(g_renderer, records.data(), kLogCapacity, &count);
    qelrender_release_render(g_renderer);
    qelconvert_release_video_decoder(g_decoder);

    std::vector<long long> captured = g_captured;
    std::sort(captured.begin(), captured.end());
    std::vector<double> latencies;
    for (int i = 0; i < count; ++i) {
        if (std::binary_search(captured.begin(), captured.end(), records[size_t(i)].captureUs)) {
            latencies.push_back((records[size_t(i)].paintedUs - records[size_t(i)].captureUs) / 1000.0);
        }
    }
    std::sort(latencies.begin(), latencies.end());
    const double interval = 1000.0 / fps;
    const double median = percentile(latencies, 50);
    const double p99 = percentile(latencies, 99);
    std::printf(
        "%-14s captured %5zu  painted %5zu  never painted %4zu  converted %lld of %lld offered  "
        "median %6.1f ms  p95 %6.1f ms  p99 %6.1f ms  max %6.1f ms  CPU %5.1f%%  decode failures %ld\n",
        label, captured.size(), latencies.size(), captured.size() - latencies.size(),
        after.converted - before.converted, after.offered - before.offered, median, percentile(latencies, 95),
        p99, latencies.empty() ? 0.0 : latencies.back(), 100.0 * cpu / wall, g_decodeFailures.load());
    std::vector<double> delays = g_cameraDelays;
    std::sort(delays.begin(), delays.end());
    std::printf(
        "%-14s of which the virtual camera (capture to callback: drawing and encoding): median %.1f ms, "
        "p99 %.1f ms; %.1f frames per second captured\n",
        "", percentile(delays, 50), percentile(delays, 99), captured.size() / wall);
    if (fps == 30 && h == 1080) {  // the latency target is set for 1080p30
        std::printf("%-14s target: median <= %.1f ms (%s), p99 <= %.1f ms (%s)\n", "", interval + 10,
                    median <= interval + 10 ? "met" : "MISSED", 2 * interval,
                    p99 <= 2 * interval ? "met" : "MISSED");
    }
    std::fflush(stdout);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    const int seconds = argc > 1 && std::atoi(argv[1]) > 0 ? std::atoi(argv[1]) : 20;
    QApplication app(argc, argv);
    QWidget widget;
    widget.setAttribute(Qt::WA_NativeWindow);
    widget.setAttribute(Qt::WA_OpaquePaintEvent);
    widget.resize(1920, 1080);
    widget.show();
    qelvirtual_reset();
    if (qelconvert_init() != 1 || qelrender_init() != 1 || qelcamera_init() != 1) {
        std::fprintf(stderr, "cannot initialise the libraries\n");
        return 1;
    }
    const int handle = qelvirtual_add_camera(nullptr);
    int cameras = 0;
    qelcamera_get_camera_count(&cameras);
    int cam = -1;
    for (int i = 0; i < cameras; ++i) {
        if (qelvirtual_handle_of(i) == handle) {
            cam = i;
        }
    }
    if (cam < 0 || qelcamera_open(cam) != 1) {
        std::fprintf(stderr, "no virtual camera\n");
        return 1;
    }
    qelcamera_set_preview_callback(cam, &onFrame);
    std::printf(
        "Capture-to-painted latency, MJPEG through qelconvert and qelrenderqt into a 1920x1080 "
        "window (%s), %d s per case\n",
        qPrintable(QGuiApplication::platformName()), seconds);
    run(&widget, cam, "1080p30", 1920, 1080, 1920, 1080, 30, seconds);
    run(&widget, cam, "2160p30", 3840, 2160, 3840, 2160, 30, seconds);
    // What a preview-only decoder at the window's size would cost (not what the application does yet).
    run(&widget, cam, "2160p30@1080p", 3840, 2160, 1920, 1080, 30, seconds);
    qelcamera_close(cam);
    qelcamera_uninit();
    qelrender_uninit();
    qelconvert_uninit();
    return 0;
}
