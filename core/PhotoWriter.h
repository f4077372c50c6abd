#ifndef CORVIX_PHOTO_WRITER_H
#define CORVIX_PHOTO_WRITER_H

#include <QByteArray>
#include <QString>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

// Encodes and writes photos on its own thread, so that a capture thread only copies the frame.
// A photo is written under a hidden temporary name in its folder, pushed to the disk and then
// renamed: a half-written photo never shows under its final name, and a failed one leaves no file.
class PhotoWriter {
public:
    struct Job {
        QString path;
        QByteArray jpeg;    // written as it is when not empty
        QByteArray yuv420;  // otherwise: a planar 4:2:0 frame of width x height, encoded as JPEG
        int width = 0;
        int height = 0;
    };
    // Called on the writer's thread for each job: error 0 when saved, an errno value when the
    // file could not be written, kPhotoNotEncoded when the frame could not be encoded.
    using Done = std::function<void(const QString& path, int error)>;

    explicit PhotoWriter(Done done);
    // Writes what is queued, then joins the thread.
    ~PhotoWriter();
    PhotoWriter(const PhotoWriter&) = delete;
    PhotoWriter& operator=(const PhotoWriter&) = delete;

    void submit(Job job);

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
