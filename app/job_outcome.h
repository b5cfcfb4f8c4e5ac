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

    // The message in parts a front end can show in the user's language:
    // each a fixed text of the program with %1, %2, ... where the values go
    // (paths, counts), and what comes before it ("\n"). When there are
    // parts, message is exactly them in English, filled in.
    struct Part {
        std::string before;
        std::string text;
        std::vector<std::string> values;
    };
    std::vector<Part> parts;

    static constexpr size_t kMaxErrors = 20;
    void AddError(std::string text) {
        if (errors.size() < kMaxErrors) errors.push_back(std::move(text));
    }
    // Adds a part to the message.
    void Say(std::string text, std::vector<std::string> values = {}, std::string before = {}) {
        message += before + Fill(text, values);
        parts.push_back({std::move(before), std::move(text), std::move(values)});
    }
    // The message from scratch.
    void SayOnly(std::string text, std::vector<std::string> values = {}) {
        message.clear();
        parts.clear();
        Say(std::move(text), std::move(values));
    }
    // text with %1 ... %9 replaced by the values, in one pass (a value that
    // holds "%1" stays as it is).
    static std::string Fill(const std::string& text, const std::vector<std::string>& values) {
        std::string out;
        for (size_t i = 0; i < text.size(); ++i) {
            const char c = text[i];
            if (c == '%' && i + 1 < text.size() && text[i + 1] >= '1' && text[i + 1] <= '9') {
                const size_t n = static_cast<size_t>(text[i + 1] - '1');
                if (n < values.size()) {
                    out += values[n];
                    ++i;
                    continue;
                }
            }
            out += c;
        }
        return out;
    }
    bool Succeeded() const { return result == JobResult::Completed; }
};

}  // namespace tvn
