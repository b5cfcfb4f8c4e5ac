#include "cli/commands.h"

namespace tvn::cli {

void AddSaveCommand(CLI::App&, CliContext&) {}

}  // namespace tvn::cli
