// The scan: walks the medium from its start sector to its end, block by block
// and sector by sector, asks every recognizer of the list at every sector, and
// records each accepted file in the catalogue. Run() is the worker body; a
// front end runs it on a thread of its own and talks to it through the
// CJobControl (run flag, pause gate, counters) and its IReporter.
#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "app/job_control.h"
#include "app/job_outcome.h"
#include "app/report.h"
#include "catalog/directory_tree.h"
#include "disk/disk_source.h"
#include "scan/scanner.h"

namespace tvn {

// Lengths the scan keeps: strictly between these two.
inline constexpr ULONGLONG kMinFileLength = 1024;
inline constexpr ULONGLONG kMaxFileLength = 104857600;  // 0x6400000

class CScanJob {
public:
    CScanJob(CDiskSource& source, CDirectoryTree& tree, CTypeCounters& counters,
             CJobControl& control, IReporter& reporter);

    // Empties the catalogue and builds the recognizer list for the chosen types
    // in list order. False (and no list) when no type is chosen.
    bool SetTypes(std::span<const FileType> types);

    // Uses the given recognizers (made on Context()) as the list, as they are.
    void SetRecognizers(std::vector<std::unique_ptr<CScanner>> list) { m_list = std::move(list); }

    // The worker body. Sends Finished() at the end and says how the scan
    // ended: completed (the whole medium was read), stopped (the run flag was
    // cleared; what was found so far stays in the catalogue) or refused (no
    // recognizer to ask, said through the reporter). done is the number of
    // files found.
    JobOutcome Run();

    // Measure each file from its own structure (see CScanContext::exactLengths).
    void SetExactLengths(bool exact) { m_ctx.exactLengths = exact; }
    bool ExactLengths() const { return m_ctx.exactLengths; }

    const std::vector<std::unique_ptr<CScanner>>& Recognizers() const { return m_list; }

    // Checkpoints: every interval, between two blocks, the scan calls fn on
    // its own thread with the sector the next block begins at; the catalogue
    // then holds everything found before that sector, and nothing the scan
    // keeps from one block to the next is lost when it starts there again.
    using CheckpointFn = std::function<void(ULONGLONG nextSector)>;
    void SetCheckpoint(CheckpointFn fn, std::chrono::milliseconds interval) {
        m_checkpoint = std::move(fn);
        m_checkpointInterval = interval;
    }
    // Goes on from a checkpoint: begins at nextSector (a sector a checkpoint
    // was made at) with the catalogue as the checkpoint had it, files found
    // so far and, with exact lengths, the byte after the farthest file found
    // (the found-bytes total counts on from there). Call after SetTypes,
    // which empties the catalogue.
    void ResumeAt(ULONGLONG nextSector, uint64_t files, ULONGLONG foundUntil = 0) {
        m_resumeAt = nextSector;
        m_resumeFiles = files;
        m_resumeFoundUntil = foundUntil;
    }
    // Sectors known to be unreadable before the scan begins (found by the
    // part of the scan before a checkpoint, or never read by the rescue copy
    // the medium was made by): counted and listed with what the scan finds.
    void AddKnownUnreadable(const std::vector<SectorRange>& ranges) {
        m_known.insert(m_known.end(), ranges.begin(), ranges.end());
    }
    // At a checkpoint: the byte after the farthest file measured whole.
    ULONGLONG FoundUntil() const { return m_foundUntil; }

    // After Run: the sectors that could not be read (zeros to the
    // recognizers), as a count and as ranges, and whether the medium went
    // away during the scan (the scan then ended early, after the
    // disconnection message).
    uint64_t UnreadableSectors() const { return m_ctx.health.UnreadableSectors(); }
    std::vector<SectorRange> UnreadableRanges() const { return m_ctx.health.UnreadableRanges(); }
    bool MediumLost() const { return m_ctx.blockGone; }
    CScanContext& Context() { return m_ctx; }

private:
    // The sector size, the sectors per block and the sectors of the medium.
    struct Geometry {
        ULONGLONG sectorSize;
        ULONGLONG sectorsPerBlock;
        ULONGLONG total;
    };

    // The steps of Run, in order.
    JobOutcome Refuse();
    ULONGLONG Begin(const Geometry& g);
    void PrepareCoverage();
    bool ScanSectors(ULONGLONG from, const Geometry& g);
    JobOutcome End(bool gone);

    // Parts of the walk over the sectors.
    void ReportProgress(ULONGLONG position, ULONGLONG total);
    // Inside the walk's loop, where it runs for every sector with a
    // recognizer to ask: kept inline there.
    [[gnu::always_inline]] inline bool TestSector(uint32_t ask, ULONGLONG sector,
                                                  ULONGLONG position, ULONGLONG S, ULONGLONG K,
                                                  size_t jpegIndex, uint32_t& covered);
    bool NextBlock(ULONGLONG position, bool mayCheckpoint, const Geometry& g);

    void RecordHit(CScanner& recognizer, ULONGLONG position, ULONGLONG sectorsPerBlock);
    // Clears the bits of covered whose file ends at or before sector; returns
    // what stays covered.
    uint32_t Uncover(uint32_t& covered, ULONGLONG sector) const;

    CDiskSource& m_source;
    CDirectoryTree& m_tree;
    CJobControl& m_control;
    IReporter& m_reporter;
    CScanContext m_ctx;
    std::vector<std::unique_ptr<CScanner>> m_list;
    std::vector<ULONGLONG> m_coveredUntil;  // per recognizer: the sector after its last whole file
    // Exact lengths: the byte after the farthest file found so far; the
    // found-bytes total counts each byte of the medium once.
    ULONGLONG m_foundUntil = 0;
    CheckpointFn m_checkpoint;
    std::chrono::milliseconds m_checkpointInterval{5000};
    std::chrono::steady_clock::time_point m_lastCheckpoint;
    std::optional<ULONGLONG> m_resumeAt;
    uint64_t m_resumeFiles = 0;
    ULONGLONG m_resumeFoundUntil = 0;
    std::vector<SectorRange> m_known;
};

}  // namespace tvn
