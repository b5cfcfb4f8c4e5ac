#include "ui/wizard_scan.h"

#include <sys/stat.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fmt/format.h>
#include <string_view>

#include "disk/on_source.h"
#include "disk/rescue_map.h"
#include "output/image_job.h"
#include "preview/i18n.h"

namespace tvn::ui {

namespace {
constexpr std::chrono::milliseconds kCheckpointInterval{5000};

uint64_t Fnv1a(std::string_view text) {
    uint64_t h = 0xcbf29ce484222325ull;
    for (const char c : text) {
        h ^= static_cast<uint8_t>(c);
        h *= 0x100000001b3ull;
    }
    return h;
}
}  // namespace

std::string WizardCheckpointPath(const CDiskSource& source) {
    std::string base;
    if (const char* state = std::getenv("XDG_STATE_HOME"); state != nullptr && state[0] == '/') {
        base = state;
    } else if (const char* home = std::getenv("HOME"); home != nullptr && home[0] == '/') {
        base = std::string(home) + "/.local/state";
    } else {
        return {};
    }
    const std::string key = fmt::format("{}|{}|{}", CDiskSource::CanonicalIdentifier(source.GetDrive()),
                                        source.GetTotalSectors(), source.GetSectorSizeU());
    return fmt::format("{}/tarvolin/checkpoints/{:016x}.checkpoint", base, Fnv1a(key));
}

std::optional<ScanCheckpoint> EarlierCheckpoint(const CDiskSource& source) {
    const std::string path = WizardCheckpointPath(source);
    struct stat st {};
    if (path.empty() || ::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
    std::string error;
    auto c = LoadScanCheckpoint(path, error);
    if (!c || !CheckpointIsOf(*c, source)) return std::nullopt;
    return c;
}

std::string RescueMapBeside(const std::string& image) {
    const std::string map = DefaultMapPath(image);
    struct stat st {};
    return ::stat(map.c_str(), &st) == 0 && S_ISREG(st.st_mode) ? map : std::string();
}

std::unique_ptr<CScanJob> MakeWizardScan(CSession& session, IReporter& reporter,
                                         const std::vector<FileType>& types,
                                         const std::string& mapPath, QString* mapProblem) {
    if (!session.diskSource) return nullptr;
    CDiskSource& d = *session.diskSource;
    auto job = std::make_unique<CScanJob>(d, session.tree, session.counters, session.job, reporter);
    if (!job->SetTypes(types)) return nullptr;
    job->SetExactLengths(session.exactLengths);

    session.neverRead.clear();
    if (!mapPath.empty()) {
        std::string error;
        const auto map = LoadRescueMap(mapPath, error);
        if (map && map->Size() != d.GetTotalSectors() * d.GetSectorSizeU()) {
            error = fmt::format("it is of a medium of {} bytes", map->Size());
        }
        if (map && error.empty()) {
            session.neverRead = NeverReadSectors(*map, d.GetSectorSizeU());
            job->AddKnownUnreadable(session.neverRead);
        } else if (mapProblem != nullptr) {
            *mapProblem = Tr("The map %1 cannot be used (%2); the scan counts every sector of the "
                             "image as read.")
                              .arg(QString::fromStdString(mapPath), QString::fromStdString(error));
        }
    }

    // The checkpoint is written like any other file of the program: never
    // onto the medium being recovered.
    const std::string path = WizardCheckpointPath(d);
    if (path.empty() || !WriteOnSourceRefusal(path, d.GetDrive()).empty()) return job;
    job->SetCheckpoint(
        [&session, &reporter, path, types, scan = job.get(), failed = false](ULONGLONG next) mutable {
            std::error_code ec;
            std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ec);
            const ScanCheckpoint c =
                MakeScanCheckpoint(*scan, *session.diskSource, session.tree, session.counters,
                                   session.job.FileCounter().load(), types, next, std::string());
            if (!SaveScanCheckpoint(path, c) && !failed) {
                failed = true;
                reporter.Console(fmt::format("Cannot write the checkpoint {}\n", path));
            }
        },
        kCheckpointInterval);
    return job;
}

bool ResumeWizardScan(CScanJob& job, CSession& session, const ScanCheckpoint& checkpoint) {
    std::string error;
    if (!ResumeScanFrom(checkpoint, job, session.tree, session.counters, error)) {
        return false;
    }
    session.exactLengths = checkpoint.exactLengths;
    return true;
}

}  // namespace tvn::ui
