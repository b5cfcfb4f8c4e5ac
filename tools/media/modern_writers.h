// Writers of the file types of today's cameras and phones, each laid out as
// its published structure describes it: Canon CR3 and HEIC/HEIF pictures
// (ISO base media boxes), Sony ARW, Pentax PEF, DNG, Nikon NRW and Panasonic
// RW2 (TIFF family), Fujifilm RAF, AVCHD (M2TS) and plain transport streams,
// and 3GP movies. Output is deterministic. The bulk data (raw samples, coded
// picture data, stream payloads) is made of bytes 0x50 to 0x5F, so that no
// sector inside a file looks like the start of a file of any kind; the
// embedded JPEG previews are kept off sector starts.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/media/image.h"
#include "tools/media/samples.h"

namespace tvn::media {

struct ModernOptions {
    uint32_t width = 640;         // the picture's (or preview's) size
    uint32_t height = 480;
    uint32_t dataBytes = 200000;  // raw samples, coded picture data or stream payload
    uint32_t seed = 1;
    // Transport streams of 188-byte packets: a whole number of sectors long
    // (128 packets make 47 sectors), so that a clip written after it begins
    // on a sector.
    bool wholeSectors = false;
};

// ftyp "crx ", moov with Canon's uuid box (CNCV, CMT1 with IFD0's Make and
// Model, a THMB thumbnail) and mvhd, the XMP uuid box, the preview uuid box
// (PRVW with a JPEG of width x height) and mdat; with largeMdat the mdat box
// carries its size in the 64-bit field.
Bytes MakeCr3(const ModernOptions& o, bool largeMdat);
// ftyp (brand heic, or mif1 with heic compatible), meta (hdlr "pict", pitm,
// iloc, iinf, iprp with ispe) and mdat holding the coded tiles. With grid,
// the primary item is a 2x2 grid whose descriptor is stored in meta's idat
// box and whose four tiles lie in mdat.
Bytes MakeHeic(const ModernOptions& o, bool grid, const char* brand = "heic");
// TIFF-family raw files: IFD0 with Make and Model, a JPEG preview (IFD1,
// JPEGInterchangeFormat), the raw image in a SubIFD.
Bytes MakeArw(const ModernOptions& o);   // "II", Make "SONY", Model "ILCE-7M3"
Bytes MakePef(const ModernOptions& o);   // "MM", Make "PENTAX Corporation"
Bytes MakeDng(const ModernOptions& o);   // "II", DNGVersion 1.4, Make "Google"
Bytes MakeNrw(const ModernOptions& o);   // "MM", Make "NIKON", Model "COOLPIX P7000"
// "IIU\0" with Panasonic's header fields, the raw strip and the JPEG in tag
// 0x2E (JpgFromRaw).
Bytes MakeRw2(const ModernOptions& o);
// "FUJIFILMCCD-RAW " header with the offsets and lengths of the JPEG, the
// metadata records and the raw data; rawFirst puts the raw data before the
// JPEG.
Bytes MakeRaf(const ModernOptions& o, bool rawFirst);
// Transport streams: a PAT, a PMT and video PES packets to dataBytes of
// payload. m2ts: 192-byte packets with a 4-byte arrival time stamp (AVCHD);
// otherwise 188-byte packets. Always a whole number of aligned units (32
// packets for M2TS) as cameras write them.
Bytes MakeTransportStream(const ModernOptions& o, bool m2ts);
// Two recordings written one straight after the other, as a camcorder does
// when recording stops and starts again: the clip of o, then the clip of
// o.seed + 1 with its arrival clock and continuity counters started anew.
// firstLength, when given, receives the first clip's length.
Bytes MakeBackToBackClips(ModernOptions o, bool m2ts, size_t* firstLength = nullptr);
// An MP4 movie (MakeMp4) whose ftyp major brand is brand ("3gp4", "3g2a").
Bytes Make3gp(size_t frames, const char* brand);

// One file of every new type, small, for the tests and the bench card.
void AppendModernSamples(std::vector<SampleFile>& out);

}  // namespace tvn::media
