// Photos and recordings on a disk that fills up: nothing partial left, one report with the reason.
#include <signal.h>
#include <sys/mount.h>
#include <sys/resource.h>

#include <QDir>
#include <QImageReader>
#include <QTemporaryDir>
#include <QtTest>
#include <cerrno>

#include "CCameraModel.h"
#include "CCameraPresenter.h"
#include "MediaProbe.h"
#include "PhotoWriter.h"
#include "PresenterRig.h"
#include "RecordingView.h"
#include "qelvirtual.h"

namespace {

// Files written by this process may not grow past `bytes` while it lives: writes beyond fail
// with EFBIG, as on a full disk (the signal that would end the process is ignored).
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        ::signal(SIGXFSZ, SIG_IGN);
        ::getrlimit(RLIMIT_FSIZE, &m_saved);
        rlimit limit = m_saved;
        limit.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() { ::setrlimit(RLIMIT_FSIZE, &m_saved); }

private:
    rlimit m_saved{};
};

// A 256-KiB tmpfs, filled up to `freeBytes` (needs root; else mounted() is false).
class TinyDisk {
public:
    TinyDisk(const QString& dir, qint64 freeBytes) : m_dir(dir) {
        m_mounted = ::mount("tmpfs", QFile::encodeName(dir).constData(), "tmpfs", 0, "size=256k") == 0;
        if (!m_mounted) {
            return;
        }
        QFile filler(QDir(dir).filePath("filler"));
        if (filler.open(QIODevice::WriteOnly)) {
            const QByteArray page(4096, 'x');
            while (filler.write(page) == page.size() && filler.flush()) {
            }
            filler.close();
            filler.resize(qMax<qint64>(0, filler.size() - freeBytes));
        }
    }
    ~TinyDisk() {
        if (m_mounted) {
            ::umount(QFile::encodeName(m_dir).constData());
        }
    }
    bool mounted() const { return m_mounted; }

private:
    QString m_dir;
    bool m_mounted = false;
};

QStringList photoFiles(const QString& dir) {
    return QDir(dir).entryList({"*.jpg*"}, QDir::Files | QDir::Hidden);
}

}  // namespace

class TestSaveFailures : public QObject {
    Q_OBJECT

private slots:
    void init() {
        m_rig.create(1);
        QVERIFY(m_rig.startCamera(cameraProfile(QStringLiteral("Full Disk Cam"), 1, 640, 360)));
    }
    void cleanup() { m_rig.destroy(); }

    void photoOnAFullDisk_data() {
        QTest::addColumn<QString>("disk");
        QTest::addColumn<int>("room");
        QTest::newRow("no room at all") << "limit" << 0;
        QTest::newRow("room for part of it") << "limit" << 3000;
        QTest::newRow("tmpfs full") << "tmpfs" << 0;
        QTest::newRow("tmpfs nearly full") << "tmpfs" << 8192;
    }
    void photoOnAFullDisk() {
        QFETCH(QString, disk);
        QFETCH(int, room);
        QTemporaryDir dir;
        const QString folder = dir.filePath("photos");
        QVERIFY(QDir().mkpath(folder));
        std::unique_ptr<TinyDisk> tiny;
        std::unique_ptr<FileSizeLimit> limit;
        if (disk == "tmpfs") {
            tiny = std::make_unique<TinyDisk>(folder, room);
            if (!tiny->mounted()) {
                QSKIP("no tmpfs can be mounted here");
            }
        } else {
            limit = std::make_unique<FileSizeLimit>(rlim_t(room));
        }
        const QString path = QDir(folder).filePath("full.jpg");
        m_rig.presenter->CapturePreviewFrame(path.toUtf8());
        QVERIFY(m_rig.views[0]->waitFor(QStringLiteral("PhotoFinished(")));
        const QString report = m_rig.views[0]->last(QStringLiteral("PhotoFinished("));
        const bool full = report == QStringLiteral("PhotoFinished(%1,%2)").arg(path).arg(ENOSPC) ||
                          report == QStringLiteral("PhotoFinished(%1,%2)").arg(path).arg(EFBIG);
        QVERIFY2(full, qPrintable(report));
        // Neither the photo nor a temporary file of it is left.
        QCOMPARE(photoFiles(folder), QStringList());

        // With room again, the next photo is whole.
        limit.reset();
        tiny.reset();
        m_rig.views[0]->take();
        const QString next = dir.filePath("next.jpg");
        m_rig.presenter->CapturePreviewFrame(next.toUtf8());
        QVERIFY(m_rig.views[0]->waitFor(QStringLiteral("PhotoFinished(")));
        QCOMPARE(m_rig.views[0]->last(QStringLiteral("PhotoFinished(")),
                 QStringLiteral("PhotoFinished(%1,0)").arg(next));
        QCOMPARE(QImageReader(next).size(), QSize(640, 360));
    }

    void writerReportsAndCleansUp() {
        QTemporaryDir dir;
        // A folder that does not exist: the reason, and nothing written anywhere.
        const QString missing = dir.filePath("gone/a.jpg");
        QCOMPARE(PhotoWriter::writeFileAtomically(missing, QByteArray(100, 'x')), ENOENT);
        // A photo replaces nothing but its own name and keeps ordinary permissions.
        const QString path = dir.filePath("b.jpg");
        QCOMPARE(PhotoWriter::writeFileAtomically(path, QByteArray(5000, 'y')), 0);
        QCOMPARE(QFileInfo(path).size(), qint64(5000));
        QVERIFY(QFileInfo(path).permissions() & QFileDevice::ReadOther);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList({"b.jpg"}));
    }

    void recordingEndsAtTheFirstFailedWrite() {
        QTemporaryDir dir;
        const QString path = dir.filePath("full.mp4");
        m_rig.presenter->SetRecordKeepAudio(false);
        FileSizeLimit limit(100 * 1024);
        QVERIFY(m_rig.presenter->StartRecord(path));
        QVERIFY(m_rig.views[0]->waitFor(QStringLiteral("RecordingFailed("), 30000));
        // Ended at once and told once, with the reason and the time kept.
        QVERIFY(!m_rig.presenter->Model()->IsRecording());
        QTest::qWait(500);
        const QStringList reports = m_rig.views[0]->matching(QStringLiteral("RecordingFailed("));
        QCOMPARE(reports.size(), 1);
        const QStringList fields = reports.first().mid(16).chopped(1).split(',');
        QCOMPARE(fields.at(0), path);
        QCOMPARE(fields.at(1).toInt(), EFBIG);
        QVERIFY(fields.at(2).toLongLong() > 0);
        // What was written before the failure plays.
        const ProbedMedia media = probeMedia(path);
        QVERIFY2(media.ok, qPrintable(media.error));
        const ProbedStream* video = media.first(QStringLiteral("video"));
        QVERIFY(video && video->packets > 0);
        // Stopping afterwards (the window's stop button) is harmless.
        m_rig.presenter->StopRecord();
        QCOMPARE(m_rig.views[0]->matching(QStringLiteral("RecordingFailed(")).size(), 1);
    }

private:
    PresenterRig m_rig;
};

QTEST_MAIN(TestSaveFailures)
#include "tst_savefailures.moc"
