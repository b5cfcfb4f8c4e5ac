// The jobs the processing window runs, made from the session: the scan the
// file-type step prepared, and the save the found-data step asked for.
#pragma once

#include <memory>

#include "app/job_outcome.h"
#include "app/session.h"
#include "scan/scan_job.h"
#include "ui/processing_dialog.h"

namespace tvn::ui {

CProcessingJob MakeScanJob(std::shared_ptr<CScanJob> scan);
// The save job into session.destination; it reports through reporter.
CProcessingJob MakeSaveJob(CSession& session, IReporter& reporter);

// How a save ended, from what the save job tells: whether it ran at all
// (false: refused before writing, after its own message), whether it was
// stopped, and the files saved.
JobOutcome SaveOutcome(bool ran, bool stopped, uint64_t saved);

}  // namespace tvn::ui
