// Rendering benchmark: a 1080p planar YUV 4:2:0 frame converted and scaled by qelrenderqt into
// 1920x1080 and 3840x2160 windows (and, for comparison, 2560x1440 and 1280x720) (the render call on the
// camera's thread), the GUI thread's paint of the result, and heap allocations per rendered frame.
#include <QApplication>
#include <QElapsedTimer>
#include <QWidget>
#include <cstdio>

#include "../media_decode/AllocationCounter.h"
#include "qelrenderqt.h"

namespace {

QByteArray frame1080p() {
    const int w = 1920, h = 1080;
    QByteArray f(w * h * 3 / 2, Qt::Uninitialized);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            f[y * w + x] = char(16 + (x + y) % 220);
        }
    }
    for (int i = w * h; i < f.size(); ++i) {
        f[i] = char(64 + i % 128);
    }
    return f;
}

void run(QWidget* widget, const QByteArray& frame, int windowWidth, int windowHeight, int frames) {
    widget->resize(windowWidth, windowHeight);
    IWindow window{windowWidth, windowHeight, uintptr_t(widget->winId())};
    char key[QEL_TEXT_BUFFER_SIZE];
    if (qelrender_create_render(key, 0, QEL_COLORSPACE_YUV420P, 1920, 1080, &window) != 1) {
        std::printf("cannot create a renderer\n");
        return;
    }
    auto render = [&] {
        return qelrender_render(key, reinterpret_cast<const unsigned char*>(frame.constData()), frame.size());
    };
    for (int i = 0; i < 5; ++i) {
        render();
        QCoreApplication::processEvents();
    }
    double best = 1e9;
    double allocations = 0;
    for (int attempt = 0; attempt < 3; ++attempt) {
        // Each frame is painted before the next (untimed): a frame arriving before the previous
        // paint is passed over unconverted, which would time nothing.
        long long renderAllocations = 0;
        QElapsedTimer timer;
        qint64 ns = 0;
        for (int i = 0; i < frames; ++i) {
            const long long before = AllocationCounter::count();
            timer.start();
            render();
            ns += timer.nsecsElapsed();
            renderAllocations += AllocationCounter::count() - before;
            widget->repaint();
        }
        const double ms = ns / 1e6 / frames;
        if (ms < best) {
            best = ms;
            allocations = double(renderAllocations) / frames;
        }
        QCoreApplication::processEvents();
    }
    // Paint: one frame rendered, then the GUI thread's repaint of it.
    QElapsedTimer paintTimer;
    double paintMs = 0;
    for (int i = 0; i < frames; ++i) {
        render();
        paintTimer.start();
        QCoreApplication::processEvents();
        paintMs += paintTimer.nsecsElapsed() / 1e6;
    }
    std::printf("1080p -> %4dx%-4d  render %6.2f ms  allocations %4.1f  GUI repaint %6.2f ms\n", windowWidth,
                windowHeight, best, allocations, paintMs / frames);
    std::fflush(stdout);
    qelrender_release_render(key);
    QCoreApplication::processEvents();
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    QWidget widget;
    widget.setAttribute(Qt::WA_NativeWindow);
    widget.setAttribute(Qt::WA_OpaquePaintEvent);
    widget.show();
    qelrender_init();
    const QByteArray frame = frame1080p();
    std::printf("Render of a 1080p YUV 4:2:0 frame (render call: convert + scale + hand-over, best of 3)\n");
    run(&widget, frame, 1920, 1080, 60);
    run(&widget, frame, 3840, 2160, 30);
    run(&widget, frame, 2560, 1440, 30);  // enlarged by a fraction: scaled while converting
    run(&widget, frame, 1280, 720, 60);
    std::printf("Targets: 1920x1080 <= 3 ms, 3840x2160 <= 8 ms per frame; allocations per frame 0.\n");
    qelrender_uninit();
    return 0;
}
