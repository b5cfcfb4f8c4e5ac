// How a save lays out the files it writes. The defaults keep the numbered
// layout (TYPE/file# N.EXT) and every file; the front ends turn original
// names and skipping duplicates on for the people using them.
#pragma once

namespace tvn {

struct SaveLayout {
    bool originalNames = false;  // folders and names from the file system
    bool byDate = false;         // YYYY/YYYY-MM-DD/NAME by the date taken
    bool skipDuplicates = false;  // files whose content was saved already are left out
};

}  // namespace tvn
