#include "RealV4l2Io.h"

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>

namespace qelds {

std::string V4l2Io::sysfsParent(const std::string& path) {
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos || slash == 0)
        return std::string();
    return path.substr(0, slash);
}

namespace {

// "video12" -> 12; -1 for anything else.
int videoNodeNumber(const char* name) {
    if (std::strncmp(name, "video", 5) != 0 || name[5] == '\0')
        return -1;
    int n = 0;
    for (const char* p = name + 5; *p; ++p) {
        if (*p < '0' || *p > '9' || n > 100000)
            return -1;
        n = n * 10 + (*p - '0');
    }
    return n;
}

}  // namespace

std::vector<std::string> RealV4l2Io::listVideoNodes() {
    std::vector<std::pair<int, std::string>> found;
    if (DIR* dir = ::opendir("/dev")) {
        while (const dirent* entry = ::readdir(dir)) {
            const int n = videoNodeNumber(entry->d_name);
            if (n >= 0)
                found.emplace_back(n, std::string("/dev/") + entry->d_name);
        }
        ::closedir(dir);
    }
    std::sort(found.begin(), found.end());
    std::vector<std::string> nodes;
    for (auto& f : found)
        nodes.push_back(std::move(f.second));
    return nodes;
}

std::string RealV4l2Io::sysfsDeviceOf(const std::string& node) {
    const auto slash = node.find_last_of('/');
    const std::string name = slash == std::string::npos ? node : node.substr(slash + 1);
    const std::string link = "/sys/class/video4linux/" + name + "/device";
    char resolved[PATH_MAX];
    if (!::realpath(link.c_str(), resolved))
        return std::string();
    return resolved;
}

bool RealV4l2Io::readSysfs(const std::string& path, std::string* content) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    content->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

int RealV4l2Io::open(const std::string& node) {
    return ::open(node.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
}

int RealV4l2Io::close(int fd) {
    return ::close(fd);
}

int RealV4l2Io::ioctl(int fd, unsigned long request, void* arg) {
    int r;
    do {
        r = ::ioctl(fd, request, arg);
    } while (r == -1 && errno == EINTR);
    return r;
}

void* RealV4l2Io::mmap(size_t length, int fd, off_t offset) {
    void* p = ::mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_SHARED, fd, offset);
    return p == MAP_FAILED ? nullptr : p;
}

int RealV4l2Io::munmap(void* address, size_t length) {
    return ::munmap(address, length);
}

V4l2Io::PollResult RealV4l2Io::poll(int fd, int wakeFd, int timeoutMs) {
    pollfd fds[2] = {{fd, POLLIN, 0}, {wakeFd, POLLIN, 0}};
    const int count = wakeFd >= 0 ? 2 : 1;
    int r;
    do {
        r = ::poll(fds, count, timeoutMs);
    } while (r == -1 && errno == EINTR);
    if (r < 0)
        return PollResult::Failed;
    if (r == 0)
        return PollResult::Timeout;
    if (count == 2 && (fds[1].revents & POLLIN))
        return PollResult::Woken;
    return PollResult::Ready;
}

}  // namespace qelds
