#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <QtTest>

#include <cstring>

#include "MediaProbe.h"
#include "SyntheticMedia.h"
#include "TestFrames.h"
#include "qelmuxer.h"
#include "qelmuxer_stats.h"

namespace {

std::string pathIn(const QTemporaryDir& dir, const char* name) {
    return dir.filePath(name).toStdString();
}

int createMuxer(char* key, const std::string& path, int w, int h, int type, bool audio) {
    return qelmuxer_create_muxer(key, path.c_str(), w, h, type, 30, 30, audio ? 1 : 0, audio ? 2 : 0,
                                 audio ? 48000 : 0, audio ? 16 : 0);
}

QELMuxerStats statsOf(const char* key) {
    QELMuxerStats s;
    std::memset(&s, 0, sizeof s);
    qelmuxer_get_stats(key, &s);
    return s;
}

// A recording fed in real time with sound, released and read back.
struct Recorded {
    FeedResult fed;
    QELMuxerStats stats{};   // before the release
    bool finalised = false;  // released and written out
    Recording file;
};

Recorded record(const std::string& path, int type, const FeedPlan& plan) {
    Recorded r;
    char key[QEL_TEXT_BUFFER_SIZE];
    if (createMuxer(key, path, plan.width, plan.height, type, true) == 1) {
        r.fed = feedInRealTime(key, plan);
        r.stats = statsOf(key);
        r.finalised = qelmuxer_release_muxer(key) == 1 && qelmuxer_wait_finalised(20000) == 1;
        r.file = readBack(path);
    }
    return r;
}

// Sound and picture meet at the marker as far apart as they were handed in (or captured).
bool inStep(const Recorded& r) {
    const double error = r.file.flashAt - r.file.clickAt - r.fed.expectedOffset();
    qDebug("picture minus sound at the marker: %.1f ms (handed in %.1f ms apart; flash at %.3f s)",
           (r.file.flashAt - r.file.clickAt) * 1000, r.fed.expectedOffset() * 1000, r.file.flashAt);
    return r.file.flashAt >= 0 && r.file.clickAt >= 0 && qAbs(error) <= 0.040;
}

}  // namespace

// These cases record in a forked child, which ThreadSanitizer cannot follow (threads after fork).
#if defined(__SANITIZE_THREAD__)
#define SKIP_UNDER_THREAD_SANITIZER() QSKIP("records in a forked child: not under ThreadSanitizer")
#else
#define SKIP_UNDER_THREAD_SANITIZER() (void)0
#endif

class TestQelMuxer : public QObject {
    Q_OBJECT

private slots:
    // Decoded frames are encoded to H.264; the released file is a regular MP4 (index in front,
    // no fragments) with the right streams, duration, seeking and sound in step with picture.
    void recordsDecodedFramesWithSound() {
        QTemporaryDir dir;
        const std::string path = pathIn(dir, "decoded.mp4");
        FeedPlan plan;
        plan.seconds = 3.0;
        plan.width = 640;
        plan.height = 360;
        plan.flashAt = 1.5;
        const Recorded r = record(path, 2, plan);
        QCOMPARE(r.fed.videoRefused + r.fed.audioRefused, 0);
        QCOMPARE(r.stats.videoDropped, 0LL);
        QVERIFY(r.finalised);

        std::vector<std::string> boxes = topLevelBoxes(path);
        QVERIFY(boxes.size() >= 3);
        QCOMPARE(boxes[0], std::string("ftyp"));
        auto moov = std::find(boxes.begin(), boxes.end(), "moov");
        QVERIFY(moov != boxes.end() && moov < std::find(boxes.begin(), boxes.end(), "mdat"));
        QVERIFY(std::find(boxes.begin(), boxes.end(), "moof") == boxes.end());
        QVERIFY(!QFile::exists(dir.filePath(".decoded.mp4.finalising")));

        const Recording& f = r.file;
        QVERIFY(f.opened);
        QCOMPARE(f.videoCodec, std::string("h264"));
        QCOMPARE(f.width, 640);
        QCOMPARE(f.audioCodec, std::string("aac"));
        QCOMPARE(f.sampleRate, 48000);
        QCOMPARE(f.channels, 2);
        QVERIFY2(f.duration > 2.8 && f.duration < 3.2, qPrintable(QString::number(f.duration)));
        QCOMPARE(f.decodeErrors, 0);
        // Every frame handed in is in the file, the last one included.
        QCOMPARE(f.videoFrames, int(r.stats.videoAccepted));
        QVERIFY(f.videoFrames >= 85);
        QVERIFY(f.flashAt > 1.4 && f.clickAt > 1.4);
        QVERIFY(inStep(r));

        // Keyframes at least every 30 frames (and at scene cuts), marked in the index: a seek
        // lands within a second of its target.
        QVERIFY(!f.keyframesAt.empty() && f.keyframesAt[0] == 0);
        QVERIFY(f.keyframesAt.size() * 10 < size_t(f.videoFrames));
        for (size_t i = 1; i < f.keyframesAt.size(); ++i) {
            QVERIFY(f.keyframesAt[i] - f.keyframesAt[i - 1] <= 1.05);
        }
    }

    // Frames late, missing or in bursts, and a hole in the sound: picture and sound stay in step.
    void keepsSyncWithIrregularFramesAndSound() {
        QTemporaryDir dir;
        FeedPlan plan;
        plan.seconds = 2.6;
        plan.flashAt = 2.0;
        plan.videoJitterMs = 15;
        plan.dropEveryNth = 4;
        plan.videoHoleFrom = 0.8;
        plan.videoHoleTo = 1.1;
        plan.audioGapFrom = 1.2;
        plan.audioGapTo = 1.45;
        plan.audioBurst = 3;
        const Recorded r = record(pathIn(dir, "irregular.mp4"), 2, plan);
        QVERIFY(r.stats.silenceSamples >= 48000 / 5);
        QVERIFY(r.finalised && r.file.opened);
        QVERIFY2(r.file.duration > 2.4 && r.file.duration < 2.8,
                 qPrintable(QString::number(r.file.duration)));
        QCOMPARE(r.file.decodeErrors, 0);
        QCOMPARE(r.file.videoFrames, r.fed.videoSent);
        QVERIFY(inStep(r));
        // The sound track covers the whole recording, gap included.
        QVERIFY2(r.file.audioEndsAt > 2.4, qPrintable(QString::number(r.file.audioEndsAt)));
    }

    // A decoder that is slow now and then (a marker frame 90 ms late, every frame up to 30 ms):
    // with capture times, picture and sound meet where they were captured, not where they arrived.
    void jitteryDecoderKeepsCaptureTimes() {
        QTemporaryDir dir;
        FeedPlan plan;
        plan.seconds = 2.0;
        plan.flashAt = 1.0;
        plan.videoJitterMs = 30;
        plan.flashDelayMs = 90;
        plan.stampCaptureTimes = true;
        const Recorded r = record(pathIn(dir, "jittery.mp4"), 2, plan);
        QCOMPARE(r.fed.videoRefused + r.fed.audioRefused, 0);
        QVERIFY(r.finalised);
        QCOMPARE(r.file.decodeErrors, 0);
        QVERIFY(inStep(r));
    }

    void storesEncodedFramesAsReceived_data() {
        QTest::addColumn<bool>("hevc");
        QTest::newRow("H.264") << false;
        QTest::newRow("H.265") << true;
    }

    // The camera's own frames go into the file unchanged, starting at the first keyframe.
    void storesEncodedFramesAsReceived() {
        QFETCH(bool, hevc);
        const QVector<QByteArray> frames =
            TestFrames::encode((hevc ? TestFrames::kH265 : TestFrames::kH264).withGop(15), 320, 240, 40);
        QCOMPARE(frames.size(), 40);
        // Join the stream in the middle of a GOP: frames 5-14 cannot be decoded on their own.
        const QVector<QByteArray> sent = frames.mid(5);
        QTemporaryDir dir;
        FeedPlan plan;
        plan.seconds = sent.size() / 30.0;
        plan.encoded = &sent;
        const Recorded r = record(pathIn(dir, "encoded.mp4"), hevc ? 4 : 3, plan);
        QCOMPARE(r.stats.videoSkipped, 10LL);
        QVERIFY(r.finalised && r.file.opened && !r.file.audioCodec.empty());
        QCOMPARE(r.file.videoCodec, std::string(hevc ? "hevc" : "h264"));
        QCOMPARE(r.file.width, 320);
        QCOMPARE(int(r.file.videoPackets.size()), 25);
        for (int i = 0; i < 25; ++i) {
            const std::vector<QByteArray> sentNals = nalUnits(frames[15 + i], false);
            QVERIFY2(!sentNals.empty() && nalUnits(r.file.videoPackets[size_t(i)], true) == sentNals,
                     qPrintable(QString::number(i)));
        }
        QCOMPARE(r.file.decodeErrors, 0);
        QCOMPARE(r.file.videoFrames, 25);
    }

    // A process killed while recording leaves a file that plays up to about its last second.
    void killedRecordingStillPlays() {
        SKIP_UNDER_THREAD_SANITIZER();
        QTemporaryDir dir;
        std::string path = pathIn(dir, "killed.mp4");
        QCOMPARE(qelmuxer_wait_finalised(20000), 1);
        int fds[2];
        QCOMPARE(pipe(fds), 0);
        pid_t pid = fork();
        if (pid == 0) {
            close(fds[0]);
            char key[QEL_TEXT_BUFFER_SIZE];
            if (createMuxer(key, path, 320, 240, 2, true) != 1) {
                _exit(2);
            }
            FeedPlan plan;
            plan.seconds = 20;
            plan.progress = [&](double at) {
                if (at >= 3.0) {
                    ssize_t n = write(fds[1], "k", 1);
                    (void)n;
                }
            };
            feedInRealTime(key, plan);
            _exit(3);
        }
        close(fds[1]);
        pollfd pfd{fds[0], POLLIN, 0};
        bool ready = poll(&pfd, 1, 15000) == 1;
        kill(pid, SIGKILL);
        int status = 0;
        waitpid(pid, &status, 0);
        close(fds[0]);
        QVERIFY(ready);
        QVERIFY(WIFSIGNALED(status));

        const Recording e = readBack(path);
        QVERIFY(e.opened && !e.videoCodec.empty() && !e.audioCodec.empty());
        QCOMPARE(e.decodeErrors, 0);
        QVERIFY2(e.lastVideoAt >= 1.5, qPrintable(QString::number(e.lastVideoAt)));
        QVERIFY2(e.audioEndsAt >= 1.5, qPrintable(QString::number(e.audioEndsAt)));
    }

    // The disk fills up (a file size limit here): the recording ends with what was written,
    // later data is refused, release reports the failure, and nothing crashes.
    void writeFailureEndsTheRecording() {
        SKIP_UNDER_THREAD_SANITIZER();
        QTemporaryDir dir;
        std::string path = pathIn(dir, "full.mp4");
        const rlim_t limit = 48 * 1024;
        QCOMPARE(qelmuxer_wait_finalised(20000), 1);
        pid_t pid = fork();
        if (pid == 0) {
            signal(SIGXFSZ, SIG_IGN);
            rlimit rl{limit, limit};
            setrlimit(RLIMIT_FSIZE, &rl);
            char key[QEL_TEXT_BUFFER_SIZE];
            if (createMuxer(key, path, 320, 240, 2, true) != 1) {
                _exit(2);
            }
            FeedPlan plan;
            plan.seconds = 15;
            FeedResult r = feedInRealTime(key, plan, true);
            if (r.lastRefusal != QEL_MUXER_REFUSED_FAILED) {
                _exit(3);
            }
            QELMuxerStats st = statsOf(key);
            int released = qelmuxer_release_muxer(key);
            _exit(st.failed == 1 && released == 0 ? 0 : 4);
        }
        int status = 0;
        waitpid(pid, &status, 0);
        QVERIFY(WIFEXITED(status));
        QCOMPARE(WEXITSTATUS(status), 0);
        QVERIFY(QFileInfo(QString::fromStdString(path)).size() <= qint64(limit));
        const Recording e = readBack(path);
        QVERIFY2(e.lastVideoAt >= 0.5, qPrintable(QString::number(e.lastVideoAt)));
    }

    // The folder is removed while recording: the recording ends and says so.
    void removedFolderEndsTheRecording() {
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkdir("sub"));
        std::string path = dir.filePath("sub/gone.mp4").toStdString();
        char key[QEL_TEXT_BUFFER_SIZE];
        QCOMPARE(createMuxer(key, path, 320, 240, 2, true), 1);
        FeedPlan plan;
        plan.seconds = 0.6;
        feedInRealTime(key, plan);
        QVERIFY(QDir(dir.filePath("sub")).removeRecursively());
        plan.seconds = 1.6;
        FeedResult r = feedInRealTime(key, plan, true);
        QCOMPARE(r.lastRefusal, int(QEL_MUXER_REFUSED_FAILED));
        QCOMPARE(qelmuxer_release_muxer(key), 0);
        QCOMPARE(qelmuxer_wait_finalised(20000), 1);
        QVERIFY(!QFile::exists(QString::fromStdString(path)));
    }

    // Frames handed in faster than they can be encoded are dropped and counted; the caller is
    // never held up and memory stays bounded by the pool.
    void overflowDropsAndCounts() {
        QTemporaryDir dir;
        std::string path = pathIn(dir, "flood.mp4");
        char key[QEL_TEXT_BUFFER_SIZE];
        QCOMPARE(createMuxer(key, path, 1280, 720, 2, false), 1);
        // Noise is slow to encode, so the frames arrive far faster than the writer takes them,
        // however slow the copies are (a sanitizer build): the queue must fill and refuse.
        std::vector<uint8_t> frame = yuvFrame(1280, 720, 80, 0);
        uint32_t seed = 12345;
        for (uint8_t& b : frame) {
            seed = seed * 1664525u + 1013904223u;
            b = uint8_t(seed >> 24);
        }
        int accepted = 0, full = 0;
        for (int i = 0; i < 2000 && full < 20; ++i) {
            int ret = qelmuxer_muxer(key, frame.data(), int(frame.size()), 0);
            if (ret == 0) {
                ++accepted;
            } else {
                QCOMPARE(ret, int(QEL_MUXER_REFUSED_QUEUE_FULL));
                ++full;
            }
        }
        QELMuxerStats st = statsOf(key);
        QVERIFY(full > 0);
        QCOMPARE(st.videoDropped, (long long)full);
        QCOMPARE(st.videoAccepted, (long long)accepted);
        QCOMPARE(qelmuxer_release_muxer(key), 1);
        QCOMPARE(qelmuxer_wait_finalised(20000), 1);
        QCOMPARE(readBack(path).videoFrames, accepted);
    }

    void refusesBadArgumentsAndKeys() {
        QTemporaryDir dir;
        std::string path = pathIn(dir, "args.mp4");
        char key[QEL_TEXT_BUFFER_SIZE];
        QCOMPARE(qelmuxer_create_muxer(nullptr, path.c_str(), 320, 240, 2, 30, 30, 0, 0, 0, 0), 0);
        QCOMPARE(qelmuxer_create_muxer(key, nullptr, 320, 240, 2, 30, 30, 0, 0, 0, 0), 0);
        QCOMPARE(qelmuxer_create_muxer(key, "", 320, 240, 2, 30, 30, 0, 0, 0, 0), 0);
        QCOMPARE(qelmuxer_create_muxer(key, path.c_str(), 320, 240, 1, 30, 30, 0, 0, 0, 0), 0);
        QCOMPARE(qelmuxer_create_muxer(key, path.c_str(), 0, 240, 2, 30, 30, 0, 0, 0, 0), 0);
        QCOMPARE(qelmuxer_create_muxer(key, path.c_str(), 320, 240, 2, 30, 30, 1, 2, 48000, 8), 0);
        QCOMPARE(qelmuxer_create_muxer(key, path.c_str(), 320, 240, 2, 30, 30, 1, 2, 12345, 16), 0);
        QCOMPARE(qelmuxer_create_muxer(key, path.c_str(), 320, 240, 2, 30, 30, 1, 0, 48000, 16), 0);
        std::string missing = dir.filePath("no/such/folder.mp4").toStdString();
        QCOMPARE(qelmuxer_create_muxer(key, missing.c_str(), 320, 240, 2, 30, 30, 0, 0, 0, 0), 0);
        QVERIFY(!QFile::exists(QString::fromStdString(path)));

        // Odd sizes are accepted (the last column and row are left out).
        QCOMPARE(qelmuxer_create_muxer(key, path.c_str(), 321, 241, 2, 0, -5, 0, 0, 0, 0), 1);
        QCOMPARE(QByteArray(key).left(4), QByteArray("mux-"));
        std::vector<uint8_t> frame = yuvFrame(321, 241, 80, 0);
        std::vector<uint8_t> pcm(1920);
        auto mux = [&](const char* k, const uint8_t* data, int size, int kind) {
            return qelmuxer_muxer(k, data, size, kind);
        };
        const int size = int(frame.size()), refused = QEL_MUXER_REFUSED_ARGUMENT;
        QCOMPARE(mux(key, frame.data(), size, 0), 0);
        QCOMPARE(mux(key, frame.data(), size - 1, 0), refused);
        QCOMPARE(mux(key, nullptr, size, 0), refused);
        QCOMPARE(mux(key, frame.data(), size, 7), refused);
        QCOMPARE(mux(key, pcm.data(), int(pcm.size()), 1), refused);  // no sound in this recording
        QCOMPARE(mux("mux-999999", frame.data(), size, 0), refused);
        QCOMPARE(mux(nullptr, frame.data(), size, 0), refused);
        char longKey[400];
        std::memset(longKey, 'x', sizeof longKey);  // not terminated within 256 bytes
        QCOMPARE(mux(longKey, frame.data(), size, 0), refused);
        QCOMPARE(qelmuxer_release_muxer(longKey), 0);
        QCOMPARE(qelmuxer_release_muxer(key), 1);
        QCOMPARE(qelmuxer_release_muxer(key), 0);
        QCOMPARE(qelmuxer_release_muxer(nullptr), 0);
        QVERIFY(mux(key, frame.data(), size, 0) != 0);
        QCOMPARE(qelmuxer_wait_finalised(20000), 1);
        QCOMPARE(readBack(path).width, 320);

        // A recording released before any frame leaves no empty file behind.
        QCOMPARE(qelmuxer_create_muxer(key, path.c_str(), 320, 240, 3, 30, 30, 0, 0, 0, 0), 1);
        QCOMPARE(qelmuxer_release_muxer(key), 0);
        QVERIFY(!QFile::exists(QString::fromStdString(path)));
        QCOMPARE(qelmuxer_get_version(nullptr), 0);
    }
};

QTEST_APPLESS_MAIN(TestQelMuxer)
#include "tst_qelmuxer.moc"
