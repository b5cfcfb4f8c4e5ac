// The processing window: runs one job (scan, save or burn) on a worker thread
// and shows its progress: elapsed time, percentage, the last file handled and
// the file count. Pause holds the worker at the job's gate; Stop asks first
// and, on Yes, lets the worker end at its next check. When the worker has
// ended (finished or stopped) the window reports the outcome and ends, and
// the wizard goes on to the found data.
//
// The worker never touches a widget: the job's reports arrive as queued
// signals, and its end as one queued notification, after which the worker is
// joined.
#pragma once

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <atomic>
#include <ctime>
#include <functional>
#include <optional>
#include <thread>

#include "app/job_outcome.h"
#include "app/session.h"
#include "ui/animations.h"
#include "ui/qt_reporter.h"
#include "ui/txtnd_static.h"
#include "ui/wizard_dialog.h"

namespace tvn::ui {

// The job the window runs: the worker body, and what the window needs to
// know about it besides the session's job mode and compress flag.
struct CProcessingJob {
    // Runs on the worker; reports through the wizard's reporter and says how
    // the job ended. A refused job reports why itself; a failed one leaves
    // its message to the window. Exceptions it throws become a failed outcome.
    std::function<JobOutcome()> run;
    // Burn: the recorder's name, shown as the saving path.
    QString recorderName;
    // Save: when the job stopped because its destination could take no more
    // files (full, read-only), how many ticked files it left unsaved, which
    // may go to another destination; 0 otherwise. Asked on the GUI thread
    // once the worker has ended.
    std::function<uint64_t()> leftForAnother;
};

class CProcessingDlg : public CWizardDialog {
    Q_OBJECT
public:
    enum class State { Running, Paused, Asking, Stopping, Ended };
    using Clock = std::function<std::time_t()>;

    // sourceDescription: the picked drive's text, shown in scan mode. The
    // worker starts when the window is first shown.
    CProcessingDlg(CSession& session, CQtReporter& reporter, CProcessingJob job,
                   QString sourceDescription, QWidget* parent = nullptr, Clock clock = {});
    ~CProcessingDlg() override;

    // "%02u:%02u:%02u"; the hours wrap after a day.
    static QString FormatElapsed(std::time_t seconds);
    // Shows the time elapsed since the start (the one-second timer's work).
    void Tick();

    // How the destination of a save is opened on the desktop (tests record it).
    void SetFolderOpener(std::function<void(const QString&)> opener) { m_openFolder = std::move(opener); }
    // Shows a folder in the desktop's file manager (xdg-open, else Qt's
    // desktop services); false when neither could take it.
    static bool OpenFolderOnDesktop(const QString& path);
    // The user asked, at the end of a save stopped by its destination, to
    // choose another destination for the files not saved yet.
    bool AnotherDestinationWanted() const { return m_another; }

    State GetState() const { return m_state; }
    bool HasWorker() const { return m_worker.joinable(); }
    // How the job ended (valid once the window has ended).
    const JobOutcome& Outcome() const { return m_outcome; }

Q_SIGNALS:
    // The worker has ended and the end was reported; the window closes next.
    void JobEnded();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void CloseRequested() override;
    void PaintDecorations(QPainter& painter) override;

private:
    // The texts of the window that the job's kind names differently.
    struct Labels {
        CTXtndStatic* wait = nullptr;      // 1012: how long it may take
        CTXtndStatic* hint = nullptr;      // 1017: how to stop it
        CTXtndStatic* place = nullptr;     // 1050: "Source Drive :" or "Saving Path :"
        CTXtndStatic* lastFile = nullptr;  // 1045: "Last File Found : " or "... Saved : "
        CTXtndStatic* counter = nullptr;   // 1048: "No. of files found :" or "... saved :"
    };
    // The parts of the constructor, in order.
    void BuildStateControls(Labels& labels);
    void BuildFigures(Labels& labels);
    void LayOutControls(const Labels& labels);
    void BuildButtons();
    void StartClock();
    void ShowJobTexts(const Labels& labels);
    // The job's reports, handled on the GUI thread.
    void ConnectReports();

    void StartWorker();
    void OnPause();
    void OnStop();
    void OnProgress(quint64 percent);
    // The job's status line; a burn's tells which of its two steps runs.
    void OnStatusText(const QString& text);
    void OnWorkerEnded(const JobOutcome& outcome);
    // The job ran to its end (or failed, or was refused) by itself.
    void FinishedEnd(const JobOutcome& outcome);
    // The job ended after the user confirmed a stop.
    void StoppedEnd(const JobOutcome& outcome);
    // The text of a job that failed or did not start: its message and errors.
    static QString FailureText(const JobOutcome& outcome);
    void ShowFailure(const JobOutcome& outcome, MsgIcon icon = MsgIcon::Error);
    // A save stopped by a full or read-only destination: its end, with the
    // offer to go on elsewhere; false when it is no such end.
    bool OfferAnotherDestination(const JobOutcome& outcome);
    void OpenDestination();
    void HandOver(const JobOutcome& outcome);
    void SetStatus(const QString& text);
    void JoinWorker();

    CSession& m_session;
    CQtReporter& m_reporter;
    CProcessingJob m_job;
    QString m_source;
    Clock m_clock;
    std::function<void(const QString&)> m_openFolder;

    JobMode m_mode;
    bool m_compress;
    std::time_t m_start = 0;
    std::time_t m_pausedAt = 0;  // when Pause was pressed: the clock stands while paused
    QString m_statusBeforePause;
    State m_state = State::Running;
    bool m_started = false;
    std::thread m_worker;
    std::atomic<bool> m_workerDone{false};
    std::optional<JobOutcome> m_pending;  // ended while the stop question was open
    JobOutcome m_outcome;
    QTimer m_timer;
    bool m_another = false;
    int m_burnStep = 0;  // 1 while the files are staged, 2 while the disc is written

    QPushButton* m_pause = nullptr;
    QPushButton* m_stop = nullptr;
    QProgressBar* m_bar = nullptr;
    CTXtndStatic* m_status = nullptr;   // 1009
    QLabel* m_percent = nullptr;        // 1011
    QLabel* m_elapsed = nullptr;        // 1014
    CTXtndStatic* m_lastFile = nullptr;  // 1044
    CTXtndStatic* m_counter = nullptr;   // 1047
    CTXtndStatic* m_place = nullptr;     // 1046
    CJobAnimation* m_animation = nullptr;  // 1049
    CTXtndStatic* m_step = nullptr;  // a burn's step, below the status line
};

}  // namespace tvn::ui
