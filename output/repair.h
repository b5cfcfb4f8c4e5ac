// File repair: trims an extracted file to its real size by parsing its own
// structure (the TIFF IFDs of the camera raw formats, the CIFF heap of CRW, the
// atoms of QuickTime and MP4). A carved file is usually longer than the file
// it holds, because the scan cuts it at the next start of a file of the same
// kind or at the end of a search window.
//
// Each rule is a pure function over the file's bytes returning the real size
// R (never more than the input's length), or 0 when it finds none. RepairFile
// applies a rule to a file on disk: it writes the first R bytes to a private
// temporary file beside it and renames that over the original, so a repair
// never leaves a half-written file behind. A file whose rule finds no size is
// left exactly as it was.
//
// Beyond what a rule measures, R is never set below the end of any structure
// the rule walked (an IFD, the out-of-line data of its entries, its strips):
// many writers put the IFD after the image data, and cutting it off would
// ruin the file.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "app/report.h"

namespace tvn {

enum class RepairKind { Crw, Cr2, Tif, Orf, NefSr2, Srf, Mov, Mp4 };

// The routine extraction runs after writing a file of a type (the name of its
// folder): CRW, CR2, TIF, ORF, NEF and SR2, SRF, MOV, MP4; none for the others.
std::optional<RepairKind> RepairKindForType(std::string_view typeName);

// The rules. console receives the routine's trace lines.
uint64_t CrwRealSize(std::span<const uint8_t> data, IReporter& console);
uint64_t TifRealSize(std::span<const uint8_t> data, IReporter& console);
uint64_t OrfRealSize(std::span<const uint8_t> data, IReporter& console);
uint64_t Cr2RealSize(std::span<const uint8_t> data, IReporter& console);
uint64_t NefSr2RealSize(std::span<const uint8_t> data, IReporter& console);
uint64_t SrfRealSize(std::span<const uint8_t> data, IReporter& console);
uint64_t MovRealSize(std::span<const uint8_t> data, IReporter& console);
uint64_t Mp4RealSize(std::span<const uint8_t> data, IReporter& console);
uint64_t RealSize(RepairKind kind, std::span<const uint8_t> data, IReporter& console);

enum class RepairOutcome {
    Repaired,    // the file now holds its first R bytes
    NoSize,      // the rule found no size; the file is unchanged
    OpenFailed,  // the file could not be opened or read; unchanged
    NoMemory,    // no room for the file's bytes; unchanged
    TempFailed,  // the trimmed copy could not be written or put in place; unchanged
};

// Trims the file at path with the rule of kind, tracing through reporter's
// diagnostic console.
RepairOutcome RepairFile(RepairKind kind, const std::string& path, IReporter& reporter);

}  // namespace tvn
