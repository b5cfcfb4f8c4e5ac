#include <atomic>
#include <csignal>
#include <fmt/format.h>
#include <nlohmann/json.hpp>
#include <sstream>
#include <thread>

#include "catalog/scan_info.h"
#include "disk/rescue_map.h"
#include "cli/commands.h"
#include "scan/scan_job.h"

namespace tvn::cli {

namespace {
// The job a Ctrl-C stops. Signal handlers can reach nothing else.
std::atomic<CJobControl*> g_interruptTarget{nullptr};
std::atomic<bool> g_interrupted{false};

extern "C" void OnInterrupt(int) {
    g_interrupted.store(true);
    if (CJobControl* c = g_interruptTarget.load()) c->StopFromSignal();
}
}  // namespace

CInterruptGuard::CInterruptGuard(CJobControl& control) {
    g_interrupted.store(false);
    g_interruptTarget.store(&control);
    struct sigaction sa {};
    sa.sa_handler = OnInterrupt;
    sigemptyset(&sa.sa_mask);
    ::sigaction(SIGINT, &sa, nullptr);
    ::sigaction(SIGTERM, &sa, nullptr);
}

CInterruptGuard::~CInterruptGuard() {
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGTERM, SIG_DFL);
    g_interruptTarget.store(nullptr);
}

bool CInterruptGuard::Interrupted() { return g_interrupted.load(); }

std::vector<FileType> ParseTypes(const std::string& list) {
    std::vector<FileType> types;
    std::stringstream in(list);
    std::string item;
    while (std::getline(in, item, ',')) {
        if (item.empty()) continue;
        if (item == "all" || item == "ALL") {
            for (const TypeFacts& f : kTypes) types.push_back(f.type);
            continue;
        }
        const auto t = FindTypeByName(item);
        if (!t) {
            std::string known;
            for (const TypeFacts& f : kTypes) known += (known.empty() ? "" : ",") + std::string(f.name);
            throw CLI::ValidationError("--types", fmt::format("unknown file type '{}' (known: {}, or all)", item, known));
        }
        types.push_back(*t);
    }
    if (types.empty()) throw CLI::ValidationError("--types", "Please Select File types");
    return types;
}

bool TickSelection(CDirectoryTree& tree, const std::vector<std::string>& select) {
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

int PrepareSelection(CSession& session, const std::string& source, const std::string& scanInfo,
                     const std::vector<FileType>& types, const std::vector<std::string>& select,
                     CTerminalReporter& reporter, std::string_view verb,
                     const std::string& rescueMap) {
    const std::string done = verb == "burn" ? "burnt" : std::string(verb) + "d";
    if (!OpenSource(session, source, reporter)) return kExitFailure;
    if (!rescueMap.empty() && !ApplyRescueMap(session, rescueMap)) return kExitFailure;

    if (!scanInfo.empty()) {
        const auto sectors = static_cast<DWORD>(session.diskSource->GetTotalSectors());
        const std::string id = CDiskSource::CanonicalIdentifier(source);
        if (!LoadScanInfo(session, scanInfo, id, sectors, reporter)) return kExitFailure;
    } else if (RunScan(session, types, reporter)) {
        fmt::print(stderr, "tarvolin-cli: scan stopped; nothing {}\n", done);
        return kExitInterrupted;
    }

    bool found = false;
    for (CFolderNode* f = session.tree.GetFirstFolder(); f && !found; f = f->GetNextFolder()) {
        found = f->GetFirstChild() != nullptr;
    }
    if (!found) {
        fmt::print(stderr, "tarvolin-cli: no files were found on {}; nothing to {}\n", source,
                   verb);
        return kExitFailure;
    }
    if (!TickSelection(session.tree, select)) return kExitUsage;
    bool any = false;
    for (CFolderNode* f = session.tree.GetFirstFolder(); f && !any; f = f->GetNextFolder()) {
        for (CFileNode* n = f->GetFirstChild(); n && !any; n = n->GetNextFile())
            any = n->IsChecked();
    }
    if (!any) {
        reporter.Message("Please select files and folders", "Information", MsgIcon::Information);
        return kExitFailure;
    }
    return kExitOk;
}

bool ApplyRescueMap(CSession& session, const std::string& mapPath) {
    std::string error;
    const auto map = LoadRescueMap(mapPath, error);
    if (!map) {
        fmt::print(stderr, "tarvolin-cli: cannot use the map {}: {}\n", mapPath, error);
        return false;
    }
    const CDiskSource& d = *session.diskSource;
    const uint64_t bytes = d.GetTotalSectors() * d.GetSectorSizeU();
    if (map->Size() != bytes) {
        fmt::print(stderr,
                   "tarvolin-cli: the map {} is of a medium of {} bytes; {} has {} bytes\n",
                   mapPath, map->Size(), d.GetDrive(), bytes);
        return false;
    }
    session.neverRead = NeverReadSectors(*map, d.GetSectorSizeU());
    return true;
}

bool OpenSource(CSession& session, const std::string& path, CTerminalReporter& reporter) {
    const bool ok = session.OpenCurrentSource(path, reporter, kDisconnectedRestart);
    if (!ok) {
        const int err = session.diskSource ? session.diskSource->GetOpenError() : 0;
        if (err != 0) {
            std::string why;
            CDiskSource::GetErrorText(why, err);
            fmt::print(stderr, "tarvolin-cli: cannot open {}: {}\n", path, why);
            // What UDisks2 said when it was asked for the medium.
            const std::string& detail = session.diskSource->GetOpenDetail();
            if (!detail.empty()) fmt::print(stderr, "tarvolin-cli: {}\n", detail);
        }
    }
    return ok;
}

bool RunScan(CSession& session, const std::vector<FileType>& types, CTerminalReporter& reporter,
             bool straightforward, const std::function<void(CScanJob&)>& prepare) {
    CScanJob job(*session.diskSource, session.tree, session.counters, session.job, reporter);
    job.SetTypes(types);
    job.Context().straightforward = straightforward;
    job.SetExactLengths(session.exactLengths);
    if (prepare) prepare(job);
    session.jobMode = JobMode::Scan;
    session.job.Reset();
    CInterruptGuard guard(session.job);
    reporter.Begin("Scanning");
    std::thread worker([&job] { job.Run(); });
    worker.join();
    reporter.End();
    // What the scan could not read is kept with the session for the report.
    session.readHealth.Reset();
    session.readHealth.AddUnreadable(job.UnreadableRanges());
    if (job.MediumLost()) session.readHealth.SetMediumGone();
    // What the rescue copy of an image never read counts as unreadable too.
    if (!session.neverRead.empty()) session.readHealth.AddUnreadable(session.neverRead);
    return !session.job.IsRunning();
}

namespace {
// Whether a found file lies on any sector that could not be read.
bool TouchesUnreadable(const std::vector<SectorRange>& ranges, const CFileNode& n) {
    const uint64_t first = n.GetStartSector();
    const uint64_t last = n.GetEndSector();
    auto it = std::upper_bound(ranges.begin(), ranges.end(), first,
                               [](uint64_t f, const SectorRange& r) { return f < r.first + r.count; });
    return it != ranges.end() && it->first <= last;
}
}  // namespace

void PrintCatalogue(const CSession& session, bool json, bool stopped) {
    const CDirectoryTree& tree = session.tree;
    const std::vector<SectorRange> unreadable = session.readHealth.UnreadableRanges();
    uint64_t files = 0;
    if (json) {
        nlohmann::ordered_json out;
        out["source"] = session.selectedDrive;
        if (session.diskSource) {
            out["sector_size"] = session.diskSource->GetSectorSizeU();
            out["total_sectors"] = session.diskSource->GetTotalSectors();
            out["start_sector"] = session.diskSource->GetStartSector();
        }
        out["stopped"] = stopped;
        nlohmann::ordered_json folders = nlohmann::ordered_json::array();
        for (CFolderNode* f = tree.GetFirstFolder(); f; f = f->GetNextFolder()) {
            nlohmann::ordered_json jf;
            jf["name"] = f->GetName();
            nlohmann::ordered_json list = nlohmann::ordered_json::array();
            for (CFileNode* n = f->GetFirstChild(); n; n = n->GetNextFile()) {
                list.push_back({{"name", n->GetName()},
                                {"start_sector", n->GetStartSector()},
                                {"end_sector", n->GetEndSector()},
                                {"size", n->GetSize()}});
                // Lengths measured from the files' structure say which
                // files could not be followed to their end.
                if (n->GetLength() != CFileNode::Length::Carved) {
                    list.back()["may_be_incomplete"] =
                        n->GetLength() == CFileNode::Length::MayBeIncomplete;
                }
                if (TouchesUnreadable(unreadable, *n)) list.back()["touches_unreadable"] = true;
                ++files;
            }
            jf["files"] = std::move(list);
            folders.push_back(std::move(jf));
        }
        out["folders"] = std::move(folders);
        // Sectors that could not be read (zeros to the scan), as ranges of
        // first sector and count, and whether the medium went away.
        nlohmann::ordered_json ranges = nlohmann::ordered_json::array();
        for (const SectorRange& r : session.readHealth.UnreadableRanges()) {
            ranges.push_back({{"first", r.first}, {"count", r.count}});
        }
        out["unreadable_sectors"] = session.readHealth.UnreadableSectors();
        out["unreadable_ranges"] = std::move(ranges);
        out["medium_lost"] = session.readHealth.MediumGone();
        out["totals"] = {{"files", files},
                         {"folders", tree.m_ullFolderCount.load()},
                         {"found_bytes", tree.m_ullFoundBytes.load()}};
        fmt::print("{}\n", out.dump(2));
        return;
    }
    fmt::print("{:<6} {:<16} {:>14} {:>14} {:>12}\n", "Folder", "File", "Start sector",
               "End sector", "Size");
    for (CFolderNode* f = tree.GetFirstFolder(); f; f = f->GetNextFolder()) {
        for (CFileNode* n = f->GetFirstChild(); n; n = n->GetNextFile()) {
            fmt::print("{:<6} {:<16} {:>14} {:>14} {:>12}{}{}\n", f->GetName(), n->GetName(),
                       n->GetStartSector(), n->GetEndSector(), n->GetSize(),
                       n->GetLength() == CFileNode::Length::MayBeIncomplete
                           ? "  may be incomplete"
                           : "",
                       TouchesUnreadable(unreadable, *n) ? "  unreadable sectors" : "");
            ++files;
        }
    }
    fmt::print("{} files in {} folders, {} bytes found{}\n", files,
               tree.m_ullFolderCount.load(), tree.m_ullFoundBytes.load(),
               stopped ? " (scan stopped)" : "");
    if (const uint64_t bad = session.readHealth.UnreadableSectors(); bad > 0) {
        fmt::print("{} sector(s) could not be read; they were scanned as zeros\n", bad);
    }
    if (session.readHealth.MediumGone()) {
        fmt::print("The medium went away during the scan; the catalogue holds what was found "
                   "before\n");
    }
}

}  // namespace tvn::cli
