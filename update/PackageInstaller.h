#ifndef CORVIX_PACKAGE_INSTALLER_H
#define CORVIX_PACKAGE_INSTALLER_H

#include <QString>

// Hands a downloaded package to the system: a .deb to the desktop's package installer, an
// .AppImage or .run made executable for its owner and started; anything else shown in its folder.
namespace PackageInstaller {

enum class Outcome {
    Started,        // the installer runs: the application may quit
    ShownInFolder,  // not startable here; its folder was opened for the user
    Failed,
};

enum class Kind { DebianPackage, Executable, Other };
Kind kindOf(const QString& path);

Outcome install(const QString& path, QString* error);
// Opens the folder holding the file; false when the desktop could not.
bool showInFolder(const QString& path);

}  // namespace PackageInstaller

#endif
