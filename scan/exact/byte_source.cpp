#include "scan/exact/byte_source.h"

#include <algorithm>

namespace tvn {

bool CByteSource::Hold(uint64_t pos) {
    if (m_broken) return false;
    if (!m_held.bytes.empty() && pos >= m_held.first && pos - m_held.first < m_held.bytes.size()) {
        return true;
    }
    m_held = Fetch(pos);
    if (m_held.bytes.empty() || pos < m_held.first ||
        pos - m_held.first >= m_held.bytes.size()) {
        m_held = {};
        m_broken = true;
        return false;
    }
    return true;
}

bool CByteSource::Read(uint64_t pos, void* out, size_t n) {
    if (pos > m_limit || n > m_limit - pos) return false;
    auto* to = static_cast<uint8_t*>(out);
    while (n > 0) {
        if (!Hold(pos)) return false;
        const size_t at = static_cast<size_t>(pos - m_held.first);
        const size_t take = std::min(n, m_held.bytes.size() - at);
        std::memcpy(to, m_held.bytes.data() + at, take);
        to += take;
        pos += take;
        n -= take;
    }
    return true;
}

bool CByteSource::Equal(uint64_t pos, const void* bytes, size_t n) {
    uint8_t tmp[64];
    const auto* want = static_cast<const uint8_t*>(bytes);
    while (n > 0) {
        const size_t take = std::min(n, sizeof tmp);
        if (!Read(pos, tmp, take) || std::memcmp(tmp, want, take) != 0) return false;
        pos += take;
        want += take;
        n -= take;
    }
    return true;
}

std::optional<uint8_t> CByteSource::U8(uint64_t pos) {
    if (pos >= m_limit || !Hold(pos)) return std::nullopt;
    return m_held.bytes[static_cast<size_t>(pos - m_held.first)];
}

std::optional<uint16_t> CByteSource::U16(uint64_t pos, bool bigEndian) {
    uint8_t b[2];
    if (!Read(pos, b, 2)) return std::nullopt;
    return static_cast<uint16_t>(bigEndian ? (b[0] << 8) | b[1] : (b[1] << 8) | b[0]);
}

std::optional<uint32_t> CByteSource::U32(uint64_t pos, bool bigEndian) {
    uint8_t b[4];
    if (!Read(pos, b, 4)) return std::nullopt;
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v |= uint32_t{b[i]} << (bigEndian ? 24 - 8 * i : 8 * i);
    return v;
}

std::optional<uint64_t> CByteSource::U64(uint64_t pos, bool bigEndian) {
    uint8_t b[8];
    if (!Read(pos, b, 8)) return std::nullopt;
    uint64_t v = 0;
    for (int i = 0; i < 8; ++i) v |= uint64_t{b[i]} << (bigEndian ? 56 - 8 * i : 8 * i);
    return v;
}

uint64_t CByteSource::FindByte(uint64_t pos, uint8_t value) {
    while (pos < m_limit) {
        if (!Hold(pos)) return kNone;
        const size_t at = static_cast<size_t>(pos - m_held.first);
        size_t n = m_held.bytes.size() - at;
        if (n > m_limit - pos) n = static_cast<size_t>(m_limit - pos);
        const auto* base = m_held.bytes.data() + at;
        if (const void* hit = std::memchr(base, value, n)) {
            return pos + static_cast<uint64_t>(static_cast<const uint8_t*>(hit) - base);
        }
        pos += n;
    }
    return kNone;
}

CMemoryByteSource::CMemoryByteSource(std::span<const uint8_t> bytes, size_t stretch,
                                     uint64_t limit)
    : CByteSource(std::min<uint64_t>(limit, bytes.size())),
      m_bytes(bytes),
      m_stretch(std::max<size_t>(stretch, 1)) {}

CByteSource::Stretch CMemoryByteSource::Fetch(uint64_t pos) {
    if (pos >= m_bytes.size()) return {};
    const uint64_t first = pos - pos % m_stretch;
    const size_t n = static_cast<size_t>(std::min<uint64_t>(m_stretch, m_bytes.size() - first));
    return {first, m_bytes.subspan(static_cast<size_t>(first), n)};
}

}  // namespace tvn
