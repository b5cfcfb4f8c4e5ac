// How a job ended, for the front end to show: every scan, save and burn ends
// with one of these, also when it failed early or was stopped.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tvn {

enum class JobResult {
    Completed,  // ran to its end; every file that was asked for was done
    Stopped,    // the user stopped it; what was done is kept
    Failed,     // it ran but something was not done (files not saved, a write failed)
    Refused,    // it did not start (medium missing, destination on the source, ...)
};

struct JobOutcome {
    JobResult result = JobResult::Completed;
    uint64_t done = 0;      // files found (scan), saved or burnt
    uint64_t failed = 0;    // files that could not be saved or burnt
    std::vector<std::string> errors;  // the first few error texts, in order
    std::string message;    // the sentence the front end shows at the end

    static constexpr size_t kMaxErrors = 20;
    void AddError(std::string text) {
        if (errors.size() < kMaxErrors) errors.push_back(std::move(text));
    }
    bool Succeeded() const { return result == JobResult::Completed; }
};

}  // namespace tvn
