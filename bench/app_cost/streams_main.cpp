// Three live pictures at once through the application's own camera model: a virtual camera with
// three MJPEG streams, each previewed into its own native window as in the multi-stream mode.
// Prints the process's CPU per second, each window's painted frames per second (mean and
// slowest second) and the resident memory.
//   bench_app_streams [SECONDS] [WIDTHxHEIGHT] [FPS] [WINDOW_WIDTHxWINDOW_HEIGHT] [hidden]
//   (defaults: 20 1920x1080 30 960x540; "hidden" never shows the windows, as when the application
// is minimised: nothing is painted, so the cost is that of frames nobody sees). Runs on the platform
// QT_QPA_PLATFORM names (app_cost.sh runs it under its Xvfb), offscreen when unset.
#include <time.h>

#include <QApplication>
#include <QEventLoop>
#include <QFile>
#include <QTimer>
#include <QWidget>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

#include "CCameraModel.h"
#include "qelds.h"
#include "qelrenderqt_extra.h"
#include "qelvirtual.h"

namespace {

constexpr int kStreams = 3;

double processCpuSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return ts.tv_sec + ts.tv_nsec / 1e9;
}

double monotonicSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return ts.tv_sec + ts.tv_nsec / 1e9;
}

long residentKb() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) {
        return 0;
    }
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:")) {
            return line.mid(6).trimmed().split(' ').value(0).toLong();
        }
    }
    return 0;
}

void spin(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

bool parseSize(const char* text, int& w, int& h) {
    return std::sscanf(text, "%dx%d", &w, &h) == 2 && w > 0 && h > 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    const int seconds = argc > 1 && std::atoi(argv[1]) > 0 ? std::atoi(argv[1]) : 20;
    int w = 1920, h = 1080, ww = 960, wh = 540;
    if ((argc > 2 && !parseSize(argv[2], w, h)) || (argc > 4 && !parseSize(argv[4], ww, wh))) {
        std::fprintf(stderr, "usage: %s [SECONDS] [WIDTHxHEIGHT] [FPS] [WINDOW_WIDTHxWINDOW_HEIGHT]\n",
                     argv[0]);
        return 2;
    }
    const int fps = argc > 3 && std::atoi(argv[3]) > 0 ? std::atoi(argv[3]) : 30;
    const bool hidden = argc > 5 && qstrcmp(argv[5], "hidden") == 0;
    QApplication app(argc, argv);

    qelvirtual_reset();
    const QByteArray format =
        QStringLiteral(R"({ "formats": [ { "type": 1, "sizes": [[%1,%2]], "fps": [%3] } ] })")
            .arg(w)
            .arg(h)
            .arg(fps)
            .toUtf8();
    const QByteArray json =
        "{\"name\": \"Three Streams\", \"streams\": [" + format + "," + format + "," + format + "]}";
    const int handle = qelvirtual_add_camera(json.constData());
    auto model = std::make_unique<CCameraModel>();
    if (handle <= 0 || !model->Init()) {
        std::fprintf(stderr, "cannot initialise the libraries or add the virtual camera\n");
        return 1;
    }
    int cam = -1;
    const int cameras = model->GetCameraList().size();
    for (int i = 0; i < cameras; ++i) {
        if (qelvirtual_handle_of(i) == handle) {
            cam = i;
        }
    }
    if (cam < 0 || !model->Open(cam) || !model->SetMaxStreamIndex(kStreams - 1)) {
        std::fprintf(stderr, "the virtual camera does not open with three streams\n");
        return 1;
    }

    // Three windows side by side (and below), as the multi-stream layout shows them.
    std::vector<std::unique_ptr<QWidget>> windows;
    std::vector<PreviewWindowRecord> records(kStreams);
    QList<PreviewWindowRecord*> recordList;
    for (int s = 0; s < kStreams; ++s) {
        auto window = std::make_unique<QWidget>();
        window->setAttribute(Qt::WA_NativeWindow);
        window->setAttribute(Qt::WA_OpaquePaintEvent);
        window->setGeometry((s % 2) * ww, (s / 2) * wh, ww, wh);
        if (!hidden) {
            window->show();
        }
        records[size_t(s)] = PreviewWindowRecord{ww, wh, uintptr_t(window->winId())};
        recordList.append(&records[size_t(s)]);
        windows.push_back(std::move(window));
    }
    if (!model->StartPreview(recordList)) {
        std::fprintf(stderr, "the preview does not start\n");
        return 1;
    }
    spin(3000);  // warm-up

    QELRenderCounts start[kStreams] = {};
    QELRenderCounts last[kStreams] = {};
    double delivered[kStreams] = {};  // the camera's own frame rate, summed over the seconds
    double slowest[kStreams];
    std::fill(slowest, slowest + kStreams, 1e9);
    for (int s = 0; s < kStreams; ++s) {
        qelrender_get_counts(model->GetRenderKey(s).constData(), &start[s]);
        last[s] = start[s];
    }
    const double cpu0 = processCpuSeconds();
    const double t0 = monotonicSeconds();
    double tick = t0;
    // Resident memory once the pipeline has settled (after the first tenth of the run, at most a
    // minute in) against the end: a long run shows whether it grows.
    const int settledSecond = std::min(60, std::max(1, seconds / 10));
    long settledRss = 0;
    long peakRss = 0;
    for (int second = 0; second < seconds; ++second) {
        spin(1000);
        const long rssNow = residentKb();
        peakRss = std::max(peakRss, rssNow);
        if (second + 1 == settledSecond) {
            settledRss = rssNow;
        }
        const double now = monotonicSeconds();
        for (int s = 0; s < kStreams; ++s) {
            QELRenderCounts counts{};
            qelrender_get_counts(model->GetRenderKey(s).constData(), &counts);
            slowest[s] = std::min(slowest[s], (counts.painted - last[s].painted) / (now - tick));
            last[s] = counts;
            int cameraFps = 0;
            int bytesPerSecond = 0;
            if (qelcamera_get_fps_bps(cam, s, &cameraFps, &bytesPerSecond) == 1) {
                delivered[s] += cameraFps;
            }
        }
        tick = now;
    }
    const double wall = monotonicSeconds() - t0;
    const double cpu = processCpuSeconds() - cpu0;
    const long rss = residentKb();
    model->StopPreview();

    std::printf(
        "camera model, three MJPEG streams %dx%d %d fps into %dx%d windows (%s%s), %d s after 3 s warm-up\n",
        w, h, fps, ww, wh, hidden ? "hidden, " : "", qPrintable(QGuiApplication::platformName()), seconds);
    std::printf("process CPU    %5.1f %% of one core (three cameras, decode, render and GUI together)\n",
                100 * cpu / wall);
    std::printf("resident mem   %5.1f MB at the end, %.1f MB at second %d, peak %.1f MB (%+.1f %%)\n",
                rss / 1024.0, settledRss / 1024.0, settledSecond, peakRss / 1024.0,
                settledRss > 0 ? 100.0 * (rss - settledRss) / settledRss : 0.0);
    for (int s = 0; s < kStreams; ++s) {
        std::printf(
            "stream %d       painted %5.1f frames/s (slowest second %.1f), converted %.1f/s of %.1f/s "
            "offered, camera %.1f/s\n",
            s + 1, (last[s].painted - start[s].painted) / wall, slowest[s],
            (last[s].converted - start[s].converted) / wall, (last[s].offered - start[s].offered) / wall,
            delivered[s] / seconds);
    }
    model->Close();
    model->Uninit();
    return 0;
}
