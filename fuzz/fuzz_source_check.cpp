// What may be opened as a medium, over arbitrary paths (any bytes, "/dev/"
// names, the proc files of this process) and sizes: the checks answer
// without opening anything and without blocking.
#include <cstdint>
#include <string>

#include "disk/source_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    static const char* const kPrefixes[] = {"", "/dev/", "/proc/self/", "/tmp/", "/"};
    std::string path = kPrefixes[data[0] % 5];
    path.append(reinterpret_cast<const char*>(data + 1), size - 1);
    (void)tvn::SourceRefusal(path);
    uint64_t bytes = 0;
    for (size_t i = 1; i < size && i < 9; ++i) bytes = (bytes << 8) | data[i];
    (void)tvn::SizeRefusal(path, bytes);
    return 0;
}
