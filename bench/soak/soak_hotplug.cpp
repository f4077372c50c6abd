// Unplug/replug soak of the whole main window on the virtual camera (offscreen platform): each
// cycle waits for the picture's figures, starts a recording on every other cycle, pulls the
// camera out (mid-recording on those cycles), measures the process's CPU while no camera is
// present, and plugs it back. Prints open file descriptors and RSS per cycle and the verdicts:
//   no crash or hang, no recording lost, open fds flat; and from 20 cycles on also CPU with no
//   camera <= 2 % of a core and RSS flat within 5 % (measured from a third of the way in: the
//   first cycles warm the decoders, the encoder and the allocator's pools).
//   soak_hotplug [cycles, default 100] [idle seconds per cycle, default 1]
// Exit code 0 when every verdict holds, 1 otherwise. A short run (CTest) checks what needs no
// warm-up and no quiet machine.
#include <dirent.h>
#include <sys/resource.h>
#include <unistd.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <cstdio>
#include <memory>

#include "CameraController.h"
#include "MainWindow.h"
#include "OverlayWidget.h"
#include "UniversalButton.h"
#include "VideoWidget.h"
#include "qelvirtual.h"

namespace {

int openFds() {
    DIR* dir = opendir("/proc/self/fd");
    if (!dir) {
        return -1;
    }
    int count = 0;
    while (dirent* entry = readdir(dir)) {
        count += entry->d_name[0] != '.' ? 1 : 0;
    }
    closedir(dir);
    return count - 1;  // the directory's own descriptor
}

long rssKb() {
    QFile statm("/proc/self/statm");
    if (!statm.open(QIODevice::ReadOnly)) {
        return -1;
    }
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.size() > 1 ? fields[1].toLong() * (sysconf(_SC_PAGESIZE) / 1024) : -1;
}

double cpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// Processes events until `done` or the deadline; false on timeout.
template <typename Predicate>
bool waitUntil(Predicate done, int timeoutMs) {
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > timeoutMs) {
            return false;
        }
        QTest::qWait(20);
    }
    return true;
}

// Runs the event loop for ms as the program's own loop runs: asleep until an event comes.
// (QTest::qWait wakes every 10 ms to poll, which would be measured as the window's cost.)
void idleFor(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

}  // namespace

int main(int argc, char* argv[]) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir home;
    qputenv("HOME", home.path().toUtf8());
    qputenv("XDG_CONFIG_HOME", (home.path() + "/.config").toUtf8());
    qputenv("QEL_VIRTUAL_CAMERAS", "0");  // the soak plugs its own camera
    qputenv("QEL_VIRTUAL_MICROPHONES", "1");
    QApplication app(argc, argv);
    const int cycles = argc > 1 ? atoi(argv[1]) : 100;
    const double idleSeconds = argc > 2 ? atof(argv[2]) : 1.0;

    MainWindowOptions options;
    options.saveFolder = home.path() + "/saved";
    auto window = std::make_unique<MainWindow>(options);
    window->show();
    VideoWidget* video = window->videoWidget(0);
    OverlayWidget* overlay = window->overlay();
    overlay->setRecordStartDelay(0);

    QVector<int> fds;
    QVector<long> rss;
    double worstIdleCpu = 0;
    int recordings = 0;
    int failures = 0;
    std::printf("cycle  fds  rss_kB  idle_cpu_%%  recording\n");
    for (int cycle = 0; cycle < cycles; ++cycle) {
        const int handle = qelvirtual_add_camera(nullptr);
        QSignalSpy info(video, &VideoWidget::sigVideoInfo);
        if (handle <= 0 || !waitUntil([&] { return !info.isEmpty(); }, 20000)) {
            std::printf("cycle %d: no picture within 20 s after plugging in\n", cycle);
            ++failures;
            break;
        }
        const bool recording = cycle % 2 == 1;
        if (recording) {
            overlay->recordButton()->click();
            if (!waitUntil([&] { return overlay->recordState() == OverlayWidget::Recording; }, 10000)) {
                std::printf("cycle %d: recording did not start\n", cycle);
                ++failures;
            }
            QTest::qWait(500);
        }
        qelvirtual_remove_camera(handle);
        if (!waitUntil([&] { return window->noCamera() && overlay->recordState() == OverlayWidget::Idle; },
                       20000)) {
            std::printf("cycle %d: the window did not settle after the camera was pulled\n", cycle);
            ++failures;
            break;
        }
        recordings += recording ? 1 : 0;
        QTest::qWait(300);  // the stop and restart tasks finish
        // No camera: the process should sleep.
        const double before = cpuSeconds();
        QElapsedTimer idle;
        idle.start();
        idleFor(int(idleSeconds * 1000));
        const double idleCpu = 100.0 * (cpuSeconds() - before) / (idle.elapsed() / 1000.0);
        worstIdleCpu = qMax(worstIdleCpu, idleCpu);
        fds << openFds();
        rss << rssKb();
        std::printf("%5d %4d %7ld %10.2f  %s\n", cycle, fds.last(), rss.last(), idleCpu,
                    recording ? "yes" : "no");
        std::fflush(stdout);
    }
    window.reset();

    const int saved = QDir(options.saveFolder).entryList({"*.mp4"}, QDir::Files).size();
    bool ok = failures == 0;
    std::printf("\ncycles: %d, recordings cut by unplugging: %d, recordings kept: %d\n", fds.size(),
                recordings, saved);
    if (saved < recordings) {
        std::printf("FAIL: %d recordings were lost\n", recordings - saved);
        ok = false;
    }
    const bool fullRun = fds.size() >= 20;
    std::printf("worst CPU with no camera: %.2f %% of a core (limit 2 %%%s)\n", worstIdleCpu,
                fullRun ? "" : ", not judged in a short run");
    ok = ok && (!fullRun || worstIdleCpu <= 2.0);
    if (fds.size() >= 3) {
        const int base = qMax(1, fds.size() / 3);
        const double fdGrowth = 100.0 * (fds.last() - fds[base]) / fds[base];
        const double rssGrowth = 100.0 * double(rss.last() - rss[base]) / double(rss[base]);
        std::printf(
            "open fds: %d (cycle %d) -> %d (%+.1f %%); RSS: %ld -> %ld kB (%+.1f %%) (limit 5 %%%s)\n",
            fds[base], base, fds.last(), fdGrowth, rss[base], rss.last(), rssGrowth,
            fullRun ? "" : "; RSS not judged in a short run");
        ok = ok && fdGrowth <= 5.0 && (!fullRun || rssGrowth <= 5.0);
    }
    std::printf("%s\n", ok ? "PASS" : "FAIL");
    return ok ? 0 : 1;
}
