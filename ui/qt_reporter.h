// The wizard's IReporter. The core calls it from a job's worker thread; only
// the GUI thread touches widgets, so every call becomes a queued signal that
// the processing window handles on the GUI thread. A message box is shown on
// the GUI thread while the worker waits for its answer, as the core expects.
#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <atomic>
#include <cstdint>
#include <cstdio>

#include "app/report.h"

class QWidget;

namespace tvn::ui {

class CQtReporter : public QObject, public IReporter {
    Q_OBJECT
public:
    explicit CQtReporter(QObject* parent = nullptr);

    // The window message boxes are shown over (the wizard's current step).
    void SetMessageParent(QWidget* parent) { m_parent = parent; }
    // While closing, a worker's message boxes are skipped instead of shown,
    // so that a worker being joined never waits for an answer.
    void SetClosing(bool closing) { m_closing.store(closing); }

    void Message(std::string_view text, std::string_view caption, MsgIcon icon) override;
    void Progress(uint64_t percent) override;
    void Finished() override;
    void SetFileCounterText(std::string_view text) override;
    void SetLastFileText(std::string_view text) override;
    void SetStatusText(std::string_view text) override;
    // The diagnostic console goes where SetConsoleSink sent it, as 8-bit
    // text; by default nowhere (a desktop launch would put it in the user's
    // journal, several lines per file).
    void Console(std::string_view text) override;
    // Where every wizard reporter writes the console: the file of --log,
    // standard output when $TVN_TRACE is set, or nullptr for nowhere.
    static void SetConsoleSink(std::FILE* sink);
    static std::FILE* ConsoleSink();

Q_SIGNALS:
    void ProgressChanged(quint64 percent);
    void FileCounterTextChanged(const QString& text);
    void LastFileTextChanged(const QString& text);
    void StatusTextChanged(const QString& text);

private:
    QPointer<QWidget> m_parent;
    std::atomic<bool> m_closing{false};
};

}  // namespace tvn::ui
