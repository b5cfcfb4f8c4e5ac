#include "scan/listed_files_check.h"

#include "disk/medium.h"

#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <fmt/format.h>
#include <memory>
#include <vector>

#include "catalog/scan_info.h"
#include "disk/io.h"
#include "scan/scanner.h"

namespace tvn {

ListedFilesCheck CheckListedFiles(const ScanInfoContents& contents, CDiskSource& source) {
    ListedFilesCheck result;
    struct Listed {
        FileType type;
        const std::string* folder;
        const ScanInfoContents::File* file;
    };
    std::vector<Listed> listed;
    for (const ScanInfoContents::Folder& f : contents.folders) {
        const TypeFacts* facts = FindFolderType(f.name);
        if (facts == nullptr) continue;
        for (const ScanInfoContents::File& file : f.files) listed.push_back({facts->type, &f.name, &file});
    }
    const ULONGLONG S = source.GetSectorSizeU();
    if (listed.empty() || S == 0 || kScanBufferSize % S != 0) return result;

    CTypeCounters counters;
    CNullReporter reporter;
    CScanContext ctx(source, counters, reporter);
    ctx.straightforward = true;  // no read-ahead thread: only the buffer is looked at
    const ULONGLONG K = kScanBufferSize / S;
    const ULONGLONG origin = source.GetStartSector();
    const ULONGLONG total = source.GetTotalSectors();
    const ULONGLONG position = source.GetPosition();

    // One recognizer per type listed, made before the block (making one
    // empties the shared block). Only IsFileHeader is asked, which looks at
    // the block alone, so none carries anything from one file to the next.
    std::array<std::unique_ptr<CScanner>, kTypeCount> recognizers;
    for (const Listed& l : listed) {
        auto& r = recognizers[static_cast<size_t>(l.type)];
        if (!r) r = MakeRecognizer(ctx, l.type);
    }
    CScanner& any = *recognizers[static_cast<size_t>(listed.front().type)];
    BYTE* block = any.AllocBuffer(kScanBufferSize);

    // Spread over the catalogue: the first, the last and evenly between.
    const size_t n = listed.size();
    const size_t count = std::min(n, kListedFilesChecked);
    for (size_t i = 0; i < count && result.ok; ++i) {
        const Listed& l = listed[count == 1 ? 0 : i * (n - 1) / (count - 1)];
        const ULONGLONG start = l.file->startSector;
        ++result.checked;
        bool found = false;
        if (start < total) {
            // The block the scan had in its buffer when it came to this
            // sector, so that the recognizer sees what it saw then.
            const ULONGLONG rel = start >= origin ? start - origin : 0;
            const ULONGLONG blockSector = start >= origin ? origin + rel / K * K : start;
            const auto offset = static_cast<DWORD>(start >= origin ? (rel % K) * S : 0);
            const ssize_t got =
                source.GetMedium() ? source.GetMedium()->ReadAt(block, kScanBufferSize, blockSector * S)
                                   : -1;
            if (got > 0 && static_cast<ULONGLONG>(got) > offset) {
                std::memset(block + got, 0, kScanBufferSize - static_cast<size_t>(got));
                ctx.bufferFilePos = blockSector * S;
                ++ctx.generation;
                CScanner& recognizer = *recognizers[static_cast<size_t>(l.type)];
                recognizer.SetOffset(offset);
                source.SetPosition(blockSector + K);
                found = recognizer.IsFileHeader();
                // The file does not say how its scan measured lengths: a
                // start only a scan measuring exact lengths takes (an MPEG
                // pack whose sequence header lies at an odd distance) counts.
                if (!found) {
                    ctx.exactLengths = true;
                    found = recognizer.IsFileHeader();
                    ctx.exactLengths = false;
                }
            }
        }
        if (!found) {
            result.ok = false;
            result.mismatch = fmt::format("{}/{} at sector {}", *l.folder, l.file->name, start);
        }
    }
    source.SetPosition(position);
    return result;
}

bool ListedFilesStillThere(const ScanInfoContents& contents, CDiskSource& source) {
    return CheckListedFiles(contents, source).ok;
}

}  // namespace tvn
