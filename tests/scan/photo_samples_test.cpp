// The photo samples on a medium: a whole scan finds every one of them once, at
// its start, as its own type, and carves it whole.
#include <gtest/gtest.h>

#include <map>

#include "scan/scan_job.h"
#include "tests/support/test_support.h"
#include "tools/media/image.h"
#include "tools/media/samples.h"

namespace tvn {
namespace {

TEST(PhotoSamples, WholeScanFindsEachSampleOnceAsItsOwnType) {
    std::vector<media::SampleFile> samples;
    media::AppendPhotoSamples(samples);
    ASSERT_GE(samples.size(), 14u);
    std::map<std::string, int> perType;
    for (const auto& s : samples) ++perType[s.type];
    for (const char* t : {"JPG", "TIF", "NEF", "CR2", "SR2", "SRF", "ORF", "CRW", "MRW"}) {
        EXPECT_GE(perType[t], 1) << t;
    }

    // Back to back, each on the next 4 KiB boundary after the one before
    // (the scan of an image without a boot sector begins at sector 1).
    test::TempDir dir;
    const std::string path = dir / "card.img";
    std::map<ULONGLONG, const media::SampleFile*> at;  // start sector -> sample
    std::map<ULONGLONG, ULONGLONG> room;               // start sector -> bytes to the next
    uint64_t pos = 4096;
    for (const auto& s : samples) {
        at[pos / 512] = &s;
        const uint64_t next = (pos + s.data.size() + 4095) / 4096 * 4096;
        room[pos / 512] = next - pos;
        pos = next;
    }
    {
        media::ImageFile img(path, pos + (1 << 20));
        for (const auto& [sector, s] : at) img.Write(sector * 512, s->data);
    }

    CDiskSource source(path);
    CDirectoryTree tree;
    CTypeCounters counters;
    CJobControl control;
    test::RecordingReporter reporter;
    CScanJob job(source, tree, counters, control, reporter);
    const FileType types[] = {FileType::JPG, FileType::TIF, FileType::CRW, FileType::CR2,
                              FileType::SRF, FileType::SR2, FileType::MRW, FileType::ORF,
                              FileType::NEF};
    ASSERT_TRUE(job.SetTypes(types));
    control.Reset();
    job.Run();

    size_t found = 0;
    for (CFolderNode* f = tree.GetFirstFolder(); f; f = f->GetNextFolder()) {
        for (CFileNode* n = f->GetFirstChild(); n; n = n->GetNextFile()) {
            ++found;
            const auto it = at.find(n->GetStartSector());
            ASSERT_NE(it, at.end()) << f->GetName() << " at sector " << n->GetStartSector();
            const media::SampleFile& s = *it->second;
            EXPECT_EQ(f->GetName(), s.type) << s.name;
            if (s.type == "MRW") {
                EXPECT_EQ(n->GetSize(), s.data.size()) << s.name;  // from its header
            } else {
                EXPECT_GE(n->GetSize(), s.data.size()) << s.name;  // carved whole
            }
            // Where the next sample is of the same kind, the carved length
            // runs exactly to it.
            const auto next = std::next(it);
            if (next != at.end() && next->second->type == s.type && s.type != "MRW") {
                EXPECT_EQ(n->GetSize(), room[it->first]) << s.name;
            }
        }
    }
    EXPECT_EQ(found, samples.size());
    EXPECT_TRUE(reporter.console.empty());
}

}  // namespace
}  // namespace tvn
