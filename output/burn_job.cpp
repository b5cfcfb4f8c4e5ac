#include "output/burn_job.h"

#include <fmt/format.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <thread>

#include "output/save_job.h"

namespace tvn {

namespace fs = std::filesystem;

namespace {

// Passes everything on but the end of the staging: the burn job tells the
// front end itself when it has finished.
class CStagingReporter : public IReporter {
public:
    explicit CStagingReporter(IReporter& to) : m_to(to) {}
    void Message(std::string_view text, std::string_view caption, MsgIcon icon) override {
        m_to.Message(text, caption, icon);
    }
    void Progress(uint64_t percent) override { m_to.Progress(percent); }
    void Finished() override {}
    void SetFileCounterText(std::string_view text) override { m_to.SetFileCounterText(text); }
    void SetLastFileText(std::string_view text) override { m_to.SetLastFileText(text); }
    void SetStatusText(std::string_view text) override { m_to.SetStatusText(text); }
    void Console(std::string_view text) override { m_to.Console(text); }

private:
    IReporter& m_to;
};

// written x 100 / size in 64 bits, at most 100; 0 for an empty image.
uint64_t BurnPercent(uint32_t written, uint32_t size) {
    if (size == 0) return 0;
    return std::min<uint64_t>(uint64_t{written} * 100 / size, 100);
}

}  // namespace

// What the engine's completion callback shares with the job. It is held by
// both, so a callback that comes late never touches a job that has ended.
struct CBurnJob::WriteState {
    std::mutex mutex;
    std::condition_variable cv;
    std::atomic<bool> done{false};
    std::atomic<uint8_t> status{kWriteSucceeded};

    void Reset() {
        status.store(kWriteSucceeded);
        done.store(false);
    }
    void Complete(uint8_t writeStatus) {
        {
            std::lock_guard lock(mutex);
            status.store(writeStatus);
            done.store(true);
        }
        cv.notify_all();
    }
    // True when the write has ended within wait.
    bool WaitFor(std::chrono::milliseconds wait) {
        std::unique_lock lock(mutex);
        return cv.wait_for(lock, wait, [this] { return done.load(); });
    }
};

CBurnJob::CBurnJob(const OutputContext& out, CBurner& burner, IReporter& reporter)
    : m_out(out),
      m_burner(burner),
      m_reporter(reporter),
      m_write(std::make_shared<WriteState>()) {}

CBurnJob::~CBurnJob() = default;

JobOutcome CBurnJob::Run() {
    JobOutcome outcome;
    m_staged = 0;
    m_imageBlocks = 0;
    m_keepStaging = false;
    if (m_out.settings.jobName.empty()) m_out.settings.jobName = JobNameNow();

    std::string burnFolder;
    if (Stage(outcome, burnFolder)) Burn(outcome, burnFolder);
    Cleanup(outcome);
    if (outcome.result != JobResult::Stopped) m_reporter.Finished();
    return outcome;
}

bool CBurnJob::Stage(JobOutcome& outcome, std::string& burnFolder) {
    // The end of the job is the front end's to show, refusals included.
    const auto refuse = [&](const std::string& text) {
        outcome.result = JobResult::Refused;
        outcome.message = text;
        outcome.AddError(text);
        return false;
    };

    std::string cache = m_out.settings.destination;
    while (cache.size() > 1 && cache.back() == '/') cache.pop_back();
    // Nothing may be written to the medium being recovered: neither the
    // staging copies nor, with a pseudo-drive, the image.
    const std::string source =
        m_out.source.diskSource ? m_out.source.diskSource->GetDrive() : m_out.source.selectedDrive;
    std::string why;
    if (IsDestinationOnSource(cache, source, why)) {
        return refuse(why + "\nPlease choose a cache folder on another drive.");
    }
    if (m_burner.IsPseudoDrive() &&
        IsDestinationOnSource(m_burner.GetSelectedAddress().substr(6), source, why)) {
        return refuse(why + "\nPlease choose an image file on another drive.");
    }
    struct stat st {};
    if (cache.empty() || ::stat(cache.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        return refuse(fmt::format("The cache folder {} does not exist.", cache));
    }

    // A folder of the job's own: only it is burnt, and only it is deleted.
    std::string pattern = (cache == "/" ? cache : cache + "/") + "Tarvolin burn cache XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr) {
        return refuse(fmt::format("Cannot create a cache folder in {}: {}", cache,
                                  std::strerror(errno)));
    }
    m_staging = pattern;

    m_reporter.SetStatusText("Writing cache");
    const std::string chosen = m_out.settings.destination;
    m_out.settings.destination = m_staging;
    CStagingReporter stagingReporter(m_reporter);
    CSaveJob staging(m_out, stagingReporter);
    const JobOutcome staged = staging.Run();
    m_out.settings.destination = chosen;

    m_staged = staged.done;
    outcome.failed = staged.failed;
    for (const std::string& e : staged.errors) outcome.AddError(e);
    if (staged.result == JobResult::Refused) {
        outcome.result = JobResult::Refused;
        outcome.message = staged.message;
        outcome.parts = staged.parts;
        return false;
    }
    if (staged.result == JobResult::Stopped || !m_out.job.IsRunning()) {
        outcome.result = JobResult::Stopped;
        outcome.message = "Burning stopped; nothing was written to the disc.";
        return false;
    }
    if (m_staged == 0) {
        outcome.result = JobResult::Failed;
        outcome.message = "No file could be written to the cache; nothing was burnt.";
        outcome.AddError(outcome.message);
        return false;
    }
    // Plain: the job folder's type folders go to the disc root. Compressed:
    // the archives, which lie beside the job folder in the staging folder.
    burnFolder = m_out.settings.compress ? m_staging : staging.GetJobFolder();
    return true;
}

void CBurnJob::Burn(JobOutcome& outcome, const std::string& burnFolder) {
    m_reporter.SetStatusText(m_out.settings.compress ? "Burning compressed data" : "Burning data");
    m_reporter.Progress(0);
    if (BuildImage(outcome, burnFolder)) WriteImage(outcome);
}

// What ends the burn is told by the front end from the outcome, once.
void CBurnJob::Fail(JobOutcome& outcome, JobResult result, std::string_view text) {
    outcome.result = result;
    outcome.message = std::string(text);
    outcome.AddError(std::string(text));
}

bool CBurnJob::BuildImage(JobOutcome& outcome, const std::string& burnFolder) {
    const auto fail = [&](JobResult result, std::string_view text) {
        Fail(outcome, result, text);
        return false;
    };
    if (!m_burner.IsMediaPresent()) {
        fail(JobResult::Refused, kBurnInsertMedia);
        m_burner.UnlockTray();
        return false;
    }
    if (!m_burner.IsMediaWritable()) {
        fail(JobResult::Refused, kBurnInsertWritable);
        m_burner.UnlockTray();
        return false;
    }
    if (!m_burner.IsUnitReady()) {
        fail(JobResult::Refused, "The CD/DVD recorder is not ready; nothing was burnt.");
        m_burner.UnlockTray();
        m_burner.Eject();
        return false;
    }
    if (!m_burner.LockTray()) m_reporter.Message("Device could not be locked", "Tarvolin",
                                                 MsgIcon::None);

    m_burner.NewImage();
    m_burner.SetVolumeText(kBurnVolumeText);
    bool built = m_burner.ImportLastSession(0, "\\");
    built = built && m_burner.AddTree("\\", burnFolder, "*.*", true, !m_out.settings.compress);
    built = built && m_burner.BuildImage();
    if (!built) {
        // Nothing is written over a disc whose last session could not be read.
        fail(JobResult::Failed, "The disc image could not be built; nothing was burnt.");
        m_burner.UnlockTray();
        return false;
    }
    m_imageBlocks = m_burner.GetImageSize();
    if (m_burner.GetFreeSpace() < m_imageBlocks) {
        fail(JobResult::Refused, kBurnHigherCapacity);
        // Unlocked, so that the user can put in another disc.
        m_burner.UnlockTray();
        return false;
    }
    return true;
}

void CBurnJob::WriteImage(JobOutcome& outcome) {
    // The flag belongs to this write: a burn before it must not end it early.
    std::shared_ptr<WriteState> state = m_write;
    state->Reset();
    if (!m_burner.StartWrite(
            [state](CBurner&, uint8_t status, void*) { state->Complete(status); }, nullptr)) {
        Fail(outcome, JobResult::Failed, kBurnWriteFailed);
        m_burner.UnlockTray();
        return;
    }

    bool stopped = false;
    while (!state->WaitFor(m_pollInterval)) {
        const uint32_t written = m_burner.GetWrittenSize();
        if (!m_out.job.Poll()) {
            // The write may have ended while the job waited at the pause
            // gate: a write that is over is not stopped, and what it ended
            // with is the outcome.
            if (state->done.load()) break;
            m_burner.Abort();
            stopped = true;
            break;
        }
        m_reporter.Progress(BurnPercent(written, m_imageBlocks));
    }
    if (stopped && !state->WaitFor(m_abortWait)) {
        // The engine may still read the staged files: they stay.
        m_keepStaging = true;
        m_reporter.Console(fmt::format("The recorder did not stop within {} s\n",
                                       m_abortWait.count() / 1000));
        outcome.result = JobResult::Stopped;
        outcome.SayOnly("Burning stopped, but the recorder did not finish in time; the cache folder %1 "
                        "was kept.",
                        {m_staging});
        return;
    }

    if (stopped) {
        outcome.result = JobResult::Stopped;
        outcome.message = "Burning stopped; the disc keeps its earlier sessions.";
    } else if (state->status.load() != kWriteSucceeded) {
        outcome.result = JobResult::Failed;
        outcome.message = std::string(kBurnWriteFailed);
        outcome.AddError(outcome.message);
        outcome.failed += m_staged;
    } else {
        m_reporter.Progress(100);
        outcome.done = m_staged;
        outcome.result = outcome.failed == 0 ? JobResult::Completed : JobResult::Failed;
        if (outcome.failed == 0) {
            outcome.SayOnly(std::string(kBurnCompleted));
        } else {
            outcome.SayOnly("%1 file(s) were burnt; %2 could not be written to the cache.",
                            {std::to_string(outcome.done), std::to_string(outcome.failed)});
        }
    }

    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    if (!m_burner.UnlockTray()) {
        m_reporter.Message("The device could not be unlocked", "Error", MsgIcon::Error);
    }
    m_burner.Eject();
}

void CBurnJob::Cleanup(JobOutcome& outcome) {
    if (m_staging.empty() || m_keepStaging) return;
    std::error_code ec;
    fs::remove_all(m_staging, ec);
    if (ec) {
        m_reporter.Console(fmt::format("Deleting {} :{}\n", m_staging, ec.message()));
        outcome.AddError(fmt::format("The cache folder {} could not be deleted.", m_staging));
    }
}

}  // namespace tvn
