// tarvolin-cli save as a user runs it: where the files go, the table, errors.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

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

// The one entry of a directory whose name begins with prefix.
std::string Only(const std::string& dir, const std::string& prefix) {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir)) {
        const std::string name = e.path().filename();
        if (name.rfind(prefix, 0) == 0) names.push_back(name);
    }
    return names.size() == 1 ? names[0] : "";
}

TEST(CliSave, PlainAndCompressedSaves) {
    test::TempDir dir;
    const std::string img = MakeCard(dir);
    const std::string out = dir / "out";
    fs::create_directory(out);

    std::string text;
    ASSERT_EQ(
        test::RunCommand(Cli("-q save '" + img + "' --types jpg --to '" + out + "' 2>&1"), &text),
        0)
        << text;
    const std::string job = Only(out, "Tarvolin ");
    ASSERT_EQ(job.size(), 17u) << text;
    EXPECT_NE(text.find("Saved to " + out + "/" + job + "/"), std::string::npos) << text;
    EXPECT_NE(text.find("JPG           2        2"), std::string::npos) << text;
    EXPECT_NE(text.find("Saving operation completed successfully"), std::string::npos);
    const std::vector<uint8_t> first = test::ReadFile(out + "/" + job + "/JPG/file# 1.JPG");
    ASSERT_GE(first.size(), 7u);
    const std::vector<uint8_t> card = test::ReadFile(img);
    EXPECT_TRUE(std::equal(first.begin(), first.end(), card.begin() + 512 * 8));

    // Only the second file, packed.
    const std::string zipped = dir / "zipped";
    fs::create_directory(zipped);
    text.clear();
    ASSERT_EQ(test::RunCommand(
                  Cli("-q save '" + img + "' --types jpg --zip --select 'file# 2.JPG' --to '" +
                      zipped + "' 2>&1"),
                  &text),
              0)
        << text;
    const std::string zip = Only(zipped, "Tarvolin ");
    ASSERT_EQ(zip.size(), 21u) << text;  // "Tarvolin hh.mm.ss.zip", no staging folder
    EXPECT_NE(text.find("JPG           2        1"), std::string::npos) << text;
    std::string list;
    EXPECT_EQ(test::RunCommand("unzip -Z1 '" + zipped + "/" + zip + "'", &list), 0);
    EXPECT_EQ(list, zip.substr(0, 17) + "/JPG/\n" + zip.substr(0, 17) + "/JPG/file# 2.JPG\n");
    EXPECT_EQ(test::RunCommand("unzip -tq '" + zipped + "/" + zip + "' >/dev/null"), 0);
}

TEST(CliSave, ErrorsAndExitStatuses) {
    test::TempDir dir;
    const std::string img = MakeCard(dir);
    std::string err;
    // A destination that is not there, no catalogue source, an unknown item.
    EXPECT_EQ(test::RunCommand(
                  Cli("save '" + img + "' --types jpg --to '" + (dir / "none") + "' 2>&1"), &err),
              2);
    EXPECT_EQ(test::RunCommand(Cli("save '" + img + "' --to '" + dir.Path() + "' 2>&1"), &err), 2);
    err.clear();
    EXPECT_EQ(
        test::RunCommand(Cli("-q save '" + img + "' --types jpg --select 'file# 9.JPG' --to '" +
                             dir.Path() + "' 2>&1"),
                         &err),
        2);
    EXPECT_NE(err.find("'file# 9.JPG' is neither a file type nor a found file"), std::string::npos)
        << err;
    // Nothing found: nothing to save.
    { media::ImageFile f(dir / "blank.img", 1 << 20); }
    err.clear();
    EXPECT_EQ(test::RunCommand(Cli("-q save '" + (dir / "blank.img") + "' --types all --to '" +
                                   dir.Path() + "' 2>&1"),
                               &err),
              1);
    EXPECT_NE(err.find("no files were found"), std::string::npos) << err;
    EXPECT_EQ(Only(dir.Path(), "Tarvolin "), "");
}

}  // namespace
}  // namespace tvn
