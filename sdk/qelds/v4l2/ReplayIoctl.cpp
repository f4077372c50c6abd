// The V4L2 and UVC requests a replayed device answers.
#include <linux/usb/video.h>
#include <linux/uvcvideo.h>
#include <linux/videodev2.h>
#include <time.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>

#include "ReplayModel.h"
#include "ReplayPictures.h"
#include "ReplayV4l2Io.h"

namespace qelds {

namespace {

const int kMaxBuffers = 8;
const uint32_t kOffsetStride = 0x1000000;

void copyText(uint8_t* dst, size_t size, const std::string& text) {
    std::memset(dst, 0, size);
    std::memcpy(dst, text.data(), std::min(size - 1, text.size()));
}
// The interval a range allows nearest to `want`: a bound when outside, on the step grid when stepwise.
v4l2_fract nearestInRange(const ReplaySize& s, const v4l2_fract& want) {
    const double t = replaySeconds(want);
    if (t <= replaySeconds(s.minInterval))
        return s.minInterval;
    if (t >= replaySeconds(s.maxInterval))
        return s.maxInterval;
    if (!s.intervalStepwise)
        return want;
    if (!s.intervalStep.numerator)
        return s.minInterval;
    // min + k * step, as one fraction over the product of the denominators.
    const double steps = std::round((t - replaySeconds(s.minInterval)) / replaySeconds(s.intervalStep));
    const uint64_t den = uint64_t(s.minInterval.denominator) * s.intervalStep.denominator;
    const uint64_t num = uint64_t(s.minInterval.numerator) * s.intervalStep.denominator +
                         uint64_t(steps) * s.intervalStep.numerator * s.minInterval.denominator;
    uint64_t a = num, b = den;
    while (b) {
        const uint64_t r = a % b;
        a = b;
        b = r;
    }
    return v4l2_fract{uint32_t(num / a), uint32_t(den / a)};
}

}  // namespace

int ReplayV4l2Io::handleIoctl(int fd, ReplayNode& node, unsigned long request, void* arg) {
    const bool capture = (node.caps & V4L2_CAP_VIDEO_CAPTURE) != 0;
    switch (request) {
        case VIDIOC_QUERYCAP: {
            auto* cap = static_cast<v4l2_capability*>(arg);
            std::memset(cap, 0, sizeof *cap);
            copyText(cap->driver, sizeof cap->driver, node.driver);
            copyText(cap->card, sizeof cap->card, node.card);
            copyText(cap->bus_info, sizeof cap->bus_info, "usb-replay");
            cap->device_caps = node.caps;
            cap->capabilities =
                node.caps | V4L2_CAP_DEVICE_CAPS | V4L2_CAP_VIDEO_CAPTURE | V4L2_CAP_META_CAPTURE;
            return 0;
        }
        case VIDIOC_ENUM_FMT: {
            auto* desc = static_cast<v4l2_fmtdesc*>(arg);
            if (!capture || desc->type != V4L2_BUF_TYPE_VIDEO_CAPTURE || desc->index >= node.formats.size())
                return EINVAL;
            const ReplayFormat& f = node.formats[desc->index];
            desc->pixelformat = f.fourcc;
            desc->flags = replayIsCompressed(f.fourcc) ? V4L2_FMT_FLAG_COMPRESSED : 0;
            copyText(desc->description, sizeof desc->description, f.description);
            return 0;
        }
        case VIDIOC_ENUM_FRAMESIZES: {
            auto* size = static_cast<v4l2_frmsizeenum*>(arg);
            const ReplayFormat* f = node.format(size->pixel_format);
            if (!f || size->index >= f->sizes.size())
                return EINVAL;
            const ReplaySize& s = f->sizes[size->index];
            if (s.stepwise) {
                if (size->index != 0)
                    return EINVAL;
                size->type = V4L2_FRMSIZE_TYPE_STEPWISE;
                size->stepwise = s.range;
            } else {
                size->type = V4L2_FRMSIZE_TYPE_DISCRETE;
                size->discrete.width = s.width;
                size->discrete.height = s.height;
            }
            return 0;
        }
        case VIDIOC_ENUM_FRAMEINTERVALS: {
            auto* ival = static_cast<v4l2_frmivalenum*>(arg);
            const ReplayFormat* f = node.format(ival->pixel_format);
            if (!f)
                return EINVAL;
            for (const ReplaySize& s : f->sizes) {
                if (!s.fits(ival->width, ival->height))
                    continue;
                if (s.intervalRange) {
                    if (ival->index != 0)
                        return EINVAL;
                    ival->type =
                        s.intervalStepwise ? V4L2_FRMIVAL_TYPE_STEPWISE : V4L2_FRMIVAL_TYPE_CONTINUOUS;
                    ival->stepwise.min = s.minInterval;
                    ival->stepwise.max = s.maxInterval;
                    ival->stepwise.step = s.intervalStepwise ? s.intervalStep : v4l2_fract{1, 1};
                    return 0;
                }
                if (ival->index >= s.intervals.size())
                    return EINVAL;
                ival->type = V4L2_FRMIVAL_TYPE_DISCRETE;
                ival->discrete = s.intervals[ival->index];
                return 0;
            }
            return EINVAL;
        }
        case VIDIOC_G_FMT:
        case VIDIOC_S_FMT:
        case VIDIOC_TRY_FMT: {
            auto* fmt = static_cast<v4l2_format*>(arg);
            if (!capture || fmt->type != V4L2_BUF_TYPE_VIDEO_CAPTURE)
                return EINVAL;
            v4l2_pix_format& pix = fmt->fmt.pix;
            if (request == VIDIOC_G_FMT) {
                std::memset(&pix, 0, sizeof pix);
            } else {
                if (request == VIDIOC_S_FMT && node.owner >= 0 && (node.owner != fd || !node.buffers.empty()))
                    return EBUSY;
                const ReplayFormat* f = node.format(pix.pixelformat);
                if (!f)
                    f = &node.formats.at(0);
                // The nearest size the format offers.
                uint32_t bestW = 0, bestH = 0;
                long bestDistance = -1;
                for (const ReplaySize& s : f->sizes) {
                    uint32_t w = s.width, h = s.height;
                    if (s.stepwise) {
                        w = std::clamp(pix.width, s.range.min_width, s.range.max_width);
                        h = std::clamp(pix.height, s.range.min_height, s.range.max_height);
                        w -= (w - s.range.min_width) % std::max(1u, s.range.step_width);
                        h -= (h - s.range.min_height) % std::max(1u, s.range.step_height);
                    }
                    const long distance =
                        std::labs(long(w) - long(pix.width)) + std::labs(long(h) - long(pix.height));
                    if (bestDistance < 0 || distance < bestDistance) {
                        bestDistance = distance;
                        bestW = w;
                        bestH = h;
                    }
                }
                if (request == VIDIOC_S_FMT) {
                    node.fourcc = f->fourcc;
                    node.width = bestW;
                    node.height = bestH;
                    node.sizeImage = replayImageBytes(node.fourcc, bestW, bestH, &node.bytesPerLine);
                } else {
                    pix.pixelformat = f->fourcc;
                    pix.width = bestW;
                    pix.height = bestH;
                    pix.sizeimage = replayImageBytes(f->fourcc, bestW, bestH, &pix.bytesperline);
                    pix.field = V4L2_FIELD_NONE;
                    return 0;
                }
            }
            pix.pixelformat = node.fourcc;
            pix.width = node.width;
            pix.height = node.height;
            pix.sizeimage = node.sizeImage;
            pix.bytesperline = node.bytesPerLine;
            pix.field = V4L2_FIELD_NONE;
            pix.colorspace = V4L2_COLORSPACE_SRGB;
            return 0;
        }
        case VIDIOC_G_PARM:
        case VIDIOC_S_PARM: {
            auto* parm = static_cast<v4l2_streamparm*>(arg);
            if (!capture || parm->type != V4L2_BUF_TYPE_VIDEO_CAPTURE)
                return EINVAL;
            if (request == VIDIOC_S_PARM && node.timePerFrame) {
                if (node.streaming && node.parmBusyWhileStreaming)
                    return EBUSY;
                const v4l2_fract want = parm->parm.capture.timeperframe;
                const ReplayFormat* f = node.format(node.fourcc);
                if (f && want.numerator && want.denominator) {
                    for (const ReplaySize& s : f->sizes) {
                        if (!s.fits(node.width, node.height))
                            continue;
                        if (s.intervalRange) {
                            node.interval = nearestInRange(s, want);
                        } else if (!s.intervals.empty()) {
                            node.interval = *std::min_element(
                                s.intervals.begin(), s.intervals.end(),
                                [&](const v4l2_fract& a, const v4l2_fract& b) {
                                    return std::fabs(replaySeconds(a) - replaySeconds(want)) <
                                           std::fabs(replaySeconds(b) - replaySeconds(want));
                                });
                        }
                        break;
                    }
                }
            }
            std::memset(&parm->parm, 0, sizeof parm->parm);
            parm->parm.capture.capability = node.timePerFrame ? V4L2_CAP_TIMEPERFRAME : 0;
            parm->parm.capture.timeperframe = node.interval;
            return 0;
        }
        case VIDIOC_REQBUFS: {
            auto* req = static_cast<v4l2_requestbuffers*>(arg);
            if (!capture || req->type != V4L2_BUF_TYPE_VIDEO_CAPTURE || req->memory != V4L2_MEMORY_MMAP)
                return EINVAL;
            if (node.owner >= 0 && node.owner != fd)
                return EBUSY;
            if (node.streaming)
                return EBUSY;
            for (const ReplayBuffer& b : node.buffers)
                if (b.memory)
                    return EBUSY;  // still mapped
            node.buffers.clear();
            node.queue.clear();
            if (req->count == 0) {
                node.owner = -1;
                return 0;
            }
            req->count = std::min<uint32_t>(req->count, kMaxBuffers);
            node.buffers.resize(req->count);
            for (ReplayBuffer& b : node.buffers)
                b.length = node.sizeImage;
            node.owner = fd;
            return 0;
        }
        case VIDIOC_QUERYBUF:
        case VIDIOC_QBUF: {
            auto* buf = static_cast<v4l2_buffer*>(arg);
            if (node.owner != fd)
                return EBUSY;
            if (buf->type != V4L2_BUF_TYPE_VIDEO_CAPTURE || buf->memory != V4L2_MEMORY_MMAP ||
                buf->index >= node.buffers.size())
                return EINVAL;
            ReplayBuffer& b = node.buffers[buf->index];
            if (request == VIDIOC_QUERYBUF) {
                buf->length = b.length;
                buf->m.offset = buf->index * kOffsetStride;
                buf->flags = b.queued ? V4L2_BUF_FLAG_QUEUED : 0;
                return 0;
            }
            if (b.queued)
                return EINVAL;
            b.queued = true;
            node.queue.push_back(buf->index);
            return 0;
        }
        case VIDIOC_DQBUF: {
            auto* buf = static_cast<v4l2_buffer*>(arg);
            if (node.owner != fd)
                return EBUSY;
            if (!node.streaming)
                return EINVAL;
            const double period =
                m_frameIntervalMs > 0 ? m_frameIntervalMs / 1000.0 : replaySeconds(node.interval);
            const double elapsed =
                std::chrono::duration<double>(ReplayClock::now() - node.streamStart).count();
            if (node.queue.empty() || elapsed < period * double(node.nextFrame))
                return EAGAIN;
            // Frames that found no free buffer are lost, as with a real camera.
            node.nextFrame = std::max<int64_t>(node.nextFrame + 1, int64_t(elapsed / period) + 1);
            const uint32_t index = node.queue.front();
            node.queue.pop_front();
            ReplayBuffer& b = node.buffers[index];
            b.queued = false;
            const uint32_t seq = node.sequence++;
            uint32_t used = b.length;
            const bool jpeg = node.fourcc == V4L2_PIX_FMT_MJPEG || node.fourcc == V4L2_PIX_FMT_JPEG;
            if (jpeg)
                used = std::min<uint32_t>(b.length, replayJpegBytes(node.width, node.height));
            else if (replayIsCompressed(node.fourcc))
                used = std::min<uint32_t>(b.length, 1000 + seq % 300);
            std::memset(buf, 0, sizeof *buf);
            buf->type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
            buf->memory = V4L2_MEMORY_MMAP;
            buf->index = index;
            buf->sequence = seq;
            buf->field = V4L2_FIELD_NONE;
            buf->flags = V4L2_BUF_FLAG_TIMESTAMP_MONOTONIC;
            timespec ts;
            clock_gettime(CLOCK_MONOTONIC, &ts);
            buf->timestamp.tv_sec = ts.tv_sec;
            buf->timestamp.tv_usec = ts.tv_nsec / 1000;
            if (node.damaged > 0) {
                if (node.damaged == node.damagedTotal)
                    buf->flags |= V4L2_BUF_FLAG_ERROR;
                else
                    used /= 2;
                --node.damaged;
            }
            buf->bytesused = used;
            if (uint8_t* m = b.memory) {
                // A recognisable frame: the format's own start, then the sequence number. A JPEG
                // is written whole; a damaged one is then cut short by bytesused.
                const bool wholeJpeg = jpeg && writeReplayJpeg(m, b.length, node.width, node.height, seq);
                if (!wholeJpeg) {
                    if (node.fourcc == V4L2_PIX_FMT_YUYV || node.fourcc == V4L2_PIX_FMT_UYVY)
                        drawPackedPicture(m, used, node.fourcc, node.width, node.bytesPerLine, seq);
                    else
                        std::memset(m, int(seq & 0xff), used);
                    if (jpeg) {
                        m[0] = 0xff, m[1] = 0xd8, m[used - 2] = 0xff, m[used - 1] = 0xd9;
                    } else if (replayIsCompressed(node.fourcc)) {
                        m[0] = 0, m[1] = 0, m[2] = 0, m[3] = 1;
                        m[4] = node.fourcc == V4L2_PIX_FMT_H264 ? 0x65 : 0x26;
                    }
                    std::memcpy(m + 8, &seq, sizeof seq);
                }
            }
            ++node.delivered;
            if (node.unplugAfter >= 0 && node.delivered >= node.unplugAfter)
                node.device->present = false;
            return 0;
        }
        case VIDIOC_STREAMON:
        case VIDIOC_STREAMOFF: {
            if (*static_cast<int*>(arg) != V4L2_BUF_TYPE_VIDEO_CAPTURE)
                return EINVAL;
            if (node.owner != fd)
                return EBUSY;
            if (request == VIDIOC_STREAMOFF) {
                node.streaming = false;
                node.queue.clear();
                for (ReplayBuffer& b : node.buffers)
                    b.queued = false;
                return 0;
            }
            if (node.streamOnError)
                return node.streamOnError;
            if (node.buffers.empty())
                return EINVAL;
            if (!node.streaming) {
                node.streaming = true;
                node.streamStart = ReplayClock::now();
                node.nextFrame = 1;
            }
            return 0;
        }
        case VIDIOC_QUERYCTRL: {
            auto* q = static_cast<v4l2_queryctrl*>(arg);
            const ReplayControl* c = node.control(q->id);
            if (!c)
                return EINVAL;
            const uint32_t id = q->id;
            std::memset(q, 0, sizeof *q);
            q->id = id;
            q->type = c->type;
            q->minimum = c->min;
            q->maximum = c->max;
            q->step = c->type == V4L2_CTRL_TYPE_MENU ? 1 : c->step;
            q->default_value = c->def;
            q->flags = c->readOnly ? V4L2_CTRL_FLAG_READ_ONLY : 0;
            copyText(q->name, sizeof q->name, "replay control");
            return 0;
        }
        case VIDIOC_QUERYMENU: {
            auto* m = static_cast<v4l2_querymenu*>(arg);
            const ReplayControl* c = node.control(m->id);
            if (!c || c->type != V4L2_CTRL_TYPE_MENU ||
                std::find(c->menu.begin(), c->menu.end(), int(m->index)) == c->menu.end())
                return EINVAL;
            copyText(m->name, sizeof m->name, "item " + std::to_string(m->index));
            return 0;
        }
        case VIDIOC_G_CTRL:
        case VIDIOC_S_CTRL: {
            auto* control = static_cast<v4l2_control*>(arg);
            ReplayControl* c = node.control(control->id);
            if (!c)
                return EINVAL;
            if (request == VIDIOC_G_CTRL) {
                control->value = c->value;
                return 0;
            }
            if (c->readOnly)
                return EACCES;
            if (c->type == V4L2_CTRL_TYPE_BUTTON) {
                ++c->value;  // pressed; the value written does not matter
                return 0;
            }
            if (c->type == V4L2_CTRL_TYPE_MENU) {
                if (std::find(c->menu.begin(), c->menu.end(), control->value) == c->menu.end())
                    return EINVAL;
                c->value = control->value;
                return 0;
            }
            if (control->value < c->min || control->value > c->max)
                return ERANGE;  // stricter than most drivers, so a missing clamp shows
            if (c->step > 1 && (control->value - c->min) % c->step)
                return ERANGE;
            c->value = control->value;
            return 0;
        }
        case UVCIOC_CTRL_QUERY: {
            auto* q = static_cast<uvc_xu_control_query*>(arg);
            for (auto& xu : node.device->xu) {
                if (xu.unit != q->unit || xu.selector != q->selector)
                    continue;
                switch (q->query) {
                    case UVC_GET_LEN:
                        if (q->size != 2)
                            return EINVAL;
                        q->data[0] = uint8_t(xu.data.size());
                        q->data[1] = uint8_t(xu.data.size() >> 8);
                        return 0;
                    case UVC_GET_CUR:
                    case UVC_SET_CUR:
                        if (q->size != xu.data.size())
                            return EINVAL;
                        if (q->query == UVC_GET_CUR)
                            std::memcpy(q->data, xu.data.data(), xu.data.size());
                        else
                            std::memcpy(xu.data.data(), q->data, xu.data.size());
                        return 0;
                    default:
                        return EINVAL;
                }
            }
            return ENOENT;
        }
        default:
            return ENOTTY;
    }
}

}  // namespace qelds
