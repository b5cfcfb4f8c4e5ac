#include "ui/qt_reporter.h"

#include <QThread>
#include <QWidget>
#include <cstdio>

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

void CQtReporter::Console(std::string_view text) {
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fflush(stdout);
}

}  // namespace tvn::ui
