#include "ui/found_models.h"

#include "preview/i18n.h"

#include <QColor>
#include <QDateTime>
#include <algorithm>

namespace tvn::ui {

Qt::CheckState ToCheckState(Mark mark) {
    switch (mark) {
        case Mark::Checked: return Qt::Checked;
        case Mark::Partly: return Qt::PartiallyChecked;
        case Mark::Unchecked: break;
    }
    return Qt::Unchecked;
}

// --- the folder tree ------------------------------------------------------------

CFolderTreeModel::CFolderTreeModel(CFoundSelection& selection, QObject* parent)
    : QAbstractItemModel(parent), m_selection(selection) {
    m_closed = QIcon(QStringLiteral(":/art/folder.svg"));
    m_open = QIcon(QStringLiteral(":/art/folder_open.svg"));
    Reload();
}

void CFolderTreeModel::Reload() {
    beginResetModel();
    m_sorted = m_selection.Folders();
    std::stable_sort(m_sorted.begin(), m_sorted.end(),
                     [](const CFolderNode* a, const CFolderNode* b) {
                         return NaturalLess(a->GetName(), b->GetName());
                     });
    endResetModel();
}

CDirectoryNode* CFolderTreeModel::NodeAt(const QModelIndex& index) const {
    return index.isValid() ? static_cast<CDirectoryNode*>(index.internalPointer()) : nullptr;
}

QModelIndex CFolderTreeModel::IndexOf(const CDirectoryNode* node) const {
    if (node == &m_selection.Root()) return RootIndex();
    for (size_t i = 0; i < m_sorted.size(); ++i) {
        if (m_sorted[i] == node) return createIndex(static_cast<int>(i), 0, m_sorted[i]);
    }
    return {};
}

void CFolderTreeModel::MarksChanged() {
    const QModelIndex root = RootIndex();
    Q_EMIT dataChanged(root, root, {Qt::CheckStateRole});
    if (!m_sorted.empty()) {
        Q_EMIT dataChanged(index(0, 0, root), index(static_cast<int>(m_sorted.size()) - 1, 0, root),
                           {Qt::CheckStateRole});
    }
}

QModelIndex CFolderTreeModel::index(int row, int column, const QModelIndex& parent) const {
    if (column != 0 || row < 0) return {};
    if (!parent.isValid()) return row == 0 ? RootIndex() : QModelIndex();
    if (NodeAt(parent) != &m_selection.Root() || row >= static_cast<int>(m_sorted.size())) return {};
    return createIndex(row, 0, m_sorted[static_cast<size_t>(row)]);
}

QModelIndex CFolderTreeModel::parent(const QModelIndex& child) const {
    const CDirectoryNode* node = NodeAt(child);
    if (node == nullptr || node == &m_selection.Root()) return {};
    return RootIndex();
}

int CFolderTreeModel::rowCount(const QModelIndex& parent) const {
    if (!parent.isValid()) return 1;
    if (parent.column() != 0) return 0;
    return NodeAt(parent) == &m_selection.Root() ? static_cast<int>(m_sorted.size()) : 0;
}

int CFolderTreeModel::columnCount(const QModelIndex&) const { return 1; }

QVariant CFolderTreeModel::data(const QModelIndex& index, int role) const {
    CDirectoryNode* node = NodeAt(index);
    if (node == nullptr) return {};
    switch (role) {
        case Qt::DisplayRole: return QString::fromStdString(node->GetName());
        case Qt::DecorationRole: return node == &m_selection.Root() ? m_open : m_closed;
        case Qt::CheckStateRole: return ToCheckState(m_selection.MarkOf(*node));
        case kNodeRole: return QVariant::fromValue(static_cast<void*>(node));
        default: return {};
    }
}

bool CFolderTreeModel::setData(const QModelIndex& index, const QVariant&, int role) {
    CDirectoryNode* node = NodeAt(index);
    if (node == nullptr || role != Qt::CheckStateRole) return false;
    m_selection.ToggleInTree(*node);
    MarksChanged();
    Q_EMIT marksChanged(node);
    return true;
}

Qt::ItemFlags CFolderTreeModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable;
}

// --- the list -------------------------------------------------------------------

CFileListModel::CFileListModel(CFoundSelection& selection, QObject* parent)
    : QAbstractTableModel(parent), m_selection(selection) {
    m_folderIcon = QIcon(QStringLiteral(":/art/folder.svg"));
    m_fileIcon = QIcon(QStringLiteral(":/art/file.svg"));
}

void CFileListModel::ShowFolder(CFolderNode* folder, int column, Qt::SortOrder order) {
    if (column == NameColumn || column == SizeColumn || column == DateColumn) {
        m_sortColumn = column;
        m_sortOrder = order;
    }
    ShowFolder(folder);
}

void CFileListModel::ShowFolder(CFolderNode* folder) {
    beginResetModel();
    m_folder = folder;
    m_listed.clear();
    if (folder == &m_selection.Root()) {
        m_listed.assign(m_selection.Folders().begin(), m_selection.Folders().end());
    } else if (folder != nullptr) {
        const auto& files = m_selection.Files(*folder);
        m_listed.reserve(m_selection.ShownFileCount(*folder));
        for (CFileNode* file : files) {
            if (m_selection.IsShown(*file)) m_listed.push_back(file);
        }
    }
    SortRows();
    endResetModel();
}

CDirectoryNode* CFileListModel::NodeAt(int row) const {
    if (row < 0 || row >= static_cast<int>(m_rows.size())) return nullptr;
    return m_rows[static_cast<size_t>(row)];
}

int CFileListModel::RowOf(const CDirectoryNode* node) const { return m_rowOf.Find(node); }

void CFileListModel::MarkChanged(const CDirectoryNode* node) {
    const int row = RowOf(node);
    if (row < 0) return;
    Q_EMIT dataChanged(index(row, NameColumn), index(row, NameColumn), {Qt::CheckStateRole});
}

void CFileListModel::MarksChanged() {
    if (m_rows.empty()) return;
    Q_EMIT dataChanged(index(0, NameColumn), index(static_cast<int>(m_rows.size()) - 1, NameColumn),
                       {Qt::CheckStateRole});
}

void CFileListModel::SetThumbnails(CThumbnailCache* cache,
                                   std::function<FoundFileBytes(const CFileNode&)> where) {
    if (m_thumbConnection) disconnect(m_thumbConnection);
    m_thumbs = cache;
    m_where = std::move(where);
    if (m_thumbs != nullptr) {
        m_thumbConnection = connect(m_thumbs, &CThumbnailCache::ready, this,
                                    [this](const CFileNode* node) { ThumbnailReady(node); });
    }
    if (!m_rows.empty()) {
        Q_EMIT dataChanged(index(0, NameColumn), index(static_cast<int>(m_rows.size()) - 1, NameColumn),
                           {Qt::DecorationRole, Qt::SizeHintRole});
    }
}

void CFileListModel::ThumbnailReady(const CFileNode* node) {
    const int row = RowOf(node);
    if (row < 0) return;
    Q_EMIT dataChanged(index(row, NameColumn), index(row, NameColumn), {Qt::DecorationRole});
}

int CFileListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int CFileListModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : 3; }

QVariant CFileListModel::data(const QModelIndex& index, int role) const {
    CDirectoryNode* node = NodeAt(index.row());
    if (node == nullptr) return {};
    const bool file = !node->IsFolder();
    if (index.column() == DateColumn) {
        // The modification time the card's file system gives the file.
        const FileOrigin* o = file ? static_cast<const CFileNode*>(node)->GetOrigin() : nullptr;
        if (role == Qt::DisplayRole && o != nullptr && o->modified.known) {
            return QDateTime::fromSecsSinceEpoch(o->modified.seconds)
                .toString(QStringLiteral("yyyy-MM-dd HH:mm"));
        }
        if (role == kNodeRole) return QVariant::fromValue(static_cast<void*>(node));
        return {};
    }
    if (index.column() == SizeColumn) {
        if (role == Qt::DisplayRole) {
            return file ? QString::number(static_cast<const CFileNode*>(node)->GetSize())
                        : QStringLiteral("0");
        }
        if (role == Qt::TextAlignmentRole) {
            return QVariant::fromValue(Qt::Alignment(Qt::AlignRight | Qt::AlignVCenter));
        }
        if (role == kNodeRole) return QVariant::fromValue(static_cast<void*>(node));
        return {};
    }
    // A file whose structure broke off while its exact length was measured
    // says so beside its name.
    const bool incomplete =
        file && static_cast<const CFileNode*>(node)->GetLength() == CFileNode::Length::MayBeIncomplete;
    // A file the card's file system names shows that name (and whether its
    // entry was deleted); the numbered name is in its tooltip.
    const FileOrigin* origin = file ? static_cast<const CFileNode*>(node)->GetOrigin() : nullptr;
    switch (role) {
        case Qt::DisplayRole: {
            const std::string_view name = ShownName(*node);
            QString text = QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size()));
            if (origin != nullptr && origin->deleted) text += Tr("  (deleted)");
            return incomplete ? text + Tr("  (may be incomplete)") : text;
        }
        case Qt::ForegroundRole:
            return incomplete ? QVariant(QColor(0x9a, 0x5b, 0x00)) : QVariant();
        case Qt::CheckStateRole: return node->IsChecked() ? Qt::Checked : Qt::Unchecked;
        case Qt::ToolTipRole:
            if (!file) return {};
            if (origin != nullptr) {
                QString tip = QString::fromStdString(node->GetName() + "\n/" + origin->path);
                if (origin->modified.known) {
                    tip += QStringLiteral("\n") + Tr("Modified: ") +
                           QDateTime::fromSecsSinceEpoch(origin->modified.seconds)
                               .toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
                }
                if (origin->deleted) tip += QStringLiteral("\n") + Tr("Deleted from the card");
                return tip + QStringLiteral("\n") + Tr("Double click on file to preview");
            }
            return incomplete ? Tr("Double click on file to preview\n"
                                               "Its structure breaks off before its end: it may be incomplete.")
                              : Tr("Double click on file to preview");
        case kNodeRole: return QVariant::fromValue(static_cast<void*>(node));
        case Qt::DecorationRole: {
            if (!file) return m_folderIcon;
            if (m_thumbs != nullptr && m_where) {
                const auto& f = *static_cast<const CFileNode*>(node);
                const QPixmap pixmap = m_thumbs->Get(f, m_where(f));
                if (!pixmap.isNull()) return pixmap;
            }
            return m_fileIcon;
        }
        default: return {};
    }
}

bool CFileListModel::setData(const QModelIndex& index, const QVariant&, int role) {
    CDirectoryNode* node = NodeAt(index.row());
    if (node == nullptr || role != Qt::CheckStateRole || index.column() != NameColumn) return false;
    m_selection.ToggleInList(*node);
    MarkChanged(node);
    Q_EMIT marksChanged(node);
    return true;
}

Qt::ItemFlags CFileListModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) return Qt::NoItemFlags;
    // A flat list: the view need not ask for children row by row.
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
    if (index.column() == NameColumn) flags |= Qt::ItemIsUserCheckable;
    return flags;
}

QVariant CFileListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
    if (section == DateColumn) return Tr("Date");
    return section == NameColumn ? Tr("Name") : Tr("Size ( bytes )");
}

void CFileListModel::sort(int column, Qt::SortOrder order) {
    if (column != NameColumn && column != SizeColumn && column != DateColumn) return;
    m_sortColumn = column;
    m_sortOrder = order;
    Q_EMIT layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const QModelIndexList before = persistentIndexList();
    std::vector<CDirectoryNode*> nodes;
    nodes.reserve(static_cast<size_t>(before.size()));
    for (const QModelIndex& index : before) nodes.push_back(NodeAt(index.row()));
    SortRows();
    QModelIndexList after;
    after.reserve(before.size());
    for (qsizetype i = 0; i < before.size(); ++i) {
        const int row = RowOf(nodes[static_cast<size_t>(i)]);
        after.push_back(row < 0 ? QModelIndex() : index(row, before[i].column()));
    }
    changePersistentIndexList(before, after);
    Q_EMIT layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void CFileListModel::SortRows() {
    const SortKey key = m_sortColumn == DateColumn   ? SortKey::Date
                        : m_sortColumn == SizeColumn ? SortKey::Size
                                                     : SortKey::Name;
    const std::vector<uint32_t> order =
        SortedOrder(m_listed, key, m_sortOrder == Qt::AscendingOrder);
    m_rows.resize(order.size());
    for (size_t i = 0; i < order.size(); ++i) m_rows[i] = m_listed[order[i]];
    m_rowOf.Build(m_rows);
}

}  // namespace tvn::ui
