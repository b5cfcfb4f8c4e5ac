// Extraction: writes one found file out of the medium into a directory under
// the node's name, then trims it with the repair routine of its type.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/report.h"
#include "output/output_context.h"
#include "catalog/directory_tree.h"
#include "disk/read_around.h"

namespace tvn {

// What became of one file.
struct ExtractResult {
    bool saved = false;       // the file is in dir under its name
    bool dropped = false;     // deliberately not kept (an MP3 below 2,048 bytes)
    bool mediumLost = false;  // the medium could not be opened or went away
    int error = 0;            // errno of the failure when not saved
    // The bytes this save read from the medium: the node's size, or for a
    // carved file whole sectors plus one, cut or divided as memory asked.
    // Worked out per save; the node itself is never changed.
    uint64_t size = 0;
    // A carved file above 50 MiB of a type that may be cut: only its first
    // 1 MiB was written.
    bool cut = false;
    std::string path;         // the file written
    // Sectors of the file that could not be read; they are zeros in it.
    uint64_t unreadableSectors = 0;
    std::vector<SectorRange> unreadable;
};

// Bytes read and written at a time: a file of any size is extracted in
// memory of this size.
inline constexpr uint64_t kExtractChunk = 4u << 20;

// The file node's Save. Reads the node's bytes from the current disk source
// (opened again on ctx.source.selectedDrive only when it went away) and writes them to
// dir + "/" + node name (dir exists), then repairs the file. Reports a lost
// medium by message; everything else goes to the diagnostic console. The
// rounding, the cut and the halving apply to this save only (ExtractResult::
// size): the node keeps the size the scan found.
//
// The file is read in chunks of kExtractChunk. Sectors that cannot be read
// are zeros in the file (read around as the scan does; counted in the result
// and in ctx.readHealth). The bytes go to a temporary name beside the
// file first and take the file's name only when all of them are written, so
// a full or vanished destination never leaves a half-written file under the
// final name.
ExtractResult SaveFileNode(const OutputContext& ctx, CFileNode& node, const std::string& dir,
                           IReporter& reporter);

// How extraction gets its read buffer: a block of the given size, or nullptr
// when there is no room. SaveFileNode uses new (std::nothrow); tests pass
// their own to exercise the retry with smaller sizes.
using ExtractAllocator = std::function<std::unique_ptr<uint8_t[]>(uint64_t size)>;
ExtractResult SaveFileNode(const OutputContext& ctx, CFileNode& node, const std::string& dir,
                           IReporter& reporter, const ExtractAllocator& allocate);

}  // namespace tvn
