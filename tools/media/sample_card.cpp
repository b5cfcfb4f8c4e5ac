#include "tools/media/sample_card.h"

#include <fcntl.h>
#include <fmt/format.h>
#include <sys/stat.h>
#include <zlib.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <stdexcept>

#include "tools/media/image.h"
#include "tools/media/samples.h"

namespace tvn::media {

namespace {

namespace fs = std::filesystem;

constexpr uint64_t kCardBytes = 64ull << 20;
constexpr uint32_t kPartStart = 2048;  // 1 MiB, where card makers put it
constexpr uint32_t kPartSectors = static_cast<uint32_t>(kCardBytes / 512) - kPartStart;
constexpr uint32_t kVolumeId = 0x54564E31;
constexpr int64_t kEpoch = 1700000000;  // the day the pictures were taken
constexpr const char* kCameraFolder = "/DCIM/100TVNCM";

// Where a camera or a computer would put a file of the type.
std::string FolderFor(const std::string& type) {
    static const char* const kCamera[] = {"JPG", "TIF", "NEF", "CR2", "SR2", "SRF", "ORF",
                                          "CRW", "MRW", "MOV", "AVI", "MP4", "MPG"};
    if (std::find(std::begin(kCamera), std::end(kCamera), type) != std::end(kCamera))
        return kCameraFolder;
    if (type == "MP3" || type == "MID" || type == "WAV") return "/MUSIC";
    if (type == "BMP" || type == "PNG" || type == "GIF") return "/PICTURES";
    return "/MISC";
}

std::string Upper(std::string s) {
    for (char& c : s)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return s;
}

// A file name the card can hold once in its folder: no path separators, and a
// suffix when another file of the folder has the same name (FAT names do not
// tell capitals from small letters).
std::string UniqueName(std::string name, const std::string& folder,
                       std::map<std::string, int>& taken) {
    for (char& c : name)
        if (c == '/' || c == '\\' || c == ':' || static_cast<unsigned char>(c) < 0x20) c = '_';
    if (name.empty()) name = "FILE";
    std::string candidate = name;
    for (int n = 2; taken.count(Upper(folder + "/" + candidate)) != 0; ++n) {
        const size_t dot = name.rfind('.');
        candidate = dot == std::string::npos || dot == 0
                        ? fmt::format("{}_{}", name, n)
                        : fmt::format("{}_{}{}", name.substr(0, dot), n, name.substr(dot));
    }
    taken[Upper(folder + "/" + candidate)] = 1;
    return candidate;
}

// The print order a camera writes next to its pictures: a file of no scanned
// type that stays on the card.
Bytes PrintOrder(const std::string& picture) {
    std::string text =
        "[HDR]\r\nGEN REV = 01.00\r\nGEN CRT = \"TVN CAMERA\" -01.00\r\n"
        "GEN DTM = 2023:11:14:22:13:20\r\n";
    if (!picture.empty()) {
        text +=
            "\r\n[JOB]\r\nPRT PID = 001\r\nPRT TYP = STD\r\nPRT QTY = 001\r\n"
            "IMG FMT = EXIF2 -J\r\n<IMG SRC = \"..";
        text += picture + "\">\r\n";
    }
    return Bytes(text.begin(), text.end());
}

// A folder for the files handed to mcopy, removed with them at the end.

uint32_t Crc32(const Bytes& data) {
    uLong crc = ::crc32(0L, Z_NULL, 0);
    size_t done = 0;
    while (done < data.size()) {
        const uInt n = static_cast<uInt>(std::min<size_t>(data.size() - done, 1u << 30));
        crc = ::crc32(crc, data.data() + done, n);
        done += n;
    }
    return static_cast<uint32_t>(crc);
}

Bytes ReadExtents(std::ifstream& in, const std::vector<Extent>& extents) {
    Bytes out;
    for (const Extent& e : extents) {
        const size_t at = out.size();
        out.resize(at + static_cast<size_t>(e.length));
        in.seekg(static_cast<std::streamoff>(e.offset));
        in.read(reinterpret_cast<char*>(out.data() + at), static_cast<std::streamsize>(e.length));
        if (!in) throw std::runtime_error("cannot read the card image back");
    }
    return out;
}

uint8_t PartitionType(int fatBits) {
    return fatBits == 12 ? 0x01 : fatBits == 16 ? 0x06 : 0x0C;
}

}  // namespace

SampleCard BuildSampleCard(const std::string& path, const SampleCardOptions& options) {
    std::vector<SampleFile> samples;
    if (options.files != nullptr) {
        samples = *options.files;
    } else {
        AppendPhotoSamples(samples);
        AppendAvSamples(samples);
    }
    samples.erase(std::remove_if(samples.begin(), samples.end(),
                                 [](const SampleFile& f) { return f.data.empty(); }),
                  samples.end());

    SampleCard card;
    card.image = path;
    card.imageBytes = kCardBytes;
    card.partitionStart = kPartStart;
    card.partitionSectors = kPartSectors;
    card.quickFormatted = options.quickFormat;
    { ImageFile img(path, kCardBytes); }

    const CFatTools tools(path, kPartStart, kPartSectors, kVolumeId, kEpoch);
    tools.Format();
    {
        const CFatReader fat(path, uint64_t{kPartStart} * 512);
        card.fatBits = fat.Bits();
        card.clusterBytes = fat.ClusterBytes();
    }
    {
        ImageFile img(path, kCardBytes, ImageFile::kKeep);
        const MbrPartition part{kPartStart, kPartSectors, PartitionType(card.fatBits)};
        img.Write(0, MakeMbr({&part, 1}));
    }

    // What goes on the card, in the order it is written: the camera's print
    // order first, then the samples.
    struct Pending {
        std::string type, name, folder;
        const Bytes* data;
    };
    Bytes printOrder;  // names the first picture, known below
    std::vector<Pending> pending;
    std::map<std::string, int> taken;
    pending.push_back({"", UniqueName("AUTPRINT.MRK", "/MISC", taken), "/MISC", &printOrder});
    for (const SampleFile& s : samples) {
        const std::string folder = FolderFor(s.type);
        pending.push_back({s.type, UniqueName(s.name, folder, taken), folder, &s.data});
    }
    // A second copy of a sample, written last, into a hole that a deleted
    // scratch file left after the first sample: it is fragmented, as files
    // on a well-used card are, and shows what carving cannot undo, while every
    // sample itself stays in one piece.
    const auto big = std::find_if(samples.begin(), samples.end(), [&](const SampleFile& f) {
        return f.data.size() > card.clusterBytes;
    });
    const bool fragment = big != samples.end();
    if (fragment) {
        const std::string folder = FolderFor(big->type);
        pending.push_back({big->type, UniqueName(big->name, folder, taken), folder, &big->data});
    }
    const auto picture = std::find_if(pending.begin(), pending.end(),
                                      [](const Pending& p) { return p.type == "JPG"; });
    printOrder = PrintOrder(picture == pending.end() ? "" : picture->folder + "/" + picture->name);
    std::vector<std::string> folders;
    for (const Pending& p : pending) {
        for (size_t slash = p.folder.find('/', 1);; slash = p.folder.find('/', slash + 1)) {
            const std::string dir = p.folder.substr(0, slash);
            if (std::find(folders.begin(), folders.end(), dir) == folders.end()) {
                folders.push_back(dir);
                tools.MakeDirectory(dir);
            }
            if (slash == std::string::npos) break;
        }
    }

    CHostFolder host;
    const Bytes scratch(card.clusterBytes, 0x20);
    const std::string scratchPath = "/MISC/EDIT.TMP";
    for (size_t i = 0; i < pending.size(); ++i) {
        const Pending& p = pending[i];
        if (fragment && i + 1 == pending.size()) tools.Delete(scratchPath);
        tools.Copy(host.Put(p.name, *p.data, kEpoch + 60 * static_cast<int64_t>(i)), p.folder);
        if (fragment && i == 1) tools.Copy(host.Put("EDIT.TMP", scratch, kEpoch), "/MISC");
    }

    // Where the file system put each file.
    std::map<std::string, FatEntry> listed;
    {
        const CFatReader fat(path, uint64_t{kPartStart} * 512);
        for (FatEntry& e : fat.List()) listed[Upper(e.path)] = std::move(e);
    }
    for (const Pending& p : pending) {
        PlacedFile f;
        f.type = p.type;
        f.name = p.name;
        f.path = p.folder + "/" + p.name;
        const auto it = listed.find(Upper(f.path));
        if (it == listed.end() || it->second.size != p.data->size())
            throw std::runtime_error("the file system does not list " + f.path + " as written");
        f.extents = it->second.extents;
        f.offset = f.extents.front().offset;
        f.length = p.data->size();
        f.crc32 = Crc32(*p.data);
        f.contiguous = f.extents.size() == 1;
        card.files.push_back(std::move(f));
    }

    // Deleted afterwards, as one deletes pictures in the camera: every third
    // sample, starting with the second. Nothing is written after this, so
    // their clusters keep their data.
    for (size_t i = 1; i < card.files.size(); ++i) {
        if ((i - 1) % 3 == 1) {
            tools.Delete(card.files[i].path);
            card.files[i].deleted = true;
        }
    }
    if (options.quickFormat) tools.Format();

    // Every file's bytes must be where the manifest will say.
    {
        std::ifstream in(path, std::ios::binary);
        for (size_t i = 0; i < card.files.size(); ++i) {
            if (ReadExtents(in, card.files[i].extents) != *pending[i].data)
                throw std::runtime_error("the bytes of " + card.files[i].path +
                                         " are not where the file system put them");
        }
    }

    std::ofstream manifest(path + ".json", std::ios::trunc);
    manifest << SampleCardManifest(card);
    manifest.close();
    if (!manifest) throw std::runtime_error("cannot write " + path + ".json");
    return card;
}

std::string SampleCardManifest(const SampleCard& card) {
    using Json = nlohmann::ordered_json;
    Json files = Json::array();
    for (const PlacedFile& f : card.files) {
        Json extents = Json::array();
        for (const Extent& e : f.extents)
            extents.push_back({{"offset", e.offset}, {"length", e.length}});
        files.push_back({{"type", f.type},
                         {"name", f.name},
                         {"path", f.path},
                         {"offset", f.offset},
                         {"sector", f.Sector()},
                         {"length", f.length},
                         {"crc32", f.crc32},
                         {"deleted", f.deleted},
                         {"contiguous", f.contiguous},
                         {"extents", extents}});
    }
    const Json doc = {{"image", fs::path(card.image).filename().string()},
                      {"image_bytes", card.imageBytes},
                      {"sector_size", 512},
                      {"partition",
                       {{"start_sector", card.partitionStart},
                        {"sectors", card.partitionSectors},
                        {"file_system", fmt::format("FAT{}", card.fatBits)},
                        {"cluster_bytes", card.clusterBytes}}},
                      {"quick_formatted", card.quickFormatted},
                      {"files", files}};
    return doc.dump(2) + "\n";
}

std::string DescribeSampleCard(const SampleCard& card) {
    std::string out =
        fmt::format("{}: {} bytes, FAT{} partition at sector {}, {}-byte clusters{}\n", card.image,
                    card.imageBytes, card.fatBits, card.partitionStart, card.clusterBytes,
                    card.quickFormatted ? ", quick-formatted after writing" : "");
    out += fmt::format("{:>3}  {:<4} {:>9} {:>9}  {:<9} {}\n", "#", "type", "sector", "bytes",
                       "state", "path");
    size_t deleted = 0, fragmented = 0;
    for (size_t i = 0; i < card.files.size(); ++i) {
        const PlacedFile& f = card.files[i];
        if (f.deleted) ++deleted;
        if (!f.contiguous) ++fragmented;
        const std::string state = f.deleted             ? "deleted"
                                  : card.quickFormatted ? "formatted"
                                                        : "listed";
        out += fmt::format(
            "{:>3}  {:<4} {:>9} {:>9}  {:<9} {}{}\n", i + 1, f.type.empty() ? "-" : f.type,
            f.Sector(), f.length, state, f.path,
            f.contiguous ? "" : fmt::format("  (fragmented, {} pieces)", f.extents.size()));
    }
    out += fmt::format("{} files, {} deleted, {} fragmented; manifest {}.json\n", card.files.size(),
                       deleted, fragmented, card.image);
    return out;
}

}  // namespace tvn::media
