// The whole scan loop, fast path with its read-ahead thread, over a medium of
// one block that holds the input at its start and its end. It must neither
// read outside its buffers nor record a file outside the medium.
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "scan/scan_job.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const int fd = ::memfd_create("tvn-fuzz-scan", MFD_CLOEXEC);
    static std::vector<uint8_t> medium(tvn::kScanBufferSize, 0);
    if (fd < 0) return 0;
    const size_t n = std::min<size_t>(size, tvn::kScanBufferSize / 2);
    std::fill(medium.begin(), medium.end(), uint8_t{0});
    std::copy_n(data, n, medium.begin());
    std::copy_n(data, n, medium.end() - static_cast<std::ptrdiff_t>(n));
    if (::pwrite(fd, medium.data(), medium.size(), 0) != static_cast<ssize_t>(medium.size()))
        return 0;

    tvn::CDiskSource source("/proc/self/fd/" + std::to_string(fd), 2);
    tvn::CDirectoryTree tree;
    tvn::CTypeCounters counters;
    tvn::CJobControl control;
    tvn::CNullReporter reporter;
    tvn::CScanJob job(source, tree, counters, control, reporter);
    std::vector<tvn::FileType> all;
    for (const auto& f : tvn::kTypes) all.push_back(f.type);
    job.SetTypes(all);
    control.Reset();
    job.Run();
    for (tvn::CFolderNode* f = tree.GetFirstFolder(); f; f = f->GetNextFolder())
        for (tvn::CFileNode* node = f->GetFirstChild(); node; node = node->GetNextFile())
            if (node->GetStartSector() >= source.GetTotalSectors()) std::abort();
    return 0;
}
