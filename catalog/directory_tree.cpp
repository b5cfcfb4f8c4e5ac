#include "catalog/directory_tree.h"

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

}  // namespace tvn
