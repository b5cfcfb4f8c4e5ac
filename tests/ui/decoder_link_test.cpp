// The wizard's pictures are decoded in the decoder process: the answers are
// the pictures the viewer would make itself, one process serves file after
// file, and a decoder that crashes, hangs or is missing costs one picture,
// never the wizard.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <QBuffer>
#include <QImage>
#include <QPainter>
#include <chrono>
#include <thread>

#include "preview/decode.h"
#include "preview/decoder_link.h"
#include "tests/support/test_support.h"

namespace tvn::preview {
namespace {

QByteArray JpegBytes(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(QColor(30, 160, 60));
    QPainter(&image).fillRect(0, 0, width / 2, height / 2, QColor(220, 30, 30));
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPG", 90);
    return data;
}

std::string Script(const test::TempDir& dir, const std::string& name, const std::string& body) {
    const std::string path = dir / name;
    test::WriteFile(path, std::vector<uint8_t>(body.begin(), body.end()));
    ::chmod(path.c_str(), 0755);
    return path;
}

TEST(DecoderLink, OneDecoderProcessAnswersFileAfterFileAsTheViewerWould) {
    CDecoderLink link;
    ASSERT_TRUE(link.HasProgram()) << "tarvolin-decode not found beside the tests";
    const QByteArray jpeg = JpegBytes(640, 480);

    const QImage small = link.Thumbnail(jpeg, "JPG", QSize(64, 64));
    ASSERT_FALSE(small.isNull());
    EXPECT_EQ(small.size(), QSize(64, 48));
    const pid_t decoder = link.Pid();
    EXPECT_GT(decoder, 0);
    EXPECT_NE(decoder, ::getpid());

    CImageInfo info;
    info.name = "file# 1.JPG";
    const QImage whole = link.Picture(jpeg, "JPG", info);
    ASSERT_FALSE(whole.isNull());
    EXPECT_EQ(whole.size(), QSize(640, 480));
    EXPECT_EQ(info.width, 640u);
    EXPECT_EQ(info.height, 480u);
    EXPECT_EQ(info.name, "file# 1.JPG");
    // The pixels are the picture's: the red quarter at the top left.
    const QColor topLeft = whole.pixelColor(10, 10), bottomRight = whole.pixelColor(600, 400);
    EXPECT_GT(topLeft.red(), 180);
    EXPECT_GT(bottomRight.green(), 120);
    CImageInfo own;
    EXPECT_EQ(DecodeImageBytes(jpeg, "JPG", own).size(), whole.size());
    EXPECT_EQ(own.compression, info.compression);

    // Bytes that are no picture: a null answer, and the same process goes on.
    CImageInfo none;
    EXPECT_TRUE(link.Picture(QByteArray(5000, '\x5a'), "JPG", none).isNull());
    EXPECT_TRUE(link.Thumbnail(QByteArray(5000, '\x00'), "NEF", QSize(64, 64)).isNull());
    EXPECT_FALSE(link.Thumbnail(jpeg, "JPG", QSize(64, 64)).isNull());
    EXPECT_EQ(link.Pid(), decoder);
    EXPECT_EQ(link.Starts(), 1);
}

TEST(DecoderLink, ADecoderThatCrashesHangsOrIsMissingCostsOnePictureOnly) {
    test::TempDir dir;
    const QByteArray jpeg = JpegBytes(320, 240);
    using namespace std::chrono;

    // Dies as a library fault would kill it: no picture, no harm here, and
    // the next file starts a new decoder.
    CDecoderLink crashing(Script(dir, "crash", "#!/bin/sh\nkill -SEGV $$\n"));
    EXPECT_TRUE(crashing.Thumbnail(jpeg, "JPG", QSize(48, 48)).isNull());
    EXPECT_TRUE(crashing.Thumbnail(jpeg, "JPG", QSize(48, 48)).isNull());
    EXPECT_EQ(crashing.Starts(), 2);
    EXPECT_EQ(crashing.Pid(), -1);

    // Never answers: given up after its time, and killed.
    CDecoderLink hanging(Script(dir, "hang", "#!/bin/sh\nexec sleep 60\n"));
    const auto start = steady_clock::now();
    EXPECT_TRUE(hanging.Thumbnail(jpeg, "JPG", QSize(48, 48), milliseconds(300)).isNull());
    EXPECT_LT(steady_clock::now() - start, seconds(10));
    EXPECT_EQ(hanging.Pid(), -1);

    // Called off from another thread while it waits (the viewer closed).
    CDecoderLink waiting(Script(dir, "wait", "#!/bin/sh\nexec sleep 60\n"));
    std::thread closer([&] {
        std::this_thread::sleep_for(milliseconds(200));
        waiting.Cancel();
    });
    CImageInfo info;
    const auto asked = steady_clock::now();
    EXPECT_TRUE(waiting.Picture(jpeg, "JPG", info).isNull());
    EXPECT_LT(steady_clock::now() - asked, seconds(10));
    closer.join();

    // No decoder at all.
    CDecoderLink missing{std::string()};
    EXPECT_FALSE(missing.HasProgram());
    EXPECT_TRUE(missing.Thumbnail(jpeg, "JPG", QSize(48, 48)).isNull());
}

}  // namespace
}  // namespace tvn::preview
