// Reading back what a pseudo-drive wrote, with tools of their own:
// xorriso for the sessions and the last session's tree, bsdtar for every
// session's files and for the Joliet names.
#pragma once

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/test_support.h"

namespace tvn::test {

inline std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty()) lines.push_back(line);
    }
    return lines;
}

// Paths of the image's last session, "/JPG/file# 1.JPG", sorted; the root
// itself is left out.
inline std::vector<std::string> IsoTree(const std::string& image) {
    std::string out;
    RunCommand("xorriso -indev '" + image + "' -find / 2>/dev/null", &out);
    std::vector<std::string> paths;
    for (std::string line : Lines(out)) {
        if (line.size() >= 2 && line.front() == '\'' && line.back() == '\'')
            line = line.substr(1, line.size() - 2);
        if (line != "/") paths.push_back(line);
    }
    std::sort(paths.begin(), paths.end());
    return paths;
}

// The number of sessions xorriso finds on the image (-1 when it cannot say).
inline int IsoSessions(const std::string& image) {
    std::string out;
    RunCommand("xorriso -indev '" + image + "' -toc 2>&1", &out);
    const size_t at = out.find("Media summary: ");
    if (at == std::string::npos) return -1;
    return std::atoi(out.c_str() + at + 15);
}

inline std::string IsoVolumeId(const std::string& image) {
    std::string out;
    RunCommand("xorriso -indev '" + image + "' -toc 2>&1", &out);
    const size_t at = out.find("Volume id    : '");
    if (at == std::string::npos) return {};
    const size_t from = at + 16;
    return out.substr(from, out.find('\'', from) - from);
}

// What bsdtar lists of the image ("JPG/file# 1.JPG"), sorted, without ".";
// options such as "iso9660:!rockridge" choose the names it reads.
inline std::vector<std::string> TarList(const std::string& image, const std::string& options = "") {
    std::string out;
    const std::string opt = options.empty() ? "" : " --options '" + options + "'";
    RunCommand("bsdtar -tf '" + image + "'" + opt + " 2>&1", &out);
    std::vector<std::string> names;
    for (std::string line : Lines(out)) {
        if (line.rfind("./", 0) == 0) line = line.substr(2);
        if (line != ".") names.push_back(line);
    }
    std::sort(names.begin(), names.end());
    return names;
}

// Extracts the image's files into dir; true on success.
inline bool TarExtract(const std::string& image, const std::string& dir) {
    return RunCommand("mkdir -p '" + dir + "' && bsdtar -C '" + dir + "' -xf '" + image +
                      "' 2>/dev/null") == 0;
}

}  // namespace tvn::test
