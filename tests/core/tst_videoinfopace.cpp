// Stream information is reported at most once per 100 ms per stream, the first frame's at once.
#include <QTemporaryDir>
#include <QWidget>
#include <QtTest>
#include <atomic>

#include "CCameraPresenter.h"
#include "PresenterRig.h"
#include "RecordingView.h"
#include "qelvirtual.h"

namespace {

std::atomic<qint64> g_now{0};
std::atomic<int> g_reads{0};  // one per frame that reached the pacing

qint64 steppedClock() {
    ++g_reads;
    return g_now.load();
}

}  // namespace

class TestVideoInfoPace : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void oneReportPerIntervalPerStream();

private:
    // Lets at least `frames` more frames through the pacing.
    static bool passFrames(int frames);
    int reports(int stream) const {
        return m_views[0]->matching(QStringLiteral("SetVideoInfo(%1,").arg(stream)).size();
    }

    PresenterRig m_rig;
    RecordingView** const m_views = m_rig.views;
    CCameraPresenter*& m_presenter = m_rig.presenter;
};

bool TestVideoInfoPace::passFrames(int frames) {
    const int target = g_reads.load() + frames;
    return QTest::qWaitFor([target] { return g_reads.load() >= target; }, 5000);
}

void TestVideoInfoPace::init() {
    g_now = 0;
    m_presenter = nullptr;
    m_rig.create(2);
}

void TestVideoInfoPace::cleanup() {
    m_rig.destroy();
}

void TestVideoInfoPace::oneReportPerIntervalPerStream() {
    const char* json = R"({"name": "Paced", "streams": [
        { "formats": [ { "type": 1, "sizes": [[320,180]], "fps": [30] } ] },
        { "formats": [ { "type": 2, "sizes": [[320,180]], "fps": [30] } ] } ]})";
    QVERIFY(qelvirtual_add_camera(json) > 0);
    QVERIFY(m_presenter->Init());
    m_presenter->SetVideoInfoClock(&steppedClock);
    QVERIFY(m_presenter->StartPreview());

    // Each stream's first frame is reported at once, although the clock stands still.
    QVERIFY(m_views[0]->waitFor(QStringLiteral("SetVideoInfo(0,")));
    QVERIFY(m_views[0]->waitFor(QStringLiteral("SetVideoInfo(1,")));
    QVERIFY(passFrames(20));
    QCOMPARE(reports(0), 1);
    QCOMPARE(reports(1), 1);

    // Just short of the interval: still nothing.
    g_now = 99;
    QVERIFY(passFrames(20));
    QCOMPARE(reports(0), 1);
    QCOMPARE(reports(1), 1);

    // The interval has passed: one more report per stream, then quiet again.
    g_now = 100;
    QTRY_COMPARE(reports(0), 2);
    QTRY_COMPARE(reports(1), 2);
    QVERIFY(passFrames(20));
    QCOMPARE(reports(0), 2);
    QCOMPARE(reports(1), 2);

    // A new preview reports its first frame at once again.
    m_presenter->StopPreview();
    m_views[0]->clear();
    QVERIFY(m_presenter->StartPreview());
    QVERIFY(m_views[0]->waitFor(QStringLiteral("SetVideoInfo(0,")));
    QVERIFY(passFrames(20));
    QCOMPARE(reports(0), 1);
}

QTEST_MAIN(TestVideoInfoPace)
#include "tst_videoinfopace.moc"
