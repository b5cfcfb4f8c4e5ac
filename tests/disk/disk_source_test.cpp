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
