// The scan loop: where files are recorded, which lengths are kept, the order
// of hits, progress, stop, and media that do not fill a whole block.
#include <gtest/gtest.h>

#include <thread>

#include "scan/scan_job.h"
#include "tests/support/test_support.h"
#include "tools/media/image.h"

namespace tvn {
namespace {

using media::Bytes;
using media::ImageFile;

// A recognizer for tests: a sector that starts with its four-letter tag is a
// hit whose length is the little-endian 32-bit number that follows the tag.
class CTagScanner : public CScanner {
public:
    CTagScanner(CScanContext& ctx, FileType type, std::string tag)
        : CScanner(ctx, type), m_tag(std::move(tag)) {}
    bool IsFileHeader() override { return Match(GetOffset(), m_tag.data(), 4); }
    ULONGLONG GetFileSize() override {
        ++calls;
        const size_t p = GetOffset() + 4;
        if (!Has(p, 4)) return 0;
        const auto b = Buf();
        return ULONGLONG{b[p]} | (ULONGLONG{b[p + 1]} << 8) | (ULONGLONG{b[p + 2]} << 16) |
               (ULONGLONG{b[p + 3]} << 24);
    }
    UINT GetNextFileNumber() override { return HandOutThenAdd(); }
    int calls = 0;

private:
    std::string m_tag;
};

Bytes Tag(const std::string& tag, uint32_t length) {
    Bytes b(tag.begin(), tag.end());
    for (int i = 0; i < 4; ++i) b.push_back(static_cast<uint8_t>(length >> (8 * i)));
    return b;
}

struct Scan {
    explicit Scan(const std::string& image)
        : source(image), job(source, tree, counters, control, reporter) {}
    void Add(FileType type, const std::string& tag) {
        auto r = std::make_unique<CTagScanner>(job.Context(), type, tag);
        scanners.push_back(r.get());
        list.push_back(std::move(r));
    }
    void Run() {
        job.SetRecognizers(std::move(list));
        control.Reset();
        job.Run();
    }
    std::vector<std::tuple<std::string, ULONGLONG, ULONGLONG, ULONGLONG>> Files() const {
        std::vector<std::tuple<std::string, ULONGLONG, ULONGLONG, ULONGLONG>> out;
        for (CFolderNode* f = tree.GetFirstFolder(); f; f = f->GetNextFolder())
            for (CFileNode* n = f->GetFirstChild(); n; n = n->GetNextFile())
                out.emplace_back(n->GetName(), n->GetStartSector(), n->GetEndSector(), n->GetSize());
        return out;
    }
    CDiskSource source;
    CDirectoryTree tree;
    CTypeCounters counters;
    CJobControl control;
    test::RecordingReporter reporter;
    CScanJob job;
    std::vector<std::unique_ptr<CScanner>> list;
    std::vector<CTagScanner*> scanners;
};

TEST(ScanLoop, SectorsAreCountedFromTheDeviceStartAndLengthBoundsAreExclusive) {
    test::TempDir dir;
    const std::string path = dir / "ntfs.img";
    {
        ImageFile img(path, 2 << 20);
        img.Write(0, media::MakeNtfsBootSector(4095));
        // NTFS: the scan begins at sector 1, so byte 1,536 of the first block is sector 4.
        img.Write(512 + 1536, Tag("HIT!", 5000));
        img.Write(512 * 100, Tag("HIT!", 1024));       // exactly 1,024: refused
        img.Write(512 * 101, Tag("HIT!", 1025));       // kept
        img.Write(512 * 102, Tag("HIT!", 104857600));  // too long: refused
        img.Write(512 * 103, Tag("HIT!", 104857599));  // kept
    }
    Scan s(path);
    s.Add(FileType::JPG, "HIT!");
    s.Run();
    using F = std::tuple<std::string, ULONGLONG, ULONGLONG, ULONGLONG>;
    EXPECT_EQ(s.Files(), (std::vector<F>{{"file# 3.JPG", 103, 103 + 204799, 104857599},
                                         {"file# 2.JPG", 101, 103, 1025},
                                         {"file# 1.JPG", 4, 13, 5000}}));
    EXPECT_EQ(s.tree.m_ullFoundBytes.load(), 5000u + 1025u + 104857599u);
    EXPECT_EQ(s.tree.m_ullFolderCount.load(), 1u);
    EXPECT_EQ(s.control.FileCounter().load(), 3u);
    EXPECT_EQ(s.reporter.counterText, "3");
    EXPECT_EQ(s.reporter.lastFile, "file# 3.JPG");
    EXPECT_EQ(s.reporter.finished, 1);
    // Each kept hit asks for the length three times, each refused one once.
    EXPECT_EQ(s.scanners[0]->calls, 3 * 3 + 2);
}

TEST(ScanLoop, HitsAtOneSectorComeInListOrderAndFoldersNewestFirst) {
    test::TempDir dir;
    const std::string path = dir / "raw.img";
    {
        ImageFile img(path, 1 << 20);
        img.Write(0, Tag("HIT!", 2000));
        img.Write(4096, Tag("HIT!", 3000));
    }
    Scan s(path);
    s.Add(FileType::BMP, "HIT!");
    s.Add(FileType::JPG, "HIT!");
    s.Run();
    // Image file without a boot sector: the scan begins at sector 1, so the
    // tag at sector 0 is never offered.
    std::vector<std::string> folders;
    for (CFolderNode* f = s.tree.GetFirstFolder(); f; f = f->GetNextFolder()) folders.push_back(f->GetName());
    EXPECT_EQ(folders, (std::vector<std::string>{"JPG", "BMP"}));
    EXPECT_EQ(s.reporter.lastFile, "file# 1.JPG");  // BMP was recorded first, then JPG
    EXPECT_EQ(s.control.FileCounter().load(), 2u);
}

TEST(ScanLoop, MediumSmallerThanABlockIsScannedToItsLastSector) {
    test::TempDir dir;
    const std::string path = dir / "small.img";
    constexpr uint64_t kSize = 256 * 1024;
    {
        ImageFile img(path, kSize);
        img.Write(kSize - 512, Tag("HIT!", 1500));  // the very last sector
    }
    Scan s(path);
    s.Add(FileType::GIF, "HIT!");
    s.Run();
    ASSERT_EQ(s.Files().size(), 1u);
    EXPECT_EQ(std::get<1>(s.Files()[0]), kSize / 512 - 1);
    // Progress: the first value is always sent, and never above 100.
    ASSERT_FALSE(s.reporter.progress.empty());
    EXPECT_EQ(s.reporter.progress.back(), 100u);
}

TEST(ScanLoop, FinalPartialBlockAndProgressOnALargerMedium) {
    test::TempDir dir;
    const std::string path = dir / "odd.img";
    constexpr uint64_t kSize = 3 * 524288 + 7 * 512;  // three blocks and seven sectors
    {
        ImageFile img(path, kSize);
        img.Write(524288 - 512, Tag("HIT!", 2048));  // last sector of the first block
        img.Write(kSize - 512, Tag("HIT!", 2048));   // last sector of the medium
    }
    Scan s(path);
    s.Add(FileType::PNG, "HIT!");
    s.Run();
    const auto files = s.Files();
    ASSERT_EQ(files.size(), 2u);
    EXPECT_EQ(std::get<1>(files[0]), kSize / 512 - 1);
    EXPECT_EQ(std::get<1>(files[1]), 1023u);
    // Percentages are whole numbers, each sent once, in rising order.
    const auto& p = s.reporter.progress;
    EXPECT_TRUE(std::is_sorted(p.begin(), p.end()));
    EXPECT_EQ(std::adjacent_find(p.begin(), p.end()), p.end());
}

TEST(ScanLoop, StopKeepsWhatWasFound) {
    test::TempDir dir;
    const std::string path = dir / "stop.img";
    {
        ImageFile img(path, 4 << 20);
        for (uint64_t i = 1; i < 8192; i += 64) img.Write(i * 512, Tag("HIT!", 2000));
    }
    Scan s(path);
    s.Add(FileType::JPG, "HIT!");
    // A reporter that presses Stop when the third file is counted.
    struct StopAtThree : test::RecordingReporter {
        CJobControl* control = nullptr;
        void SetFileCounterText(std::string_view t) override {
            RecordingReporter::SetFileCounterText(t);
            if (t == "3") control->Stop();
        }
    } rep;
    rep.control = &s.control;
    CScanJob job(s.source, s.tree, s.counters, s.control, rep);
    std::vector<std::unique_ptr<CScanner>> list;
    list.push_back(std::make_unique<CTagScanner>(job.Context(), FileType::JPG, "HIT!"));
    job.SetRecognizers(std::move(list));
    s.control.Reset();
    job.Run();
    EXPECT_EQ(s.Files().size(), 3u);
    EXPECT_FALSE(s.control.IsRunning());
}

TEST(ScanLoop, PauseHoldsTheWorkerUntilResumed) {
    test::TempDir dir;
    const std::string path = dir / "pause.img";
    { ImageFile img(path, 8 << 20); }
    Scan s(path);
    s.Add(FileType::JPG, "HIT!");
    s.job.SetRecognizers(std::move(s.list));
    s.control.Reset();
    s.control.Pause();
    std::thread worker([&] { s.job.Run(); });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(s.reporter.finished, 0);
    s.control.Resume();
    worker.join();
    EXPECT_EQ(s.reporter.finished, 1);
}

}  // namespace
}  // namespace tvn
