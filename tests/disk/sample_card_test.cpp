// The sample camera card: its manifest must tell exactly where every file's
// bytes lie in the image, deleted and quick-formatted files included.
#include "tools/media/sample_card.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <fstream>
#include <nlohmann/json.hpp>

#include "disk/disk_source.h"
#include "tests/support/test_support.h"
#include "tools/media/fat_card.h"
#include "tools/media/samples.h"

namespace tvn {
namespace {

using media::Bytes;
using test::ReadFile;
using test::TempDir;

bool HaveFatTools(std::string& why) {
    for (const char* tool : {"mkfs.vfat", "mmd", "mcopy", "mdel"}) {
        if (media::CFatTools::FindTool(tool).empty()) {
            why = std::string(tool) + " is not installed (dosfstools, mtools)";
            return false;
        }
    }
    return true;
}

uint32_t Crc(const Bytes& b) {
    return static_cast<uint32_t>(::crc32(0L, b.data(), static_cast<uInt>(b.size())));
}

// Checks every file of the manifest against the image on its own terms and
// returns the bytes of each file as the manifest locates them.
std::vector<Bytes> CheckManifest(const std::string& image, nlohmann::json& manifest) {
    std::ifstream in(image + ".json");
    manifest = nlohmann::json::parse(in);
    const Bytes card = ReadFile(image);
    EXPECT_EQ(manifest["image_bytes"].get<uint64_t>(), card.size());
    EXPECT_EQ(manifest["sector_size"].get<int>(), 512);

    // The MBR's one partition and the FAT boot sector where it points.
    const uint32_t start = manifest["partition"]["start_sector"];
    EXPECT_EQ(card[510], 0x55);
    EXPECT_EQ(card[511], 0xAA);
    EXPECT_EQ(card[446 + 8] | card[446 + 9] << 8 | card[446 + 10] << 16, static_cast<int>(start));
    const uint8_t* boot = &card[uint64_t{start} * 512];
    EXPECT_EQ(boot[510], 0x55);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(boot + 54), 5), "FAT16");

    std::vector<Bytes> files;
    for (const auto& f : manifest["files"]) {
        const std::string path = f["path"];
        const uint64_t offset = f["offset"], length = f["length"];
        EXPECT_EQ(f["sector"].get<uint64_t>(), offset / 512) << path;
        EXPECT_EQ(path.substr(path.rfind('/') + 1), f["name"].get<std::string>());
        EXPECT_GE(offset, uint64_t{start} * 512) << path;
        Bytes data;
        for (const auto& e : f["extents"]) {
            const uint64_t at = e["offset"], n = e["length"];
            if (at + n > card.size()) {
                ADD_FAILURE() << path << ": extent past the end of the image";
                break;
            }
            data.insert(data.end(), card.begin() + static_cast<std::ptrdiff_t>(at),
                        card.begin() + static_cast<std::ptrdiff_t>(at + n));
        }
        EXPECT_FALSE(f["extents"].empty()) << path;
        if (!f["extents"].empty()) {
            EXPECT_EQ(f["extents"][0]["offset"].get<uint64_t>(), offset) << path;
        }
        EXPECT_EQ(f["contiguous"].get<bool>(), f["extents"].size() == 1) << path;
        EXPECT_EQ(data.size(), length) << path;
        EXPECT_EQ(Crc(data), f["crc32"].get<uint32_t>()) << path;
        files.push_back(std::move(data));
    }
    return files;
}

TEST(SampleCard, ManifestLocatesEveryBuiltInSample) {
    std::string why;
    if (!HaveFatTools(why)) GTEST_SKIP() << why;
    TempDir dir;
    const std::string image = dir / "card.img";
    // The built-in samples, made once here (the builder would make the same).
    std::vector<media::SampleFile> samples;
    media::AppendPhotoSamples(samples);
    media::AppendAvSamples(samples);
    media::SampleCardOptions options;
    options.files = &samples;
    const media::SampleCard card = media::BuildSampleCard(image, options);
    nlohmann::json manifest;
    const auto found = CheckManifest(image, manifest);
    ASSERT_EQ(found.size(), card.files.size());

    // Every non-empty sample is on the card in one piece, with its own
    // bytes; only the extra copy written last may be fragmented.
    size_t placed = 0;
    for (const media::SampleFile& s : samples) {
        if (s.data.empty()) continue;
        ++placed;
        size_t matches = 0;
        for (size_t i = 0; i < found.size(); ++i) {
            if (manifest["files"][i]["type"] == s.type && found[i] == s.data &&
                manifest["files"][i]["contiguous"].get<bool>())
                ++matches;
        }
        EXPECT_GE(matches, 1u) << s.name;
    }
    size_t typed = 0;
    for (const auto& f : manifest["files"])
        if (!f["type"].get<std::string>().empty()) ++typed;
    EXPECT_EQ(typed, placed + (card.files.back().contiguous ? 0 : 1));
    for (size_t i = 0; i + 1 < card.files.size(); ++i)
        EXPECT_TRUE(card.files[i].contiguous) << card.files[i].path;

    // The card opens as a disk image with all its sectors.
    CDiskSource src(image);
    EXPECT_EQ(src.GetStatus(), CDiskSource::kUsable);
    EXPECT_EQ(src.GetTotalSectors(), card.imageBytes / 512);
}

// Files of made-up content, so that deletion, fragmentation and the quick
// format are exercised whatever the built-in samples are.
std::vector<media::SampleFile> MadeUpFiles() {
    std::vector<media::SampleFile> files;
    const size_t sizes[] = {3000, 10000, 5000, 700, 9000};
    const char* types[] = {"JPG", "NEF", "WAV", "GIF", "MOV"};
    const char* names[] = {"DSC_0001.JPG", "DSC_0002.NEF", "voice memo.wav", "ANIM.GIF",
                           "MVI_0003.MOV"};
    uint32_t x = 12345;
    for (size_t i = 0; i < 5; ++i) {
        Bytes data(sizes[i]);
        for (auto& b : data) {
            x = x * 1103515245u + 12345u;
            b = static_cast<uint8_t>(x >> 16);
        }
        files.push_back({types[i], names[i], std::move(data)});
    }
    return files;
}

TEST(SampleCard, DeletedFragmentedAndQuickFormattedFilesStayWhereTheManifestSays) {
    std::string why;
    if (!HaveFatTools(why)) GTEST_SKIP() << why;
    TempDir dir;
    const auto files = MadeUpFiles();
    media::SampleCardOptions options;
    options.files = &files;
    const media::SampleCard card = media::BuildSampleCard(dir / "card.img", options);
    nlohmann::json manifest;
    const auto found = CheckManifest(dir / "card.img", manifest);

    // The print order, the files in order, and a copy of the first one; their
    // bytes as given.
    ASSERT_EQ(card.files.size(), 7u);
    EXPECT_EQ(card.files[0].path, "/MISC/AUTPRINT.MRK");
    EXPECT_EQ(card.files[3].path, "/MUSIC/voice memo.wav");
    EXPECT_EQ(card.files[6].path, "/DCIM/100TVNCM/DSC_0001_2.JPG");
    for (size_t i = 0; i < files.size(); ++i) EXPECT_EQ(found[i + 1], files[i].data) << i;
    EXPECT_EQ(found[6], files[0].data);
    // Every third file from the second on is deleted; the copy was written
    // into the hole of a deleted scratch file and runs on elsewhere.
    std::vector<bool> deleted;
    for (const auto& f : manifest["files"]) deleted.push_back(f["deleted"]);
    EXPECT_EQ(deleted, (std::vector<bool>{false, false, true, false, false, true, false}));
    EXPECT_FALSE(card.files[6].contiguous);
    ASSERT_EQ(card.files[6].extents.size(), 2u);
    EXPECT_EQ(card.files[6].extents[0].length, card.clusterBytes);
    EXPECT_EQ(card.files[6].extents[0].offset, card.files[1].offset + 2 * card.clusterBytes);
    for (size_t i = 0; i < 6; ++i) EXPECT_TRUE(card.files[i].contiguous) << i;

    // The file system lists the kept files and no longer the deleted ones.
    {
        const media::CFatReader fat(dir / "card.img", uint64_t{card.partitionStart} * 512);
        std::vector<std::string> listed;
        for (const auto& e : fat.List())
            if (!e.directory) listed.push_back(e.path);
        EXPECT_EQ(listed,
                  (std::vector<std::string>{"/MISC/AUTPRINT.MRK", "/DCIM/100TVNCM/DSC_0001.JPG",
                                            "/DCIM/100TVNCM/DSC_0001_2.JPG",
                                            "/MUSIC/voice memo.wav", "/PICTURES/ANIM.GIF"}));
    }

    // Same bytes on every run.
    media::BuildSampleCard(dir / "again.img", options);
    EXPECT_TRUE(ReadFile(dir / "again.img") == ReadFile(dir / "card.img"));
    nlohmann::json again = nlohmann::json::parse(std::ifstream(dir / "again.img.json"));
    again.erase("image");
    manifest.erase("image");
    EXPECT_EQ(again, manifest);

    // Quick-formatted: nothing listed, every file still at the same place.
    options.quickFormat = true;
    const media::SampleCard formatted = media::BuildSampleCard(dir / "quick.img", options);
    nlohmann::json quickManifest;
    const auto quickFound = CheckManifest(dir / "quick.img", quickManifest);
    EXPECT_TRUE(quickManifest["quick_formatted"].get<bool>());
    EXPECT_EQ(quickFound, found);
    ASSERT_EQ(formatted.files.size(), card.files.size());
    for (size_t i = 0; i < card.files.size(); ++i)
        EXPECT_EQ(formatted.files[i].extents, card.files[i].extents) << i;
    const media::CFatReader fat(dir / "quick.img", uint64_t{card.partitionStart} * 512);
    EXPECT_TRUE(fat.List().empty());
}

TEST(FatReader, RefusesWhatIsNoFatFileSystem) {
    TempDir dir;
    {
        media::ImageFile img(dir / "blank.img", 1 << 20);
        // A boot sector whose figures exceed the volume.
        media::ImageFile bad(dir / "bad.img", 1 << 20);
        bad.Write(0, media::MakeFat16BootSector(4, 40000, 2048));
    }
    EXPECT_THROW(media::CFatReader(dir / "blank.img", 0), std::runtime_error);
    EXPECT_THROW(media::CFatReader(dir / "bad.img", 0), std::runtime_error);
    EXPECT_THROW(media::CFatReader(dir / "missing.img", 0), std::runtime_error);
}

}  // namespace
}  // namespace tvn
