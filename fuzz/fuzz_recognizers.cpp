// Every recognizer over one block in memory: the input lies in the first
// block of a small medium at a sector chosen by its first two bytes, each
// recognizer is asked IsFileHeader there and, when it says yes, GetFileSize
// (whose searches read on into the medium). No recognizer may read outside
// its buffers. The medium, its descriptor, the scan context and the
// recognizers are made once.
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "scan/scan_job.h"

namespace {

struct Medium {
    Medium() : fd(::memfd_create("tvn-fuzz-block", MFD_CLOEXEC)) {
        // Two blocks: the one under test and the one the searches read next.
        if (fd >= 0 && ::ftruncate(fd, 2 * tvn::kScanBufferSize) == 0) {
            source = std::make_unique<tvn::CDiskSource>("/proc/self/fd/" + std::to_string(fd), 2);
            ctx = std::make_unique<tvn::CScanContext>(*source, counters, reporter);
            // The reference path: no read-ahead thread, every length measured.
            ctx->straightforward = true;
            // The recognizers are made once, as a scan makes them; making
            // one empties the shared block, so the block comes after them.
            for (const tvn::TypeFacts& f : tvn::kTypes) recognizers.push_back(tvn::MakeRecognizer(*ctx, f.type));
            recognizers.front()->AllocBuffer(tvn::kScanBufferSize);
        }
    }
    int fd;
    tvn::CTypeCounters counters;
    tvn::CNullReporter reporter;
    std::unique_ptr<tvn::CDiskSource> source;
    std::unique_ptr<tvn::CScanContext> ctx;
    std::vector<std::unique_ptr<tvn::CScanner>> recognizers;
    uint64_t dirtyFrom = 0, dirtyLen = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static Medium m;
    if (!m.ctx || size < 2) return 0;
    const uint32_t sector =
        static_cast<uint32_t>(data[0] | (data[1] << 8)) % (tvn::kScanBufferSize / 512);
    const uint64_t at = uint64_t{sector} * 512;
    const size_t n = std::min<size_t>(size - 2, 2 * tvn::kScanBufferSize - at);
    // Clear what the last input wrote, then write this one.
    if (m.dirtyLen > 0) {
        const std::vector<uint8_t> zeros(m.dirtyLen, 0);
        if (::pwrite(m.fd, zeros.data(), zeros.size(), static_cast<off_t>(m.dirtyFrom)) < 0)
            return 0;
    }
    if (::pwrite(m.fd, data + 2, n, static_cast<off_t>(at)) < 0) return 0;
    m.dirtyFrom = at;
    m.dirtyLen = n;

    // The recognizers share the context's block, as in a scan: it is read
    // once, and again only after a length search, which may read on into it.
    bool fresh = false;
    for (const auto& recognizer : m.recognizers) {
        if (!fresh) {
            ::lseek(m.fd, 0, SEEK_SET);
            recognizer->ReadBlock();
            fresh = true;
        }
        recognizer->SetOffset(static_cast<tvn::DWORD>(at));
        m.source->SetPosition(tvn::kScanBufferSize / 512);
        if (recognizer->IsFileHeader()) {
            (void)recognizer->GetFileSize();
            fresh = false;
        }
    }
    return 0;
}
