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

bool WriteFully(int fd, const void* buf, uint64_t n) {
    const auto* p = static_cast<const unsigned char*>(buf);
    while (n > 0) {
        const size_t chunk = static_cast<size_t>(n < (1u << 30) ? n : (1u << 30));
        const ssize_t w = ::write(fd, p, chunk);
        if (w < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (w == 0) {
            errno = EIO;
            return false;
        }
        p += w;
        n -= static_cast<uint64_t>(w);
    }
    return true;
}

int64_t TellFd(int fd) { return static_cast<int64_t>(::lseek(fd, 0, SEEK_CUR)); }

}  // namespace tvn
