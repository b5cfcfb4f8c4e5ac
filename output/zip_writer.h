// The zip archive writer: packs files into a PKZIP archive for the compressed
// save. Four operations: create the archive file, add a folder entry, add a
// file from disk, close (which writes the central directory).
//
// Layout: for each entry in the order of the add calls a local header (30
// bytes), the entry name and a 17-byte "UT" extended-timestamp field, then the
// entry data; then the central directory in the same order, then the 22-byte
// end record. Entries are stored (folders, and files whose name ends in one of
// the archive extensions) or raw-deflated at level 8. No data descriptor, no
// comment, no encryption, no zip64: an addition that would take the entry
// count past 65,535 or any size or offset past 32 bits is refused with
// kZipFull, so the archive is never written with a wrapped field.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "app/types.h"

namespace tvn {

using ZipResult = std::uint32_t;

inline constexpr ZipResult kZipOk = 0;
inline constexpr ZipResult kZipDupHandle = 0x100;
inline constexpr ZipResult kZipNoFile = 0x200;
inline constexpr ZipResult kZipNoAlloc = 0x300;
inline constexpr ZipResult kZipWrite = 0x400;
inline constexpr ZipResult kZipNotFound = 0x500;
inline constexpr ZipResult kZipMore = 0x600;
inline constexpr ZipResult kZipCorrupt = 0x700;
inline constexpr ZipResult kZipRead = 0x800;
inline constexpr ZipResult kZipArgs = 0x10000;
inline constexpr ZipResult kZipNotMem = 0x20000;
inline constexpr ZipResult kZipMemSize = 0x30000;
inline constexpr ZipResult kZipFailed = 0x40000;
inline constexpr ZipResult kZipEnded = 0x50000;
inline constexpr ZipResult kZipMisSize = 0x60000;
inline constexpr ZipResult kZipPartialUnz = 0x70000;
inline constexpr ZipResult kZipZMode = 0x80000;
// The archive cannot take this entry: 65,535 entries already, or a size or
// offset would no longer fit in 32 bits. Nothing was written; the caller may
// go on in a new archive.
inline constexpr ZipResult kZipFull = 0x90000;
inline constexpr ZipResult kZipNotInited = 0x1000000;
inline constexpr ZipResult kZipSeek = 0x2000000;
inline constexpr ZipResult kZipNoChange = 0x4000000;
inline constexpr ZipResult kZipFlate = 0x5000000;

// The text for a result code ("unknown zip result code" for any other).
const char* ZipResultText(ZipResult code);

// The entry count and archive size a PKZIP archive without zip64 can hold.
inline constexpr std::uint32_t kZipMaxEntries = 0xFFFF;
inline constexpr ULONGLONG kZipMaxArchiveSize = 0xFFFFFFFFull;

// DOS date and time of a broken-down time: date = (year - 1980) << 9 |
// month << 5 | day, time = hour << 11 | minute << 5 | second / 2. Years
// outside 1980..2107 are clamped to the first or last moment DOS can tell.
void ToDosDateTime(int year, int month, int day, int hour, int minute, int second, WORD& dosDate,
                   WORD& dosTime);

// External attributes of a file entry from its mode bits and the executable
// test: DOS read-only (0x01) when the owner may not write; Unix mode in the
// high 16 bits: regular file, owner read, owner write unless read-only,
// owner execute when executable.
DWORD FileExternalAttributes(unsigned mode, bool executable);
// The external attributes of a folder entry: directory with owner read, write
// and execute, and the DOS directory bit.
inline constexpr DWORD kFolderExternalAttributes = 0x41C00010;

// The executable-image test on a file's first bytes: longer than 40 bytes,
// the 16-bit value 0x54AD at offset 0, and the 32-bit value at offset 36 gives
// a position p (with p + 52 below the file length) holding 0x5A4D, 0x454E,
// 0x454C or 0x4550. Reads from fd with pread.
bool IsExecutableImage(int fd, ULONGLONG fileLength);

class CZipWriter {
public:
    // Creates (or truncates) the archive file; nullptr when it cannot be
    // created (errno tells why). With exclusive set an existing file is never
    // touched: the creation fails with EEXIST instead.
    static std::unique_ptr<CZipWriter> Create(const std::string& path, bool exclusive = false);
    // Closes the archive if Close was not called.
    ~CZipWriter();
    CZipWriter(const CZipWriter&) = delete;
    CZipWriter& operator=(const CZipWriter&) = delete;

    // A folder entry: name with "\" turned into "/" and a closing "/", stored,
    // sizes 0, time of now (local), attributes kFolderExternalAttributes.
    ZipResult AddFolder(std::string_view name);
    // A file entry named name with the contents of sourcePath (a regular file).
    ZipResult AddFile(std::string_view name, const std::string& sourcePath);
    // Writes the central directory and the end record and closes the file.
    // Later additions give kZipEnded.
    ZipResult Close();

    size_t GetEntryCount() const { return m_entries.size(); }
    const std::string& GetPath() const { return m_path; }
    // For tests: a smaller size the whole archive must stay within.
    void SetSizeLimit(ULONGLONG limit) { m_sizeLimit = limit; }
    // For tests: a smaller entry count.
    void SetEntryLimit(std::uint32_t limit) { m_entryLimit = limit; }

private:
    struct Entry {
        std::string name;
        WORD method = 0;
        WORD dosTime = 0;
        WORD dosDate = 0;
        DWORD crc = 0;
        DWORD compressedSize = 0;
        DWORD size = 0;
        DWORD externalAttributes = 0;
        DWORD headerOffset = 0;
        DWORD mtime = 0;
    };

    CZipWriter(int fd, std::string path) : m_fd(fd), m_path(std::move(path)) {}

    // Checks the state and forms the entry name; kZipOk or the code to return.
    ZipResult Prepare(std::string_view rawName, bool folder, std::string& name) const;
    // Whether an entry with this name and at most maxData bytes of data fits.
    bool Fits(size_t nameLength, ULONGLONG maxData) const;
    // Writes the local header of entry e at its offset with the given flags.
    bool WriteLocalHeader(const Entry& e, WORD flags, DWORD atime, DWORD ctime);
    bool WriteAt(const void* data, size_t n, ULONGLONG offset);
    // Copies or deflates the source into the archive after the header.
    ZipResult WriteData(int source, ULONGLONG size, Entry& e);
    // Drops a half-written entry: the file is cut back to where it began.
    void Discard(const Entry& e);

    int m_fd;
    std::string m_path;
    ULONGLONG m_offset = 0;         // where the next entry goes
    ULONGLONG m_directorySize = 0;  // size of the central directory so far
    ZipResult m_error = kZipOk;     // sticky: once set, additions do nothing
    bool m_ended = false;
    std::vector<Entry> m_entries;
    ULONGLONG m_sizeLimit = kZipMaxArchiveSize;
    std::uint32_t m_entryLimit = kZipMaxEntries;
};

// The operations on a handle that may be missing (an archive that could not
// be created): a missing handle gives kZipArgs.
inline ZipResult ZipAddFolder(CZipWriter* zip, std::string_view name) {
    return zip ? zip->AddFolder(name) : kZipArgs;
}
inline ZipResult ZipAddFile(CZipWriter* zip, std::string_view name, const std::string& source) {
    return zip ? zip->AddFile(name, source) : kZipArgs;
}
// Closes and releases the handle.
inline ZipResult ZipClose(std::unique_ptr<CZipWriter>& zip) {
    if (!zip) return kZipArgs;
    const ZipResult r = zip->Close();
    zip.reset();
    return r;
}

}  // namespace tvn
