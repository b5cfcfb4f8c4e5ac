// Feeds arbitrary bytes to the scan info parser. It must never read outside
// them, and whatever it accepts with type-name folders (three letters) must
// survive being written out and read again unchanged.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "catalog/directory_tree.h"
#include "catalog/scan_info.h"

namespace {

bool TypeNameFolders(const tvn::ScanInfoContents& c) {
    for (const auto& f : c.folders) {
        if (f.name.size() != 3) return false;
        for (char ch : f.name) {
            if (static_cast<unsigned char>(ch) >= 0x80) return false;
        }
    }
    return true;
}

bool Same(const tvn::ScanInfoContents& a, const tvn::ScanInfoContents& b) {
    if (a.driveId != b.driveId || a.totalSectors != b.totalSectors ||
        a.folders.size() != b.folders.size()) {
        return false;
    }
    for (size_t i = 0; i < a.folders.size(); ++i) {
        const auto& fa = a.folders[i];
        const auto& fb = b.folders[i];
        if (fa.name != fb.name || fa.files.size() != fb.files.size()) return false;
        for (size_t k = 0; k < fa.files.size(); ++k) {
            const auto& x = fa.files[k];
            const auto& y = fb.files[k];
            if (x.name != y.name || x.size != y.size || x.startSector != y.startSector ||
                x.endSector != y.endSector) {
                return false;
            }
        }
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace tvn;
    // A copy of exactly the input, so that the sanitizer sees any read past it.
    const std::vector<uint8_t> bytes(data, data + size);
    const ScanInfoParse parse = ParseScanInfo(bytes);
    if (!parse.Ok()) {
        if (ScanInfoFailureMessage(parse).text.empty()) std::abort();
        return 0;
    }
    if (!TypeNameFolders(parse.contents)) return 0;

    // Rebuild the catalogue as a load does (lists reversed), write it out and
    // read it back: the lists come out reversed, so compare reversed.
    CDirectoryTree tree;
    for (const auto& f : parse.contents.folders) {
        CFolderNode* folder = tree.InsertFolder(f.name);
        for (const auto& file : f.files) {
            folder->InsertFile(file.name.substr(0, file.name.size() - f.name.size()),
                               file.startSector, file.endSector, file.size);
        }
    }
    const std::vector<uint8_t> again =
        SerializeScanInfo(parse.contents.driveId, parse.contents.totalSectors, tree);
    ScanInfoParse reparsed = ParseScanInfo(again);
    if (!reparsed.Ok()) std::abort();
    auto& folders = reparsed.contents.folders;
    std::reverse(folders.begin(), folders.end());
    for (auto& f : folders) std::reverse(f.files.begin(), f.files.end());
    if (!Same(parse.contents, reparsed.contents)) std::abort();
    return 0;
}
