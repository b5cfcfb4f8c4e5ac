// Recognizer for MP3 files: MPEG audio with or without a leading ID3v2 tag.
// The length comes from walking the frame headers (ISO/IEC 11172-3 and
// 13818-3) frame by frame. The recognizer remembers the sector just past the
// last MP3 it measured (the end mark), so that the frames inside a found MP3
// are not taken for new files.
#pragma once

#include "scan/scanner.h"

namespace tvn {

// One decoded MPEG audio frame header.
struct CMpegAudioFrame {
    enum class Outcome {
        kFrame,     // a frame of length bytes
        kReserved,  // reserved version or layer: not MPEG audio at all
        kEnd,       // a bad bitrate or sampling rate, or a frame of no length
    };
    Outcome outcome;
    DWORD length;
};

// Decodes the big-endian frame header h. bitrate (kbit/s) carries over from
// the previous frame: bitrate index 0 keeps it.
CMpegAudioFrame DecodeMpegAudioFrame(DWORD h, DWORD& bitrate);

class CMP3Scanner : public CScanner {
public:
    explicit CMP3Scanner(CScanContext& ctx);
    ULONGLONG GetFileSize() override;
    bool IsFileHeader() override;
    bool CanStartWith(BYTE b) const override { return b == 0xFF || b == 'I'; }
    UINT GetNextFileNumber() override;
    UINT ReleaseFileNumber() override;

    // The end mark: the last MP3 measured ends before this sector; no MP3 is
    // reported at sectors up to and including it.
    ULONGLONG GetEndMark() const { return m_ullEndMark; }

private:
    ULONGLONG WalkFrames();

    ULONGLONG m_ullEndMark = 0;
};

}  // namespace tvn
