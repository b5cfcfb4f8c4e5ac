#include "tools/media/bench_card.h"

#include <fcntl.h>
#include <fmt/format.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <stdexcept>

#include "tools/media/av_writers.h"
#include "tools/media/fat_card.h"
#include "tools/media/jpeg_trailers.h"
#include "tools/media/modern_writers.h"
#include "tools/media/photo_writers.h"

namespace tvn::media {

namespace {

namespace fs = std::filesystem;

constexpr uint64_t kKB = 1000;
constexpr uint64_t kMB = 1000 * kKB;
constexpr size_t kSector = 512;
constexpr uint32_t kVolumeId = 0x54564E42;
constexpr int64_t kEpoch = 1690000000;  // the summer the card was in use
constexpr uint64_t kPlanSeed = 0x7476'6E62'656E'6368ULL;
constexpr size_t kCameraFolderFiles = 250;

// splitmix64: small, fast and the same everywhere.
class CRng {
public:
    explicit CRng(uint64_t seed) : m_state(seed) {}
    uint64_t Next() {
        uint64_t z = (m_state += 0x9E3779B97F4A7C15ULL);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        return z ^ (z >> 31);
    }
    uint32_t Next32() { return static_cast<uint32_t>(Next() >> 32); }
    // Uniform in [lo, hi].
    uint64_t Between(uint64_t lo, uint64_t hi) {
        return hi <= lo ? lo : lo + Next() % (hi - lo + 1);
    }
    void Fill(uint8_t* out, size_t n) {
        size_t i = 0;
        for (; i + 8 <= n; i += 8) {
            const uint64_t v = Next();
            std::memcpy(out + i, &v, 8);
        }
        if (i < n) {
            const uint64_t v = Next();
            std::memcpy(out + i, &v, n - i);
        }
    }

private:
    uint64_t m_state;
};

uint32_t Be32At(const Bytes& b, size_t at) {
    return uint32_t{b[at]} << 24 | uint32_t{b[at + 1]} << 16 | uint32_t{b[at + 2]} << 8 | b[at + 3];
}
void PutBe32(Bytes& b, size_t at, uint32_t v) {
    for (size_t i = 0; i < 4; ++i) b[at + i] = static_cast<uint8_t>(v >> (24 - 8 * i));
}
void PutLe(Bytes& b, size_t at, uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i)
        b[at + static_cast<size_t>(i)] = static_cast<uint8_t>(v >> (8 * i));
}
void AppendLe(Bytes& b, uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) b.push_back(static_cast<uint8_t>(v >> (8 * i)));
}
uint32_t To32(uint64_t v) {
    if (v > UINT32_MAX) throw std::length_error("value does not fit in 32 bits");
    return static_cast<uint32_t>(v);
}
uint16_t To16(uint64_t v) {
    return static_cast<uint16_t>(std::min<uint64_t>(v, 0xFFFF));
}

uint32_t Crc32(const uint8_t* data, size_t n, uint32_t crc = 0) {
    uLong c = crc;
    while (n > 0) {
        const uInt part = static_cast<uInt>(std::min<size_t>(n, 1u << 30));
        c = ::crc32(c, data, part);
        data += part;
        n -= part;
    }
    return static_cast<uint32_t>(c);
}

// Picture dimensions for a pixel count at an aspect ratio, the width a
// multiple of 16 and the height of 8, as camera sensors and JPEG MCUs like.
std::pair<uint32_t, uint32_t> Dims(uint64_t pixels, double aspect, uint32_t maxSide = 65520) {
    const double w = std::sqrt(static_cast<double>(pixels) * aspect);
    const auto width = std::clamp<uint32_t>(static_cast<uint32_t>(w / 16) * 16, 16, maxSide);
    const auto height = std::clamp<uint32_t>(
        static_cast<uint32_t>(static_cast<double>(width) / aspect / 8) * 8, 8, maxSide);
    return {width, height};
}

// ---------------------------------------------------------------- the mix

struct KindShare {
    BenchKind kind;
    double share;  // of the card's bytes
    uint64_t low, high;
};

// Proportions by bytes of a card used in a camera that shoots JPEG and now
// and then raw or a clip, and in a phone for music and recordings.
constexpr KindShare kShares[] = {
    {BenchKind::Jpg, 0.32, 2 * kMB, 6 * kMB},      {BenchKind::Nef, 0.06, 8 * kMB, 25 * kMB},
    {BenchKind::Cr2, 0.05, 8 * kMB, 25 * kMB},     {BenchKind::Orf, 0.025, 8 * kMB, 20 * kMB},
    {BenchKind::Sr2, 0.02, 10 * kMB, 25 * kMB},    {BenchKind::Srf, 0.02, 8 * kMB, 20 * kMB},
    {BenchKind::Crw, 0.02, 8 * kMB, 16 * kMB},     {BenchKind::Mrw, 0.02, 8 * kMB, 16 * kMB},
    {BenchKind::Tif, 0.02, 10 * kMB, 25 * kMB},    {BenchKind::Mov, 0.06, 20 * kMB, 200 * kMB},
    {BenchKind::Mp4, 0.05, 20 * kMB, 80 * kMB},   {BenchKind::Avi, 0.035, 20 * kMB, 60 * kMB},
    {BenchKind::Mpg, 0.025, 20 * kMB, 50 * kMB},   {BenchKind::Mp3, 0.05, 3 * kMB, 8 * kMB},
    {BenchKind::Wav, 0.012, 1 * kMB, 10 * kMB},    {BenchKind::Mid, 0.0001, 5 * kKB, 50 * kKB},
    {BenchKind::Png, 0.006, 300 * kKB, 4 * kMB},   {BenchKind::Bmp, 0.004, 500 * kKB, 3 * kMB},
    {BenchKind::Gif, 0.0015, 50 * kKB, 500 * kKB}, {BenchKind::Data, 0.025, 500 * kKB, 20 * kMB},
    {BenchKind::Text, 0.001, 5 * kKB, 200 * kKB},  {BenchKind::Zip, 0.015, 200 * kKB, 10 * kMB},
    {BenchKind::JpgMpf, 0.08, 6 * kMB, 12 * kMB},
    {BenchKind::JpgPreview, 0.03, 2 * kMB, 6 * kMB},
    {BenchKind::JpgMotion, 0.03, 3 * kMB, 8 * kMB},
};
constexpr size_t kKinds = std::size(kShares);

// With the newer types: a card from a recent camera and phone besides.
constexpr KindShare kNewerShares[] = {
    {BenchKind::Cr3, 0.03, 10 * kMB, 30 * kMB},   {BenchKind::Arw, 0.025, 10 * kMB, 30 * kMB},
    {BenchKind::Raf, 0.02, 10 * kMB, 30 * kMB},   {BenchKind::Rw2, 0.015, 10 * kMB, 25 * kMB},
    {BenchKind::Dng, 0.02, 8 * kMB, 30 * kMB},    {BenchKind::Pef, 0.015, 10 * kMB, 25 * kMB},
    {BenchKind::Nrw, 0.01, 8 * kMB, 20 * kMB},    {BenchKind::Heic, 0.05, 1 * kMB, 4 * kMB},
    {BenchKind::Mts, 0.04, 20 * kMB, 120 * kMB},  {BenchKind::Ts, 0.015, 10 * kMB, 60 * kMB},
    {BenchKind::ThreeGp, 0.01, 500 * kKB, 5 * kMB},
};

// No file larger than a twentieth of what the card holds.
uint64_t SizeCap(uint64_t dataBytes) {
    return std::max<uint64_t>(dataBytes / 20, 64 * kKB);
}

std::pair<uint64_t, uint64_t> SizeRange(const KindShare& s, uint64_t dataBytes) {
    // A long take of a movie may take a tenth of a large card.
    const bool movie = (s.kind == BenchKind::Mov || s.kind == BenchKind::Mp4) &&
                       dataBytes >= (uint64_t{1} << 30);
    const uint64_t cap = movie ? 2 * SizeCap(dataBytes) : SizeCap(dataBytes);
    return {std::min(s.low, cap), std::min(s.high, cap)};
}

// The cameras and phone whose JPEGs are on the card; a pool template is made
// after camera template % kCameraCount.
struct Camera {
    const char* make;
    const char* model;
    const char* prefix;  // file name: prefix and four digits
    bool exif;
};
constexpr Camera kCameras[] = {
    {"NIKON CORPORATION", "NIKON D90", "DSC_", true},
    {"Canon", "Canon EOS 550D", "IMG_", true},
    {"SONY", "DSC-HX9V", "DSC0", true},
    {"OLYMPUS IMAGING CORP.", "E-520", "P101", true},
    {"Apple", "iPhone 4S", "IMG_", true},
    {"", "", "PICT", false},  // edited on a computer and copied back: JFIF
};
constexpr size_t kCameraCount = std::size(kCameras);

size_t PoolSize(uint64_t dataBytes) {
    // Four sizes per camera from 2 to 12 MB on a large card.
    return dataBytes >= (uint64_t{1} << 30) ? 24 : 6;
}

std::string ExifDate(uint32_t seed) {
    return fmt::format("2023:{:02}:{:02} {:02}:{:02}:{:02}", 5 + seed % 4, 1 + seed / 4 % 28,
                       8 + seed / 112 % 12, seed / 7 % 60, seed / 13 % 60);
}

class CNamer {
public:
    // A camera file's folder and number: a new DCIM folder every 250 files.
    std::pair<std::string, uint32_t> Camera() {
        const uint32_t n = m_camera++;
        return {fmt::format("/DCIM/{:03}TVNCM", 100 + n / kCameraFolderFiles), n % 9999 + 1};
    }
    uint32_t Other(BenchKind k) { return ++m_other[k]; }

private:
    uint32_t m_camera = 0;
    std::map<BenchKind, uint32_t> m_other;
};

BenchFile Planned(BenchKind kind, uint64_t target, uint32_t seed, CNamer& namer) {
    BenchFile f;
    f.kind = kind;
    f.target = target;
    f.seed = seed;
    auto camera = [&](const char* prefix, const char* ext) {
        const auto [folder, n] = namer.Camera();
        f.folder = folder;
        f.name = fmt::format("{}{:04}.{}", prefix, n, ext);
    };
    auto other = [&](const char* folder, const char* pattern) {
        f.folder = folder;
        f.name = fmt::format(fmt::runtime(pattern), namer.Other(kind));
    };
    switch (kind) {
        case BenchKind::Jpg:
            camera(kCameras[seed % kCameraCount].prefix, "JPG");
            break;
        case BenchKind::JpgMpf:
        case BenchKind::JpgPreview:
            camera(kCameras[seed % (kCameraCount - 1)].prefix, "JPG");
            break;
        case BenchKind::JpgMotion:
            camera("PXL_", "JPG");
            break;
        case BenchKind::Nef:
            camera("DSC_", "NEF");
            break;
        case BenchKind::Cr2:
            camera("IMG_", "CR2");
            break;
        case BenchKind::Orf:
            camera("P101", "ORF");
            break;
        case BenchKind::Sr2:
            camera("DSC0", "SR2");
            break;
        case BenchKind::Srf:
            camera("DSC0", "SRF");
            break;
        case BenchKind::Crw:
            camera("CRW_", "CRW");
            break;
        case BenchKind::Mrw:
            camera("PICT", "MRW");
            break;
        case BenchKind::Tif:
            camera("IMGP", "TIF");
            break;
        case BenchKind::Mov:
            camera("MVI_", "MOV");
            break;
        case BenchKind::Mp4:
            camera("VID_", "MP4");
            break;
        case BenchKind::Avi:
            camera("CIMG", "AVI");
            break;
        case BenchKind::Mpg:
            camera("MOV0", "MPG");
            break;
        case BenchKind::Thm:
            break;  // named after its movie
        case BenchKind::Mp3:
            other("/MUSIC", "TRACK{:03}.MP3");
            break;
        case BenchKind::Mid:
            other("/MUSIC", "RING{:04}.MID");
            break;
        case BenchKind::Wav:
            other("/RECORD", "VOICE{:03}.WAV");
            break;
        case BenchKind::Png:
            other("/PICTURES", "SCRN{:04}.PNG");
            break;
        case BenchKind::Bmp:
            other("/PICTURES", "SCAN{:04}.BMP");
            break;
        case BenchKind::Gif:
            other("/PICTURES", "ANIM{:04}.GIF");
            break;
        case BenchKind::Data:
            other("/MISC", "CACHE{:03}.DAT");
            break;
        case BenchKind::Text:
            other("/DOCS", "NOTE{:04}.TXT");
            break;
        case BenchKind::Zip:
            other("/BACKUP", "BACKUP{:02}.ZIP");
            break;
        case BenchKind::Cr3:
            camera("IMG_", "CR3");
            break;
        case BenchKind::Arw:
            camera("DSC0", "ARW");
            break;
        case BenchKind::Raf:
            camera("DSCF", "RAF");
            break;
        case BenchKind::Rw2:
            camera("P100", "RW2");
            break;
        case BenchKind::Dng:
            other("/DCIM/Camera", "PXL_{:04}.DNG");
            break;
        case BenchKind::Pef:
            camera("IMGP", "PEF");
            break;
        case BenchKind::Nrw:
            camera("DSCN", "NRW");
            break;
        case BenchKind::Heic:
            other("/DCIM/Camera", "IMG_{:04}.HEIC");
            break;
        case BenchKind::Mts:
            other("/PRIVATE/AVCHD/BDMV/STREAM", "{:05}.MTS");
            break;
        case BenchKind::Ts:
            other("/RECORD", "REC{:04}.TS");
            break;
        case BenchKind::ThreeGp:
            other("/DCIM/Camera", "VID_{:04}.3GP");
            break;
    }
    return f;
}

// ---------------------------------------------------------------- payload

// Random-looking bytes with no false file start at a sector start, where the
// file begins at a sector start.
void FillRandom(Bytes& b, size_t from, size_t to, CRng& rng) {
    rng.Fill(b.data() + from, to - from);
    ScrubFalseStarts(b, from, to);
}

// Pads a QuickTime or MP4 movie to the target size by growing its "mdat"
// atom with random-looking data after the samples, which the sample tables
// keep pointing at. Atoms after "mdat" stay off sector starts.
void PadMovieData(Bytes& b, uint64_t target, uint32_t seed) {
    size_t mdat = b.size();
    std::vector<size_t> after;  // starts of the atoms after mdat
    for (size_t at = 0; at + 8 <= b.size();) {
        const uint32_t size = Be32At(b, at);
        if (size < 8 || at + size > b.size()) throw std::runtime_error("malformed movie atom");
        if (mdat != b.size()) after.push_back(at);
        if (std::memcmp(&b[at + 4], "mdat", 4) == 0) mdat = at;
        at += size;
    }
    if (mdat == b.size()) throw std::runtime_error("movie without an mdat atom");
    if (target <= b.size()) return;
    size_t extra = static_cast<size_t>(target - b.size());
    const auto onSectorStart = [&] {
        return std::any_of(after.begin(), after.end(),
                           [&](size_t at) { return (at + extra) % kSector == 0; });
    };
    while (onSectorStart()) extra += 2;
    const size_t end = mdat + Be32At(b, mdat);
    b.insert(b.begin() + static_cast<std::ptrdiff_t>(end), extra, 0);
    PutBe32(b, mdat, To32(uint64_t{Be32At(b, mdat)} + extra));
    CRng rng(seed * 0x2545F4914F6CDD1DULL + 17);
    FillRandom(b, end, end + extra, rng);
}

Bytes MakeText(uint64_t target, uint32_t seed, bool printOrder) {
    std::string s;
    if (printOrder) {
        s = "[HDR]\r\nGEN REV = 01.00\r\nGEN CRT = \"TVN CAMERA\" -01.00\r\n"
            "GEN DTM = 2023:06:14:10:21:33\r\n";
    }
    static const char* const kWords[] = {
        "exposure", "battery",  "focus",   "lens",  "card",    "shutter", "frame",
        "white",    "balance",  "written", "flash", "mode",    "program", "aperture",
        "priority", "the",      "and",     "of",    "ok",      "retry",   "buffer",
        "folder",   "sequence", "image",   "clip",  "quality", "fine",    "normal"};
    CRng rng(seed * 0x9E3779B97F4A7C15ULL + 3);
    for (uint32_t line = 1; s.size() < target; ++line) {
        if (printOrder) {
            s += fmt::format(
                "\r\n[JOB]\r\nPRT PID = {:03}\r\nPRT TYP = STD\r\nPRT QTY = 001\r\n"
                "IMG FMT = EXIF2 -J\r\n<IMG SRC = \"../DCIM/100TVNCM/DSC_{:04}.JPG\">\r\n",
                line, line);
            continue;
        }
        const uint32_t t = seed + line * 37;
        s += fmt::format("2023-{:02}-{:02} {:02}:{:02}:{:02} ", 5 + t % 4, 1 + t / 4 % 28,
                         t / 112 % 24, t / 7 % 60, t / 13 % 60);
        const uint64_t words = rng.Between(4, 14);
        for (uint64_t w = 0; w < words; ++w) {
            s += kWords[rng.Next() % std::size(kWords)];
            s += w + 1 < words ? " " : "";
        }
        s += fmt::format(" {}\n", rng.Between(0, 99999));
    }
    if (!printOrder) s.resize(static_cast<size_t>(target));
    Bytes b(s.begin(), s.end());
    ScrubFalseStarts(b, 0, b.size());
    return b;
}

// A zip archive of a few stored members of random-looking data, as a backup
// tool writes one of files that do not compress.
Bytes MakeZip(uint64_t target, uint32_t seed) {
    CRng rng(seed * 0xD1B54A32D192ED03ULL + 5);
    const size_t members = static_cast<size_t>(rng.Between(1, 5));
    const uint64_t each = std::max<uint64_t>(target / members, 64);
    constexpr uint16_t kTime = (10 << 11) | (21 << 5) | 16, kDate = (43 << 9) | (6 << 5) | 14;
    struct Member {
        std::string name;
        size_t header, data, size;
    };
    std::vector<Member> list;
    Bytes b;
    for (size_t m = 0; m < members; ++m) {
        // Each member's headers take about a hundred bytes of its share.
        Member e{fmt::format("DATA{:04}.BIN", m + 1), b.size(), 0,
                 static_cast<size_t>(each > 1024 ? each - 100 : 1024)};
        AppendLe(b, 0x04034B50, 4);
        AppendLe(b, 20, 2);  // version needed
        AppendLe(b, 0, 2);   // flags
        AppendLe(b, 0, 2);   // stored
        AppendLe(b, kTime, 2);
        AppendLe(b, kDate, 2);
        AppendLe(b, 0, 4);  // CRC, filled in below
        AppendLe(b, To32(e.size), 4);
        AppendLe(b, To32(e.size), 4);
        AppendLe(b, To32(e.name.size()), 2);
        AppendLe(b, 0, 2);
        b.insert(b.end(), e.name.begin(), e.name.end());
        e.data = b.size();
        b.resize(b.size() + e.size);
        FillRandom(b, e.data, e.data + e.size, rng);
        PutLe(b, e.header + 14, Crc32(&b[e.data], e.size), 4);
        list.push_back(e);
    }
    const size_t directory = b.size();
    for (const Member& e : list) {
        AppendLe(b, 0x02014B50, 4);
        AppendLe(b, 20, 2);  // made by
        AppendLe(b, 20, 2);  // needed
        AppendLe(b, 0, 2);
        AppendLe(b, 0, 2);
        AppendLe(b, kTime, 2);
        AppendLe(b, kDate, 2);
        const Bytes crcAndSizes(b.begin() + static_cast<std::ptrdiff_t>(e.header + 14),
                                b.begin() + static_cast<std::ptrdiff_t>(e.header + 26));
        b.insert(b.end(), crcAndSizes.begin(), crcAndSizes.end());
        AppendLe(b, To32(e.name.size()), 2);
        AppendLe(b, 0, 2);  // extra
        AppendLe(b, 0, 2);  // comment
        AppendLe(b, 0, 2);  // disk
        AppendLe(b, 0, 2);  // internal attributes
        AppendLe(b, 0x20, 4);
        AppendLe(b, To32(e.header), 4);
        b.insert(b.end(), e.name.begin(), e.name.end());
    }
    const size_t directorySize = b.size() - directory;
    AppendLe(b, 0x06054B50, 4);
    AppendLe(b, 0, 4);  // disk numbers
    AppendLe(b, To32(list.size()), 2);
    AppendLe(b, To32(list.size()), 2);
    AppendLe(b, To32(directorySize), 4);
    AppendLe(b, To32(directory), 4);
    AppendLe(b, 0, 2);
    return b;
}

// Tries up to eight variants of a writer's file (another seed, a slightly
// different size) and keeps the first without false starts inside, or the
// one with fewest.
template <typename Make>
Bytes FewestFalseStarts(Make make) {
    Bytes best;
    size_t bestCount = SIZE_MAX;
    for (uint32_t attempt = 0; attempt < 8; ++attempt) {
        Bytes b = make(attempt);
        const size_t n = CountFalseStarts(b, 1, b.size());
        if (n < bestCount) {
            best = std::move(b);
            bestCount = n;
        }
        if (n == 0) break;
    }
    return best;
}

RawOptions Raw(uint64_t target, double bytesPerPixel, uint32_t seed, uint32_t attempt,
               uint32_t strips) {
    RawOptions o;
    const auto [w, h] =
        Dims(static_cast<uint64_t>(static_cast<double>(target) / bytesPerPixel), 1.5);
    o.width = w + 16 * attempt;
    o.height = h;
    o.seed = seed + attempt * 7919;
    o.strips = strips;
    return o;
}

}  // namespace

std::string BenchKindType(BenchKind kind) {
    switch (kind) {
        case BenchKind::Jpg:
        case BenchKind::JpgMpf:
        case BenchKind::JpgPreview:
        case BenchKind::JpgMotion:
        case BenchKind::Thm:
            return "JPG";
        case BenchKind::Nef:
            return "NEF";
        case BenchKind::Cr2:
            return "CR2";
        case BenchKind::Orf:
            return "ORF";
        case BenchKind::Sr2:
            return "SR2";
        case BenchKind::Srf:
            return "SRF";
        case BenchKind::Crw:
            return "CRW";
        case BenchKind::Mrw:
            return "MRW";
        case BenchKind::Tif:
            return "TIF";
        case BenchKind::Mov:
            return "MOV";
        case BenchKind::Mp4:
            return "MP4";
        case BenchKind::Avi:
            return "AVI";
        case BenchKind::Mpg:
            return "MPG";
        case BenchKind::Mp3:
            return "MP3";
        case BenchKind::Wav:
            return "WAV";
        case BenchKind::Mid:
            return "MID";
        case BenchKind::Png:
            return "PNG";
        case BenchKind::Bmp:
            return "BMP";
        case BenchKind::Gif:
            return "GIF";
        case BenchKind::Data:
        case BenchKind::Text:
        case BenchKind::Zip:
            return "";
        case BenchKind::Cr3: return "CR3";
        case BenchKind::Arw: return "ARW";
        case BenchKind::Raf: return "RAF";
        case BenchKind::Rw2: return "RW2";
        case BenchKind::Dng: return "DNG";
        case BenchKind::Pef: return "PEF";
        case BenchKind::Nrw: return "NRW";
        case BenchKind::Heic: return "HEIC";
        case BenchKind::Mts: return "MTS";
        case BenchKind::Ts: return "TS";
        case BenchKind::ThreeGp: return "3GP";
    }
    return "";
}

// ---------------------------------------------------------------- false starts

bool LooksLikeFileStart(std::span<const uint8_t> b, size_t pos) {
    const auto at = [&](size_t i) -> int { return pos + i < b.size() ? b[pos + i] : -1; };
    const auto is = [&](size_t i, const char* s) {
        for (size_t k = 0; s[k] != 0; ++k) {
            if (at(i + k) != static_cast<uint8_t>(s[k])) return false;
        }
        return true;
    };
    if (at(0) == 0xFF && (at(1) == 0xD8 || at(1) == 0xFB)) return true;  // JPEG, MPEG audio
    if (at(0) == 0x00 && at(1) == 0x00 && at(2) == 0x01 && (at(3) == 0xBA || at(3) == 0xB3))
        return true;                                                 // MPEG pack or sequence header
    if (at(0) == 0x00 && at(1) == 'M' && at(2) == 'R') return true;  // MRW
    if (at(0) == 0x89 && is(1, "PNG")) return true;
    if (is(0, "BM") || is(0, "ID3") || is(0, "GIF8") || is(0, "RIFF") || is(0, "MThd") ||
        is(0, "II*") || is(0, "IIRO") || (is(0, "MM") && at(3) == 0x2A) ||
        (is(0, "II") && is(6, "HEAPCCDR"))) {
        return true;
    }
    for (const char* atom : {"ftyp", "moov", "mdat", "wide", "skip", "pnot"}) {
        if (is(4, atom)) return true;
    }
    return false;
}

size_t CountFalseStarts(std::span<const uint8_t> b, size_t from, size_t to) {
    size_t n = 0;
    to = std::min(to, b.size());
    for (size_t pos = (from + kSector - 1) / kSector * kSector; pos < to; pos += kSector) {
        if (LooksLikeFileStart(b, pos)) ++n;
    }
    return n;
}

void ScrubFalseStarts(Bytes& b, size_t from, size_t to) {
    to = std::min(to, b.size());
    for (size_t pos = (from + kSector - 1) / kSector * kSector; pos < to; pos += kSector) {
        if (!LooksLikeFileStart(b, pos)) continue;
        b[pos] = 'Z';  // no signature begins with it
        if (LooksLikeFileStart(b, pos) && pos + 4 < to) b[pos + 4] ^= 0x20;  // "ftyp" -> "Ftyp"
    }
}

// ---------------------------------------------------------------- planning

std::vector<BenchFile> PlanBenchCard(uint64_t dataBytes, bool newerTypes) {
    std::vector<KindShare> shares(std::begin(kShares), std::end(kShares));
    if (newerTypes) shares.insert(shares.end(), std::begin(kNewerShares), std::end(kNewerShares));
    const size_t kinds = shares.size();
    const uint64_t budget = dataBytes / 10 * 9;
    CRng rng(kPlanSeed);
    CNamer namer;
    std::vector<BenchFile> out;
    uint64_t planned = 0;
    std::vector<uint64_t> bytesOf(kinds, 0);
    std::vector<bool> full(kinds, false);

    // The camera's print order first: it stays on the card.
    out.push_back(Planned(BenchKind::Text, 2 * kKB, 1, namer));
    out.back().folder = "/MISC";
    out.back().name = "AUTPRINT.MRK";
    planned += out.back().target;

    const auto add = [&](size_t k) {
        const auto [low, high] = SizeRange(shares[k], dataBytes);
        const uint64_t size = rng.Between(low, high);
        if (planned + size > budget) return false;
        out.push_back(Planned(shares[k].kind, size, rng.Next32(), namer));
        planned += size;
        bytesOf[k] += size;
        if (shares[k].kind == BenchKind::Mov || shares[k].kind == BenchKind::Avi) {
            // The camera's thumbnail of the clip, next to it.
            BenchFile thm = out.back();
            thm.kind = BenchKind::Thm;
            thm.target = 10 * kKB;
            thm.name = thm.name.substr(0, thm.name.size() - 3) + "THM";
            out.push_back(thm);
            planned += thm.target;
        }
        return true;
    };
    // One of each kind first, then each kind in turn as its share of the
    // bytes falls behind.
    for (size_t k = 0; k < kinds; ++k) add(k);
    for (;;) {
        size_t pick = kinds;
        double best = 0;
        for (size_t k = 0; k < kinds; ++k) {
            if (full[k]) continue;
            const auto [low, high] = SizeRange(shares[k], dataBytes);
            const double due =
                (static_cast<double>(bytesOf[k]) + static_cast<double>(low + high) / 2) /
                shares[k].share;
            if (pick == kinds || due < best) {
                pick = k;
                best = due;
            }
        }
        if (pick == kinds) break;
        if (!add(pick)) full[pick] = true;
    }
    // About one file in ten deleted, the print order kept; a clip and its
    // thumbnail go together.
    for (size_t i = 1; i < out.size(); ++i) {
        out[i].deleted = out[i].kind == BenchKind::Thm ? out[i - 1].deleted : rng.Next() % 10 == 0;
    }
    return out;
}

// ---------------------------------------------------------------- JPEG pool

CBenchJpegPool::CBenchJpegPool(size_t count, uint64_t lowBytes, uint64_t highBytes)
    : m_made(std::max<size_t>(count, 1)), m_dates(std::max<size_t>(count, 1)) {
    const size_t n = std::max<size_t>(count, 1);
    for (size_t i = 0; i < n; ++i) {
        m_targets.push_back(n == 1 ? lowBytes : lowBytes + (highBytes - lowBytes) * i / (n - 1));
    }
}

Bytes CBenchJpegPool::Picture(uint32_t seed, uint64_t target) {
    // The camera's template whose size comes nearest the target.
    size_t t = seed % kCameraCount % m_targets.size();
    for (size_t i = t; i < m_targets.size(); i += kCameraCount) {
        const auto distance = [&](size_t k) {
            return m_targets[k] > target ? m_targets[k] - target : target - m_targets[k];
        };
        if (distance(i) < distance(t)) t = i;
    }
    const Camera& camera = kCameras[t % kCameraCount];
    if (m_made[t].empty()) {
        m_dates[t] = ExifDate(static_cast<uint32_t>(t));
        m_made[t] = FewestFalseStarts([&](uint32_t attempt) {
            JpegOptions o;
            // About 0.234 bytes a pixel at the most detail.
            const auto [w, h] = Dims(m_targets[t] * 1000 / 234, 4.0 / 3.0);
            o.width = w + 16 * attempt;
            o.height = h;
            o.detail = 20;
            o.seed = static_cast<uint32_t>(t * 31 + attempt + 1);
            o.app = camera.exif ? JpegApp::Exif : JpegApp::Jfif;
            // Editors save progressive JPEGs.
            o.progressive = !camera.exif;
            o.make = camera.make;
            o.model = camera.model;
            o.dateTime = m_dates[t];
            return MakeJpeg(o);
        });
    }
    Bytes b = m_made[t];
    if (!camera.exif) {
        // Edited on a computer and saved at the density the editor chose.
        const auto dpi = static_cast<uint16_t>(72 + seed % 1000);
        for (size_t at : {size_t{14}, size_t{16}}) {
            b[at] = static_cast<uint8_t>(dpi >> 8);
            b[at + 1] = static_cast<uint8_t>(dpi);
        }
    } else {
        // The picture's own time in every date field of its Exif block.
        const std::string from = m_dates[t], to = ExifDate(seed);
        const size_t end = std::min<size_t>(b.size(), 0x10000);
        for (size_t i = 0; i + from.size() <= end; ++i) {
            if (std::memcmp(&b[i], from.data(), from.size()) == 0) {
                std::memcpy(&b[i], to.data(), to.size());
            }
        }
    }
    return b;
}

// ---------------------------------------------------------------- files

namespace {

// A camera's large picture with a 1,920 x 1,280 and a 640 x 480 preview after
// it, listed in its Multi-Picture index. No preview begins at a sector start.
// A comment segment of pad bytes (pad even, 0 for none) after the JPEG's
// first APP segment, to move what follows the EOI off sector starts.
Bytes WithComment(const Bytes& jpeg, size_t pad) {
    if (pad == 0) return jpeg;
    const size_t at = 4 + (size_t{jpeg[4]} << 8 | jpeg[5]);
    Bytes com = {0xFF, 0xFE, static_cast<uint8_t>((pad + 2) >> 8), static_cast<uint8_t>(pad + 2)};
    com.resize(4 + pad, 0x20);
    Bytes p = jpeg;
    p.insert(p.begin() + static_cast<std::ptrdiff_t>(at), com.begin(), com.end());
    return p;
}

Bytes MakePreviewPicture(CBenchJpegPool& pool, uint32_t seed, uint64_t target) {
    JpegOptions o;
    o.app = JpegApp::None;
    o.width = 640;
    o.height = 480;
    o.detail = 4;
    o.seed = seed + 7;
    const Bytes preview = MakeJpeg(o);
    constexpr auto kCount = static_cast<uint32_t>(kCameraCount);
    const uint32_t camera = seed - seed % kCount + seed % (kCount - 1);
    const Bytes main = pool.Picture(camera, target > preview.size() ? target - preview.size() : target);
    const size_t padding = 8 + seed % 32;
    for (size_t pad = 0;; pad += 2) {
        Bytes b = WithMakerNotePreview(WithComment(main, pad), preview, padding);
        if ((b.size() - preview.size()) % kSector != 0) return b;
    }
}

Bytes MakeMotionPicture(CBenchJpegPool& pool, uint32_t seed, uint64_t target) {
    Bytes movie = MakeMp4(120);
    PadMovieData(movie, std::max<uint64_t>(movie.size(), target / 3), seed);
    const Bytes main = pool.Picture(seed, target > movie.size() ? target - movie.size() : target);
    for (size_t pad = 0;; pad += 2) {
        Bytes b = MakeMotionPhoto(WithComment(main, pad), movie, seed % 2 == 0);
        if ((b.size() - movie.size()) % kSector != 0) return b;
    }
}

Bytes MakeMpfPicture(CBenchJpegPool& pool, uint32_t seed, uint64_t target) {
    // One of the cameras that write Exif.
    constexpr auto kCount = static_cast<uint32_t>(kCameraCount);
    const uint32_t camera = seed - seed % kCount + seed % (kCount - 1);
    std::vector<Bytes> previews;
    for (const auto& [w, h] : {std::pair{1920u, 1280u}, std::pair{640u, 480u}}) {
        JpegOptions o;
        o.app = JpegApp::None;
        o.width = w;
        o.height = h;
        o.detail = 4;
        o.seed = seed + w;
        previews.push_back(MakeJpeg(o));
    }
    const uint64_t rest = previews[0].size() + previews[1].size();
    const Bytes primary = pool.Picture(camera, target > rest ? target - rest : target);
    // A comment segment after the APP1 segment moves the previews off sector
    // starts where they would begin on one.
    const size_t app1End = 4 + (size_t{primary[4]} << 8 | primary[5]);
    for (size_t pad = 0;; pad += 2) {
        Bytes p = primary;
        if (pad > 0) {
            Bytes com = {0xFF, 0xFE, static_cast<uint8_t>((pad + 2) >> 8),
                         static_cast<uint8_t>(pad + 2)};
            com.resize(4 + pad, 0x20);
            p.insert(p.begin() + static_cast<std::ptrdiff_t>(app1End), com.begin(), com.end());
        }
        Bytes b = MakeMpfJpeg(p, previews);
        const size_t first = b.size() - rest;
        if (first % kSector != 0 && (first + previews[0].size()) % kSector != 0) return b;
    }
}

}  // namespace

Bytes MakeBenchFile(const BenchFile& f, CBenchJpegPool& pool) {
    const uint64_t target = std::max<uint64_t>(f.target, 1024);
    const uint32_t seed = f.seed;
    switch (f.kind) {
        case BenchKind::Jpg:
            return pool.Picture(seed, f.target);
        case BenchKind::JpgMpf:
            return MakeMpfPicture(pool, seed, target);
        case BenchKind::JpgPreview:
            return MakePreviewPicture(pool, seed, target);
        case BenchKind::JpgMotion:
            return MakeMotionPicture(pool, seed, target);
        case BenchKind::Thm: {
            JpegOptions o;
            o.width = 160;
            o.height = 120;
            o.detail = 6;
            o.seed = seed;
            o.make = "Canon";
            o.model = "Canon PowerShot A720 IS";
            o.dateTime = ExifDate(seed);
            o.thumbnail = false;
            o.app = JpegApp::Exif;
            return MakeJpeg(o);
        }
        case BenchKind::Nef:
            return FewestFalseStarts(
                [&](uint32_t a) { return MakeNef(Raw(target, 2.0, seed, a, 4)); });
        case BenchKind::Cr2:
            return FewestFalseStarts(
                [&](uint32_t a) { return MakeCr2(Raw(target, 2.4, seed, a, 1)); });
        case BenchKind::Orf:
            return FewestFalseStarts(
                [&](uint32_t a) { return MakeOrf(Raw(target, 2.0, seed, a, 2)); });
        case BenchKind::Sr2:
            return FewestFalseStarts(
                [&](uint32_t a) { return MakeSr2(Raw(target, 2.0, seed, a, 1)); });
        case BenchKind::Srf:
            return FewestFalseStarts(
                [&](uint32_t a) { return MakeSrf(Raw(target, 2.0, seed, a, 1)); });
        case BenchKind::Crw:
            return FewestFalseStarts(
                [&](uint32_t a) { return MakeCrw(Raw(target, 2.0, seed, a, 1)); });
        case BenchKind::Mrw:
            return FewestFalseStarts(
                [&](uint32_t a) { return MakeMrw(Raw(target, 1.5, seed, a, 1)); });
        case BenchKind::Tif:
            return FewestFalseStarts([&](uint32_t a) {
                TiffOptions o;
                const auto [w, h] = Dims(target / 3, 1.5);
                o.width = w + 16 * a;
                o.height = h;
                o.rowsPerStrip = 16;
                o.seed = seed + a * 7919;
                return MakeTiff(o);
            });
        case BenchKind::Mov: {
            // Canon's older form opens with "wide" and keeps "moov" last.
            Bytes b = MakeMov(22050 * 4, seed % 2 == 0, seed);
            PadMovieData(b, target, seed);
            return b;
        }
        case BenchKind::Mp4: {
            Bytes b = MakeMp4(240);
            // The major brands of cameras, phones and converters.
            static constexpr const char* kBrands[] = {"isom", "mp42", "M4V ", "3gp4"};
            std::memcpy(b.data() + 8, kBrands[seed % 4], 4);
            PadMovieData(b, target, seed);
            return b;
        }
        case BenchKind::Avi: {
            // VGA, or a smaller picture where ten VGA frames would not fit.
            uint32_t w = 640, h = 480;
            while (w > 160 && target < uint64_t{10} * w * h * 3) {
                w /= 2;
                h /= 2;
            }
            const uint64_t frame = uint64_t{w} * h * 3;
            return MakeAvi(w, h, To32(std::max<uint64_t>(1, target / frame)), seed);
        }
        case BenchKind::Mpg: {
            // Grey 720x576 pictures; their size is measured on a short stream.
            const uint64_t per = MakeMpegProgramStream(720, 576, 120).size() / 120;
            Bytes b = MakeMpegProgramStream(720, 576, To32(std::max<uint64_t>(1, target / per)));
            if (seed % 2 == 0) {
                // Some recorders open with a pack of padding of odd length,
                // so the sequence header lies at an odd distance.
                Bytes pad = {0, 0, 1, 0xBA, 0x21, 0, 1, 0, 1, 0x80, 0, 1,
                             0, 0, 1, 0xBE, 0x07, 0xDB};  // 2,011 bytes of padding
                pad.resize(pad.size() + 0x07DB, 0xFF);
                b.insert(b.begin(), pad.begin(), pad.end());
            }
            return b;
        }
        case BenchKind::Mp3: {
            // 128 kbit/s: 417.96 bytes a frame on average.
            const bool tagged = seed % 3 != 0;
            const size_t frames = static_cast<size_t>(target * 100 / 41796);
            Bytes b = tagged ? MakeMp3(frames, fmt::format("Track {}", seed % 100),
                                       1024 + seed % 2048)
                             : MakeMp3(frames);
            if (seed % 2 == 0) {
                // An ID3v1 tag after the last frame.
                Bytes v1(128, 0);
                const std::string text = fmt::format("TAGTrack {}", seed % 100);
                std::copy(text.begin(), text.end(), v1.begin());
                b.insert(b.end(), v1.begin(), v1.end());
            }
            return b;
        }
        case BenchKind::Wav: {
            const bool voice = seed % 2 == 0;
            const uint32_t rate = voice ? 22050 : 44100;
            const uint16_t channels = voice ? 1 : 2;
            return MakeWav(rate, channels, To32(target / (2u * channels)), seed);
        }
        case BenchKind::Mid: {
            const size_t notes = static_cast<size_t>(std::max<uint64_t>(8, target / 8));
            return seed % 3 == 0 ? MakeRmid(notes, seed) : MakeMidi(notes, seed);
        }
        case BenchKind::Png:
            return FewestFalseStarts([&](uint32_t a) {
                const auto [w, h] = Dims(target * 10 / 29, 16.0 / 9.0);
                return MakePng(w + 16 * a, h, seed + a);
            });
        case BenchKind::Bmp:
            return FewestFalseStarts([&](uint32_t a) {
                if (seed % 3 == 0) {
                    const auto [w, h] = Dims(target, 4.0 / 3.0);
                    return MakeBmp8(w + 16 * a, h, seed + a);
                }
                const auto [w, h] = Dims(target / 3, 4.0 / 3.0);
                return MakeBmp24(w + 16 * a, h, seed + a);
            });
        case BenchKind::Gif:
            return FewestFalseStarts([&](uint32_t a) {
                const auto [w, h] = Dims(target * 100 / 113, 4.0 / 3.0, 0xFFF0);
                return MakeGif(seed % 2 == 0, To16(w + 16 * a), To16(h), seed + a);
            });
        case BenchKind::Data: {
            Bytes b(static_cast<size_t>(target));
            CRng rng(seed * 0xA0761D6478BD642FULL + 11);
            FillRandom(b, 0, b.size(), rng);
            return b;
        }
        case BenchKind::Text:
            return MakeText(target, seed, f.name == "AUTPRINT.MRK");
        case BenchKind::Zip:
            return MakeZip(target, seed);
        case BenchKind::Cr3:
        case BenchKind::Arw:
        case BenchKind::Raf:
        case BenchKind::Rw2:
        case BenchKind::Dng:
        case BenchKind::Pef:
        case BenchKind::Nrw:
        case BenchKind::Heic:
        case BenchKind::Mts:
        case BenchKind::Ts: {
            // The bulk of the file is its raw, coded or stream data.
            ModernOptions o;
            // (A tenth is left for the preview and the headers of a picture.)
            const bool stream = f.kind == BenchKind::Mts || f.kind == BenchKind::Ts;
            o.width = 640 + seed % 4 * 64;
            o.height = o.width * 3 / 4;
            o.dataBytes = static_cast<uint32_t>(std::min<uint64_t>(stream ? target : target / 10 * 9, UINT32_MAX / 2));
            o.seed = seed;
            switch (f.kind) {
                case BenchKind::Cr3: return MakeCr3(o, seed % 2 == 0);
                case BenchKind::Arw: return MakeArw(o);
                case BenchKind::Raf: return MakeRaf(o, seed % 3 == 0);
                case BenchKind::Rw2: return MakeRw2(o);
                case BenchKind::Dng: return MakeDng(o);
                case BenchKind::Pef: return MakePef(o);
                case BenchKind::Nrw: return MakeNrw(o);
                case BenchKind::Heic: return MakeHeic(o, seed % 2 == 0, seed % 3 == 0 ? "mif1" : "heic");
                case BenchKind::Mts: return MakeTransportStream(o, true);
                default: return MakeTransportStream(o, false);
            }
        }
        case BenchKind::ThreeGp:
            return Make3gp(static_cast<size_t>(target / kMp3FrameBytes), seed % 2 == 0 ? "3gp4" : "3g2a");
    }
    throw std::logic_error("unknown kind of file");
}

// ---------------------------------------------------------------- the card

namespace {

// The files handed to mcopy, one at a time, each removed once copied.

uint8_t PartitionType(int fatBits) {
    return fatBits == 12 ? 0x01 : fatBits == 16 ? 0x06 : 0x0C;
}

uint32_t CrcOfExtents(std::ifstream& in, const std::vector<Extent>& extents, Bytes& buffer) {
    uint32_t crc = 0;
    for (const Extent& e : extents) {
        in.seekg(static_cast<std::streamoff>(e.offset));
        for (uint64_t left = e.length; left > 0;) {
            const size_t n = static_cast<size_t>(std::min<uint64_t>(left, buffer.size()));
            in.read(reinterpret_cast<char*>(buffer.data()), static_cast<std::streamsize>(n));
            if (!in) throw std::runtime_error("cannot read the card image back");
            crc = Crc32(buffer.data(), n, crc);
            left -= n;
        }
    }
    return crc;
}

}  // namespace

SampleCard BuildBenchCard(const std::string& path, const BenchCardOptions& options) {
    const uint64_t bytes = options.bytes;
    if (bytes % kSector != 0 || bytes < kBenchCardMinBytes || bytes > kBenchCardMaxBytes) {
        throw std::invalid_argument(
            fmt::format("the card size must be a multiple of 512 from {} MiB to {} GiB",
                        kBenchCardMinBytes >> 20, kBenchCardMaxBytes >> 30));
    }
    SampleCard card;
    card.image = path;
    card.imageBytes = bytes;
    // Card makers align the partition to the card's erase blocks.
    card.partitionStart = bytes >= (uint64_t{1} << 30) ? 8192 : 2048;
    card.partitionSectors = To32(bytes / kSector - card.partitionStart);
    { ImageFile img(path, bytes); }

    const CFatTools tools(path, card.partitionStart, card.partitionSectors, kVolumeId, kEpoch);
    tools.Format();
    const uint64_t partitionOffset = uint64_t{card.partitionStart} * kSector;
    uint64_t dataBytes = 0;
    {
        const CFatReader fat(path, partitionOffset);
        card.fatBits = fat.Bits();
        card.clusterBytes = fat.ClusterBytes();
        dataBytes = partitionOffset + uint64_t{card.partitionSectors} * kSector - fat.DataOffset();
    }
    {
        ImageFile img(path, bytes, ImageFile::kKeep);
        const MbrPartition part{card.partitionStart, card.partitionSectors,
                                PartitionType(card.fatBits)};
        img.Write(0, MakeMbr({&part, 1}));
    }

    const std::vector<BenchFile> plan = PlanBenchCard(dataBytes, options.newerTypes);
    const auto [jpegLow, jpegHigh] = SizeRange(kShares[0], dataBytes);
    // The pool's largest pictures are the large camera files'.
    const uint64_t mpfHigh = SizeRange(kShares[kKinds - 1], dataBytes).second;
    CBenchJpegPool pool(PoolSize(dataBytes), jpegLow, std::max(jpegHigh, mpfHigh));

    std::vector<std::string> folders;
    for (const BenchFile& f : plan) {
        for (size_t slash = f.folder.find('/', 1);; slash = f.folder.find('/', slash + 1)) {
            const std::string dir = f.folder.substr(0, slash);
            if (std::find(folders.begin(), folders.end(), dir) == folders.end()) {
                folders.push_back(dir);
                tools.MakeDirectory(dir);
            }
            if (slash == std::string::npos) break;
        }
    }

    // Written in plan order. A file that would fill the card past 97 % (the
    // sizes come out a little above their targets now and then) is left out.
    const uint64_t limit = dataBytes / 100 * 97;
    uint64_t used = 0;
    CHostFolder host;
    std::vector<const BenchFile*> written;
    for (size_t i = 0; i < plan.size(); ++i) {
        const BenchFile& f = plan[i];
        const Bytes data = MakeBenchFile(f, pool);
        const uint64_t clusters = (data.size() + card.clusterBytes - 1) / card.clusterBytes;
        if (used + clusters * card.clusterBytes > limit) continue;
        used += clusters * card.clusterBytes;
        const std::string hostFile = host.Put(f.name, data, kEpoch + 97 * static_cast<int64_t>(i));
        tools.Copy(hostFile, f.folder);
        fs::remove(hostFile);
        PlacedFile p;
        p.type = BenchKindType(f.kind);
        p.name = f.name;
        p.path = f.folder + "/" + f.name;
        p.length = data.size();
        p.crc32 = Crc32(data.data(), data.size());
        card.files.push_back(std::move(p));
        written.push_back(&f);
    }

    std::map<std::string, FatEntry> listed;
    {
        const CFatReader fat(path, partitionOffset);
        for (FatEntry& e : fat.List()) listed[e.path] = std::move(e);
    }
    for (PlacedFile& p : card.files) {
        const auto it = listed.find(p.path);
        if (it == listed.end() || it->second.size != p.length)
            throw std::runtime_error("the file system does not list " + p.path + " as written");
        p.extents = it->second.extents;
        p.offset = p.extents.front().offset;
        p.contiguous = p.extents.size() == 1;
    }
    for (size_t i = 0; i < card.files.size(); ++i) {
        if (written[i]->deleted) {
            tools.Delete(card.files[i].path);
            card.files[i].deleted = true;
        }
    }

    {
        std::ifstream in(path, std::ios::binary);
        Bytes buffer(4 << 20);
        for (const PlacedFile& p : card.files) {
            if (CrcOfExtents(in, p.extents, buffer) != p.crc32)
                throw std::runtime_error("the bytes of " + p.path +
                                         " are not where the file system put them");
        }
    }

    // Deleted pictures whose clusters later data took in part: one in five
    // of the deleted JPEGs loses 256 KiB from the middle on. Their remains
    // are on the card; the files whole are not.
    {
        ImageFile img(path, bytes, ImageFile::kKeep);
        CRng rng(kPlanSeed + 5);
        size_t seen = 0;
        for (PlacedFile& p : card.files) {
            if (!p.deleted || p.type != "JPG" || !p.contiguous || p.length < 1024 * 1024 ||
                p.name.ends_with(".THM") || seen++ % 5 != 0) {
                continue;
            }
            p.overwrittenAt = p.length / 2 / card.clusterBytes * card.clusterBytes;
            Bytes junk(static_cast<size_t>(std::min<uint64_t>(256 * 1024, p.length - p.overwrittenAt)));
            FillRandom(junk, 0, junk.size(), rng);
            img.Write(p.offset + p.overwrittenAt, junk);
        }
    }

    std::ofstream manifest(path + ".json", std::ios::trunc);
    manifest << BenchCardManifest(card);
    manifest.close();
    if (!manifest) throw std::runtime_error("cannot write " + path + ".json");
    return card;
}

std::vector<BenchTypeTotals> BenchCardTotals(const SampleCard& card) {
    std::vector<BenchTypeTotals> out;
    for (const KindShare& s : kShares) {
        const std::string type = BenchKindType(s.kind);
        const bool listed = std::any_of(out.begin(), out.end(),
                                        [&](const BenchTypeTotals& t) { return t.type == type; });
        if (!type.empty() && !listed) out.push_back({type, 0, 0, 0});
    }
    out.push_back({"other", 0, 0, 0});
    for (const PlacedFile& f : card.files) {
        const std::string type = f.type.empty() ? "other" : f.type;
        auto it = std::find_if(out.begin(), out.end(),
                               [&](const BenchTypeTotals& t) { return t.type == type; });
        if (it == out.end()) it = out.insert(out.end() - 1, {type, 0, 0, 0});
        ++it->files;
        it->bytes += f.length;
        it->deleted += f.deleted ? 1 : 0;
    }
    return out;
}

std::string BenchCardManifest(const SampleCard& card) {
    using Json = nlohmann::ordered_json;
    const Json sample = Json::parse(SampleCardManifest(card));
    Json types = Json::object();
    uint64_t files = 0, bytes = 0;
    for (const BenchTypeTotals& t : BenchCardTotals(card)) {
        types[t.type] = {{"files", t.files}, {"bytes", t.bytes}, {"deleted", t.deleted}};
        files += t.files;
        bytes += t.bytes;
    }
    Json doc;
    for (const auto& [key, value] : sample.items()) {
        if (key == "files") {
            doc["totals"] = {{"files", files}, {"bytes", bytes}};
            doc["types"] = types;
        }
        doc[key] = value;
    }
    for (size_t i = 0; i < card.files.size(); ++i) {
        if (card.files[i].overwrittenAt != 0) {
            doc["files"][i]["overwritten_at"] = card.files[i].overwrittenAt;
        }
    }
    return doc.dump(2) + "\n";
}

std::string DescribeBenchCard(const SampleCard& card) {
    std::string out =
        fmt::format("{}: {} bytes, FAT{} partition at sector {}, {}-byte clusters\n", card.image,
                    card.imageBytes, card.fatBits, card.partitionStart, card.clusterBytes);
    out += fmt::format("{:<6} {:>6} {:>8} {:>14}\n", "type", "files", "deleted", "bytes");
    uint64_t files = 0, deleted = 0, bytes = 0, fragmented = 0;
    for (const BenchTypeTotals& t : BenchCardTotals(card)) {
        out += fmt::format("{:<6} {:>6} {:>8} {:>14}\n", t.type, t.files, t.deleted, t.bytes);
        files += t.files;
        deleted += t.deleted;
        bytes += t.bytes;
    }
    for (const PlacedFile& f : card.files) fragmented += f.contiguous ? 0 : 1;
    out += fmt::format("{:<6} {:>6} {:>8} {:>14}  ({:.1f} % of the card, {} fragmented)\n", "total",
                       files, deleted, bytes,
                       100.0 * static_cast<double>(bytes) / static_cast<double>(card.imageBytes),
                       fragmented);
    out += fmt::format("manifest {}.json\n", card.image);
    return out;
}

}  // namespace tvn::media
