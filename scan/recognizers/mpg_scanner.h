// Recognizer for MPEG-1/MPEG-2 program and video streams. A stream is
// recognised by its pack or sequence start code and measured up to its
// sequence end code. Like the MP3 recognizer it remembers the sector just past
// the last stream it measured (the end mark), so that the packs inside a found
// stream are not taken for new files.
#pragma once

#include "scan/scanner.h"

namespace tvn {

class CMPGScanner : public CScanner {
public:
    explicit CMPGScanner(CScanContext& ctx);
    ULONGLONG GetFileSize() override;
    bool IsFileHeader() override;
    UINT GetNextFileNumber() override;
    UINT ReleaseFileNumber() override;

    ULONGLONG GetEndMark() const { return m_ullEndMark; }

protected:
    // A measured stream moves the end mark past it, as the length rule does.
    void LengthMeasured(ULONGLONG length) override {
        m_ullEndMark = CurrentSector() + length / SectorSize();
    }

private:
    ULONGLONG SearchEndCode();

    ULONGLONG m_ullEndMark = 0;
    size_t m_mpegTvSlot;  // "MPEGTV" among the texts the scan looks for
};

}  // namespace tvn
