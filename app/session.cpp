#include "app/session.h"

namespace tvn {

bool CSession::OpenCurrentSource(const std::string& drive, IReporter& reporter,
                                 std::string_view disconnectedText) {
    const std::string id = CDiskSource::CanonicalIdentifier(drive);
    // A medium UDisks2 opened for this user is opened again from its
    // descriptors. Any other is closed before it is opened again by its path:
    // a medium that went away meanwhile (a loop device whose detach waits for
    // its last user) must then fail to open.
    if (diskSource && !diskSource->CanOpenAgain(id)) diskSource.reset();
    diskSource = CDiskSource::OpenAgain(diskSource.get(), id);
    selectedDrive = id;
    spc = diskSource->GetSectorsPerCluster();
    if (spc == 0) {
        reporter.Message("can not get the SPC", "Information", MsgIcon::Information);
        return false;
    }
    const int status = diskSource->GetStatus();
    if (status == CDiskSource::kPhysicalFailed || status == CDiskSource::kLogicalFailed) {
        reporter.Message(disconnectedText, "Error", MsgIcon::Error);
        return false;
    }
    return true;
}

bool CSession::UseCurrentSource(const std::string& drive, IReporter& reporter,
                                std::string_view disconnectedText) {
    if (diskSource && diskSource->GetMedium() && spc != 0 &&
        diskSource->GetStatus() == CDiskSource::kUsable &&
        diskSource->GetDrive() == CDiskSource::CanonicalIdentifier(drive) &&
        diskSource->GetMedium()->StillPresent()) {
        return true;
    }
    return OpenCurrentSource(drive, reporter, disconnectedText);
}

}  // namespace tvn
