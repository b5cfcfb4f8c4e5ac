// E01 (Expert Witness) images, read through libewf: the segment files
// ("card.E01", "card.E02", ...) are found from the first one, and the image's
// media data is read by position. libewf's handle is not to be used by two
// threads at once, so every read holds the medium's lock.
#include <libewf.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <mutex>
#include <vector>

#include "disk/medium.h"

namespace tvn {

namespace {

struct EwfSegment {
    std::string path;
    dev_t dev = 0;
    ino_t ino = 0;
};

class CEwfMedium : public IMedium {
public:
    CEwfMedium(libewf_handle_t* handle, std::vector<EwfSegment> segments, uint64_t size,
               uint32_t sectorSize)
        : m_handle(handle), m_segments(std::move(segments)), m_sectorSize(sectorSize) {
        SetSize(size);
    }
    ~CEwfMedium() override {
        libewf_handle_close(m_handle, nullptr);
        libewf_handle_free(&m_handle, nullptr);
    }
    CEwfMedium(const CEwfMedium&) = delete;
    CEwfMedium& operator=(const CEwfMedium&) = delete;

    const std::string& Path() const override { return m_segments.front().path; }
    uint32_t StatedSectorSize() const override { return m_sectorSize; }
    // The image's media size does not change; a segment file that went away
    // shows as a failed read.
    uint64_t CurrentSize() const override { return StillPresent() ? Size() : 0; }
    bool StillPresent() const override {
        for (const EwfSegment& s : m_segments) {
            struct stat now{};
            if (::stat(s.path.c_str(), &now) != 0 || now.st_dev != s.dev || now.st_ino != s.ino)
                return false;
        }
        return true;
    }

protected:
    ssize_t DoRead(void* buf, size_t n, uint64_t offset) const override {
        if (offset >= Size()) return 0;
        const size_t want = static_cast<size_t>(std::min<uint64_t>(n, Size() - offset));
        std::lock_guard lock(m_mutex);
        size_t done = 0;
        while (done < want) {
            libewf_error_t* error = nullptr;
            const ssize_t got = libewf_handle_read_random(
                m_handle, static_cast<char*>(buf) + done, want - done,
                static_cast<off64_t>(offset + done), &error);
            if (error != nullptr) libewf_error_free(&error);
            if (got < 0) {
                // A chunk whose checksum fails or whose segment cannot be
                // read: an unreadable stretch, read around like a bad sector.
                errno = EIO;
                return -1;
            }
            if (got == 0) break;
            done += static_cast<size_t>(got);
        }
        return static_cast<ssize_t>(done);
    }

private:
    mutable std::mutex m_mutex;
    libewf_handle_t* m_handle;
    std::vector<EwfSegment> m_segments;
    uint32_t m_sectorSize;
};

}  // namespace

bool IsEwfImage(const std::string& path) {
    libewf_error_t* error = nullptr;
    const int is = libewf_check_file_signature(path.c_str(), &error);
    if (error != nullptr) libewf_error_free(&error);
    return is == 1;
}

std::shared_ptr<IMedium> OpenEwfMedium(const std::string& path, int* error) {
    libewf_error_t* err = nullptr;
    char** names = nullptr;
    int count = 0;
    const auto fail = [&](int code) -> std::shared_ptr<IMedium> {
        if (err != nullptr) libewf_error_free(&err);
        *error = code;
        return nullptr;
    };
    if (libewf_glob(path.c_str(), path.size(), LIBEWF_FORMAT_UNKNOWN, &names, &count, &err) != 1)
        return fail(ENOENT);
    std::vector<EwfSegment> segments;
    for (int i = 0; i < count; ++i) {
        EwfSegment s;
        s.path = names[i];
        struct stat st{};
        if (::stat(names[i], &st) == 0) {
            s.dev = st.st_dev;
            s.ino = st.st_ino;
        }
        segments.push_back(std::move(s));
    }
    libewf_handle_t* handle = nullptr;
    if (libewf_handle_initialize(&handle, &err) != 1) {
        libewf_glob_free(names, count, nullptr);
        return fail(ENOMEM);
    }
    const int opened = libewf_handle_open(handle, names, count, LIBEWF_OPEN_READ, &err);
    libewf_glob_free(names, count, nullptr);
    size64_t size = 0;
    uint32_t sector = 0;
    if (opened != 1 || libewf_handle_get_media_size(handle, &size, &err) != 1 ||
        libewf_handle_get_bytes_per_sector(handle, &sector, &err) != 1 || segments.empty()) {
        libewf_handle_close(handle, nullptr);
        libewf_handle_free(&handle, nullptr);
        return fail(EIO);
    }
    return std::make_shared<CEwfMedium>(handle, std::move(segments), size, sector);
}

}  // namespace tvn
