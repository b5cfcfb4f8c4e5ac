// The scan info file: the identity of the scanned medium and the whole
// catalogue, so that a medium need not be scanned twice. It holds no file
// contents; after a load the files are read from the medium again by their
// sectors, so a scan info file is only usable with the medium it was made on.
//
// Layout (no padding; integers little-endian, 32-bit unless stated):
//   magic "TVN\0"
//   identifier length N (bytes), then the identifier's N bytes (UTF-8; for a
//     one-character identifier this is the character's code, one byte)
//   total sectors of the medium (the low 32 bits)
//   folder count F, then F folder blocks:
//     48-byte folder record, name length L (UTF-16 units), name (UTF-16LE),
//     file count K, then K file blocks:
//       52-byte file record (size, start sector and end sector as 64-bit
//       values at 28, 36 and 44), name length L, name (UTF-16LE)
//   magic again
// The records are images of the catalogue's nodes; a writer leaves their
// reference slots zero and a reader takes only the three 64-bit values of a
// file record. Names carry no terminating zero. Both records hold the tick
// at 16, a device number at 20 and the folder flag at 24. The device number
// is the number of the descriptor the writing process read the medium
// through (-1 when the medium is no single descriptor), in every folder
// record, and 0 in the file records: files written so far carry it there,
// and it means nothing to any other process, so readers ignore it.
#pragma once

#include <array>
#include <cstdint>
#include <ctime>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "app/types.h"

namespace tvn {

struct CCurrentSource;
class CDirectoryTree;
class CDiskSource;
class IReporter;

inline constexpr std::array<uint8_t, 4> kScanInfoMagic{0x54, 0x56, 0x4E, 0x00};
inline constexpr uint32_t kScanInfoFolderRecordSize = 48;
inline constexpr uint32_t kScanInfoFileRecordSize = 52;

// Dialog texts of the scan info commands.
inline constexpr std::string_view kScanInfoSaveFilter = "TVN scan info (*.bin)|*.bin||";
inline constexpr std::string_view kScanInfoOpenFilter = "TVN Scan info (*.bin)|*.bin||";
inline constexpr std::string_view kScanInfoExtension = "bin";
inline constexpr std::string_view kNotScanInfoText =
    "This is not a valid Tarvolin Scan Information file";

// What a scan info file holds, folders and files in file order.
struct ScanInfoContents {
    struct File {
        std::string name;  // as the catalogue names it: base name + folder name
        ULONGLONG size = 0;
        ULONGLONG startSector = 0;
        ULONGLONG endSector = 0;
    };
    struct Folder {
        std::string name;
        std::vector<File> files;
    };
    std::string driveId;
    DWORD totalSectors = 0;
    std::vector<Folder> folders;
};

// Where reading a scan info file stopped, in the order of the checks.
enum class ScanInfoError {
    None,
    Open,             // the file cannot be opened
    ReadMagic,        // the magic cannot be read
    BadMagic,         // the magic differs
    ReadHeader,       // identifier length, identifier or sector count unreadable or corrupt
    ReadFolderCount,  // the folder count unreadable or corrupt
    ReadBody,         // a record, length, name or count of the body unreadable or corrupt
    BadEndMagic,      // the end magic differs
};

struct ScanInfoParse {
    // Everything read before the failure: a folder is listed as soon as its
    // name has been read, a file as soon as its name has been read.
    ScanInfoContents contents;
    ScanInfoError error = ScanInfoError::None;
    // errno of a failed open or read; 0 when the data was short or corrupt.
    int sysError = 0;
    // What was wrong, for a short or corrupt field (empty for a system error).
    std::string detail;

    bool Ok() const { return error == ScanInfoError::None; }
};

// Sequential reader of a scan info file's bytes.
class IScanInfoSource {
public:
    virtual ~IScanInfoSource() = default;
    // Reads exactly n bytes; false on a failed read (error = errno) or when
    // fewer than n bytes are left (error = 0).
    virtual bool Read(void* out, size_t n, int& error) = 0;
    // Bytes left after the read position.
    virtual uint64_t Remaining() const = 0;
};

// Reads a whole scan info file. Never allocates more than the lengths that
// fit in what is left of the input, and never reads outside it.
ScanInfoParse ParseScanInfo(IScanInfoSource& source);
ScanInfoParse ParseScanInfo(std::span<const uint8_t> bytes);
ScanInfoParse ParseScanInfoFile(const std::string& path);

// A name as a terminal may show it: control characters (C0, DEL and, as
// UTF-8, C1) written as \xNN escapes, so that a crafted name cannot steer
// the terminal.
std::string EscapeControlCharacters(std::string_view name);
// A name that is safe to show and to save under: control characters
// replaced by '_'. The loader names the catalogue's files so.
std::string SafeNodeName(std::string_view name);

// The message box of a failed parse: text and caption.
struct ScanInfoMessage {
    std::string text;
    std::string caption;
};
ScanInfoMessage ScanInfoFailureMessage(const ScanInfoParse& parse);

// The bytes of a scan info file for a medium and a catalogue; device is
// the number written into the folder records (see the layout above).
std::vector<uint8_t> SerializeScanInfo(std::string_view driveId, DWORD totalSectors,
                                       const CDirectoryTree& tree, int device = 0);

// Writes the current disk source's identity and the catalogue to path
// (replacing a file of that name). Failures are reported through reporter
// (system text, caption "Error"); a partly written file is left as it is.
bool SaveScanInfo(const CCurrentSource& current, const CDirectoryTree& tree,
                  const std::string& path, IReporter& reporter);

// Whether the medium still holds the files a scan info file lists, read
// through the disk source that is to become current (the scan's own check,
// scan/listed_files_check.h, is the one the front ends use).
using ListedFilesCheckFn = std::function<bool(const ScanInfoContents&, CDiskSource&)>;

// Loads a scan info file for the selected medium driveId whose listed sector
// count is totalSectors (low 32 bits). The current disk source is read when it
// is that medium's and still there; only otherwise is the medium opened (from
// UDisks2's descriptors when the current source holds them). listedFiles,
// when set, checks the medium's content. On success the catalogue and the
// current disk source are replaced and the loaded nodes are unticked; lists
// come out in the reverse of the file's order. On failure a message goes
// through reporter and current and tree are left as the check that failed
// leaves them: before the medium is checked, nothing changes; after the disk
// source has become current, a failure leaves the catalogue as it was
// (folder count unreadable) or holding what was read so far. driveId is
// taken by value: callers pass the current source's own, which the load may
// replace.
bool LoadScanInfo(CCurrentSource& current, CDirectoryTree& tree, const ListedFilesCheckFn& listedFiles,
                  const std::string& path, std::string driveId, DWORD totalSectors,
                  IReporter& reporter);

// The save dialog's suggested file name for the given local time:
// "TVN scan info, <weekday>, DD-MM-YYYY, hh.mm.ss.bin", the weekday's full
// name in the current locale.
std::string SuggestedScanInfoName(const std::tm& local);
std::string SuggestedScanInfoName(std::time_t when);

// The open dialog's check: the chosen file's extension must be exactly "bin"
// (case-sensitive). CheckScanInfoExtension shows the refusal.
bool HasScanInfoExtension(std::string_view path);
bool CheckScanInfoExtension(std::string_view path, IReporter& reporter);

}  // namespace tvn
