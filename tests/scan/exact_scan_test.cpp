// Scans with exact lengths: every file of the test-media builder on a medium
// is recorded with its own length, a damaged one with the length rules' and
// the mark, the starts inside a measured file are not reported, and the fast
// scan agrees with the straightforward one.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <tuple>

#include "app/job_control.h"
#include "catalog/directory_tree.h"
#include "catalog/scan_info.h"
#include "scan/exact/reload.h"
#include "scan/scan_job.h"
#include "app/session.h"
#include "tests/support/test_support.h"
#include "tools/media/image.h"
#include "tools/media/photo_writers.h"
#include "tools/media/samples.h"

namespace tvn {
namespace {

using media::Bytes;

struct Found {
    std::string type;
    ULONGLONG start, size;
    CFileNode::Length length;
    bool operator==(const Found&) const = default;
};

std::vector<Found> Scan(const std::string& image, bool exact, bool straightforward) {
    CDiskSource src(image);
    CDirectoryTree tree;
    CTypeCounters counters;
    CJobControl control;
    control.Reset();
    test::RecordingReporter rep;
    CScanJob job(src, tree, counters, control, rep);
    std::vector<FileType> all;
    for (const TypeFacts& f : kTypes) all.push_back(f.type);
    job.SetTypes(all);
    job.SetExactLengths(exact);
    job.Context().straightforward = straightforward;
    job.Run();
    std::vector<Found> out;
    for (CFolderNode* f = tree.GetFirstFolder(); f; f = f->GetNextFolder()) {
        for (CFileNode* n = f->GetFirstChild(); n; n = n->GetNextFile()) {
            out.push_back({f->GetName(), n->GetStartSector(), n->GetSize(), n->GetLength()});
        }
    }
    return out;
}

// Every sample on one medium, each at a sector start after a gap, then a JPEG
// whose second half another file has overwritten.
class ExactScan : public ::testing::Test {
protected:
    void SetUp() override {
        media::AppendPhotoSamples(samples);
        media::AppendAvSamples(samples);
        uint64_t at = 64 * 512;
        std::vector<std::pair<uint64_t, const Bytes*>> placed;
        for (const auto& s : samples) {
            starts.push_back(at / 512);
            placed.push_back({at, &s.data});
            at = (at + s.data.size() + 3 * 512) / 512 * 512;
        }
        damagedAt = at;
        const Bytes& jpeg = samples.front().data;
        // The overwriting file: a WAV, whose header ends the JPEG's data.
        const Bytes* wav = nullptr;
        for (const auto& s : samples) {
            if (s.type == "WAV") wav = &s.data;
        }
        ASSERT_EQ(samples.front().type, "JPG");
        ASSERT_NE(wav, nullptr);
        const uint64_t cut = (damagedAt + jpeg.size() / 2) / 512 * 512;
        image = dir / "card.img";
        media::ImageFile img(image, cut + wav->size() + (8 << 20));
        for (const auto& [offset, bytes] : placed) img.Write(offset, *bytes);
        img.Write(damagedAt, std::span(jpeg).first(static_cast<size_t>(cut - damagedAt)));
        img.Write(cut, *wav);
    }

    test::TempDir dir;
    std::string image;
    std::vector<media::SampleFile> samples;
    std::vector<ULONGLONG> starts;
    uint64_t damagedAt = 0;
};

TEST_F(ExactScan, EveryFileWholeAndTheDamagedOneMarked) {
    const std::vector<Found> exact = Scan(image, true, false);
    std::map<std::pair<std::string, ULONGLONG>, Found> byStart;
    for (const Found& f : exact) byStart[{f.type, f.start}] = f;
    for (size_t i = 0; i < samples.size(); ++i) {
        const auto it = byStart.find({samples[i].type, starts[i]});
        ASSERT_NE(it, byStart.end()) << samples[i].name;
        EXPECT_EQ(it->second.size, samples[i].data.size()) << samples[i].name;
        EXPECT_EQ(it->second.length, CFileNode::Length::Measured) << samples[i].name;
    }
    // The damaged JPEG: the length rule's answer, as a scan without exact
    // lengths gives it, and marked.
    const auto damaged = byStart.find({"JPG", damagedAt / 512});
    ASSERT_NE(damaged, byStart.end());
    EXPECT_EQ(damaged->second.length, CFileNode::Length::MayBeIncomplete);
    const std::vector<Found> plain = Scan(image, false, false);
    bool compared = false;
    for (const Found& f : plain) {
        EXPECT_EQ(f.length, CFileNode::Length::Carved);
        if (f.type == "JPG" && f.start == damagedAt / 512) {
            EXPECT_EQ(f.size, damaged->second.size);
            compared = true;
        }
    }
    EXPECT_TRUE(compared);
}

// A scan info made with exact lengths loads back with the same lengths and
// marks once the walks have run again on the medium; without them (the
// window rules) it loads as it always did.
TEST_F(ExactScan, AScanInfoLoadsBackWithItsMarks) {
    const auto list = [](const CDirectoryTree& tree) {
        std::vector<Found> out;
        for (CFolderNode* f = tree.GetFirstFolder(); f; f = f->GetNextFolder()) {
            for (CFileNode* n = f->GetFirstChild(); n; n = n->GetNextFile())
                out.push_back({f->GetName(), n->GetStartSector(), n->GetSize(), n->GetLength()});
        }
        std::sort(out.begin(), out.end(), [](const Found& a, const Found& b) {
            return std::tie(a.type, a.start) < std::tie(b.type, b.start);
        });
        return out;
    };
    test::RecordingReporter rep;
    CSession made;
    ASSERT_TRUE(made.OpenCurrentSource(image, rep, "gone"));
    {
        CJobControl control;
        control.Reset();
        CScanJob job(*made.diskSource, made.tree, made.counters, control, rep);
        std::vector<FileType> all;
        for (const TypeFacts& f : kTypes) all.push_back(f.type);
        job.SetTypes(all);
        job.SetExactLengths(true);
        job.Run();
    }
    const std::vector<Found> scanned = list(made.tree);
    const std::string info = dir / "card.bin";
    ASSERT_TRUE(SaveScanInfo(made, info, rep));

    const auto sectors = static_cast<DWORD>(made.diskSource->GetTotalSectors());
    const std::string id = CDiskSource::CanonicalIdentifier(image);
    CSession loaded;
    ASSERT_TRUE(LoadScanInfo(loaded, info, id, sectors, rep));
    std::vector<Found> asLoaded = list(loaded.tree);
    for (Found& f : asLoaded) EXPECT_EQ(f.length, CFileNode::Length::Carved);
    EXPECT_EQ(MeasureLoadedLengths(*loaded.diskSource, loaded.tree, loaded.readHealth),
              scanned.size());
    EXPECT_EQ(list(loaded.tree), scanned);
    EXPECT_EQ(loaded.tree.m_ullFoundBytes.load(), made.tree.m_ullFoundBytes.load());
    // Each byte of the medium counts once, however the files overlap.
    uint64_t bytes = 0;
    for (const Found& f : scanned) bytes += f.size;
    EXPECT_LE(made.tree.m_ullFoundBytes.load(), bytes);
    EXPECT_LE(made.tree.m_ullFoundBytes.load(), made.diskSource->GetTotalSectors() * 512);
    bool marked = false;
    for (const Found& f : scanned) marked = marked || f.length == CFileNode::Length::MayBeIncomplete;
    EXPECT_TRUE(marked);
}

TEST_F(ExactScan, FastAndStraightforwardAgree) {
    EXPECT_EQ(Scan(image, true, false), Scan(image, true, true));
}

TEST(ExactScanCover, StartsInsideAMeasuredFileAreNotReported) {
    // A Multi-Picture JPEG whose preview (a bare JPEG stream, FF D8 FF DB)
    // begins on a sector boundary.
    media::JpegOptions o;
    o.app = media::JpegApp::Exif;
    o.width = 480;
    o.height = 320;
    Bytes primary = media::MakeJpeg(o);
    const size_t app2 = 4 + 4 + 50 + 16 * 2;
    const size_t n = (512 - (primary.size() + app2 + 4) % 512) % 512;
    Bytes comment = {0xFF, 0xFE, static_cast<uint8_t>((n + 2) >> 8),
                     static_cast<uint8_t>(n + 2)};
    comment.resize(4 + n, 'c');
    const size_t afterApp1 = 4 + (size_t{primary[4]} << 8 | primary[5]);
    primary.insert(primary.begin() + static_cast<std::ptrdiff_t>(afterApp1), comment.begin(),
                   comment.end());
    media::JpegOptions p;
    p.app = media::JpegApp::None;
    p.width = 320;
    p.height = 240;
    const Bytes mpf = media::MakeMpfJpeg(primary, {media::MakeJpeg(p)});
    ASSERT_EQ((mpf.size() - media::MakeJpeg(p).size()) % 512, 0u);

    test::TempDir dir;
    const std::string image = dir / "card.img";
    {
        media::ImageFile img(image, 64 * 512 + mpf.size() + (1 << 20));
        img.Write(64 * 512, mpf);
    }
    const std::vector<Found> plain = Scan(image, false, false);
    const std::vector<Found> exact = Scan(image, true, false);
    EXPECT_EQ(plain.size(), 2u);  // the preview is a JPEG of its own there
    ASSERT_EQ(exact.size(), 1u);
    EXPECT_EQ(exact[0].start, 64u);
    EXPECT_EQ(exact[0].size, mpf.size());
}

}  // namespace
}  // namespace tvn

namespace tvn {
namespace {

// Length searches that run past the medium's end read zeros there. They end
// at the end of the medium with the length they would have reached by
// reading the zeros to the end of their window: the same catalogue as the
// same bytes followed by more zeros than any window holds.
TEST(SearchPastTheEnd, EndsAtTheMediumWithTheWindowsLength) {
    std::vector<media::SampleFile> samples;
    media::AppendPhotoSamples(samples);
    media::AppendAvSamples(samples);
    test::TempDir dir;
    uint64_t at = 64 * 512;
    const std::string small = dir / "small.img", padded = dir / "padded.img";
    {
        uint64_t end = at;
        for (const auto& s : samples) end = (end + s.data.size() + 3 * 512) / 512 * 512;
        media::ImageFile a(small, end);
        media::ImageFile b(padded, end + (64ULL << 20));  // past the longest window (100 blocks)
        for (const auto& s : samples) {
            a.Write(at, s.data);
            b.Write(at, s.data);
            at = (at + s.data.size() + 3 * 512) / 512 * 512;
        }
    }
    for (const bool straightforward : {false, true}) {
        SCOPED_TRACE(straightforward ? "straightforward" : "fast");
        const std::vector<Found> got = Scan(small, false, straightforward);
        EXPECT_EQ(got, Scan(padded, false, straightforward));
        // Some lengths do run past the small medium's end.
        const ULONGLONG sectors = std::filesystem::file_size(small) / 512;
        EXPECT_TRUE(std::any_of(got.begin(), got.end(), [&](const Found& f) {
            return f.start + f.size / 512 > sectors;
        }));
    }
}

}  // namespace
}  // namespace tvn
