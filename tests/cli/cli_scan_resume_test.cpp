// A scan killed or stopped part-way goes on from its checkpoint and ends with
// exactly the catalogue of a scan that ran through.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "catalog/directory_tree.h"
#include "catalog/scan_info.h"
#include "scan/scan_checkpoint.h"
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
    std::string error;
    const auto back = ParseScanCheckpoint(SerializeScanCheckpoint(c), error);
    ASSERT_TRUE(back) << error;
    EXPECT_EQ(back->nextSector, 1024u);
    EXPECT_EQ(back->types, c.types);
    EXPECT_EQ(back->catalogue, c.catalogue);
}

}  // namespace
}  // namespace tvn
