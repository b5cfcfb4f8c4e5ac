// Where a save puts each file when the file system named it: its original
// folders and name, or folders by the date the picture or film was taken.
// Names are made safe for the destination, and files whose content was saved
// already are recognised (size, then hash, then the bytes themselves).
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "app/save_layout.h"
#include "catalog/file_origin.h"

namespace tvn {


// Whether names on the destination folder must keep to what FAT, exFAT and
// NTFS allow (no :*?"<>| \ or control characters, no trailing dot or space).
bool DestinationNeedsWindowsNames(const std::string& dir);

// One part of a path made safe: "/" (and, for windowsNames, the characters
// those file systems forbid) become "_"; "." and ".." and empty names become
// "_"; long names are cut to 255 bytes without splitting a character.
std::string SafeNamePart(const std::string& name, bool windowsNames);

// The folder of an original path below the job folder ("DCIM/100CANON"), each
// part made safe; empty for a file at the root.
std::string SafeFolderOf(const std::string& originalPath, bool windowsNames);

// "name (2).ext", "name (3).ext", ... for the nth clash (n >= 2).
std::string ClashName(const std::string& name, unsigned n);

// A calendar date.
struct TakenDate {
    int year = 0, month = 0, day = 0;
    std::string Folder() const;  // "2023/2023-11-14"
};

// The date a photo was taken from its EXIF data (DateTimeOriginal, else
// DateTime), in a JPEG's APP1 segment or at the start of a TIFF-based file;
// or the creation time of a QuickTime/MP4 movie header ("mvhd", seconds since
// 1904, shown in the system's zone) found among the atoms in bytes. Pure:
// every offset is checked against the bytes given.
std::optional<TakenDate> DateTakenFromBytes(std::span<const uint8_t> bytes);

// The date of a saved file: the file's own (its first MiB, and the "moov" atom
// of a movie wherever it lies), else the entry's modification time in the
// system's zone.
std::optional<TakenDate> DateTakenOfFile(const std::string& path, const FileOrigin* origin);

// The files a save wrote, to recognise one it wrote already.
class CDuplicateIndex {
public:
    // Whether the file at path has the content of a file added before (the
    // earlier file is compared byte for byte while it is still there); when
    // not, remembers it. A file is read only when another of its size came
    // before it, so a save of files of different sizes reads nothing back.
    bool SeenBefore(const std::string& path);
    // The file remembered last was moved.
    void Moved(const std::string& to);
    // Hash every file when it is added: for saves whose files go away later
    // (into an archive), where an earlier file cannot be read again.
    void HashEveryFile() { m_eager = true; }

private:
    struct Seen {
        std::string path;
        uint64_t hash = 0;
        bool hashed = false;
    };
    std::map<uint64_t, std::vector<Seen>> m_bySize;
    std::string* m_last = nullptr;
    bool m_eager = false;
};

}  // namespace tvn
