#include "ui/processing_dialog.h"

#include <QCloseEvent>
#include <QBoxLayout>
#include <QCoreApplication>
#include <QGridLayout>
#include <QDesktopServices>
#include <QPainter>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>
#include <algorithm>
#include <chrono>

#include "app/job_edge.h"
#include "output/save_job.h"
#include "preview/i18n.h"
#include "ui/handover.h"
#include "ui/message_box.h"

namespace tvn::ui {

namespace {
// The room between the notes and the figures, where the double line is.
constexpr int kFiguresGap = 30;
const QString kInformation = QStringLiteral("Information");

// A job's message in the user's language: its parts translated with their
// values put in, else the message itself when it is a known text.
QString OutcomeText(const JobOutcome& outcome) {
    if (outcome.parts.empty()) return TrKnown(QString::fromStdString(outcome.message));
    QString text;
    for (const JobOutcome::Part& part : outcome.parts) {
        text += QString::fromStdString(part.before) +
                QString::fromStdString(JobOutcome::Fill(Tr(part.text).toStdString(), part.values));
    }
    return text;
}

// A static text at r in the window at its first size; r's height is the
// least it takes. The window's layout places it.
CTXtndStatic* MakeStatic(QWidget* parent, const char* id, const QString& text, const QRect& r,
                         bool bold = false) {
    auto* s = new CTXtndStatic(text, parent);
    s->setObjectName(QString::fromLatin1(id));
    s->setGeometry(r);
    s->setMinimumHeight(r.height());
    if (bold) s->SetBold(true);
    return s;
}

// A value that may be longer than the window is wide (a path, a file name):
// it shows what fits rather than widen the window.
void MayRunLong(QLabel* value) {
    value->setSizePolicy(QSizePolicy::Ignored, value->sizePolicy().verticalPolicy());
    value->setMinimumWidth(120);
}
}  // namespace

CProcessingDlg::CProcessingDlg(CSession& session, CQtReporter& reporter, CProcessingJob job,
                               QString sourceDescription, QWidget* parent, Clock clock)
    : CWizardDialog(parent, QStringLiteral("tvnwelcome.htm")),
      m_session(session),
      m_reporter(reporter),
      m_job(std::move(job)),
      m_source(std::move(sourceDescription)),
      m_clock(clock ? std::move(clock) : Clock([] { return std::time(nullptr); })),
      m_mode(session.jobMode),
      m_compress(session.compress) {
    setObjectName(QStringLiteral("CProcessingDlg"));
    m_openFolder = [this](const QString& path) {
        if (OpenFolderOnDesktop(path)) return;
        // No file manager to show them: the user is told where they are.
        ShowMessage(this, Tr("No file manager could be opened to show the saved files. They are in:\n%1").arg(path),
                    Tr("Information"), MsgIcon::Information);
    };

    Labels labels;
    BuildStateControls(labels);
    BuildFigures(labels);
    LayOutControls(labels);
    BuildButtons();
    StartClock();
    ShowJobTexts(labels);
    ConnectReports();
}

// The job's picture and state, the two notes below them.
void CProcessingDlg::BuildStateControls(Labels& labels) {
    m_animation = new CJobAnimation(this);
    m_animation->setObjectName(QStringLiteral("id1049"));
    m_animation->setGeometry(60, 14, 230, 64);
    MakeStatic(this, "id1010", QStringLiteral("Status"), QRect(310, 16, 290, 20), true);
    m_status = MakeStatic(this, "id1009", QString(), QRect(310, 40, 300, 36), true);
    // Long states ("Burning operation completed. Finalizing optical media")
    // take the second line instead of being cut.
    m_status->setWordWrap(true);
    m_step = MakeStatic(this, "step", QString(), QRect(310, 76, 300, 14));
    m_step->SetFontSize(qRound(WizardPointSize(8)));
    m_step->hide();
    labels.wait = MakeStatic(this, "id1012", QString(), QRect(20, 90, 595, 34), true);
    labels.wait->SetTextColor(kTextGrey);
    labels.wait->SetFontSize(qRound(WizardPointSize(8)));
    labels.hint = MakeStatic(this, "id1017", QString(), QRect(20, 128, 595, 18), true);
    labels.hint->SetTextColor(kTextGrey);
    labels.hint->SetFontSize(qRound(WizardPointSize(8)));
}

// The job's figures, below the double line, and the bar.
void CProcessingDlg::BuildFigures(Labels& labels) {
    labels.place = MakeStatic(this, "id1050", QStringLiteral("Source Drive :"), QRect(60, 176, 150, 20), true);
    m_place = MakeStatic(this, "id1046", m_source, QRect(210, 176, 400, 20));
    labels.lastFile = MakeStatic(this, "id1045", QStringLiteral("Last File Found : "), QRect(60, 204, 150, 20), true);
    m_lastFile = MakeStatic(this, "id1044", QStringLiteral("none"), QRect(210, 204, 400, 20));
    labels.counter = MakeStatic(this, "id1048", QStringLiteral("No. of files found :"), QRect(60, 232, 150, 20), true);
    m_counter = MakeStatic(this, "id1047", QStringLiteral("0"), QRect(210, 232, 400, 20));
    MakeStatic(this, "id1013", QStringLiteral("Time Elapsed"), QRect(60, 260, 150, 20), true);
    m_elapsed = new QLabel(QStringLiteral("00:00:00"), this);
    m_elapsed->setObjectName(QStringLiteral("id1014"));
    m_elapsed->setMinimumHeight(20);
    m_elapsed->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    m_bar = new QProgressBar(this);
    m_bar->setObjectName(QStringLiteral("id1008"));
    m_bar->setRange(0, 100);
    m_bar->setValue(0);
    m_bar->setTextVisible(false);
    m_bar->setFixedHeight(22);
    m_percent = new QLabel(QStringLiteral("0%"), this);
    m_percent->setObjectName(QStringLiteral("id1011"));
    m_percent->setMinimumSize(60, 22);
}

void CProcessingDlg::LayOutControls(const Labels& labels) {
    // The picture and the state side by side; the two notes; the double line
    // (drawn in the space below the notes); the figures; the bar. What the
    // window gains in height stays below the bar.
    for (QLabel* note : {static_cast<QLabel*>(labels.wait), static_cast<QLabel*>(labels.hint), static_cast<QLabel*>(m_status)})
        note->setWordWrap(true);
    MayRunLong(m_place);
    MayRunLong(m_lastFile);
    MayRunLong(m_counter);
    m_animation->setFixedSize(230, 64);
    auto* state = new QVBoxLayout;
    state->setSpacing(4);
    state->addWidget(findChild<CTXtndStatic*>(QStringLiteral("id1010")));
    state->addWidget(m_status);
    state->addWidget(m_step);
    state->addStretch(1);
    auto* head = new QHBoxLayout;
    head->setContentsMargins(60, 14, 5, 0);
    head->setSpacing(20);
    head->addWidget(m_animation, 0, Qt::AlignTop);
    head->addLayout(state, 1);
    auto* notes = new QVBoxLayout;
    notes->setContentsMargins(20, 12, 5, 0);
    notes->setSpacing(4);
    notes->addWidget(labels.wait);
    notes->addWidget(labels.hint);
    auto* figures = new QGridLayout;
    figures->setContentsMargins(60, kFiguresGap, 10, 0);
    figures->setHorizontalSpacing(0);
    figures->setVerticalSpacing(8);
    figures->setColumnMinimumWidth(0, 150);
    figures->setColumnStretch(1, 1);
    figures->addWidget(labels.place, 0, 0);
    figures->addWidget(m_place, 0, 1);
    figures->addWidget(labels.lastFile, 1, 0);
    figures->addWidget(m_lastFile, 1, 1);
    figures->addWidget(labels.counter, 2, 0);
    figures->addWidget(m_counter, 2, 1);
    figures->addWidget(findChild<CTXtndStatic*>(QStringLiteral("id1013")), 3, 0);
    figures->addWidget(m_elapsed, 3, 1);
    auto* barRow = new QHBoxLayout;
    barRow->setContentsMargins(60, 30, 10, 0);
    barRow->setSpacing(10);
    barRow->addWidget(m_bar, 1);
    barRow->addWidget(m_percent);
    Content()->addLayout(head);
    Content()->addLayout(notes);
    Content()->addLayout(figures);
    Content()->addLayout(barRow);
    Content()->addStretch(1);
}

// Help, Pause and Stop.
void CProcessingDlg::BuildButtons() {
    // The help button opens the help's contents; F1 the welcome page.
    CHoverButton* help = AddHelpButton("id1004", QPoint(20, 430));
    disconnect(help, &QAbstractButton::clicked, nullptr, nullptr);
    connect(help, &QAbstractButton::clicked, this, [this] { OpenHelp(QStringLiteral("index.htm")); });
    m_pause = AddButton("id1015", QStringLiteral("&Pause"), QStringLiteral(":/art/pause.svg"),
                        QRect(380, 431, 100, 35));
    m_stop = AddButton("id1016", QStringLiteral("&Stop"), QStringLiteral(":/art/stop.svg"),
                       QRect(490, 431, 100, 35));
    connect(m_pause, &QPushButton::clicked, this, &CProcessingDlg::OnPause);
    connect(m_stop, &QPushButton::clicked, this, &CProcessingDlg::OnStop);
    m_pause->setFocus();
}

void CProcessingDlg::StartClock() {
    // The time and the job's name from the moment the window opens.
    m_start = m_clock();
    std::tm local{};
    localtime_r(&m_start, &local);
    m_session.jobName = FormatJobName(local);
    m_timer.setInterval(1000);
    connect(&m_timer, &QTimer::timeout, this, &CProcessingDlg::Tick);
}

// The notes, the figures' names, the state and the picture for the job's
// kind (scan, save or burn).
void CProcessingDlg::ShowJobTexts(const Labels& labels) {
    const QString jobFolder = QString::fromStdString(m_session.destination + "/" + m_session.jobName);
    switch (m_mode) {
        case JobMode::Scan:
            labels.wait->SetText(QStringLiteral(
                "Please wait, scanning might take several seconds to few hours. Estimated scan time depends on \n"
                "selected media (size, speed and physical condition of storage media)."));
            labels.hint->SetText(QStringLiteral("At any instance you can press [Stop] button to stop the scan."));
            SetStatus(QStringLiteral("Scanning is in progress"));
            m_animation->SetKind(CJobAnimation::Kind::Scan);
            break;
        case JobMode::Save:
            labels.wait->SetText(QStringLiteral(
                "Please wait, saving data. It may take several seconds to few hours. Estimated time to save data\n"
                "depends upon data selected, speed and physical condition of destination disk drive."));
            labels.hint->SetText(QStringLiteral("At any instance press [Stop] button to stop this operation."));
            labels.lastFile->SetText(QStringLiteral("Last File Saved : "));
            labels.counter->SetText(QStringLiteral("No. of files saved :"));
            labels.place->SetText(QStringLiteral("Saving Path :"));
            if (m_compress) {
                m_place->SetText(jobFolder + QStringLiteral(".zip"));
                m_animation->SetKind(CJobAnimation::Kind::Compress);
                SetStatus(QStringLiteral("Compressing and saving data"));
            } else {
                m_place->SetText(jobFolder);
                m_animation->SetKind(CJobAnimation::Kind::Save);
                SetStatus(QStringLiteral("Saving is in progress"));
            }
            break;
        case JobMode::Burn:
            labels.wait->SetText(QStringLiteral(
                "Please wait, Orvane Tarvolin is buring data to CD/DVD. This process might take few\n"
                "minutes to complete."));
            labels.hint->SetText(QStringLiteral(
                "You can click the [stop] button at any instance to stop the burning process."));
            labels.lastFile->SetText(QStringLiteral("Last File Saved : "));
            labels.counter->SetText(QStringLiteral("No. of files saved :"));
            labels.place->SetText(QStringLiteral("Saving Path :"));
            m_place->SetText(m_job.recorderName);
            SetStatus(m_compress ? QStringLiteral("Burning compressed data") : QStringLiteral("Burning data"));
            m_animation->SetKind(m_compress ? CJobAnimation::Kind::BurnCompressed : CJobAnimation::Kind::Burn);
            // Two steps, each named, on one bar: the files are copied to the
            // cache folder (the first half), then the disc is written.
            m_step->show();
            m_burnStep = 1;
            m_step->SetText(Tr("Step 1 of 2: copying the files to the cache folder"));
            break;
    }
}

void CProcessingDlg::ConnectReports() {
    // The job's reports, handled here on the GUI thread.
    connect(&m_reporter, &CQtReporter::ProgressChanged, this, &CProcessingDlg::OnProgress,
            Qt::QueuedConnection);
    connect(&m_reporter, &CQtReporter::FileCounterTextChanged, m_counter, &CTXtndStatic::SetText,
            Qt::QueuedConnection);
    connect(&m_reporter, &CQtReporter::LastFileTextChanged, m_lastFile, &CTXtndStatic::SetText,
            Qt::QueuedConnection);
    connect(&m_reporter, &CQtReporter::StatusTextChanged, this, &CProcessingDlg::OnStatusText,
            Qt::QueuedConnection);
}

CProcessingDlg::~CProcessingDlg() {
    if (!m_worker.joinable()) return;
    // The window goes while its job still runs (the program is closing): the
    // job is stopped and joined; message boxes it still asks for are skipped.
    // Its end, should it arrive while events are served here, is not shown.
    m_reporter.SetClosing(true);
    m_state = State::Ended;
    m_session.job.Stop();
    while (!m_workerDone.load()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    JoinWorker();
    m_reporter.SetClosing(false);
}

QString CProcessingDlg::FormatElapsed(std::time_t seconds) {
    if (seconds < 0) seconds = 0;
    const auto s = static_cast<unsigned long long>(seconds);
    return QString::asprintf("%02llu:%02llu:%02llu", s / 3600 % 24, s / 60 % 60, s % 60);
}

void CProcessingDlg::Tick() { m_elapsed->setText(FormatElapsed(m_clock() - m_start)); }

void CProcessingDlg::SetStatus(const QString& text) {
    m_status->SetText(text);
    m_status->SetBold(true);
}

void CProcessingDlg::showEvent(QShowEvent* event) {
    CWizardDialog::showEvent(event);
    if (!m_started) {
        m_started = true;
        StartWorker();
    }
}

void CProcessingDlg::StartWorker() {
    m_reporter.SetMessageParent(this);
    m_session.job.Reset();
    m_state = State::Running;
    m_timer.start();
    m_animation->Play();
    m_workerDone.store(false);
    try {
        m_worker = std::thread([this, run = m_job.run] {
            JobOutcome outcome = RunAtJobEdge(run ? run : [] {
                JobOutcome none;
                none.result = JobResult::Refused;
                none.message = "There is no job to run.";
                return none;
            });
            m_workerDone.store(true);
            PostTo(this, [this, outcome] { OnWorkerEnded(outcome); });
        });
    } catch (const std::exception& e) {
        JobOutcome failed;
        failed.result = JobResult::Failed;
        failed.message = std::string("The job could not be started: ") + e.what();
        m_workerDone.store(true);
        QMetaObject::invokeMethod(this, [this, failed] { OnWorkerEnded(failed); }, Qt::QueuedConnection);
    }
}

void CProcessingDlg::JoinWorker() {
    if (m_worker.joinable()) m_worker.join();
}

void CProcessingDlg::OnProgress(quint64 percent) {
    // A scan that reads past its last whole percentage is shown as done.
    int value = static_cast<int>(std::min<quint64>(percent, 100));
    // A burn's two steps share the bar, so it never runs back to 0.
    if (m_mode == JobMode::Burn && m_burnStep == 1) value /= 2;
    if (m_mode == JobMode::Burn && m_burnStep == 2) value = 50 + value / 2;
    m_bar->setValue(value);
    m_percent->setText(QString::asprintf("%u%%", static_cast<unsigned>(value)));
}

void CProcessingDlg::OnStatusText(const QString& text) {
    if (m_state == State::Ended) return;
    if (m_mode == JobMode::Burn) {
        if (text == QLatin1String("Writing cache")) {
            m_burnStep = 1;
            m_step->SetText(Tr("Step 1 of 2: copying the files to the cache folder"));
        } else if (text.startsWith(QLatin1String("Burning"))) {
            m_burnStep = 2;
            m_step->SetText(Tr("Step 2 of 2: writing the disc"));
        }
    }
    // While paused the window says so; the job's state comes back with Resume.
    if (m_state == State::Paused) {
        m_statusBeforePause = TrKnown(text);
        return;
    }
    SetStatus(text);
}

void CProcessingDlg::OnPause() {
    if (m_state == State::Running) {
        // Paused: the worker waits at its gate, the clock stands, and Stop
        // stays at hand.
        m_session.job.Pause();
        m_pause->setText(Tr("&Resume"));
        m_animation->Stop();
        m_timer.stop();
        Tick();
        m_pausedAt = m_clock();
        m_statusBeforePause = m_status->text();
        SetStatus(QStringLiteral("Paused"));
        m_state = State::Paused;
    } else if (m_state == State::Paused) {
        m_start += m_clock() - m_pausedAt;
        SetStatus(m_statusBeforePause);
        m_session.job.Resume();
        m_pause->setText(Tr("&Pause"));
        m_animation->Play();
        m_timer.start();
        m_state = State::Running;
    }
}

void CProcessingDlg::OnStop() {
    if (m_state != State::Running && m_state != State::Paused) return;
    const bool wasPaused = m_state == State::Paused;
    QString question;
    switch (m_mode) {
        case JobMode::Scan: question = QStringLiteral("Do you want to stop the scanning process?"); break;
        case JobMode::Save: question = QStringLiteral("Do you want to stop saving process?"); break;
        case JobMode::Burn: question = QStringLiteral("Do you want to stop CD/DVD burning process?"); break;
    }
    // The worker waits at its gate while the question is open.
    m_state = State::Asking;
    m_animation->Stop();
    m_session.job.Pause();
    const bool yes = AskYesNo(this, question, QStringLiteral("Confirm"));
    if (!yes) {
        if (wasPaused) {
            // Still paused, as it was before the question.
            m_state = State::Paused;
        } else {
            m_animation->Play();
            m_session.job.Resume();
            m_state = State::Running;
        }
        if (m_pending) {
            const JobOutcome outcome = *m_pending;
            m_pending.reset();
            FinishedEnd(outcome);
        }
        return;
    }
    if (m_pending) {
        // The job ended by itself while the question was open: its own end
        // is what happened (a completed job is no aborted one), and it is
        // handed over once.
        const JobOutcome outcome = *m_pending;
        m_pending.reset();
        if (outcome.result == JobResult::Stopped)
            StoppedEnd(outcome);
        else
            FinishedEnd(outcome);
        return;
    }
    // Clear the run flag and open the gate; the worker ends at its next
    // check, and its end arrives as the usual notification.
    m_state = State::Stopping;
    m_pause->setEnabled(false);
    m_stop->setEnabled(false);
    SetStatus(QStringLiteral("Stopping..."));
    m_session.job.Stop();
}

void CProcessingDlg::OnWorkerEnded(const JobOutcome& outcome) {
    JoinWorker();
    if (m_state == State::Ended) return;
    if (m_state == State::Asking) {
        m_pending = outcome;
        return;
    }
    // What the job says it did, not what was asked of it: a job that
    // completed before it saw the stop has completed.
    if (m_state == State::Stopping && outcome.result == JobResult::Stopped) {
        StoppedEnd(outcome);
        return;
    }
    FinishedEnd(outcome);
}

QString CProcessingDlg::FailureText(const JobOutcome& outcome) {
    QString text = OutcomeText(outcome);
    if (text.isEmpty()) text = Tr("The job ended with an error.");
    for (const std::string& e : outcome.errors) {
        if (e == outcome.message) continue;
        text += QStringLiteral("\n") + TrKnown(QString::fromStdString(e));
    }
    return text;
}

void CProcessingDlg::ShowFailure(const JobOutcome& outcome, MsgIcon icon) {
    ShowMessage(this, FailureText(outcome),
                icon == MsgIcon::Information ? QStringLiteral("Information") : QStringLiteral("Error"), icon);
}

bool CProcessingDlg::OfferAnotherDestination(const JobOutcome& outcome) {
    if (m_mode != JobMode::Save || !m_job.leftForAnother) return false;
    const uint64_t left = m_job.leftForAnother();
    if (left == 0) return false;
    // One box: why the save stopped, and the way on.
    m_another = AskYesNo(this,
                         FailureText(outcome) + QStringLiteral("\n\n") +
                             Tr("Do you want to choose another destination for the %1 file(s) not saved yet?")
                                 .arg(left),
                         QStringLiteral("Confirm"));
    return true;
}

void CProcessingDlg::FinishedEnd(const JobOutcome& outcome) {
    m_state = State::Ended;
    m_timer.stop();
    m_animation->Stop();
    m_pause->setEnabled(false);
    m_stop->setEnabled(false);
    switch (outcome.result) {
        case JobResult::Failed:
            if (!OfferAnotherDestination(outcome)) ShowFailure(outcome);
            break;
        case JobResult::Refused:
            // A job that did not start only says why; it is told here, as
            // every end of a job is, once.
            ShowFailure(outcome, m_mode == JobMode::Scan ? MsgIcon::Information : MsgIcon::Error);
            break;
        case JobResult::Stopped:
            StoppedEnd(outcome);
            return;
        case JobResult::Completed:
            m_bar->setValue(100);
            m_percent->setText(QStringLiteral("100%"));
            switch (m_mode) {
                case JobMode::Scan: {
                    // Sectors that could not be read are told with the end.
                    QString text = QStringLiteral("Scanning Process completed Successfully.");
                    for (const std::string& e : outcome.errors) text += QStringLiteral("\n") + QString::fromStdString(e);
                    ShowMessage(this, text, kInformation, MsgIcon::Information);
                    break;
                }
                case JobMode::Save:
                    SetStatus(QStringLiteral("Saving operation completed"));
                    // The job's own sentence: it names files saved with
                    // unreadable sectors instead of calling them a success.
                    ShowMessage(this,
                                !outcome.message.empty() ? OutcomeText(outcome)
                                : m_compress ? QStringLiteral("Compressed saving operation completed.\nYou would "
                                                              "need unzip tool to decompress recovered archive(s).")
                                             : QStringLiteral("Saving operation completed successfully"),
                                kInformation, MsgIcon::Information);
                    OpenDestination();
                    break;
                case JobMode::Burn:
                    SetStatus(QStringLiteral("Burning operation completed. Finalizing optical media"));
                    ShowMessage(this, QStringLiteral("CD/DVD burning operation completed successfully"),
                                kInformation, MsgIcon::Information);
                    break;
            }
            break;
    }
    HandOver(outcome);
}

void CProcessingDlg::StoppedEnd(const JobOutcome& outcome) {
    m_state = State::Ended;
    m_timer.stop();
    m_animation->Stop();
    m_pause->setEnabled(false);
    m_stop->setEnabled(false);
    switch (m_mode) {
        case JobMode::Scan:
            // What was found so far stays in the catalogue.
            ShowMessage(this, QStringLiteral("Scanning process aborted."), kInformation, MsgIcon::Information);
            break;
        case JobMode::Save:
            // With how many files were saved, and where.
            ShowMessage(this,
                        outcome.message.empty()
                            ? QStringLiteral("Saving process Aborted")
                            : Tr("Saving process Aborted") + QStringLiteral("\n") + OutcomeText(outcome),
                        kInformation, MsgIcon::Information);
            OpenDestination();
            break;
        case JobMode::Burn:
            ShowMessage(this, QStringLiteral("CD/DVD Burning process Aborted"), kInformation, MsgIcon::Information);
            break;
    }
    HandOver(outcome);
}

bool CProcessingDlg::OpenFolderOnDesktop(const QString& path) {
    // The desktop's own opener first: it hands a folder to the file manager
    // under any desktop and any Qt platform.
    const QString opener = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
    if (!opener.isEmpty() && QProcess::startDetached(opener, {path})) return true;
    return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

void CProcessingDlg::OpenDestination() {
    // A plain save opens its job folder; a compressed one the folder the
    // archives lie in.
    const std::string& dest = m_session.destination;
    const QString path = m_compress ? QString::fromStdString(dest)
                                    : QString::fromStdString(dest + "/" + m_session.jobName);
    if (m_openFolder) m_openFolder(path);
}

void CProcessingDlg::HandOver(const JobOutcome& outcome) {
    m_outcome = outcome;
    m_session.job.Stop();
    Q_EMIT JobEnded();
    accept();
}

void CProcessingDlg::CloseRequested() {
    ShowMessage(this, QStringLiteral("Please stop the current process"), kInformation, MsgIcon::Information);
}

void CProcessingDlg::closeEvent(QCloseEvent* event) {
    // The window is left only through the end of its job: the close button
    // asks whether to stop it, as the Stop button does.
    event->ignore();
    if (m_state == State::Running || m_state == State::Paused) OnStop();
}

void CProcessingDlg::PaintDecorations(QPainter& painter) {
    CWizardDialog::PaintDecorations(painter);
    // The double line between the notes and the figures.
    const QWidget* first = findChild<QWidget*>(QStringLiteral("id1050"));
    const int w = width(), line = (first != nullptr ? first->y() : 176) - kFiguresGap + 10;
    painter.setPen(kLineGrey);
    painter.drawLine(60, line, w - 12, line);
    painter.drawLine(60, line + 2, w - 12, line + 2);
    painter.setPen(Qt::white);
    painter.drawLine(60, line + 1, w - 12, line + 1);
    painter.drawLine(60, line + 3, w - 12, line + 3);
}

}  // namespace tvn::ui
