#include "PhotoWriter.h"

#include <fcntl.h>
#include <unistd.h>

#include <sys/stat.h>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <cerrno>

#include "CoreLog.h"
#include "ICameraModel.h"
#include "JpegPhoto.h"
#include "PhotoExif.h"
#include "YuvConverter.h"

PhotoWriter::PhotoWriter(Done done) : m_done(std::move(done)) {
    m_thread = std::thread([this] { run(); });
}

PhotoWriter::~PhotoWriter() {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stopping = true;
    }
    m_wake.notify_all();
    m_thread.join();
}

void PhotoWriter::submit(Job job) {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_jobs.push_back(std::move(job));
    }
    m_wake.notify_one();
}

void PhotoWriter::run() {
    for (;;) {
        Job job;
        {
            std::unique_lock<std::mutex> lock(m_mutex);
            m_wake.wait(lock, [this] { return m_stopping || !m_jobs.empty(); });
            if (m_jobs.empty()) {
                return;
            }
            job = std::move(m_jobs.front());
            m_jobs.pop_front();
        }
        QByteArray bytes;
        int error = makePhoto(job, &bytes);
        if (error == 0) {
            error = writeFileAtomically(job.path, bytes);
        }
        if (error != 0) {
            qCWarning(lcCamera) << "photo not saved:" << job.path << error;
        }
        if (m_done) {
            m_done(job.path, error);
        }
    }
}

int PhotoWriter::makePhoto(const Job& job, QByteArray* bytes) {
    PhotoExif exif;
    exif.taken = job.taken.isValid() ? job.taken : QDateTime::currentDateTime();
    exif.model = job.camera;
    exif.software = PhotoExif::programName();
    QByteArray jpeg;
    if (!job.jpeg.isEmpty() && !job.stamp.isEnabled()) {
        // The camera's compressed data stay as they came; only checked that they decode.
        JpegPhoto::Header header;
        if (!JpegPhoto::check(job.jpeg, &header)) {
            return kPhotoNotEncoded;
        }
        exif.width = header.width;
        exif.height = header.height;
        jpeg = job.jpeg;
    } else {
        QImage image;
        bool chroma422 = false;
        if (!job.jpeg.isEmpty()) {
            JpegPhoto::Header header;
            if (!JpegPhoto::decode(job.jpeg, &image, &header)) {
                return kPhotoNotEncoded;
            }
            chroma422 = header.chroma != JpegPhoto::Chroma::Quarter;
        } else if (!job.yuy2.isEmpty()) {
            image = yuy2ToImage(reinterpret_cast<const unsigned char*>(job.yuy2.constData()), job.yuy2.size(),
                                job.width, job.height);
            chroma422 = true;
        } else {
            image = yuv420pToImage(reinterpret_cast<const unsigned char*>(job.yuv420.constData()),
                                   job.yuv420.size(), job.width, job.height);
        }
        if (image.isNull()) {
            return kPhotoNotEncoded;
        }
        job.stamp.drawOn(image);
        jpeg = JpegPhoto::encode(image, kQuality, chroma422);
        if (jpeg.isEmpty()) {
            return kPhotoNotEncoded;
        }
        exif.width = image.width();
        exif.height = image.height();
    }
    // A photo whose EXIF block cannot be built is still saved, without it.
    *bytes = JpegPhoto::withSegments(jpeg, exif.app1Segment());
    return bytes->isEmpty() ? kPhotoNotEncoded : 0;
}

int PhotoWriter::writeFileAtomically(const QString& path, const QByteArray& data) {
    const QFileInfo info(path);
    QByteArray temp = QFile::encodeName(
        QDir(info.absolutePath()).filePath(QLatin1Char('.') + info.fileName() + QStringLiteral(".XXXXXX")));
    const int fd = ::mkstemp(temp.data());
    if (fd < 0) {
        return errno;
    }
    int error = 0;
    const char* p = data.constData();
    qint64 left = data.size();
    while (left > 0 && error == 0) {
        const ssize_t n = ::write(fd, p, size_t(left));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            error = n < 0 ? errno : ENOSPC;
        } else {
            p += n;
            left -= n;
        }
    }
    // Some file systems only find out at the flush that the space is not there.
    if (error == 0 && ::fsync(fd) != 0) {
        error = errno;
    }
    // mkstemp makes the file private; a photo gets the usual permissions.
    if (error == 0) {
        ::fchmod(fd, 0644);
    }
    if (::close(fd) != 0 && error == 0) {
        error = errno;
    }
    if (error == 0) {
        if (::rename(temp.constData(), QFile::encodeName(path).constData()) != 0) {
            error = errno;
        }
    }
    if (error != 0) {
        ::unlink(temp.constData());
    }
    return error;
}
