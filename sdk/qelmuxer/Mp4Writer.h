// The MP4 container of one recording, written fragmented (a fragment at every keyframe and at
// least once a second) so that everything up to the last fragment stays playable when the
// process dies. After a write failure every further call answers false.
#ifndef QELMUXER_MP4_WRITER_H
#define QELMUXER_MP4_WRITER_H

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "FileSink.h"

struct AVFormatContext;
struct AVCodecParameters;
struct AVPacket;
struct AVRational;

namespace qelmuxer {

class Mp4Writer {
public:
    Mp4Writer() = default;
    ~Mp4Writer();
    Mp4Writer(const Mp4Writer&) = delete;
    Mp4Writer& operator=(const Mp4Writer&) = delete;

    bool open(const std::string& path, std::string* error);
    // Adds a stream before the header; answers its index or -1.
    int addStream(const AVCodecParameters* par, int timeBaseNum, int timeBaseDen);
    bool writeHeader();
    bool headerWritten() const { return m_headerWritten; }
    // Writes one packet whose timestamps are in the time base given to addStream (the packet is
    // consumed). False once the file cannot be written.
    bool write(AVPacket* pkt, int streamIndex);
    // Writes the trailer and syncs; the file is closed afterwards in any case.
    bool finish();
    // Closes the file as it stands.
    void abandon();

    bool failed() const { return m_failed; }
    // errno of the failed write, 0 when none (or the failure was not a write).
    int lastErrno() const { return m_sink.lastErrno(); }
    int64_t packetsWritten() const { return m_packets; }
    // Bytes in the file (after a failure: up to the last whole fragment).
    int64_t bytesWritten() const { return m_failed ? m_completeUpTo : m_sink.bytesWritten(); }

private:
    bool fail(const char* what, int err);

    FileSink m_sink;
    AVFormatContext* m_ctx = nullptr;
    bool m_headerWritten = false;
    bool m_failed = false;
    int64_t m_packets = 0;
    int64_t m_completeUpTo = 0;                    // file size after the last fully written call
    std::vector<std::pair<int, int>> m_timeBases;  // per stream, as given to addStream
};

}  // namespace qelmuxer

#endif
