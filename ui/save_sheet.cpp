#include "ui/save_sheet.h"

#include <sys/stat.h>

#include "preview/i18n.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>

#include <filesystem>

#include "output/save_job.h"
#include "ui/found_data_dlg.h"
#include "ui/help.h"
#include "ui/off_gui.h"

namespace tvn::ui {

namespace fs = std::filesystem;

std::vector<CDestination> DefaultDestinations(const std::string& source) {
    std::vector<CDestination> places = ListDestinations(source);
    // The image's own folder is only warned about, which the list does not
    // know of; places on the medium itself it marks already.
    for (CDestination& place : places) {
        const DestinationCheck check = CheckDestination(place.m_strPath, source);
        place.m_bOnSource = place.m_bOnSource || check.onSource;
        if (place.m_strWhy.empty()) place.m_strWhy = check.why;
    }
    return places;
}

DestinationCheck CheckDestination(const std::string& folder, const std::string& source) {
    DestinationCheck check;
    if (folder.empty() || source.empty()) return check;
    std::string why;
    if (IsDestinationOnSource(folder, source, why)) {
        check.warn = check.onSource = true;
        check.why = why;
        return check;
    }
    // An image file: its own folder and the folders below it are where the
    // user is recovering from, even though writing there cannot harm it.
    struct stat st {};
    if (::stat(source.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return check;
    std::error_code ec;
    const fs::path imageDir = fs::weakly_canonical(fs::path(source), ec).parent_path();
    if (ec) return check;
    const fs::path dir = fs::weakly_canonical(fs::path(folder), ec);
    if (ec) return check;
    const std::string a = imageDir.string();
    const std::string b = dir.string();
    if (b == a || (b.size() > a.size() && b.compare(0, a.size(), a) == 0 &&
                   (a.back() == '/' || b[a.size()] == '/'))) {
        check.warn = true;
        check.why = "The folder holds the image being recovered.";
    }
    return check;
}

// A control's name as its label gives it, without the mnemonic and colon.
static QString AccessibleLabel(const QLabel* label) {
    QString name = label->text();
    name.remove(QLatin1Char('&'));
    if (name.endsWith(QLatin1Char(':'))) name.chop(1);
    return name.trimmed();
}

// --- the room at a place ----------------------------------------------------------

static QString SizeText(uint64_t bytes) {
    return QLocale().formattedDataSize(static_cast<qint64>(bytes), 1, QLocale::DataSizeTraditionalFormat);
}

QString RoomWarning(const PlaceRoom& at) {
    if (at.room.Fits()) return {};
    const char* text = nullptr;
    switch (at.place) {
        case RoomPlace::Folder: text = "The selected files need %1, but only %2 is free in that folder."; break;
        case RoomPlace::Cache: text = "The selected files need %1, but only %2 is free in the cache folder."; break;
        case RoomPlace::Disc: text = "The selected files need %1, but only %2 is left on the disc."; break;
    }
    return Tr(text).arg(SizeText(at.room.needed), SizeText(at.room.free));
}

void ShowRoom(QLabel* line, const PlaceRoom& at) {
    if (!at.room.known) {
        line->hide();
        return;
    }
    if (at.room.Fits()) {
        line->setText(Tr(at.place == RoomPlace::Disc ? "Room left on the disc: %1 (the selected files need %2)"
                                                     : "Free space there: %1 (the selected files need %2)")
                          .arg(SizeText(at.room.free), SizeText(at.room.needed)));
        line->setStyleSheet(QStringLiteral("color: #7d7d7d;"));
    } else {
        line->setText(RoomWarning(at));
        line->setStyleSheet(QStringLiteral("color: #b00000;"));
    }
    line->show();
}

static QLabel* RoomLine(const char* id, QWidget* parent) {
    auto* line = new QLabel(parent);
    line->setObjectName(QString::fromLatin1(id));
    line->setWordWrap(true);
    line->setTextFormat(Qt::PlainText);
    line->hide();
    return line;
}

// --- the list of places -----------------------------------------------------------

CPlaceCombo::CPlaceCombo(const std::vector<CDestination>& places, std::string source,
                         QWidget* parent)
    : QComboBox(parent), m_source(std::move(source)) {
    for (const CDestination& place : places) Append(place);
    addItem(Tr("Other folder\u2026"));
    setCurrentIndex(m_places.empty() ? -1 : 0);
    m_last = currentIndex();
    connect(this, &QComboBox::activated, this, [this](int index) { OnActivated(index); });
}

std::string CPlaceCombo::Path() const {
    const int i = currentIndex();
    return i >= 0 && i < static_cast<int>(m_places.size()) ? m_places[static_cast<size_t>(i)].m_strPath
                                                          : std::string();
}

void CPlaceCombo::AddFolder(const std::string& path) {
    CDestination place;
    place.m_strPath = path;
    place.m_strLabel = fs::path(path).filename().string();
    place.m_strText = path + " [" + place.m_strLabel + "]";
    const int index = static_cast<int>(m_places.size());
    m_places.push_back(place);
    insertItem(index, QString::fromStdString(place.m_strText));
    std::optional<uint64_t> free;
    if (m_query) RunOffGuiThread(window(), [&] { free = m_query(path); });
    m_free.resize(m_places.size());
    m_free.back() = free;
    ShowFreeSpace(index);
    setCurrentIndex(index);
    Chosen(index);
}

void CPlaceCombo::SetFreeSpace(FreeSpaceQuery query, std::vector<std::optional<uint64_t>> listed) {
    m_query = std::move(query);
    m_free = std::move(listed);
    m_free.resize(m_places.size());
    for (int i = 0; i < static_cast<int>(m_places.size()); ++i) ShowFreeSpace(i);
}

std::optional<uint64_t> CPlaceCombo::FreeBytes() const {
    const int i = currentIndex();
    return i >= 0 && i < static_cast<int>(m_free.size()) ? m_free[static_cast<size_t>(i)] : std::nullopt;
}

void CPlaceCombo::ShowFreeSpace(int index) {
    const auto& free = m_free[static_cast<size_t>(index)];
    setItemData(index, free ? Tr("%1 free").arg(SizeText(*free)) : QVariant(), Qt::ToolTipRole);
}

bool CPlaceCombo::WarnIfNeeded(QWidget* parent) {
    const DestinationCheck check = Check();
    if (!check.warn) return true;
    if (m_warned != Path()) {
        m_warned = Path();
        ShowDataBox(parent, Tr(kDisclaimerText), Tr("Disclaimer"),
                    QMessageBox::Warning);
    }
    return !check.onSource;
}

void CPlaceCombo::Append(const CDestination& place) {
    m_places.push_back(place);
    // The home folder's label is the program's own text; volume labels are
    // the user's and stay as they are.
    if (place.m_strLabel == kHomeFolderLabel) {
        addItem(QString::fromStdString(place.m_strPath) + QStringLiteral(" [") + Tr(kHomeFolderLabel) +
                QStringLiteral("]"));
        return;
    }
    addItem(QString::fromStdString(place.m_strText));
}

void CPlaceCombo::OnActivated(int index) {
    if (index == static_cast<int>(m_places.size())) {
        // "Other folder..."
        const QString dir = QFileDialog::getExistingDirectory(
            this, Tr("Select the folder to save to"), QDir::homePath());
        if (dir.isEmpty()) {
            setCurrentIndex(m_last);
            return;
        }
        AddFolder(QDir::cleanPath(dir).toStdString());
        return;
    }
    Chosen(index);
}

void CPlaceCombo::Chosen(int index) {
    m_last = index;
    WarnIfNeeded(window());
    if (onChange) onChange();
}

// --- local page -------------------------------------------------------------------

static std::string SourceOf(const CSession& session) {
    return session.diskSource ? session.diskSource->GetDrive() : session.selectedDrive;
}

CLocalSaveDataPage::CLocalSaveDataPage(const std::vector<CDestination>& places,
                                       const std::string& source, QWidget* parent)
    : QWidget(parent) {
    auto* layout = new QVBoxLayout(this);
    auto* label = new QLabel(Tr("&Local Drives:"), this);
    label->setObjectName(QStringLiteral("id1043"));
    m_places = new CPlaceCombo(places, source, this);
    m_places->setObjectName(QStringLiteral("id1041"));
    label->setBuddy(m_places);
    m_places->setAccessibleName(AccessibleLabel(label));
    m_compress = new QCheckBox(Tr("&Compress Data"), this);
    m_compress->setObjectName(QStringLiteral("id1042"));
    m_room = RoomLine("freeSpace", this);
    layout->addWidget(label);
    layout->addWidget(m_places);
    layout->addWidget(m_room);
    layout->addSpacing(12);
    layout->addWidget(m_compress);
    m_names = new QCheckBox(Tr("Keep original &names and folders"), this);
    m_names->setObjectName(QStringLiteral("originalNames"));
    m_names->setChecked(true);
    m_names->setToolTip(Tr("Files the card's file system still knows are saved under "
                           "their own names and folders"));
    m_byDate = new QCheckBox(Tr("Organise by &date taken"), this);
    m_byDate->setObjectName(QStringLiteral("byDate"));
    m_skipDuplicates = new QCheckBox(Tr("Save files with the same content only &once"), this);
    m_skipDuplicates->setObjectName(QStringLiteral("skipDuplicates"));
    m_skipDuplicates->setChecked(true);
    layout->addWidget(m_names);
    layout->addWidget(m_byDate);
    layout->addWidget(m_skipDuplicates);
    layout->addStretch(1);
    m_places->onChange = [this] { Q_EMIT stateChanged(); };
}

QComboBox* CLocalSaveDataPage::Combo() const { return m_places; }

bool CLocalSaveDataPage::CanConfirm() const { return m_places->HasPlaces(); }

// --- burn page --------------------------------------------------------------------

CBurnDataPage::CBurnDataPage(IRecorderSource* recorders, const std::vector<CDestination>& places,
                             const std::string& source, QWidget* parent)
    : QWidget(parent), m_recorders(recorders) {
    auto* layout = new QGridLayout(this);
    auto* label = new QLabel(Tr("CD / DVD Burning Devices:"), this);
    label->setObjectName(QStringLiteral("id1039"));
    m_recorderBox = new QComboBox(this);
    m_recorderBox->setObjectName(QStringLiteral("id1040"));
    label->setBuddy(m_recorderBox);
    m_recorderBox->setAccessibleName(AccessibleLabel(label));
    m_imageButton = new QPushButton(Tr("Disc &image file\u2026"), this);
    m_imageButton->setObjectName(QStringLiteral("discImage"));
    // Room on both sides of the words, as the other buttons have, in every
    // language.
    m_imageButton->setMinimumWidth(m_imageButton->sizeHint().width() +
                                   m_imageButton->fontMetrics().averageCharWidth() * 2);
    m_compress = new QCheckBox(Tr("&Compress Data"), this);
    m_compress->setObjectName(QStringLiteral("id1038"));
    auto* cacheLabel = new QLabel(Tr("Select location to save temporary cache"), this);
    cacheLabel->setObjectName(QStringLiteral("id1058"));
    m_places = new CPlaceCombo(places, source, this);
    m_places->setObjectName(QStringLiteral("id1060"));
    cacheLabel->setBuddy(m_places);
    m_places->setAccessibleName(AccessibleLabel(cacheLabel));
    m_note = new QLabel(this);
    m_note->setObjectName(QStringLiteral("recorderNote"));
    m_note->setWordWrap(true);
    m_note->setStyleSheet(QStringLiteral("color: #7d7d7d;"));

    m_discRoom = RoomLine("discSpace", this);
    m_cacheRoom = RoomLine("freeSpace", this);

    layout->addWidget(label, 0, 0, 1, 2);
    layout->addWidget(m_recorderBox, 1, 0);
    layout->addWidget(m_imageButton, 1, 1);
    layout->addWidget(m_note, 2, 0, 1, 2);
    layout->addWidget(m_discRoom, 3, 0, 1, 2);
    layout->addWidget(m_compress, 4, 0, 1, 2);
    layout->addItem(new QSpacerItem(0, 8), 5, 0);
    layout->addWidget(cacheLabel, 6, 0, 1, 2);
    layout->addWidget(m_places, 7, 0, 1, 2);
    layout->addWidget(m_cacheRoom, 8, 0, 1, 2);
    layout->setRowStretch(9, 1);
    layout->setColumnStretch(0, 1);

    m_places->onChange = [this] { Q_EMIT stateChanged(); };
    connect(m_recorderBox, &QComboBox::currentIndexChanged, this,
            [this](int index) { OnRecorder(index); });
    connect(m_imageButton, &QPushButton::clicked, this, [this] {
        if (m_recorders == nullptr) return;
        const QString path = QFileDialog::getSaveFileName(
            this, Tr("Disc image file"), QDir::homePath() + QStringLiteral("/Tarvolin.iso"),
            Tr("Disc image (*.iso)"));
        if (path.isEmpty()) return;
        const int index = m_recorders->AddImageFile(path.toStdString());
        if (index < 0) return;
        Fill();
        m_recorderBox->setCurrentIndex(index);
        OnRecorder(index);
    });
    m_imageButton->setEnabled(m_recorders != nullptr);
    // Nothing is asked of the recorders before the page is first shown.
    m_note->hide();
}

QComboBox* CBurnDataPage::Cache() const { return m_places; }

int CBurnDataPage::Recorder() const { return m_recorderBox->currentIndex(); }

void CBurnDataPage::Fill() {
    m_filled = true;
    m_filling = true;
    m_recorderBox->clear();
    // The search for recorders runs on a worker while the window is served.
    std::vector<std::string> names;
    std::string unavailable;
    if (m_recorders != nullptr) {
        RunOffGuiThread(window(), [&] {
            const int n = m_recorders->Count();
            for (int i = 0; i < n; ++i) names.push_back(m_recorders->Name(i));
            if (n == 0) unavailable = m_recorders->Unavailable();
        });
    }
    const auto count = static_cast<int>(names.size());
    for (const std::string& name : names) m_recorderBox->addItem(QString::fromLocal8Bit(name.c_str()));
    m_filling = false;
    if (count == 0) {
        std::string why = m_recorders ? unavailable
                                      : std::string("CD/DVD burning is not available in this copy "
                                                    "of Tarvolin.");
        if (why.empty()) why = "No CD/DVD recorder was found on this computer.";
        m_note->setText(TrKnown(QString::fromStdString(why)));
        m_note->show();
        m_ready = false;
        m_discFree.reset();
        Q_EMIT stateChanged();
        return;
    }
    m_note->hide();
    m_recorderBox->setCurrentIndex(0);
    OnRecorder(0);
}

void CBurnDataPage::Activate() {
    if (!m_filled) {
        Fill();
        return;
    }
    if (m_recorderBox->count() == 0) {
        m_ready = false;
        m_discFree.reset();
        Q_EMIT stateChanged();
        return;
    }
    m_recorderBox->setCurrentIndex(0);
    OnRecorder(0);
}

void CBurnDataPage::OnRecorder(int index) {
    if (m_filling) return;
    // A recorder that cannot be selected leaves nothing to burn on.
    bool ready = false;
    std::optional<uint64_t> free;
    if (m_recorders != nullptr && index >= 0) {
        // Selecting and asking a recorder waits on the drive: on a worker.
        RunOffGuiThread(window(), [&] {
            ready = m_recorders->Select(index) && m_recorders->IsReady();
            if (ready) free = m_recorders->FreeBytes();
        });
    }
    m_ready = ready;
    m_discFree = free;
    Q_EMIT stateChanged();
}

// --- the sheet --------------------------------------------------------------------

CSavePropertySheet::CSavePropertySheet(CSession& session, IRecorderSource* recorders,
                                       QWidget* parent, DestinationLister lister,
                                       FreeSpaceQuery freeSpace)
    : QDialog(parent), m_session(session), m_source(SourceOf(session)) {
    setWindowTitle(Tr("Saving Options"));
    setObjectName(QStringLiteral("CSavePropertySheet"));
    m_selection = SelectedSize(m_session.tree);
    // Listing the destinations and asking their free room look at every
    // mount point, and a hung network mount would hang the window: on a
    // worker, the window that asks served.
    std::vector<CDestination> places;
    std::vector<std::optional<uint64_t>> free;
    if (lister || freeSpace) {
        RunOffGuiThread(parent, [&] {
            if (lister) places = lister(m_source);
            if (freeSpace)
                for (const CDestination& place : places) free.push_back(freeSpace(place.m_strPath));
        });
    }

    m_tabs = new QTabWidget(this);
    m_tabs->tabBar()->setUsesScrollButtons(false);  // the tabs' texts are whole
    m_local = new CLocalSaveDataPage(places, m_source, m_tabs);
    m_burn = new CBurnDataPage(recorders, places, m_source, m_tabs);
    m_tabs->addTab(m_local, Tr("Save data to local drive"));
    m_tabs->addTab(m_burn, Tr("Burn data to CD/DVD"));
    m_local->Places()->SetFreeSpace(freeSpace, free);
    m_burn->Places()->SetFreeSpace(freeSpace, free);

    m_buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel |
                                         QDialogButtonBox::Help,
                                     this);
    OkButton()->setObjectName(QStringLiteral("id1"));
    connect(m_buttons, &QDialogButtonBox::accepted, this, &CSavePropertySheet::accept);
    connect(m_buttons, &QDialogButtonBox::rejected, this, &CSavePropertySheet::reject);
    connect(m_buttons, &QDialogButtonBox::helpRequested, this, &CSavePropertySheet::Help);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_tabs, 1);
    layout->addWidget(m_buttons);
    resize(430, 300);

    connect(m_local, &CLocalSaveDataPage::stateChanged, this, &CSavePropertySheet::UpdateOk);
    connect(m_burn, &CBurnDataPage::stateChanged, this, &CSavePropertySheet::UpdateOk);
    connect(m_tabs, &QTabWidget::currentChanged, this, [this](int page) {
        if (page == 1) {
            m_session.jobMode = JobMode::Burn;
            m_burn->Activate();
        } else {
            m_session.jobMode = JobMode::Save;
        }
        UpdateOk();
    });
    m_session.jobMode = JobMode::Save;
    UpdateOk();
}

QPushButton* CSavePropertySheet::OkButton() const { return m_buttons->button(QDialogButtonBox::Ok); }

void CSavePropertySheet::UpdateOk() {
    const bool burn = m_tabs->currentIndex() == 1;
    OkButton()->setEnabled(burn ? m_burn->CanConfirm() : m_local->CanConfirm());
    UpdateRoom();
}

std::vector<PlaceRoom> CSavePropertySheet::RoomChecks() const {
    if (m_tabs->currentIndex() != 1)
        return {{RoomPlace::Folder, CheckRoom(m_selection, m_local->Places()->FreeBytes())}};
    return {{RoomPlace::Disc, CheckRoom(m_selection, m_burn->DiscFreeBytes(), kDiscBlock)},
            {RoomPlace::Cache, CheckRoom(m_selection, m_burn->Places()->FreeBytes())}};
}

void CSavePropertySheet::UpdateRoom() {
    ShowRoom(m_local->Room(), {RoomPlace::Folder, CheckRoom(m_selection, m_local->Places()->FreeBytes())});
    ShowRoom(m_burn->DiscRoom(), {RoomPlace::Disc, CheckRoom(m_selection, m_burn->DiscFreeBytes(), kDiscBlock)});
    ShowRoom(m_burn->CacheRoom(), {RoomPlace::Cache, CheckRoom(m_selection, m_burn->Places()->FreeBytes())});
    // Once the changed texts have been laid out.
    QTimer::singleShot(0, this, [this] { FitTexts(); });
}

void CSavePropertySheet::FitTexts() {
    QLayout* own = layout();
    if (own == nullptr) return;
    own->activate();
    const int w = std::max(width(), minimumSizeHint().width());
    int h = std::max(height(), minimumSizeHint().height());
    if (own->hasHeightForWidth()) h = std::max(h, own->totalHeightForWidth(w));
    if (w != width() || h != height()) resize(w, h);
}

void CSavePropertySheet::Help() {
    ShowHelp(this, m_tabs->currentIndex() == 1 ? QStringLiteral("tvnburntocddvd.htm")
                                               : QStringLiteral("tvnsavedatatolocaldisk.htm"));
}

void CSavePropertySheet::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_F1) {
        Help();
        return;
    }
    QDialog::keyPressEvent(event);
}

void CSavePropertySheet::accept() {
    // Each page decides from its own controls.
    const bool burn = m_tabs->currentIndex() == 1;
    CPlaceCombo* places = burn ? m_burn->Places() : m_local->Places();
    if (!(burn ? m_burn->CanConfirm() : m_local->CanConfirm())) return;
    if (places->Path().empty()) return;
    if (!places->WarnIfNeeded(this)) return;  // the job would refuse it
    // A save that cannot fit starts only when the user says so.
    QStringList lacking;
    for (const PlaceRoom& at : RoomChecks())
        if (!at.room.Fits()) lacking << RoomWarning(at);
    if (!lacking.isEmpty()) {
        const auto answer = ShowDataBox(this, lacking.join(QLatin1Char('\n')) + QStringLiteral("\n\n") + Tr("Start anyway?"),
                                        Tr("Not enough room"), QMessageBox::Warning,
                                        QMessageBox::Yes | QMessageBox::No);
        if (answer != QMessageBox::Yes) return;
    }
    m_session.jobMode = burn ? JobMode::Burn : JobMode::Save;
    m_session.destination = places->Path();
    m_session.compress = burn ? m_burn->Compress()->isChecked() : m_local->Compress()->isChecked();
    m_session.layout = SaveLayout{};
    if (!burn) {
        m_session.layout.originalNames = m_local->OriginalNames()->isChecked();
        m_session.layout.byDate = m_local->ByDate()->isChecked();
        m_session.layout.skipDuplicates = m_local->SkipDuplicates()->isChecked();
    }
    m_recorder = burn ? m_burn->Recorder() : -1;
    QDialog::accept();
}

}  // namespace tvn::ui
