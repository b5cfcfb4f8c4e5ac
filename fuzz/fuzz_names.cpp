// The file-system side of naming found files, over arbitrary bytes: a FAT
// directory's entries with their first letters found again, the date a photo
// or film was taken, names made safe for a destination, and the whole input
// as a medium whose file systems the Sleuth Kit walks (within a time limit).
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <span>
#include <string>
#include <vector>

#include "names/attach.h"
#include "names/exfat_directory.h"
#include "names/fat_directory.h"
#include "names/fs_entries.h"
#include "output/save_names.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::span<const uint8_t> bytes(data, size);
    for (const tvn::FatDirEntry& e : tvn::ParseFatDirectory(bytes)) {
        const std::string name = e.Name();
        (void)tvn::SafeNamePart(name, true);
        (void)tvn::TypeAgreesWithName("JPG", name);
    }
    (void)tvn::ParseExfatDirectory(bytes);
    (void)tvn::DateTakenFromBytes(bytes);
    const std::string text(reinterpret_cast<const char*>(data), std::min<size_t>(size, 1024));
    (void)tvn::SafeFolderOf(text, true);

    // The input as a medium of whole sectors.
    std::vector<uint8_t> medium(bytes.begin(), bytes.end());
    medium.resize((medium.size() + 511) / 512 * 512);
    if (medium.empty()) return 0;
    const tvn::MediumReadAt read = [&medium](uint64_t off, void* buf, size_t n) -> ssize_t {
        if (off >= medium.size()) return 0;
        n = std::min<size_t>(n, medium.size() - off);
        std::memcpy(buf, medium.data() + off, n);
        return static_cast<ssize_t>(n);
    };
    tvn::FsReadLimits limits;
    limits.time = std::chrono::milliseconds(500);
    limits.maxEntries = 10000;
    const tvn::FsReadResult r = tvn::ReadFsEntries(read, medium.size(), 512, limits);
    tvn::CDirectoryTree tree;
    tvn::CFolderNode* jpg = tree.InsertFolder("JPG");
    for (const tvn::FsEntry& e : r.entries) {
        if (e.hasData) jpg->InsertFile("file# 1.", e.dataOffset / 512, e.dataOffset / 512, 1);
    }
    (void)tvn::AttachOriginalNames(tree, r.entries, 512);
    return 0;
}
