// Failing media, full and vanishing destinations: the faults are injected at
// the system-call level by a FUSE file system (tvn-faultyfs) that serves an
// image with bad sectors or vanishes on command, by a loop device over it
// (a real block device with bad sectors), and by small tmpfs mounts.
#include <fcntl.h>
#include <fmt/format.h>
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <set>

#include "app/session.h"
#include "output/extract.h"
#include "output/save_job.h"
#include "scan/scan_job.h"
#include "tests/support/faulty_image.h"
#include "tests/support/test_support.h"
#include "tools/media/image.h"
#include "tools/media/photo_writers.h"

namespace tvn {
namespace {

namespace fs = std::filesystem;
using media::Bytes;
using test::FaultyImage;
using test::ReadFile;
using test::RecordingReporter;
using test::TempDir;

constexpr uint64_t kSector = 512;

// Where the files of the test card lie (sectors) and the sectors that fail:
// one inside a JPEG, two inside a TIFF's pixels, two on both sides of the
// edge between the scan's blocks 1 and 2 inside another JPEG, and one after
// the files. A JPEG's length runs to the next JPEG: the one at sector 6000
// ends at 6500 and touches none.
struct CardLayout {
    std::map<uint64_t, Bytes> files;
    std::vector<uint64_t> bad = {140, 1300, 1301, 2047, 2048, 7000};
};

CardLayout BuildCard(const std::string& path) {
    CardLayout card;
    media::JpegOptions a;
    a.detail = 10;
    a.seed = 3;
    card.files[100] = media::MakeJpeg(a);
    media::TiffOptions t;
    t.seed = 5;
    card.files[1000] = media::MakeTiff(t);
    media::JpegOptions b = a;
    b.seed = 7;
    card.files[1990] = media::MakeJpeg(b);
    media::JpegOptions c = a;
    c.seed = 9;
    card.files[6000] = media::MakeJpeg(c);
    media::JpegOptions d = a;
    d.seed = 11;
    card.files[6500] = media::MakeJpeg(d);
    media::ImageFile img(path, 8u << 20);
    for (const auto& [sector, bytes] : card.files) img.Write(sector * kSector, bytes);
    return card;
}

// The files found on a medium, by type and start sector, with their lengths.
using Found = std::map<std::pair<std::string, uint64_t>, uint64_t>;

struct ScanResult {
    Found found;
    uint64_t unreadable = 0;
    std::vector<SectorRange> ranges;
    bool lost = false;
};

ScanResult Scan(CSession& session, const std::string& medium, RecordingReporter& reporter,
                bool straightforward = false) {
    ScanResult r;
    EXPECT_TRUE(session.OpenCurrentSource(medium, reporter, kDisconnectedRestart)) << medium;
    if (!session.diskSource) return r;
    CScanJob job(*session.diskSource, session.tree, session.counters, session.job, reporter);
    EXPECT_TRUE(job.SetTypes(std::vector<FileType>{FileType::JPG, FileType::TIF}));
    job.Context().straightforward = straightforward;
    session.job.Reset();
    job.Run();
    for (CFolderNode* f = session.tree.GetFirstFolder(); f; f = f->GetNextFolder()) {
        for (CFileNode* n = f->GetFirstChild(); n; n = n->GetNextFile()) {
            r.found[{f->GetName(), n->GetStartSector()}] = n->GetSize();
        }
    }
    r.unreadable = job.UnreadableSectors();
    r.ranges = job.UnreadableRanges();
    r.lost = job.MediumLost();
    return r;
}

// Saves every found file into dest; returns the outcome.
JobOutcome SaveAll(CSession& session, const std::string& dest, IReporter& reporter,
                   bool compress = false) {
    for (CFolderNode* f = session.tree.GetFirstFolder(); f; f = f->GetNextFolder()) {
        for (CFileNode* n = f->GetFirstChild(); n; n = n->GetNextFile()) n->SetChecked(true);
    }
    session.destination = dest;
    session.jobName = "Tarvolin 14.05.09";
    session.compress = compress;
    session.job.Reset();
    CSaveJob job(session, reporter);
    return job.Run();
}

// Every regular file below dir, by its path below dir.
std::map<std::string, Bytes> Tree(const std::string& dir) {
    std::map<std::string, Bytes> out;
    std::error_code ec;
    for (const auto& e : fs::recursive_directory_iterator(dir, ec)) {
        if (e.is_regular_file()) out[fs::relative(e.path(), dir).string()] = ReadFile(e.path());
    }
    return out;
}

bool HasPartial(const std::map<std::string, Bytes>& tree) {
    return std::any_of(tree.begin(), tree.end(),
                       [](const auto& f) { return f.first.find(".partial") != std::string::npos; });
}

// A scan and a save of everything found, into a folder of its own.
struct Pass {
    TempDir out;
    ScanResult scan;
    JobOutcome outcome;
    std::map<std::string, Bytes> saved;
    std::map<std::string, uint64_t> startOf;  // saved path -> start sector
    std::map<uint64_t, uint64_t> extent;      // start sector -> sectors extracted
    uint64_t unreadableInSave = 0;
    std::string console;

    explicit Pass(const std::string& medium, bool straightforward = false) {
        CSession session;
        RecordingReporter reporter;
        scan = Scan(session, medium, reporter, straightforward);
        outcome = SaveAll(session, out.Path(), reporter);
        saved = Tree(out.Path());
        for (CFolderNode* f = session.tree.GetFirstFolder(); f; f = f->GetNextFolder()) {
            for (CFileNode* n = f->GetFirstChild(); n; n = n->GetNextFile()) {
                startOf["Tarvolin 14.05.09/" + f->GetName() + "/" + n->GetName()] =
                    n->GetStartSector();
                extent[n->GetStartSector()] = (n->GetSize() + kSector - 1) / kSector;
            }
        }
        unreadableInSave = session.readHealth.UnreadableSectors();
        console = reporter.console;
    }
};

// The clean run: the catalogue and the saved files of the image itself.
struct CleanRun {
    TempDir dir;
    std::string image = dir / "card.img";
    CardLayout card = BuildCard(image);
    ScanResult scan;
    CleanRun() {
        CSession session;
        RecordingReporter reporter;
        scan = Scan(session, image, reporter);
    }
};

// Checks a save of the faulty medium against a clean one: untouched files
// byte-identical, touched files with zeros exactly at the unreadable sectors.
void ExpectSavedAroundBadSectors(const Pass& clean, const Pass& faulty,
                                 const std::vector<uint64_t>& bad) {
    ASSERT_EQ(faulty.saved.size(), clean.saved.size());
    size_t untouched = 0;
    for (const auto& [name, bytes] : clean.saved) {
        ASSERT_TRUE(faulty.saved.count(name)) << name;
        Bytes expected = bytes;
        const uint64_t start = clean.startOf.at(name);
        bool touched = false;
        for (const uint64_t b : bad) {
            if (b < start || b - start >= clean.extent.at(start)) continue;
            touched = true;
            if ((b - start) * kSector >= expected.size()) continue;  // trimmed off
            const size_t from = static_cast<size_t>((b - start) * kSector);
            std::fill_n(expected.begin() + static_cast<std::ptrdiff_t>(from),
                        std::min<size_t>(kSector, expected.size() - from), uint8_t{0});
        }
        if (!touched) ++untouched;
        EXPECT_TRUE(faulty.saved.at(name) == expected) << name << (touched ? " (touched)" : "");
    }
    EXPECT_GE(untouched, 1u);
    // Each bad sector inside an extracted file is counted once.
    std::set<uint64_t> inFiles;
    for (const uint64_t b : bad) {
        for (const auto& [start, sectors] : clean.extent) {
            if (b >= start && b - start < sectors) inFiles.insert(b);
        }
    }
    EXPECT_EQ(faulty.unreadableInSave, inFiles.size());
}

class FailingMedium : public ::testing::Test {
protected:
    void SetUp() override {
        std::string why;
        m_fs = FaultyImage::Serve(m_clean.image, why);
        if (!m_fs) GTEST_SKIP() << why;
    }
    CleanRun m_clean;
    std::unique_ptr<FaultyImage> m_fs;
};

TEST_F(FailingMedium, BadSectorsAreReadAroundByTheScanAndTheSave) {
    ASSERT_EQ(m_clean.scan.found.size(), 5u);
    // As an image file, and through a loop device over it (a block device
    // with bad sectors, read past its page cache).
    for (const bool overLoop : {false, true}) {
        SCOPED_TRACE(overLoop ? "loop device" : "image file");
        std::string medium = m_fs->Path();
        std::optional<test::LoopDevice> loop;
        if (overLoop) {
            std::string why;
            if (auto attached = test::LoopDevice::Attach(m_fs->Path(), 0, why)) {
                loop.emplace(std::move(*attached));
            } else {
                std::cout << "[  SKIPPED ] loop device part: " << why << "\n";
                break;
            }
            medium = loop->Path();
        }
        m_fs->Clear();
        const Pass clean(medium);
        ASSERT_EQ(clean.outcome.result, JobResult::Completed) << clean.outcome.message;
        EXPECT_EQ(clean.scan.found.size(), 5u);
        for (const uint64_t b : m_clean.card.bad) m_fs->Bad(b, 1);

        for (const bool straightforward : {false, true}) {
            SCOPED_TRACE(straightforward ? "straightforward" : "fast path");
            const Pass faulty(medium, straightforward);
            EXPECT_EQ(faulty.scan.found, clean.scan.found);
            EXPECT_FALSE(faulty.scan.lost);
            EXPECT_EQ(faulty.scan.unreadable, m_clean.card.bad.size());
            EXPECT_EQ(faulty.scan.ranges, (std::vector<SectorRange>{
                                              {140, 1}, {1300, 2}, {2047, 2}, {7000, 1}}));
            EXPECT_NE(faulty.console.find("Failed to read data from disk\nFile pointer is at :"),
                      std::string::npos);
            EXPECT_NE(faulty.console.find("Unreadable sectors :6\n"), std::string::npos);

            // Every file is kept, with zeros where its sectors could not be
            // read; the job says so instead of "successfully".
            const JobOutcome& o = faulty.outcome;
            EXPECT_EQ(o.result, JobResult::Completed) << o.message;
            EXPECT_EQ(o.done, 5u);
            EXPECT_EQ(o.message.find("successfully"), std::string::npos) << o.message;
            EXPECT_NE(o.message.find("could not be read; they are zeros"), std::string::npos)
                << o.message;
            ExpectSavedAroundBadSectors(clean, faulty, m_clean.card.bad);
        }
    }
}

TEST_F(FailingMedium, AMediumThatVanishesEndsTheScanWithWhatWasFound) {
    for (const std::string error : {"EIO", "ENODEV"}) {
        SCOPED_TRACE(error);
        // Gone after the first 1.5 MiB: the JPEGs at sectors 100 and 1000 lie
        // before it.
        m_fs->VanishAfter(3u << 19, error);
        CSession session;
        RecordingReporter reporter;
        const auto began = std::chrono::steady_clock::now();
        const ScanResult scan = Scan(session, m_fs->Path(), reporter);
        EXPECT_TRUE(scan.lost);
        EXPECT_TRUE(scan.found.count({"JPG", 100})) << scan.found.size();
        EXPECT_FALSE(scan.found.count({"JPG", 6000}));
        ASSERT_EQ(reporter.messages.size(), 1u);
        EXPECT_EQ(reporter.messages[0].text, kDisconnectedRestart);
        EXPECT_EQ(reporter.messages[0].caption, "Error");
        EXPECT_EQ(reporter.finished, 1);
        EXPECT_LT(std::chrono::steady_clock::now() - began, std::chrono::seconds(30));
        // It did not go on reading a dead medium to its end.
        uint64_t failed = 0;
        m_fs->Reads(&failed);
        EXPECT_LT(failed, 64u);
        // A fresh medium for the next round.
        m_fs.reset();
        std::string why;
        m_fs = FaultyImage::Serve(m_clean.image, why);
        ASSERT_TRUE(m_fs) << why;
    }
}

// A reporter that makes something happen when the save reaches a file.
struct HookReporter : RecordingReporter {
    std::function<void(std::string_view)> onFile;
    void SetLastFileText(std::string_view text) override {
        RecordingReporter::SetLastFileText(text);
        if (onFile) onFile(text);
    }
};

TEST_F(FailingMedium, AMediumThatVanishesMidSaveLeavesNoFileHalfWritten) {
    const Pass clean(m_fs->Path());
    CSession session;
    HookReporter reporter;
    Scan(session, m_fs->Path(), reporter);
    ASSERT_EQ(session.tree.GetFirstFolder() != nullptr, true);
    int files = 0;
    reporter.onFile = [&](std::string_view) {
        if (++files == 2) m_fs->Vanish("EIO");
    };
    TempDir out;
    const JobOutcome o = SaveAll(session, out.Path(), reporter);
    EXPECT_EQ(o.result, JobResult::Failed);
    EXPECT_EQ(o.done, 1u);
    EXPECT_EQ(o.failed, 4u);
    EXPECT_EQ(o.message.find("success"), std::string::npos);
    EXPECT_NE(o.message.find("1 file(s) saved, 4 file(s) not saved"), std::string::npos)
        << o.message;
    // One disconnection message: every later file would fail the same way,
    // so the save stops at the first and says so, with what it saved.
    const auto disconnected = std::count_if(
        reporter.messages.begin(), reporter.messages.end(),
        [](const RecordingReporter::Box& b) { return b.text == kDisconnectedRestart; });
    EXPECT_EQ(disconnected, 1);
    EXPECT_EQ(files, 2) << "no file after the lost one is tried";
    EXPECT_NE(o.message.find("The save stopped: Removable drive is disconnected."), std::string::npos)
        << o.message;
    const auto saved = Tree(out.Path());
    EXPECT_EQ(saved.size(), 1u);
    EXPECT_FALSE(HasPartial(saved));
    for (const auto& [name, bytes] : saved) EXPECT_TRUE(bytes == clean.saved.at(name)) << name;
}

// A tmpfs of a given size, unmounted when the object goes.
class SmallMount {
public:
    bool Mount(const std::string& options, std::string& why) {
        if (::mount("tmpfs", m_dir.Path().c_str(), "tmpfs", 0, options.c_str()) != 0) {
            why = std::string("cannot mount a tmpfs here: ") + std::strerror(errno);
            return false;
        }
        m_mounted = true;
        return true;
    }
    bool Remount(unsigned long flags) {
        return ::mount(nullptr, m_dir.Path().c_str(), nullptr, MS_REMOUNT | flags, nullptr) == 0;
    }
    void Detach() {
        if (m_mounted && ::umount2(m_dir.Path().c_str(), MNT_DETACH) == 0) m_mounted = false;
    }
    ~SmallMount() { Detach(); }
    const std::string& Path() const { return m_dir.Path(); }

private:
    TempDir m_dir;
    bool m_mounted = false;
};

TEST(FailingDestination, FullReadOnlyOrRemovedDestinationIsNeverASuccess) {
    TempDir dir;
    const std::string image = dir / "card.img";
    BuildCard(image);
    CSession session;
    RecordingReporter scanReporter;
    ASSERT_EQ(Scan(session, image, scanReporter).found.size(), 5u);
    TempDir cleanOut;
    ASSERT_EQ(SaveAll(session, cleanOut.Path(), scanReporter).result, JobResult::Completed);
    const auto clean = Tree(cleanOut.Path());

    enum class Fault { Full, ReadOnlyLater, Removed, ReadOnly };
    for (const Fault fault : {Fault::Full, Fault::ReadOnlyLater, Fault::Removed, Fault::ReadOnly}) {
        for (const bool compress : {false, true}) {
            SCOPED_TRACE(static_cast<int>(fault) * 2 + (compress ? 1 : 0));
            // A file system with an archive open for writing cannot be made
            // read-only under it.
            if (fault == Fault::ReadOnlyLater && compress) continue;
            SmallMount mnt;
            std::string why;
            // Room for the first files only.
            if (!mnt.Mount(fault == Fault::Full ? "size=160k" : "size=8m", why)) GTEST_SKIP() << why;
            if (fault == Fault::ReadOnly) {
                ASSERT_TRUE(mnt.Remount(MS_RDONLY));
            }
            HookReporter reporter;
            int files = 0;
            reporter.onFile = [&](std::string_view) {
                if (++files != 2) return;
                if (fault == Fault::ReadOnlyLater) {
                    EXPECT_TRUE(mnt.Remount(MS_RDONLY));
                }
                if (fault == Fault::Removed) mnt.Detach();
            };
            const JobOutcome o = SaveAll(session, mnt.Path(), reporter, compress);
            EXPECT_NE(o.result, JobResult::Completed) << o.message;
            EXPECT_EQ(o.message.find("success"), std::string::npos) << o.message;
            EXPECT_EQ(o.message.find("completed"), std::string::npos) << o.message;
            if (fault == Fault::ReadOnly) {
                EXPECT_EQ(o.result, JobResult::Refused);
                continue;
            }
            EXPECT_EQ(o.result, JobResult::Failed);
            EXPECT_GE(o.failed, 1u);
            EXPECT_EQ(o.done + o.failed, 5u);
            EXPECT_NE(o.message.find(fmt::format("{} file(s) saved, {} file(s) not saved",
                                                 o.done, o.failed)),
                      std::string::npos)
                << o.message;
            EXPECT_FALSE(o.errors.empty());
            // A full or read-only destination stops the save at the file that
            // found it so: no further file is read from the medium.
            if (!compress && (fault == Fault::Full || fault == Fault::ReadOnlyLater)) {
                EXPECT_EQ(static_cast<uint64_t>(files), o.done + 1) << o.message;
                EXPECT_NE(o.message.find("The save stopped"), std::string::npos) << o.message;
            }
            // Whatever is left on the destination under a final name is whole.
            if (fault == Fault::Removed) continue;
            const auto left = Tree(mnt.Path());
            EXPECT_FALSE(HasPartial(left));
            if (!compress) {
                EXPECT_EQ(left.size(), o.done);
                for (const auto& [name, bytes] : left) {
                    ASSERT_TRUE(clean.count(name)) << name;
                    EXPECT_TRUE(bytes == clean.at(name)) << name;
                }
            }
        }
    }
}

// Every descriptor open on the medium, with its access mode, from
// /proc/self/fdinfo.
std::vector<int> AccessModesOn(const std::string& medium) {
    std::vector<int> modes;
    std::error_code ec;
    for (const auto& e : fs::directory_iterator("/proc/self/fd", ec)) {
        std::error_code lec;
        const fs::path target = fs::read_symlink(e.path(), lec);
        if (lec || target != medium) continue;
        std::ifstream info("/proc/self/fdinfo/" + e.path().filename().string());
        std::string key;
        while (info >> key) {
            if (key == "flags:") {
                std::string octal;
                info >> octal;
                modes.push_back(static_cast<int>(std::stoul(octal, nullptr, 8)) & O_ACCMODE);
                break;
            }
        }
    }
    return modes;
}

struct WatchingReporter : RecordingReporter {
    std::string medium;
    size_t looks = 0;
    std::vector<int> writable;
    void Look() {
        for (const int mode : AccessModesOn(medium)) {
            ++looks;
            if (mode != O_RDONLY) writable.push_back(mode);
        }
    }
    void Progress(uint64_t p) override {
        RecordingReporter::Progress(p);
        Look();
    }
    void SetLastFileText(std::string_view t) override {
        RecordingReporter::SetLastFileText(t);
        Look();
    }
    void Console(std::string_view t) override {
        RecordingReporter::Console(t);
        Look();
    }
};

TEST(NeverWritesTheSource, EveryDescriptorOnTheMediumIsReadOnly) {
    TempDir dir;
    const std::string image = dir / "card.img";
    BuildCard(image);
    const auto before = ReadFile(image);
    std::string why;
    auto loop = test::LoopDevice::Attach(image, 0, why);
    std::vector<std::string> media{image};
    if (loop) media.push_back(loop->Path());
    for (const std::string& medium : media) {
        SCOPED_TRACE(medium);
        CSession session;
        WatchingReporter reporter;
        reporter.medium = medium;
        Scan(session, medium, reporter);
        for (const bool compress : {false, true}) {
            TempDir out;
            const JobOutcome o = SaveAll(session, out.Path(), reporter, compress);
            EXPECT_EQ(o.result, JobResult::Completed) << o.message;
        }
        // A preview copies one file out the same way.
        TempDir preview;
        CFileNode* node = session.tree.GetFirstFolder()->GetFirstChild();
        EXPECT_TRUE(SaveFileNode(session, *node, preview.Path(), reporter).saved);
        EXPECT_GT(reporter.looks, 10u);
        EXPECT_TRUE(reporter.writable.empty());
    }
    EXPECT_TRUE(ReadFile(image) == before);
}

TEST(NeverWritesTheSource, TheWholeSavePathWorksFromAReadOnlyMount) {
    SmallMount mnt;
    std::string why;
    if (!mnt.Mount("size=16m", why)) GTEST_SKIP() << why;
    const std::string image = mnt.Path() + "/card.img";
    BuildCard(image);
    ASSERT_TRUE(mnt.Remount(MS_RDONLY));
    CSession session;
    RecordingReporter reporter;
    EXPECT_EQ(Scan(session, image, reporter).found.size(), 5u);
    for (const bool compress : {false, true}) {
        TempDir out;
        const JobOutcome o = SaveAll(session, out.Path(), reporter, compress);
        EXPECT_EQ(o.result, JobResult::Completed) << o.message;
        EXPECT_EQ(o.done, 5u);
    }
}

}  // namespace
}  // namespace tvn
