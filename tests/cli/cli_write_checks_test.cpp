// Everything tarvolin-cli writes besides a save (the scan info file, a
// preview picture, the diagnostic log) is refused on the medium being read,
// with the save's own message, and the medium is left as it was.
#include <gtest/gtest.h>
#include <sys/mount.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <optional>

#include "tests/support/test_support.h"
#include "tools/media/image.h"

namespace tvn {
namespace {

std::string Cli(const std::string& args) { return std::string(TVN_CLI) + " " + args; }

constexpr const char* kRefusal = "Please choose a destination on another drive.";

// A card image with two JPEG headers: something to scan and to preview.
void MakeCard(const std::string& path) {
    media::ImageFile f(path, 2 << 20);
    f.Write(512 * 8, media::Bytes{0xFF, 0xD8, 0xFF, 0xE1});
    f.Write(512 * 16, media::Bytes{0xFF, 0xD8, 0xFF, 0xE0});
}

// An ext4 file system image, loop-mounted: its mount point lies on the image.
class MountedImage {
public:
    bool Mount(const std::string& image, std::string& why) {
        test::WriteFile(image, std::vector<uint8_t>(8u << 20, 0));
        std::string out;
        if (test::RunCommand("mkfs.ext4 -q -F '" + image + "' 2>&1", &out) != 0) {
            why = "mkfs.ext4 failed: " + out;
            return false;
        }
        auto loop = test::LoopDevice::Attach(image, 0, why);
        if (!loop) return false;
        m_loop.emplace(std::move(*loop));
        if (::mount(m_loop->Path().c_str(), m_dir.Path().c_str(), "ext4", 0, nullptr) != 0) {
            why = std::string("cannot mount here: ") + std::strerror(errno);
            return false;
        }
        m_mounted = true;
        return true;
    }
    ~MountedImage() {
        if (m_mounted) ::umount(m_dir.Path().c_str());
    }
    const std::string& MountPoint() const { return m_dir.Path(); }

private:
    std::optional<test::LoopDevice> m_loop;
    test::TempDir m_dir;  // gone (after the unmount) before the loop device
    bool m_mounted = false;
};

TEST(CliWriteChecks, ScanInfoPreviewAndLogAreRefusedOnTheImage) {
    test::TempDir dir;
    const std::string img = dir / "card.img";
    MakeCard(img);
    const std::vector<uint8_t> before = test::ReadFile(img);

    std::string err;
    EXPECT_EQ(test::RunCommand(Cli("-q scan " + img + " --types jpg --save-scan-info " + img +
                                   " 2>&1 >/dev/null"),
                               &err),
              1);
    EXPECT_NE(err.find(kRefusal), std::string::npos) << err;
    EXPECT_EQ(test::ReadFile(img), before);

    err.clear();
    EXPECT_EQ(test::RunCommand(Cli("-q preview " + img + " --types jpg --file 'JPG/file# 1.JPG' --to " +
                                   img + " 2>&1 >/dev/null"),
                               &err),
              1);
    EXPECT_NE(err.find(kRefusal), std::string::npos) << err;
    EXPECT_EQ(test::ReadFile(img), before);

    err.clear();
    EXPECT_EQ(test::RunCommand(Cli("-q --log " + img + " scan " + img + " --types jpg 2>&1 >/dev/null"),
                               &err),
              1);
    EXPECT_NE(err.find(kRefusal), std::string::npos) << err;
    EXPECT_EQ(test::ReadFile(img), before);

    // Beside the image is another place: all three are written there.
    EXPECT_EQ(test::RunCommand(Cli("-q --log " + (dir / "log.txt") + " scan " + img +
                                   " --types jpg --save-scan-info " + (dir / "card.bin") +
                                   " >/dev/null 2>&1")),
              0);
    EXPECT_FALSE(test::ReadFile(dir / "card.bin").empty());
    EXPECT_EQ(test::ReadFile(img), before);
}

TEST(CliWriteChecks, RefusedOnAFileSystemMountedFromTheImage) {
    test::TempDir dir;
    const std::string img = dir / "fs.img";
    std::string why;
    MountedImage mounted;
    if (!mounted.Mount(img, why)) GTEST_SKIP() << why;
    const std::string mnt = mounted.MountPoint();

    for (const std::string& args :
         {"-q scan " + img + " --types jpg --save-scan-info " + mnt + "/scan.bin",
          "-q preview " + img + " --types jpg --file 'JPG/file# 1.JPG' --to " + mnt + "/p.png",
          "-q --log " + mnt + "/log.txt scan " + img + " --types jpg"}) {
        std::string err;
        EXPECT_EQ(test::RunCommand(Cli(args + " 2>&1 >/dev/null"), &err), 1) << args;
        EXPECT_NE(err.find(kRefusal), std::string::npos) << args << "\n" << err;
    }
    EXPECT_FALSE(std::filesystem::exists(mnt + "/scan.bin"));
    EXPECT_FALSE(std::filesystem::exists(mnt + "/p.png"));
    EXPECT_FALSE(std::filesystem::exists(mnt + "/log.txt"));
}

}  // namespace
}  // namespace tvn
