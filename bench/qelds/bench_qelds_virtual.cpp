// CPU cost of the virtual camera: generating and encoding frames at 1080p30 in each media type
// (and 4K MJPEG), measured as process CPU time over wall time, in percent of one core.
// Also reports the delivered rate and the capture-to-callback latency.
#include <time.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "qelds.h"
#include "qelvirtual.h"

namespace {

std::atomic<long> g_frames{0};
std::atomic<long> g_bytes{0};
std::atomic<long> g_latencySum{0};
std::atomic<long> g_latencyMax{0};

long monotonicUs() {
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return ts.tv_sec * 1000000L + ts.tv_nsec / 1000;
}

double cpuSeconds() {
    timespec ts;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return ts.tv_sec + ts.tv_nsec / 1e9;
}

void onFrame(int, int, int, int, int, int, long timestampUs, unsigned char*, int size) {
    long latency = monotonicUs() - timestampUs;
    ++g_frames;
    g_bytes += size;
    g_latencySum += latency;
    long max = g_latencyMax.load();
    while (latency > max && !g_latencyMax.compare_exchange_weak(max, latency)) {
    }
}

const char* g_only = nullptr;  // run only the cases whose label contains this text

void run(int cam, const char* label, int type, int w, int h, int fps, int seconds) {
    if (g_only && !std::strstr(label, g_only)) {
        return;
    }
    if (qelcamera_set_preview_params(cam, 0, 1, type, w, h, fps) != 1 || qelcamera_start_preview(cam) != 1) {
        std::printf("%-22s could not start\n", label);
        return;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(700));  // first full frame and encoder start-up
    g_frames = 0;
    g_bytes = 0;
    g_latencySum = 0;
    g_latencyMax = 0;
    double cpu0 = cpuSeconds();
    long t0 = monotonicUs();
    std::this_thread::sleep_for(std::chrono::seconds(seconds));
    double cpu1 = cpuSeconds();
    long t1 = monotonicUs();
    long frames = g_frames;
    qelcamera_stop_preview(cam);
    double wall = (t1 - t0) / 1e6;
    std::printf("%-22s CPU %5.1f%% of one core  %5.1f fps  %7.0f kB/s  latency avg %.1f ms, max %.1f ms\n",
                label, 100.0 * (cpu1 - cpu0) / wall, frames / wall, g_bytes / wall / 1000.0,
                frames ? g_latencySum / 1000.0 / frames : 0.0, g_latencyMax / 1000.0);
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
    int seconds = argc > 1 ? std::atoi(argv[1]) : 5;
    if (seconds < 1)
        seconds = 5;
    g_only = argc > 2 ? argv[2] : nullptr;  // e.g. 'MJPEG 3840x2160'
    qelvirtual_reset();
    if (qelcamera_init() != 1)
        return 1;
    int handle = qelvirtual_add_camera(nullptr);
    int count = 0;
    qelcamera_get_camera_count(&count);
    int cam = -1;
    for (int i = 0; i < count; ++i) {
        if (qelvirtual_handle_of(i) == handle)
            cam = i;
    }
    if (cam < 0 || qelcamera_open(cam) != 1) {
        std::fprintf(stderr, "no virtual camera\n");
        return 1;
    }
    qelcamera_set_preview_callback(cam, &onFrame);
    std::printf("virtual camera cost over %d s per case (%u cores online)\n", seconds,
                std::thread::hardware_concurrency());
    run(cam, "MJPEG 1920x1080 30fps", 1, 1920, 1080, 30, seconds);
    run(cam, "YUY2  1920x1080 30fps", 2, 1920, 1080, 30, seconds);
    run(cam, "H264  1920x1080 30fps", 3, 1920, 1080, 30, seconds);
    run(cam, "H265  1920x1080 30fps", 4, 1920, 1080, 30, seconds);
    run(cam, "MJPEG 3840x2160 30fps", 1, 3840, 2160, 30, seconds);
    qelcamera_close(cam);
    qelcamera_uninit();
    return 0;
}
