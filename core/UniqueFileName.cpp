#include "UniqueFileName.h"

#include <QFileInfo>

QString uniqueFilePath(const QString& path) {
    if (path.isEmpty() || !QFileInfo::exists(path)) {
        return path;
    }
    const QFileInfo info(path);
    const QString suffix = info.suffix();
    // Split at the last dot of the file name only (a dot in a folder name is not a suffix).
    const int nameStart = path.size() - info.fileName().size();
    const int dot = suffix.isEmpty() ? -1 : path.lastIndexOf(QLatin1Char('.'));
    const QString stem = (dot > nameStart) ? path.left(dot) : path;
    const QString tail = (dot > nameStart) ? path.mid(dot) : QString();
    for (int n = 2;; ++n) {
        const QString candidate = stem + QLatin1Char('_') + QString::number(n) + tail;
        if (!QFileInfo::exists(candidate)) {
            return candidate;
        }
    }
}
