#include "disk/disk_source.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <linux/fs.h>
#include <sstream>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/sysmacros.h>
#include <unistd.h>
#include <vector>

#include "app/bytes.h"
#include "disk/io.h"

namespace tvn {

namespace {

constexpr DWORD kBootSectorBytes = 512;
constexpr DWORD kLastProbedSectorSize = 66048;  // the first size above 65,536


// The mount point of a block device, from the kernel's mount table.
std::string FindMountPoint(unsigned long rdev) {
    std::ifstream in("/proc/self/mountinfo");
    std::string line;
    const std::string want =
        std::to_string(major(rdev)) + ":" + std::to_string(minor(rdev));
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        std::string id, parent, devno, root, mountPoint;
        if (!(fields >> id >> parent >> devno >> root >> mountPoint)) continue;
        if (devno != want) continue;
        // Mount points escape blanks as octal sequences (\040).
        std::string out;
        for (size_t i = 0; i < mountPoint.size(); ++i) {
            if (mountPoint[i] == '\\' && i + 3 < mountPoint.size()) {
                const std::string oct = mountPoint.substr(i + 1, 3);
                if (oct.size() == 3 && oct.find_first_not_of("01234567") == std::string::npos) {
                    out += static_cast<char>(std::stoi(oct, nullptr, 8));
                    i += 3;
                    continue;
                }
            }
            out += mountPoint[i];
        }
        return out;
    }
    return {};
}

// What a medium reads: the same classes as a path. A medium of several
// files (split, E01) is an image.
MediumKind ClassifyMedium(const IMedium& medium) {
    const int fd = medium.Fd();
    if (fd < 0) return MediumKind::Image;
    struct stat st{};
    if (::fstat(fd, &st) != 0) return MediumKind::Missing;
    if (S_ISREG(st.st_mode)) return MediumKind::Image;
    if (!S_ISBLK(st.st_mode)) return MediumKind::Other;
    const std::string sys = "/sys/dev/block/" + std::to_string(major(st.st_rdev)) + ":" +
                            std::to_string(minor(st.st_rdev)) + "/partition";
    return ::access(sys.c_str(), F_OK) == 0 ? MediumKind::Partition : MediumKind::WholeDisk;
}

}  // namespace

int OpenRawDisk(const std::string& path) {
    if (path.empty() || path[0] != '/') {
        errno = EINVAL;
        return -1;
    }
    RawOpenResult r = OpenMediumForReading(path, false);
    if (r.fd < 0) errno = r.error;
    return r.fd;
}

std::string CDiskSource::CanonicalIdentifier(const std::string& path) {
    char* resolved = ::realpath(path.c_str(), nullptr);
    if (resolved == nullptr) return path;
    std::string out(resolved);
    std::free(resolved);
    return out;
}

MediumKind CDiskSource::Classify(const std::string& path) {
    struct stat st{};
    if (::stat(path.c_str(), &st) != 0) return MediumKind::Missing;
    if (S_ISREG(st.st_mode)) return MediumKind::Image;
    if (!S_ISBLK(st.st_mode)) return MediumKind::Other;
    const std::string sys = "/sys/dev/block/" + std::to_string(major(st.st_rdev)) + ":" +
                            std::to_string(minor(st.st_rdev)) + "/partition";
    return ::access(sys.c_str(), F_OK) == 0 ? MediumKind::Partition : MediumKind::WholeDisk;
}

CDiskSource::CDiskSource(std::string drive, BYTE mode) : m_strDrive(std::move(drive)) {
    m_kind = Classify(m_strDrive);
    Open(mode);
}

CDiskSource::CDiskSource(std::shared_ptr<IMedium> medium, BYTE mode)
    : m_strDrive(medium ? medium->Path() : std::string()), m_medium(std::move(medium)) {
    m_kind = m_medium ? ClassifyMedium(*m_medium) : MediumKind::Missing;
    if (m_kind == MediumKind::Missing) m_medium.reset();
    Open(mode);
}

void CDiskSource::Open(BYTE mode) {
    if (mode == 2) {
        if (!OpenPath()) PartitionSizeFallback();
        return;
    }
    if (mode > 2) {
        m_nStatus = kPhysicalFailed;
        return;
    }
    switch (m_kind) {
        case MediumKind::WholeDisk:
            OpenPhysical();
            break;
        case MediumKind::Partition:
            if (!OpenLogical(mode)) PartitionSizeFallback();
            break;
        case MediumKind::Image:
        case MediumKind::Other:
            if (!OpenPath()) PartitionSizeFallback();
            break;
        case MediumKind::Missing:
            // Nothing by that name: the caller reports the medium as disconnected.
            m_openErrno = errno ? errno : ENOENT;
            m_nStatus = kLogicalFailed;
            PartitionSizeFallback();
            break;
    }
}

// The medium, opened first when the source has none (by path, or through
// UDisks2 when the user may not open the path), and the source's own
// descriptor of it when it is one device or file: a duplicate of the
// medium's, whose file offset is the scan's position.
bool CDiskSource::Acquire(int failedStatus) {
    if (!m_medium) {
        int error = 0;
        m_medium = OpenMedium(m_strDrive, true, &error, &m_strOpenDetail);
        if (!m_medium) {
            m_openErrno = error;
            m_nStatus = failedStatus;
            return false;
        }
    }
    m_rdev = m_medium->DeviceNumber();
    m_offset = 0;
    if (m_medium->Fd() < 0) return true;
    m_hDevice = ::fcntl(m_medium->Fd(), F_DUPFD_CLOEXEC, 0);
    if (m_hDevice < 0) {
        m_openErrno = errno;
        m_nStatus = failedStatus;
        return false;
    }
    return true;
}

bool CDiskSource::CanOpenAgain(const std::string& id) const {
    return m_medium && m_medium->ViaUDisks2() && m_strDrive == id && m_medium->StillPresent();
}

std::unique_ptr<CDiskSource> CDiskSource::OpenAgain(const CDiskSource* current, const std::string& id) {
    if (current != nullptr && current->CanOpenAgain(id)) return std::make_unique<CDiskSource>(current->m_medium);
    return std::make_unique<CDiskSource>(id);
}

CDiskSource::~CDiskSource() { Close(); }

void CDiskSource::Close() {
    if (m_hDevice >= 0) ::close(m_hDevice);
    m_hDevice = -1;
}

bool CDiskSource::OpenPhysical() {
    if (!Acquire(kPhysicalFailed)) return false;
    ProbeSectorSize();
    // The kernel's real size: a geometry product would drop the last partial
    // cylinder and with it the data at the end of the disk.
    m_ullTotalSectors = m_dwSectorSize ? MediumBytes() / m_dwSectorSize : 0;
    m_dwSectorsPerCluster = 2;
    m_ullTotalClusters = m_ullTotalSectors / 2;
    m_dwStartSector = 0;
    Seek(0);
    return true;
}

bool CDiskSource::OpenLogical(BYTE mode) {
    if (!Acquire(kLogicalFailed)) return false;
    ProbeSectorSize();
    if (FreeSpaceQuery()) {
        // The file system's count covers its data area only, while the scan
        // numbers sectors from the partition's start: counting that many
        // from there would leave the partition's last sectors (as many as the
        // reserved and FAT sectors) unscanned. The scan runs to the
        // partition's real end.
        m_ullTotalSectors = MediumBytes() / m_dwSectorSize;
    } else {
        // Not mounted: no file system figures to be had. The partition's own
        // size stands in (8 sectors per cluster), and the boot sector still
        // tells where the data area begins.
        PartitionSizeFallback();
    }
    const int fs = ProbeFileSystem(mode);
    if (fs == kFsNtfs) return true;
    if (fs == kFsFat32 || fs == kFsFat) {
        SeekToStartSector();
        return true;
    }
    return false;
}

bool CDiskSource::OpenPath() {
    if (!Acquire(kLogicalFailed)) return false;
    struct stat st{};
    if (m_hDevice >= 0 && ::fstat(m_hDevice, &st) != 0) {
        m_openErrno = errno;
        Close();
        m_nStatus = kLogicalFailed;
        return false;
    }
    ProbeSectorSize();
    m_ullTotalSectors = MediumBytes() / m_dwSectorSize;
    // A disk image has no file system to ask: it takes the figures of the
    // partition-size query (8 sectors per cluster), so callers can use it.
    m_dwSectorsPerCluster = 8;
    m_ullTotalClusters = m_ullTotalSectors / 8;
    const int fs = ProbeFileSystem(2);
    if (fs == kFsFat32 || fs == kFsFat) SeekToStartSector();
    return true;
}

DWORD CDiskSource::ProbeSectorSizeByRead(int fd) {
    DWORD found = kLastProbedSectorSize;
    for (DWORD n = 512; n <= kLastProbedSectorSize; n += 512) {
        std::vector<BYTE> buf(n, 0);
        const int64_t before = TellFd(fd);
        const ssize_t r = ReadFully(fd, buf.data(), n);
        if (r >= 0) {
            found = n;
            break;
        }
        if (before >= 0) ::lseek(fd, before, SEEK_SET);
    }
    ::lseek(fd, 0, SEEK_SET);
    return found;
}

DWORD CDiskSource::ProbeSectorSizeByRead(const IMedium& medium) {
    for (DWORD n = 512; n <= kLastProbedSectorSize; n += 512) {
        std::vector<BYTE> buf(n, 0);
        if (medium.ReadAt(buf.data(), n, 0) >= 0) return n;
    }
    return kLastProbedSectorSize;
}

void CDiskSource::ProbeSectorSize() {
    // Buffered reads of any size succeed on a block device, so the read probe
    // cannot see its sector size: the kernel's logical sector size (or an E01
    // image's own) is taken instead.
    if (const uint32_t stated = m_medium->StatedSectorSize(); stated > 0) {
        m_dwSectorSize = stated;
    } else {
        m_dwSectorSize = ProbeSectorSizeByRead(*m_medium);
    }
    Seek(0);
}

uint64_t CDiskSource::MediumBytes() const { return m_medium ? m_medium->CurrentSize() : 0; }

uint64_t CDiskSource::Tell() const {
    if (m_hDevice >= 0) {
        const int64_t at = TellFd(m_hDevice);
        return at >= 0 ? static_cast<uint64_t>(at) : 0;
    }
    return m_offset;
}

void CDiskSource::Seek(uint64_t offset) {
    if (m_hDevice >= 0) ::lseek(m_hDevice, static_cast<off_t>(offset), SEEK_SET);
    m_offset = offset;
}

ssize_t CDiskSource::ReadNext(void* buf, size_t n) {
    if (!m_medium) {
        errno = EBADF;
        return -1;
    }
    const uint64_t at = Tell();
    const ssize_t got = m_medium->ReadAt(buf, n, at);
    if (got > 0) Seek(at + static_cast<uint64_t>(got));
    return got;
}

bool CDiskSource::FreeSpaceQuery() {
    const std::string mountPoint = FindMountPoint(m_rdev);
    if (mountPoint.empty()) return false;
    struct statvfs vfs{};
    if (::statvfs(mountPoint.c_str(), &vfs) != 0) return false;
    const uint64_t fragment = vfs.f_frsize ? vfs.f_frsize : vfs.f_bsize;
    if (fragment == 0 || m_dwSectorSize == 0) return false;
    m_dwSectorsPerCluster = static_cast<DWORD>(std::max<uint64_t>(1, fragment / m_dwSectorSize));
    m_ullTotalClusters = static_cast<ULONGLONG>(vfs.f_blocks);
    m_ullFsTotalBytes = static_cast<uint64_t>(vfs.f_blocks) * fragment;
    return true;
}

int CDiskSource::ProbeFileSystem(BYTE mode) {
    BYTE boot[kBootSectorBytes] = {};
    // A 512-byte read fails on a medium with larger sectors (reads must be whole
    // sectors there), so such a medium keeps start sector 0.
    if (m_dwSectorSize > kBootSectorBytes ||
        ReadNext(boot, kBootSectorBytes) != static_cast<ssize_t>(kBootSectorBytes)) {
        if (m_dwSectorSize <= kBootSectorBytes) Seek(0);
        m_dwStartSector = 0;
        return kFsNone;
    }
    if (std::memcmp(boot + 3, "NTFS", 4) == 0) {
        m_dwStartSector = 1;
        // The boot sector's count leaves out the backup boot sector at the end.
        if (mode == 1) m_ullTotalSectors = LoadLe64(boot + 40) + 1;
        return kFsNtfs;
    }
    // FAT: the data area begins after the reserved sectors and two copies of
    // the FAT, whatever the boot sector says about the number of copies. A
    // damaged boot sector can claim a data area beyond the end of the medium;
    // starting there would skip the whole medium, so such a boot sector is
    // not believed and the medium is taken as having no known file system.
    const bool fat32 = std::memcmp(boot + 82, "FAT32", 5) == 0;
    const bool fat16 = !fat32 && std::memcmp(boot + 54, "FAT1", 4) == 0;
    if (fat32 || fat16) {
        const uint64_t sectorsPerFat = fat32 ? LoadLe32(boot + 36) : LoadLe16(boot + 22);
        const uint64_t start = LoadLe16(boot + 14) + 2 * sectorsPerFat;
        if (start <= UINT32_MAX && start < MediumBytes() / m_dwSectorSize) {
            m_dwStartSector = static_cast<DWORD>(start);
            if (mode == 1) m_ullTotalSectors = LoadLe32(boot + 32);
            return fat32 ? kFsFat32 : kFsFat;
        }
    }
    // No known file system: the scan starts where the read left the file
    // offset. (A whole disk would start after the usual 63 hidden sectors,
    // but whole disks are never probed; an image file whose name happens to
    // be a digit is no whole disk and must not lose its first 63 sectors.)
    const uint64_t pos = Tell();
    m_dwStartSector = pos > 0 && m_dwSectorSize ? static_cast<DWORD>(pos / m_dwSectorSize) : 0;
    return kFsNone;
}

void CDiskSource::PartitionSizeFallback() {
    const uint64_t bytes = MediumBytes();
    m_ullTotalSectors = m_dwSectorSize ? bytes / m_dwSectorSize : 0;
    m_dwSectorsPerCluster = 8;
    m_ullTotalClusters = m_ullTotalSectors / 8;
}

void CDiskSource::SeekToStartSector() {
    // The boot sector read left the file offset at byte 512; the data area can
    // lie further than a 32-bit relative move reaches, so seek from the start.
    Seek(uint64_t{m_dwStartSector} * m_dwSectorSize);
}

bool CDiskSource::SeekRelative(int32_t bytes) {
    if (!m_medium) return false;
    const int64_t to = static_cast<int64_t>(Tell()) + bytes;
    if (to < 0) return false;
    Seek(static_cast<uint64_t>(to));
    return true;
}

bool CDiskSource::GetErrorText(std::string& text, int error) {
    char buf[256] = {};
    const char* msg = error ? ::strerror_r(error, buf, sizeof buf) : nullptr;
    if (msg == nullptr || *msg == '\0' || std::strncmp(msg, "Unknown error", 13) == 0) {
        text = "failed to retrieve system error";
        return false;
    }
    text = msg;
    return true;
}

}  // namespace tvn
