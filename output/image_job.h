// The rescue copy of a failing medium into an image file, with a map of what
// was copied (GNU ddrescue's mapfile format, disk/rescue_map.h), so that the
// copy can stop and go on later and the recovery can run on the image.
//
// The easy data comes first:
//  - pass 1 reads the untried areas forward in large blocks; a block that
//    fails is left "not trimmed" and a block that fails or reads slowly makes
//    the copy skip ahead, twice as far each time, and come back to what it
//    skipped in a second sweep without skipping;
//  - pass 2 trims the failed blocks' edges sector by sector from both sides,
//    then reads what lies between them sector by sector (scraping);
//  - pass 3 reads the bad sectors again, retries times, optionally from the
//    end backward.
// The image is made at the medium's size without writing (a sparse file):
// what is never read stays zeros. Before every save of the map the image is
// flushed, so a map on the disk never claims bytes the image does not hold.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <sys/types.h>

#include "app/job_control.h"
#include "app/types.h"
#include "disk/medium.h"
#include "disk/rescue_map.h"

namespace tvn {

class CDiskSource;
class CMediumReader;

// What the copy reads: the medium by position.
class IRescueMedium {
public:
    virtual ~IRescueMedium() = default;
    virtual uint64_t Size() const = 0;
    virtual uint32_t SectorSize() const = 0;
    // n bytes at offset into buf: the byte count (short only at the end), or
    // -1 with errno set.
    virtual ssize_t ReadAt(BYTE* buf, size_t n, uint64_t offset) = 0;
};

// The medium object as the copy reads it: reads by position through its
// descriptors (past the page cache for a block device), nothing else.
class CDiskSourceMedium : public IRescueMedium {
public:
    explicit CDiskSourceMedium(const CDiskSource& source);
    ~CDiskSourceMedium() override;
    uint64_t Size() const override { return m_size; }
    uint32_t SectorSize() const override { return m_sectorSize; }
    ssize_t ReadAt(BYTE* buf, size_t n, uint64_t offset) override;

private:
    std::shared_ptr<IMedium> m_medium;
    std::unique_ptr<CMediumReader> m_reader;
    uint64_t m_size = 0;
    uint32_t m_sectorSize = 512;
};

struct ImageOptions {
    std::string sourcePath;  // the medium's path, for the destination check
    std::string image;
    std::string map;          // empty: image + ".map"
    int retries = 1;
    bool reverse = false;     // retries from the end backward
    size_t blockSize = 1u << 20;
    // A block read that takes longer than this counts as slow: the copy
    // skips ahead as after a failure (the block itself is kept).
    std::chrono::milliseconds slowRead{1000};
    std::chrono::milliseconds mapInterval{5000};
    std::chrono::milliseconds progressInterval{500};
};

struct ImageProgress {
    uint64_t size = 0;
    uint64_t rescued = 0;      // '+'
    uint64_t nonTried = 0;     // '?'
    uint64_t pending = 0;      // '*' and '/': failed in pass 1, not yet read sector by sector
    uint64_t badBytes = 0;     // '-'
    uint64_t badAreas = 0;     // runs of bytes that are not copied and were tried
    uint64_t position = 0;
    RescuePhase phase = RescuePhase::Copying;
    int pass = 1;
    double currentRate = 0;    // bytes per second over the last seconds
    double readRate = 0;       // bytes per second of the good reads of this run
    double sinceGoodRead = 0;  // seconds since the last read that succeeded
    // Seconds left, when it can be told: the untried bytes at the read rate
    // of the good areas, plus the sectors still to try at what a failed
    // sector has cost so far. nullopt before there is anything to go by.
    std::optional<double> estimate;
    bool estimateCountsBadAreas = false;
};

enum class ImageResult {
    Completed,       // every byte copied
    CompletedBad,    // every pass done; some sectors could not be read
    Stopped,         // Ctrl-C, SIGTERM or the Stop button
    MediumLost,      // the medium went away
    DestinationFailed,  // the image or the map could not be written (full...)
    Refused,         // nothing done: bad destination, map of another medium...
};

struct ImageOutcome {
    ImageResult result = ImageResult::Refused;
    std::string message;  // the sentence to show
    int error = 0;        // errno, where one is the reason
};

class CImageJob {
public:
    using ProgressFn = std::function<void(const ImageProgress&)>;
    CImageJob(IRescueMedium& medium, ImageOptions options, CJobControl& control,
              ProgressFn progress = {});
    ~CImageJob();
    CImageJob(const CImageJob&) = delete;
    CImageJob& operator=(const CImageJob&) = delete;

    ImageOutcome Run();
    const CRescueMap& Map() const { return m_map; }
    const std::string& MapPath() const { return m_options.map; }
    // The read that first fails in a retry pass comes after every good
    // sector was copied: for checks, the map as it stood then.
    const std::optional<CRescueMap>& MapBeforeRetries() const { return m_beforeRetries; }

private:
    enum class ReadOutcome { Good, Bad, Gone, WriteFailed, Stopped };
    ImageOutcome Prepare();
    ReadOutcome CopyArea(uint64_t pos, uint64_t size, bool& slow);
    ReadOutcome ReadSector(uint64_t pos, RescueStatus onFailure);
    ReadOutcome Copying();
    ReadOutcome Trimming();
    ReadOutcome Scraping();
    ReadOutcome Retrying();
    bool MediumStillThere();
    bool Checkpoint(bool force);
    void Report(bool force);
    ImageOutcome Finish(ReadOutcome how);

    IRescueMedium& m_medium;
    ImageOptions m_options;
    CJobControl& m_control;
    ProgressFn m_progress;
    CRescueMap m_map;
    std::optional<CRescueMap> m_beforeRetries;
    int m_image = -1;
    BYTE* m_buffer = nullptr;
    int m_writeErrno = 0;
    int m_mapErrno = 0;

    using Clock = std::chrono::steady_clock;
    Clock::time_point m_start;
    Clock::time_point m_lastSave;
    Clock::time_point m_lastReport;
    Clock::time_point m_lastGood;
    std::optional<uint64_t> m_goodOffset;
    // Good reads of this run: bytes and time; failed sector reads: count and time.
    uint64_t m_goodBytes = 0;
    double m_goodSeconds = 0;
    uint64_t m_failedReads = 0;
    double m_failedSeconds = 0;
    // For the current rate: the good bytes at the start of the window.
    Clock::time_point m_rateStart;
    uint64_t m_rateBytes = 0;
    double m_currentRate = 0;
};

// The map path used when none is given: the image's path with ".map".
std::string DefaultMapPath(const std::string& image);

}  // namespace tvn
