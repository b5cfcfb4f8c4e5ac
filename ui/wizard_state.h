// What the wizard's steps hand on to each other besides the session: where
// the user is going next, and the picked medium as the drive list showed it.
#pragma once

#include <QString>
#include <memory>

#include "app/types.h"

namespace tvn {
class CScanJob;
}

namespace tvn::ui {

// The steps of the wizard, in the order a recovery goes through them.
enum class WizardStep { Main, FileTypes, Processing, FoundData, Exit };

struct CWizardState {
    // The picked medium's item text ("Removable Media #/dev/sdb"), shown as
    // the source drive while a job runs.
    QString sourceDescription;
    // Its identifier: the device or image path the disk source opens.
    std::string driveId;
    // Its sector count as the drive list gave it (low 32 bits), which a scan
    // info file must match.
    DWORD listedTotalSectors = 0;
};

}  // namespace tvn::ui
