// The scan's shortcuts (one text search per block, one length search per hit)
// must find exactly what testing every position of every window and measuring
// every length anew finds.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>

#include "scan/scan_job.h"
#include "tests/support/test_support.h"
#include "tools/media/image.h"
#include "tools/media/sample_card.h"

namespace tvn {
namespace {

using Catalogue = std::vector<std::tuple<std::string, std::string, ULONGLONG, ULONGLONG, ULONGLONG>>;

Catalogue Scan(const std::string& image, bool straightforward, std::string* console = nullptr) {
    CDiskSource source(image);
    CDirectoryTree tree;
    CTypeCounters counters;
    CJobControl control;
    test::RecordingReporter reporter;
    CScanJob job(source, tree, counters, control, reporter);
    std::vector<FileType> all;
    for (const auto& f : kTypes) all.push_back(f.type);
    job.SetTypes(all);
    job.Context().straightforward = straightforward;
    control.Reset();
    job.Run();
    Catalogue out;
    for (CFolderNode* f = tree.GetFirstFolder(); f; f = f->GetNextFolder())
        for (CFileNode* n = f->GetFirstChild(); n; n = n->GetNextFile())
            out.emplace_back(f->GetName(), n->GetName(), n->GetStartSector(), n->GetEndSector(),
                             n->GetSize());
    if (console) *console = reporter.console;
    return out;
}

TEST(FastPath, SameCatalogueOnTheSampleCard) {
    test::TempDir dir;
    media::BuildSampleCard(dir / "card.img");
    std::string fastConsole, slowConsole;
    const Catalogue fast = Scan(dir / "card.img", false, &fastConsole);
    const Catalogue slow = Scan(dir / "card.img", true, &slowConsole);
    EXPECT_GE(fast.size(), 30u);
    EXPECT_EQ(fast, slow);
    EXPECT_EQ(fastConsole, slowConsole);
}

// Sectors the kernel has read from a block device so far.
uint64_t SectorsRead(const std::string& device) {
    std::ifstream in("/sys/block/" + std::filesystem::path(device).filename().string() + "/stat");
    uint64_t ios = 0, merges = 0, sectors = 0;
    in >> ios >> merges >> sectors;
    return sectors;
}

// On a block device the blocks come through the direct reads of the reader
// thread: the catalogue is the same, and every block of the medium is read
// from the device once, however many length searches look at it.
TEST(FastPath, SameCatalogueAndEachBlockReadOnceFromABlockDevice) {
    test::TempDir dir;
    media::BuildSampleCard(dir / "card.img");
    const uint64_t size = std::filesystem::file_size(dir / "card.img");
    for (const uint32_t sectorSize : {512u, 4096u}) {
        std::string why;
        auto loop = test::LoopDevice::Attach(dir / "card.img", sectorSize, why);
        if (!loop) GTEST_SKIP() << why;
        const uint64_t before = SectorsRead(loop->Path());
        const Catalogue fast = Scan(loop->Path(), false);
        const uint64_t read = (SectorsRead(loop->Path()) - before) * 512;
        const Catalogue slow = Scan(loop->Path(), true);
        // Files at 512-byte sectors that are not 4 KiB-aligned are not
        // sector starts on the 4096-byte device.
        EXPECT_GE(fast.size(), sectorSize == 512 ? 30u : 10u) << sectorSize;
        EXPECT_EQ(fast, slow) << sectorSize;
        // The medium once, and what opening it reads ahead (a few sectors,
        // with the kernel's read-ahead on top).
        EXPECT_GE(read, size) << sectorSize;
        EXPECT_LE(read, size + 4 * 1024 * 1024) << sectorSize;
    }
}

TEST(FastPath, SameCatalogueOnRandomDataWithSignaturesAtSectorsAndBlockEdges) {
    test::TempDir dir;
    const std::string path = dir / "random.img";
    constexpr uint64_t kBlocks = 6;
    constexpr uint64_t kSize = kBlocks * kScanBufferSize + 3 * 512;
    std::mt19937_64 rng(2026);
    media::Bytes data(kSize);
    for (auto& b : data) b = static_cast<uint8_t>(rng());
    // File starts and the texts the windows look for, at sector starts, at
    // the last sectors of blocks and straddling block edges.
    const std::vector<media::Bytes> marks = {
        {0xFF, 0xD8, 0xFF, 0xE1}, {0xFF, 0xD8, 0xFF, 0xE0}, {'G', 'I', 'F', '8'},
        {'I', 'I', 0x2A, 0x00},   {'M', 'M', 0x00, 0x2A},   {'I', 'I', 'R', 'O'},
        {'R', 'I', 'F', 'F'},     {'M', 'T', 'h', 'd'},     {0x00, 0x00, 0x01, 0xBA},
        {0x00, 0x00, 0x01, 0xB3}, {0x00, 0x00, 0x01, 0xB7}, {'M', 'P', 'E', 'G', 'T', 'V'},
        {'N', 'I', 'K', 'O', 'N'}, {'S', 'O', 'N', 'Y'},    {'D', 'S', 'C', '-', 'R', '1'},
        {0xFF, 0xFB, 0x90, 0x00}, {'I', 'D', '3', 3, 0, 0, 0, 0, 2, 0},
        {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A}, {'I', 'E', 'N', 'D', 0xAE, 0x42, 0x60, 0x82},
        {0, 0, 0, 0x20, 'f', 't', 'y', 'p', 'q', 't'}, {0, 0, 0, 0x20, 'm', 'o', 'o', 'v'},
    };
    auto put = [&](uint64_t at, const media::Bytes& m) {
        for (size_t i = 0; i < m.size() && at + i < kSize; ++i) data[at + i] = m[i];
    };
    for (int i = 0; i < 400; ++i) {
        const auto& m = marks[rng() % marks.size()];
        const uint64_t sector = rng() % (kSize / 512);
        const int where = static_cast<int>(rng() % 4);
        if (where == 0) put(sector * 512, m);                         // a sector start
        else if (where == 1) put(sector * 512 + 1 + rng() % 600, m);  // inside a window
        else if (where == 2) {                                        // last sector of a block
            const uint64_t block = rng() % kBlocks;
            put((block + 1) * kScanBufferSize - 512 + (rng() % 2 ? 0 : 1 + rng() % 500), m);
        } else {                                                      // across a block edge
            const uint64_t block = rng() % kBlocks;
            put((block + 1) * kScanBufferSize - 1 - rng() % 5, m);
        }
    }
    {
        media::ImageFile img(path, kSize);
        img.Write(0, data);
    }
    const Catalogue fast = Scan(path, false);
    const Catalogue slow = Scan(path, true);
    EXPECT_FALSE(fast.empty());
    EXPECT_EQ(fast, slow);
}

}  // namespace
}  // namespace tvn
