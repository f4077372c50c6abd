#ifndef CORVIX_RECORD_LIMIT_H
#define CORVIX_RECORD_LIMIT_H

#include <QString>
#include <QtGlobal>

// The longest recording for the record-minutes setting: 5, 10, 15 or 30 minutes; any other
// value gives one minute.
class RecordLimit {
public:
    static qint64 limitMs(int minutes);
    // Elapsed time as "HH:mm:ss"; hours keep growing past 99.
    static QString clockText(qint64 seconds);
};

#endif
