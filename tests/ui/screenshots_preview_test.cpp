// Screenshots of the preview windows, filled with real decoded files, into
// $TVN_SCREENSHOTS (scripts/screenshots); skipped when it is not set.
#include <QApplication>
#include <QMessageBox>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTest>
#include <gtest/gtest.h>

#include <cstdlib>

#include "output/preview_copy.h"
#include "preview/audio_player.h"
#include "preview/decode.h"
#include "preview/image_sheet.h"
#include "preview/media_player.h"
#include "preview/midi_synth.h"
#include "preview/preview_dialog.h"
#include "preview/video_view.h"
#include "tests/support/test_support.h"
#include "tools/media/av_writers.h"
#include "tools/media/image.h"
#include "tools/media/photo_writers.h"

namespace tvn::preview {
namespace {

using test::TempDir;

QString ShotDir() { return qEnvironmentVariable("TVN_SCREENSHOTS"); }

void Save(QWidget& w, const char* name) {
    QTest::qWait(300);  // let layouts, timers and the player settle
    const QString path = ShotDir() + "/" + name + ".png";
    ASSERT_TRUE(w.grab().save(path)) << path.toStdString();
}

QImage Decode(const media::Bytes& bytes, const char* type, CImageInfo& info) {
    info.name = std::string("file# 1.") + type;
    info.fileSize = bytes.size();
    return DecodeImageBytes(
        QByteArray(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size())),
        type, info);
}

TEST(Screenshots, PreviewViewer) {
    if (ShotDir().isEmpty()) GTEST_SKIP() << "TVN_SCREENSHOTS is not set";
    media::JpegOptions o;
    o.width = 800;
    o.height = 600;
    o.app = media::JpegApp::Exif;
    CImageInfo info;
    const QImage image = Decode(media::MakeJpeg(o), "JPG", info);
    ASSERT_FALSE(image.isNull());
    CImageSheet sheet(image, info, {});
    sheet.show();
    Save(sheet, "preview_image");
    sheet.Tabs()->setCurrentIndex(1);
    Save(sheet, "preview_properties");

    CImageInfo none;
    none.name = "file# 2.JPG";
    CImageSheet broken(QImage(), none, {});
    broken.show();
    Save(broken, "preview_no_preview");
}

TEST(Screenshots, PreviewLoading) {
    if (ShotDir().isEmpty()) GTEST_SKIP() << "TVN_SCREENSHOTS is not set";
    TempDir d;
    const std::string image = d / "card.img";
    media::ImageFile img(image, 64 << 20);
    img.Fill(512 * 100, 40 << 20, 0x33);
    CSession session;
    session.selectedDrive = image;
    CFolderNode* f = session.tree.InsertFolder("PNG");
    CFileNode* n = f->InsertFile("file# 1.", 100, 100, 40 << 20);
    CGeneratePreviewDlg dlg(session, *n);
    ASSERT_TRUE(dlg.Prepare());
    QSignalSpy done(&dlg, &QDialog::accepted);
    dlg.show();
    ASSERT_TRUE(dlg.grab().save(ShotDir() + "/preview_loading.png"));
    EXPECT_TRUE(done.wait(30000));
    WipeFile(dlg.TakeResult().copy.path);
}

TEST(Screenshots, PreviewPlayers) {
    if (ShotDir().isEmpty()) GTEST_SKIP() << "TVN_SCREENSHOTS is not set";
    TempDir d;
    test::WriteFile(d / "file# 1.WAV", media::MakeWav(22050, 2, 22050 * 4));
    {
        CMediaPlayer player(d / "file# 1.WAV", "file# 1.WAV");
        player.show();
        QTest::qWait(1300);
        Save(player, "preview_media_player");
    }
    // A clip of moving colour bars, a few seconds long, shown once it plays.
    test::WriteFile(d / "file# 1.MPG", media::MakeMpegProgramStream(320, 240, 75, 1));
    {
        CMediaPlayer player(d / "file# 1.MPG", "file# 1.MPG");
        player.show();
        for (int i = 0; i < 100 && player.Video()->FramesShown() < 15; ++i) QTest::qWait(100);
        Save(player, "preview_media_player_video");
    }
    test::WriteFile(d / "file# 1.AVI", media::MakeAvi(160, 120, 40, 3));
    {
        CAVIPlayer player(d / "file# 1.AVI", "file# 1.AVI");
        player.show();
        QTest::qWait(500);
        Save(player, "preview_avi_player");
    }
    if (!FindSoundFont().empty()) {
        test::WriteFile(d / "file# 1.MID", media::MakeMidi(40, 2));
        CAudioPlayer player(d / "file# 1.MID", "file# 1.MID");
        player.show();
        QTest::qWait(1200);
        Save(player, "preview_midi_player");
    }
}

}  // namespace
}  // namespace tvn::preview
