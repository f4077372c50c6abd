#ifndef CORVIX_PHOTO_WRITER_H
#define CORVIX_PHOTO_WRITER_H

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

#include "PhotoStamp.h"

// Encodes and writes photos on its own thread, so that a capture thread only copies the frame.
// A frame is decoded at most once and encoded at most once: a camera's JPEG without a stamp keeps
// its compressed data as they came; every other photo is encoded at quality 95, with 4:2:2
// chroma when the camera sent at least that. Every photo carries an EXIF block.
// A photo is written under a hidden temporary name in its folder, pushed to the disk and then
// renamed: a half-written photo never shows under its final name, and a failed one leaves no file.
class PhotoWriter {
public:
    struct Job {
        QString path;
        QByteArray jpeg;    // the camera's JPEG (a motion-JPEG frame or a still)
        QByteArray yuy2;    // or a packed 4:2:2 frame of width x height
        QByteArray yuv420;  // or a planar 4:2:0 frame of width x height
        int width = 0;
        int height = 0;
        PhotoStamp stamp;  // drawn into the picture when enabled
        QDateTime taken;   // when the frame was taken (EXIF)
        QString camera;    // the camera's name (EXIF)
    };
    static constexpr int kQuality = 95;
    // Called on the writer's thread for each job: error 0 when saved, an errno value when the
    // file could not be written, kPhotoNotEncoded when the frame could not be encoded.
    using Done = std::function<void(const QString& path, int error)>;

    explicit PhotoWriter(Done done);
    // Writes what is queued, then joins the thread.
    ~PhotoWriter();
    PhotoWriter(const PhotoWriter&) = delete;
    PhotoWriter& operator=(const PhotoWriter&) = delete;

    void submit(Job job);

    // The file's contents for job: 0, or kPhotoNotEncoded when the frame is damaged or cannot
    // be encoded.
    static int makePhoto(const Job& job, QByteArray* bytes);

    // Writes data to path through a temporary file in the same folder; 0 or the errno.
    static int writeFileAtomically(const QString& path, const QByteArray& data);

private:
    void run();

    Done m_done;
    std::mutex m_mutex;  // guards the two fields below
    std::deque<Job> m_jobs;
    bool m_stopping = false;
    std::condition_variable m_wake;
    std::thread m_thread;
};

#endif
