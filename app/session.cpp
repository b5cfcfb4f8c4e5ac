#include "app/session.h"

namespace tvn {

bool CSession::OpenCurrentSource(const std::string& drive, IReporter& reporter,
                                 std::string_view disconnectedText) {
    const std::string id = CDiskSource::CanonicalIdentifier(drive);
    diskSource.reset();
    diskSource = std::make_unique<CDiskSource>(id);
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
