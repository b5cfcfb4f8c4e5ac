#include <atomic>
#include <cctype>
#include <csignal>
#include <fmt/format.h>
#include <nlohmann/json.hpp>
#include <sstream>
#include <thread>

#include "catalog/scan_info.h"
#include "names/attach.h"
#include "disk/rescue_map.h"
#include "cli/commands.h"
#include "cli/manual.h"
#include "scan/exact/reload.h"
#include "scan/scan_job.h"

namespace tvn::cli {

namespace {
bool IsValidUtf8(std::string_view s) {
    size_t i = 0;
    while (i < s.size()) {
        const auto b = static_cast<uint8_t>(s[i]);
        size_t n = 0;
        uint32_t cp = 0;
        if (b < 0x80) {
            ++i;
            continue;
        }
        if ((b & 0xE0) == 0xC0) {
            n = 1, cp = b & 0x1Fu;
        } else if ((b & 0xF0) == 0xE0) {
            n = 2, cp = b & 0x0Fu;
        } else if ((b & 0xF8) == 0xF0) {
            n = 3, cp = b & 0x07u;
        } else {
            return false;
        }
        if (i + n >= s.size()) return false;
        for (size_t k = 1; k <= n; ++k) {
            const auto c = static_cast<uint8_t>(s[i + k]);
            if ((c & 0xC0) != 0x80) return false;
            cp = (cp << 6) | (c & 0x3Fu);
        }
        // Overlong forms, surrogates and values past the last code point.
        if ((n == 1 && cp < 0x80) || (n == 2 && cp < 0x800) || (n == 3 && cp < 0x10000) ||
            (cp >= 0xD800 && cp <= 0xDFFF) || cp > 0x10FFFF)
            return false;
        i += n + 1;
    }
    return true;
}

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
        // Which lengths the files' structure confirms is found on the medium
        // again; the window rules take the file's sizes as they are.
        if (session.exactLengths && session.diskSource) {
            MeasureLoadedLengths(*session.diskSource, session.tree, session.readHealth);
        }
        ReadNames(session, reporter);
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

void AddLengthOptions(CLI::App* cmd, LengthOptions& o, std::string_view what) {
    auto* exact = cmd->add_flag(
        "--exact-lengths", o.exact,
        fmt::format("Measure each file's length from its own structure and {} exactly its bytes "
                    "(the default; files that cannot be followed to their end are marked \"may "
                    "be incomplete\")",
                    what));
    auto* window = cmd->add_flag(
        "--window-lengths", o.window,
        "Find lengths by the older rules instead: up to the next file of the same kind or the "
        "end of a search window, whole sectors and one more, files of some types above 50 MB "
        "cut to 1 MB");
    exact->excludes(window);
    window->excludes(exact);
}

void AddSelectionOptions(CLI::App* cmd, SelectionOptions& o, std::string_view verb) {
    cmd->add_option("SOURCE", o.source, "Device or disk image")->required();
    auto* typesOpt =
        cmd->add_option("--types", o.types, "Scan for these types: jpg,tif,... or all")
            ->type_name(kTypesHint);
    auto* infoOpt =
        cmd->add_option("--scan-info", o.scanInfo,
                        "Take the catalogue from this scan info file instead of scanning")
            ->type_name("FILE");
    typesOpt->excludes(infoOpt);
    AddLengthOptions(cmd, o.lengths, verb);
    std::string only(verb);
    if (!only.empty()) only[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(only[0])));
    cmd->add_option("--select", o.select,
                    fmt::format("{} only these types or files (jpg, \"file# 3.JPG\", ...); default: all",
                                only))
        ->delimiter(',')
        ->type_name("TYPE|NAME");
}

std::vector<FileType> TypesToScan(const SelectionOptions& o) {
    if (o.types.empty() && o.scanInfo.empty()) throw CLI::RequiredError("--types or --scan-info");
    return o.scanInfo.empty() ? ParseTypes(o.types) : std::vector<FileType>{};
}

bool OpenSource(CSession& session, const std::string& path, CTerminalReporter& reporter) {
    const bool ok = session.OpenCurrentSource(path, reporter, kDisconnectedRestart);
    if (!ok && !session.sourceRefusal.empty()) {
        fmt::print(stderr, "tarvolin-cli: cannot open {}: {}\n", path, session.sourceRefusal);
    } else if (!ok) {
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
    // What the rescue copy never read is unreadable from the start, so a
    // checkpoint keeps it too.
    if (!session.neverRead.empty()) job.AddKnownUnreadable(session.neverRead);
    if (prepare) prepare(job);
    session.jobMode = JobMode::Scan;
    session.job.Reset();
    CInterruptGuard guard(session.job);
    reporter.Begin("Scanning");
    JobOutcome outcome;
    std::thread worker([&job, &outcome] { outcome = job.Run(); });
    worker.join();
    reporter.End();
    // A scan that did not start only says why; it is told here.
    if (outcome.result == JobResult::Refused) reporter.Message(outcome.message, "Information", MsgIcon::Information);
    // What the scan could not read is kept with the session for the report.
    session.readHealth.Reset();
    session.readHealth.AddUnreadable(job.UnreadableRanges());
    if (job.MediumLost()) session.readHealth.SetMediumGone();
    // What the rescue copy of an image never read counts as unreadable too.
    if (!session.neverRead.empty()) session.readHealth.AddUnreadable(session.neverRead);
    const bool stopped = !session.job.IsRunning();
    if (!stopped && !job.MediumLost()) ReadNames(session, reporter);
    return stopped;
}

void ReadNames(CSession& session, CTerminalReporter& reporter) {
    if (!session.diskSource) return;
    const NameSummary s = ReadOriginalNames(session.tree, *session.diskSource);
    reporter.Console(fmt::format("{} ({:.3f} s)\n", DescribeNames(s), s.seconds));
}

namespace {

// The times of an entry: UTC seconds, and how the file system keeps them.
nlohmann::ordered_json TimesJson(const FileOrigin& o) {
    nlohmann::ordered_json t = nlohmann::ordered_json::object();
    const auto one = [&t](const char* key, const EntryTime& e) {
        if (!e.known) return;
        t[key] = e.seconds;
    };
    one("modified", o.modified);
    one("created", o.created);
    const EntryTime& e = o.modified.known ? o.modified : o.created;
    if (e.hasOffset) {
        t["zone"] = fmt::format("{}{:02}:{:02}", e.offsetMinutes < 0 ? '-' : '+',
                                std::abs(e.offsetMinutes) / 60, std::abs(e.offsetMinutes) % 60);
    } else {
        t["zone"] = e.localZone ? "local" : "utc";
    }
    return t;
}

}  // namespace

void AddOriginJson(nlohmann::ordered_json& file, const FileOrigin* origin) {
    if (origin == nullptr) return;
    file["original_path"] = origin->path;
    file["times"] = TimesJson(*origin);
    file["deleted"] = origin->deleted;
    if (origin->deleted) file["first_letter"] = NameRestoreText(origin->restore);
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
        // A path need not be UTF-8: its text then carries the replacement
        // character, and its bytes are given as they are.
        if (!IsValidUtf8(session.selectedDrive)) {
            nlohmann::ordered_json bytes = nlohmann::ordered_json::array();
            for (const char c : session.selectedDrive) bytes.push_back(static_cast<uint8_t>(c));
            out["source_bytes"] = std::move(bytes);
        }
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
                AddOriginJson(list.back(), n->GetOrigin());
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
        fmt::print("{}\n", out.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace));
        return;
    }
    fmt::print("{:<6} {:<16} {:>14} {:>14} {:>12}  {}\n", "Folder", "File", "Start sector",
               "End sector", "Size", "Original name");
    uint64_t named = 0;
    for (CFolderNode* f = tree.GetFirstFolder(); f; f = f->GetNextFolder()) {
        for (CFileNode* n = f->GetFirstChild(); n; n = n->GetNextFile()) {
            std::string original;
            if (const FileOrigin* o = n->GetOrigin()) {
                original = "/" + o->path + (o->deleted ? " (deleted)" : "");
                ++named;
            }
            fmt::print("{:<6} {:<16} {:>14} {:>14} {:>12}  {}{}{}\n", f->GetName(), n->GetName(),
                       n->GetStartSector(), n->GetEndSector(), n->GetSize(), original,
                       n->GetLength() == CFileNode::Length::MayBeIncomplete
                           ? "  may be incomplete"
                           : "",
                       TouchesUnreadable(unreadable, *n) ? "  unreadable sectors" : "");
            ++files;
        }
    }
    if (named > 0) fmt::print("{} of the files named by the file system\n", named);
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
