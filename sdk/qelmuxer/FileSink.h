// A file written through an AVIOContext of our own, so that write errors (disk full, folder
// removed, file size limit) are seen with their errno, and written data is pushed to the disk
// about once a second: a recording cut short by a crash or power loss keeps what was written.
#ifndef QELMUXER_FILE_SINK_H
#define QELMUXER_FILE_SINK_H

#include <cstdint>
#include <string>

struct AVIOContext;

namespace qelmuxer {

class FileSink {
public:
    FileSink() = default;
    ~FileSink();
    FileSink(const FileSink&) = delete;
    FileSink& operator=(const FileSink&) = delete;

    // Creates (or truncates) the file. False with errno text in `error` on failure.
    bool open(const std::string& path, std::string* error);
    AVIOContext* avio() const { return m_avio; }
    // Flushes the I/O buffer and waits until the data is on the disk.
    bool flushAndSync();
    // Cuts the file back to `size` bytes (drops a partly written tail after a failure).
    void truncate(int64_t size);
    // Where the next byte would go, everything before it handed to the file.
    int64_t position() const { return m_position; }
    // Frees the I/O context and closes the file (without syncing).
    void close();

    bool failed() const { return m_errno != 0; }
    int lastErrno() const { return m_errno; }
    int64_t bytesWritten() const { return m_bytesWritten; }

private:
    static int writePacket(void* opaque, uint8_t* buf, int size);
    static int64_t seek(void* opaque, int64_t offset, int whence);
    void startWriteback();

    int m_fd = -1;
    AVIOContext* m_avio = nullptr;
    int m_errno = 0;
    int64_t m_position = 0;
    int64_t m_bytesWritten = 0;
    int64_t m_syncedUpTo = 0;
    int64_t m_lastSyncUs = 0;
};

}  // namespace qelmuxer

#endif
