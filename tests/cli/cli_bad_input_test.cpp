// Sources that are no medium, and paths that are no UTF-8: tarvolin-cli
// neither hangs nor calls them empty media, and names the reason.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <nlohmann/json.hpp>

#include "tests/support/test_support.h"
#include "tools/media/image.h"

namespace tvn {
namespace {

// Bounded: a command that hangs ends with 124 instead of holding the test.
std::string Cli(const std::string& args) {
    return "timeout 30 " + std::string(TVN_CLI) + " -q " + args;
}

TEST(CliBadInput, SourcesThatAreNoMediumAreRefusedWithTheReason) {
    test::TempDir dir;
    const std::string fifo = dir / "pipe";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    test::WriteFile(dir / "empty.img", {});
    test::WriteFile(dir / "short.img", std::vector<uint8_t>(511, 0xFF));
    { media::ImageFile f(dir / "card.img", 1 << 20); }
    std::filesystem::create_directory(dir / "folder");

    const std::vector<std::pair<std::string, std::string>> cases{
        {"probe " + fifo, "is a FIFO"},
        {"scan " + fifo + " --types jpg", "is a FIFO"},
        {"save " + fifo + " --types jpg --to " + dir.Path(), "is a FIFO"},
        {"info " + fifo, "Invalid argument"},
        {"save " + (dir / "card.img") + " --scan-info " + fifo + " --to " + dir.Path(),
         "Invalid argument"},
        {"scan " + (dir / "folder") + " --types jpg", "is a folder"},
        {"scan /dev/zero --types jpg", "is a character device"},
        {"probe /dev/null", "is a character device"},
        {"scan " + (dir / "empty.img") + " --types jpg", "too small: 0 bytes"},
        {"scan " + (dir / "short.img") + " --types jpg", "too small: 511 bytes"},
    };
    for (const auto& [args, reason] : cases) {
        std::string err;
        EXPECT_EQ(test::RunCommand(Cli(args) + " 2>&1 >/dev/null", &err), 1) << args << "\n" << err;
        EXPECT_NE(err.find(reason), std::string::npos) << args << "\n" << err;
    }
    // The source's refusal keeps the medium's own message beside the reason.
    std::string err;
    test::RunCommand(Cli("scan " + fifo + " --types jpg") + " 2>&1 >/dev/null", &err);
    EXPECT_NE(err.find("Removable drive is disconnected."), std::string::npos) << err;
    // One sector is enough.
    test::WriteFile(dir / "one.img", std::vector<uint8_t>(512, 0));
    EXPECT_EQ(test::RunCommand(Cli("scan " + (dir / "one.img") + " --types jpg >/dev/null 2>&1")), 0);
}

TEST(CliBadInput, APathThatIsNoUtf8IsEscapedInJsonAndTheScanInfoIsWritten) {
    test::TempDir dir;
    const std::string img = dir / "card\xff\xfe.img";
    {
        media::ImageFile f(img, 2 << 20);
        f.Write(512 * 8, media::Bytes{0xFF, 0xD8, 0xFF, 0xE1});
    }
    const std::string info = dir / "card.bin";
    std::string out;
    ASSERT_EQ(test::RunCommand(Cli("scan '" + img + "' --types jpg --json --save-scan-info " + info +
                                   " 2>/dev/null"),
                               &out),
              0);
    const auto j = nlohmann::json::parse(out);
    const std::string source = j["source"];
    EXPECT_NE(source.find("card\xef\xbf\xbd"), std::string::npos) << source;
    std::string raw;
    for (const auto& b : j["source_bytes"]) raw += static_cast<char>(b.get<int>());
    EXPECT_EQ(std::filesystem::path(raw).filename().string(), "card\xff\xfe.img");
    EXPECT_EQ(j["totals"]["files"], 1);
    EXPECT_TRUE(std::filesystem::exists(info));
}

}  // namespace
}  // namespace tvn
