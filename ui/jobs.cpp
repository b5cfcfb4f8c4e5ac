#include "ui/jobs.h"

#include "output/save_job.h"

namespace tvn::ui {

CProcessingJob MakeScanJob(std::shared_ptr<CScanJob> scan) {
    CProcessingJob job;
    job.run = [scan] { return scan->Run(); };
    return job;
}

JobOutcome SaveOutcome(bool ran, bool stopped, uint64_t saved) {
    JobOutcome outcome;
    outcome.done = saved;
    if (!ran)
        outcome.result = JobResult::Refused;  // the job has shown why
    else if (stopped)
        outcome.result = JobResult::Stopped;
    else
        outcome.result = JobResult::Completed;
    return outcome;
}

CProcessingJob MakeSaveJob(CSession& session, IReporter& reporter) {
    CProcessingJob job;
    job.run = [&session, &reporter] {
        CSaveJob save(session, reporter);
        const bool ran = save.Run();
        return SaveOutcome(ran, save.WasStopped(), session.job.FileCounter().load());
    };
    return job;
}

}  // namespace tvn::ui
