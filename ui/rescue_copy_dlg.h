// The rescue copy of the picked card into an image file, before the scan. The
// copy (output/image_job) runs on a worker, good areas first, and the window
// shows what it has rescued, the bad areas, the rate and the time since the
// last good read, and the map as a grid. Pause holds the worker at the job's
// gate; Stop asks first, and the copy then ends with the image and its map
// consistent, so that choosing the same image again goes on where it stopped.
//
// The worker never touches a widget: its progress arrives as queued calls and
// its end as one, after which it is joined.
#pragma once

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <atomic>
#include <optional>
#include <string>
#include <thread>

#include "app/session.h"
#include "output/image_job.h"
#include "ui/rescue_map_view.h"
#include "ui/wizard_dialog.h"
#include "ui/wizard_state.h"

namespace tvn::ui {

class CRescueCopyDlg : public CWizardDialog {
    Q_OBJECT
public:
    enum class State { Running, Paused, Asking, Stopping, Ended };

    // Copies the session's current medium (the card, opened) to image, with
    // its map beside it. The worker starts when the window is first shown.
    CRescueCopyDlg(CSession& session, std::string image, QString sourceDescription,
                   QWidget* parent = nullptr);
    ~CRescueCopyDlg() override;

    // Processing when the copy went through every pass (the scan of the
    // image comes next), FileTypes when it was stopped or failed.
    WizardStep Next() const { return m_next; }
    State GetState() const { return m_state; }
    bool HasWorker() const { return m_worker.joinable(); }
    const ImageOutcome& Outcome() const { return m_outcome; }
    const std::string& ImagePath() const { return m_options.image; }
    const std::string& MapPath() const { return m_options.map; }
    CRescueMapView* MapView() const { return m_map; }
    // Before the window shows: how the copy reads (tests make it small).
    ImageOptions& Options() { return m_options; }
    // Shows the figures and the map of a progress report (the worker's
    // queued calls arrive here).
    void OnProgress(const ImageProgress& p, const CRescueMap& map);

Q_SIGNALS:
    // The worker has ended and the end was reported; the window closes next.
    void CopyEnded();

protected:
    void showEvent(QShowEvent* event) override;
    void CloseRequested() override { OnStop(); }

private:
    void StartWorker();
    void OnPause();
    void OnStop();
    void OnWorkerEnded(const ImageOutcome& outcome);
    void End(const ImageOutcome& outcome);

    CSession& m_session;
    ImageOptions m_options;
    WizardStep m_next = WizardStep::FileTypes;
    State m_state = State::Running;
    bool m_started = false;
    std::thread m_worker;
    std::atomic<bool> m_workerDone{false};
    std::optional<ImageOutcome> m_pending;  // ended while the stop question was open
    ImageOutcome m_outcome;

    QLabel* m_status = nullptr;
    QLabel* m_rescued = nullptr;
    QLabel* m_bad = nullptr;
    QLabel* m_rate = nullptr;
    QLabel* m_sinceGood = nullptr;
    QLabel* m_left = nullptr;  // time left, when it can be told
    QProgressBar* m_bar = nullptr;
    CRescueMapView* m_map = nullptr;
    QPushButton* m_pause = nullptr;
    QPushButton* m_stop = nullptr;
};

}  // namespace tvn::ui
