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

}  // namespace tvn::ui
