// The rescue copy on a failing medium served by tvn-faultyfs: bad areas,
// slow areas, a medium that goes away, a destination that fills up, a copy
// stopped and gone on with; the image and its map must always agree.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <unistd.h>

#include <cstring>
#include <fstream>
#include <random>
#include <set>

#include "disk/disk_source.h"
#include "output/image_job.h"
#include "tests/support/faulty_image.h"
#include "tests/support/test_support.h"

namespace tvn {
namespace {

using test::FaultyImage;
using test::ReadFile;
using test::RunCommand;
using test::TempDir;
using Bytes = std::vector<uint8_t>;

constexpr uint64_t kSector = 512;
constexpr uint64_t kSize = 4u << 20;

// Ten bad areas of different sizes (first sector, count), one on the very
// first sectors and one on the last.
const std::vector<std::pair<uint64_t, uint64_t>> kBad = {
    {0, 3}, {300, 1}, {1020, 9}, {2047, 2}, {3000, 40},
    {4100, 100}, {5000, 1}, {6143, 1}, {7000, 17}, {8189, 3}};

Bytes Pattern() {
    Bytes b(kSize);
    std::mt19937_64 rng(29);
    for (size_t i = 0; i < b.size(); i += 8) {
        const uint64_t v = rng() | 0x0101010101010101ull;  // no zero bytes
        std::memcpy(&b[i], &v, 8);
    }
    return b;
}

std::set<uint64_t> BadSet() {
    std::set<uint64_t> s;
    for (auto [first, count] : kBad) {
        for (uint64_t i = 0; i < count; ++i) s.insert(first + i);
    }
    return s;
}

// The source with the bad sectors as zeros: what a finished copy holds.
Bytes Expected(const Bytes& source) {
    Bytes e = source;
    for (uint64_t s : BadSet()) std::memset(&e[s * kSector], 0, kSector);
    return e;
}

struct Card {
    TempDir dir;
    Bytes bytes = Pattern();
    std::unique_ptr<FaultyImage> fault;
    std::string why;
    explicit Card(bool bad = true) {
        test::WriteFile(dir / "backing.img", bytes);
        fault = FaultyImage::Serve(dir / "backing.img", why);
        if (fault && bad) {
            for (auto [first, count] : kBad) fault->Bad(first, count);
        }
    }
};

struct CopyRun {
    ImageOutcome outcome;
    std::optional<CRescueMap> beforeRetries;
    CRescueMap map;
};

CopyRun Copy(const std::string& source, const std::string& image, ImageOptions options = {},
         std::function<bool(const ImageProgress&)> stopWhen = {}) {
    CDiskSource disk(source, 2);
    EXPECT_EQ(disk.GetStatus(), CDiskSource::kUsable) << source;
    CDiskSourceMedium medium(disk);
    options.sourcePath = source;
    options.image = image;
    options.blockSize = 64 << 10;
    options.mapInterval = std::chrono::milliseconds(100);
    options.progressInterval = std::chrono::milliseconds(0);
    CJobControl control;
    control.Reset();
    CImageJob job(medium, options, control, [&](const ImageProgress& p) {
        if (stopWhen && stopWhen(p)) control.Stop();
    });
    CopyRun r;
    r.outcome = job.Run();
    r.beforeRetries = job.MapBeforeRetries();
    r.map = job.Map();
    return r;
}

CRescueMap LoadMap(const std::string& path) {
    std::string error;
    auto m = LoadRescueMap(path, error);
    EXPECT_TRUE(m) << error;
    return m ? *m : CRescueMap{};
}

// Every byte the map calls copied is the medium's; every other byte is zero.
void ExpectImageMatchesMap(const std::string& image, const CRescueMap& map, const Bytes& source) {
    const Bytes got = ReadFile(image);
    ASSERT_EQ(got.size(), source.size());
    for (const RescueBlock& b : map.Blocks()) {
        for (uint64_t i = b.pos; i < b.End(); i += kSector) {
            const bool copied = b.status == RescueStatus::Finished;
            const bool same = std::memcmp(&got[i], &source[i], kSector) == 0;
            const Bytes zeros(kSector, 0);
            if (copied) {
                ASSERT_TRUE(same) << "copied sector " << i / kSector << " differs";
            } else {
                // Bytes copied after the last save of the map may be there;
                // anything else is zeros.
                ASSERT_TRUE(same || std::memcmp(&got[i], zeros.data(), kSector) == 0)
                    << "sector " << i / kSector;
            }
        }
    }
}

std::set<uint64_t> Sectors(const CRescueMap& map, RescueStatus status) {
    std::set<uint64_t> s;
    for (const RescueBlock& b : map.Blocks()) {
        if (b.status != status) continue;
        for (uint64_t i = b.pos; i < b.End(); i += kSector) s.insert(i / kSector);
    }
    return s;
}

TEST(ImageJob, CopiesEveryGoodSectorBeforeAnyRetryAndMapsExactlyTheBadOnes) {
    Card card;
    if (!card.fault) GTEST_SKIP() << card.why;
    // A slow area as well: it is copied, but the first sweep skips past it.
    card.fault->Slow(5500, 8, 300);
    ImageOptions o;
    o.slowRead = std::chrono::milliseconds(200);
    o.retries = 2;
    const std::string image = card.dir / "copy.img";
    const CopyRun r = Copy(card.fault->Path(), image, o);
    EXPECT_EQ(r.outcome.result, ImageResult::CompletedBad) << r.outcome.message;
    EXPECT_EQ(ReadFile(image), Expected(card.bytes));
    EXPECT_EQ(Sectors(r.map, RescueStatus::BadSector), BadSet());
    EXPECT_EQ(r.map.phase, RescuePhase::Finished);
    // Before the first retry every good sector was in the image already.
    ASSERT_TRUE(r.beforeRetries);
    EXPECT_EQ(r.beforeRetries->Bytes(RescueStatus::Finished), kSize - BadSet().size() * kSector);
    EXPECT_EQ(LoadMap(card.dir / "copy.img.map"), r.map);

    if (RunCommand("command -v ddrescuelog >/dev/null") != 0) {
        GTEST_SKIP() << "ddrescuelog (package gddrescue) is not installed";
    }
    std::string out;
    ASSERT_EQ(RunCommand("ddrescuelog -b512 -l- " + card.dir / "copy.img.map", &out), 0);
    std::string expected;
    for (uint64_t s : BadSet()) expected += std::to_string(s) + "\n";
    EXPECT_EQ(out, expected);
    EXPECT_NE(RunCommand("ddrescuelog -D " + card.dir / "copy.img.map"), 0);
}

TEST(ImageJob, StoppedCopyGoesOnToTheSameImageAndMap) {
    Card card;
    if (!card.fault) GTEST_SKIP() << card.why;
    const std::string image = card.dir / "copy.img";
    const std::string map = card.dir / "copy.map";
    ImageOptions o;
    o.map = map;
    // Stopped in the first pass, then again while trimming.
    CopyRun r = Copy(card.fault->Path(), image, o,
                 [](const ImageProgress& p) { return p.rescued > (1u << 20); });
    EXPECT_EQ(r.outcome.result, ImageResult::Stopped) << r.outcome.message;
    ExpectImageMatchesMap(image, LoadMap(map), card.bytes);
    EXPECT_GT(LoadMap(map).Bytes(RescueStatus::NonTried), 0u);

    r = Copy(card.fault->Path(), image, o,
             [](const ImageProgress& p) { return p.phase == RescuePhase::Trimming; });
    EXPECT_EQ(r.outcome.result, ImageResult::Stopped) << r.outcome.message;
    EXPECT_EQ(LoadMap(map).phase, RescuePhase::Trimming);
    ExpectImageMatchesMap(image, LoadMap(map), card.bytes);

    r = Copy(card.fault->Path(), image, o);
    EXPECT_EQ(r.outcome.result, ImageResult::CompletedBad) << r.outcome.message;
    EXPECT_EQ(ReadFile(image), Expected(card.bytes));
    EXPECT_EQ(Sectors(LoadMap(map), RescueStatus::BadSector), BadSet());

    // Run again on a finished map: only the bad sectors are read again, and
    // once they read, the copy is whole.
    card.fault->Clear();
    r = Copy(card.fault->Path(), image, o);
    EXPECT_EQ(r.outcome.result, ImageResult::Completed) << r.outcome.message;
    EXPECT_EQ(ReadFile(image), card.bytes);
}

TEST(ImageJob, MediumThatGoesAwayLeavesAConsistentImageAndMap) {
    Card card;
    if (!card.fault) GTEST_SKIP() << card.why;
    const std::string image = card.dir / "copy.img";
    // EIO, as a card reader that goes may answer: told from a bad area by
    // the good sector failing as well.
    card.fault->VanishAfter(1536u << 10, "EIO");
    CopyRun r = Copy(card.fault->Path(), image);
    EXPECT_EQ(r.outcome.result, ImageResult::MediumLost) << r.outcome.message;
    EXPECT_NE(r.outcome.message.find("went away"), std::string::npos);
    const CRescueMap lost = LoadMap(image + ".map");
    ExpectImageMatchesMap(image, lost, card.bytes);
    EXPECT_GE(lost.Bytes(RescueStatus::Finished), 1u << 20);
    // Nothing after the loss was taken for a bad sector.
    EXPECT_EQ(lost.Bytes(RescueStatus::BadSector), 0u);

    card.fault->Back();
    r = Copy(card.fault->Path(), image);
    EXPECT_EQ(r.outcome.result, ImageResult::CompletedBad) << r.outcome.message;
    EXPECT_EQ(ReadFile(image), Expected(card.bytes));
}

TEST(ImageJob, RefusesWhatWouldOverwriteTheMediumOrAnotherFile) {
    Card card(false);
    if (!card.fault) GTEST_SKIP() << card.why;
    // The image on the medium itself.
    CopyRun r = Copy(card.dir / "backing.img", card.dir / "backing.img");
    EXPECT_EQ(r.outcome.result, ImageResult::Refused);
    EXPECT_EQ(ReadFile(card.dir / "backing.img"), card.bytes);

    // An existing file without a map is not overwritten.
    const std::string other = card.dir / "other.img";
    test::WriteFile(other, Bytes(1000, 7));
    r = Copy(card.fault->Path(), other);
    EXPECT_EQ(r.outcome.result, ImageResult::Refused);
    EXPECT_NE(r.outcome.message.find("has no map"), std::string::npos) << r.outcome.message;
    EXPECT_EQ(ReadFile(other), Bytes(1000, 7));

    // A map of another medium, and a map that is not one.
    const std::string image = card.dir / "copy.img";
    test::WriteFile(image, {});
    ASSERT_TRUE(SaveRescueMap(image + ".map", CRescueMap(kSize * 2)));
    r = Copy(card.fault->Path(), image);
    EXPECT_EQ(r.outcome.result, ImageResult::Refused);
    test::WriteFile(image + ".map", Bytes{'x', '\n'});
    r = Copy(card.fault->Path(), image);
    EXPECT_EQ(r.outcome.result, ImageResult::Refused);
    EXPECT_EQ(ReadFile(image + ".map"), (Bytes{'x', '\n'}));
}

TEST(ImageJob, FullDestinationStopsWithAConsistentMap) {
    Card card(false);
    if (!card.fault) GTEST_SKIP() << card.why;
    TempDir mountPoint;
    if (::mount("tmpfs", mountPoint.Path().c_str(), "tmpfs", 0, "size=2m") != 0) {
        GTEST_SKIP() << "cannot mount a tmpfs here: " << std::strerror(errno);
    }
    struct Unmount {
        std::string path;
        ~Unmount() { ::umount2(path.c_str(), MNT_DETACH); }
    } unmount{mountPoint.Path()};
    const std::string image = mountPoint / "copy.img";
    const std::string map = card.dir / "copy.map";  // the map has room
    ImageOptions o;
    o.map = map;
    CopyRun r = Copy(card.fault->Path(), image, o);
    EXPECT_EQ(r.outcome.result, ImageResult::DestinationFailed) << r.outcome.message;
    EXPECT_EQ(r.outcome.error, ENOSPC);
    EXPECT_NE(r.outcome.message.find("No space left"), std::string::npos) << r.outcome.message;
    const CRescueMap m = LoadMap(map);
    ExpectImageMatchesMap(image, m, card.bytes);
    EXPECT_GT(m.Bytes(RescueStatus::NonTried), 0u);
    EXPECT_EQ(m.Bytes(RescueStatus::BadSector) + m.Bytes(RescueStatus::NonTrimmed), 0u);
}

}  // namespace
}  // namespace tvn
