// The medium being recovered: a whole disk, a partition, or a disk image
// (raw, split into parts, or E01), opened read-only for raw sector-wise
// access. It holds the medium (disk/medium.h), works out the figures the rest
// of the program needs (sector size, sectors per cluster, sector count, the
// sector at which the scan begins) and keeps the scan's position, which
// starts at the start sector. Every read goes through the medium.
#pragma once

#include <memory>
#include <string>

#include "app/types.h"
#include "disk/medium.h"
#include "disk/raw_access.h"

namespace tvn {

// What kind of medium an identifier names.
enum class MediumKind { Missing, WholeDisk, Partition, Image, Other };

class CDiskSource {
public:
    // Status values.
    static constexpr int kUsable = 0;
    static constexpr int kPhysicalFailed = 1;  // whole disk cannot be opened, or bad mode
    static constexpr int kLogicalFailed = 2;   // partition / image cannot be opened

    // File-system probe results.
    enum FsProbe { kFsNone = 0, kFsNtfs = 1, kFsFat32 = 2, kFsFat = 3, kFsPhysical = 4 };

    // drive: a device path (/dev/sdb, /dev/sdb1) or an image file; mode as the
    // callers pass it (0). Mode 2 always opens the string as a plain path.
    // A block device the user may not open is opened through UDisks2.
    explicit CDiskSource(std::string drive, BYTE mode = 0);
    // Opens the medium again from descriptors already held (as UDisks2 handed
    // them over), never by its path: the figures are worked out anew on a
    // duplicate of the descriptor, which shares its file offset with every
    // other source opened from the same handle, so one of them is in use at
    // a time (the current disk source).
    explicit CDiskSource(std::shared_ptr<IMedium> medium, BYTE mode = 0);
    ~CDiskSource();
    CDiskSource(const CDiskSource&) = delete;
    CDiskSource& operator=(const CDiskSource&) = delete;

    // The source's own descriptor of a medium that is one device or file (a
    // duplicate of the medium's: its file offset is the scan's position);
    // -1 for split and E01 images.
    int GetHandle() const { return m_hDevice; }
    DWORD GetSectorsPerCluster() const { return m_dwSectorsPerCluster; }
    ULONGLONG GetTotalSectors() const { return m_ullTotalSectors; }
    ULONGLONG GetTotalClusters() const { return m_ullTotalClusters; }
    int GetStatus() const { return m_nStatus; }
    DWORD GetStartSector() const { return m_dwStartSector; }
    int GetSectorSize() const { return static_cast<int>(m_dwSectorSize); }
    DWORD GetSectorSizeU() const { return m_dwSectorSize; }
    ULONGLONG GetPosition() const { return m_ullPosition; }
    void SetPosition(ULONGLONG position) { m_ullPosition = position; }
    const std::string& GetDrive() const { return m_strDrive; }
    MediumKind GetKind() const { return m_kind; }
    // errno of a failed open (0 when the open succeeded); for clear messages.
    int GetOpenError() const { return m_openErrno; }
    // Why a failed open failed, beyond the errno: what UDisks2 answered when
    // it was asked for the medium. Empty otherwise.
    const std::string& GetOpenDetail() const { return m_strOpenDetail; }
    // A second descriptor of the same block device for reads past the page
    // cache (O_DIRECT), owned by the source's medium handle; -1 when there is
    // none (images, or UDisks2 would not give one).
    int GetDirectHandle() const { return m_medium ? m_medium->DirectFd() : -1; }
    // The medium, to read it and to open it again from what it holds. Null
    // when the open failed.
    const std::shared_ptr<IMedium>& GetMedium() const { return m_medium; }

    // The scan's position: the byte offset its next block is read from.
    uint64_t Tell() const;
    void Seek(uint64_t offset);
    // Reads n bytes at the position through the medium and moves the
    // position past what was read. The byte count (short at the medium's
    // end) or -1 with errno.
    ssize_t ReadNext(void* buf, size_t n);
    // Device number of a block device medium (0 for an image).
    unsigned long GetDeviceNumber() const { return m_rdev; }

    // Moves the descriptor's file offset by a signed 32-bit distance.
    bool SeekRelative(int32_t bytes);

    // The system's text for an errno value; "failed to retrieve system error"
    // and false when there is none.
    static bool GetErrorText(std::string& text, int error);

    // The identifier under which a medium is known: its absolute path with
    // symbolic links resolved, so that the same card is recognised however
    // its path was typed. A path that does not exist stays as it is.
    static std::string CanonicalIdentifier(const std::string& path);

    // Classifies a path: block device (whole disk or partition, by sysfs),
    // regular file, missing or anything else.
    static MediumKind Classify(const std::string& path);

    // Opens the medium id again. When current is that medium, opened through
    // UDisks2 and still present, the new source is opened from current's
    // descriptors (a path open would be refused for this user, and asking
    // UDisks2 again could ask for the password once per file); otherwise by
    // the path.
    static std::unique_ptr<CDiskSource> OpenAgain(const CDiskSource* current, const std::string& id);
    // Whether OpenAgain opens id from this source's descriptors.
    bool CanOpenAgain(const std::string& id) const;

    // The sector-size read probe: tries n = 512, 1024, ... up to 66,048 and
    // keeps the first n whose read at the file offset succeeds (66,048 when
    // none does); the file offset is set back to 0.
    static DWORD ProbeSectorSizeByRead(int fd);
    // The same over a medium, reading at its first byte.
    static DWORD ProbeSectorSizeByRead(const IMedium& medium);

private:
    void Open(BYTE mode);
    bool Acquire(int failedStatus);
    bool OpenPhysical();
    bool OpenLogical(BYTE mode);
    bool OpenPath();
    int ProbeFileSystem(BYTE mode);
    void ProbeSectorSize();
    void PartitionSizeFallback();
    // What the medium holds now, in bytes; 0 without one.
    uint64_t MediumBytes() const;
    void SeekToStartSector();
    bool FreeSpaceQuery();
    void Close();

    int m_hDevice = -1;
    DWORD m_dwSectorsPerCluster = 0;
    ULONGLONG m_ullTotalSectors = 0;
    ULONGLONG m_ullTotalClusters = 0;
    std::string m_strDrive;
    int m_nStatus = kUsable;
    DWORD m_dwStartSector = 0;
    ULONGLONG m_ullPosition = 0;
    DWORD m_dwSectorSize = 0;

    MediumKind m_kind = MediumKind::Missing;
    int m_openErrno = 0;
    unsigned long m_rdev = 0;
    ULONGLONG m_ullFsTotalBytes = 0;
    std::string m_strOpenDetail;
    uint64_t m_offset = 0;  // the position, when there is no descriptor of our own
    std::shared_ptr<IMedium> m_medium;
};

// The raw-disk access layer. Opens a device path for reading only; a path that
// does not begin with "/" fails with EINVAL. A user who may not open the
// device himself gets the descriptor from UDisks2 (see disk/raw_access.h).
int OpenRawDisk(const std::string& path);

}  // namespace tvn
