#include <fmt/format.h>

#include <thread>

#include "catalog/scan_info.h"
#include "cli/commands.h"
#include "cli/manual.h"
#include "output/save_job.h"

namespace tvn::cli {

namespace {

struct SaveOptions {
    std::string source;
    std::string types;
    std::string scanInfo;
    std::string to;
    bool zip = false;
    bool exactLengths = false;
    std::vector<std::string> select;
    std::string map;
};

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
}

int RunSave(CliContext& ctx, const SaveOptions& o, const std::vector<FileType>& types) {
    CSession session;
    CTerminalReporter reporter(ctx.log, ctx.quiet);

    // Refuse before anything is read: nothing may be written to the medium.
    std::string why;
    if (IsDestinationOnSource(o.to, o.source, why)) {
        reporter.Message(why, "Error", MsgIcon::Error);
        return kExitFailure;
    }
    session.exactLengths = o.exactLengths;
    if (const int status =
            PrepareSelection(session, o.source, o.scanInfo, types, o.select, reporter, "save",
                             o.map);
        status != kExitOk)
        return status;

    session.destination = o.to;
    session.compress = o.zip;
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
    if (outcome.result == JobResult::Refused) return kExitFailure;

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
    cmd->add_option("SOURCE", o->source, "Device or disk image")->required();
    auto* typesOpt =
        cmd->add_option("--types", o->types, "Scan for these types: jpg,tif,... or all")
            ->type_name(kTypesHint);
    auto* infoOpt =
        cmd->add_option("--scan-info", o->scanInfo,
                        "Take the catalogue from this scan info file instead of scanning")
            ->type_name("FILE");
    typesOpt->excludes(infoOpt);
    cmd->add_option("--to", o->to, "Folder to save into (not on the medium itself)")
        ->required()
        ->check(CLI::ExistingDirectory);
    cmd->add_flag("--zip", o->zip, "Pack the files into zip archives");
    cmd->add_flag("--exact-lengths", o->exactLengths,
                  "Measure each file's length from its own structure and save exactly its "
                  "bytes")
        ->excludes(infoOpt);
    cmd->add_option("--select", o->select,
                    "Save only these types or files (jpg, \"file# 3.JPG\", ...); default: all")
        ->delimiter(',')
        ->type_name("TYPE|NAME");
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
        if (o->types.empty() && o->scanInfo.empty()) {
            throw CLI::RequiredError("--types or --scan-info");
        }
        const std::vector<FileType> types =
            o->scanInfo.empty() ? ParseTypes(o->types) : std::vector<FileType>{};
        ctx.run = [&ctx, o, types] { return RunSave(ctx, *o, types); };
    });
}

}  // namespace tvn::cli
