#include "scan/scanner.h"

#include <algorithm>
#include <cstring>
#include <unistd.h>

#include "disk/io.h"

namespace tvn {

namespace {

// Calls found(position) for every position, in rising order, at which text
// begins and lies wholly inside data. The C library's memchr (vectorised)
// finds the text's last byte; only there is the whole text compared.
template <class Found>
void FindAll(std::span<const BYTE> data, std::string_view text, Found&& found) {
    const size_t n = text.size();
    if (n == 0 || n > data.size()) return;
    const BYTE* base = data.data();
    const BYTE* end = base + data.size();
    const int last = static_cast<unsigned char>(text[n - 1]);
    for (const BYTE* p = base + (n - 1); p < end;) {
        const auto* hit = static_cast<const BYTE*>(std::memchr(p, last, static_cast<size_t>(end - p)));
        if (hit == nullptr) break;
        const BYTE* start = hit - (n - 1);
        if (std::memcmp(start, text.data(), n - 1) == 0) found(static_cast<size_t>(start - base));
        p = hit + 1;
    }
}

}  // namespace

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
        FindAll({buffer.data(), buffer.size()}, text,
                [&](size_t at) { it->starts.push_back(static_cast<uint32_t>(at)); });
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
    BlockBuffer& buf = m_ctx.buffer;
    ++m_ctx.generation;
    const int64_t before = TellFd(m_hDevice);
    const ULONGLONG start = before >= 0 ? static_cast<ULONGLONG>(before) : 0;
    m_ctx.bufferFilePos = start;
    const ULONGLONG after = start + buf.size();

    ssize_t got = 0;
    if (const auto held = m_ctx.straightforward ? std::nullopt : m_ctx.ahead.Take(start, buf)) {
        got = *held;
        ::lseek(m_hDevice, static_cast<off_t>(after), SEEK_SET);
    } else {
        got = ReadFully(m_hDevice, buf.data(), buf.size());
    }
    if (!m_ctx.straightforward) m_ctx.ahead.MoveTo(after);

    if (got >= 0) {
        // A short read near the end of the medium leaves the rest zero.
        std::fill(buf.begin() + got, buf.end(), BYTE{0});
        return true;
    }
    m_ctx.reporter.Console("Failed to read data from disk\nFile pointer is at :" +
                           std::to_string(start) + "\n");
    std::fill(buf.begin(), buf.end(), BYTE{0});
    ::lseek(m_hDevice, static_cast<off_t>(after), SEEK_SET);
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
