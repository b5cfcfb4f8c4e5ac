// Whether a medium still holds the files a scan info file lists. The file
// names its medium by path and size only; another card in the same reader,
// or an image rewritten under the same name, would pass those, and a save
// would then write whatever lies at the listed sectors as recovered files.
// So the medium is also checked by its content: the first sectors of up to
// kListedFilesChecked listed files, spread over the catalogue, must still
// hold a header their type's recognizer accepts.
#pragma once

#include <cstddef>
#include <string>

namespace tvn {

struct ScanInfoContents;
class CDiskSource;

inline constexpr size_t kListedFilesChecked = 32;

struct ListedFilesCheck {
    size_t checked = 0;     // files whose header was looked for
    bool ok = true;         // every one of them was found
    std::string mismatch;   // the first that was not: "JPG/file# 3.JPG at sector 120"
};

// Reads the sectors through source's descriptor; changes neither its
// position nor anything else of it. Folders whose name is no type are not
// checked.
ListedFilesCheck CheckListedFiles(const ScanInfoContents& contents, CDiskSource& source);

// The same as a yes or no, as the scan info loader asks it.
bool ListedFilesStillThere(const ScanInfoContents& contents, CDiskSource& source);

}  // namespace tvn
