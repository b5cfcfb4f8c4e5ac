// The command line's IReporter: a progress line on standard error (a bar on a
// terminal, plain percentage lines otherwise), messages on standard error, and
// the diagnostic console into an optional log file.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdio>
#include <mutex>
#include <string>

#include "app/report.h"

namespace tvn::cli {

class CTerminalReporter : public IReporter {
public:
    // log: where the diagnostic console goes (nullptr: nowhere).
    CTerminalReporter(std::FILE* log, bool quiet);

    void Message(std::string_view text, std::string_view caption, MsgIcon icon) override;
    void Progress(uint64_t percent) override;
    void Finished() override;
    void SetFileCounterText(std::string_view text) override;
    void SetLastFileText(std::string_view text) override;
    // A new phase of the job ("Burning data"): the display starts again.
    void SetStatusText(std::string_view text) override;
    void Console(std::string_view text) override;

    // Starts a new progress display for a job ("Scanning", "Saving").
    void Begin(std::string label);
    // Ends the progress line (a line break after the bar).
    void End();

private:
    void Draw(bool force);

    std::FILE* m_log;
    bool m_quiet;
    bool m_tty;
    std::mutex m_mutex;
    std::string m_label;
    std::string m_counter = "0";
    std::string m_lastFile;
    uint64_t m_percent = 0;
    bool m_drawn = false;
    std::chrono::steady_clock::time_point m_start = std::chrono::steady_clock::now();
    std::chrono::steady_clock::time_point m_lastDraw{};
};

}  // namespace tvn::cli
