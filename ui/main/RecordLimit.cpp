#include "RecordLimit.h"

qint64 RecordLimit::limitMs(int minutes) {
    switch (minutes) {
        case 5:
        case 10:
        case 15:
        case 30:
            return qint64(minutes) * 60 * 1000;
        default:
            return 60 * 1000;
    }
}

QString RecordLimit::clockText(qint64 seconds) {
    if (seconds < 0) {
        seconds = 0;
    }
    return QString("%1:%2:%3")
        .arg(seconds / 3600, 2, 10, QChar('0'))
        .arg((seconds % 3600) / 60, 2, 10, QChar('0'))
        .arg(seconds % 60, 2, 10, QChar('0'));
}
