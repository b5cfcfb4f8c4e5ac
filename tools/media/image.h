// Disk images for tests and the built-in sample: a sparse file written at
// chosen byte offsets, an MBR partition table, and FAT and NTFS boot sectors.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace tvn::media {

using Bytes = std::vector<uint8_t>;

class ImageFile {
public:
    enum Mode { kCreate, kKeep };
    // kCreate: creates (or replaces) a sparse file of the given size. kKeep:
    // opens an existing file to change bytes in it, sizing it as given.
    ImageFile(std::string path, uint64_t size, Mode mode = kCreate);
    ~ImageFile();
    ImageFile(const ImageFile&) = delete;
    ImageFile& operator=(const ImageFile&) = delete;

    void Write(uint64_t offset, std::span<const uint8_t> bytes);
    void Fill(uint64_t offset, uint64_t length, uint8_t value);
    uint64_t Size() const { return m_size; }
    const std::string& Path() const { return m_path; }

private:
    std::string m_path;
    uint64_t m_size;
    int m_fd;
};

struct MbrPartition {
    uint32_t startSector;
    uint32_t sectors;
    uint8_t type;  // 0x06 FAT16, 0x0B/0x0C FAT32, 0x07 NTFS
};
// A 512-byte master boot record with up to four primary partitions.
std::array<uint8_t, 512> MakeMbr(std::span<const MbrPartition> partitions);

// Boot sectors with the fields the disk source reads.
std::array<uint8_t, 512> MakeFat32BootSector(uint16_t reservedSectors, uint32_t sectorsPerFat,
                                             uint32_t totalSectors, uint8_t sectorsPerCluster = 8);
std::array<uint8_t, 512> MakeFat16BootSector(uint16_t reservedSectors, uint16_t sectorsPerFat,
                                             uint32_t totalSectors, uint8_t sectorsPerCluster = 4);
std::array<uint8_t, 512> MakeNtfsBootSector(uint64_t totalSectors);

}  // namespace tvn::media
