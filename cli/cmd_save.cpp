#include <fmt/format.h>

#include <nlohmann/json.hpp>
#include <thread>

#include "catalog/scan_info.h"
#include "cli/commands.h"
#include "cli/manual.h"
#include "output/save_job.h"

namespace tvn::cli {

namespace {

struct SaveOptions : SelectionOptions {
    std::string to;
    bool zip = false;
    bool json = false;
    std::string names = "original";
    std::string organise = "folders";
    bool keepDuplicates = false;
    std::string map;
};

const char* ResultName(JobResult r) {
    switch (r) {
        case JobResult::Completed: return "completed";
        case JobResult::Stopped: return "stopped";
        case JobResult::Failed: return "failed";
        case JobResult::Refused: return "refused";
    }
    return "?";
}

// The save's summary as JSON: what was saved per type, the files cut to
// 1 MB, the errors and the closing sentence.
void PrintJson(const CSession& session, const CSaveJob& job, const JobOutcome& outcome) {
    nlohmann::ordered_json out;
    out["output"] = session.compress ? nlohmann::ordered_json(job.GetArchives())
                                     : nlohmann::ordered_json(job.GetJobFolder());
    nlohmann::ordered_json types = nlohmann::ordered_json::array();
    uint64_t found = 0, saved = 0, bytes = 0;
    for (CFolderNode* f = session.tree.GetFirstFolder(); f; f = f->GetNextFolder()) {
        const auto it = job.GetResults().find(f->GetName());
        const CSaveJob::TypeResult r =
            it != job.GetResults().end() ? it->second : CSaveJob::TypeResult{};
        types.push_back({{"type", f->GetName()},
                         {"found", f->GetFileCount()},
                         {"saved", r.saved},
                         {"bytes", r.bytes}});
        found += f->GetFileCount(), saved += r.saved, bytes += r.bytes;
    }
    out["types"] = std::move(types);
    out["totals"] = {{"found", found}, {"saved", saved}, {"bytes", bytes}};
    out["cut_to_1_mb"] = job.GetCutFiles();
    out["unreadable_sectors"] = job.GetUnreadableSectors();
    out["result"] = ResultName(outcome.result);
    out["clean"] = outcome.Succeeded() && outcome.errors.empty();
    out["errors"] = outcome.errors;
    out["message"] = outcome.message;
    fmt::print("{}\n", out.dump(2));
}

void PrintResults(const CSession& session, const CSaveJob& job) {
    if (session.compress) {
        fmt::print("Archives:\n");
        for (const std::string& a : job.GetArchives()) fmt::print("  {}\n", a);
        if (job.GetUnarchivedCount() > 0) {
            fmt::print("Kept in {}: {} file(s) that could not be archived\n", job.GetJobFolder(),
                       job.GetUnarchivedCount());
        }
    } else {
        fmt::print("Saved to {}/\n", job.GetJobFolder());
    }
    fmt::print("{:<6} {:>8} {:>8} {:>14}\n", "Type", "Found", "Saved", "Bytes");
    uint64_t found = 0, saved = 0, bytes = 0;
    for (CFolderNode* f = session.tree.GetFirstFolder(); f; f = f->GetNextFolder()) {
        const uint64_t count = f->GetFileCount();
        const auto it = job.GetResults().find(f->GetName());
        const CSaveJob::TypeResult r =
            it != job.GetResults().end() ? it->second : CSaveJob::TypeResult{};
        fmt::print("{:<6} {:>8} {:>8} {:>14}\n", f->GetName(), count, r.saved, r.bytes);
        found += count, saved += r.saved, bytes += r.bytes;
    }
    fmt::print("{:<6} {:>8} {:>8} {:>14}\n", "Total", found, saved, bytes);
    if (job.GetDuplicatesSkipped() > 0) {
        fmt::print("Duplicates skipped: {}\n", job.GetDuplicatesSkipped());
    }
}

int RunSave(CliContext& ctx, const SaveOptions& o, const std::vector<FileType>& types) {
    CSession session;
    CTerminalReporter reporter(ctx.log, ctx.quiet);

    // Refuse before anything is read: nothing may be written to the medium.
    if (const std::string refusal = WriteOnSourceRefusal(o.to, o.source); !refusal.empty()) {
        reporter.Message(refusal, "Error", MsgIcon::Error);
        return kExitFailure;
    }
    session.exactLengths = o.lengths.Exact();
    if (const int status =
            PrepareSelection(session, o.source, o.scanInfo, types, o.select, reporter, "save",
                             o.map);
        status != kExitOk)
        return status;

    session.destination = o.to;
    session.compress = o.zip;
    session.layout.originalNames = o.names == "original";
    session.layout.byDate = o.organise == "date";
    session.layout.skipDuplicates = !o.keepDuplicates;
    session.jobName = JobNameNow();
    session.jobMode = JobMode::Save;
    session.job.Reset();
    CSaveJob job(session, reporter);
    JobOutcome outcome;
    {
        CInterruptGuard guard(session.job);
        reporter.Begin("Saving");
        std::thread worker([&job, &outcome] { outcome = job.Run(); });
        worker.join();
        reporter.End();
    }
    if (outcome.result == JobResult::Refused) {
        // The job only says why it did not start; it is told here.
        reporter.Message(outcome.message, "Error", MsgIcon::Error);
        return kExitFailure;
    }

    if (o.json) {
        PrintJson(session, job, outcome);
        if (outcome.result == JobResult::Stopped) return kExitInterrupted;
        return outcome.result == JobResult::Failed ? kExitFailure : kExitOk;
    }
    PrintResults(session, job);
    for (const std::string& e : outcome.errors) fmt::print(stderr, "  {}\n", e);
    if (outcome.result == JobResult::Stopped) {
        fmt::print(stderr, "tarvolin-cli: saving stopped\n{}\n", outcome.message);
        return kExitInterrupted;
    }
    if (outcome.result == JobResult::Failed) {
        fmt::print(stderr, "{}\n", outcome.message);
        return kExitFailure;
    }
    fmt::print("{}\n", outcome.message);
    return kExitOk;
}

}  // namespace

void AddSaveCommand(CLI::App& app, CliContext& ctx) {
    auto* cmd = app.add_subcommand(
        "save", "Find files on a medium (or load a scan info file) and save them to a folder");
    auto o = std::make_shared<SaveOptions>();
    AddSelectionOptions(cmd, *o, "save");
    cmd->add_option("--to", o->to, "Folder to save into (not on the medium itself)")
        ->required()
        ->check(CLI::ExistingDirectory);
    cmd->add_flag("--zip", o->zip, "Pack the files into zip archives");
    cmd->add_flag("--json", o->json,
                  "Print the summary as JSON on stdout (what was saved per type, files cut to "
                  "1 MB, errors)");
    cmd->add_option("--names", o->names,
                    "original: the names and folders the card's file system still knows "
                    "(others as TYPE/file# N.EXT); numbered: every file as TYPE/file# N.EXT")
        ->check(CLI::IsMember({"original", "numbered"}))
        ->capture_default_str();
    cmd->add_option("--organise", o->organise,
                    "folders: as --names says; date: YYYY/YYYY-MM-DD/ by the date each photo or "
                    "film was taken (\"undated\" when none is known)")
        ->check(CLI::IsMember({"folders", "date"}))
        ->capture_default_str();
    cmd->add_flag("--keep-duplicates", o->keepDuplicates,
                  "Save files with the same content as a file saved before too (by default "
                  "they are saved once)");
    AddExample(cmd, "tarvolin-cli save /dev/sdb --types jpg --to ~/Photos --organise date",
               "Save the photos found on the card into folders by the day they were taken.");
    cmd->add_option("--map", o->map,
                    "SOURCE is an image made by `tarvolin-cli image`: its map, so that files on "
                    "sectors the copy never read are reported as having unreadable sectors")
        ->type_name("MAPFILE");
    AddExample(cmd, "tarvolin-cli save /dev/sdb --scan-info card.bin --to /media/backup --select jpg",
               "Save the JPEG photos listed in card.bin from the card into a new folder "
               "\"Tarvolin hh.mm.ss\" on the backup disk.");
    AddExample(cmd, "tarvolin-cli save card.img --types all --to ~/Recovered --zip",
               "Scan the disk image card.img for every type and pack what was found into zip "
               "archives in ~/Recovered.");
    cmd->callback([&ctx, o] {
        const std::vector<FileType> types = TypesToScan(*o);
        ctx.source = o->source;
        ctx.run = [&ctx, o, types] { return RunSave(ctx, *o, types); };
    });
}

}  // namespace tvn::cli
