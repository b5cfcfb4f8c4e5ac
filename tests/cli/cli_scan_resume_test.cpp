// A scan killed or stopped part-way goes on from its checkpoint and ends with
// exactly the catalogue of a scan that ran through.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <thread>

#include "catalog/directory_tree.h"
#include "catalog/scan_info.h"
#include "scan/scan_checkpoint.h"
#include "tests/support/faulty_image.h"
#include "tests/support/test_support.h"
#include "tools/media/bench_card.h"

namespace tvn {
namespace {

using test::ReadFile;
using test::RunCommand;
using test::TempDir;

std::string Cli(const std::string& args) { return std::string(TVN_CLI) + " " + args; }

// Starts a scan that writes a checkpoint after every block.
pid_t StartScan(const std::string& card, const std::string& info) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int null = ::open("/dev/null", O_WRONLY);
        ::dup2(null, 1);
        ::dup2(null, 2);
        ::setenv("TVN_CHECKPOINT_MS", "0", 1);
        ::execl(TVN_CLI, TVN_CLI, "-q", "scan", card.c_str(), "--types", "all",
                "--save-scan-info", info.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    return pid;
}

TEST(CliScanResume, KilledOrStoppedScanGoesOnToTheSameCatalogue) {
    TempDir dir;
    const std::string card = dir / "card.img";
    try {
        media::BenchCardOptions o;
        o.bytes = media::kBenchCardMinBytes;
        media::BuildBenchCard(card, o);
    } catch (const std::exception& e) {
        GTEST_SKIP() << "cannot build the card: " << e.what();
    }
    const std::string full = dir / "full.bin";
    const auto t0 = std::chrono::steady_clock::now();
    ASSERT_EQ(RunCommand(Cli("-q scan " + card + " --types all --save-scan-info " + full +
                             " >/dev/null 2>&1")),
              0);
    const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(
                          std::chrono::steady_clock::now() - t0).count();
    EXPECT_FALSE(std::filesystem::exists(full + ".checkpoint"));  // removed once whole

    int resumed = 0;
    for (int round = 0; round < 4 && resumed < 2; ++round) {
        const std::string part = dir / ("part" + std::to_string(round) + ".bin");
        const pid_t pid = StartScan(card, part);
        // Somewhere in the middle of the scan: a kill -9, or (once) a Ctrl-C.
        std::this_thread::sleep_for(std::chrono::milliseconds(took * (3 + round) / 10));
        ::kill(pid, round == 1 ? SIGINT : SIGKILL);
        int status = 0;
        ::waitpid(pid, &status, 0);
        if (round == 1 && WIFEXITED(status)) {
            EXPECT_EQ(WEXITSTATUS(status), 130);
        }
        const std::string checkpoint = part + ".checkpoint";
        if (!std::filesystem::exists(checkpoint)) continue;  // ended or killed too early
        std::string error;
        const auto c = LoadScanCheckpoint(checkpoint, error);
        ASSERT_TRUE(c) << error;
        EXPECT_GT(c->nextSector, 0u);
        // Neither the medium nor the types are named again.
        ASSERT_EQ(RunCommand(Cli("-q scan --resume " + checkpoint + " >/dev/null 2>&1")), 0);
        EXPECT_EQ(ReadFile(part), ReadFile(full)) << "round " << round;
        EXPECT_FALSE(std::filesystem::exists(checkpoint));
        ++resumed;
    }
    EXPECT_GT(resumed, 0);
}

TEST(CliScanResume, RefusesACheckpointOfAnotherMediumOrADamagedOne) {
    TempDir dir;
    const std::string card = dir / "card.img";
    {
        std::vector<uint8_t> bytes(1 << 20, 0);
        test::WriteFile(card, bytes);
    }
    ScanCheckpoint c;
    c.driveId = card;
    c.totalSectors = 4096;  // not this medium's
    c.sectorSize = 512;
    c.nextSector = 1024;
    c.types = {FileType::JPG};
    CDirectoryTree tree;
    c.catalogue = SerializeScanInfo(card, 4096, tree);
    ASSERT_TRUE(SaveScanCheckpoint(dir / "c.checkpoint", c));
    std::string err;
    EXPECT_EQ(RunCommand(Cli("-q scan --resume " + (dir / "c.checkpoint") + " 2>&1"), &err), 1);
    EXPECT_NE(err.find("of another medium"), std::string::npos) << err;

    // Cut short: refused with the reason.
    auto bytes = SerializeScanCheckpoint(c);
    bytes.resize(bytes.size() - 3);
    test::WriteFile(dir / "cut.checkpoint", bytes);
    err.clear();
    EXPECT_EQ(RunCommand(Cli("-q scan --resume " + (dir / "cut.checkpoint") + " 2>&1"), &err), 1);
    EXPECT_NE(err.find("cannot go on from"), std::string::npos) << err;
    // Round trip of what is written.
    c.foundBytes = 123456;
    c.foundUntil = 99999;
    c.unreadable.push_back({10, 2});
    c.unreadable.push_back({300, 40});
    std::string error;
    const auto back = ParseScanCheckpoint(SerializeScanCheckpoint(c), error);
    ASSERT_TRUE(back) << error;
    EXPECT_EQ(back->nextSector, 1024u);
    EXPECT_EQ(back->types, c.types);
    EXPECT_EQ(back->catalogue, c.catalogue);
    EXPECT_EQ(back->foundBytes, c.foundBytes);
    EXPECT_EQ(back->foundUntil, c.foundUntil);
    EXPECT_EQ(back->unreadable, c.unreadable);

    // Unreadable ranges out of order, overlapping or past the medium, and a
    // newer version's checkpoint, are refused by name.
    const auto text = [&](const std::string& from, const std::string& to) {
        const auto b = SerializeScanCheckpoint(c);
        std::string t(b.begin(), b.end());
        t.replace(t.find(from), from.size(), to);
        return std::vector<uint8_t>(t.begin(), t.end());
    };
    for (const char* bad : {"unreadable 300+40,10+2", "unreadable 10+2,11+5", "unreadable 4000+200",
                            "unreadable 10+0"}) {
        EXPECT_FALSE(ParseScanCheckpoint(text("unreadable 10+2,300+40", bad), error)) << bad;
        EXPECT_EQ(error, "bad unreadable sectors") << bad;
    }
    EXPECT_FALSE(ParseScanCheckpoint(text("checkpoint 2", "checkpoint 3"), error));
    EXPECT_NE(error.find("newer version"), std::string::npos) << error;

    // A checkpoint of the first version (no totals, marks or unreadable
    // sectors) is still gone on from.
    auto v1 = text("checkpoint 2", "checkpoint 1");
    std::string t1(v1.begin(), v1.end());
    for (const char* key : {"found-bytes ", "found-until ", "unreadable ", "lengths "}) {
        const size_t at = t1.find(std::string("\n") + key);
        t1.erase(at + 1, t1.find('\n', at + 1) - at);
    }
    const auto old = ParseScanCheckpoint(std::vector<uint8_t>(t1.begin(), t1.end()), error);
    ASSERT_TRUE(old) << error;
    EXPECT_EQ(old->version, 1);
    EXPECT_TRUE(old->unreadable.empty());
    EXPECT_EQ(old->catalogue, c.catalogue);
}

// A scan of a failing card, killed after it has passed a bad area and gone on
// from its checkpoint: the unreadable sectors, the marks of the files on them,
// the lengths that broke off and the found-bytes total are those of the scan
// that ran through.
TEST(CliScanResume, GoneOnAfterABadAreaKeepsItsMarksAndTotals) {
    TempDir dir;
    const std::string backing = dir / "card.img";
    try {
        media::BenchCardOptions o;
        o.bytes = media::kBenchCardMinBytes;
        media::BuildBenchCard(backing, o);
    } catch (const std::exception& e) {
        GTEST_SKIP() << "cannot build the card: " << e.what();
    }
    // Bad sectors inside a file in the first third of the card.
    std::string clean;
    ASSERT_EQ(RunCommand(Cli("-q scan " + backing + " --types all --json 2>/dev/null"), &clean), 0);
    const nlohmann::json cleanScan = nlohmann::json::parse(clean);
    const uint64_t total = cleanScan["total_sectors"].get<uint64_t>();
    uint64_t badFirst = 0;
    for (const auto& folder : cleanScan["folders"]) {
        for (const auto& f : folder["files"]) {
            const uint64_t start = f["start_sector"].get<uint64_t>();
            if (start > total / 10 && start < total / 3 && f["size"].get<uint64_t>() > 64 * 1024 &&
                (badFirst == 0 || start < badFirst)) {
                badFirst = start + 40;
            }
        }
    }
    ASSERT_NE(badFirst, 0u) << "no file to put the bad area in";
    std::string why;
    auto card = test::FaultyImage::Serve(backing, why);
    if (!card) GTEST_SKIP() << why;
    card->Bad(badFirst, 8);
    card->Bad(badFirst + 300, 3);

    std::string full;
    ASSERT_EQ(RunCommand(Cli("-q scan " + card->Path() + " --types all --json 2>/dev/null"), &full), 0);
    const auto whole = nlohmann::json::parse(full);
    EXPECT_EQ(whole["unreadable_sectors"].get<uint64_t>(), 11u) << full;
    int touching = 0;
    for (const auto& folder : whole["folders"]) {
        for (const auto& f : folder["files"]) touching += f.contains("touches_unreadable");
    }
    EXPECT_GT(touching, 0) << "the bad area lies in a file";

    // The scan again, slowed down, and killed as soon as its checkpoint lies
    // past the bad area (a scan checkpoints only between files measured
    // whole, which on this card is late).
    card->Delay(10);
    const std::string part = dir / "part.bin";
    const std::string checkpoint = part + ".checkpoint";
    const pid_t pid = StartScan(card->Path(), part);
    bool past = false;
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!past && std::chrono::steady_clock::now() < until) {
        std::string error;
        if (const auto c = LoadScanCheckpoint(checkpoint, error)) {
            past = c->nextSector > badFirst + 400;
        }
        if (!past) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    ::kill(pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);
    ASSERT_TRUE(past) << "no checkpoint past the bad area";
    std::string error;
    const auto c = LoadScanCheckpoint(checkpoint, error);
    ASSERT_TRUE(c) << error;
    EXPECT_FALSE(c->unreadable.empty()) << "the bad area was read before the kill";
    EXPECT_LT(c->nextSector, total);

    std::string resumed;
    ASSERT_EQ(RunCommand(Cli("-q scan " + card->Path() + " --resume " + checkpoint +
                             " --json 2>/dev/null"),
                         &resumed),
              0);
    EXPECT_EQ(nlohmann::json::parse(resumed), whole);
}

}  // namespace
}  // namespace tvn
