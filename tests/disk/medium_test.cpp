// The medium object: reads by position, the end it had when it was opened
// (a read that comes back short before it means the medium is lost, never
// zeros), and the two image kinds behind it: raw images split into parts and
// E01 images, which must read, scan and save exactly as the raw image.
#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <map>
#include <unistd.h>

#include "app/session.h"
#include "disk/disk_source.h"
#include "disk/medium.h"
#include "disk/read_around.h"
#include "output/extract.h"
#include "tests/support/test_support.h"
#include "tools/media/image.h"
#include "tools/media/sample_card.h"

namespace tvn {
namespace {

namespace fs = std::filesystem;
using test::TempDir;

// Bytes that differ at every position, so that a read from the wrong place
// shows.
std::vector<uint8_t> Pattern(size_t n) {
    std::vector<uint8_t> b(n);
    uint32_t x = 12345;
    for (auto& v : b) {
        x = x * 1103515245u + 12345u;
        v = static_cast<uint8_t>(x >> 16);
    }
    return b;
}

std::vector<uint8_t> ReadAll(const IMedium& m, size_t n, uint64_t at) {
    std::vector<uint8_t> b(n);
    const ssize_t got = m.ReadAt(b.data(), n, at);
    b.resize(got < 0 ? 0 : static_cast<size_t>(got));
    return b;
}

// The image cut into parts of `part` bytes: name.000, name.001, ...
void SplitInto(const std::string& image, size_t part, const std::string& stem) {
    const std::vector<uint8_t> bytes = test::ReadFile(image);
    for (size_t at = 0, i = 0; at < bytes.size(); at += part, ++i) {
        char suffix[8];
        std::snprintf(suffix, sizeof suffix, ".%03zu", i);
        const size_t n = std::min(part, bytes.size() - at);
        test::WriteFile(stem + suffix, std::vector<uint8_t>(bytes.begin() + static_cast<std::ptrdiff_t>(at),
                                                          bytes.begin() + static_cast<std::ptrdiff_t>(at + n)));
    }
}

bool HaveEwfacquire() { return ::access("/usr/bin/ewfacquire", X_OK) == 0; }

// An E01 image of image made by ewfacquire, in segments of the given size.
std::string MakeE01(const std::string& image, const std::string& target, std::string& log,
                    const std::string& segment = "1MiB") {
    const int rc = test::RunCommand("ewfacquire -u -q -S " + segment + " -t '" + target + "' '" + image +
                                        "' 2>&1",
                                    &log);
    return rc == 0 ? target + ".E01" : std::string();
}

TEST(Medium, ReadsPastTheEndItHadAreShortAndAShrunkMediumIsLost) {
    TempDir dir;
    const std::string path = dir / "card.img";
    const auto bytes = Pattern(1 << 20);
    test::WriteFile(path, bytes);
    int error = 0;
    const auto medium = OpenMedium(path, false, &error);
    ASSERT_TRUE(medium) << error;
    EXPECT_EQ(medium->Size(), bytes.size());
    // The end of the medium: a short read, then nothing.
    EXPECT_EQ(ReadAll(*medium, 4096, (1 << 20) - 1000).size(), 1000u);
    EXPECT_EQ(ReadAll(*medium, 4096, 1 << 20).size(), 0u);

    // The image is cut short under the reader (a card pulled, a file
    // truncated): what lies past its new end is not zeros but lost.
    ASSERT_EQ(::truncate(path.c_str(), 512 * 1024), 0);
    std::vector<uint8_t> buf(4096, 0xEE);
    errno = 0;
    EXPECT_EQ(medium->ReadAt(buf.data(), buf.size(), 600 * 1024), -1);
    EXPECT_EQ(errno, ENODEV);
    EXPECT_EQ(medium->ReadAt(buf.data(), buf.size(), 512 * 1024 - 512), -1);
    EXPECT_TRUE(IsMediumGoneError(ENODEV));
    // What is still there reads as before.
    EXPECT_EQ(ReadAll(*medium, 4096, 4096),
              std::vector<uint8_t>(bytes.begin() + 4096, bytes.begin() + 8192));

    // Reading around: the read says the medium has gone and records it.
    CReadHealth health;
    CMediumReader reader(*medium);
    const ReadAroundResult r =
        ReadAround(reader.Reader(), buf.data(), buf.size(), 700 * 1024, 512, health);
    EXPECT_TRUE(r.gone);
    EXPECT_TRUE(health.MediumGone());
}

TEST(Medium, SplitPartsAreFoundFromTheFirst) {
    TempDir dir;
    const std::string stem = dir / "card.img";
    test::WriteFile(stem + ".000", std::vector<uint8_t>(10, 1));
    // One part alone is a plain image.
    EXPECT_TRUE(SplitImageParts(stem + ".000").empty());
    test::WriteFile(stem + ".001", std::vector<uint8_t>(10, 2));
    test::WriteFile(stem + ".002", std::vector<uint8_t>(10, 3));
    test::WriteFile(stem + ".004", std::vector<uint8_t>(10, 4));  // after a gap: not read
    EXPECT_EQ(SplitImageParts(stem + ".000"),
              (std::vector<std::string>{stem + ".000", stem + ".001", stem + ".002"}));
    // Numbered from 1 too; a later part is no first part.
    EXPECT_EQ(SplitImageParts(stem + ".001").size(), 2u);
    EXPECT_TRUE(SplitImageParts(stem + ".002").empty());
    EXPECT_TRUE(SplitImageParts(stem).empty());
    EXPECT_TRUE(SplitImageParts(dir / "a.b/c").empty());
}

TEST(Medium, SplitImageReadsAsTheRawImageAcrossItsParts) {
    TempDir dir;
    const std::string raw = dir / "card.img";
    const auto bytes = Pattern(3 * 1000 * 1000 + 512 * 7);
    test::WriteFile(raw, bytes);
    // Parts of a length that is no multiple of a sector.
    SplitInto(raw, 1000 * 1000 + 3, dir / "split.img");
    int error = 0;
    const auto split = OpenMedium(dir / "split.img.000", false, &error);
    ASSERT_TRUE(split) << error;
    EXPECT_EQ(split->Fd(), -1);
    EXPECT_EQ(split->Size(), bytes.size());
    for (const uint64_t at : {uint64_t{0}, uint64_t{999'990}, uint64_t{1'000'003},
                              uint64_t{2'000'000}, uint64_t{bytes.size() - 100}}) {
        const auto got = ReadAll(*split, 70000, at);
        const size_t n = std::min<size_t>(70000, bytes.size() - at);
        ASSERT_EQ(got.size(), n) << at;
        EXPECT_TRUE(std::equal(got.begin(), got.end(), bytes.begin() + static_cast<std::ptrdiff_t>(at)))
            << at;
    }
    // Several buffers at once, across a part's end.
    std::vector<uint8_t> a(600'000), b(600'000);
    iovec parts[2] = {{a.data(), a.size()}, {b.data(), b.size()}};
    ASSERT_EQ(split->ReadVecAt(parts, 2, 100), 1'200'000);
    EXPECT_TRUE(std::equal(b.begin(), b.end(), bytes.begin() + 600'100));
    EXPECT_TRUE(split->StillPresent());

    // The disk source has the raw image's figures.
    const CDiskSource fromRaw(raw);
    const CDiskSource fromSplit(dir / "split.img.000");
    EXPECT_EQ(fromSplit.GetStatus(), CDiskSource::kUsable);
    EXPECT_EQ(fromSplit.GetKind(), MediumKind::Image);
    EXPECT_EQ(fromSplit.GetTotalSectors(), fromRaw.GetTotalSectors());
    EXPECT_EQ(fromSplit.GetSectorSizeU(), fromRaw.GetSectorSizeU());
    EXPECT_EQ(fromSplit.GetStartSector(), fromRaw.GetStartSector());
    EXPECT_EQ(fromSplit.Tell(), fromRaw.Tell());

    // A part cut short: the rest of the medium is lost, not zeros.
    ASSERT_EQ(::truncate((dir / "split.img.001").c_str(), 1000), 0);
    std::vector<uint8_t> buf(4096);
    EXPECT_EQ(split->ReadAt(buf.data(), buf.size(), 1'500'000), -1);
    EXPECT_EQ(errno, ENODEV);
    ::unlink((dir / "split.img.002").c_str());
    EXPECT_FALSE(split->StillPresent());
}

TEST(Medium, E01ImageReadsAsTheRawImage) {
    if (!HaveEwfacquire()) GTEST_SKIP() << "ewfacquire (ewf-tools) is not installed";
    TempDir dir;
    const std::string raw = dir / "card.img";
    const auto bytes = Pattern(3 * 1024 * 1024 + 512 * 3);
    test::WriteFile(raw, bytes);
    std::string log;
    const std::string e01 = MakeE01(raw, dir / "card", log);
    ASSERT_FALSE(e01.empty()) << log;
    ASSERT_TRUE(fs::exists(dir / "card.E02")) << "one segment only: " << log;
    EXPECT_TRUE(IsEwfImage(e01));
    EXPECT_FALSE(IsEwfImage(raw));
    int error = 0;
    const auto medium = OpenMedium(e01, false, &error);
    ASSERT_TRUE(medium) << error;
    EXPECT_EQ(medium->Size(), bytes.size());
    EXPECT_EQ(medium->StatedSectorSize(), 512u);
    for (const uint64_t at : {uint64_t{0}, uint64_t{1'048'000}, uint64_t{bytes.size() - 700}}) {
        const auto got = ReadAll(*medium, 100'000, at);
        ASSERT_EQ(got.size(), std::min<size_t>(100'000, bytes.size() - at)) << at;
        EXPECT_TRUE(std::equal(got.begin(), got.end(), bytes.begin() + static_cast<std::ptrdiff_t>(at)))
            << at;
    }
    EXPECT_EQ(ReadAll(*medium, 512, bytes.size()).size(), 0u);
    const CDiskSource source(e01);
    EXPECT_EQ(source.GetStatus(), CDiskSource::kUsable);
    EXPECT_EQ(source.GetTotalSectors(), CDiskSource(raw).GetTotalSectors());
}

TEST(Medium, ExtractionReadsTheSessionsMediumAndTellsWhenItShrank) {
    TempDir dir;
    const std::string image = dir / "card.img";
    const auto bytes = Pattern(1 << 20);
    test::WriteFile(image, bytes);
    CSession session;
    test::RecordingReporter reporter;
    ASSERT_TRUE(session.OpenCurrentSource(image, reporter, kDisconnectedRestart));
    CFolderNode* folder = session.tree.InsertFolder("JPG");
    CFileNode* early = folder->InsertFile("file# 1.", 16, 32, 8000);
    CFileNode* late = folder->InsertFile("file# 2.", 1600, 1700, 40000);
    const CDiskSource* source = session.diskSource.get();
    const IMedium* medium = source->GetMedium().get();
    const std::string out = dir / "out";
    fs::create_directories(out);

    ExtractResult r = SaveFileNode(session, *early, out, reporter);
    ASSERT_TRUE(r.saved) << r.error;
    // The same source and medium: nothing was opened again for the file.
    EXPECT_EQ(session.diskSource.get(), source);
    EXPECT_EQ(session.diskSource->GetMedium().get(), medium);
    const auto saved = test::ReadFile(r.path);
    ASSERT_GE(saved.size(), 8000u);
    EXPECT_TRUE(std::equal(saved.begin(), saved.begin() + 8000, bytes.begin() + 16 * 512));

    // The medium ends before the file's sectors now: the file is not saved
    // with zeros but reported as lost.
    ASSERT_EQ(::truncate(image.c_str(), 600 * 1024), 0);
    r = SaveFileNode(session, *late, out, reporter);
    EXPECT_FALSE(r.saved);
    EXPECT_TRUE(r.mediumLost);
    EXPECT_FALSE(fs::exists(out + "/file# 2.JPG"));
}

// The catalogue (--json) and the saved files of tarvolin-cli for one source.
struct CliRun {
    std::string catalogue;
    std::map<std::string, std::vector<uint8_t>> saved;
};

CliRun RunCli(const std::string& source, const std::string& out) {
    CliRun run;
    std::string text;
    const std::string info = out + ".bin";
    EXPECT_EQ(test::RunCommand(std::string(TVN_CLI) + " -q scan '" + source +
                                   "' --types all --json --save-scan-info '" + info + "' 2>&1",
                               &text),
              0)
        << text;
    // The source's own name is the only thing allowed to differ.
    for (size_t at; (at = text.find(source)) != std::string::npos;)
        text.replace(at, source.size(), "SOURCE");
    run.catalogue = text;
    fs::create_directories(out);
    // Saved from the scan's own catalogue, so that the card is scanned once.
    EXPECT_EQ(test::RunCommand(std::string(TVN_CLI) + " -q save '" + source +
                                   "' --scan-info '" + info + "' --to '" + out + "' 2>&1",
                               &text),
              0)
        << text;
    for (const auto& e : fs::recursive_directory_iterator(out)) {
        if (!e.is_regular_file()) continue;
        // Below the job folder, whose name carries the date.
        const fs::path rel = fs::relative(e.path(), out);
        run.saved[fs::path(*std::next(rel.begin())) / rel.filename()] = test::ReadFile(e.path());
    }
    return run;
}

TEST(Medium, SplitAndE01ImagesOfTheSampleCardScanAndSaveAsTheRawImage) {
    TempDir dir;
    const std::string raw = dir / "card.img";
    media::BuildSampleCard(raw);
    const CliRun fromRaw = RunCli(raw, dir / "out-raw");
    ASSERT_GT(fromRaw.saved.size(), 20u);

    SplitInto(raw, 7 * 1000 * 1000 + 1, dir / "split.img");
    const CliRun fromSplit = RunCli(dir / "split.img.000", dir / "out-split");
    EXPECT_EQ(fromSplit.catalogue, fromRaw.catalogue);
    EXPECT_TRUE(fromSplit.saved == fromRaw.saved);

    if (!HaveEwfacquire()) GTEST_SKIP() << "ewfacquire (ewf-tools) is not installed";
    std::string log;
    const std::string e01 = MakeE01(raw, dir / "card", log, "16MiB");
    ASSERT_FALSE(e01.empty()) << log;
    const CliRun fromE01 = RunCli(e01, dir / "out-e01");
    EXPECT_EQ(fromE01.catalogue, fromRaw.catalogue);
    EXPECT_TRUE(fromE01.saved == fromRaw.saved);
}

}  // namespace
}  // namespace tvn
