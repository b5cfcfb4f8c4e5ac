// The base of the recognizers of today's camera and phone formats (the types
// after the classic nineteen). Their files are measured by their own
// structure in both length modes: the type's walk, and where it breaks, the
// forward header search for the next file of the type. File numbers start at
// 1 in every scan.
#pragma once

#include "scan/forward_search.h"
#include "scan/scanner.h"

namespace tvn {

class CWalkedScanner : public CScanner {
public:
    CWalkedScanner(CScanContext& ctx, FileType type, ForwardSearchParams fallback);
    ULONGLONG GetFileSize() override;
    UINT GetNextFileNumber() override { return HandOutThenAdd(); }

protected:
    // The walk's length from the current offset, or 0 when it breaks.
    ULONGLONG WalkedLength();

private:
    ForwardSearchParams m_fallback;
};

}  // namespace tvn
