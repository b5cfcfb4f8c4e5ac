#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <set>

#include "app/job_control.h"
#include "catalog/directory_tree.h"
#include "scan/scan_job.h"
#include "tests/support/test_support.h"
#include "tools/media/av_writers.h"
#include "tools/media/samples.h"

namespace tvn {
namespace {

const std::vector<FileType> kAvTypes = {FileType::BMP, FileType::PNG, FileType::GIF, FileType::MP3,
                                        FileType::MID, FileType::WAV, FileType::MP4, FileType::MPG,
                                        FileType::MOV, FileType::AVI};

std::vector<media::SampleFile> Samples() {
    std::vector<media::SampleFile> samples;
    media::AppendAvSamples(samples);
    return samples;
}

TEST(AvSamples, EveryTypeWithCameraNames) {
    const auto samples = Samples();
    std::set<std::string> types, names;
    for (const auto& s : samples) {
        types.insert(s.type);
        EXPECT_TRUE(names.insert(s.name).second) << s.name;
        EXPECT_GT(s.data.size(), 1024u) << s.name;
        EXPECT_LE(s.data.size(), 2u << 20) << s.name;
        EXPECT_EQ(s.name.substr(s.name.size() - 4), "." + s.type) << s.name;
    }
    EXPECT_EQ(types.size(), kAvTypes.size());
    // The same call gives the same bytes.
    EXPECT_EQ(Samples()[5].data, samples[5].data);
}

// Each sample alone on a medium is found once, as its own type, with the
// length its type's rule gives it; nothing inside it looks like another file.
TEST(AvSamples, EachIsFoundOnceAsItsOwnType) {
    for (const auto& s : Samples()) {
        test::TempDir dir;
        const std::string path = dir / "card.img";
        constexpr uint64_t kAt = 64 * 512;
        {
            media::ImageFile img(path, kAt + s.data.size() + 64 * 1024);
            img.Write(kAt, s.data);
        }
        CDiskSource src(path);
        CDirectoryTree tree;
        CTypeCounters counters;
        CJobControl control;
        control.Reset();
        test::RecordingReporter rep;
        CScanJob job(src, tree, counters, control, rep);
        ASSERT_TRUE(job.SetTypes(kAvTypes));
        job.Run();

        std::map<std::string, std::vector<const CFileNode*>> found;
        for (CFolderNode* f = tree.GetFirstFolder(); f != nullptr; f = f->GetNextFolder()) {
            for (CDirectoryNode* n = f->GetFirstChild(); n != nullptr; n = n->GetNext()) {
                found[f->GetName()].push_back(static_cast<const CFileNode*>(n));
            }
        }
        // A MOV with an ftyp atom ("qt  ") is listed once, as a MOV.
        const std::set<std::string> expectedTypes = {s.type};
        std::set<std::string> foundTypes;
        for (const auto& [type, files] : found) foundTypes.insert(type);
        EXPECT_EQ(foundTypes, expectedTypes) << s.name;
        if (found[s.type].size() != 1) {
            ADD_FAILURE() << s.name << " found " << found[s.type].size() << " times";
            continue;
        }
        const CFileNode& file = *found[s.type].front();
        EXPECT_EQ(file.GetStartSector(), kAt / 512) << s.name;
        const ULONGLONG size = s.data.size();
        const std::string& t = s.type;
        if (t == "BMP" || t == "PNG" || t == "WAV" || t == "AVI") {
            EXPECT_EQ(file.GetSize(), size) << s.name;
        } else if (t == "MP3") {
            EXPECT_EQ(file.GetSize(), size / 512 * 512) << s.name;
        } else if (t == "MPG") {
            // Up to the 512-byte step before the sequence end code.
            EXPECT_LT(file.GetSize(), size) << s.name;
            EXPECT_GE(file.GetSize() + 1024, size) << s.name;
        } else {
            EXPECT_GE(file.GetSize(), size) << s.name;  // up to the next file of the kind
        }
    }
}

// Where a decoder is at hand, it reads the samples without complaint.
TEST(AvSamples, DecodersReadThem) {
    const bool pil = test::RunCommand("/usr/bin/python3 -c 'import PIL' >/dev/null 2>&1") == 0;
    const bool ffmpeg = test::RunCommand("ffmpeg -version >/dev/null 2>&1") == 0;
    if (!pil && !ffmpeg) GTEST_SKIP() << "neither python3 with PIL nor ffmpeg is installed";
    test::TempDir dir;
    int checked = 0;
    for (const auto& s : Samples()) {
        const std::string path = dir / s.name;
        test::WriteFile(path, s.data);
        const bool image = s.type == "BMP" || s.type == "PNG" || s.type == "GIF";
        std::string out;
        if (image && pil) {
            EXPECT_EQ(test::RunCommand("/usr/bin/python3 -c 'import sys; from PIL import Image; "
                                       "im = Image.open(sys.argv[1]); im.load()' '" +
                                           path + "' 2>&1",
                                       &out),
                      0)
                << s.name << ": " << out;
            ++checked;
        } else if (!image && s.type != "MID" && ffmpeg) {
            EXPECT_EQ(
                test::RunCommand("ffmpeg -nostdin -v error -i '" + path + "' -f null - 2>&1", &out),
                0)
                << s.name;
            EXPECT_EQ(out, "") << s.name;
            ++checked;
        }
    }
    EXPECT_GT(checked, 0);
}

}  // namespace
}  // namespace tvn
