#include "output/repair.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstring>
#include <filesystem>
#include <random>

#include "tests/support/test_support.h"

namespace tvn {
namespace {

using test::RecordingReporter;
using test::TempDir;

constexpr uint16_t kShort = 3, kLong = 4, kRational = 5, kUndefined = 7;

// A file image with TIFF structures written at chosen offsets.
struct Tiff {
    struct E {
        uint16_t tag, type;
        uint32_t count, value;
    };
    std::vector<uint8_t> d;
    bool be;

    Tiff(size_t size, bool bigEndian, uint32_t ifd0) : d(size, 0), be(bigEndian) {
        d[0] = d[1] = be ? 'M' : 'I';
        U16(2, 42);
        U32(4, ifd0);
    }
    void U16(size_t off, uint16_t v) {
        d[off + (be ? 0 : 1)] = static_cast<uint8_t>(v >> 8);
        d[off + (be ? 1 : 0)] = static_cast<uint8_t>(v);
    }
    void U32(size_t off, uint32_t v) {
        for (size_t i = 0; i < 4; ++i)
            d[off + (be ? 3 - i : i)] = static_cast<uint8_t>(v >> (8 * i));
    }
    // An IFD at off; a SHORT value with count 1 sits in the first two bytes
    // of the value field, as TIFF puts it.
    size_t Ifd(size_t off, const std::vector<E>& entries, uint32_t next = 0) {
        U16(off, static_cast<uint16_t>(entries.size()));
        size_t at = off + 2;
        for (const E& e : entries) {
            U16(at, e.tag);
            U16(at + 2, e.type);
            U32(at + 4, e.count);
            if (e.type == kShort && e.count == 1) {
                U16(at + 8, static_cast<uint16_t>(e.value));
            } else {
                U32(at + 8, e.value);
            }
            at += 12;
        }
        U32(at, next);
        return at + 4;
    }
    void Array(size_t off, const std::vector<uint32_t>& values) {
        for (size_t i = 0; i < values.size(); ++i) U32(off + 4 * i, values[i]);
    }
};

// A big-endian atom header: size, then type.
void Atom(std::vector<uint8_t>& d, size_t at, uint32_t size, const char* type) {
    for (size_t i = 0; i < 4; ++i) d[at + i] = static_cast<uint8_t>(size >> (8 * (3 - i)));
    std::memcpy(d.data() + at + 4, type, 4);
}

uint64_t Measure(RepairKind kind, const std::vector<uint8_t>& d, std::string* console = nullptr) {
    RecordingReporter r;
    const uint64_t size = RealSize(kind, d, r);
    if (console) *console = r.console;
    return size;
}

TEST(RepairCrw, RootTableFoundFromTheBack) {
    std::vector<uint8_t> d(5'000'000, 0);
    d[0] = d[1] = 'I';
    // v = 2,999,938 in the four bytes ending at 3,000,000: d = 62.
    const uint32_t v = 2'999'938;
    for (size_t i = 0; i < 4; ++i) d[2'999'996 + i] = static_cast<uint8_t>(v >> (8 * i));
    EXPECT_EQ(Measure(RepairKind::Crw, d), 3'000'000u);
    // A distance that is not 2 modulo 10 does not qualify.
    const uint32_t w = 2'999'939;
    for (size_t i = 0; i < 4; ++i) d[2'999'996 + i] = static_cast<uint8_t>(w >> (8 * i));
    EXPECT_EQ(Measure(RepairKind::Crw, d), 0u);
    // Small files are never repaired.
    EXPECT_EQ(Measure(RepairKind::Crw, std::vector<uint8_t>(600'000, 'I')), 0u);
}

TEST(RepairTif, StripRules) {
    // One strip: offset + length.
    Tiff one(5000, false, 8);
    one.Ifd(8, {{259, kShort, 1, 1}, {273, kLong, 1, 200}, {279, kLong, 1, 1000}});
    std::string console;
    EXPECT_EQ(Measure(RepairKind::Tif, one.d, &console), 1200u);
    EXPECT_EQ(console, "\tgot intel header\n\tgot actual file size no of component = 1\n");

    // The same in big-endian order.
    Tiff mm(5000, true, 8);
    mm.Ifd(8, {{259, kShort, 1, 1}, {273, kLong, 1, 200}, {279, kLong, 1, 1000}});
    EXPECT_EQ(Measure(RepairKind::Tif, mm.d, &console), 1200u);
    EXPECT_EQ(console.substr(0, 15), "\tgot mac header");

    // IFD0 beyond the file.
    Tiff far(5000, false, 10'000);
    EXPECT_EQ(Measure(RepairKind::Tif, far.d), 512u);

    // LZW with 8 strips: the end of the last one.
    Tiff lzw(8000, false, 8);
    const size_t end =
        lzw.Ifd(8, {{259, kShort, 1, 5}, {273, kLong, 8, 100}, {279, kLong, 8, 140}});
    ASSERT_LE(end, 100u);
    std::vector<uint32_t> offs, lens;
    for (uint32_t i = 0; i < 8; ++i) {
        offs.push_back(1000 + 500 * i);
        lens.push_back(400);
    }
    lzw.Array(100, offs);
    lzw.Array(140, lens);
    EXPECT_EQ(Measure(RepairKind::Tif, lzw.d, &console), 4900u);
    EXPECT_NE(console.find("no of component > 1"), std::string::npos);

    // Other compressions with several strips, and empty or oversized IFDs:
    // no size.
    Tiff jpeg = lzw;
    jpeg.Ifd(8, {{259, kShort, 1, 7}, {273, kLong, 8, 100}, {279, kLong, 8, 140}});
    EXPECT_EQ(Measure(RepairKind::Tif, jpeg.d), 0u);
    Tiff empty(5000, false, 8);
    EXPECT_EQ(Measure(RepairKind::Tif, empty.d), 0u);
    empty.U16(8, 61);
    EXPECT_EQ(Measure(RepairKind::Tif, empty.d), 0u);
    EXPECT_EQ(Measure(RepairKind::Tif, std::vector<uint8_t>{'X', 'X', 0, 0, 8, 0, 0, 0}), 0u);
}

TEST(RepairTif, NeverCutsOffStructureTheWalkRead) {
    // Uncompressed strips first, then IFD0 (as libtiff writes it): the end of
    // IFD0 including its next-IFD offset.
    Tiff tail(6000, false, 3000);
    tail.Array(2900, {8, 1008});
    tail.Array(2950, {1000, 1000});
    const size_t ifdEnd =
        tail.Ifd(3000, {{259, kShort, 1, 1}, {273, kLong, 2, 2900}, {279, kLong, 2, 2950}});
    EXPECT_EQ(Measure(RepairKind::Tif, tail.d), ifdEnd);

    // IFD0 first, strips after it: the strips are kept.
    Tiff head(6000, false, 8);
    head.Ifd(8, {{259, kShort, 1, 1}, {273, kLong, 2, 100}, {279, kLong, 2, 120}});
    head.Array(100, {200, 1200});
    head.Array(120, {1000, 1000});
    EXPECT_EQ(Measure(RepairKind::Tif, head.d), 2200u);

    // One strip, then IFD0, then the IFD's out-of-line values.
    Tiff after(6000, false, 1008);
    const size_t e = after.Ifd(
        1008,
        {{259, kShort, 1, 1}, {273, kLong, 1, 8}, {279, kLong, 1, 1000}, {282, kRational, 1, 0}});
    after.U32(1008 + 2 + 3 * 12 + 8, static_cast<uint32_t>(e));  // XResolution after the IFD
    EXPECT_EQ(Measure(RepairKind::Tif, after.d), e + 8);
}

TEST(RepairCr2, LastIfdOfTheChainDecides) {
    Tiff t(20000, false, 16);
    const size_t i1 = 200, i2 = 400, i3 = 600;
    t.Ifd(16, {{273, kLong, 1, 1000}, {279, kLong, 1, 3000}}, i1);
    t.Ifd(i1, {{513, kLong, 1, 4000}, {514, kLong, 1, 500}}, i2);
    t.Ifd(i2, {{273, kLong, 1, 4500}, {279, kLong, 1, 100}}, i3);
    t.Ifd(i3, {{259, kShort, 1, 6}, {273, kLong, 1, 5000}, {279, kLong, 1, 9000}}, 0);
    std::string console;
    EXPECT_EQ(Measure(RepairKind::Cr2, t.d, &console), 14000u);
    EXPECT_EQ(console,
              "\tgot intel header\n\tgot actual file size\n\tgoing to break outermost loop\n");

    // A chain that loops back on itself has no last IFD.
    Tiff loop = t;
    loop.Ifd(i3, {{273, kLong, 1, 5000}, {279, kLong, 1, 9000}}, 16);
    EXPECT_EQ(Measure(RepairKind::Cr2, loop.d), 0u);
    // An entry count of 1,000 or more ends the walk without a size.
    Tiff many = t;
    many.U16(i2, 1000);
    EXPECT_EQ(Measure(RepairKind::Cr2, many.d), 0u);
    // Not a TIFF header: a quarter of the file.
    EXPECT_EQ(Measure(RepairKind::Cr2, std::vector<uint8_t>(4000, 'x')), 1000u);
    Tiff mm(20000, true, 16);
    mm.Ifd(16, {{273, kLong, 1, 100}, {279, kLong, 1, 900}});
    EXPECT_EQ(Measure(RepairKind::Cr2, mm.d, &console), 1000u);
    EXPECT_EQ(console.substr(0, 14), "in mac header\n");
}

TEST(RepairNefSr2, SubIfdRules) {
    // SubIFDs count 2: the second sub-IFD holds the raw image.
    Tiff t(30000, false, 8);
    t.Ifd(8, {{273, kLong, 1, 2000}, {279, kLong, 1, 1000}, {330, kLong, 2, 100}});
    t.Array(100, {200, 400});
    t.Ifd(200, {{273, kLong, 1, 3000}, {279, kLong, 1, 2000}});
    t.Ifd(400, {{259, kShort, 1, 1}, {273, kLong, 1, 6000}, {279, kLong, 1, 12000}});
    EXPECT_EQ(Measure(RepairKind::NefSr2, t.d), 18000u);

    // With one sub-IFD its value is the sub-IFD; several strips: the last
    // strip's end.
    Tiff one(30000, false, 8);
    one.Ifd(8, {{330, kLong, 1, 200}});
    one.Ifd(200, {{273, kLong, 3, 300}, {279, kLong, 3, 320}});
    one.Array(300, {1000, 5000, 9000});
    one.Array(320, {4000, 4000, 4000});
    EXPECT_EQ(Measure(RepairKind::NefSr2, one.d), 13000u);

    // No SubIFDs, or a sub-IFD beyond the file: a quarter of the file.
    Tiff none(30000, false, 8);
    none.Ifd(8, {{273, kLong, 1, 2000}, {279, kLong, 1, 1000}});
    EXPECT_EQ(Measure(RepairKind::NefSr2, none.d), 7500u);
    Tiff beyond(30000, false, 8);
    beyond.Ifd(8, {{330, kLong, 1, 40000}});
    EXPECT_EQ(Measure(RepairKind::NefSr2, beyond.d), 7500u);
}

TEST(RepairOrfSrf, IfdRules) {
    Tiff orf(10000, false, 8);
    orf.Ifd(8, {{273, kLong, 1, 500}, {279, kLong, 1, 3000}});
    EXPECT_EQ(Measure(RepairKind::Orf, orf.d), 3500u);
    Tiff orfNone(10000, false, 8);
    orfNone.Ifd(8, {{256, kLong, 1, 640}});
    EXPECT_EQ(Measure(RepairKind::Orf, orfNone.d), 2500u);

    // SRF: the MakerNote in the Exif IFD settles R = c x V + S + m + M.
    Tiff srf(20000, false, 8);
    srf.Ifd(8, {{273, kLong, 1, 1000}, {279, kLong, 1, 4000}, {34665, kLong, 1, 200}});
    srf.Ifd(200, {{37500, kUndefined, 300, 500}});
    EXPECT_EQ(Measure(RepairKind::Srf, srf.d), 4000u + 1000u + 300u + 500u);
    // An Exif IFD pointing back at IFD0 without a MakerNote: no size.
    Tiff loop(20000, false, 8);
    loop.Ifd(8, {{34665, kLong, 1, 200}});
    loop.Ifd(200, {{34665, kLong, 1, 8}});
    EXPECT_EQ(Measure(RepairKind::Srf, loop.d), 0u);
}

TEST(RepairAtoms, MovAndMp4) {
    // mdat then moov: the moov's type position plus its size.
    std::vector<uint8_t> mov(4000, 0);
    Atom(mov, 0, 20, "ftyp");
    Atom(mov, 20, 1000, "mdat");
    Atom(mov, 1020, 300, "moov");
    EXPECT_EQ(Measure(RepairKind::Mov, mov), 1024u + 300u);

    // moov then mdat, with a few bytes between them: the whole mdat is kept.
    std::vector<uint8_t> gap(4000, 0);
    Atom(gap, 0, 20, "ftyp");
    Atom(gap, 20, 100, "moov");
    Atom(gap, 130, 500, "mdat");
    EXPECT_EQ(Measure(RepairKind::Mov, gap), 134u + 500u);

    // A moov whose size runs past the file: the whole file.
    std::vector<uint8_t> big(4000, 0);
    Atom(big, 20, 0xFFFFFFF0u, "moov");
    EXPECT_EQ(Measure(RepairKind::Mov, big), 4000u);
    // An mdat whose size runs past the file: no size.
    std::vector<uint8_t> lost(4000, 0);
    Atom(lost, 20, 10000, "mdat");
    EXPECT_EQ(Measure(RepairKind::Mov, lost), 0u);
    EXPECT_EQ(Measure(RepairKind::Mov, std::vector<uint8_t>(4000, 0)), 0u);

    // MP4: free atoms between moov and mdat are stepped over; without an mdat
    // after the moov the whole file stays.
    std::vector<uint8_t> mp4(9000, 0);
    Atom(mp4, 0, 24, "ftyp");
    Atom(mp4, 24, 200, "moov");
    Atom(mp4, 224, 16, "free");
    Atom(mp4, 240, 0, "free");  // a zero size must not stall the search
    Atom(mp4, 6000, 1000, "mdat");
    EXPECT_EQ(Measure(RepairKind::Mp4, mp4), 6004u + 1000u);
    std::vector<uint8_t> noMdat(9000, 0);
    Atom(noMdat, 24, 200, "moov");
    EXPECT_EQ(Measure(RepairKind::Mp4, noMdat), 9000u);
    // MOV looks for the mdat only within 5,000 bytes of the moov's end.
    EXPECT_EQ(Measure(RepairKind::Mov, mp4), 0u);
}

// Damaged inputs: every truncation and random corruption of valid files
// must give a size within the file (and, under the sanitizers, read nothing
// outside it).
TEST(RepairDamaged, TruncatedAndCorruptedInputsStayInBounds) {
    std::vector<std::pair<RepairKind, std::vector<uint8_t>>> inputs;
    Tiff tif(3000, false, 2000);
    tif.Ifd(2000, {{259, kShort, 1, 5}, {273, kLong, 4, 2200}, {279, kLong, 4, 2216}});
    tif.Array(2200, {8, 400, 800, 1200});
    tif.Array(2216, {300, 300, 300, 300});
    Tiff chain(3000, true, 8);
    chain.Ifd(8, {{330, kLong, 2, 100}, {34665, kLong, 1, 400}, {273, kLong, 1, 900}}, 200);
    chain.Array(100, {200, 300});
    chain.Ifd(200, {{273, kLong, 2, 2900}, {279, kLong, 2, 2990}}, 300);
    chain.Ifd(300, {{273, kLong, 1, 1000}, {279, kLong, 1, 1500}}, 0);
    chain.Ifd(400, {{37500, kUndefined, 40, 2950}});
    for (RepairKind k :
         {RepairKind::Tif, RepairKind::Orf, RepairKind::Cr2, RepairKind::NefSr2, RepairKind::Srf}) {
        inputs.emplace_back(k, tif.d);
        inputs.emplace_back(k, chain.d);
    }
    std::vector<uint8_t> mov(3000, 0);
    Atom(mov, 20, 1000, "mdat");
    Atom(mov, 1020, 300, "moov");
    inputs.emplace_back(RepairKind::Mov, mov);
    inputs.emplace_back(RepairKind::Mp4, mov);

    std::mt19937 rng(1234);
    for (const auto& [kind, data] : inputs) {
        for (size_t len = 0; len <= data.size(); len += 7) {
            const std::vector<uint8_t> cut(data.begin(), data.begin() + static_cast<long>(len));
            EXPECT_LE(Measure(kind, cut), len);
        }
        for (int round = 0; round < 300; ++round) {
            std::vector<uint8_t> bad = data;
            for (int i = 0; i < 8; ++i) bad[rng() % bad.size()] = static_cast<uint8_t>(rng());
            EXPECT_LE(Measure(kind, bad), bad.size());
        }
    }
}

TEST(RepairFile, ReplacesByRenameOrLeavesTheFileAlone) {
    TempDir dir;
    const std::string path = dir / "file# 1.TIF";
    Tiff one(5000, false, 8);
    one.Ifd(8, {{259, kShort, 1, 1}, {273, kLong, 1, 200}, {279, kLong, 1, 1000}});
    test::WriteFile(path, one.d);
    ASSERT_EQ(::chmod(path.c_str(), 0640), 0);

    RecordingReporter r;
    EXPECT_EQ(RepairFile(RepairKind::Tif, path, r), RepairOutcome::Repaired);
    const std::vector<uint8_t> got = test::ReadFile(path);
    EXPECT_EQ(got, std::vector<uint8_t>(one.d.begin(), one.d.begin() + 1200));
    EXPECT_EQ(r.console,
              "\t i am in clean file\n\tgot intel header\n"
              "\tgot actual file size no of component = 1\n"
              "\tcreating new file of actual size\n\twriting new file\n\tremoving tmp file\n" +
                  path + "\trepaired\n");
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()),
                            std::filesystem::directory_iterator{}),
              1);

    // No size: unchanged, never emptied.
    const std::vector<uint8_t> junk(3000, 'Q');
    test::WriteFile(path, junk);
    r.console.clear();
    EXPECT_EQ(RepairFile(RepairKind::Tif, path, r), RepairOutcome::NoSize);
    EXPECT_EQ(test::ReadFile(path), junk);
    EXPECT_NE(r.console.find(path + "\tcan't be repaired!!\n"), std::string::npos);

    // CRW writes only its final line.
    test::WriteFile(path, std::vector<uint8_t>(600'000, 'I'));
    r.console.clear();
    EXPECT_EQ(RepairFile(RepairKind::Crw, path, r), RepairOutcome::NoSize);
    EXPECT_EQ(r.console, path + " \tcan't be repaired!!\n");
    EXPECT_EQ(test::ReadFile(path).size(), 600'000u);

    r.console.clear();
    EXPECT_EQ(RepairFile(RepairKind::Mov, dir / "missing.MOV", r), RepairOutcome::OpenFailed);
    EXPECT_EQ(r.console, " Failed to open file\n");
}

}  // namespace
}  // namespace tvn
