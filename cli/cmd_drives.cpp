// tarvolin-cli drives / destinations: the disks one can recover from, and the
// places found files can be saved to.
#include <fmt/format.h>

#include <nlohmann/json.hpp>

#include "cli/commands.h"
#include "disk/drives.h"

namespace tvn::cli {

namespace {

nlohmann::ordered_json DriveJson(const CLogicalDrives& d) {
    nlohmann::ordered_json parts = nlohmann::ordered_json::array();
    for (const CPartitionRecord& p : d.m_partitions) {
        parts.push_back({{"path", p.m_strPath},
                         {"label", p.m_strLabel},
                         {"fs_type", p.m_strFsType},
                         {"size", p.m_strSize},
                         {"size_bytes", p.m_ullSizeBytes},
                         {"item_text", p.ItemText()}});
    }
    return {{"drive", d.m_strDrive},
            {"item_text", d.ItemText()},
            {"serial", d.m_strSerial},
            {"model", d.m_strModel},
            {"media_type", d.m_strMediaType},
            {"size", d.m_strSize},
            {"firmware", d.m_strFirmware},
            {"interface_type", d.m_strInterfaceType},
            {"total_cylinders", d.m_strTotalCylinders},
            {"total_heads", d.m_strTotalHeads},
            {"total_sectors", d.m_strTotalSectors},
            {"size_bytes", d.m_ullSizeBytes},
            {"logical_sector_size", d.m_dwLogicalSectorSize},
            {"backing_file", d.m_strBackingFile},
            {"partitions", std::move(parts)}};
}

const char* AccessName(RawAccess how) {
    switch (how) {
        case RawAccess::Root: return "root";
        case RawAccess::Permission: return "permission";
        case RawAccess::UDisks2: return "udisks2";
        case RawAccess::None: break;
    }
    return "none";
}

}  // namespace

void AddDrivesCommand(CLI::App& app, CliContext& ctx) {
    auto* cmd = app.add_subcommand("drives", "List the disks one can recover from, with their partitions");
    auto json = std::make_shared<bool>(false);
    cmd->add_flag("--json", *json, "Print JSON with every field");
    cmd->callback([&ctx, json] {
        ctx.run = [json] {
            const DiscoveryResult found = FindPhysicalDrives();
            const RawAccessCheck access = IsDriverInstalled();
            if (*json) {
                nlohmann::ordered_json out;
                nlohmann::ordered_json list = nlohmann::ordered_json::array();
                for (const CLogicalDrives& d : found.drives) list.push_back(DriveJson(d));
                out["drives"] = std::move(list);
                out["raw_access"] = AccessName(access.how);
                if (!access.advice.empty()) out["advice"] = access.advice;
                if (!found.error.empty()) out["error"] = found.error;
                fmt::print("{}\n", out.dump(2));
                return found.error.empty() ? kExitOk : kExitFailure;
            }
            if (!found.error.empty()) {
                fmt::print(stderr, "tarvolin-cli: {}\n", found.error);
                return kExitFailure;
            }
            if (found.drives.empty()) fmt::print("No removable drives found\n");
            bool first = true;
            for (const CLogicalDrives& d : found.drives) {
                if (!first) fmt::print("\n");
                first = false;
                fmt::print("{}", d.DetailsText());
                for (const CPartitionRecord& p : d.m_partitions) fmt::print("    {}\n", p.ItemText());
                if (!d.m_partitions.empty()) fmt::print("\n");
            }
            if (access.how == RawAccess::None) fmt::print(stderr, "\n{}\n", access.advice);
            return kExitOk;
        };
    });
}

void AddDestinationsCommand(CLI::App& app, CliContext& ctx) {
    auto* cmd = app.add_subcommand("destinations", "List the places found files can be saved to");
    struct Opts {
        bool json = false;
        std::string source;
    };
    auto o = std::make_shared<Opts>();
    cmd->add_flag("--json", o->json, "Print JSON");
    cmd->add_option("--source", o->source, "The medium being recovered: mark the places on it");
    cmd->callback([&ctx, o] {
        ctx.run = [o] {
            const std::string source = o->source.empty() ? std::string() : CDiskSource::CanonicalIdentifier(o->source);
            const std::vector<CDestination> list = ListDestinations(source);
            if (o->json) {
                nlohmann::ordered_json out = nlohmann::ordered_json::array();
                for (const CDestination& d : list) {
                    nlohmann::ordered_json e{{"text", d.m_strText}, {"path", d.m_strPath}, {"label", d.m_strLabel}};
                    if (!source.empty()) {
                        e["on_source"] = d.m_bOnSource;
                        if (d.m_bOnSource) e["why"] = d.m_strWhy;
                    }
                    out.push_back(std::move(e));
                }
                fmt::print("{}\n", out.dump(2));
                return kExitOk;
            }
            for (const CDestination& d : list) {
                fmt::print("{}{}\n", d.m_strText, d.m_bOnSource ? "    (on the source: " + d.m_strWhy + ")" : "");
            }
            return kExitOk;
        };
    });
}

}  // namespace tvn::cli
