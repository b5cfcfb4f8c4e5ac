// Opening a medium again from the descriptors it was first opened with (as
// UDisks2 hands them over), never by its path; and the direct descriptor that
// comes with a block device.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <memory>

#include "app/session.h"
#include "disk/disk_source.h"
#include "disk/io.h"
#include "disk/raw_access.h"
#include "scan/read_ahead.h"
#include "tests/support/test_support.h"
#include "tools/media/image.h"

namespace tvn {
namespace {

using test::LoopDevice;
using test::TempDir;

// A 4 MiB image with a FAT16 boot sector (data area at sector 4 + 2 x 32) and
// a marker at its last sector.
std::string MakeCard(const TempDir& dir, const std::string& name, uint8_t marker) {
    const std::string path = dir / name;
    media::ImageFile img(path, 4 << 20);
    img.Write(0, media::MakeFat16BootSector(4, 32, 8180));
    const std::vector<uint8_t> mark(512, marker);
    img.Write((4 << 20) - 512, mark);
    return path;
}

std::shared_ptr<CMediumHandle> HandleOf(const std::string& path, bool viaUDisks2) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return nullptr;
    return std::make_shared<CMediumHandle>(path, fd, -1, viaUDisks2);
}

uint8_t LastByte(const CDiskSource& src) {
    uint8_t b = 0;
    const uint64_t at = src.GetTotalSectors() * src.GetSectorSizeU() - 1;
    return PreadFully(src.GetHandle(), &b, 1, at) == 1 ? b : 0;
}

TEST(MediumHandle, SourceFromADescriptorHasTheFiguresOfOneFromThePath) {
    TempDir dir;
    const std::string card = MakeCard(dir, "card.img", 0xA5);
    const CDiskSource byPath(card);
    auto handle = HandleOf(card, true);
    ASSERT_TRUE(handle);
    {
        const CDiskSource fromFd(handle);
        EXPECT_EQ(fromFd.GetStatus(), CDiskSource::kUsable);
        EXPECT_EQ(fromFd.GetKind(), byPath.GetKind());
        EXPECT_EQ(fromFd.GetDrive(), card);
        EXPECT_EQ(fromFd.GetSectorSizeU(), byPath.GetSectorSizeU());
        EXPECT_EQ(fromFd.GetTotalSectors(), byPath.GetTotalSectors());
        EXPECT_EQ(fromFd.GetSectorsPerCluster(), byPath.GetSectorsPerCluster());
        EXPECT_EQ(fromFd.GetStartSector(), 68u);
        EXPECT_EQ(TellFd(fromFd.GetHandle()), 68 * 512);
        EXPECT_NE(fromFd.GetHandle(), handle->Fd());  // a descriptor of its own
        EXPECT_EQ(fromFd.GetMedium(), handle);
        EXPECT_EQ(LastByte(fromFd), 0xA5);
    }
    // The source closed its own descriptor only: the medium stays open for
    // the next one, even with the path gone.
    ASSERT_EQ(::unlink(card.c_str()), 0);
    const CDiskSource again(handle);
    EXPECT_EQ(again.GetStatus(), CDiskSource::kUsable);
    EXPECT_EQ(LastByte(again), 0xA5);
}

TEST(MediumHandle, MediumIsPresentWhileItsPathNamesIt) {
    TempDir dir;
    const std::string card = MakeCard(dir, "card.img", 1);
    auto handle = HandleOf(card, true);
    ASSERT_TRUE(handle);
    EXPECT_TRUE(handle->StillPresent());
    // Another card in its place is not this medium.
    const std::string other = MakeCard(dir, "other.img", 2);
    ASSERT_EQ(std::rename(other.c_str(), card.c_str()), 0);
    EXPECT_FALSE(handle->StillPresent());
    ASSERT_EQ(::unlink(card.c_str()), 0);
    EXPECT_FALSE(handle->StillPresent());
}

TEST(MediumHandle, SessionReopensAMediumFromUDisks2FromItsDescriptor) {
    TempDir dir;
    const std::string card = MakeCard(dir, "card.img", 0x11);
    test::RecordingReporter reporter;
    CSession session;
    auto granted = HandleOf(card, true);
    ASSERT_TRUE(granted);
    session.diskSource = std::make_unique<CDiskSource>(granted);
    session.selectedDrive = card;

    // Every reopen (extraction reopens for each file) keeps the descriptor
    // UDisks2 gave: a path open would be refused for this user.
    ASSERT_TRUE(session.OpenCurrentSource(card, reporter, kDisconnectedRestart));
    EXPECT_EQ(session.diskSource->GetMedium(), granted);
    ASSERT_TRUE(session.OpenCurrentSource(card, reporter, kDisconnectedRestart));
    EXPECT_EQ(session.diskSource->GetMedium(), granted);
    EXPECT_EQ(session.diskSource->GetStartSector(), 68u);

    // Another medium, or the card swapped for another, is opened afresh.
    const std::string other = MakeCard(dir, "other.img", 0x22);
    ASSERT_EQ(std::rename(other.c_str(), card.c_str()), 0);
    ASSERT_TRUE(session.OpenCurrentSource(card, reporter, kDisconnectedRestart));
    EXPECT_NE(session.diskSource->GetMedium(), granted);
    EXPECT_EQ(LastByte(*session.diskSource), 0x22);
    EXPECT_TRUE(reporter.messages.empty());
}

TEST(MediumHandle, MediumOpenedByPathIsOpenedByPathAgain) {
    // The path open is what notices a medium that went away since (a loop
    // device whose detach waits for its last user), so it stays.
    TempDir dir;
    const std::string card = MakeCard(dir, "card.img", 0x33);
    test::RecordingReporter reporter;
    CSession session;
    ASSERT_TRUE(session.OpenCurrentSource(card, reporter, kDisconnectedRestart));
    const auto first = session.diskSource->GetMedium();
    ASSERT_TRUE(first);
    EXPECT_FALSE(first->ViaUDisks2());
    ASSERT_TRUE(session.OpenCurrentSource(card, reporter, kDisconnectedRestart));
    EXPECT_NE(session.diskSource->GetMedium(), first);
    ASSERT_EQ(::unlink(card.c_str()), 0);
    EXPECT_FALSE(session.OpenCurrentSource(card, reporter, kDisconnectedRestart));
    ASSERT_EQ(reporter.messages.size(), 1u);
    EXPECT_EQ(reporter.messages[0].text, kDisconnectedRestart);
}

TEST(MediumHandle, BlockDeviceComesWithADirectDescriptorOfItsOwnFile) {
    TempDir dir;
    const std::string card = MakeCard(dir, "card.img", 0x5A);
    std::string why;
    auto loop = LoopDevice::Attach(card, 0, why);
    if (!loop) GTEST_SKIP() << why;
    CDiskSource src(loop->Path());
    ASSERT_EQ(src.GetStatus(), CDiskSource::kUsable);
    const int direct = src.GetDirectHandle();
    ASSERT_GE(direct, 0);
    EXPECT_NE(::fcntl(direct, F_GETFL) & O_DIRECT, 0);
    EXPECT_EQ(::fcntl(src.GetHandle(), F_GETFL) & O_DIRECT, 0);

    // Separate open files: moving one's offset leaves the other's, and the
    // ordinary descriptor still takes reads of any size at any place.
    ASSERT_EQ(::lseek(direct, 4096, SEEK_SET), 4096);
    EXPECT_EQ(TellFd(src.GetHandle()), 0);
    uint8_t odd[3] = {};
    EXPECT_EQ(PreadFully(src.GetHandle(), odd, 3, (4 << 20) - 3), 3);
    EXPECT_EQ(odd[2], 0x5A);

    // A read-ahead over the two reads the device's bytes through the direct
    // one and leaves the ordinary one as it was.
    constexpr size_t kBlock = 64 * 1024;
    CReadAhead ahead(src.GetHandle(), kBlock, 4, nullptr, direct);
    ahead.Start(4 << 20);
    ahead.MoveTo((4 << 20) - kBlock);
    const BlockBuffer* last = ahead.Get((4 << 20) - kBlock);
    ASSERT_NE(last, nullptr);
    EXPECT_EQ((*last)[kBlock - 1], 0x5A);
    ahead.Stop();
    EXPECT_EQ(::fcntl(src.GetHandle(), F_GETFL) & O_DIRECT, 0);
    EXPECT_GE(::fcntl(direct, F_GETFD), 0);  // still the source's, not closed by the reader
}

TEST(UDisks2, ObjectPathIsTheKernelNameWithOtherCharactersEscaped) {
    EXPECT_EQ(UDisks2ObjectPathFor("/dev/nonexistent-sdb"),
              "/org/freedesktop/UDisks2/block_devices/nonexistent_2dsdb");
    EXPECT_EQ(UDisks2ObjectPathFor("/dev/mmcblk0p1"), "/org/freedesktop/UDisks2/block_devices/mmcblk0p1");
}

TEST(UDisks2, PathOpenFailuresOtherThanPermissionAreNotPassedOn) {
    // A missing device is no case for UDisks2: the open fails as it is.
    const RawOpenResult r = OpenMediumForReading("/nonexistent/sdz", true);
    EXPECT_EQ(r.fd, -1);
    EXPECT_EQ(r.error, ENOENT);
    EXPECT_FALSE(r.viaUDisks2);
    EXPECT_TRUE(r.detail.empty());
}

}  // namespace
}  // namespace tvn
