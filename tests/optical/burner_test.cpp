// The burner on stdio pseudo-drives: media states, sessions that add up,
// names in both name sets, and a write stopped halfway.
#include "optical/burner.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <random>

#include "tests/optical/disc_image.h"
#include "tests/support/test_support.h"

namespace tvn {
namespace {

namespace fs = std::filesystem;
using test::IsoSessions;
using test::IsoTree;
using test::RecordingReporter;
using test::TarList;
using test::TempDir;

std::vector<uint8_t> Noise(size_t size, unsigned seed) {
    std::mt19937 gen(seed);
    std::vector<uint8_t> bytes(size);
    for (auto& b : bytes) b = static_cast<uint8_t>(gen());
    return bytes;
}

// Waits for the completion callback and keeps what it was given.
struct Completion {
    std::mutex mutex;
    std::condition_variable cv;
    int calls = 0;
    int status = -1;
    void* context = nullptr;

    CBurner::WriteCallback Callback() {
        return [this](CBurner&, uint8_t s, void* c) {
            std::lock_guard lock(mutex);
            ++calls;
            status = s;
            context = c;
            cv.notify_all();
        };
    }
    bool Wait() {
        std::unique_lock lock(mutex);
        return cv.wait_for(lock, std::chrono::seconds(60), [this] { return calls > 0; });
    }
};

// Builds a session of folder's contents over the disc's last one.
bool Prepare(CBurner& burner, const std::string& folder) {
    if (!burner.IsMediaPresent() || !burner.IsMediaWritable() || !burner.LockTray()) return false;
    burner.NewImage();
    burner.SetVolumeText("Orvane");
    return burner.ImportLastSession(0, "\\") && burner.AddTree("\\", folder, "*.*", true, true) &&
           burner.BuildImage();
}

// Writes a session and waits for it; the callback's status (-1: none).
int Burn(CBurner& burner, const std::string& folder) {
    if (!Prepare(burner, folder)) return -1;
    Completion done;
    if (!burner.StartWrite(done.Callback(), nullptr) || !done.Wait()) return -1;
    burner.UnlockTray();
    return done.status;
}

TEST(Burner, MediaStateOfAPseudoDriveFollowsItsImageFile) {
    TempDir dir;
    RecordingReporter console;
    CBurner burner(&console);
    ASSERT_TRUE(burner.IsInitialized()) << burner.GetInitError();

    // A folder that does not exist: no medium, no recorder to start a job on.
    ASSERT_TRUE(burner.SelectRecorder("stdio:" + dir / "missing/disc.iso"));
    EXPECT_FALSE(burner.IsMediaPresent());
    EXPECT_EQ(burner.GetMediaState(), MediaState::None);
    EXPECT_FALSE(burner.IsReady());

    // A file not yet there is a blank disc.
    const std::string image = dir / "disc.iso";
    ASSERT_TRUE(burner.SelectRecorder("stdio:" + image));
    EXPECT_EQ(burner.GetMediaState(), MediaState::Blank);
    EXPECT_TRUE(burner.IsMediaPresent());
    EXPECT_TRUE(burner.IsMediaWritable());
    EXPECT_TRUE(burner.IsUnitReady());
    EXPECT_GT(burner.GetFreeSpace(), 0u);
    burner.UnlockTray();

    // Data that is no ISO image is a full disc: it must not be written over.
    const std::string other = dir / "other.bin";
    test::WriteFile(other, std::vector<uint8_t>(1 << 20, 'x'));
    ASSERT_TRUE(burner.SelectRecorder("stdio:" + other));
    EXPECT_EQ(burner.GetMediaState(), MediaState::Full);
    EXPECT_TRUE(burner.IsMediaPresent());
    EXPECT_FALSE(burner.IsMediaWritable());
    burner.UnlockTray();

    // After a session the image takes more.
    fs::create_directories(dir / "stage");
    test::WriteFile(dir / "stage/a.jpg", Noise(5000, 1));
    ASSERT_TRUE(burner.SelectRecorder("stdio:" + image));
    ASSERT_EQ(Burn(burner, dir / "stage"), kWriteSucceeded) << console.console;
    EXPECT_EQ(burner.GetMediaState(), MediaState::Appendable);
    EXPECT_TRUE(burner.IsMediaWritable());
    burner.UnlockTray();
}

TEST(Burner, OnlyDevicesAndPseudoDrivesAreRecorders) {
    CBurner burner;
    ASSERT_TRUE(burner.IsInitialized()) << burner.GetInitError();
    for (const std::string bad : {"", "disc.iso", "stdio:", "E:", "sr0"}) {
        EXPECT_FALSE(burner.SelectRecorder(bad)) << bad;
    }
    EXPECT_TRUE(burner.SelectRecorder("/dev/sr9"));
    EXPECT_FALSE(burner.IsPseudoDrive());
    EXPECT_FALSE(burner.IsMediaPresent());
    // Relative image paths are made absolute.
    ASSERT_TRUE(burner.SelectRecorder("stdio:rel/disc.iso"));
    EXPECT_EQ(burner.GetSelectedAddress(), "stdio:" + (fs::current_path() / "rel/disc.iso").string());
    EXPECT_FALSE(burner.SelectRecorder(99));
    EXPECT_EQ(burner.GetRecorderName(-1), "");
}

TEST(Burner, SessionsAddUpAndKeepEveryNameInBothNameSets) {
    TempDir dir;
    RecordingReporter console;
    CBurner burner(&console);
    ASSERT_TRUE(burner.IsInitialized()) << burner.GetInitError();
    const std::string image = dir / "disc.iso";
    ASSERT_TRUE(burner.SelectRecorder("stdio:" + image));

    const std::string stage = dir / "stage";
    fs::create_directories(stage + "/JPG");
    test::WriteFile(stage + "/JPG/file# 1.JPG", Noise(70000, 2));
    test::WriteFile(stage + "/JPG/Café Ölberg.jpg", Noise(3000, 3));
    test::WriteFile(stage + "/notes", Noise(10, 4));

    ASSERT_TRUE(Prepare(burner, stage));
    EXPECT_GT(burner.GetImageSize(), 70000u / kBurnBlockSize);
    Completion done;
    int context = 0;
    ASSERT_TRUE(burner.StartWrite(done.Callback(), &context));
    ASSERT_TRUE(done.Wait());
    EXPECT_EQ(done.status, kWriteSucceeded) << console.console;
    EXPECT_EQ(done.context, &context);
    EXPECT_EQ(burner.GetWrittenSize(), burner.GetImageSize());
    burner.UnlockTray();
    EXPECT_EQ(test::IsoVolumeId(image), "Orvane");

    // The same names again: the earlier files stay visible, the new ones
    // take a number before their extension.
    test::WriteFile(stage + "/JPG/file# 1.JPG", Noise(7000, 5));
    ASSERT_EQ(Burn(burner, stage), kWriteSucceeded) << console.console;
    EXPECT_EQ(done.calls, 1);
    EXPECT_EQ(IsoSessions(image), 2);
    const std::vector<std::string> expected = {
        "/JPG",           "/JPG/Café Ölberg (2).jpg", "/JPG/Café Ölberg.jpg",
        "/JPG/file# 1 (2).JPG", "/JPG/file# 1.JPG",  "/notes", "/notes (2)"};
    EXPECT_EQ(IsoTree(image), expected);
    // Joliet carries the same names for systems without Rock Ridge.
    const std::vector<std::string> joliet = TarList(image, "iso9660:!rockridge");
    EXPECT_NE(std::find(joliet.begin(), joliet.end(), "JPG/Café Ölberg (2).jpg"), joliet.end());
    EXPECT_NE(std::find(joliet.begin(), joliet.end(), "JPG/file# 1.JPG"), joliet.end());
    // The first session's file holds the first session's bytes.
    ASSERT_TRUE(test::TarExtract(image, dir / "out"));
    EXPECT_EQ(test::ReadFile(dir / "out/JPG/file# 1.JPG"), Noise(70000, 2));
    EXPECT_EQ(test::ReadFile(dir / "out/JPG/file# 1 (2).JPG"), Noise(7000, 5));
}

TEST(Burner, AStoppedWriteLeavesTheDiscAsItWasAndTheRecorderUsable) {
    TempDir dir;
    RecordingReporter console;
    CBurner burner(&console);
    ASSERT_TRUE(burner.IsInitialized()) << burner.GetInitError();
    const std::string image = dir / "disc.iso";
    ASSERT_TRUE(burner.SelectRecorder("stdio:" + image));
    fs::create_directories(dir / "one");
    test::WriteFile(dir / "one/first.jpg", Noise(20000, 6));
    ASSERT_EQ(Burn(burner, dir / "one"), kWriteSucceeded) << console.console;
    const std::vector<uint8_t> before = test::ReadFile(image);

    // A slow write, stopped halfway. A pseudo-drive keeps to the write
    // speed on average: it writes its first 16 MiB at once and then waits
    // (here about two seconds), so the stop comes while it writes.
    fs::create_directories(dir / "two");
    test::WriteFile(dir / "two/second.mov", std::vector<uint8_t>(17 << 20, 0x5A));
    burner.SetWriteSpeed(8000);
    ASSERT_TRUE(Prepare(burner, dir / "two"));
    Completion done;
    ASSERT_TRUE(burner.StartWrite(done.Callback(), nullptr));
    EXPECT_TRUE(burner.IsWriting());
    EXPECT_FALSE(burner.StartWrite(done.Callback(), nullptr));  // one write at a time
    for (int i = 0; i < 200 && burner.GetWrittenSize() == 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_GT(burner.GetWrittenSize(), 0u);
    burner.Abort();
    ASSERT_TRUE(done.Wait());
    EXPECT_EQ(done.status, kWriteFailed);
    EXPECT_EQ(done.calls, 1);
    EXPECT_LT(burner.GetWrittenSize(), burner.GetImageSize());
    EXPECT_TRUE(burner.UnlockTray());
    EXPECT_EQ(IsoSessions(image), 1);
    EXPECT_EQ(IsoTree(image), std::vector<std::string>{"/first.jpg"});
    // The first session's blocks are untouched.
    const std::vector<uint8_t> after = test::ReadFile(image);
    ASSERT_GE(after.size(), before.size());
    EXPECT_TRUE(std::equal(before.begin() + 64 * 1024, before.end(), after.begin() + 64 * 1024));

    // While the engine still winds the stopped write down, a new write is
    // refused, and the disc must not be made to point at the stopped one.
    burner.SetWriteSpeed(0);
    fs::remove(dir / "two/second.mov");
    test::WriteFile(dir / "two/third.jpg", Noise(3000, 8));
    int status = Burn(burner, dir / "two");
    burner.UnlockTray();
    const std::vector<std::string> kept =
        status == kWriteSucceeded ? std::vector<std::string>{"/first.jpg", "/third.jpg"}
                                  : std::vector<std::string>{"/first.jpg"};
    EXPECT_EQ(IsoTree(image), kept);
    // Then the recorder takes the next burn.
    for (int i = 0; i < 40 && status != kWriteSucceeded; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(250));
        status = Burn(burner, dir / "two");
        burner.UnlockTray();
    }
    ASSERT_EQ(status, kWriteSucceeded) << console.console;
    EXPECT_EQ(IsoTree(image), (std::vector<std::string>{"/first.jpg", "/third.jpg"}));
    EXPECT_EQ(IsoSessions(image), 2);
}

}  // namespace
}  // namespace tvn

namespace tvn {
namespace {

// A write that fails on the device (no room left on it) is reported as a
// failure, and only once the engine has let go of it: the next burn, at
// once, in this burner and in another after this one was closed (which shuts
// the engine down), goes well.
TEST(Burner, AWriteThatFailsOnTheDeviceLeavesTheEngineUsable) {
    if (!fs::exists("/dev/full")) GTEST_SKIP() << "no /dev/full on this machine";
    TempDir dir;
    fs::create_directories(dir / "one");
    test::WriteFile(dir / "one/first.jpg", Noise(200000, 9));
    {
        RecordingReporter console;
        CBurner burner(&console);
        ASSERT_TRUE(burner.IsInitialized()) << burner.GetInitError();
        ASSERT_TRUE(burner.SelectRecorder("stdio:/dev/full"));
        const int status = Burn(burner, dir / "one");
        EXPECT_NE(status, kWriteSucceeded) << console.console;
        burner.UnlockTray();
        const std::string image = dir / "disc.iso";
        ASSERT_TRUE(burner.SelectRecorder("stdio:" + image));
        // At once: the engine has let go of the failed write when it is
        // reported.
        EXPECT_EQ(Burn(burner, dir / "one"), kWriteSucceeded) << console.console;
        EXPECT_EQ(IsoTree(image), std::vector<std::string>{"/first.jpg"});
    }
    RecordingReporter console;
    CBurner burner(&console);
    const std::string image = dir / "other.iso";
    ASSERT_TRUE(burner.SelectRecorder("stdio:" + image));
    EXPECT_EQ(Burn(burner, dir / "one"), kWriteSucceeded) << console.console;
    EXPECT_EQ(IsoTree(image), std::vector<std::string>{"/first.jpg"});
}

}  // namespace
}  // namespace tvn
