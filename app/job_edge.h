// The edge of a job on its worker thread: whatever the job throws (memory
// that cannot be had, a thread that cannot be started, a library's error)
// ends here as a failed outcome with a message, instead of taking the whole
// program down through std::terminate.
#pragma once

#include <exception>
#include <functional>
#include <new>
#include <string>

#include "app/job_outcome.h"

namespace tvn {

inline JobOutcome RunAtJobEdge(const std::function<JobOutcome()>& job) noexcept {
    auto failed = [](std::string why) {
        JobOutcome outcome;
        outcome.result = JobResult::Failed;
        outcome.message = "The job ended with an error: " + why;
        outcome.AddError(std::move(why));
        return outcome;
    };
    try {
        return job();
    } catch (const std::bad_alloc&) {
        return failed("there was not enough memory.");
    } catch (const std::exception& e) {
        return failed(e.what());
    } catch (...) {
        return failed("an unknown error.");
    }
}

}  // namespace tvn
