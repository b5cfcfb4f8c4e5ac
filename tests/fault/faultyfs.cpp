// tvn-faultyfs: a FUSE file system that serves one disk image as the file
// "image" and fails it on command, for the tests of failing media.
//
//   tvn-faultyfs BACKING MOUNTPOINT [--bad FIRST:COUNT]...
//
// Every read of "image" that touches a bad sector (512-byte units) fails with
// EIO, as a disk fails a request that covers a sector it cannot read. Lines
// written to the file "control" change the faults while it runs:
//   bad FIRST COUNT      more bad sectors
//   clear                no bad sectors, no delay
//   delay MS             every read of the image takes MS milliseconds more
//   vanish ERRNO         every read fails from now on (EIO, ENODEV, ...)
//   vanish-after BYTES   the same after BYTES more bytes have been served
//   slow FIRST COUNT MS  a read that touches these sectors takes MS more
//   back                 a vanished medium is there again
// The file "reads" holds the number of reads served and failed so far.
// It runs in the foreground, single-threaded, until it is unmounted.
#define FUSE_USE_VERSION 31
#include <fuse.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct Faults {
    int backing = -1;
    off_t size = 0;
    std::map<uint64_t, uint64_t> bad;  // first sector -> count
    std::map<uint64_t, uint64_t> slow;  // first sector -> count
    unsigned slowMs = 0;
    unsigned delayMs = 0;
    int vanished = 0;                  // the errno every read gets, 0 while present
    long long vanishAfter = -1;        // bytes until vanishing, -1: never
    int vanishAfterErrno = EIO;
    unsigned long long reads = 0, failed = 0;
    std::string controlLine;
};

Faults g;  // the one file system this process serves

bool Touches(const std::map<uint64_t, uint64_t>& areas, uint64_t offset, uint64_t size) {
    if (size == 0) return false;
    const uint64_t first = offset / 512;
    const uint64_t last = (offset + size - 1) / 512;
    auto it = areas.upper_bound(last);
    while (it != areas.begin()) {
        --it;
        if (it->first + it->second > first) return true;
        if (it->first + it->second <= first) break;
    }
    return false;
}

bool TouchesBad(uint64_t offset, uint64_t size) { return Touches(g.bad, offset, size); }

int ErrnoByName(const std::string& name) {
    if (name == "ENODEV") return ENODEV;
    if (name == "ENXIO") return ENXIO;
    if (name == "ENOTCONN") return ENOTCONN;
    if (name == "ENOMEDIUM") return ENOMEDIUM;
    return EIO;
}

void Command(const std::string& line) {
    std::istringstream in(line);
    std::string verb;
    in >> verb;
    if (verb == "bad") {
        uint64_t first = 0, count = 0;
        if (in >> first >> count && count > 0) g.bad[first] = count;
    } else if (verb == "clear") {
        g.bad.clear();
        g.delayMs = 0;
        g.slow.clear();
    } else if (verb == "slow") {
        uint64_t first = 0, count = 0;
        if (in >> first >> count >> g.slowMs && count > 0) g.slow[first] = count;
    } else if (verb == "back") {
        g.vanished = 0;
        g.vanishAfter = -1;
    } else if (verb == "delay") {
        in >> g.delayMs;
    } else if (verb == "vanish") {
        std::string e;
        in >> e;
        g.vanished = ErrnoByName(e);
    } else if (verb == "vanish-after") {
        std::string e = "EIO";
        in >> g.vanishAfter >> e;
        g.vanishAfterErrno = ErrnoByName(e);
    }
}

int GetAttr(const char* path, struct stat* st, fuse_file_info*) {
    std::memset(st, 0, sizeof *st);
    const std::string p = path;
    if (p == "/") {
        st->st_mode = S_IFDIR | 0755;
        st->st_nlink = 2;
    } else if (p == "/image") {
        st->st_mode = S_IFREG | 0444;
        st->st_nlink = 1;
        st->st_size = g.size;
    } else if (p == "/control") {
        st->st_mode = S_IFREG | 0200;
        st->st_nlink = 1;
    } else if (p == "/reads") {
        st->st_mode = S_IFREG | 0444;
        st->st_nlink = 1;
        st->st_size = 64;
    } else {
        return -ENOENT;
    }
    return 0;
}

int ReadDir(const char* path, void* buf, fuse_fill_dir_t fill, off_t, fuse_file_info*,
            fuse_readdir_flags) {
    if (std::strcmp(path, "/") != 0) return -ENOENT;
    for (const char* name : {".", "..", "image", "control", "reads"}) {
        fill(buf, name, nullptr, 0, static_cast<fuse_fill_dir_flags>(0));
    }
    return 0;
}

int Open(const char* path, fuse_file_info* fi) {
    const std::string p = path;
    const int mode = fi->flags & O_ACCMODE;
    if (p == "/image" || p == "/reads") {
        if (mode != O_RDONLY) return -EROFS;
    } else if (p == "/control") {
        if (mode == O_RDONLY) return -EACCES;
    } else {
        return -ENOENT;
    }
    // Past the kernel's page cache: every read reaches this process with the
    // reader's own offset and size, so faults are exact to the sector.
    fi->direct_io = 1;
    fi->keep_cache = 0;
    return 0;
}

int Read(const char* path, char* buf, size_t size, off_t offset, fuse_file_info*) {
    const std::string p = path;
    if (p == "/reads") {
        char text[64];
        const int n = std::snprintf(text, sizeof text, "%llu %llu\n", g.reads, g.failed);
        if (offset >= n) return 0;
        const size_t len = std::min(size, static_cast<size_t>(n - offset));
        std::memcpy(buf, text + offset, len);
        return static_cast<int>(len);
    }
    if (p != "/image") return -ENOENT;
    ++g.reads;
    unsigned delayMs = g.delayMs;
    if (g.slowMs > 0 && Touches(g.slow, static_cast<uint64_t>(offset), size)) delayMs += g.slowMs;
    if (delayMs > 0) {
        const timespec t{static_cast<time_t>(delayMs / 1000),
                         static_cast<long>(delayMs % 1000) * 1000000L};
        nanosleep(&t, nullptr);
    }
    if (g.vanished != 0 || TouchesBad(static_cast<uint64_t>(offset), size)) {
        ++g.failed;
        return -(g.vanished != 0 ? g.vanished : EIO);
    }
    if (offset >= g.size) return 0;
    size = std::min(size, static_cast<size_t>(g.size - offset));
    size_t done = 0;
    while (done < size) {
        const ssize_t r = pread(g.backing, buf + done, size - done, offset + static_cast<off_t>(done));
        if (r < 0 && errno == EINTR) continue;
        if (r <= 0) break;
        done += static_cast<size_t>(r);
    }
    if (g.vanishAfter >= 0) {
        g.vanishAfter -= static_cast<long long>(done);
        if (g.vanishAfter <= 0) g.vanished = g.vanishAfterErrno;
    }
    return static_cast<int>(done);
}

int Write(const char* path, const char* buf, size_t size, off_t, fuse_file_info*) {
    if (std::strcmp(path, "/control") != 0) return -EROFS;
    g.controlLine.append(buf, size);
    size_t nl;
    while ((nl = g.controlLine.find('\n')) != std::string::npos) {
        Command(g.controlLine.substr(0, nl));
        g.controlLine.erase(0, nl + 1);
    }
    return static_cast<int>(size);
}

int Truncate(const char* path, off_t, fuse_file_info*) {
    return std::strcmp(path, "/control") == 0 ? 0 : -EROFS;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s BACKING MOUNTPOINT [--bad FIRST:COUNT]...\n", argv[0]);
        return 2;
    }
    g.backing = open(argv[1], O_RDONLY | O_CLOEXEC);
    if (g.backing < 0) {
        std::perror(argv[1]);
        return 1;
    }
    struct stat st {};
    fstat(g.backing, &st);
    g.size = st.st_size;
    for (int i = 3; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--bad") == 0) {
            unsigned long long first = 0, count = 0;
            if (std::sscanf(argv[i + 1], "%llu:%llu", &first, &count) == 2) g.bad[first] = count;
        }
    }

    fuse_operations ops{};
    ops.getattr = GetAttr;
    ops.readdir = ReadDir;
    ops.open = Open;
    ops.read = Read;
    ops.write = Write;
    ops.truncate = Truncate;
    std::vector<char*> args = {argv[0], argv[2], const_cast<char*>("-f"), const_cast<char*>("-s"),
                               const_cast<char*>("-o"),
                               const_cast<char*>("fsname=tvn-faultyfs,allow_other")};
    return fuse_main(static_cast<int>(args.size()), args.data(), &ops, nullptr);
}
