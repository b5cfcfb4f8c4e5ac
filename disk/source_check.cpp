#include "disk/source_check.h"

#include <sys/stat.h>

#include <fmt/format.h>

namespace tvn {

namespace {
constexpr uint64_t kSmallestMedium = 512;  // one sector

const char* KindOf(mode_t mode) {
    if (S_ISDIR(mode)) return "a folder";
    if (S_ISFIFO(mode)) return "a FIFO";
    if (S_ISSOCK(mode)) return "a socket";
    if (S_ISCHR(mode)) return "a character device";
    return "no disk";
}
}  // namespace

std::string SizeRefusal(const std::string& path, uint64_t bytes) {
    if (bytes >= kSmallestMedium) return {};
    return fmt::format("{} is too small: {} bytes, less than one sector", path, bytes);
}

std::string SourceRefusal(const std::string& path) {
    struct stat st {};
    if (path.empty() || ::stat(path.c_str(), &st) != 0) return {};
    if (S_ISBLK(st.st_mode)) return {};
    if (!S_ISREG(st.st_mode)) {
        return fmt::format("{} is {}, not a disk or a disk image", path, KindOf(st.st_mode));
    }
    return SizeRefusal(path, static_cast<uint64_t>(st.st_size));
}

}  // namespace tvn
