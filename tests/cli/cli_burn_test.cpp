// tarvolin-cli recorders and burn as a user runs them, on pseudo-drives.
#include <gtest/gtest.h>

#include <filesystem>
#include <nlohmann/json.hpp>

#include "tests/optical/disc_image.h"
#include "tests/support/test_support.h"
#include "tools/media/image.h"

namespace tvn {
namespace {

namespace fs = std::filesystem;

std::string Cli(const std::string& args) {
    return std::string(TVN_CLI) + " " + args;
}

// Two JPEG starts at sectors 8 and 16 of a 2 MiB image.
std::string MakeCard(const test::TempDir& dir) {
    const std::string img = dir / "card.img";
    media::ImageFile f(img, 2 << 20);
    f.Write(512 * 8, media::Bytes{0xFF, 0xD8, 0xFF, 0xE1, 1, 2, 3});
    f.Write(512 * 16, media::Bytes{0xFF, 0xD8, 0xFF, 0xE0, 4, 5, 6});
    return img;
}

TEST(CliBurn, BurnsToAnImageFileAndSaysSo) {
    test::TempDir dir;
    const std::string img = MakeCard(dir);
    const std::string cache = dir / "cache";
    fs::create_directory(cache);
    const std::string disc = dir / "disc.iso";

    std::string text;
    ASSERT_EQ(test::RunCommand(Cli("-q burn '" + img + "' --types jpg --recorder 'stdio:" + disc +
                                   "' --cache '" + cache + "' 2>&1"),
                               &text),
              0)
        << text;
    EXPECT_NE(text.find("Burnt 2 file(s) to stdio:" + disc), std::string::npos) << text;
    EXPECT_NE(text.find("CD/DVD burning operation completed successfully"), std::string::npos);
    EXPECT_EQ(test::IsoTree(disc),
              (std::vector<std::string>{"/JPG", "/JPG/file# 1.JPG", "/JPG/file# 2.JPG"}));
    EXPECT_TRUE(fs::is_empty(cache));

    // The image now holds a session with room for more.
    std::string json;
    ASSERT_EQ(test::RunCommand(Cli("recorders --json 'stdio:" + disc + "'"), &json), 0) << json;
    const auto rows = nlohmann::json::parse(json);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0]["address"], "stdio:" + disc);
    EXPECT_EQ(rows[0]["media"], "appendable");
    EXPECT_GT(rows[0]["free_bytes"].get<uint64_t>(), 0u);
}

TEST(CliBurn, AFailedBurnExitsNonZeroWithItsMessage) {
    test::TempDir dir;
    const std::string img = MakeCard(dir);
    const std::string cache = dir / "cache";
    fs::create_directory(cache);

    std::string text;
    EXPECT_EQ(test::RunCommand(Cli("-q burn '" + img + "' --types jpg --zip --recorder 'stdio:" +
                                   dir / "gone/disc.iso" + "' --cache '" + cache + "' 2>&1"),
                               &text),
              1)
        << text;
    EXPECT_NE(text.find("Please insert media and try again."), std::string::npos) << text;
    EXPECT_NE(text.find("burning failed"), std::string::npos) << text;
    EXPECT_EQ(text.find("completed successfully"), std::string::npos) << text;
    EXPECT_TRUE(fs::is_empty(cache));

    // Not a recorder at all: a usage error before anything is read.
    std::string usage;
    EXPECT_EQ(test::RunCommand(Cli("-q burn '" + img + "' --types jpg --recorder E: --cache '" +
                                   cache + "' 2>&1"),
                               &usage),
              2)
        << usage;
}

}  // namespace
}  // namespace tvn
