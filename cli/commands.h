// The subcommands of tarvolin-cli. Each Add*Command registers its options on
// the application and sets the function that runs it.
#pragma once

#include <CLI/CLI.hpp>
#include <cstdio>
#include <functional>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

#include "app/session.h"
#include "disk/on_source.h"
#include "cli/terminal_reporter.h"
#include "scan/scan_job.h"
#include "scan/type_table.h"

namespace tvn::cli {

// Exit statuses.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailure = 1;      // the job could not be done
inline constexpr int kExitUsage = 2;        // bad arguments
inline constexpr int kExitInterrupted = 130;

struct CliContext {
    std::string logPath;  // --log: where the diagnostic console goes
    bool quiet = false;   // --quiet: no progress display
    std::FILE* log = nullptr;
    // The medium the chosen command reads: nothing it writes, the log
    // included, may land on it.
    std::string source;
    std::function<int()> run;  // the chosen subcommand
};

void AddProbeCommand(CLI::App& app, CliContext& ctx);
void AddScanCommand(CLI::App& app, CliContext& ctx);
void AddInfoCommand(CLI::App& app, CliContext& ctx);
void AddSaveCommand(CLI::App& app, CliContext& ctx);
void AddDrivesCommand(CLI::App& app, CliContext& ctx);
void AddDestinationsCommand(CLI::App& app, CliContext& ctx);
void AddRecordersCommand(CLI::App& app, CliContext& ctx);
void AddBurnCommand(CLI::App& app, CliContext& ctx);
void AddPreviewCommand(CLI::App& app, CliContext& ctx);
void AddImageCommand(CLI::App& app, CliContext& ctx);

// --- helpers shared by the commands ---

// How lengths are found: from each file's own structure (the default), or by
// the window rules with --window-lengths. --exact-lengths is still accepted.
struct LengthOptions {
    bool exact = false;
    bool window = false;
    bool Exact() const { return !window; }
};
// Registers --exact-lengths and --window-lengths on cmd; what names what the
// command does with the bytes ("save", "burn", ...) in the help text.
void AddLengthOptions(CLI::App* cmd, LengthOptions& o, std::string_view what);

// What save and burn both take: the medium, where the catalogue comes from
// (a scan for types, or a scan info file), how lengths are found, and which
// of the found files to take.
struct SelectionOptions {
    std::string source;
    std::string types;
    std::string scanInfo;
    LengthOptions lengths;
    std::vector<std::string> select;
};
// Registers SOURCE, --types and --scan-info (which exclude each other), the
// length options and --select on cmd; verb names the job ("save", "burn").
void AddSelectionOptions(CLI::App* cmd, SelectionOptions& o, std::string_view verb);
// The types to scan for: none with a scan info file. Throws
// CLI::RequiredError when neither --types nor --scan-info was given.
std::vector<FileType> TypesToScan(const SelectionOptions& o);

// Parses "jpg,tif,..." or "all" (any case). Throws CLI::ValidationError on an
// unknown type.
std::vector<FileType> ParseTypes(const std::string& list);

// Opens the medium as the session's current disk source; on failure prints a
// clear message (with the system's reason) and returns false.
bool OpenSource(CSession& session, const std::string& path, CTerminalReporter& reporter);

// Runs a scan of the session's current disk source on a worker thread with
// the progress display; Ctrl-C stops it. Returns true when it was stopped.
// straightforward runs the slow reference path (for checks and benchmarks).
// prepare, when given, is called with the job before it runs (after its
// recognizer list is made): checkpoints and going on from one.
bool RunScan(CSession& session, const std::vector<FileType>& types, CTerminalReporter& reporter,
             bool straightforward = false,
             const std::function<void(CScanJob&)>& prepare = {});

// Writes the session's catalogue as a scan info file; false after a message.
bool SaveScanInfoFromCli(CSession& session, const std::string& path, CTerminalReporter& reporter);

// Ticks what the selection names: a type ("jpg", "JPG") ticks every file of
// that type, a file name ("file# 3.JPG") that file. Nothing named: everything.
// False, after a message, when an item names neither a type nor a found file.
bool TickSelection(CDirectoryTree& tree, const std::vector<std::string>& select);

// What save and burn do before their job: opens source, takes the catalogue
// from the scan info file (or scans for types), and ticks the selection.
// kExitOk to go on; otherwise the exit status, after a message. verb names
// the job in the messages ("save", "burn").
int PrepareSelection(CSession& session, const std::string& source, const std::string& scanInfo,
                     const std::vector<FileType>& types, const std::vector<std::string>& select,
                     CTerminalReporter& reporter, std::string_view verb,
                     const std::string& rescueMap = {});

// Reads the map of the rescue copy that made the session's medium (an image)
// and keeps the sectors it never read as unreadable (CSession::neverRead).
// False after a message when the map cannot be read or is of another size.
bool ApplyRescueMap(CSession& session, const std::string& mapPath);

// Prints the catalogue in catalogue order, as text or as JSON, on stdout.
void PrintCatalogue(const CSession& session, bool json, bool stopped);

// Reads the medium's file systems and names the catalogue's files from them
// (a line on the diagnostic console says how many).
void ReadNames(CSession& session, CTerminalReporter& reporter);
// original_path, times and deleted of a file named by the file system.
void AddOriginJson(nlohmann::ordered_json& file, const FileOrigin* origin);

// Ctrl-C handling: while a job runs, SIGINT clears its run flag.
class CInterruptGuard {
public:
    explicit CInterruptGuard(CJobControl& control);
    ~CInterruptGuard();
    CInterruptGuard(const CInterruptGuard&) = delete;
    CInterruptGuard& operator=(const CInterruptGuard&) = delete;
    static bool Interrupted();
};

}  // namespace tvn::cli
