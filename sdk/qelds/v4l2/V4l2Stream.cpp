#include "V4l2Stream.h"

#include <linux/videodev2.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "V4l2Io.h"
#include "V4l2Log.h"
#include "qeldefine.h"

namespace qelds {

namespace {

const int kBufferCount = 4;
const int kPollTimeoutMs = 1000;
// Consecutive "ready but nothing to dequeue" answers before the stream counts as broken.
const int kMaxEmptyWakeups = 100;

bool isCompressed(int mediaType) {
    return mediaType == QEL_MEDIA_MJPEG || mediaType == QEL_MEDIA_H264 || mediaType == QEL_MEDIA_H265;
}

int64_t nowUs() {
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return int64_t(ts.tv_sec) * 1000000 + ts.tv_nsec / 1000;
}

thread_local bool t_captureThread = false;

}  // namespace

bool onCaptureThread() {
    return t_captureThread;
}

void CaptureSession::reportLost() {
    if (deviceLost)
        *deviceLost = true;
    if (lost.exchange(true) || stopping.load())
        return;
    if (sink)
        sink->onVanished();
    if (onLost)
        onLost();
}

V4l2Stream::V4l2Stream(V4l2Io& io, int index, std::string node)
    : m_io(io), m_index(index), m_node(std::move(node)) {
    m_wakeFd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (m_wakeFd < 0)
        v4l2Warning("%s: eventfd failed: %s", m_node.c_str(), std::strerror(errno));
}

V4l2Stream::~V4l2Stream() {
    release();
    if (m_wakeFd >= 0)
        ::close(m_wakeFd);
}

bool V4l2Stream::prepare(int fd, const Config& config) {
    release();
    m_fd = fd;
    m_config = config;

    v4l2_format fmt;
    std::memset(&fmt, 0, sizeof fmt);
    fmt.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    fmt.fmt.pix.width = config.width;
    fmt.fmt.pix.height = config.height;
    fmt.fmt.pix.pixelformat = config.pixelFormat;
    fmt.fmt.pix.field = V4L2_FIELD_ANY;
    if (m_io.ioctl(fd, VIDIOC_S_FMT, &fmt) != 0) {
        v4l2Warning("%s: VIDIOC_S_FMT %dx%d failed: %s", m_node.c_str(), config.width, config.height,
                    std::strerror(errno));
        return false;
    }
    if (int(fmt.fmt.pix.width) != config.width || int(fmt.fmt.pix.height) != config.height ||
        fmt.fmt.pix.pixelformat != config.pixelFormat) {
        v4l2Warning("%s: asked for %dx%d, the driver chose %ux%u", m_node.c_str(), config.width,
                    config.height, fmt.fmt.pix.width, fmt.fmt.pix.height);
        return false;
    }
    m_minRawBytes = isCompressed(config.mediaType) ? 1 : fmt.fmt.pix.sizeimage;
    if (config.fps > 0 && !applyFps(config.fps))
        v4l2Debug("%s: frame rate %d not applied; the camera keeps its own", m_node.c_str(), config.fps);

    v4l2_requestbuffers req;
    std::memset(&req, 0, sizeof req);
    req.count = kBufferCount;
    req.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    req.memory = V4L2_MEMORY_MMAP;
    if (m_io.ioctl(fd, VIDIOC_REQBUFS, &req) != 0 || req.count < 2) {
        v4l2Warning("%s: VIDIOC_REQBUFS failed: %s", m_node.c_str(), std::strerror(errno));
        freeBuffers();
        return false;
    }
    m_buffers.resize(req.count);
    for (uint32_t i = 0; i < req.count; ++i) {
        v4l2_buffer buf;
        std::memset(&buf, 0, sizeof buf);
        buf.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
        buf.memory = V4L2_MEMORY_MMAP;
        buf.index = i;
        if (m_io.ioctl(fd, VIDIOC_QUERYBUF, &buf) != 0) {
            v4l2Warning("%s: VIDIOC_QUERYBUF failed: %s", m_node.c_str(), std::strerror(errno));
            freeBuffers();
            return false;
        }
        void* start = m_io.mmap(buf.length, fd, buf.m.offset);
        if (!start) {
            v4l2Warning("%s: mmap of buffer %u failed: %s", m_node.c_str(), i, std::strerror(errno));
            freeBuffers();
            return false;
        }
        m_buffers[i].start = start;
        m_buffers[i].length = buf.length;
    }
    if (!queueAll()) {
        freeBuffers();
        return false;
    }
    return true;
}

bool V4l2Stream::queueAll() {
    for (size_t i = 0; i < m_buffers.size(); ++i) {
        v4l2_buffer buf;
        std::memset(&buf, 0, sizeof buf);
        buf.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
        buf.memory = V4L2_MEMORY_MMAP;
        buf.index = uint32_t(i);
        if (m_io.ioctl(m_fd, VIDIOC_QBUF, &buf) != 0) {
            v4l2Warning("%s: VIDIOC_QBUF failed: %s", m_node.c_str(), std::strerror(errno));
            return false;
        }
    }
    return true;
}

bool V4l2Stream::applyFps(int fps) {
    v4l2_streamparm parm;
    std::memset(&parm, 0, sizeof parm);
    parm.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    parm.parm.capture.timeperframe.numerator = 1;
    parm.parm.capture.timeperframe.denominator = uint32_t(fps);
    return m_io.ioctl(m_fd, VIDIOC_S_PARM, &parm) == 0;
}

bool V4l2Stream::streamOn() {
    int type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    if (m_io.ioctl(m_fd, VIDIOC_STREAMON, &type) != 0) {
        const int error = errno;
        v4l2Warning("%s: VIDIOC_STREAMON failed: %s", m_node.c_str(), std::strerror(error));
        errno = error;
        return false;
    }
    m_streaming = true;
    return true;
}

void V4l2Stream::startThread(CaptureSession* session) {
    stopThread();
    m_session = session;
    m_stopThread = false;
    uint64_t drain;
    while (m_wakeFd >= 0 && ::read(m_wakeFd, &drain, sizeof drain) > 0) {
    }
    m_thread = std::thread([this] { run(); });
}

void V4l2Stream::stopThread() {
    if (!m_thread.joinable())
        return;
    m_stopThread = true;
    const uint64_t one = 1;
    if (m_wakeFd >= 0 && ::write(m_wakeFd, &one, sizeof one) < 0)
        v4l2Warning("%s: waking the capture thread failed: %s", m_node.c_str(), std::strerror(errno));
    m_thread.join();
}

void V4l2Stream::freeBuffers() {
    for (Buffer& b : m_buffers) {
        if (b.start && m_io.munmap(b.start, b.length) != 0)
            v4l2Warning("%s: munmap failed: %s", m_node.c_str(), std::strerror(errno));
    }
    m_buffers.clear();
    if (m_fd >= 0) {
        v4l2_requestbuffers req;
        std::memset(&req, 0, sizeof req);
        req.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
        req.memory = V4L2_MEMORY_MMAP;
        m_io.ioctl(m_fd, VIDIOC_REQBUFS, &req);  // count 0 frees them; fails harmlessly once unplugged
    }
}

void V4l2Stream::release() {
    stopThread();
    if (m_fd < 0)
        return;
    if (m_streaming) {
        int type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
        if (m_io.ioctl(m_fd, VIDIOC_STREAMOFF, &type) != 0)
            v4l2Debug("%s: VIDIOC_STREAMOFF: %s", m_node.c_str(), std::strerror(errno));
        m_streaming = false;
    }
    freeBuffers();
    m_session = nullptr;
    m_fd = -1;
}

bool V4l2Stream::setFps(int fps) {
    if (m_fd < 0 || fps <= 0)
        return false;
    if (applyFps(fps)) {
        m_config.fps = fps;
        return true;
    }
    if (errno != EBUSY || !m_streaming)
        return false;
    // The driver changes the rate only with streaming off: restart this stream around it.
    const int oldFps = m_config.fps;
    CaptureSession* session = m_session;
    const bool hadThread = m_thread.joinable();
    stopThread();
    int type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    m_io.ioctl(m_fd, VIDIOC_STREAMOFF, &type);
    m_streaming = false;
    const bool changed = applyFps(fps);
    if (changed)
        m_config.fps = fps;
    else if (oldFps > 0)
        applyFps(oldFps);
    bool restarted = queueAll() && streamOn();
    if (!restarted && changed && oldFps > 0) {
        // Not enough bandwidth for the new rate: go back to the one that ran.
        m_io.ioctl(m_fd, VIDIOC_STREAMOFF, &type);
        m_config.fps = oldFps;
        restarted = applyFps(oldFps) && queueAll() && streamOn();
        if (restarted)
            v4l2Warning("%s: frame rate %d refused, kept %d", m_node.c_str(), fps, oldFps);
    }
    if (restarted && hadThread && session)
        startThread(session);
    if (!restarted && session)
        session->reportLost();
    return changed && restarted && m_config.fps == fps;
}

bool V4l2Stream::waitWake(int ms) {
    pollfd p{m_wakeFd, POLLIN, 0};
    return ::poll(&p, 1, ms) > 0;
}

void V4l2Stream::run() {
    t_captureThread = true;
    int emptyWakeups = 0;
    while (!m_stopThread.load()) {
        const V4l2Io::PollResult r = m_io.poll(m_fd, m_wakeFd, kPollTimeoutMs);
        if (r == V4l2Io::PollResult::Woken)
            break;
        if (r == V4l2Io::PollResult::Timeout) {
            emptyWakeups = 0;
            continue;
        }
        if (r == V4l2Io::PollResult::Failed) {
            v4l2Warning("%s: poll failed: %s", m_node.c_str(), std::strerror(errno));
            m_session->reportLost();
            break;
        }
        v4l2_buffer buf;
        std::memset(&buf, 0, sizeof buf);
        buf.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
        buf.memory = V4L2_MEMORY_MMAP;
        if (m_io.ioctl(m_fd, VIDIOC_DQBUF, &buf) != 0) {
            const int error = errno;
            if (error == EAGAIN || error == EINTR) {
                // Woken with nothing to take: wait a little rather than spin, give up if it persists.
                if (++emptyWakeups > kMaxEmptyWakeups) {
                    v4l2Warning("%s: the device keeps signalling without frames", m_node.c_str());
                    m_session->reportLost();
                    break;
                }
                if (waitWake(10))
                    break;
                continue;
            }
            if (error == ENODEV || error == EIO)
                v4l2Warning("%s: the camera is gone (%s)", m_node.c_str(), std::strerror(error));
            else
                v4l2Warning("%s: VIDIOC_DQBUF failed: %s", m_node.c_str(), std::strerror(error));
            m_session->reportLost();
            break;
        }
        emptyWakeups = 0;
        if (buf.index >= m_buffers.size()) {
            v4l2Warning("%s: the driver returned buffer %u of %zu", m_node.c_str(), buf.index,
                        m_buffers.size());
            m_session->reportLost();
            break;
        }
        const Buffer& b = m_buffers[buf.index];
        const bool damaged = (buf.flags & V4L2_BUF_FLAG_ERROR) != 0;
        if (!damaged && buf.bytesused >= m_minRawBytes && buf.bytesused <= b.length) {
            int64_t ts = nowUs();
            if ((buf.flags & V4L2_BUF_FLAG_TIMESTAMP_MASK) == V4L2_BUF_FLAG_TIMESTAMP_MONOTONIC)
                ts = int64_t(buf.timestamp.tv_sec) * 1000000 + buf.timestamp.tv_usec;
            if (m_session->sink)
                m_session->sink->onFrame(0, m_index, m_config.mediaType, m_config.width, m_config.height, ts,
                                         static_cast<uint8_t*>(b.start), int(buf.bytesused));
        }
        if (m_io.ioctl(m_fd, VIDIOC_QBUF, &buf) != 0) {
            v4l2Warning("%s: requeueing failed: %s", m_node.c_str(), std::strerror(errno));
            m_session->reportLost();
            break;
        }
    }
}

}  // namespace qelds
