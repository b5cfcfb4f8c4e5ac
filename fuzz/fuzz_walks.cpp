// Feeds arbitrary bytes to the structure walks; the first byte picks the
// type, the second how the bytes are cut into stretches. A walk must never
// read outside the bytes, never measure more than there is, and give the same
// answer however the bytes are fetched.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "scan/exact/walks.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace tvn;
    if (size < 2) return 0;
    const auto type = static_cast<FileType>(data[0] % kTypeCount);
    const size_t stretch = 1 + data[1] % 64;
    // A copy of exactly the file's bytes, so that the sanitizer sees any read
    // past its end.
    const std::vector<uint8_t> file(data + 2, data + size);
    CMemoryByteSource pieces(file, stretch);
    const WalkResult a = WalkFile(type, pieces);
    CMemoryByteSource whole(file, file.size() + 1);
    const WalkResult b = WalkFile(type, whole);
    if (a.measured && a.length > file.size()) std::abort();
    if (a.measured != b.measured || (a.measured && (a.length != b.length ||
                                                    a.openEnded != b.openEnded))) {
        std::abort();
    }
    return 0;
}
