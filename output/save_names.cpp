#include "output/save_names.h"

#include <fcntl.h>
#include <fmt/format.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <unistd.h>
#include <zlib.h>

#include <cstring>
#include <ctime>
#include <memory>

#include "disk/io.h"

namespace tvn {

namespace {

constexpr long kMsdosMagic = 0x4d44;
constexpr long kExfatMagic = 0x2011BAB0;
constexpr long kNtfsMagic = 0x5346544e;   // ntfs (classic driver)
constexpr long kNtfs3Magic = 0x7366746e;  // ntfs3
constexpr long kFuseBlkMagic = 0x65735546;  // fuseblk: ntfs-3g, exfat-fuse

uint16_t Be16(const uint8_t* p) { return static_cast<uint16_t>(p[0] << 8 | p[1]); }
uint32_t Be32(const uint8_t* p) {
    return uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | p[3];
}

// A TIFF structure (the bytes from its header on): the date text of
// DateTimeOriginal in the Exif IFD, else of DateTime in IFD0.
std::optional<TakenDate> TiffDate(std::span<const uint8_t> t) {
    if (t.size() < 8) return std::nullopt;
    bool little;
    if (t[0] == 'I' && t[1] == 'I') {
        little = true;
    } else if (t[0] == 'M' && t[1] == 'M') {
        little = false;
    } else {
        return std::nullopt;
    }
    const auto u16 = [&](size_t at) -> uint32_t {
        return little ? uint32_t{t[at]} | uint32_t{t[at + 1]} << 8 : Be16(&t[at]);
    };
    const auto u32 = [&](size_t at) -> uint32_t {
        return little ? uint32_t{t[at]} | uint32_t{t[at + 1]} << 8 | uint32_t{t[at + 2]} << 16 |
                            uint32_t{t[at + 3]} << 24
                      : Be32(&t[at]);
    };
    if (u16(2) != 42) return std::nullopt;
    // One IFD: the value of an ASCII tag (offset of its text) or a pointer.
    const auto find = [&](uint32_t ifd, uint16_t tag, uint32_t& value, uint32_t& count) {
        if (ifd < 8 || uint64_t{ifd} + 2 > t.size()) return false;
        const uint32_t n = u16(ifd);
        for (uint32_t i = 0; i < n && i < 1000; ++i) {
            const uint64_t e = uint64_t{ifd} + 2 + uint64_t{i} * 12;
            if (e + 12 > t.size()) return false;
            if (u16(static_cast<size_t>(e)) != tag) continue;
            count = u32(static_cast<size_t>(e) + 4);
            value = u32(static_cast<size_t>(e) + 8);
            return true;
        }
        return false;
    };
    const auto dateAt = [&](uint32_t at, uint32_t count) -> std::optional<TakenDate> {
        if (count < 10 || uint64_t{at} + 10 > t.size()) return std::nullopt;
        const char* s = reinterpret_cast<const char*>(&t[at]);
        int y = 0, m = 0, d = 0;
        for (int i = 0; i < 10; ++i) {
            if (i == 4 || i == 7) {
                if (s[i] != ':' && s[i] != '-') return std::nullopt;
                continue;
            }
            if (s[i] < '0' || s[i] > '9') return std::nullopt;
            const int digit = s[i] - '0';
            if (i < 4) y = y * 10 + digit;
            else if (i < 7) m = m * 10 + digit;
            else d = d * 10 + digit;
        }
        if (y < 1900 || m < 1 || m > 12 || d < 1 || d > 31) return std::nullopt;
        return TakenDate{y, m, d};
    };
    const uint32_t ifd0 = u32(4);
    uint32_t value = 0, count = 0;
    if (find(ifd0, 0x8769, value, count)) {
        const uint32_t exif = value;
        if (find(exif, 0x9003, value, count)) {
            if (auto d = dateAt(value, count)) return d;
        }
    }
    if (find(ifd0, 0x0132, value, count)) return dateAt(value, count);
    return std::nullopt;
}

std::optional<TakenDate> JpegDate(std::span<const uint8_t> b) {
    size_t at = 2;
    for (int segments = 0; segments < 64 && at + 4 <= b.size(); ++segments) {
        if (b[at] != 0xFF) return std::nullopt;
        const uint8_t marker = b[at + 1];
        if (marker == 0xD9 || marker == 0xDA) return std::nullopt;
        const size_t length = Be16(&b[at + 2]);
        if (length < 2) return std::nullopt;
        if (marker == 0xE1 && length >= 8 && at + 10 <= b.size() &&
            std::memcmp(&b[at + 4], "Exif\0\0", 6) == 0) {
            const size_t begin = at + 10;
            const size_t end = std::min(b.size(), at + 2 + length);
            if (begin < end) return TiffDate(b.subspan(begin, end - begin));
            return std::nullopt;
        }
        at += 2 + length;
    }
    return std::nullopt;
}

TakenDate LocalDate(int64_t seconds) {
    const auto t = static_cast<std::time_t>(seconds);
    std::tm tm{};
    ::localtime_r(&t, &tm);
    return TakenDate{tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday};
}

// The mvhd inside a moov atom's body.
std::optional<TakenDate> MvhdDate(std::span<const uint8_t> body) {
    size_t at = 0;
    for (int atoms = 0; atoms < 256 && at + 8 <= body.size(); ++atoms) {
        uint64_t size = Be32(&body[at]);
        if (size < 8) return std::nullopt;
        if (std::memcmp(&body[at + 4], "mvhd", 4) == 0) {
            if (at + 20 > body.size()) return std::nullopt;
            const uint8_t version = body[at + 8];
            uint64_t created = 0;
            if (version == 1) {
                if (at + 20 > body.size()) return std::nullopt;
                created = uint64_t{Be32(&body[at + 12])} << 32 | Be32(&body[at + 16]);
            } else {
                created = Be32(&body[at + 12]);
            }
            constexpr uint64_t k1904To1970 = 2082844800;
            // Cameras that do not know the time write 0 (1904).
            if (created <= k1904To1970) return std::nullopt;
            const uint64_t unix = created - k1904To1970;
            if (unix > (uint64_t{1} << 40)) return std::nullopt;
            return LocalDate(static_cast<int64_t>(unix));
        }
        at += static_cast<size_t>(std::min<uint64_t>(size, body.size()));
    }
    return std::nullopt;
}

// Top-level atoms of a movie: the moov atom's date when it lies in bytes.
std::optional<TakenDate> IsoDate(std::span<const uint8_t> b) {
    size_t at = 0;
    for (int atoms = 0; atoms < 64 && at + 8 <= b.size(); ++atoms) {
        uint64_t size = Be32(&b[at]);
        size_t header = 8;
        if (size == 1) {
            if (at + 16 > b.size()) return std::nullopt;
            size = uint64_t{Be32(&b[at + 8])} << 32 | Be32(&b[at + 12]);
            header = 16;
        }
        if (size < header) return std::nullopt;
        if (std::memcmp(&b[at + 4], "moov", 4) == 0) {
            const size_t end = static_cast<size_t>(std::min<uint64_t>(b.size(), at + size));
            return MvhdDate(b.subspan(at + header, end - (at + header)));
        }
        if (size > b.size() - at) return std::nullopt;
        at += static_cast<size_t>(size);
    }
    return std::nullopt;
}

bool IsIso(std::span<const uint8_t> b) {
    if (b.size() < 8) return false;
    for (const char* type : {"ftyp", "moov", "mdat", "wide", "free", "skip", "pnot"}) {
        if (std::memcmp(&b[4], type, 4) == 0) return true;
    }
    return false;
}

}  // namespace

bool DestinationNeedsWindowsNames(const std::string& dir) {
    struct statfs sf {};
    if (::statfs(dir.c_str(), &sf) != 0) return false;
    const long type = static_cast<long>(sf.f_type);
    return type == kMsdosMagic || type == kExfatMagic || type == kNtfsMagic ||
           type == kNtfs3Magic || type == kFuseBlkMagic;
}

std::string SafeNamePart(const std::string& name, bool windowsNames) {
    std::string out;
    for (const char ch : name) {
        const auto c = static_cast<unsigned char>(ch);
        if (c == '/' || c == 0) {
            out += '_';
        } else if (windowsNames && (c < 0x20 || c == 0x7F || std::strchr(":*?\"<>|\\", ch))) {
            out += '_';
        } else {
            out += ch;
        }
    }
    if (windowsNames) {
        while (!out.empty() && (out.back() == '.' || out.back() == ' ')) out.pop_back();
    }
    if (out.size() > 255) {
        size_t cut = 255;
        while (cut > 0 && (static_cast<unsigned char>(out[cut]) & 0xC0) == 0x80) --cut;
        out.resize(cut);
    }
    if (out.empty() || out == "." || out == "..") out = "_";
    return out;
}

std::string SafeFolderOf(const std::string& originalPath, bool windowsNames) {
    std::string folder;
    size_t begin = 0;
    int depth = 0;
    for (size_t slash = originalPath.find('/'); slash != std::string::npos && depth < 64;
         slash = originalPath.find('/', begin), ++depth) {
        const std::string part = originalPath.substr(begin, slash - begin);
        begin = slash + 1;
        if (part.empty()) continue;
        folder += (folder.empty() ? "" : "/") + SafeNamePart(part, windowsNames);
    }
    return folder;
}

std::string ClashName(const std::string& name, unsigned n) {
    const size_t dot = name.rfind('.');
    if (dot == std::string::npos || dot == 0) return fmt::format("{} ({})", name, n);
    return fmt::format("{} ({}){}", name.substr(0, dot), n, name.substr(dot));
}

std::string TakenDate::Folder() const {
    return fmt::format("{:04}/{:04}-{:02}-{:02}", year, year, month, day);
}

std::optional<TakenDate> DateTakenFromBytes(std::span<const uint8_t> bytes) {
    if (bytes.size() >= 4 && bytes[0] == 0xFF && bytes[1] == 0xD8) return JpegDate(bytes);
    if (auto d = TiffDate(bytes)) return d;
    if (IsIso(bytes)) return IsoDate(bytes);
    return std::nullopt;
}

std::optional<TakenDate> DateTakenOfFile(const std::string& path, const FileOrigin* origin) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd >= 0) {
        std::vector<uint8_t> head(1u << 20);
        const ssize_t got = PreadFully(fd, head.data(), head.size(), 0);
        std::optional<TakenDate> d;
        if (got > 0) {
            head.resize(static_cast<size_t>(got));
            d = DateTakenFromBytes(head);
            if (!d && IsIso(head)) {
                // A movie's moov atom often comes after its data: walk the
                // top-level atoms in the file to it.
                struct stat st {};
                ::fstat(fd, &st);
                const auto fileSize = static_cast<uint64_t>(st.st_size);
                uint64_t at = 0;
                for (int atoms = 0; atoms < 64 && at + 16 <= fileSize; ++atoms) {
                    uint8_t h[16];
                    if (PreadFully(fd, h, sizeof h, at) != 16) break;
                    uint64_t size = Be32(h);
                    if (size == 1) size = uint64_t{Be32(h + 8)} << 32 | Be32(h + 12);
                    if (size < 8) break;
                    if (std::memcmp(h + 4, "moov", 4) == 0) {
                        std::vector<uint8_t> moov(
                            static_cast<size_t>(std::min<uint64_t>(size, 1u << 20)));
                        const ssize_t n = PreadFully(fd, moov.data(), moov.size(), at);
                        if (n > 0) {
                            moov.resize(static_cast<size_t>(n));
                            d = IsoDate(moov);
                        }
                        break;
                    }
                    at += size;
                }
            }
        }
        ::close(fd);
        if (d) return d;
    }
    if (origin != nullptr && origin->modified.known) return LocalDate(origin->modified.seconds);
    return std::nullopt;
}

namespace {

// CRC-32 and a word-wise FNV-1a together: 96 bits of the content.
uint64_t ContentHash(int fd, uint64_t size, std::vector<uint8_t>& buf) {
    uLong crc = ::crc32(0L, Z_NULL, 0);
    uint64_t fnv = 1469598103934665603ull;
    for (uint64_t done = 0; done < size;) {
        const ssize_t n = PreadFully(fd, buf.data(), buf.size(), done);
        if (n <= 0) break;
        const auto count = static_cast<size_t>(n);
        crc = ::crc32(crc, buf.data(), static_cast<uInt>(count));
        size_t i = 0;
        for (; i + 8 <= count; i += 8) {
            uint64_t word;
            std::memcpy(&word, buf.data() + i, 8);
            fnv = (fnv ^ word) * 1099511628211ull;
        }
        for (; i < count; ++i) fnv = (fnv ^ buf[i]) * 1099511628211ull;
        done += count;
    }
    return fnv ^ (static_cast<uint64_t>(crc) << 32 | static_cast<uint64_t>(crc));
}

}  // namespace

bool CDuplicateIndex::SeenBefore(const std::string& path) {
    m_last = nullptr;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        ::close(fd);
        return false;
    }
    const auto size = static_cast<uint64_t>(st.st_size);
    std::vector<Seen>& same = m_bySize[size];
    if (same.empty() && !m_eager) {
        // The first of its size: nothing to compare with yet.
        ::close(fd);
        same.push_back({path, 0, false});
        m_last = &same.back().path;
        return false;
    }
    std::vector<uint8_t> buf(1u << 20);
    const uint64_t hash = ContentHash(fd, size, buf);
    for (Seen& s : same) {
        if (!s.hashed) {
            const int earlier = ::open(s.path.c_str(), O_RDONLY | O_CLOEXEC);
            if (earlier < 0) continue;  // gone, and never hashed: not judged
            s.hash = ContentHash(earlier, size, buf);
            s.hashed = true;
            ::close(earlier);
        }
        if (s.hash != hash) continue;
        // Compared byte for byte while the earlier file is there; a file an
        // archive took already is judged by the hash.
        const int other = ::open(s.path.c_str(), O_RDONLY | O_CLOEXEC);
        if (other < 0) {
            ::close(fd);
            return true;
        }
        std::vector<uint8_t> theirs(buf.size());
        bool equal = true;
        for (uint64_t done = 0; done < size && equal;) {
            const ssize_t a = PreadFully(fd, buf.data(), buf.size(), done);
            const ssize_t b = PreadFully(other, theirs.data(), theirs.size(), done);
            if (a <= 0 || a != b ||
                std::memcmp(buf.data(), theirs.data(), static_cast<size_t>(a)) != 0)
                equal = false;
            else
                done += static_cast<uint64_t>(a);
        }
        ::close(other);
        if (equal) {
            ::close(fd);
            return true;
        }
    }
    ::close(fd);
    same.push_back({path, hash, true});
    m_last = &same.back().path;
    return false;
}

void CDuplicateIndex::Moved(const std::string& to) {
    if (m_last != nullptr) *m_last = to;
}

}  // namespace tvn
