// FAT directories read from their own bytes: the short (8.3) and long names of
// every entry, allocated or deleted, and the first letter of a deleted entry's
// short name found again. FAT marks a deleted entry by overwriting that letter
// with 0xE5; the long-name entries before it keep their characters and the
// checksum of the short name, and the names around it often share its
// pattern (DSC_0011.JPG, DSC_0013.JPG).
//
// Everything here is a pure function over bytes from the medium: it trusts
// nothing in them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "catalog/file_origin.h"

namespace tvn {

struct FatDirEntry {
    uint8_t shortName[11] = {};  // as stored; a deleted entry's first byte replaced (see restore)
    std::string longName;        // UTF-8; empty when no long-name entries belong to it
    uint8_t attributes = 0;
    bool deleted = false;
    uint32_t firstCluster = 0;
    uint32_t size = 0;
    uint16_t modifiedTime = 0, modifiedDate = 0;
    uint16_t createdTime = 0, createdDate = 0;
    uint8_t lowerCase = 0;  // the NT flags: 0x08 base, 0x10 extension in small letters
    size_t slot = 0;        // index of the short entry in the directory
    NameRestore restore = NameRestore::None;

    bool IsDirectory() const { return (attributes & 0x10) != 0; }
    // "DSC_0012.JPG" (small letters where the NT flags say so); a deleted
    // entry whose letter was not found begins with "_".
    std::string ShortName() const;
    // The long name when there is one, else the short name.
    std::string Name() const { return longName.empty() ? ShortName() : longName; }
};

// The checksum a long-name entry keeps of its short name.
uint8_t FatShortNameChecksum(const uint8_t name[11]);

// Every entry of one directory's bytes up to the end mark (a first byte of 0)
// or maxEntries entries: volume labels and "." / ".." are left out, long-name
// entries are joined to the short entry they belong to (allocated: all of
// their checksums agree with it; deleted: they are deleted too and agree with
// each other). Then RestoreFirstLetters.
std::vector<FatDirEntry> ParseFatDirectory(std::span<const uint8_t> bytes,
                                           size_t maxEntries = 65536);

// For every deleted entry: the first letter from its long name, when the
// checksum of the short name with that letter agrees with the long-name
// entries' (or, failing that, when exactly one letter a short name may hold
// does); else the first letter every other entry with the same pattern (the
// rest of the name up to its first digit, and the extension) shares; else "_".
void RestoreFirstLetters(std::vector<FatDirEntry>& entries);

// A FAT date and time (local time, two-second steps) as the seconds since
// 1970 in the system's time zone; false for a date that is not one.
bool FatTimeToUnix(uint16_t date, uint16_t time, int64_t& seconds);

}  // namespace tvn
