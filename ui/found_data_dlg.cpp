#include "ui/found_data_dlg.h"

#include <QApplication>
#include <QCheckBox>
#include <QContextMenuEvent>
#include <QDateTime>
#include <QDir>
#include <QFileDialog>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QPushButton>
#include <QScrollBar>
#include <QSpinBox>
#include <QSplitter>
#include <QStyle>
#include <QStyledItemDelegate>
#include <QTimer>
#include <QToolButton>
#include <QTreeView>
#include <QVBoxLayout>

#include <ctime>

#include "catalog/scan_info.h"
#include "preview/i18n.h"
#include "preview/message_boxes.h"
#include "preview/preview_dialog.h"
#include "output/preview_copy.h"
#include "ui/off_gui.h"
#include "ui/help.h"
#include "ui/list_ctrl.h"

namespace tvn::ui {

QMessageBox::StandardButton ShowDataBox(QWidget* parent, const QString& text,
                                        const QString& caption, QMessageBox::Icon icon,
                                        QMessageBox::StandardButtons buttons) {
    QMessageBox box(icon, caption, text, buttons, parent);
    box.setObjectName(QStringLiteral("tvnMessage"));
    return static_cast<QMessageBox::StandardButton>(box.exec());
}

namespace {

// The type of a found file: what its name ends with after the last dot
// ("file# 1.JPG", "file# 2.HEIC", "file# 3.TS").
std::string_view TypeOfName(const std::string& name) {
    const size_t dot = name.rfind('.');
    return dot == std::string::npos ? std::string_view() : std::string_view(name).substr(dot + 1);
}

}  // namespace

// The list (striped rows and the empty text come from the list control):
// space toggles the row, the context menu in its mouse and keyboard forms.
class CFoundListView : public CTXListCtrl {
public:
    explicit CFoundListView(CDataFoundDlg* dlg) : CTXListCtrl(dlg), m_dlg(dlg) {}

protected:
    void keyPressEvent(QKeyEvent* event) override {
        if (event->key() == Qt::Key_Space) {
            const QModelIndex current = currentIndex();
            if (current.isValid()) {
                model()->setData(model()->index(current.row(), 0), {}, Qt::CheckStateRole);
            }
            return;
        }
        // Enter opens the current row as a double click does: a folder's
        // files, a file's preview.
        if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
            (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
            const QModelIndex current = currentIndex();
            if (current.isValid()) m_dlg->ActivateRow(current.row());
            return;
        }
        // Shift+F10 is the Menu key's twin.
        if (event->key() == Qt::Key_F10 && event->modifiers() == Qt::ShiftModifier) {
            QContextMenuEvent menu(QContextMenuEvent::Keyboard, QPoint(), QPoint());
            contextMenuEvent(&menu);
            return;
        }
        CTXListCtrl::keyPressEvent(event);
    }

    void contextMenuEvent(QContextMenuEvent* event) override {
        if (event->reason() == QContextMenuEvent::Keyboard) {
            const QModelIndex current = currentIndex();
            if (!current.isValid()) return;
            const QRect rect = visualRect(model()->index(current.row(), 0));
            m_dlg->ShowContextMenu(current.row(), rect.bottomLeft(), true);
            return;
        }
        // Only a file's label answers a right click.
        const QModelIndex at = indexAt(event->pos());
        if (!at.isValid() || at.column() != 0) return;
        m_dlg->ShowContextMenu(at.row(), event->pos(), false);
    }

private:
    CDataFoundDlg* m_dlg;
};

namespace {

// Grid lines between the list's cells.
class CGridDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        QStyledItemDelegate::paint(painter, option, index);
        painter->save();
        painter->setPen(QColor(214, 218, 228));
        painter->drawLine(option.rect.bottomLeft(), option.rect.bottomRight());
        painter->drawLine(option.rect.topRight(), option.rect.bottomRight());
        painter->restore();
    }
};

}  // namespace

CDataFoundDlg::CDataFoundDlg(CSession& session, QWidget* parent)
    : CWizardDialog(parent, QStringLiteral("tvnselectdatatorestore.htm")),
      m_session(session),
      m_selection(session.tree, session.diskSource ? session.diskSource->GetSectorSizeU() : 512) {
    setObjectName(QStringLiteral("CDataFoundDlg"));
    m_treeModel = new CFolderTreeModel(m_selection, this);
    m_listModel = new CFileListModel(m_selection, this);
    m_thumbs = std::make_unique<CThumbnailCache>(QSize(48, 48));
    BuildControls();

    connect(m_treeModel, &CFolderTreeModel::marksChanged, this, &CDataFoundDlg::OnTreeMarks);
    connect(m_listModel, &CFileListModel::marksChanged, this, &CDataFoundDlg::OnListMarks);

    // Build the tree: the root current, its folders in the list.
    m_tree->setModel(m_treeModel);
    m_list->setModel(m_listModel);
    m_list->setColumnWidth(CFileListModel::NameColumn, 228);
    m_list->setColumnWidth(CFileListModel::SizeColumn, 90);
    m_list->setColumnWidth(CFileListModel::DateColumn, 96);
    connect(m_tree->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current) { OnTreeCurrent(current); });
    ShowFolder(&m_selection.Root());
    m_tree->expandAll();

    m_totalFolders->setText(TrLabelled(QString::fromStdString(TotalFoldersText(m_selection.TotalFolders()))));
    m_totalFiles->setText(TrLabelled(QString::fromStdString(TotalFilesText(m_selection.TotalFiles()))));
    m_totalData->setText(TrLabelled(QString::fromStdString(TotalDataText(m_selection.TotalBytes()))));
    UpdateSelectedTotals();
    m_saveInfo->setEnabled(m_selection.TotalBytes() != 0);
    m_scanInfoSaved = false;
}

CDataFoundDlg::~CDataFoundDlg() {
    // No decode may outlive the catalogue view it was asked for.
    m_listModel->SetThumbnails(nullptr, {});
    m_thumbs->Stop();
}

CTXListCtrl* CDataFoundDlg::List() const { return m_list; }

void CDataFoundDlg::SetWizardState(CWizardState* state) {
    m_state = state;
    if (m_state != nullptr) m_scanInfoSaved = m_state->scanInfoSaved;
}

WizardStep CDataFoundDlg::Next() const {
    switch (m_outcome) {
        case Outcome::Back: return WizardStep::FileTypes;
        case Outcome::StartJob: return WizardStep::Processing;
        case Outcome::Exit: break;
    }
    return WizardStep::Exit;
}

void CDataFoundDlg::BuildControls() {
    QSplitter* views = BuildViews();
    QHBoxLayout* filterRow = BuildFilterRow();
    QGridLayout* totals = BuildTotals();
    BuildButtons();

    // Everything above the button row and its separator line; the folders
    // and the list take what the window gains.
    auto* layout = new QVBoxLayout;
    layout->setContentsMargins(10, 8, 10, 11);
    layout->setSpacing(6);
    layout->addWidget(views, 1);
    layout->addLayout(filterRow);
    layout->addLayout(totals);
    Content()->addLayout(layout, 1);
}

// The folders beside the list of the current folder's files.
QSplitter* CDataFoundDlg::BuildViews() {
    m_tree = new QTreeView(this);
    m_tree->setObjectName(QStringLiteral("id1021"));
    m_tree->setHeaderHidden(true);
    m_tree->setUniformRowHeights(true);
    m_tree->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_tree->setMinimumWidth(150);
    m_tree->setAccessibleName(Tr("Folders"));

    m_list = new CFoundListView(this);
    m_list->setObjectName(QStringLiteral("id1017"));
    m_list->setAccessibleName(Tr("Found files"));
    m_list->setAccessibleDescription(Tr("Double click on file to preview"));
    m_list->SetEmptyText(Tr("No item to display in this view."));
    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_list->setWordWrap(false);
    m_list->setItemDelegate(new CGridDelegate(m_list));
    m_list->header()->setSectionResizeMode(QHeaderView::Interactive);
    m_list->header()->setStretchLastSection(true);
    m_list->header()->setSectionsClickable(true);
    m_list->header()->setSortIndicatorShown(true);
    m_list->header()->setHighlightSections(false);
    m_list->header()->setSectionsMovable(false);
    connect(m_list->header(), &QHeaderView::sectionClicked, this,
            &CDataFoundDlg::OnHeaderClicked);
    connect(m_list, &QTreeView::doubleClicked, this, &CDataFoundDlg::OnListDoubleClick);

    auto* splitter = new QSplitter(Qt::Horizontal, this);
    splitter->addWidget(m_tree);
    splitter->addWidget(m_list);
    splitter->setStretchFactor(0, 0);
    splitter->setStretchFactor(1, 1);
    splitter->setSizes({180, 420});
    splitter->setChildrenCollapsible(false);
    return splitter;
}

// Beyond the totals: hide small files, show pictures.
QHBoxLayout* CDataFoundDlg::BuildFilterRow() {
    auto* minLabel = new QLabel(Tr("&Hide files smaller than"), this);
    m_minSize = new QSpinBox(this);
    m_minSize->setObjectName(QStringLiteral("minimumSize"));
    m_minSize->setRange(0, 1024 * 1024);
    m_minSize->setSuffix(Tr(" KB"));
    m_minSize->setSingleStep(16);
    m_minSize->setKeyboardTracking(false);
    minLabel->setBuddy(m_minSize);
    m_minSize->setAccessibleName(QString(minLabel->text()).remove(QLatin1Char('&')));
    m_minSize->setAccessibleDescription(Tr("Files smaller than this are hidden"));
    connect(m_minSize, &QSpinBox::valueChanged, this,
            [this](int kb) { SetMinimumSize(static_cast<ULONGLONG>(kb) * 1024); });
    m_thumbBox = new QCheckBox(Tr("Show &thumbnails"), this);
    m_thumbBox->setObjectName(QStringLiteral("thumbnails"));
    connect(m_thumbBox, &QCheckBox::toggled, this, &CDataFoundDlg::SetThumbnailsShown);
    auto* filterRow = new QHBoxLayout;
    filterRow->addStretch(1);
    filterRow->addWidget(minLabel);
    filterRow->addWidget(m_minSize);
    filterRow->addSpacing(16);
    filterRow->addWidget(m_thumbBox);
    return filterRow;
}

// The totals of the catalogue (left) and of what is ticked (right).
QGridLayout* CDataFoundDlg::BuildTotals() {
    auto label = [this](const char* id) {
        auto* l = new QLabel(this);
        l->setObjectName(QString::fromLatin1(id));
        l->setTextFormat(Qt::PlainText);
        return l;
    };
    m_totalFolders = label("id1054");
    m_totalFiles = label("id1056");
    m_totalData = label("id1058");
    m_selFolders = label("id1055");
    m_selFiles = label("id1057");
    m_selData = label("id1059");
    auto* totals = new QGridLayout;
    totals->setHorizontalSpacing(40);
    totals->setVerticalSpacing(2);
    totals->addWidget(m_totalFolders, 0, 0);
    totals->addWidget(m_totalFiles, 1, 0);
    totals->addWidget(m_totalData, 2, 0);
    totals->addWidget(m_selFolders, 0, 1);
    totals->addWidget(m_selFiles, 1, 1);
    totals->addWidget(m_selData, 2, 1);
    totals->setColumnStretch(2, 1);
    return totals;
}

void CDataFoundDlg::BuildButtons() {
    m_help = AddHelpButton("id1005", QPoint(20, 430));
    m_saveInfo = AddButton("id1081", Tr("S&ave scan info"),
                           QStringLiteral(":/art/save_scan_info.svg"), QRect(150, 431, 120, 35));
    m_back = AddButton("id1052", Tr("&Back"), QStringLiteral(":/art/back.svg"),
                       QRect(280, 431, 100, 35));
    m_save = AddButton("id1019", Tr("&Save "), QStringLiteral(":/art/save.svg"),
                       QRect(390, 431, 100, 35));
    m_exit = AddButton("id1020", Tr("E&xit"), QStringLiteral(":/art/exit.svg"),
                       QRect(500, 431, 100, 35));
    connect(m_saveInfo, &QPushButton::clicked, this, [this] { SaveScanInfoAs(); });
    connect(m_back, &QPushButton::clicked, this, &CDataFoundDlg::OnBack);
    connect(m_save, &QPushButton::clicked, this, &CDataFoundDlg::OnSave);
    connect(m_exit, &QPushButton::clicked, this, &CDataFoundDlg::OnExit);
}

void CDataFoundDlg::showEvent(QShowEvent* event) {
    CWizardDialog::showEvent(event);
    bool& shown = m_state != nullptr ? m_state->foundDataHintShown : m_infoShown;
    if (shown || m_session.jobMode != JobMode::Scan) return;
    shown = true;
    // Not modal: the window stays usable while the hint is up.
    auto* box = new QMessageBox(QMessageBox::Information, Tr("Information"),
                                Tr("Check the files or folders that you want\nto "
                                               "recover and click \"Save\" button."),
                                QMessageBox::Ok, this);
    box->setObjectName(QStringLiteral("tvnHint"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setModal(false);
    box->setWindowModality(Qt::NonModal);
    QTimer::singleShot(0, box, [box] { box->show(); });
}

void CDataFoundDlg::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        event->accept();  // Escape does not close this window
        return;
    }
    CWizardDialog::keyPressEvent(event);
}

// --- the tree and the list ---------------------------------------------------

void CDataFoundDlg::ShowFolder(CFolderNode* folder) {
    if (folder == nullptr) return;
    // A new folder's contents are sorted by name, ascending (once).
    m_listModel->ShowFolder(folder, CFileListModel::NameColumn, Qt::AscendingOrder);
    m_list->header()->setSortIndicator(CFileListModel::NameColumn, Qt::AscendingOrder);
    const QModelIndex index = m_treeModel->IndexOf(folder);
    if (index.isValid() && m_tree->currentIndex() != index) {
        m_tree->expand(m_treeModel->RootIndex());
        m_tree->setCurrentIndex(index);
    }
    m_list->scrollToTop();
}

void CDataFoundDlg::OnTreeCurrent(const QModelIndex& current) {
    CDirectoryNode* node = m_treeModel->NodeAt(current);
    if (node == nullptr || !node->IsFolder()) return;
    if (m_listModel->Folder() == node) return;
    ShowFolder(static_cast<CFolderNode*>(node));
}

void CDataFoundDlg::OnTreeMarks(CDirectoryNode*) {
    // Every row the list shows may have followed.
    m_listModel->MarksChanged();
    UpdateSelectedTotals();
}

void CDataFoundDlg::OnListMarks(CDirectoryNode* node) {
    if (node != nullptr && node->IsFolder()) m_listModel->MarksChanged();
    m_treeModel->MarksChanged();
    UpdateSelectedTotals();
}

void CDataFoundDlg::ToggleInList(CDirectoryNode& node) {
    const int row = m_listModel->RowOf(&node);
    if (row >= 0) {
        m_listModel->setData(m_listModel->index(row, 0), {}, Qt::CheckStateRole);
        return;
    }
    m_selection.ToggleInList(node);
    OnListMarks(&node);
}

void CDataFoundDlg::UpdateSelectedTotals() {
    m_selFolders->setText(TrLabelled(QString::fromStdString(SelectedFoldersText(m_selection.SelectedFolders()))));
    m_selFiles->setText(TrLabelled(QString::fromStdString(SelectedFilesText(m_selection.SelectedFiles()))));
    m_selData->setText(TrLabelled(QString::fromStdString(SelectedDataText(m_selection.SelectedBytes()))));
    m_save->setEnabled(m_selection.RootMark() != Mark::Unchecked);
}

void CDataFoundDlg::OnHeaderClicked(int section) {
    // A new column keeps the direction the header shows; the same column
    // turns it round.
    Qt::SortOrder order = m_listModel->SortOrder();
    if (section == m_listModel->SortColumn()) {
        order = order == Qt::AscendingOrder ? Qt::DescendingOrder : Qt::AscendingOrder;
    }
    m_listModel->sort(section, order);
    m_list->header()->setSortIndicator(section, order);
}

void CDataFoundDlg::OnListDoubleClick(const QModelIndex& index) { ActivateRow(index.row()); }

void CDataFoundDlg::ActivateRow(int row) {
    CDirectoryNode* node = m_listModel->NodeAt(row);
    if (node == nullptr) return;
    if (node->IsFolder()) {
        ShowFolder(static_cast<CFolderNode*>(node));
        return;
    }
    PreviewFile(static_cast<CFileNode&>(*node), kDoubleClickPreviewLimit);
}

void CDataFoundDlg::ShowContextMenu(int row, const QPoint& at, bool keyboard) {
    CDirectoryNode* node = m_listModel->NodeAt(row);
    if (node == nullptr) return;
    if (!keyboard && node->IsFolder()) return;
    QMenu menu(this);
    menu.setObjectName(QStringLiteral("listMenu"));
    QAction* preview = nullptr;
    if (!node->IsFolder()) {
        preview = menu.addAction(QIcon(QStringLiteral(":/art/preview.svg")),
                                 Tr("&Preview"));
    }
    QAction* toggle = menu.addAction(node->IsChecked() ? Tr("&Deselect Item")
                                                       : Tr("Select &Item"));
    QAction* chosen = menu.exec(m_list->viewport()->mapToGlobal(at));
    if (chosen == nullptr) return;
    if (chosen == preview) {
        PreviewFile(static_cast<CFileNode&>(*node), kMenuPreviewLimit);
    } else if (chosen == toggle) {
        ToggleInList(*node);
    }
}

// --- filter and thumbnails -----------------------------------------------------

void CDataFoundDlg::SetMinimumSize(ULONGLONG bytes) {
    if (m_minSize->value() != static_cast<int>(bytes / 1024)) {
        const QSignalBlocker block(m_minSize);
        m_minSize->setValue(static_cast<int>(bytes / 1024));
    }
    m_selection.SetMinimumSize(bytes);
    // Shown again in the order last asked for.
    m_listModel->ShowFolder(m_listModel->Folder());
    m_treeModel->MarksChanged();
    UpdateSelectedTotals();
}

FoundFileBytes CDataFoundDlg::BytesOf(const CFileNode& file) const {
    FoundFileBytes where;
    uint64_t sector = 512;
    if (m_session.diskSource) {
        where.medium = m_session.diskSource->GetMedium();
        if (m_session.diskSource->GetSectorSizeU() != 0) sector = m_session.diskSource->GetSectorSizeU();
    }
    where.offset = file.GetStartSector() * sector;
    where.length = file.GetSize();
    return where;
}

void CDataFoundDlg::SetThumbnailsShown(bool shown) {
    if (m_thumbBox->isChecked() != shown) {
        const QSignalBlocker block(m_thumbBox);
        m_thumbBox->setChecked(shown);
    }
    if (shown) {
        m_listModel->SetThumbnails(m_thumbs.get(),
                                   [this](const CFileNode& file) { return BytesOf(file); });
        m_list->setIconSize(m_thumbs->Box());
    } else {
        m_listModel->SetThumbnails(nullptr, {});
        // Pictures no row will show are not decoded.
        m_thumbs->CancelPending();
        m_list->setIconSize(QSize(16, 16));
    }
}

// --- preview ------------------------------------------------------------------

void CDataFoundDlg::PreviewFile(CFileNode& file, ULONGLONG limit) {
    // Every type has a viewer here, video too (the player says so when a
    // file cannot be played); a type without one gets the message.
    if (ViewerForType(TypeOfName(file.GetName())) == PreviewViewer::None) {
        ShowDataBox(this,
                    Tr("May be file is corrupted or \nPreview is not available for this "
                                   "file format"),
                    Tr("Information"), QMessageBox::Information);
        return;
    }
    if (file.GetSize() > limit) {
        ShowDataBox(this, Tr("File size is too large to preview."),
                    Tr("Information"), QMessageBox::Information);
        return;
    }
    if (m_preview) {
        m_preview(this, m_session, file);
    } else {
        DefaultPreview(file);
    }
}

void CDataFoundDlg::DefaultPreview(CFileNode& file) {
    preview::OpenPreview(this, m_session, file);
}

// --- commands -----------------------------------------------------------------

bool CDataFoundDlg::SaveScanInfoAs() {
    QFileDialog dialog(this, Tr("Save scan info"));
    dialog.setObjectName(QStringLiteral("scanInfoDialog"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix(QString::fromLatin1(kScanInfoExtension.data(),
                                                static_cast<qsizetype>(kScanInfoExtension.size())));
    dialog.setNameFilter(Tr("TVN scan info (*.bin)"));
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setDirectory(QDir::homePath());
    dialog.selectFile(QString::fromStdString(SuggestedScanInfoName(std::time(nullptr))));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return false;
    const std::string path = dialog.selectedFiles().constFirst().toStdString();
    // Written (and flushed) on a worker; its messages are shown here after.
    struct CCollected : CNullReporter {
        struct Box {
            std::string text, caption;
            MsgIcon icon;
        };
        std::vector<Box> boxes;
        void Message(std::string_view text, std::string_view caption, MsgIcon icon) override {
            boxes.push_back({std::string(text), std::string(caption), icon});
        }
    } collected;
    bool saved = false;
    QString why;
    const bool ran = RunOffGuiThread(this, [&] { saved = SaveScanInfo(m_session, path, collected); }, &why);
    preview::CBoxReporter reporter(this);
    for (const auto& box : collected.boxes) reporter.Message(box.text, box.caption, box.icon);
    if (!ran) ShowDataBox(this, why, QStringLiteral("Error"), QMessageBox::Critical);
    // Only a written file counts as saved: otherwise the question on leaving
    // still guards the found files.
    if (!ran || !saved) return false;
    m_scanInfoSaved = true;
    if (m_state != nullptr) m_state->scanInfoSaved = true;
    return true;
}

void CDataFoundDlg::OnSave() {
    m_session.compress = false;
    if (m_selection.SelectedBytes() == 0) {
        ShowDataBox(this, Tr("Please select files and folders"),
                    Tr("Information"), QMessageBox::Information);
        return;
    }
    CSavePropertySheet sheet(m_session, m_recorders, this);
    if (sheet.exec() != QDialog::Accepted) return;
    m_chosenRecorder = sheet.ChosenRecorder();
    m_outcome = Outcome::StartJob;
    QDialog::done(QDialog::Accepted);
}

bool CDataFoundDlg::MayLeave() {
    if (m_scanInfoSaved || m_selection.TotalBytes() == 0) return true;
    const auto answer = ShowDataBox(this, Tr("Do you want to save scan info?"),
                                    Tr("Confirmation"), QMessageBox::Information,
                                    QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    if (answer == QMessageBox::Cancel) return false;
    if (answer == QMessageBox::Yes) return SaveScanInfoAs();
    return true;
}

void CDataFoundDlg::OnExit() {
    if (!MayLeave()) return;
    m_outcome = Outcome::Exit;
    QDialog::done(QDialog::Rejected);
}

void CDataFoundDlg::OnBack() {
    if (!MayLeave()) return;
    m_session.jobMode = JobMode::Scan;
    m_outcome = Outcome::Back;
    QDialog::done(QDialog::Accepted);
}

}  // namespace tvn::ui
