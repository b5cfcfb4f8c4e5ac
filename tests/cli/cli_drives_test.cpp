// tarvolin-cli drives and destinations: what a user sees of the disk list and
// of the places to save to.
#include <gtest/gtest.h>

#include <cstdlib>
#include <nlohmann/json.hpp>

#include "tests/support/test_support.h"
#include "tools/media/image.h"

namespace tvn {
namespace {

std::string Cli(const std::string& args) { return std::string(TVN_CLI) + " " + args; }

TEST(CliDrives, LoopDeviceOverAnImageIsListedWithItsPartition) {
    test::TempDir dir;
    const std::string img = dir / "card.img";
    const media::MbrPartition part{2048, 4096, 0x0c};
    {
        media::ImageFile f(img, 8 << 20);
        f.Write(0, media::MakeMbr({&part, 1}));
    }
    std::string why;
    auto loop = test::LoopDevice::Attach(img, 0, why);
    if (!loop) GTEST_SKIP() << why;
    const std::string p1 = loop->AddPartitions(1, why);
    if (p1.empty()) GTEST_SKIP() << why;

    std::string out;
    ASSERT_EQ(test::RunCommand(Cli("drives --json 2>/dev/null"), &out), 0);
    const auto j = nlohmann::json::parse(out);
    EXPECT_EQ(j["raw_access"], "root");
    const nlohmann::json* mine = nullptr;
    for (const auto& d : j["drives"])
        if (d["backing_file"] == img) mine = &d;
    ASSERT_NE(mine, nullptr) << out;
    EXPECT_EQ((*mine)["drive"], loop->Path());
    EXPECT_EQ((*mine)["item_text"], "Fixed hard disk media #" + loop->Path());
    EXPECT_EQ((*mine)["size"], "8.000 MB");
    EXPECT_EQ((*mine)["total_sectors"], "16384");
    EXPECT_EQ((*mine)["total_heads"], "255");
    ASSERT_EQ((*mine)["partitions"].size(), 1u);
    EXPECT_EQ((*mine)["partitions"][0]["path"], p1);
    EXPECT_EQ((*mine)["partitions"][0]["size_bytes"], 4096 * 512);

    out.clear();
    ASSERT_EQ(test::RunCommand(Cli("drives 2>/dev/null"), &out), 0);
    EXPECT_NE(out.find("Name                  :  Fixed hard disk media #" + loop->Path() + "\n\n"),
              std::string::npos)
        << out;
    EXPECT_NE(out.find("Backing File        :  " + img + "\n\n    Partition #" + p1 + ", 2.000 MB\n"),
              std::string::npos)
        << out;
}

TEST(CliDestinations, HomeFirstAndTheSourceMarked) {
    test::TempDir dir;
    const std::string home = dir / "home";
    const std::string img = home + "/card.img";
    ASSERT_EQ(test::RunCommand("mkdir -p '" + home + "'"), 0);
    { media::ImageFile f(img, 1 << 20); }
    std::string out;
    ASSERT_EQ(test::RunCommand("HOME='" + home + "' " + Cli("destinations --json --source " + img), &out), 0);
    const auto j = nlohmann::json::parse(out);
    ASSERT_FALSE(j.empty());
    EXPECT_EQ(j[0]["path"], home);
    EXPECT_EQ(j[0]["text"], home + " [Home folder]");
    // The folder holding the image is no part of it.
    EXPECT_EQ(j[0]["on_source"], false);

    out.clear();
    ASSERT_EQ(test::RunCommand("HOME='" + home + "' " + Cli("destinations"), &out), 0);
    EXPECT_EQ(out.rfind(home + " [Home folder]\n", 0), 0u) << out;
    EXPECT_EQ(out.find("on_source"), std::string::npos);
}

}  // namespace
}  // namespace tvn
