// One start, one entry. Several recognizers may take the same first sector:
// every ISO base media file ("ftyp") is an MP4 to the MP4 recognizer, a
// QuickTime movie with an "ftyp" atom a MOV as well, and a raw file of the
// TIFF family may pass the plain TIFF test too. These functions read the
// type a file names in its own first bytes, once, for the whole family; a
// member whose type is not named leaves the file to the one whose type is,
// when that one is in the scan's list.
#pragma once

#include <optional>
#include <span>

#include "app/types.h"
#include "scan/type_table.h"

namespace tvn {

// The ISO media family (MP4, MOV, CR3, HEIC, 3GP), from the bytes at the
// file's start. With an "ftyp" box, by its major brand: "qt  " MOV, "crx "
// CR3, "heic", "heix", "mif1", "msf1" HEIC, "3gp*" and "3g2*" 3GP, any other
// MP4. Without one, a movie whose first atom is "moov", "mdat" or "wide" is
// a MOV. Nothing for other bytes.
std::optional<FileType> IsoMediaTypeOf(std::span<const BYTE> bytes);

// The newer members of the TIFF family, from the bytes at the file's start
// (IFD0 must lie inside them): "IIU\0" RW2; a DNGVersion tag in IFD0 DNG;
// Make "NIKON" with a Coolpix model NRW; a Pentax make or model with a raw
// image (CFA pixels or Pentax's compression) in IFD0 PEF; Make
// "SONY" without the DSC-R1 or DSC-F828 texts the SR2 and SRF tests look for
// ARW. Nothing where the classic members' own tests decide (plain TIFF,
// CR2's "CR", ORF's header, other Nikon and Sony files) or for other bytes.
std::optional<FileType> TiffFamilyTypeOf(std::span<const BYTE> bytes);

}  // namespace tvn
