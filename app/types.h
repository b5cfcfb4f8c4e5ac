// The fixed-width names the code base uses for on-medium quantities: sector
// numbers and sizes are 64-bit; sector size, sectors per cluster and offsets in
// the scan buffer are 32-bit.
#pragma once

#include <cstdint>

namespace tvn {
using BYTE = std::uint8_t;
using WORD = std::uint16_t;
using DWORD = std::uint32_t;
using UINT = std::uint32_t;
using ULONGLONG = std::uint64_t;
}  // namespace tvn
