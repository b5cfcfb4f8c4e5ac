// The recognizers of TIFF-based files (TIF, NEF, SR2, SRF, CR2, ORF): which
// member takes which header, where their lengths end, and the file numbers.
#include <gtest/gtest.h>

#include <unistd.h>

#include <set>

#include "disk/io.h"
#include "scan/scanner.h"
#include "tests/support/test_support.h"
#include "tools/media/image.h"

namespace tvn {
namespace {

using media::Bytes;
using media::ImageFile;

constexpr uint64_t B = kScanBufferSize;

const FileType kPhotoTypes[] = {FileType::TIF, FileType::CRW, FileType::CR2, FileType::SRF,
                                FileType::SR2, FileType::MRW, FileType::ORF, FileType::NEF};

// The photo recognizers over an image, with the block at `block` read into
// the shared buffer.
struct Photo {
    explicit Photo(const std::string& image, uint64_t block = 0)
        : source(image, 2), ctx(source, counters, reporter) {
        list = BuildRecognizerList(ctx, kPhotoTypes);
        ::lseek(source.GetHandle(), static_cast<off_t>(block), SEEK_SET);
        list.front()->AllocBuffer(kScanBufferSize);
        list.front()->ReadBlock();
        source.SetPosition((block + B) / 512);
    }
    CScanner& Get(FileType t) {
        for (auto& r : list)
            if (r->GetType() == t) return *r;
        throw std::logic_error("no such recognizer");
    }
    // The types whose recognizers accept a start at offset p.
    std::set<std::string> Accepting(DWORD p) {
        std::set<std::string> names;
        for (auto& r : list) {
            r->SetOffset(p);
            if (r->IsFileHeader()) names.insert(r->GetTypeName());
        }
        return names;
    }
    ULONGLONG Length(FileType t, DWORD p) {
        Get(t).SetOffset(p);
        return Get(t).GetFileSize();
    }
    CDiskSource source;
    CTypeCounters counters;
    test::RecordingReporter reporter;
    CScanContext ctx;
    std::vector<std::unique_ptr<CScanner>> list;
};

Bytes Text(std::string_view s) { return Bytes(s.begin(), s.end()); }
const Bytes kII = {0x49, 0x49, 0x2A, 0x00};
const Bytes kMM = {0x4D, 0x4D, 0x00, 0x2A};
const Bytes kCiff = {'I', 'I', 26, 0, 0, 0, 'H', 'E', 'A', 'P', 'C', 'C', 'D', 'R', 2, 0, 1, 0};

using Names = std::set<std::string>;

TEST(TiffFamily, HeaderAndMakerWindowsDecideTheMember) {
    test::TempDir dir;
    const std::string path = dir / "m.img";
    // One candidate every 4 KiB, so the 1 KiB maker windows never overlap.
    struct Case {
        Bytes header;
        std::vector<std::pair<uint32_t, std::string>> texts;
        Names expected;
    };
    const std::vector<Case> cases = {
        {kMM, {{1024, "NIKON"}}, {"NEF"}},          // last offset of the window
        {kMM, {{1025, "NIKON"}}, {"TIF"}},          // one past it: a plain TIFF
        {kII, {{4, "NIKON D70"}}, {"NEF"}},         // right after the header
        {kII, {{300, "NIKOS"}}, {}},                // "NIKO" rules TIF out, NEF wants "NIKON"
        {kII, {{600, "DSC-R1"}}, {"TIF"}},          // past the 512-byte model window
        {kII, {{512, "DSC-R1"}, {200, "SONY"}}, {"SR2"}},
        {kII, {{512, "DSC-R1"}}, {"SR2", "TIF"}},   // no maker text rules TIF out
        {kMM, {{1024, "DSC-F828"}, {30, "SONY"}}, {"SRF"}},
        {kII, {{1024, "SONY"}}, {}},                // a Sony TIFF of another model
        {kII, {{8, "CR"}}, {"CR2"}},
        {kMM, {{8, "CR"}, {100, "NIKON"}}, {"CR2", "NEF"}},
        {Text("IIRO"), {}, {"ORF"}},
        {{0x49, 0x49, 0x52, 0x53}, {}, {}},
        {{0x4D, 0x4D, 0x4F, 0x52}, {}, {}},
        {{0x4D, 0x4D, 0x2A, 0x00}, {}, {}},         // the number 42 in the wrong order
        {kII, {{1025, "SONY"}}, {"TIF"}},
    };
    {
        ImageFile img(path, 1 << 20);
        for (size_t i = 0; i < cases.size(); ++i) {
            img.Write(i * 4096, cases[i].header);
            for (const auto& [at, text] : cases[i].texts) img.Write(i * 4096 + at, Text(text));
        }
    }
    Photo photo(path);
    for (size_t i = 0; i < cases.size(); ++i) {
        EXPECT_EQ(photo.Accepting(static_cast<DWORD>(i * 4096)), cases[i].expected) << "case " << i;
    }
}

TEST(TiffFamily, LastSectorOfABlockTestsOnlyBytesInsideTheBuffer) {
    test::TempDir dir;
    const std::string path = dir / "edge.img";
    constexpr DWORD last = static_cast<DWORD>(B - 512);
    {
        ImageFile img(path, 4 * B);
        // Block 0: "NIKO" fills the buffer's last four bytes, its "N" would be
        // the next block's first byte.
        img.Write(last, kMM);
        img.Write(B - 4, Text("NIKO"));
        img.Write(B, Text("N"));
        // Block 1: "SON" at the very end, "Y" beyond it; "DSC-F8" at the end.
        img.Write(B + last, kII);
        img.Write(2 * B - 3, Text("SON"));
        img.Write(2 * B, Text("Y"));
        // Block 2: a CIFF and a Minolta header in the last sector.
        img.Write(2 * B + last, kCiff);
        // Block 3: a Minolta header in the last sector.
        img.Write(3 * B + last, Bytes{0x00, 'M', 'R', 'M'});
    }
    {
        Photo photo(path, 0);
        EXPECT_EQ(photo.Accepting(last), Names{});  // TIF ruled out, NEF not matched
        // The search reads the next block before its first test, and ends at
        // the TIFF header in that block's last sector.
        EXPECT_EQ(photo.Length(FileType::NEF, last), B);
    }
    {
        Photo photo(path, B);
        EXPECT_EQ(photo.Accepting(last), Names{"TIF"});
    }
    {
        Photo photo(path, 2 * B);
        EXPECT_EQ(photo.Accepting(last), Names{"CRW"});
        EXPECT_EQ(photo.Length(FileType::CRW, last), 31 * B - last);
    }
    {
        Photo photo(path, 3 * B);
        EXPECT_EQ(photo.Accepting(last), Names{"MRW"});
        EXPECT_EQ(photo.Length(FileType::MRW, last), 0u);  // storage byte 00
    }
}

TEST(TiffFamily, LengthIsTheDistanceToTheNextBoundaryAtA512ByteStep) {
    test::TempDir dir;
    const std::string path = dir / "len.img";
    const Bytes cr2 = {0x49, 0x49, 0x2A, 0x00, 0x10, 0, 0, 0, 'C', 'R', 2, 0};
    {
        ImageFile img(path, 4 << 20);
        img.Write(0, kII);
        img.Write(768, kII);   // an odd multiple of 256 after the start: not tested
        img.Write(4096, kMM);  // two TIFFs 4 KiB apart
        // Motorola order: byte q+2 is not looked at.
        img.Write(4096 + 2560, Bytes{0x4D, 0x4D, 0x99, 0x2A});

        img.Write(16384, cr2);
        img.Write(16384 + 1024, kII);  // a TIFF without "CR" does not end a CR2
        img.Write(16384 + 3072, cr2);

        img.Write(32768, Text("IIRO"));
        img.Write(32768 + 512, kII);  // nor does it end an ORF
        img.Write(32768 + 1536, Text("IIRO"));
    }
    Photo photo(path);
    EXPECT_EQ(photo.Length(FileType::TIF, 0), 4096u);
    EXPECT_EQ(photo.Length(FileType::NEF, 0), 4096u);  // the same search for every member
    EXPECT_EQ(photo.Length(FileType::SR2, 0), 4096u);
    EXPECT_EQ(photo.Length(FileType::SRF, 0), 4096u);
    EXPECT_EQ(photo.Length(FileType::TIF, 4096), 2560u);
    EXPECT_EQ(photo.Length(FileType::CR2, 16384), 3072u);
    EXPECT_EQ(photo.Length(FileType::ORF, 32768), 1536u);
    // A CR2 start is also a TIFF start.
    EXPECT_EQ(photo.Length(FileType::TIF, 16384 - 512), 512u);
}

TEST(TiffFamily, NoBoundaryGivesTheWholeWindowAndChangesNothing) {
    test::TempDir dir;
    const std::string path = dir / "w.img";
    constexpr DWORD p = 3 * 512;
    {
        // Far shorter than any window: the searches read zeros past its end.
        ImageFile img(path, 2 << 20);
        img.Write(p, Bytes{0x4D, 0x4D, 0x00, 0x2A, 0, 0, 0, 8, 'C', 'R'});
        img.Fill(p + 512, 8192, 0x49);
    }
    Photo photo(path);
    const BlockBuffer before = photo.ctx.buffer;
    const int64_t filePos = TellFd(photo.source.GetHandle());
    const struct {
        FileType type;
        uint64_t blocks;
    } windows[] = {{FileType::TIF, 101}, {FileType::NEF, 101}, {FileType::SR2, 101},
                   {FileType::SRF, 101}, {FileType::CR2, 51},  {FileType::ORF, 51}};
    for (const auto& w : windows) {
        const ULONGLONG length = photo.Length(w.type, p);
        EXPECT_EQ(length, w.blocks * B - p) << TypeName(w.type);
        EXPECT_EQ(photo.Get(w.type).GetFileSize(), length) << TypeName(w.type);
        EXPECT_FALSE(photo.Get(w.type).IsSearching());
        EXPECT_EQ(photo.ctx.buffer, before) << TypeName(w.type);
        EXPECT_EQ(photo.Get(w.type).GetOffset(), p);
        EXPECT_EQ(TellFd(photo.source.GetHandle()), filePos);
    }
    EXPECT_TRUE(photo.reporter.console.empty());  // reading past the end is no error
    // Recognizers that never measured this start find the same lengths.
    Photo again(path);
    EXPECT_EQ(again.Length(FileType::CR2, p), 51 * B - p);
    EXPECT_EQ(again.Length(FileType::TIF, p), 101 * B - p);
}

TEST(TiffFamily, FileNumbersOfTifCr2AndCrwGoOnAcrossListsOthersRestart) {
    test::TempDir dir;
    const std::string path = dir / "n.img";
    { ImageFile img(path, 1 << 20); }
    CDiskSource source(path, 2);
    CTypeCounters counters;
    test::RecordingReporter reporter;
    CScanContext ctx(source, counters, reporter);
    auto first = BuildRecognizerList(ctx, kPhotoTypes);
    auto next = [&](std::vector<std::unique_ptr<CScanner>>& list, FileType t) {
        for (auto& r : list)
            if (r->GetType() == t) return r->GetNextFileNumber();
        return UINT{9999};
    };
    auto release = [&](std::vector<std::unique_ptr<CScanner>>& list, FileType t) {
        for (auto& r : list)
            if (r->GetType() == t) return r->ReleaseFileNumber();
        return UINT{9999};
    };
    for (FileType t : {FileType::TIF, FileType::CR2, FileType::CRW}) {
        // Counting starts at 1 and adds before handing out; release is a no-op.
        EXPECT_EQ(next(first, t), 2u) << TypeName(t);
        EXPECT_EQ(next(first, t), 3u) << TypeName(t);
        EXPECT_EQ(release(first, t), 0u) << TypeName(t);
        EXPECT_EQ(next(first, t), 4u) << TypeName(t);
    }
    for (FileType t : {FileType::NEF, FileType::SR2, FileType::SRF, FileType::ORF,
                       FileType::MRW}) {
        EXPECT_EQ(next(first, t), 1u) << TypeName(t);
        EXPECT_EQ(next(first, t), 2u) << TypeName(t);
        EXPECT_EQ(release(first, t), 3u) << TypeName(t);
        EXPECT_EQ(next(first, t), 2u) << TypeName(t);
    }
    // A second list, built as a new choice of types is confirmed.
    auto second = BuildRecognizerList(ctx, kPhotoTypes);
    EXPECT_EQ(next(second, FileType::TIF), 5u);
    EXPECT_EQ(next(second, FileType::CR2), 5u);
    EXPECT_EQ(next(second, FileType::CRW), 5u);
    for (FileType t : {FileType::NEF, FileType::SR2, FileType::SRF, FileType::ORF,
                       FileType::MRW}) {
        EXPECT_EQ(next(second, t), 1u) << TypeName(t);
    }
}

}  // namespace
}  // namespace tvn
