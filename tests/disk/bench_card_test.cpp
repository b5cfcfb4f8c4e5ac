// The benchmark card: its plan has every scanned type in the proportions of a
// used camera card, its files are valid, near their sizes and plant no false
// file starts at sector starts, and its manifest tells where every file lies.
#include "tools/media/bench_card.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <set>

#include "tests/support/test_support.h"
#include "tools/media/fat_card.h"

namespace tvn {
namespace {

using media::BenchFile;
using media::BenchKind;
using media::Bytes;
using test::ReadFile;
using test::TempDir;

const std::set<std::string> kAllTypes = {"BMP", "PNG", "JPG", "GIF", "TIF", "CRW", "CR2",
                                         "SRF", "SR2", "MRW", "ORF", "NEF", "MP3", "MID",
                                         "WAV", "MP4", "MPG", "MOV", "AVI"};

uint32_t Be32(const Bytes& b, size_t at) {
    return uint32_t{b[at]} << 24 | uint32_t{b[at + 1]} << 16 | uint32_t{b[at + 2]} << 8 | b[at + 3];
}
uint32_t Le(const Bytes& b, size_t at, int n) {
    uint32_t v = 0;
    for (int i = n - 1; i >= 0; --i) v = v << 8 | b[at + static_cast<size_t>(i)];
    return v;
}
uint32_t Crc(const uint8_t* p, size_t n) {
    return static_cast<uint32_t>(::crc32(0L, p, static_cast<uInt>(n)));
}

bool IsShortName(const std::string& name) {
    const size_t dot = name.find('.');
    if (dot == std::string::npos || dot == 0 || dot > 8 || name.size() - dot - 1 != 3) return false;
    for (char c : name) {
        if (!((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '.'))
            return false;
    }
    return true;
}

TEST(BenchCardPlan, TwoGibCardHoldsEveryTypeInTheProportionsOfACameraCard) {
    const uint64_t data = (uint64_t{2} << 30) - (uint64_t{8} << 20);
    const std::vector<BenchFile> plan = media::PlanBenchCard(data);

    std::map<std::string, uint64_t> bytes, files;
    uint64_t total = 0, deleted = 0;
    std::set<std::string> paths;
    std::map<std::string, std::set<std::string>> numbersPerFolder;
    for (const BenchFile& f : plan) {
        const std::string type = media::BenchKindType(f.kind);
        bytes[type] += f.target;
        ++files[type];
        total += f.target;
        deleted += f.deleted ? 1 : 0;
        EXPECT_TRUE(paths.insert(f.folder + "/" + f.name).second) << f.name << " twice";
        EXPECT_TRUE(IsShortName(f.name)) << f.name;
        numbersPerFolder[f.folder].insert(
            f.name.substr(4, 4));  // a clip and its thumbnail share one
        const bool movie = f.kind == BenchKind::Mov || f.kind == BenchKind::Mp4;
        EXPECT_LE(f.target, movie ? data / 10 : data / 20) << f.name;
    }
    for (const std::string& t : kAllTypes) EXPECT_GE(files[t], 1u) << t;
    // Filled to nine tenths, mostly with JPEGs, then raw files and movies.
    EXPECT_LE(total, data / 10 * 9);
    EXPECT_GE(total, data / 100 * 88);
    const auto share = [&](std::initializer_list<const char*> types) {
        uint64_t n = 0;
        for (const char* t : types) n += bytes[t];
        return static_cast<double>(n) / static_cast<double>(total);
    };
    EXPECT_GT(share({"JPG"}), 0.40);
    EXPECT_LT(share({"JPG"}), 0.56);
    EXPECT_GT(share({"NEF", "CR2", "ORF", "SR2", "SRF", "CRW", "MRW", "TIF"}), 0.15);
    EXPECT_GT(share({"MOV", "MP4", "AVI", "MPG"}), 0.10);
    EXPECT_GT(share({""}), 0.02);
    EXPECT_GE(files["MOV"] + files["MP4"] + files["AVI"] + files["MPG"], 5u);
    EXPECT_GE(files["JPG"], 150u);
    for (const auto& [folder, numbers] : numbersPerFolder) {
        if (folder.starts_with("/DCIM/")) {
            EXPECT_LE(numbers.size(), 250u) << folder;
        }
    }

    // Realistic sizes.
    for (const BenchFile& f : plan) {
        const std::string type = media::BenchKindType(f.kind);
        if (f.kind == BenchKind::Jpg) {
            EXPECT_GE(f.target, 2000000u);
            EXPECT_LE(f.target, 6000000u);
        } else if (type == "NEF" || type == "CR2" || type == "SR2" || type == "TIF") {
            EXPECT_GE(f.target, 8000000u) << f.name;
            EXPECT_LE(f.target, 25000000u) << f.name;
        } else if (type == "AVI" || type == "MPG") {
            EXPECT_GE(f.target, 20000000u) << f.name;
            EXPECT_LE(f.target, 80000000u) << f.name;
        } else if (type == "MOV" || type == "MP4") {
            // Long takes too, up to a tenth of the card.
            EXPECT_GE(f.target, 20000000u) << f.name;
            EXPECT_LE(f.target, 200000000u) << f.name;
        } else if (f.kind == BenchKind::JpgMpf) {
            EXPECT_GE(f.target, 6000000u) << f.name;
            EXPECT_LE(f.target, 12000000u) << f.name;
        }
    }

    // About one file in ten deleted; the print order stays; each clip has its
    // thumbnail next to it, deleted with it.
    EXPECT_EQ(plan.front().name, "AUTPRINT.MRK");
    EXPECT_FALSE(plan.front().deleted);
    EXPECT_GT(deleted, plan.size() / 20);
    EXPECT_LT(deleted, plan.size() / 6);
    for (size_t i = 0; i < plan.size(); ++i) {
        if (plan[i].kind != BenchKind::Mov && plan[i].kind != BenchKind::Avi) continue;
        ASSERT_LT(i + 1, plan.size());
        EXPECT_EQ(plan[i + 1].kind, BenchKind::Thm);
        EXPECT_EQ(plan[i + 1].folder, plan[i].folder);
        EXPECT_EQ(plan[i + 1].name.substr(0, 9), plan[i].name.substr(0, 9));
        EXPECT_EQ(plan[i + 1].deleted, plan[i].deleted);
    }

    // The same plan every time.
    const std::vector<BenchFile> again = media::PlanBenchCard(data);
    ASSERT_EQ(again.size(), plan.size());
    for (size_t i = 0; i < plan.size(); ++i) {
        EXPECT_EQ(again[i].name, plan[i].name);
        EXPECT_EQ(again[i].target, plan[i].target);
        EXPECT_EQ(again[i].seed, plan[i].seed);
        EXPECT_EQ(again[i].deleted, plan[i].deleted);
    }
}

TEST(BenchCardPlan, SmallCardStillHoldsEveryTypeWithinNineTenths) {
    const uint64_t data = uint64_t{30} << 20;
    const std::vector<BenchFile> plan = media::PlanBenchCard(data);
    std::set<std::string> types;
    uint64_t total = 0;
    for (const BenchFile& f : plan) {
        types.insert(media::BenchKindType(f.kind));
        total += f.target;
        const bool movie = f.kind == BenchKind::Mov || f.kind == BenchKind::Mp4;
        EXPECT_LE(f.target, std::max<uint64_t>(movie ? data / 10 : data / 20, 64000)) << f.name;
    }
    for (const std::string& t : kAllTypes) EXPECT_EQ(types.count(t), 1u) << t;
    EXPECT_LE(total, data / 10 * 9);
    EXPECT_GE(total, data / 10 * 8);
}

TEST(BenchCardFalseStarts, EverySignatureAtASectorStartIsFoundAndScrubbedThere) {
    struct Sig {
        std::string bytes;
        size_t at;  // where in the sector the signature lies
    };
    const std::vector<Sig> sigs = {{"\xFF\xD8\xFF\xE1", 0},
                                   {"\xFF\xD8\xFF\xDB", 0},
                                   {"\xFF\xFB\x90", 0},
                                   {std::string("\x00\x00\x01\xBA", 4), 0},
                                   {std::string("\x00\x00\x01\xB3", 4), 0},
                                   {std::string("\x00MRM", 4), 0},
                                   {"\x89PNG", 0},
                                   {"BM", 0},
                                   {"ID3", 0},
                                   {"GIF8", 0},
                                   {"RIFF", 0},
                                   {"MThd", 0},
                                   {std::string("II*\0", 4), 0},
                                   {"IIRO", 0},
                                   {std::string("MM\0*", 4), 0},
                                   {std::string("II\x1a\0\0\0HEAPCCDR", 14), 0},
                                   {"ftyp", 4},
                                   {"moov", 4},
                                   {"mdat", 4},
                                   {"wide", 4},
                                   {"skip", 4},
                                   {"pnot", 4}};
    for (const Sig& s : sigs) {
        Bytes b(4096, 'a');
        std::copy(s.bytes.begin(), s.bytes.end(), b.begin() + 1024 + static_cast<long>(s.at));
        // The same bytes off a sector start are no false start.
        std::copy(s.bytes.begin(), s.bytes.end(), b.begin() + 2600);
        EXPECT_TRUE(media::LooksLikeFileStart(b, 1024)) << s.bytes;
        EXPECT_EQ(media::CountFalseStarts(b, 1, b.size()), 1u) << s.bytes;
        EXPECT_EQ(media::CountFalseStarts(b, 1025, b.size()), 0u) << s.bytes;
        const Bytes before = b;
        media::ScrubFalseStarts(b, 0, b.size());
        EXPECT_EQ(media::CountFalseStarts(b, 0, b.size()), 0u) << s.bytes;
        size_t changed = 0;
        for (size_t i = 0; i < b.size(); ++i) {
            if (b[i] != before[i]) {
                ++changed;
                EXPECT_TRUE(i == 1024 || i == 1028) << s.bytes << " changed at " << i;
            }
        }
        EXPECT_GE(changed, 1u) << s.bytes;
    }
    // MPEG start codes other than the pack and sequence headers start no file.
    Bytes end(1024, 'a');
    end[512] = 0, end[513] = 0, end[514] = 1, end[515] = 0xB7;
    EXPECT_EQ(media::CountFalseStarts(end, 1, end.size()), 0u);
}

TEST(BenchCardFiles, EachKindIsValidNearItsTargetAndPlantsNoFalseStart) {
    media::CBenchJpegPool pool(6, 300000, 700000);
    const BenchKind kinds[] = {BenchKind::Jpg,  BenchKind::Nef, BenchKind::Cr2, BenchKind::Orf,
                               BenchKind::Sr2,  BenchKind::Srf, BenchKind::Crw, BenchKind::Mrw,
                               BenchKind::Tif,  BenchKind::Mov, BenchKind::Mp4, BenchKind::Avi,
                               BenchKind::Mpg,  BenchKind::Mp3, BenchKind::Wav, BenchKind::Mid,
                               BenchKind::Png,  BenchKind::Bmp, BenchKind::Gif, BenchKind::Data,
                               BenchKind::Text, BenchKind::Zip};
    for (const BenchKind kind : kinds) {
        BenchFile f;
        f.kind = kind;
        f.name = "FILE.BIN";
        f.target = kind == BenchKind::Mid ? 20000 : 600000;
        f.seed = 7;
        const Bytes b = media::MakeBenchFile(f, pool);
        const std::string type = media::BenchKindType(kind);
        const std::string what = type.empty() ? "other kind " + std::to_string(int(kind)) : type;
        EXPECT_EQ(media::LooksLikeFileStart(b, 0), !type.empty()) << what;
        if (kind == BenchKind::Jpg) {
            EXPECT_GE(b.size(), 250000u);
            EXPECT_LE(b.size(), 800000u);
        } else {
            EXPECT_GE(static_cast<double>(b.size()), 0.8 * static_cast<double>(f.target)) << what;
            EXPECT_LE(static_cast<double>(b.size()), 1.2 * static_cast<double>(f.target)) << what;
        }
        // MPEG audio frames and program stream packs repeat at sector starts
        // in any such file; nothing else may.
        if (kind != BenchKind::Mp3 && kind != BenchKind::Mpg) {
            EXPECT_EQ(media::CountFalseStarts(b, 1, b.size()), 0u) << what;
        }
        EXPECT_EQ(media::MakeBenchFile(f, pool), b) << what << " not the same twice";

        if (kind == BenchKind::Mov || kind == BenchKind::Mp4) {
            // The padded "mdat" and the atoms around it still cover the file.
            size_t at = 0, mdat = 0;
            while (at + 8 <= b.size()) {
                const uint32_t size = Be32(b, at);
                ASSERT_GE(size, 8u) << what;
                if (std::string(b.begin() + long(at) + 4, b.begin() + long(at) + 8) == "mdat")
                    mdat = size;
                at += size;
            }
            EXPECT_EQ(at, b.size()) << what;
            EXPECT_GT(mdat, f.target / 2) << what;
        }
        if (kind == BenchKind::Zip) {
            // End of central directory last; each member's CRC is its data's.
            ASSERT_EQ(Le(b, b.size() - 22, 4), 0x06054B50u);
            const uint32_t members = Le(b, b.size() - 12, 2);
            EXPECT_GE(members, 1u);
            size_t at = 0;
            for (uint32_t m = 0; m < members; ++m) {
                ASSERT_EQ(Le(b, at, 4), 0x04034B50u);
                const uint32_t size = Le(b, at + 18, 4), nameLength = Le(b, at + 26, 2);
                const size_t data = at + 30 + nameLength;
                EXPECT_EQ(Le(b, at + 14, 4), Crc(&b[data], size)) << "member " << m;
                at = data + size;
            }
            EXPECT_EQ(at, Le(b, b.size() - 6, 4));  // the central directory follows
        }
    }

    // A movie's thumbnail: a small JPEG without a thumbnail of its own.
    BenchFile thm;
    thm.kind = BenchKind::Thm;
    thm.seed = 3;
    const Bytes t = media::MakeBenchFile(thm, pool);
    EXPECT_LT(t.size(), 30000u);
    EXPECT_EQ(t[0], 0xFF);
    EXPECT_EQ(t[3], 0xE1);
    EXPECT_EQ(t[t.size() - 2], 0xFF);
    EXPECT_EQ(t[t.size() - 1], 0xD9);
}

TEST(BenchCardFiles, PicturesOfOneTemplateDifferOnlyInTheirDates) {
    media::CBenchJpegPool pool(6, 300000, 700000);
    // Seeds 1 and 7 are the same camera (seed % 6), so the same template.
    const Bytes a = pool.Picture(1, 500000), b = pool.Picture(7, 500000);
    ASSERT_EQ(a.size(), b.size());
    std::vector<size_t> differ;
    for (size_t i = 0; i < a.size(); ++i)
        if (a[i] != b[i]) differ.push_back(i);
    ASSERT_FALSE(differ.empty());
    EXPECT_LT(differ.back(), 0x10000u);  // in the Exif block
    const std::string text(a.begin(), a.begin() + 0x10000);
    EXPECT_NE(text.find("2023:"), std::string::npos);
    // The edited pictures (JFIF, camera 5) differ in their density.
    const Bytes c = pool.Picture(5, 500000), d = pool.Picture(11, 500000);
    EXPECT_EQ(std::string(c.begin() + 6, c.begin() + 10), "JFIF");
    EXPECT_NE(c, d);
    EXPECT_TRUE(std::equal(c.begin() + 18, c.end(), d.begin() + 18));
}

TEST(BenchCard, ManifestLocatesEveryFileAndTheFileSystemListsTheKeptOnes) {
    for (const char* tool : {"mkfs.vfat", "mmd", "mcopy", "mdel"}) {
        if (media::CFatTools::FindTool(tool).empty())
            GTEST_SKIP() << tool << " is not installed (dosfstools, mtools)";
    }
    TempDir dir;
    const std::string image = dir / "bench.img";
    media::BenchCardOptions options;
    options.bytes = media::kBenchCardMinBytes;
    const media::SampleCard card = media::BuildBenchCard(image, options);
    const Bytes bytes = ReadFile(image);
    ASSERT_EQ(bytes.size(), options.bytes);
    const nlohmann::json manifest = nlohmann::json::parse(std::ifstream(image + ".json"));

    // The MBR's one partition, of the file system's type.
    EXPECT_EQ(bytes[510], 0x55);
    EXPECT_EQ(bytes[511], 0xAA);
    EXPECT_EQ(bytes[446 + 4], card.fatBits == 32 ? 0x0C : card.fatBits == 16 ? 0x06 : 0x01);
    EXPECT_EQ(Le(bytes, 446 + 8, 4), card.partitionStart);

    // Every file's bytes where the manifest says; the totals per type add up.
    std::map<std::string, uint64_t> files, sizes, deleted;
    uint64_t total = 0;
    for (const auto& f : manifest["files"]) {
        Bytes data;
        for (const auto& e : f["extents"]) {
            const uint64_t at = e["offset"], n = e["length"];
            ASSERT_LE(at + n, bytes.size());
            data.insert(data.end(), bytes.begin() + long(at), bytes.begin() + long(at + n));
        }
        const std::string path = f["path"];
        EXPECT_EQ(data.size(), f["length"].get<uint64_t>()) << path;
        EXPECT_EQ(Crc(data.data(), data.size()), f["crc32"].get<uint32_t>()) << path;
        const std::string type = f["type"].get<std::string>().empty() ? "other" : f["type"];
        ++files[type];
        sizes[type] += data.size();
        deleted[type] += f["deleted"].get<bool>() ? 1u : 0u;
        total += data.size();
        if (!f["type"].get<std::string>().empty()) {
            EXPECT_TRUE(media::LooksLikeFileStart(data, 0)) << path;
        }
    }
    for (const std::string& t : kAllTypes) EXPECT_GE(files[t], 1u) << t;
    for (const auto& [type, t] : manifest["types"].items()) {
        EXPECT_EQ(t["files"].get<uint64_t>(), files[type]) << type;
        EXPECT_EQ(t["bytes"].get<uint64_t>(), sizes[type]) << type;
        EXPECT_EQ(t["deleted"].get<uint64_t>(), deleted[type]) << type;
    }
    EXPECT_EQ(manifest["totals"]["bytes"].get<uint64_t>(), total);
    EXPECT_GT(total, options.bytes / 100 * 75);
    EXPECT_LT(total, options.bytes / 100 * 92);

    // The file system lists exactly the files that were not deleted.
    std::set<std::string> listed, kept;
    const media::CFatReader fat(image, uint64_t{card.partitionStart} * 512);
    for (const auto& e : fat.List())
        if (!e.directory) listed.insert(e.path);
    for (const auto& f : card.files)
        if (!f.deleted) kept.insert(f.path);
    EXPECT_EQ(listed, kept);
    EXPECT_LT(kept.size(), card.files.size());
}

TEST(BenchCard, RefusesSizesItCannotLayOut) {
    TempDir dir;
    media::BenchCardOptions options;
    options.bytes = media::kBenchCardMinBytes + 100;
    EXPECT_THROW(media::BuildBenchCard(dir / "odd.img", options), std::invalid_argument);
    options.bytes = media::kBenchCardMinBytes - 512;
    EXPECT_THROW(media::BuildBenchCard(dir / "small.img", options), std::invalid_argument);
}

}  // namespace
}  // namespace tvn

namespace tvn {
namespace {

// The media the exact-length measurements need: a large camera JPEG with its
// previews after it (none at a sector start), an MPEG stream whose sequence
// header lies at an odd distance, an MP3 that ends with an ID3v1 tag.
TEST(BenchCardFiles, PreviewsOddStreamsAndTags) {
    media::CBenchJpegPool pool(6, 300000, 700000);
    BenchFile f;
    f.kind = BenchKind::JpgMpf;
    f.name = "DSC_0001.JPG";
    f.target = 2000000;
    f.seed = 6;
    const Bytes jpg = media::MakeBenchFile(f, pool);
    EXPECT_EQ(media::BenchKindType(f.kind), "JPG");
    const std::string_view text(reinterpret_cast<const char*>(jpg.data()), 0x10000);
    EXPECT_NE(text.find(std::string_view("MPF\0", 4)), std::string_view::npos);
    EXPECT_EQ(media::CountFalseStarts(jpg, 1, jpg.size()), 0u);
    size_t images = 0;
    for (size_t i = 0; i + 4 <= jpg.size(); ++i) {
        images += jpg[i] == 0xFF && jpg[i + 1] == 0xD8 && jpg[i + 2] == 0xFF && jpg[i + 3] == 0xDB;
    }
    EXPECT_EQ(images, 3u);  // the Exif thumbnail and the two previews

    f.kind = BenchKind::Mpg;
    f.target = 600000;
    f.seed = 8;
    const Bytes mpg = media::MakeBenchFile(f, pool);
    size_t sequence = 0;
    while (sequence + 4 <= mpg.size() &&
           !(mpg[sequence] == 0 && mpg[sequence + 1] == 0 && mpg[sequence + 2] == 1 &&
             mpg[sequence + 3] == 0xB3)) {
        ++sequence;
    }
    EXPECT_EQ(sequence % 2, 1u);
    EXPECT_LT(sequence, 8192u);

    f.kind = BenchKind::Mp3;
    const Bytes mp3 = media::MakeBenchFile(f, pool);
    ASSERT_GT(mp3.size(), 128u);
    EXPECT_EQ(std::string(mp3.end() - 128, mp3.end() - 125), "TAG");
}

}  // namespace
}  // namespace tvn
