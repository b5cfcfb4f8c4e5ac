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
#include "tests/ui/found_test_support.h"
#include "ui/found_data_dlg.h"
#include "ui/thumbnail_cache.h"

namespace tvn::ui {
namespace {

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
    const QImage small = DecodeThumbnail({medium, 8 * 512, png.size()}, QSize(48, 48));
    ASSERT_FALSE(small.isNull());
    EXPECT_EQ(small.size(), QSize(48, 24));  // the picture's proportions kept
    EXPECT_EQ(QColor(small.pixel(2, 12)).blue(), 200);
    // Wrong sectors, no medium, nothing to read: no picture, no crash.
    EXPECT_TRUE(DecodeThumbnail({medium, 0, png.size()}, QSize(48, 48)).isNull());
    EXPECT_TRUE(DecodeThumbnail({nullptr, 8 * 512, png.size()}, QSize(48, 48)).isNull());
    EXPECT_TRUE(DecodeThumbnail({medium, 8 * 512, 0}, QSize(48, 48)).isNull());
    EXPECT_TRUE(DecodeThumbnail({medium, 1 << 20, 4096}, QSize(48, 48)).isNull());
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

}  // namespace
}  // namespace tvn::ui
