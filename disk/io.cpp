#include "disk/io.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <filesystem>
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

bool ReplaceFileWhole(const std::string& path, const void* data, size_t n) {
    std::string tmp = path + ".tmp-XXXXXX";
    const int fd = ::mkostemp(tmp.data(), O_CLOEXEC);
    if (fd < 0) return false;
    // mkostemp makes the file for its owner only; these are ordinary files.
    ::fchmod(fd, 0644);
    int err = 0;
    if (!WriteFully(fd, data, n) || ::fsync(fd) != 0) err = errno;
    if (::close(fd) != 0 && err == 0) err = errno;
    if (err == 0 && ::rename(tmp.c_str(), path.c_str()) != 0) err = errno;
    if (err != 0) {
        ::unlink(tmp.c_str());
        errno = err;
        return false;
    }
    // The rename itself is on the disk only when the folder is.
    std::string dir = std::filesystem::path(path).parent_path().string();
    if (dir.empty()) dir = ".";
    const int dfd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dfd >= 0) {
        ::fsync(dfd);
        ::close(dfd);
    }
    return true;
}

}  // namespace tvn
