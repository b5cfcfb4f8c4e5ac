// The medium being recovered, as bytes by position: the one object every
// reader of it goes through (the scan and its read-ahead, extraction, the
// preview copy, thumbnails, the scan info check). It owns what was handed
// over when it was opened (a descriptor of a device or image, the one UDisks2
// gave, the parts of a split image, an E01 image's handle) and knows the
// medium's size when it was opened, its sector size and where it ends now.
//
// A read that comes back short before the end the medium had when it was
// opened asks for the medium's size again: when it ends earlier now (a card
// pulled from its reader, an image cut short), the medium is lost and the read
// fails with ENODEV. Nothing past the medium's current end is ever taken for
// zeros.
//
// Reads by position only: nothing here keeps a file offset. Safe to read from
// several threads at once.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <sys/types.h>
#include <sys/uio.h>
#include <vector>

namespace tvn {

class IMedium {
public:
    virtual ~IMedium() = default;

    // The name it was opened by (a device, an image, a split image's first
    // part, an E01 image's first segment).
    virtual const std::string& Path() const = 0;
    // The descriptor of a medium that is one device or file (-1 for split
    // and E01 images), and the direct one (O_DIRECT) of a block device.
    virtual int Fd() const { return -1; }
    virtual int DirectFd() const { return -1; }
    // The descriptors came from UDisks2.
    virtual bool ViaUDisks2() const { return false; }
    // Device number of a block device (0 for anything else).
    virtual dev_t DeviceNumber() const { return 0; }
    // The sector size the medium states (a block device's logical sector
    // size, an E01 image's bytes per sector); 0 when it states none and the
    // sector size is found by reading.
    virtual uint32_t StatedSectorSize() const { return 0; }

    // Bytes the medium had when it was opened.
    uint64_t Size() const { return m_size; }
    // Bytes it has now (asked again: BLKGETSIZE64 or fstat); 0 when gone.
    virtual uint64_t CurrentSize() const = 0;
    // Whether the medium is still there: its path names what was opened, and
    // a block device still has a size (a card reader whose card was pulled
    // reports 0).
    virtual bool StillPresent() const = 0;

    // Reads n bytes at offset: the byte count (short only at the medium's
    // end) or -1 with errno set (ENODEV: the medium is lost).
    ssize_t ReadAt(void* buf, size_t n, uint64_t offset) const;
    // The same into several buffers with one request where the medium can.
    // A read that brought something answers with that much, short or not:
    // the reader reads the rest by ReadAt, which tells a lost medium.
    ssize_t ReadVecAt(const iovec* parts, int count, uint64_t offset) const;
    // Reads past the kernel's page cache (a block device's direct
    // descriptor); buf, n and offset aligned as O_DIRECT wants. -1 with
    // EINVAL where the medium takes no direct reads.
    ssize_t ReadDirectAt(void* buf, size_t n, uint64_t offset) const;
    ssize_t ReadVecDirectAt(const iovec* parts, int count, uint64_t offset) const;
    bool CanReadDirect() const { return DirectFd() >= 0; }

protected:
    // Whole reads (short only where the data ends), -1 with errno.
    virtual ssize_t DoRead(void* buf, size_t n, uint64_t offset) const = 0;
    virtual ssize_t DoReadVec(const iovec* parts, int count, uint64_t offset) const;
    virtual ssize_t DoReadDirect(void* buf, size_t n, uint64_t offset) const;
    virtual ssize_t DoReadVecDirect(const iovec* parts, int count, uint64_t offset) const;
    void SetSize(uint64_t size) { m_size = size; }

private:
    // A short read before the end at open: lost when the medium ends
    // earlier now.
    ssize_t CheckEnd(ssize_t got, size_t n, uint64_t offset) const;
    uint64_t m_size = 0;
};

// A medium that is one descriptor: a block device or an image file, opened
// by path or handed over by UDisks2 (with a direct descriptor for a block
// device). Owns both descriptors.
class CMediumHandle : public IMedium {
public:
    CMediumHandle(std::string path, int fd, int directFd, bool viaUDisks2);
    ~CMediumHandle() override;
    CMediumHandle(const CMediumHandle&) = delete;
    CMediumHandle& operator=(const CMediumHandle&) = delete;

    const std::string& Path() const override { return m_path; }
    int Fd() const override { return m_fd; }
    int DirectFd() const override { return m_directFd; }
    bool ViaUDisks2() const override { return m_viaUDisks2; }
    dev_t DeviceNumber() const override { return m_rdev; }
    uint32_t StatedSectorSize() const override;
    uint64_t CurrentSize() const override;
    bool StillPresent() const override;

protected:
    ssize_t DoRead(void* buf, size_t n, uint64_t offset) const override;
    ssize_t DoReadVec(const iovec* parts, int count, uint64_t offset) const override;
    ssize_t DoReadDirect(void* buf, size_t n, uint64_t offset) const override;
    ssize_t DoReadVecDirect(const iovec* parts, int count, uint64_t offset) const override;

private:
    std::string m_path;
    int m_fd;
    int m_directFd;
    bool m_viaUDisks2;
    dev_t m_dev = 0;
    ino_t m_ino = 0;
    dev_t m_rdev = 0;
};

// A raw image split into parts ("card.img.000", "card.img.001", ...), read
// as one medium. Owns a descriptor of every part.
class CSplitMedium : public IMedium {
public:
    struct Part {
        std::string path;
        int fd = -1;
        uint64_t size = 0;
        dev_t dev = 0;
        ino_t ino = 0;
    };
    explicit CSplitMedium(std::vector<Part> parts);
    ~CSplitMedium() override;
    CSplitMedium(const CSplitMedium&) = delete;
    CSplitMedium& operator=(const CSplitMedium&) = delete;

    const std::string& Path() const override { return m_parts.front().path; }
    uint64_t CurrentSize() const override;
    bool StillPresent() const override;
    size_t PartCount() const { return m_parts.size(); }

protected:
    ssize_t DoRead(void* buf, size_t n, uint64_t offset) const override;

private:
    std::vector<Part> m_parts;
    std::vector<uint64_t> m_starts;  // each part's first byte in the medium
};

// The parts of a split raw image whose first part is path: path names a
// part numbered 0 or 1 (".000", ".001", ".00", ".01": digits only after the
// last dot) and the next number exists beside it. Empty otherwise.
std::vector<std::string> SplitImageParts(const std::string& path);

// Whether path is an E01 (Expert Witness) image, by its signature.
bool IsEwfImage(const std::string& path);

// Opens a medium by its path, read-only: an E01 image through libewf, a
// split raw image as one medium, anything else as one descriptor (a device
// the user may not open through UDisks2). wantDirect asks for the direct
// descriptor of a block device. Null with *error (errno) and *detail (what
// UDisks2 answered) when it cannot be opened.
std::shared_ptr<IMedium> OpenMedium(const std::string& path, bool wantDirect, int* error,
                                    std::string* detail = nullptr);

}  // namespace tvn
