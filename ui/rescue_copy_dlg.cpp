#include "ui/rescue_copy_dlg.h"

#include <QBoxLayout>
#include <QFrame>
#include <QGridLayout>
#include <QLocale>
#include <algorithm>
#include <cmath>

#include "preview/i18n.h"
#include "ui/handover.h"
#include "ui/message_box.h"

namespace tvn::ui {

namespace {
QLabel* MakeLabel(QWidget* parent, const char* id, bool bold = false) {
    auto* l = new QLabel(parent);
    l->setObjectName(QString::fromLatin1(id));
    l->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    if (bold) {
        QFont f = l->font();
        f.setBold(true);
        l->setFont(f);
    }
    return l;
}

QString Bytes(uint64_t n) { return QLocale().formattedDataSize(static_cast<qint64>(n)); }

QString Duration(double seconds) {
    const auto s = static_cast<unsigned long long>(std::llround(std::max(0.0, seconds)));
    return QString::asprintf("%02llu:%02llu:%02llu", s / 3600, s / 60 % 60, s % 60);
}
}  // namespace

CRescueCopyDlg::CRescueCopyDlg(CSession& session, std::string image, QString sourceDescription,
                               QWidget* parent)
    : CWizardDialog(parent, QStringLiteral("tvnselectfiletypes.htm")), m_session(session) {
    setObjectName(QStringLiteral("CRescueCopyDlg"));
    m_options.image = std::move(image);
    m_options.map = DefaultMapPath(m_options.image);
    if (m_session.diskSource) m_options.sourcePath = m_session.diskSource->GetDrive();

    m_status = MakeLabel(this, "idCopyStatus", true);
    m_status->setText(Tr("Copying the card to an image"));
    auto* from = MakeLabel(this, "idCopyFrom");
    from->setText(Tr("From: %1").arg(sourceDescription));
    auto* to = MakeLabel(this, "idCopyTo");
    to->setText(Tr("To: %1").arg(QString::fromStdString(m_options.image)));
    to->setToolTip(QString::fromStdString(m_options.map));

    m_rescued = MakeLabel(this, "idCopyRescued");
    m_bad = MakeLabel(this, "idCopyBad");
    m_rate = MakeLabel(this, "idCopyRate");
    m_sinceGood = MakeLabel(this, "idCopySinceGood");
    m_left = MakeLabel(this, "idCopyTimeLeft");
    m_left->setText(Tr("Time left: not known yet"));

    m_bar = new QProgressBar(this);
    m_bar->setObjectName(QStringLiteral("idCopyProgress"));
    m_bar->setAccessibleName(Tr("Copy progress"));
    m_bar->setRange(0, 1000);
    m_bar->setValue(0);
    m_bar->setTextVisible(false);
    m_bar->setFixedHeight(16);

    m_map = new CRescueMapView(this);
    m_map->setObjectName(QStringLiteral("idCopyMap"));
    m_map->setMinimumSize(300, 120);
    m_map->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);

    // The legend below the grid.
    const struct {
        const char* id;
        const char* text;
        CRescueMapView::Cell cell;
    } legend[] = {{"idCopyLegendGood", "Copied", CRescueMapView::Cell::Copied},
                  {"idCopyLegendBad", "Bad", CRescueMapView::Cell::Bad},
                  {"idCopyLegendUntried", "Not yet tried", CRescueMapView::Cell::NotTried}};
    auto* legendRow = new QHBoxLayout;
    legendRow->setSpacing(6);
    for (const auto& l : legend) {
        auto* swatch = new QFrame(this);
        swatch->setFixedSize(12, 12);
        swatch->setAutoFillBackground(true);
        QPalette p = swatch->palette();
        p.setColor(QPalette::Window, CRescueMapView::ColorOf(l.cell));
        swatch->setPalette(p);
        auto* text = MakeLabel(this, l.id);
        text->setText(Tr(l.text));
        legendRow->addWidget(swatch);
        legendRow->addWidget(text);
        legendRow->addSpacing(24);
    }
    legendRow->addStretch(1);

    // The figures above, the map taking what the window gains, the legend.
    auto* figures = new QGridLayout;
    figures->setHorizontalSpacing(12);
    figures->addWidget(m_rescued, 0, 0, 1, 2);
    figures->addWidget(m_bad, 1, 0);
    figures->addWidget(m_left, 1, 1);
    figures->addWidget(m_rate, 2, 0);
    figures->addWidget(m_sinceGood, 2, 1);
    auto* body = new QVBoxLayout;
    body->setContentsMargins(20, 14, 20, 6);
    body->setSpacing(4);
    body->addWidget(m_status);
    body->addWidget(from);
    body->addWidget(to);
    body->addSpacing(8);
    body->addLayout(figures);
    body->addSpacing(4);
    body->addWidget(m_bar);
    body->addSpacing(6);
    body->addWidget(m_map, 1);
    body->addSpacing(6);
    body->addLayout(legendRow);
    Content()->addLayout(body, 1);

    AddHelpButton("id1004", QPoint(20, 430));
    m_pause = AddButton("idCopyPause", Tr("&Pause"), QStringLiteral(":/art/pause.svg"),
                        QRect(380, 431, 100, 35));
    m_stop = AddButton("idCopyStop", Tr("&Stop"), QStringLiteral(":/art/stop.svg"),
                       QRect(490, 431, 100, 35));
    connect(m_pause, &QPushButton::clicked, this, &CRescueCopyDlg::OnPause);
    connect(m_stop, &QPushButton::clicked, this, &CRescueCopyDlg::OnStop);
    m_stop->setFocus();
}

CRescueCopyDlg::~CRescueCopyDlg() {
    if (!m_worker.joinable()) return;
    // The window goes while the copy still runs (the program is closing):
    // the copy is stopped, which leaves the image and map consistent.
    m_state = State::Ended;
    m_session.job.Stop();
    m_worker.join();
}

void CRescueCopyDlg::showEvent(QShowEvent* event) {
    CWizardDialog::showEvent(event);
    if (!m_started) {
        m_started = true;
        StartWorker();
    }
}

void CRescueCopyDlg::StartWorker() {
    m_session.job.Reset();
    m_state = State::Running;
    m_workerDone.store(false);
    if (!m_session.diskSource) {
        ImageOutcome none;
        none.message = "There is no job to run.";
        m_workerDone.store(true);
        PostTo(this, [this, none] { OnWorkerEnded(none); });
        return;
    }
    m_worker = std::thread([this, options = m_options] {
        ImageOutcome outcome;
        try {
            CDiskSourceMedium medium(*m_session.diskSource);
            CImageJob* running = nullptr;
            CImageJob job(medium, options, m_session.job, [this, &running](const ImageProgress& p) {
                // On the worker: the map as it stands goes with the figures.
                if (running == nullptr) return;
                PostTo(this, [this, p, map = running->Map()] { OnProgress(p, map); });
            });
            running = &job;
            outcome = job.Run();
            const CRescueMap last = job.Map();
            PostTo(this, [this, last] { m_map->SetMap(last); });
        } catch (const std::exception& e) {
            outcome.result = ImageResult::Refused;
            outcome.message = std::string("The job could not be started: ") + e.what();
        }
        m_workerDone.store(true);
        PostTo(this, [this, outcome] { OnWorkerEnded(outcome); });
    });
}

void CRescueCopyDlg::OnProgress(const ImageProgress& p, const CRescueMap& map) {
    if (m_state == State::Ended) return;
    const double share = p.size ? static_cast<double>(p.rescued) / static_cast<double>(p.size) : 0.0;
    m_bar->setValue(static_cast<int>(share * 1000));
    m_rescued->setText(Tr("Rescued: %1 of %2 (%3 %)")
                           .arg(Bytes(p.rescued), Bytes(p.size))
                           .arg(share * 100, 0, 'f', 1));
    m_bad->setText(Tr("Bad areas: %1 (%2 bytes)").arg(p.badAreas).arg(p.badBytes + p.pending));
    m_rate->setText(Tr("Rate: %1/s").arg(Bytes(static_cast<uint64_t>(p.currentRate))));
    m_sinceGood->setText(Tr("Since the last good read: %1").arg(Duration(p.sinceGoodRead)));
    // The untried bytes at the good areas' rate; the sectors still to be
    // tried one by one add what a bad sector has cost, once one has.
    if (!p.estimate) {
        m_left->setText(Tr("Time left: not known yet"));
    } else if (p.estimateCountsBadAreas) {
        m_left->setText(Tr("Time left: %1").arg(Duration(*p.estimate)));
    } else {
        m_left->setText(Tr("Time left: %1 and the bad areas").arg(Duration(*p.estimate)));
    }
    m_map->SetMap(map);
}

void CRescueCopyDlg::OnPause() {
    if (m_state == State::Running) {
        // The worker waits at its gate; Stop stays at hand.
        m_session.job.Pause();
        m_pause->setText(Tr("&Resume"));
        m_state = State::Paused;
    } else if (m_state == State::Paused) {
        m_session.job.Resume();
        m_pause->setText(Tr("&Pause"));
        m_state = State::Running;
    }
}

void CRescueCopyDlg::OnStop() {
    if (m_state != State::Running && m_state != State::Paused) return;
    const bool wasPaused = m_state == State::Paused;
    m_state = State::Asking;
    m_session.job.Pause();
    const bool yes = AskYesNo(
        this,
        Tr("Do you want to stop the copy? The image and its map are kept, and the copy can go on "
           "later."),
        Tr("Confirm"));
    if (m_pending) {
        // The copy ended by itself while the question was open.
        const ImageOutcome outcome = *m_pending;
        m_pending.reset();
        if (!wasPaused) m_session.job.Resume();
        End(outcome);
        return;
    }
    if (!yes) {
        m_state = wasPaused ? State::Paused : State::Running;
        if (!wasPaused) m_session.job.Resume();
        return;
    }
    m_state = State::Stopping;
    m_pause->setEnabled(false);
    m_stop->setEnabled(false);
    m_status->setText(Tr("Stopping..."));
    m_session.job.Stop();
}

void CRescueCopyDlg::OnWorkerEnded(const ImageOutcome& outcome) {
    if (m_worker.joinable()) m_worker.join();
    if (m_state == State::Ended) return;
    if (m_state == State::Asking) {
        m_pending = outcome;
        return;
    }
    End(outcome);
}

void CRescueCopyDlg::End(const ImageOutcome& outcome) {
    m_state = State::Ended;
    m_outcome = outcome;
    m_pause->setEnabled(false);
    m_stop->setEnabled(false);
    switch (outcome.result) {
        case ImageResult::Completed:
            m_next = WizardStep::Processing;
            break;
        case ImageResult::CompletedBad:
            // The scan of the image marks the files on the sectors it lacks.
            ShowMessage(this, QString::fromStdString(outcome.message), Tr("Information"),
                        MsgIcon::Information);
            m_next = WizardStep::Processing;
            break;
        case ImageResult::Stopped:
            ShowMessage(this,
                        Tr("The copy was stopped. The image and its map are kept: tick the copy "
                           "box again and choose the same image to go on where it stopped, or "
                           "open the image to recover from what was copied."),
                        Tr("Information"), MsgIcon::Information);
            m_next = WizardStep::FileTypes;
            break;
        case ImageResult::MediumLost:
        case ImageResult::DestinationFailed:
        case ImageResult::Refused:
            ShowMessage(this, QString::fromStdString(outcome.message), Tr("Error"), MsgIcon::Error);
            m_next = WizardStep::FileTypes;
            break;
    }
    Q_EMIT CopyEnded();
    accept();
}

}  // namespace tvn::ui
