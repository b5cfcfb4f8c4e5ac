// Arbitrary entry names for the zip writer: folder and file entries with the
// input as the name. The writer refuses or stores any name without reading
// or writing outside its buffers.
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <string>
#include <string_view>

#include "output/zip_writer.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const int source = [] {
        const int fd = ::memfd_create("tvn-fuzz-entry", MFD_CLOEXEC);
        if (fd >= 0 && ::write(fd, "entry bytes", 11) != 11) return -1;
        return fd;
    }();
    static const int archive = ::memfd_create("tvn-fuzz-zip", MFD_CLOEXEC);
    if (source < 0 || archive < 0 || ::ftruncate(archive, 0) != 0) return 0;
    auto zip = tvn::CZipWriter::Create("/proc/self/fd/" + std::to_string(archive));
    if (!zip) return 0;
    const std::string_view name(reinterpret_cast<const char*>(data), size);
    const size_t half = size / 2;
    (void)tvn::ZipAddFolder(zip.get(), name.substr(0, half));
    (void)tvn::ZipAddFile(zip.get(), name.substr(half), "/proc/self/fd/" + std::to_string(source));
    (void)tvn::ZipClose(zip);
    return 0;
}
