#include "names/attach.h"

#include <fmt/format.h>

#include <algorithm>
#include <chrono>
#include <unordered_map>

#include "disk/disk_source.h"

namespace tvn {

namespace {

// Families of extensions: a found file and an entry agree when both belong to
// one family.
enum class Family { None, Jpeg, Tiff, Crw, Mrw, Png, Gif, Bmp, Mp3, Midi, Wav, Iso, Mpeg, Avi };

Family FamilyOfExtension(std::string ext) {
    for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    static const std::unordered_map<std::string, Family> kMap = {
        {"jpg", Family::Jpeg},  {"jpeg", Family::Jpeg}, {"jpe", Family::Jpeg},
        {"jfif", Family::Jpeg}, {"tif", Family::Tiff},  {"tiff", Family::Tiff},
        {"dng", Family::Tiff},  {"cr2", Family::Tiff},  {"nef", Family::Tiff},
        {"nrw", Family::Tiff},  {"arw", Family::Tiff},  {"sr2", Family::Tiff},
        {"srf", Family::Tiff},  {"orf", Family::Tiff},  {"pef", Family::Tiff},
        {"rw2", Family::Tiff},  {"crw", Family::Crw},   {"mrw", Family::Mrw},
        {"png", Family::Png},   {"gif", Family::Gif},   {"bmp", Family::Bmp},
        {"dib", Family::Bmp},   {"mp3", Family::Mp3},   {"mid", Family::Midi},
        {"midi", Family::Midi}, {"wav", Family::Wav},   {"mp4", Family::Iso},
        {"m4v", Family::Iso},   {"m4a", Family::Iso},   {"mov", Family::Iso},
        {"qt", Family::Iso},    {"3gp", Family::Iso},   {"cr3", Family::Iso},
        {"heic", Family::Iso},  {"mpg", Family::Mpeg},  {"mpeg", Family::Mpeg},
        {"mpe", Family::Mpeg},  {"m2v", Family::Mpeg},  {"vob", Family::Mpeg},
        {"avi", Family::Avi},
    };
    const auto it = kMap.find(ext);
    return it == kMap.end() ? Family::None : it->second;
}

Family FamilyOfType(const std::string& type) {
    if (type == "TIF" || type == "CR2" || type == "NEF" || type == "SR2" || type == "SRF" ||
        type == "ORF")
        return Family::Tiff;
    if (type == "MP4" || type == "MOV") return Family::Iso;
    std::string ext = type;
    return FamilyOfExtension(ext);
}

bool Better(const FsEntry& a, const FsEntry& b) {
    if (a.origin.deleted != b.origin.deleted) return !a.origin.deleted;
    return a.origin.modified.seconds > b.origin.modified.seconds;
}

}  // namespace

bool TypeAgreesWithName(const std::string& type, const std::string& name) {
    const size_t dot = name.rfind('.');
    if (dot == std::string::npos || dot + 1 == name.size()) return true;
    const Family ext = FamilyOfExtension(name.substr(dot + 1));
    return ext == Family::None || ext == FamilyOfType(type);
}

CEntryIndex::CEntryIndex(const std::vector<FsEntry>& entries, uint32_t sectorSize) {
    if (sectorSize == 0) sectorSize = 512;
    for (const FsEntry& e : entries) {
        if (!e.hasData || e.dataOffset % sectorSize != 0) continue;
        m_bySector[e.dataOffset / sectorSize].push_back(&e);
    }
}

const FsEntry* CEntryIndex::Find(uint64_t sector, const std::string& type) const {
    const auto it = m_bySector.find(sector);
    if (it == m_bySector.end()) return nullptr;
    const FsEntry* best = nullptr;
    for (const FsEntry* e : it->second) {
        if (!TypeAgreesWithName(type, e->origin.name)) continue;
        if (best == nullptr || Better(*e, *best)) best = e;
    }
    return best;
}

NameSummary AttachOriginalNames(CDirectoryTree& tree, const std::vector<FsEntry>& entries,
                                uint32_t sectorSize) {
    NameSummary s;
    s.entries = entries.size();
    const CEntryIndex index(entries, sectorSize);
    for (CFolderNode* f = tree.GetFirstFolder(); f; f = f->GetNextFolder()) {
        for (CFileNode* n = f->GetFirstChild(); n; n = n->GetNextFile()) {
            ++s.files;
            n->SetOrigin(nullptr);
            const FsEntry* best = index.Find(n->GetStartSector(), f->GetName());
            if (best == nullptr) continue;
            n->SetOrigin(std::make_unique<FileOrigin>(best->origin));
            ++s.named;
            if (best->origin.modified.known) ++s.dated;
            if (best->origin.deleted) {
                ++s.deleted;
                switch (best->origin.restore) {
                case NameRestore::LongName: ++s.restoredLongName; break;
                case NameRestore::Siblings: ++s.restoredSiblings; break;
                case NameRestore::Unknown: ++s.unrestored; break;
                case NameRestore::None: break;
                }
            }
        }
    }
    return s;
}

NameSummary ReadOriginalNames(CDirectoryTree& tree, const CDiskSource& source,
                              const FsReadLimits& limits) {
    const auto begin = std::chrono::steady_clock::now();
    const FsReadResult read = ReadFsEntries(source, limits);
    NameSummary s = AttachOriginalNames(tree, read.entries, source.GetSectorSizeU());
    s.fileSystems = read.fileSystems;
    s.cut = read.cut;
    s.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
    return s;
}

std::string DescribeNames(const NameSummary& s) {
    if (s.fileSystems.empty()) return "No file system on the medium names the files found.";
    std::string where;
    for (const std::string& f : s.fileSystems) where += (where.empty() ? "" : ", ") + f;
    std::string text =
        fmt::format("{} of {} files named from {}, {} dated", s.named, s.files, where, s.dated);
    if (s.deleted > 0) {
        text += fmt::format(" ({} deleted; first letters found: {} by long name, {} by the "
                            "names beside them, {} not found)",
                            s.deleted, s.restoredLongName, s.restoredSiblings, s.unrestored);
    }
    text += ".";
    if (s.cut) text += " The file system was read only in part (damaged or too large).";
    return text;
}

}  // namespace tvn
