#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include "disk/disk_source.h"
#include "disk/io.h"
#include "tests/support/test_support.h"
#include "tools/media/image.h"

namespace tvn {
namespace {

using test::TempDir;

TEST(DiskSourceImage, Fat32StartSectorAndFileOffset) {
    TempDir dir;
    const std::string path = dir / "fat32.img";
    {
        media::ImageFile img(path, 8 << 20);
        img.Write(0, media::MakeFat32BootSector(32, 1000, 16384));
    }
    CDiskSource src(path);
    EXPECT_EQ(src.GetStatus(), CDiskSource::kUsable);
    EXPECT_EQ(src.GetSectorSize(), 512);
    EXPECT_EQ(src.GetStartSector(), 2032u);
    EXPECT_EQ(TellFd(src.GetHandle()), 2032 * 512);
    EXPECT_EQ(src.GetTotalSectors(), (8u << 20) / 512);
    EXPECT_EQ(src.GetKind(), MediumKind::Image);
    EXPECT_EQ(src.GetSectorsPerCluster(), 8u);
}

TEST(DiskSourceImage, Fat16AndNtfsAndUnknown) {
    TempDir dir;
    {
        media::ImageFile img(dir / "fat16.img", 4 << 20);
        img.Write(0, media::MakeFat16BootSector(4, 32, 8192));
        media::ImageFile ntfs(dir / "ntfs.img", 4 << 20);
        ntfs.Write(0, media::MakeNtfsBootSector(8191));
        media::ImageFile raw(dir / "raw.img", 4 << 20);
    }
    CDiskSource fat(dir / "fat16.img");
    EXPECT_EQ(fat.GetStartSector(), 4u + 2u * 32u);
    EXPECT_EQ(TellFd(fat.GetHandle()), (4 + 64) * 512);

    CDiskSource ntfs(dir / "ntfs.img");
    EXPECT_EQ(ntfs.GetStartSector(), 1u);
    EXPECT_EQ(TellFd(ntfs.GetHandle()), 512);

    // No known boot sector: the start is where the read left the file offset.
    CDiskSource raw(dir / "raw.img");
    EXPECT_EQ(raw.GetStatus(), CDiskSource::kUsable);
    EXPECT_EQ(raw.GetStartSector(), 1u);
    EXPECT_EQ(TellFd(raw.GetHandle()), 512);
}

TEST(DiskSourceImage, DataAreaBeyondTwoGigabytesIsReachedExactly) {
    // A large FAT32 volume whose data area starts past 2^31 bytes: a 32-bit
    // relative seek cannot reach it.
    TempDir dir;
    const std::string path = dir / "big-fat32.img";
    constexpr uint32_t kSectorsPerFat = 2'500'000;
    constexpr uint64_t kStart = 32 + 2 * uint64_t{kSectorsPerFat};
    {
        media::ImageFile img(path, (kStart + 4096) * 512);
        img.Write(0, media::MakeFat32BootSector(32, kSectorsPerFat,
                                                static_cast<uint32_t>(kStart + 4096)));
    }
    CDiskSource src(path);
    EXPECT_EQ(src.GetStartSector(), kStart);
    EXPECT_EQ(TellFd(src.GetHandle()), static_cast<int64_t>(kStart * 512));
}

TEST(DiskSourceImage, DamagedFatBootSectorDoesNotSkipTheMedium) {
    TempDir dir;
    {
        // Sectors per FAT so large that the data area would lie past the end
        // (and past 32 bits); and a FAT16 one just at the end of a small image.
        media::ImageFile fat32(dir / "fat32.img", 1 << 20);
        fat32.Write(0, media::MakeFat32BootSector(32, 0x80000000u, 2048));
        media::ImageFile fat16(dir / "fat16.img", 64 << 10);
        fat16.Write(0, media::MakeFat16BootSector(28, 50, 128));
        media::ImageFile edge(dir / "edge.img", 64 << 10);
        edge.Write(0, media::MakeFat16BootSector(27, 50, 128));
    }
    for (const char* name : {"fat32.img", "fat16.img"}) {
        CDiskSource src(dir / name);
        EXPECT_EQ(src.GetStatus(), CDiskSource::kUsable) << name;
        EXPECT_EQ(src.GetStartSector(), 1u) << name;
        EXPECT_EQ(TellFd(src.GetHandle()), 512) << name;
    }
    // The last sector of the medium is still a believable data-area start.
    CDiskSource edge(dir / "edge.img");
    EXPECT_EQ(edge.GetStartSector(), 127u);
    EXPECT_EQ(TellFd(edge.GetHandle()), 127 * 512);
}

TEST(DiskSourceImage, SectorCountsAreNotCutTo32Bits) {
    TempDir dir;
    const std::string path = dir / "huge.img";
    constexpr uint64_t kSectors = (uint64_t{1} << 32) + 16;
    try {
        media::ImageFile img(path, kSectors * 512);  // sparse: takes no room
        img.Write(0, media::MakeNtfsBootSector(uint64_t{1} << 33));
    } catch (const std::exception& e) {
        GTEST_SKIP() << "cannot make a sparse 2 TiB file here: " << e.what();
    }
    CDiskSource src(path);
    EXPECT_EQ(src.GetTotalSectors(), kSectors);
    EXPECT_EQ(src.GetStartSector(), 1u);
}

TEST(DiskSourceImage, ImageNamedLikeADiskNumberStartsAtItsFirstSectors) {
    TempDir dir;
    { media::ImageFile img(dir / "3", 1 << 20); }
    char cwd[4096];
    ASSERT_NE(::getcwd(cwd, sizeof cwd), nullptr);
    ASSERT_EQ(::chdir(dir.Path().c_str()), 0);
    CDiskSource src("3");
    ASSERT_EQ(::chdir(cwd), 0);
    EXPECT_EQ(src.GetKind(), MediumKind::Image);
    EXPECT_EQ(src.GetStatus(), CDiskSource::kUsable);
    EXPECT_EQ(src.GetStartSector(), 1u);
    EXPECT_EQ(TellFd(src.GetHandle()), 512);
}

TEST(DiskSourceImage, MissingMediumIsDisconnectedButHasSpc) {
    CDiskSource src("/nonexistent/card.img");
    EXPECT_EQ(src.GetStatus(), CDiskSource::kLogicalFailed);
    EXPECT_EQ(src.GetSectorsPerCluster(), 8u);  // the caller's SPC test passes
    EXPECT_NE(src.GetOpenError(), 0);
    CDiskSource badMode("/nonexistent/card.img", 7);
    EXPECT_EQ(badMode.GetStatus(), CDiskSource::kPhysicalFailed);
}

TEST(DiskSourceProbe, EveryReadFailingGivesTheLastSizeTried) {
    // Reading a directory fails with EISDIR every time.
    const int fd = ::open("/", O_RDONLY | O_DIRECTORY);
    ASSERT_GE(fd, 0);
    EXPECT_EQ(CDiskSource::ProbeSectorSizeByRead(fd), 66048u);
    ::close(fd);
}

TEST(DiskSourceErrors, SystemTextOrFallback) {
    std::string text;
    EXPECT_TRUE(CDiskSource::GetErrorText(text, ENOENT));
    EXPECT_EQ(text, "No such file or directory");
    EXPECT_FALSE(CDiskSource::GetErrorText(text, 0));
    EXPECT_EQ(text, "failed to retrieve system error");
    EXPECT_FALSE(CDiskSource::GetErrorText(text, 99999));
    EXPECT_EQ(text, "failed to retrieve system error");
}

TEST(RawDisk, RelativePathIsRefused) {
    errno = 0;
    EXPECT_EQ(OpenRawDisk("dev/sdb"), -1);
    EXPECT_EQ(errno, EINVAL);
}

}  // namespace
}  // namespace tvn
