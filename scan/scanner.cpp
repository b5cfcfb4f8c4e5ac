#include "scan/scanner.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <unistd.h>

#include "disk/io.h"
#include "scan/exact/scan_byte_source.h"
#include "scan/exact/walks.h"
#include "scan/text_search.h"

namespace tvn {

size_t CScanContext::TextSlot(std::string_view text) {
    const auto it = std::find_if(m_texts.begin(), m_texts.end(),
                                 [&](const TextPositions& t) { return t.text == text; });
    if (it != m_texts.end()) return static_cast<size_t>(it - m_texts.begin());
    m_texts.push_back({std::string(text), ~ULONGLONG{0}, 0, 0, {}});
    return m_texts.size() - 1;
}

bool CScanContext::TextInWindow(std::string_view text, size_t first, size_t last) {
    if (text.empty()) return false;
    return TextInWindow(TextSlot(text), first, last);
}

bool CScanContext::TextInWindow(size_t slot, size_t first, size_t last) {
    TextPositions& t = m_texts[slot];
    const std::string_view text = t.text;
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
    // The starts from lo up to hi have been searched. Sectors ask in rising
    // order, so the searched range only grows and no byte of the block is
    // searched twice for one text. It grows by at least kStride at a time:
    // the text asked for at every sector is found with a few long searches
    // instead of one short one per sector. A text nobody asks for in a block
    // is not searched there at all.
    if (t.generation != generation || first < t.lo || first > t.hi) {
        t.generation = generation;
        t.lo = t.hi = first;
        t.starts.clear();
    }
    if (last >= t.hi) {
        constexpr size_t kStride = 65536;
        const size_t from = t.hi;
        const size_t to = std::max(last, std::min(from + kStride, buffer.size() - n));
        FindText({buffer.data() + from, to + n - from}, text, t.starts,
                 static_cast<uint32_t>(from));
        t.hi = to + 1;
    }
    const auto pos = std::lower_bound(t.starts.begin(), t.starts.end(), first);
    return pos != t.starts.end() && *pos <= last;
}

CScanner::CScanner(CScanContext& ctx, FileType type)
    : m_strType(TypeName(type)), m_ctx(ctx), m_type(type) {
    // The buffer is allocated by the scan, after all recognizers of the job exist.
    m_ctx.buffer.clear();
    m_ctx.listedTypes |= uint32_t{1} << static_cast<unsigned>(type);
}

CScanner::~CScanner() { m_ctx.listedTypes &= ~(uint32_t{1} << static_cast<unsigned>(m_type)); }

BYTE* CScanner::AllocBuffer(DWORD size) {
    AssignZeros(m_ctx.buffer, size);
    m_ctx.offset = 0;
    ++m_ctx.generation;
    return m_ctx.buffer.data();
}

ssize_t CScanContext::ReadPiece(BYTE* into, size_t n, ULONGLONG pos) {
    if (!straightforward) return ahead.ReadPiece(into, n, pos);
    // Past the page cache too, so that both paths lose the same sectors.
    if (!source.GetMedium()) {
        errno = EBADF;
        return -1;
    }
    if (!directReader) directReader = std::make_unique<CMediumReader>(*source.GetMedium());
    return directReader->Read(into, n, pos);
}

void CScanContext::NoteDamage(const ReadDamage& damage, ULONGLONG pos) {
    if (!damage.failed) return;
    reporter.Console("Failed to read data from disk\nFile pointer is at :" + std::to_string(pos) +
                     "\n");
    health.AddUnreadable(damage.bad);
}

ssize_t CScanContext::ReadBlockAt(BYTE* block, size_t n, ULONGLONG pos, bool* failed) {
    const ReadAroundResult r = ReadAround(
        [this](BYTE* into, size_t len, uint64_t off) { return ReadPiece(into, len, off); }, block,
        n, pos, source.GetSectorSizeU(), health);
    NoteDamage({r.failed, r.gone, r.bad}, pos);
    if (failed != nullptr) *failed = r.failed;
    return r.got;
}

bool CScanner::ReadBlock() {
    BlockBuffer& buf = m_ctx.buffer;
    ++m_ctx.generation;
    const ULONGLONG start = m_ctx.source.Tell();
    m_ctx.bufferFilePos = start;
    const ULONGLONG after = start + buf.size();

    // A block that cannot be read whole is read around: only the sectors
    // that cannot be read are zeros, with the console lines of a failed read.
    ssize_t got = 0;
    ReadDamage damage;
    if (const auto held =
            m_ctx.straightforward ? std::nullopt : m_ctx.ahead.Take(start, buf, &damage)) {
        got = *held;
        m_ctx.NoteDamage(damage, start);
    } else {
        got = m_ctx.ReadBlockAt(buf.data(), buf.size(), start, &damage.failed);
    }
    m_ctx.source.Seek(after);
    if (!m_ctx.straightforward) m_ctx.ahead.MoveTo(after);

    m_ctx.blockGone = got < 0;
    if (got >= 0) {
        // A short read near the end of the medium leaves the rest zero.
        std::fill(buf.begin() + got, buf.end(), BYTE{0});
        return !damage.failed;
    }
    // The medium has gone: the block is zeros and the scan ends.
    std::fill(buf.begin(), buf.end(), BYTE{0});
    return false;
}

ULONGLONG CScanner::FileLength() {
    if (!m_ctx.exactLengths) return GetFileSize();
    const ULONGLONG key = m_ctx.bufferFilePos + m_ctx.offset;
    if (!m_ctx.straightforward && m_exactValid && m_exactKey == key &&
        m_exactGeneration == m_ctx.generation) {
        m_mayBeIncomplete = m_exactIncomplete;
        return m_exactValue;
    }
    const ULONGLONG length = MeasureExactly();
    m_exactValid = true;
    m_exactKey = key;
    m_exactGeneration = m_ctx.generation;
    m_exactValue = length;
    m_exactIncomplete = m_mayBeIncomplete;
    return length;
}

ULONGLONG CScanner::MeasureExactly() {
    WalkResult walk;
    try {
        CScanByteSource bytes(m_ctx, ExactLengthLimit(m_type));
        walk = WalkFile(m_type, bytes);
    } catch (const std::bad_alloc&) {
        walk = WalkResult::Broken();
    }
    if (!walk.measured) {
        // The structure broke (overwritten, fragmented, or no file of the
        // type after all): the length rules decide, and the file is marked.
        m_mayBeIncomplete = true;
        return GetFileSize();
    }
    m_mayBeIncomplete = walk.openEnded;
    LengthMeasured(walk.length);
    return walk.length;
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
