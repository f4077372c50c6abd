#ifndef CORVIX_SAVED_PHOTO_CHECK_H
#define CORVIX_SAVED_PHOTO_CHECK_H

#include <QString>

// Whether a photo the camera core reported is really there: waits for the file to settle, then
// reads its header. The file itself is never changed.
class SavedPhotoCheck {
public:
    // Waits (blocking, event loop kept alive) for a file being written by another thread to stop
    // growing: up to maxPolls polls pollMs apart, until three polls in a row see the same size >= 1.
    // Answers whether the size settled.
    static bool waitForStableSize(const QString& path, int maxPolls = 50, int pollMs = 100);

    enum Result { Readable, Missing, Undecodable };

    // An initial pause, the size wait, then the header: Readable when it is a readable photo.
    // error (when given) receives the reason of another result, for the user.
    static Result checkFile(const QString& path, int initialWaitMs = 500, int pollMs = 100,
                            QString* error = nullptr);
};

#endif
