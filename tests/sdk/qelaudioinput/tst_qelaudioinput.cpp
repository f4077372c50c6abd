#include <time.h>
#include <QtTest>

#include <atomic>
#include <cmath>
#include <cstring>
#include <thread>

#include "qelaudioinput.h"

namespace {

struct Block {
    int size;
    long timestampUs;
    long receivedUs;
};

constexpr int kMaxBlocks = 1000;
Block g_blocks[kMaxBlocks];
std::atomic<int> g_count{0};
std::atomic<bool> g_inside{false};
std::atomic<int> g_sleepMs{0};
std::atomic<int> g_stopAnswer{-1};
int g_levels[kMaxBlocks];

long nowUs() {
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return long(ts.tv_sec) * 1000000 + ts.tv_nsec / 1000;
}

void collect(unsigned char* data, int size, long timestampUs) {
    g_inside = true;
    int i = g_count.load();
    if (i < kMaxBlocks) {
        g_blocks[i] = {size, timestampUs, nowUs()};
        qelaudioinput_calculate_volume(data, size, &g_levels[i]);
        g_count = i + 1;
    }
    if (g_sleepMs > 0) {
        std::this_thread::sleep_for(std::chrono::milliseconds(g_sleepMs.load()));
    }
    g_inside = false;
}

void stopFromInside(unsigned char*, int, long) {
    g_stopAnswer = qelaudioinput_stop_recording();
}

int virtualIndex() {
    int n = 0;
    qelaudioinput_get_device_count(&n);
    char name[QEL_TEXT_BUFFER_SIZE];
    for (int i = 0; i < n; ++i) {
        if (qelaudioinput_get_device_name(i, name) == 1 && QByteArray(name) == "Corvix Virtual Microphone") {
            return i;
        }
    }
    return -1;
}

std::vector<int16_t> sine(double amplitude, int samples) {
    std::vector<int16_t> s(size_t(samples * 2));
    for (int i = 0; i < samples; ++i) {
        s[size_t(2 * i)] = s[size_t(2 * i + 1)] =
            int16_t(std::lround(amplitude * std::sin(2 * M_PI * 440 * i / 48000.0)));
    }
    return s;
}

int levelOf(const std::vector<int16_t>& s) {
    int level = -1;
    qelaudioinput_calculate_volume(reinterpret_cast<const unsigned char*>(s.data()), int(s.size() * 2),
                                   &level);
    return level;
}

}  // namespace

class TestQelAudioInput : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QCOMPARE(qelaudioinput_init(), 1); }

    // Real devices (none on a machine without a sound card) come first, the virtual one last.
    void listsDevicesAndRefusesOthers() {
        int n = 0;
        QCOMPARE(qelaudioinput_get_device_count(&n), 1);
        QVERIFY(n >= 1);
        QCOMPARE(virtualIndex(), n - 1);
        char name[QEL_TEXT_BUFFER_SIZE] = "unchanged";
        QCOMPARE(qelaudioinput_get_device_name(n, name), 0);
        QCOMPARE(qelaudioinput_get_device_name(-1, name), 0);
        QCOMPARE(QByteArray(name), QByteArray("unchanged"));
        QCOMPARE(qelaudioinput_get_device_name(0, nullptr), 0);
        QCOMPARE(qelaudioinput_get_device_count(nullptr), 0);

        qputenv("QEL_VIRTUAL_MICROPHONES", "0");
        int without = 0;
        qelaudioinput_get_device_count(&without);
        qputenv("QEL_VIRTUAL_MICROPHONES", "1");
        QCOMPARE(without, n - 1);
        QCOMPARE(virtualIndex(), n - 1);

        // Missing devices and unusable formats are refused; stopping what never started is harmless.
        for (const int device : {-1, n, n + 7}) {
            QCOMPARE(qelaudioinput_start_recording(device, 2, 48000, 16), 0);
        }
        QCOMPARE(qelaudioinput_start_recording(n - 1, 2, 48000, 8), 0);
        QCOMPARE(qelaudioinput_start_recording(n - 1, 0, 48000, 16), 0);
        QCOMPARE(qelaudioinput_start_recording(n - 1, 2, 100, 16), 0);
        QCOMPARE(qelaudioinput_stop_recording(), 1);
    }

    // 10 ms blocks, paced by the clock, stamped with the monotonic clock; nothing after stop.
    void virtualMicrophoneDeliversPacedBlocks_data() {
        QTest::addColumn<int>("channels");
        QTest::addColumn<int>("rate");
        QTest::newRow("stereo 48 kHz") << 2 << 48000;
        QTest::newRow("mono 44.1 kHz") << 1 << 44100;
    }
    void virtualMicrophoneDeliversPacedBlocks() {
        QFETCH(int, channels);
        QFETCH(int, rate);
        g_count = 0;
        qelaudioinput_set_callback(&collect);
        long started = nowUs();
        QCOMPARE(qelaudioinput_start_recording(virtualIndex(), channels, rate, 16), 1);
        // A second capture while one runs is refused.
        QCOMPARE(qelaudioinput_start_recording(virtualIndex(), channels, rate, 16), 0);
        QTest::qSleep(600);
        QCOMPARE(qelaudioinput_stop_recording(), 1);
        int count = g_count;
        QTest::qSleep(50);
        QCOMPARE(int(g_count), count);
        QCOMPARE(qelaudioinput_stop_recording(), 1);

        QVERIFY2(count >= 45 && count <= 62, qPrintable(QString::number(count)));
        for (int i = 0; i < count; ++i) {
            QCOMPARE(g_blocks[i].size, rate / 100 * channels * 2);
            QVERIFY(g_blocks[i].timestampUs >= started && g_blocks[i].timestampUs <= g_blocks[i].receivedUs);
            if (i > 0) {
                QCOMPARE(g_blocks[i].timestampUs - g_blocks[i - 1].timestampUs, 10000L);
            }
            QVERIFY(g_levels[i] > 30 && g_levels[i] <= 100);
        }
        const auto [lo, hi] = std::minmax_element(g_levels, g_levels + count);
        QVERIFY2(*hi - *lo >= 5, qPrintable(QString("the level does not pulse: %1..%2").arg(*lo).arg(*hi)));
    }

    // Stopping waits for a callback in progress; stopping from inside the callback is refused
    // rather than waiting for itself.
    void stopWaitsForTheCallback() {
        g_count = 0;
        g_sleepMs = 25;
        qelaudioinput_set_callback(&collect);
        QCOMPARE(qelaudioinput_start_recording(virtualIndex(), 2, 48000, 16), 1);
        QTRY_VERIFY(g_inside.load());
        QCOMPARE(qelaudioinput_stop_recording(), 1);
        QVERIFY(!g_inside.load());
        g_sleepMs = 0;

        g_stopAnswer = -1;
        qelaudioinput_set_callback(&stopFromInside);
        QCOMPARE(qelaudioinput_start_recording(virtualIndex(), 2, 48000, 16), 1);
        QTRY_COMPARE(g_stopAnswer.load(), 0);
        qelaudioinput_set_callback(nullptr);
        QCOMPARE(qelaudioinput_stop_recording(), 1);
    }

    // Level from the RMS in dB: -60 dBFS and below read 0, full scale 100.
    void volumeIsOnADecibelScale() {
        QCOMPARE(levelOf(std::vector<int16_t>(960, 0)), 0);
        QCOMPARE(levelOf(std::vector<int16_t>(960, 32767)), 100);
        const double fullScaleRms = 32768.0 * std::sqrt(2.0);
        QVERIFY(qAbs(levelOf(sine(fullScaleRms * 0.1, 480)) - 67) <= 1);   // -20 dBFS
        QVERIFY(qAbs(levelOf(sine(fullScaleRms * 0.01, 480)) - 33) <= 1);  // -40 dBFS
        QCOMPARE(levelOf(sine(fullScaleRms * 0.0005, 480)), 0);            // -66 dBFS
        int level = -1;
        const unsigned char one[3] = {0xff, 0x7f, 0x12};
        QCOMPARE(qelaudioinput_calculate_volume(one, 3, &level), 1);  // the odd byte is ignored
        QCOMPARE(level, 100);
        QCOMPARE(qelaudioinput_calculate_volume(one, 1, &level), 0);
        QCOMPARE(qelaudioinput_calculate_volume(nullptr, 4, &level), 0);
        QCOMPARE(qelaudioinput_calculate_volume(one, 2, nullptr), 0);
    }
};

QTEST_APPLESS_MAIN(TestQelAudioInput)
#include "tst_qelaudioinput.moc"
