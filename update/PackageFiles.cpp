#include "PackageFiles.h"

#include <sys/stat.h>
#include <unistd.h>
#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QStandardPaths>

namespace {

bool removeTree(const QString& path) {
    // lstat: a link is removed as a link, whatever it points to.
    struct stat st {};
    const QByteArray native = QFile::encodeName(path);
    if (::lstat(native.constData(), &st) != 0) {
        return true;
    }
    if (!S_ISDIR(st.st_mode)) {
        return ::unlink(native.constData()) == 0;
    }
    bool ok = true;
    QDirIterator it(path, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    while (it.hasNext()) {
        ok = removeTree(it.next()) && ok;
    }
    return ::rmdir(native.constData()) == 0 && ok;
}

}  // namespace

namespace PackageFiles {

QString fileNameFor(const QUrl& packageUrl) {
    static const QString fallback = QStringLiteral("update_package.zip");
    const QString encodedPath = packageUrl.path(QUrl::FullyEncoded);
    const QString segment = encodedPath.mid(encodedPath.lastIndexOf('/') + 1);
    const QString name = QUrl::fromPercentEncoding(segment.toUtf8());
    if (name.isEmpty() || name.startsWith('.') || name.contains('/') || name.contains('\\') ||
        name.contains("..")) {
        return fallback;
    }
    for (const QChar c : name) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7f) {
            return fallback;
        }
    }
    return name;
}

QString downloadFolder() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) + "/Corvix/upgrade";
}

bool preparePrivateFolder(const QString& folder, QString* error) {
    const QFileInfo info(folder);
    if (!QDir().mkpath(info.absolutePath())) {
        *error = QStringLiteral("cannot create %1").arg(info.absolutePath());
        return false;
    }
    if (!removeTree(folder)) {
        *error = QStringLiteral("cannot empty %1").arg(folder);
        return false;
    }
    const QByteArray native = QFile::encodeName(folder);
    if (::mkdir(native.constData(), 0700) != 0) {
        *error = QStringLiteral("cannot create %1").arg(folder);
        return false;
    }
    // Someone may have raced us to the name: use it only if it is our own private directory.
    struct stat st {};
    if (::lstat(native.constData(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::getuid() ||
        (st.st_mode & 077) != 0) {
        *error = QStringLiteral("%1 is not a private directory").arg(folder);
        return false;
    }
    return true;
}

}  // namespace PackageFiles
