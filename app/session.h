// The session: the one place that holds what the program keeps process-wide.
// A front end owns exactly one CSession and hands it (or parts of it) to the
// jobs it starts; nothing in the core keeps global state of its own.
//
// One thread at a time works on each member, by the order of the wizard's
// steps: the user-interface thread between jobs, one job worker while a job
// runs. The members the front end reads while a worker runs (run flag,
// counters, progress, totals) are atomics.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "app/job_control.h"
#include "app/private_dir.h"
#include "app/report.h"
#include "app/save_layout.h"
#include "catalog/directory_tree.h"
#include "disk/disk_source.h"
#include "disk/read_around.h"
#include "scan/listed_files_check.h"
#include "scan/scanner.h"

namespace tvn {

enum class JobMode { Save = 0, Burn = 1, Scan = 2 };

class CBurner;  // optical/burner.h

struct CSession {
    // The current disk source and the sectors-per-cluster value copied from it.
    std::unique_ptr<CDiskSource> diskSource;
    DWORD spc = 0;
    // The identifier of the medium the user chose (a device or image path).
    std::string selectedDrive;

    // The catalogue (with its found-bytes and folder-count totals).
    CDirectoryTree tree;
    // File number counters of the nineteen types.
    CTypeCounters counters;

    // The running job: run flag, pause gate, file counter, scan progress.
    CJobControl job;
    JobMode jobMode = JobMode::Scan;
    bool compress = false;
    std::string destination;  // destination directory of a save
    std::string jobName;      // "Tarvolin %02u.%02u.%02u"
    // What the reads of the running save or preview learnt about the medium:
    // unreadable sectors, whether it went away, the re-reading time spent.
    CReadHealth readHealth;
    // When the medium is an image made by a rescue copy, the sectors the copy
    // never read (not copied in its map): they are zeros in the image but
    // count as unreadable, so the files touching them are marked. Sorted.
    std::vector<SectorRange> neverRead;
    // The burner bound to the recorder chosen for a burn (made by the front
    // end when it first lists recorders).
    std::shared_ptr<CBurner> burner;
    // Scans measure each file's length from its own structure ("Measure
    // exact file lengths") instead of by the length rules.
    bool exactLengths = true;
    // How a save lays out its files: original names and folders, folders by
    // date taken, duplicates left out.
    SaveLayout layout;

    // The private folder that preview copies go to ("TVNTEMP.xxxxxx"), made by
    // the first preview and removed with everything in it when the session
    // ends.
    std::unique_ptr<CPrivateDir> previewDir;

    // Whether the medium still holds the files a scan info file lists (the
    // headers at their first sectors): the scan info loader asks it before
    // the catalogue changes. Tests of the file's layout alone may clear it.
    std::function<bool(const ScanInfoContents&, CDiskSource&)> listedFilesCheck =
        ListedFilesStillThere;

    // Why the last OpenCurrentSource refused the medium before or after
    // opening it (not a disk or an image, too small); empty otherwise.
    std::string sourceRefusal;

    // Replaces the current disk source with one opened on drive and applies the
    // caller protocol: false (after a message through reporter) when the
    // medium cannot be used. disconnectedText is the caller's own wording.
    bool OpenCurrentSource(const std::string& drive, IReporter& reporter,
                           std::string_view disconnectedText);
    // The current disk source when it is drive's and its medium is still
    // there (nothing is opened again); otherwise as OpenCurrentSource.
    bool UseCurrentSource(const std::string& drive, IReporter& reporter,
                          std::string_view disconnectedText);
};

}  // namespace tvn
