// The manual page and the bash completion of tarvolin-cli, both made from the
// command table itself (the CLI::App tree), so that a new command or option
// appears in them as soon as it is registered. The build runs the hidden
// options below to write the installed files.
#pragma once

#include <CLI/CLI.hpp>
#include <string>
#include <string_view>

namespace tvn::cli {

// Adds a worked example to a command: shown at the end of its --help and in
// the manual page. commandLine is what the user types ("tarvolin-cli scan
// card.img"); what says in one sentence what it does. Every command has one.
void AddExample(CLI::App* cmd, std::string_view commandLine, std::string_view what);

// The manual page tarvolin-cli(1) in man(7) markup.
std::string ManualPage(const CLI::App& app);

// A bash completion script for the program.
std::string BashCompletion(const CLI::App& app);

// Registers the hidden options --man (prints the manual page) and
// --completion bash (prints the completion script). Both end the program with
// status 0 before any command runs.
void AddDocumentationOptions(CLI::App& app);

// Value hints for options, read by the completion: an option whose type name
// ends with kDirHint completes directories, one that begins with "TYPE" (as
// kTypesHint) a comma-separated list of file types; anything else that takes a
// value completes file names.
inline constexpr const char* kDirHint = "DIR";
inline constexpr const char* kTypesHint = "TYPES";

}  // namespace tvn::cli
