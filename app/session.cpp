#include "app/session.h"

namespace tvn {

bool SaveScanInfo(const CSession& session, const std::string& path, IReporter& reporter) {
    return SaveScanInfo(static_cast<const CCurrentSource&>(session), session.tree, path, reporter);
}

bool LoadScanInfo(CSession& session, const std::string& path, const std::string& driveId,
                  DWORD totalSectors, IReporter& reporter) {
    return LoadScanInfo(static_cast<CCurrentSource&>(session), session.tree, session.listedFilesCheck,
                        path, driveId, totalSectors, reporter);
}

}  // namespace tvn
