// The medium in use: the disk source a front end has opened on the medium the
// user chose, kept open for every reader after it (the scan, extraction, the
// preview copy, the scan info check), and opened again only when it went away.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "app/report.h"
#include "app/types.h"
#include "disk/disk_source.h"

namespace tvn {

struct CCurrentSource {
    // The current disk source and the sectors-per-cluster value copied from it.
    std::unique_ptr<CDiskSource> diskSource;
    DWORD spc = 0;
    // The identifier of the medium the user chose (a device or image path).
    std::string selectedDrive;
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
    // Whether the current disk source is drive's, usable, and its medium
    // still there: then nothing needs to be opened for drive.
    bool HoldsUsable(const std::string& drive) const;
};

}  // namespace tvn
