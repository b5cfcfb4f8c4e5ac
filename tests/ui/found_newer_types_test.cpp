// The found-data list with the newer camera and phone types: their
// thumbnails come from the viewer's decoder, and a folder shown anew is
// sorted once.
#include <gtest/gtest.h>

#include <QHeaderView>
#include <QSignalSpy>
#include <QTest>
#include <QTreeView>

#include <set>

#include "disk/medium.h"
#include "tests/support/test_support.h"
#include "tests/ui/found_test_support.h"
#include "tools/media/modern_writers.h"
#include "ui/found_data_dlg.h"
#include "preview/decoder_link.h"
#include "ui/thumbnail_cache.h"

namespace tvn::ui {
namespace {

// The decoder process the thumbnails here are decoded by.
preview::CDecoderLink& Decoder() {
    static preview::CDecoderLink link;
    return link;
}

// Every newer picture type the builder writes gets a thumbnail through the
// cache (not the plain file picture): the raw types by their embedded
// preview, HEIC through libheif (its size where the coding cannot be decoded).
TEST(NewerTypeThumbnails, EachNewerPictureTypeGetsAPicture) {
    test::TempDir dir;
    std::vector<media::SampleFile> samples;
    media::AppendModernSamples(samples);
    const std::set<std::string> pictures = {"CR3", "ARW", "RAF", "RW2", "DNG", "PEF", "NRW", "HEIC"};
    std::vector<uint8_t> medium(512, 0);
    CSession session;
    struct Placed {
        std::string type;
        CFileNode* node;
        FoundFileBytes where;
    };
    std::vector<Placed> placed;
    std::set<std::string> seen;
    for (const media::SampleFile& s : samples) {
        if (pictures.count(s.type) == 0) continue;
        const size_t at = medium.size();
        medium.insert(medium.end(), s.data.begin(), s.data.end());
        medium.resize((medium.size() + 511) / 512 * 512 + 512, 0);
        CFileNode* node = test::AddFound(session, s.type, static_cast<unsigned>(placed.size() + 1),
                                         s.data.size(), at / 512);
        placed.push_back({s.type, node, {nullptr, at, s.data.size()}});
        seen.insert(s.type);
    }
    ASSERT_EQ(seen, pictures);
    const size_t zeros = medium.size();
    medium.resize(zeros + 8192, 0);
    const std::string image = dir / "card.img";
    test::WriteFile(image, medium);
    const std::shared_ptr<const IMedium> opened = OpenMedium(image, false, nullptr);
    ASSERT_TRUE(opened);

    CThumbnailCache cache(QSize(48, 48));
    QSignalSpy ready(&cache, &CThumbnailCache::ready);
    for (Placed& p : placed) {
        p.where.medium = opened;
        EXPECT_TRUE(cache.Get(*p.node, p.where).isNull()) << p.type << ": decoded on the worker";
    }
    EXPECT_EQ(cache.Pending(), static_cast<int>(placed.size())) << "every one is decoded";
    ASSERT_TRUE(QTest::qWaitFor([&] { return ready.count() == static_cast<int>(placed.size()); }, 20000));
    for (const Placed& p : placed) {
        SCOPED_TRACE(p.type);
        const QPixmap pixmap = cache.Get(*p.node, p.where);
        ASSERT_FALSE(pixmap.isNull());
        EXPECT_EQ(std::max(pixmap.width(), pixmap.height()), 48);
    }
    // Bytes that are no such file give none.
    EXPECT_TRUE(DecodeThumbnail({opened, zeros, 4096}, QSize(48, 48), "HEIC", Decoder()).isNull());
    EXPECT_TRUE(DecodeThumbnail({opened, zeros, 4096}, QSize(48, 48), "ARW", Decoder()).isNull());
    cache.Stop();
}

// A raw file larger than the largest file read whole still gets its
// preview: it lies in the file's head.
TEST(NewerTypeThumbnails, ALargeRawFileIsShownFromItsHead) {
    test::TempDir dir;
    media::ModernOptions o;
    const media::Bytes dng = media::MakeDng(o);
    // Filled in place (GCC 12 at -O3 takes an insert after a short vector for an overrun).
    std::vector<uint8_t> medium(512 + dng.size() + 4096, 0);
    std::copy(dng.begin(), dng.end(), medium.begin() + 512);
    const std::string image = dir / "card.img";
    test::WriteFile(image, medium);
    const std::shared_ptr<const IMedium> opened = OpenMedium(image, false, nullptr);
    ASSERT_TRUE(opened);
    // As listed, the file runs on far past the end of this small medium.
    const FoundFileBytes listed{opened, 512, CThumbnailCache::kLargestFile + 1};
    EXPECT_FALSE(DecodeThumbnail(listed, QSize(48, 48), "DNG", Decoder()).isNull());
    EXPECT_TRUE(DecodeThumbnail(listed, QSize(48, 48), "PNG", Decoder()).isNull());
}

// Showing another folder sorts its rows once, by name, whatever the list was
// sorted by before; the size filter shows a folder again in the order last
// asked for, also with one sort.
TEST(FoundDataSorting, AnotherFolderIsSortedOnceByName) {
    CSession session;
    session.jobMode = JobMode::Save;
    for (unsigned n : {2u, 10u, 1u}) test::AddFound(session, "JPG", n, 300 * n * n);
    for (unsigned n : {12u, 3u}) test::AddFound(session, "MP3", n, 5000 + n * 1000);
    CDataFoundDlg dlg(session);
    dlg.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dlg));
    dlg.ShowFolder(session.tree.FindFolder("JPG"));
    dlg.ListModel().sort(CFileListModel::SizeColumn, Qt::DescendingOrder);
    const auto names = [&] {
        QStringList out;
        for (int row = 0; row < dlg.ListModel().rowCount(); ++row)
            out << dlg.ListModel().index(row, 0).data().toString();
        return out;
    };
    EXPECT_EQ(names(), QStringList({"file# 10.JPG", "file# 2.JPG", "file# 1.JPG"}));

    QSignalSpy sorted(&dlg.ListModel(), &QAbstractItemModel::layoutChanged);
    QSignalSpy reset(&dlg.ListModel(), &QAbstractItemModel::modelReset);
    dlg.ShowFolder(session.tree.FindFolder("MP3"));
    EXPECT_EQ(names(), QStringList({"file# 3.MP3", "file# 12.MP3"}));
    EXPECT_EQ(reset.count(), 1);
    EXPECT_EQ(sorted.count(), 0) << "the folder was sorted again after it was shown";
    EXPECT_EQ(dlg.List()->header()->sortIndicatorSection(), CFileListModel::NameColumn);
    EXPECT_EQ(dlg.List()->header()->sortIndicatorOrder(), Qt::AscendingOrder);

    dlg.ListModel().sort(CFileListModel::SizeColumn, Qt::DescendingOrder);
    sorted.clear();
    reset.clear();
    dlg.SetMinimumSize(1024);
    EXPECT_EQ(names(), QStringList({"file# 12.MP3", "file# 3.MP3"}));
    EXPECT_EQ(reset.count(), 1);
    EXPECT_EQ(sorted.count(), 0);
}

}  // namespace
}  // namespace tvn::ui
