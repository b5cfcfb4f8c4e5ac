#include "ui/wizard_controller.h"

#include <unistd.h>

#include "catalog/scan_info.h"
#include "names/attach.h"
#include "ui/file_selection_dialog.h"
#include "ui/found_data_dlg.h"
#include "output/burn_job.h"
#include "ui/jobs.h"
#include "ui/message_box.h"
#include "ui/off_gui.h"
#include "ui/rescue_copy_dlg.h"
#include "ui/save_sheet.h"
#include "ui/wizard_scan.h"
#include "scan/exact/reload.h"

namespace tvn::ui {

CWizardController::CWizardController(CWizardOptions options) : m_options(std::move(options)) {
    // A burn writes to the recorder the burn page selected in the burner.
    burnJobFactory = [](CWizardController& wizard) {
        CProcessingJob job;
        CBurnerRecorders* recorders = wizard.Recorders();
        if (recorders == nullptr) {
            // No recorder was chosen: the burn does not start, and says why.
            job.run = [] {
                JobOutcome refused;
                refused.result = JobResult::Refused;
                refused.message = "The CD/DVD recorder is not ready; nothing was burnt.";
                return refused;
            };
            return job;
        }
        CBurner& burner = recorders->Burner();
        const int chosen = wizard.m_chosenRecorder;
        job.recorderName = QString::fromLocal8Bit(
            chosen >= 0 ? recorders->Name(chosen).c_str() : burner.GetSelectedAddress().c_str());
        job.run = [&wizard, &burner] {
            CBurnJob burn(wizard.Session(), burner, wizard.Reporter());
            return burn.Run();
        };
        return job;
    };
}

CWizardController::~CWizardController() = default;

void CWizardController::Run(WizardStep first) {
    WizardStep step = first;
    while (step != WizardStep::Exit) step = RunStep(step);
}

WizardStep CWizardController::RunStep(WizardStep step) {
    switch (step) {
        case WizardStep::Main: return RunMain();
        case WizardStep::FileTypes: return RunFileTypes();
        case WizardStep::Copy: return RunCopy();
        case WizardStep::Processing: return RunProcessing();
        case WizardStep::FoundData: return RunFoundData();
        case WizardStep::Exit: break;
    }
    return WizardStep::Exit;
}

template <class Dialog>
WizardStep CWizardController::Show(Dialog& dialog) {
    m_reporter.SetMessageParent(&dialog);
    Place(dialog);
    if (onWindow) onWindow(dialog);
    dialog.exec();
    Keep(dialog);
    m_reporter.SetMessageParent(nullptr);
    return dialog.Next();
}

void CWizardController::Place(QWidget& dialog) const {
    if (m_window.isNull()) return;
    dialog.resize(m_window.size());
    dialog.move(m_window.topLeft());
}

void CWizardController::Keep(const QWidget& dialog) { m_window = QRect(dialog.pos(), dialog.size()); }

WizardStep CWizardController::RunMain() {
    CKestrelDlg dialog(m_session, m_reporter, m_state, m_options.drives);
    if (!m_options.medium.isEmpty()) {
        dialog.PickMedium(m_options.medium);
        m_options.medium.clear();
    }
    return Show(dialog);
}

WizardStep CWizardController::RunFileTypes() {
    CFileSelectionDlg dialog(m_session, m_reporter, m_state);
    const WizardStep next = Show(dialog);
    m_scanJob = dialog.TakeScanJob();
    return next;
}

WizardStep CWizardController::RunCopy() {
    WizardStep next = WizardStep::FileTypes;
    std::string map;
    {
        CRescueCopyDlg dialog(m_session, m_state.copyImage, m_state.sourceDescription);
        next = Show(dialog);
        map = dialog.MapPath();
    }
    if (next != WizardStep::Processing) return WizardStep::FileTypes;
    return PrepareImageScan(m_state.copyImage, map) ? WizardStep::Processing : WizardStep::FileTypes;
}

bool CWizardController::PrepareImageScan(const std::string& image, const std::string& map) {
    // From here on only the image is read, never the card again.
    bool opened = false;
    QString why;
    const bool ran = RunOffGuiThread(nullptr, [&] {
        opened = m_session.OpenCurrentSource(image, m_reporter, kDisconnectedReconnect);
    }, &why);
    if (!ran) ShowMessage(nullptr, why, QStringLiteral("Error"), MsgIcon::Error);
    if (!ran || !opened) return false;
    const CLogicalDrives record = ImageRecord(image);
    m_state.driveId = record.m_strDrive;
    m_state.listedTotalSectors = static_cast<DWORD>(m_session.diskSource->GetTotalSectors() & 0xFFFFFFFFu);
    m_state.sourceDescription = QString::fromStdString(record.ItemText());
    m_state.rescueMaps[record.m_strDrive] = map;
    m_state.copyFirst = false;
    if (std::none_of(m_state.openedImages.begin(), m_state.openedImages.end(),
                     [&](const CLogicalDrives& r) { return r.m_strDrive == record.m_strDrive; }))
        m_state.openedImages.push_back(record);
    QString mapProblem;
    std::unique_ptr<CScanJob> job =
        MakeWizardScan(m_session, m_reporter, m_state.checkedTypes.value_or(std::vector<FileType>{}),
                       map, &mapProblem);
    if (!mapProblem.isEmpty()) ShowMessage(nullptr, mapProblem, QStringLiteral("Information"), MsgIcon::Information);
    if (!job) return false;
    m_session.job.Reset();
    m_session.jobMode = JobMode::Scan;
    m_scanJob = std::move(job);
    return true;
}

CProcessingJob CWizardController::MakeJob() {
    switch (m_session.jobMode) {
        case JobMode::Scan:
            if (m_scanJob) {
                // After a whole scan the card's file systems name what was
                // found, still on the worker.
                CProcessingJob job = MakeScanJob(m_scanJob);
                job.run = [run = std::move(job.run), this] {
                    JobOutcome outcome = run();
                    if (outcome.result == JobResult::Completed && m_session.diskSource) {
                        // A scan run to its end needs no checkpoint any more.
                        if (const std::string cp = WizardCheckpointPath(*m_session.diskSource); !cp.empty())
                            ::unlink(cp.c_str());
                        ReadOriginalNames(m_session.tree, *m_session.diskSource);
                    }
                    return outcome;
                };
                return job;
            }
            break;
        case JobMode::Save:
            return MakeSaveJob(m_session, m_reporter);
        case JobMode::Burn:
            if (burnJobFactory) return burnJobFactory(*this);
            break;
    }
    return {};
}

WizardStep CWizardController::RunProcessing() {
    // A scan makes a catalogue no scan info holds yet.
    if (m_session.jobMode == JobMode::Scan) m_state.scanInfoSaved = false;
    // A save whose destination fills up (or turns read-only) may go on at
    // another one with the files it could not save, as often as the user
    // wants; each part saves only what the parts before it left.
    auto parts = m_session.jobMode == JobMode::Save ? std::make_shared<CSaveParts>() : nullptr;
    for (;;) {
        CProcessingDlg dialog(m_session, m_reporter, parts ? MakeSaveJob(m_session, m_reporter, parts) : MakeJob(),
                              m_state.sourceDescription);
        m_reporter.SetMessageParent(&dialog);
        Place(dialog);
        if (onWindow) onWindow(dialog);
        dialog.exec();
        Keep(dialog);
        m_reporter.SetMessageParent(nullptr);
        if (!parts || !dialog.AnotherDestinationWanted()) break;
        // Only a folder: the save options without recorders.
        CSavePropertySheet sheet(m_session, nullptr);
        if (sheet.exec() != QDialog::Accepted || m_session.jobMode != JobMode::Save) break;
        parts->GoOn();
    }
    // The scan's recognizers hold the disk source; they go with the scan.
    m_scanJob.reset();
    return WizardStep::FoundData;
}

WizardStep CWizardController::RunFoundData() {
    CDataFoundDlg dialog(m_session);
    dialog.SetWizardState(&m_state);
    // The burn page offers recorders once burn jobs can be made.
    if (burnJobFactory) {
        if (!m_burner) {
            m_burner = std::make_unique<CBurner>(&m_reporter);
            m_recorders = std::make_unique<CBurnerRecorders>(*m_burner);
        }
        dialog.SetRecorders(m_recorders.get());
    }
    if (previewHandler) dialog.SetPreviewHandler(previewHandler);
    const WizardStep next = Show(dialog);
    m_chosenRecorder = dialog.ChosenRecorder();
    return next;
}

bool CWizardController::LoadScanInfoAtStart(const QString& path) {
    const std::string file = path.toStdString();
    if (!CheckScanInfoExtension(file, m_reporter)) return false;
    bool loaded = false;
    std::string drive;
    QString why;
    const bool ran = RunOffGuiThread(nullptr, [&] {
        // The file names the medium it was made on; its sector count is
        // taken from the medium itself, as the drive list would give it.
        const ScanInfoParse parse = ParseScanInfoFile(file);
        if (parse.error == ScanInfoError::Open || parse.error == ScanInfoError::ReadMagic ||
            parse.error == ScanInfoError::BadMagic || parse.error == ScanInfoError::ReadHeader) {
            const ScanInfoMessage m = ScanInfoFailureMessage(parse);
            m_reporter.Message(m.text, m.caption, MsgIcon::Error);
            return;
        }
        drive = parse.contents.driveId;
        // The medium opened here becomes the session's, so that the load
        // below opens it again from the same descriptors: a disk that only
        // UDisks2 may open for this user is asked for once, not twice.
        m_session.diskSource = CDiskSource::OpenAgain(m_session.diskSource.get(), drive);
        const DWORD sectors = static_cast<DWORD>(m_session.diskSource->GetTotalSectors() & 0xFFFFFFFFu);
        loaded = LoadScanInfo(m_session, file, drive, sectors, m_reporter);
        if (!loaded) m_session.diskSource.reset();
        if (loaded && m_session.exactLengths && m_session.diskSource) {
            MeasureLoadedLengths(*m_session.diskSource, m_session.tree, m_session.readHealth);
        }
        if (loaded && m_session.diskSource) ReadOriginalNames(m_session.tree, *m_session.diskSource);
        if (loaded) {
            m_state.driveId = drive;
            m_state.listedTotalSectors = sectors;
            m_state.scanInfoSaved = true;
        }
    }, &why);
    if (!ran) {
        ShowMessage(nullptr, why, QStringLiteral("Error"), MsgIcon::Error);
        return false;
    }
    if (loaded) {
        const CLogicalDrives record = ImageRecord(drive);
        const bool image = CDiskSource::Classify(drive) == MediumKind::Image;
        m_state.sourceDescription = image ? QString::fromStdString(record.ItemText()) : QString::fromStdString(drive);
        // The drive list shows the image when the user goes back to it.
        if (image && std::none_of(m_state.openedImages.begin(), m_state.openedImages.end(),
                                  [&](const CLogicalDrives& r) { return r.m_strDrive == record.m_strDrive; }))
            m_state.openedImages.push_back(record);
    }
    return loaded;
}

}  // namespace tvn::ui
