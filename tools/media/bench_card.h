// The benchmark card: a camera card image of a chosen size (2 GiB by default),
// filled to about nine tenths the way a camera and a phone fill one over a
// few months: mostly Exif JPEGs of a few megabytes, some camera raw files, a
// few movie clips, music and voice recordings, a few other pictures, and
// files of no scanned type (cached data, text, zip archives). Some files are
// deleted afterwards, as one deletes pictures in the camera. Same bytes on
// every run.
//
// Every file is valid of its kind. Where a file is padded to a realistic size
// (movie data, filler files), the padding is random-looking. No sector start
// inside a file looks like the start of a file of a scanned type, except
// where the format itself repeats its headers (MPEG audio frames, MPEG
// program stream packs): padding is scrubbed, and of a writer's file up to
// eight variants are tried.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "tools/media/image.h"
#include "tools/media/sample_card.h"

namespace tvn::media {

inline constexpr uint64_t kBenchCardDefaultBytes = uint64_t{2} << 30;
inline constexpr uint64_t kBenchCardMinBytes = uint64_t{32} << 20;
inline constexpr uint64_t kBenchCardMaxBytes = uint64_t{256} << 30;

// What kind of file a planned file is: one of the scanned types, a video's
// thumbnail (a small JPEG), or a file of no scanned type.
enum class BenchKind {
    Jpg,
    Nef,
    Cr2,
    Orf,
    Sr2,
    Srf,
    Crw,
    Mrw,
    Tif,
    Mov,
    Mp4,
    Avi,
    Mpg,
    Mp3,
    Wav,
    Mid,
    Png,
    Bmp,
    Gif,
    Thm,   // a movie's thumbnail: a 160x120 Exif JPEG
    Data,  // cached or application data: random bytes
    Text,  // logs, notes and print orders
    Zip,   // a zip archive of random data, stored
    // A current camera's large JPEG (6 to 12 MB) with two previews after it,
    // listed in its Multi-Picture index.
    JpgMpf,
    // A compact camera's JPEG with a preview after the EOI, behind a little
    // padding; its maker note holds the preview's offset and length.
    JpgPreview,
    // A phone's motion photo: a JPEG whose XMP names the length of the MP4
    // clip stored after its EOI.
    JpgMotion,
    // The formats of today's cameras and phones (BenchCardOptions::newerTypes).
    Cr3, Arw, Raf, Rw2, Dng, Pef, Nrw, Heic, Mts, Ts, ThreeGp,
};

// The scan's type name of a kind ("JPG"); empty for files of no scanned type.
std::string BenchKindType(BenchKind kind);

struct BenchFile {
    BenchKind kind = BenchKind::Data;
    std::string folder;  // "/DCIM/100TVNCM"
    std::string name;    // "DSC_0001.JPG"
    // The size aimed at: the file comes within a few percent of it, a JPEG
    // picture within the spacing of the pool's sizes.
    uint64_t target = 0;
    uint32_t seed = 0;
    bool deleted = false;  // deleted from the file system once everything is written
};

// The files for a card whose data area takes dataBytes, in the order they are
// written: about nine tenths of it by target size, at least one file of each
// scanned type, the kinds in their proportions by bytes, no file larger than
// a twentieth of the card.
std::vector<BenchFile> PlanBenchCard(uint64_t dataBytes, bool newerTypes = false);

// Caches the JPEG pictures the camera files are made from: encoding one takes
// a good part of a second, so a card's pictures share a few encodings and
// differ in their Exif dates.
class CBenchJpegPool {
public:
    // count encodings, their sizes spread evenly from lowBytes to highBytes.
    CBenchJpegPool(size_t count, uint64_t lowBytes, uint64_t highBytes);
    // The picture for a planned JPEG file: from the template of camera
    // seed % 6 whose size comes nearest target, dated after the seed.
    Bytes Picture(uint32_t seed, uint64_t target);
    size_t Count() const { return m_targets.size(); }

private:
    std::vector<uint64_t> m_targets;
    std::vector<Bytes> m_made;
    std::vector<std::string> m_dates;
};

// The bytes of a planned file.
Bytes MakeBenchFile(const BenchFile& file, CBenchJpegPool& pool);

// Whether the bytes at pos look like the start of a file of a scanned type.
bool LooksLikeFileStart(std::span<const uint8_t> bytes, size_t pos);
// Sector starts (multiples of 512) in [from, to) that look like a file start.
size_t CountFalseStarts(std::span<const uint8_t> bytes, size_t from, size_t to);
// Changes the first byte (and where needed the atom or heap name) at every
// sector start in [from, to) that looks like a file start.
void ScrubFalseStarts(Bytes& bytes, size_t from, size_t to);

struct BenchCardOptions {
    uint64_t bytes = kBenchCardDefaultBytes;  // a multiple of 512
    // Files of today's cameras and phones too (CR3, ARW, RAF, RW2, DNG, PEF,
    // NRW, HEIC, MTS, TS, 3GP), in their own shares of the bytes. Off, the
    // card is the same as without them, byte for byte.
    bool newerTypes = false;
};

// Writes the benchmark card to path and its manifest to path + ".json".
// Throws std::invalid_argument for a size out of range, std::runtime_error
// when a FAT tool is missing or fails, or when a file's bytes are not found
// where the file system put them.
SampleCard BuildBenchCard(const std::string& path, const BenchCardOptions& options = {});

// Files, bytes and deleted files per type; files of no scanned type under
// "other".
struct BenchTypeTotals {
    std::string type;
    uint64_t files = 0;
    uint64_t bytes = 0;
    uint64_t deleted = 0;
};
std::vector<BenchTypeTotals> BenchCardTotals(const SampleCard& card);

// The manifest: the sample card's, with the totals per type ahead of the
// file list.
std::string BenchCardManifest(const SampleCard& card);

// The card's figures and its totals per type.
std::string DescribeBenchCard(const SampleCard& card);

}  // namespace tvn::media
