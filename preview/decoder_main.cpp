// tarvolin-decode: decodes one preview copy for tarvolin-cli, which carries
// no toolkit of its own. Images are decoded as the image viewer decodes them
// and written as PNG; audio and video are opened as the players open them
// and reported (duration, codecs; the first frame of a video as PNG); MIDI
// files are rendered with the synthesizer. The record is printed as one JSON
// object on stdout. The wizard runs it too, serving its thumbnails and
// pictures over a socket (preview/decoder_link.h).
//
//   tarvolin-decode TYPE INPUT OUTPUT.png
//   tarvolin-decode --serve FD
//
// Exit status: 0 decoded, 1 not decodable (nothing written), 2 bad usage.
#include <QAudioFormat>
#include <QAudioOutput>
#include <QCoreApplication>
#include <QEventLoop>
#include <QFile>
#include <QGuiApplication>
#include <QMediaFormat>
#include <QMediaMetaData>
#include <QMediaPlayer>
#include <QTimer>
#include <QUrl>
#include <QVideoFrame>
#include <QVideoSink>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <nlohmann/json.hpp>
#include <string>

#include "preview/decode.h"
#include "preview/decoder_link.h"
#include "preview/midi_synth.h"

namespace {

using nlohmann::json;
using namespace tvn::preview;

bool IsImageType(const std::string& t) {
    for (const char* i : {"BMP", "PNG", "GIF", "JPG", "CRW", "TIF", "CR2", "SR2", "SRF", "ORF",
                          "MRW", "NEF", "CR3", "ARW", "RAF", "RW2", "DNG", "PEF", "NRW", "HEIC"})
        if (t == i) return true;
    return false;
}

int DecodeImage(const std::string& type, const QString& in, const QString& out) {
    CImageInfo info;
    const QImage image = DecodeImageFile(in, type, info);
    json j = ImageRecordJson(info);
    if (image.isNull()) {
        j["decoded"] = false;
        std::printf("%s\n", j.dump().c_str());
        return 1;
    }
    if (!image.save(out, "PNG")) {
        std::fprintf(stderr, "tarvolin-decode: cannot write %s\n", qPrintable(out));
        return 1;
    }
    j["decoded"] = true;
    j["picture"] = {{"width", image.width()}, {"height", image.height()}};
    std::printf("%s\n", j.dump().c_str());
    return 0;
}

int DecodeMidi(const QString& in) {
    const MidiRender r = RenderMidi(in.toStdString());
    json j = {{"decoded", r.ok}, {"durationMs", static_cast<uint64_t>(r.seconds * 1000)},
              {"totalTicks", r.totalTicks}, {"codec", "MIDI"},
              {"soundFont", FindSoundFont()}};
    std::printf("%s\n", j.dump().c_str());
    return r.ok ? 0 : 1;
}

// The codec of a RIFF WAVE file from its "fmt " chunk: the media framework
// names the container's contents less exactly.
std::string WaveCodec(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    const QByteArray d = file.read(4096);
    auto le = [&](qsizetype at, int n) {
        uint32_t v = 0;
        for (int i = n - 1; i >= 0; --i) v = v << 8 | static_cast<uint8_t>(d[at + i]);
        return v;
    };
    if (d.size() < 12 || !d.startsWith("RIFF") || d.mid(8, 4) != "WAVE") return {};
    for (qsizetype at = 12; at + 10 <= d.size();) {
        const uint32_t size = le(at + 4, 4);
        if (d.mid(at, 4) == "fmt ") {
            switch (le(at + 8, 2)) {
                case 1: return "PCM";
                case 2: return "Microsoft ADPCM";
                case 3: return "IEEE float";
                case 6: return "A-law";
                case 7: return "mu-law";
                case 0x11: return "IMA ADPCM";
                case 0x55: return "MP3";
                default: return "WAVE format " + std::to_string(le(at + 8, 2));
            }
        }
        if (size > static_cast<uint32_t>(d.size())) break;
        at += 8 + static_cast<qsizetype>(size) + (size & 1);
    }
    return {};
}

std::string CodecName(const QVariant& v, bool video) {
    if (!v.isValid()) return {};
    if (video)
        return QMediaFormat::videoCodecName(v.value<QMediaFormat::VideoCodec>()).toStdString();
    return QMediaFormat::audioCodecName(v.value<QMediaFormat::AudioCodec>()).toStdString();
}

int DecodeMedia(const std::string& type, const QString& in, const QString& out) {
    QMediaPlayer player;
    QVideoSink sink;
    player.setVideoSink(&sink);
    // The pipeline measures a file only with an audio branch; it is muted.
    QAudioOutput audio;
    audio.setMuted(true);
    player.setAudioOutput(&audio);
    QImage first;
    QEventLoop loop;
    bool loaded = false, failed = false;
    QObject::connect(&player, &QMediaPlayer::mediaStatusChanged, &loop,
                     [&](QMediaPlayer::MediaStatus s) {
                         if (s == QMediaPlayer::LoadedMedia || s == QMediaPlayer::BufferedMedia) {
                             loaded = true;
                             loop.quit();
                         } else if (s == QMediaPlayer::InvalidMedia) {
                             failed = true;
                             loop.quit();
                         }
                     });
    QObject::connect(&player, &QMediaPlayer::errorOccurred, &loop, [&] {
        failed = true;
        loop.quit();
    });
    QTimer::singleShot(15000, &loop, &QEventLoop::quit);
    player.setSource(QUrl::fromLocalFile(in));
    if (!loaded && !failed) loop.exec();
    json j;
    j["decoded"] = loaded && !failed;
    if (!loaded || failed) {
        j["error"] = player.errorString().toStdString();
        std::printf("%s\n", j.dump().c_str());
        return 1;
    }
    // The length is often known only a moment after the file has loaded.
    if (player.duration() <= 0) {
        QEventLoop durationLoop;
        QObject::connect(&player, &QMediaPlayer::durationChanged, &durationLoop,
                         [&](qint64 ms) {
                             if (ms > 0) durationLoop.quit();
                         });
        QTimer::singleShot(5000, &durationLoop, &QEventLoop::quit);
        player.pause();  // prerolls, which makes the pipeline measure the file
        if (player.duration() <= 0) durationLoop.exec();
    }
    const QMediaMetaData meta = player.metaData();
    j["durationMs"] = player.duration();
    j["audioCodec"] = CodecName(meta.value(QMediaMetaData::AudioCodec), false);
    if (type == "WAV") {
        if (const std::string codec = WaveCodec(in); !codec.empty()) j["audioCodec"] = codec;
    }
    if (j["audioCodec"] == "Invalid") j["audioCodec"] = "";
    const bool video = player.hasVideo();
    j["video"] = video;
    if (video) {
        j["videoCodec"] = CodecName(meta.value(QMediaMetaData::VideoCodec), true);
        if (j["videoCodec"] == "Invalid") j["videoCodec"] = "";
        QEventLoop frameLoop;
        QObject::connect(&sink, &QVideoSink::videoFrameChanged, &frameLoop,
                         [&](const QVideoFrame& f) {
                             if (first.isNull() && f.isValid()) {
                                 first = f.toImage();
                                 if (!first.isNull()) frameLoop.quit();
                             }
                         });
        QTimer::singleShot(10000, &frameLoop, &QEventLoop::quit);
        player.play();
        if (first.isNull()) frameLoop.exec();
        player.stop();
        if (!first.isNull() && first.save(out, "PNG")) {
            j["picture"] = {{"width", first.width()}, {"height", first.height()}};
        }
    }
    std::printf("%s\n", j.dump().c_str());
    return 0;
}

}  // namespace

// In sanitizer builds: the blocks the sound server's client library (and
// GLib under it) keep until the process ends are not leaks of ours.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libpulse.so\nleak:libglib-2.0.so\nleak:libgstreamer-1.0.so\nleak:libasound.so\n"
           "leak:__vasprintf_internal\n";
}

namespace {

// The decoder reads bytes from a damaged medium with image and media
// libraries: a crafted file may keep it busy or make it grow without end. It
// gets a bounded share of the processor and of memory, and it never outlives
// the program that started it.
constexpr rlim_t kCpuSeconds = 60;
// Serving the wizard, one process decodes file after file: the wizard ends a
// decode that takes too long itself, and the processor time of a long
// session adds up, so the bound is the session's.
constexpr rlim_t kServingCpuSeconds = 4 * 3600;
constexpr rlim_t kAddressSpace = rlim_t{4} << 30;

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool kSanitized = true;  // the sanitizers' shadow memory needs the address space
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif
#else
constexpr bool kSanitized = false;
#endif

bool ApplyLimits(bool serving) {
    const pid_t parent = ::getppid();
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    // The parent may have gone before the line above.
    if (::getppid() != parent) return false;
    const rlim_t seconds = serving ? kServingCpuSeconds : kCpuSeconds;
    const rlimit cpu{seconds, seconds};
    ::setrlimit(RLIMIT_CPU, &cpu);
    if (!kSanitized) {
        const rlimit as{kAddressSpace, kAddressSpace};
        ::setrlimit(RLIMIT_AS, &as);
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    const bool serving = argc == 3 && std::string(argv[1]) == "--serve";
    if (!ApplyLimits(serving)) return 2;
    // Never shows a window; runs on servers without a display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    if (serving) {
        // tarvolin-decode --serve FD: the wizard's pictures, one after the
        // other, over the socket FD (preview/decoder_link.h).
        QCoreApplication app(argc, argv);
        return ServeDecodes(std::atoi(argv[2]));
    }
    if (argc != 4) {
        std::fprintf(stderr, "usage: tarvolin-decode TYPE INPUT OUTPUT.png\n");
        return 2;
    }
    const std::string type = argv[1];
    const QString in = QString::fromLocal8Bit(argv[2]);
    const QString out = QString::fromLocal8Bit(argv[3]);
    if (IsImageType(type)) {
        QCoreApplication app(argc, argv);
        return DecodeImage(type, in, out);
    }
    if (type == "MID") return DecodeMidi(in);
    if (type == "WAV" || type == "MP3" || type == "MPG" || type == "MP4" || type == "MOV" ||
        type == "AVI" || type == "MTS" || type == "TS" || type == "3GP") {
        QGuiApplication app(argc, argv);
        return DecodeMedia(type, in, out);
    }
    std::fprintf(stderr, "tarvolin-decode: no decoder for type %s\n", type.c_str());
    return 2;
}
