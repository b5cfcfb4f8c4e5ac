// What the wizard's steps hand on to each other besides the session: where
// the user is going next, and the picked medium as the drive list showed it.
#pragma once

#include <QString>
#include <map>
#include <memory>
#include <optional>
#include <vector>

#include "app/types.h"
#include "disk/drives.h"
#include "scan/type_table.h"

namespace tvn {
class CScanJob;
}

namespace tvn::ui {

// The steps of the wizard, in the order a recovery goes through them.
// Copy: the rescue copy of the card into an image, before its scan.
enum class WizardStep { Main, FileTypes, Copy, Processing, FoundData, Exit };

struct CWizardState {
    // The picked medium's item text ("Removable Media #/dev/sdb"), shown as
    // the source drive while a job runs.
    QString sourceDescription;
    // Its identifier: the device or image path the disk source opens.
    std::string driveId;
    // Its sector count as the drive list gave it (low 32 bits), which a scan
    // info file must match.
    DWORD listedTotalSectors = 0;

    // What the user chose on the way, kept for the session so that Back
    // finds it as it was left: the disk images opened (the drive list shows
    // them again), the ticked file types and the exact-lengths box.
    std::vector<CLogicalDrives> openedImages;
    std::optional<std::vector<FileType>> checkedTypes;
    std::optional<bool> exactLengths;
    // The found-data window's "Check the files or folders..." hint has been
    // shown; it comes once a session.
    bool foundDataHintShown = false;
    // The catalogue as it stands is kept in a scan info file: it was loaded
    // from one or saved to one since the last scan.
    bool scanInfoSaved = false;
    // The card is copied to an image first (the file-type step's box), and
    // the image the user named for it.
    bool copyFirst = false;
    std::string copyImage;
    // The maps of rescue copies found beside the disk images opened, by the
    // image's identifier: a scan of the image counts what the copy never
    // read as unreadable.
    std::map<std::string, std::string> rescueMaps;
};

}  // namespace tvn::ui
