#include <QtTest>

#include "AudioTimeline.h"

using qelmuxer::AudioTimeline;

namespace {

constexpr int kRate = 48000;
constexpr int kBlock = 480;  // 10 ms

// Block j (10 ms) arrives at its end plus `delayMs`.
int64_t arrival(int j, double delayMs) {
    return int64_t((j + 1) * 10000 + delayMs * 1000);
}

}  // namespace

class TestAudioTimeline : public QObject {
    Q_OBJECT

private slots:
    void jitterLeavesTheSoundAlone() {
        AudioTimeline t(kRate);
        int64_t silence = 0, skipped = 0;
        for (int j = 0; j < 500; ++j) {
            // Up to 15 ms late, now and then.
            auto p = t.place(arrival(j, (j * 37) % 16), kBlock);
            if (j > 0) {
                silence += p.silence;
                skipped += p.skip;
            }
        }
        QCOMPARE(silence, int64_t(0));
        QCOMPARE(skipped, int64_t(0));
    }

    void startsAtTheOriginWhateverTheFirstBlock() {
        AudioTimeline early(kRate);
        // Started 4 ms before the origin: those samples are left out.
        auto p = early.place(6000, kBlock);
        QCOMPARE(p.skip, 4 * kRate / 1000);
        QCOMPARE(early.position(), int64_t(6 * kRate / 1000));

        AudioTimeline late(kRate);
        // Started 100 ms after the origin: silence before it.
        p = late.place(110000, kBlock);
        QCOMPARE(p.silence, int64_t(100 * kRate / 1000));
    }

    void aLateStartIsCaughtUp() {
        AudioTimeline t(kRate);
        // The first block was held up 60 ms; the following ones are on time.
        t.place(arrival(0, 60), kBlock);
        int64_t skipped = 0;
        for (int j = 1; j < 20; ++j) {
            skipped += t.place(arrival(j, 0), kBlock).skip;
        }
        QVERIFY(skipped >= 40 * kRate / 1000);
        QVERIFY(qAbs(t.position() - 20 * kBlock) <= 20 * kRate / 1000);
    }

    void slowDriftIsCorrected() {
        AudioTimeline t(kRate);
        // The sound card delivers 0.5 % fewer samples than the clock says: after 20 s the
        // count would be 100 ms behind.
        int64_t clockUs = 0;
        for (int j = 0; j < 2000; ++j) {
            clockUs += 10050;
            t.place(clockUs, kBlock);
        }
        int64_t expected = clockUs * kRate / 1000000;
        QVERIFY2(qAbs(t.position() - expected) <= 20 * kRate / 1000,
                 qPrintable(QString::number(double(t.position() - expected) / kRate * 1000) + " ms"));
    }
};

QTEST_APPLESS_MAIN(TestAudioTimeline)
#include "tst_audiotimeline.moc"
