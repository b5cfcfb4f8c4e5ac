// The burn job: writes the ticked files of the catalogue to a CD/DVD as a new
// session, keeping the sessions already on the disc.
//
// Two phases. Staging: the files are saved exactly as the save job saves them
// (its walk, plain or into zip archives) into a new folder of the job's own
// inside the cache folder the user chose (the settings' destination), named
// "Tarvolin burn cache XXXXXX" with a unique ending, so that nothing of the
// user's is ever burnt or deleted with it. Burning: the recorder's medium is
// checked, an image of the staged tree is built over the disc's last session
// and written while the job reports the percentage once per poll; then the
// recorder is released and the disc ejected, and the staging folder deleted.
//
// On the disc, for the job name "Tarvolin 14.05.09":
//   plain:       /JPG/file# 12.JPG, one folder per type, at the disc root
//   compressed:  /Tarvolin 14.05.09.zip, or "Tarvolin 14.05.09 part1.zip", ...
#pragma once

#include <chrono>
#include <memory>
#include <string>

#include "app/job_outcome.h"
#include "app/report.h"
#include "output/output_context.h"
#include "optical/burner.h"

namespace tvn {

// Texts of the burn job, as the user sees them.
inline constexpr std::string_view kBurnInsertMedia = "Please insert media and try again.";
inline constexpr std::string_view kBurnInsertWritable = "Please insert writable media try again.";
inline constexpr std::string_view kBurnHigherCapacity = "Please insert higher capacity CD/DVD.";
inline constexpr std::string_view kBurnWriteFailed = "Write operation failed";
inline constexpr std::string_view kBurnCompleted = "CD/DVD burning operation completed successfully";
inline constexpr std::string_view kBurnVolumeText = "Orvane";

class CBurnJob {
public:
    // Reads the settings' destination (the cache folder), jobName (formed
    // from the current time when empty) and compress, the catalogue, the
    // current disk source and the job control. The burner has its recorder
    // selected.
    CBurnJob(const OutputContext& out, CBurner& burner, IReporter& reporter);
    ~CBurnJob();
    CBurnJob(const CBurnJob&) = delete;
    CBurnJob& operator=(const CBurnJob&) = delete;

    // How often the write is polled (1,000 ms), and how long a stopped
    // write is waited for before the job gives up on it (60 s).
    void SetPollInterval(std::chrono::milliseconds interval) { m_pollInterval = interval; }
    void SetAbortWait(std::chrono::milliseconds wait) { m_abortWait = wait; }

    // The worker: the whole job. Sends Finished unless it was stopped; the
    // outcome says how it ended (never Completed when nothing was burnt).
    JobOutcome Run();

    // The staging folder (deleted again when the job ends).
    const std::string& GetStagingFolder() const { return m_staging; }
    // Image size and blocks written, in blocks of 2,048 bytes.
    uint32_t GetImageBlocks() const { return m_imageBlocks; }

private:
    struct WriteState;

    // Phases of Run; each false when the job ends there (outcome filled).
    bool Stage(JobOutcome& outcome, std::string& burnFolder);
    void Burn(JobOutcome& outcome, const std::string& burnFolder);
    // Parts of Burn: the disc checked and the image of the staged tree built
    // over its last session (false when the job ends there), then written.
    bool BuildImage(JobOutcome& outcome, const std::string& burnFolder);
    void WriteImage(JobOutcome& outcome);
    // Ends the job with result and text (shown in a box when box).
    void Fail(JobOutcome& outcome, JobResult result, std::string_view text);
    void Cleanup(JobOutcome& outcome);

    OutputContext m_out;
    CBurner& m_burner;
    IReporter& m_reporter;
    std::chrono::milliseconds m_pollInterval{1000};
    std::chrono::milliseconds m_abortWait{60000};

    std::string m_staging;
    bool m_keepStaging = false;  // the engine may still read it
    uint64_t m_staged = 0;       // files staged
    uint32_t m_imageBlocks = 0;
    std::shared_ptr<WriteState> m_write;
};

}  // namespace tvn
