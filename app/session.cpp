#include "app/session.h"

namespace tvn {

bool CSession::OpenCurrentSource(const std::string& drive, IReporter& reporter,
                                 std::string_view disconnectedText) {
    const std::string id = CDiskSource::CanonicalIdentifier(drive);
    // A medium UDisks2 opened for this user is opened again from the
    // descriptor it handed over: a new open by path would be refused, and
    // asking again could ask the user for his password once per file.
    std::shared_ptr<CMediumHandle> held;
    if (diskSource && diskSource->GetMedium() && diskSource->GetMedium()->ViaUDisks2() &&
        diskSource->GetDrive() == id && diskSource->GetMedium()->StillPresent())
        held = diskSource->GetMedium();
    diskSource.reset();
    diskSource = held ? std::make_unique<CDiskSource>(std::move(held))
                      : std::make_unique<CDiskSource>(id);
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

}  // namespace tvn
