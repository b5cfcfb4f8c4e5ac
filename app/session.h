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
#include "catalog/directory_tree.h"
#include "catalog/scan_info.h"
#include "disk/current_source.h"
#include "disk/read_around.h"
#include "output/output_context.h"
#include "scan/listed_files_check.h"
#include "scan/scanner.h"

namespace tvn {

enum class JobMode { Save = 0, Burn = 1, Scan = 2 };

// The medium in use (CCurrentSource: the disk source, its sectors-per-cluster
// value, the chosen medium's identifier) and what the user chose for a save
// or burn (SaveSettings) are the session's own members, through its bases.
struct CSession : CCurrentSource, SaveSettings {
    // The catalogue (with its found-bytes and folder-count totals).
    CDirectoryTree tree;
    // File number counters of the nineteen types.
    CTypeCounters counters;

    // The running job: run flag, pause gate, file counter, scan progress.
    CJobControl job;
    JobMode jobMode = JobMode::Scan;
    // What the reads of the running save or preview learnt about the medium:
    // unreadable sectors, whether it went away, the re-reading time spent.
    CReadHealth readHealth;
    // When the medium is an image made by a rescue copy, the sectors the copy
    // never read (not copied in its map): they are zeros in the image but
    // count as unreadable, so the files touching them are marked. Sorted.
    std::vector<SectorRange> neverRead;
    // Scans measure each file's length from its own structure ("Measure
    // exact file lengths") instead of by the length rules.
    bool exactLengths = true;
    // The private folder that preview copies go to ("TVNTEMP.xxxxxx"), made by
    // the first preview and removed with everything in it when the session
    // ends.
    std::unique_ptr<CPrivateDir> previewDir;

    // Whether the medium still holds the files a scan info file lists (the
    // headers at their first sectors): the scan info loader asks it before
    // the catalogue changes. Tests of the file's layout alone may clear it.
    ListedFilesCheckFn listedFilesCheck = ListedFilesStillThere;

    // What extraction, the preview copy and the save and burn jobs work on:
    // parts of this session, by reference.
    operator OutputContext() {
        return {*this, tree, job, readHealth, neverRead, *this, previewDir};
    }
};

// The scan info file of the session's medium and catalogue
// (catalog/scan_info.h): written from the current disk source and the
// catalogue; loaded into them, checked by listedFilesCheck.
bool SaveScanInfo(const CSession& session, const std::string& path, IReporter& reporter);
bool LoadScanInfo(CSession& session, const std::string& path, const std::string& driveId,
                  DWORD totalSectors, IReporter& reporter);

}  // namespace tvn
