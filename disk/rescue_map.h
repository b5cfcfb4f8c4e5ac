// The map of a rescue copy: which parts of the medium have been copied, which
// failed, which were not tried yet. It is kept in GNU ddrescue's mapfile
// format, so ddrescuelog and map viewers read it:
//
//   # comment lines
//   0x00120000     ?               1          current position, status, pass
//   #      pos        size  status
//   0x00000000  0x00120000  +                 blocks, in order, without gaps
//   0x00120000  0x00001000  -
//
// Block status: '?' not tried, '*' failed in the first pass and not trimmed,
// '/' trimmed but not scraped, '-' bad sector(s), '+' copied.
// Parsing and formatting are pure functions over text; saving writes a
// temporary file beside the map, flushes it and renames it over the map.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "disk/read_around.h"

namespace tvn {

enum class RescueStatus : char {
    NonTried = '?',
    NonTrimmed = '*',
    NonScraped = '/',
    BadSector = '-',
    Finished = '+',
};

// A block of the map: size bytes from pos, all with one status.
struct RescueBlock {
    uint64_t pos = 0;
    uint64_t size = 0;
    RescueStatus status = RescueStatus::NonTried;
    uint64_t End() const { return pos + size; }
    bool operator==(const RescueBlock&) const = default;
};

// The copier's phase, as the status line records it.
enum class RescuePhase : char {
    Copying = '?',
    Trimming = '*',
    Scraping = '/',
    Retrying = '-',
    Finished = '+',
};

class CRescueMap {
public:
    CRescueMap() = default;
    // A map of a medium of size bytes, nothing tried.
    explicit CRescueMap(uint64_t size);

    // The bytes the map covers (from 0).
    uint64_t Size() const { return m_blocks.empty() ? 0 : m_blocks.back().End(); }
    const std::vector<RescueBlock>& Blocks() const { return m_blocks; }

    // Gives size bytes from pos the status; adjacent blocks of the same
    // status are merged. The range is cut to the map's size.
    void Mark(uint64_t pos, uint64_t size, RescueStatus status);
    // The status of the byte at pos (Finished past the end).
    RescueStatus StatusAt(uint64_t pos) const;
    // The block holding pos; nullptr past the end.
    const RescueBlock* BlockAt(uint64_t pos) const;

    // Bytes with the status, and the number of blocks with it.
    uint64_t Bytes(RescueStatus status) const;
    uint64_t Areas(RescueStatus status) const;
    // Ranges (pos, size) of every byte that is not Finished, in order.
    std::vector<RescueBlock> NotFinished() const;

    uint64_t currentPos = 0;
    RescuePhase phase = RescuePhase::Copying;
    int pass = 1;

    bool operator==(const CRescueMap&) const = default;

    // Parses a map file. Nothing is taken from a text that does not hold
    // together: error says the line and why. Blocks must start at 0 and
    // follow each other without gaps or overlaps; a map of no blocks is
    // refused.
    friend std::optional<CRescueMap> ParseRescueMap(std::string_view text, std::string& error);

private:
    void Merge(size_t from, size_t to);
    std::vector<RescueBlock> m_blocks;
};

std::optional<CRescueMap> ParseRescueMap(std::string_view text, std::string& error);

// The map as text; header names the program that wrote it (a comment line).
std::string FormatRescueMap(const CRescueMap& map, std::string_view header = {});

// Writes the map to path through a temporary file beside it ("path.tmp-XXXXXX"),
// flushed to the disk, then renamed over path, and the folder flushed. False
// with errno set when any step fails; the old map then stays as it was.
bool SaveRescueMap(const std::string& path, const CRescueMap& map,
                   std::string_view header = {});

// Reads and parses the map at path. nullopt with error set when it cannot be
// read or does not parse.
std::optional<CRescueMap> LoadRescueMap(const std::string& path, std::string& error);

// The sectors (of sectorSize bytes) that hold any byte the map does not call
// copied: what a recovery from the image must treat as unreadable. Sorted,
// merged.
std::vector<SectorRange> NeverReadSectors(const CRescueMap& map, uint32_t sectorSize);

// Adds to bad (sorted, merged ranges of one read of count sectors from
// first) the sectors of that read that lie in neverRead (sorted), and sets
// badSectors to the sectors bad holds then.
void AddNeverRead(const std::vector<SectorRange>& neverRead, uint64_t first, uint64_t count,
                  std::vector<SectorRange>& bad, uint64_t& badSectors);

}  // namespace tvn
