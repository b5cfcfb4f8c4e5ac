// The preview decoder runs bounded (processor time, address space), dies
// with the program that started it, and a stopped `tarvolin-cli preview`
// leaves neither the decoder nor its private folder behind.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "tests/support/test_support.h"
#include "tools/media/image.h"

namespace tvn {
namespace {

std::string Decoder() {
    return std::filesystem::path(TVN_CLI).parent_path().parent_path() / "preview" / "tarvolin-decode";
}

bool Alive(pid_t pid) { return ::kill(pid, 0) == 0; }

pid_t WaitForPid(const std::string& file) {
    for (int i = 0; i < 300; ++i) {
        std::ifstream in(file);
        pid_t pid = 0;
        if (in >> pid && pid > 0) return pid;
        ::usleep(20000);
    }
    return 0;
}

bool WaitGone(pid_t pid) {
    for (int i = 0; i < 300 && Alive(pid); ++i) ::usleep(20000);
    return !Alive(pid);
}

TEST(CliPreviewLimits, TheDecoderIsBoundedAndDiesWithItsParent) {
    if (!std::filesystem::exists(Decoder())) GTEST_SKIP() << "no decoder in this build";
    test::TempDir dir;
    // A FIFO as the input holds the decoder in its open, limits applied.
    const std::string fifo = dir / "in";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::string pidFile = dir / "pid";
    const std::string parentFile = dir / "parent";
    ASSERT_EQ(test::RunCommand("sh -c 'echo $$ > " + parentFile + "; \"" + Decoder() + "\" JPG " + fifo +
                               " " + (dir / "out.png") + " & echo $! > " + pidFile +
                               "; wait' >/dev/null 2>&1 &"),
              0);
    const pid_t decoder = WaitForPid(pidFile);
    const pid_t parent = WaitForPid(parentFile);
    ASSERT_GT(decoder, 0);
    ASSERT_GT(parent, 0);
    // "Max cpu time   60   60   seconds" once the decoder has set it.
    auto cpuLimit = [&] {
        std::ifstream in("/proc/" + std::to_string(decoder) + "/limits");
        for (std::string line; std::getline(in, line);) {
            if (line.rfind("Max cpu time", 0) != 0) continue;
            std::istringstream fields(line.substr(12));
            std::string soft, hard;
            fields >> soft >> hard;
            return soft + "/" + hard;
        }
        return std::string();
    };
    std::string cpu;
    for (int i = 0; i < 100 && (cpu = cpuLimit()) != "60/60"; ++i) ::usleep(20000);
    EXPECT_EQ(cpu, "60/60");
    // The parent killed outright: the decoder goes with it.
    ASSERT_EQ(::kill(parent, SIGKILL), 0);
    EXPECT_TRUE(WaitGone(decoder));
    if (Alive(decoder)) ::kill(decoder, SIGKILL);
}

TEST(CliPreviewLimits, SigtermEndsTheDecoderAndRemovesThePrivateFolder) {
    test::TempDir dir;
    const std::string img = dir / "card.img";
    {
        media::ImageFile f(img, 2 << 20);
        f.Write(512 * 8, media::Bytes{0xFF, 0xD8, 0xFF, 0xE1});
    }
    // A decoder that never answers.
    const std::string script = dir / "slow-decoder";
    const std::string pidFile = dir / "decoder.pid";
    {
        std::ofstream out(script);
        out << "#!/bin/sh\necho $$ > '" << pidFile << "'\nexec sleep 60\n";
    }
    ::chmod(script.c_str(), 0755);
    const std::string runtime = dir / "runtime";
    std::filesystem::create_directory(runtime);
    ::chmod(runtime.c_str(), 0700);
    const std::string cliPid = dir / "cli.pid";
    const std::string status = dir / "status";
    ASSERT_EQ(test::RunCommand("sh -c 'TVN_DECODER=\"" + script + "\" XDG_RUNTIME_DIR=\"" + runtime +
                               "\" \"" + TVN_CLI + "\" -q preview " + img +
                               " --types jpg --file \"JPG/file# 1.JPG\" --to " + (dir / "p.png") +
                               " >/dev/null 2>&1 & echo $! > " + cliPid + "; wait $!; echo $? > " +
                               status + "' >/dev/null 2>&1 &"),
              0);
    const pid_t decoder = WaitForPid(pidFile);
    const pid_t cli = WaitForPid(cliPid);
    ASSERT_GT(decoder, 0);
    ASSERT_GT(cli, 0);
    bool copied = false;
    for (const auto& e : std::filesystem::directory_iterator(runtime))
        copied |= e.path().filename().string().rfind("TVNTEMP.", 0) == 0;
    EXPECT_TRUE(copied) << "the private folder is made before the decoder runs";

    ASSERT_EQ(::kill(cli, SIGTERM), 0);
    EXPECT_TRUE(WaitGone(cli));
    EXPECT_TRUE(WaitGone(decoder));
    if (Alive(decoder)) ::kill(decoder, SIGKILL);
    std::string code;
    for (int i = 0; i < 100 && code.empty(); ++i) {
        ::usleep(20000);
        std::ifstream in(status);
        std::getline(in, code);
    }
    EXPECT_EQ(code, "130");
    EXPECT_TRUE(std::filesystem::is_empty(runtime)) << "the private folder is left behind";
}

}  // namespace
}  // namespace tvn
