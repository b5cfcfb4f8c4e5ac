#include "cli/commands.h"

namespace tvn::cli {

void AddInfoCommand(CLI::App&, CliContext&) {}

bool SaveScanInfoFromCli(CSession&, const std::string&, CTerminalReporter& reporter) {
    reporter.Message("scan info files are not available yet", "Error", MsgIcon::Error);
    return false;
}

}  // namespace tvn::cli
