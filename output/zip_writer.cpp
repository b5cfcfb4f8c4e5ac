#include "output/zip_writer.h"

#include <fcntl.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <ctime>

#include "app/bytes.h"
#include "disk/io.h"

namespace tvn {

namespace {

constexpr size_t kLocalHeaderSize = 30;
constexpr size_t kCentralHeaderSize = 46;
constexpr size_t kEndRecordSize = 22;
constexpr size_t kLocalExtraSize = 17;
constexpr size_t kCentralExtraSize = 9;
constexpr size_t kMaxNameLength = 259;
constexpr size_t kBlockSize = 16384;
constexpr WORD kVersionNeeded = 20;
constexpr WORD kVersionMadeBy = 0x0B17;
constexpr WORD kFlagDataDescriptor = 8;
constexpr WORD kMethodStored = 0;
constexpr WORD kMethodDeflated = 8;
constexpr int kDeflateLevel = 8;

// Names ending in these are archives already: stored, not deflated.
constexpr std::array<const char*, 8> kStoredExtensions = {".Z",   ".zip", ".zoo", ".arc",
                                                          ".lzh", ".arj", ".gz",  ".tgz"};

class CBytes {
public:
    void Put16(unsigned v) {
        m_data.push_back(static_cast<BYTE>(v & 0xFF));
        m_data.push_back(static_cast<BYTE>((v >> 8) & 0xFF));
    }
    void Put32(DWORD v) {
        Put16(v & 0xFFFF);
        Put16(v >> 16);
    }
    void PutBytes(const void* p, size_t n) {
        const auto* b = static_cast<const BYTE*>(p);
        m_data.insert(m_data.end(), b, b + n);
    }
    const BYTE* Data() const { return m_data.data(); }
    size_t Size() const { return m_data.size(); }

private:
    std::vector<BYTE> m_data;
};

bool IsStoredName(const std::string& name) {
    const size_t dot = name.rfind('.');
    if (dot == std::string::npos) return false;
    const char* ext = name.c_str() + dot;
    return std::any_of(kStoredExtensions.begin(), kStoredExtensions.end(),
                       [ext](const char* e) { return ::strcasecmp(ext, e) == 0; });
}

DWORD Unix32(int64_t seconds) {
    return static_cast<DWORD>(static_cast<uint64_t>(seconds));
}

void DosFromTm(const std::tm& tm, WORD& date, WORD& time) {
    ToDosDateTime(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec,
                  date, time);
}

}  // namespace

const char* ZipResultText(ZipResult code) {
    switch (code) {
        case kZipOk:
            return "Success";
        case kZipDupHandle:
            return "Culdn't duplicate handle";
        case kZipNoFile:
            return "Couldn't create/open file";
        case kZipNoAlloc:
            return "Failed to allocate memory";
        case kZipWrite:
            return "Error writing to file";
        case kZipNotFound:
            return "File not found in the zipfile";
        case kZipMore:
            return "Still more data to unzip";
        case kZipCorrupt:
            return "Zipfile is corrupt or not a zipfile";
        case kZipRead:
            return "Error reading file";
        case kZipArgs:
            return "Caller: faulty arguments";
        case kZipNotMem:
            return "Caller: can only get memory of a memory zipfile";
        case kZipMemSize:
            return "Caller: not enough space allocated for memory zipfile";
        case kZipFailed:
            return "Caller: there was a previous error";
        case kZipEnded:
            return "Caller: additions to the zip have already been ended";
        case kZipMisSize:
            return "Zip-bug: the anticipated size turned out wrong";
        case kZipPartialUnz:
            return "Caller: the file had already been partially unzipped";
        case kZipZMode:
            return "Caller: mixing creation and opening of zip";
        case kZipFull:
            return "Caller: the archive cannot hold more entries or data";
        case kZipNotInited:
            return "Zip-bug: internal initialisation not completed";
        case kZipSeek:
            return "Zip-bug: trying to seek the unseekable";
        case kZipNoChange:
            return "Zip-bug: tried to change mind, but not allowed";
        case kZipFlate:
            return "Zip-bug: an internal error during flation";
        default:
            return "unknown zip result code";
    }
}

void ToDosDateTime(int year, int month, int day, int hour, int minute, int second, WORD& dosDate,
                   WORD& dosTime) {
    if (year < 1980) {
        year = 1980, month = 1, day = 1, hour = 0, minute = 0, second = 0;
    } else if (year > 2107) {
        year = 2107, month = 12, day = 31, hour = 23, minute = 59, second = 59;
    }
    dosDate = static_cast<WORD>((year - 1980) << 9 | month << 5 | day);
    dosTime = static_cast<WORD>(hour << 11 | minute << 5 | second / 2);
}

DWORD FileExternalAttributes(unsigned mode, bool executable) {
    const bool readOnly = (mode & S_IWUSR) == 0;
    DWORD unixMode = 0x8000 | 0x100;
    if (!readOnly) unixMode |= 0x80;
    if (executable) unixMode |= 0x40;
    const DWORD dos = readOnly ? 0x01 : 0x00;
    return unixMode << 16 | dos;
}

bool IsExecutableImage(int fd, ULONGLONG fileLength) {
    if (fileLength <= 40) return false;
    std::array<BYTE, 40> head{};
    if (PreadFully(fd, head.data(), head.size(), 0) != static_cast<ssize_t>(head.size())) {
        return false;
    }
    if ((static_cast<unsigned>(head[0]) | static_cast<unsigned>(head[1]) << 8) != 0x54AD) {
        return false;
    }
    const ULONGLONG p = LoadLe32(head.data() + 36);
    if (fileLength <= p + 52) return false;
    std::array<BYTE, 4> sig{};
    if (PreadFully(fd, sig.data(), sig.size(), p) != static_cast<ssize_t>(sig.size())) return false;
    const DWORD v = LoadLe32(sig.data());
    return v == 0x5A4D || v == 0x454E || v == 0x454C || v == 0x4550;
}

std::unique_ptr<CZipWriter> CZipWriter::Create(const std::string& path, bool exclusive) {
    const int fd = ::open(path.c_str(),
                          O_WRONLY | O_CREAT | O_CLOEXEC | (exclusive ? O_EXCL : O_TRUNC), 0666);
    if (fd < 0) return nullptr;
    return std::unique_ptr<CZipWriter>(new CZipWriter(fd, path));
}

CZipWriter::~CZipWriter() {
    if (!m_ended) Close();
}

ZipResult CZipWriter::Prepare(std::string_view rawName, bool folder, std::string& name) const {
    if (m_ended) return kZipEnded;
    if (m_error != kZipOk) return kZipFailed;
    if (rawName.empty()) return kZipArgs;
    name.assign(rawName);
    std::replace(name.begin(), name.end(), '\\', '/');
    if (folder && name.back() != '/') name += '/';
    if (name.size() > kMaxNameLength) return kZipArgs;
    return kZipOk;
}

bool CZipWriter::Fits(size_t nameLength, ULONGLONG maxData) const {
    if (m_entries.size() >= m_entryLimit) return false;
    const ULONGLONG entryEnd = m_offset + kLocalHeaderSize + nameLength + kLocalExtraSize + maxData;
    const ULONGLONG directory =
        m_directorySize + kCentralHeaderSize + nameLength + kCentralExtraSize;
    // maxData is at most a deflate bound of a 64-bit size; the sum cannot wrap
    // 64 bits for any file a file system can hold.
    return maxData <= m_sizeLimit && entryEnd + directory + kEndRecordSize <= m_sizeLimit;
}

bool CZipWriter::WriteAt(const void* data, size_t n, ULONGLONG offset) {
    const auto* p = static_cast<const BYTE*>(data);
    while (n > 0) {
        const ssize_t w = ::pwrite(m_fd, p, n, static_cast<off_t>(offset));
        if (w < 0 && errno == EINTR) continue;
        if (w <= 0) return false;
        p += w;
        n -= static_cast<size_t>(w);
        offset += static_cast<ULONGLONG>(w);
    }
    return true;
}

bool CZipWriter::WriteLocalHeader(const Entry& e, WORD flags, DWORD atime, DWORD ctime) {
    CBytes b;
    b.Put32(0x04034B50);
    b.Put16(kVersionNeeded);
    b.Put16(flags);
    b.Put16(e.method);
    b.Put16(e.dosTime);
    b.Put16(e.dosDate);
    b.Put32(e.crc);
    b.Put32(e.compressedSize);
    b.Put32(e.size);
    b.Put16(static_cast<unsigned>(e.name.size()));
    b.Put16(kLocalExtraSize);
    b.PutBytes(e.name.data(), e.name.size());
    // Extended timestamp: modification, access and creation time present.
    b.PutBytes("UT", 2);
    b.Put16(13);
    b.PutBytes("\x07", 1);
    b.Put32(e.mtime);
    b.Put32(atime);
    b.Put32(ctime);
    return WriteAt(b.Data(), b.Size(), e.headerOffset);
}

void CZipWriter::Discard(const Entry& e) {
    if (::ftruncate(m_fd, static_cast<off_t>(e.headerOffset)) != 0) m_error = kZipWrite;
}

ZipResult CZipWriter::WriteData(int source, ULONGLONG size, Entry& e) {
    const ULONGLONG dataStart = e.headerOffset + kLocalHeaderSize + e.name.size() + kLocalExtraSize;
    std::vector<BYTE> in(kBlockSize);
    std::vector<BYTE> out(kBlockSize);
    uLong crc = crc32(0L, Z_NULL, 0);
    ULONGLONG read = 0;
    ULONGLONG written = 0;
    bool misSize = false;

    z_stream z{};
    const bool deflating = e.method == kMethodDeflated;
    if (deflating) {
        const int rc =
            deflateInit2(&z, kDeflateLevel, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
        if (rc == Z_MEM_ERROR) return kZipNoAlloc;
        if (rc != Z_OK) return kZipFlate;
    }
    auto emit = [&](const BYTE* p, size_t n) {
        if (!WriteAt(p, n, dataStart + written)) return false;
        written += n;
        return true;
    };

    ZipResult result = kZipOk;
    for (;;) {
        const ssize_t n = ReadFully(source, in.data(), in.size());
        if (n < 0) {
            result = kZipRead;
            break;
        }
        const auto got = static_cast<size_t>(n);
        // More bytes than the size found at opening: the entry would outgrow
        // the room checked for it.
        if (read + got > size) {
            misSize = true;
            break;
        }
        read += got;
        if (got > 0) crc = crc32(crc, in.data(), static_cast<uInt>(got));
        const bool last = got < in.size();
        if (!deflating) {
            if (got > 0 && !emit(in.data(), got)) {
                result = kZipWrite;
                break;
            }
        } else {
            z.next_in = in.data();
            z.avail_in = static_cast<uInt>(got);
            const int flush = last ? Z_FINISH : Z_NO_FLUSH;
            int rc = Z_OK;
            do {
                z.next_out = out.data();
                z.avail_out = static_cast<uInt>(out.size());
                rc = deflate(&z, flush);
                if (rc == Z_STREAM_ERROR) break;
                const size_t have = out.size() - z.avail_out;
                if (have > 0 && !emit(out.data(), have)) {
                    result = kZipWrite;
                    break;
                }
            } while (z.avail_out == 0 || (flush == Z_FINISH && rc != Z_STREAM_END));
            if (rc == Z_STREAM_ERROR) result = kZipFlate;
            if (result != kZipOk) break;
        }
        if (last) break;
    }
    if (deflating) deflateEnd(&z);
    if (result != kZipOk) return result;
    if (misSize || read != size) return kZipMisSize;
    e.crc = static_cast<DWORD>(crc);
    e.compressedSize = static_cast<DWORD>(written);
    return kZipOk;
}

ZipResult CZipWriter::AddFolder(std::string_view rawName) {
    std::string name;
    if (const ZipResult r = Prepare(rawName, true, name); r != kZipOk) return r;
    if (!Fits(name.size(), 0)) return kZipFull;

    Entry e;
    e.name = std::move(name);
    e.method = kMethodStored;
    e.externalAttributes = kFolderExternalAttributes;
    e.headerOffset = static_cast<DWORD>(m_offset);
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    ::localtime_r(&now, &local);
    DosFromTm(local, e.dosDate, e.dosTime);
    e.mtime = Unix32(now);

    // Header with the data-descriptor flag first, then the final one with
    // flags 0, as for a file (a folder has no data in between).
    if (!WriteLocalHeader(e, kFlagDataDescriptor, e.mtime, e.mtime) ||
        !WriteLocalHeader(e, 0, e.mtime, e.mtime)) {
        Discard(e);
        m_error = kZipWrite;
        return kZipWrite;
    }
    m_offset += kLocalHeaderSize + e.name.size() + kLocalExtraSize;
    m_directorySize += kCentralHeaderSize + e.name.size() + kCentralExtraSize;
    m_entries.push_back(std::move(e));
    return kZipOk;
}

ZipResult CZipWriter::AddFile(std::string_view rawName, const std::string& sourcePath) {
    std::string name;
    if (const ZipResult r = Prepare(rawName, false, name); r != kZipOk) return r;

    const int source = ::open(sourcePath.c_str(), O_RDONLY | O_CLOEXEC);
    if (source < 0) return kZipNoFile;
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{source};

    struct statx sx {};
    if (::statx(source, "", AT_EMPTY_PATH, STATX_BASIC_STATS | STATX_BTIME, &sx) != 0 ||
        !S_ISREG(sx.stx_mode)) {
        return kZipNoFile;
    }
    const ULONGLONG size = sx.stx_size;

    Entry e;
    e.name = std::move(name);
    e.method = IsStoredName(e.name) ? kMethodStored : kMethodDeflated;
    ULONGLONG maxData = size;
    if (e.method == kMethodDeflated) {
        z_stream z{};
        if (deflateInit2(&z, kDeflateLevel, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) !=
            Z_OK) {
            return kZipNoAlloc;
        }
        maxData = deflateBound(&z, static_cast<uLong>(size));
        deflateEnd(&z);
    }
    if (size > kZipMaxArchiveSize || !Fits(e.name.size(), maxData)) return kZipFull;

    // Times as the file system reports them, without conversion to local time.
    const auto mtime = static_cast<std::time_t>(sx.stx_mtime.tv_sec);
    std::tm utc{};
    ::gmtime_r(&mtime, &utc);
    DosFromTm(utc, e.dosDate, e.dosTime);
    e.mtime = Unix32(sx.stx_mtime.tv_sec);
    const DWORD atime = Unix32(sx.stx_atime.tv_sec);
    const DWORD ctime =
        Unix32((sx.stx_mask & STATX_BTIME) != 0 ? sx.stx_btime.tv_sec : sx.stx_ctime.tv_sec);
    e.externalAttributes = FileExternalAttributes(sx.stx_mode, IsExecutableImage(source, size));
    e.headerOffset = static_cast<DWORD>(m_offset);
    e.size = static_cast<DWORD>(size);
    e.compressedSize = e.method == kMethodStored ? e.size : 0;

    if (!WriteLocalHeader(e, kFlagDataDescriptor, atime, ctime)) {
        Discard(e);
        m_error = kZipWrite;
        return kZipWrite;
    }
    if (const ZipResult r = WriteData(source, size, e); r != kZipOk) {
        // Nothing of the entry stays in the archive; a write failure leaves
        // the archive in doubt and stops further additions.
        Discard(e);
        if (r == kZipWrite || r == kZipFlate) m_error = r;
        return r;
    }
    if (!WriteLocalHeader(e, 0, atime, ctime)) {
        Discard(e);
        m_error = kZipWrite;
        return kZipWrite;
    }
    m_offset += kLocalHeaderSize + e.name.size() + kLocalExtraSize + e.compressedSize;
    m_directorySize += kCentralHeaderSize + e.name.size() + kCentralExtraSize;
    m_entries.push_back(std::move(e));
    return kZipOk;
}

ZipResult CZipWriter::Close() {
    if (m_ended) return kZipEnded;
    m_ended = true;
    CBytes b;
    for (const Entry& e : m_entries) {
        b.Put32(0x02014B50);
        b.Put16(kVersionMadeBy);
        b.Put16(kVersionNeeded);
        b.Put16(0);
        b.Put16(e.method);
        b.Put16(e.dosTime);
        b.Put16(e.dosDate);
        b.Put32(e.crc);
        b.Put32(e.compressedSize);
        b.Put32(e.size);
        b.Put16(static_cast<unsigned>(e.name.size()));
        b.Put16(kCentralExtraSize);
        b.Put16(0);  // comment length
        b.Put16(0);  // disk number start
        b.Put16(0);  // internal attributes
        b.Put32(e.externalAttributes);
        b.Put32(e.headerOffset);
        b.PutBytes(e.name.data(), e.name.size());
        b.PutBytes("UT", 2);
        b.Put16(5);
        b.PutBytes("\x07", 1);
        b.Put32(e.mtime);
    }
    const auto count = static_cast<unsigned>(m_entries.size());
    b.Put32(0x06054B50);
    b.Put16(0);
    b.Put16(0);
    b.Put16(count);
    b.Put16(count);
    b.Put32(static_cast<DWORD>(m_directorySize));
    b.Put32(static_cast<DWORD>(m_offset));
    b.Put16(0);  // comment length
    ZipResult result = kZipOk;
    if (!WriteAt(b.Data(), b.Size(), m_offset) ||
        ::ftruncate(m_fd, static_cast<off_t>(m_offset + b.Size())) != 0) {
        result = kZipWrite;
    }
    if (::close(m_fd) != 0 && result == kZipOk) result = kZipWrite;
    m_fd = -1;
    return result;
}

}  // namespace tvn
