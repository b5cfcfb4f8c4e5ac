// Writers of valid image, audio and video files: bitmaps, PNG and GIF images,
// MPEG audio with and without an ID3v2 tag, MIDI files, WAV, MP4, QuickTime,
// AVI and MPEG program streams. Everything is made deterministically from the
// arguments, so the same call gives the same bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "tools/media/image.h"

namespace tvn::media {

// Windows bitmap with a BITMAPINFOHEADER, rows bottom-up and padded to four
// bytes: 24 bits per pixel, or 8 bits per pixel with a 256-entry palette.
Bytes MakeBmp24(uint32_t width, uint32_t height, uint32_t seed = 0);
Bytes MakeBmp8(uint32_t width, uint32_t height, uint32_t seed = 0);

// Truecolour PNG (8 bits per channel), the image data deflated with zlib and
// split over several IDAT chunks; every chunk carries its CRC.
Bytes MakePng(uint32_t width, uint32_t height, uint32_t seed = 0);

// GIF with a 256-colour global table and one image. The 89a form adds a
// graphic control extension and a comment. The LZW stream uses 9-bit codes
// throughout, with a clear code before the code table would grow.
Bytes MakeGif(bool version89a, uint16_t width, uint16_t height, uint32_t seed = 0);

// MPEG-1 Layer III at 128 kbit/s and 44,100 Hz, stereo: header FF FB 90 00,
// or FF FB 92 00 with the padding bit. The frame data is silence.
inline constexpr size_t kMp3FrameBytes = 417;  // 128 x 144,000 / 44,100; 418 padded
Bytes MakeMp3Frame(bool padded);
// frames frames padded as an encoder pads them (418 bytes whenever the
// running remainder calls for it, 417 otherwise).
Bytes MakeMp3Frames(size_t frames);
// An ID3v2.3 tag with title and artist frames and paddingBytes zero bytes of
// padding after them.
Bytes MakeId3Tag(const std::string& title, const std::string& artist, uint32_t paddingBytes);
// An MP3 file: the tag (when given a title) followed by the frames.
Bytes MakeMp3(size_t frames, const std::string& title = {}, uint32_t tagPadding = 0);

// Standard MIDI File, format 0: one track with a tempo, a programme change
// and notes notes; and the same wrapped in a RIFF "RMID" file.
Bytes MakeMidi(size_t notes, uint32_t seed = 0);
Bytes MakeRmid(size_t notes, uint32_t seed = 0);

// RIFF WAVE with a "fmt " chunk and 16-bit PCM in the "data" chunk.
Bytes MakeWav(uint32_t sampleRate, uint16_t channels, uint32_t sampleFrames, uint32_t seed = 0);

// ISO base media file: "ftyp" (brand isom), "moov" with one sound track, and
// "mdat" holding frames MPEG audio frames as the track's samples.
Bytes MakeMp4(size_t frames);

// QuickTime movie with one sound track of 16-bit big-endian PCM: "ftyp"
// (brand "qt  "), "moov" and "mdat"; or, with moovLast, "wide", "mdat" and
// "moov" as cameras write them.
Bytes MakeMov(uint32_t sampleFrames, bool moovLast, uint32_t seed = 0);

// QuickTime movie with one Motion-JPEG video track ("jpeg" sample entry,
// 15 frames a second, one frame a chunk): "ftyp" (brand "qt  "), "moov",
// then "mdat" with the frames, each a baseline JPEG of width x height.
Bytes MakeMjpegMov(uint32_t width, uint32_t height, uint32_t frames, uint32_t seed = 0);

// AVI: RIFF "AVI " with the "hdrl" list (main header and one uncompressed
// 24-bit video stream), the "movi" list of frames and an "idx1" index.
Bytes MakeAvi(uint32_t width, uint32_t height, uint32_t frames, uint32_t seed = 0);
// The same with Motion-JPEG video, as compact cameras record: "MJPG" stream,
// every frame a baseline JPEG of width x height (multiples of 16) in a "00dc"
// chunk, 15 frames a second. The frames are whole JPEGs, so a scan also finds
// those that happen to start on a sector.
Bytes MakeMjpegAvi(uint32_t width, uint32_t height, uint32_t frames, uint32_t seed = 0);

// MPEG-1 program stream in 2,048-byte packs: pack header, system header and
// a video stream that opens with a sequence header (at an even distance from
// the pack header), a group of pictures and intra-coded pictures of width x
// height (multiples of 16), 25 a second, ending in a sequence end code and the
// program end code. The pictures are grey with seed 0, else bars of colour
// that move from picture to picture, as a camera's clip would show them.
Bytes MakeMpegProgramStream(uint16_t width, uint16_t height, uint32_t pictures, uint32_t seed = 0);

}  // namespace tvn::media
