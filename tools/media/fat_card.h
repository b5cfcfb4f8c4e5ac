// FAT file systems on card images, made and filled by the same tools a
// computer would use (mkfs.vfat from dosfstools, mtools), and read back here to
// find where each file's clusters ended up.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/media/image.h"

namespace tvn::media {

// A run of bytes in the image file.
struct Extent {
    uint64_t offset = 0;
    uint64_t length = 0;
    bool operator==(const Extent&) const = default;
};

// A file or directory listed in a FAT directory tree.
struct FatEntry {
    std::string path;  // from the root, "/DCIM/100TVNCM/DSC_0001.JPG"
    uint32_t size = 0;
    uint32_t firstCluster = 0;
    bool directory = false;
    // Files: where their bytes lie in the image, in file order, merged where
    // clusters follow each other; together exactly size bytes.
    std::vector<Extent> extents;
};

// Reads a FAT12, FAT16 or FAT32 file system that begins at a byte offset of an
// image file. Throws std::runtime_error on a boot sector or a cluster chain it
// cannot make sense of.
class CFatReader {
public:
    CFatReader(const std::string& image, uint64_t partitionOffset);
    ~CFatReader();
    CFatReader(const CFatReader&) = delete;
    CFatReader& operator=(const CFatReader&) = delete;

    int Bits() const { return m_bits; }  // 12, 16 or 32
    uint32_t ClusterBytes() const { return m_clusterBytes; }
    uint64_t DataOffset() const { return m_dataOffset; }  // image offset of cluster 2
    // Every file and directory reachable from the root, depth first, in
    // directory order.
    std::vector<FatEntry> List() const;

private:
    Bytes ReadAt(uint64_t offset, size_t n) const;
    uint32_t Next(uint32_t cluster) const;
    bool IsEnd(uint32_t value) const;
    std::vector<uint32_t> Chain(uint32_t first) const;
    Bytes ReadChain(uint32_t first) const;
    void ListDirectory(const Bytes& dir, const std::string& prefix, int depth,
                       std::vector<FatEntry>& out) const;

    int m_fd = -1;
    int m_bits = 0;
    uint32_t m_clusterBytes = 0;
    uint32_t m_clusters = 0;  // data clusters, numbered from 2
    uint32_t m_rootCluster = 0;
    uint64_t m_rootOffset = 0;  // FAT12/16: the fixed root directory
    uint32_t m_rootBytes = 0;
    uint64_t m_dataOffset = 0;
    Bytes m_fat;
};

// Makes and changes the FAT file system of one partition of a card image with
// mkfs.vfat and mtools. Everything they write is made repeatable: a fixed
// volume id, fixed time stamps (the given epoch) and time zone. Throws
// std::runtime_error with the tool's own output when a tool fails or is
// missing.
class CFatTools {
public:
    CFatTools(std::string image, uint32_t partitionStartSector, uint32_t partitionSectors,
              uint32_t volumeId, int64_t epoch);

    // Writes a new, empty file system over the partition (a quick format: the
    // data area is left as it is); extra options go to mkfs.vfat ("-F", "32").
    void Format(const std::vector<std::string>& extra = {}) const;
    // The time zone the tools write local times in (UTC unless set).
    void SetTimeZone(std::string zone) { m_zone = std::move(zone); }
    void MakeDirectory(const std::string& cardPath) const;
    // Copies a host file into a directory of the card, keeping the file's
    // modification time.
    void Copy(const std::string& hostFile, const std::string& cardDirectory) const;
    void Delete(const std::string& cardPath) const;

    // The full path of a tool found on PATH or in the system folders, or empty.
    static std::string FindTool(const std::string& name);

private:
    void Run(const std::vector<std::string>& args) const;
    std::string Drive() const;

    std::string m_image;
    uint32_t m_startSector;
    uint32_t m_sectors;
    uint32_t m_volumeId;
    int64_t m_epoch;
    std::string m_zone = "UTC";
};

// A temporary folder on the host that holds the files to copy onto a card,
// each with a fixed modification time. Removed with its contents when it goes.
class CHostFolder {
public:
    CHostFolder();
    ~CHostFolder();
    CHostFolder(const CHostFolder&) = delete;
    CHostFolder& operator=(const CHostFolder&) = delete;

    // Writes a file (in a folder of its own, so that names may repeat) with
    // the given modification time; returns its path.
    std::string Put(const std::string& name, const Bytes& data, int64_t mtime);

private:
    std::string m_path;
    int m_count = 0;
};

}  // namespace tvn::media
