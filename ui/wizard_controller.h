// The wizard's flow. The steps run one after another from here: each step's
// window runs, says which step comes next, and is gone before the next one
// opens, so no window runs inside another's handler however many jobs the
// user runs. One window is shown at a time, in the order a recovery takes:
// drives -> file types -> processing -> found data -> (save: processing ->
// found data) ... until the user leaves.
#pragma once

#include <QRect>
#include <QString>
#include <functional>
#include <memory>

#include "app/session.h"
#include "scan/scan_job.h"
#include "optical/burner.h"
#include "ui/burner_recorders.h"
#include "ui/found_data_dlg.h"
#include "ui/main_dialog.h"
#include "ui/processing_dialog.h"
#include "ui/qt_reporter.h"
#include "ui/wizard_state.h"

namespace tvn::ui {

struct CWizardOptions {
    CDriveSources drives;
    // A device or disk image picked when the drive list shows.
    QString medium;
};

class CWizardController {
public:
    explicit CWizardController(CWizardOptions options = {});
    ~CWizardController();
    CWizardController(const CWizardController&) = delete;
    CWizardController& operator=(const CWizardController&) = delete;

    // Runs the steps from first until the user leaves the wizard.
    void Run(WizardStep first = WizardStep::Main);
    // Runs one step's window and returns the step that follows.
    WizardStep RunStep(WizardStep step);
    WizardStep RunMain();
    WizardStep RunFileTypes();
    // The rescue copy of the card, then the scan of the image with its map.
    WizardStep RunCopy();
    WizardStep RunProcessing();
    WizardStep RunFoundData();

    // Loads a scan info file named on the command line: the medium it was
    // made on is opened and becomes the picked one. False after a message.
    bool LoadScanInfoAtStart(const QString& path);

    // The job the processing step runs, after the session's job mode.
    CProcessingJob MakeJob();
    // Makes burn jobs (the recorder and its staging); by default a burn job on
    // the recorder the burn page selected.
    std::function<CProcessingJob(CWizardController&)> burnJobFactory;
    // Previews a file of the found-data window (its simple picture window when
    // not set).
    CDataFoundDlg::PreviewHandler previewHandler;
    // The recorder the last burn was asked for on the burn page.
    CBurnerRecorders* Recorders() { return m_recorders.get(); }
    // Called with every step's window just before it runs.
    std::function<void(CWizardDialog&)> onWindow;

    CSession& Session() { return m_session; }
    CQtReporter& Reporter() { return m_reporter; }
    CWizardState& State() { return m_state; }

private:
    template <class Dialog>
    WizardStep Show(Dialog& dialog);
    // After a rescue copy: the image becomes the picked medium and its scan
    // is prepared. False after a message.
    bool PrepareImageScan(const std::string& image, const std::string& map);

    CWizardOptions m_options;
    CSession m_session;
    CQtReporter m_reporter;
    CWizardState m_state;
    std::shared_ptr<CScanJob> m_scanJob;  // prepared by the file-type step
    std::unique_ptr<CBurner> m_burner;    // the recorders of the burn page
    std::unique_ptr<CBurnerRecorders> m_recorders;
    int m_chosenRecorder = -1;  // on the burn page when the last Save was confirmed
    // The steps show as one window: each opens where the last one was left,
    // at its size (never below what its own controls need).
    void Place(QWidget& dialog) const;
    void Keep(const QWidget& dialog);
    QRect m_window;
};

}  // namespace tvn::ui
