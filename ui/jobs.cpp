#include "ui/jobs.h"

#include "output/save_job.h"

namespace tvn::ui {

void CSaveParts::GoOn() {
    goingOn = true;
    files = std::set<const CFileNode*>(unsaved.begin(), unsaved.end());
    savedBefore = saved;
    placesBefore = places;
    destinationStopped = false;
    unsaved.clear();
}

CProcessingJob MakeScanJob(std::shared_ptr<CScanJob> scan) {
    CProcessingJob job;
    job.run = [scan] { return scan->Run(); };
    return job;
}

CProcessingJob MakeSaveJob(CSession& session, IReporter& reporter, std::shared_ptr<CSaveParts> parts) {
    CProcessingJob job;
    job.run = [&session, &reporter, parts] {
        CSaveJob save(session, reporter);
        if (parts && parts->goingOn) {
            save.SetOnly(parts->files);
            save.SetEarlierPart(parts->savedBefore, parts->placesBefore);
        }
        JobOutcome outcome = save.Run();
        if (parts) {
            parts->destinationStopped = save.StoppedByDestination();
            parts->unsaved = save.GetUnsaved();
            parts->saved = outcome.done;
            parts->places = save.GetOutputPlace();
        }
        return outcome;
    };
    if (parts) {
        job.leftForAnother = [parts]() -> uint64_t {
            return parts->destinationStopped ? parts->unsaved.size() : 0;
        };
    }
    return job;
}

}  // namespace tvn::ui
