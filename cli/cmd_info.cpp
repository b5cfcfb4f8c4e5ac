// tarvolin-cli info: what a scan info file holds, without the medium.
#include <fmt/format.h>

#include <nlohmann/json.hpp>

#include "catalog/scan_info.h"
#include "cli/commands.h"
#include "cli/manual.h"
#include "disk/disk_source.h"
#include "names/attach.h"

#include <unistd.h>

namespace tvn::cli {

namespace {

// The entries of the medium the file was made from, when it is here and may
// be read without asking (the same size as then); none otherwise.
std::vector<FsEntry> EntriesOfMedium(const ScanInfoContents& c, uint32_t& sectorSize) {
    if (c.driveId.empty() || ::access(c.driveId.c_str(), R_OK) != 0) return {};
    CDiskSource source(c.driveId);
    if (source.GetStatus() != CDiskSource::kUsable || static_cast<DWORD>(source.GetTotalSectors()) != c.totalSectors)
        return {};
    sectorSize = source.GetSectorSizeU();
    return ReadFsEntries(source).entries;
}

void PrintContents(const std::string& path, const ScanInfoContents& c, bool json) {
    uint64_t files = 0;
    for (const auto& f : c.folders) files += f.files.size();
    if (json) {
        nlohmann::ordered_json out;
        out["file"] = path;
        out["medium"] = c.driveId;
        out["total_sectors"] = c.totalSectors;
        // Names are not kept in the file: they are read from the medium.
        uint32_t sectorSize = 512;
        const std::vector<FsEntry> entries = EntriesOfMedium(c, sectorSize);
        const CEntryIndex index(entries, sectorSize);
        nlohmann::ordered_json folders = nlohmann::ordered_json::array();
        for (const auto& f : c.folders) {
            nlohmann::ordered_json list = nlohmann::ordered_json::array();
            for (const auto& n : f.files) {
                list.push_back({{"name", n.name},
                                {"start_sector", n.startSector},
                                {"end_sector", n.endSector},
                                {"size", n.size}});
                if (const FsEntry* e = index.Find(n.startSector, f.name))
                    AddOriginJson(list.back(), &e->origin);
            }
            folders.push_back({{"name", f.name}, {"files", std::move(list)}});
        }
        out["folders"] = std::move(folders);
        out["totals"] = {{"files", files}, {"folders", c.folders.size()}};
        fmt::print("{}\n", out.dump(2));
        return;
    }
    fmt::print("Scan info file: {}\n", path);
    fmt::print("Medium:         {}\n", EscapeControlCharacters(c.driveId));
    fmt::print("Total sectors:  {}\n", c.totalSectors);
    fmt::print("Folders:        {}\n", c.folders.size());
    fmt::print("Files:          {}\n", files);
    if (files == 0 && c.folders.empty()) return;
    fmt::print("\n{:<6} {:<16} {:>14} {:>14} {:>12}\n", "Folder", "File", "Start sector",
               "End sector", "Size");
    for (const auto& f : c.folders) {
        // Names are shown escaped: a crafted file must not steer the terminal.
        const std::string folder = EscapeControlCharacters(f.name);
        if (f.files.empty()) fmt::print("{:<6} {:<16}\n", folder, "(no files)");
        for (const auto& n : f.files) {
            fmt::print("{:<6} {:<16} {:>14} {:>14} {:>12}\n", folder, EscapeControlCharacters(n.name), n.startSector,
                       n.endSector, n.size);
        }
    }
}

}  // namespace

void AddInfoCommand(CLI::App& app, CliContext& ctx) {
    auto* cmd = app.add_subcommand(
        "info", "Print what a scan info file holds (medium, folders, files); needs no medium");
    struct Opts {
        std::string file;
        bool json = false;
    };
    auto o = std::make_shared<Opts>();
    cmd->add_option("FILE", o->file, "Scan info file")->required();
    cmd->add_flag("--json", o->json, "Print the contents as JSON on stdout");
    AddExample(cmd, "tarvolin-cli info card.bin",
               "List the files a scan kept in card.bin found, without the card.");
    cmd->callback([&ctx, o] {
        ctx.run = [&ctx, o] {
            CTerminalReporter reporter(ctx.log, ctx.quiet);
            const ScanInfoParse parse = ParseScanInfoFile(o->file);
            if (!parse.Ok()) {
                const ScanInfoMessage m = ScanInfoFailureMessage(parse);
                reporter.Message(m.text, m.caption, MsgIcon::Error);
                if (!parse.detail.empty()) {
                    fmt::print(stderr, "tarvolin-cli: {}: {}\n", o->file,
                               EscapeControlCharacters(parse.detail));
                }
                return kExitFailure;
            }
            PrintContents(o->file, parse.contents, o->json);
            return kExitOk;
        };
    });
}

bool SaveScanInfoFromCli(CSession& session, const std::string& path, CTerminalReporter& reporter) {
    return SaveScanInfo(session, path, reporter);
}

}  // namespace tvn::cli
