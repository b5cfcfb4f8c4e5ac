// A medium with 4096-byte sectors: the same files are found as on 512-byte
// sectors, with start sectors in the medium's own units.
#include <gtest/gtest.h>

#include "scan/scan_job.h"
#include "tests/support/test_support.h"
#include "tools/media/image.h"

namespace tvn {
namespace {

using media::Bytes;

struct Found {
    std::string name;
    ULONGLONG startByte;
    ULONGLONG size;
    bool operator==(const Found&) const = default;
};

std::vector<Found> ScanDevice(const std::string& device, std::span<const FileType> types) {
    CDiskSource source(device);
    EXPECT_EQ(source.GetStatus(), CDiskSource::kUsable);
    CDirectoryTree tree;
    CTypeCounters counters;
    CJobControl control;
    test::RecordingReporter reporter;
    CScanJob job(source, tree, counters, control, reporter);
    job.SetTypes(types);
    control.Reset();
    job.Run();
    std::vector<Found> out;
    for (CFolderNode* f = tree.GetFirstFolder(); f; f = f->GetNextFolder())
        for (CFileNode* n = f->GetFirstChild(); n; n = n->GetNextFile())
            out.push_back({n->GetName(), n->GetStartSector() * source.GetSectorSizeU(), n->GetSize()});
    return out;
}

TEST(SectorSize, SameFilesOn4096And512ByteSectors) {
    test::TempDir dir;
    const std::string path = dir / "card.img";
    {
        media::ImageFile img(path, 4 << 20);
        const Bytes exif{0xFF, 0xD8, 0xFF, 0xE1, 0x00, 0x10};
        const Bytes jfif{0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x10};
        img.Write(8192, exif);
        img.Write(8192 + 40960, jfif);
        img.Write(8192 + 40960 + 12288, exif);
    }
    std::string why;
    auto small = test::LoopDevice::Attach(path, 512, why);
    if (!small) GTEST_SKIP() << why;
    auto large = test::LoopDevice::Attach(path, 4096, why);
    if (!large) GTEST_SKIP() << why;

    const FileType types[] = {FileType::JPG};
    const auto on512 = ScanDevice(small->Path(), types);
    const auto on4096 = ScanDevice(large->Path(), types);
    ASSERT_EQ(on512.size(), 3u);
    EXPECT_EQ(on512, on4096);
    EXPECT_EQ(on4096[2], (Found{"file# 1.JPG", 8192, 40960}));
    EXPECT_EQ(on4096[1], (Found{"file# 2.JPG", 8192 + 40960, 12288}));

    CDiskSource source(large->Path());
    EXPECT_EQ(source.GetSectorSize(), 4096);
    EXPECT_EQ(source.GetStartSector(), 0u);
    EXPECT_EQ(source.GetTotalSectors(), (4u << 20) / 4096);
}

}  // namespace
}  // namespace tvn
