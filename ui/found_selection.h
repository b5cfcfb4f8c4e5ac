// What the user has ticked in the found-data window, over the catalogue.
//
// The catalogue's lists are singly linked and newest first; this index keeps,
// per type folder, its files in list order in a vector, and beside them how
// many are ticked and how many bytes that makes. A folder's mark is derived
// from those counts and every tick updates them by the change, so marks and
// selected totals cost O(1) however many files a folder holds. The tick flags
// themselves stay on the nodes, where the save and burn jobs read them.
//
// Flags: a file's flag is its tick. A folder's flag is set while any of its
// files is ticked (an empty folder keeps the flag it was given); the root's
// flag is set while any folder's is. The selected folder count counts the
// flagged folders and, when there is any, the root.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "app/types.h"
#include "catalog/directory_tree.h"

namespace tvn::ui {

// Check marks as the tree shows them; the list shows only Unchecked and
// Checked, by the node's flag.
enum class Mark { Unchecked = 1, Partly = 2, Checked = 3 };

// The totals texts of the found-data window.
std::string TotalFilesText(uint64_t files);
std::string TotalFoldersText(uint64_t folders);
std::string TotalDataText(ULONGLONG bytes);
std::string SelectedFilesText(uint64_t files);
std::string SelectedFoldersText(uint64_t folders);
std::string SelectedDataText(ULONGLONG bytes);
// The number inside the data texts: whole KiB below 1 MiB ("1023.000 KB"),
// MiB below 1 GiB ("1.000 MB"), else GiB; three decimals.
std::string DataAmountText(ULONGLONG bytes);

class CFoundSelection {
public:
    // sectorSize: the medium's, where the files' bytes begin (start sector
    // times sector size).
    explicit CFoundSelection(CDirectoryTree& tree, uint32_t sectorSize = 512);

    // Builds the index from the catalogue: one walk over every node. The
    // catalogue must not change while the index is in use without a Rebuild.
    void Rebuild();

    CFolderNode& Root() { return m_tree.GetRoot(); }
    // Type folders in the catalogue's list order.
    const std::vector<CFolderNode*>& Folders() const { return m_folders; }
    // A folder's files in the catalogue's list order (newest first).
    const std::vector<CFileNode*>& Files(const CFolderNode& folder) const;

    // Files smaller than this are hidden from the list and never ticked.
    ULONGLONG MinimumSize() const { return m_minSize; }
    // Changes the filter; files it hides lose their tick. Returns whether any
    // tick was taken away.
    bool SetMinimumSize(ULONGLONG bytes);
    bool IsShown(const CFileNode& file) const { return file.GetSize() >= m_minSize; }
    // Files of a folder the filter lets through.
    size_t ShownFileCount(const CFolderNode& folder) const;

    Mark FolderMark(const CFolderNode& folder) const;
    Mark RootMark() const;
    Mark MarkOf(const CDirectoryNode& node) const;

    // A click on a tree item's check box (or space on it): the node's flag is
    // reversed and everything below it follows; a folder that was partly
    // ticked (its flag set) is therefore cleared. Ticking the root ticks all.
    void ToggleInTree(CDirectoryNode& node);
    // A click on a list item's check box, space or the menu's command: the
    // same for a folder, and a single file's tick is reversed.
    void ToggleInList(CDirectoryNode& node) { ToggleInTree(node); }

    void SetFileChecked(CFileNode& file, bool checked);
    void SetFolderChecked(CFolderNode& folder, bool checked);
    void SetAllChecked(bool checked);

    // Catalogue totals: files, folders counting the root, bytes. The bytes
    // are the files' sizes added up, and for a catalogue of measured lengths
    // the bytes of the medium they lie on, each once: the fallback lengths of
    // files that may be incomplete overlap, and the total never exceeds the
    // medium.
    uint64_t TotalFiles() const { return m_totalFiles; }
    uint64_t TotalFolders() const { return m_folders.size() + 1; }
    ULONGLONG TotalBytes() const { return m_totalBytes; }
    // Selected totals, kept up to date by every change.
    uint64_t SelectedFiles() const { return m_selFiles; }
    uint64_t SelectedFolders() const { return m_flaggedFolders == 0 ? 0 : m_flaggedFolders + 1; }
    ULONGLONG SelectedBytes() const { return m_selBytes; }

private:
    struct FolderState {
        std::vector<CFileNode*> files;
        size_t shown = 0;     // files the filter lets through
        size_t checked = 0;   // ticked files
        ULONGLONG checkedBytes = 0;
    };
    FolderState& StateOf(const CFolderNode& folder);
    const FolderState* FindState(const CFolderNode& folder) const;
    // Sets the folder's flag and keeps the flagged count and the root in line.
    void SetFolderFlag(CFolderNode& folder, bool flag);

    CDirectoryTree& m_tree;
    uint32_t m_sectorSize;
    std::vector<CFolderNode*> m_folders;
    std::unordered_map<const CFolderNode*, FolderState> m_state;
    ULONGLONG m_minSize = 0;
    uint64_t m_totalFiles = 0;
    ULONGLONG m_totalBytes = 0;
    uint64_t m_selFiles = 0;
    ULONGLONG m_selBytes = 0;
    size_t m_flaggedFolders = 0;
};

}  // namespace tvn::ui
