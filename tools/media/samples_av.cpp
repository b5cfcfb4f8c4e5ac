#include "tools/media/av_writers.h"
#include "tools/media/samples.h"

namespace tvn::media {

void AppendAvSamples(std::vector<SampleFile>& out) {
    out.push_back({"BMP", "SCAN0001.BMP", MakeBmp24(320, 240, 21)});
    out.push_back({"BMP", "PICT0002.BMP", MakeBmp8(256, 200, 22)});
    out.push_back({"PNG", "SCRN0001.PNG", MakePng(480, 320, 23)});
    out.push_back({"GIF", "ANIM0001.GIF", MakeGif(false, 160, 120, 24)});
    out.push_back({"GIF", "LOGO0002.GIF", MakeGif(true, 240, 160, 25)});
    // About 26 seconds of audio with a tag, and 10 seconds without one.
    out.push_back({"MP3", "VOICE001.MP3", MakeMp3(1000, "Voice memo 1", 700)});
    out.push_back({"MP3", "REC00002.MP3", MakeMp3(383)});
    out.push_back({"MID", "RING0001.MID", MakeMidi(400, 26)});
    out.push_back({"MID", "RING0002.MID", MakeRmid(250, 27)});
    out.push_back({"WAV", "REC00001.WAV", MakeWav(22050, 1, 22050 * 3, 28)});
    out.push_back({"WAV", "VOICE002.WAV", MakeWav(44100, 2, 44100, 29)});
    out.push_back({"MP4", "VID_0001.MP4", MakeMp4(600)});
    out.push_back({"MPG", "MOV00001.MPG", MakeMpegProgramStream(352, 288, 75)});
    // QuickTime with an "ftyp" atom (found as MP4 too), and the older form
    // that opens with "wide" and keeps "moov" at the end.
    out.push_back({"MOV", "MVI_0001.MOV", MakeMov(22050 * 4, false, 30)});
    out.push_back({"MOV", "MVI_0002.MOV", MakeMov(22050 * 2, true, 31)});
    out.push_back({"AVI", "CIMG0001.AVI", MakeAvi(160, 120, 24, 32)});
}

}  // namespace tvn::media
