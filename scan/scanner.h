// The recognizer framework. Every type has one recognizer class derived from
// CScanner. The recognizers of one scan share one 512 KiB buffer and one
// offset (held by the scan's CScanContext): the medium is read once per block
// and every recognizer tests every sector of it in memory.
#pragma once

#include <array>
#include <cstddef>
#include <cstring>
#include <memory>
#include <new>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "app/report.h"
#include "app/types.h"
#include "disk/disk_source.h"
#include "scan/block_buffer.h"
#include "scan/read_ahead.h"
#include "scan/type_table.h"

namespace tvn {

inline constexpr DWORD kScanBufferSize = 524288;  // B, 0x80000

// The per-type file number counters. They live as long as the session: some
// types restart at every new recognizer list, others count on across scans.
struct CTypeCounters {
    std::array<UINT, kTypeCount> value = [] {
        std::array<UINT, kTypeCount> ones{};
        ones.fill(1);
        return ones;
    }();
    UINT& operator[](FileType t) { return value[static_cast<std::size_t>(t)]; }
};

// What the recognizers of one scan share: the medium, the scan buffer and the
// offset of the sector under test.
struct CScanContext {
    CScanContext(CDiskSource& src, CTypeCounters& typeCounters, IReporter& rep)
        : source(src),
          counters(typeCounters),
          reporter(rep),
          buffer(PageAlignedAllocator<BYTE>(&pool)),
          scratch(PageAlignedAllocator<BYTE>(&pool)),
          walkBlock(PageAlignedAllocator<BYTE>(&pool)),
          ahead(src.GetMedium().get(), kScanBufferSize, kReadAheadBlocks, &pool) {}

    CDiskSource& source;
    CTypeCounters& counters;
    IReporter& reporter;
    // The memory of every block of the scan; it outlives them all.
    CBlockPool pool{kScanBufferSize};
    BlockBuffer buffer;  // empty until the scan allocates it
    DWORD offset = 0;          // offset of the sector under test; a multiple of S
    ULONGLONG bufferFilePos = 0;  // byte position on the medium of buffer[0]
    ULONGLONG generation = 0;     // bumped whenever the buffer is (re)filled
    BlockBuffer scratch;          // the length searches' own block, reused
    // What the reads of this scan learnt: unreadable sectors (read around,
    // zeros in the blocks), whether the medium went away, re-reading time.
    CReadHealth health;
    bool blockGone = false;  // the last block read could not be had: the medium has gone
    // Reads n bytes at a byte offset for reading around a failed block: past
    // the page cache as the read-ahead does, or the ordinary way on the
    // straightforward path.
    ssize_t ReadPiece(BYTE* into, size_t n, ULONGLONG pos);
    // The straightforward path's reader, made when first needed.
    std::unique_ptr<CMediumReader> directReader;
    // Reads a whole block at pos into block, reading around unreadable
    // sectors; a failed block gets the console lines of a failed block read
    // and its unreadable sectors are counted in health. Returns what a read
    // returns: the byte count (short at the end of the medium), or -1 when
    // the medium has gone.
    // failed, when given, tells whether the block's read failed.
    ssize_t ReadBlockAt(BYTE* block, size_t n, ULONGLONG pos, bool* failed = nullptr);
    // Counts a block's damage found by the read-ahead, with the same lines.
    void NoteDamage(const ReadDamage& damage, ULONGLONG pos);
    BlockBuffer walkBlock;        // the structure walks' own block, reused

    // The types whose recognizers are in this scan's list, as bits by type
    // id (each recognizer adds its own while it exists). A family's members
    // read it to leave a file to the member its own bytes name.
    uint32_t listedTypes = 0;
    bool Listed(FileType t) const { return (listedTypes >> static_cast<unsigned>(t) & 1U) != 0; }

    // Measure each file's length from its own structure (the type's walk)
    // instead of by the length rules; a file whose structure breaks is
    // measured by the rules and marked as maybe incomplete.
    bool exactLengths = false;

    // While a scan runs, the blocks after the one in the buffer, read on a
    // second thread; the scan and the length searches take them from here.
    // The straightforward path reads everything itself.
    // The longest length searches read 100 blocks past the scan's block; with
    // a window as long, no block is read twice.
    static constexpr size_t kReadAheadBlocks = 100;  // 50 MiB
    // Walks read a file's structure where it lies, not a window after the
    // sector: a shorter lead keeps the reader ahead at a smaller footprint.
    static constexpr size_t kExactReadAheadBlocks = 64;  // 32 MiB
    CReadAhead ahead;

    // Whether a text begins at some position from first to last (inclusive)
    // and lies wholly inside the buffer. The recognizers that look for a text
    // in a window after the sector (maker names, "MThd", "MPEGTV") ask this:
    // each text is searched at most once per block, only as far as the windows
    // asked for reach, and every sector's question is a look-up, however many
    // recognizers ask. With straightforward set, every position of the window
    // is compared instead, and every length is measured anew each time it is
    // asked for (the reference behaviour the fast path must match).
    bool TextInWindow(std::string_view text, size_t first, size_t last);
    // The same by the text's slot (TextSlot, looked up once): for the
    // questions asked at every sector.
    bool TextInWindow(size_t slot, size_t first, size_t last);
    size_t TextSlot(std::string_view text);
    bool straightforward = false;

private:
    struct TextPositions {
        std::string text;
        ULONGLONG generation = ~ULONGLONG{0};
        size_t lo = 0, hi = 0;         // the starts searched: lo up to, not including, hi
        std::vector<uint32_t> starts;  // those found, ascending
    };
    std::vector<TextPositions> m_texts;
};

class CScanner {
public:
    CScanner(CScanContext& ctx, FileType type);
    virtual ~CScanner();
    CScanner(const CScanner&) = delete;
    CScanner& operator=(const CScanner&) = delete;

    // Length in bytes of the file recognised at the current offset; 0 = none,
    // all ones = out of memory. Repeatable, and leaves buffer, offset and the
    // descriptor's file offset as it found them.
    virtual ULONGLONG GetFileSize() = 0;
    // Whether a file of this type begins at the current offset; reads only
    // bytes inside the buffer.
    virtual bool IsFileHeader() = 0;
    virtual bool CheckFile(DWORD, DWORD) { return true; }
    // False when no file of this type can begin at a sector whose key byte
    // (KeyByteOffset() bytes into the sector) is b, so that IsFileHeader
    // would answer false there. The scan then need not ask. Types whose test
    // turns on no one byte say true.
    virtual bool CanStartWith(BYTE /*b*/) const { return true; }
    virtual size_t KeyByteOffset() const { return 0; }
    virtual UINT GetNextFileNumber() { return 0; }
    virtual UINT ReleaseFileNumber() { return 0; }

    // The length the scan records for the file at the current offset: with
    // exact lengths (CScanContext::exactLengths) what the type's structure
    // walk measures, or GetFileSize when the walk breaks; otherwise
    // GetFileSize. Repeatable like GetFileSize.
    ULONGLONG FileLength();
    // Whether the last FileLength could not follow the file's structure to
    // its end (the file may be incomplete or carry foreign bytes).
    bool MayBeIncomplete() const { return m_mayBeIncomplete; }

    // Allocates the shared buffer (zeroed) and records its size.
    BYTE* AllocBuffer(DWORD size);
    // Reads the next block at the descriptor's file offset into the shared
    // buffer; an unreadable block becomes zeros and is skipped.
    bool ReadBlock();
    void SetOffset(DWORD offset) { m_ctx.offset = offset; }
    DWORD GetOffset() const { return m_ctx.offset; }
    DWORD GetBufferSize() const { return static_cast<DWORD>(m_ctx.buffer.size()); }
    const std::string& GetTypeName() const { return m_strType; }
    FileType GetType() const { return m_type; }
    void SetSearching(bool searching) { m_bSearching = searching; }
    bool IsSearching() const { return m_bSearching; }
    CScanContext& Context() { return m_ctx; }

protected:
    // The shared buffer as bytes, and bounded tests on it: bytes past the end
    // of the buffer take part in no match.
    std::span<const BYTE> Buf() const { return {m_ctx.buffer.data(), m_ctx.buffer.size()}; }
    bool Has(size_t pos, size_t n) const { return pos <= m_ctx.buffer.size() && n <= m_ctx.buffer.size() - pos; }
    bool Match(size_t pos, const void* bytes, size_t n) const {
        return Has(pos, n) && std::memcmp(m_ctx.buffer.data() + pos, bytes, n) == 0;
    }
    DWORD SectorSize() const { return m_ctx.source.GetSectorSizeU(); }
    // Length of the RIFF chunk at the current offset: its little-endian size
    // at offset 4, which counts what follows the 8-byte header, plus 8.
    ULONGLONG RiffChunkLength() const {
        const size_t p = m_ctx.offset;
        if (!Has(p + 4, 4)) return 0;
        const BYTE* b = m_ctx.buffer.data() + p + 4;
        return (ULONGLONG{b[0]} | ULONGLONG{b[1]} << 8 | ULONGLONG{b[2]} << 16 |
                ULONGLONG{b[3]} << 24) + 8;
    }
    // Whether the file at the current offset belongs to another member of
    // this recognizer's family: owner is the type the file's own bytes name,
    // and that type's recognizer is in the list. One start, one entry.
    bool LeftToOther(std::optional<FileType> owner) const {
        return owner && *owner != m_type && m_ctx.Listed(*owner);
    }

    // Absolute sector of the sector under test (S of the MP3 and MPG rules).
    ULONGLONG CurrentSector() const;
    // Told the length a walk measured for the file at the current offset
    // (the types that remember where their last file ends).
    virtual void LengthMeasured(ULONGLONG /*length*/) {}

    // Repeatability: the answer for a start is remembered, so asking again
    // for the same start (the scan asks three times per hit) costs nothing.
    template <class Measure>
    ULONGLONG Memoized(Measure&& measure) {
        if (m_ctx.straightforward) return measure();
        const ULONGLONG key = m_ctx.bufferFilePos + m_ctx.offset;
        if (m_memoValid && m_memoKey == key && m_memoGeneration == m_ctx.generation) {
            return m_memoValue;
        }
        m_memoValue = measure();
        m_memoKey = key;
        m_memoGeneration = m_ctx.generation;
        m_memoValid = true;
        return m_memoValue;
    }

    // Counter rules shared by most types.
    UINT HandOutThenAdd() { return m_ctx.counters[m_type]++; }
    UINT HandOutThenSubtract() { return m_ctx.counters[m_type]--; }
    UINT AddThenHandOut() { return ++m_ctx.counters[m_type]; }
    UINT SubtractThenHandOut() { return --m_ctx.counters[m_type]; }
    void ResetCounter(UINT value) { m_ctx.counters[m_type] = value; }

    std::string m_strType;
    bool m_bSearching = false;
    CScanContext& m_ctx;
    FileType m_type;

private:
    ULONGLONG MeasureExactly();

    bool m_mayBeIncomplete = false;
    bool m_exactValid = false;
    ULONGLONG m_exactKey = 0;
    ULONGLONG m_exactGeneration = 0;
    ULONGLONG m_exactValue = 0;
    bool m_exactIncomplete = false;
    bool m_memoValid = false;
    ULONGLONG m_memoKey = 0;
    ULONGLONG m_memoGeneration = 0;
    ULONGLONG m_memoValue = 0;
};

// Creates the recognizers for the chosen types, always in list order whatever
// order the types were chosen in.
std::vector<std::unique_ptr<CScanner>> BuildRecognizerList(CScanContext& ctx,
                                                           std::span<const FileType> types);
std::unique_ptr<CScanner> MakeRecognizer(CScanContext& ctx, FileType type);

}  // namespace tvn
