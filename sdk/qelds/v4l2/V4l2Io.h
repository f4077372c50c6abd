// Every access of the V4L2 cameras to the system (device nodes, ioctls, buffer mapping, sysfs)
// goes through this interface: the real implementation talks to the kernel, the replay
// implementation answers from a recorded device description.
#ifndef QELDS_V4L2_IO_H
#define QELDS_V4L2_IO_H

#include <sys/types.h>

#include <cstddef>
#include <string>
#include <vector>

namespace qelds {

class V4l2Io {
public:
    enum class PollResult {
        Ready,    // a buffer can be dequeued, or the device reports an error (dequeue tells which)
        Timeout,  // nothing within the timeout
        Woken,    // the wake-up descriptor became readable
        Failed    // poll itself failed (errno set)
    };

    virtual ~V4l2Io() = default;

    // The video device nodes ("/dev/videoN"), in node order (N ascending).
    virtual std::vector<std::string> listVideoNodes() = 0;
    // The resolved sysfs directory of the node's device (its "device" link); empty when unknown.
    virtual std::string sysfsDeviceOf(const std::string& node) = 0;
    // Reads a whole sysfs file (text or binary). False when it does not exist.
    virtual bool readSysfs(const std::string& path, std::string* content) = 0;
    // The parent directory of a sysfs path ("" above the root).
    static std::string sysfsParent(const std::string& path);

    // Descriptor-style calls: -1 with errno on failure, like the system calls.
    virtual int open(const std::string& node) = 0;
    virtual int close(int fd) = 0;
    virtual int ioctl(int fd, unsigned long request, void* arg) = 0;
    // nullptr with errno on failure.
    virtual void* mmap(size_t length, int fd, off_t offset) = 0;
    virtual int munmap(void* address, size_t length) = 0;
    // Waits until fd has a buffer or an error, wakeFd becomes readable, or timeoutMs passes.
    virtual PollResult poll(int fd, int wakeFd, int timeoutMs) = 0;
};

}  // namespace qelds

#endif
