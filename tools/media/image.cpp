#include "tools/media/image.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <stdexcept>
#include <unistd.h>

namespace tvn::media {

namespace {
void Put16(uint8_t* p, uint16_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}
void Put32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}
void Put64(uint8_t* p, uint64_t v) {
    for (int i = 0; i < 8; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}
[[noreturn]] void Fail(const std::string& what) {
    throw std::runtime_error(what + ": " + std::strerror(errno));
}
}  // namespace

ImageFile::ImageFile(std::string path, uint64_t size, Mode mode)
    : m_path(std::move(path)), m_size(size) {
    const int flags = mode == kKeep ? O_RDWR | O_CLOEXEC : O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC;
    m_fd = ::open(m_path.c_str(), flags, 0644);
    if (m_fd < 0) Fail((mode == kKeep ? "cannot open " : "cannot create ") + m_path);
    if (::ftruncate(m_fd, static_cast<off_t>(size)) != 0) {
        const int error = errno;
        ::close(m_fd);
        errno = error;
        Fail("cannot size " + m_path);
    }
}

ImageFile::~ImageFile() {
    if (m_fd >= 0) ::close(m_fd);
}

void ImageFile::Write(uint64_t offset, std::span<const uint8_t> bytes) {
    if (offset + bytes.size() > m_size) throw std::out_of_range("write past the end of " + m_path);
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t w = ::pwrite(m_fd, bytes.data() + done, bytes.size() - done,
                                   static_cast<off_t>(offset + done));
        if (w < 0) {
            if (errno == EINTR) continue;
            Fail("cannot write " + m_path);
        }
        done += static_cast<size_t>(w);
    }
}

void ImageFile::Fill(uint64_t offset, uint64_t length, uint8_t value) {
    Bytes chunk(static_cast<size_t>(std::min<uint64_t>(length, 1 << 20)), value);
    while (length > 0) {
        const size_t n = static_cast<size_t>(std::min<uint64_t>(length, chunk.size()));
        Write(offset, {chunk.data(), n});
        offset += n;
        length -= n;
    }
}

std::array<uint8_t, 512> MakeMbr(std::span<const MbrPartition> partitions) {
    std::array<uint8_t, 512> s{};
    Put32(&s[440], 0x54564E31);  // disk signature
    for (size_t i = 0; i < partitions.size() && i < 4; ++i) {
        uint8_t* e = &s[446 + 16 * i];
        e[0] = 0x00;
        e[1] = 0xFE; e[2] = 0xFF; e[3] = 0xFF;  // CHS fields: use LBA
        e[4] = partitions[i].type;
        e[5] = 0xFE; e[6] = 0xFF; e[7] = 0xFF;
        Put32(e + 8, partitions[i].startSector);
        Put32(e + 12, partitions[i].sectors);
    }
    s[510] = 0x55;
    s[511] = 0xAA;
    return s;
}

namespace {
void CommonBpb(std::array<uint8_t, 512>& s, uint16_t reserved, uint8_t spc, uint32_t total) {
    s[0] = 0xEB; s[1] = 0x58; s[2] = 0x90;
    std::memcpy(&s[3], "MSWIN4.1", 8);
    Put16(&s[11], 512);
    s[13] = spc;
    Put16(&s[14], reserved);
    s[16] = 2;  // FAT copies
    s[21] = 0xF8;
    Put16(&s[24], 63);
    Put16(&s[26], 255);
    if (total < 65536) Put16(&s[19], static_cast<uint16_t>(total));
    Put32(&s[32], total);
    s[510] = 0x55;
    s[511] = 0xAA;
}
}  // namespace

std::array<uint8_t, 512> MakeFat32BootSector(uint16_t reservedSectors, uint32_t sectorsPerFat,
                                             uint32_t totalSectors, uint8_t sectorsPerCluster) {
    std::array<uint8_t, 512> s{};
    CommonBpb(s, reservedSectors, sectorsPerCluster, totalSectors);
    Put16(&s[19], 0);
    Put32(&s[36], sectorsPerFat);
    Put32(&s[44], 2);  // root directory cluster
    s[64] = 0x80;
    s[66] = 0x29;
    std::memcpy(&s[71], "TARVOLIN   ", 11);
    std::memcpy(&s[82], "FAT32   ", 8);
    return s;
}

std::array<uint8_t, 512> MakeFat16BootSector(uint16_t reservedSectors, uint16_t sectorsPerFat,
                                             uint32_t totalSectors, uint8_t sectorsPerCluster) {
    std::array<uint8_t, 512> s{};
    CommonBpb(s, reservedSectors, sectorsPerCluster, totalSectors);
    Put16(&s[17], 512);  // root entries
    Put16(&s[22], sectorsPerFat);
    s[36] = 0x80;
    s[38] = 0x29;
    std::memcpy(&s[43], "TARVOLIN   ", 11);
    std::memcpy(&s[54], "FAT16   ", 8);
    return s;
}

std::array<uint8_t, 512> MakeNtfsBootSector(uint64_t totalSectors) {
    std::array<uint8_t, 512> s{};
    s[0] = 0xEB; s[1] = 0x52; s[2] = 0x90;
    std::memcpy(&s[3], "NTFS    ", 8);
    Put16(&s[11], 512);
    s[13] = 8;
    s[21] = 0xF8;
    Put64(&s[40], totalSectors);
    Put64(&s[48], 4);  // $MFT cluster
    s[510] = 0x55;
    s[511] = 0xAA;
    return s;
}

}  // namespace tvn::media
