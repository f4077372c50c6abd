#ifndef CORVIX_SETTINGS_TEST_ENV_H
#define CORVIX_SETTINGS_TEST_ENV_H

#include <QByteArray>
#include <QDir>
#include <QString>

// Points the settings store and the documents folder into a scratch folder, before the first
// QSettings or QStandardPaths use of the test process.
inline void isolateUserFolders(const QString& root) {
    QDir().mkpath(root + "/config");
    QDir().mkpath(root + "/home");
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(root + "/config"));
    qputenv("HOME", QFile::encodeName(root + "/home"));
}

#endif
