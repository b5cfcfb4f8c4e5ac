// Thumbnails of found pictures: decoded from the medium by the file's sectors
// on the cache's worker, delivered to the list, never for other types.
#include <gtest/gtest.h>

#include <QBuffer>
#include <QImage>
#include <QPainter>
#include <QSignalSpy>
#include <QTest>

#include "disk/medium.h"
#include "tests/support/test_support.h"
#include "tools/media/av_writers.h"
#include "tools/media/photo_writers.h"
#include "tests/ui/found_test_support.h"
#include "ui/found_data_dlg.h"
#include "preview/decoder_link.h"
#include "ui/thumbnail_cache.h"

namespace tvn::ui {
namespace {

// The decoder process the tests here decode through.
preview::CDecoderLink& Decoder() {
    static preview::CDecoderLink link;
    return link;
}

QImage Thumb(const FoundFileBytes& where, QSize box, const std::string& type = {}) {
    return DecodeThumbnail(where, box, type, Decoder());
}

std::vector<uint8_t> PngBytes(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(QColor(200, 40, 40));
    QPainter(&image).fillRect(0, 0, width / 2, height, QColor(40, 40, 200));
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return {data.begin(), data.end()};
}

struct ThumbnailFixture : ::testing::Test {
    test::TempDir dir;
    std::string image;
    std::vector<uint8_t> png = PngBytes(640, 320);

    void SetUp() override {
        // The picture at sector 8 of a medium of zeros.
        std::vector<uint8_t> medium(64 * 1024, 0);
        std::copy(png.begin(), png.end(), medium.begin() + 8 * 512);
        image = dir / "card.img";
        test::WriteFile(image, medium);
    }
};

TEST_F(ThumbnailFixture, DecodesFromTheFilesSectorsWithinTheBox) {
    const std::shared_ptr<const IMedium> medium = OpenMedium(image, false, nullptr);
    ASSERT_TRUE(medium);
    const QImage small = Thumb({medium, 8 * 512, png.size()}, QSize(48, 48));
    ASSERT_FALSE(small.isNull());
    EXPECT_EQ(small.size(), QSize(48, 24));  // the picture's proportions kept
    EXPECT_EQ(QColor(small.pixel(2, 12)).blue(), 200);
    // Wrong sectors, no medium, nothing to read: no picture, no crash.
    EXPECT_TRUE(Thumb({medium, 0, png.size()}, QSize(48, 48)).isNull());
    EXPECT_TRUE(Thumb({nullptr, 8 * 512, png.size()}, QSize(48, 48)).isNull());
    EXPECT_TRUE(Thumb({medium, 8 * 512, 0}, QSize(48, 48)).isNull());
    EXPECT_TRUE(Thumb({medium, 1 << 20, 4096}, QSize(48, 48)).isNull());
}

TEST_F(ThumbnailFixture, TheCacheKeepsToItsPixelBudgetAndDropsWaitingDecodesOnRequest) {
    CSession session;
    std::vector<CFileNode*> nodes;
    for (unsigned n = 1; n <= 40; ++n) nodes.push_back(test::AddFound(session, "PNG", n, png.size(), 8));
    const std::shared_ptr<const IMedium> opened = OpenMedium(image, false, nullptr);
    ASSERT_TRUE(opened);
    const FoundFileBytes where{opened, 8 * 512, png.size()};
    const qsizetype one = 48 * 24 * 4;  // a 48 x 24 thumbnail, 32 bits a pixel
    CThumbnailCache cache(QSize(48, 48), nullptr, 2 * one + 16);
    QSignalSpy ready(&cache, &CThumbnailCache::ready);
    for (size_t i = 0; i < 3; ++i) cache.Get(*nodes[i], where);
    ASSERT_TRUE(QTest::qWaitFor([&] { return ready.count() == 3; }, 5000));
    EXPECT_LE(cache.PixelBytes(), 2 * one + 16);
    EXPECT_FALSE(cache.Get(*nodes[2], where).isNull()) << "the newest stays";
    EXPECT_TRUE(cache.Get(*nodes[0], where).isNull()) << "the oldest went, and is asked for again";
    EXPECT_EQ(cache.Pending(), 1);
    ASSERT_TRUE(QTest::qWaitFor([&] { return ready.count() == 4; }, 5000));

    // Many asked for, then thumbnails switched off: what waits is dropped.
    for (size_t i = 3; i < nodes.size(); ++i) cache.Get(*nodes[i], where);
    EXPECT_EQ(cache.Pending(), static_cast<int>(nodes.size()) - 3);
    cache.CancelPending();
    EXPECT_EQ(cache.Pending(), 0);
    const qsizetype before = ready.count();
    QTest::qWait(300);
    EXPECT_EQ(ready.count(), before) << "nothing dropped is delivered";
    cache.Stop();
}

TEST_F(ThumbnailFixture, ListShowsThePictureOnceTheWorkerDeliversIt) {
    CSession session;
    CNullReporter quiet;
    ASSERT_TRUE(session.OpenCurrentSource(image, quiet, kDisconnectedReconnect));
    session.selectedDrive = image;
    session.jobMode = JobMode::Save;
    test::AddFound(session, "PNG", 1, png.size(), 8);
    test::AddFound(session, "MP3", 1, 4000, 20);
    CDataFoundDlg dlg(session);
    dlg.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dlg));
    dlg.SetThumbnailsShown(true);
    dlg.ShowFolder(session.tree.FindFolder("PNG"));
    const QModelIndex index = dlg.ListModel().index(0, 0);
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            return dlg.ListModel().data(index, Qt::DecorationRole).userType() == QMetaType::QPixmap;
        },
        5000));
    const QPixmap pixmap = dlg.ListModel().data(index, Qt::DecorationRole).value<QPixmap>();
    EXPECT_EQ(pixmap.size(), QSize(48, 24));
    // Sound files keep the plain file picture.
    dlg.ShowFolder(session.tree.FindFolder("MP3"));
    EXPECT_EQ(dlg.ListModel().data(dlg.ListModel().index(0, 0), Qt::DecorationRole).userType(),
              QMetaType::QIcon);
    dlg.SetThumbnailsShown(false);
}

TEST(RawThumbnails, ARawFileShowsItsEmbeddedPreviewAndAWrongOneNothing) {
    test::TempDir dir;
    const std::string image = dir / "card.img";
    media::RawOptions raw;
    const media::Bytes nef = media::MakeNef(raw);
    const media::Bytes cr2 = media::MakeCr2(raw);
    std::vector<uint8_t> medium(4 << 20, 0);
    std::copy(nef.begin(), nef.end(), medium.begin() + 8 * 512);
    const size_t cr2At = (8 * 512 + nef.size() + 511) / 512 * 512;
    std::copy(cr2.begin(), cr2.end(), medium.begin() + static_cast<std::ptrdiff_t>(cr2At));
    test::WriteFile(image, medium);
    const std::shared_ptr<const IMedium> opened = OpenMedium(image, false, nullptr);
    ASSERT_TRUE(opened);

    for (const auto& [type, at, size] : {std::tuple{std::string("NEF"), size_t{8 * 512}, nef.size()},
                                         std::tuple{std::string("CR2"), cr2At, cr2.size()}}) {
        SCOPED_TRACE(type);
        const QImage small = Thumb({opened, at, size}, QSize(48, 48), type);
        ASSERT_FALSE(small.isNull());
        EXPECT_LE(small.width(), 48);
        EXPECT_LE(small.height(), 48);
        EXPECT_EQ(std::max(small.width(), small.height()), 48);
    }
    // Zeros are no raw file.
    EXPECT_TRUE(Thumb({opened, 2 << 20, 64 * 1024}, QSize(48, 48), "NEF").isNull());
    EXPECT_TRUE(IsRawType("ORF"));
    EXPECT_FALSE(IsRawType("JPG"));
}

TEST(MovieThumbnails, TheFirstFrameOfMotionJpegAndUncompressedMovies) {
    test::TempDir dir;
    const std::string image = dir / "card.img";
    struct Movie {
        std::string type;
        media::Bytes bytes;
        bool pictures;
    };
    const std::vector<Movie> movies = {
        {"AVI", media::MakeMjpegAvi(160, 120, 5, 1), true},
        {"MOV", media::MakeMjpegMov(160, 120, 5, 2), true},
        {"AVI", media::MakeAvi(64, 48, 3, 3), true},
        {"MOV", media::MakeMov(22050, false, 4), false},  // sound only
        {"MP4", media::MakeMp4(20), false},
    };
    std::vector<uint8_t> medium;
    std::vector<size_t> at;
    for (const Movie& m : movies) {
        at.push_back(medium.size());
        medium.insert(medium.end(), m.bytes.begin(), m.bytes.end());
        medium.resize((medium.size() + 511) / 512 * 512 + 512, 0);
    }
    test::WriteFile(image, medium);
    const std::shared_ptr<const IMedium> opened = OpenMedium(image, false, nullptr);
    ASSERT_TRUE(opened);
    for (size_t i = 0; i < movies.size(); ++i) {
        SCOPED_TRACE(movies[i].type + " " + std::to_string(i));
        const QImage small = Thumb({opened, at[i], movies[i].bytes.size()}, QSize(48, 48), movies[i].type);
        EXPECT_EQ(small.isNull(), !movies[i].pictures);
        if (!small.isNull()) {
            EXPECT_EQ(small.size(), QSize(48, 36));  // 4:3 kept
        }
    }
    // A movie cut short before its first frame, and the wrong type, give nothing.
    EXPECT_TRUE(Thumb({opened, at[0], 300}, QSize(48, 48), "AVI").isNull());
    EXPECT_TRUE(Thumb({opened, at[0], movies[0].bytes.size()}, QSize(48, 48), "MOV").isNull());
}

}  // namespace
}  // namespace tvn::ui
