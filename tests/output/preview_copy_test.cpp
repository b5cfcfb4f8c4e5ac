#include "output/preview_copy.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>

#include "app/session.h"
#include "tests/support/test_support.h"
#include "tools/media/image.h"
#include "tools/media/photo_writers.h"

namespace tvn {
namespace {

using test::RecordingReporter;
using test::TempDir;

bool Exists(const std::string& path) { return ::access(path.c_str(), F_OK) == 0; }

// Points XDG_RUNTIME_DIR at a folder of the test's own for its lifetime.
class RuntimeDir {
public:
    explicit RuntimeDir(const std::string& path) {
        if (const char* old = std::getenv("XDG_RUNTIME_DIR")) m_old = old, m_had = true;
        ::setenv("XDG_RUNTIME_DIR", path.c_str(), 1);
    }
    ~RuntimeDir() {
        if (m_had) ::setenv("XDG_RUNTIME_DIR", m_old.c_str(), 1);
        else ::unsetenv("XDG_RUNTIME_DIR");
    }

private:
    std::string m_old;
    bool m_had = false;
};

// A card image with a session on it; files are placed at given sectors.
struct Card {
    TempDir dir;
    RuntimeDir runtime{dir.Path()};
    std::string image = dir / "card.img";
    CSession session;
    RecordingReporter reporter;
    media::ImageFile img{image, 16 << 20};

    Card() { session.selectedDrive = image; }
    CFileNode* Place(const std::string& type, uint64_t sector, const media::Bytes& bytes,
                     uint64_t recordedSize = 0) {
        img.Write(sector * 512, bytes);
        CFolderNode* f = session.tree.FindFolder(type);
        if (f == nullptr) f = session.tree.InsertFolder(type);
        const uint64_t size = recordedSize != 0 ? recordedSize : bytes.size();
        return f->InsertFile("file# " + std::to_string(f->GetFileCount() + 1) + ".", sector,
                             sector + size / 512, size);
    }
    bool Open() {
        return session.OpenCurrentSource(session.selectedDrive, reporter, kDisconnectedRestart) &&
               EnsurePreviewDir(session, reporter) != nullptr;
    }
};

TEST(PreviewFolder, IsPrivateUnderTheRuntimeDirAndGoesWithEverythingInIt) {
    TempDir base;
    RuntimeDir runtime(base.Path());
    std::string path;
    {
        CPrivateDir dir("TVNTEMP");
        ASSERT_TRUE(dir.IsValid()) << dir.Error();
        path = dir.Path();
        EXPECT_EQ(path.rfind(base.Path() + "/TVNTEMP.", 0), 0u) << path;
        struct stat st {};
        ASSERT_EQ(::lstat(path.c_str(), &st), 0);
        EXPECT_TRUE(S_ISDIR(st.st_mode));
        EXPECT_EQ(st.st_mode & 0777, 0700u);
        EXPECT_EQ(st.st_uid, ::geteuid());
        // Plain names only: nothing may lead out of the folder.
        EXPECT_EQ(dir.FilePath("file# 1.JPG"), path + "/file# 1.JPG");
        for (const char* bad : {"", ".", "..", "../x", "a/b"}) EXPECT_EQ(dir.FilePath(bad), "") << bad;
        // Contents, a subfolder and a link out of it: the link goes, not its target.
        test::WriteFile(path + "/a", {1, 2, 3});
        ASSERT_EQ(::mkdir((path + "/sub").c_str(), 0700), 0);
        test::WriteFile(path + "/sub/b", {4});
        test::WriteFile(base / "outside", {5});
        ASSERT_EQ(::symlink((base / "outside").c_str(), (path + "/link").c_str()), 0);
    }
    EXPECT_FALSE(Exists(path));
    EXPECT_TRUE(Exists(base / "outside"));
}

TEST(PreviewFolder, FallsBackToTmpdirAndGoesWithTheSession) {
    TempDir base;
    RuntimeDir missing("/nonexistent-runtime-dir");
    const char* oldTmp = std::getenv("TMPDIR");
    const std::string savedTmp = oldTmp != nullptr ? oldTmp : "";
    ::setenv("TMPDIR", base.Path().c_str(), 1);
    std::string path;
    {
        CSession session;
        RecordingReporter reporter;
        ASSERT_NE(EnsurePreviewDir(session, reporter), nullptr);
        path = session.previewDir->Path();
        EXPECT_EQ(path.rfind(base.Path() + "/TVNTEMP.", 0), 0u) << path;
        EXPECT_EQ(EnsurePreviewDir(session, reporter)->Path(), path);  // one per session
        // Removed behind our back: a new one is made.
        ASSERT_EQ(::rmdir(path.c_str()), 0);
        CPrivateDir* again = EnsurePreviewDir(session, reporter);
        ASSERT_NE(again, nullptr);
        EXPECT_TRUE(std::filesystem::is_directory(again->Path()));
        path = again->Path();
    }
    EXPECT_FALSE(Exists(path));
    if (oldTmp != nullptr) ::setenv("TMPDIR", savedTmp.c_str(), 1);
    else ::unsetenv("TMPDIR");
}

TEST(PreviewRequest, SizeLimitsDependOnHowThePreviewWasAskedFor) {
    const uint64_t forty = 40ull << 20;
    EXPECT_EQ(CheckPreviewRequest("JPG", forty, /*fromMenu=*/true), PreviewRequest::TooLarge);
    EXPECT_EQ(CheckPreviewRequest("JPG", forty, false), PreviewRequest::Open);
    EXPECT_EQ(CheckPreviewRequest("JPG", kPreviewMenuLimit, true), PreviewRequest::Open);
    EXPECT_EQ(CheckPreviewRequest("JPG", kPreviewMenuLimit + 1, true), PreviewRequest::TooLarge);
    EXPECT_EQ(CheckPreviewRequest("JPG", kPreviewDoubleClickLimit + 1, false),
              PreviewRequest::TooLarge);
    // Video plays here; a type without a viewer is not available.
    EXPECT_EQ(CheckPreviewRequest("AVI", 1 << 20, false), PreviewRequest::Open);
    EXPECT_EQ(CheckPreviewRequest("XYZ", 1 << 20, false), PreviewRequest::NotAvailable);
    EXPECT_EQ(CheckPreviewRequest("ARW", 1 << 20, false), PreviewRequest::Open);
    EXPECT_EQ(ViewerForType("HEIC"), PreviewViewer::Image);
    EXPECT_EQ(ViewerForType("MTS"), PreviewViewer::Media);
    EXPECT_EQ(ViewerForType("NEF"), PreviewViewer::Image);
    EXPECT_EQ(ViewerForType("MP3"), PreviewViewer::Media);
    EXPECT_EQ(ViewerForType("AVI"), PreviewViewer::Avi);
    EXPECT_EQ(ViewerForType("MID"), PreviewViewer::Midi);
}

TEST(PreviewCopy, ReadsWholeSectorsPlusOneFromTheStartSector) {
    EXPECT_EQ(PreviewReadLength(1000, 512), 1024u);
    EXPECT_EQ(PreviewReadLength(1024, 512), 1536u);
    EXPECT_EQ(PreviewReadLength(0, 512), 512u);
    EXPECT_EQ(PreviewReadLength(5000, 4096), 8192u);

    Card c;
    media::Bytes bytes(1000);
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(i * 13 + 1);
    media::Bytes next(512, 0xAB);
    CFileNode* bmp = c.Place("BMP", 40, bytes);
    c.img.Write(42 * 512, next);  // what follows the file on the medium
    ASSERT_TRUE(c.Open());
    const PreviewCopy copy = ExtractPreviewCopy(c.session, *bmp, c.reporter);
    ASSERT_FALSE(copy.path.empty());
    EXPECT_EQ(copy.path, c.session.previewDir->Path() + "/file# 1.BMP");
    EXPECT_TRUE(copy.complete);
    const std::vector<uint8_t> got = test::ReadFile(copy.path);
    ASSERT_EQ(got.size(), 1024u);
    EXPECT_TRUE(std::equal(bytes.begin(), bytes.end(), got.begin()));
    struct stat st {};
    ASSERT_EQ(::stat(copy.path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
}

TEST(PreviewCopy, TiffIsTrimmedByItsRepairAndLinksInTheFolderAreNotFollowed) {
    Card c;
    media::TiffOptions o;
    o.rowsPerStrip = 16;  // several strips; the file ends with the last
    const media::Bytes tiff = media::MakeTiff(o);
    // The scan's length runs well past the file.
    CFileNode* tif = c.Place("TIF", 100, tiff, tiff.size() + 40000);
    ASSERT_TRUE(c.Open());
    // Someone left a link where the copy goes: it is replaced, not written through.
    TempDir other;
    test::WriteFile(other / "victim", {7, 7, 7});
    const std::string at = c.session.previewDir->Path() + "/" + tif->GetName();
    ASSERT_EQ(::symlink((other / "victim").c_str(), at.c_str()), 0);
    const PreviewCopy copy = ExtractPreviewCopy(c.session, *tif, c.reporter);
    ASSERT_FALSE(copy.path.empty());
    EXPECT_EQ(copy.length, tiff.size());
    EXPECT_EQ(test::ReadFile(copy.path), std::vector<uint8_t>(tiff.begin(), tiff.end()));
    EXPECT_EQ(test::ReadFile(other / "victim"), (std::vector<uint8_t>{7, 7, 7}));
}

TEST(PreviewCopy, RiffFilesEndWhereTheirHeaderSays) {
    Card c;
    // Made at its full length first: growing a short vector trips GCC 12's
    // bounds check at -O3.
    media::Bytes wav(100, 0x44);
    const uint8_t header[] = {'R', 'I', 'F', 'F', 92, 0, 0, 0, 'W', 'A', 'V', 'E'};
    std::copy(std::begin(header), std::end(header), wav.begin());
    CFileNode* sound = c.Place("WAV", 50, wav);
    media::Bytes liar = wav;
    liar[5] = 0x10;  // claims 4 KiB more than the copy holds: left alone
    CFileNode* other = c.Place("WAV", 60, liar);
    ASSERT_TRUE(c.Open());
    const PreviewCopy copy = ExtractPreviewCopy(c.session, *sound, c.reporter);
    EXPECT_EQ(copy.length, 100u);
    EXPECT_EQ(test::ReadFile(copy.path), std::vector<uint8_t>(wav.begin(), wav.end()));
    EXPECT_EQ(ExtractPreviewCopy(c.session, *other, c.reporter).length, 512u);
}

TEST(PreviewCopy, PassesOverHugeFilesBadNamesAndStopsWhenAsked) {
    Card c;
    CFileNode* huge = c.Place("JPG", 10, media::Bytes(512, 1), kPreviewSkipFrom);
    CFileNode* odd = c.Place("JPG", 20, media::Bytes(512, 2));
    odd->SetName("../escape.JPG");
    CFileNode* fine = c.Place("JPG", 30, media::Bytes(4096, 3));
    ASSERT_TRUE(c.Open());
    EXPECT_TRUE(ExtractPreviewCopy(c.session, *huge, c.reporter).path.empty());
    EXPECT_TRUE(ExtractPreviewCopy(c.session, *odd, c.reporter).path.empty());
    EXPECT_NE(c.reporter.console.find("Creating :Error #22"), std::string::npos);
    std::atomic<bool> stop{true};
    EXPECT_TRUE(ExtractPreviewCopy(c.session, *fine, c.reporter, &stop).path.empty());
    EXPECT_FALSE(Exists(c.session.previewDir->Path() + "/" + fine->GetName()));
}

TEST(PreviewCopy, AReadPastTheMediumsEndIsLoggedAndLeavesZeros) {
    Card c;
    CFileNode* tail = c.Place("PNG", (16 << 20) / 512 - 1, media::Bytes(512, 9), 2048);
    ASSERT_TRUE(c.Open());
    const PreviewCopy copy = ExtractPreviewCopy(c.session, *tail, c.reporter);
    ASSERT_FALSE(copy.path.empty());
    EXPECT_FALSE(copy.complete);
    EXPECT_NE(c.reporter.console.find("Reading :Error #"), std::string::npos);
    const std::vector<uint8_t> got = test::ReadFile(copy.path);
    ASSERT_EQ(got.size(), 2560u);
    EXPECT_EQ(got[0], 9);
    EXPECT_EQ(got[600], 0);
}

TEST(PreviewCopy, WipeOverwritesTheBlocksInPlaceThenDeletes) {
    TempDir d;
    const std::string path = d / "copy";
    const std::string twin = d / "twin";  // a second name of the same blocks
    test::WriteFile(path, std::vector<uint8_t>(200000, 0x5A));
    ASSERT_EQ(::link(path.c_str(), twin.c_str()), 0);
    EXPECT_TRUE(WipeFile(path));
    EXPECT_FALSE(Exists(path));
    // Overwritten where it lay, not truncated and written anew.
    EXPECT_EQ(test::ReadFile(twin), std::vector<uint8_t>(200000, 0));

    // A link is removed as itself; its target is left alone.
    test::WriteFile(d / "target", {1, 2});
    ASSERT_EQ(::symlink((d / "target").c_str(), (d / "alias").c_str()), 0);
    EXPECT_FALSE(WipeFile(d / "alias"));
    EXPECT_FALSE(Exists(d / "alias"));
    EXPECT_EQ(test::ReadFile(d / "target"), (std::vector<uint8_t>{1, 2}));
    EXPECT_FALSE(WipeFile(d / "missing"));
}

}  // namespace
}  // namespace tvn
