#include "disk/medium.h"

#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

#include "disk/io.h"
#include "disk/raw_access.h"

namespace tvn {

// libewf's side (disk/ewf_medium.cpp).
std::shared_ptr<IMedium> OpenEwfMedium(const std::string& path, int* error);

namespace {

// preadv until every buffer is full, the data ends, or an error.
ssize_t PreadvFully(int fd, const iovec* parts, int count, uint64_t offset) {
    std::vector<iovec> left(parts, parts + count);
    size_t first = 0;
    ssize_t total = 0;
    while (first < left.size()) {
        const ssize_t got = ::preadv(fd, left.data() + first, static_cast<int>(left.size() - first),
                                     static_cast<off_t>(offset + static_cast<uint64_t>(total)));
        if (got < 0) {
            if (errno == EINTR) continue;
            // What was read before the error counts; the caller reads the
            // rest again piece by piece.
            return total > 0 ? total : -1;
        }
        if (got == 0) break;
        total += got;
        auto rest = static_cast<size_t>(got);
        while (first < left.size() && rest >= left[first].iov_len) {
            rest -= left[first].iov_len;
            ++first;
        }
        if (rest > 0) {
            left[first].iov_base = static_cast<char*>(left[first].iov_base) + rest;
            left[first].iov_len -= rest;
        }
    }
    return total;
}

size_t TotalLength(const iovec* parts, int count) {
    size_t n = 0;
    for (int i = 0; i < count; ++i) n += parts[i].iov_len;
    return n;
}

uint64_t DescriptorBytes(int fd) {
    struct stat st{};
    if (fd < 0 || ::fstat(fd, &st) != 0) return 0;
    if (S_ISBLK(st.st_mode)) {
        uint64_t bytes = 0;
        return ::ioctl(fd, BLKGETSIZE64, &bytes) == 0 ? bytes : 0;
    }
    return S_ISREG(st.st_mode) ? static_cast<uint64_t>(st.st_size) : 0;
}

bool SameFile(const std::string& path, dev_t dev, ino_t ino) {
    struct stat now{};
    return ::stat(path.c_str(), &now) == 0 && now.st_dev == dev && now.st_ino == ino;
}

}  // namespace

// ---- every medium ----

ssize_t IMedium::CheckEnd(ssize_t got, size_t n, uint64_t offset) const {
    if (got < 0 || static_cast<size_t>(got) >= n) return got;
    const uint64_t end = offset + static_cast<uint64_t>(got);
    if (end >= m_size) return got;  // the end it had when it was opened
    // Short before that end: it ends earlier now, or has gone.
    if (CurrentSize() < m_size) {
        errno = ENODEV;
        return -1;
    }
    return got;
}

ssize_t IMedium::ReadAt(void* buf, size_t n, uint64_t offset) const {
    return CheckEnd(DoRead(buf, n, offset), n, offset);
}

// A vector read that brought something gives what it brought: its reader
// reads the rest again by ReadAt, which tells a medium that was lost.
ssize_t IMedium::ReadVecAt(const iovec* parts, int count, uint64_t offset) const {
    const ssize_t got = DoReadVec(parts, count, offset);
    return got > 0 ? got : CheckEnd(got, TotalLength(parts, count), offset);
}

ssize_t IMedium::ReadDirectAt(void* buf, size_t n, uint64_t offset) const {
    return CheckEnd(DoReadDirect(buf, n, offset), n, offset);
}

ssize_t IMedium::ReadVecDirectAt(const iovec* parts, int count, uint64_t offset) const {
    const ssize_t got = DoReadVecDirect(parts, count, offset);
    return got > 0 ? got : CheckEnd(got, TotalLength(parts, count), offset);
}

ssize_t IMedium::DoReadVec(const iovec* parts, int count, uint64_t offset) const {
    ssize_t total = 0;
    for (int i = 0; i < count; ++i) {
        const ssize_t got = DoRead(parts[i].iov_base, parts[i].iov_len,
                                   offset + static_cast<uint64_t>(total));
        if (got < 0) return total > 0 ? total : -1;
        total += got;
        if (static_cast<size_t>(got) < parts[i].iov_len) break;
    }
    return total;
}

ssize_t IMedium::DoReadDirect(void*, size_t, uint64_t) const {
    errno = EINVAL;
    return -1;
}

ssize_t IMedium::DoReadVecDirect(const iovec*, int, uint64_t) const {
    errno = EINVAL;
    return -1;
}

// ---- one descriptor ----

CMediumHandle::CMediumHandle(std::string path, int fd, int directFd, bool viaUDisks2)
    : m_path(std::move(path)), m_fd(fd), m_directFd(directFd), m_viaUDisks2(viaUDisks2) {
    struct stat st {};
    if (m_fd >= 0 && ::fstat(m_fd, &st) == 0) {
        m_dev = st.st_dev;
        m_ino = st.st_ino;
        m_rdev = S_ISBLK(st.st_mode) ? st.st_rdev : 0;
    }
    SetSize(DescriptorBytes(m_fd));
}

CMediumHandle::~CMediumHandle() {
    if (m_directFd >= 0) ::close(m_directFd);
    if (m_fd >= 0) ::close(m_fd);
}

uint32_t CMediumHandle::StatedSectorSize() const {
    int ss = 0;
    if (m_rdev != 0 && ::ioctl(m_fd, BLKSSZGET, &ss) == 0 && ss > 0) return static_cast<uint32_t>(ss);
    return 0;
}

uint64_t CMediumHandle::CurrentSize() const { return DescriptorBytes(m_fd); }

bool CMediumHandle::StillPresent() const {
    if (m_fd < 0) return false;
    struct stat now {};
    if (::stat(m_path.c_str(), &now) != 0) return false;
    if (m_rdev != 0) {
        if (!S_ISBLK(now.st_mode) || now.st_rdev != m_rdev) return false;
        uint64_t bytes = 0;
        return ::ioctl(m_fd, BLKGETSIZE64, &bytes) == 0 && bytes > 0;
    }
    return now.st_dev == m_dev && now.st_ino == m_ino;
}

ssize_t CMediumHandle::DoRead(void* buf, size_t n, uint64_t offset) const {
    return PreadFully(m_fd, buf, n, offset);
}

ssize_t CMediumHandle::DoReadVec(const iovec* parts, int count, uint64_t offset) const {
    return PreadvFully(m_fd, parts, count, offset);
}

ssize_t CMediumHandle::DoReadDirect(void* buf, size_t n, uint64_t offset) const {
    if (m_directFd < 0) {
        errno = EINVAL;
        return -1;
    }
    return PreadFully(m_directFd, buf, n, offset);
}

ssize_t CMediumHandle::DoReadVecDirect(const iovec* parts, int count, uint64_t offset) const {
    if (m_directFd < 0) {
        errno = EINVAL;
        return -1;
    }
    return PreadvFully(m_directFd, parts, count, offset);
}

// ---- a split raw image ----

CSplitMedium::CSplitMedium(std::vector<Part> parts) : m_parts(std::move(parts)) {
    uint64_t at = 0;
    for (const Part& p : m_parts) {
        m_starts.push_back(at);
        at += p.size;
    }
    SetSize(at);
}

CSplitMedium::~CSplitMedium() {
    for (const Part& p : m_parts)
        if (p.fd >= 0) ::close(p.fd);
}

uint64_t CSplitMedium::CurrentSize() const {
    // The medium runs as far as its parts, each as long as it was, reach.
    uint64_t total = 0;
    for (const Part& p : m_parts) {
        const uint64_t now = DescriptorBytes(p.fd);
        total += std::min(now, p.size);
        if (now < p.size) break;
    }
    return total;
}

bool CSplitMedium::StillPresent() const {
    return std::all_of(m_parts.begin(), m_parts.end(),
                       [](const Part& p) { return SameFile(p.path, p.dev, p.ino); });
}

ssize_t CSplitMedium::DoRead(void* buf, size_t n, uint64_t offset) const {
    auto* out = static_cast<char*>(buf);
    size_t done = 0;
    // The part that holds offset, then the ones after it.
    auto it = std::upper_bound(m_starts.begin(), m_starts.end(), offset);
    size_t i = it == m_starts.begin() ? 0 : static_cast<size_t>(it - m_starts.begin()) - 1;
    while (done < n && i < m_parts.size()) {
        const uint64_t at = offset + done;
        const Part& p = m_parts[i];
        if (at >= m_starts[i] + p.size) {
            ++i;
            continue;
        }
        const uint64_t within = at - m_starts[i];
        const size_t want = static_cast<size_t>(std::min<uint64_t>(n - done, p.size - within));
        const ssize_t got = PreadFully(p.fd, out + done, want, within);
        if (got < 0) return done > 0 ? static_cast<ssize_t>(done) : -1;
        done += static_cast<size_t>(got);
        if (static_cast<size_t>(got) < want) break;  // the part is shorter now
        ++i;
    }
    return static_cast<ssize_t>(done);
}

std::vector<std::string> SplitImageParts(const std::string& path) {
    const size_t dot = path.rfind('.');
    if (dot == std::string::npos || dot + 2 > path.size() || path.find('/', dot) != std::string::npos)
        return {};
    const std::string digits = path.substr(dot + 1);
    if (digits.size() > 4 || digits.find_first_not_of("0123456789") != std::string::npos) return {};
    const unsigned first = static_cast<unsigned>(std::stoul(digits));
    if (first > 1) return {};
    const std::string stem = path.substr(0, dot + 1);
    const auto name = [&](unsigned number) {
        std::string d = std::to_string(number);
        if (d.size() < digits.size()) d.insert(0, digits.size() - d.size(), '0');
        return stem + d;
    };
    std::vector<std::string> parts;
    for (unsigned number = first;; ++number) {
        const std::string part = name(number);
        struct stat st{};
        if (::stat(part.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) break;
        parts.push_back(part);
    }
    if (parts.size() < 2) return {};
    return parts;
}

namespace {

std::shared_ptr<IMedium> OpenSplit(const std::vector<std::string>& names, int* error) {
    std::vector<CSplitMedium::Part> parts;
    for (const std::string& name : names) {
        CSplitMedium::Part p;
        p.path = name;
        p.fd = ::open(name.c_str(), O_RDONLY | O_CLOEXEC);
        struct stat st{};
        if (p.fd < 0 || ::fstat(p.fd, &st) != 0) {
            *error = errno;
            if (p.fd >= 0) ::close(p.fd);
            for (const auto& q : parts) ::close(q.fd);
            return nullptr;
        }
        p.size = static_cast<uint64_t>(st.st_size);
        p.dev = st.st_dev;
        p.ino = st.st_ino;
        parts.push_back(std::move(p));
    }
    return std::make_shared<CSplitMedium>(std::move(parts));
}

}  // namespace

std::shared_ptr<IMedium> OpenMedium(const std::string& path, bool wantDirect, int* error,
                                    std::string* detail) {
    int ignored = 0;
    if (error == nullptr) error = &ignored;
    *error = 0;
    struct stat st{};
    if (!path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode)) {
        if (IsEwfImage(path)) return OpenEwfMedium(path, error);
        const std::vector<std::string> parts = SplitImageParts(path);
        if (!parts.empty()) return OpenSplit(parts, error);
    }
    RawOpenResult r = OpenMediumForReading(path, wantDirect);
    if (r.fd < 0) {
        *error = r.error;
        if (detail != nullptr) *detail = r.detail;
        return nullptr;
    }
    return std::make_shared<CMediumHandle>(path, r.fd, r.directFd, r.viaUDisks2);
}

}  // namespace tvn
