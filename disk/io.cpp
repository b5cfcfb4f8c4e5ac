#include "disk/io.h"

#include <cerrno>
#include <unistd.h>

namespace tvn {

ssize_t ReadFully(int fd, void* buf, size_t n) {
    auto* p = static_cast<unsigned char*>(buf);
    size_t done = 0;
    while (done < n) {
        const ssize_t r = ::read(fd, p + done, n - done);
        if (r < 0) {
            if (errno == EINTR) continue;
            return -1;
        }
        if (r == 0) break;
        done += static_cast<size_t>(r);
    }
    return static_cast<ssize_t>(done);
}

ssize_t PreadFully(int fd, void* buf, size_t n, uint64_t offset) {
    auto* p = static_cast<unsigned char*>(buf);
    size_t done = 0;
    while (done < n) {
        const ssize_t r = ::pread(fd, p + done, n - done, static_cast<off_t>(offset + done));
        if (r < 0) {
            if (errno == EINTR) continue;
            return -1;
        }
        if (r == 0) break;
        done += static_cast<size_t>(r);
    }
    return static_cast<ssize_t>(done);
}

int64_t TellFd(int fd) { return static_cast<int64_t>(::lseek(fd, 0, SEEK_CUR)); }

}  // namespace tvn
