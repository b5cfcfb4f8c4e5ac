// Found files named by the file system: a file whose first sector is where a
// directory entry's data starts, and whose type agrees with the entry's
// extension (or the extension names no type), takes the entry's path, name
// and times. Where several entries start at one sector (a deleted entry whose
// clusters a newer file took), the allocated entry wins, then the newest.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "catalog/directory_tree.h"
#include "names/fs_entries.h"

namespace tvn {

struct NameSummary {
    uint64_t files = 0;             // file nodes in the catalogue
    uint64_t named = 0;             // of them, given an entry
    uint64_t deleted = 0;           // of the named, from a deleted entry
    uint64_t restoredLongName = 0;  // of the deleted, first letter from the long name
    uint64_t restoredSiblings = 0;  // ... from the names around it
    uint64_t unrestored = 0;        // ... not found ("_")
    uint64_t dated = 0;             // of the named, with a modification time
    uint64_t entries = 0;           // file entries the file systems hold
    std::vector<std::string> fileSystems;
    bool cut = false;
    double seconds = 0;  // time spent reading the file systems
};

// Whether a found file of the catalogue type type may be the file named name:
// the extension is one of the type's, of a type of the same family (TIFF-based
// raw files, ISO media), or names no type the program knows.
bool TypeAgreesWithName(const std::string& type, const std::string& name);

// The entries by the medium sector their data starts at.
class CEntryIndex {
public:
    CEntryIndex(const std::vector<FsEntry>& entries, uint32_t sectorSize);
    // The entry that names a found file of the type starting at sector, or null.
    const FsEntry* Find(uint64_t sector, const std::string& type) const;

private:
    std::unordered_map<uint64_t, std::vector<const FsEntry*>> m_bySector;
};

// Sets (or clears) the origin of every file node from the entries.
NameSummary AttachOriginalNames(CDirectoryTree& tree, const std::vector<FsEntry>& entries,
                                uint32_t sectorSize);

// Reads the medium's file systems through source and attaches what they say.
NameSummary ReadOriginalNames(CDirectoryTree& tree, const CDiskSource& source,
                              const FsReadLimits& limits = {});

// "342 of 400 files named from FAT32 at sector 2048 (12 deleted, 9 first letters found)"
std::string DescribeNames(const NameSummary& s);

}  // namespace tvn
