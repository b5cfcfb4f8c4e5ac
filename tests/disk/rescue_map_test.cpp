// The rescue copy's map: marking, parsing what GNU ddrescue writes, refusing
// what does not hold together, the atomic save, and ddrescuelog reading what
// we write.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>

#include "disk/rescue_map.h"
#include "tests/support/test_support.h"

namespace tvn {
namespace {

using S = RescueStatus;
using test::RunCommand;
using test::TempDir;

std::vector<RescueBlock> B(std::initializer_list<RescueBlock> l) { return l; }

TEST(RescueMap, MarkSplitsAndMergesBlocks) {
    CRescueMap m(0x10000);
    m.Mark(0x1000, 0x1000, S::Finished);
    m.Mark(0x3000, 0x1000, S::BadSector);
    EXPECT_EQ(m.Blocks(), B({{0, 0x1000, S::NonTried},
                             {0x1000, 0x1000, S::Finished},
                             {0x2000, 0x1000, S::NonTried},
                             {0x3000, 0x1000, S::BadSector},
                             {0x4000, 0xC000, S::NonTried}}));
    // Filling the gap merges three blocks into one; marking across the end
    // is cut at the medium's end.
    m.Mark(0x2000, 0x1000, S::Finished);
    m.Mark(0x3000, 0x1000, S::Finished);
    m.Mark(0x0, 0x1000, S::Finished);
    m.Mark(0xF000, 0x5000, S::BadSector);
    EXPECT_EQ(m.Blocks(), B({{0, 0x4000, S::Finished},
                             {0x4000, 0xB000, S::NonTried},
                             {0xF000, 0x1000, S::BadSector}}));
    EXPECT_EQ(m.Size(), 0x10000u);
    EXPECT_EQ(m.StatusAt(0x3FFF), S::Finished);
    EXPECT_EQ(m.StatusAt(0xF000), S::BadSector);
    EXPECT_EQ(m.Bytes(S::NonTried), 0xB000u);
    EXPECT_EQ(m.Areas(S::BadSector), 1u);
    // A mark inside one block of another status splits it in three.
    m.Mark(0x5000, 0x200, S::NonTrimmed);
    EXPECT_EQ(m.Blocks().size(), 5u);
    EXPECT_EQ(m.NotFinished(), B({{0x4000, 0xC000, S::NonTried}}));
}

TEST(RescueMap, ParsesWhatDdrescueWritesAndFormatsItBack) {
    const std::string text =
        "# Mapfile. Created by GNU ddrescue version 1.27\n"
        "# Command line: ddrescue /dev/sdb card.img card.map\n"
        "# Start time:   2026-01-01 10:00:00\n"
        "# current_pos  current_status  current_pass\n"
        "0x00120000     *               1\n"
        "#      pos        size  status\n"
        "0x00000000  0x00100000  +\r\n"
        "0x00100000  0x00020000  *\n"
        "0x00120000  0x00000200  -\n"
        "0x00120200  0x000DFE00  ?\n";
    std::string error;
    auto m = ParseRescueMap(text, error);
    ASSERT_TRUE(m) << error;
    EXPECT_EQ(m->currentPos, 0x120000u);
    EXPECT_EQ(m->phase, RescuePhase::Trimming);
    EXPECT_EQ(m->pass, 1);
    EXPECT_EQ(m->Size(), 0x200000u);
    EXPECT_EQ(m->Blocks().size(), 4u);
    auto again = ParseRescueMap(FormatRescueMap(*m, "test"), error);
    ASSERT_TRUE(again) << error;
    EXPECT_EQ(*again, *m);

    // Older maps have no pass; decimal numbers are read as well; blocks of
    // one status in a row are one block.
    auto old = ParseRescueMap("0 + \n0 512 +\n512 512 +\n1024 0x200 -\n", error);
    ASSERT_TRUE(old) << error;
    EXPECT_EQ(old->pass, 1);
    EXPECT_EQ(old->Blocks(), B({{0, 1024, S::Finished}, {1024, 512, S::BadSector}}));
}

TEST(RescueMap, RefusesMapsThatDoNotHoldTogether) {
    const char* bad[] = {
        "",                                          // nothing
        "# only comments\n",                         // no status line
        "0x0 +\n",                                   // no blocks
        "0x0 x 1\n0x0 0x200 +\n",                    // unknown phase
        "0x0 + 1\n0x0 0x200 x\n",                    // unknown status
        "0x0 + 1\n0x0 0x0 +\n",                      // empty block
        "0x0 + 1\n0x200 0x200 +\n",                  // does not start at 0
        "0x0 + 1\n0x0 0x200 +\n0x400 0x200 +\n",     // gap
        "0x0 + 1\n0x0 0x400 +\n0x200 0x200 +\n",     // overlap
        "0x0 + 1\n0x0 0xFFFFFFFFFFFFFFFF +\n",       // beyond any medium
        "0x0 + 1\n0x0 0x1FFFFFFFFFFFFFFFF +\n",      // overflows
        "0x0 + 1\n0x0 0x200\n",                      // missing status
        "0x0 + 1\n0x0 0x200 + extra\n",              // extra word
        "-1 + 1\n0x0 0x200 +\n",                     // sign
        "0x0 + 0\n0x0 0x200 +\n",                    // pass 0
        "0x0 + 1\n0x0 09 +\n",                       // bad octal
    };
    for (const char* text : bad) {
        std::string error;
        EXPECT_FALSE(ParseRescueMap(text, error)) << text;
        EXPECT_FALSE(error.empty()) << text;
    }
}

TEST(RescueMap, SaveReplacesTheMapWholeAndLeavesNoTemporaryFile) {
    TempDir dir;
    const std::string path = dir / "card.map";
    CRescueMap m(1 << 20);
    m.Mark(0, 4096, S::Finished);
    ASSERT_TRUE(SaveRescueMap(path, m));
    m.Mark(4096, 512, S::BadSector);
    m.phase = RescuePhase::Retrying;
    m.pass = 3;
    ASSERT_TRUE(SaveRescueMap(path, m, "test"));
    std::string error;
    auto back = LoadRescueMap(path, error);
    ASSERT_TRUE(back) << error;
    EXPECT_EQ(*back, m);
    int files = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir.Path())) ++files;
    EXPECT_EQ(files, 1);
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0644u);

    // A folder that is not there: false, and nothing changes.
    EXPECT_FALSE(SaveRescueMap(dir / "missing/card.map", m));
    EXPECT_FALSE(LoadRescueMap(dir / "missing/card.map", error));
    EXPECT_FALSE(LoadRescueMap(dir.Path(), error));  // a folder
}

TEST(RescueMap, SectorsNeverReadAreAddedToAReadsBadRanges) {
    CRescueMap m(100 * 512);
    m.Mark(0, 100 * 512, S::Finished);
    m.Mark(10 * 512, 100, S::BadSector);     // part of sector 10
    m.Mark(11 * 512, 3 * 512, S::NonTried);  // 11..13 with it: one range
    m.Mark(50 * 512, 512, S::NonScraped);
    const auto never = NeverReadSectors(m, 512);
    EXPECT_EQ(never, (std::vector<SectorRange>{{10, 4}, {50, 1}}));

    // A read of sectors 12..59 that itself failed at 30..31 and 51.
    std::vector<SectorRange> bad = {{30, 2}, {51, 1}};
    uint64_t count = 3;
    AddNeverRead(never, 12, 48, bad, count);
    EXPECT_EQ(bad, (std::vector<SectorRange>{{12, 2}, {30, 2}, {50, 2}}));
    EXPECT_EQ(count, 6u);
    // A read that touches none of them is left alone.
    bad.clear();
    count = 0;
    AddNeverRead(never, 14, 36, bad, count);
    EXPECT_TRUE(bad.empty());
    EXPECT_EQ(count, 0u);
}

TEST(RescueMap, DdrescuelogReadsOurMaps) {
    if (RunCommand("command -v ddrescuelog >/dev/null") != 0) {
        GTEST_SKIP() << "ddrescuelog (package gddrescue) is not installed";
    }
    TempDir dir;
    const std::string path = dir / "card.map";
    CRescueMap m(64 * 512);
    m.Mark(0, 10 * 512, S::Finished);
    m.Mark(10 * 512, 2 * 512, S::BadSector);
    m.Mark(12 * 512, 4 * 512, S::NonScraped);
    m.Mark(16 * 512, 8 * 512, S::NonTrimmed);
    m.Mark(40 * 512, 24 * 512, S::Finished);
    m.currentPos = 16 * 512;
    m.phase = RescuePhase::Trimming;
    ASSERT_TRUE(SaveRescueMap(path, m, "test"));

    std::string out;
    ASSERT_EQ(RunCommand("ddrescuelog -t " + path, &out), 0) << out;
    // "  rescued:    17408 B,  in      2 area(s)  ( 53.13%)"
    auto line = [&out](const std::string& label) {
        const size_t at = out.find(label);
        return at == std::string::npos ? std::string() : out.substr(at, out.find('\n', at) - at);
    };
    EXPECT_NE(line("rescued:").find(" 17408 B,  in      2 area(s)"), std::string::npos) << out;
    EXPECT_NE(line("bad-sector:").find(" 1024 B,  in      1 area(s)"), std::string::npos) << out;
    EXPECT_NE(line("non-scraped:").find(" 2048 B"), std::string::npos) << out;
    EXPECT_NE(line("non-trimmed:").find(" 4096 B"), std::string::npos) << out;
    EXPECT_NE(out.find("current status: trimming"), std::string::npos) << out;
    // The bad sectors as ddrescuelog lists them.
    std::string listed;
    ASSERT_EQ(RunCommand("ddrescuelog -b512 -l- " + path, &listed), 0);
    EXPECT_EQ(listed, "10\n11\n");
    // -D: not done while anything is left.
    EXPECT_NE(RunCommand("ddrescuelog -D " + path), 0);
    CRescueMap done(64 * 512);
    done.Mark(0, 64 * 512, S::Finished);
    done.phase = RescuePhase::Finished;
    ASSERT_TRUE(SaveRescueMap(path, done));
    EXPECT_EQ(RunCommand("ddrescuelog -D " + path), 0);
}

}  // namespace
}  // namespace tvn
