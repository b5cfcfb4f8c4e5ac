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
    std::vector<std::string> select;
};

// Ticks what the selection names: a type ("jpg", "JPG") ticks every file of
// that type, a file name ("file# 3.JPG") that file. Nothing named: everything.
// False, after a message, when an item names neither a type nor a found file.
bool Tick(CDirectoryTree& tree, const std::vector<std::string>& select) {
    for (const std::string& item : select) {
        const auto type = FindTypeByName(item);
        bool matched = type.has_value();
        for (CFolderNode* f = tree.GetFirstFolder(); f; f = f->GetNextFolder()) {
            const bool wholeFolder = type && f->GetName() == TypeName(*type);
            for (CFileNode* n = f->GetFirstChild(); n; n = n->GetNextFile()) {
                if (wholeFolder || n->GetName() == item) {
                    n->SetChecked(true);
                    matched = true;
                }
            }
        }
        if (!matched) {
            fmt::print(stderr,
                       "tarvolin-cli: --select: '{}' is neither a file type nor a found file\n",
                       item);
            return false;
        }
    }
    if (select.empty()) {
        for (CFolderNode* f = tree.GetFirstFolder(); f; f = f->GetNextFolder()) {
            for (CFileNode* n = f->GetFirstChild(); n; n = n->GetNextFile()) n->SetChecked(true);
        }
    }
    return true;
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
    if (!OpenSource(session, o.source, reporter)) return kExitFailure;

    if (!o.scanInfo.empty()) {
        const auto sectors = static_cast<DWORD>(session.diskSource->GetTotalSectors());
        const std::string id = CDiskSource::CanonicalIdentifier(o.source);
        if (!LoadScanInfo(session, o.scanInfo, id, sectors, reporter)) return kExitFailure;
    } else if (RunScan(session, types, reporter)) {
        fmt::print(stderr, "tarvolin-cli: scan stopped; nothing saved\n");
        return kExitInterrupted;
    }

    bool found = false;
    for (CFolderNode* f = session.tree.GetFirstFolder(); f && !found; f = f->GetNextFolder()) {
        found = f->GetFirstChild() != nullptr;
    }
    if (!found) {
        fmt::print(stderr, "tarvolin-cli: no files were found on {}; nothing to save\n", o.source);
        return kExitFailure;
    }
    if (!Tick(session.tree, o.select)) return kExitUsage;
    bool any = false;
    for (CFolderNode* f = session.tree.GetFirstFolder(); f && !any; f = f->GetNextFolder()) {
        for (CFileNode* n = f->GetFirstChild(); n && !any; n = n->GetNextFile())
            any = n->IsChecked();
    }
    if (!any) {
        reporter.Message("Please select files and folders", "Information", MsgIcon::Information);
        return kExitFailure;
    }

    session.destination = o.to;
    session.compress = o.zip;
    session.jobName = JobNameNow();
    session.jobMode = JobMode::Save;
    session.job.Reset();
    CSaveJob job(session, reporter);
    bool ran = false;
    {
        CInterruptGuard guard(session.job);
        reporter.Begin("Saving");
        std::thread worker([&job, &ran] { ran = job.Run(); });
        worker.join();
        reporter.End();
    }
    if (!ran) return kExitFailure;

    PrintResults(session, job);
    if (job.WasStopped()) {
        fmt::print(stderr, "tarvolin-cli: saving stopped\n");
        return kExitInterrupted;
    }
    if (job.GetUnarchivedCount() > 0) return kExitFailure;
    fmt::print("{}\n", o.zip ? "Compressed saving operation completed.\nYou would need unzip tool "
                               "to decompress recovered archive(s)."
                             : "Saving operation completed successfully");
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
    cmd->add_option("--select", o->select,
                    "Save only these types or files (jpg, \"file# 3.JPG\", ...); default: all")
        ->delimiter(',')
        ->type_name("TYPE|NAME");
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
