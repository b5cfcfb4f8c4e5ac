// The wizard's scan of the picked medium, as the file-type step and the
// rescue copy prepare it: the recognizers of the ticked types, the sectors a
// rescue copy never read (its map beside the image), and a checkpoint every
// few seconds in the user's state folder, so that a scan stopped or cut off
// can go on later from where it was.
#pragma once

#include <QString>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/session.h"
#include "scan/scan_checkpoint.h"
#include "scan/scan_job.h"

namespace tvn::ui {

// Where the wizard keeps the checkpoint of a scan of source:
// $XDG_STATE_HOME/tarvolin/checkpoints (else ~/.local/state/...), one file a
// medium (named by its identifier and size). Empty when there is no home.
std::string WizardCheckpointPath(const CDiskSource& source);

// The checkpoint an earlier scan of source left, when it fits this medium.
std::optional<ScanCheckpoint> EarlierCheckpoint(const CDiskSource& source);

// The scan of the session's current medium for types (nullptr when none is
// given), with exact lengths as the session says. A rescue map (empty: none)
// makes the sectors it does not call copied unreadable from the start; when
// the map cannot be used, mapProblem says why and the scan goes without it.
std::unique_ptr<CScanJob> MakeWizardScan(CSession& session, IReporter& reporter,
                                         const std::vector<FileType>& types,
                                         const std::string& mapPath, QString* mapProblem);

// Sets up a scan made by MakeWizardScan with the checkpoint's types to go on
// from it. False when the checkpoint's catalogue does not parse.
bool ResumeWizardScan(CScanJob& job, CSession& session, const ScanCheckpoint& checkpoint);

// The map a rescue copy keeps beside image, when there is one.
std::string RescueMapBeside(const std::string& image);

}  // namespace tvn::ui
