#include "scan/type_table.h"

#include <cctype>

namespace tvn {

std::optional<FileType> FindTypeByName(std::string_view name) {
    for (const TypeFacts& f : kTypes) {
        if (f.name.size() != name.size()) continue;
        bool same = true;
        for (std::size_t i = 0; i < name.size(); ++i) {
            if (std::toupper(static_cast<unsigned char>(name[i])) != f.name[i]) same = false;
        }
        if (same) return f.type;
    }
    return std::nullopt;
}

const TypeFacts* FindFolderType(std::string_view folderName) {
    for (const TypeFacts& f : kTypes) {
        if (f.name == folderName) return &f;
    }
    return nullptr;
}

}  // namespace tvn
