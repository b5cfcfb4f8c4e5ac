// The parts of a save by original name: safe names for the destination,
// clash names, the date a photo or film was taken, and duplicates.
#include "output/save_names.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "names/attach.h"
#include "tests/support/test_support.h"

namespace tvn {
namespace {

using Bytes = std::vector<uint8_t>;

TEST(SaveNames, NamesSafeForTheDestination) {
    EXPECT_EQ(SafeNamePart("IMG_0042.JPG", true), "IMG_0042.JPG");
    EXPECT_EQ(SafeNamePart("a:b*c?d\"e<f>g|h\\i.jpg", true), "a_b_c_d_e_f_g_h_i.jpg");
    EXPECT_EQ(SafeNamePart("a:b.jpg", false), "a:b.jpg");  // ext4 and friends allow it
    EXPECT_EQ(SafeNamePart(std::string("tab\there.jpg"), true), "tab_here.jpg");
    EXPECT_EQ(SafeNamePart("trailing. ", true), "trailing");
    EXPECT_EQ(SafeNamePart("..", false), "_");
    EXPECT_EQ(SafeNamePart("", false), "_");
    EXPECT_EQ(SafeNamePart("a/b", false), "a_b");
    const std::string longName = std::string(254, 'x') + "\xC3\xA9" + "tail";
    const std::string cut = SafeNamePart(longName, false);
    EXPECT_LE(cut.size(), 255u);
    EXPECT_EQ(cut, std::string(254, 'x'));  // never half a character
    EXPECT_EQ(SafeFolderOf("DCIM/100CANON/IMG_0001.JPG", true), "DCIM/100CANON");
    EXPECT_EQ(SafeFolderOf("IMG_0001.JPG", true), "");
    EXPECT_EQ(SafeFolderOf("../..//x:y/IMG.JPG", true), "_/_/x_y");
    EXPECT_EQ(ClashName("IMG_0001.JPG", 2), "IMG_0001 (2).JPG");
    EXPECT_EQ(ClashName("README", 3), "README (3)");
    EXPECT_EQ(ClashName(".hidden", 2), ".hidden (2)");
}

TEST(SaveNames, TypeAgreesWithTheEntrysExtension) {
    EXPECT_TRUE(TypeAgreesWithName("JPG", "IMG_0001.JPG"));
    EXPECT_TRUE(TypeAgreesWithName("JPG", "photo.jpeg"));
    EXPECT_TRUE(TypeAgreesWithName("JPG", "IMG_0001.THM"));  // no type of its own
    EXPECT_TRUE(TypeAgreesWithName("TIF", "IMG_0001.DNG"));
    EXPECT_TRUE(TypeAgreesWithName("MP4", "MVI_0001.MOV"));
    EXPECT_FALSE(TypeAgreesWithName("JPG", "MVI_0001.MOV"));
    EXPECT_FALSE(TypeAgreesWithName("MP3", "IMG_0001.JPG"));
}

// A JPEG with an APP1 Exif segment: IFD0 with DateTime and an Exif IFD with
// DateTimeOriginal, little- or big-endian.
Bytes ExifJpeg(bool little, const char* original, const char* modified) {
    Bytes tiff;
    const auto u16 = [&](uint32_t v) {
        if (little) { tiff.push_back(static_cast<uint8_t>(v)); tiff.push_back(static_cast<uint8_t>(v >> 8)); }
        else { tiff.push_back(static_cast<uint8_t>(v >> 8)); tiff.push_back(static_cast<uint8_t>(v)); }
    };
    const auto u32 = [&](uint32_t v) {
        if (little) { u16(v & 0xFFFF); u16(v >> 16); } else { u16(v >> 16); u16(v & 0xFFFF); }
    };
    tiff.push_back(little ? 'I' : 'M');
    tiff.push_back(little ? 'I' : 'M');
    u16(42);
    u32(8);
    // IFD0 at 8: two entries, then the next-IFD offset.
    u16(2);
    u16(0x0132); u16(2); u32(20); u32(8 + 2 + 24 + 4);        // DateTime text at 38
    u16(0x8769); u16(4); u32(1); u32(8 + 2 + 24 + 4 + 20);    // Exif IFD at 58
    u32(0);
    tiff.insert(tiff.end(), modified, modified + 20);
    // Exif IFD at 58: one entry.
    u16(1);
    u16(0x9003); u16(2); u32(20); u32(58 + 2 + 12 + 4);       // at 76
    u32(0);
    tiff.insert(tiff.end(), original, original + 20);
    // Byte by byte: GCC 12 at -O3 takes inserts after a short initializer
    // list for an overrun.
    Bytes jpeg;
    const auto add = [&jpeg](std::initializer_list<uint8_t> bytes) {
        for (const uint8_t b : bytes) jpeg.push_back(b);
    };
    add({0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x04, 0x00, 0x00});  // a small APP0 first
    const size_t length = 2 + 6 + tiff.size();
    add({0xFF, 0xE1, static_cast<uint8_t>(length >> 8), static_cast<uint8_t>(length)});
    add({'E', 'x', 'i', 'f', 0, 0});
    for (const uint8_t b : tiff) jpeg.push_back(b);
    add({0xFF, 0xDA, 0x00, 0x02, 0xFF, 0xD9});
    return jpeg;
}

TEST(SaveNames, DateTakenFromExifAndMovieHeaders) {
    for (const bool little : {true, false}) {
        const auto d = DateTakenFromBytes(ExifJpeg(little, "2021:07:04 10:11:12", "2022:01:02 03:04:05"));
        ASSERT_TRUE(d) << little;
        EXPECT_EQ(d->Folder(), "2021/2021-07-04");
    }
    // No DateTimeOriginal that reads as a date: DateTime.
    auto d = DateTakenFromBytes(ExifJpeg(true, "    :  :     :  :  ", "2022:01:02 03:04:05"));
    ASSERT_TRUE(d);
    EXPECT_EQ(d->Folder(), "2022/2022-01-02");
    // Cut anywhere: no date, no read past the bytes.
    const Bytes whole = ExifJpeg(true, "2021:07:04 10:11:12", "2022:01:02 03:04:05");
    for (size_t n = 0; n < whole.size(); ++n) {
        (void)DateTakenFromBytes(std::span<const uint8_t>(whole.data(), n));
    }

    // ftyp, then moov with mvhd (version 0): 2023-11-14 22:13:20 UTC.
    Bytes mp4 = {0, 0, 0, 16, 'f', 't', 'y', 'p', 'i', 's', 'o', 'm', 0, 0, 0, 0};
    const uint32_t created = 1700000000u + 2082844800u;
    Bytes mvhd = {0, 0, 0, 20, 'm', 'v', 'h', 'd', 0, 0, 0, 0,
                  static_cast<uint8_t>(created >> 24), static_cast<uint8_t>(created >> 16),
                  static_cast<uint8_t>(created >> 8), static_cast<uint8_t>(created), 0, 0, 0, 0};
    mp4.insert(mp4.end(), {0, 0, 0, 28, 'm', 'o', 'o', 'v'});
    mp4.insert(mp4.end(), mvhd.begin(), mvhd.end());
    d = DateTakenFromBytes(mp4);
    ASSERT_TRUE(d);
    const std::time_t t = 1700000000;
    std::tm local{};
    ::localtime_r(&t, &local);
    EXPECT_EQ(d->year, local.tm_year + 1900);
    EXPECT_EQ(d->day, local.tm_mday);
    EXPECT_FALSE(DateTakenFromBytes(Bytes(64, 0)));
}

TEST(SaveNames, DuplicatesBySizeHashAndBytes) {
    test::TempDir dir;
    test::WriteFile(dir / "a", Bytes(5000, 1));
    test::WriteFile(dir / "b", Bytes(5000, 1));
    Bytes c(5000, 1);
    c[4999] = 2;  // same size, other content
    test::WriteFile(dir / "c", c);
    test::WriteFile(dir / "d", Bytes(10, 1));
    CDuplicateIndex index;
    EXPECT_FALSE(index.SeenBefore(dir / "a"));
    EXPECT_TRUE(index.SeenBefore(dir / "b"));
    EXPECT_FALSE(index.SeenBefore(dir / "c"));
    EXPECT_FALSE(index.SeenBefore(dir / "d"));
    // The remembered file moved: compared where it is now.
    ASSERT_EQ(::rename((dir / "d").c_str(), (dir / "e").c_str()), 0);
    index.Moved(dir / "e");
    test::WriteFile(dir / "f", Bytes(10, 1));
    EXPECT_TRUE(index.SeenBefore(dir / "f"));
}

TEST(SaveNames, DuplicatesOfFilesThatLeftForAnArchive) {
    test::TempDir dir;
    // A plain save reads a file back only when one of its size came before;
    // an earlier file that is gone unread cannot be judged, so the later one
    // is kept (a second copy is better than a lost one).
    CDuplicateIndex plain;
    test::WriteFile(dir / "a", Bytes(3000, 7));
    EXPECT_FALSE(plain.SeenBefore(dir / "a"));
    ASSERT_EQ(::unlink((dir / "a").c_str()), 0);
    test::WriteFile(dir / "b", Bytes(3000, 7));
    EXPECT_FALSE(plain.SeenBefore(dir / "b"));
    test::WriteFile(dir / "c", Bytes(3000, 7));
    EXPECT_TRUE(plain.SeenBefore(dir / "c"));

    // An archive save hashes each file while it is staged, so a file staged
    // after the earlier one went into its archive is still found the same.
    CDuplicateIndex archive;
    archive.HashEveryFile();
    test::WriteFile(dir / "d", Bytes(3000, 9));
    EXPECT_FALSE(archive.SeenBefore(dir / "d"));
    ASSERT_EQ(::unlink((dir / "d").c_str()), 0);
    test::WriteFile(dir / "e", Bytes(3000, 9));
    EXPECT_TRUE(archive.SeenBefore(dir / "e"));
    Bytes other(3000, 9);
    other[0] = 1;
    test::WriteFile(dir / "f", other);
    EXPECT_FALSE(archive.SeenBefore(dir / "f"));
}

}  // namespace
}  // namespace tvn
