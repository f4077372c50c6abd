// File naming that never overwrites an existing file.
#ifndef CORVIX_UNIQUE_FILE_NAME_H
#define CORVIX_UNIQUE_FILE_NAME_H

#include <QString>

// Answers path itself when no file of that name exists; otherwise the first free name made by
// putting "_2", "_3", ... before the suffix ("a/20260320_143005.jpg" -> "a/20260320_143005_2.jpg").
QString uniqueFilePath(const QString& path);

#endif
