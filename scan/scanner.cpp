#include "scan/scanner.h"

#include <algorithm>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

#include "disk/io.h"

namespace tvn {

bool CScanContext::TextInWindow(std::string_view text, size_t first, size_t last) {
    const size_t n = text.size();
    if (n == 0 || n > buffer.size() || first > last) return false;
    last = std::min(last, buffer.size() - n);  // wholly inside the buffer
    if (first > last) return false;
    if (straightforward) {
        for (size_t i = first; i <= last; ++i) {
            if (std::memcmp(buffer.data() + i, text.data(), n) == 0) return true;
        }
        return false;
    }
    auto it = std::find_if(m_texts.begin(), m_texts.end(),
                           [&](const TextPositions& t) { return t.text == text; });
    if (it == m_texts.end()) {
        m_texts.push_back({std::string(text), ~ULONGLONG{0}, {}});
        it = std::prev(m_texts.end());
    }
    if (it->generation != generation) {
        // One pass over the block for this text.
        it->starts.clear();
        const BYTE* base = buffer.data();
        const BYTE* end = base + buffer.size();
        for (const BYTE* p = base; p + n <= end;) {
            const void* hit = ::memmem(p, static_cast<size_t>(end - p), text.data(), n);
            if (hit == nullptr) break;
            const BYTE* h = static_cast<const BYTE*>(hit);
            it->starts.push_back(static_cast<uint32_t>(h - base));
            p = h + 1;
        }
        it->generation = generation;
    }
    const auto pos = std::lower_bound(it->starts.begin(), it->starts.end(), first);
    return pos != it->starts.end() && *pos <= last;
}

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
    ++m_ctx.generation;
    const int64_t before = TellFd(m_hDevice);
    const ULONGLONG start = before >= 0 ? static_cast<ULONGLONG>(before) : 0;
    m_ctx.bufferFilePos = start;
    const ssize_t got = ReadFully(m_hDevice, buf.data(), buf.size());
    if (got >= 0) {
        // A short read near the end of the medium leaves the rest zero.
        std::fill(buf.begin() + got, buf.end(), BYTE{0});
        // Let the device fetch the next block while this one is tested.
        ::posix_fadvise(m_hDevice, static_cast<off_t>(start + buf.size()),
                        static_cast<off_t>(buf.size()), POSIX_FADV_WILLNEED);
        return true;
    }

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
