#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include "disk/io.h"

#include "scan/scanner.h"
#include "tests/support/test_support.h"
#include "tools/media/image.h"

namespace tvn {
namespace {

TEST(RecognizerList, FixedOrderWhateverTheChoice) {
    test::TempDir dir;
    { media::ImageFile img(dir / "a.img", 1 << 20); }
    CDiskSource src(dir / "a.img");
    CTypeCounters counters;
    test::RecordingReporter rep;
    CScanContext ctx(src, counters, rep);
    const FileType chosen[] = {FileType::AVI, FileType::JPG, FileType::BMP, FileType::MP3};
    auto list = BuildRecognizerList(ctx, chosen);
    std::vector<std::string> names;
    for (auto& r : list) names.push_back(r->GetTypeName());
    EXPECT_EQ(names, (std::vector<std::string>{"BMP", "JPG", "MP3", "AVI"}));

    const FileType all[] = {FileType::AVI, FileType::MOV, FileType::MPG, FileType::MP4,
                            FileType::WAV, FileType::MID, FileType::MP3, FileType::NEF,
                            FileType::ORF, FileType::MRW, FileType::SR2, FileType::SRF,
                            FileType::CR2, FileType::CRW, FileType::TIF, FileType::GIF,
                            FileType::JPG, FileType::PNG, FileType::BMP};
    list = BuildRecognizerList(ctx, all);
    ASSERT_EQ(list.size(), kClassicTypeCount);
    for (size_t i = 0; i < kClassicTypeCount; ++i) EXPECT_EQ(list[i]->GetTypeName(), kTypes[i].name);

    // The newer types follow the nineteen, in their own fixed order.
    std::vector<FileType> every;
    for (auto it = kTypes.rbegin(); it != kTypes.rend(); ++it) every.push_back(it->type);
    list.clear();
    list = BuildRecognizerList(ctx, every);
    ASSERT_EQ(list.size(), kTypeCount);
    for (size_t i = 0; i < kTypeCount; ++i) EXPECT_EQ(list[i]->GetTypeName(), kTypes[i].name);
    EXPECT_EQ(list[kClassicTypeCount]->GetTypeName(), "CR3");
    EXPECT_EQ(list.back()->GetTypeName(), "3GP");
}

TEST(ReadBlock, UnreadableBlockIsZerosAndSkipped) {
    // A directory descriptor: every read fails.
    test::TempDir dir;
    { media::ImageFile img(dir / "a.img", 1 << 20); }
    CDiskSource src(dir / "a.img");
    CTypeCounters counters;
    test::RecordingReporter rep;
    CScanContext ctx(src, counters, rep);
    auto list = BuildRecognizerList(ctx, std::vector<FileType>{FileType::JPG});
    list[0]->AllocBuffer(kScanBufferSize);
    ctx.buffer[7] = 0x55;
    ASSERT_TRUE(list[0]->ReadBlock());  // a real image reads fine

    const int fd = ::open("/", O_RDONLY | O_DIRECTORY);
    ASSERT_GE(fd, 0);
    CDiskSource dirSource("/", 2);
    CScanContext ctx2(dirSource, counters, rep);
    auto list2 = BuildRecognizerList(ctx2, std::vector<FileType>{FileType::JPG});
    list2[0]->AllocBuffer(kScanBufferSize);
    ctx2.buffer[3] = 0x11;
    EXPECT_FALSE(list2[0]->ReadBlock());
    EXPECT_EQ(ctx2.buffer[3], 0);
    EXPECT_NE(rep.console.find("Failed to read data from disk\nFile pointer is at :"),
              std::string::npos);
    ::close(fd);
}

}  // namespace
}  // namespace tvn
