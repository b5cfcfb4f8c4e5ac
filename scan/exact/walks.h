// Exact file lengths: each walk follows a file's own structure from its first
// byte (the segments of a JPEG, the chunks of a PNG, the IFDs of a TIFF, the
// atoms of a movie, the frames of an MP3 ...) and answers the length the file
// has, or that the structure breaks somewhere (the file was overwritten,
// fragmented, or is no file of the kind at all). Walks are pure functions of
// the bytes a CByteSource gives; they read nothing past its limit.
#pragma once

#include <cstdint>

#include "scan/exact/byte_source.h"
#include "scan/type_table.h"

namespace tvn {

struct WalkResult {
    bool measured = false;  // false: the structure broke; length means nothing
    uint64_t length = 0;
    // Measured, but the structure leaves the end open (a movie atom "to the
    // end of the file"): the length is the best guess, not a certainty.
    bool openEnded = false;

    static WalkResult Broken() { return {}; }
    static WalkResult Length(uint64_t n, bool open = false) { return {true, n, open}; }
};

// The largest file a walk of a type follows; a structure that reaches
// farther counts as broken.
uint64_t ExactLengthLimit(FileType type);

WalkResult WalkJpeg(CByteSource& src);
WalkResult WalkPng(CByteSource& src);
WalkResult WalkGif(CByteSource& src);
WalkResult WalkBmp(CByteSource& src);
// TIF, NEF, CR2, SR2, SRF, ORF, ARW, DNG, PEF, NRW and RW2: the end of the farthest structure the IFDs
// reach.
WalkResult WalkTiff(CByteSource& src);
WalkResult WalkCrw(CByteSource& src);
WalkResult WalkMrw(CByteSource& src);
WalkResult WalkMp3(CByteSource& src);
WalkResult WalkWav(CByteSource& src);
WalkResult WalkMidi(CByteSource& src);
WalkResult WalkAvi(CByteSource& src);
// MP4, MOV, CR3 and 3GP: the top-level atoms.
WalkResult WalkMovie(CByteSource& src);
WalkResult WalkMpeg(CByteSource& src);
// RAF: the farthest of the JPEG, metadata and raw data its header locates.
WalkResult WalkRaf(CByteSource& src);
// HEIC/HEIF: the top-level boxes; a picture needs its "meta" box.
WalkResult WalkHeif(CByteSource& src);
// Transport streams: the run of packets of the given size (188, or 192 with
// the sync byte after a 4-byte time stamp) to its last packet. A packet
// whose sync byte is lost in the middle of the run does not end it when the
// packets after it carry theirs. A recording written straight after another
// ends the run where it begins: an association table with the arrival clock
// (192-byte packets) or the table's continuity counter starting anew.
WalkResult WalkTransport(CByteSource& src, size_t packet, size_t syncAt);

// The walk of a type.
WalkResult WalkFile(FileType type, CByteSource& src);

}  // namespace tvn
