#include "PackageInstaller.h"

#include <QDesktopServices>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QUrl>

namespace PackageInstaller {

Kind kindOf(const QString& path) {
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == "deb") {
        return Kind::DebianPackage;
    }
    if (suffix == "appimage" || suffix == "run") {
        return Kind::Executable;
    }
    return Kind::Other;
}

bool showInFolder(const QString& path) {
    return QDesktopServices::openUrl(QUrl::fromLocalFile(QFileInfo(path).absolutePath()));
}

Outcome install(const QString& path, QString* error) {
    if (!QFileInfo(path).isFile()) {
        *error = QStringLiteral("%1 is missing").arg(path);
        return Outcome::Failed;
    }
    switch (kindOf(path)) {
        case Kind::DebianPackage:
            if (QDesktopServices::openUrl(QUrl::fromLocalFile(path))) {
                return Outcome::Started;
            }
            *error = QStringLiteral("no package installer accepted %1").arg(path);
            return Outcome::Failed;
        case Kind::Executable:
            if (!QFile::setPermissions(
                    path, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner)) {
                *error = QStringLiteral("cannot make %1 executable").arg(path);
                return Outcome::Failed;
            }
            if (QProcess::startDetached(path, {})) {
                return Outcome::Started;
            }
            *error = QStringLiteral("cannot start %1").arg(path);
            return Outcome::Failed;
        case Kind::Other:
            break;
    }
    if (showInFolder(path)) {
        return Outcome::ShownInFolder;
    }
    *error = QStringLiteral("cannot show %1").arg(path);
    return Outcome::Failed;
}

}  // namespace PackageInstaller
