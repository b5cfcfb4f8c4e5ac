// Exact lengths for a catalogue loaded from a scan info file. The file keeps
// only sizes; which of them the files' own structure confirmed ("measured")
// and which could not be followed to the end ("may be incomplete") is found
// again by running each type's walk on the medium, which reads only the
// file's structure.
#pragma once

#include <cstdint>
#include <functional>

#include "catalog/directory_tree.h"
#include "disk/disk_source.h"
#include "disk/read_around.h"

namespace tvn {

// Walks every file of the tree from its start sector on source. A file the
// walk follows to its end takes the measured length (a scan info made with
// exact lengths stores exactly that) and the Measured mark, or MayBeIncomplete
// when the structure leaves its end open; a file whose structure breaks keeps
// its stored size, marked MayBeIncomplete. Folders of unknown types are left
// as loaded. The found-bytes total is counted again as a scan with exact
// lengths counts it (each byte of the medium once). Returns the number of
// files walked; stops early (with what was done) when keepGoing says so.
uint64_t MeasureLoadedLengths(const CDiskSource& source, CDirectoryTree& tree,
                              CReadHealth& health, const std::function<bool()>& keepGoing = {});

}  // namespace tvn
