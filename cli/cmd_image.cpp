// tarvolin-cli image: the rescue copy of a failing card into an image file,
// with a map that lets it stop and go on.
#include <fmt/format.h>
#include <unistd.h>

#include <cmath>
#include <mutex>

#include "cli/commands.h"
#include "cli/manual.h"
#include "disk/disk_source.h"
#include "disk/on_source.h"
#include "output/image_job.h"

namespace tvn::cli {

namespace {

struct ImageCliOptions {
    std::string source;
    std::string to;
    std::string map;
    int retries = 1;
    bool reverse = false;
};

std::string Bytes(uint64_t n) {
    if (n >= (1ull << 30)) return fmt::format("{:.2f} GiB", static_cast<double>(n) / (1ull << 30));
    if (n >= (1ull << 20)) return fmt::format("{:.1f} MiB", static_cast<double>(n) / (1ull << 20));
    if (n >= (1ull << 10)) return fmt::format("{:.1f} KiB", static_cast<double>(n) / (1ull << 10));
    return fmt::format("{} B", n);
}

std::string Duration(double seconds) {
    const auto s = static_cast<uint64_t>(std::llround(seconds));
    if (s >= 86400) return fmt::format("{}d {}h", s / 86400, s % 86400 / 3600);
    if (s >= 3600) return fmt::format("{}h {:02}m", s / 3600, s % 3600 / 60);
    if (s >= 60) return fmt::format("{}m {:02}s", s / 60, s % 60);
    return fmt::format("{}s", s);
}

const char* PhaseName(RescuePhase p) {
    switch (p) {
        case RescuePhase::Copying: return "copying";
        case RescuePhase::Trimming: return "trimming";
        case RescuePhase::Scraping: return "scraping";
        case RescuePhase::Retrying: return "retrying";
        case RescuePhase::Finished: return "finished";
    }
    return "?";
}

// One line of progress: on a terminal redrawn in place, otherwise a line at a
// time.
class CImageProgressLine {
public:
    explicit CImageProgressLine(bool quiet) : m_quiet(quiet), m_tty(::isatty(2) != 0) {}
    void Show(const ImageProgress& p, uint32_t sectorSize) {
        if (m_quiet) return;
        const std::string estimate =
            p.estimate ? Duration(*p.estimate) + (p.estimateCountsBadAreas ? "" : " + bad areas")
                       : "unknown";
        const std::string line = fmt::format(
            "{} pass {}: rescued {} of {} ({:.1f}%), bad areas {}, bad sectors {}, "
            "{}/s, last good read {} ago, left about {}",
            PhaseName(p.phase), p.pass, Bytes(p.rescued), Bytes(p.size),
            p.size ? 100.0 * static_cast<double>(p.rescued) / static_cast<double>(p.size) : 0.0,
            p.badAreas, (p.badBytes + p.pending) / sectorSize, Bytes(static_cast<uint64_t>(p.currentRate)),
            Duration(p.sinceGoodRead), estimate);
        std::lock_guard lock(m_mutex);
        if (m_tty) {
            fmt::print(stderr, "\r\033[K{}", line);
            m_open = true;
        } else {
            fmt::print(stderr, "{}\n", line);
        }
        std::fflush(stderr);
    }
    void End() {
        std::lock_guard lock(m_mutex);
        if (m_open) fmt::print(stderr, "\n");
        m_open = false;
    }

private:
    bool m_quiet;
    bool m_tty;
    bool m_open = false;
    std::mutex m_mutex;
};

int RunImage(CliContext& ctx, const ImageCliOptions& o) {
    CSession session;
    CTerminalReporter reporter(ctx.log, ctx.quiet);
    // Refused before the medium is even opened: nothing may be written to it.
    const std::string map = o.map.empty() ? DefaultMapPath(o.to) : o.map;
    for (const std::string& path : {o.to, map}) {
        std::string why;
        if (IsDestinationOnSource(path, o.source, why)) {
            reporter.Message(fmt::format("{}: {}", path, why), "Error", MsgIcon::Error);
            return kExitFailure;
        }
    }
    if (!OpenSource(session, o.source, reporter)) return kExitFailure;

    CDiskSourceMedium medium(*session.diskSource);
    ImageOptions options;
    options.sourcePath = o.source;
    options.image = o.to;
    options.map = map;
    options.retries = o.retries;
    options.reverse = o.reverse;
    CImageProgressLine line(ctx.quiet);
    const uint32_t sectorSize = medium.SectorSize();
    session.job.Reset();
    CImageJob job(medium, options, session.job,
                  [&line, sectorSize](const ImageProgress& p) { line.Show(p, sectorSize); });
    ImageOutcome outcome;
    {
        CInterruptGuard guard(session.job);
        outcome = job.Run();
    }
    line.End();
    switch (outcome.result) {
        case ImageResult::Completed:
            fmt::print("{}\n", outcome.message);
            return kExitOk;
        case ImageResult::CompletedBad:
            fmt::print("{}\n", outcome.message);
            return kExitFailure;
        case ImageResult::Stopped:
            fmt::print(stderr, "tarvolin-cli: {}\n", outcome.message);
            return kExitInterrupted;
        case ImageResult::MediumLost:
        case ImageResult::DestinationFailed:
        case ImageResult::Refused:
            fmt::print(stderr, "tarvolin-cli: {}\n", outcome.message);
            return kExitFailure;
    }
    return kExitFailure;
}

}  // namespace

void AddImageCommand(CLI::App& app, CliContext& ctx) {
    auto* cmd = app.add_subcommand(
        "image", "Copy a failing medium into an image file, good areas first, with a map");
    auto o = std::make_shared<ImageCliOptions>();
    cmd->add_option("SOURCE", o->source, "Device or disk image to copy")->required();
    cmd->add_option("--to", o->to, "The image file to write (not on the medium)")
        ->required()
        ->type_name("IMAGE");
    cmd->add_option("--map", o->map,
                    "The map of what was copied (GNU ddrescue's mapfile format); run again with "
                    "the same map, the copy goes on where it stopped. Default: IMAGE.map")
        ->type_name("MAPFILE");
    cmd->add_option("--retries", o->retries, "How often the bad sectors are read again at the end")
        ->capture_default_str()
        ->check(CLI::Range(0, 1000))
        ->type_name("N");
    cmd->add_flag("--reverse", o->reverse, "Read the bad sectors again from the end backward");
    AddExample(cmd, "tarvolin-cli image /dev/sdb --to card.img --map card.map",
               "Copy the failing card in /dev/sdb to card.img, the good areas first; stopped, "
               "the same command goes on, and `tarvolin-cli scan card.img --map card.map` then "
               "recovers from the copy.");
    cmd->callback([&ctx, o] { ctx.run = [&ctx, o] { return RunImage(ctx, *o); }; });
}

}  // namespace tvn::cli
