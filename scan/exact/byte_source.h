// The bytes a structure walk reads: a file's bytes from its first on, fetched
// block by block only as far as the walk goes. A walk asks for a few bytes at
// a time (a header, a length field) or looks for a byte across a long stretch
// (the end of a JPEG scan); both go through the block in hand, and a block is
// fetched again only when the walk leaves it.
//
// Every read is bounded by the source's limit (the end of the medium or the
// type's largest file, whichever comes first): bytes at or past it do not
// exist for the walk, and a block that cannot be read makes the source broken,
// after which nothing more can be read from it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <span>

namespace tvn {

class CByteSource {
public:
    static constexpr uint64_t kNone = ~uint64_t{0};

    virtual ~CByteSource() = default;

    // How many bytes the file may have at most.
    uint64_t Limit() const { return m_limit; }
    // Whether a block could not be read; every read fails from then on.
    bool Broken() const { return m_broken; }

    // Copies n bytes from pos; false when they do not all lie below the limit
    // or cannot be read.
    bool Read(uint64_t pos, void* out, size_t n);
    // Whether the n bytes at pos are these.
    bool Equal(uint64_t pos, const void* bytes, size_t n);

    std::optional<uint8_t> U8(uint64_t pos);
    std::optional<uint16_t> U16(uint64_t pos, bool bigEndian);
    std::optional<uint32_t> U32(uint64_t pos, bool bigEndian);
    std::optional<uint64_t> U64(uint64_t pos, bool bigEndian);

    // The first position from pos on (below the limit) that holds value, or
    // kNone.
    uint64_t FindByte(uint64_t pos, uint8_t value);

protected:
    explicit CByteSource(uint64_t limit) : m_limit(limit) {}

    // The stretch of the file's bytes that holds pos: its first position and
    // its bytes (at least one). An empty span when the bytes there cannot be
    // read. The stretch must stay valid until the next call.
    struct Stretch {
        uint64_t first = 0;
        std::span<const uint8_t> bytes;
    };
    virtual Stretch Fetch(uint64_t pos) = 0;

private:
    // Makes the stretch in hand the one holding pos (pos below the limit).
    bool Hold(uint64_t pos);

    uint64_t m_limit;
    bool m_broken = false;
    Stretch m_held;
};

// A source over bytes in memory, in stretches of a chosen size (so that tests
// and the fuzz targets cross stretch boundaries as a walk on a medium does).
class CMemoryByteSource : public CByteSource {
public:
    CMemoryByteSource(std::span<const uint8_t> bytes, size_t stretch = 4096,
                      uint64_t limit = kNone);

protected:
    Stretch Fetch(uint64_t pos) override;

private:
    std::span<const uint8_t> m_bytes;
    size_t m_stretch;
};

}  // namespace tvn
