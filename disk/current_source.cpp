#include "disk/current_source.h"

#include "disk/source_check.h"

namespace tvn {

bool CCurrentSource::OpenCurrentSource(const std::string& drive, IReporter& reporter,
                                       std::string_view disconnectedText) {
    const std::string id = CDiskSource::CanonicalIdentifier(drive);
    // A FIFO would hold the open for ever, a folder or /dev/zero would
    // "scan" as an empty medium: refused before anything is opened.
    sourceRefusal = SourceRefusal(id);
    if (!sourceRefusal.empty()) {
        diskSource.reset();
        selectedDrive = id;
        spc = 0;
        reporter.Message(disconnectedText, "Error", MsgIcon::Error);
        return false;
    }
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
    // A block device reports its size only once it is open.
    sourceRefusal = SizeRefusal(id, diskSource->GetTotalSectors() * diskSource->GetSectorSizeU());
    if (!sourceRefusal.empty()) {
        reporter.Message(disconnectedText, "Error", MsgIcon::Error);
        return false;
    }
    return true;
}

bool CCurrentSource::HoldsUsable(const std::string& drive) const {
    return diskSource && diskSource->GetMedium() && diskSource->GetSectorsPerCluster() != 0 &&
           diskSource->GetStatus() == CDiskSource::kUsable &&
           diskSource->GetDrive() == CDiskSource::CanonicalIdentifier(drive) &&
           diskSource->GetMedium()->StillPresent();
}

bool CCurrentSource::UseCurrentSource(const std::string& drive, IReporter& reporter,
                                      std::string_view disconnectedText) {
    if (spc != 0 && HoldsUsable(drive)) return true;
    return OpenCurrentSource(drive, reporter, disconnectedText);
}

}  // namespace tvn
