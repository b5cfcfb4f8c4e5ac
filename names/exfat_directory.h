// exFAT directories read from their bytes, for what the Sleuth Kit leaves
// out: each entry's offset from UTC. exFAT keeps local times with the offset
// of the zone they were written in; with it, the time is exact in any zone.
// A pure function over bytes from the medium.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "catalog/file_origin.h"

namespace tvn {

struct ExfatDirEntry {
    uint32_t firstCluster = 0;
    uint64_t size = 0;
    bool deleted = false;
    bool directory = false;
    EntryTime modified;  // known only where the entry names its offset from UTC
    EntryTime created;
};

// The file entries of one directory (a primary entry and its stream
// extension), allocated or deleted, up to the end mark or maxEntries.
std::vector<ExfatDirEntry> ParseExfatDirectory(std::span<const uint8_t> bytes,
                                               size_t maxEntries = 65536);

// An exFAT time stamp with its offset byte as UTC seconds; unknown when the
// offset is not marked valid or the date is not one.
EntryTime ExfatTime(uint32_t stamp, uint8_t tenMs, uint8_t offset);

}  // namespace tvn
