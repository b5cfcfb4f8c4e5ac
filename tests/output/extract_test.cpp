#include "output/extract.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "app/session.h"
#include "tests/support/test_support.h"
#include "tools/media/image.h"

namespace tvn {
namespace {

using test::RecordingReporter;
using test::TempDir;

bool Exists(const std::string& path) {
    return ::access(path.c_str(), F_OK) == 0;
}

uint64_t FileSize(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? static_cast<uint64_t>(st.st_size) : 0;
}

// A 64 MiB sparse card image with a pattern in its first 64 KiB, a session on
// it and an output directory.
struct Card {
    TempDir dir;
    std::string image = dir / "card.img";
    std::string out = dir / "out";
    CSession session;
    RecordingReporter reporter;
    std::vector<uint8_t> pattern;

    Card() {
        media::ImageFile img(image, 64 << 20);
        for (size_t i = 0; i < 65536; ++i) pattern.push_back(static_cast<uint8_t>(i * 7 + i / 256));
        img.Write(0, pattern);
        EXPECT_EQ(::mkdir(out.c_str(), 0755), 0);
        session.selectedDrive = image;
    }
    CFileNode* Node(const std::string& type, uint64_t start, uint64_t size, unsigned number = 1) {
        CFolderNode* f = session.tree.FindFolder(type);
        if (f == nullptr) f = session.tree.InsertFolder(type);
        return f->InsertFile("file# " + std::to_string(number) + ".", start, start, size);
    }
    std::string Out(const CFileNode* n) const { return out + "/" + n->GetName(); }
};

TEST(Extract, SizesRoundUpByAWholeSectorAndBytesComeFromTheStartSector) {
    Card c;
    CFileNode* a = c.Node("JPG", 10, 1000, 1);
    CFileNode* b = c.Node("JPG", 20, 1024, 2);
    test::WriteFile(c.Out(b), std::vector<uint8_t>(9000, 'x'));  // replaced
    SaveFileNode(c.session, *a, c.out, c.reporter);
    EXPECT_EQ(c.reporter.console,
              "Entered with size :1024\nTrying to allocate memory :1024 bytes\n"
              "\t\tRecovered :file# 1.JPG\n");
    const ExtractResult rb = SaveFileNode(c.session, *b, c.out, c.reporter);
    EXPECT_EQ(rb.size, 1536u);
    EXPECT_FALSE(rb.cut);
    // The rounding is this save's own: the catalogue keeps the scan's sizes.
    EXPECT_EQ(a->GetSize(), 1000u);
    EXPECT_EQ(b->GetSize(), 1024u);
    EXPECT_EQ(test::ReadFile(c.Out(a)),
              std::vector<uint8_t>(c.pattern.begin() + 5120, c.pattern.begin() + 5120 + 1024));
    EXPECT_EQ(test::ReadFile(c.Out(b)),
              std::vector<uint8_t>(c.pattern.begin() + 10240, c.pattern.begin() + 10240 + 1536));
    EXPECT_TRUE(c.reporter.messages.empty());
    // A second save of the same node writes the same bytes again.
    const std::vector<uint8_t> first = test::ReadFile(c.Out(a));
    SaveFileNode(c.session, *a, c.out, c.reporter);
    EXPECT_EQ(a->GetSize(), 1000u);
    EXPECT_EQ(test::ReadFile(c.Out(a)), first);
    EXPECT_EQ(c.session.diskSource->GetDrive(), c.image);
}

TEST(Extract, LargeFilesOfCuttableTypesAreCutToOneMebibyte) {
    Card c;
    CFileNode* jpg = c.Node("JPG", 0, 60'000'000);
    CFileNode* avi = c.Node("AVI", 0, 60'000'000);
    CFileNode* mov = c.Node("MOV", 0, 60'000'000);
    CFileNode* small = c.Node("BMP", 0, 52'428'300);  // 52,428,800 after rounding: not above
    std::vector<ExtractResult> r;
    for (CFileNode* n : {jpg, avi, mov, small}) r.push_back(SaveFileNode(c.session, *n, c.out, c.reporter));
    EXPECT_EQ(jpg->GetSize(), 60'000'000u);
    EXPECT_TRUE(r[0].cut);
    EXPECT_TRUE(r[1].cut);
    EXPECT_FALSE(r[2].cut);
    EXPECT_FALSE(r[3].cut);
    EXPECT_EQ(r[0].size, 1'048'576u);
    EXPECT_EQ(FileSize(c.Out(jpg)), 1'048'576u);
    EXPECT_EQ(FileSize(c.Out(avi)), 1'048'576u);
    EXPECT_EQ(test::ReadFile(c.Out(jpg)).at(100), c.pattern[100]);
    // MOV is never cut; its bytes hold no atoms, so repair leaves it whole.
    EXPECT_EQ(mov->GetSize(), 60'000'000u);
    EXPECT_EQ(r[2].size, 60'000'256u);
    EXPECT_EQ(FileSize(c.Out(mov)), 60'000'256u);
    EXPECT_NE(c.reporter.console.find(c.Out(mov) + "\tcan't be repaired!!"), std::string::npos);
    EXPECT_EQ(FileSize(c.Out(small)), 52'428'800u);
}

TEST(Extract, Mp3BelowTwoKilobytesIsDeletedAndRepairRunsByFolder) {
    Card c;
    CFileNode* tiny = c.Node("MP3", 0, 1500, 1);
    CFileNode* kept = c.Node("MP3", 0, 2048, 2);
    SaveFileNode(c.session, *tiny, c.out, c.reporter);
    SaveFileNode(c.session, *kept, c.out, c.reporter);
    EXPECT_EQ(tiny->GetSize(), 1500u);
    EXPECT_FALSE(Exists(c.Out(tiny)));
    EXPECT_EQ(FileSize(c.Out(kept)), 2560u);

    // A TIFF with one strip at sector 100: the extracted file is trimmed.
    std::vector<uint8_t> tif(3000, 0);
    const uint8_t head[] = {
        'I',  'I', 42, 0, 8, 0, 0,  0, 2,    0, 0x11, 1,
        4,    0,   1,  0, 0, 0, 64, 0, 0,    0,            // StripOffsets 64
        0x17, 1,   4,  0, 1, 0, 0,  0, 0xD0, 7, 0,    0};  // StripByteCounts 2000
    std::copy(std::begin(head), std::end(head), tif.begin());
    {
        media::ImageFile img(c.image, 64 << 20, media::ImageFile::kKeep);
        img.Write(100 * 512, tif);
    }
    CFileNode* t = c.Node("TIF", 100, 3000);
    SaveFileNode(c.session, *t, c.out, c.reporter);
    EXPECT_EQ(t->GetSize(), 3000u);
    EXPECT_EQ(test::ReadFile(c.Out(t)), std::vector<uint8_t>(tif.begin(), tif.begin() + 2064));
}

TEST(Extract, LostMediumOrUnreadableStartWritesNothing) {
    Card c;
    CFileNode* n = c.Node("JPG", 0, 1000);
    c.session.selectedDrive = c.dir / "removed.img";
    SaveFileNode(c.session, *n, c.out, c.reporter);
    ASSERT_EQ(c.reporter.messages.size(), 1u);
    EXPECT_EQ(c.reporter.messages[0].text,
              "Removable drive is disconnected.\nplease connect the drive and restart the "
              "scanning.");
    EXPECT_EQ(c.reporter.messages[0].caption, "Error");
    EXPECT_FALSE(Exists(c.Out(n)));
    EXPECT_EQ(n->GetSize(), 1000u);

    // A start sector past the end of the medium: a read error, no file.
    c.session.selectedDrive = c.image;
    CFileNode* far = c.Node("JPG", 1u << 20, 1000, 2);
    CFileNode* huge = c.Node("JPG", ~0ull / 2, 1000, 3);
    SaveFileNode(c.session, *far, c.out, c.reporter);
    SaveFileNode(c.session, *huge, c.out, c.reporter);
    EXPECT_FALSE(Exists(c.Out(far)));
    EXPECT_FALSE(Exists(c.Out(huge)));
    EXPECT_NE(c.reporter.console.find("Reading :Error #"), std::string::npos);
}

TEST(Extract, FailedAllocationsRetryWithSmallerSizes) {
    Card c;
    auto below = [](uint64_t limit) {
        return [limit](uint64_t size) {
            return size <= limit ? std::make_unique<uint8_t[]>(size) : nullptr;
        };
    };
    // 10,240 fails, 5,120 fails, 5,120 / 4 = 1,280 fits.
    CFileNode* n = c.Node("JPG", 0, 10'000);
    EXPECT_EQ(SaveFileNode(c.session, *n, c.out, c.reporter, below(3000)).size, 1280u);
    EXPECT_EQ(n->GetSize(), 10'000u);
    EXPECT_EQ(test::ReadFile(c.Out(n)),
              std::vector<uint8_t>(c.pattern.begin(), c.pattern.begin() + 1280));
    EXPECT_NE(c.reporter.console.find("\t Failed to retrieve :file# 1.JPG\n\t Trying with size   "
                                      ":5120\n"),
              std::string::npos);

    // Below 1,024 the file is given up, except an MP3, which tries on.
    CFileNode* lost = c.Node("JPG", 0, 10'000, 2);
    EXPECT_EQ(SaveFileNode(c.session, *lost, c.out, c.reporter, below(1000)).size, 160u);
    EXPECT_EQ(lost->GetSize(), 10'000u);
    EXPECT_FALSE(Exists(c.Out(lost)));
    CFileNode* mp3 = c.Node("MP3", 0, 10'000, 3);
    EXPECT_EQ(SaveFileNode(c.session, *mp3, c.out, c.reporter, below(1000)).size, 160u);
    EXPECT_EQ(mp3->GetSize(), 10'000u);
    EXPECT_FALSE(Exists(c.Out(mp3)));  // written, then deleted as too small
    // An allocator that never succeeds ends too.
    CFileNode* never = c.Node("MP3", 0, 10'000, 4);
    EXPECT_EQ(SaveFileNode(c.session, *never, c.out, c.reporter,
                           [](uint64_t) { return std::unique_ptr<uint8_t[]>(); })
                  .size,
              0u);
    EXPECT_EQ(never->GetSize(), 10'000u);
}

}  // namespace
}  // namespace tvn

namespace tvn {
namespace {

// A length measured from the file's structure is written as it is: no extra
// sector, no cut at 50 MiB, no repair, and the node keeps its size. A file
// whose structure broke is handled as before.
TEST(ExtractMeasured, ExactlyTheMeasuredBytes) {
    Card c;
    CFileNode* jpg = c.Node("JPG", 2, 1000, 1);
    jpg->SetLength(CFileNode::Length::Measured);
    CFileNode* big = c.Node("AVI", 0, 60'000'001, 2);
    big->SetLength(CFileNode::Length::Measured);
    CFileNode* mp3 = c.Node("MP3", 4, 1500, 3);
    mp3->SetLength(CFileNode::Length::Measured);
    CFileNode* tif = c.Node("TIF", 6, 3000, 4);  // a TIFF repair would find no size
    tif->SetLength(CFileNode::Length::Measured);
    CFileNode* broken = c.Node("JPG", 8, 1000, 5);
    broken->SetLength(CFileNode::Length::MayBeIncomplete);
    for (CFileNode* n : {jpg, big, mp3, tif, broken}) SaveFileNode(c.session, *n, c.out, c.reporter);

    const std::vector<uint8_t> got = test::ReadFile(c.Out(jpg));
    EXPECT_EQ(got, std::vector<uint8_t>(c.pattern.begin() + 1024, c.pattern.begin() + 2024));
    EXPECT_EQ(jpg->GetSize(), 1000u);
    EXPECT_EQ(FileSize(c.Out(big)), 60'000'001u);
    EXPECT_EQ(FileSize(c.Out(mp3)), 1500u);  // small, but a whole stream
    EXPECT_EQ(FileSize(c.Out(tif)), 3000u);
    EXPECT_EQ(c.reporter.console.find("can't be repaired"), std::string::npos);
    EXPECT_EQ(FileSize(c.Out(broken)), 1024u);
    EXPECT_EQ(broken->GetSize(), 1000u);
}

}  // namespace
}  // namespace tvn
