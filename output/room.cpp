#include "output/room.h"

#include <sys/statvfs.h>

#include "catalog/directory_tree.h"

namespace tvn {

std::optional<uint64_t> FreeBytesAt(const std::string& folder) {
    struct statvfs st {};
    if (folder.empty() || ::statvfs(folder.c_str(), &st) != 0) return std::nullopt;
    // The blocks an ordinary user may take, not those kept for root.
    return static_cast<uint64_t>(st.f_bavail) * static_cast<uint64_t>(st.f_frsize);
}

SelectionSize SelectedSize(const CDirectoryTree& tree) {
    SelectionSize size;
    for (CFolderNode* f = tree.GetFirstFolder(); f; f = f->GetNextFolder()) {
        for (CFileNode* n = f->GetFirstChild(); n; n = n->GetNextFile()) {
            if (!n->IsChecked()) continue;
            size.bytes += n->GetSize();
            ++size.files;
        }
    }
    return size;
}

RoomCheck CheckRoom(const SelectionSize& selection, std::optional<uint64_t> free, uint64_t block) {
    RoomCheck check;
    // Each file's last block is partly used: at most one block more per file.
    check.needed = selection.bytes + selection.files * (block == 0 ? 0 : block);
    if (free) {
        check.known = true;
        check.free = *free;
    }
    return check;
}

}  // namespace tvn
