#ifndef CORVIX_PHOTO_STAMPER_H
#define CORVIX_PHOTO_STAMPER_H

#include <QFont>
#include <QRect>
#include <QString>

class QImage;

// Writes the date into the top-right corner of a saved photo: white text on a translucent
// black box, font height and margin proportional to the photo's width.
class PhotoStamper {
public:
    struct Geometry {
        int pixelSize = 0;
        int margin = 0;
        QRect textRect;
        QRect backgroundRect;
    };

    // Placement of text on a photo imageWidth pixels wide, in baseFont resized to the photo.
    static Geometry geometry(int imageWidth, const QString& text, const QFont& baseFont);
    static void stampImage(QImage& image, const QString& text, const QFont& baseFont);

    // Waits (blocking, event loop kept alive) for a file being written by another thread to stop
    // growing: up to maxPolls polls pollMs apart, until three polls in a row see the same size >= 1.
    // Answers whether the size settled.
    static bool waitForStableSize(const QString& path, int maxPolls = 50, int pollMs = 100);

    enum Result { Stamped, Missing, Undecodable, WriteFailed, Unstamped };

    // The whole stamp of a saved file: an initial pause, the size wait, load, draw, save in place.
    // A photo that cannot be written back is left untouched.
    // error (when given) receives the reason of a result other than Stamped, for the user.
    static Result stampFile(const QString& path, const QString& text, const QFont& baseFont,
                            int initialWaitMs = 500, int pollMs = 100, QString* error = nullptr);
    // The same waits and checks without touching the file: Unstamped when it is a readable photo.
    static Result checkFile(const QString& path, int initialWaitMs = 500, int pollMs = 100,
                            QString* error = nullptr);
};

#endif
