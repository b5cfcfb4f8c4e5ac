#include <gtest/gtest.h>

#include "app/job_control.h"
#include "catalog/directory_tree.h"
#include "scan/recognizers/avi_scanner.h"
#include "scan/recognizers/mid_scanner.h"
#include "scan/recognizers/mp3_scanner.h"
#include "scan/recognizers/wav_scanner.h"
#include "scan/scan_job.h"
#include "tests/scan/av_test_bench.h"
#include "tools/media/av_writers.h"

namespace tvn {
namespace {

using test::CAvBench;
using test::kBlock;
using test::kLastSector;
using Outcome = CMpegAudioFrame::Outcome;

media::Bytes Repeat(const media::Bytes& one, size_t times) {
    media::Bytes out;
    for (size_t i = 0; i < times; ++i) out.insert(out.end(), one.begin(), one.end());
    return out;
}

// An ID3v2 tag header declaring a tag of size bytes (synchsafe).
media::Bytes Id3Header(uint32_t size) {
    return {'I',
            'D',
            '3',
            3,
            0,
            0,
            static_cast<uint8_t>((size >> 21) & 0x7F),
            static_cast<uint8_t>((size >> 14) & 0x7F),
            static_cast<uint8_t>((size >> 7) & 0x7F),
            static_cast<uint8_t>(size & 0x7F)};
}

// A frame of the given header (MPEG-1 Layer III at 48 kHz when the caller
// says so), zero payload.
media::Bytes Frame(uint8_t b2, size_t length) {
    media::Bytes f(length, 0);
    f[0] = 0xFF;
    f[1] = 0xFB;
    f[2] = b2;
    return f;
}

TEST(MpegAudioFrame, BitrateTablesAndFrameLengths) {
    struct Case {
        DWORD header;
        Outcome outcome;
        DWORD length;
    };
    const Case cases[] = {
        {0xFFFB9000, Outcome::kFrame, 417},   // MPEG-1 III, 128 kbit/s, 44.1 kHz
        {0xFFFB9200, Outcome::kFrame, 418},   // the same, padded
        {0xFFFBE400, Outcome::kFrame, 960},   // MPEG-1 III, 320 kbit/s, 48 kHz
        {0xFFFDE400, Outcome::kFrame, 1152},  // MPEG-1 II, 384 kbit/s, 48 kHz
        {0xFFFF1800, Outcome::kFrame, 48},    // MPEG-1 I, 32 kbit/s, 32 kHz
        {0xFFFFF800, Outcome::kFrame, 720},   // MPEG-1 I, index 15 = 480 kbit/s, 32 kHz
        {0xFFF38000, Outcome::kFrame, 417},   // MPEG-2 III, 64 kbit/s, 22.05 kHz
        {0xFFE3E000, Outcome::kFrame, 1044},  // MPEG-2.5 III, 160 kbit/s, counted as MPEG-2
        {0xFFF5E000, Outcome::kFrame, 1044},  // MPEG-2 II shares the Layer III table
        {0xFFF5E200, Outcome::kFrame, 1045},
        {0xFFF7E000, Outcome::kFrame, 556},   // MPEG-2 I, 256 kbit/s: (3,072,000 / 22,050) x 4
        {0xFFEB9000, Outcome::kReserved, 0},  // version 01
        {0xFFF99000, Outcome::kReserved, 0},  // layer 00
        {0xFFFBF000, Outcome::kEnd, 0},       // bitrate index 15
        {0xFFFB9C00, Outcome::kEnd, 0},       // sampling rate index 3
    };
    for (const Case& c : cases) {
        DWORD bitrate = 0;
        const CMpegAudioFrame f = DecodeMpegAudioFrame(c.header, bitrate);
        EXPECT_EQ(f.outcome, c.outcome) << std::hex << c.header;
        EXPECT_EQ(f.length, c.length) << std::hex << c.header;
    }
    DWORD bitrate = 0;
    // Bitrate index 0 keeps the previous frame's bitrate; with none before, a
    // frame of no length ends the walk.
    bitrate = 128;
    EXPECT_EQ(DecodeMpegAudioFrame(0xFFFB0000, bitrate).length, 417u);
    bitrate = 0;
    EXPECT_EQ(DecodeMpegAudioFrame(0xFFFB0000, bitrate).outcome, Outcome::kEnd);
}

TEST(Mp3Recognizer, FrameWalkLengthsAndEndMark) {
    CAvBench bench;
    // 38 frames of 417 bytes (15,846: cut to 15,360) and 38 of 418 (15,884:
    // cut to 15,872).
    bench.Put(1024, Repeat(media::MakeMp3Frame(false), 38));
    bench.Put(64 * 1024, Repeat(media::MakeMp3Frame(true), 38));
    // 10,000 bytes of 48 kHz frames (16 padded of 385, 10 of 384), then "TAG".
    media::Bytes tenThousand = Repeat(Frame(0x96, 385), 16);
    const media::Bytes rest = Repeat(Frame(0x94, 384), 10);
    tenThousand.insert(tenThousand.end(), rest.begin(), rest.end());
    ASSERT_EQ(tenThousand.size(), 10000u);
    bench.Put(128 * 1024, tenThousand);
    bench.Put(128 * 1024 + 10000, std::string("TAG"));
    // One frame whose successor changes the CRC flag (FF FA).
    bench.Put(192 * 1024, media::MakeMp3Frame(false));
    bench.Put(192 * 1024 + 417, {0xFF, 0xFA, 0x90, 0x00});
    CMP3Scanner& mp3 = bench.Make<CMP3Scanner>();

    bench.Load(0, 1024);
    ASSERT_TRUE(mp3.IsFileHeader());
    EXPECT_NE(bench.reporter.console.find("Recognized file at abs Sector :2\n"), std::string::npos);
    const auto before = bench.Take();
    EXPECT_EQ(mp3.GetFileSize(), 15360u);
    EXPECT_TRUE(bench.Take() == before);
    EXPECT_EQ(mp3.GetEndMark(), 2u + 30);
    EXPECT_EQ(mp3.GetFileSize(), 15360u);
    EXPECT_EQ(mp3.GetEndMark(), 32u);

    bench.Load(0, 64 * 1024);
    ASSERT_TRUE(mp3.IsFileHeader());
    EXPECT_EQ(mp3.GetFileSize(), 15872u);
    EXPECT_EQ(mp3.GetEndMark(), 128u + 31);
    bench.Load(0, 128 * 1024);
    ASSERT_TRUE(mp3.IsFileHeader());
    EXPECT_EQ(mp3.GetFileSize(), 9728u);
    bench.Load(0, 192 * 1024);
    ASSERT_TRUE(mp3.IsFileHeader());
    EXPECT_EQ(mp3.GetFileSize(), 512u);  // one frame, raised to 512
    EXPECT_EQ(mp3.GetEndMark(), 384u + 1);

    // Measuring the first one again gives the same length and end mark.
    bench.Load(0, 1024);
    EXPECT_EQ(mp3.GetFileSize(), 15360u);
    EXPECT_EQ(mp3.GetEndMark(), 32u);
}

TEST(Mp3Recognizer, NoStartInsideTheMp3MeasuredLast) {
    CAvBench bench;
    bench.Put(1024, Repeat(media::MakeMp3Frame(false), 38));  // sectors 2 to 32
    bench.Put(512 * 10, {0xFF, 0xFB, 0x90, 0x00});            // a frame start inside it
    bench.Put(512 * 32, {0xFF, 0xFB, 0x90, 0x00});            // at the end mark
    bench.Put(512 * 33, {0xFF, 0xFB, 0x90, 0x00});            // just past it
    bench.Put(512 * 40, std::string("ID3"));
    CMP3Scanner& mp3 = bench.Make<CMP3Scanner>();
    bench.Load(0, 1024);
    ASSERT_TRUE(mp3.IsFileHeader());
    ASSERT_EQ(mp3.GetFileSize(), 15360u);
    bench.reporter.console.clear();
    bench.Load(0, 512 * 10);
    EXPECT_FALSE(mp3.IsFileHeader());
    bench.Load(0, 512 * 32);
    EXPECT_FALSE(mp3.IsFileHeader());
    EXPECT_EQ(bench.reporter.console, "");
    bench.Load(0, 512 * 33);
    EXPECT_TRUE(mp3.IsFileHeader());
    EXPECT_EQ(bench.reporter.console, "Recognized file at abs Sector :33\n");
    bench.Load(0, 512 * 40);
    EXPECT_TRUE(mp3.IsFileHeader());
    bench.Load(0, 512 * 41);
    EXPECT_FALSE(mp3.IsFileHeader());
}

TEST(Mp3Recognizer, Id3TagBeforeTheFrames) {
    CAvBench bench;
    // Tag of 1,152 bytes, 300 bytes of junk, ten frames: 1,152 + 310 + 4,170
    // = 5,632, a whole number of 512s.
    const uint64_t p = 4096;
    bench.Put(p, Id3Header(1152));
    bench.Put(p + 10 + 1152, media::Bytes(300, 0x55));
    bench.Put(p + 10 + 1152 + 300, Repeat(media::MakeMp3Frame(false), 10));
    // An oversized tag.
    bench.Put(64 * 1024, Id3Header(500001));
    CMP3Scanner& mp3 = bench.Make<CMP3Scanner>();

    bench.Load(0, static_cast<DWORD>(p));
    ASSERT_TRUE(mp3.IsFileHeader());
    EXPECT_EQ(mp3.GetFileSize(), 5632u);
    EXPECT_EQ(mp3.GetEndMark(), 8u + 11);

    bench.Load(0, 64 * 1024);
    ASSERT_TRUE(mp3.IsFileHeader());
    EXPECT_EQ(mp3.GetFileSize(), 512u);
    EXPECT_EQ(mp3.GetEndMark(), 128u + 1);
}

TEST(Mp3Recognizer, HeadersAcrossTheBlockBoundaryAreReadWhole) {
    // Tags in the last sector of a block that put the first frame at B - 2
    // (the header straddles the blocks) and at B - 1 (so does the sync).
    for (uint32_t tag : {500u, 501u}) {
        CAvBench bench;
        bench.Put(kLastSector, Id3Header(tag));
        bench.Put(kLastSector + 10 + tag, Repeat(media::MakeMp3Frame(false), 20));
        CMP3Scanner& mp3 = bench.Make<CMP3Scanner>();
        bench.Load(0, kLastSector);
        ASSERT_TRUE(mp3.IsFileHeader());
        const auto before = bench.Take();
        EXPECT_EQ(mp3.GetFileSize(), (tag + 10 + 20 * 417) / 512 * 512) << tag;
        EXPECT_TRUE(bench.Take() == before);
    }
}

TEST(Mp3Recognizer, ReservedVersionGivesNothingAndTouchesNothing) {
    CAvBench bench;
    bench.Put(1024, Repeat(media::MakeMp3Frame(false), 38));
    // A tag in the last sector whose frame search finds no sync: the walk goes
    // on at the start of the next block, where the version bits are 01.
    bench.Put(kLastSector, Id3Header(1000));
    bench.Put(kBlock, {0xFF, 0xEB, 0x90, 0x00});
    CMP3Scanner& mp3 = bench.Make<CMP3Scanner>();
    bench.Load(0, 1024);
    ASSERT_TRUE(mp3.IsFileHeader());
    ASSERT_EQ(mp3.GetFileSize(), 15360u);
    const ULONGLONG mark = mp3.GetEndMark();

    bench.Load(0, kLastSector);
    ASSERT_TRUE(mp3.IsFileHeader());
    const auto before = bench.Take();
    EXPECT_EQ(mp3.GetFileSize(), 0u);
    EXPECT_TRUE(bench.Take() == before);
    EXPECT_EQ(mp3.GetEndMark(), mark);
}

TEST(Mp3Recognizer, WalkStopsAfterTwentyFurtherBlocks) {
    CAvBench bench(23 * kBlock);
    const media::Bytes frames = media::MakeMp3Frames(27000);  // about 11 MiB
    bench.Put(2048, frames);
    CMP3Scanner& mp3 = bench.Make<CMP3Scanner>();
    bench.Load(0, 2048);
    ASSERT_TRUE(mp3.IsFileHeader());
    // The walk ends at the first frame that begins in the 22nd block.
    uint64_t at = 0;
    while (2048 + at < 21 * kBlock) at += frames[at + 2] == 0x92 ? 418u : 417u;
    EXPECT_EQ(mp3.GetFileSize(), at / 512 * 512);
}

TEST(WavRecognizer, RiffWaveAndItsLength) {
    CAvBench bench;
    bench.Put(512, std::string("RIFF") + std::string("\x24\0\0\0", 4) + "WAVE");
    bench.Put(1024, std::string("RIFF") + std::string("\x40\x42\x0F\0", 4) + "AVI ");
    bench.Put(kLastSector, std::string("RIFF") + std::string("\xF8\xFF\xFF\xFF", 4) + "WAVEfmt ");
    CWAVScanner& wav = bench.Make<CWAVScanner>();
    bench.Load(0, 512);
    ASSERT_TRUE(wav.IsFileHeader());
    EXPECT_EQ(wav.GetFileSize(), 44u);
    bench.Load(0, 1024);
    EXPECT_FALSE(wav.IsFileHeader());
    bench.Load(0, kLastSector);
    ASSERT_TRUE(wav.IsFileHeader());
    EXPECT_EQ(wav.GetFileSize(), 0xFFFFFFF8ull + 8);  // no wrap in 32 bits
}

TEST(MidRecognizer, StandardAndRiffMidiFiles) {
    CAvBench bench;
    const media::Bytes rmid = media::MakeRmid(40);
    ASSERT_EQ(std::string(rmid.begin() + 20, rmid.begin() + 24), "MThd");
    bench.Put(512, rmid);
    bench.Put(8192, std::string("MThd"));
    bench.Put(8192 + 700, std::string("MThd"));      // not 512-aligned: no boundary
    bench.Put(8192 + 5 * 512, std::string("RIFF"));  // the next RIFF start ends it
    bench.Put(16384, std::string("RIFF"));
    bench.Put(16384 + 513, std::string("MThd"));  // too far in
    // In the last sector: an MThd that fits, and one that would run past the
    // buffer (bytes past it take part in no match).
    bench.Put(kLastSector, std::string("RIFF"));
    bench.Put(kLastSector + 508, std::string("MThd"));
    CMIDScanner& mid = bench.Make<CMIDScanner>();
    CWAVScanner& wav = bench.Make<CWAVScanner>();
    CAVIScanner& avi = bench.Make<CAVIScanner>();

    bench.Load(0, 512);
    EXPECT_TRUE(mid.IsFileHeader());
    EXPECT_FALSE(wav.IsFileHeader());
    EXPECT_FALSE(avi.IsFileHeader());
    bench.Load(0, 8192);
    ASSERT_TRUE(mid.IsFileHeader());
    EXPECT_EQ(mid.GetFileSize(), 5u * 512);
    bench.Load(0, 16384);
    EXPECT_FALSE(mid.IsFileHeader());
    bench.Load(0, kLastSector);
    EXPECT_TRUE(mid.IsFileHeader());

    CAvBench edge;
    edge.Put(kLastSector, std::string("RIFF"));
    edge.Put(kLastSector + 510, std::string("MThd"));  // straddles into the next block
    edge.Put(3 * kBlock + 1024, std::string("MThd"));
    CMIDScanner& mid2 = edge.Make<CMIDScanner>();
    edge.Load(0, kLastSector);
    EXPECT_FALSE(mid2.IsFileHeader());
    edge.Load(3, 1024);
    ASSERT_TRUE(mid2.IsFileHeader());
    EXPECT_EQ(mid2.GetFileSize(), 3 * kBlock - 1024);  // nothing after it: the whole window
}

// A whole scan: the frames inside a found MP3 that begin at sector starts are
// not reported again, and only real starts reach the console.
TEST(Mp3Recognizer, ScanReportsEachMp3Once) {
    test::TempDir dir;
    const std::string path = dir / "card.img";
    // A tag of 502 bytes puts the first frame at the sector after the tag's.
    const media::Bytes first = media::MakeMp3(600, "Morning", 502 - 43);
    const media::Bytes second = media::MakeMp3(300);
    {
        media::ImageFile img(path, 2 * kBlock);
        img.Write(8192, first);
        img.Write(8192 + 262144 + 4096, second);
    }
    ASSERT_EQ(first[512], 0xFF);  // the first frame: at 8192 + 512
    ASSERT_EQ(first[513], 0xFB);
    CDiskSource src(path);
    CDirectoryTree tree;
    CTypeCounters counters;
    CJobControl control;
    control.Reset();
    test::RecordingReporter rep;
    CScanJob job(src, tree, counters, control, rep);
    ASSERT_TRUE(job.SetTypes(std::vector<FileType>{FileType::MP3}));
    job.Run();

    CFolderNode* folder = tree.FindFolder("MP3");
    ASSERT_NE(folder, nullptr);
    std::vector<std::pair<ULONGLONG, ULONGLONG>> found;
    for (CDirectoryNode* n = folder->GetFirstChild(); n != nullptr; n = n->GetNext()) {
        const auto* f = static_cast<CFileNode*>(n);
        found.emplace_back(f->GetStartSector(), f->GetSize());
    }
    std::sort(found.begin(), found.end());
    const ULONGLONG secondAt = (8192 + 262144 + 4096) / 512;
    EXPECT_EQ(found, (std::vector<std::pair<ULONGLONG, ULONGLONG>>{
                         {16, first.size() / 512 * 512}, {secondAt, second.size() / 512 * 512}}));
    EXPECT_EQ(rep.console, "Recognized file at abs Sector :16\nRecognized file at abs Sector :" +
                               std::to_string(secondAt) + "\n");
}

}  // namespace
}  // namespace tvn
