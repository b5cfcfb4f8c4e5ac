#include "catalog/scan_info.h"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <set>

#include "app/report.h"
#include "catalog/directory_tree.h"
#include "disk/current_source.h"
#include "disk/disk_source.h"
#include "disk/io.h"
#include "disk/on_source.h"

namespace tvn {

namespace {

// Bounds of the variable-length fields. A path is never longer than
// PATH_MAX; a node's name is a type name or "file# <number>." plus one.
constexpr uint32_t kMaxIdentifierBytes = 4096;
constexpr uint32_t kMaxNameUnits = 4096;
// The smallest folder block (record, name length, empty name, file count)
// and the smallest file block (record, name length, a three-unit name).
constexpr uint64_t kMinFolderBlock = kScanInfoFolderRecordSize + 4 + 4;
constexpr uint64_t kMinFileBlock = kScanInfoFileRecordSize + 4 + 2 * 3;
constexpr uint64_t kEndMagicBytes = 4;

uint32_t GetLe32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}
uint64_t GetLe64(const uint8_t* p) {
    return static_cast<uint64_t>(GetLe32(p)) | (static_cast<uint64_t>(GetLe32(p + 4)) << 32);
}
void PutLe32(std::vector<uint8_t>& out, uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}
void PutLe32At(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}
void PutLe64At(uint8_t* p, uint64_t v) {
    for (int i = 0; i < 8; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}

// --- UTF-8 <-> UTF-16 for node names -------------------------------------

void AppendUtf8(std::string& out, uint32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// UTF-16 units to UTF-8; a lone surrogate becomes U+FFFD.
std::string Utf16ToUtf8(std::span<const uint16_t> units) {
    std::string out;
    out.reserve(units.size());
    for (size_t i = 0; i < units.size(); ++i) {
        const uint32_t u = units[i];
        if (u >= 0xD800 && u <= 0xDBFF && i + 1 < units.size() && units[i + 1] >= 0xDC00 &&
            units[i + 1] <= 0xDFFF) {
            AppendUtf8(out, 0x10000 + ((u - 0xD800) << 10) + (units[i + 1] - 0xDC00u));
            ++i;
        } else if (u >= 0xD800 && u <= 0xDFFF) {
            AppendUtf8(out, 0xFFFD);
        } else {
            AppendUtf8(out, u);
        }
    }
    return out;
}

// UTF-8 to UTF-16 units; a malformed sequence becomes U+FFFD.
std::vector<uint16_t> Utf8ToUtf16(std::string_view text) {
    std::vector<uint16_t> out;
    out.reserve(text.size());
    size_t i = 0;
    while (i < text.size()) {
        const auto b0 = static_cast<uint8_t>(text[i]);
        uint32_t cp = 0xFFFD;
        size_t len = 1;
        auto cont = [&](size_t k) {
            return i + k < text.size() && (static_cast<uint8_t>(text[i + k]) & 0xC0) == 0x80;
        };
        auto bits = [&](size_t k) { return static_cast<uint32_t>(text[i + k]) & 0x3F; };
        if (b0 < 0x80) {
            cp = b0;
        } else if ((b0 & 0xE0) == 0xC0 && cont(1)) {
            const uint32_t c = ((b0 & 0x1Fu) << 6) | bits(1);
            if (c >= 0x80) {
                cp = c;
                len = 2;
            }
        } else if ((b0 & 0xF0) == 0xE0 && cont(1) && cont(2)) {
            const uint32_t c = ((b0 & 0x0Fu) << 12) | (bits(1) << 6) | bits(2);
            if (c >= 0x800 && (c < 0xD800 || c > 0xDFFF)) {
                cp = c;
                len = 3;
            }
        } else if ((b0 & 0xF8) == 0xF0 && cont(1) && cont(2) && cont(3)) {
            const uint32_t c = ((b0 & 0x07u) << 18) | (bits(1) << 12) | (bits(2) << 6) | bits(3);
            if (c >= 0x10000 && c <= 0x10FFFF) {
                cp = c;
                len = 4;
            }
        }
        if (cp >= 0x10000) {
            out.push_back(static_cast<uint16_t>(0xD800 + ((cp - 0x10000) >> 10)));
            out.push_back(static_cast<uint16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF)));
        } else {
            out.push_back(static_cast<uint16_t>(cp));
        }
        i += len;
    }
    return out;
}

// --- sources ---------------------------------------------------------------

class CSpanSource : public IScanInfoSource {
public:
    explicit CSpanSource(std::span<const uint8_t> bytes) : m_bytes(bytes) {}
    bool Read(void* out, size_t n, int& error) override {
        error = 0;
        if (n > m_bytes.size() - m_pos) return false;
        if (n != 0) std::memcpy(out, m_bytes.data() + m_pos, n);
        m_pos += n;
        return true;
    }
    uint64_t Remaining() const override { return m_bytes.size() - m_pos; }

private:
    std::span<const uint8_t> m_bytes;
    size_t m_pos = 0;
};

// Buffered reads of an open file; its size is taken once, when it is opened.
class CFdSource : public IScanInfoSource {
public:
    CFdSource(int fd, uint64_t size) : m_fd(fd), m_size(size), m_buf(64 * 1024) {}
    bool Read(void* out, size_t n, int& error) override {
        error = 0;
        auto* dst = static_cast<uint8_t*>(out);
        while (n > 0) {
            if (m_begin == m_end) {
                const ssize_t r = ReadFully(m_fd, m_buf.data(), m_buf.size());
                if (r < 0) {
                    error = errno;
                    return false;
                }
                if (r == 0) return false;
                m_begin = 0;
                m_end = static_cast<size_t>(r);
            }
            const size_t take = std::min(n, m_end - m_begin);
            std::memcpy(dst, m_buf.data() + m_begin, take);
            dst += take;
            n -= take;
            m_begin += take;
            m_pos += take;
        }
        return true;
    }
    uint64_t Remaining() const override { return m_size > m_pos ? m_size - m_pos : 0; }

private:
    int m_fd;
    uint64_t m_size;
    uint64_t m_pos = 0;
    std::vector<uint8_t> m_buf;
    size_t m_begin = 0;
    size_t m_end = 0;
};

// --- parsing ---------------------------------------------------------------

struct CParser {
    IScanInfoSource& src;
    ScanInfoParse& out;

    bool Fail(ScanInfoError error, int sysError, std::string detail) {
        out.error = error;
        out.sysError = sysError;
        out.detail = sysError != 0 ? std::string() : std::move(detail);
        return false;
    }

    bool Bytes(void* dst, size_t n, ScanInfoError stage, const char* what) {
        int err = 0;
        if (src.Read(dst, n, err)) return true;
        return Fail(stage, err, std::string("the file ends inside ") + what);
    }

    bool U32(uint32_t& v, ScanInfoError stage, const char* what) {
        uint8_t b[4];
        if (!Bytes(b, 4, stage, what)) return false;
        v = GetLe32(b);
        return true;
    }

    // A name of L UTF-16 units, taken up to its first zero unit.
    bool Name(std::vector<uint16_t>& units, ScanInfoError stage, const char* what) {
        uint32_t len = 0;
        if (!U32(len, stage, what)) return false;
        if (len > kMaxNameUnits || uint64_t{len} * 2 > src.Remaining()) {
            return Fail(stage, 0,
                        std::string("the length of ") + what + " (" + std::to_string(len) +
                            ") does not fit the file");
        }
        std::vector<uint8_t> raw(size_t{len} * 2);
        if (!Bytes(raw.data(), raw.size(), stage, what)) return false;
        units.assign(len, 0);
        for (size_t i = 0; i < len; ++i) {
            units[i] = static_cast<uint16_t>(raw[2 * i] | (raw[2 * i + 1] << 8));
        }
        return true;
    }

    static size_t ZeroTerminatedLength(const std::vector<uint16_t>& units) {
        return static_cast<size_t>(std::find(units.begin(), units.end(), 0) - units.begin());
    }

    // A name that would leave its directory cannot be a node's name.
    static bool SafeName(const std::string& name) {
        return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos;
    }

    bool Run() {
        uint8_t magic[4];
        if (!Bytes(magic, 4, ScanInfoError::ReadMagic, "the magic")) return false;
        if (std::memcmp(magic, kScanInfoMagic.data(), 4) != 0) {
            return Fail(ScanInfoError::BadMagic, 0, "the file does not begin with the magic");
        }
        uint32_t idLen = 0;
        if (!U32(idLen, ScanInfoError::ReadHeader, "the identifier length")) return false;
        if (idLen > kMaxIdentifierBytes || idLen > src.Remaining()) {
            return Fail(
                ScanInfoError::ReadHeader, 0,
                "the identifier length (" + std::to_string(idLen) + ") does not fit the file");
        }
        std::string id(idLen, '\0');
        if (!Bytes(id.data(), idLen, ScanInfoError::ReadHeader, "the identifier")) return false;
        id.resize(std::strlen(id.c_str()));
        out.contents.driveId = std::move(id);
        uint32_t sectors = 0;
        if (!U32(sectors, ScanInfoError::ReadHeader, "the sector count")) return false;
        out.contents.totalSectors = sectors;

        uint32_t folders = 0;
        if (!U32(folders, ScanInfoError::ReadFolderCount, "the folder count")) return false;
        if (uint64_t{folders} * kMinFolderBlock + kEndMagicBytes > src.Remaining()) {
            return Fail(ScanInfoError::ReadFolderCount, 0,
                        "the folder count (" + std::to_string(folders) + ") does not fit the file");
        }
        const ScanInfoError body = ScanInfoError::ReadBody;
        uint8_t record[kScanInfoFileRecordSize];
        std::vector<uint16_t> units;
        for (uint32_t f = 0; f < folders; ++f) {
            if (!Bytes(record, kScanInfoFolderRecordSize, body, "a folder record")) return false;
            if (!Name(units, body, "a folder name")) return false;
            units.resize(ZeroTerminatedLength(units));
            ScanInfoContents::Folder folder;
            folder.name = Utf16ToUtf8(units);
            if (!SafeName(folder.name)) {
                return Fail(body, 0, "a folder name (\"" + EscapeControlCharacters(folder.name) + "\") is not usable");
            }
            out.contents.folders.push_back(std::move(folder));
            ScanInfoContents::Folder& current = out.contents.folders.back();
            for (size_t k = 0; k + 1 < out.contents.folders.size(); ++k) {
                if (out.contents.folders[k].name == current.name) {
                    return Fail(body, 0, "two folders are named \"" + EscapeControlCharacters(current.name) + "\"");
                }
            }
            std::set<std::string> names;
            uint32_t files = 0;
            if (!U32(files, body, "a file count")) return false;
            if (uint64_t{files} * kMinFileBlock + kEndMagicBytes > src.Remaining()) {
                return Fail(body, 0,
                            "the file count (" + std::to_string(files) + ") of folder " +
                                current.name + " does not fit the file");
            }
            for (uint32_t k = 0; k < files; ++k) {
                if (!Bytes(record, kScanInfoFileRecordSize, body, "a file record")) return false;
                if (!Name(units, body, "a file name")) return false;
                // The stored name ends in the type name, which the loader
                // replaces by the folder's name: three letters for the
                // classic types, the folder's own length where the name ends
                // with it (the newer types' names are two to four letters).
                if (units.size() < 3) {
                    return Fail(body, 0, "a file name is shorter than its type name");
                }
                const std::vector<uint16_t> folderUnits = Utf8ToUtf16(current.name);
                const bool endsWithFolder =
                    folderUnits.size() <= units.size() &&
                    std::equal(folderUnits.begin(), folderUnits.end(), units.end() - static_cast<std::ptrdiff_t>(folderUnits.size()));
                const size_t typeLength = endsWithFolder ? folderUnits.size() : 3;
                const size_t keep = std::min(ZeroTerminatedLength(units), units.size() - typeLength);
                ScanInfoContents::File file;
                const std::string base = Utf16ToUtf8(std::span<const uint16_t>(units.data(), keep));
                file.name = base + current.name;
                if (base.find('/') != std::string::npos || !SafeName(file.name)) {
                    return Fail(body, 0, "a file name (\"" + EscapeControlCharacters(file.name) + "\") is not usable");
                }
                file.size = GetLe64(record + 28);
                file.startSector = GetLe64(record + 36);
                file.endSector = GetLe64(record + 44);
                if (file.endSector < file.startSector) {
                    return Fail(body, 0,
                                "the end sector of " + EscapeControlCharacters(file.name) + " (" +
                                    std::to_string(file.endSector) + ") lies before its start (" +
                                    std::to_string(file.startSector) + ")");
                }
                // Two files of one name would be saved over each other.
                if (!names.insert(SafeNodeName(file.name)).second) {
                    return Fail(body, 0,
                                "two files are named \"" + EscapeControlCharacters(file.name) + "\" in folder " + EscapeControlCharacters(current.name));
                }
                current.files.push_back(std::move(file));
            }
        }
        if (!Bytes(magic, 4, body, "the end magic")) return false;
        if (std::memcmp(magic, kScanInfoMagic.data(), 4) != 0) {
            return Fail(ScanInfoError::BadEndMagic, 0, "the file does not end with the magic");
        }
        return true;
    }
};


}  // namespace

namespace {

// Calls out(kind, begin, length) for every run of the name: kind is true for
// a control character (one byte, or the two bytes of a C1 control).
template <class Out>
void SplitControls(std::string_view name, Out&& out) {
    size_t i = 0;
    while (i < name.size()) {
        const auto b = static_cast<uint8_t>(name[i]);
        if (b < 0x20 || b == 0x7F) {
            out(true, i, 1);
            ++i;
        } else if (b == 0xC2 && i + 1 < name.size() && static_cast<uint8_t>(name[i + 1]) >= 0x80 &&
                   static_cast<uint8_t>(name[i + 1]) <= 0x9F) {
            out(true, i, 2);
            i += 2;
        } else {
            out(false, i, 1);
            ++i;
        }
    }
}

}  // namespace

std::string EscapeControlCharacters(std::string_view name) {
    std::string out;
    SplitControls(name, [&](bool control, size_t at, size_t n) {
        if (!control) {
            out += name[at];
            return;
        }
        for (size_t k = 0; k < n; ++k) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", static_cast<unsigned>(static_cast<uint8_t>(name[at + k])));
            out += hex;
        }
    });
    return out;
}

std::string SafeNodeName(std::string_view name) {
    std::string out;
    SplitControls(name, [&](bool control, size_t at, size_t) { out += control ? '_' : name[at]; });
    return out;
}

namespace {

std::string SystemText(int error) {
    std::string text;
    CDiskSource::GetErrorText(text, error);
    return text;
}

}  // namespace

ScanInfoParse ParseScanInfo(IScanInfoSource& source) {
    ScanInfoParse parse;
    CParser{source, parse}.Run();
    return parse;
}

ScanInfoParse ParseScanInfo(std::span<const uint8_t> bytes) {
    CSpanSource source(bytes);
    return ParseScanInfo(source);
}

ScanInfoParse ParseScanInfoFile(const std::string& path) {
    ScanInfoParse parse;
    // Without blocking: a FIFO would wait for a writer for ever.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        parse.error = ScanInfoError::Open;
        parse.sysError = errno;
        return parse;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        parse.error = ScanInfoError::Open;
        parse.sysError = errno;
        ::close(fd);
        return parse;
    }
    if (S_ISDIR(st.st_mode)) {
        parse.error = ScanInfoError::Open;
        parse.sysError = EISDIR;
        ::close(fd);
        return parse;
    }
    // Only a regular file can be a scan info file.
    if (!S_ISREG(st.st_mode)) {
        parse.error = ScanInfoError::Open;
        parse.sysError = EINVAL;
        ::close(fd);
        return parse;
    }
    CFdSource source(fd, static_cast<uint64_t>(st.st_size));
    parse = ParseScanInfo(source);
    ::close(fd);
    return parse;
}

ScanInfoMessage ScanInfoFailureMessage(const ScanInfoParse& parse) {
    ScanInfoMessage m;
    switch (parse.error) {
        case ScanInfoError::None:
            break;
        case ScanInfoError::Open:
        case ScanInfoError::ReadMagic:
        case ScanInfoError::BadMagic:
        case ScanInfoError::ReadHeader:
            m.caption = "Error";
            m.text = "Invalid or corrupt scan file";
            break;
        case ScanInfoError::ReadFolderCount:
        case ScanInfoError::ReadBody:
        case ScanInfoError::BadEndMagic:
            m.caption = "Checksum failure";
            m.text = "Corrupt scan info file";
            break;
    }
    if (parse.sysError != 0 || parse.error == ScanInfoError::Open) {
        m.text = SystemText(parse.sysError);
    }
    return m;
}

std::vector<uint8_t> SerializeScanInfo(std::string_view driveId, DWORD totalSectors,
                                       const CDirectoryTree& tree, int device) {
    std::vector<uint8_t> out(kScanInfoMagic.begin(), kScanInfoMagic.end());
    PutLe32(out, static_cast<uint32_t>(driveId.size()));
    out.insert(out.end(), driveId.begin(), driveId.end());
    PutLe32(out, totalSectors);
    PutLe32(out, static_cast<uint32_t>(tree.GetFolderCount()));
    auto putName = [&out](const std::string& name) {
        const std::vector<uint16_t> units = Utf8ToUtf16(name);
        PutLe32(out, static_cast<uint32_t>(units.size()));
        for (uint16_t u : units) {
            out.push_back(static_cast<uint8_t>(u & 0xFF));
            out.push_back(static_cast<uint8_t>(u >> 8));
        }
    };
    // The node's members in declaration order; the reference slots stay zero.
    auto putCommon = [device](uint8_t* rec, const CDirectoryNode& node) {
        PutLe32At(rec + 16, node.IsChecked() ? 1 : 0);
        PutLe32At(rec + 20, node.IsFolder() ? static_cast<uint32_t>(device) : 0);
        PutLe32At(rec + 24, node.IsFolder() ? 1 : 0);
    };
    for (CFolderNode* folder = tree.GetFirstFolder(); folder; folder = folder->GetNextFolder()) {
        uint8_t rec[kScanInfoFolderRecordSize] = {};
        putCommon(rec, *folder);
        out.insert(out.end(), rec, rec + sizeof rec);
        putName(folder->GetName());
        PutLe32(out, static_cast<uint32_t>(folder->GetFileCount()));
        for (CFileNode* file = folder->GetFirstChild(); file; file = file->GetNextFile()) {
            uint8_t frec[kScanInfoFileRecordSize] = {};
            putCommon(frec, *file);
            PutLe64At(frec + 28, file->GetSize());
            PutLe64At(frec + 36, file->GetStartSector());
            PutLe64At(frec + 44, file->GetEndSector());
            out.insert(out.end(), frec, frec + sizeof frec);
            putName(file->GetName());
        }
    }
    out.insert(out.end(), kScanInfoMagic.begin(), kScanInfoMagic.end());
    return out;
}

bool SaveScanInfo(const CCurrentSource& current, const CDirectoryTree& tree,
                  const std::string& path, IReporter& reporter) {
    const CDiskSource* source = current.diskSource.get();
    const std::string& drive = source ? source->GetDrive() : current.selectedDrive;
    // The format keeps 32 bits of the sector count.
    const auto sectors = static_cast<DWORD>(source ? source->GetTotalSectors() & 0xFFFFFFFFu : 0);
    // Never onto the medium the catalogue describes.
    if (const std::string refusal = WriteOnSourceRefusal(path, drive); !refusal.empty()) {
        reporter.Message(refusal, "Error", MsgIcon::Error);
        return false;
    }
    const std::vector<uint8_t> bytes =
        SerializeScanInfo(drive, sectors, tree, source ? source->GetHandle() : 0);

    // Written beside the file under a temporary name, flushed, and renamed
    // over it in one step: a crash or a full disk in the middle never
    // destroys an earlier scan info file of that name.
    const size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
    std::string temp = path + ".tmp-XXXXXX";
    const int fd = ::mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0) {
        reporter.Message(SystemText(errno), "Error", MsgIcon::Error);
        return false;
    }
    ::fchmod(fd, 0644);
    bool ok = WriteFully(fd, bytes.data(), bytes.size()) && ::fsync(fd) == 0;
    int err = ok ? 0 : errno;
    if (::close(fd) != 0 && ok) {
        ok = false;
        err = errno;
    }
    if (ok && ::rename(temp.c_str(), path.c_str()) != 0) {
        ok = false;
        err = errno;
    }
    if (!ok) {
        ::unlink(temp.c_str());
        reporter.Message(SystemText(err), "Error", MsgIcon::Error);
        return false;
    }
    // The rename itself is on the disk once the folder is.
    if (const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return true;
}

bool LoadScanInfo(CCurrentSource& current, CDirectoryTree& tree, const ListedFilesCheckFn& listedFiles,
                  const std::string& path, std::string driveId, DWORD totalSectors,
                  IReporter& reporter) {
    const ScanInfoParse parse = ParseScanInfoFile(path);
    auto refuse = [&reporter](const ScanInfoMessage& m) {
        reporter.Message(m.text, m.caption, MsgIcon::Error);
        return false;
    };
    switch (parse.error) {
        case ScanInfoError::Open:
        case ScanInfoError::ReadMagic:
        case ScanInfoError::BadMagic:
        case ScanInfoError::ReadHeader:
            return refuse(ScanInfoFailureMessage(parse));
        default:
            break;
    }
    // With no medium selected, no file can be for it.
    if (driveId.empty() || parse.contents.driveId != driveId ||
        parse.contents.totalSectors != totalSectors) {
        return refuse({"Incorrect drive or scan info corrupted.", "Error"});
    }

    // The medium is read through the current disk source when that is this
    // medium's and still there; only otherwise is it opened (again).
    std::unique_ptr<CDiskSource> opened;
    if (!current.HoldsUsable(parse.contents.driveId)) {
        opened = CDiskSource::OpenAgain(current.diskSource.get(), parse.contents.driveId);
    }
    CDiskSource* const source = opened ? opened.get() : current.diskSource.get();
    if (opened) source->SetPosition(0);
    if (source->GetSectorsPerCluster() == 0) {
        return refuse({"Failed to retrieve SPC", "Information"});
    }
    if (source->GetStatus() == CDiskSource::kPhysicalFailed ||
        source->GetStatus() == CDiskSource::kLogicalFailed) {
        return refuse({"Failed to open drive", "Error"});
    }
    // Every file must lie within the medium; a size or sector beyond it can
    // only come from a damaged or made-up file and is refused before the
    // catalogue changes.
    // The length rules may run a file's length past the end of a small
    // medium (a window of blocks with no next header), up to the longest
    // length a scan keeps (100 MiB), so a size is refused only above both.
    constexpr ULONGLONG kLongestScannedLength = 104857600;
    const ULONGLONG mediumBytes = source->GetTotalSectors() * source->GetSectorSizeU();
    const ULONGLONG mediumSectors = source->GetTotalSectors();
    const ULONGLONG longest = std::max(mediumBytes, kLongestScannedLength);
    for (const ScanInfoContents::Folder& f : parse.contents.folders) {
        for (const ScanInfoContents::File& file : f.files) {
            if (file.size > longest || file.startSector >= mediumSectors) {
                return refuse({"Corrupt scan info file", "Checksum failure"});
            }
        }
    }
    // The same path and size may be another medium: the listed files must
    // still be there.
    if (listedFiles && !listedFiles(parse.contents, *source)) {
        return refuse({"Incorrect drive or scan info corrupted.", "Error"});
    }
    if (opened) current.diskSource = std::move(opened);
    current.diskSource->SetPosition(0);
    current.spc = current.diskSource->GetSectorsPerCluster();
    current.selectedDrive = driveId;
    if (parse.error == ScanInfoError::ReadFolderCount) {
        return refuse(ScanInfoFailureMessage(parse));
    }

    // Rebuild what was read; the inserts put each node at the front of its
    // list, so the lists come out reversed.
    tree.RemoveAll();
    for (const ScanInfoContents::Folder& f : parse.contents.folders) {
        CFolderNode* folder = tree.InsertFolder(f.name);
        tree.m_ullFolderCount += 1;
        for (const ScanInfoContents::File& file : f.files) {
            folder->InsertFile(SafeNodeName(file.name.substr(0, file.name.size() - f.name.size())),
                               file.startSector, file.endSector, file.size);
        }
    }
    if (!parse.Ok()) return refuse(ScanInfoFailureMessage(parse));
    return true;
}

std::string SuggestedScanInfoName(const std::tm& local) {
    char day[128] = {};
    if (std::strftime(day, sizeof day, "%A", &local) == 0) day[0] = '\0';
    char name[512];
    std::snprintf(name, sizeof name, "TVN scan info, %s, %02d-%02d-%02d, %02u.%02u.%02u.bin", day,
                  local.tm_mday, local.tm_mon + 1, local.tm_year + 1900,
                  static_cast<unsigned>(local.tm_hour), static_cast<unsigned>(local.tm_min),
                  static_cast<unsigned>(local.tm_sec));
    return name;
}

std::string SuggestedScanInfoName(std::time_t when) {
    std::tm local{};
    ::localtime_r(&when, &local);
    return SuggestedScanInfoName(local);
}

bool HasScanInfoExtension(std::string_view path) {
    const size_t slash = path.rfind('/');
    const std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
    const size_t dot = name.rfind('.');
    return dot != std::string_view::npos && name.substr(dot + 1) == kScanInfoExtension;
}

bool CheckScanInfoExtension(std::string_view path, IReporter& reporter) {
    if (HasScanInfoExtension(path)) return true;
    reporter.Message(kNotScanInfoText, "Information", MsgIcon::Information);
    return false;
}

}  // namespace tvn
