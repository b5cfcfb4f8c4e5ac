// MP4 and QuickTime: the top-level atoms by their sizes. AVI: the RIFF chunk
// and the "AVIX" RIFF chunks of an OpenDML file that follow it. MPEG program
// streams: packs and PES packets by their lengths up to the end code; a video
// elementary stream up to its sequence end code.
#include <algorithm>
#include <array>
#include <cstring>

#include "scan/exact/walks.h"

namespace tvn {

namespace {

bool Is(const uint8_t* type, const char* name) { return std::memcmp(type, name, 4) == 0; }

// The atom types that stand at the top level of a movie file.
bool IsTopLevelAtom(const uint8_t* t) {
    static constexpr std::array<const char*, 20> kTypes{
        "ftyp", "moov", "mdat", "free", "skip", "wide", "uuid", "udta", "pnot", "meta",
        "moof", "mfra", "sidx", "ssix", "styp", "pdin", "prft", "emsg", "PICT", "junk"};
    return std::any_of(kTypes.begin(), kTypes.end(), [&](const char* n) { return Is(t, n); });
}

}  // namespace

WalkResult WalkMovie(CByteSource& src) {
    uint64_t pos = 0;
    bool moov = false, mdat = false, moof = false, open = false;
    while (pos < src.Limit()) {
        uint8_t head[8];
        if (!src.Read(pos, head, 8) || !IsTopLevelAtom(head + 4)) break;
        const uint8_t* type = head + 4;
        uint64_t size = uint64_t{head[0]} << 24 | uint64_t{head[1]} << 16 |
                        uint64_t{head[2]} << 8 | head[3];
        if (size == 1) {  // a 64-bit size follows the type
            const auto large = src.U64(pos + 8, true);
            if (!large || *large < 16) break;
            size = *large;
        } else if (size == 0) {
            // "To the end of the file": on a medium that end is not known;
            // the file is taken to the end of what may belong to it.
            if (!Is(type, "mdat")) break;
            size = src.Limit() - pos;
            open = true;
        } else if (size < 8) {
            break;
        }
        // Where another movie begins, this one has ended.
        if (pos > 0 && Is(type, "ftyp")) break;
        if (moov && Is(type, "moov")) break;
        if (moov && mdat && !moof && (Is(type, "mdat") || Is(type, "wide") || Is(type, "pnot"))) {
            break;
        }
        if (size > src.Limit() - pos) return WalkResult::Broken();  // cut off
        moov = moov || Is(type, "moov");
        mdat = mdat || Is(type, "mdat");
        moof = moof || Is(type, "moof");
        pos += size;
    }
    // Without its movie atom a movie cannot be played: what is there is not
    // the whole file.
    if (!moov || src.Broken()) return WalkResult::Broken();
    return WalkResult::Length(pos, open);
}

WalkResult WalkAvi(CByteSource& src) {
    const auto size = src.U32(4, false);
    if (!src.Equal(0, "RIFF", 4) || !src.Equal(8, "AVI ", 4) || !size) {
        return WalkResult::Broken();
    }
    uint64_t end = 8 + uint64_t{*size} + (*size & 1);
    if (end > src.Limit() || !src.Equal(12, "LIST", 4)) return WalkResult::Broken();
    // OpenDML: each further gigabyte is a RIFF "AVIX" chunk of its own.
    while (src.Equal(end, "RIFF", 4) && src.Equal(end + 8, "AVIX", 4)) {
        const auto more = src.U32(end + 4, false);
        if (!more) break;
        const uint64_t next = end + 8 + *more + (*more & 1);
        if (next > src.Limit()) return WalkResult::Broken();
        end = next;
    }
    return WalkResult::Length(end);
}

WalkResult WalkMpeg(CByteSource& src) {
    static constexpr uint8_t kPrefix[] = {0, 0, 1};
    const auto first = src.U8(3);
    if (!src.Equal(0, kPrefix, 3) || !first) return WalkResult::Broken();
    if (*first == 0xB3) {
        // A video elementary stream has no lengths: it ends with its sequence
        // end code.
        for (uint64_t at = 4;;) {
            at = src.FindByte(at, 0xB7);
            if (at == CByteSource::kNone) return WalkResult::Broken();
            if (src.Equal(at - 3, kPrefix, 3)) return WalkResult::Length(at + 1);
            ++at;
        }
    }
    if (*first != 0xBA) return WalkResult::Broken();
    uint64_t pos = 0;
    size_t packs = 0;
    for (;;) {
        uint8_t code[4];
        // A stream that runs on to the end of what may be read is cut off.
        if (pos + 4 > src.Limit()) return WalkResult::Broken();
        if (!src.Read(pos, code, 4) || code[0] != 0 || code[1] != 0 || code[2] != 1) break;
        if (code[3] == 0xB9) {  // program end code
            pos += 4;
            break;
        }
        uint64_t next = 0;
        if (code[3] == 0xBA) {
            const auto marker = src.U8(pos + 4);
            if (!marker) break;
            if ((*marker >> 6) == 1) {  // MPEG-2: 14 bytes and stuffing
                const auto stuffing = src.U8(pos + 13);
                if (!stuffing) break;
                next = pos + 14 + (*stuffing & 7U);
            } else if ((*marker >> 4) == 2) {  // MPEG-1: 12 bytes
                next = pos + 12;
            } else {
                break;
            }
            ++packs;
        } else if (code[3] >= 0xBB) {  // system header or PES packet
            const auto length = src.U16(pos + 4, true);
            if (!length) break;
            next = pos + 6 + *length;
        } else {
            break;
        }
        if (next > src.Limit()) return WalkResult::Broken();
        pos = next;
    }
    if (packs == 0 || src.Broken()) return WalkResult::Broken();
    return WalkResult::Length(pos);
}

uint64_t ExactLengthLimit(FileType type) {
    constexpr uint64_t MiB = 1ULL << 20, GiB = 1ULL << 30;
    switch (type) {
        case FileType::JPG: return 512 * MiB;
        case FileType::PNG: return 2 * GiB;
        case FileType::GIF: return 256 * MiB;
        case FileType::BMP: return 4 * GiB;
        case FileType::TIF:
        case FileType::NEF:
        case FileType::CR2:
        case FileType::SR2:
        case FileType::SRF:
        case FileType::ORF:
        case FileType::MRW: return 4 * GiB;
        // The end of a CIFF file is searched for; a broken one costs a read
        // of this much.
        case FileType::CRW: return 128 * MiB;
        case FileType::MP3: return 1 * GiB;
        case FileType::WAV: return 4 * GiB + 8;
        case FileType::MID: return 64 * MiB;
        case FileType::MP4:
        case FileType::MOV:
        case FileType::AVI: return 256 * GiB;
        case FileType::MPG: return 64 * GiB;
        case FileType::ARW:
        case FileType::RAF:
        case FileType::RW2:
        case FileType::DNG:
        case FileType::PEF:
        case FileType::NRW: return 4 * GiB;
        case FileType::CR3:
        case FileType::HEIC: return 4 * GiB;
        case FileType::MTS:
        case FileType::TS:
        case FileType::ThreeGP: return 256 * GiB;
    }
    return 0;
}

WalkResult WalkFile(FileType type, CByteSource& src) {
    switch (type) {
        case FileType::JPG: return WalkJpeg(src);
        case FileType::PNG: return WalkPng(src);
        case FileType::GIF: return WalkGif(src);
        case FileType::BMP: return WalkBmp(src);
        case FileType::TIF:
        case FileType::NEF:
        case FileType::CR2:
        case FileType::SR2:
        case FileType::SRF:
        case FileType::ORF: return WalkTiff(src);
        case FileType::CRW: return WalkCrw(src);
        case FileType::MRW: return WalkMrw(src);
        case FileType::MP3: return WalkMp3(src);
        case FileType::WAV: return WalkWav(src);
        case FileType::MID: return WalkMidi(src);
        case FileType::MP4:
        case FileType::MOV: return WalkMovie(src);
        case FileType::AVI: return WalkAvi(src);
        case FileType::MPG: return WalkMpeg(src);
        case FileType::ARW:
        case FileType::RW2:
        case FileType::DNG:
        case FileType::PEF:
        case FileType::NRW: return WalkTiff(src);
        case FileType::RAF: return WalkRaf(src);
        case FileType::CR3:
        case FileType::ThreeGP: return WalkMovie(src);
        case FileType::HEIC: return WalkHeif(src);
        case FileType::MTS: return WalkTransport(src, 192, 4);
        case FileType::TS: return WalkTransport(src, 188, 0);
    }
    return WalkResult::Broken();
}

}  // namespace tvn
