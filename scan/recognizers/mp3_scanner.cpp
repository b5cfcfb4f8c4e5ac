#include "scan/recognizers/mp3_scanner.h"

#include <algorithm>
#include <array>
#include <new>
#include <string>

#include "scan/forward_search.h"

namespace tvn {

namespace {

constexpr BYTE kFrameSync[] = {0xFF, 0xFB};  // MPEG-1 Layer III without CRC
constexpr BYTE kId3[] = {0x49, 0x44, 0x33};  // "ID3"
constexpr DWORD kMaxTagSize = 500000;
constexpr int kSyncSearchBytes = 2560;  // how far past the tag the first frame is looked for
constexpr DWORD kReloadLimit = 20;
constexpr ULONGLONG kUnit = 512;

// Bitrates in kbit/s by index 1 to 14 (index 0 is "free format").
// ISO/IEC 11172-3, MPEG-1, per layer (Layer I is 32 x index).
constexpr std::array<DWORD, 15> kMpeg1Layer2 = {0,   32,  48,  56,  64,  80,  96, 112,
                                                128, 160, 192, 224, 256, 320, 384};
constexpr std::array<DWORD, 15> kMpeg1Layer3 = {0,   32,  40,  48,  56,  64,  80, 96,
                                                112, 128, 160, 192, 224, 256, 320};
// ISO/IEC 13818-3, MPEG-2 (and MPEG-2.5): one table for Layer I, one shared by
// Layers II and III.
constexpr std::array<DWORD, 15> kMpeg2Layer1 = {0,   32,  48,  56,  64,  80,  96, 112,
                                                128, 144, 160, 176, 192, 224, 256};
constexpr std::array<DWORD, 15> kMpeg2Layer23 = {0,  8,  16, 24,  32,  40,  48, 56,
                                                 64, 80, 96, 112, 128, 144, 160};
constexpr std::array<DWORD, 3> kSampleRates = {44100, 48000, 32000};

bool IsSecondSyncByte(BYTE b) {
    return b == 0xFB || b == 0xE3 || b == 0xFA || b == 0xF3;
}

// The medium read on from the first byte of the shared buffer as one stream of
// bytes: the shared buffer is its first block, the blocks after it are read as
// the walk reaches them. The last few bytes of the block before the current
// one stay at hand, so a header that straddles two blocks reads whole.
class CStream {
public:
    CStream(std::span<const BYTE> first, CLookahead& ahead) : m_block(first), m_ahead(ahead) {}

    BYTE At(int64_t pos) {
        while (pos >= m_start + static_cast<int64_t>(m_block.size())) Advance();
        if (pos >= m_start) return m_block[static_cast<size_t>(pos - m_start)];
        const int64_t back = m_start - pos;
        if (m_start > 0 && back <= static_cast<int64_t>(kTail)) {
            return m_tail[kTail - static_cast<size_t>(back)];
        }
        return 0;  // behind what is kept: the walk never looks back that far
    }

    DWORD Be32(int64_t pos) {
        return static_cast<DWORD>(At(pos)) << 24 | static_cast<DWORD>(At(pos + 1)) << 16 |
               static_cast<DWORD>(At(pos + 2)) << 8 | static_cast<DWORD>(At(pos + 3));
    }

private:
    static constexpr size_t kTail = 8;

    void Advance() {
        std::copy(m_block.end() - kTail, m_block.end(), m_tail.begin());
        m_start += static_cast<int64_t>(m_block.size());
        m_block = m_ahead.Next();
    }

    std::span<const BYTE> m_block;
    CLookahead& m_ahead;
    int64_t m_start = 0;
    std::array<BYTE, kTail> m_tail{};
};

}  // namespace

CMpegAudioFrame DecodeMpegAudioFrame(DWORD h, DWORD& bitrate) {
    using Outcome = CMpegAudioFrame::Outcome;
    const DWORD versionBits = (h >> 19) & 3;  // 00 MPEG-2.5, 01 reserved, 10 MPEG-2, 11 MPEG-1
    const DWORD layerBits = (h >> 17) & 3;    // 00 reserved, 01 III, 10 II, 11 I
    const DWORD bitrateIndex = (h >> 12) & 15;
    const DWORD rateIndex = (h >> 10) & 3;
    const DWORD padding = (h >> 9) & 1;
    if (versionBits == 1 || layerBits == 0) return {Outcome::kReserved, 0};
    const DWORD version = versionBits == 3 ? 1 : 2;  // MPEG-2.5 counts as MPEG-2
    const DWORD layer = 4 - layerBits;

    if (version == 1 && layer == 1) {
        bitrate = 32 * bitrateIndex;
    } else {
        if (bitrateIndex == 15) return {Outcome::kEnd, 0};
        if (bitrateIndex != 0) {
            const std::array<DWORD, 15>& table = version == 1
                                                     ? (layer == 2 ? kMpeg1Layer2 : kMpeg1Layer3)
                                                     : (layer == 1 ? kMpeg2Layer1 : kMpeg2Layer23);
            bitrate = table[bitrateIndex];
        }
    }
    if (rateIndex == 3) return {Outcome::kEnd, 0};
    const DWORD rate = kSampleRates[rateIndex] / version;

    const DWORD length =
        layer == 1 ? (bitrate * 12 * 1000 / rate) * 4 : bitrate * 144 * 1000 / rate + padding;
    if (length == 0) return {Outcome::kEnd, 0};
    return {Outcome::kFrame, length};
}

CMP3Scanner::CMP3Scanner(CScanContext& ctx) : CScanner(ctx, FileType::MP3) {
    ResetCounter(1);
}

bool CMP3Scanner::IsFileHeader() {
    const size_t p = GetOffset();
    if (!Match(p, kFrameSync, sizeof kFrameSync) && !Match(p, kId3, sizeof kId3)) return false;
    const ULONGLONG sector = CurrentSector();
    if (sector <= m_ullEndMark) return false;  // inside the MP3 measured last
    Context().reporter.Console("Recognized file at abs Sector :" + std::to_string(sector) + "\n");
    return true;
}

ULONGLONG CMP3Scanner::GetFileSize() {
    return Memoized([this] { return WalkFrames(); });
}

// Walks from the start (past an ID3v2 tag) frame by frame for as long as each
// frame begins with the same two bytes as the first. Positions are counted as
// the walk counts them: w within the block numbered r, where block 0 is the
// shared buffer.
ULONGLONG CMP3Scanner::WalkFrames() {
    CScanContext& ctx = Context();
    const int64_t B = static_cast<int64_t>(ctx.buffer.size());
    const int64_t p = GetOffset();
    const ULONGLONG startSector = CurrentSector();
    try {
        CLookahead ahead(*this);
        CStream in(std::span<const BYTE>(ctx.buffer.data(), ctx.buffer.size()), ahead);
        SetSearching(true);
        int64_t w = p;
        ULONGLONG length = 0;
        DWORD reloads = 0;
        const auto at = [&](int64_t rel) { return static_cast<int64_t>(reloads) * B + rel; };
        bool walk = true;

        if (Match(static_cast<size_t>(p), kId3, sizeof kId3)) {
            // The tag size: four bytes of seven bits each, not counting the
            // tag's own 10-byte header.
            DWORD tagSize = 0;
            for (int i = 6; i < 10; ++i) tagSize = tagSize << 7 | (in.At(p + i) & 0x7FU);
            if (tagSize > kMaxTagSize) {
                length = kUnit;
                SetSearching(false);
                walk = false;
            } else {
                length = tagSize;
                // The first frame is looked for from 10 bytes before the tag's
                // end on; the distance found is added to the length.
                int64_t t = p + static_cast<int64_t>(tagSize);
                bool found = false;
                for (int j = 0; j < kSyncSearchBytes; ++j, ++t) {
                    while (t + 1 >= B) {
                        t -= B;
                        ++reloads;
                    }
                    if (in.At(at(t)) == 0xFF && IsSecondSyncByte(in.At(at(t) + 1))) {
                        length += static_cast<ULONGLONG>(j);
                        w = t;
                        found = true;
                        break;
                    }
                }
                if (!found) w = reloads == 0 ? p : 0;
            }
        }

        if (walk) {
            const BYTE first0 = in.At(at(w));
            const BYTE first1 = in.At(at(w) + 1);
            DWORD bitrate = 0;
            for (;;) {
                if (w > B) break;  // the length stays unsettled
                const CMpegAudioFrame frame = DecodeMpegAudioFrame(in.Be32(at(w)), bitrate);
                if (frame.outcome == CMpegAudioFrame::Outcome::kReserved) return 0;
                if (frame.outcome == CMpegAudioFrame::Outcome::kEnd) {
                    SetSearching(false);
                    break;
                }
                length += frame.length;
                w += frame.length;
                if (w >= B) {
                    w -= B;
                    ++reloads;
                }
                if (in.At(at(w)) != first0 || in.At(at(w) + 1) != first1) {
                    // Foreign data, an ID3v1 trailer, or a change of version,
                    // layer or CRC flag: the file ends here.
                    SetSearching(false);
                    length = std::max(length, kUnit);
                    break;
                }
                if (reloads > kReloadLimit) {
                    SetSearching(false);
                    break;
                }
            }
        }

        length = length / kUnit * kUnit;
        // The end mark in the medium's own sectors: the sector just past the
        // measured length.
        m_ullEndMark = startSector + length / SectorSize();
        return IsSearching() ? 0 : length;
    } catch (const std::bad_alloc&) {
        return ~ULONGLONG{0};
    }
}

UINT CMP3Scanner::GetNextFileNumber() {
    return HandOutThenAdd();
}

UINT CMP3Scanner::ReleaseFileNumber() {
    return HandOutThenSubtract();
}

}  // namespace tvn
