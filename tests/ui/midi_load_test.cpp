// The MIDI player reads its soundfont (a large file, slow on a cold disk) on a
// worker: the window keeps serving its events meanwhile.
#include <QTimer>
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "preview/audio_player.h"
#include "tests/support/test_support.h"
#include "tests/ui/ui_test_support.h"
#include "tools/media/av_writers.h"

namespace tvn::preview {
namespace {

TEST(MidiPlayer, TheSoundfontLoadsWhileTheWindowAnswers) {
    test::TempDir d;
    test::WriteFile(d / "a.MID", media::MakeMidi(3, 1));
    // A soundfont that is a pipe: its load waits in the open until someone
    // writes, and nobody does before the window's thread has served a timer.
    const std::string font = d / "font.sf2";
    ASSERT_EQ(::mkfifo(font.c_str(), 0600), 0);
    const QByteArray before = qgetenv("TVN_SOUNDFONT");
    qputenv("TVN_SOUNDFONT", QByteArray::fromStdString(font));

    std::atomic<bool> served{false}, released{false}, finished{false};
    std::thread writer([&] {
        using Clock = std::chrono::steady_clock;
        const auto until = Clock::now() + std::chrono::seconds(5);
        while (!served.load() && Clock::now() < until) std::this_thread::sleep_for(std::chrono::milliseconds(5));
        released.store(true);
        // Every open of the font goes on, and finds it empty.
        const auto last = Clock::now() + std::chrono::seconds(10);
        while (!finished.load() && Clock::now() < last) {
            const int fd = ::open(font.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
            if (fd >= 0) ::close(fd);
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    });
    bool servedBeforeRelease = false;
    test::BoxAnswerer boxes;
    {
        CAudioPlayer player(d / "a.MID", "a.MID");
        QTimer::singleShot(50, [&] {
            servedBeforeRelease = !released.load();
            served.store(true);
        });
        EXPECT_FALSE(player.Start());
    }
    finished.store(true);
    writer.join();
    if (before.isNull())
        qunsetenv("TVN_SOUNDFONT");
    else
        qputenv("TVN_SOUNDFONT", before);

    EXPECT_TRUE(servedBeforeRelease) << "the window's thread waited for the soundfont";
    EXPECT_TRUE(boxes.Saw(QString::fromLatin1(kSynthFailed))) << boxes.Texts().toStdString();
}

}  // namespace
}  // namespace tvn::preview
