// The two models of the found-data window, both over one CFoundSelection:
// the folder tree (the root and the type folders, sorted by name) and the
// list of what one folder holds (the root's folders or a folder's files).
//
// Check boxes: Qt::CheckStateRole gives the marks; a setData on it (a click on
// a box, or space) toggles the node by the window's rules, whatever value is
// passed. Every toggle goes through CFoundSelection, then marksChanged tells
// the window, which brings the other model and the totals in line.
#pragma once

#include <QAbstractItemModel>
#include <QAbstractTableModel>
#include <QIcon>

#include <functional>
#include <string_view>
#include <vector>

#include "ui/found_order.h"
#include "ui/found_selection.h"
#include "ui/thumbnail_cache.h"

namespace tvn::ui {

// The data role that holds the node (CDirectoryNode*) of an index.
inline constexpr int kNodeRole = Qt::UserRole + 1;

Qt::CheckState ToCheckState(Mark mark);

class CFolderTreeModel : public QAbstractItemModel {
    Q_OBJECT
public:
    explicit CFolderTreeModel(CFoundSelection& selection, QObject* parent = nullptr);

    // Reads the folders anew (after the selection was rebuilt).
    void Reload();
    QModelIndex RootIndex() const { return createIndex(0, 0, &m_selection.Root()); }
    QModelIndex IndexOf(const CDirectoryNode* node) const;
    CDirectoryNode* NodeAt(const QModelIndex& index) const;
    // Every item's mark may have changed.
    void MarksChanged();

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

Q_SIGNALS:
    void marksChanged(tvn::CDirectoryNode* node);

private:
    CFoundSelection& m_selection;
    std::vector<CFolderNode*> m_sorted;  // type folders by name
    QIcon m_closed, m_open;
};

class CFileListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { NameColumn = 0, SizeColumn = 1, DateColumn = 2 };

    explicit CFileListModel(CFoundSelection& selection, QObject* parent = nullptr);

    // Shows what folder holds: the root's type folders or a folder's files
    // (those the size filter lets through), then sorts as last asked.
    void ShowFolder(CFolderNode* folder);
    // The same, sorted by column in order: one sort for a new folder.
    void ShowFolder(CFolderNode* folder, int column, Qt::SortOrder order);
    CFolderNode* Folder() const { return m_folder; }
    CDirectoryNode* NodeAt(int row) const;
    CDirectoryNode* NodeAt(const QModelIndex& index) const { return NodeAt(index.row()); }
    // The row of a node shown here, or -1.
    int RowOf(const CDirectoryNode* node) const;
    // The check marks of one row, or of all, may have changed.
    void MarkChanged(const CDirectoryNode* node);
    void MarksChanged();

    int SortColumn() const { return m_sortColumn; }
    Qt::SortOrder SortOrder() const { return m_sortOrder; }

    // Thumbnails in the name column: decoded on demand from the medium.
    void SetThumbnails(CThumbnailCache* cache, std::function<FoundFileBytes(const CFileNode&)> where);
    bool ThumbnailsShown() const { return m_thumbs != nullptr; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    // Names (as shown) in natural order, sizes and dates as numbers; equal
    // keys keep the catalogue's order.
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

Q_SIGNALS:
    void marksChanged(tvn::CDirectoryNode* node);

private:
    void SortRows();
    void ThumbnailReady(const CFileNode* node);

    CFoundSelection& m_selection;
    CFolderNode* m_folder = nullptr;
    std::vector<CDirectoryNode*> m_listed;  // what the folder shows, in catalogue order
    std::vector<CDirectoryNode*> m_rows;    // the same, sorted
    CRowIndex m_rowOf;
    int m_sortColumn = NameColumn;
    Qt::SortOrder m_sortOrder = Qt::AscendingOrder;
    QIcon m_folderIcon, m_fileIcon;
    CThumbnailCache* m_thumbs = nullptr;
    std::function<FoundFileBytes(const CFileNode&)> m_where;
    QMetaObject::Connection m_thumbConnection;
};

}  // namespace tvn::ui
