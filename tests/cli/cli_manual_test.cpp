// The manual page and the bash completion of tarvolin-cli against what the
// program itself says in --help, so that neither drifts from the commands.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

#include "tests/support/test_support.h"

namespace tvn {
namespace {

std::string Cli(const std::string& args) { return std::string(TVN_CLI) + " " + args; }

std::string Output(const std::string& command) {
    std::string out;
    EXPECT_EQ(test::RunCommand(command, &out), 0) << command;
    return out;
}

// What one --help screen lists: option names, positional names and, on the
// top level, the commands. Headings are unindented lines ending in ':'; an
// entry is a line indented by exactly two spaces; the examples are skipped.
struct HelpScreen {
    std::set<std::string> options;
    std::set<std::string> positionals;
    std::vector<std::string> commands;
    bool hasExample = false;
};

HelpScreen ParseHelp(const std::string& text) {
    HelpScreen h;
    std::istringstream in(text);
    std::string line;
    std::string heading;
    while (std::getline(in, line)) {
        if (!line.empty() && line[0] != ' ' && line.back() == ':') {
            heading = line.substr(0, line.size() - 1);
            if (heading == "Examples") h.hasExample = true;
            continue;
        }
        if (!line.starts_with("  ") || line.starts_with("   ") || heading.empty() ||
            heading == "Examples") {
            continue;
        }
        const std::string first = line.substr(2, line.find(' ', 2) - 2);
        if (heading == "Subcommands") {
            h.commands.push_back(first);
        } else if (first.starts_with("-")) {
            std::istringstream names(first);
            std::string n;
            while (std::getline(names, n, ',')) h.options.insert(n);
        } else {
            h.positionals.insert(first);
        }
    }
    return h;
}

std::string RoffEscaped(std::string s) {
    std::string out;
    for (char c : s) out += c == '-' ? std::string("\\-") : std::string(1, c);
    return out;
}

// The text of one section of the page: from its heading line to the next
// heading of the same or a higher level.
std::string Section(const std::string& page, const std::string& heading) {
    const auto start = page.find("\n" + heading + "\n");
    if (start == std::string::npos) return {};
    auto end = page.find("\n.S", start + heading.size() + 2);
    if (end == std::string::npos) end = page.size();
    return page.substr(start, end - start);
}

TEST(CliManual, DescribesEveryCommandOptionAndArgumentOfTheHelp) {
    const std::string page = Output(Cli("--man"));
    const HelpScreen top = ParseHelp(Output(Cli("--help")));
    ASSERT_GE(top.commands.size(), 4u) << "the top-level help lists the commands";
    ASSERT_TRUE(top.options.contains("--version"));

    const std::string globalOptions = Section(page, ".SH OPTIONS");
    for (const std::string& o : top.options) {
        EXPECT_NE(globalOptions.find("\\fB" + RoffEscaped(o) + "\\fR"), std::string::npos)
            << "OPTIONS lacks " << o;
    }

    std::set<std::string> sectionsInPage;
    for (std::size_t at = page.find("\n.SS "); at != std::string::npos; at = page.find("\n.SS ", at + 1)) {
        sectionsInPage.insert(page.substr(at + 5, page.find('\n', at + 1) - at - 5));
    }
    EXPECT_EQ(sectionsInPage, std::set<std::string>(top.commands.begin(), top.commands.end()))
        << "one COMMANDS section per command, and none for a command the program lacks";

    const std::string synopsis = Section(page, ".SH SYNOPSIS");
    for (const std::string& cmd : top.commands) {
        SCOPED_TRACE(cmd);
        const HelpScreen sub = ParseHelp(Output(Cli(cmd + " --help")));
        const std::string section = Section(page, ".SS " + cmd);
        ASSERT_FALSE(section.empty());
        EXPECT_NE(synopsis.find(".B tarvolin\\-cli " + cmd + "\n"), std::string::npos);
        for (const std::string& o : sub.options) {
            if (o == "-h" || o == "--help") continue;
            EXPECT_NE(section.find("\\fB" + RoffEscaped(o) + "\\fR"), std::string::npos) << o;
        }
        for (const std::string& p : sub.positionals) {
            EXPECT_NE(section.find("\\fI" + p + "\\fR"), std::string::npos) << p;
        }
        EXPECT_TRUE(sub.hasExample)
            << "'" << cmd << "' has no example: call AddExample (cli/manual.h) where it is registered";
        const std::string example = ".EX\ntarvolin\\-cli " + cmd;
        const auto at = section.find(example);
        EXPECT_TRUE(at != std::string::npos && (section[at + example.size()] == ' ' ||
                                                section[at + example.size()] == '\n'))
            << "the example of '" << cmd << "' in the manual runs that command";
    }

    for (const char* heading : {".SH NAME", ".SH DESCRIPTION", ".SH \"EXIT STATUS\"", ".SH \"SEE ALSO\""}) {
        EXPECT_NE(page.find(std::string("\n") + heading + "\n"), std::string::npos) << heading;
    }
    const std::string exits = Section(page, ".SH \"EXIT STATUS\"");
    for (const char* code : {"\n.B 0\n", "\n.B 1\n", "\n.B 2\n", "\n.B 130\n"}) {
        EXPECT_NE(exits.find(code), std::string::npos) << code;
    }
    // The version is the program's own.
    std::string version = Output(Cli("--version"));
    version = version.substr(std::string("tarvolin-cli ").size());
    while (!version.empty() && version.back() == '\n') version.pop_back();
    EXPECT_NE(page.find("\"Tarvolin " + version + "\""), std::string::npos) << version;
}

TEST(CliManual, PageRendersWithoutWarnings) {
    test::TempDir dir;
    const std::string file = dir / "tarvolin-cli.1";
    ASSERT_EQ(test::RunCommand(Cli("--man > '" + file + "'")), 0);
    if (test::RunCommand("command -v groff >/dev/null") != 0) GTEST_SKIP() << "groff is not installed";
    std::string warnings;
    EXPECT_EQ(test::RunCommand("groff -man -Tutf8 -ww -z '" + file + "' 2>&1", &warnings), 0);
    EXPECT_EQ(warnings, "");
    std::string text;
    EXPECT_EQ(test::RunCommand("groff -man -Tascii -P-cbou '" + file + "' 2>/dev/null", &text), 0);
    // Options come out as they are typed, with plain hyphens.
    EXPECT_NE(text.find("--save-scan-info"), std::string::npos);
    EXPECT_NE(text.find("tarvolin-cli save /dev/sdb --scan-info card.bin"), std::string::npos);
}

// Runs the completion for a command line; the word being completed is the
// last one ("" when the line ends in a space).
std::vector<std::string> Complete(const std::string& script, const std::vector<std::string>& words,
                                  const std::string& cwd) {
    std::string array;
    for (const std::string& w : words) array += " '" + w + "'";
    const std::string program = "source '" + script + "'; cd '" + cwd + "'; COMP_WORDS=(" + array +
                                "); COMP_CWORD=" + std::to_string(words.size() - 1) +
                                "; _tarvolin_cli; printf '%s\\n' \"${COMPREPLY[@]}\"";
    std::ofstream(script + ".run") << program;
    std::string out;
    EXPECT_EQ(test::RunCommand("bash '" + script + ".run'", &out), 0);
    std::vector<std::string> lines;
    std::istringstream in(out);
    for (std::string l; std::getline(in, l);) {
        if (!l.empty()) lines.push_back(l);
    }
    std::sort(lines.begin(), lines.end());
    return lines;
}

TEST(CliManual, BashCompletionFollowsTheCommandTable) {
    test::TempDir dir;
    const std::string script = dir / "tarvolin-cli.bash";
    ASSERT_EQ(test::RunCommand(Cli("--completion bash > '" + script + "'")), 0);
    ASSERT_EQ(test::RunCommand("mkdir '" + (dir / "photos") + "' && touch '" + (dir / "pictures.img") + "'"), 0);
    using V = std::vector<std::string>;

    V commands = ParseHelp(Output(Cli("--help"))).commands;
    std::sort(commands.begin(), commands.end());
    EXPECT_EQ(Complete(script, {"tarvolin-cli", ""}, dir / ""), commands);
    EXPECT_EQ(Complete(script, {"tarvolin-cli", "s"}, dir / ""), (V{"save", "scan"}));
    EXPECT_EQ(Complete(script, {"tarvolin-cli", "--"}, dir / ""),
              (V{"--help", "--log", "--quiet", "--version"}))
        << "the hidden options stay hidden";
    // A global option's value is not taken for the command.
    EXPECT_EQ(Complete(script, {"tarvolin-cli", "--log", "scan", "sa"}, dir / ""), (V{"save"}));
    EXPECT_EQ(Complete(script, {"tarvolin-cli", "-q", "scan", "--s"}, dir / ""),
              (V{"--save-scan-info", "--straightforward"}));
    // Values: type lists complete after the last comma, --to only folders,
    // arguments file names.
    EXPECT_EQ(Complete(script, {"tarvolin-cli", "scan", "x.img", "--types", "jpg,c"}, dir / ""),
              (V{"jpg,cr2", "jpg,cr3", "jpg,crw"}));
    EXPECT_EQ(Complete(script, {"tarvolin-cli", "save", "x.img", "--to", "p"}, dir / ""), (V{"photos"}));
    EXPECT_EQ(Complete(script, {"tarvolin-cli", "save", "p"}, dir / ""), (V{"photos", "pictures.img"}));
    EXPECT_EQ(Complete(script, {"tarvolin-cli", "save", "x.img", "--select", "m"}, dir / ""),
              (V{"mid", "mov", "mp3", "mp4", "mpg", "mrw", "mts"}));

    std::string err;
    EXPECT_EQ(test::RunCommand(Cli("--completion zsh 2>&1"), &err), 2);
    EXPECT_NE(err.find("only bash"), std::string::npos) << err;
}

}  // namespace
}  // namespace tvn
