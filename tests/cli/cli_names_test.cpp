// tarvolin-cli with a card whose file system names the files: the names in
// scan and info JSON, and the save layouts the options choose.
#include <gtest/gtest.h>

#include <filesystem>
#include <nlohmann/json.hpp>
#include <map>
#include <set>

#include "tests/support/test_support.h"
#include "tools/media/fat_card.h"
#include "tools/media/names_card.h"

namespace tvn {
namespace {

namespace fs = std::filesystem;

std::string Cli(const std::string& args) {
    // The card's FAT times are local times of Berlin.
    return "TZ=Europe/Berlin " + std::string(TVN_CLI) + " " + args;
}

std::set<std::string> Files(const std::string& dir) {
    std::set<std::string> out;
    for (const auto& e : fs::recursive_directory_iterator(dir)) {
        if (e.is_regular_file()) out.insert(fs::relative(e.path(), dir).string());
    }
    return out;
}

TEST(CliNames, JsonCarriesOriginalPathsTimesAndDeleted) {
    if (media::CFatTools::FindTool("mcopy").empty()) GTEST_SKIP() << "mtools is not installed";
    test::TempDir dir;
    const std::string img = dir / "card.img";
    media::BuildNamesCard(img, false);
    std::string text;
    ASSERT_EQ(test::RunCommand(Cli("-q scan '" + img + "' --types jpg --json --save-scan-info '" +
                                   dir / "card.bin" + "'"),
                               &text),
              0);
    for (const char* command : {"scan", "info"}) {
        if (std::string(command) == "info") {
            text.clear();
            ASSERT_EQ(test::RunCommand(Cli("info --json '" + dir / "card.bin" + "'"), &text), 0);
        }
        const auto json = nlohmann::json::parse(text);
        std::map<std::string, nlohmann::json> byPath;
        for (const auto& folder : json["folders"])
            for (const auto& f : folder["files"])
                if (f.contains("original_path")) byPath[f["original_path"]] = f;
        ASSERT_EQ(byPath.size(), 6u) << command << text;
        const auto& holiday = byPath.at("DCIM/100CANON/Holiday at the sea.jpg");
        EXPECT_TRUE(holiday["deleted"].get<bool>());
        EXPECT_EQ(holiday["first_letter"], "long name");
        EXPECT_EQ(holiday["times"]["modified"].get<int64_t>(), 1679792400);
        EXPECT_EQ(holiday["times"]["zone"], "local");
        EXPECT_FALSE(byPath.at("DCIM/100CANON/IMG_0004.JPG")["deleted"].get<bool>());
    }
}

TEST(CliNames, SaveLayouts) {
    if (media::CFatTools::FindTool("mcopy").empty()) GTEST_SKIP() << "mtools is not installed";
    test::TempDir dir;
    const std::string img = dir / "card.img";
    media::BuildNamesCard(img, false);
    const auto save = [&](const std::string& name, const std::string& options) {
        const std::string out = dir / name;
        fs::create_directory(out);
        std::string text;
        EXPECT_EQ(test::RunCommand(Cli("-q save '" + img + "' --types jpg --to '" + out + "' " +
                                       options + " 2>&1"),
                                   &text),
                  0)
            << text;
        std::set<std::string> files;
        for (const auto& f : Files(out)) files.insert(f.substr(f.find('/') + 1));
        return std::make_pair(files, text);
    };
    // By default: original names and folders, the duplicate once.
    auto [names, text] = save("names", "");
    EXPECT_EQ(names.size(), 5u) << text;
    EXPECT_TRUE(names.count("DCIM/100CANON/Holiday at the sea.jpg")) << text;
    EXPECT_TRUE(names.count("DCIM/100CANON/IMG_0005.JPG")) << text;
    EXPECT_NE(text.find("Duplicates skipped: 1"), std::string::npos) << text;
    // The numbered layout with every copy.
    auto [numbered, text2] = save("numbered", "--names numbered --keep-duplicates");
    EXPECT_EQ(numbered.size(), 6u) << text2;
    EXPECT_TRUE(numbered.count("JPG/file# 1.JPG")) << text2;
    // By date: the photos' own dates or the card's, under their names.
    auto [dated, text3] = save("dated", "--organise date");
    EXPECT_EQ(dated.size(), 5u) << text3;
    for (const std::string& f : dated) {
        EXPECT_TRUE(f.rfind("undated/", 0) == 0 || (f.size() > 16 && f[4] == '/' && f[15] == '/'))
            << f;
    }
    // Unknown values are refused.
    std::string bad;
    EXPECT_NE(test::RunCommand(Cli("-q save '" + img + "' --types jpg --to '" + dir.Path() +
                                   "' --names long 2>&1"),
                               &bad),
              0);
}

}  // namespace
}  // namespace tvn
