#include "scan/recognizers/tiff_family.h"

#include "scan/forward_search.h"

namespace tvn {

bool IsTiffHeaderAt(std::span<const BYTE> buf, size_t p) {
    static constexpr BYTE kIntel[] = {0x49, 0x49, 0x2A, 0x00};
    static constexpr BYTE kMotorola[] = {0x4D, 0x4D, 0x00, 0x2A};
    return BlockMatch(buf, p, kIntel, 4) || BlockMatch(buf, p, kMotorola, 4);
}

bool Cr2Boundary(std::span<const BYTE> block, size_t q) {
    return TiffBoundary(block, q) && BlockMatch(block, q + 8, "CR", 2);
}

bool OrfBoundary(std::span<const BYTE> block, size_t q) {
    return BlockMatch(block, q, "IIRO", 4);
}

}  // namespace tvn
