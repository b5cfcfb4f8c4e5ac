#include <fmt/format.h>

#include <nlohmann/json.hpp>
#include <thread>

#include "cli/commands.h"
#include "cli/manual.h"
#include "optical/burner.h"
#include "output/burn_job.h"
#include "output/save_job.h"

namespace tvn::cli {

namespace {

struct BurnOptions : SelectionOptions {
    std::string recorder;
    std::string cache;
    bool zip = false;
    int speed = 0;
};

struct RecorderRow {
    std::string address;
    std::string name;
    MediaState media = MediaState::None;
    uint64_t freeBytes = 0;
};

RecorderRow Inspect(CBurner& burner, const std::string& address, const std::string& name) {
    RecorderRow row{address, name};
    if (!burner.SelectRecorder(address)) return row;
    row.media = burner.GetMediaState();
    if (row.media == MediaState::Blank || row.media == MediaState::Appendable)
        row.freeBytes = uint64_t{burner.GetFreeSpace()} * kBurnBlockSize;
    burner.UnlockTray();
    return row;
}

int RunRecorders(CliContext& ctx, bool json, const std::vector<std::string>& extra) {
    CTerminalReporter reporter(ctx.log, ctx.quiet);
    CBurner burner(&reporter);
    if (!burner.IsInitialized()) {
        fmt::print(stderr, "tarvolin-cli: {}\n", burner.GetInitError());
        return kExitFailure;
    }
    std::vector<RecorderRow> rows;
    const int count = burner.ScanRecorders();
    for (int i = 0; i < count; ++i)
        rows.push_back(Inspect(burner, burner.GetRecorderAddress(i), burner.GetRecorderName(i)));
    for (const std::string& address : extra) {
        if (!burner.SelectRecorder(address)) {
            fmt::print(stderr, "tarvolin-cli: '{}' is neither a device nor stdio:PATH\n", address);
            return kExitUsage;
        }
        rows.push_back(Inspect(burner, burner.GetSelectedAddress(), "image file"));
    }

    if (json) {
        nlohmann::json out = nlohmann::json::array();
        for (const RecorderRow& r : rows) {
            out.push_back({{"address", r.address},
                           {"name", r.name},
                           {"media", MediaStateName(r.media)},
                           {"free_bytes", r.freeBytes}});
        }
        fmt::print("{}\n", out.dump(2));
        return kExitOk;
    }
    if (rows.empty()) {
        fmt::print("No CD/DVD recorders found.\n");
        return kExitOk;
    }
    fmt::print("{:<28} {:<11} {:>14}  {}\n", "Recorder", "Media", "Free bytes", "Name");
    for (const RecorderRow& r : rows)
        fmt::print("{:<28} {:<11} {:>14}  {}\n", r.address, MediaStateName(r.media), r.freeBytes,
                   r.name);
    return kExitOk;
}

int RunBurn(CliContext& ctx, const BurnOptions& o, const std::vector<FileType>& types) {
    CSession session;
    CTerminalReporter reporter(ctx.log, ctx.quiet);

    std::string why;
    if (IsDestinationOnSource(o.cache, o.source, why)) {
        reporter.Message(why, "Error", MsgIcon::Error);
        return kExitFailure;
    }
    CBurner burner(&reporter);
    if (!burner.IsInitialized()) {
        fmt::print(stderr, "tarvolin-cli: {}\n", burner.GetInitError());
        return kExitFailure;
    }
    if (!burner.SelectRecorder(o.recorder)) {
        fmt::print(stderr, "tarvolin-cli: --recorder: '{}' is neither a device nor stdio:PATH\n",
                   o.recorder);
        return kExitUsage;
    }
    burner.SetWriteSpeed(o.speed);

    session.exactLengths = o.lengths.Exact();
    if (const int status =
            PrepareSelection(session, o.source, o.scanInfo, types, o.select, reporter, "burn");
        status != kExitOk)
        return status;

    session.destination = o.cache;
    session.compress = o.zip;
    session.jobName = JobNameNow();
    session.jobMode = JobMode::Burn;
    session.job.Reset();
    CBurnJob job(session, burner, reporter);
    JobOutcome outcome;
    {
        CInterruptGuard guard(session.job);
        reporter.Begin("Writing cache");
        std::thread worker([&job, &outcome] { outcome = job.Run(); });
        worker.join();
        reporter.End();
    }

    if (outcome.done > 0) fmt::print("Burnt {} file(s) to {}\n", outcome.done, burner.GetSelectedAddress());
    if (outcome.failed > 0) fmt::print("Not burnt: {} file(s)\n", outcome.failed);
    switch (outcome.result) {
        case JobResult::Completed:
            fmt::print("{}\n", outcome.message);
            return kExitOk;
        case JobResult::Stopped:
            fmt::print(stderr, "tarvolin-cli: {}\n", outcome.message);
            return kExitInterrupted;
        case JobResult::Failed:
        case JobResult::Refused:
            fmt::print(stderr, "tarvolin-cli: burning failed: {}\n", outcome.message);
            return kExitFailure;
    }
    return kExitFailure;
}

}  // namespace

void AddRecordersCommand(CLI::App& app, CliContext& ctx) {
    auto* cmd = app.add_subcommand(
        "recorders", "List the CD/DVD recorders with their media state and free space");
    auto json = std::make_shared<bool>(false);
    auto extra = std::make_shared<std::vector<std::string>>();
    cmd->add_flag("--json", *json, "Print JSON");
    cmd->add_option("RECORDER", *extra, "Also show these recorders (a device or stdio:PATH)");
    AddExample(cmd, "tarvolin-cli recorders",
               "List the CD/DVD recorders with the disc in each and the space left on it.");
    cmd->callback([&ctx, json, extra] {
        ctx.run = [&ctx, json, extra] { return RunRecorders(ctx, *json, *extra); };
    });
}

void AddBurnCommand(CLI::App& app, CliContext& ctx) {
    auto* cmd = app.add_subcommand(
        "burn",
        "Find files on a medium (or load a scan info file) and burn them to a CD/DVD as a new "
        "session");
    auto o = std::make_shared<BurnOptions>();
    AddSelectionOptions(cmd, *o, "burn");
    cmd->add_option("--recorder", o->recorder,
                    "Recorder: a device (/dev/sr0) or stdio:PATH, which writes an ISO image file")
        ->required();
    cmd->add_option("--cache", o->cache,
                    "Folder for the temporary copies (not on the medium itself)")
        ->required()
        ->check(CLI::ExistingDirectory);
    cmd->add_flag("--zip", o->zip, "Burn the files packed into zip archives");
    cmd->add_option("--speed", o->speed, "Write speed in kB/s (default: the recorder's best)")
        ->check(CLI::NonNegativeNumber);
    AddExample(cmd, "tarvolin-cli burn /dev/sdb --scan-info card.bin --recorder /dev/sr0 --cache /tmp",
               "Burn the files listed in card.bin from the card onto the disc in /dev/sr0, "
               "staging them in /tmp first.");
    cmd->callback([&ctx, o] {
        const std::vector<FileType> types = TypesToScan(*o);
        ctx.source = o->source;
        ctx.run = [&ctx, o, types] { return RunBurn(ctx, *o, types); };
    });
}

}  // namespace tvn::cli
