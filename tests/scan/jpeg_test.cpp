// The JPEG recognizer and the forward header search it shares with most types.
#include <gtest/gtest.h>

#include <unistd.h>

#include "disk/io.h"
#include "scan/recognizers/jpg_scanner.h"
#include "scan/scan_job.h"
#include "tests/support/test_support.h"
#include "tools/media/image.h"

namespace tvn {
namespace {

using media::Bytes;
using media::ImageFile;

constexpr uint64_t B = kScanBufferSize;

Bytes Jpeg(uint8_t second) { return {0xFF, 0xD8, 0xFF, second, 0x00, 0x10}; }

// One recognizer over an image, with the first block read and the offset set.
struct Probe {
    Probe(const std::string& image, FileType type, DWORD offset)
        : source(image, 2), ctx(source, counters, reporter) {
        recognizer = MakeRecognizer(ctx, type);
        ::lseek(source.GetHandle(), 0, SEEK_SET);
        recognizer->AllocBuffer(kScanBufferSize);
        recognizer->ReadBlock();
        recognizer->SetOffset(offset);
        source.SetPosition(kScanBufferSize / 512);
    }
    CDiskSource source;
    CTypeCounters counters;
    test::RecordingReporter reporter;
    CScanContext ctx;
    std::unique_ptr<CScanner> recognizer;
};

TEST(Jpeg, SecondMarkerDecidesRecognition) {
    test::TempDir dir;
    const std::string path = dir / "m.img";
    {
        ImageFile img(path, 1 << 20);
        img.Write(0, Jpeg(0xE1));
        img.Write(512, Jpeg(0xE0));
        img.Write(1024, Jpeg(0xDB));
        img.Write(1536, Jpeg(0xE2));
        img.Write(2048, Bytes{0xFF, 0xD8, 0x00, 0x00});
        img.Write(2560, Jpeg(0xC4));
    }
    Probe probe(path, FileType::JPG, 0);
    const bool expected[] = {true, true, true, false, false, false};
    for (DWORD i = 0; i < 6; ++i) {
        probe.recognizer->SetOffset(i * 512);
        EXPECT_EQ(probe.recognizer->IsFileHeader(), expected[i]) << "sector " << i;
    }
}

TEST(Jpeg, LengthRunsToTheNextJfifOrExifStartOnly) {
    test::TempDir dir;
    const std::string path = dir / "l.img";
    {
        ImageFile img(path, 4 << 20);
        img.Write(0, Jpeg(0xE0));
        img.Write(512, Jpeg(0xE1));       // next sector: length one sector
        img.Write(8192, Jpeg(0xDB));      // a bare stream is no boundary
        img.Write(20480, Jpeg(0xE0));
    }
    Probe probe(path, FileType::JPG, 0);
    EXPECT_EQ(probe.recognizer->GetFileSize(), 512u);
    probe.recognizer->SetOffset(512);
    EXPECT_EQ(probe.recognizer->GetFileSize(), 20480u - 512u);
}

TEST(Jpeg, StartInTheLastSectorOfABlockReadsTheNextBlockFirst) {
    test::TempDir dir;
    const std::string path = dir / "edge.img";
    {
        ImageFile img(path, 4 << 20);
        img.Write(B - 512, Jpeg(0xE1));
        img.Write(B, Jpeg(0xE0));
    }
    Probe probe(path, FileType::JPG, static_cast<DWORD>(B - 512));
    EXPECT_TRUE(probe.recognizer->IsFileHeader());
    EXPECT_EQ(probe.recognizer->GetFileSize(), 512u);
}

TEST(Jpeg, NoFurtherJpegGivesTheWholeWindowAndChangesNothing) {
    test::TempDir dir;
    const std::string path = dir / "w.img";
    constexpr DWORD p = 3 * 512;
    {
        ImageFile img(path, 2 << 20);  // shorter than the window: zeros past the end
        img.Write(p, Jpeg(0xE0));
        img.Fill(p + 512, 4096, 0x5A);
    }
    Probe probe(path, FileType::JPG, p);
    const BlockBuffer before = probe.ctx.buffer;
    const int64_t filePos = TellFd(probe.source.GetHandle());
    const ULONGLONG first = probe.recognizer->GetFileSize();
    EXPECT_EQ(first, (B - p) + 10 * B);
    EXPECT_EQ(probe.recognizer->GetFileSize(), first);
    EXPECT_EQ(probe.ctx.buffer, before);
    EXPECT_EQ(probe.recognizer->GetOffset(), p);
    EXPECT_EQ(TellFd(probe.source.GetHandle()), filePos);
    EXPECT_TRUE(probe.reporter.console.empty());  // reading past the end is no error
}

TEST(Jpeg, FileNumbersRestartWithEveryNewList) {
    test::TempDir dir;
    const std::string path = dir / "n.img";
    { ImageFile img(path, 1 << 20); }
    Probe probe(path, FileType::JPG, 0);
    EXPECT_EQ(probe.recognizer->GetNextFileNumber(), 1u);
    EXPECT_EQ(probe.recognizer->GetNextFileNumber(), 2u);
    EXPECT_EQ(probe.recognizer->ReleaseFileNumber(), 3u);
    EXPECT_EQ(probe.recognizer->GetNextFileNumber(), 2u);
    auto again = MakeRecognizer(probe.ctx, FileType::JPG);
    EXPECT_EQ(again->GetNextFileNumber(), 1u);
}

TEST(Jpeg, WholeScanNamesAndSizesFiles) {
    test::TempDir dir;
    const std::string path = dir / "card.img";
    {
        ImageFile img(path, 4 << 20);
        img.Write(512 * 10, Jpeg(0xE1));
        img.Write(512 * 20, Jpeg(0xE0));  // 10 sectors after the first
        img.Write(512 * 21, Jpeg(0xE1));  // one sector: too short, refused
        img.Write(512 * 40, Jpeg(0xE0));
    }
    CDiskSource source(path);
    CDirectoryTree tree;
    CTypeCounters counters;
    CJobControl control;
    test::RecordingReporter reporter;
    CScanJob job(source, tree, counters, control, reporter);
    ASSERT_TRUE(job.SetTypes(std::vector<FileType>{FileType::JPG}));
    control.Reset();
    job.Run();
    CFolderNode* jpg = tree.FindFolder("JPG");
    ASSERT_NE(jpg, nullptr);
    std::vector<std::pair<std::string, ULONGLONG>> files;
    for (CFileNode* n = jpg->GetFirstChild(); n; n = n->GetNextFile()) {
        files.emplace_back(n->GetName(), n->GetSize());
    }
    // The image has no boot sector, so the scan begins at sector 1 and sector
    // 40 lies 39 sectors into the first block.
    const ULONGLONG window = (B - 39 * 512) + 10 * B;
    using F = std::pair<std::string, ULONGLONG>;
    EXPECT_EQ(files, (std::vector<F>{{"file# 3.JPG", window}, {"file# 2.JPG", 19 * 512},
                                     {"file# 1.JPG", 10 * 512}}));
    EXPECT_EQ(jpg->GetFirstChild()->GetStartSector(), 40u);
    EXPECT_EQ(jpg->GetFirstChild()->GetEndSector(), 40u + window / 512);
}

}  // namespace
}  // namespace tvn
