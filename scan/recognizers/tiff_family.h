// Tests shared by the recognizers of TIFF-based camera files (TIF, NEF, SR2,
// SRF, CR2, ORF). A TIFF file opens with its byte-order mark and the number
// 42: 49 49 2A 00 (Intel order) or 4D 4D 00 2A (Motorola order). The maker or
// model text of a camera file sits in the first bytes after that header, among
// the strings of IFD0; it is looked for there (CScanContext::TextInWindow)
// without parsing the IFDs.
#pragma once

#include <cstddef>
#include <span>

#include "app/types.h"

namespace tvn {

// Every member measures a file by the forward header search with this step.
inline constexpr DWORD kTiffFamilyStep = 512;

// Either TIFF header form in the four bytes at p.
bool IsTiffHeaderAt(std::span<const BYTE> buf, size_t p);

// Another Canon raw file begins at q: a TIFF header with "CR" at q+8.
bool Cr2Boundary(std::span<const BYTE> block, size_t q);

// Another Olympus raw file begins at q: "IIRO".
bool OrfBoundary(std::span<const BYTE> block, size_t q);

}  // namespace tvn
