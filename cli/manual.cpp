#include "cli/manual.h"

#include <fmt/format.h>

#include <algorithm>
#include <cctype>
#include <sstream>
#include <vector>

#include "cli/commands.h"
#include "scan/type_table.h"

namespace tvn::cli {

namespace {

constexpr std::string_view kExamplesHeading = "Examples:";
constexpr std::string_view kCommandIndent = "  ";
constexpr std::string_view kWhatIndent = "      ";

struct Example {
    std::string commandLine;
    std::string what;
};

// The examples AddExample wrote into a command's footer.
std::vector<Example> ExamplesOf(const CLI::App& cmd) {
    std::vector<Example> out;
    std::istringstream in(cmd.get_footer());
    std::string line;
    bool inExamples = false;
    while (std::getline(in, line)) {
        if (line == kExamplesHeading) {
            inExamples = true;
        } else if (!inExamples) {
            continue;
        } else if (line.starts_with(kWhatIndent) && !out.empty()) {
            std::string& what = out.back().what;
            what += (what.empty() ? "" : " ") + line.substr(kWhatIndent.size());
        } else if (line.starts_with(kCommandIndent)) {
            out.push_back({line.substr(kCommandIndent.size()), {}});
        }
    }
    return out;
}

// Commands as the user sees them: named and not hidden.
std::vector<const CLI::App*> Commands(const CLI::App& app) {
    return app.get_subcommands(
        [](const CLI::App* s) { return !s->get_name().empty() && !s->get_group().empty(); });
}

// Visible options of a command, including those of its option groups, in the
// order they were registered.
void CollectOptions(const CLI::App& app, std::vector<const CLI::Option*>& out) {
    for (const CLI::Option* o : app.get_options()) {
        if (!o->get_group().empty()) out.push_back(o);
    }
    for (const CLI::App* g : app.get_subcommands([](const CLI::App* s) { return s->get_name().empty(); })) {
        if (!g->get_group().empty()) CollectOptions(*g, out);
    }
}

std::vector<const CLI::Option*> OptionsOf(const CLI::App& app) {
    std::vector<const CLI::Option*> out;
    CollectOptions(app, out);
    return out;
}

bool IsPositional(const CLI::Option& o) { return !o.nonpositional(); }
bool TakesValue(const CLI::Option& o) { return o.get_items_expected_max() > 0; }

std::vector<std::string> NamesOf(const CLI::Option& o) {
    std::vector<std::string> names;
    for (const std::string& s : o.get_snames()) names.push_back("-" + s);
    for (const std::string& l : o.get_lnames()) names.push_back("--" + l);
    return names;
}

// The value's name as the manual shows it: CLI11 says "TEXT" for any string
// and "TEXT:DIR" for a string checked to be a directory.
std::string ValueName(const CLI::Option& o) {
    std::string t = o.get_type_name();
    if (t.starts_with("TEXT:")) t.erase(0, 5);
    if (t.empty() || t == "TEXT") t = "VALUE";
    return t;
}

// --- man(7) markup ---

// Escapes text for roff: backslashes, minus signs (so that options are
// typed and searched as ASCII hyphens), and a leading dot or quote.
std::string Roff(std::string_view text) {
    std::string out;
    for (char c : text) {
        if (c == '\\') {
            out += "\\e";
        } else if (c == '-') {
            out += "\\-";
        } else {
            out += c;
        }
    }
    return out;
}

// One paragraph of running text; roff must not see a line that begins with
// a dot or an apostrophe as a request.
std::string RoffLine(std::string_view text) {
    std::string r = Roff(text);
    if (!r.empty() && (r[0] == '.' || r[0] == '\'')) r.insert(0, "\\&");
    return r + "\n";
}

std::string Sentence(std::string text) {
    if (!text.empty() && text.back() != '.' && text.back() != '!' && text.back() != '?') text += '.';
    return text;
}

std::string Synopsis(const CLI::App& cmd) {
    std::string s = fmt::format(".B tarvolin\\-cli {}\n", Roff(cmd.get_name()));
    std::vector<std::string> parts;
    bool hasOptions = false;
    for (const CLI::Option* o : OptionsOf(cmd)) {
        if (!IsPositional(*o)) {
            hasOptions = true;
            continue;
        }
        std::string p = fmt::format("\\fI{}\\fR", Roff(o->get_name(true)));
        if (o->get_expected_max() > 1) p += "\\ .\\|.\\|.";
        parts.push_back(o->get_required() ? p : "[" + p + "]");
    }
    if (hasOptions) s += "[\\fIOPTIONS\\fR]\n";
    for (const std::string& p : parts) s += p + "\n";
    return s;
}

std::string OptionEntry(const CLI::Option& o) {
    std::string head;
    if (IsPositional(o)) {
        head = fmt::format("\\fI{}\\fR", Roff(o.get_name(true)));
    } else {
        for (const std::string& n : NamesOf(o)) {
            head += (head.empty() ? "" : ", ") + fmt::format("\\fB{}\\fR", Roff(n));
        }
        if (TakesValue(o)) head += fmt::format(" \\fI{}\\fR", Roff(ValueName(o)));
        if (o.get_expected_max() > 1) head += "\\ .\\|.\\|.";
    }
    std::string body = Sentence(o.get_description());
    if (o.get_required()) body += " Required.";
    if (!o.get_default_str().empty() && TakesValue(o)) {
        body += fmt::format(" Default: {}.", o.get_default_str());
    }
    for (const CLI::Option* x : o.get_excludes()) {
        const std::vector<std::string> names = NamesOf(*x);
        if (!names.empty()) body += fmt::format(" Not together with {}.", names.back());
    }
    if (o.get_expected_max() > 1 && !IsPositional(o)) {
        body += " May be given more than once; values may also be separated by commas.";
    }
    return ".TP\n" + head + "\n" + RoffLine(body);
}

std::string CommandSection(const CLI::App& cmd) {
    std::string s = fmt::format(".SS {}\n", Roff(cmd.get_name()));
    s += Synopsis(cmd);
    s += ".PP\n" + RoffLine(Sentence(cmd.get_description()));
    for (const CLI::Option* o : OptionsOf(cmd)) {
        if (o->get_lnames() == std::vector<std::string>{"help"}) continue;  // said once, above
        s += OptionEntry(*o);
    }
    const std::vector<Example> examples = ExamplesOf(cmd);
    if (!examples.empty()) {
        s += fmt::format(".PP\n\\fI{}\\fR\n", examples.size() == 1 ? "Example:" : "Examples:");
        for (const Example& e : examples) {
            s += ".RS 4\n.EX\n" + RoffLine(e.commandLine) + ".EE\n.RE\n";
            s += ".RS 8\n" + RoffLine(e.what) + ".RE\n";
        }
    }
    return s;
}

std::string TypeList() {
    std::string s;
    for (const TypeFacts& f : kTypes) s += (s.empty() ? "" : ", ") + std::string(f.name);
    return s;
}

}  // namespace

void AddExample(CLI::App* cmd, std::string_view commandLine, std::string_view what) {
    std::string footer = cmd->get_footer();
    if (footer.find(kExamplesHeading) == std::string::npos) {
        if (!footer.empty()) footer += "\n";
        footer += std::string(kExamplesHeading);
    }
    footer += fmt::format("\n{}{}\n{}{}", kCommandIndent, commandLine, kWhatIndent, what);
    cmd->footer(footer);
}

std::string ManualPage(const CLI::App& app) {
    std::string s;
    s += ".\\\" The manual page of tarvolin-cli, made from its command table by\n";
    s += ".\\\" \"tarvolin-cli --man\". Edit the commands or cli/manual.cpp, not this file.\n";
    s += fmt::format(".TH TARVOLIN\\-CLI 1 \"\" \"Tarvolin {}\" \"User Commands\"\n", TVN_VERSION);
    s += ".SH NAME\n";
    s += "tarvolin\\-cli \\- recover photos, camera raw files, music and video from cards, disks "
         "and disk images\n";

    s += ".SH SYNOPSIS\n";
    s += ".B tarvolin\\-cli\n[\\fIOPTIONS\\fR] \\fICOMMAND\\fR [\\fIARGUMENTS\\fR]\n";
    for (const CLI::App* cmd : Commands(app)) s += ".br\n" + Synopsis(*cmd);

    s += ".SH DESCRIPTION\n";
    s += RoffLine(
        "tarvolin-cli finds photos, camera raw files, music and video on a memory card, a disk or "
        "a disk image by file carving: it reads the medium sector by sector, recognises the "
        "start of each file by its signature, works out the file's length from the file's own "
        "structure or from where the next file of its kind begins, and lists what it found in "
        "one folder per file type. It does not rely on the medium's file system, so deleted "
        "files and files on a damaged or formatted medium are found as long as their sectors "
        "still hold them in one piece.");
    s += ".PP\n";
    s += RoffLine(
        "The medium is opened read-only; nothing is ever written to it. Found files are saved "
        "to another disk as plain files or packed into zip archives; camera raw, TIFF and movie "
        "files are trimmed to their real length on the way out. The result of a scan can be "
        "kept in a scan info file and used again later, so that a medium need not be scanned "
        "twice.");
    s += ".PP\n";
    s += RoffLine(
        "Where the medium's file system (FAT, exFAT, NTFS, ext, HFS+) still describes a found "
        "file, deleted entries included, the file is saved under its original folders and name "
        "with its original modification time; a deleted FAT name whose first letter was lost "
        "gets it back from its long name or from the names beside it, else starts with an "
        "underscore. FAT keeps local times: they are read in the system's time zone (TZ). The "
        "other files are saved as TYPE/file# N.EXT.");
    s += ".PP\n";
    s += RoffLine(fmt::format("The file types are {}. Name them in any case, separated by commas, "
                              "or say all.",
                              TypeList()));
    s += ".PP\n";
    s += RoffLine(
        "CR3, ARW, RAF, RW2, DNG, PEF, NRW, HEIC, MTS (AVCHD, also M2TS), TS and 3GP (also 3G2) "
        "are the formats of today's cameras and phones. A file is listed once, under the type "
        "its own bytes name: a QuickTime movie with an ftyp atom is a MOV, a file of brand "
        "\"crx \" a CR3. Without those types chosen, their files are found as before: a "
        "CR3, HEIC or 3GP as an MP4, a DNG or PEF as a TIF, an NRW as a NEF.");
    s += ".PP\n";
    s += RoffLine(
        "A SOURCE is a whole disk (/dev/sdb, /dev/mmcblk0), a partition (/dev/sdb1) or a disk "
        "image file. Reading a device needs read permission on it: run as root, as a member of "
        "the disk group, or through the desktop program tarvolin, which asks for access through "
        "UDisks2.");

    s += ".SH OPTIONS\n";
    s += RoffLine("These come before the command.");
    for (const CLI::Option* o : OptionsOf(app)) s += OptionEntry(*o);
    s += ".PP\n" + RoffLine("Every command also takes -h, --help for its own options.");

    s += ".SH COMMANDS\n";
    for (const CLI::App* cmd : Commands(app)) s += CommandSection(*cmd);

    s += ".SH \"EXIT STATUS\"\n";
    const std::pair<int, const char*> statuses[] = {
        {kExitOk, "Success."},
        {kExitFailure, "The job could not be done: the medium or a file could not be opened or "
                       "read, the destination was refused or could not be written; a message "
                       "on standard error says why."},
        {kExitUsage, "Bad arguments: an unknown command, option or file type, or a missing "
                     "argument."},
        {kExitInterrupted, "Stopped with Ctrl-C. What was done up to then is kept: the files "
                           "found so far are listed, the files saved so far stay saved."},
    };
    for (const auto& [code, what] : statuses) s += fmt::format(".TP\n.B {}\n", code) + RoffLine(what);

    s += ".SH NOTES\n";
    s += RoffLine(
        "Stop using a medium as soon as files are missing from it: every file written to it may "
        "overwrite what is to be recovered. Save to another disk; tarvolin-cli refuses a "
        "destination on the medium it reads. A disk that fails to read is best copied to an "
        "image file first with tarvolin-cli image (or ddrescue) and the image recovered from, "
        "with its map given to scan and save (--map). The image command exits with 1 when "
        "sectors stayed unreadable, and with 130 when it was stopped; its map then lets the "
        "same command go on.");
    s += ".SH \"SEE ALSO\"\n";
    s += ".BR tarvolin (1),\n.BR ddrescue (1)\n";
    return s;
}

std::string BashCompletion(const CLI::App& app) {
    // Options of one scope as the completion needs them.
    struct Scope {
        std::string name;  // empty for the options before the command
        std::vector<std::string> words;
        std::vector<std::pair<std::string, std::string>> valueKinds;  // option, kind
    };
    auto scopeOf = [](const CLI::App& a, std::string name) {
        Scope sc{std::move(name), {}, {}};
        for (const CLI::Option* o : OptionsOf(a)) {
            if (IsPositional(*o)) continue;
            const std::vector<std::string> names = NamesOf(*o);
            sc.words.insert(sc.words.end(), names.begin(), names.end());
            if (!TakesValue(*o)) continue;
            const std::string t = o->get_type_name();
            const std::string kind = t.ends_with(kDirHint) ? "dir" : t.starts_with("TYPE") ? "types" : "file";
            for (const std::string& n : names) sc.valueKinds.emplace_back(n, kind);
        }
        return sc;
    };
    const Scope global = scopeOf(app, "");
    std::vector<Scope> scopes;
    std::string commands;
    for (const CLI::App* cmd : Commands(app)) {
        commands += (commands.empty() ? "" : " ") + cmd->get_name();
        scopes.push_back(scopeOf(*cmd, cmd->get_name()));
    }
    std::string types;
    for (const TypeFacts& f : kTypes) {
        std::string n(f.name);
        std::transform(n.begin(), n.end(), n.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        types += n + " ";
    }
    types += "all";

    auto join = [](const std::vector<std::string>& v) {
        std::string s;
        for (const std::string& w : v) s += (s.empty() ? "" : " ") + w;
        return s;
    };
    auto kindCase = [&](const Scope& sc) {
        if (sc.valueKinds.empty()) return std::string();
        std::string s = "            case $prev in\n";
        for (const auto& [opt, kind] : sc.valueKinds) s += fmt::format("                {}) kind={} ;;\n", opt, kind);
        s += "            esac\n";
        return s;
    };
    std::string globalValueOpts;
    for (const auto& [opt, kind] : global.valueKinds) globalValueOpts += (globalValueOpts.empty() ? "" : "|") + opt;

    std::string s;
    s += "# bash completion for tarvolin-cli. Made from its command table by\n";
    s += "# \"tarvolin-cli --completion bash\"; edit the commands, not this file.\n";
    s += "_tarvolin_cli() {\n";
    s += "    local cur=${COMP_WORDS[COMP_CWORD]} prev=\"\"\n";
    s += "    ((COMP_CWORD > 0)) && prev=${COMP_WORDS[COMP_CWORD - 1]}\n";
    s += fmt::format("    local commands=\"{}\"\n", commands);
    s += fmt::format("    local types=\"{}\"\n", types);
    s += "    local cmd=\"\" i w\n";
    s += "    for ((i = 1; i < COMP_CWORD; i++)); do\n";
    s += "        w=${COMP_WORDS[i]}\n";
    s += "        case $w in\n";
    if (!globalValueOpts.empty()) s += fmt::format("            {}) ((i++)) ;;\n", globalValueOpts);
    s += "            -*) ;;\n";
    s += "            *) if [[ \" $commands \" == *\" $w \"* ]]; then cmd=$w; break; fi ;;\n";
    s += "        esac\n";
    s += "    done\n";
    s += "    local opts=\"\" kind=\"\"\n";
    s += "    case $cmd in\n";
    s += fmt::format("        \"\")\n            opts=\"{}\"\n", join(global.words));
    s += kindCase(global) + "            ;;\n";
    for (const Scope& sc : scopes) {
        s += fmt::format("        {})\n            opts=\"{}\"\n", sc.name, join(sc.words));
        s += kindCase(sc) + "            ;;\n";
    }
    s += "    esac\n";
    s += "    case $kind in\n";
    s += "        file) compopt -o filenames 2>/dev/null; mapfile -t COMPREPLY < <(compgen -f -- \"$cur\"); return ;;\n";
    s += "        dir) compopt -o filenames 2>/dev/null; mapfile -t COMPREPLY < <(compgen -d -- \"$cur\"); return ;;\n";
    s += "        types)\n";
    s += "            local done_=\"\"\n";
    s += "            [[ $cur == *,* ]] && done_=\"${cur%,*},\"\n";
    s += "            compopt -o nospace 2>/dev/null\n";
    s += "            mapfile -t COMPREPLY < <(compgen -P \"$done_\" -W \"$types\" -- \"${cur##*,}\")\n";
    s += "            return ;;\n";
    s += "    esac\n";
    s += "    if [[ $cur == -* ]]; then\n";
    s += "        mapfile -t COMPREPLY < <(compgen -W \"$opts\" -- \"$cur\")\n";
    s += "    elif [[ -z $cmd ]]; then\n";
    s += "        mapfile -t COMPREPLY < <(compgen -W \"$commands\" -- \"$cur\")\n";
    s += "    else\n";
    s += "        compopt -o filenames 2>/dev/null\n";
    s += "        mapfile -t COMPREPLY < <(compgen -f -- \"$cur\")\n";
    s += "    fi\n";
    s += "}\n";
    s += "complete -F _tarvolin_cli tarvolin-cli\n";
    return s;
}

void AddDocumentationOptions(CLI::App& app) {
    app.add_flag_callback("--man", [&app] {
           fmt::print("{}", ManualPage(app));
           throw CLI::Success();
       })
        ->group("");
    app.add_option_function<std::string>("--completion", [&app](const std::string& shell) {
           if (shell != "bash") throw CLI::ValidationError("--completion", "only bash is known");
           fmt::print("{}", BashCompletion(app));
           throw CLI::Success();
       })
        ->group("");
}

}  // namespace tvn::cli
