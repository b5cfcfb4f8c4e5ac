// A scan's checkpoint: where a scan had come to, what it had found by then
// and of which medium, so that a scan stopped or killed on a large medium can
// go on from there and end with the catalogue a scan run through would have.
//
// Layout: text lines, then the catalogue as a scan info file's bytes:
//   TVN scan checkpoint 2
//   drive <the medium's identifier>
//   sectors <total sectors>
//   sector-size <bytes>
//   next <the sector the next block of the scan begins at>
//   types <TYPE,TYPE,...>
//   exact <0|1>
//   counters <19 numbers: the per-type file numbers>
//   files <the files found so far>
//   found-bytes <the found-bytes total so far>
//   found-until <exact lengths: the byte after the farthest file found>
//   unreadable <FIRST+COUNT,... the sectors that could not be read so far>
//   lengths <one letter a file, in the catalogue's order: c carved,
//            m measured, i may be incomplete>
//   scan-info <path the catalogue is to be saved to, may be empty>
//   catalogue <byte count>
//   <the scan info bytes>
// Version 1 had no found-bytes, found-until, unreadable and lengths lines; it
// is still read (the total is then the sum of the sizes, the marks unknown).
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "app/types.h"
#include "disk/read_around.h"
#include "scan/scanner.h"
#include "scan/type_table.h"

namespace tvn {

class CDirectoryTree;
class CDiskSource;
class CScanJob;

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
    // What a scan run through would still know at its end about the part
    // before nextSector (version 2 on).
    int version = 2;
    uint64_t foundBytes = 0;
    uint64_t foundUntil = 0;
    std::vector<SectorRange> unreadable;  // sorted, merged
    std::string lengths;                  // 'c', 'm' or 'i' a file
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

// A running scan's checkpoint at nextSector, made on the scan's own thread
// (from its checkpoint call): the catalogue, counters and totals as they
// stand, and what the scan could not read so far.
ScanCheckpoint MakeScanCheckpoint(const CScanJob& job, const CDiskSource& source,
                                  const CDirectoryTree& tree, const CTypeCounters& counters,
                                  uint64_t files, std::vector<FileType> types,
                                  ULONGLONG nextSector, std::string scanInfoPath);

// Sets up job (after SetTypes) to go on from the checkpoint: the catalogue
// with its marks and totals, the counters, the unreadable sectors found
// before, and where the scan begins.
// False with error set when the catalogue does not parse; nothing is
// changed then.
bool ResumeScanFrom(const ScanCheckpoint& checkpoint, CScanJob& job, CDirectoryTree& tree,
                    CTypeCounters& counters, std::string& error);

// Whether the checkpoint was made on this medium (identifier, size).
bool CheckpointIsOf(const ScanCheckpoint& checkpoint, const CDiskSource& source);

// The checkpoint's path for a scan info path.
inline std::string CheckpointPathFor(const std::string& scanInfoPath) {
    return scanInfoPath + ".checkpoint";
}

}  // namespace tvn
