// What extraction, the preview copy and the save and burn jobs work on. The
// front end's session holds all of it and hands it over by reference; the
// output layer keeps nothing of its own between jobs.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "app/job_control.h"
#include "app/private_dir.h"
#include "app/save_layout.h"
#include "catalog/directory_tree.h"
#include "disk/current_source.h"
#include "disk/read_around.h"

namespace tvn {

// What the user chose for a save or a burn.
struct SaveSettings {
    bool compress = false;
    std::string destination;  // destination directory of a save (a burn's cache folder)
    std::string jobName;      // "Tarvolin %02u.%02u.%02u"; formed when a job starts without one
    // How a save lays out its files: original names and folders, folders by
    // date taken, duplicates left out.
    SaveLayout layout;
};

struct OutputContext {
    // The medium in use, opened again by extraction only when it went away.
    CCurrentSource& source;
    // The catalogue; the save and burn jobs write its ticked files.
    CDirectoryTree& tree;
    // The running job's run flag, pause gate and file counter.
    CJobControl& job;
    // What the reads learn about the medium: unreadable sectors, whether it
    // went away, the re-reading time spent.
    CReadHealth& readHealth;
    // The sectors a rescue copy never read, when the medium is its image:
    // zeros in the image, counted as unreadable. Sorted.
    const std::vector<SectorRange>& neverRead;
    SaveSettings& settings;
    // The private folder preview copies go to, made by the first preview.
    std::unique_ptr<CPrivateDir>& previewDir;
};

}  // namespace tvn
