// The whole scan loop, fast path with its read-ahead thread, over a small
// medium (64 KiB, inside the first block) that holds the input at its start
// and at its end, so that a file found in the first copy runs into the
// second and one in the second into the medium's end. It must neither read
// outside its buffers nor record a file outside the medium. The medium and
// the scan job are made once and scanned again for each input, as the
// wizard scans a medium again.
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "scan/scan_job.h"

namespace {

constexpr size_t kMedium = 64 * 1024;

struct Rig {
    Rig() : fd(::memfd_create("tvn-fuzz-scan", MFD_CLOEXEC)) {
        if (fd < 0 || ::ftruncate(fd, kMedium) != 0) return;
        source = std::make_unique<tvn::CDiskSource>("/proc/self/fd/" + std::to_string(fd), 2);
        job = std::make_unique<tvn::CScanJob>(*source, tree, counters, control, reporter);
        std::vector<tvn::FileType> all;
        for (const auto& f : tvn::kTypes) all.push_back(f.type);
        job->SetTypes(all);
    }
    int fd;
    tvn::CDirectoryTree tree;
    tvn::CTypeCounters counters;
    tvn::CJobControl control;
    tvn::CNullReporter reporter;
    std::unique_ptr<tvn::CDiskSource> source;
    std::unique_ptr<tvn::CScanJob> job;
    std::vector<uint8_t> medium = std::vector<uint8_t>(kMedium, 0);
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static Rig rig;
    if (!rig.job) return 0;
    const size_t n = std::min(size, kMedium / 2);
    std::fill(rig.medium.begin(), rig.medium.end(), uint8_t{0});
    std::copy_n(data, n, rig.medium.begin());
    std::copy_n(data, n, rig.medium.end() - static_cast<std::ptrdiff_t>(n));
    if (::pwrite(rig.fd, rig.medium.data(), kMedium, 0) != static_cast<ssize_t>(kMedium)) return 0;

    rig.tree.RemoveAll();
    rig.control.Reset();
    rig.job->Run();
    for (tvn::CFolderNode* f = rig.tree.GetFirstFolder(); f; f = f->GetNextFolder())
        for (tvn::CFileNode* node = f->GetFirstChild(); node; node = node->GetNextFile())
            if (node->GetStartSector() >= rig.source->GetTotalSectors()) std::abort();
    return 0;
}
