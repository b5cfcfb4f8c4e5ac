#include "catalog/directory_tree.h"

#include <algorithm>
#include <limits>
#include <utility>

namespace tvn {

CFileNode* CFolderNode::InsertFile(const std::string& name, ULONGLONG startSector,
                                   ULONGLONG endSector, ULONGLONG size) {
    auto node = std::make_unique<CFileNode>();
    node->SetName(name + m_strName);
    node->SetStartSector(startSector);
    node->SetEndSector(endSector);
    node->SetSize(size);
    node->SetNext(m_pFirstChild);
    node->SetParent(this);
    node->SetChecked(false);
    m_pFirstChild = node.get();
    m_files.push_back(std::move(node));
    return m_pFirstChild;
}

size_t CFolderNode::GetFileCount() const {
    size_t n = 0;
    for (CFileNode* f = m_pFirstChild; f != nullptr; f = f->GetNextFile()) ++n;
    return n;
}

void CFolderNode::RemoveFiles() {
    m_pFirstChild = nullptr;
    m_files.clear();
}

CDirectoryTree::CDirectoryTree() { m_root.SetName("Root"); }

CFolderNode* CDirectoryTree::FindFolder(const std::string& name) const {
    for (CFolderNode* f = m_pFirstFolder; f != nullptr; f = f->GetNextFolder()) {
        if (f->GetName() == name) return f;
    }
    return nullptr;
}

CFolderNode* CDirectoryTree::InsertFolder(const std::string& name) {
    auto folder = std::make_unique<CFolderNode>();
    folder->SetName(name);
    folder->SetParent(&m_root);
    folder->SetNext(m_pFirstFolder);
    m_pFirstFolder = folder.get();
    m_folders.push_back(std::move(folder));
    return m_pFirstFolder;
}

void CDirectoryTree::RemoveAll() {
    for (auto& folder : m_folders) folder->RemoveFiles();
    m_folders.clear();
    m_ullFolderCount = 0;
    m_ullFoundBytes = 0;
    m_pFirstFolder = nullptr;
}

size_t CDirectoryTree::GetFolderCount() const {
    size_t n = 0;
    for (CFolderNode* f = m_pFirstFolder; f != nullptr; f = f->GetNextFolder()) ++n;
    return n;
}

CFolderNode* CDirectoryTree::GetFirstFolder() const { return m_pFirstFolder; }

ULONGLONG CoveredBytes(const CDirectoryTree& tree, uint64_t sectorSize) {
    constexpr uint64_t kMax = std::numeric_limits<uint64_t>::max();
    std::vector<std::pair<uint64_t, uint64_t>> spans;
    for (CFolderNode* f = tree.GetFirstFolder(); f; f = f->GetNextFolder()) {
        for (CFileNode* n = f->GetFirstChild(); n; n = n->GetNextFile()) {
            const uint64_t sector = n->GetStartSector();
            const uint64_t first = sectorSize != 0 && sector > kMax / sectorSize ? kMax : sector * sectorSize;
            spans.emplace_back(first, first > kMax - n->GetSize() ? kMax : first + n->GetSize());
        }
    }
    std::sort(spans.begin(), spans.end());
    uint64_t sum = 0, until = 0;
    for (const auto& [first, last] : spans) {
        if (last > until) {
            sum += last - std::max(first, until);
            until = last;
        }
    }
    return sum;
}

}  // namespace tvn
