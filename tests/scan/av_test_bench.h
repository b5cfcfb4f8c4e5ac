// A medium for the image, audio and video recognizer tests: an image file
// with bytes placed at chosen offsets, opened as a disk source, and a scan
// context whose buffer holds one block of it the way the scan has it.
#pragma once

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <memory>
#include <span>
#include <string>
#include <vector>

#include "disk/disk_source.h"
#include "disk/io.h"
#include "scan/scanner.h"
#include "tests/support/test_support.h"
#include "tools/media/image.h"

namespace tvn::test {

inline constexpr uint64_t kBlock = kScanBufferSize;
// Offset of the last 512-byte sector of a block.
inline constexpr DWORD kLastSector = kScanBufferSize - 512;

class CAvBench {
public:
    explicit CAvBench(uint64_t size = 4 * kBlock) : m_path(m_dir / "medium.img") {
        media::ImageFile img(m_path, size);
    }

    void Put(uint64_t offset, std::span<const uint8_t> bytes) {
        const int fd = ::open(m_path.c_str(), O_WRONLY | O_CLOEXEC);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::pwrite(fd, bytes.data(), bytes.size(), static_cast<off_t>(offset)),
                  static_cast<ssize_t>(bytes.size()));
        ::close(fd);
    }
    void Put(uint64_t offset, std::initializer_list<uint8_t> bytes) {
        Put(offset, std::span<const uint8_t>(bytes.begin(), bytes.size()));
    }
    void Put(uint64_t offset, const std::string& text) {
        Put(offset,
            std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(text.data()), text.size()));
    }

    // Opens the medium (after the bytes are in place) and makes a recognizer.
    template <class Scanner>
    Scanner& Make() {
        if (!m_source) {
            m_source = std::make_unique<CDiskSource>(m_path);
            m_ctx = std::make_unique<CScanContext>(*m_source, counters, reporter);
        }
        m_scanners.push_back(std::make_unique<Scanner>(*m_ctx));
        return static_cast<Scanner&>(*m_scanners.back());
    }

    // Loads block number block into the shared buffer and puts the sector
    // under test at offset, as the scan would: the file offset stands after
    // the block and the source's position is the sector after it.
    void Load(uint64_t block, DWORD offset) {
        CScanner& any = *m_scanners.front();
        if (m_ctx->buffer.size() != kScanBufferSize) any.AllocBuffer(kScanBufferSize);
        ::lseek(m_source->GetHandle(), static_cast<off_t>(block * kBlock), SEEK_SET);
        any.ReadBlock();
        const uint64_t perBlock = kBlock / m_source->GetSectorSizeU();
        m_source->SetPosition((block + 1) * perBlock);
        m_ctx->offset = offset;
    }

    // What the contract says a length measurement must leave alone.
    struct Snapshot {
        BlockBuffer buffer;
        DWORD offset;
        int64_t filePos;
        bool operator==(const Snapshot&) const = default;
    };
    Snapshot Take() const { return {m_ctx->buffer, m_ctx->offset, TellFd(m_source->GetHandle())}; }

    CScanContext& Ctx() { return *m_ctx; }
    const std::string& Path() const { return m_path; }

    CTypeCounters counters;
    RecordingReporter reporter;

private:
    TempDir m_dir;
    std::string m_path;
    std::unique_ptr<CDiskSource> m_source;
    std::unique_ptr<CScanContext> m_ctx;
    std::vector<std::unique_ptr<CScanner>> m_scanners;
};

}  // namespace tvn::test
