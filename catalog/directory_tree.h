// The catalogue: what a scan found, one folder per type under the root and one
// file node per found file. New folders and files go to the front of their
// list, so walking a list gives the newest node first.
//
// Ownership: the tree owns its folders, each folder owns its file nodes; the
// sibling links (GetNext) only describe the order and never own anything.
#pragma once

#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "app/types.h"
#include "catalog/file_origin.h"

namespace tvn {

class CFolderNode;
class CFileNode;

// The job that writes nodes out (the save job). A folder's Save enters the
// folder's directory under the job's destination; a file's Save writes the
// found file into it.
class ISaveTarget {
public:
    virtual ~ISaveTarget() = default;
    virtual void SaveFolder(CFolderNode& folder) = 0;
    virtual void SaveFile(CFileNode& file) = 0;
};

class CDirectoryNode {
public:
    explicit CDirectoryNode(bool folder) : m_bFolder(folder) {}
    virtual ~CDirectoryNode() = default;
    CDirectoryNode(const CDirectoryNode&) = delete;
    CDirectoryNode& operator=(const CDirectoryNode&) = delete;

    virtual void Save(ISaveTarget& target) = 0;
    virtual void Reserved() = 0;

    const std::string& GetName() const { return m_strName; }
    void SetName(std::string name) { m_strName = std::move(name); }
    CDirectoryNode* GetNext() const { return m_pNext; }
    void SetNext(CDirectoryNode* next) { m_pNext = next; }
    CFolderNode* GetParent() const { return m_pParent; }
    void SetParent(CFolderNode* parent) { m_pParent = parent; }
    bool IsChecked() const { return m_bChecked; }
    void SetChecked(bool checked) { m_bChecked = checked; }
    bool IsFolder() const { return m_bFolder; }

protected:
    std::string m_strName;
    CDirectoryNode* m_pNext = nullptr;
    CFolderNode* m_pParent = nullptr;
    bool m_bChecked = false;
    bool m_bFolder = false;
};

class CFileNode : public CDirectoryNode {
public:
    CFileNode() : CDirectoryNode(false) {}
    void Save(ISaveTarget& target) override { target.SaveFile(*this); }
    void Reserved() override {}

    ULONGLONG GetSize() const { return m_ullSize; }
    ULONGLONG GetStartSector() const { return m_ullStartSector; }
    ULONGLONG GetEndSector() const { return m_ullEndSector; }
    void SetSize(ULONGLONG size) { m_ullSize = size; }
    void SetStartSector(ULONGLONG sector) { m_ullStartSector = sector; }
    void SetEndSector(ULONGLONG sector) { m_ullEndSector = sector; }
    CFileNode* GetNextFile() const { return static_cast<CFileNode*>(m_pNext); }

    // How the size was found. Carved: by the scan's length rules, which cut a
    // file at the next start of its kind or at the end of a window; extraction
    // adds a sector and repairs the file. Measured: from the file's own
    // structure; extraction writes exactly these bytes. MayBeIncomplete: the
    // structure broke (overwritten or fragmented), the length rules decided.
    enum class Length : unsigned char { Carved, Measured, MayBeIncomplete };
    Length GetLength() const { return m_length; }
    void SetLength(Length length) { m_length = length; }

    // The file system's entry for this file, when one describes it (null
    // otherwise): original path, name, times, deleted or not.
    const FileOrigin* GetOrigin() const { return m_origin.get(); }
    void SetOrigin(std::unique_ptr<FileOrigin> origin) { m_origin = std::move(origin); }

private:
    Length m_length = Length::Carved;
    std::unique_ptr<FileOrigin> m_origin;
    ULONGLONG m_ullSize = 0;
    ULONGLONG m_ullStartSector = 0;
    ULONGLONG m_ullEndSector = 0;
};

class CFolderNode : public CDirectoryNode {
public:
    CFolderNode() : CDirectoryNode(true) {}
    void Save(ISaveTarget& target) override { target.SaveFolder(*this); }
    void Reserved() override {}

    // Creates a file node named name + this folder's name at the front of the
    // list, unticked, and returns it.
    CFileNode* InsertFile(const std::string& name, ULONGLONG startSector, ULONGLONG endSector,
                          ULONGLONG size);
    size_t GetFileCount() const;
    CFileNode* GetFirstChild() const { return m_pFirstChild; }
    void SetFirstChild(CFileNode* child) { m_pFirstChild = child; }
    CFolderNode* GetNextFolder() const { return static_cast<CFolderNode*>(m_pNext); }
    // Destroys every file node of the folder.
    void RemoveFiles();

private:
    CFileNode* m_pFirstChild = nullptr;
    std::vector<std::unique_ptr<CFileNode>> m_files;  // owner; order of creation
};

class CDirectoryTree {
public:
    CDirectoryTree();

    // First folder of the root's list whose name equals name (case-sensitive).
    CFolderNode* FindFolder(const std::string& name) const;
    // Creates a folder at the front of the root's list; no check for an
    // existing folder of that name, and not counted.
    CFolderNode* InsertFolder(const std::string& name);
    // Destroys every folder and file; folder count and found bytes become 0.
    void RemoveAll();
    size_t GetFolderCount() const;
    CFolderNode* GetFirstFolder() const;
    CFolderNode& GetRoot() { return m_root; }

    // Totals kept beside the tree, both reset by RemoveAll.
    std::atomic<ULONGLONG> m_ullFoundBytes{0};
    std::atomic<ULONGLONG> m_ullFolderCount{0};

private:
    CFolderNode m_root;
    CFolderNode* m_pFirstFolder = nullptr;
    std::vector<std::unique_ptr<CFolderNode>> m_folders;
};

// The bytes of the medium the tree's files lie on, each byte counted once
// however the files overlap (a length the rules guessed for a broken file
// runs into the next): never more than the medium holds. A file's bytes
// begin at its start sector times sectorSize.
ULONGLONG CoveredBytes(const CDirectoryTree& tree, uint64_t sectorSize);

}  // namespace tvn
