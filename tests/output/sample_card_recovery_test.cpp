// End to end on the built-in sample card: every file the card holds in one
// piece is found at its first sector as its own type, and saving everything
// gives back each file: whole where repair measures the real end, otherwise
// with the original as its prefix.
#include <gtest/gtest.h>

#include <map>
#include <set>

#include "app/session.h"
#include "output/save_job.h"
#include "scan/scan_job.h"
#include "tests/support/test_support.h"
#include "tools/media/sample_card.h"

namespace tvn {
namespace {

struct Recovered {
    CSession session;
    test::RecordingReporter reporter;
    media::SampleCard card;
    // (type, start sector) -> node
    std::map<std::pair<std::string, ULONGLONG>, CFileNode*> found;
};

void ScanCard(Recovered& r, const std::string& image, bool quickFormat) {
    media::SampleCardOptions options;
    options.quickFormat = quickFormat;
    r.card = media::BuildSampleCard(image, options);
    ASSERT_TRUE(r.session.OpenCurrentSource(image, r.reporter, kDisconnectedRestart));
    CScanJob job(*r.session.diskSource, r.session.tree, r.session.counters, r.session.job,
                 r.reporter);
    std::vector<FileType> all;
    for (const auto& f : kTypes) all.push_back(f.type);
    ASSERT_TRUE(job.SetTypes(all));
    r.session.job.Reset();
    job.Run();
    for (CFolderNode* f = r.session.tree.GetFirstFolder(); f; f = f->GetNextFolder())
        for (CFileNode* n = f->GetFirstChild(); n; n = n->GetNextFile())
            r.found[{f->GetName(), n->GetStartSector()}] = n;
}

TEST(SampleCard, EveryContiguousFileIsFoundAsItsType) {
    for (const bool quick : {false, true}) {
        test::TempDir dir;
        Recovered r;
        ScanCard(r, dir / "card.img", quick);
        std::set<std::string> types;
        size_t placed = 0;
        for (const auto& f : r.card.files) {
            if (f.type.empty()) continue;
            ++placed;
            types.insert(f.type);
            EXPECT_TRUE(r.found.count({f.type, f.Sector()}))
                << f.type << " " << f.path << " at sector " << f.Sector()
                << (quick ? " (quick-formatted card)" : "");
        }
        EXPECT_EQ(types.size(), kClassicTypeCount);  // the sample card holds the nineteen
        EXPECT_GE(placed, 30u);
    }
}

TEST(SampleCard, SavedFilesGiveBackTheOriginals) {
    test::TempDir dir;
    Recovered r;
    ScanCard(r, dir / "card.img", false);
    for (auto& [key, node] : r.found) node->SetChecked(true);
    const std::string out = dir / "out";
    ASSERT_EQ(::mkdir(out.c_str(), 0755), 0);
    r.session.destination = out;
    r.session.jobName = "Tarvolin 14.05.09";
    r.session.compress = false;
    r.session.job.Reset();
    CSaveJob save(r.session, r.reporter);
    const JobOutcome outcome = save.Run();
    ASSERT_EQ(outcome.result, JobResult::Completed) << outcome.message;
    EXPECT_EQ(outcome.failed, 0u);

    const auto image = test::ReadFile(dir / "card.img");
    size_t whole = 0, prefixed = 0;
    for (const auto& f : r.card.files) {
        if (f.type.empty() || !f.contiguous) continue;
        const auto it = r.found.find({f.type, f.Sector()});
        ASSERT_NE(it, r.found.end()) << f.path;
        const std::string saved = out + "/Tarvolin 14.05.09/" + f.type + "/" + it->second->GetName();
        const auto bytes = test::ReadFile(saved);
        const std::vector<uint8_t> original(image.begin() + static_cast<long>(f.offset),
                                            image.begin() + static_cast<long>(f.offset + f.length));
        const TypeFacts* facts = FindFolderType(f.type);
        ASSERT_NE(facts, nullptr);
        // Repair measures the real end of these layouts; the SRF rule adds
        // two file ends together and stops at the carved size instead. The
        // atom rules measure from the last atom's type field, four bytes past
        // its start, so movies keep four bytes of what follows them.
        if (f.type == "MOV" || f.type == "MP4") {
            ASSERT_EQ(bytes.size(), original.size() + 4) << saved;
            EXPECT_TRUE(std::equal(original.begin(), original.end(), bytes.begin())) << saved;
            ++whole;
        } else if (facts->repaired && f.type != "SRF") {
            EXPECT_EQ(bytes, original) << saved << " (" << f.path << ")";
            ++whole;
        } else {
            ASSERT_GE(bytes.size(), original.size()) << saved;
            EXPECT_TRUE(std::equal(original.begin(), original.end(), bytes.begin()))
                << saved << " (" << f.path << ")";
            ++prefixed;
        }
    }
    EXPECT_GT(whole, 8u);
    EXPECT_GT(prefixed, 10u);
}

}  // namespace
}  // namespace tvn
