// The microphone ring between the real-time callback and the drain thread.
#include <QtTest>
#include <atomic>
#include <cstring>
#include <thread>

#include "AudioRing.h"

class TestAudioRing : public QObject {
    Q_OBJECT

private slots:
    // One producer and one consumer at full speed: every block that was accepted arrives once,
    // in order and intact, and every refused one was counted.
    void producerAndConsumerRace() {
        AudioRing ring(4096);
        constexpr int kBlocks = 200000;
        std::atomic<bool> done{false};
        std::atomic<int> accepted{0};
        std::thread producer([&] {
            unsigned char block[300];
            for (int n = 0; n < kBlocks; ++n) {
                const int size = 8 + n % 250;
                std::memcpy(block, &n, sizeof n);
                std::memset(block + sizeof n, n & 0xff, size_t(size) - sizeof n);
                if (ring.push(block, size, n)) {
                    accepted.fetch_add(1, std::memory_order_relaxed);
                }
            }
            done = true;
        });
        std::vector<unsigned char> out;
        int received = 0;
        int last = -1;
        bool intact = true;
        for (;;) {
            const bool finished = done.load();
            long long stamp = 0;
            while (ring.pop(out, stamp)) {
                int n = 0;
                std::memcpy(&n, out.data(), sizeof n);
                intact = intact && n > last && stamp == n && int(out.size()) == 8 + n % 250 &&
                         out.back() == (n & 0xff);
                last = n;
                ++received;
            }
            if (finished) {
                break;
            }
        }
        producer.join();
        QVERIFY(intact);
        QCOMPARE(received, accepted.load());
        QCOMPARE(received + ring.overruns(), (long long)kBlocks);
    }

    // A consumer that has stalled never holds the producer up: full means dropped and counted,
    // and the room comes back once the consumer reads again.
    void stalledConsumerCountsOverruns() {
        AudioRing ring(1000);
        const unsigned char block[100] = {};
        int accepted = 0;
        while (ring.push(block, sizeof block, 1)) {
            ++accepted;
        }
        QVERIFY(accepted >= 8);
        QCOMPARE(ring.overruns(), 1LL);
        QVERIFY(!ring.push(block, sizeof block, 2));
        QCOMPARE(ring.overruns(), 2LL);
        // A block larger than the whole ring is refused, not split.
        const std::vector<unsigned char> huge(2000, 1);
        QVERIFY(!ring.push(huge.data(), int(huge.size()), 3));
        std::vector<unsigned char> out;
        long long stamp = 0;
        QVERIFY(ring.pop(out, stamp));
        QVERIFY(ring.push(block, sizeof block, 4));
        ring.clear();
        QVERIFY(!ring.pop(out, stamp));
    }
};

QTEST_GUILESS_MAIN(TestAudioRing)
#include "tst_audioring.moc"
