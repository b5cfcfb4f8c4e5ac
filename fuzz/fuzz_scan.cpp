// Scans the input as a medium with every recognizer, once on the fast path
// and once on the straightforward reference path; both must agree, and no
// recognizer may read outside its buffers.
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <tuple>
#include <vector>

#include "scan/scan_job.h"

namespace {

using Catalogue = std::vector<std::tuple<std::string, uint64_t, uint64_t, uint64_t>>;

Catalogue Scan(const std::string& path, bool straightforward) {
    tvn::CDiskSource source(path, 2);
    tvn::CDirectoryTree tree;
    tvn::CTypeCounters counters;
    tvn::CJobControl control;
    tvn::CNullReporter reporter;
    tvn::CScanJob job(source, tree, counters, control, reporter);
    std::vector<tvn::FileType> all;
    for (const auto& f : tvn::kTypes) all.push_back(f.type);
    job.SetTypes(all);
    job.Context().straightforward = straightforward;
    control.Reset();
    job.Run();
    Catalogue out;
    for (tvn::CFolderNode* f = tree.GetFirstFolder(); f; f = f->GetNextFolder())
        for (tvn::CFileNode* n = f->GetFirstChild(); n; n = n->GetNextFile())
            out.emplace_back(n->GetName(), n->GetStartSector(), n->GetEndSector(), n->GetSize());
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const int fd = ::memfd_create("tvn-fuzz-medium", MFD_CLOEXEC);
    if (fd < 0) return 0;
    // Put the input at the end of the first block too, so that block edges
    // are reached by small inputs.
    std::vector<uint8_t> medium(tvn::kScanBufferSize + size, 0);
    std::copy(data, data + size, medium.begin());
    std::copy(data, data + size, medium.begin() + static_cast<long>(tvn::kScanBufferSize - std::min<size_t>(size, 4096)));
    if (::write(fd, medium.data(), medium.size()) != static_cast<ssize_t>(medium.size())) {
        ::close(fd);
        return 0;
    }
    const std::string path = "/proc/self/fd/" + std::to_string(fd);
    if (Scan(path, false) != Scan(path, true)) std::abort();
    ::close(fd);
    return 0;
}
