#include "scan/recognizers/walked_scanner.h"

#include <new>

#include "scan/exact/scan_byte_source.h"
#include "scan/exact/walks.h"

namespace tvn {

CWalkedScanner::CWalkedScanner(CScanContext& ctx, FileType type, ForwardSearchParams fallback)
    : CScanner(ctx, type), m_fallback(fallback) {
    ResetCounter(1);
}

ULONGLONG CWalkedScanner::WalkedLength() {
    try {
        CScanByteSource bytes(m_ctx, ExactLengthLimit(m_type));
        const WalkResult walk = WalkFile(m_type, bytes);
        return walk.measured ? walk.length : 0;
    } catch (const std::bad_alloc&) {
        return 0;
    }
}

ULONGLONG CWalkedScanner::GetFileSize() {
    return Memoized([this] {
        const ULONGLONG walked = WalkedLength();
        return walked != 0 ? walked : ForwardHeaderSearch(*this, m_fallback);
    });
}

}  // namespace tvn
