#ifndef CORVIX_PACKAGE_FILES_H
#define CORVIX_PACKAGE_FILES_H

#include <QString>
#include <QUrl>

// Where a downloaded update package goes, and under which name.
namespace PackageFiles {

// The last segment of the address's path, percent-decoded, when it is a plain file name (no
// separators, not "." or "..", no leading dot, no control characters); else "update_package.zip".
QString fileNameFor(const QUrl& packageUrl);

// The user's private download folder (under the user's cache location).
QString downloadFolder();

// Makes `folder` an empty directory that only its owner may enter. A link found in its place or
// inside it is removed as a link, never followed. False with a reason when that cannot be done.
bool preparePrivateFolder(const QString& folder, QString* error);

}  // namespace PackageFiles

#endif
