#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "app/job_control.h"
#include "catalog/directory_tree.h"
#include "scan/recognizers/avi_scanner.h"
#include "scan/recognizers/mov_scanner.h"
#include "scan/recognizers/mp3_scanner.h"
#include "scan/recognizers/mp4_scanner.h"
#include "scan/recognizers/mpg_scanner.h"
#include "scan/recognizers/wav_scanner.h"
#include "scan/scan_job.h"
#include "tests/scan/av_test_bench.h"
#include "tools/media/av_writers.h"

namespace tvn {
namespace {

using test::CAvBench;
using test::kBlock;
using test::kLastSector;

std::string Le32Text(uint32_t v) {
    std::string s(4, '\0');
    for (size_t i = 0; i < 4; ++i) s[i] = static_cast<char>(v >> (8 * i));
    return s;
}

TEST(AviRecognizer, RiffAviAndItsLength) {
    CAvBench bench;
    bench.Put(512, "RIFF" + Le32Text(1000000) + "AVI LIST");
    bench.Put(1024, "RIFF" + Le32Text(5000) + "AVIX");
    bench.Put(1536, "RIFF" + Le32Text(5000) + "WAVE");
    bench.Put(kLastSector, "RIFF" + Le32Text(7000) + "AVI ");
    CAVIScanner& avi = bench.Make<CAVIScanner>();
    CWAVScanner& wav = bench.Make<CWAVScanner>();
    bench.Load(0, 512);
    ASSERT_TRUE(avi.IsFileHeader());
    EXPECT_FALSE(wav.IsFileHeader());
    EXPECT_EQ(avi.GetFileSize(), 1000008u);
    bench.Load(0, 1024);
    EXPECT_TRUE(avi.IsFileHeader());
    bench.Load(0, 1536);
    EXPECT_FALSE(avi.IsFileHeader());
    bench.Load(0, kLastSector);
    ASSERT_TRUE(avi.IsFileHeader());
    EXPECT_EQ(avi.GetFileSize(), 7008u);
}

TEST(MovAndMp4Recognizers, FirstAtomDecides) {
    CAvBench bench;
    const std::pair<std::string, std::pair<bool, bool>> cases[] = {
        // atom at p+4 and after: MOV?, MP4?
        {"moov", {true, false}},     {"mdat", {true, false}},    {"skip", {true, false}},
        {"wide", {true, false}},     {"pnot", {true, false}},    {"free", {false, false}},
        // A QuickTime movie with an ftyp atom is one file, a MOV, while both
        // are listed: one start, one entry.
        {"ftypisom", {false, true}}, {"ftypqt  ", {true, false}}, {"ftypmp42", {false, true}},
    };
    uint64_t at = 512;
    for (const auto& c : cases) {
        bench.Put(at, Le32Text(0x20000000) + c.first);
        at += 512;
    }
    bench.Put(kLastSector, std::string("\0\0\0\x14", 4) + "ftypqt  ");
    CMOVScanner& mov = bench.Make<CMOVScanner>();
    CMP4Scanner& mp4 = bench.Make<CMP4Scanner>();
    at = 512;
    for (const auto& c : cases) {
        bench.Load(0, static_cast<DWORD>(at));
        EXPECT_EQ(mov.IsFileHeader(), c.second.first) << c.first;
        EXPECT_EQ(mp4.IsFileHeader(), c.second.second) << c.first;
        at += 512;
    }
    bench.Load(0, kLastSector);
    EXPECT_TRUE(mov.IsFileHeader());
    EXPECT_FALSE(mp4.IsFileHeader());
}

TEST(MovAndMp4Recognizers, LengthUpToTheNextFileOfTheKind) {
    CAvBench bench;
    const uint64_t p = 8192;
    bench.Put(p, Le32Text(0x14000000) + "ftypqt  ");
    bench.Put(p + 3 * 512, Le32Text(0x14000000) + "ftypisom");        // ends an MP4, not a MOV
    bench.Put(p + 6 * 512 + 100, Le32Text(0x14000000) + "ftypqt  ");  // off a sector start
    bench.Put(p + 9 * 512, Le32Text(0x14000000) + "ftypqt  ");
    bench.Put(2 * kBlock + 4096, Le32Text(0x08000000) + "moov");
    CMOVScanner& mov = bench.Make<CMOVScanner>();
    CMP4Scanner& mp4 = bench.Make<CMP4Scanner>();

    bench.Load(0, static_cast<DWORD>(p));
    const auto before = bench.Take();
    EXPECT_EQ(mov.GetFileSize(), 9u * 512);
    EXPECT_EQ(mp4.GetFileSize(), 3u * 512);
    EXPECT_TRUE(bench.Take() == before);

    bench.Load(0, static_cast<DWORD>(p + 9 * 512));
    EXPECT_EQ(mp4.GetFileSize(), 11 * kBlock - (p + 9 * 512));  // nothing after it
    bench.Load(2, 4096);
    EXPECT_EQ(mov.GetFileSize(), 101 * kBlock - 4096);
}

TEST(MpgRecognizer, StartCodesEndMarkAndMpegTv) {
    CAvBench bench;
    bench.Put(512, {0x00, 0x00, 0x01, 0xB3});
    // Pack headers: the sequence header at offset 13 (odd) is not looked for;
    // one at offset 14 is.
    bench.Put(65536, {0x00, 0x00, 0x01, 0xBA});
    bench.Put(65536 + 13, {0x00, 0x00, 0x01, 0xB3});
    bench.Put(98304, {0x00, 0x00, 0x01, 0xBA});
    bench.Put(98304 + 14, {0x00, 0x00, 0x01, 0xB3});
    // "MPEGTV" within 512 bytes of a sector start.
    bench.Put(4096 + 512, std::string("MPEGTV"));
    // In the last sector: a pack header whose sequence header would straddle
    // the blocks, and "MPEGTV" that would run past the buffer.
    bench.Put(kLastSector, {0x00, 0x00, 0x01, 0xBA});
    bench.Put(kLastSector + 510, {0x00, 0x00, 0x01, 0xB3});
    bench.Put(kLastSector + 509, std::string("MPEGTV"));
    CMPGScanner& mpg = bench.Make<CMPGScanner>();

    bench.Load(0, 512);
    EXPECT_TRUE(mpg.IsFileHeader());
    bench.Load(0, 65536);
    EXPECT_FALSE(mpg.IsFileHeader());
    bench.Load(0, 98304);
    EXPECT_TRUE(mpg.IsFileHeader());
    bench.Load(0, 4096);
    EXPECT_TRUE(mpg.IsFileHeader());
    bench.Load(0, 4096 + 512);
    EXPECT_FALSE(mpg.IsFileHeader());  // the text must lie after the sector start
    bench.Load(0, kLastSector);
    EXPECT_FALSE(mpg.IsFileHeader());
}

TEST(MpgRecognizer, LengthStopsBeforeTheEndCodesBlock) {
    CAvBench bench(84 * kBlock);
    const uint64_t p = 1024;
    bench.Put(p, {0x00, 0x00, 0x01, 0xB3});
    bench.Put(p + 5000, {0x00, 0x00, 0x01, 0xB7});
    bench.Put(p + 512 * 3, {0x00, 0x00, 0x01, 0xB3});  // inside the first stream
    // An end code that straddles blocks 1 and 2.
    bench.Put(kBlock + 4096, {0x00, 0x00, 0x01, 0xB3});
    bench.Put(2 * kBlock - 2, {0x00, 0x00, 0x01, 0xB7});
    // In the last sector, the end code early in the next block.
    bench.Put(3 * kBlock - 512, {0x00, 0x00, 0x01, 0xB3});
    bench.Put(3 * kBlock + 100, {0x00, 0x00, 0x01, 0xB7});
    // No end code at all after this one.
    bench.Put(4 * kBlock + 2048, {0x00, 0x00, 0x01, 0xB3});
    CMPGScanner& mpg = bench.Make<CMPGScanner>();

    bench.Load(0, static_cast<DWORD>(p));
    ASSERT_TRUE(mpg.IsFileHeader());
    const auto before = bench.Take();
    EXPECT_EQ(mpg.GetFileSize(), 4608u);
    EXPECT_TRUE(bench.Take() == before);
    EXPECT_EQ(mpg.GetEndMark(), 2u + 9);
    bench.Load(0, static_cast<DWORD>(p + 512 * 3));
    EXPECT_FALSE(mpg.IsFileHeader());               // S is not above the end mark
    EXPECT_EQ(mpg.GetFileSize(), 4608u - 3 * 512);  // measured alone, it is still a stream

    bench.Load(1, 4096);
    ASSERT_TRUE(mpg.IsFileHeader());
    EXPECT_EQ(mpg.GetFileSize(), (kBlock - 2 - 4096 - 1) / 512 * 512);

    bench.Load(2, kLastSector);
    ASSERT_TRUE(mpg.IsFileHeader());
    EXPECT_EQ(mpg.GetFileSize(), 512u);
    EXPECT_EQ(mpg.GetEndMark(), 3 * 1024u - 1 + 1);

    bench.Load(4, 2048);
    ASSERT_TRUE(mpg.IsFileHeader());
    EXPECT_EQ(mpg.GetFileSize(), 81 * kBlock - 2048);
    EXPECT_EQ(mpg.GetEndMark(), 4 * 1024u + 4 + (81 * kBlock - 2048) / 512);
    EXPECT_EQ(mpg.GetFileSize(), 81 * kBlock - 2048);
}

// What a scan of one medium found: per type, (start sector, length) in order.
using Found = std::map<std::string, std::vector<std::pair<ULONGLONG, ULONGLONG>>>;

Found Scan(const std::string& medium, std::vector<FileType> types, std::string* console) {
    CDiskSource src(medium);
    EXPECT_EQ(src.GetStatus(), CDiskSource::kUsable);
    CDirectoryTree tree;
    CTypeCounters counters;
    CJobControl control;
    control.Reset();
    test::RecordingReporter rep;
    CScanJob job(src, tree, counters, control, rep);
    EXPECT_TRUE(job.SetTypes(types));
    job.Run();
    Found found;
    for (CFolderNode* folder = tree.GetFirstFolder(); folder != nullptr;
         folder = folder->GetNextFolder()) {
        auto& list = found[folder->GetName()];
        for (CDirectoryNode* n = folder->GetFirstChild(); n != nullptr; n = n->GetNext()) {
            const auto* f = static_cast<const CFileNode*>(n);
            list.emplace_back(f->GetStartSector(), f->GetSize());
        }
        std::sort(list.begin(), list.end());
    }
    if (console != nullptr) *console = rep.console;
    return found;
}

// MP3s and MPEG streams on a medium with 4,096-byte sectors are found as on
// one with 512-byte sectors: the end marks count in the medium's own sectors.
TEST(Mp3AndMpgRecognizers, SameFilesOnLargeSectorMedia) {
    test::TempDir dir;
    const std::string path = dir / "card.img";
    const media::Bytes song = media::MakeMp3(700, "Voice memo", 300);
    const media::Bytes clip = media::MakeMpegProgramStream(352, 288, 30);
    const media::Bytes song2 = media::MakeMp3(400);
    const media::Bytes clip2 = media::MakeMpegProgramStream(176, 144, 40);
    const uint64_t at[] = {64 * 1024, 512 * 1024, 1024 * 1024, 1536 * 1024};
    ASSERT_LT(at[0] + song.size(), at[1]);
    ASSERT_LT(at[2] + clip.size(), at[3]);
    {
        media::ImageFile img(path, 4 * 1024 * 1024);
        img.Write(at[0], song);
        img.Write(at[1], song2);
        img.Write(at[2], clip);
        img.Write(at[3], clip2);
    }
    const std::vector<FileType> types = {FileType::MP3, FileType::MPG};
    std::string console;
    const Found small = Scan(path, types, &console);
    const auto lengths = [](const Found& f, const std::string& type) {
        std::vector<ULONGLONG> out;
        if (f.count(type) != 0) {
            for (const auto& [start, size] : f.at(type)) out.push_back(size);
        }
        return out;
    };
    ASSERT_EQ(small.count("MP3"), 1u);
    ASSERT_EQ(small.count("MPG"), 1u);
    EXPECT_EQ(small.at("MP3"), (std::vector<std::pair<ULONGLONG, ULONGLONG>>{
                                   {at[0] / 512, song.size() / 512 * 512},
                                   {at[1] / 512, song2.size() / 512 * 512}}));
    ASSERT_EQ(small.at("MPG").size(), 2u);
    EXPECT_EQ(small.at("MPG")[0].first, at[2] / 512);
    EXPECT_EQ(small.at("MPG")[1].first, at[3] / 512);
    for (const auto& [start, size] : small.at("MPG")) EXPECT_GT(size, 1024u);
    EXPECT_EQ(console, "Recognized file at abs Sector :" + std::to_string(at[0] / 512) +
                           "\nRecognized file at abs Sector :" + std::to_string(at[1] / 512) +
                           "\n");

    std::string why;
    auto loop = test::LoopDevice::Attach(path, 4096, why);
    if (!loop) GTEST_SKIP() << why;
    const Found large = Scan(loop->Path(), types, &console);
    ASSERT_EQ(large.count("MP3"), 1u);
    ASSERT_EQ(large.count("MPG"), 1u);
    EXPECT_EQ(lengths(large, "MP3"), lengths(small, "MP3"));
    EXPECT_EQ(lengths(large, "MPG"), lengths(small, "MPG"));
    EXPECT_EQ(large.at("MP3")[0].first, at[0] / 4096);
    EXPECT_EQ(large.at("MP3")[1].first, at[1] / 4096);
    EXPECT_EQ(large.at("MPG")[0].first, at[2] / 4096);
    EXPECT_EQ(large.at("MPG")[1].first, at[3] / 4096);
    EXPECT_EQ(console, "Recognized file at abs Sector :" + std::to_string(at[0] / 4096) +
                           "\nRecognized file at abs Sector :" + std::to_string(at[1] / 4096) +
                           "\n");
}

}  // namespace
}  // namespace tvn
