#include <fmt/format.h>

#include "cli/commands.h"
#include "cli/manual.h"

namespace tvn::cli {

namespace {
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

void AddScanCommand(CLI::App& app, CliContext& ctx) {
    auto* cmd = app.add_subcommand("scan", "Scan a medium for files and print what was found");
    struct Opts {
        std::string source;
        std::string types = "all";
        bool json = false;
        std::string saveScanInfo;
        bool straightforward = false;
        bool exactLengths = false;
        std::string map;
    };
    auto o = std::make_shared<Opts>();
    cmd->add_option("SOURCE", o->source, "Device or disk image")->required();
    cmd->add_option("--types", o->types, "Types to look for: jpg,tif,... or all")
        ->capture_default_str()
        ->type_name(kTypesHint);
    cmd->add_flag("--json", o->json, "Print the catalogue as JSON on stdout");
    cmd->add_option("--save-scan-info", o->saveScanInfo, "Write the scan info to this file")
        ->type_name("FILE");
    cmd->add_flag("--exact-lengths", o->exactLengths,
                  "Measure each file's length from its own structure (files that cannot be "
                  "followed to their end are marked \"may be incomplete\")");
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
        const std::vector<FileType> types = ParseTypes(o->types);
        ctx.run = [&ctx, o, types] {
            CSession session;
            CTerminalReporter reporter(ctx.log, ctx.quiet);
            if (!OpenSource(session, o->source, reporter)) return kExitFailure;
            if (!o->map.empty() && !ApplyRescueMap(session, o->map)) return kExitFailure;
            session.exactLengths = o->exactLengths;
            const bool stopped = RunScan(session, types, reporter, o->straightforward);
            PrintCatalogue(session, o->json, stopped);
            if (!o->saveScanInfo.empty() && !SaveScanInfoFromCli(session, o->saveScanInfo, reporter)) {
                return kExitFailure;
            }
            return stopped ? kExitInterrupted : kExitOk;
        };
    });
}

}  // namespace tvn::cli
