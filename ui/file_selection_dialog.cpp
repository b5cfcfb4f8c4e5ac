#include "ui/file_selection_dialog.h"

#include <QBoxLayout>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>

#include "disk/on_source.h"
#include "output/image_job.h"
#include "preview/i18n.h"
#include "ui/banner.h"
#include "ui/message_box.h"
#include "ui/off_gui.h"
#include "ui/wizard_scan.h"

namespace tvn::ui {

namespace {
// The boxes: id, text and type, in list order; the animated icons beside
// them are 1066 onwards in the same order.
struct TypeBox {
    int id;
    const char* text;
    FileType type;
};
constexpr std::array<TypeBox, kClassicTypeCount> kBoxes{{
    {1006, "BMP", FileType::BMP}, {1007, "PNG", FileType::PNG}, {1008, "JPG", FileType::JPG},
    {1009, "GIF", FileType::GIF}, {1010, "TIFF", FileType::TIF}, {1011, "CRW", FileType::CRW},
    {1012, "CR2", FileType::CR2}, {1014, "SRF", FileType::SRF}, {1015, "SR2", FileType::SR2},
    {1016, "MRW", FileType::MRW}, {1017, "ORF", FileType::ORF}, {1018, "NEF", FileType::NEF},
    {1013, "MP3", FileType::MP3}, {1019, "MID", FileType::MID}, {1020, "WAV", FileType::WAV},
    {1021, "MP4", FileType::MP4}, {1022, "MPG", FileType::MPG}, {1023, "MOV", FileType::MOV},
    {1024, "AVI", FileType::AVI},
}};
constexpr size_t kImageTypes = 12;
// The types of today's cameras and phones, in a group of their own below the
// classic list: boxes without icons, six to a row.
constexpr std::array<TypeBox, kTypeCount - kClassicTypeCount> kMoreBoxes{{
    {1100, "CR3", FileType::CR3}, {1101, "ARW", FileType::ARW}, {1102, "RAF", FileType::RAF},
    {1103, "RW2", FileType::RW2}, {1104, "DNG", FileType::DNG}, {1105, "PEF", FileType::PEF},
    {1106, "NRW", FileType::NRW}, {1107, "HEIC", FileType::HEIC}, {1108, "MTS", FileType::MTS},
    {1109, "TS", FileType::TS}, {1110, "3GP", FileType::ThreeGP},
}};
}  // namespace

CFileSelectionDlg::CFileSelectionDlg(CSession& session, CQtReporter& reporter, CWizardState& state,
                                     QWidget* parent)
    : CWizardDialog(parent, QStringLiteral("tvnselectfiletypes.htm")),
      m_session(session),
      m_reporter(reporter),
      m_state(state) {
    setObjectName(QStringLiteral("CFileSelectionDlg"));
    m_reporter.SetMessageParent(this);

    auto* banner = new CBanner(QStringLiteral(":/art/banner_top.svg"), QColor(0x4a, 0x7c, 0xc4), this);
    banner->setObjectName(QStringLiteral("idBanner"));
    banner->setFixedHeight(64);
    banner->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    // The words beside the picture's file icons, which begin at x 470.
    banner->AddCaption({Tr("What are you looking for?"), QRect(22, 12, 440, 24), 20, true,
                        QColor(0xff, 0xff, 0xff)});
    banner->AddCaption({Tr("Tick the kinds of files to find. Fewer types make the scan quicker."),
                        QRect(22, 39, 440, 16), 12, false, QColor(0xcf, 0xe0, 0xff)});

    QFont groupFont(QStringLiteral("Arial"));
    groupFont.setPointSizeF(WizardPointSize(8));
    groupFont.setWeight(QFont::Bold);
    groupFont.setStyleStrategy(QFont::PreferAntialias);
    auto* images = new QGroupBox(Tr("Select image file types to recover"), this);
    images->setObjectName(QStringLiteral("id1095"));
    images->setFont(groupFont);
    auto* media = new QGroupBox(Tr("Select music && video file types to recover"), this);
    media->setObjectName(QStringLiteral("id1096"));
    auto* more = new QGroupBox(Tr("More camera and phone formats"), this);
    more->setObjectName(QStringLiteral("idMoreTypes"));
    more->setFont(groupFont);
    media->setFont(groupFont);

    // The classic types four to a row, each box after its animated icon; the
    // columns share the group's width.
    const auto typeGrid = [](QGroupBox* group, int columns, int vertical, int top, int bottom) {
        auto* grid = new QGridLayout(group);
        grid->setContentsMargins(8, top, 8, bottom);
        grid->setHorizontalSpacing(12);
        grid->setVerticalSpacing(vertical);
        for (int c = 0; c < columns; ++c) grid->setColumnStretch(c, 1);
        return grid;
    };
    QGridLayout* imageGrid = typeGrid(images, 4, 6, 4, 3);
    QGridLayout* mediaGrid = typeGrid(media, 4, 6, 4, 3);
    for (size_t i = 0; i < kClassicTypeCount; ++i) {
        const TypeBox& b = kBoxes[i];
        const bool image = i < kImageTypes;
        const size_t slot = image ? i : i - kImageTypes;
        QGroupBox* group = image ? images : media;
        auto* icon = new CTypeIcon(QString::fromLatin1(b.text), group);
        icon->setObjectName(QStringLiteral("id%1").arg(1066 + static_cast<int>(i)));
        auto* box = new QCheckBox(QString::fromLatin1(b.text), group);
        box->setObjectName(QStringLiteral("id%1").arg(b.id));
        box->setFont(font());
        box->setMinimumHeight(22);
        auto* cell = new QHBoxLayout;
        cell->setSpacing(8);
        cell->addWidget(icon);
        cell->addWidget(box);
        cell->addStretch(1);
        (image ? imageGrid : mediaGrid)
            ->addLayout(cell, static_cast<int>(slot / 4), static_cast<int>(slot % 4));
        connect(box, &QCheckBox::clicked, this, &CFileSelectionDlg::UpdateButtons);
        m_boxes[static_cast<size_t>(b.type)] = box;
        m_icons[i] = icon;
        icon->Play();
    }
    QGridLayout* moreGrid = typeGrid(more, 6, 1, 0, 0);
    for (size_t i = 0; i < kMoreBoxes.size(); ++i) {
        const TypeBox& b = kMoreBoxes[i];
        auto* box = new QCheckBox(QString::fromLatin1(b.text), more);
        box->setObjectName(QStringLiteral("id%1").arg(b.id));
        box->setFont(font());
        moreGrid->addWidget(box, static_cast<int>(i / 6), static_cast<int>(i % 6));
        connect(box, &QCheckBox::clicked, this, &CFileSelectionDlg::UpdateButtons);
        m_boxes[static_cast<size_t>(b.type)] = box;
    }

    // On by default; unticked, the scan finds lengths by the window rules.
    m_exactLengths = new QCheckBox(Tr("&Measure exact file lengths"), this);
    m_exactLengths->setObjectName(QStringLiteral("idExactLengths"));
    m_exactLengths->setFont(font());
    m_exactLengths->setChecked(m_session.exactLengths);
    m_exactLengths->setToolTip(Tr(
        "Follow each file's own structure to its end, so that files come back whole and without "
        "padding. Files whose structure breaks off are marked \"may be incomplete\"."));

    // A failing card is read once, into an image, and recovered from there.
    m_copyFirst = new QCheckBox(Tr("Copy the card to an image first (for a card that fails or is slow)"), this);
    m_copyFirst->setObjectName(QStringLiteral("idCopyFirst"));
    m_copyFirst->setFont(font());
    m_chooseImage = [](QWidget* owner, const QString& caption, const QString& filter) {
        return QFileDialog::getSaveFileName(owner, caption, QString(), filter);
    };

    m_selectAll = AddButton("id1047", Tr("Select &All"), QStringLiteral(":/art/select_all.svg"),
                            QRect(455, 388, 150, 32));
    connect(m_selectAll, &QPushButton::clicked, this, &CFileSelectionDlg::OnSelectAll);

    // Below the banner the three groups and the line of the box and Select
    // All; what the window gains in height stays below them.
    auto* boxes = new QVBoxLayout;
    boxes->setSpacing(0);
    boxes->addWidget(m_exactLengths);
    boxes->addWidget(m_copyFirst);
    auto* lastRow = new QHBoxLayout;
    lastRow->setContentsMargins(7, 0, 0, 0);
    lastRow->addLayout(boxes);
    lastRow->addStretch(1);
    lastRow->addWidget(m_selectAll, 0, Qt::AlignTop);
    auto* body = new QVBoxLayout;
    body->setContentsMargins(15, 6, 15, 6);
    body->setSpacing(6);
    body->addWidget(images);
    body->addWidget(media);
    body->addWidget(more);
    body->addLayout(lastRow);
    body->addStretch(1);
    Content()->addWidget(banner);
    Content()->addLayout(body, 1);

    AddHelpButton("id1005", QPoint(20, 432));
    auto* back = AddButton("id1051", Tr("&Back"), QStringLiteral(":/art/back.svg"),
                           QRect(270, 433, 100, 35));
    m_nextButton = AddButton("id1", Tr("&Next"), QStringLiteral(":/art/next.svg"),
                             QRect(380, 433, 100, 35));
    m_nextButton->setLayoutDirection(Qt::RightToLeft);
    m_nextButton->setDefault(true);
    auto* exit = AddButton("id2", Tr("E&xit"), QStringLiteral(":/art/exit.svg"),
                           QRect(490, 433, 100, 35));
    m_nextButton->setEnabled(false);
    m_boxes[0]->setFocus();
    // Back to this page finds the ticks and the box as they were left.
    if (m_state.checkedTypes) {
        for (const FileType t : *m_state.checkedTypes) m_boxes[static_cast<size_t>(t)]->setChecked(true);
        UpdateButtons();
    }
    if (m_state.exactLengths) m_exactLengths->setChecked(*m_state.exactLengths);
    m_copyFirst->setChecked(m_state.copyFirst);
    connect(m_nextButton, &QPushButton::clicked, this, &CFileSelectionDlg::OnNext);
    connect(back, &QPushButton::clicked, this, [this] {
        // Back to the first step; the ticks and the box are kept for the
        // session, nothing else of this step.
        KeepChoices();
        m_session.tree.RemoveAll();
        m_scanJob.reset();
        m_session.jobMode = JobMode::Scan;
        m_next = WizardStep::Main;
        accept();
    });
    connect(exit, &QPushButton::clicked, this, [this] {
        m_next = WizardStep::Exit;
        reject();
    });
}

void CFileSelectionDlg::KeepChoices() {
    m_state.checkedTypes = CheckedTypes();
    m_state.exactLengths = m_exactLengths->isChecked();
    m_state.copyFirst = m_copyFirst->isChecked();
}

std::vector<FileType> CFileSelectionDlg::CheckedTypes() const {
    std::vector<FileType> types;
    for (const TypeFacts& f : kTypes)
        if (m_boxes[static_cast<size_t>(f.type)]->isChecked()) types.push_back(f.type);
    return types;
}

void CFileSelectionDlg::UpdateButtons() {
    const size_t ticked = CheckedTypes().size();
    if (ticked == kTypeCount) {
        m_selectAll->setText(Tr("&Deselect All"));
        m_selectAllState = false;
    } else {
        m_selectAll->setText(Tr("Select &All"));
        m_selectAllState = true;
    }
    m_nextButton->setEnabled(ticked > 0);
}

void CFileSelectionDlg::OnSelectAll() {
    const bool tick = m_selectAllState;
    for (QCheckBox* box : m_boxes) box->setChecked(tick);
    UpdateButtons();
}

void CFileSelectionDlg::OnNext() {
    // The medium is opened again: a card pulled out since the first step is
    // caught here rather than by the scan.
    bool opened = false;
    QString why;
    const std::string drive = m_state.driveId;  // the worker's own copy
    const bool ran = RunOffGuiThread(this, [&, drive] {
        opened = m_session.OpenCurrentSource(drive, m_reporter, kDisconnectedReconnect);
    }, &why);
    if (!ran) {
        ShowMessage(this, why, Tr("Error"), MsgIcon::Error);
        return;
    }
    if (!opened) {
        if (m_session.spc != 0) m_nextButton->setEnabled(false);
        return;
    }
    m_session.exactLengths = m_exactLengths->isChecked();
    if (m_copyFirst->isChecked()) {
        OnNextToCopy();
        return;
    }
    // An image a rescue copy made is scanned with its map: the sectors the
    // copy never read are unreadable.
    const auto map = m_state.rescueMaps.find(m_state.driveId);
    const std::string mapPath = map != m_state.rescueMaps.end() ? map->second : std::string();
    QString mapProblem;
    // Empties the catalogue and builds the list in list order.
    auto job = MakeWizardScan(m_session, m_reporter, CheckedTypes(), mapPath, &mapProblem);
    if (!job) {
        ShowMessage(this, Tr("Please Select File types"), Tr("Information"),
                    MsgIcon::Information);
        return;
    }
    if (!mapProblem.isEmpty()) ShowMessage(this, mapProblem, Tr("Information"), MsgIcon::Information);
    // A scan of this medium that was cut off may go on where it was.
    if (const auto earlier = EarlierCheckpoint(*m_session.diskSource)) {
        const auto percent = earlier->totalSectors ? earlier->nextSector * 100 / earlier->totalSectors : 0;
        if (AskYesNo(this,
                     Tr("A scan of this medium stopped at %1 % before its end.\n"
                        "Go on from there, with the file types it was looking for? No starts the "
                        "scan over.")
                         .arg(percent),
                     Tr("Confirm"))) {
            auto resumed = MakeWizardScan(m_session, m_reporter, earlier->types, mapPath, nullptr);
            if (resumed && ResumeWizardScan(*resumed, m_session, *earlier)) {
                job = std::move(resumed);
                for (QCheckBox* box : m_boxes) box->setChecked(false);
                for (const FileType t : earlier->types) m_boxes[static_cast<size_t>(t)]->setChecked(true);
                m_exactLengths->setChecked(earlier->exactLengths);
                UpdateButtons();
            }
        }
    }
    KeepChoices();
    m_session.job.Reset();
    m_session.jobMode = JobMode::Scan;
    m_scanJob = std::move(job);
    m_next = WizardStep::Processing;
    accept();
}

void CFileSelectionDlg::OnNextToCopy() {
    const QString picked = m_chooseImage(
        this, Tr("Save the card's image as"),
        Tr("Disk images (*.img *.dd *.raw *.iso *.bin *.dmg *.vhd);;All files (*)"));
    if (picked.isEmpty()) return;
    const std::string image = picked.toStdString();
    // Neither the image nor its map may land on the card.
    for (const std::string& path : {image, DefaultMapPath(image)}) {
        if (const std::string refusal = WriteOnSourceRefusal(path, m_state.driveId); !refusal.empty()) {
            ShowMessage(this, QString::fromStdString(refusal), Tr("Error"), MsgIcon::Error);
            return;
        }
    }
    KeepChoices();
    m_state.copyImage = image;
    m_next = WizardStep::Copy;
    accept();
}

}  // namespace tvn::ui
