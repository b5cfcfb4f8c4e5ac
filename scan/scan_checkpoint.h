// A scan's checkpoint: where a scan had come to, what it had found by then
// and of which medium, so that a scan stopped or killed on a large medium can
// go on from there and end with the catalogue a scan run through would have.
//
// Layout: text lines, then the catalogue as a scan info file's bytes:
//   TVN scan checkpoint 1
//   drive <the medium's identifier>
//   sectors <total sectors>
//   sector-size <bytes>
//   next <the sector the next block of the scan begins at>
//   types <TYPE,TYPE,...>
//   exact <0|1>
//   counters <19 numbers: the per-type file numbers>
//   files <the files found so far>
//   scan-info <path the catalogue is to be saved to, may be empty>
//   catalogue <byte count>
//   <the scan info bytes>
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "app/types.h"
#include "scan/scanner.h"
#include "scan/type_table.h"

namespace tvn {

class CDirectoryTree;

struct ScanCheckpoint {
    std::string driveId;
    ULONGLONG totalSectors = 0;
    uint32_t sectorSize = 0;
    ULONGLONG nextSector = 0;
    std::vector<FileType> types;
    bool exactLengths = false;
    std::array<UINT, kTypeCount> counters{};
    uint64_t files = 0;
    std::string scanInfoPath;
    std::vector<uint8_t> catalogue;  // a scan info file's bytes
};

std::vector<uint8_t> SerializeScanCheckpoint(const ScanCheckpoint& checkpoint);
// Parses a checkpoint; nullopt with error set when the bytes do not hold
// together (the catalogue is checked by the scan info parser).
std::optional<ScanCheckpoint> ParseScanCheckpoint(std::span<const uint8_t> bytes,
                                                  std::string& error);

// Written to a temporary name beside path, flushed, renamed over path. False
// with errno set on a failure; the old checkpoint then stays.
bool SaveScanCheckpoint(const std::string& path, const ScanCheckpoint& checkpoint);
std::optional<ScanCheckpoint> LoadScanCheckpoint(const std::string& path, std::string& error);

// Puts the checkpoint's catalogue into tree (emptied first) in the order the
// scan had made it, so a scan that goes on adds to it as it would have.
// False with error set when the catalogue does not parse.
bool RestoreCheckpointCatalogue(const ScanCheckpoint& checkpoint, CDirectoryTree& tree,
                                std::string& error);

// The checkpoint's path for a scan info path.
inline std::string CheckpointPathFor(const std::string& scanInfoPath) {
    return scanInfoPath + ".checkpoint";
}

}  // namespace tvn
