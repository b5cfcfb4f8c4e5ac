// tarvolin-cli: find photos, camera raw files, music and video on a disk, a
// card or a disk image, and save them. The medium is only ever read.
#include <CLI/CLI.hpp>
#include <cstdio>
#include <fmt/format.h>

#include "cli/commands.h"
#include "cli/manual.h"

int main(int argc, char** argv) {
    using namespace tvn::cli;
    CLI::App app{"Tarvolin: recovers photos, camera raw files, music and video by file carving.\n"
                 "The medium is opened read-only; nothing is ever written to it.",
                 "tarvolin-cli"};
    app.set_version_flag("--version", std::string("tarvolin-cli ") + TVN_VERSION);
    app.require_subcommand(1);
    CliContext ctx;
    app.add_option("--log", ctx.logPath, "Write the diagnostic console to this file")
        ->type_name("FILE");
    app.add_flag("-q,--quiet", ctx.quiet, "No progress display");

    AddProbeCommand(app, ctx);
    AddScanCommand(app, ctx);
    AddInfoCommand(app, ctx);
    AddSaveCommand(app, ctx);
    AddDrivesCommand(app, ctx);
    AddDestinationsCommand(app, ctx);
    AddRecordersCommand(app, ctx);
    AddBurnCommand(app, ctx);
    AddPreviewCommand(app, ctx);
    AddImageCommand(app, ctx);
    AddDocumentationOptions(app);

    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForVersion& e) {
        return app.exit(e);
    } catch (const CLI::Success& e) {  // --man, --completion
        return app.exit(e);
    } catch (const CLI::ParseError& e) {
        app.exit(e);
        return kExitUsage;
    }
    if (!ctx.logPath.empty()) {
        // The log is appended to: never to the medium being read.
        if (const std::string refusal = tvn::WriteOnSourceRefusal(ctx.logPath, ctx.source);
            !refusal.empty()) {
            tvn::cli::CTerminalReporter(nullptr, true).Message(refusal, "Error", tvn::MsgIcon::Error);
            return kExitFailure;
        }
        ctx.log = std::fopen(ctx.logPath.c_str(), "a");
        if (ctx.log == nullptr) {
            fmt::print(stderr, "tarvolin-cli: cannot open log file {}\n", ctx.logPath);
            return kExitFailure;
        }
    }
    int status = kExitFailure;
    try {
        status = ctx.run ? ctx.run() : kExitUsage;
    } catch (const CLI::ParseError& e) {
        app.exit(e);
        status = kExitUsage;
    } catch (const std::exception& e) {
        fmt::print(stderr, "tarvolin-cli: {}\n", e.what());
        status = kExitFailure;
    }
    if (ctx.log != nullptr) std::fclose(ctx.log);
    return status;
}
