// What the medium's file system still says about a found file: the entry
// whose data starts where the file starts. Kept beside the file node, never in
// the scan info file (it is read from the medium again when a catalogue is
// loaded).
#pragma once

#include <cstdint>
#include <string>

namespace tvn {

// How the first letter of a deleted FAT entry's short name was found again.
enum class NameRestore : unsigned char {
    None,      // nothing was lost (allocated entry, or a file system that keeps it)
    LongName,  // from the entry's long-name entries, their checksum agreeing
    Siblings,  // from the names its neighbours in the directory share
    Unknown,   // could not be found: "_" stands for it
};

// A time stamp of a directory entry.
struct EntryTime {
    int64_t seconds = 0;  // UTC seconds since 1970
    bool known = false;
    // The file system keeps local time without a zone (FAT): seconds was
    // worked out with the system's time zone.
    bool localZone = false;
    // The entry names its offset from UTC (exFAT, when the field is valid).
    bool hasOffset = false;
    int offsetMinutes = 0;
};

struct FileOrigin {
    std::string path;        // full path from the file system's root: "DCIM/100CANON/IMG_0042.JPG"
    std::string name;        // the last part of path
    std::string fileSystem;  // "FAT32", "exFAT", "NTFS", ...
    uint64_t size = 0;       // the entry's size in bytes
    EntryTime created;
    EntryTime modified;
    bool deleted = false;
    NameRestore restore = NameRestore::None;
};

inline const char* NameRestoreText(NameRestore r) {
    switch (r) {
    case NameRestore::None: return "none";
    case NameRestore::LongName: return "long name";
    case NameRestore::Siblings: return "siblings";
    case NameRestore::Unknown: return "unknown";
    }
    return "none";
}

}  // namespace tvn
