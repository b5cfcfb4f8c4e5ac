// FAT directories read from their bytes: short and long names, deleted
// entries, and the first letter of a deleted short name found again.
#include "names/fat_directory.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace tvn {
namespace {

using Bytes = std::vector<uint8_t>;

// A short entry; deleted ones get 0xE5 over their first letter, as FAT does.
void Short(Bytes& dir, const char* name11, uint32_t cluster, uint32_t size, bool deleted = false,
           uint8_t attributes = 0x20) {
    uint8_t e[32] = {};
    std::memcpy(e, name11, 11);
    if (deleted) e[0] = 0xE5;
    e[11] = attributes;
    e[20] = static_cast<uint8_t>(cluster >> 16);
    e[21] = static_cast<uint8_t>(cluster >> 24);
    e[26] = static_cast<uint8_t>(cluster);
    e[27] = static_cast<uint8_t>(cluster >> 8);
    for (int i = 0; i < 4; ++i) e[28 + i] = static_cast<uint8_t>(size >> (8 * i));
    // 2023-11-14 22:13:20: date (43 << 9 | 11 << 5 | 14), time (22 << 11 | 13 << 5 | 10)
    const uint16_t date = 43 << 9 | 11 << 5 | 14, time = 22 << 11 | 13 << 5 | 10;
    e[22] = static_cast<uint8_t>(time);
    e[23] = static_cast<uint8_t>(time >> 8);
    e[24] = static_cast<uint8_t>(date);
    e[25] = static_cast<uint8_t>(date >> 8);
    dir.insert(dir.end(), e, e + 32);
}

// The long-name entries of an ASCII name for the short name name11, last part
// first, as they stand before their short entry.
void Long(Bytes& dir, const std::string& name, const char* name11, bool deleted = false) {
    uint8_t shortName[11];
    std::memcpy(shortName, name11, 11);
    const uint8_t sum = FatShortNameChecksum(shortName);
    std::vector<uint16_t> units(name.begin(), name.end());
    units.push_back(0);
    while (units.size() % 13 != 0) units.push_back(0xFFFF);
    const size_t parts = units.size() / 13;
    static constexpr size_t kOffsets[13] = {1, 3, 5, 7, 9, 14, 16, 18, 20, 22, 24, 28, 30};
    for (size_t p = parts; p-- > 0;) {
        uint8_t e[32] = {};
        e[0] = static_cast<uint8_t>((p + 1) | (p + 1 == parts ? 0x40 : 0));
        if (deleted) e[0] = 0xE5;
        e[11] = 0x0F;
        e[13] = sum;
        for (size_t i = 0; i < 13; ++i) {
            e[kOffsets[i]] = static_cast<uint8_t>(units[p * 13 + i]);
            e[kOffsets[i] + 1] = static_cast<uint8_t>(units[p * 13 + i] >> 8);
        }
        dir.insert(dir.end(), e, e + 32);
    }
}

TEST(FatDirectory, ShortAndLongNamesOfAllocatedEntries) {
    Bytes dir;
    Short(dir, "NO NAME    ", 0, 0, false, 0x08);  // volume label: left out
    Short(dir, ".          ", 5, 0, false, 0x10);
    Short(dir, "..         ", 0, 0, false, 0x10);
    Short(dir, "DSC_0001JPG", 10, 1000);
    Long(dir, "Holiday at the sea.jpg", "HOLIDA~1JPG");
    Short(dir, "HOLIDA~1JPG", 20, 2000);
    // Long-name entries of another short name do not name this one.
    Long(dir, "Stranger.jpg", "STRANGERJPG");
    Short(dir, "IMG_0003JPG", 30, 3000);
    Short(dir, "100CANON   ", 40, 0, false, 0x10);
    dir.resize(dir.size() + 64, 0);  // end mark
    Short(dir, "AFTERENDJPG", 50, 10);

    const auto entries = ParseFatDirectory(dir);
    ASSERT_EQ(entries.size(), 4u);
    EXPECT_EQ(entries[0].Name(), "DSC_0001.JPG");
    EXPECT_EQ(entries[0].firstCluster, 10u);
    EXPECT_EQ(entries[0].size, 1000u);
    EXPECT_EQ(entries[1].Name(), "Holiday at the sea.jpg");
    EXPECT_EQ(entries[1].ShortName(), "HOLIDA~1.JPG");
    EXPECT_EQ(entries[2].Name(), "IMG_0003.JPG");
    EXPECT_TRUE(entries[3].IsDirectory());
    EXPECT_EQ(entries[3].Name(), "100CANON");
    for (const auto& e : entries) EXPECT_EQ(e.restore, NameRestore::None);
}

TEST(FatDirectory, DeletedFirstLetterFromTheLongNameChecksum) {
    Bytes dir;
    Long(dir, "IMG_0042.JPG", "IMG_0042JPG", true);  // a name cameras give in small letters too
    Short(dir, "IMG_0042JPG", 7, 700, true);
    Long(dir, "kids party.jpg", "KIDSPA~1JPG", true);
    Short(dir, "KIDSPA~1JPG", 8, 800, true);
    // Long-name entries whose checksum belongs to another short name.
    Long(dir, "Other.jpg", "OTHER   JPG", true);
    Short(dir, "ZZZ_0001JPG", 9, 900, true);
    const auto entries = ParseFatDirectory(dir);
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_TRUE(entries[0].deleted);
    EXPECT_EQ(entries[0].restore, NameRestore::LongName);
    EXPECT_EQ(entries[0].ShortName(), "IMG_0042.JPG");
    EXPECT_EQ(entries[1].restore, NameRestore::LongName);
    EXPECT_EQ(entries[1].Name(), "kids party.jpg");
    EXPECT_EQ(entries[1].ShortName(), "KIDSPA~1.JPG");
    EXPECT_EQ(entries[2].restore, NameRestore::Unknown);
    EXPECT_EQ(entries[2].Name(), "_ZZ_0001.JPG");
}

TEST(FatDirectory, DeletedFirstLetterFromTheSiblingsPattern) {
    Bytes dir;
    Short(dir, "DSC_0011JPG", 11, 10);
    Short(dir, "DSC_0012JPG", 12, 10, true);  // shares "SC_" and ".JPG" with both
    Short(dir, "DSC_0013JPG", 13, 10);
    Short(dir, "DSC_0014NEF", 14, 10, true);  // no sibling with that extension
    Short(dir, "IMG_0001JPG", 15, 10, true);  // two letters would fit: M? no, only one sibling
    Short(dir, "AMG_0002JPG", 16, 10);
    Short(dir, "BMG_0003JPG", 17, 10);
    Short(dir, "README  TXT", 18, 10, true);  // no digit: no pattern
    const auto entries = ParseFatDirectory(dir);
    ASSERT_EQ(entries.size(), 8u);
    EXPECT_EQ(entries[1].restore, NameRestore::Siblings);
    EXPECT_EQ(entries[1].Name(), "DSC_0012.JPG");
    EXPECT_EQ(entries[3].restore, NameRestore::Unknown);
    EXPECT_EQ(entries[3].Name(), "_SC_0014.NEF");
    // Siblings that disagree on the letter (A, B) leave it unknown.
    EXPECT_EQ(entries[4].restore, NameRestore::Unknown);
    EXPECT_EQ(entries[4].Name(), "_MG_0001.JPG");
    EXPECT_EQ(entries[7].Name(), "_EADME.TXT");
}

TEST(FatDirectory, DamagedBytesNeverReadPastTheBuffer) {
    Bytes dir;
    Long(dir, "A very long name that takes several entries of its own.jpeg", "AVERYL~1JPE");
    Short(dir, "AVERYL~1JPE", 3, 30);
    dir.resize(dir.size() - 7);  // cut inside the short entry
    EXPECT_TRUE(ParseFatDirectory(dir).empty());
    Bytes many;
    for (int i = 0; i < 100; ++i) Short(many, "FILE0000BIN", static_cast<uint32_t>(i), 1);
    EXPECT_EQ(ParseFatDirectory(many, 10).size(), 10u);
    // Long-name entries with control characters or a broken surrogate give no name.
    Bytes bad;
    Long(bad, std::string("a\x01.jpg"), "A_      JPG");
    Short(bad, "A_      JPG", 3, 30);
    const auto entries = ParseFatDirectory(bad);
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].Name(), "A_.JPG");
}

TEST(FatDirectory, TimesInTheSystemZone) {
    int64_t t = 0;
    // 2023-11-14 22:13:20 local; the result depends on the zone, but must be
    // what mktime says for it.
    ASSERT_TRUE(FatTimeToUnix(43 << 9 | 11 << 5 | 14, 22 << 11 | 13 << 5 | 10, t));
    std::tm tm{};
    tm.tm_year = 123;
    tm.tm_mon = 10;
    tm.tm_mday = 14;
    tm.tm_hour = 22;
    tm.tm_min = 13;
    tm.tm_sec = 20;
    tm.tm_isdst = -1;
    EXPECT_EQ(t, static_cast<int64_t>(std::mktime(&tm)));
    EXPECT_FALSE(FatTimeToUnix(0, 0, t));                 // day 0
    EXPECT_FALSE(FatTimeToUnix(43 << 9 | 13 << 5 | 1, 0, t));  // month 13
}

}  // namespace
}  // namespace tvn

#include "names/exfat_directory.h"

namespace tvn {
namespace {

// One exFAT file: primary entry, stream extension, one name entry.
void ExfatFile(std::vector<uint8_t>& dir, bool deleted, uint32_t cluster, uint64_t size,
               uint32_t stamp, uint8_t offset) {
    uint8_t e[96] = {};
    e[0] = deleted ? 0x05 : 0x85;
    e[1] = 2;
    e[4] = 0x20;
    for (int i = 0; i < 4; ++i) e[12 + i] = static_cast<uint8_t>(stamp >> (8 * i));
    e[23] = offset;
    e[32] = deleted ? 0x40 : 0xC0;
    for (int i = 0; i < 4; ++i) e[32 + 20 + i] = static_cast<uint8_t>(cluster >> (8 * i));
    for (int i = 0; i < 8; ++i) e[32 + 24 + i] = static_cast<uint8_t>(size >> (8 * i));
    e[64] = deleted ? 0x41 : 0xC1;
    dir.insert(dir.end(), e, e + 96);
}

TEST(ExfatDirectory, TimesWithTheirOffsetFromUtc) {
    // 2023-03-26 01:30:00 written at UTC+01:00 (4 quarters, valid bit).
    const uint32_t stamp = (43u << 25) | (3u << 21) | (26u << 16) | (1u << 11) | (30u << 5);
    std::vector<uint8_t> dir;
    ExfatFile(dir, false, 5, 1234, stamp, 0x80 | 4);
    ExfatFile(dir, true, 9, 99, stamp, 0x80 | 0x7C);  // -1 hour
    ExfatFile(dir, false, 11, 1, stamp, 0x00);         // no offset recorded
    dir.resize(dir.size() + 32, 0);
    ExfatFile(dir, false, 13, 1, stamp, 0x80);  // after the end mark
    const auto entries = ParseExfatDirectory(dir);
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0].firstCluster, 5u);
    EXPECT_EQ(entries[0].size, 1234u);
    EXPECT_FALSE(entries[0].deleted);
    EXPECT_EQ(entries[0].modified.seconds, 1679790600);  // 00:30 UTC
    EXPECT_EQ(entries[0].modified.offsetMinutes, 60);
    EXPECT_TRUE(entries[1].deleted);
    EXPECT_EQ(entries[1].modified.seconds, 1679790600 + 2 * 3600);
    EXPECT_FALSE(entries[2].modified.known);
    // A set cut short is not read past the bytes.
    dir.resize(32 * 2 + 5);
    EXPECT_LE(ParseExfatDirectory(dir).size(), 1u);
}

}  // namespace
}  // namespace tvn
