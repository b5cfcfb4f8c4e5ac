// Feeds arbitrary bytes to the scan checkpoint's parser. Whatever it accepts
// must survive being written out and read again unchanged, and its catalogue
// must go back into a tree.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <string>

#include "catalog/directory_tree.h"
#include "scan/scan_checkpoint.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string error;
    const auto c = tvn::ParseScanCheckpoint(std::span<const uint8_t>(data, size), error);
    if (!c) return 0;
    const auto again = tvn::ParseScanCheckpoint(tvn::SerializeScanCheckpoint(*c), error);
    if (!again || again->catalogue != c->catalogue || again->nextSector != c->nextSector ||
        again->types != c->types || again->counters != c->counters ||
        again->unreadable != c->unreadable || again->lengths != c->lengths ||
        again->foundBytes != c->foundBytes || again->foundUntil != c->foundUntil) {
        std::abort();
    }
    tvn::CDirectoryTree tree;
    if (!tvn::RestoreCheckpointCatalogue(*c, tree, error)) std::abort();
    return 0;
}
