// How the core talks to the person using it. Every front end (the wizard, the
// command line, the tests) implements IReporter; the core never includes a GUI
// toolkit. Calls are synchronous: the worker waits until the front end has
// handled them, as the processing dialog's window messages do.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tvn {

enum class MsgIcon { None, Information, Error, Question };

class IReporter {
public:
    virtual ~IReporter() = default;

    // A message box: text, caption ("Error", "Information", ...) and icon.
    virtual void Message(std::string_view text, std::string_view caption, MsgIcon icon) = 0;
    // The whole percentage of the running job.
    virtual void Progress(uint64_t percent) = 0;
    // The job has finished (not sent after a stop).
    virtual void Finished() = 0;
    // The processing window's file-counter text ("%I64u") and last-file text.
    virtual void SetFileCounterText(std::string_view text) = 0;
    virtual void SetLastFileText(std::string_view text) = 0;
    // The processing window's status line ("Writing cache", "Burning data").
    virtual void SetStatusText(std::string_view) {}
    // The diagnostic console: 8-bit text the user does not see. Callers pass
    // the text exactly as it is to be written, line breaks included.
    virtual void Console(std::string_view text) = 0;
};

// The two wordings for a medium that cannot be opened or has gone away.
inline constexpr std::string_view kDisconnectedReconnect =
    "Removable drive is disconnected.please reconnect the drive";
inline constexpr std::string_view kDisconnectedRestart =
    "Removable drive is disconnected.\nplease connect the drive and restart the scanning.";

// Reports nothing; for jobs whose caller only wants the result.
class CNullReporter : public IReporter {
public:
    void Message(std::string_view, std::string_view, MsgIcon) override {}
    void Progress(uint64_t) override {}
    void Finished() override {}
    void SetFileCounterText(std::string_view) override {}
    void SetLastFileText(std::string_view) override {}
    void Console(std::string_view) override {}
};

}  // namespace tvn
