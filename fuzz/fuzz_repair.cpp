// Feeds arbitrary bytes to the repair rules; the first byte picks the rule.
// A rule must never read outside the bytes nor answer more than their length.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "output/repair.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace tvn;
    if (size == 0) return 0;
    static const RepairKind kinds[] = {RepairKind::Crw, RepairKind::Cr2,    RepairKind::Tif,
                                       RepairKind::Orf, RepairKind::NefSr2, RepairKind::Srf,
                                       RepairKind::Mov, RepairKind::Mp4};
    const RepairKind kind = kinds[data[0] % 8];
    // A copy of exactly the file's bytes, so that the sanitizer sees any read
    // past its end.
    const std::vector<uint8_t> file(data + 1, data + size);
    CNullReporter quiet;
    if (RealSize(kind, file, quiet) > file.size()) std::abort();
    return 0;
}
