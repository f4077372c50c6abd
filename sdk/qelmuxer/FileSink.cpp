#include "FileSink.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <ctime>

#include "MuxLog.h"

extern "C" {
#include <libavformat/avio.h>
#include <libavutil/error.h>
#include <libavutil/mem.h>
}

namespace qelmuxer {

namespace {

constexpr int kIoBufferSize = 256 * 1024;
constexpr int64_t kWritebackIntervalUs = 1000000;

int64_t monotonicUs() {
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return int64_t(ts.tv_sec) * 1000000 + ts.tv_nsec / 1000;
}

}  // namespace

FileSink::~FileSink() {
    close();
}

bool FileSink::open(const std::string& path, std::string* error) {
    close();
    m_fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (m_fd < 0) {
        *error = std::strerror(errno);
        return false;
    }
    auto* buffer = static_cast<unsigned char*>(av_malloc(kIoBufferSize));
    m_avio = buffer ? avio_alloc_context(buffer, kIoBufferSize, 1, this, nullptr, &FileSink::writePacket,
                                         &FileSink::seek)
                    : nullptr;
    if (!m_avio) {
        av_free(buffer);
        ::close(m_fd);
        m_fd = -1;
        *error = "out of memory";
        return false;
    }
    m_errno = 0;
    m_position = m_bytesWritten = m_syncedUpTo = 0;
    m_lastSyncUs = monotonicUs();
    return true;
}

int FileSink::writePacket(void* opaque, uint8_t* buf, int size) {
    auto* self = static_cast<FileSink*>(opaque);
    if (self->m_errno) {
        return AVERROR(self->m_errno);
    }
    int done = 0;
    while (done < size) {
        ssize_t n = ::pwrite(self->m_fd, buf + done, size - done, self->m_position);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            self->m_errno = n < 0 ? errno : ENOSPC;
            logLine("write failed: %s", std::strerror(self->m_errno));
            return AVERROR(self->m_errno);
        }
        done += int(n);
        self->m_position += n;
    }
    self->m_bytesWritten += size;
    self->startWriteback();
    return size;
}

int64_t FileSink::seek(void* opaque, int64_t offset, int whence) {
    auto* self = static_cast<FileSink*>(opaque);
    struct stat st;
    switch (whence & ~AVSEEK_FORCE) {
        case AVSEEK_SIZE:
            if (fstat(self->m_fd, &st) != 0) {
                return AVERROR(errno);
            }
            return st.st_size;
        case SEEK_SET:
            self->m_position = offset;
            break;
        case SEEK_CUR:
            self->m_position += offset;
            break;
        case SEEK_END:
            if (fstat(self->m_fd, &st) != 0) {
                return AVERROR(errno);
            }
            self->m_position = st.st_size + offset;
            break;
        default:
            return AVERROR(EINVAL);
    }
    return self->m_position;
}

// Asks the kernel to start writing what was written in the last second, without waiting for it.
void FileSink::startWriteback() {
    int64_t now = monotonicUs();
    if (now - m_lastSyncUs < kWritebackIntervalUs) {
        return;
    }
    m_lastSyncUs = now;
    struct stat st;
    if (fstat(m_fd, &st) != 0) {
        return;
    }
    if (st.st_nlink == 0) {
        // Removed (or its folder) while recording: nothing written from now on would be kept.
        m_errno = ENOENT;
        logLine("the file was removed while being written");
        return;
    }
    if (st.st_size > m_syncedUpTo) {
        sync_file_range(m_fd, m_syncedUpTo, st.st_size - m_syncedUpTo, SYNC_FILE_RANGE_WRITE);
        m_syncedUpTo = st.st_size;
    }
}

bool FileSink::flushAndSync() {
    if (!m_avio) {
        return false;
    }
    avio_flush(m_avio);
    struct stat st;
    if (!m_errno && fstat(m_fd, &st) == 0 && st.st_nlink == 0) {
        m_errno = ENOENT;
        logLine("the file was removed while being written");
    }
    if (m_errno) {
        return false;
    }
    if (fdatasync(m_fd) != 0) {
        m_errno = errno;
        logLine("sync failed: %s", std::strerror(m_errno));
        return false;
    }
    return true;
}

void FileSink::truncate(int64_t size) {
    if (m_fd >= 0 && ftruncate(m_fd, size) == 0) {
        m_position = size;
    }
}

void FileSink::close() {
    if (m_avio) {
        av_freep(&m_avio->buffer);
        avio_context_free(&m_avio);
    }
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
}

}  // namespace qelmuxer
