// Writers of valid still-image files: baseline JPEG (JFIF or Exif), TIFF, and
// the raw files of the cameras the scan knows (NEF, CR2, SR2, SRF, ORF on the
// TIFF container; CRW in the CIFF container; MRW). Output is deterministic: the
// same options give the same bytes.
//
// The raw files are laid out as the cameras lay them out, with consistent
// IFDs, strip offsets and counts, so the trimming routines can measure them:
// the file ends with its last raw strip (TIFF-based raws), with the CIFF root
// table (CRW), or with the image data the MRW header announces.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/media/image.h"

namespace tvn::media {

// ---------------------------------------------------------------- JPEG

enum class JpegApp { None, Jfif, Exif };

struct JpegOptions {
    uint32_t width = 640;
    uint32_t height = 480;
    // APP segment after SOI: None gives a bare stream that opens with its
    // quantisation tables (FF D8 FF DB), as embedded previews do.
    JpegApp app = JpegApp::Jfif;
    // Non-zero AC coefficients per luminance block (0 to 20): the main knob
    // for the file size. Chrominance blocks get a third of them.
    uint32_t detail = 6;
    uint32_t seed = 1;
    // Exif only: IFD0 strings, the date, and a 160x120 thumbnail in IFD1.
    std::string make = "NIKON CORPORATION";
    std::string model = "NIKON D70";
    std::string dateTime = "2008:06:14 10:21:33";
    bool thumbnail = true;
    // Progressive (SOF2): a DC scan of all components, then one AC scan per
    // component, each after its own DHT segment.
    bool progressive = false;
};

// A baseline (SOF0) YCbCr 4:2:2 JPEG with the standard Huffman tables. Each
// 8x8 luminance block has the flat level PatternLuma gives plus AC detail
// that averages to zero, so a decoder reproduces that level as the block's
// mean.
Bytes MakeJpeg(const JpegOptions& options);

// A Multi-Picture file as cameras write them: the primary JPEG with an APP2
// "MPF" index after its APP1 segment (or after SOI), followed by the further
// images (previews) it lists, each a JPEG of its own.
Bytes MakeMpfJpeg(const Bytes& primary, const std::vector<Bytes>& previews);

// The mean luminance (0 to 255) of 8x8 block (bx, by) of MakeJpeg's image.
int PatternLuma(const JpegOptions& options, uint32_t bx, uint32_t by);

// ---------------------------------------------------------------- TIFF

// A TIFF file under construction: a header, IFDs and data blocks in file
// order; offsets between them are resolved when the file is built.
class CTiffBuilder {
public:
    using BlockId = size_t;
    enum Type : uint16_t {
        kByte = 1, kAscii = 2, kShort = 3, kLong = 4, kRational = 5, kUndefined = 7
    };

    // magic: the first four bytes ("II*\0", "MM\0*", "IIRO"); the offset of
    // the first IFD follows it. extraHeader is appended after those 8 bytes.
    CTiffBuilder(bool bigEndian, Bytes magic, Bytes extraHeader = {});

    // Blocks, laid out in the order they are added. An IFD's out-of-line
    // values follow it directly. avoidSectorStart keeps a block off offsets
    // that are multiples of 512 (embedded JPEG streams, so a carver does not
    // take them for files of their own).
    BlockId AddIfd();
    BlockId AddData(Bytes bytes, bool avoidSectorStart = false);
    size_t BlockSize(BlockId id) const;

    void Ascii(BlockId ifd, uint16_t tag, const std::string& text);
    void Shorts(BlockId ifd, uint16_t tag, std::vector<uint16_t> values);
    void Longs(BlockId ifd, uint16_t tag, std::vector<uint32_t> values);
    void Rational(BlockId ifd, uint16_t tag, uint32_t numerator, uint32_t denominator);
    void Undefined(BlockId ifd, uint16_t tag, Bytes bytes);
    // LONG entries holding the file offsets of blocks (StripOffsets,
    // SubIFDs, Exif IFD pointer, JPEGInterchangeFormat) or their sizes
    // (StripByteCounts, JPEGInterchangeFormatLength).
    void OffsetsOf(BlockId ifd, uint16_t tag, std::vector<BlockId> targets);
    void SizesOf(BlockId ifd, uint16_t tag, std::vector<BlockId> targets);
    // The IFD whose next-IFD field points to next.
    void Chain(BlockId ifd, BlockId next);
    // The first IFD (default: the first one added).
    void SetFirstIfd(BlockId ifd) { m_firstIfd = ifd; }
    // A 32-bit offset of a block written at a position of the extra header.
    void HeaderOffset(size_t position, BlockId target);

    Bytes Build() const;
    // File offset of a block in what Build returns.
    uint32_t OffsetOf(BlockId id) const;

    void Put16(Bytes& out, size_t at, uint16_t v) const;
    void Put32(Bytes& out, size_t at, uint32_t v) const;

private:
    struct Entry {
        uint16_t tag;
        uint16_t type;
        uint32_t count;
        Bytes value;                 // literal value bytes, in file order
        std::vector<BlockId> refs;   // or block offsets / sizes
        bool sizes = false;
    };
    struct Block {
        bool ifd = false;
        Bytes data;
        std::vector<Entry> entries;
        long next = -1;
        bool avoidSectorStart = false;
    };
    void Add(BlockId ifd, Entry entry);
    size_t IfdSize(const Block& b) const;
    std::vector<uint32_t> Layout() const;

    bool m_bigEndian;
    Bytes m_header;
    std::vector<std::pair<size_t, BlockId>> m_headerRefs;
    std::vector<Block> m_blocks;
    BlockId m_firstIfd = 0;
    bool m_firstSet = false;
};

struct TiffOptions {
    uint32_t width = 320;
    uint32_t height = 240;
    bool bigEndian = false;
    // 0: the whole image in one strip. The strips follow IFD0 and its values,
    // so the file ends with the last strip.
    uint32_t rowsPerStrip = 0;
    std::string make = "PENTAX Corporation";
    std::string model = "PENTAX *ist DS";
    uint32_t seed = 1;
};

// Deterministic 8-bit RGB pixels (width x height x 3) of a colour gradient.
Bytes PatternRgb(uint32_t width, uint32_t height, uint32_t seed);

// An uncompressed RGB TIFF whose pixels are PatternRgb(width, height, seed).
Bytes MakeTiff(const TiffOptions& options);

// ---------------------------------------------------------------- raw files

struct RawOptions {
    // Sensor size in pixels; the raw data is width x height x 2 bytes (12-bit
    // samples in 16-bit words), 12-bit packed for MRW storage "Y".
    uint32_t width = 320;
    uint32_t height = 240;
    uint32_t strips = 1;  // raw strips (NEF, SR2, SRF, ORF; a CR2 has one)
    uint32_t seed = 1;
    bool unpacked = false;  // MRW: storage "R" (16-bit pixels) instead of "Y"
    std::string model;    // empty: the maker's usual model for the type
    // CRW: the image properties' heap first in the root heap, then only a
    // small JPEG (no raw data), as small CRW files have it: the properties'
    // own table then ends where a root table could.
    bool propertiesFirst = false;
};

// "MM" TIFF, Make "NIKON CORPORATION"; IFD0 holds a 160x120 RGB thumbnail,
// an Exif IFD and SubIFDs (count 2): a JPEG preview, then the raw image.
Bytes MakeNef(const RawOptions& options);
// "II*\0" with "CR" 02 00 and the raw IFD's offset at 8; four IFDs chained:
// a JPEG preview, a JPEG thumbnail, a small RGB image, the raw strips.
Bytes MakeCr2(const RawOptions& options);
// "II" TIFF, Make "SONY", Model "DSC-R1" within the first 512 bytes; IFD0
// carries a JPEG preview and SubIFDs (count 1) to the raw image.
Bytes MakeSr2(const RawOptions& options);
// "MM" TIFF, Make "SONY", Model "DSC-F828"; IFD0 is the raw image, its Exif
// IFD carries a MakerNote.
Bytes MakeSrf(const RawOptions& options);
// "IIRO" header; IFD0 is the raw image, with an Exif IFD.
Bytes MakeOrf(const RawOptions& options);
// CIFF: "II", header length 26, "HEAPCCDR", version 1.2; a root heap with a
// JPEG preview, the raw data and an image-properties sub-heap, ending with
// the root table whose last four bytes give its offset in the heap.
Bytes MakeCrw(const RawOptions& options);
// "\0MRM" with a PRD block (D, H, W, storage "Y": 12-bit packed), a white
// balance and a TIFF block; the image data follows the header block.
Bytes MakeMrw(const RawOptions& options);

}  // namespace tvn::media
