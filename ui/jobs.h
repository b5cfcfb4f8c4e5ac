// The jobs the processing window runs, made from the session: the scan the
// file-type step prepared, and the save the found-data step asked for.
#pragma once

#include <memory>
#include <set>
#include <string>
#include <vector>

#include "app/job_outcome.h"
#include "app/session.h"
#include "scan/scan_job.h"
#include "ui/processing_dialog.h"

namespace tvn::ui {

// A save that goes on at another destination when one fills up: what the
// next part is to save and what the parts before it saved, so that the last
// end counts every part; and, once a part has ended, what it left.
struct CSaveParts {
    // In: the files the next part saves (every ticked one for the first).
    bool goingOn = false;
    std::set<const CFileNode*> files;
    uint64_t savedBefore = 0;
    std::string placesBefore;
    // Out, written on the worker, read once it has ended: the part stopped
    // because its destination could take no more files, the ticked files it
    // did not save, and the files and places of every part so far.
    bool destinationStopped = false;
    std::vector<CFileNode*> unsaved;
    uint64_t saved = 0;
    std::string places;

    // Makes the next part go on with the files the last one left.
    void GoOn();
};

CProcessingJob MakeScanJob(std::shared_ptr<CScanJob> scan);
// The save job into session.destination; it reports through reporter. With
// parts, it saves what they say and fills in what it left.
CProcessingJob MakeSaveJob(CSession& session, IReporter& reporter, std::shared_ptr<CSaveParts> parts = nullptr);

}  // namespace tvn::ui
