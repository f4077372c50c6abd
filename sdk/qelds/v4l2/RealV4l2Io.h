// V4l2Io on the running kernel.
#ifndef QELDS_REAL_V4L2_IO_H
#define QELDS_REAL_V4L2_IO_H

#include "V4l2Io.h"

namespace qelds {

class RealV4l2Io : public V4l2Io {
public:
    std::vector<std::string> listVideoNodes() override;
    std::string sysfsDeviceOf(const std::string& node) override;
    bool readSysfs(const std::string& path, std::string* content) override;
    int open(const std::string& node) override;
    int close(int fd) override;
    int ioctl(int fd, unsigned long request, void* arg) override;
    void* mmap(size_t length, int fd, off_t offset) override;
    int munmap(void* address, size_t length) override;
    PollResult poll(int fd, int wakeFd, int timeoutMs) override;
};

}  // namespace qelds

#endif
