// tarvolin-cli as a user runs it: exit statuses, errors, and the catalogue.
#include <gtest/gtest.h>

#include <map>
#include <nlohmann/json.hpp>

#include "tests/support/test_support.h"
#include "tools/media/image.h"

namespace tvn {
namespace {

std::string Cli(const std::string& args) { return std::string(TVN_CLI) + " " + args; }

TEST(CliScan, PrintsTheCatalogueAsTextAndJson) {
    test::TempDir dir;
    const std::string img = dir / "card.img";
    {
        media::ImageFile f(img, 2 << 20);
        f.Write(512 * 8, media::Bytes{0xFF, 0xD8, 0xFF, 0xE1});
        f.Write(512 * 16, media::Bytes{0xFF, 0xD8, 0xFF, 0xE0});
    }
    std::string out;
    EXPECT_EQ(test::RunCommand(Cli("-q scan " + img + " --types jpg 2>/dev/null"), &out), 0);
    EXPECT_NE(out.find("file# 1.JPG"), std::string::npos) << out;
    EXPECT_NE(out.find("2 files in 1 folders"), std::string::npos) << out;

    out.clear();
    EXPECT_EQ(test::RunCommand(Cli("-q scan " + img + " --types JPG,jpg --json 2>/dev/null"), &out), 0);
    const auto j = nlohmann::json::parse(out);
    EXPECT_EQ(j["totals"]["files"], 2);
    EXPECT_EQ(j["folders"][0]["name"], "JPG");
    EXPECT_EQ(j["folders"][0]["files"][1]["name"], "file# 1.JPG");
    EXPECT_EQ(j["folders"][0]["files"][1]["start_sector"], 8);
    EXPECT_EQ(j["folders"][0]["files"][1]["size"], 4096);
    EXPECT_EQ(j["stopped"], false);
}

TEST(CliScan, ErrorsAndExitStatuses) {
    std::string err;
    EXPECT_EQ(test::RunCommand(Cli("scan /nonexistent.img 2>&1"), &err), 1);
    EXPECT_NE(err.find("No such file or directory"), std::string::npos) << err;
    EXPECT_NE(err.find("Removable drive is disconnected."), std::string::npos) << err;

    test::TempDir dir;
    { media::ImageFile f(dir / "x.img", 1 << 20); }
    err.clear();
    EXPECT_EQ(test::RunCommand(Cli("scan " + (dir / "x.img") + " --types jpg,xyz 2>&1"), &err), 2);
    EXPECT_NE(err.find("unknown file type 'xyz'"), std::string::npos) << err;
    EXPECT_EQ(test::RunCommand(Cli("scan 2>/dev/null")), 2);
    EXPECT_EQ(test::RunCommand(Cli("--help >/dev/null")), 0);
    std::string version;
    EXPECT_EQ(test::RunCommand(Cli("--version"), &version), 0);
    EXPECT_EQ(version.rfind("tarvolin-cli ", 0), 0u);
}

}  // namespace
}  // namespace tvn

namespace tvn {
namespace {

// Exact lengths are the default (--exact-lengths is still accepted): the
// sizes the files have, each with its mark; a scan with --window-lengths
// prints no mark at all; a save writes exactly those bytes.
TEST(CliScan, ExactLengths) {
    test::TempDir dir;
    const std::string img = dir / "card.img";
    // A whole GIF, and a JPEG header with nothing after it.
    const media::Bytes gif = {'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0, 0, 0, 0,
                              0x2C, 0, 0, 0, 0, 1, 0, 1, 0, 0, 2, 2, 0x4C, 0x01, 0, 0x3B};
    media::Bytes big = gif;
    // Pad the image with a comment extension to pass the shortest length.
    big.insert(big.begin() + 13, {0x21, 0xFE});
    for (int i = 0; i < 8; ++i) {
        big.insert(big.begin() + 15 + i * 201, 200);
        big.insert(big.begin() + 16 + i * 201, 200, 'x');
    }
    big.insert(big.begin() + 15 + 8 * 201, 0);
    {
        media::ImageFile f(img, 2 << 20);
        f.Write(512 * 8, big);
        f.Write(512 * 16, media::Bytes{0xFF, 0xD8, 0xFF, 0xE1});
    }
    std::string out;
    ASSERT_EQ(test::RunCommand(Cli("-q scan " + img + " --types gif,jpg --json --exact-lengths"),
                               &out),
              0);
    const auto j = nlohmann::json::parse(out);
    std::map<std::string, nlohmann::json> byType;
    for (const auto& f : j["folders"]) byType[f["name"]] = f["files"][0];
    EXPECT_EQ(byType["GIF"]["size"], big.size());
    EXPECT_EQ(byType["GIF"]["may_be_incomplete"], false);
    EXPECT_EQ(byType["JPG"]["may_be_incomplete"], true);
    out.clear();
    ASSERT_EQ(test::RunCommand(Cli("-q scan " + img + " --types gif,jpg --json"), &out), 0);
    EXPECT_EQ(nlohmann::json::parse(out), j);
    out.clear();
    ASSERT_EQ(test::RunCommand(Cli("-q scan " + img + " --types gif,jpg --json --window-lengths"),
                               &out),
              0);
    EXPECT_EQ(out.find("may_be_incomplete"), std::string::npos);
    EXPECT_EQ(test::RunCommand(Cli("scan " + img + " --window-lengths --exact-lengths 2>/dev/null")),
              2);

    ASSERT_EQ(test::RunCommand(Cli("-q save " + img + " --types gif --to " +
                                   dir.Path() + " >/dev/null 2>&1")),
              0);
    out.clear();
    ASSERT_EQ(test::RunCommand("find " + dir.Path() + " -name '*.GIF'", &out), 0);
    out.erase(out.find_last_not_of('\n') + 1);
    EXPECT_EQ(test::ReadFile(out), big);

    // A scan info made with the window rules: saved with them it gives the
    // rules' bytes (whole sectors and one more), as before; saved in exact
    // mode the file is measured on the medium again and comes back whole.
    out.clear();
    const std::string info = dir / "window.bin";
    ASSERT_EQ(test::RunCommand(Cli("-q scan " + img + " --types gif --json --window-lengths " +
                                   "--save-scan-info " + info),
                               &out),
              0);
    const uint64_t carved = nlohmann::json::parse(out)["folders"][0]["files"][0]["size"];
    ASSERT_NE(carved, big.size());
    const auto saveJson = [&](const std::string& to, const std::string& mode) {
        std::string text;
        test::RunCommand("mkdir -p " + to);
        EXPECT_EQ(test::RunCommand(Cli("-q save " + img + " --scan-info " + info + " --json --to " +
                                       to + " " + mode),
                                   &text),
                  0);
        return nlohmann::json::parse(text);
    };
    const auto window = saveJson(dir / "w", "--window-lengths");
    EXPECT_EQ(window["totals"]["bytes"], carved - carved % 512 + 512);
    EXPECT_EQ(window["cut_to_1_mb"], nlohmann::json::array());
    EXPECT_EQ(window["clean"], true);
    const auto exact = saveJson(dir / "e", "");
    EXPECT_EQ(exact["totals"]["bytes"], big.size());
}

}  // namespace
}  // namespace tvn
