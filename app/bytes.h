// Numbers stored as bytes, as the formats the program reads and writes hold
// them (boot sectors, BMP and TIFF headers, zip records). The caller makes
// sure the bytes are there.
#pragma once

#include <cstdint>

namespace tvn {

inline uint16_t LoadLe16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
inline uint32_t LoadLe32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}
inline uint64_t LoadLe64(const uint8_t* p) {
    return static_cast<uint64_t>(LoadLe32(p)) | (static_cast<uint64_t>(LoadLe32(p + 4)) << 32);
}
// Either byte order, as a TIFF header names it.
inline uint16_t LoadU16(const uint8_t* p, bool bigEndian) {
    return bigEndian ? static_cast<uint16_t>((p[0] << 8) | p[1]) : LoadLe16(p);
}
inline uint32_t LoadU32(const uint8_t* p, bool bigEndian) {
    return bigEndian ? (static_cast<uint32_t>(LoadU16(p, true)) << 16) | LoadU16(p + 2, true)
                     : LoadLe32(p);
}

}  // namespace tvn
