#include "scan/scan_job.h"

#include <algorithm>
#include <array>
#include <fmt/format.h>
#include <unistd.h>

#include "scan/exact/walks.h"

namespace tvn {

namespace {

// How far ahead of the sector under test its bytes are fetched into the cache.
constexpr DWORD kPrefetchAhead = 8192;

}  // namespace

CScanJob::CScanJob(CDiskSource& source, CDirectoryTree& tree, CTypeCounters& counters,
                   CJobControl& control, IReporter& reporter)
    : m_source(source),
      m_tree(tree),
      m_control(control),
      m_reporter(reporter),
      m_ctx(source, counters, reporter) {}

bool CScanJob::SetTypes(std::span<const FileType> types) {
    m_tree.RemoveAll();
    m_list.clear();
    m_list = BuildRecognizerList(m_ctx, types);
    return !m_list.empty();
}

namespace {

// Which recognizers to ask at a sector, as bits in list order: those whose
// key byte can begin a file. Each recognizer's key byte is the sector's first
// or fifth; one that looks elsewhere is always asked. The straightforward
// reference path asks every recognizer everywhere.
struct AskTables {
    std::array<uint32_t, 256> byByte0{};
    std::array<uint32_t, 256> byByte4{};

    uint32_t At(const BYTE* here) const { return byByte0[here[0]] & byByte4[here[4]]; }
};

AskTables MakeAskTables(const std::vector<std::unique_ptr<CScanner>>& list,
                        bool straightforward) {
    static_assert(kTypeCount <= 32);
    AskTables tables;
    for (size_t i = 0; i < list.size(); ++i) {
        const CScanner& r = *list[i];
        const size_t key = r.KeyByteOffset();
        for (unsigned b = 0; b < 256; ++b) {
            const bool may = straightforward || (key != 0 && key != 4) ||
                             r.CanStartWith(static_cast<BYTE>(b));
            if (key != 0 || may) tables.byByte0[b] |= uint32_t{1} << i;
            if (key != 4 || may) tables.byByte4[b] |= uint32_t{1} << i;
        }
    }
    return tables;
}

// A JPEG inside any file measured whole (the preview of a raw file, a
// thumbnail in a movie) is part of that file, not a file of its own: the
// list index of the JPEG recognizer, or the list's size when there is none.
size_t JpegIndex(const std::vector<std::unique_ptr<CScanner>>& list) {
    size_t jpegIndex = list.size();
    for (size_t i = 0; i < list.size(); ++i) {
        if (list[i]->GetType() == FileType::JPG) jpegIndex = i;
    }
    return jpegIndex;
}

}  // namespace

JobOutcome CScanJob::Run() {
    if (m_list.empty()) return Refuse();
    const ULONGLONG S = m_source.GetSectorSizeU();
    const Geometry g{S, kScanBufferSize / S, m_source.GetTotalSectors()};
    // The reader on the second thread ends with the scan, however it ends.
    struct StopReader {
        CReadAhead& ahead;
        ~StopReader() { ahead.Stop(); }
    } stopReader{m_ctx.ahead};
    const ULONGLONG from = Begin(g);
    PrepareCoverage();
    const bool gone = ScanSectors(from, g);
    return End(gone);
}

JobOutcome CScanJob::Refuse() {
    JobOutcome outcome;
    outcome.result = JobResult::Refused;
    // The front end shows why, with the end of every job.
    outcome.message = "Please Select File types";
    m_reporter.Finished();
    return outcome;
}

// Puts the source at the sector the scan begins at, resets what is known of
// the medium's health, starts the reader on the second thread and reads the
// first block. Returns the sector the scan begins at.
ULONGLONG CScanJob::Begin(const Geometry& g) {
    const ULONGLONG S = g.sectorSize;
    // The opening left the file offset at the start sector; a source that was
    // scanned before is put back there.
    // A scan that goes on from a checkpoint begins at the block it names.
    const ULONGLONG from =
        m_resumeAt && *m_resumeAt >= m_source.GetStartSector() && *m_resumeAt < g.total
            ? *m_resumeAt
            : m_source.GetStartSector();
    if (m_resumeAt) m_control.FileCounter().store(m_resumeFiles);
    m_source.Seek(from * S);
    m_source.SetPosition(0);
    // Unreadable sectors are read around and counted afresh for every scan.
    m_ctx.health.Reset(m_ctx.health.Limits());
    if (!m_known.empty()) m_ctx.health.AddUnreadable(m_known);
    m_ctx.blockGone = false;
    m_ctx.ahead.SetReadAround(&m_ctx.health, static_cast<uint32_t>(S));
    // While this scan runs, the blocks ahead of it are read on a second thread.
    m_ctx.ahead.SetCapacity(m_ctx.exactLengths ? CScanContext::kExactReadAheadBlocks
                                               : CScanContext::kReadAheadBlocks);
    if (!m_ctx.straightforward) m_ctx.ahead.Start(g.total * S);
    m_ctx.ahead.MoveTo(from * S);
    CScanner& first = *m_list.front();
    first.AllocBuffer(kScanBufferSize);
    first.SetOffset(0);
    first.ReadBlock();

    // From here on, the source's position is the sector that follows the
    // block in the buffer.
    m_lastCheckpoint = std::chrono::steady_clock::now();
    m_source.SetPosition(g.sectorsPerBlock + from);
    m_control.ScanProgress().store(~ULONGLONG{0});
    return from;
}

// With exact lengths, a recognizer is not asked inside the last file it
// measured whole: the starts there (a JPEG's previews, a movie's inner atoms)
// belong to that file. Nothing is covered when the scan begins; the
// found-bytes total counts on from where a checkpoint left it.
void CScanJob::PrepareCoverage() {
    m_coveredUntil.assign(m_list.size(), 0);
    m_foundUntil = m_resumeAt ? m_resumeFoundUntil : 0;
}

// Asks the recognizers in ask (bits in list order) whether a file begins at
// the sector under test, and records each one whose length the scan keeps.
// False when the run flag was cleared meanwhile: the scan stops.
bool CScanJob::TestSector(uint32_t ask, ULONGLONG sector, ULONGLONG position, ULONGLONG S,
                          ULONGLONG K, size_t jpegIndex, uint32_t& covered) {
    for (; ask != 0; ask &= ask - 1) {
        const auto index = static_cast<size_t>(__builtin_ctz(ask));
        CScanner* recognizer = m_list[index].get();
        if (recognizer->IsFileHeader()) {
            const ULONGLONG length = recognizer->FileLength();
            // The newer types measure by their structure in both modes, so
            // their longest files (a camcorder's clips) stay listed.
            const FileType type = recognizer->GetType();
            if (length > kMinFileLength &&
                (m_ctx.exactLengths || !IsClassicType(type) ? length <= ExactLengthLimit(type)
                                                            : length < kMaxFileLength)) {
                RecordHit(*recognizer, position, K);
                if (m_ctx.exactLengths && !recognizer->MayBeIncomplete()) {
                    m_coveredUntil[index] = sector + (length + S - 1) / S;
                    covered |= uint32_t{1} << index;
                    if (jpegIndex < m_list.size() && jpegIndex != index &&
                        m_coveredUntil[index] > m_coveredUntil[jpegIndex]) {
                        m_coveredUntil[jpegIndex] = m_coveredUntil[index];
                        covered |= uint32_t{1} << jpegIndex;
                    }
                }
            }
        }
        if (!m_control.Poll()) return false;
    }
    return true;
}

// The walk over the sectors, from the first block (already in the buffer) to
// the end of the medium, a stop, or a block the medium can no longer give.
// The per-sector work is kept here, in locals, as one loop: it runs for every
// sector of the medium, and what it reads at every sector (the tables, the
// sector size) lives in this function's own frame, not behind a reference.
// Returns whether the medium went away.
bool CScanJob::ScanSectors(ULONGLONG from, const Geometry& g) {
    const ULONGLONG S = g.sectorSize;
    const ULONGLONG K = g.sectorsPerBlock;
    const ULONGLONG total = g.total;
    const AskTables tables = MakeAskTables(m_list, m_ctx.straightforward);
    const size_t jpegIndex = JpegIndex(m_list);
    // The sector that follows the block in the buffer.
    ULONGLONG position = K + from;
    // Which recognizers are inside a file they measured whole, as bits in
    // list order; the file ends are in m_coveredUntil.
    uint32_t covered = 0;
    ULONGLONG progressAt = ~ULONGLONG{0};  // the position the percentage was worked out for
    // The sector under test, position - K + offset / S, counted along
    // instead of divided out at every sector.
    ULONGLONG sector = from;
    // A medium that has gone away is not read as zeros to its end: the scan
    // ends with what it has found once it comes to a block it cannot have.
    bool gone = m_ctx.blockGone;
    for (;;) {
        if (gone) break;
        const DWORD offset = m_ctx.offset;
        // Every sector of the medium is offered, up to its very end; nothing
        // past the end is tested.
        if (sector >= total) break;

        if (position != progressAt) {
            progressAt = position;
            ReportProgress(position, total);
        }

        const BYTE* here = m_ctx.buffer.data() + offset;
        // The sectors ahead are fetched while this one is tested: the block
        // was read on the other thread, so little of it is in this core's
        // cache.
        if (offset + kPrefetchAhead < kScanBufferSize) __builtin_prefetch(here + kPrefetchAhead);
        uint32_t ask = tables.At(here);
        if (covered != 0) ask &= ~Uncover(covered, sector);
        if (ask != 0 && !TestSector(ask, sector, position, S, K, jpegIndex, covered)) break;
        if (!m_control.Poll()) break;

        if (offset + S < kScanBufferSize) {
            m_ctx.offset = static_cast<DWORD>(offset + S);
            ++sector;
        } else {
            if (covered != 0) Uncover(covered, position);
            gone = NextBlock(position, covered == 0, g);
            position += K;
            sector = position - K;
        }
    }
    return gone;
}

// The percentage of the medium behind position, told when it changes.
void CScanJob::ReportProgress(ULONGLONG position, ULONGLONG total) {
    const ULONGLONG percent = std::min(position, total) * 100 / total;
    if (percent != m_control.ScanProgress().load(std::memory_order_relaxed)) {
        m_control.ScanProgress().store(percent);
        m_reporter.Progress(percent);
    }
}

// Between two blocks: a checkpoint when it is time and no file measured
// whole reaches past the block (mayCheckpoint; its inner starts are not
// asked for, which a scan starting here would not know), then the next block
// into the buffer. position is the sector the next block begins at. Returns
// whether the medium went away.
bool CScanJob::NextBlock(ULONGLONG position, bool mayCheckpoint, const Geometry& g) {
    if (m_checkpoint && mayCheckpoint && position < g.total &&
        std::chrono::steady_clock::now() - m_lastCheckpoint >= m_checkpointInterval) {
        m_checkpoint(position);
        m_lastCheckpoint = std::chrono::steady_clock::now();
    }
    m_list.front()->ReadBlock();
    const bool gone = m_ctx.blockGone;
    m_ctx.offset = 0;
    m_source.SetPosition(position + g.sectorsPerBlock);
    return gone;
}

// How the scan ended, said through the reporter and in the outcome.
JobOutcome CScanJob::End(bool gone) {
    m_ctx.ahead.Stop();
    JobOutcome outcome;
    outcome.done = m_control.FileCounter().load();
    outcome.result = m_control.IsRunning() ? JobResult::Completed : JobResult::Stopped;
    if (const uint64_t bad = m_ctx.health.UnreadableSectors(); bad > 0) {
        m_reporter.Console(fmt::format("Unreadable sectors :{}\n", bad));
        outcome.AddError(fmt::format(
            "{} sector(s) could not be read; they were scanned as zeros", bad));
    }
    if (gone) {
        // The medium went away: what was found before stays, the rest of the
        // medium was not scanned.
        m_reporter.Message(kDisconnectedRestart, "Error", MsgIcon::Error);
        outcome.result = JobResult::Failed;
        outcome.message = std::string(kDisconnectedRestart);
        outcome.AddError(outcome.message);
    }
    m_reporter.Finished();
    return outcome;
}

uint32_t CScanJob::Uncover(uint32_t& covered, ULONGLONG sector) const {
    for (uint32_t bits = covered; bits != 0; bits &= bits - 1) {
        const auto i = static_cast<size_t>(__builtin_ctz(bits));
        if (sector >= m_coveredUntil[i]) covered &= ~(uint32_t{1} << i);
    }
    return covered;
}

void CScanJob::RecordHit(CScanner& recognizer, ULONGLONG position, ULONGLONG sectorsPerBlock) {
    const std::string& type = recognizer.GetTypeName();
    CFolderNode* folder = m_tree.FindFolder(type);
    if (folder == nullptr) {
        m_tree.InsertFolder(type);
        ++m_tree.m_ullFolderCount;
        folder = m_tree.FindFolder(type);
    }
    const ULONGLONG length = recognizer.FileLength();
    const ULONGLONG S = m_source.GetSectorSizeU();
    const ULONGLONG start = position + m_ctx.offset / S - sectorsPerBlock;
    const ULONGLONG end = start + length / S;

    const ULONGLONG counter = ++m_control.FileCounter();
    m_reporter.SetFileCounterText(std::to_string(counter));
    const std::string shortName = fmt::format("file# {}.", recognizer.GetNextFileNumber());
    m_reporter.SetLastFileText(shortName + folder->GetName());
    CFileNode* node = folder->InsertFile(shortName, start, end, length);
    if (m_ctx.exactLengths) {
        node->SetLength(recognizer.MayBeIncomplete() ? CFileNode::Length::MayBeIncomplete
                                                     : CFileNode::Length::Measured);
    }
    if (m_ctx.exactLengths) {
        // Files that overlap (a length the rules guessed for a broken file
        // runs into the next) count their shared bytes once: the total never
        // exceeds the medium.
        const ULONGLONG first = start * S;
        const ULONGLONG last = first + length;
        if (last > m_foundUntil) {
            m_tree.m_ullFoundBytes += last - std::max(first, m_foundUntil);
            m_foundUntil = last;
        }
        return;
    }
    m_tree.m_ullFoundBytes += recognizer.FileLength();
}

}  // namespace tvn
