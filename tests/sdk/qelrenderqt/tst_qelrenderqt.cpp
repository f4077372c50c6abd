#include <QPainter>
#include <QWidget>
#include <QtTest>
#include <atomic>
#include <thread>

#include "qelrenderqt.h"
#include "qelrenderqt_extra.h"

namespace {

// BT.601 limited range colours.
struct Yuv {
    uint8_t y, u, v;
};
constexpr Yuv kRed{81, 90, 240};
constexpr Yuv kBlue{41, 240, 110};

// A planar YUV 4:2:0 frame, its left half in one colour and its right half in another.
QByteArray splitFrame(int w, int h, Yuv left = kRed, Yuv right = kBlue) {
    QByteArray frame;
    for (int plane = 0; plane < 3; ++plane) {
        const int pw = plane ? (w + 1) / 2 : w;
        const int ph = plane ? (h + 1) / 2 : h;
        const uint8_t Yuv::*component = plane == 0 ? &Yuv::y : plane == 1 ? &Yuv::u : &Yuv::v;
        const QByteArray row =
            QByteArray(pw / 2, char(left.*component)) + QByteArray(pw - pw / 2, char(right.*component));
        frame += row.repeated(ph);
    }
    return frame;
}

bool near(QRgb pixel, QColor expected) {
    const int tolerance = expected == Qt::black ? 2 : 14;  // the bars are exactly black
    return qAbs(qRed(pixel) - expected.red()) <= tolerance &&
           qAbs(qGreen(pixel) - expected.green()) <= tolerance &&
           qAbs(qBlue(pixel) - expected.blue()) <= tolerance;
}

// Empty when every point of the shot has the colour; otherwise the first that does not.
QString offColour(const QImage& shot, QColor colour, std::initializer_list<QPoint> points) {
    for (const QPoint p : points) {
        const QRgb px = shot.pixel(p);
        if (!near(px, colour)) {
            return QString::asprintf("(%d,%d) is (%d,%d,%d), not %s", p.x(), p.y(), qRed(px), qGreen(px),
                                     qBlue(px), qPrintable(colour.name()));
        }
    }
    return QString();
}

#define VERIFY_COLOUR(shot, colour, ...)                            \
    do {                                                            \
        const QString off = offColour(shot, colour, {__VA_ARGS__}); \
        QVERIFY2(off.isEmpty(), qPrintable(off));                   \
    } while (false)

// Attributes of the application's video widget, shown at a size, with the window record a
// renderer is given; its own look is green, so the renderer's black bars are told apart from it.
class VideoWidget : public QWidget {
public:
    VideoWidget(int width, int height) {
        setAttribute(Qt::WA_NativeWindow);
        setAttribute(Qt::WA_OpaquePaintEvent);
        resize(width, height);
        show();
        record = {width, height, uintptr_t(winId())};
    }
    // The widget and its record to a new size, as the application's widget keeps them.
    void resizeWithRecord(int width, int height) {
        resize(width, height);
        record.width = width;
        record.height = height;
    }

    IWindow record;

protected:
    void paintEvent(QPaintEvent*) override { QPainter(this).fillRect(rect(), Qt::green); }
};

class PaintCounter : public QObject {
public:
    int paints = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            ++paints;
        }
        return false;
    }
};

class Renderer {
public:
    Renderer(int w, int h, IWindow* window) {
        ok = qelrender_create_render(key, 0, QEL_COLORSPACE_YUV420P, w, h, window) == 1;
    }
    ~Renderer() { release(); }
    static const unsigned char* bytes(const QByteArray& frame) {
        return reinterpret_cast<const unsigned char*>(frame.constData());
    }
    int render(const QByteArray& frame) { return qelrender_render(key, bytes(frame), frame.size()); }
    int renderHalf(const QByteArray& frame) {
        return qelrender_render_half_at(key, bytes(frame), frame.size(), 0);
    }
    int renderAt(const QByteArray& frame, long long us) {
        return qelrender_render_at(key, bytes(frame), frame.size(), us);
    }
    QELRenderCounts counts() {
        QELRenderCounts c{-1, -1, -1};
        qelrender_get_counts(key, &c);
        return c;
    }
    QVector<QELPaintRecord> paintLog() {
        QVector<QELPaintRecord> records(16);
        int n = 0;
        qelrender_take_paint_log(key, records.data(), records.size(), &n);
        records.resize(n);
        return records;
    }
    int release() {
        const int answer = ok ? qelrender_release_render(key) : 0;
        ok = false;
        return answer;
    }
    char key[QEL_TEXT_BUFFER_SIZE] = {};
    bool ok = false;
};

}  // namespace

class TestQelRenderQt : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QCOMPARE(qelrender_init(), 1); }
    void cleanupTestCase() { QCOMPARE(qelrender_uninit(), 1); }

    void letterboxedPicture() {
        VideoWidget widget(320, 240);
        Renderer r(160, 90, &widget.record);
        QVERIFY(r.ok);
        QCOMPARE(r.render(splitFrame(160, 90)), 1);
        // 16:9 in 4:3: a 320x180 picture with 30 black rows above and below.
        QImage shot = widget.grab().toImage();
        VERIFY_COLOUR(shot, Qt::red, {80, 120}, {80, 32}, {100, 40});
        VERIFY_COLOUR(shot, Qt::blue, {240, 120});
        VERIFY_COLOUR(shot, Qt::black, {160, 10}, {5, 27}, {300, 215}, {160, 239});

        // Resized: the old picture stays (cut at the edge) until the next frame is letterboxed anew.
        widget.resizeWithRecord(200, 200);
        VERIFY_COLOUR(widget.grab().toImage(), Qt::red, {100, 40});
        QCOMPARE(r.render(splitFrame(160, 90)), 1);
        shot = widget.grab().toImage();  // 200x113 centred: bars of 43 rows
        VERIFY_COLOUR(shot, Qt::black, {100, 40}, {100, 160});
        VERIFY_COLOUR(shot, Qt::red, {50, 100});
        VERIFY_COLOUR(shot, Qt::blue, {150, 100});

        // Pillarbox: the same frame in a wide window gets bars left and right.
        widget.resizeWithRecord(400, 90);
        QCOMPARE(r.render(splitFrame(160, 90)), 1);
        shot = widget.grab().toImage();
        VERIFY_COLOUR(shot, Qt::black, {10, 45}, {390, 45});
        VERIFY_COLOUR(shot, Qt::red, {150, 45});
        VERIFY_COLOUR(shot, Qt::blue, {250, 45});
    }

    void pictureAtEachScale_data() {
        QTest::addColumn<QSize>("window");
        QTest::addColumn<QSize>("picture");  // at the window's top left; the rest black
        // Own size, half (a 2160p camera in a 1080p window), double, and one in between.
        QTest::newRow("same") << QSize(96, 64) << QSize(96, 64);
        QTest::newRow("half") << QSize(48, 32) << QSize(48, 32);
        QTest::newRow("double") << QSize(192, 128) << QSize(192, 128);
        QTest::newRow("scaled") << QSize(150, 100) << QSize(150, 100);
        // A window a pixel or two off (borders of the layout) shows the frame 1:1, cropped or
        // with a thin black edge, rather than rescaled by 0.999.
        QTest::newRow("nearly same, smaller") << QSize(95, 63) << QSize(95, 63);
        QTest::newRow("nearly same, larger") << QSize(98, 65) << QSize(96, 64);
        QTest::newRow("nearly half") << QSize(47, 33) << QSize(47, 32);
    }

    void pictureAtEachScale() {
        QFETCH(QSize, window);
        QFETCH(QSize, picture);
        VideoWidget widget(window.width(), window.height());
        Renderer r(96, 64, &widget.record);
        QCOMPARE(r.render(splitFrame(96, 64)), 1);
        const QImage shot = widget.grab().toImage();
        const int w = picture.width();
        const int h = picture.height();
        VERIFY_COLOUR(shot, Qt::red, {1, 1}, {w / 4, h / 2}, {w / 2 - w / 8, h - 1});
        VERIFY_COLOUR(shot, Qt::blue, {w / 2 + w / 8, 0}, {3 * w / 4, h / 2}, {w - 1, h - 1});
        if (w < window.width()) {
            VERIFY_COLOUR(shot, Qt::black, {w, h / 2});
        }
        if (h < window.height()) {
            VERIFY_COLOUR(shot, Qt::black, {w / 2, h});
        }
    }

    void halfSizeFramesOnlyWhileTheWindowShowsHalf() {
        VideoWidget widget(96, 64);
        Renderer r(96, 64, &widget.record);
        QVERIFY(r.ok);
        // At the frame's own size a half-size frame would be shown blown up: refused.
        QCOMPARE(qelrender_preferred_scale(r.key), 1);
        widget.resizeWithRecord(80, 50);
        QCOMPARE(qelrender_preferred_scale(r.key), 0);  // scaled: neither size is shown as it is
        widget.resizeWithRecord(96, 64);
        QCOMPARE(r.renderHalf(splitFrame(48, 32)), 0);

        widget.resizeWithRecord(47, 33);
        QCOMPARE(qelrender_preferred_scale(r.key), 2);
        QCOMPARE(r.renderHalf(splitFrame(48, 32).left(100)), 0);  // wrong size
        QCOMPARE(r.renderHalf(splitFrame(48, 32)), 1);
        // Shown as the full frame would be: red left, blue right, the row past it black.
        const QImage shot = widget.grab().toImage();
        VERIFY_COLOUR(shot, Qt::red, {1, 1}, {12, 16}, {20, 31});
        VERIFY_COLOUR(shot, Qt::blue, {28, 0}, {36, 16}, {46, 31});
        VERIFY_COLOUR(shot, Qt::black, {20, 32});

        // Resized back after the caller asked: the half-size frame is refused, not stretched.
        widget.resizeWithRecord(96, 64);
        QCOMPARE(r.renderHalf(splitFrame(48, 32)), 0);
        QCOMPARE(qelrender_preferred_scale("no such renderer"), 0);

        // An odd-sized frame has no exact half.
        VideoWidget small(47, 32);
        Renderer odd(95, 64, &small.record);
        QCOMPARE(qelrender_preferred_scale(odd.key), 0);
    }

    void decodedPicturesInTheirOwnLayout_data() {
        QTest::addColumn<int>("shiftX");
        QTest::addColumn<int>("shiftY");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("4:2:2") << 1 << 0 << true;
        QTest::newRow("4:2:0") << 1 << 1 << true;
        QTest::newRow("4:4:4") << 0 << 0 << true;
        QTest::newRow("4:4:0") << 0 << 1 << false;
    }

    void decodedPicturesInTheirOwnLayout() {
        QFETCH(int, shiftX);
        QFETCH(int, shiftY);
        QFETCH(bool, accepted);
        // A full-range picture (as JPEG decodes) in padded planes: left half red, right half blue.
        const int w = 96, h = 64, pad = 32;
        const int red[] = {76, 85, 255}, blue[] = {29, 255, 107};  // full-range Y, Cb, Cr
        QByteArray planes[3];
        QELPlanarPicture picture{};
        for (int p = 0; p < 3; ++p) {
            const int pw = p ? w >> shiftX : w;
            const int ph = p ? h >> shiftY : h;
            picture.strides[p] = pw + pad;
            planes[p] = QByteArray(picture.strides[p] * ph, 0);
            for (int y = 0; y < ph; ++y) {
                for (int x = 0; x < pw; ++x) {
                    planes[p][y * picture.strides[p] + x] = char(x < pw / 2 ? red[p] : blue[p]);
                }
            }
            picture.planes[p] = Renderer::bytes(planes[p]);
        }
        picture.width = w;
        picture.height = h;
        picture.chromaShiftX = shiftX;
        picture.chromaShiftY = shiftY;
        picture.fullRange = 1;

        VideoWidget widget(w, h);
        Renderer r(w, h, &widget.record);
        QCOMPARE(qelrender_render_planes_at(r.key, &picture, 0), accepted ? 1 : 0);
        if (!accepted) {
            return;
        }
        const QImage shot = widget.grab().toImage();
        VERIFY_COLOUR(shot, Qt::red, {1, 1}, {20, 40}, {45, 63});
        VERIFY_COLOUR(shot, Qt::blue, {50, 0}, {70, 30}, {95, 63});

        // The same picture is half the size of a 192x128 renderer: shown while its window is at
        // half size, refused once the window shows frames at their own size.
        VideoWidget large(w, h);
        Renderer twice(2 * w, 2 * h, &large.record);
        QCOMPARE(qelrender_preferred_scale(twice.key), 2);
        QCOMPARE(qelrender_render_planes_at(twice.key, &picture, 0), 1);
        VERIFY_COLOUR(large.grab().toImage(), Qt::blue, {70, 30});
        large.resizeWithRecord(2 * w, 2 * h);
        QCOMPARE(qelrender_render_planes_at(twice.key, &picture, 0), 0);
        // A picture of neither size, and none at all.
        picture.width = w - 2;
        QCOMPARE(qelrender_render_planes_at(r.key, &picture, 0), 0);
        QCOMPARE(qelrender_render_planes_at(r.key, nullptr, 0), 0);
    }

    void backgroundFillOnlyWithoutPicture() {
        // The application's widget fills its background itself; under a picture that fill is
        // skipped, and it is back once the renderer is gone.
        QWidget widget;
        widget.setAttribute(Qt::WA_NativeWindow);
        widget.setAutoFillBackground(true);
        QPalette palette;
        palette.setColor(QPalette::Window, Qt::green);
        widget.setPalette(palette);
        widget.resize(64, 48);
        widget.show();
        IWindow window{64, 48, uintptr_t(widget.winId())};
        auto r = std::make_unique<Renderer>(64, 48, &window);
        QVERIFY(near(widget.grab().toImage().pixel(8, 24), Qt::green));  // nothing to show yet
        QCOMPARE(r->render(splitFrame(64, 48)), 1);
        QVERIFY(near(widget.grab().toImage().pixel(8, 24), Qt::red));
        QVERIFY(widget.testAttribute(Qt::WA_OpaquePaintEvent));
        QCOMPARE(r->release(), 1);
        QTRY_VERIFY(!widget.testAttribute(Qt::WA_OpaquePaintEvent));
        QVERIFY(near(widget.grab().toImage().pixel(8, 24), Qt::green));
    }

    void framesTheScreenCannotTakeAreNotConverted() {
        VideoWidget widget(64, 48);
        QVERIFY(QTest::qWaitForWindowExposed(&widget));
        Renderer r(32, 24, &widget.record);
        PaintCounter counter;
        widget.installEventFilter(&counter);  // sees paint events before the renderer's filter
        QCoreApplication::processEvents();
        counter.paints = 0;
        QCOMPARE(qelrender_set_paint_log(r.key, 8), 1);
        // Frames before the GUI thread gets to paint: the first is shown, the others would only
        // have replaced it unseen; one paint for all of them.
        QCOMPARE(qelrender_wants_frame(r.key), 1);
        QCOMPARE(r.renderAt(splitFrame(32, 24), 1000), 1);
        QCOMPARE(qelrender_wants_frame(r.key), 0);  // a caller may skip decoding the next ones
        for (int i = 0; i < 9; ++i) {
            QCOMPARE(r.renderAt(splitFrame(32, 24, kBlue, kBlue), 2000 + i), 1);
        }
        QTRY_COMPARE(r.counts().painted, 1LL);
        QTest::qWait(50);
        QCOMPARE(counter.paints, 1);
        QCOMPARE(qelrender_wants_frame(r.key), 1);
        QCOMPARE(r.counts().offered, 10LL);
        QCOMPARE(r.counts().converted, 1LL);
        VERIFY_COLOUR(widget.grab().toImage(), Qt::red, {10, 24});
        QVector<QELPaintRecord> log = r.paintLog();
        QCOMPARE(log.size(), 1);
        QCOMPARE(log[0].captureUs, 1000LL);
        QVERIFY(log[0].paintedUs > 0);
        // Painted: the next frame is converted and shown; repaints do not log it twice.
        QCOMPARE(r.renderAt(splitFrame(32, 24, kBlue, kBlue), 4000), 1);
        QTRY_COMPARE(r.counts().painted, 2LL);
        widget.repaint();
        VERIFY_COLOUR(widget.grab().toImage(), Qt::blue, {10, 24});
        QCOMPARE(r.counts().converted, 2LL);
        log = r.paintLog();
        QCOMPARE(log.size(), 1);
        QCOMPARE(log[0].captureUs, 4000LL);
        QVERIFY(log[0].paintedUs >= log[0].captureUs);
    }

    void refusesBadArguments() {
        VideoWidget widget(64, 48);
        char key[QEL_TEXT_BUFFER_SIZE] = "untouched";
        QCOMPARE(qelrender_create_render(key, 0, QEL_COLORSPACE_YUV420P, 16, 16, nullptr), 0);
        QCOMPARE(qelrender_create_render(key, 0, QEL_COLORSPACE_RGB24, 16, 16, &widget.record), 0);
        QCOMPARE(qelrender_create_render(key, 7, QEL_COLORSPACE_YUV420P, 16, 16, &widget.record), 0);
        QCOMPARE(qelrender_create_render(key, 0, QEL_COLORSPACE_YUV420P, 0, 16, &widget.record), 0);
        QCOMPARE(qelrender_create_render(nullptr, 0, QEL_COLORSPACE_YUV420P, 16, 16, &widget.record), 0);
        IWindow nowhere{64, 48, uintptr_t(0x7fffffff)};
        QCOMPARE(qelrender_create_render(key, 0, QEL_COLORSPACE_YUV420P, 16, 16, &nowhere), 0);
        QCOMPARE(QByteArray(key), QByteArray("untouched"));

        Renderer r(16, 16, &widget.record);
        QVERIFY(r.ok);
        const QByteArray frame = splitFrame(16, 16);
        QCOMPARE(qelrender_render(r.key, nullptr, frame.size()), 0);
        QCOMPARE(qelrender_render(r.key, Renderer::bytes(frame), 100), 0);
        QCOMPARE(qelrender_render("render-none", Renderer::bytes(frame), frame.size()), 0);
        QCOMPARE(qelrender_render(nullptr, Renderer::bytes(frame), frame.size()), 0);
        widget.record.width = 0;  // a minimised widget
        QCOMPARE(r.render(frame), 0);
        widget.record.width = 64;
        QCOMPARE(r.render(frame), 1);
        QCOMPARE(r.release(), 1);
        QCOMPARE(qelrender_release_render(r.key), 0);
        QCOMPARE(r.render(frame), 0);
    }

    void widgetDestroyedBeforeRelease() {
        auto* widget = new VideoWidget(64, 48);
        IWindow window = widget->record;  // outlives the widget
        Renderer r(32, 24, &window);
        QVERIFY(r.ok);
        QCOMPARE(r.render(splitFrame(32, 24)), 1);
        delete widget;
        QCOMPARE(r.render(splitFrame(32, 24)), 1);  // converted, shown nowhere
        QCoreApplication::processEvents();
        QCOMPARE(r.release(), 1);
        QCoreApplication::processEvents();
    }

    void createdAndReleasedFromAnotherThread() {
        VideoWidget widget(64, 48);
        char key[QEL_TEXT_BUFFER_SIZE] = {};
        const QByteArray frame = splitFrame(32, 24);
        std::atomic<int> answer{-1};
        std::thread([&] {
            answer = qelrender_create_render(key, 0, QEL_COLORSPACE_YUV420P, 32, 24, &widget.record) &&
                     qelrender_render(key, Renderer::bytes(frame), frame.size());
        }).join();
        QCOMPARE(answer.load(), 1);
        QTRY_VERIFY(near(widget.grab().toImage().pixel(8, 24), Qt::red));
        std::thread([&] { answer = qelrender_release_render(key); }).join();
        QCOMPARE(answer.load(), 1);
        QTRY_VERIFY(near(widget.grab().toImage().pixel(8, 24), Qt::green));
    }

    void releaseWhileRenderingOnAnotherThread() {
        VideoWidget widget(640, 360);
        Renderer r(320, 180, &widget.record);
        const QByteArray frame = splitFrame(320, 180);
        std::atomic<int> rendered{0};
        std::atomic<bool> refused{false};
        std::thread producer([&] {
            while (!refused) {
                if (r.render(frame)) {
                    ++rendered;
                } else {
                    refused = true;
                }
            }
        });
        QTRY_VERIFY(rendered > 5);  // the GUI thread keeps painting meanwhile
        QCOMPARE(r.release(), 1);
        producer.join();
        QVERIFY(refused);
        QCoreApplication::processEvents();
    }
};

QTEST_MAIN(TestQelRenderQt)
#include "tst_qelrenderqt.moc"
