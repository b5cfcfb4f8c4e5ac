// The preview: where the image control draws, decoding of every image type
// (and of damaged files), the "Loading Image..." dialog on a real image file,
// the viewer and the players, headless.
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QMessageBox>
#include <QSignalSpy>
#include <QSlider>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <cstdlib>
#include <random>

#include "output/preview_copy.h"
#include "preview/audio_player.h"
#include "preview/decode.h"
#include "preview/image_rect.h"
#include "preview/image_sheet.h"
#include "preview/media_player.h"
#include "preview/midi_synth.h"
#include "preview/preview_dialog.h"
#include "preview/video_view.h"
#include "preview/wnd_image.h"
#include "tests/support/test_support.h"
#include "tools/media/av_writers.h"
#include "tools/media/image.h"
#include "tools/media/photo_writers.h"

namespace tvn::preview {
namespace {

using test::TempDir;

QByteArray Q(const media::Bytes& b) {
    return QByteArray(reinterpret_cast<const char*>(b.data()), static_cast<qsizetype>(b.size()));
}

ImageRect Dest(int fit, int h, int v, int sw, int sh, int cw, int ch) {
    ImageGeometry g;
    g.fit = fit;
    g.hAlign = h;
    g.vAlign = v;
    ComputeImageRect(g, sw, sh, cw, ch);
    return g.dest;
}

TEST(ImageRect, FitsAsTheViewerPlacesItsPicture) {
    // Stretch off: whole image visible, centred across, top left alone.
    EXPECT_EQ(Dest(kFitInside, kAlignCentre, 0, 4000, 3000, 400, 300), (ImageRect{0, 0, 400, 300}));
    EXPECT_EQ(Dest(kFitInside, kAlignCentre, 0, 4000, 3000, 400, 400), (ImageRect{0, 0, 400, 300}));
    EXPECT_EQ(Dest(kFitInside, kAlignCentre, kAlignCentre, 4000, 3000, 400, 400),
              (ImageRect{0, 50, 400, 300}));
    EXPECT_EQ(Dest(kFitStretch, kAlignCentre, 0, 100, 50, 400, 300), (ImageRect{0, 0, 400, 300}));
    EXPECT_EQ(Dest(kFitNone, kAlignFar, kAlignFar, 100, 50, 400, 300), (ImageRect{300, 250, 100, 50}));
    EXPECT_EQ(Dest(kFitWidth, kAlignNear, kAlignNear, 100, 50, 400, 300), (ImageRect{0, 0, 400, 200}));
    EXPECT_EQ(Dest(kFitHeight, kAlignCentre, 0, 100, 50, 400, 300), (ImageRect{-100, 0, 600, 300}));
    EXPECT_EQ(Dest(kFitFill, kAlignCentre, kAlignCentre, 100, 50, 400, 300),
              (ImageRect{-100, 0, 600, 300}));
    EXPECT_EQ(Dest(kFitClient, kAlignFar, kAlignFar, 100, 50, 400, 300), (ImageRect{0, 0, 400, 300}));
    EXPECT_EQ(Dest(99, kAlignNear, kAlignNear, 100, 50, 400, 300), (ImageRect{0, 0, 100, 50}));
    EXPECT_EQ(Dest(kFitInside, kAlignCentre, 0, 0, 0, 400, 300).width, 0);
    EXPECT_EQ(Dest(kFitInside, kAlignCentre, 0, 100, 50, 0, 300).width, 0);
}

TEST(ImageRect, ScaledModesKeepTheirScaleAsZoomAndZoomModeUsesIt) {
    ImageGeometry g;
    g.fit = kFitInside;
    ComputeImageRect(g, 4000, 3000, 400, 400);
    EXPECT_DOUBLE_EQ(g.zoomX, 0.1);
    EXPECT_DOUBLE_EQ(g.zoomY, 0.1);
    g.fit = kFitZoom;
    g.zoomX = 2.0;
    g.zoomY = 0.5;
    ComputeImageRect(g, 100, 100, 400, 400);
    EXPECT_EQ(g.dest.width, 200);
    EXPECT_EQ(g.dest.height, 50);
}

struct Sample {
    const char* type;
    media::Bytes bytes;
    uint32_t width, height;
};

std::vector<Sample> Samples() {
    media::TiffOptions tiff;
    tiff.rowsPerStrip = 20;
    media::RawOptions raw;
    return {
        {"JPG", media::MakeJpeg({}), 640, 480},
        {"TIF", media::MakeTiff(tiff), 320, 240},
        {"PNG", media::MakePng(200, 100, 3), 200, 100},
        {"BMP", media::MakeBmp24(130, 70, 1), 130, 70},
        {"BMP", media::MakeBmp8(64, 48, 2), 64, 48},
        {"GIF", media::MakeGif(true, 90, 60, 4), 90, 60},
        {"NEF", media::MakeNef(raw), 0, 0},
        {"CR2", media::MakeCr2(raw), 0, 0},
    };
}

TEST(Decode, EveryImageTypeGivesItsPictureAndRecord) {
    for (const Sample& s : Samples()) {
        SCOPED_TRACE(s.type);
        CImageInfo info;
        info.name = "x";
        const QImage image = DecodeImageBytes(Q(s.bytes), s.type, info);
        ASSERT_FALSE(image.isNull());
        if (s.width != 0) {
            EXPECT_EQ(info.width, s.width);
            EXPECT_EQ(info.height, s.height);
            EXPECT_EQ(image.width(), static_cast<int>(s.width));
        } else {
            // Raw files: the camera's size in the record, its embedded
            // preview on screen.
            EXPECT_GT(info.width, 0u);
            EXPECT_EQ(info.compressionDescription, "Camera raw");
            EXPECT_NE(info.description, "none");
        }
        EXPECT_EQ(info.name, "x");
        EXPECT_NE(info.formatName, "none");
        EXPECT_GE(info.numberOfImages, 1u);
    }
}

TEST(Decode, DamagedFilesGiveNoPictureAndAResetRecord) {
    std::mt19937 rnd(7);
    for (const Sample& s : Samples()) {
        SCOPED_TRACE(s.type);
        media::Bytes cut(s.bytes.begin(), s.bytes.begin() + 40);
        media::Bytes noise(s.bytes.size());
        for (auto& b : noise) b = static_cast<uint8_t>(rnd());
        for (const media::Bytes& bad : {cut, noise, media::Bytes{}}) {
            CImageInfo info;
            EXPECT_TRUE(DecodeImageBytes(Q(bad), s.type, info).isNull());
            EXPECT_EQ(info.width, 0u);
            EXPECT_EQ(info.formatName, "none");
        }
    }
    CImageInfo info;
    EXPECT_TRUE(DecodeImageBytes(Q(media::MakePng(8, 8)), "MP3", info).isNull());
    EXPECT_FALSE(NoPreviewImage().isNull());
}

// Answers the next message box (if one comes) and remembers its text.
struct BoxCatcher {
    QString text;
    QTimer timer;
    BoxCatcher() {
        QObject::connect(&timer, &QTimer::timeout, [this] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                text = box->text();
                box->accept();
            }
        });
        timer.start(50);
    }
};

// A card image with files on it, a session and a private runtime folder.
struct Card {
    TempDir dir;
    std::string image = dir / "card.img";
    CSession session;
    media::ImageFile img{image, 8 << 20};
    std::string oldRuntime;

    Card() {
        session.selectedDrive = image;
        if (const char* r = std::getenv("XDG_RUNTIME_DIR")) oldRuntime = r;
        ::setenv("XDG_RUNTIME_DIR", dir.Path().c_str(), 1);
    }
    ~Card() {
        if (oldRuntime.empty()) ::unsetenv("XDG_RUNTIME_DIR");
        else ::setenv("XDG_RUNTIME_DIR", oldRuntime.c_str(), 1);
    }
    CFileNode* Place(const std::string& type, uint64_t sector, const media::Bytes& bytes,
                     uint64_t extra = 0) {
        img.Write(sector * 512, bytes);
        CFolderNode* f = session.tree.FindFolder(type);
        if (f == nullptr) f = session.tree.InsertFolder(type);
        return f->InsertFile("file# " + std::to_string(f->GetFileCount() + 1) + ".", sector, sector,
                             bytes.size() + extra);
    }
    size_t FilesInFolder() const {
        if (!session.previewDir) return 0;
        size_t n = 0;
        for (const auto& e : std::filesystem::directory_iterator(session.previewDir->Path())) {
            (void)e;
            ++n;
        }
        return n;
    }
};

// Runs the loading dialog to its end as exec() would.
PreviewResult Load(Card& c, CFileNode& node) {
    CGeneratePreviewDlg dlg(c.session, node);
    EXPECT_TRUE(dlg.Prepare());
    QSignalSpy done(&dlg, &QDialog::accepted);
    dlg.show();
    EXPECT_TRUE(done.wait(20000));
    return dlg.TakeResult();
}

TEST(PreviewDialog, CopiesTrimsAndDecodesThenTheViewerWipesTheCopy) {
    Card c;
    media::TiffOptions o;
    o.rowsPerStrip = 10;
    const media::Bytes tiff = media::MakeTiff(o);
    CFileNode* tif = c.Place("TIF", 64, tiff, 30000);  // the scan's length runs past it
    PreviewResult r = Load(c, *tif);
    ASSERT_FALSE(r.image.isNull());
    EXPECT_EQ(r.info.width, 320u);
    EXPECT_EQ(r.info.height, 240u);
    EXPECT_EQ(r.info.name, tif->GetName());
    EXPECT_EQ(r.info.fileSize, tiff.size());  // trimmed before it was decoded
    ASSERT_EQ(c.FilesInFolder(), 1u);
    {
        CImageSheet sheet(r.image, r.info, r.copy.path);
        EXPECT_EQ(sheet.windowTitle(), "Image Options");
        EXPECT_EQ(c.FilesInFolder(), 0u);  // wiped as the preview page started
        auto* width = sheet.findChild<QLabel*>("id1026");
        ASSERT_NE(width, nullptr);
        EXPECT_EQ(width->text(), "320");
        EXPECT_EQ(sheet.findChild<QLabel*>("id1025")->text(),
                  QString("%1 bytes").arg(tiff.size()));
        sheet.resize(500, 400);
        sheet.show();
        CWndImage* control = sheet.PreviewPage()->ImageControl();
        EXPECT_EQ(control->FitMode(), kFitInside);
        auto* stretch = sheet.findChild<QCheckBox*>("id1048");
        QTest::mouseClick(stretch, Qt::LeftButton, {}, QPoint(8, stretch->height() / 2));
        EXPECT_EQ(control->FitMode(), kFitStretch);
        EXPECT_EQ(control->Destination(), (ImageRect{0, 0, control->width(), control->height()}));
        // Wheel zoom from what is shown, centred; a double-click fits again.
        control->ZoomBy(-1);
        const ImageRect z = control->Destination();
        EXPECT_NEAR(z.width, control->width() * 0.8, 1.0);
        EXPECT_EQ(z.x, (control->width() - z.width) / 2);
        QTest::mouseDClick(control, Qt::LeftButton);
        EXPECT_EQ(control->FitMode(), kFitInside);
    }
    // The same file again: copied anew.
    PreviewResult again = Load(c, *tif);
    EXPECT_FALSE(again.image.isNull());
    WipeFile(again.copy.path);
    const std::string folder = c.session.previewDir->Path();
    c.session.previewDir.reset();  // what the session's end does
    EXPECT_FALSE(std::filesystem::exists(folder));
}

TEST(PreviewDialog, ADamagedImageShowsNoPreviewAndCloseStopsTheWorker) {
    Card c;
    media::Bytes junk(3000);
    std::mt19937 rnd(3);
    for (auto& b : junk) b = static_cast<uint8_t>(rnd());
    CFileNode* bad = c.Place("JPG", 16, junk);
    PreviewResult r = Load(c, *bad);
    EXPECT_TRUE(r.image.isNull());
    EXPECT_EQ(r.info.width, 0u);
    {
        CImageSheet sheet(r.image, r.info, r.copy.path);
        EXPECT_FALSE(sheet.PreviewPage()->ImageControl()->Image().isNull());  // the "no preview" picture
        EXPECT_EQ(sheet.findChild<QLabel*>("id1034")->text(), "none");
    }
    EXPECT_EQ(c.FilesInFolder(), 0u);

    // Closed at once: the worker is joined and nothing is left behind.
    CFileNode* big = c.Place("PNG", 2000, media::Bytes(6 << 20, 0x11));
    for (int i = 0; i < 5; ++i) {
        CGeneratePreviewDlg dlg(c.session, *big);
        ASSERT_TRUE(dlg.Prepare());
        dlg.StartWorker();
        dlg.reject();
        EXPECT_FALSE(dlg.WorkerRunning());
        EXPECT_EQ(c.FilesInFolder(), 0u);
    }
}

TEST(PreviewDialog, AMediumThatIsGoneIsReported) {
    Card c;
    CFileNode* n = c.Place("JPG", 16, media::MakeJpeg({}));
    c.session.selectedDrive = c.dir / "no-such-card.img";
    BoxCatcher boxes;
    CGeneratePreviewDlg dlg(c.session, *n);
    EXPECT_FALSE(dlg.Prepare());
    EXPECT_EQ(boxes.text.toStdString(), std::string(kDisconnectedRestart));
}

// The media framework stops its threads a moment after a player goes; a
// test that ends at once would leave them running into the process's exit.
void SettleMedia() { QTest::qWait(400); }

// Plays the media player until the end of the file; returns the length it
// reported, or -1 when it did not get there.
qint64 PlayToEnd(const std::string& path, QString* position = nullptr) {
    CMediaPlayer player(path, "x");
    player.show();
    QSignalSpy status(player.Engine(), &QMediaPlayer::mediaStatusChanged);
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (player.Engine()->mediaStatus() != QMediaPlayer::EndOfMedia && !player.Failed() &&
           std::chrono::steady_clock::now() < until)
        QTest::qWait(100);
    QTest::qWait(600);  // one more tick of the position timer
    if (position) *position = player.PositionText();
    return player.Engine()->mediaStatus() == QMediaPlayer::EndOfMedia ? player.Engine()->duration()
                                                                        : -1;
}

TEST(Players, WavAndMp3PlayToTheirLengthAndWipeTheirCopyOnClose) {
    TempDir d;
    const std::string wav = d / "a.WAV";
    test::WriteFile(wav, media::MakeWav(22050, 1, 22050 * 2));  // 2 s
    QString text;
    const qint64 wavMs = PlayToEnd(wav, &text);
    EXPECT_NEAR(static_cast<double>(wavMs), 2000.0, 60.0);
    EXPECT_EQ(text, "0:02 / 0:02");
    EXPECT_FALSE(std::filesystem::exists(wav));  // wiped once the player closed

    const std::string mp3 = d / "b.MP3";
    test::WriteFile(mp3, media::MakeMp3(77, "t"));  // 77 frames of 1,152 samples: 2.01 s
    EXPECT_NEAR(static_cast<double>(PlayToEnd(mp3)), 2011.0, 80.0);
    EXPECT_FALSE(std::filesystem::exists(mp3));
    SettleMedia();
}

TEST(Players, PositionTextsAndVolume) {
    EXPECT_EQ(MediaPositionText(0, 0), "0:00 / 0:00");
    EXPECT_EQ(MediaPositionText(1400, 26000), "0:01 / 0:26");
    EXPECT_EQ(MediaPositionText(754000, 600000), "12:34 / 10:00");
    EXPECT_EQ(MediaPositionText(3723500, 7322000), "1:02:03 / 2:02:02");
    EXPECT_EQ(MediaPositionText(-5, 3600000), "0:00:00 / 1:00:00");
    TempDir d;
    test::WriteFile(d / "v.WAV", media::MakeWav(8000, 1, 8000));
    CMediaPlayer player(d / "v.WAV", "v.WAV");
    EXPECT_EQ(player.windowTitle(), " Media Player - v.WAV");
    player.SetVolume(250);
    EXPECT_EQ(player.findChild<QSlider*>("id1076")->value(), 250);
    player.SetVolume(5000);
    EXPECT_EQ(player.findChild<QSlider*>("id1076")->value(), 1000);
    player.close();
    SettleMedia();
}

TEST(Players, TheVideoPlayerShowsTheFramesOfAnAvi) {
    TempDir d;
    test::WriteFile(d / "v.AVI", media::MakeAvi(64, 48, 20, 1));
    {
        CAVIPlayer player(d / "v.AVI", "v.AVI");
        player.show();
        for (int i = 0; i < 100 && player.Video()->FramesShown() < 3; ++i) QTest::qWait(100);
        EXPECT_GE(player.Video()->FramesShown(), 3);
        EXPECT_EQ(player.Video()->Frame().size(), QSize(64, 48));
        EXPECT_FALSE(player.Failed());
    }
    EXPECT_FALSE(std::filesystem::exists(d / "v.AVI"));
    SettleMedia();
}

TEST(Players, AMotionJpegMoviePlaysWithoutAMessageAndEscapeClosesIt) {
    TempDir d;
    test::WriteFile(d / "m.AVI", media::MakeMjpegAvi(160, 120, 30, 2));
    BoxCatcher boxes;
    CAVIPlayer player(d / "m.AVI", "m.AVI");
    player.show();
    for (int i = 0; i < 100 && player.Video()->FramesShown() < 5; ++i) QTest::qWait(100);
    EXPECT_GE(player.Video()->FramesShown(), 5);
    EXPECT_EQ(player.Video()->Frame().size(), QSize(160, 120));
    // The pictures are the frames' own, not a blank.
    const QImage frame = player.Video()->Frame();
    EXPECT_NE(frame.pixel(8, 8), frame.pixel(150, 110));
    QTest::qWait(300);
    EXPECT_FALSE(player.Failed());
    EXPECT_TRUE(boxes.text.isEmpty()) << boxes.text.toStdString();
    QTest::keyClick(&player, Qt::Key_Escape);
    EXPECT_FALSE(player.isVisible());
    SettleMedia();
}

TEST(Players, AnMpegOneClipPlaysItsMovingPictures) {
    TempDir d;
    test::WriteFile(d / "m.MPG", media::MakeMpegProgramStream(320, 240, 75, 1));
    BoxCatcher boxes;
    CMediaPlayer player(d / "m.MPG", "m.MPG");
    player.show();
    for (int i = 0; i < 100 && player.Video()->FramesShown() < 10; ++i) QTest::qWait(100);
    ASSERT_FALSE(player.Failed()) << boxes.text.toStdString();
    EXPECT_GE(player.Video()->FramesShown(), 10);
    const QImage frame = player.Video()->Frame();
    EXPECT_EQ(frame.size(), QSize(320, 240));
    // Bars of colour, not a grey picture.
    EXPECT_NE(frame.pixel(8, 8), frame.pixel(40, 8));
    EXPECT_TRUE(boxes.text.isEmpty()) << boxes.text.toStdString();
    // A stream that does not say how long it is: the position slider stays
    // at its start, not at its end, while it plays.
    const auto* slider = player.findChild<QSlider*>(QStringLiteral("id1071"));
    ASSERT_NE(slider, nullptr);
    QTest::qWait(1500);  // the position is shown twice a second
    if (!slider->isEnabled()) {
        EXPECT_EQ(slider->value(), slider->minimum());
    }
    player.close();
    SettleMedia();
}

TEST(Players, AMotionJpegQuickTimeMovieShowsItsPictures) {
    TempDir d;
    test::WriteFile(d / "m.MOV", media::MakeMjpegMov(160, 120, 30, 3));
    BoxCatcher boxes;
    CMediaPlayer player(d / "m.MOV", "m.MOV");
    player.show();
    for (int i = 0; i < 100 && player.Video()->FramesShown() < 3; ++i) QTest::qWait(100);
    EXPECT_GE(player.Video()->FramesShown(), 3);
    EXPECT_EQ(player.Video()->Frame().size(), QSize(160, 120));
    EXPECT_TRUE(player.Video()->isVisible()) << "the picture area opens for a movie";
    EXPECT_FALSE(player.Failed());
    EXPECT_TRUE(boxes.text.isEmpty()) << boxes.text.toStdString();
    player.close();
    SettleMedia();
}

TEST(Players, AFileThatCannotBePlayedSaysSo) {
    TempDir d;
    test::WriteFile(d / "x.AVI", media::Bytes(4096, 0x42));
    BoxCatcher boxes;
    CAVIPlayer player(d / "x.AVI", "x.AVI");
    player.show();
    for (int i = 0; i < 100 && !player.Failed(); ++i) QTest::qWait(100);
    EXPECT_TRUE(player.Failed());
    QTest::qWait(200);
    EXPECT_EQ(boxes.text.toStdString(), std::string(kPreviewNotAvailable));
    SettleMedia();
}

TEST(Midi, RendersWithTheSynthesizerToTheSongsLength) {
    if (FindSoundFont().empty()) GTEST_SKIP() << "no General MIDI soundfont installed";
    TempDir d;
    // 12 notes at 120 bpm and 96 ticks a quarter; RMID carries the same song.
    test::WriteFile(d / "a.MID", media::MakeMidi(12, 5));
    test::WriteFile(d / "b.MID", media::MakeRmid(12, 5));
    std::vector<int16_t> samples;
    const MidiRender a = RenderMidi(d / "a.MID", 22050, &samples);
    const MidiRender b = RenderMidi(d / "b.MID", 22050);
    ASSERT_TRUE(a.ok);
    EXPECT_GT(a.peak, 1000);  // something was heard
    EXPECT_NEAR(a.seconds, a.totalTicks / 192.0, 0.05);
    EXPECT_EQ(b.totalTicks, a.totalTicks);
    EXPECT_TRUE(IsMidiFile(d / "b.MID"));
    test::WriteFile(d / "c.MID", media::Bytes(100, 0x4D));
    EXPECT_FALSE(IsMidiFile(d / "c.MID"));
    EXPECT_FALSE(RenderMidi(d / "c.MID").ok);
}

TEST(Midi, ThePlayerRunsHeadlessAndReportsTheEnd) {
    if (FindSoundFont().empty()) GTEST_SKIP() << "no General MIDI soundfont installed";
    TempDir d;
    test::WriteFile(d / "a.MID", media::MakeMidi(3, 1));
    {
        CAudioPlayer player(d / "a.MID", "a.MID");
        ASSERT_TRUE(player.Start());
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(15);
        while (player.Playing() && std::chrono::steady_clock::now() < until) QTest::qWait(100);
        EXPECT_FALSE(player.Playing());
        const int total = player.Synth()->TotalTicks();
        EXPECT_GT(total, 0);
        const QString end = MediaPositionText(player.Synth()->TicksToMs(total), player.Synth()->TicksToMs(total));
        EXPECT_EQ(player.PositionText(), end);
    }
    EXPECT_FALSE(std::filesystem::exists(d / "a.MID"));

    test::WriteFile(d / "bad.MID", media::Bytes(64, 0));
    BoxCatcher boxes;
    CAudioPlayer player(d / "bad.MID", "bad.MID");
    EXPECT_FALSE(player.Start());
    EXPECT_EQ(boxes.text, "Error loading file");
}

}  // namespace
}  // namespace tvn::preview
