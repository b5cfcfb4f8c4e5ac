// The scan info loader's check of the medium by content: arbitrary medium
// bytes and an arbitrary listing (types and start sectors, inside and
// outside the medium). The recognizers may read nothing outside their
// block, and the check must come back with an answer.
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "catalog/scan_info.h"
#include "scan/listed_files_check.h"
#include "scan/scanner.h"

namespace {

constexpr uint64_t kMediumBytes = 2 * tvn::kScanBufferSize;

struct Medium {
    Medium() : fd(::memfd_create("tvn-fuzz-listed", MFD_CLOEXEC)) {
        if (fd >= 0 && ::ftruncate(fd, kMediumBytes) == 0) {
            source = std::make_unique<tvn::CDiskSource>("/proc/self/fd/" + std::to_string(fd), 2);
        }
    }
    int fd;
    std::unique_ptr<tvn::CDiskSource> source;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static Medium m;
    if (!m.source || size < 1) return 0;
    // The listing: up to eight files of three bytes each (type, sector).
    const size_t files = std::min<size_t>(data[0] % 9, (size - 1) / 3);
    tvn::ScanInfoContents contents;
    for (size_t i = 0; i < files; ++i) {
        const uint8_t* f = data + 1 + 3 * i;
        const tvn::TypeFacts& facts = tvn::kTypes[f[0] % tvn::kTypeCount];
        // Sectors past the medium's 2,048 are listed too.
        const uint64_t sector = static_cast<uint64_t>(f[1] | (f[2] << 8)) % 2200;
        auto it = std::find_if(contents.folders.begin(), contents.folders.end(),
                               [&](const tvn::ScanInfoContents::Folder& x) { return x.name == facts.name; });
        if (it == contents.folders.end()) {
            contents.folders.push_back({std::string(facts.name), {}});
            it = std::prev(contents.folders.end());
        }
        it->files.push_back({"file# " + std::to_string(i) + "." + std::string(facts.name), 4096,
                             sector, sector + 8});
    }
    // The rest is the medium's content, from its first sector on, after
    // the last input's bytes are cleared.
    static const std::vector<uint8_t> zeros(kMediumBytes, 0);
    if (::pwrite(m.fd, zeros.data(), zeros.size(), 0) < 0) return 0;
    const size_t rest = size - 1 - 3 * files;
    if (rest > 0 && ::pwrite(m.fd, data + 1 + 3 * files, std::min<size_t>(rest, kMediumBytes), 0) < 0)
        return 0;
    const tvn::ListedFilesCheck check = tvn::CheckListedFiles(contents, *m.source);
    if (check.checked > tvn::kListedFilesChecked) __builtin_trap();
    return 0;
}
