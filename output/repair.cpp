#include "output/repair.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>
#include <new>
#include <stdexcept>
#include <vector>

#include "disk/io.h"

namespace tvn {

namespace {

// CIFF files of this size or less are never trimmed.
constexpr uint64_t kCrwSmallestRepaired = 655360;
// The trimmed copy is written in blocks of this size.
constexpr size_t kCopyBlock = 1 << 20;

void Line(IReporter& console, std::string_view text) {
    std::string line(text);
    line += '\n';
    console.Console(line);
}


std::string DirectoryOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

// Copies the first r bytes of the file open as from to a private temporary
// file beside path, block by block, and renames it over path. On any failure
// the temporary file is removed and path is left as it was.
bool ReplaceWithPrefix(const std::string& path, mode_t mode, int from, uint64_t r,
                       IReporter& console) {
    Line(console, "\tcreating new file of actual size");
    std::string tmp = DirectoryOf(path) + "/.tvn-repair-XXXXXX";
    const int fd = ::mkostemp(tmp.data(), O_CLOEXEC);
    if (fd < 0) return false;
    Line(console, "\twriting new file");
    bool ok = true;
    std::vector<uint8_t> block(kCopyBlock);
    for (uint64_t done = 0; ok && done < r;) {
        const size_t want = static_cast<size_t>(std::min<uint64_t>(block.size(), r - done));
        const ssize_t got = PreadFully(from, block.data(), want, done);
        ok = got == static_cast<ssize_t>(want) && WriteFully(fd, block.data(), want);
        done += want;
    }
    ok = ::fchmod(fd, mode & 07777) == 0 && ok;
    ok = ::close(fd) == 0 && ok;
    if (ok) {
        Line(console, "\tremoving tmp file");
        ok = ::rename(tmp.c_str(), path.c_str()) == 0;
    }
    if (!ok) ::unlink(tmp.c_str());
    return ok;
}

// The bytes of a file for a rule to read. Mapped, so that a rule's reads
// bring in only the pages they touch and a file of any size costs no more
// memory than those; read into memory where the file cannot be mapped.
class CFileBytes {
public:
    CFileBytes() = default;
    ~CFileBytes() {
        if (m_map != nullptr) ::munmap(m_map, m_size);
    }
    CFileBytes(const CFileBytes&) = delete;
    CFileBytes& operator=(const CFileBytes&) = delete;

    // False when there is no room for a copy either (*noMemory) or the file
    // cannot be read.
    bool Load(int fd, uint64_t size, bool* noMemory) {
        *noMemory = false;
        if (size == 0) return true;
        if (size <= std::numeric_limits<size_t>::max()) {
            void* map = ::mmap(nullptr, static_cast<size_t>(size), PROT_READ, MAP_PRIVATE, fd, 0);
            if (map != MAP_FAILED) {
                ::madvise(map, static_cast<size_t>(size), MADV_RANDOM);
                m_map = map;
                m_size = static_cast<size_t>(size);
                return true;
            }
        }
        try {
            m_copy.resize(static_cast<size_t>(size));
        } catch (const std::bad_alloc&) {
            *noMemory = true;
            return false;
        } catch (const std::length_error&) {
            *noMemory = true;
            return false;
        }
        const ssize_t got = PreadFully(fd, m_copy.data(), m_copy.size(), 0);
        return got >= 0 && static_cast<uint64_t>(got) == size;
    }
    std::span<const uint8_t> Bytes() const {
        if (m_map != nullptr) return {static_cast<const uint8_t*>(m_map), m_size};
        return m_copy;
    }

private:
    void* m_map = nullptr;
    size_t m_size = 0;
    std::vector<uint8_t> m_copy;
};

}  // namespace

std::optional<RepairKind> RepairKindForType(std::string_view typeName) {
    if (typeName == "CRW") return RepairKind::Crw;
    if (typeName == "CR2") return RepairKind::Cr2;
    if (typeName == "TIF") return RepairKind::Tif;
    if (typeName == "ORF") return RepairKind::Orf;
    if (typeName == "NEF" || typeName == "SR2") return RepairKind::NefSr2;
    if (typeName == "SRF") return RepairKind::Srf;
    if (typeName == "MOV") return RepairKind::Mov;
    if (typeName == "MP4") return RepairKind::Mp4;
    return std::nullopt;
}

// A CIFF file ends with its root heap's table, whose last four bytes hold the
// table's offset within the heap; the heap starts after the 26-byte header and
// the table is 2 + 10 x entries + 4 bytes long. So at the real end n, the
// number v in the four bytes before n satisfies n - v = 26 + 10 x entries + 6:
// at least 51, below 120, and 2 modulo 10 (root tables of 2 to 8 entries).
// The search runs back from the end and takes the last such position.
uint64_t CrwRealSize(std::span<const uint8_t> d, IReporter&) {
    const uint64_t size = d.size();
    if (size <= kCrwSmallestRepaired) return 0;
    const bool le = d[0] == 'I';
    for (uint64_t n = size; n > kCrwSmallestRepaired; --n) {
        const uint8_t* p = d.data() + n - 4;
        const uint32_t v =
            le ? static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
                     (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24)
               : (static_cast<uint32_t>(p[0]) << 24) | (static_cast<uint32_t>(p[1]) << 16) |
                     (static_cast<uint32_t>(p[2]) << 8) | p[3];
        if (v > n) continue;
        const uint64_t distance = n - v;
        if (distance >= 51 && distance < 120 && distance % 10 == 2) return n;
    }
    return 0;
}

uint64_t RealSize(RepairKind kind, std::span<const uint8_t> data, IReporter& console) {
    switch (kind) {
        case RepairKind::Crw:
            return CrwRealSize(data, console);
        case RepairKind::Cr2:
            return Cr2RealSize(data, console);
        case RepairKind::Tif:
            return TifRealSize(data, console);
        case RepairKind::Orf:
            return OrfRealSize(data, console);
        case RepairKind::NefSr2:
            return NefSr2RealSize(data, console);
        case RepairKind::Srf:
            return SrfRealSize(data, console);
        case RepairKind::Mov:
            return MovRealSize(data, console);
        case RepairKind::Mp4:
            return Mp4RealSize(data, console);
    }
    return 0;
}

RepairOutcome RepairFile(RepairKind kind, const std::string& path, IReporter& reporter) {
    const bool crw = kind == RepairKind::Crw;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    struct stat st {};
    if (fd < 0 || ::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        if (fd >= 0) ::close(fd);
        Line(reporter, " Failed to open file");
        return RepairOutcome::OpenFailed;
    }
    const auto n = static_cast<uint64_t>(st.st_size);
    CFileBytes data;
    bool noMemory = false;
    const bool loaded = data.Load(fd, n, &noMemory);
    if (!crw) Line(reporter, "\t i am in clean file");
    if (noMemory) {
        ::close(fd);
        if (!crw) Line(reporter, " Failed to clear the file");
        return RepairOutcome::NoMemory;
    }
    if (!loaded) {
        ::close(fd);
        Line(reporter, " Failed to open file");
        return RepairOutcome::OpenFailed;
    }

    const uint64_t r = std::min(RealSize(kind, data.Bytes(), reporter), n);
    if (r == 0) {
        ::close(fd);
        Line(reporter, path + (crw ? " \tcan't be repaired!!" : "\tcan't be repaired!!"));
        return RepairOutcome::NoSize;
    }
    CNullReporter quiet;
    const bool replaced = ReplaceWithPrefix(path, st.st_mode, fd, r,
                                            crw ? static_cast<IReporter&>(quiet) : reporter);
    ::close(fd);
    if (!replaced) return RepairOutcome::TempFailed;
    Line(reporter, path + (crw ? " \trepaired" : "\trepaired"));
    return RepairOutcome::Repaired;
}

}  // namespace tvn
