#include <fmt/format.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <optional>

#include "catalog/scan_info.h"
#include "cli/commands.h"
#include "scan/scan_checkpoint.h"
#include "cli/manual.h"

namespace tvn::cli {

namespace {
// How often a scan writes its checkpoint; TVN_CHECKPOINT_MS sets it (tests).
const std::chrono::milliseconds kCheckpointInterval = [] {
    const char* env = std::getenv("TVN_CHECKPOINT_MS");
    return std::chrono::milliseconds(env != nullptr ? std::atoi(env) : 5000);
}();

const char* KindName(MediumKind k) {
    switch (k) {
        case MediumKind::WholeDisk: return "whole disk";
        case MediumKind::Partition: return "partition";
        case MediumKind::Image: return "disk image";
        case MediumKind::Other: return "other";
        case MediumKind::Missing: return "missing";
    }
    return "?";
}
}  // namespace

void AddProbeCommand(CLI::App& app, CliContext& ctx) {
    auto* cmd = app.add_subcommand("probe", "Open a medium and print its disk-source figures");
    auto source = std::make_shared<std::string>();
    cmd->add_option("SOURCE", *source, "Device or disk image")->required();
    AddExample(cmd, "tarvolin-cli probe /dev/mmcblk0",
               "Show the sector size, size and start sector of the card in the built-in reader.");
    cmd->callback([&ctx, source] {
        ctx.source = *source;
        ctx.run = [&ctx, source] {
            CSession session;
            CTerminalReporter reporter(ctx.log, ctx.quiet);
            if (!OpenSource(session, *source, reporter)) return kExitFailure;
            const CDiskSource& d = *session.diskSource;
            fmt::print("Medium:              {}\n", d.GetDrive());
            fmt::print("Kind:                {}\n", KindName(d.GetKind()));
            fmt::print("Sector size:         {}\n", d.GetSectorSize());
            fmt::print("Sectors per cluster: {}\n", d.GetSectorsPerCluster());
            fmt::print("Total sectors:       {}\n", d.GetTotalSectors());
            fmt::print("Total clusters:      {}\n", d.GetTotalClusters());
            fmt::print("Start sector:        {}\n", d.GetStartSector());
            fmt::print("Status:              {}\n", d.GetStatus());
            return kExitOk;
        };
    });
}

namespace {

struct ScanOpts {
    std::string source;
    std::string types = "all";
    bool json = false;
    std::string saveScanInfo;
    bool straightforward = false;
    LengthOptions lengths;
    bool exactLengths = true;  // what the scan measures with, after --resume
    std::string map;
    std::string resume;
};

int RunScanCommand(CliContext& ctx, ScanOpts o, std::vector<FileType> types) {
    CSession session;
    CTerminalReporter reporter(ctx.log, ctx.quiet);
    o.exactLengths = o.lengths.Exact();
    std::optional<ScanCheckpoint> resume;
    if (!o.resume.empty()) {
        std::string error;
        resume = LoadScanCheckpoint(o.resume, error);
        if (!resume) {
            fmt::print(stderr, "tarvolin-cli: cannot go on from {}: {}\n", o.resume, error);
            return kExitFailure;
        }
        if (o.source.empty()) o.source = resume->driveId;
        if (o.saveScanInfo.empty()) o.saveScanInfo = resume->scanInfoPath;
        types = resume->types;
        o.exactLengths = resume->exactLengths;
    }
    // Refused before the scan: neither the scan info nor the checkpoint
    // written as the scan goes may land on the medium.
    for (const std::string* path : {&o.saveScanInfo, &o.resume}) {
        if (path->empty()) continue;
        if (const std::string refusal = WriteOnSourceRefusal(*path, o.source); !refusal.empty()) {
            reporter.Message(refusal, "Error", MsgIcon::Error);
            return kExitFailure;
        }
    }
    if (!OpenSource(session, o.source, reporter)) return kExitFailure;
    if (!o.map.empty() && !ApplyRescueMap(session, o.map)) return kExitFailure;
    CDiskSource& d = *session.diskSource;
    if (resume && !CheckpointIsOf(*resume, d)) {
        fmt::print(stderr,
                   "tarvolin-cli: the checkpoint {} is of another medium ({}, {} sectors of {} "
                   "bytes)\n",
                   o.resume, resume->driveId, resume->totalSectors, resume->sectorSize);
        return kExitFailure;
    }
    session.exactLengths = o.exactLengths;
    // The checkpoint: the one gone on from, else beside the scan info file.
    const std::string checkpointPath =
        !o.resume.empty() ? o.resume
                          : (o.saveScanInfo.empty() ? std::string() : CheckpointPathFor(o.saveScanInfo));
    bool checkpointFailed = false;
    const auto prepare = [&](CScanJob& job) {
        if (resume) {
            std::string error;
            if (!ResumeScanFrom(*resume, job, session.tree, session.counters, error)) {
                reporter.Console(fmt::format("Cannot go on from {}: {}\n", o.resume, error));
            }
        }
        if (checkpointPath.empty()) return;
        job.SetCheckpoint(
            [&, types, scan = &job](ULONGLONG next) {
                const ScanCheckpoint c =
                    MakeScanCheckpoint(*scan, d, session.tree, session.counters,
                                       session.job.FileCounter().load(), types, next, o.saveScanInfo);
                if (!SaveScanCheckpoint(checkpointPath, c) && !checkpointFailed) {
                    checkpointFailed = true;
                    reporter.Console(fmt::format("Cannot write the checkpoint {}\n", checkpointPath));
                }
            },
            kCheckpointInterval);
    };
    const bool stopped = RunScan(session, types, reporter, o.straightforward, prepare);
    // The scan info first: nothing the printing meets may lose it.
    const bool saved =
        o.saveScanInfo.empty() || SaveScanInfoFromCli(session, o.saveScanInfo, reporter);
    PrintCatalogue(session, o.json, stopped);
    if (!saved) return kExitFailure;
    if (stopped) {
        if (!checkpointPath.empty() && ::access(checkpointPath.c_str(), F_OK) == 0) {
            fmt::print(stderr, "tarvolin-cli: scan stopped; go on with tarvolin-cli scan --resume {}\n",
                       checkpointPath);
        }
        return kExitInterrupted;
    }
    // A scan that ran to its end needs no checkpoint any more.
    if (!checkpointPath.empty()) ::unlink(checkpointPath.c_str());
    return kExitOk;
}

}  // namespace

void AddScanCommand(CLI::App& app, CliContext& ctx) {
    auto* cmd = app.add_subcommand("scan", "Scan a medium for files and print what was found");
    auto o = std::make_shared<ScanOpts>();
    cmd->add_option("SOURCE", o->source,
                    "Device or disk image (with --resume: the checkpoint's, when not given)");
    cmd->add_option("--types", o->types, "Types to look for: jpg,tif,... or all")
        ->capture_default_str()
        ->type_name(kTypesHint);
    cmd->add_flag("--json", o->json, "Print the catalogue as JSON on stdout");
    cmd->add_option("--save-scan-info", o->saveScanInfo,
                    "Write the scan info to this file; while the scan runs, a checkpoint is "
                    "kept beside it (FILE.checkpoint) every few seconds for --resume")
        ->type_name("FILE");
    AddLengthOptions(cmd, o->lengths, "list");
    cmd->add_option("--resume", o->resume,
                    "Go on with a scan that was stopped or killed, from its checkpoint "
                    "(the types and scan info file are the checkpoint's)")
        ->type_name("CHECKPOINT");
    cmd->add_option("--map", o->map,
                    "SOURCE is an image made by `tarvolin-cli image`: its map, so that the "
                    "sectors the copy never read count as unreadable")
        ->type_name("MAPFILE");
    cmd->add_flag("--straightforward", o->straightforward,
                  "Test every window position and measure every length anew (slow; the "
                  "reference the fast scan is checked against)")
        ->group("Checking");
    AddExample(cmd, "tarvolin-cli scan /dev/sdb --types jpg,cr2 --save-scan-info card.bin",
               "List the JPEG photos and Canon raw files found on the card in /dev/sdb and keep "
               "the result in card.bin for a later save.");
    cmd->callback([&ctx, o] {
        if (o->source.empty() && o->resume.empty()) throw CLI::RequiredError("SOURCE");
        const std::vector<FileType> types =
            o->resume.empty() ? ParseTypes(o->types) : std::vector<FileType>{};
        ctx.source = o->source;
        ctx.run = [&ctx, o, types] { return RunScanCommand(ctx, *o, types); };
    });
}

}  // namespace tvn::cli
