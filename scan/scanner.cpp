#include "scan/scanner.h"

#include <algorithm>
#include <unistd.h>

#include "disk/io.h"

namespace tvn {

CScanner::CScanner(CScanContext& ctx, FileType type)
    : m_hDevice(ctx.source.GetHandle()), m_strType(TypeName(type)), m_ctx(ctx), m_type(type) {
    // The buffer is allocated by the scan, after all recognizers of the job exist.
    m_ctx.buffer.clear();
}

BYTE* CScanner::AllocBuffer(DWORD size) {
    m_ctx.buffer.assign(size, 0);
    m_ctx.offset = 0;
    ++m_ctx.generation;
    return m_ctx.buffer.data();
}

bool CScanner::ReadBlock() {
    std::vector<BYTE>& buf = m_ctx.buffer;
    std::fill(buf.begin(), buf.end(), BYTE{0});
    ++m_ctx.generation;
    const int64_t before = TellFd(m_hDevice);
    const ULONGLONG start = before >= 0 ? static_cast<ULONGLONG>(before) : 0;
    m_ctx.bufferFilePos = start;
    const ssize_t got = ReadFully(m_hDevice, buf.data(), buf.size());
    if (got >= 0) return true;  // a short read near the end leaves the rest zero

    m_ctx.reporter.Console("Failed to read data from disk\nFile pointer is at :" +
                           std::to_string(start) + "\n");
    std::fill(buf.begin(), buf.end(), BYTE{0});
    ::lseek(m_hDevice, static_cast<off_t>(start + buf.size()), SEEK_SET);
    return false;
}

ULONGLONG CScanner::CurrentSector() const {
    const DWORD s = SectorSize();
    return m_ctx.source.GetPosition() - kScanBufferSize / s + m_ctx.offset / s;
}

std::vector<std::unique_ptr<CScanner>> BuildRecognizerList(CScanContext& ctx,
                                                           std::span<const FileType> types) {
    std::vector<std::unique_ptr<CScanner>> list;
    for (const TypeFacts& f : kTypes) {
        if (std::find(types.begin(), types.end(), f.type) != types.end()) {
            list.push_back(MakeRecognizer(ctx, f.type));
        }
    }
    return list;
}

}  // namespace tvn
