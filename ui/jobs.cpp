#include "ui/jobs.h"

#include "output/save_job.h"

namespace tvn::ui {

CProcessingJob MakeScanJob(std::shared_ptr<CScanJob> scan) {
    CProcessingJob job;
    job.run = [scan] { return scan->Run(); };
    return job;
}

CProcessingJob MakeSaveJob(CSession& session, IReporter& reporter) {
    CProcessingJob job;
    job.run = [&session, &reporter] {
        CSaveJob save(session, reporter);
        return save.Run();
    };
    return job;
}

}  // namespace tvn::ui
