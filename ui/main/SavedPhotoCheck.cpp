#include "SavedPhotoCheck.h"

#include <QDebug>
#include <QEventLoop>
#include <QFileInfo>
#include <QImageReader>
#include <QObject>
#include <QTimer>

namespace {
// Lets the GUI thread keep painting and delivering events while the pause runs.
void pause(int ms) {
    if (ms <= 0) {
        return;
    }
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec(QEventLoop::ExcludeUserInputEvents);
}
}  // namespace

bool SavedPhotoCheck::waitForStableSize(const QString& path, int maxPolls, int pollMs) {
    qint64 last = -1;
    int stable = 0;
    for (int i = 0; i < maxPolls; ++i) {
        pause(pollMs);
        const qint64 size = QFileInfo(path).size();
        if (size >= 1 && size == last) {
            ++stable;
            if (stable >= 3) {
                return true;
            }
        } else {
            stable = 0;
        }
        last = size;
    }
    return false;
}

SavedPhotoCheck::Result SavedPhotoCheck::checkFile(const QString& path, int initialWaitMs, int pollMs,
                                                   QString* error) {
    pause(initialWaitMs);
    if (!QFileInfo::exists(path)) {
        qWarning() << "文件不存在:" << path;
        if (error) {
            *error = QObject::tr("照片文件不存在");
        }
        return Missing;
    }
    if (!waitForStableSize(path, 50, pollMs)) {
        qWarning() << "SavedPhotoCheck: size did not settle:" << path;
    }
    QImageReader reader(path);
    if (reader.size().isEmpty()) {
        qWarning() << "image cannot be read:" << path << reader.errorString();
        if (error) {
            *error = QObject::tr("照片无法读取");
        }
        return Undecodable;
    }
    return Readable;
}
