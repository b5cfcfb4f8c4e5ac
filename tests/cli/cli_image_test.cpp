// tarvolin-cli image on a failing card served by tvn-faultyfs: killed at
// random points and run again it makes the same image and map as a copy that
// ran through; the scan and the save of the image with its map mark exactly
// the files on sectors the copy could not read.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <nlohmann/json.hpp>
#include <random>
#include <set>
#include <thread>

#include "disk/rescue_map.h"
#include "tests/support/faulty_image.h"
#include "tests/support/test_support.h"
#include "tools/media/image.h"
#include "tools/media/photo_writers.h"

namespace tvn {
namespace {

using test::FaultyImage;
using test::ReadFile;
using test::RunCommand;
using test::TempDir;

constexpr uint64_t kSector = 512;

std::string Cli(const std::string& args) { return std::string(TVN_CLI) + " " + args; }

bool HaveDdrescuelog() { return RunCommand("command -v ddrescuelog >/dev/null") == 0; }

// Starts tarvolin-cli with args (no shell), output to /dev/null.
pid_t Start(const std::vector<std::string>& args) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int null = ::open("/dev/null", O_WRONLY);
        ::dup2(null, 1);
        ::dup2(null, 2);
        std::vector<char*> argv;
        std::string exe = TVN_CLI;
        argv.push_back(exe.data());
        std::vector<std::string> copy = args;
        for (std::string& a : copy) argv.push_back(a.data());
        argv.push_back(nullptr);
        ::execv(exe.c_str(), argv.data());
        ::_exit(127);
    }
    return pid;
}

int Wait(pid_t pid) {
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

// ddrescuelog's summary without the line of the current position, which
// says where a copy was when it ended, not what it copied.
std::string Summary(const std::string& map) {
    std::string out;
    RunCommand("ddrescuelog -t " + map + " | grep -v 'current pos'", &out);
    return out;
}

TEST(CliImage, KilledAtRandomPointsGoesOnToTheSameImageAndMap) {
    TempDir dir;
    media::Bytes bytes(4u << 20);
    std::mt19937_64 rng(7);
    for (auto& b : bytes) b = static_cast<uint8_t>(rng() | 1);
    test::WriteFile(dir / "backing.img", bytes);
    std::string why;
    auto card = FaultyImage::Serve(dir / "backing.img", why);
    if (!card) GTEST_SKIP() << why;
    const std::vector<std::pair<uint64_t, uint64_t>> bad = {
        {10, 2}, {1500, 30}, {3000, 1}, {4200, 64}, {8000, 5}};
    for (auto [first, count] : bad) card->Bad(first, count);

    // The copy that runs through; the kills land anywhere in its time.
    const std::string whole = dir / "whole.img";
    const auto t0 = std::chrono::steady_clock::now();
    ASSERT_EQ(Wait(Start({"-q", "image", card->Path(), "--to", whole})), 1);
    const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(
                          std::chrono::steady_clock::now() - t0).count() + 1;

    // The copy killed again and again.
    const std::string killed = dir / "killed.img";
    std::mt19937 pick(29);
    int kills = 0;
    for (int round = 0; round < 8; ++round) {
        const pid_t pid = Start({"-q", "image", card->Path(), "--to", killed});
        std::this_thread::sleep_for(std::chrono::milliseconds(pick() % static_cast<unsigned>(took)));
        ::kill(pid, SIGKILL);
        if (Wait(pid) == 128 + SIGKILL) ++kills;
        // Whatever the moment, the map on the disk parses and the image
        // holds every byte it calls copied.
        std::string error;
        auto map = LoadRescueMap(killed + ".map", error);
        if (!map) continue;  // killed before its first save
        const auto got = ReadFile(killed);
        for (const RescueBlock& b : map->Blocks()) {
            if (b.status != RescueStatus::Finished) continue;
            ASSERT_EQ(std::memcmp(&got[b.pos], &bytes[b.pos], b.size), 0) << "at " << b.pos;
        }
    }
    EXPECT_GT(kills, 0);
    ASSERT_EQ(Wait(Start({"-q", "image", card->Path(), "--to", killed})), 1);
    EXPECT_EQ(ReadFile(killed), ReadFile(whole));
    std::string error;
    const auto a = LoadRescueMap(whole + ".map", error);
    const auto b = LoadRescueMap(killed + ".map", error);
    ASSERT_TRUE(a && b) << error;
    EXPECT_EQ(a->Blocks(), b->Blocks());
    std::set<uint64_t> badSectors;
    for (const SectorRange& r : NeverReadSectors(*a, 512)) {
        for (uint64_t s = r.first; s < r.first + r.count; ++s) badSectors.insert(s);
    }
    std::set<uint64_t> expected;
    for (auto [first, count] : bad) {
        for (uint64_t s = first; s < first + count; ++s) expected.insert(s);
    }
    EXPECT_EQ(badSectors, expected);

    if (!HaveDdrescuelog()) GTEST_SKIP() << "ddrescuelog (package gddrescue) is not installed";
    EXPECT_EQ(Summary(whole + ".map"), Summary(killed + ".map"));
    EXPECT_NE(Summary(whole + ".map").find("bad-sector"), std::string::npos);
    EXPECT_EQ(RunCommand("ddrescuelog -D " + whole + ".map"),
              RunCommand("ddrescuelog -D " + killed + ".map"));
}

TEST(CliImage, CtrlCAndSigtermStopWithAMapToGoOnFrom) {
    TempDir dir;
    media::Bytes bytes(2u << 20, 0x5A);
    test::WriteFile(dir / "backing.img", bytes);
    std::string why;
    auto card = FaultyImage::Serve(dir / "backing.img", why);
    if (!card) GTEST_SKIP() << why;
    card->Bad(100, 50);
    card->Delay(20);  // a slow card: the signal comes in the middle
    const std::string image = dir / "copy.img";
    for (int sig : {SIGINT, SIGTERM}) {
        const pid_t pid = Start({"-q", "image", card->Path(), "--to", image});
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        ::kill(pid, sig);
        EXPECT_EQ(Wait(pid), 130) << "signal " << sig;
        std::string error;
        const auto map = LoadRescueMap(image + ".map", error);
        ASSERT_TRUE(map) << error;
        EXPECT_NE(map->phase, RescuePhase::Finished);
    }
    card->Delay(0);
    ASSERT_EQ(Wait(Start({"-q", "image", card->Path(), "--to", image})), 1);
    std::string error;
    const auto map = LoadRescueMap(image + ".map", error);
    ASSERT_TRUE(map) << error;
    EXPECT_EQ(map->Bytes(RescueStatus::BadSector), 50u * kSector);
    EXPECT_EQ(map->Bytes(RescueStatus::Finished), bytes.size() - 50u * kSector);
}

TEST(CliImage, ScanAndSaveWithTheMapMarkExactlyTheFilesOnUnreadSectors) {
    TempDir dir;
    const std::string backing = dir / "backing.img";
    {
        media::ImageFile img(backing, 8u << 20);
        uint64_t seed = 3;
        for (uint64_t sector : {100u, 2000u, 6000u, 9000u, 12000u}) {
            media::JpegOptions o;
            o.detail = 10;
            o.seed = static_cast<uint32_t>(seed++);
            img.Write(sector * kSector, media::MakeJpeg(o));
        }
    }
    std::string why;
    auto card = FaultyImage::Serve(backing, why);
    if (!card) GTEST_SKIP() << why;
    // Inside the second file, between the third and fourth, and past all.
    card->Bad(2010, 3);
    card->Bad(8990, 1);
    card->Bad(16000, 8);
    const std::string image = dir / "card.img";
    const std::string map = dir / "card.map";
    ASSERT_EQ(RunCommand(Cli("-q image " + card->Path() + " --to " + image + " --map " + map +
                             " --retries 0 2>/dev/null")),
              1);

    std::string out;
    ASSERT_EQ(RunCommand(Cli("-q scan " + image + " --map " + map + " --types jpg --json 2>/dev/null"),
                         &out),
              0);
    const auto j = nlohmann::json::parse(out);
    const std::set<uint64_t> bad = {2010, 2011, 2012, 8990, 16000, 16001, 16002, 16003,
                                    16004, 16005, 16006, 16007};
    EXPECT_EQ(j["unreadable_sectors"], bad.size());
    std::set<std::string> touching, expected;
    int files = 0;
    for (const auto& f : j["folders"][0]["files"]) {
        ++files;
        const uint64_t first = f["start_sector"], last = f["end_sector"];
        if (bad.lower_bound(first) != bad.end() && *bad.lower_bound(first) <= last) {
            expected.insert(f["name"]);
        }
        if (f.value("touches_unreadable", false)) touching.insert(f["name"]);
    }
    EXPECT_EQ(files, 5);
    EXPECT_FALSE(expected.empty());
    EXPECT_LT(expected.size(), 5u);
    EXPECT_EQ(touching, expected);

    // Without the map the zeros of the image pass for data.
    out.clear();
    ASSERT_EQ(RunCommand(Cli("-q scan " + image + " --types jpg --json 2>/dev/null"), &out), 0);
    EXPECT_EQ(nlohmann::json::parse(out)["unreadable_sectors"], 0);

    // The save lists the same files as saved with zeros.
    TempDir to;
    std::string err;
    RunCommand(Cli("-q save " + image + " --map " + map + " --types jpg --to " + to.Path() +
                   " 2>&1 >/dev/null"),
               &err);
    for (const auto& f : j["folders"][0]["files"]) {
        const std::string name = f["name"];
        const bool listed = err.find(name + ": ") != std::string::npos;
        EXPECT_EQ(listed, expected.count(name) == 1) << name << "\n" << err;
    }

    // A map of another medium is refused.
    ASSERT_TRUE(SaveRescueMap(dir / "other.map", CRescueMap(1u << 20)));
    err.clear();
    EXPECT_EQ(RunCommand(Cli("-q scan " + image + " --map " + (dir / "other.map") + " 2>&1"), &err), 1);
    EXPECT_NE(err.find("is of a medium of"), std::string::npos) << err;
}

}  // namespace
}  // namespace tvn
