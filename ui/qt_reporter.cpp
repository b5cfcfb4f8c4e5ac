#include "ui/qt_reporter.h"

#include <QThread>
#include <QWidget>
#include <cstdio>
#include <mutex>

#include "ui/handover.h"
#include "ui/message_box.h"

namespace tvn::ui {

CQtReporter::CQtReporter(QObject* parent) : QObject(parent) {}

void CQtReporter::Message(std::string_view text, std::string_view caption, MsgIcon icon) {
    const QString t = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    const QString c = QString::fromUtf8(caption.data(), static_cast<qsizetype>(caption.size()));
    auto show = [this, t, c, icon] {
        if (m_closing.load()) return;
        ShowMessage(m_parent.data(), t, c, icon);
    };
    if (QThread::currentThread() == thread()) {
        show();
    } else {
        RunAndWait(this, show);
    }
}

void CQtReporter::Progress(uint64_t percent) { Q_EMIT ProgressChanged(percent); }

// The processing window learns that a job ended from the job's function
// returning, not from here.
void CQtReporter::Finished() {}

void CQtReporter::SetFileCounterText(std::string_view text) {
    Q_EMIT FileCounterTextChanged(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
}

void CQtReporter::SetLastFileText(std::string_view text) {
    Q_EMIT LastFileTextChanged(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
}

void CQtReporter::SetStatusText(std::string_view text) {
    Q_EMIT StatusTextChanged(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
}

namespace {
std::atomic<std::FILE*> g_consoleSink{nullptr};
std::mutex g_consoleMutex;
}  // namespace

void CQtReporter::SetConsoleSink(std::FILE* sink) { g_consoleSink.store(sink); }

std::FILE* CQtReporter::ConsoleSink() { return g_consoleSink.load(); }

void CQtReporter::Console(std::string_view text) {
    std::FILE* sink = g_consoleSink.load();
    if (sink == nullptr) return;
    std::lock_guard lock(g_consoleMutex);
    std::fwrite(text.data(), 1, text.size(), sink);
    std::fflush(sink);
}

}  // namespace tvn::ui
