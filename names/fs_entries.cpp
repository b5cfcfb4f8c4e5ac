#include "names/fs_entries.h"

#include "disk/medium.h"

#include <tsk/libtsk.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>

#include <fmt/format.h>

#include "disk/disk_source.h"
#include "disk/io.h"
#include "names/exfat_directory.h"
#include "names/fat_directory.h"

// Exported by the library but declared only in its internal headers:
// tsk_img_open_external sets up the image's cache lock, and the image's own
// close function releases it.
extern "C" void tsk_deinit_lock(tsk_lock_t* lock);

namespace tvn {

namespace {

using Clock = std::chrono::steady_clock;

// The medium as the Sleuth Kit sees it: an image of its own kind whose reads
// go to the reader given. TSK_IMG_INFO must come first.
struct CMediumImage {
    TSK_IMG_INFO info;
    const MediumReadAt* read = nullptr;
    uint64_t size = 0;
    Clock::time_point deadline;
    bool expired = false;
};

ssize_t ImageRead(TSK_IMG_INFO* img, TSK_OFF_T off, char* buf, size_t len) {
    auto* m = reinterpret_cast<CMediumImage*>(img);
    if (Clock::now() > m->deadline) {
        m->expired = true;
        return -1;
    }
    if (off < 0 || static_cast<uint64_t>(off) >= m->size) return -1;
    len = static_cast<size_t>(std::min<uint64_t>(len, m->size - static_cast<uint64_t>(off)));
    return (*m->read)(static_cast<uint64_t>(off), buf, len);
}

void ImageClose(TSK_IMG_INFO* img) { tsk_deinit_lock(&img->cache_lock); }
void ImageStat(TSK_IMG_INFO*, FILE*) {}

EntryTime TimeOf(time_t t, bool local) {
    EntryTime e;
    if (t <= 0) return e;
    e.seconds = static_cast<int64_t>(t);
    e.known = true;
    e.localZone = local;
    return e;
}

bool IsFat(TSK_FS_TYPE_ENUM t) {
    return t == TSK_FS_TYPE_FAT12 || t == TSK_FS_TYPE_FAT16 || t == TSK_FS_TYPE_FAT32;
}

// What one FAT file system's boot sector says about where clusters lie.
struct FatGeometry {
    bool ok = false;
    uint64_t dataOffset = 0;  // byte offset on the medium of cluster 2
    uint64_t clusterBytes = 0;
};

FatGeometry ReadFatGeometry(const MediumReadAt& read, uint64_t fsOffset) {
    FatGeometry g;
    uint8_t b[512];
    if (read(fsOffset, b, sizeof b) != static_cast<ssize_t>(sizeof b)) return g;
    const auto le16 = [&b](size_t at) { return uint32_t{b[at]} | uint32_t{b[at + 1]} << 8; };
    const uint32_t bytesPerSector = le16(11);
    const uint32_t perCluster = b[13];
    const uint32_t reserved = le16(14);
    const uint32_t fats = b[16];
    const uint32_t rootEntries = le16(17);
    uint32_t fatSize = le16(22);
    if (fatSize == 0) fatSize = le16(36) | le16(38) << 16;
    if (bytesPerSector < 512 || bytesPerSector > 4096 || perCluster == 0 || fats == 0) return g;
    const uint64_t rootSectors = (uint64_t{rootEntries} * 32 + bytesPerSector - 1) / bytesPerSector;
    g.dataOffset = fsOffset + (reserved + uint64_t{fats} * fatSize + rootSectors) * bytesPerSector;
    g.clusterBytes = uint64_t{perCluster} * bytesPerSector;
    g.ok = true;
    return g;
}

FatGeometry ReadExfatGeometry(const MediumReadAt& read, uint64_t fsOffset) {
    FatGeometry g;
    uint8_t b[512];
    if (read(fsOffset, b, sizeof b) != static_cast<ssize_t>(sizeof b)) return g;
    const uint32_t bytesShift = b[108], clusterShift = b[109];
    if (bytesShift < 9 || bytesShift > 12 || clusterShift > 25 - bytesShift) return g;
    const uint64_t heap = uint64_t{b[88]} | uint64_t{b[89]} << 8 | uint64_t{b[90]} << 16 |
                          uint64_t{b[91]} << 24;
    g.dataOffset = fsOffset + (heap << bytesShift);
    g.clusterBytes = uint64_t{1} << (bytesShift + clusterShift);
    g.ok = true;
    return g;
}

class CWalker {
public:
    CWalker(TSK_FS_INFO* fs, const MediumReadAt& read, const FsReadLimits& limits,
            Clock::time_point deadline, FsReadResult& out)
        : m_fs(fs), m_limits(limits), m_deadline(deadline), m_out(out) {
        m_fat = IsFat(fs->ftype);
        m_fsName = tsk_fs_type_toname(fs->ftype);
        for (char& c : m_fsName) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        if (m_fsName == "EXFAT") m_fsName = "exFAT";
        m_exfat = fs->ftype == TSK_FS_TYPE_EXFAT;
        if (m_fat) m_geometry = ReadFatGeometry(read, static_cast<uint64_t>(fs->offset));
        if (m_exfat) m_geometry = ReadExfatGeometry(read, static_cast<uint64_t>(fs->offset));
    }

    void Walk() {
        const auto flags = static_cast<TSK_FS_DIR_WALK_FLAG_ENUM>(
            TSK_FS_DIR_WALK_FLAG_ALLOC | TSK_FS_DIR_WALK_FLAG_UNALLOC |
            TSK_FS_DIR_WALK_FLAG_RECURSE | TSK_FS_DIR_WALK_FLAG_NOORPHAN);
        tsk_fs_dir_walk(m_fs, m_fs->root_inum, flags, &CWalker::OnEntry, this);
    }

    const std::string& Name() const { return m_fsName; }

private:
    static TSK_WALK_RET_ENUM OnEntry(TSK_FS_FILE* file, const char* path, void* self) {
        return static_cast<CWalker*>(self)->Entry(file, path);
    }

    TSK_WALK_RET_ENUM Entry(TSK_FS_FILE* file, const char* path) {
        if (Clock::now() > m_deadline || m_out.entries.size() >= m_limits.maxEntries) {
            m_out.cut = true;
            return TSK_WALK_STOP;
        }
        if (file == nullptr || file->name == nullptr || file->meta == nullptr) return TSK_WALK_CONT;
        const TSK_FS_NAME* name = file->name;
        if (name->name == nullptr || name->name[0] == '\0') return TSK_WALK_CONT;
        if (std::strcmp(name->name, ".") == 0 || std::strcmp(name->name, "..") == 0)
            return TSK_WALK_CONT;
        if (file->meta->type != TSK_FS_META_TYPE_REG) return TSK_WALK_CONT;
        const std::string parent = path != nullptr ? path : "";
        // The file system's own records at its root ($MFT, $FAT1, ...).
        if (parent.empty() && name->name[0] == '$') return TSK_WALK_CONT;

        FsEntry e;
        e.origin.fileSystem = m_fsName;
        e.origin.name = name->name;
        e.origin.deleted = (name->flags & TSK_FS_NAME_FLAG_UNALLOC) != 0;
        e.origin.size = file->meta->size > 0 ? static_cast<uint64_t>(file->meta->size) : 0;
        const bool local = m_fat || m_fsName == "exFAT";
        e.origin.modified = TimeOf(file->meta->mtime, local);
        e.origin.created = TimeOf(file->meta->crtime, local);

        if (const TSK_FS_ATTR* attr = tsk_fs_file_attr_get(file);
            attr != nullptr && (attr->flags & TSK_FS_ATTR_NONRES) != 0) {
            for (const TSK_FS_ATTR_RUN* run = attr->nrd.run; run != nullptr; run = run->next) {
                if ((run->flags & (TSK_FS_ATTR_RUN_FLAG_FILLER | TSK_FS_ATTR_RUN_FLAG_SPARSE)) != 0)
                    break;
                if (run->offset != 0) break;
                e.dataOffset = static_cast<uint64_t>(m_fs->offset) + run->addr * m_fs->block_size;
                e.hasData = run->len > 0;
                break;
            }
        }
        if (m_fat && e.origin.deleted) RestoreFatName(file, e);
        if (m_exfat) ExfatTimes(file, e);
        e.origin.path = parent + e.origin.name;
        m_out.entries.push_back(std::move(e));
        return TSK_WALK_CONT;
    }

    // A deleted FAT entry's name from the directory's own bytes, with its
    // first letter found again where that can be done.
    void RestoreFatName(TSK_FS_FILE* file, FsEntry& e) {
        if (!m_geometry.ok || !e.hasData) {
            e.origin.restore = NameRestore::Unknown;
            return;
        }
        std::vector<FatDirEntry>& dir = Directory(file->name->par_addr);
        for (FatDirEntry& d : dir) {
            if (!d.deleted || d.IsDirectory() || d.size != e.origin.size || d.firstCluster < 2)
                continue;
            const uint64_t at = m_geometry.dataOffset + (d.firstCluster - 2) * m_geometry.clusterBytes;
            if (at != e.dataOffset) continue;
            e.origin.name = d.Name();
            e.origin.restore = d.restore;
            d.firstCluster = 0;  // used
            return;
        }
        e.origin.restore = NameRestore::Unknown;
    }

    // exFAT keeps each time's offset from UTC, which the library does not
    // use: the times from the entry itself where it names one.
    void ExfatTimes(TSK_FS_FILE* file, FsEntry& e) {
        if (!m_geometry.ok || !e.hasData) return;
        auto it = m_exfatDirs.find(file->name->par_addr);
        if (it == m_exfatDirs.end())
            it = m_exfatDirs.emplace(file->name->par_addr,
                                     ParseExfatDirectory(DirectoryBytes(file->name->par_addr)))
                     .first;
        for (const ExfatDirEntry& d : it->second) {
            if (d.directory || d.size != e.origin.size || d.firstCluster < 2 ||
                d.deleted != e.origin.deleted)
                continue;
            const uint64_t at =
                m_geometry.dataOffset + (d.firstCluster - 2) * m_geometry.clusterBytes;
            if (at != e.dataOffset) continue;
            if (d.modified.known) e.origin.modified = d.modified;
            if (d.created.known) e.origin.created = d.created;
            return;
        }
    }

    std::vector<FatDirEntry>& Directory(TSK_INUM_T inum) {
        auto it = m_dirs.find(inum);
        if (it != m_dirs.end()) return it->second;
        return m_dirs.emplace(inum, ParseFatDirectory(DirectoryBytes(inum))).first->second;
    }

    // A directory's own bytes, as far as the limit allows.
    std::vector<uint8_t> DirectoryBytes(TSK_INUM_T inum) {
        std::vector<uint8_t> bytes;
        TSK_FS_FILE* dir = tsk_fs_file_open_meta(m_fs, nullptr, inum);
        if (dir == nullptr) {
            tsk_error_reset();
            return bytes;
        }
        if (dir->meta != nullptr && dir->meta->size > 0) {
            const auto n = static_cast<size_t>(std::min<uint64_t>(
                static_cast<uint64_t>(dir->meta->size), m_limits.maxDirectoryBytes));
            bytes.resize(n);
            const ssize_t got = tsk_fs_file_read(dir, 0, reinterpret_cast<char*>(bytes.data()), n,
                                                 TSK_FS_FILE_READ_FLAG_NONE);
            bytes.resize(got > 0 ? static_cast<size_t>(got) : 0);
        }
        tsk_fs_file_close(dir);
        tsk_error_reset();
        return bytes;
    }

    TSK_FS_INFO* m_fs;
    const FsReadLimits& m_limits;
    Clock::time_point m_deadline;
    FsReadResult& m_out;
    bool m_fat = false;
    bool m_exfat = false;
    std::string m_fsName;
    FatGeometry m_geometry;
    std::map<TSK_INUM_T, std::vector<FatDirEntry>> m_dirs;
    std::map<TSK_INUM_T, std::vector<ExfatDirEntry>> m_exfatDirs;
};

void ReadOneFs(TSK_IMG_INFO* img, TSK_OFF_T offset, uint32_t sectorSize,
               const MediumReadAt& read, const FsReadLimits& limits, Clock::time_point deadline,
               FsReadResult& out) {
    TSK_FS_INFO* fs = tsk_fs_open_img(img, offset, TSK_FS_TYPE_DETECT);
    if (fs == nullptr) {
        tsk_error_reset();
        return;
    }
    CWalker walker(fs, read, limits, deadline, out);
    walker.Walk();
    out.fileSystems.push_back(
        fmt::format("{} at sector {}", walker.Name(), static_cast<uint64_t>(offset) / sectorSize));
    tsk_fs_close(fs);
    tsk_error_reset();
}

}  // namespace

FsReadResult ReadFsEntries(const MediumReadAt& read, uint64_t mediumBytes, uint32_t sectorSize,
                           const FsReadLimits& limits) {
    FsReadResult out;
    if (sectorSize == 0) sectorSize = 512;
    if (mediumBytes < sectorSize || sectorSize % 512 != 0) return out;
    auto image = std::make_unique<CMediumImage>();
    std::memset(&image->info, 0, sizeof image->info);
    image->info.tag = TSK_IMG_INFO_TAG;
    image->read = &read;
    image->size = mediumBytes;
    const Clock::time_point deadline = Clock::now() + limits.time;
    image->deadline = deadline;
    TSK_IMG_INFO* img =
        tsk_img_open_external(image.get(), static_cast<TSK_OFF_T>(mediumBytes), sectorSize,
                              ImageRead, ImageClose, ImageStat);
    if (img == nullptr) {
        tsk_error_reset();
        return out;
    }
    if (TSK_VS_INFO* vs = tsk_vs_open(img, 0, TSK_VS_TYPE_DETECT); vs != nullptr) {
        for (TSK_PNUM_T i = 0; i < vs->part_count && i < 128; ++i) {
            const TSK_VS_PART_INFO* part = tsk_vs_part_get(vs, i);
            if (part == nullptr || (part->flags & TSK_VS_PART_FLAG_ALLOC) == 0) continue;
            ReadOneFs(img, static_cast<TSK_OFF_T>(part->start * vs->block_size), sectorSize, read,
                      limits, deadline, out);
            if (Clock::now() > deadline) break;
        }
        tsk_vs_close(vs);
    } else {
        tsk_error_reset();
    }
    // A partition or an image that is a file system of its own.
    if (out.fileSystems.empty()) ReadOneFs(img, 0, sectorSize, read, limits, deadline, out);
    if (image->expired) out.cut = true;
    tsk_img_close(img);
    return out;
}

FsReadResult ReadFsEntries(const CDiskSource& source, const FsReadLimits& limits) {
    const std::shared_ptr<IMedium> medium = source.GetMedium();
    if (!medium) return {};
    const uint64_t sector = source.GetSectorSizeU() != 0 ? source.GetSectorSizeU() : 512;
    const MediumReadAt read = [medium](uint64_t offset, void* buf, size_t n) {
        return medium->ReadAt(buf, n, offset);
    };
    return ReadFsEntries(read, source.GetTotalSectors() * sector,
                         static_cast<uint32_t>(sector), limits);
}

}  // namespace tvn
