/* qelds-probe: lists the cameras with their formats and features, streams 1080p30 MJPEG
 * for ten seconds reporting the frame rate, and waits for a camera to be plugged in.
 * Uses the camera library's contract alone. With QEL_VIRTUAL_CAMERAS set, the library's
 * scripting call (looked up at run time) plugs in a virtual camera; otherwise plug one in. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <stdatomic.h>
#include <stdio.h>
#include <stdlib.h>
#include <time.h>
#include <unistd.h>

#include "qelds.h"

static atomic_int g_frames;
static atomic_long g_bytes;
static atomic_int g_changes;
static atomic_int g_changeCount;

static void on_frame(int cam, int pin, int stream, int type, int w, int h, long ts, unsigned char* data,
                     int size) {
    (void)cam, (void)pin, (void)stream, (void)type, (void)w, (void)h, (void)ts, (void)data;
    atomic_fetch_add(&g_frames, 1);
    atomic_fetch_add(&g_bytes, size);
}

static void on_change(int event, int param) {
    (void)event;
    atomic_store(&g_changeCount, param);
    atomic_fetch_add(&g_changes, 1);
}

static double now_s(void) {
    struct timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return ts.tv_sec + ts.tv_nsec / 1e9;
}

static const char* type_name(int t) {
    static const char* names[] = {"?", "MJPG", "YUY2", "H264", "H265"};
    return t >= 1 && t <= 4 ? names[t] : "other";
}

static void list_camera(int cam) {
    char buf[QEL_TEXT_BUFFER_SIZE];
    int vid = 0, pid = 0, streams = 0, flag = 0, n = 0;
    if (qelcamera_get_camera_name(cam, buf) != 1)
        return;
    printf("camera %d: %s\n", cam, buf);
    if (qelcamera_get_camera_vid_pid(cam, &vid, &pid) == 1)
        printf("  vid/pid 0x%04x / 0x%04x\n", vid, pid);
    if (qelcamera_get_fw_version(cam, buf) == 1)
        printf("  firmware %s\n", buf);
    if (qelcamera_get_mid(cam, buf) == 1)
        printf("  MID %s\n", buf);
    qelcamera_get_stream_count(cam, &streams);
    for (int s = 0; s < streams; ++s) {
        int types = 0;
        qelcamera_get_stream_media_type_count(cam, s, &types);
        for (int i = 0; i < types; ++i) {
            int type = 0, sizes = 0;
            qelcamera_get_stream_media_type_value(cam, s, i, &type);
            qelcamera_get_stream_resolution_count(cam, s, type, &sizes);
            printf("  stream %d %s:", s, type_name(type));
            for (int k = 0; k < sizes; ++k) {
                int w = 0, h = 0, rates = 0, fps = 0;
                qelcamera_get_stream_resolution_value(cam, s, type, k, &w, &h);
                qelcamera_get_stream_fps_count(cam, s, type, w, h, &rates);
                qelcamera_get_stream_fps_value(cam, s, type, w, h, 0, &fps);
                printf(" %dx%d@%d", w, h, fps);
                if (rates > 1) {
                    qelcamera_get_stream_fps_value(cam, s, type, w, h, rates - 1, &fps);
                    printf("..%d", fps);
                }
            }
            printf("\n");
        }
    }
    qelcamera_is_support_still_capture(cam, &flag);
    printf("  still capture: %s\n", flag ? "yes" : "no");
    printf("  features:");
    for (int code = 0; code < 32; ++code) {
        if (qelcamera_eu_support(cam, code, &flag) == 1 && flag)
            printf(" %d", code);
    }
    printf("\n");
    if (qelcamera_get_sensor_count(cam, &n) == 1) {
        printf("  sensors:");
        for (int i = 0; i < n; ++i) {
            int t = 0;
            if (qelcamera_get_sensor_type(cam, i, &t) == 1)
                printf(" %d", t);
        }
        printf("\n");
    }
    if (qelcamera_get_acoustic_baffle_count(cam, &n) == 1)
        printf("  acoustic baffles: %d\n", n);
    int supported = 0;
    for (int id = 0; id < 17; ++id) {
        int sup = 0, mn, mx, st, def, au;
        if (qelcamera_pu_ct_get_range(cam, id, &sup, &mn, &mx, &st, &def, &au) == 1 && sup)
            ++supported;
    }
    printf("  properties supported: %d of 17\n", supported);
}

int main(void) {
    char version[QEL_TEXT_BUFFER_SIZE];
    int count = 0, result = 0;
    if (qelcamera_init() != 1) {
        fprintf(stderr, "qelcamera_init failed\n");
        return 1;
    }
    qelcamera_get_version(version);
    qelcamera_set_device_changed_callback(on_change);
    qelcamera_get_camera_count(&count);
    printf("%s, %d camera(s)\n", version, count);
    if (count < 1) {
        qelcamera_uninit();
        return 1;
    }
    int cam = count - 1;
    if (qelcamera_open(cam) != 1) {
        fprintf(stderr, "cannot open camera %d\n", cam);
        return 1;
    }
    list_camera(cam);

    qelcamera_set_preview_callback(cam, on_frame);
    if (qelcamera_set_preview_params(cam, 0, 1, 1, 1920, 1080, 30) != 1 ||
        qelcamera_start_preview(cam) != 1) {
        fprintf(stderr, "cannot stream 1920x1080 MJPEG at 30 fps\n");
        return 1;
    }
    double start = now_s();
    int last = 0;
    for (int second = 1; second <= 10; ++second) {
        while (now_s() < start + second)
            usleep(10000);
        int frames = atomic_load(&g_frames);
        int fps = 0, bps = 0;
        qelcamera_get_fps_bps(cam, 0, &fps, &bps);
        printf("  %2d s: %d frames this second, library says %d fps, %d kB/s\n", second, frames - last, fps,
               bps / 1000);
        fflush(stdout);
        last = frames;
    }
    double elapsed = now_s() - start;
    double rate = atomic_load(&g_frames) / elapsed;
    qelcamera_stop_preview(cam);
    printf("1920x1080 MJPEG: %.1f fps over %.1f s, %.0f kB/s: %s\n", rate, elapsed,
           atomic_load(&g_bytes) / elapsed / 1000, rate >= 27 && rate <= 33 ? "OK" : "OUT OF RANGE");
    if (rate < 27 || rate > 33)
        result = 1;

    int (*add_camera)(const char*) = (int (*)(const char*))dlsym(RTLD_DEFAULT, "qelvirtual_add_camera");
    int before = atomic_load(&g_changes);
    if (add_camera && getenv("QEL_VIRTUAL_CAMERAS")) {
        printf("plugging in a virtual camera\n");
        add_camera(NULL);
    } else {
        printf("plug in a camera within 20 s\n");
    }
    double deadline = now_s() + 20;
    while (atomic_load(&g_changes) == before && now_s() < deadline)
        usleep(10000);
    if (atomic_load(&g_changes) > before) {
        printf("hot-plug callback: %d camera(s) now\n", atomic_load(&g_changeCount));
    } else {
        printf("no hot-plug callback\n");
        result = 1;
    }
    qelcamera_close(cam);
    qelcamera_uninit();
    return result;
}
