#include "ui/found_selection.h"

#include <cstdio>

namespace tvn::ui {

std::string DataAmountText(ULONGLONG bytes) {
    char text[64];
    if (bytes < 0x100000ULL) {
        // Whole KiB only: the fraction always reads .000.
        std::snprintf(text, sizeof text, "%3.3f KB", static_cast<double>(bytes / 1024));
    } else if (bytes < 0x40000000ULL) {
        std::snprintf(text, sizeof text, "%3.3f MB", static_cast<double>(bytes) / 1048576.0);
    } else {
        std::snprintf(text, sizeof text, "%3.3f GB", static_cast<double>(bytes) / 1073741824.0);
    }
    return text;
}

std::string TotalFilesText(uint64_t files) {
    return "Total File(s)      : [" + std::to_string(files) + "]";
}
std::string TotalFoldersText(uint64_t folders) {
    return "Total Folder(s) : [" + std::to_string(folders) + "]";
}
std::string TotalDataText(ULONGLONG bytes) {
    return "Total Data        : [" + DataAmountText(bytes) + "]";
}
std::string SelectedFilesText(uint64_t files) {
    return "Selected File(s)      : [" + std::to_string(files) + "]";
}
std::string SelectedFoldersText(uint64_t folders) {
    return "Selected Folder(s) : [" + std::to_string(folders) + "]";
}
std::string SelectedDataText(ULONGLONG bytes) {
    return "Selected Data        : [" + DataAmountText(bytes) + "]";
}

CFoundSelection::CFoundSelection(CDirectoryTree& tree, uint32_t sectorSize)
    : m_tree(tree), m_sectorSize(sectorSize != 0 ? sectorSize : 512) {
    Rebuild();
}

void CFoundSelection::Rebuild() {
    m_folders.clear();
    m_state.clear();
    m_totalFiles = 0;
    m_totalBytes = 0;
    m_selFiles = 0;
    m_selBytes = 0;
    m_flaggedFolders = 0;
    bool measured = false;
    for (CFolderNode* folder = m_tree.GetFirstFolder(); folder; folder = folder->GetNextFolder()) {
        m_folders.push_back(folder);
        FolderState& state = m_state[folder];
        for (CFileNode* file = folder->GetFirstChild(); file; file = file->GetNextFile()) {
            state.files.push_back(file);
            m_totalBytes += file->GetSize();
            measured = measured || file->GetLength() != CFileNode::Length::Carved;
            if (!IsShown(*file)) {
                file->SetChecked(false);
                continue;
            }
            ++state.shown;
            if (file->IsChecked()) {
                ++state.checked;
                state.checkedBytes += file->GetSize();
            }
        }
        m_totalFiles += state.files.size();
        m_selFiles += state.checked;
        m_selBytes += state.checkedBytes;
        // A folder with files is flagged exactly while one of them is ticked.
        if (!state.files.empty()) folder->SetChecked(state.checked > 0);
        if (folder->IsChecked()) ++m_flaggedFolders;
    }
    Root().SetChecked(m_flaggedFolders > 0);
    if (measured) m_totalBytes = CoveredBytes(m_tree, m_sectorSize);
}

const std::vector<CFileNode*>& CFoundSelection::Files(const CFolderNode& folder) const {
    static const std::vector<CFileNode*> kNone;
    const FolderState* state = FindState(folder);
    return state ? state->files : kNone;
}

CFoundSelection::FolderState& CFoundSelection::StateOf(const CFolderNode& folder) {
    return m_state[&folder];
}

const CFoundSelection::FolderState* CFoundSelection::FindState(const CFolderNode& folder) const {
    const auto it = m_state.find(&folder);
    return it == m_state.end() ? nullptr : &it->second;
}

bool CFoundSelection::SetMinimumSize(ULONGLONG bytes) {
    if (bytes == m_minSize) return false;
    bool untick = false;
    m_minSize = bytes;
    for (CFolderNode* folder : m_folders) {
        FolderState& state = StateOf(*folder);
        state.shown = 0;
        for (CFileNode* file : state.files) {
            if (IsShown(*file)) {
                ++state.shown;
            } else if (file->IsChecked()) {
                SetFileChecked(*file, false);
                untick = true;
            }
        }
    }
    return untick;
}

size_t CFoundSelection::ShownFileCount(const CFolderNode& folder) const {
    const FolderState* state = FindState(folder);
    return state ? state->shown : 0;
}

Mark CFoundSelection::FolderMark(const CFolderNode& folder) const {
    const FolderState* state = FindState(folder);
    if (state == nullptr || state->shown == 0) {
        return folder.IsChecked() ? Mark::Checked : Mark::Unchecked;
    }
    if (state->checked == 0) return Mark::Unchecked;
    return state->checked == state->shown ? Mark::Checked : Mark::Partly;
}

Mark CFoundSelection::RootMark() const {
    bool any = false;
    bool all = true;
    for (const CFolderNode* folder : m_folders) {
        const Mark mark = FolderMark(*folder);
        any = any || mark != Mark::Unchecked;
        all = all && mark == Mark::Checked;
    }
    if (m_folders.empty()) return m_tree.GetRoot().IsChecked() ? Mark::Checked : Mark::Unchecked;
    if (!any) return Mark::Unchecked;
    return all ? Mark::Checked : Mark::Partly;
}

Mark CFoundSelection::MarkOf(const CDirectoryNode& node) const {
    if (&node == &m_tree.GetRoot()) return RootMark();
    if (node.IsFolder()) return FolderMark(static_cast<const CFolderNode&>(node));
    return node.IsChecked() ? Mark::Checked : Mark::Unchecked;
}

void CFoundSelection::ToggleInTree(CDirectoryNode& node) {
    const bool checked = !node.IsChecked();
    if (&node == &m_tree.GetRoot()) {
        SetAllChecked(checked);
    } else if (node.IsFolder()) {
        SetFolderChecked(static_cast<CFolderNode&>(node), checked);
    } else {
        SetFileChecked(static_cast<CFileNode&>(node), checked);
    }
}

void CFoundSelection::SetFolderFlag(CFolderNode& folder, bool flag) {
    if (folder.IsChecked() != flag) {
        folder.SetChecked(flag);
        if (flag) {
            ++m_flaggedFolders;
        } else {
            --m_flaggedFolders;
        }
    }
    Root().SetChecked(m_flaggedFolders > 0);
}

void CFoundSelection::SetFileChecked(CFileNode& file, bool checked) {
    if (checked && !IsShown(file)) return;
    if (file.IsChecked() == checked) return;
    file.SetChecked(checked);
    CFolderNode* folder = file.GetParent();
    if (folder == nullptr) return;
    FolderState& state = StateOf(*folder);
    if (checked) {
        ++state.checked;
        state.checkedBytes += file.GetSize();
        ++m_selFiles;
        m_selBytes += file.GetSize();
    } else {
        --state.checked;
        state.checkedBytes -= file.GetSize();
        --m_selFiles;
        m_selBytes -= file.GetSize();
    }
    SetFolderFlag(*folder, state.checked > 0);
}

void CFoundSelection::SetFolderChecked(CFolderNode& folder, bool checked) {
    FolderState& state = StateOf(folder);
    for (CFileNode* file : state.files) {
        if (file->IsChecked() == checked || (checked && !IsShown(*file))) continue;
        file->SetChecked(checked);
        if (checked) {
            ++state.checked;
            state.checkedBytes += file->GetSize();
            ++m_selFiles;
            m_selBytes += file->GetSize();
        } else {
            --state.checked;
            state.checkedBytes -= file->GetSize();
            --m_selFiles;
            m_selBytes -= file->GetSize();
        }
    }
    // An empty folder (or one whose files are all filtered out) keeps the
    // flag it is given, as a ticked folder of nothing.
    SetFolderFlag(folder, state.checked > 0 || (state.shown == 0 && checked));
}

void CFoundSelection::SetAllChecked(bool checked) {
    for (CFolderNode* folder : m_folders) SetFolderChecked(*folder, checked);
    Root().SetChecked(checked ? true : m_flaggedFolders > 0);
}

}  // namespace tvn::ui
