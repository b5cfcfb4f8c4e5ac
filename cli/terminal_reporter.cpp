#include "cli/terminal_reporter.h"

#include <algorithm>
#include <fmt/format.h>
#include <unistd.h>

#include "catalog/scan_info.h"

namespace tvn::cli {

CTerminalReporter::CTerminalReporter(std::FILE* log, bool quiet)
    : m_log(log), m_quiet(quiet), m_tty(::isatty(STDERR_FILENO) != 0) {}

void CTerminalReporter::Message(std::string_view text, std::string_view caption, MsgIcon) {
    std::lock_guard lock(m_mutex);
    if (m_drawn && m_tty) std::fputc('\n', stderr);
    m_drawn = false;
    std::string flat(text);
    std::replace(flat.begin(), flat.end(), '\n', ' ');
    // Messages may carry names from a scan info file: no control characters
    // reach the terminal.
    flat = EscapeControlCharacters(flat);
    fmt::print(stderr, "tarvolin-cli: {}: {}\n", caption, flat);
}

void CTerminalReporter::Begin(std::string label) {
    std::lock_guard lock(m_mutex);
    m_label = std::move(label);
    m_counter = "0";
    m_lastFile.clear();
    m_percent = 0;
    m_drawn = false;
    m_start = std::chrono::steady_clock::now();
}

void CTerminalReporter::End() {
    std::lock_guard lock(m_mutex);
    Draw(true);
    if (m_drawn && m_tty && !m_quiet) std::fputc('\n', stderr);
    m_drawn = false;
}


void CTerminalReporter::Progress(uint64_t percent) {
    std::lock_guard lock(m_mutex);
    const uint64_t previous = m_percent;
    m_percent = std::min<uint64_t>(percent, 100);
    if (!m_tty && !m_quiet) {
        // Not a terminal: a plain line at the start and every ten percent.
        if (!m_drawn || m_percent / 10 != previous / 10) {
            fmt::print(stderr, "{}: {}%, {} files\n", m_label, m_percent, m_counter);
            m_drawn = true;
        }
        return;
    }
    Draw(true);
}

void CTerminalReporter::Finished() {}

void CTerminalReporter::SetFileCounterText(std::string_view text) {
    std::lock_guard lock(m_mutex);
    m_counter = text;
    Draw(false);
}

void CTerminalReporter::SetLastFileText(std::string_view text) {
    std::lock_guard lock(m_mutex);
    m_lastFile = text;
}

void CTerminalReporter::SetStatusText(std::string_view text) {
    std::lock_guard lock(m_mutex);
    if (m_label == text) return;
    if (m_drawn && m_tty && !m_quiet) std::fputc('\n', stderr);
    m_label = text;
    m_percent = 0;
    m_drawn = false;
}

void CTerminalReporter::Console(std::string_view text) {
    if (m_log == nullptr) return;
    std::lock_guard lock(m_mutex);
    std::fwrite(text.data(), 1, text.size(), m_log);
}

void CTerminalReporter::Draw(bool force) {
    if (!m_tty || m_quiet) return;
    const auto now = std::chrono::steady_clock::now();
    if (!force && now - m_lastDraw < std::chrono::milliseconds(100)) return;
    m_lastDraw = now;
    const auto secs = std::chrono::duration_cast<std::chrono::seconds>(now - m_start).count();
    constexpr int kWidth = 30;
    const int filled = static_cast<int>(m_percent * kWidth / 100);
    fmt::print(stderr, "\r{} [{}{}] {:3}%  files: {}  elapsed {:02}:{:02}:{:02}  {}\x1b[K",
               m_label, std::string(static_cast<size_t>(filled), '#'),
               std::string(static_cast<size_t>(kWidth - filled), ' '), m_percent, m_counter,
               secs / 3600, secs / 60 % 60, secs % 60, m_lastFile);
    std::fflush(stderr);
    m_drawn = true;
}

}  // namespace tvn::cli
