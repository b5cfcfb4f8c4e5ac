// tarvolin-cli preview: copies one found file out of the medium exactly as
// the desktop's preview does (private folder, whole sectors plus one, repair
// by type), then has the decoder tarvolin-decode turn it into a PNG and a
// record. The decoder carries the image and media libraries, so the command
// line itself stays free of them; it comes with the desktop package.
#include <fcntl.h>
#include <spawn.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <fmt/format.h>
#include <nlohmann/json.hpp>

#include "catalog/scan_info.h"
#include "app/decoder_program.h"
#include "cli/commands.h"
#include "scan/exact/reload.h"
#include "cli/manual.h"
#include "output/preview_copy.h"

extern char** environ;

namespace tvn::cli {

namespace {

struct PreviewOptions {
    std::string source;
    std::string types;
    std::string scanInfo;
    std::string file;
    std::string to;
    bool json = false;
    LengthOptions lengths;
};

// Ctrl-C or SIGTERM while the copy is made or decoded: the decoder is ended
// and the private folder with the copy is removed before the command ends.
std::atomic<bool> g_previewInterrupted{false};

extern "C" void OnPreviewSignal(int) { g_previewInterrupted.store(true); }

class CPreviewSignals {
public:
    CPreviewSignals() {
        g_previewInterrupted.store(false);
        struct sigaction sa {};
        sa.sa_handler = OnPreviewSignal;
        sigemptyset(&sa.sa_mask);
        sa.sa_flags = 0;  // no restart: the wait for the decoder's output ends
        ::sigaction(SIGINT, &sa, &m_oldInt);
        ::sigaction(SIGTERM, &sa, &m_oldTerm);
    }
    ~CPreviewSignals() {
        ::sigaction(SIGINT, &m_oldInt, nullptr);
        ::sigaction(SIGTERM, &m_oldTerm, nullptr);
    }
    CPreviewSignals(const CPreviewSignals&) = delete;
    CPreviewSignals& operator=(const CPreviewSignals&) = delete;

private:
    struct sigaction m_oldInt {};
    struct sigaction m_oldTerm {};
};

// Runs the decoder and collects its standard output; -1 when it could not run.
int RunDecoder(const std::string& decoder, const std::string& type, const std::string& in,
               const std::string& out, std::string& output) {
    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC) != 0) return -1;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
    std::vector<std::string> args{decoder, type, in, out};
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    const int rc = ::posix_spawn(&pid, decoder.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipeFds[1]);
    if (rc != 0) {
        ::close(pipeFds[0]);
        return -1;
    }
    char buf[4096];
    for (ssize_t n; (n = ::read(pipeFds[0], buf, sizeof buf)) != 0;) {
        if (g_previewInterrupted.load()) {
            ::kill(pid, SIGKILL);
            break;
        }
        if (n < 0) {
            if (errno == EINTR) continue;
            break;
        }
        output.append(buf, static_cast<size_t>(n));
    }
    ::close(pipeFds[0]);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

CFileNode* FindFile(CDirectoryTree& tree, const std::string& wanted) {
    const size_t slash = wanted.find('/');
    const std::string type = slash == std::string::npos ? std::string() : wanted.substr(0, slash);
    const std::string name = slash == std::string::npos ? wanted : wanted.substr(slash + 1);
    for (CFolderNode* f = tree.GetFirstFolder(); f; f = f->GetNextFolder()) {
        if (!type.empty()) {
            const auto t = FindTypeByName(type);
            if (!t || f->GetName() != TypeName(*t)) continue;
        }
        for (CFileNode* n = f->GetFirstChild(); n; n = n->GetNextFile())
            if (n->GetName() == name) return n;
    }
    return nullptr;
}

int RunPreview(CliContext& ctx, const PreviewOptions& o, const std::vector<FileType>& types) {
    CSession session;
    CTerminalReporter reporter(ctx.log, ctx.quiet);
    // The picture may not land on the medium.
    if (const std::string refusal = WriteOnSourceRefusal(o.to, o.source); !refusal.empty()) {
        reporter.Message(refusal, "Error", MsgIcon::Error);
        return kExitFailure;
    }
    const std::string decoder = FindDecoderProgram();
    if (decoder.empty()) {
        fmt::print(stderr,
                   "tarvolin-cli: preview needs the decoder tarvolin-decode, which comes with the "
                   "desktop package (tarvolin); install it, or name it with TVN_DECODER\n");
        return kExitFailure;
    }
    if (!OpenSource(session, o.source, reporter)) return kExitFailure;
    session.exactLengths = o.lengths.Exact();
    if (!o.scanInfo.empty()) {
        const auto sectors = static_cast<DWORD>(session.diskSource->GetTotalSectors());
        const std::string id = CDiskSource::CanonicalIdentifier(o.source);
        if (!LoadScanInfo(session, o.scanInfo, id, sectors, reporter)) return kExitFailure;
        if (session.exactLengths && session.diskSource) {
            MeasureLoadedLengths(*session.diskSource, session.tree, session.readHealth);
        }
    } else if (RunScan(session, types, reporter)) {
        fmt::print(stderr, "tarvolin-cli: scan stopped\n");
        return kExitInterrupted;
    }
    CFileNode* node = FindFile(session.tree, o.file);
    if (node == nullptr) {
        fmt::print(stderr, "tarvolin-cli: --file: no found file '{}' (TYPE/NAME, as 'info' lists them)\n",
                   o.file);
        return kExitUsage;
    }
    const std::string type = node->GetParent()->GetName();
    if (ViewerForType(type) == PreviewViewer::None) {
        fmt::print(stderr, "tarvolin-cli: {}\n", kPreviewNotAvailable);
        return kExitFailure;
    }
    if (node->GetSize() >= kPreviewSkipFrom) {
        fmt::print(stderr, "tarvolin-cli: {}\n", kPreviewTooLarge);
        return kExitFailure;
    }
    // The copy reads the session's medium, checked as still there, as the
    // desktop does.
    if (!session.UseCurrentSource(session.selectedDrive, reporter, kDisconnectedRestart))
        return kExitFailure;
    CPreviewSignals signals;
    if (EnsurePreviewDir(session, reporter) == nullptr) return kExitFailure;
    const PreviewCopy copy = ExtractPreviewCopy(session, *node, reporter);
    if (copy.path.empty()) {
        fmt::print(stderr, "tarvolin-cli: {} could not be copied out of the medium\n", node->GetName());
        return kExitFailure;
    }
    std::string output;
    const int rc = RunDecoder(decoder, type, copy.path, o.to, output);
    WipeFile(copy.path);
    if (g_previewInterrupted.load()) {
        // The session removes the private folder as it ends.
        fmt::print(stderr, "tarvolin-cli: preview interrupted\n");
        return kExitInterrupted;
    }
    if (rc < 0 || rc == 2) {
        fmt::print(stderr, "tarvolin-cli: the decoder {} failed to run\n", decoder);
        return kExitFailure;
    }
    nlohmann::json record = nlohmann::json::parse(output, nullptr, false);
    if (record.is_discarded() || !record.is_object()) record = nlohmann::json::object();
    if (record.contains("name")) record["name"] = node->GetName();
    record["type"] = type;
    if (record.contains("picture")) record["png"] = o.to;
    if (o.json) {
        fmt::print("{}\n", record.dump(2));
    } else {
        for (const auto& [key, value] : record.items()) {
            if (value.is_object()) {
                fmt::print("{:<24} {} x {}\n", key, value.value("width", 0), value.value("height", 0));
            } else {
                fmt::print("{:<24} {}\n", key, value.is_string() ? value.get<std::string>() : value.dump());
            }
        }
    }
    if (rc != 0) {
        fmt::print(stderr, "tarvolin-cli: {} could not be decoded; no preview\n", node->GetName());
        return kExitFailure;
    }
    return kExitOk;
}

}  // namespace

void AddPreviewCommand(CLI::App& app, CliContext& ctx) {
    auto* cmd = app.add_subcommand(
        "preview", "Decode one found file as the desktop's preview does: PNG and image record");
    auto o = std::make_shared<PreviewOptions>();
    cmd->add_option("SOURCE", o->source, "Device or disk image")->required();
    auto* typesOpt = cmd->add_option("--types", o->types, "Scan for these types: jpg,tif,... or all")
                         ->type_name(kTypesHint);
    auto* infoOpt = cmd->add_option("--scan-info", o->scanInfo,
                                    "Take the catalogue from this scan info file instead of scanning")
                        ->type_name("FILE");
    typesOpt->excludes(infoOpt);
    cmd->add_option("--file", o->file, "The found file: TYPE/NAME, e.g. \"JPG/file# 3.JPG\"")->required();
    cmd->add_option("--to", o->to, "PNG to write the picture (or a video's first frame) to")->required();
    cmd->add_flag("--json", o->json, "Print the record as JSON");
    AddLengthOptions(cmd, o->lengths, "copy");
    AddExample(cmd, "tarvolin-cli preview card.img --scan-info card.bin --file \"JPG/file# 3.JPG\" --to photo.png",
               "Decode the third JPEG photo found on the card image and write it as photo.png.");
    cmd->callback([&ctx, o] {
        if (o->types.empty() && o->scanInfo.empty()) throw CLI::RequiredError("--types or --scan-info");
        const std::vector<FileType> types =
            o->scanInfo.empty() ? ParseTypes(o->types) : std::vector<FileType>{};
        ctx.source = o->source;
        ctx.run = [&ctx, o, types] { return RunPreview(ctx, *o, types); };
    });
}

}  // namespace tvn::cli
