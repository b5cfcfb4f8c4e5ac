// The types after the classic nineteen (CR3, ARW, RAF, RW2, DNG, PEF, NRW,
// HEIC, MTS, TS, 3GP) on files of the test-media builder: which member of a
// family a file's own bytes name, their walks, and scans that list every
// file once, under its own type, with the new types on and off.
#include <gtest/gtest.h>

#include <map>
#include <set>

#include "app/job_control.h"
#include "catalog/directory_tree.h"
#include "scan/exact/walks.h"
#include "scan/recognizers/family_owner.h"
#include "scan/scan_job.h"
#include "tests/support/test_support.h"
#include "tools/media/av_writers.h"
#include "tools/media/bench_card.h"
#include "tools/media/image.h"
#include "tools/media/modern_writers.h"
#include "tools/media/photo_writers.h"
#include "tools/media/sample_card.h"

namespace tvn {
namespace {

using media::Bytes;

const std::vector<media::SampleFile>& Modern() {
    static const std::vector<media::SampleFile> all = [] {
        std::vector<media::SampleFile> v;
        media::AppendModernSamples(v);
        return v;
    }();
    return all;
}

Bytes Noise(size_t n, uint32_t seed) {
    Bytes b(n);
    uint32_t x = seed * 2654435761U + 1;
    for (auto& v : b) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        v = static_cast<uint8_t>(x >> 24);
    }
    return b;
}

Bytes Concat(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

WalkResult Walk(FileType type, const Bytes& bytes, size_t stretch = 4096) {
    CMemoryByteSource src(bytes, stretch);
    return WalkFile(type, src);
}

Bytes Ftyp(const char* brand) {
    Bytes b{0, 0, 0, 16, 'f', 't', 'y', 'p'};
    b.insert(b.end(), brand, brand + 4);
    b.insert(b.end(), 4, 0);
    return b;
}

TEST(FamilyOwner, IsoMediaByMajorBrandOrFirstAtom) {
    const std::pair<const char*, FileType> brands[] = {
        {"qt  ", FileType::MOV},  {"crx ", FileType::CR3},     {"heic", FileType::HEIC},
        {"heix", FileType::HEIC}, {"mif1", FileType::HEIC},    {"msf1", FileType::HEIC},
        {"3gp4", FileType::ThreeGP}, {"3g2a", FileType::ThreeGP}, {"isom", FileType::MP4},
        {"mp42", FileType::MP4},  {"M4V ", FileType::MP4},     {"qtab", FileType::MP4}};
    for (const auto& [brand, type] : brands) {
        EXPECT_EQ(IsoMediaTypeOf(Ftyp(brand)), type) << brand;
    }
    for (const char* atom : {"moov", "mdat", "wide"}) {
        Bytes b{0, 0, 0, 8};
        b.insert(b.end(), atom, atom + 4);
        EXPECT_EQ(IsoMediaTypeOf(b), FileType::MOV) << atom;
    }
    EXPECT_EQ(IsoMediaTypeOf(Bytes{0, 0, 0, 8, 's', 'k', 'i', 'p'}), std::nullopt);
    EXPECT_EQ(IsoMediaTypeOf(Bytes{0, 0, 0, 8, 'f', 't', 'y', 'p'}), std::nullopt);  // cut short
}

TEST(FamilyOwner, TiffFamilyByItsOwnBytes) {
    media::ModernOptions o;
    EXPECT_EQ(TiffFamilyTypeOf(media::MakeArw(o)), FileType::ARW);
    EXPECT_EQ(TiffFamilyTypeOf(media::MakePef(o)), FileType::PEF);
    EXPECT_EQ(TiffFamilyTypeOf(media::MakeDng(o)), FileType::DNG);
    EXPECT_EQ(TiffFamilyTypeOf(media::MakeNrw(o)), FileType::NRW);
    EXPECT_EQ(TiffFamilyTypeOf(media::MakeRw2(o)), FileType::RW2);
    // The classic members decide their own files.
    media::RawOptions r;
    for (const Bytes& classic : {media::MakeNef(r), media::MakeCr2(r), media::MakeSr2(r),
                                 media::MakeSrf(r), media::MakeOrf(r)}) {
        EXPECT_EQ(TiffFamilyTypeOf(classic), std::nullopt);
    }
    media::TiffOptions plain;
    plain.make = "Scanner Co";
    plain.model = "Flatbed";
    EXPECT_EQ(TiffFamilyTypeOf(media::MakeTiff(plain)), std::nullopt);
    // A Pentax camera's TIFF picture (RGB in IFD0) is no PEF.
    EXPECT_EQ(media::TiffOptions{}.make, "PENTAX Corporation");
    EXPECT_EQ(TiffFamilyTypeOf(media::MakeTiff(media::TiffOptions{})), std::nullopt);
    // IFD0 beyond the bytes at hand: nothing to tell.
    Bytes far = media::MakeDng(o);
    far.resize(12);
    EXPECT_EQ(TiffFamilyTypeOf(far), std::nullopt);
}

TEST(ModernWalks, EverySampleMeasuresToItsOwnLength) {
    const Bytes zeros(70000, 0);
    const Bytes noise = Noise(70000, 7);
    for (const auto& s : Modern()) {
        const FileType type = *FindTypeByName(s.type);
        for (const Bytes* tail : {&zeros, &noise}) {
            for (size_t stretch : {size_t{61}, size_t{4096}, size_t{1} << 20}) {
                const WalkResult r = Walk(type, Concat(s.data, *tail), stretch);
                ASSERT_TRUE(r.measured) << s.name << " stretch " << stretch;
                EXPECT_EQ(r.length, s.data.size()) << s.name << " stretch " << stretch;
                EXPECT_FALSE(r.openEnded) << s.name;
            }
        }
        EXPECT_EQ(Walk(type, s.data).length, s.data.size()) << s.name;
        // Cut short, a file never measures whole. (A transport stream cut
        // at a packet boundary is a shorter stream; cut inside a packet it
        // ends at the last whole one.)
        const Bytes cut(s.data.begin(), s.data.end() - 100);
        const WalkResult r = Walk(type, cut);
        EXPECT_FALSE(r.measured && r.length == s.data.size()) << s.name;
        if (type == FileType::MTS || type == FileType::TS) {
            EXPECT_LT(r.length, cut.size()) << s.name;
        }
    }
}

TEST(ModernWalks, TheCasesThatBreakOtherCarvers) {
    media::ModernOptions o;
    // A CR3 whose mdat carries its size in the 64-bit field.
    const Bytes cr3 = media::MakeCr3(o, true);
    const Bytes mdat{0, 0, 0, 1, 'm', 'd', 'a', 't'};
    EXPECT_NE(std::search(cr3.begin(), cr3.end(), mdat.begin(), mdat.end()), cr3.end());
    EXPECT_EQ(Walk(FileType::CR3, Concat(cr3, media::MakeCr3(o, false))).length, cr3.size());
    // A HEIC whose grid lies in meta's idat box.
    const Bytes heic = media::MakeHeic(o, true);
    const Bytes idat{'i', 'd', 'a', 't'};
    EXPECT_NE(std::search(heic.begin(), heic.end(), idat.begin(), idat.end()), heic.end());
    EXPECT_EQ(Walk(FileType::HEIC, Concat(heic, media::MakeHeic(o, false))).length, heic.size());
    // A HEIC without its meta box is no picture.
    EXPECT_FALSE(Walk(FileType::HEIC, media::Make3gp(10, "heic")).measured);
    // A RAF whose raw data lies before its JPEG: the JPEG is the farthest.
    const Bytes raf = media::MakeRaf(o, true);
    EXPECT_EQ(Walk(FileType::RAF, Concat(raf, Noise(5000, 3))).length, raf.size());
    Bytes badRaf = raf;
    badRaf[84 + 3] ^= 0x10;  // the JPEG's offset no longer points at one
    EXPECT_FALSE(Walk(FileType::RAF, badRaf).measured);
    // An M2TS with a packet lost in the middle: the run goes on past it.
    Bytes mts = media::MakeTransportStream(o, true);
    const size_t middle = mts.size() / 192 / 2 * 192;
    std::fill(mts.begin() + static_cast<long>(middle), mts.begin() + static_cast<long>(middle + 192), 0);
    EXPECT_EQ(Walk(FileType::MTS, Concat(mts, Bytes(4096, 0))).length, mts.size());
    // Two lost in a row is where the run ends.
    std::fill(mts.begin() + static_cast<long>(middle + 192), mts.begin() + static_cast<long>(middle + 384), 0);
    std::fill(mts.begin() + static_cast<long>(middle + 384), mts.begin() + static_cast<long>(middle + 1152), 0x55);
    EXPECT_EQ(Walk(FileType::MTS, mts).length, middle);
    // The 188-byte form is not the 192-byte one.
    EXPECT_FALSE(Walk(FileType::TS, media::MakeTransportStream(o, true)).measured);
}

// Two recordings one straight after the other are two clips, told apart by
// the second's association table with its arrival clock or its continuity
// counter started anew; neither a clock that wraps nor a lost table packet
// splits one clip.
TEST(ModernWalks, BackToBackClipsEndWhereTheNextRecordingBegins) {
    media::ModernOptions o;
    o.dataBytes = 60000;
    for (const bool m2ts : {true, false}) {
        SCOPED_TRACE(m2ts ? "M2TS" : "TS");
        const FileType type = m2ts ? FileType::MTS : FileType::TS;
        size_t first = 0;
        const Bytes two = media::MakeBackToBackClips(o, m2ts, &first);
        ASSERT_EQ(first % 512, 0u);
        EXPECT_EQ(Walk(type, two).length, first);
        const Bytes second(two.begin() + static_cast<long>(first), two.end());
        EXPECT_EQ(Walk(type, Concat(second, Bytes(4096, 0))).length, second.size());
    }
    // Each sign alone ends the first clip: the clock started anew while the
    // second clip's table counter goes on in turn, and the counter started
    // anew while the clock goes on.
    const size_t P = 192;
    size_t first = 0;
    const Bytes pair = media::MakeBackToBackClips(o, true, &first);
    const auto patCounter = [&](const Bytes& b, size_t end) {
        uint8_t cc = 0;
        for (size_t at = 0; at < end; at += P)
            if (b[at + 5] == 0x40 && b[at + 6] == 0) cc = b[at + 7] & 0x0F;
        return cc;
    };
    Bytes clockOnly = pair;
    uint8_t cc = patCounter(pair, first);
    for (size_t at = first; at < clockOnly.size(); at += P)
        if (clockOnly[at + 5] == 0x40 && clockOnly[at + 6] == 0)
            clockOnly[at + 7] = static_cast<uint8_t>(0x10 | (++cc & 0x0F));
    EXPECT_EQ(Walk(FileType::MTS, clockOnly).length, first);
    Bytes counterOnly = pair;
    const auto clockAt = [&](size_t at) {
        return (uint32_t{counterOnly[at]} << 24 | uint32_t{counterOnly[at + 1]} << 16 |
                uint32_t{counterOnly[at + 2]} << 8 | counterOnly[at + 3]);
    };
    uint32_t clock = clockAt(first - P);
    for (size_t at = first; at < counterOnly.size(); at += P) {
        clock += 1500;
        for (size_t k = 0; k < 4; ++k)
            counterOnly[at + k] = static_cast<uint8_t>(clock >> (24 - 8 * k));
    }
    EXPECT_EQ(Walk(FileType::MTS, counterOnly).length, first);
    // One clip whose 30-bit arrival clock wraps in the middle stays whole.
    media::ModernOptions wrap = o;
    wrap.seed = (1u << 30) - 0x1000 - 1500 * 200;
    const Bytes wrapped = media::MakeTransportStream(wrap, true);
    ASSERT_GT(wrapped.size() / P, 250u);
    EXPECT_EQ(Walk(FileType::MTS, Concat(wrapped, Bytes(4096, 0))).length, wrapped.size());
    // A table packet lost in the middle: the next table's counter skips one,
    // and the clip goes on.
    Bytes lost = media::MakeTransportStream(o, true);
    size_t table = 0;
    for (size_t at = P * 150; at < lost.size(); at += P) {
        if (lost[at + 5] == 0x40 && lost[at + 6] == 0) {
            table = at;
            break;
        }
    }
    ASSERT_NE(table, 0u);
    std::fill(lost.begin() + static_cast<long>(table), lost.begin() + static_cast<long>(table + P), 0);
    EXPECT_EQ(Walk(FileType::MTS, Concat(lost, Bytes(4096, 0))).length, lost.size());
}

struct Found {
    std::string type;
    ULONGLONG start, size;
    bool operator<(const Found& o) const { return std::tie(type, start) < std::tie(o.type, o.start); }
};

std::vector<Found> Scan(const std::string& image, const std::vector<FileType>& types, bool exact,
                        bool straightforward = false) {
    CDiskSource src(image);
    CDirectoryTree tree;
    CTypeCounters counters;
    CJobControl control;
    control.Reset();
    test::RecordingReporter rep;
    CScanJob job(src, tree, counters, control, rep);
    job.SetTypes(types);
    job.SetExactLengths(exact);
    job.Context().straightforward = straightforward;
    job.Run();
    std::vector<Found> out;
    for (CFolderNode* f = tree.GetFirstFolder(); f; f = f->GetNextFolder())
        for (CFileNode* n = f->GetFirstChild(); n; n = n->GetNextFile())
            out.push_back({f->GetName(), n->GetStartSector(), n->GetSize()});
    std::sort(out.begin(), out.end());
    return out;
}

std::vector<FileType> AllTypes() {
    std::vector<FileType> all;
    for (const TypeFacts& f : kTypes) all.push_back(f.type);
    return all;
}

std::vector<FileType> ClassicTypes() {
    std::vector<FileType> classic;
    for (const TypeFacts& f : kTypes)
        if (IsClassicType(f.type)) classic.push_back(f.type);
    return classic;
}

// Every new sample on one medium, each at a sector start after a gap.
class ModernScan : public ::testing::Test {
protected:
    void SetUp() override {
        uint64_t at = 64 * 512;
        image = dir / "card.img";
        std::vector<std::pair<uint64_t, const Bytes*>> placed;
        for (const auto& s : Modern()) {
            starts.push_back(at / 512);
            placed.push_back({at, &s.data});
            at = (at + s.data.size() + 3 * 512) / 512 * 512;
        }
        media::ImageFile img(image, at + (1 << 20));
        for (const auto& [offset, bytes] : placed) img.Write(offset, *bytes);
    }
    test::TempDir dir;
    std::string image;
    std::vector<ULONGLONG> starts;
};

TEST_F(ModernScan, EveryFileOnceUnderItsOwnType) {
    for (const bool exact : {true, false}) {
        const std::vector<Found> found = Scan(image, AllTypes(), exact);
        std::multiset<ULONGLONG> sectors;
        for (const Found& f : found) sectors.insert(f.start);
        for (size_t i = 0; i < Modern().size(); ++i) {
            const auto& s = Modern()[i];
            const auto it = std::find_if(found.begin(), found.end(), [&](const Found& f) {
                return f.start == starts[i];
            });
            ASSERT_NE(it, found.end()) << s.name << (exact ? " exact" : " window");
            EXPECT_EQ(it->type, s.type) << s.name;
            EXPECT_EQ(it->size, s.data.size()) << s.name << (exact ? " exact" : " window");
            EXPECT_EQ(sectors.count(starts[i]), 1u) << s.name << " listed more than once";
        }
        // Nothing else: no previews, no packets, no inner atoms.
        EXPECT_EQ(found.size(), Modern().size()) << (exact ? "exact" : "window");
    }
    // The fast scan and the straightforward one agree.
    for (const bool exact : {true, false}) {
        const std::vector<Found> a = Scan(image, AllTypes(), exact);
        const std::vector<Found> b = Scan(image, AllTypes(), exact, true);
        ASSERT_EQ(a.size(), b.size());
        for (size_t i = 0; i < a.size(); ++i) {
            EXPECT_EQ(a[i].type, b[i].type);
            EXPECT_EQ(a[i].start, b[i].start);
            EXPECT_EQ(a[i].size, b[i].size);
        }
    }
}

TEST_F(ModernScan, WithTheNewTypesOffTheClassicMembersKeepTheirFiles) {
    // As before the new types: CR3, HEIC and 3GP files are MP4s, the DNG,
    // the PEF... plain TIFFs (the NRW a NEF), the rest is not found.
    const std::vector<Found> found = Scan(image, ClassicTypes(), true);
    std::map<std::string, std::string> asType;
    for (size_t i = 0; i < Modern().size(); ++i) {
        for (const Found& f : found)
            if (f.start == starts[i]) asType[Modern()[i].name] = f.type;
    }
    EXPECT_EQ(asType["IMG_0001.CR3"], "MP4");
    EXPECT_EQ(asType["IMG_0003.HEIC"], "MP4");
    EXPECT_EQ(asType["VID_0001.3GP"], "MP4");
    EXPECT_EQ(asType["PXL_0001.DNG"], "TIF");
    EXPECT_EQ(asType["IMGP0001.PEF"], "TIF");
    EXPECT_EQ(asType["DSCN0001.NRW"], "NEF");
    EXPECT_EQ(asType.count("DSC00001.ARW"), 0u);
    EXPECT_EQ(asType.count("00000.MTS"), 0u);
}

// A camcorder clip longer than the 100 MiB the classic length rules keep is
// listed whole in both modes.
TEST(ModernScanLongClip, KeptWholeInBothModes) {
    test::TempDir dir;
    media::ModernOptions o;
    o.dataBytes = 110u << 20;
    const Bytes clip = media::MakeTransportStream(o, true);
    ASSERT_GT(clip.size(), kMaxFileLength);
    {
        media::ImageFile img(dir / "clip.img", clip.size() + (2 << 20));
        img.Write(16 * 512, clip);
    }
    for (const bool exact : {false, true}) {
        const std::vector<Found> found = Scan(dir / "clip.img", {FileType::MTS}, exact);
        ASSERT_EQ(found.size(), 1u) << (exact ? "exact" : "window");
        EXPECT_EQ(found[0].start, 16u);
        EXPECT_EQ(found[0].size, clip.size());
    }
}

// Clips written one straight after the other, both packet sizes, are listed
// as the files they are, in both length modes.
TEST(ModernScanBackToBack, EachClipIsAFileOfItsOwn) {
    test::TempDir dir;
    media::ModernOptions o;
    o.dataBytes = 300000;
    size_t mtsFirst = 0, tsFirst = 0;
    const Bytes mts = media::MakeBackToBackClips(o, true, &mtsFirst);
    o.seed = 7;
    const Bytes ts = media::MakeBackToBackClips(o, false, &tsFirst);
    const uint64_t tsAt = (16 * 512 + mts.size() + 8 * 512) / 512 * 512;
    {
        media::ImageFile img(dir / "clips.img", tsAt + ts.size() + (1 << 20));
        img.Write(16 * 512, mts);
        img.Write(tsAt, ts);
    }
    for (const bool exact : {false, true}) {
        SCOPED_TRACE(exact ? "exact" : "window");
        const std::vector<Found> found = Scan(dir / "clips.img", {FileType::MTS, FileType::TS}, exact);
        ASSERT_EQ(found.size(), 4u);
        EXPECT_EQ(found[0].type, "MTS");
        EXPECT_EQ(found[0].start, 16u);
        EXPECT_EQ(found[0].size, mtsFirst);
        EXPECT_EQ(found[1].start, 16u + mtsFirst / 512);
        EXPECT_EQ(found[1].size, mts.size() - mtsFirst);
        EXPECT_EQ(found[2].type, "TS");
        EXPECT_EQ(found[2].start, tsAt / 512);
        EXPECT_EQ(found[2].size, tsFirst);
        EXPECT_EQ(found[3].start, (tsAt + tsFirst) / 512);
        EXPECT_EQ(found[3].size, ts.size() - tsFirst);
    }
}

// The sample card: the MOV that opens with an ftyp atom of brand "qt  " is
// one file, a MOV; and the nineteen types' catalogue is the same whether the
// new types are asked too or not.
TEST(ModernScanSampleCard, OneEntryPerStartAndTheClassicCatalogueUnchanged) {
    test::TempDir dir;
    const media::SampleCard card = media::BuildSampleCard(dir / "card.img");
    for (const bool exact : {false, true}) {
        const std::vector<Found> classic = Scan(dir / "card.img", ClassicTypes(), exact);
        const std::vector<Found> all = Scan(dir / "card.img", AllTypes(), exact);
        ASSERT_EQ(classic.size(), all.size());
        for (size_t i = 0; i < all.size(); ++i) {
            EXPECT_EQ(classic[i].type, all[i].type);
            EXPECT_EQ(classic[i].start, all[i].start);
            EXPECT_EQ(classic[i].size, all[i].size);
        }
        std::multiset<ULONGLONG> sectors;
        for (const Found& f : all) sectors.insert(f.start);
        for (const auto& f : card.files) {
            if (f.type != "MOV" && f.type != "MP4") continue;
            EXPECT_EQ(sectors.count(f.Sector()), 1u) << f.path << " at sector " << f.Sector();
            const auto it = std::find_if(all.begin(), all.end(),
                                         [&](const Found& x) { return x.start == f.Sector(); });
            ASSERT_NE(it, all.end()) << f.path;
            EXPECT_EQ(it->type, f.type) << f.path;
        }
    }
}

// Without the MOV recognizer in the list, a QuickTime movie with an ftyp
// atom is still found, as an MP4; without MP4, as a MOV.
TEST(ModernScanSampleCard, AMovieIsFoundByWhicheverMemberIsListed) {
    test::TempDir dir;
    const Bytes mov = media::MakeMov(30000, false);
    ASSERT_EQ(IsoMediaTypeOf(mov), FileType::MOV);
    media::ImageFile img(dir / "m.img", 2 << 20);
    img.Write(8 * 512, mov);
    const auto one = [&](std::vector<FileType> types) {
        const std::vector<Found> f = Scan(dir / "m.img", types, true);
        return f.size() == 1 ? f[0].type : std::to_string(f.size()) + " files";
    };
    EXPECT_EQ(one({FileType::MP4, FileType::MOV}), "MOV");
    EXPECT_EQ(one({FileType::MP4}), "MP4");
    EXPECT_EQ(one({FileType::MOV}), "MOV");
}

// The bench card's files of the newer types: of about the size planned, no
// sector start inside them looks like a file, each measures to its own
// length; and they are planned only when asked for.
TEST(ModernBenchCard, FilesOfTheNewerKinds) {
    using media::BenchKind;
    media::CBenchJpegPool pool(6, 300000, 700000);
    for (const BenchKind kind : {BenchKind::Cr3, BenchKind::Arw, BenchKind::Raf, BenchKind::Rw2,
                                 BenchKind::Dng, BenchKind::Pef, BenchKind::Nrw, BenchKind::Heic,
                                 BenchKind::Mts, BenchKind::Ts, BenchKind::ThreeGp}) {
        media::BenchFile f;
        f.kind = kind;
        f.name = "FILE.BIN";
        f.target = 600000;
        f.seed = 7;
        const Bytes b = media::MakeBenchFile(f, pool);
        const std::string type = media::BenchKindType(kind);
        EXPECT_GE(static_cast<double>(b.size()), 0.8 * static_cast<double>(f.target)) << type;
        EXPECT_LE(static_cast<double>(b.size()), 1.2 * static_cast<double>(f.target)) << type;
        EXPECT_EQ(media::CountFalseStarts(b, 1, b.size()), 0u) << type;
        const WalkResult r = Walk(*FindTypeByName(type), Concat(b, Noise(3000, 1)));
        EXPECT_TRUE(r.measured) << type;
        EXPECT_EQ(r.length, b.size()) << type;
    }
    const uint64_t data = uint64_t{1} << 30;
    std::set<std::string> plain, newer;
    for (const auto& f : media::PlanBenchCard(data)) plain.insert(media::BenchKindType(f.kind));
    for (const auto& f : media::PlanBenchCard(data, true)) newer.insert(media::BenchKindType(f.kind));
    for (const char* t : {"CR3", "ARW", "RAF", "RW2", "DNG", "PEF", "NRW", "HEIC", "MTS", "TS", "3GP"}) {
        EXPECT_EQ(plain.count(t), 0u) << t;
        EXPECT_EQ(newer.count(t), 1u) << t;
    }
}

}  // namespace
}  // namespace tvn
