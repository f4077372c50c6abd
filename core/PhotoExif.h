// The EXIF block every photo carries: when it was taken, by which camera, with which program.
#ifndef CORVIX_PHOTO_EXIF_H
#define CORVIX_PHOTO_EXIF_H

#include <QByteArray>
#include <QDateTime>
#include <QString>

class PhotoExif {
public:
    QDateTime taken;   // DateTimeOriginal and DateTime (local time)
    QString model;     // the camera's name; left out when empty
    QString make;      // the camera's maker; left out when empty
    QString software;  // the program and its version
    int width = 0;     // pixel dimensions; left out when 0
    int height = 0;

    // "Corvix" and the build's version.
    static QString programName();

    // The APP1 segment (marker, length, "Exif\0\0", TIFF data) ready to insert into a JPEG;
    // empty when libexif cannot build it or it would not fit into one segment.
    QByteArray app1Segment() const;
};

#endif
