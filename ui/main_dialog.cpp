#include "ui/main_dialog.h"

#include <QApplication>
#include <QBoxLayout>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPainter>
#include <algorithm>
#include <filesystem>

#include "catalog/scan_info.h"
#include "disk/source_check.h"
#include "names/attach.h"
#include "preview/i18n.h"
#include "ui/banner.h"
#include "ui/handover.h"
#include "ui/message_box.h"
#include "ui/wizard_scan.h"
#include "ui/off_gui.h"
#include "scan/exact/reload.h"

namespace tvn::ui {

namespace {
constexpr int kRecordRole = Qt::UserRole;
constexpr int kPartitionRole = Qt::UserRole + 1;

QString LoadingText() { return QStringLiteral("\n\n\n") + Tr("Loading drive list..."); }
const QColor kLoadingBlue(45, 45, 255);

// Items are a little taller than the style's, and the delegate tells where
// an item's tick box lies.
class CTallerItems : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        QSize s = QStyledItemDelegate::sizeHint(option, index);
        s.rheight() += 4;
        return s;
    }
    QRect CheckRect(QStyleOptionViewItem option, const QModelIndex& index, const QWidget* widget) const {
        initStyleOption(&option, index);
        return widget->style()->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &option, widget);
    }
};

std::string ItemTextOf(const CPartitionRecord& p) { return p.ItemText(); }

DWORD Low32(uint64_t v) { return static_cast<DWORD>(v & 0xFFFFFFFFu); }
}  // namespace

CLogicalDrives ImageRecord(const std::string& path) {
    CLogicalDrives r;
    r.m_strDrive = CDiskSource::CanonicalIdentifier(path);
    r.m_strMediaType = "Disk image";
    r.m_strModel = std::filesystem::path(path).filename().string();
    r.m_strSerial = " N\\A";
    r.m_strInterfaceType = "File";
    std::error_code ec;
    r.m_ullSizeBytes = std::filesystem::file_size(path, ec);
    if (ec) r.m_ullSizeBytes = 0;
    r.m_strSize = FormatDriveSize(r.m_ullSizeBytes);
    r.m_strTotalSectors = std::to_string(r.m_ullSizeBytes / 512);
    return r;
}

CDriveTree::CDriveTree(QWidget* parent) : QTreeWidget(parent) {
    setItemDelegate(new CTallerItems(this));
    setHeaderHidden(true);
    setColumnCount(1);
    setIconSize(QSize(16, 16));
}

QRect CDriveTree::StateIconRect(QTreeWidgetItem* item) const {
    const QModelIndex index = indexFromItem(item);
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    option.rect = visualRect(index);
    return static_cast<CTallerItems*>(itemDelegate())->CheckRect(option, index, this);
}

CKestrelDlg::CKestrelDlg(CSession& session, CQtReporter& reporter, CWizardState& state,
                         CDriveSources sources, QWidget* parent)
    : CWizardDialog(parent, QStringLiteral("tvnselectphysicaldisk.htm")),
      m_session(session),
      m_reporter(reporter),
      m_state(state),
      m_sources(std::move(sources)) {
    setObjectName(QStringLiteral("CKestrelDlg"));
    m_reporter.SetMessageParent(this);
    m_choose = [](QWidget* owner, const QString& caption, const QString& filter) {
        return QFileDialog::getOpenFileName(owner, caption, QString(), filter);
    };

    // The side banner down to the separator; to its right the heading (drawn
    // in the space above the panel), the panel, the pick line and the tree,
    // which takes what the window gains.
    auto* banner = new CBanner(QStringLiteral(":/art/banner_side.svg"), QColor(0x3f, 0x6f, 0xb8), this);
    banner->setObjectName(QStringLiteral("idBanner"));
    banner->setFixedWidth(200);
    banner->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Ignored);
    // Under the name the picture carries.
    banner->AddCaption({Tr("photo and video recovery"), QRect(6, 70, 188, 16), 12, false,
                        QColor(0xcf, 0xe0, 0xff), Qt::AlignHCenter | Qt::AlignVCenter});

    m_panel = new CTXtndStatic(this);
    m_panel->setObjectName(QStringLiteral("id1083"));
    QFont panelFont = font();
    panelFont.setPointSizeF(WizardPointSize(8.5));
    m_panel->SetFontDescription(panelFont);
    m_panel->SetBold(true);
    m_panel->SetTextColor(kLoadingBlue);
    m_panel->SetText(LoadingText());
    // The panel is as large as the welcome text (shown plain) needs; a
    // longer line (an image's path) shows what fits rather than widen the
    // window.
    {
        QString welcome = WelcomeText();
        welcome.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        QFont plain = m_panel->font();
        plain.setBold(false);
        const QSize needed = QFontMetrics(plain).boundingRect(QRect(), 0, welcome).size();
        m_panel->setMinimumSize(needed.width() + 4, std::max(196, needed.height()));
        m_panel->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Minimum);
    }

    auto* label = new CTXtndStatic(Tr("Select drive to recover :"), this);
    label->setObjectName(QStringLiteral("id1090"));
    label->SetBold(true);
    label->SetTextColor(kTextGrey);

    auto* openImage = AddButton("idOpenImage", Tr("Open &image\u2026"),
                                QStringLiteral(":/art/image.svg"), QRect(470, 238, 135, 28));
    openImage->setIconSize(QSize(18, 18));
    connect(openImage, &QPushButton::clicked, this, &CKestrelDlg::OnOpenImage);

    m_tree = new CDriveTree(this);
    m_tree->setObjectName(QStringLiteral("id1000"));
    m_tree->setMinimumSize(220, 80);
    m_tree->setAccessibleName(Tr("Drives"));
    m_tree->setAccessibleDescription(Tr("Select drive to recover :"));
    m_panel->setAccessibleName(Tr("Drive details"));
    connect(m_tree, &QTreeWidget::itemChanged, this, &CKestrelDlg::OnItemChanged);

    auto* bannerColumn = new QVBoxLayout;
    bannerColumn->setContentsMargins(0, 0, 0, 6);
    bannerColumn->addWidget(banner);
    auto* pickRow = new QHBoxLayout;
    pickRow->setContentsMargins(0, 0, 8, 0);
    pickRow->addWidget(label, 0, Qt::AlignVCenter);
    pickRow->addStretch(1);
    pickRow->addWidget(openImage);
    auto* treeRow = new QHBoxLayout;
    treeRow->setContentsMargins(0, 0, 8, 0);
    treeRow->addWidget(m_tree);
    auto* column = new QVBoxLayout;
    column->setContentsMargins(15, 36, 7, 14);
    column->setSpacing(0);
    column->addWidget(m_panel);
    column->addSpacing(6);
    column->addLayout(pickRow);
    column->addSpacing(4);
    column->addLayout(treeRow, 1);
    auto* top = new QHBoxLayout;
    top->setSpacing(0);
    top->addLayout(bannerColumn);
    top->addLayout(column, 1);
    Content()->addLayout(top, 1);

    AddHelpButton("id1004", QPoint(20, 430));
    auto* refresh = AddButton("id1005", Tr("&Refresh Drives"), QStringLiteral(":/art/refresh.svg"),
                              QRect(65, 431, 110, 35));
    m_scanInfoButton = AddButton("id1100", Tr("&Open scan info"), QStringLiteral(":/art/open.svg"),
                                 QRect(250, 431, 120, 35));
    m_nextButton = AddButton("id1", Tr("&Next"), QStringLiteral(":/art/next.svg"),
                             QRect(380, 431, 100, 35));
    m_nextButton->setLayoutDirection(Qt::RightToLeft);  // the arrow after the text
    auto* exit = AddButton("id2", Tr("E&xit"), QStringLiteral(":/art/exit.svg"),
                           QRect(490, 431, 100, 35));
    m_nextButton->setDefault(true);
    m_tree->setFocus();
    m_nextButton->setEnabled(false);
    m_scanInfoButton->setEnabled(false);
    connect(refresh, &QPushButton::clicked, this, &CKestrelDlg::ReloadDrives);
    connect(m_scanInfoButton, &QPushButton::clicked, this, &CKestrelDlg::OnOpenScanInfo);
    connect(m_nextButton, &QPushButton::clicked, this, &CKestrelDlg::OnNext);
    connect(exit, &QPushButton::clicked, this, [this] {
        m_next = WizardStep::Exit;
        reject();
    });

    // Back from the file types: the images opened and the medium picked
    // earlier come back with the list.
    m_images = m_state.openedImages;
    if (!m_state.driveId.empty()) m_wantPick = QString::fromStdString(m_state.driveId);

    if (m_sources.hotplug) {
        m_hotplug = std::make_unique<CHotplugMonitor>();
        // Runs on the monitor's thread: only a queued call reaches the window.
        m_hotplug->Start([this] {
            PostTo(this, [this] { StartDiscovery(true); });
        });
    }
}

CKestrelDlg::~CKestrelDlg() {
    if (m_hotplug) m_hotplug->Stop();
    if (m_discovery.joinable()) m_discovery.join();
}

QString CKestrelDlg::WelcomeText() {
    return Tr(
        "\r\nWelcome to Orvane Tarvolin\r\n \r\n"
        "This utility provides extremely easy interface which helps to\r\n"
        "recover multimedia files with few simple steps.\r\n\r\n"
        "It is the most intuitive and extremely fast application for restoring\r\n"
        "digital media files which includes BMP, PNG, JPG, GIF, TIF, CRW, CR2,\r\n"
        "SRF, SR2, NEF, MRW, ORF, MP3, MIDI, WAV, MP4, MPEG, AVI and MOV.\r\n\r\n"
        "At any instance you can press \u201CF1\u201D or help button to launch help.\r\n\r\n ");
}

void CKestrelDlg::showEvent(QShowEvent* event) {
    CWizardDialog::showEvent(event);
    if (!m_listedOnce) {
        m_listedOnce = true;
        // Discovery starts once the window is on screen; a medium named on
        // the command line stays picked.
        QMetaObject::invokeMethod(this, [this] { StartDiscovery(true); }, Qt::QueuedConnection);
    }
}

void CKestrelDlg::ReloadDrives() { StartDiscovery(false); }

void CKestrelDlg::StartDiscovery(bool keepPick) {
    if (m_loading) {
        m_reloadAgain = true;
        m_reloadKeepsPick = m_reloadKeepsPick && keepPick;
        return;
    }
    if (m_discovery.joinable()) m_discovery.join();
    m_loading = true;
    m_reloadAgain = false;
    m_reloadKeepsPick = true;
    if (!keepPick) {
        m_nextButton->setEnabled(false);
        m_scanInfoButton->setEnabled(false);
    }
    auto discover = m_sources.discover;
    try {
        m_discovery = std::thread([this, discover, keepPick] {
            DiscoveryResult result;
            try {
                result = discover();
            } catch (const std::exception& e) {
                result.error = e.what();
            }
            PostTo(this, [this, result = std::move(result), keepPick] { FillTree(result, keepPick); });
        });
    } catch (const std::exception& e) {
        DiscoveryResult failed;
        failed.error = e.what();
        FillTree(failed, keepPick);
    }
}

void CKestrelDlg::FillTree(const DiscoveryResult& result, bool keepPick) {
    if (m_discovery.joinable()) m_discovery.join();
    m_loading = false;
    const std::string keep = (keepPick && m_picked != nullptr) ? m_state.driveId : std::string();
    m_drives = result.drives;

    m_updating = true;
    m_tree->clear();
    m_picked = nullptr;
    auto* root = new QTreeWidgetItem(m_tree, QStringList(Tr("My Computer")));
    root->setIcon(0, QIcon(QStringLiteral(":/art/computer.svg")));
    QFont bold = m_tree->font();
    bold.setBold(true);
    root->setFont(0, bold);
    root->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);

    auto addItem = [this](QTreeWidgetItem* parent, const QString& text, int record, int partition) {
        auto* item = new QTreeWidgetItem(parent, QStringList(text));
        item->setIcon(0, QIcon(QStringLiteral(":/art/drive.svg")));
        item->setData(0, kRecordRole, record);
        item->setData(0, kPartitionRole, partition);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
        item->setCheckState(0, Qt::Unchecked);
        return item;
    };
    // Listed from the last record to the first, partitions below their disk,
    // and the disk images the user opened after the drives.
    for (size_t i = m_drives.size(); i-- > 0;) {
        const CLogicalDrives& d = m_drives[i];
        auto* disk = addItem(root, QString::fromStdString(d.ItemText()), static_cast<int>(i), -1);
        for (size_t p = 0; p < d.m_partitions.size(); ++p)
            addItem(disk, QString::fromStdString(ItemTextOf(d.m_partitions[p])), static_cast<int>(i),
                    static_cast<int>(p));
    }
    for (size_t i = 0; i < m_images.size(); ++i)
        addItem(root, QString::fromStdString(m_images[i].ItemText()), static_cast<int>(m_drives.size() + i), -1);

    if (m_drives.empty() && m_images.empty()) {
        auto* none = new QTreeWidgetItem(root, QStringList(Tr("No removable drives found")));
        none->setIcon(0, QIcon(QStringLiteral(":/art/drive.svg")));
        none->setFlags(Qt::ItemIsEnabled);
    }
    m_tree->expandAll();
    m_updating = false;

    m_panel->SetBold(false);
    m_panel->SetTextColor(Qt::black);
    QString welcome = WelcomeText();
    if (!result.error.empty())
        welcome += QStringLiteral("\n") + QString::fromStdString(result.error);
    m_panel->SetText(welcome);
    m_nextButton->setEnabled(false);
    // A scan info names its medium, so it may be opened without a pick.
    m_scanInfoButton->setEnabled(true);

    if (!keep.empty() && m_wantPick.isEmpty()) m_wantPick = QString::fromStdString(keep);
    ApplyWantedPick();
    Q_EMIT DrivesListed();
    if (m_reloadAgain) StartDiscovery(m_reloadKeepsPick);
}

const CLogicalDrives* CKestrelDlg::RecordOf(const QTreeWidgetItem* item, int* partition) const {
    if (item == nullptr) return nullptr;
    const QVariant r = item->data(0, kRecordRole);
    if (!r.isValid()) return nullptr;
    const int index = r.toInt();
    if (partition != nullptr) *partition = item->data(0, kPartitionRole).toInt();
    if (index >= 0 && static_cast<size_t>(index) < m_drives.size()) return &m_drives[static_cast<size_t>(index)];
    const size_t image = static_cast<size_t>(index) - m_drives.size();
    if (index >= 0 && image < m_images.size()) return &m_images[image];
    return nullptr;
}

void CKestrelDlg::OnItemChanged(QTreeWidgetItem* item, int column) {
    if (m_updating || column != 0) return;
    if (RecordOf(item) == nullptr) return;
    if (item->checkState(0) == Qt::Checked) {
        Pick(item);
    } else if (item == m_picked) {
        // Ticking the picked drive again keeps it picked.
        m_updating = true;
        item->setCheckState(0, Qt::Checked);
        m_updating = false;
    }
}

void CKestrelDlg::Pick(QTreeWidgetItem* item) {
    int partition = -1;
    const CLogicalDrives* record = RecordOf(item, &partition);
    if (record == nullptr) return;
    // One picked medium at a time.
    m_updating = true;
    for (QTreeWidgetItemIterator it(m_tree); *it; ++it) {
        if (*it != item && (*it)->data(0, kRecordRole).isValid()) (*it)->setCheckState(0, Qt::Unchecked);
    }
    item->setCheckState(0, Qt::Checked);
    m_updating = false;
    m_picked = item;
    m_tree->setCurrentItem(item);

    // The medium is opened from the record, never from the item's text.
    m_state.sourceDescription = item->text(0);
    m_state.driveId = PathOf(item);
    m_state.listedTotalSectors = ListedSectorsOf(item);
    m_nextButton->setEnabled(true);
    m_scanInfoButton->setEnabled(true);
    m_panel->SetBold(false);
    m_panel->SetTextColor(Qt::black);
    m_panel->SetText(TrLabelled(DetailsOf(item)));
}

std::string CKestrelDlg::PathOf(const QTreeWidgetItem* item) const {
    int partition = -1;
    const CLogicalDrives* record = RecordOf(item, &partition);
    if (record == nullptr) return {};
    return partition >= 0 ? record->m_partitions[static_cast<size_t>(partition)].m_strPath : record->m_strDrive;
}

DWORD CKestrelDlg::ListedSectorsOf(const QTreeWidgetItem* item) const {
    int partition = -1;
    const CLogicalDrives* record = RecordOf(item, &partition);
    if (record == nullptr) return 0;
    const uint32_t sectorSize = std::max<uint32_t>(record->m_dwLogicalSectorSize, 1);
    if (partition >= 0)
        return Low32(record->m_partitions[static_cast<size_t>(partition)].m_ullSizeBytes / sectorSize);
    uint64_t sectors = 0;
    try {
        sectors = std::stoull(record->m_strTotalSectors);
    } catch (const std::exception&) {
        sectors = record->m_ullSizeBytes / sectorSize;
    }
    return Low32(sectors);
}

QTreeWidgetItem* CKestrelDlg::ItemOf(const std::string& id) const {
    const std::string canonical = CDiskSource::CanonicalIdentifier(id);
    for (QTreeWidgetItemIterator it(m_tree); *it; ++it) {
        const std::string path = PathOf(*it);
        if (path.empty()) continue;
        if (path == id || CDiskSource::CanonicalIdentifier(path) == canonical) return *it;
    }
    return nullptr;
}

QString CKestrelDlg::DetailsOf(const QTreeWidgetItem* item) const {
    int partition = -1;
    const CLogicalDrives* record = RecordOf(item, &partition);
    if (record == nullptr) return {};
    if (partition < 0) return QString::fromStdString(record->DetailsText());
    // A partition: the same lines, with its own name, type and size.
    const CPartitionRecord& p = record->m_partitions[static_cast<size_t>(partition)];
    const uint64_t sectors = p.m_ullSizeBytes / std::max<uint32_t>(record->m_dwLogicalSectorSize, 1);
    std::string text;
    text += "Name                  :  " + p.ItemText() + "\n\n";
    text += "Model Name        :  " + record->m_strModel + "\n\n";
    text += "Serial Number     : " + record->m_strSerial + "\n\n";
    text += "Interface Type   :  " + record->m_strInterfaceType + "\n\n";
    text += "Media Type         :  " + (p.m_strFsType.empty() ? record->m_strMediaType : p.m_strFsType) + "\n\n";
    text += "Size                     :  " + p.m_strSize + "\n\n";
    text += "Total Sectors      :  " + std::to_string(sectors) + "\n\n";
    return QString::fromStdString(text);
}

bool CKestrelDlg::PickMedium(const QString& path) {
    const std::string p = path.toStdString();
    const MediumKind kind = CDiskSource::Classify(p);
    if (kind == MediumKind::Missing) {
        ShowMessage(this, Tr("There is no disk or disk image at %1.").arg(path), Tr("Error"),
                    MsgIcon::Error);
        return false;
    }
    if (kind == MediumKind::Image || kind == MediumKind::Other) {
        const CLogicalDrives record = ImageRecord(p);
        const bool known = std::any_of(m_images.begin(), m_images.end(),
                                       [&](const CLogicalDrives& r) { return r.m_strDrive == record.m_strDrive; });
        if (!known) m_images.push_back(record);
        m_state.openedImages = m_images;
        // A rescue copy keeps its map beside the image: the scan then knows
        // which sectors the copy never read.
        if (const std::string map = RescueMapBeside(record.m_strDrive); !map.empty())
            m_state.rescueMaps[record.m_strDrive] = map;
        else
            m_state.rescueMaps.erase(record.m_strDrive);
        m_wantPick = QString::fromStdString(record.m_strDrive);
        if (!m_loading && m_listedOnce) {
            // Shown at once, without waiting for another discovery.
            DiscoveryResult listed;
            listed.drives = m_drives;
            FillTree(listed, false);
        }
        return true;
    }
    m_wantPick = QString::fromStdString(CDiskSource::CanonicalIdentifier(p));
    if (!m_loading && m_listedOnce) ApplyWantedPick();
    return true;
}

void CKestrelDlg::ApplyWantedPick() {
    if (m_wantPick.isEmpty()) return;
    const std::string want = m_wantPick.toStdString();
    m_wantPick.clear();
    if (QTreeWidgetItem* item = ItemOf(want)) Pick(item);
}

void CKestrelDlg::OnNext() {
    if (m_picked == nullptr || m_state.driveId.empty()) return;
    bool opened = false;
    QString why;
    // The worker gets its own copy: a hot-plug reload served while it runs
    // rewrites the state's.
    const std::string drive = m_state.driveId;
    std::string refusal;
    const auto refuse = m_sources.refusal;
    const bool ran = RunOffGuiThread(this, [&, drive, refuse] {
        // What is no disk or image (a FIFO would hold the open for ever) is
        // refused before it is opened; the box says why in its details.
        refusal = refuse ? refuse(drive) : SourceRefusal(drive);
        if (refusal.empty()) opened = m_session.OpenCurrentSource(drive, m_reporter, "Failed to open drive");
    }, &why);
    if (!ran) {
        ShowMessage(this, Tr("Failed to open drive\n%1").arg(why), Tr("Error"), MsgIcon::Error);
        return;
    }
    if (!refusal.empty()) {
        QMessageBox box(QMessageBox::Critical, QStringLiteral("Error"), QStringLiteral("Failed to open drive"),
                        QMessageBox::Ok, this);
        box.setDetailedText(QString::fromStdString(refusal));
        box.exec();
        return;
    }
    if (!opened) {
        // "can not get the SPC" keeps the source; a medium that cannot be
        // opened is dropped and the list loaded again.
        if (m_session.spc != 0) {
            m_session.diskSource.reset();
            ReloadDrives();
        }
        return;
    }
    m_next = WizardStep::FileTypes;
    accept();
}

bool CKestrelDlg::PickMediumOfScanInfo(const std::string& file) {
    ScanInfoParse parse;
    QString why;
    const bool ran = RunOffGuiThread(this, [&] { parse = ParseScanInfoFile(file); }, &why);
    if (!ran) {
        ShowMessage(this, why, Tr("Error"), MsgIcon::Error);
        return false;
    }
    if (parse.error == ScanInfoError::Open || parse.error == ScanInfoError::ReadMagic ||
        parse.error == ScanInfoError::BadMagic || parse.error == ScanInfoError::ReadHeader) {
        const ScanInfoMessage m = ScanInfoFailureMessage(parse);
        m_reporter.Message(m.text, m.caption, MsgIcon::Error);
        return false;
    }
    const std::string& id = parse.contents.driveId;
    const DWORD sectors = parse.contents.totalSectors;
    QTreeWidgetItem* item = ItemOf(id);
    // A disk image that is not listed yet is opened as Open image would.
    if (item == nullptr && CDiskSource::Classify(id) == MediumKind::Image) {
        if (Low32(ImageRecord(id).m_ullSizeBytes / 512) == sectors) {
            PickMedium(QString::fromStdString(id));
            item = ItemOf(id);
        }
    }
    if (item != nullptr && ListedSectorsOf(item) == sectors) {
        Pick(item);
        return true;
    }
    ShowMessage(this,
                Tr("This scan info was made from %1 (%2 sectors), which is not here.\n"
                   "Connect that medium or open its disk image, then open the scan info again.")
                    .arg(QString::fromStdString(id))
                    .arg(sectors),
                Tr("Information"), MsgIcon::Information);
    return false;
}

void CKestrelDlg::OnOpenScanInfo() {
    const QString path = m_choose(this, Tr("Open"), Tr("TVN Scan info (*.bin)"));
    if (path.isEmpty()) return;
    const std::string file = path.toStdString();
    if (!CheckScanInfoExtension(file, m_reporter)) return;
    // Without a picked medium the scan info's own medium is picked, when it
    // is here.
    if ((m_picked == nullptr || m_state.driveId.empty()) && !PickMediumOfScanInfo(file)) return;
    bool loaded = false;
    QString why;
    const std::string drive = m_state.driveId;
    const auto sectors = m_state.listedTotalSectors;
    const bool ran = RunOffGuiThread(this, [&, drive, sectors] {
        loaded = LoadScanInfo(m_session, file, drive, sectors, m_reporter);
        // Exact lengths: the marks the files' structure gives are found again
        // on the medium.
        if (loaded && m_session.exactLengths && m_session.diskSource) {
            MeasureLoadedLengths(*m_session.diskSource, m_session.tree, m_session.readHealth);
        }
        if (loaded && m_session.diskSource) ReadOriginalNames(m_session.tree, *m_session.diskSource);
    }, &why);
    if (!ran) {
        ShowMessage(this, why, Tr("Error"), MsgIcon::Error);
        return;
    }
    if (!loaded) return;
    m_state.scanInfoSaved = true;
    m_next = WizardStep::FoundData;
    accept();
}

void CKestrelDlg::OnOpenImage() {
    const QString path = m_choose(this, Tr("Open image"),
                                  Tr("Disk images (*.img *.dd *.raw *.iso *.bin *.dmg *.vhd);;All files (*)"));
    if (path.isEmpty()) return;
    PickMedium(path);
}

void CKestrelDlg::PaintDecorations(QPainter& painter) {
    CWizardDialog::PaintDecorations(painter);
    // The heading and its double rule, in the space above the panel.
    const int w = width(), left = m_panel->x();
    const int rule = m_panel->y() - 9;
    painter.setPen(kLineGrey);
    painter.drawLine(left, rule, w - 40, rule);
    painter.drawLine(left, rule + 2, w - 40, rule + 2);
    QFont heading(QStringLiteral("Arial"));
    heading.setPixelSize(22);
    heading.setWeight(QFont::Bold);
    heading.setStyleStrategy(QFont::PreferAntialias);
    painter.setFont(heading);
    painter.setPen(Qt::black);
    painter.drawText(QRect(left, rule - 24, w - left - 40, 26), Qt::AlignLeft | Qt::AlignTop, Tr("Information"));
}

}  // namespace tvn::ui
