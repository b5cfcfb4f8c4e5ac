#include "output/save_job.h"

#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <map>
#include <optional>
#include <sstream>

#include "app/session.h"
#include "tests/support/test_support.h"
#include "tools/media/image.h"

namespace tvn {
namespace {

namespace fs = std::filesystem;
using test::ReadFile;
using test::RecordingReporter;
using test::RunCommand;
using test::TempDir;
using test::WriteFile;

const std::string kJob = "Tarvolin 14.05.09";

// A catalogue and a stand-in for extraction: it writes a file whose bytes
// depend on the node, rounds the node's size up by a sector as extraction
// does, and records what it was asked for. Tests of the job's own logic do
// not need a medium.
struct SaveFixture {
    CSession session;
    RecordingReporter reporter;
    std::vector<std::string> extracted;
    std::map<std::string, std::vector<uint8_t>> contents;  // by file name
    std::function<void(CFileNode&)> onExtract;

    SaveFixture() {
        session.jobName = kJob;
        session.job.Reset();
    }

    CFileNode* Add(const std::string& type, unsigned number, ULONGLONG size, bool ticked) {
        CFolderNode* folder = session.tree.FindFolder(type);
        if (!folder) folder = session.tree.InsertFolder(type);
        CFileNode* node = folder->InsertFile("file# " + std::to_string(number) + ".", number * 100,
                                             number * 100 + size / 512, size);
        node->SetChecked(ticked);
        return node;
    }

    std::unique_ptr<CSaveJob> Job(const std::string& dest, bool compress) {
        session.destination = dest;
        session.compress = compress;
        auto job = std::make_unique<CSaveJob>(session, reporter);
        job->SetExtractor([this](const OutputContext&, CFileNode& node, const std::string& dir, IReporter&) {
            extracted.push_back(node.GetName());
            const ULONGLONG size = node.GetSize() - node.GetSize() % 512 + 512;
            node.SetSize(size);
            std::vector<uint8_t> bytes(size);
            for (size_t i = 0; i < bytes.size(); ++i) {
                bytes[i] = static_cast<uint8_t>(node.GetStartSector() + i / 7);
            }
            WriteFile(dir + "/" + node.GetName(), bytes);
            contents[node.GetName()] = bytes;
            if (onExtract) onExtract(node);
            ExtractResult r;
            r.saved = true;
            r.path = dir + "/" + node.GetName();
            return r;
        });
        return job;
    }

    // Writes the extracted contents to ref/ so that archives can be compared.
    std::string Reference(const TempDir& dir, const std::string& name) {
        fs::create_directories(dir / "ref");
        const std::string path = dir / ("ref/" + name);
        WriteFile(path, contents.at(name));
        return path;
    }
};

std::vector<std::string> Listing(const std::string& path) {
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(path, ec)) names.push_back(e.path().filename());
    std::sort(names.begin(), names.end());
    return names;
}

// Entry names of an archive, in archive order, each with "=same" or
// "=differs" when a reference file was given for it (by its base name).
std::vector<std::string> ArchiveEntries(const std::string& zip, const std::string& refDir = "") {
    std::string out;
    const int rc = RunCommand(
        "python3 -c '\n"
        "import sys, zipfile, os\n"
        "for e in zipfile.ZipFile(sys.argv[1]).infolist():\n"
        "    ref = os.path.join(sys.argv[2], os.path.basename(e.filename)) if sys.argv[2] else "
        "\"\"\n"
        "    data = zipfile.ZipFile(sys.argv[1]).read(e)\n"
        "    tag = \"\" if e.is_dir() or not ref else (\"=same\" if open(ref, \"rb\").read() == "
        "data "
        "else \"=differs\")\n"
        "    print(e.filename + tag)\n"
        "' '" +
            zip + "' '" + refDir + "' 2>&1",
        &out);
    std::vector<std::string> lines;
    if (rc != 0) return {"python failed: " + out};
    std::istringstream in(out);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

bool ArchiveTests(const std::string& zip) {
    std::string out;
    return RunCommand("unzip -tq '" + zip + "' >/dev/null 2>&1", &out) == 0;
}

TEST(SaveJob, JobNameFromTheClock) {
    std::tm t{};
    t.tm_hour = 14, t.tm_min = 5, t.tm_sec = 9;
    EXPECT_EQ(FormatJobName(t), "Tarvolin 14.05.09");
    t.tm_hour = 0, t.tm_min = 0, t.tm_sec = 0;
    EXPECT_EQ(FormatJobName(t), "Tarvolin 00.00.00");
    EXPECT_EQ(JobNameNow().size(), kJob.size());
}

TEST(SaveJob, PlainSaveMakesTypeFoldersOfTickedFilesOnly) {
    TempDir dir;
    SaveFixture fx;
    fx.Add("JPG", 1, 1000, true);
    fx.Add("JPG", 2, 3000, true);
    fx.Add("JPG", 3, 2000, false);
    fx.Add("WAV", 4, 5000, true);
    fx.Add("BMP", 5, 7000, false);  // a folder with no ticked file
    EXPECT_EQ(SelectedBytes(fx.session.tree), 9000u);

    auto job = fx.Job(dir.Path() + "/", false);
    const JobOutcome outcome = job->Run();
    ASSERT_EQ(outcome.result, JobResult::Completed) << outcome.message;
    EXPECT_EQ(outcome.done, 3u);
    EXPECT_EQ(outcome.failed, 0u);
    EXPECT_EQ(outcome.message, "Saving operation completed successfully");
    const std::string folder = dir / kJob;
    EXPECT_EQ(job->GetJobFolder(), folder);
    EXPECT_EQ(Listing(dir.Path()), std::vector<std::string>{kJob});
    EXPECT_EQ(Listing(folder), (std::vector<std::string>{"JPG", "WAV"}));
    EXPECT_EQ(Listing(folder + "/JPG"), (std::vector<std::string>{"file# 1.JPG", "file# 2.JPG"}));
    EXPECT_EQ(Listing(folder + "/WAV"), std::vector<std::string>{"file# 4.WAV"});
    EXPECT_EQ(ReadFile(folder + "/JPG/file# 2.JPG"), fx.contents["file# 2.JPG"]);

    // Unticked files are never read.
    std::vector<std::string> asked = fx.extracted;
    std::sort(asked.begin(), asked.end());
    EXPECT_EQ(asked, (std::vector<std::string>{"file# 1.JPG", "file# 2.JPG", "file# 4.WAV"}));

    EXPECT_EQ(fx.session.job.FileCounter().load(), 3u);
    EXPECT_EQ(fx.reporter.counterText, "3");
    EXPECT_EQ(fx.reporter.lastFile, fx.extracted.back());
    EXPECT_EQ(fx.reporter.finished, 1);
    EXPECT_TRUE(fx.reporter.messages.empty());
    // Sizes grow on the way out; the percentage still stops at 100.
    ASSERT_EQ(fx.reporter.progress.size(), 3u);
    EXPECT_TRUE(std::is_sorted(fx.reporter.progress.begin(), fx.reporter.progress.end()));
    EXPECT_EQ(fx.reporter.progress.back(), 100u);

    const auto& results = job->GetResults();
    EXPECT_EQ(results.at("JPG").saved, 2u);
    EXPECT_EQ(results.at("JPG").bytes, 1024u + 3072u);
    EXPECT_EQ(results.at("WAV").saved, 1u);
    EXPECT_EQ(results.count("BMP"), 0u);
}

TEST(SaveJob, PercentageIsGuardedAndCapped) {
    for (const ULONGLONG selected : {ULONGLONG{0}, ULONGLONG{50}, ULONGLONG{1000}}) {
        TempDir dir;
        SaveFixture fx;
        fx.Add("JPG", 1, 1000, true);
        fx.Add("JPG", 2, 1000, true);
        auto job = fx.Job(dir.Path(), false);
        job->SetSelectedBytes(selected);
        ASSERT_NE(job->Run().result, JobResult::Refused);
        ASSERT_EQ(fx.reporter.progress.size(), 2u);
        EXPECT_EQ(fx.reporter.progress.back(), 100u) << selected;
    }
}

TEST(SaveJob, CompressedSaveLeavesOneArchiveAndNoStaging) {
    TempDir dir;
    SaveFixture fx;
    fx.Add("WAV", 4, 5000, true);
    fx.Add("JPG", 1, 1000, true);
    fx.Add("JPG", 2, 3000, true);
    fx.Add("JPG", 3, 3000, false);

    auto job = fx.Job(dir.Path(), true);
    ASSERT_NE(job->Run().result, JobResult::Refused);
    const std::string zip = dir / (kJob + ".zip");
    EXPECT_EQ(job->GetArchives(), std::vector<std::string>{zip});
    EXPECT_EQ(Listing(dir.Path()), std::vector<std::string>{kJob + ".zip"});
    ASSERT_TRUE(ArchiveTests(zip));
    for (const auto& [name, bytes] : fx.contents) fx.Reference(dir, name);
    EXPECT_EQ(ArchiveEntries(zip, dir / "ref"),
              (std::vector<std::string>{kJob + "/JPG/", kJob + "/JPG/file# 2.JPG=same",  //
                                        kJob + "/JPG/", kJob + "/JPG/file# 1.JPG=same",  //
                                        kJob + "/WAV/", kJob + "/WAV/file# 4.WAV=same"}));
    EXPECT_EQ(fx.session.job.FileCounter().load(), 3u);
    EXPECT_EQ(fx.reporter.finished, 1);
    EXPECT_EQ(job->GetResults().at("JPG").saved, 2u);
    EXPECT_EQ(job->GetUnarchivedCount(), 0u);
}

TEST(SaveJob, CompressedSaveSwitchesPartsPastTheLimit) {
    TempDir dir;
    SaveFixture fx;
    for (unsigned n = 6; n >= 1; --n) fx.Add("JPG", n, 1000, true);  // listed 1..6

    auto job = fx.Job(dir.Path(), true);
    job->SetArchiveSizeLimit(2500);  // 6,000 selected: parts from the start
    ASSERT_NE(job->Run().result, JobResult::Refused);
    const std::string base = dir / kJob;
    ASSERT_EQ(
        job->GetArchives(),
        (std::vector<std::string>{base + " part1.zip", base + " part2.zip", base + " part3.zip"}));
    for (const auto& zip : job->GetArchives()) EXPECT_TRUE(ArchiveTests(zip)) << zip;
    // Each file counts 1,024 after extraction. The third file takes part 1 to
    // 3,072 and goes into part 2 without being counted there; the sixth opens
    // part 3. The folder entry of a file precedes its extraction.
    const std::string d = kJob + "/JPG/";
    EXPECT_EQ(ArchiveEntries(base + " part1.zip"),
              (std::vector<std::string>{d, d + "file# 1.JPG", d, d + "file# 2.JPG", d}));
    EXPECT_EQ(ArchiveEntries(base + " part2.zip"),
              (std::vector<std::string>{d + "file# 3.JPG", d, d + "file# 4.JPG", d,
                                        d + "file# 5.JPG", d}));
    EXPECT_EQ(ArchiveEntries(base + " part3.zip"), (std::vector<std::string>{d + "file# 6.JPG"}));
    EXPECT_FALSE(fs::exists(base));
    EXPECT_FALSE(fs::exists(base + ".zip"));

    // Selected data equal to the limit is not above it: the single archive,
    // though extraction's rounding can still push the last file to a part.
    TempDir dir2;
    SaveFixture fx2;
    for (unsigned n = 3; n >= 1; --n) fx2.Add("JPG", n, 1000, true);
    auto job2 = fx2.Job(dir2.Path(), true);
    job2->SetArchiveSizeLimit(3000);
    ASSERT_NE(job2->Run().result, JobResult::Refused);
    EXPECT_EQ(job2->GetArchives(),
              (std::vector<std::string>{dir2 / (kJob + ".zip"), dir2 / (kJob + " part2.zip")}));
}

TEST(SaveJob, FullArchiveGoesOnInTheNextPart) {
    TempDir dir;
    SaveFixture fx;
    for (unsigned n = 3; n >= 1; --n) fx.Add("MP3", n, 4000, true);
    auto job = fx.Job(dir.Path(), true);
    job->SetArchiveEntryLimit(3);
    ASSERT_NE(job->Run().result, JobResult::Refused);
    const std::string d = kJob + "/MP3/";
    ASSERT_EQ(job->GetArchives().size(), 2u);
    EXPECT_EQ(ArchiveEntries(job->GetArchives()[0]),
              (std::vector<std::string>{d, d + "file# 1.MP3", d}));
    EXPECT_EQ(ArchiveEntries(job->GetArchives()[1]),
              (std::vector<std::string>{d + "file# 2.MP3", d, d + "file# 3.MP3"}));
    EXPECT_EQ(job->GetResults().at("MP3").saved, 3u);
    EXPECT_EQ(job->GetUnarchivedCount(), 0u);
}

TEST(SaveJob, StopKeepsWhatWasSavedAndSendsNoFinished) {
    for (const bool compress : {false, true}) {
        SCOPED_TRACE(compress);
        TempDir dir;
        SaveFixture fx;
        for (unsigned n = 5; n >= 1; --n) fx.Add("JPG", n, 2000, true);
        fx.onExtract = [&fx](CFileNode& node) {
            if (node.GetName() == "file# 2.JPG") fx.session.job.Stop();
        };
        auto job = fx.Job(dir.Path(), compress);
        const JobOutcome outcome = job->Run();
        EXPECT_EQ(outcome.result, JobResult::Stopped);
        EXPECT_EQ(outcome.done, 2u);
        EXPECT_TRUE(job->WasStopped());
        EXPECT_EQ(fx.reporter.finished, 0);
        EXPECT_EQ(fx.extracted.size(), 2u);
        EXPECT_EQ(fx.session.job.FileCounter().load(), 2u);
        if (!compress) {
            EXPECT_EQ(Listing(dir / (kJob + "/JPG")),
                      (std::vector<std::string>{"file# 1.JPG", "file# 2.JPG"}));
        } else {
            const std::string zip = dir / (kJob + ".zip");
            EXPECT_EQ(Listing(dir.Path()), std::vector<std::string>{kJob + ".zip"});
            EXPECT_TRUE(ArchiveTests(zip));
            EXPECT_EQ(ArchiveEntries(zip).size(), 4u);
        }
    }
}

TEST(SaveJob, FilesThatCannotBeArchivedAreKept) {
    TempDir dir;
    SaveFixture fx;
    fx.Add("JPG", 1, 1000, true);
    fx.Add("WAV", 2, 1000, true);
    auto job = fx.Job(dir.Path(), true);
    // An archive that takes no entry at all: nothing can be put into it.
    job->SetArchiveEntryLimit(0);
    const JobOutcome outcome = job->Run();
    EXPECT_EQ(outcome.result, JobResult::Failed);
    EXPECT_EQ(outcome.done, 0u);
    EXPECT_EQ(outcome.failed, 2u);
    EXPECT_EQ(outcome.message.find("completed"), std::string::npos);
    EXPECT_NE(outcome.message.find(dir / kJob), std::string::npos) << outcome.message;
    EXPECT_EQ(job->GetUnarchivedCount(), 2u);
    EXPECT_EQ(ReadFile(dir / (kJob + "/JPG/file# 1.JPG")), fx.contents["file# 1.JPG"]);
    EXPECT_EQ(ReadFile(dir / (kJob + "/WAV/file# 2.WAV")), fx.contents["file# 2.WAV"]);
    // Told once, by the front end, from the outcome.
    EXPECT_TRUE(fx.reporter.messages.empty());
    EXPECT_NE(outcome.message.find("2 file(s) not saved"), std::string::npos) << outcome.message;
    EXPECT_EQ(job->GetResults().at("JPG").saved, 0u);
}

// A save cut short at any moment (killed, power lost) leaves no archive
// under a final name without its central directory, and every file that is
// not yet in a whole archive still has its staging copy.
TEST(SaveJob, AnArchiveTakesItsNameWhenWholeAndStagingGoesOnlyThen) {
    TempDir dir;
    SaveFixture fx;
    for (unsigned n = 3; n >= 1; --n) fx.Add("JPG", n, 1000, true);  // listed 1..3
    auto job = fx.Job(dir.Path(), true);
    const std::string zip = dir / (kJob + ".zip");
    int checked = 0;
    fx.onExtract = [&](CFileNode& node) {
        if (node.GetName() != "file# 3.JPG") return;
        // Two files are in the archive being written.
        ++checked;
        EXPECT_FALSE(fs::exists(zip));
        EXPECT_TRUE(fs::exists(zip + ".partial"));
        EXPECT_TRUE(fs::exists(dir / (kJob + "/JPG/file# 1.JPG")));
        EXPECT_TRUE(fs::exists(dir / (kJob + "/JPG/file# 2.JPG")));
    };
    EXPECT_EQ(job->Run().result, JobResult::Completed);
    EXPECT_EQ(checked, 1);
    EXPECT_EQ(Listing(dir.Path()), std::vector<std::string>{kJob + ".zip"});
    EXPECT_TRUE(ArchiveTests(zip));

    // A partial archive left by a save that was killed keeps its name
    // taken: the next save of that clock time goes elsewhere.
    TempDir dir2;
    WriteFile(dir2 / (kJob + ".zip.partial"), {1, 2, 3});
    SaveFixture fx2;
    fx2.Add("JPG", 1, 1000, true);
    auto job2 = fx2.Job(dir2.Path(), true);
    EXPECT_EQ(job2->Run().result, JobResult::Completed);
    EXPECT_EQ(job2->GetArchives(), std::vector<std::string>{dir2 / (kJob + " (2).zip")});
    EXPECT_EQ(ReadFile(dir2 / (kJob + ".zip.partial")), (std::vector<uint8_t>{1, 2, 3}));
}

TEST(SaveJob, CompressedSaveRemovesOnlyWhatItStaged) {
    TempDir dir;
    // An earlier save of the same clock time left a folder of that name.
    const std::string old = dir / kJob;
    fs::create_directories(old + "/JPG");
    WriteFile(old + "/JPG/file# 9.JPG", {1, 2, 3});
    WriteFile(old + "/notes.txt", {4});
    SaveFixture fx;
    fx.Add("JPG", 1, 1000, true);
    fx.Add("WAV", 2, 1000, true);
    auto job = fx.Job(dir.Path(), true);
    ASSERT_NE(job->Run().result, JobResult::Refused);
    EXPECT_EQ(Listing(old), (std::vector<std::string>{"JPG", "notes.txt"}));
    EXPECT_EQ(Listing(old + "/JPG"), std::vector<std::string>{"file# 9.JPG"});
    // The job took a free name: nothing of the earlier output is touched.
    EXPECT_EQ(fx.session.jobName, kJob + " (2)");
    EXPECT_EQ(ArchiveEntries(dir / (kJob + " (2).zip")).size(), 4u);
    EXPECT_FALSE(fs::exists(dir / (kJob + ".zip")));
}

TEST(SaveJob, SameClockTimeTakesAFreeNameAndNeverTouchesEarlierOutput) {
    TempDir dir;
    EXPECT_EQ(FreeJobName(dir.Path(), kJob), kJob);
    // Earlier output of the same name: a folder, a single archive, a part.
    fs::create_directories(dir / (kJob + "/JPG"));
    WriteFile(dir / (kJob + "/JPG/file# 1.JPG"), {9, 9, 9});
    EXPECT_EQ(FreeJobName(dir.Path(), kJob), kJob + " (2)");
    WriteFile(dir / (kJob + " (2).zip"), {1});
    WriteFile(dir / (kJob + " (3) part4.zip"), {2});
    EXPECT_EQ(FreeJobName(dir.Path(), kJob), kJob + " (4)");
    EXPECT_EQ(FreeJobName(dir / "missing", kJob), kJob);

    for (const bool compress : {false, true}) {
        SaveFixture fx;
        fx.Add("JPG", 1, 1000, true);
        auto job = fx.Job(dir.Path(), compress);
        const JobOutcome outcome = job->Run();
        ASSERT_EQ(outcome.result, JobResult::Completed) << outcome.message;
        EXPECT_EQ(outcome.done, 1u);
        // The stale file of the earlier job is neither overwritten nor counted.
        EXPECT_EQ(ReadFile(dir / (kJob + "/JPG/file# 1.JPG")), (std::vector<uint8_t>{9, 9, 9}));
        EXPECT_EQ(ReadFile(dir / (kJob + " (2).zip")), std::vector<uint8_t>{1});
        if (!compress) {
            EXPECT_EQ(job->GetJobFolder(), dir / (kJob + " (4)"));
            EXPECT_EQ(ReadFile(dir / (kJob + " (4)/JPG/file# 1.JPG")), fx.contents["file# 1.JPG"]);
        } else {
            EXPECT_EQ(job->GetArchives(), std::vector<std::string>{dir / (kJob + " (5).zip")});
        }
    }
}

TEST(SaveJob, FilesThatAreNotSavedAreCountedAndNeverReportedAsSuccess) {
    TempDir dir;
    SaveFixture fx;
    fx.Add("JPG", 1, 1000, true);
    fx.Add("JPG", 2, 1000, true);
    fx.Add("MP3", 3, 1000, true);
    auto job = fx.Job(dir.Path(), false);
    // The second file cannot be written (an I/O error of the destination);
    // the MP3 is dropped as too small, which is no failure.
    job->SetExtractor([&fx](const OutputContext&, CFileNode& node, const std::string& dir2, IReporter&) {
        ExtractResult r;
        if (node.GetName() == "file# 2.JPG") {
            r.error = EIO;
        } else if (node.GetName() == "file# 3.MP3") {
            r.dropped = true;
        } else {
            WriteFile(dir2 + "/" + node.GetName(), {1, 2});
            r.saved = true;
            r.unreadableSectors = 3;
        }
        fx.extracted.push_back(node.GetName());
        return r;
    });
    const JobOutcome outcome = job->Run();
    EXPECT_EQ(outcome.result, JobResult::Failed);
    EXPECT_EQ(outcome.done, 1u);
    EXPECT_EQ(outcome.failed, 1u);
    EXPECT_EQ(outcome.message.find("success"), std::string::npos);
    EXPECT_NE(outcome.message.find("1 file(s) saved, 1 file(s) not saved"), std::string::npos)
        << outcome.message;
    EXPECT_NE(outcome.message.find("3 sector(s) of 1 file(s) could not be read"),
              std::string::npos)
        << outcome.message;
    ASSERT_EQ(outcome.errors.size(), 2u);
    EXPECT_EQ(outcome.errors[0], "file# 2.JPG: not saved (Input/output error)");
    EXPECT_NE(outcome.errors[1].find("file# 1.JPG: 3 sector(s)"), std::string::npos);
    EXPECT_EQ(job->GetUnreadableSectors(), 3u);
    EXPECT_EQ(fx.session.job.FileCounter().load(), 3u);
}

TEST(SaveJob, AFullOrReadOnlyDestinationOrALostMediumStopsTheSaveAtOnce) {
    for (const int error : {ENOSPC, EDQUOT, EROFS, ENODEV}) {
        TempDir dir;
        SaveFixture fx;
        for (unsigned n = 4; n >= 1; --n) fx.Add("JPG", n, 1000, true);  // listed 1..4
        auto job = fx.Job(dir.Path(), false);
        job->SetExtractor([&fx, error](const OutputContext&, CFileNode& node, const std::string& dir2, IReporter&) {
            ExtractResult r;
            fx.extracted.push_back(node.GetName());
            if (node.GetName() == "file# 2.JPG") {
                r.error = error;
                r.mediumLost = error == ENODEV;
                return r;
            }
            WriteFile(dir2 + "/" + node.GetName(), {1, 2});
            r.saved = true;
            return r;
        });
        const JobOutcome outcome = job->Run();
        EXPECT_EQ(outcome.result, JobResult::Failed);
        EXPECT_EQ(fx.extracted, (std::vector<std::string>{"file# 1.JPG", "file# 2.JPG"}));
        EXPECT_EQ(outcome.done, 1u);
        EXPECT_EQ(outcome.failed, 3u);
        EXPECT_NE(outcome.message.find("The save stopped: "), std::string::npos) << outcome.message;
        EXPECT_NE(outcome.message.find("1 file(s) saved, 3 file(s) not saved"), std::string::npos)
            << outcome.message;
        EXPECT_NE(outcome.message.find(dir / kJob), std::string::npos) << outcome.message;
        if (error == ENODEV) {
            EXPECT_NE(outcome.message.find("Removable drive is disconnected."), std::string::npos);
        } else {
            EXPECT_NE(outcome.message.find(std::strerror(error)), std::string::npos) << outcome.message;
        }
    }
}

TEST(SaveJob, AFileLeftOutByRuleIsNamedWithTheReason) {
    TempDir dir;
    SaveFixture fx;
    fx.Add("MP3", 1, 1000, true);
    auto job = fx.Job(dir.Path(), false);
    job->SetExtractor([](const OutputContext&, CFileNode&, const std::string&, IReporter&) {
        ExtractResult r;
        r.dropped = true;
        return r;
    });
    const JobOutcome outcome = job->Run();
    EXPECT_EQ(outcome.done, 0u);
    EXPECT_EQ(outcome.message.find("successfully"), std::string::npos) << outcome.message;
    EXPECT_NE(outcome.message.find("1 MP3 file(s) were not saved: shorter than 2 KB"),
              std::string::npos)
        << outcome.message;
}

// The real extraction over a card image: two saves of one session write the
// same bytes and leave the catalogue as it was; a carved file above 50 MB
// that the window rules cut to 1 MB is reported, and the save is no clean
// success.
TEST(SaveJob, TwoSavesWriteTheSameBytesAndACutIsReported) {
    TempDir dir;
    const std::string image = dir / "card.img";
    {
        media::ImageFile img(image, 64 << 20);
        std::vector<uint8_t> pattern(1 << 20);
        for (size_t i = 0; i < pattern.size(); ++i) pattern[i] = static_cast<uint8_t>(i * 11 + i / 509);
        img.Write(0, pattern);
    }
    SaveFixture fx;
    fx.session.selectedDrive = image;
    CFolderNode* jpg = fx.session.tree.InsertFolder("JPG");
    CFileNode* small = jpg->InsertFile("file# 1.", 3, 5, 1000);
    CFileNode* big = jpg->InsertFile("file# 2.", 0, 117'188, 60'000'000);
    small->SetChecked(true);
    big->SetChecked(true);

    const auto save = [&](const std::string& name) {
        fx.session.destination = dir.Path();
        fx.session.jobName = name;
        fx.session.job.Reset();
        CSaveJob job(fx.session, fx.reporter);
        const JobOutcome outcome = job.Run();
        EXPECT_EQ(job.GetCutFiles(), std::vector<std::string>{"file# 2.JPG"});
        return outcome;
    };
    const JobOutcome first = save("one");
    const JobOutcome second = save("two");
    for (const JobOutcome& o : {first, second}) {
        EXPECT_EQ(o.result, JobResult::Completed) << o.message;
        EXPECT_EQ(o.done, 2u);
        EXPECT_EQ(o.message.find("successfully"), std::string::npos) << o.message;
        EXPECT_NE(o.message.find("cut to 1 MB"), std::string::npos) << o.message;
        EXPECT_NE(std::find(o.errors.begin(), o.errors.end(), "file# 2.JPG: cut to 1 MB"),
                  o.errors.end());
    }
    EXPECT_EQ(small->GetSize(), 1000u);
    EXPECT_EQ(big->GetSize(), 60'000'000u);
    EXPECT_EQ(fs::file_size(dir / "one/JPG/file# 1.JPG"), 1024u);
    EXPECT_EQ(fs::file_size(dir / "one/JPG/file# 2.JPG"), 1'048'576u);
    for (const char* name : {"JPG/file# 1.JPG", "JPG/file# 2.JPG"}) {
        EXPECT_EQ(ReadFile(dir / (std::string("one/") + name)),
                  ReadFile(dir / (std::string("two/") + name)))
            << name;
    }

    // Without a cut the same save is a clean success.
    big->SetChecked(false);
    const JobOutcome clean = [&] {
        fx.session.jobName = "three";
        fx.session.job.Reset();
        CSaveJob job(fx.session, fx.reporter);
        return job.Run();
    }();
    EXPECT_EQ(clean.message, "Saving operation completed successfully");
}

TEST(SaveJob, RefusesAMissingDestination) {
    TempDir dir;
    SaveFixture fx;
    fx.Add("JPG", 1, 1000, true);
    auto job = fx.Job(dir / "missing", false);
    const JobOutcome outcome = job->Run();
    EXPECT_EQ(outcome.result, JobResult::Refused);
    // Why, for the front end to show.
    EXPECT_TRUE(fx.reporter.messages.empty());
    EXPECT_NE(outcome.message.find("does not exist"), std::string::npos) << outcome.message;
    EXPECT_TRUE(fx.extracted.empty());
    EXPECT_EQ(fx.reporter.finished, 0);
}

TEST(SaveDestination, ImageSourceRefusesItsOwnPath) {
    TempDir dir;
    const std::string image = dir / "card.img";
    WriteFile(image, std::vector<uint8_t>(4096, 0));
    std::string why;
    EXPECT_TRUE(IsDestinationOnSource(image, image, why));
    EXPECT_NE(why.find("card.img"), std::string::npos);
    EXPECT_TRUE(IsDestinationOnSource(image + "/sub/deeper", image, why));
    EXPECT_TRUE(IsDestinationOnSource(dir / "x/../card.img", image, why));
    EXPECT_FALSE(IsDestinationOnSource(dir.Path(), image, why));
    EXPECT_FALSE(IsDestinationOnSource(dir / "new folder", image, why));
    EXPECT_FALSE(IsDestinationOnSource(dir.Path(), "", why));
    EXPECT_FALSE(IsDestinationOnSource(dir.Path(), dir / "no such image", why));

    for (const bool compress : {false, true}) {
        SaveFixture fx;
        fx.session.selectedDrive = image;
        fx.Add("JPG", 1, 1000, true);
        auto job = fx.Job(image, compress);
        const JobOutcome outcome = job->Run();
        EXPECT_EQ(outcome.result, JobResult::Refused);
        EXPECT_TRUE(fx.reporter.messages.empty());
        EXPECT_NE(outcome.message.find("being recovered"), std::string::npos) << outcome.message;
        EXPECT_TRUE(fx.extracted.empty());
        EXPECT_EQ(Listing(dir.Path()), std::vector<std::string>{"card.img"});
        EXPECT_EQ(ReadFile(image), std::vector<uint8_t>(4096, 0));
    }
}

// A file system on a partition of a loop device over an image, mounted.
class MountedPartition {
public:
    bool Mount(const std::string& image, std::string& why) {
        // One Linux partition from sector 2048 to the end (MBR).
        std::vector<uint8_t> disk(16u << 20, 0);
        const uint32_t start = 2048;
        const auto count = static_cast<uint32_t>(disk.size() / 512 - start);
        uint8_t* e = disk.data() + 446;
        e[4] = 0x83;
        for (int i = 0; i < 4; ++i) {
            e[8 + i] = static_cast<uint8_t>(start >> (8 * i));
            e[12 + i] = static_cast<uint8_t>(count >> (8 * i));
        }
        disk[510] = 0x55, disk[511] = 0xAA;
        WriteFile(image, disk);
        auto loop = test::LoopDevice::Attach(image, 0, why);
        if (!loop) return false;
        m_loop.emplace(std::move(*loop));
        m_partition = m_loop->AddPartitions(1, why);
        if (m_partition.empty()) return false;
        std::string out;
        if (RunCommand("mkfs.ext4 -q '" + m_partition + "' 2>&1", &out) != 0) {
            why = "mkfs.ext4 failed: " + out;
            return false;
        }
        if (::mount(m_partition.c_str(), m_dir.Path().c_str(), "ext4", 0, nullptr) != 0) {
            why = std::string("cannot mount here: ") + std::strerror(errno);
            return false;
        }
        m_mounted = true;
        return true;
    }
    ~MountedPartition() {
        if (m_mounted) ::umount(m_dir.Path().c_str());
    }
    const std::string& MountPoint() const { return m_dir.Path(); }
    const std::string& Disk() const { return m_loop->Path(); }
    const std::string& Partition() const { return m_partition; }

private:
    std::optional<test::LoopDevice> m_loop;
    std::string m_partition;
    TempDir m_dir;  // destroyed (after the unmount) before the loop device
    bool m_mounted = false;
};

TEST(SaveDestination, DeviceSourceRefusesItsMountedPartitions) {
    TempDir dir;
    const std::string image = dir / "disk.img";
    std::string why;
    MountedPartition mounted;
    if (!mounted.Mount(image, why)) GTEST_SKIP() << why;
    const std::string mnt = mounted.MountPoint();

    EXPECT_TRUE(IsDestinationOnSource(mnt, mounted.Disk(), why)) << "whole disk";
    EXPECT_TRUE(IsDestinationOnSource(mnt + "/not yet made", mounted.Disk(), why));
    EXPECT_TRUE(IsDestinationOnSource(mnt, mounted.Partition(), why)) << "partition";
    EXPECT_TRUE(IsDestinationOnSource(mnt, image, why)) << "image behind the loop device";
    EXPECT_FALSE(IsDestinationOnSource(dir.Path(), mounted.Disk(), why));
    EXPECT_FALSE(IsDestinationOnSource(dir.Path(), mounted.Partition(), why));

    const std::vector<std::string> before = Listing(mnt);
    for (const std::string& source : {mounted.Disk(), mounted.Partition(), image}) {
        for (const bool compress : {false, true}) {
            SaveFixture fx;
            fx.session.selectedDrive = source;
            fx.Add("JPG", 1, 1000, true);
            auto job = fx.Job(mnt, compress);
            const JobOutcome outcome = job->Run();
            EXPECT_EQ(outcome.result, JobResult::Refused) << source;
            EXPECT_TRUE(fx.reporter.messages.empty());
            EXPECT_FALSE(outcome.message.empty());
            EXPECT_TRUE(fx.extracted.empty());
            EXPECT_EQ(Listing(mnt), before);
        }
    }
}

}  // namespace
}  // namespace tvn

namespace tvn {
namespace {

// A destination that fills up at the third file: the save stops there and
// names the files it did not save; the part that goes on elsewhere saves
// only those, and its end counts both parts. Plain and into archives (a file
// counts as saved once its archive is whole).
TEST(SaveJob, APartThatGoesOnElsewhereSavesOnlyWhatTheFullOneLeft) {
    for (const bool compress : {false, true}) {
        SCOPED_TRACE(compress ? "compressed" : "plain");
        TempDir first, second;
        SaveFixture fx;
        for (unsigned i = 1; i <= 4; ++i) fx.Add("JPG", i, 1000, true);
        fx.Add("JPG", 5, 1000, false);
        bool full = true;
        const auto extract = [&fx, &full](const OutputContext&, CFileNode& node, const std::string& dir, IReporter&) {
            fx.extracted.push_back(node.GetName());
            ExtractResult result;
            if (full && fx.extracted.size() == 3) {
                result.error = ENOSPC;
                return result;
            }
            WriteFile(dir + "/" + node.GetName(), std::vector<uint8_t>(1024, 7));
            result.saved = true;
            result.path = dir + "/" + node.GetName();
            return result;
        };
        auto job = fx.Job(first.Path(), compress);
        job->SetExtractor(extract);
        const JobOutcome one = job->Run();
        EXPECT_EQ(one.result, JobResult::Failed) << one.message;
        EXPECT_TRUE(job->StoppedByDestination());
        EXPECT_EQ(one.done, 2u);
        ASSERT_EQ(fx.extracted.size(), 3u) << "no file after the full one is read";
        // The file the destination refused and the one never come to, in
        // the catalogue's order.
        std::vector<std::string> leftNames;
        for (const CFileNode* n : job->GetUnsaved()) leftNames.push_back(n->GetName());
        ASSERT_EQ(leftNames.size(), 2u);
        EXPECT_EQ(leftNames[0], fx.extracted[2]);
        EXPECT_NE(leftNames[1], fx.extracted[0]);
        EXPECT_NE(leftNames[1], fx.extracted[1]);
        EXPECT_NE(leftNames[1], fx.extracted[2]);

        fx.extracted.clear();
        full = false;
        fx.session.jobName = kJob;
        auto next = fx.Job(second.Path(), compress);
        next->SetExtractor(extract);
        const std::vector<CFileNode*> left = job->GetUnsaved();
        next->SetOnly(std::set<const CFileNode*>(left.begin(), left.end()));
        next->SetEarlierPart(one.done, job->GetOutputPlace());
        const JobOutcome two = next->Run();
        EXPECT_EQ(two.result, JobResult::Completed) << two.message;
        EXPECT_EQ(fx.extracted, leftNames);
        EXPECT_EQ(two.done, 4u);
        EXPECT_TRUE(next->GetUnsaved().empty());
        EXPECT_NE(two.message.find("4 file(s) saved in " + first.Path()), std::string::npos) << two.message;
        EXPECT_NE(two.message.find(second.Path()), std::string::npos) << two.message;
        EXPECT_FALSE(next->StoppedByDestination());
    }
}

}  // namespace
}  // namespace tvn
