// The burn job end to end on stdio pseudo-drives: files extracted from a card
// image, staged in the cache folder, burnt, read back with other tools.
#include "output/burn_job.h"
#include "app/session.h"
#include "output/save_job.h"

#include <gtest/gtest.h>
#include <sys/mount.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <functional>
#include <thread>

#include "tests/optical/disc_image.h"
#include "tests/support/test_support.h"
#include "tools/media/image.h"

namespace tvn {
namespace {

namespace fs = std::filesystem;
using test::IsoSessions;
using test::IsoTree;
using test::TarList;
using test::TempDir;

class BurnReporter : public test::RecordingReporter {
public:
    void SetStatusText(std::string_view text) override {
        status.emplace_back(text);
        if (onStatus) onStatus(status.back());
    }
    void Progress(uint64_t percent) override {
        RecordingReporter::Progress(percent);
        if (onProgress) onProgress(percent);
    }
    void SetLastFileText(std::string_view text) override {
        RecordingReporter::SetLastFileText(text);
        if (onLastFile) onLastFile();
    }
    bool Burning() const { return !status.empty() && status.back().rfind("Burning", 0) == 0; }

    std::vector<std::string> status;
    std::function<void(const std::string&)> onStatus;
    std::function<void(uint64_t)> onProgress;
    std::function<void()> onLastFile;
};

// A card image whose bytes are a pattern, JPEG nodes over it, a cache folder
// and a pseudo-drive writing disc.iso.
struct BurnFixture {
    TempDir dir;
    std::string card = dir / "card.img";
    std::string cache = dir / "cache";
    std::string disc = dir / "disc.iso";
    std::vector<uint8_t> bytes;
    CSession session;
    BurnReporter reporter;
    CBurner burner{&reporter};

    explicit BurnFixture(size_t cardBytes = 4 << 20) {
        media::ImageFile img(card, cardBytes);
        bytes.resize(cardBytes);
        for (size_t i = 0; i < bytes.size(); ++i)
            bytes[i] = static_cast<uint8_t>(i * 13 + i / 4093);
        img.Write(0, bytes);
        fs::create_directories(cache);
        session.selectedDrive = card;
        session.jobName = "Tarvolin 14.05.09";
        EXPECT_TRUE(burner.IsInitialized()) << burner.GetInitError();
        EXPECT_TRUE(burner.SelectRecorder("stdio:" + disc));
    }

    CFileNode* Jpeg(unsigned number, uint64_t startSector, uint64_t size, bool ticked = true) {
        CFolderNode* f = session.tree.FindFolder("JPG");
        if (f == nullptr) f = session.tree.InsertFolder("JPG");
        CFileNode* n = f->InsertFile("file# " + std::to_string(number) + ".", startSector,
                                     startSector + size / 512, size);
        n->SetChecked(ticked);
        return n;
    }

    JobOutcome Run(bool compress, std::chrono::milliseconds poll = std::chrono::milliseconds(100)) {
        session.destination = cache;
        session.compress = compress;
        session.job.Reset();
        CBurnJob job(session, burner, reporter);
        job.SetPollInterval(poll);
        return job.Run();
    }

    // The card's bytes a node was saved from: whole sectors and one more.
    std::vector<uint8_t> Original(const CFileNode* n) const {
        const auto from = bytes.begin() + static_cast<std::ptrdiff_t>(n->GetStartSector() * 512);
        const uint64_t saved = n->GetSize() - n->GetSize() % 512 + 512;
        return {from, from + static_cast<std::ptrdiff_t>(saved)};
    }
    bool CacheEmpty() const { return fs::is_empty(cache); }
    std::vector<std::string> Boxes() const {
        std::vector<std::string> texts;
        for (const auto& m : reporter.messages) texts.push_back(m.caption + ": " + m.text);
        return texts;
    }
};

TEST(BurnJob, PlainBurnPutsTheTypeFoldersAtTheDiscRootAndEmptiesTheCache) {
    BurnFixture f;
    CFileNode* a = f.Jpeg(1, 100, 150000);
    CFileNode* b = f.Jpeg(2, 800, 2000);
    f.Jpeg(3, 900, 2000, false);
    const JobOutcome outcome = f.Run(false);

    EXPECT_EQ(outcome.result, JobResult::Completed) << outcome.message << f.reporter.console;
    EXPECT_EQ(outcome.message, kBurnCompleted);
    EXPECT_EQ(outcome.done, 2u);
    EXPECT_EQ(outcome.failed, 0u);
    EXPECT_EQ(f.reporter.finished, 1);
    EXPECT_TRUE(f.reporter.messages.empty()) << ::testing::PrintToString(f.Boxes());
    EXPECT_EQ(f.reporter.status, (std::vector<std::string>{"Writing cache", "Burning data"}));
    ASSERT_FALSE(f.reporter.progress.empty());
    EXPECT_EQ(f.reporter.progress.back(), 100u);
    for (uint64_t p : f.reporter.progress) EXPECT_LE(p, 100u);

    EXPECT_EQ(IsoTree(f.disc),
              (std::vector<std::string>{"/JPG", "/JPG/file# 1.JPG", "/JPG/file# 2.JPG"}));
    EXPECT_EQ(test::IsoVolumeId(f.disc), "Orvane");
    ASSERT_TRUE(test::TarExtract(f.disc, f.dir / "out"));
    EXPECT_EQ(test::ReadFile(f.dir / "out/JPG/file# 1.JPG"), f.Original(a));
    EXPECT_EQ(test::ReadFile(f.dir / "out/JPG/file# 2.JPG"), f.Original(b));
    EXPECT_TRUE(f.CacheEmpty());
    EXPECT_FALSE(f.burner.IsWriting());
}

TEST(BurnJob, CompressedBurnPutsTheArchiveAtTheDiscRoot) {
    BurnFixture f;
    f.Jpeg(1, 100, 150000);
    f.Jpeg(2, 800, 2000);
    const JobOutcome outcome = f.Run(true);

    EXPECT_EQ(outcome.result, JobResult::Completed) << outcome.message << f.reporter.console;
    EXPECT_EQ(outcome.done, 2u);
    EXPECT_EQ(f.reporter.status,
              (std::vector<std::string>{"Writing cache", "Burning compressed data"}));
    EXPECT_EQ(IsoTree(f.disc), std::vector<std::string>{"/Tarvolin 14.05.09.zip"});
    ASSERT_TRUE(test::TarExtract(f.disc, f.dir / "out"));
    EXPECT_EQ(test::RunCommand("unzip -tq '" + f.dir / "out/Tarvolin 14.05.09.zip" + "'"), 0);
    std::string names;
    test::RunCommand("unzip -Z1 '" + f.dir / "out/Tarvolin 14.05.09.zip" + "'", &names);
    EXPECT_NE(names.find("Tarvolin 14.05.09/JPG/file# 2.JPG"), std::string::npos) << names;
    EXPECT_TRUE(f.CacheEmpty());
}

TEST(BurnJob, ASecondBurnKeepsTheFirstSessionsFiles) {
    BurnFixture f;
    f.Jpeg(1, 100, 150000);
    f.Jpeg(2, 800, 2000);
    ASSERT_EQ(f.Run(false).result, JobResult::Completed) << f.reporter.console;
    // A second job of the same run on the same burner: a stale "done" from
    // the first would end it before anything was written.
    f.session.jobName = "Tarvolin 14.05.10";
    f.Jpeg(4, 1000, 300000);
    const JobOutcome second = f.Run(true);
    EXPECT_EQ(second.result, JobResult::Completed) << second.message << f.reporter.console;
    EXPECT_EQ(second.done, 3u);
    EXPECT_EQ(f.reporter.finished, 2);

    EXPECT_EQ(IsoSessions(f.disc), 2);
    EXPECT_EQ(IsoTree(f.disc), (std::vector<std::string>{"/JPG", "/JPG/file# 1.JPG",
                                                         "/JPG/file# 2.JPG",
                                                         "/Tarvolin 14.05.10.zip"}));
    // Every session's files, as a reader of all sessions sees them.
    const std::vector<std::string> all = TarList(f.disc);
    for (const std::string name : {"JPG/file# 1.JPG", "JPG/file# 2.JPG", "Tarvolin 14.05.10.zip"})
        EXPECT_NE(std::find(all.begin(), all.end(), name), all.end()) << name;
    EXPECT_TRUE(f.CacheEmpty());
}

// A save and a burn after it write the same bytes: the save leaves the
// catalogue as the scan made it.
TEST(BurnJob, ABurnAfterASaveWritesTheSameBytes) {
    BurnFixture f;
    CFileNode* a = f.Jpeg(1, 100, 150000);
    CFileNode* b = f.Jpeg(2, 800, 2048);
    const std::string saved = f.dir / "saved";
    fs::create_directories(saved);
    f.session.destination = saved;
    f.session.compress = false;
    f.session.job.Reset();
    CSaveJob save(f.session, f.reporter);
    ASSERT_EQ(save.Run().result, JobResult::Completed) << f.reporter.console;
    EXPECT_EQ(a->GetSize(), 150000u);
    EXPECT_EQ(b->GetSize(), 2048u);

    f.session.jobName = "Tarvolin 14.05.10";
    ASSERT_EQ(f.Run(false).result, JobResult::Completed) << f.reporter.console;
    ASSERT_TRUE(test::TarExtract(f.disc, f.dir / "out"));
    for (const CFileNode* n : {a, b}) {
        const std::string name = "/JPG/" + n->GetName();
        EXPECT_EQ(test::ReadFile(f.dir / "out" + name), f.Original(n)) << name;
        EXPECT_EQ(test::ReadFile(saved + "/Tarvolin 14.05.09" + name), f.Original(n)) << name;
    }
}

// Each medium the job cannot burn: its message in the outcome (the front end
// shows it, once), a failure (not a success), the finished notification all
// the same, the cache emptied, the medium untouched.
void ExpectRefused(BurnFixture& f, const JobOutcome& outcome, std::string_view text) {
    EXPECT_EQ(outcome.result, JobResult::Refused) << outcome.message;
    EXPECT_FALSE(outcome.Succeeded());
    EXPECT_EQ(outcome.message, text);
    EXPECT_EQ(outcome.done, 0u);
    EXPECT_TRUE(f.reporter.messages.empty()) << ::testing::PrintToString(f.Boxes());
    EXPECT_EQ(f.reporter.finished, 1);
    EXPECT_TRUE(f.CacheEmpty());
}

TEST(BurnJob, MediaThatCannotTakeTheBurnAreReportedAsFailures) {
    {
        SCOPED_TRACE("data that is no disc image");
        BurnFixture f;
        f.Jpeg(1, 100, 2000);
        const std::vector<uint8_t> data(256 << 10, 'x');
        test::WriteFile(f.disc, data);
        ExpectRefused(f, f.Run(false), kBurnInsertWritable);
        EXPECT_EQ(test::ReadFile(f.disc), data);
    }
    {
        SCOPED_TRACE("an image file in a folder that does not exist");
        BurnFixture f;
        f.Jpeg(1, 100, 2000);
        ASSERT_TRUE(f.burner.SelectRecorder("stdio:" + f.dir / "gone/disc.iso"));
        ExpectRefused(f, f.Run(false), kBurnInsertMedia);
        EXPECT_FALSE(fs::exists(f.dir / "gone"));
    }
    {
        SCOPED_TRACE("a disc too small for the image");
        BurnFixture f;
        f.Jpeg(1, 100, 600000);
        const std::string small = f.dir / "small";
        fs::create_directories(small);
        if (::mount("tvn-small", small.c_str(), "tmpfs", 0, "size=256k") != 0)
            GTEST_SKIP() << "cannot mount a small tmpfs here: " << std::strerror(errno);
        ASSERT_TRUE(f.burner.SelectRecorder("stdio:" + small + "/disc.iso"));
        ExpectRefused(f, f.Run(false), kBurnHigherCapacity);
        // Unlocked: the recorder answers for the next disc.
        EXPECT_TRUE(f.burner.IsUnitReady());
        f.burner.UnlockTray();
        EXPECT_EQ(::umount(small.c_str()), 0);
    }
}

TEST(BurnJob, StopWhileWritingAbortsKeepsTheEarlierSessionAndEmptiesTheCache) {
    BurnFixture f(24 << 20);
    f.Jpeg(1, 100, 20000);
    ASSERT_EQ(f.Run(false).result, JobResult::Completed) << f.reporter.console;

    // 17 MiB at a limited speed: the pseudo-drive writes 16 MiB and waits.
    f.session.jobName = "Tarvolin 14.05.10";
    f.Jpeg(2, 1000, 17 << 20);
    f.burner.SetWriteSpeed(8000);
    int polls = 0;
    f.reporter.onProgress = [&](uint64_t) {
        if (f.reporter.Burning() && ++polls == 2) f.session.job.Stop();  // after Progress(0)
    };
    const JobOutcome outcome = f.Run(false);
    EXPECT_EQ(outcome.result, JobResult::Stopped) << outcome.message << f.reporter.console;
    EXPECT_EQ(outcome.done, 0u);
    EXPECT_EQ(f.reporter.finished, 1);  // only the first job's
    EXPECT_TRUE(f.reporter.messages.empty()) << ::testing::PrintToString(f.Boxes());
    EXPECT_FALSE(f.burner.IsWriting());
    EXPECT_EQ(IsoSessions(f.disc), 1);
    EXPECT_EQ(IsoTree(f.disc), (std::vector<std::string>{"/JPG", "/JPG/file# 1.JPG"}));
    EXPECT_TRUE(f.CacheEmpty());

    // The recorder was let go: once the engine has wound the stopped write
    // down, the next burn goes onto the same disc. Until then a burn fails
    // as a failure, without touching the disc.
    f.reporter.onProgress = nullptr;
    f.burner.SetWriteSpeed(0);
    f.session.tree.FindFolder("JPG")->GetFirstChild()->GetNextFile()->SetChecked(false);
    JobOutcome next = f.Run(false);
    for (int i = 0; i < 40 && next.result != JobResult::Completed; ++i) {
        EXPECT_EQ(next.result, JobResult::Failed) << next.message;
        EXPECT_EQ(IsoSessions(f.disc), 1);
        std::this_thread::sleep_for(std::chrono::milliseconds(250));
        next = f.Run(false);
    }
    EXPECT_EQ(next.result, JobResult::Completed) << next.message << f.reporter.console;
    EXPECT_EQ(IsoSessions(f.disc), 2);
    EXPECT_TRUE(f.CacheEmpty());
}

// A write that ends while the job is paused is a finished burn, whatever
// the user answers afterwards: the disc has the new session.
TEST(BurnJob, AWriteThatEndsWhilePausedIsCompletedEvenWhenStoppedThen) {
    BurnFixture f(24 << 20);
    f.Jpeg(1, 100, 20000);
    // 17 MiB at a limited speed: the pseudo-drive writes 16 MiB and waits,
    // so the job is paused while the write is still going.
    f.Jpeg(2, 1000, 17 << 20);
    f.burner.SetWriteSpeed(8000);
    std::thread stopper;
    int polls = 0;
    f.reporter.onProgress = [&](uint64_t) {
        // The first is Progress(0) before the write starts.
        if (!f.reporter.Burning() || ++polls != 2) return;
        f.session.job.Pause();
        // Stop once the engine has ended the write.
        stopper = std::thread([&f] {
            for (int i = 0; i < 600 && f.burner.IsWriting(); ++i)
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
            f.session.job.Stop();
        });
    };
    const JobOutcome outcome = f.Run(false, std::chrono::milliseconds(20));
    if (stopper.joinable()) stopper.join();
    EXPECT_EQ(outcome.result, JobResult::Completed) << outcome.message << f.reporter.console;
    EXPECT_EQ(outcome.done, 2u);
    EXPECT_EQ(IsoSessions(f.disc), 1);
    EXPECT_EQ(IsoTree(f.disc), (std::vector<std::string>{"/JPG", "/JPG/file# 1.JPG", "/JPG/file# 2.JPG"}));
}

TEST(BurnJob, StopWhileStagingBurnsNothingAndEmptiesTheCache) {
    BurnFixture f;
    f.Jpeg(1, 100, 2000);
    f.Jpeg(2, 200, 2000);
    f.reporter.onLastFile = [&] { f.session.job.Stop(); };
    const JobOutcome outcome = f.Run(true);
    EXPECT_EQ(outcome.result, JobResult::Stopped);
    EXPECT_EQ(f.reporter.finished, 0);
    EXPECT_EQ(f.reporter.status, std::vector<std::string>{"Writing cache"});
    EXPECT_FALSE(fs::exists(f.disc));
    EXPECT_TRUE(f.CacheEmpty());
}

TEST(BurnJob, NothingIsWrittenToTheMediumBeingRecovered) {
    BurnFixture f;
    f.Jpeg(1, 100, 2000);
    const std::vector<uint8_t> before = test::ReadFile(f.card);
    // The pseudo-drive's image file is the card itself.
    ASSERT_TRUE(f.burner.SelectRecorder("stdio:" + f.card));
    JobOutcome outcome = f.Run(false);
    EXPECT_EQ(outcome.result, JobResult::Refused);
    EXPECT_EQ(f.reporter.finished, 1);
    EXPECT_TRUE(f.reporter.messages.empty()) << ::testing::PrintToString(f.Boxes());
    EXPECT_NE(outcome.message.find("is the disk image being recovered"), std::string::npos)
        << outcome.message;
    EXPECT_EQ(test::ReadFile(f.card), before);
    EXPECT_TRUE(f.CacheEmpty());

    // A cache folder that does not exist is refused before anything is done.
    ASSERT_TRUE(f.burner.SelectRecorder("stdio:" + f.disc));
    f.cache = f.dir / "no-cache";
    outcome = f.Run(false);
    EXPECT_EQ(outcome.result, JobResult::Refused);
    EXPECT_FALSE(fs::exists(f.disc));
}

}  // namespace
}  // namespace tvn
