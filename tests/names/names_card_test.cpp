// Builder-made camera cards read back: every file whose entry survives comes
// back under its original path with its time, deleted FAT names get their
// first letter, a reused start names the newer file, and a save lays the
// files out by name or by date and leaves the duplicate out.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <cstring>
#include <map>

#include "app/session.h"
#include "names/attach.h"
#include "names/fs_entries.h"
#include "output/save_job.h"
#include "scan/scan_job.h"
#include "tests/support/test_support.h"
#include "tools/media/fat_card.h"
#include "tools/media/image.h"
#include "tools/media/names_card.h"

namespace tvn {
namespace {

// Sets the process's time zone for one test and puts the old one back.
class ZoneGuard {
public:
    explicit ZoneGuard(const char* zone) {
        if (const char* old = std::getenv("TZ")) m_old = old, m_had = true;
        ::setenv("TZ", zone, 1);
        ::tzset();
    }
    ~ZoneGuard() {
        if (m_had) ::setenv("TZ", m_old.c_str(), 1);
        else ::unsetenv("TZ");
        ::tzset();
    }

private:
    std::string m_old;
    bool m_had = false;
};

struct Scanned {
    CSession session;
    test::RecordingReporter reporter;
    media::NamesCard card;
    NameSummary names;
};

bool BuildCard(Scanned& s, const std::string& image, bool exfat, std::string& why) {
    if (media::CFatTools::FindTool("mkfs.vfat").empty() ||
        media::CFatTools::FindTool("mcopy").empty()) {
        why = "dosfstools or mtools are not installed";
        return false;
    }
    if (exfat && ::geteuid() != 0) {
        why = "the exFAT card is filled through a loop device and FUSE, which need root";
        return false;
    }
    try {
        s.card = media::BuildNamesCard(image, exfat);
    } catch (const std::exception& e) {
        why = e.what();
        return false;
    }
    return true;
}

void Scan(Scanned& s, const std::string& image) {
    ASSERT_TRUE(s.session.OpenCurrentSource(image, s.reporter, kDisconnectedRestart));
    CScanJob job(*s.session.diskSource, s.session.tree, s.session.counters, s.session.job,
                 s.reporter);
    const std::vector<FileType> types{FileType::JPG};
    ASSERT_TRUE(job.SetTypes(types));
    s.session.job.Reset();
    job.Run();
    s.names = ReadOriginalNames(s.session.tree, *s.session.diskSource);
}

std::map<std::string, const FileOrigin*> Origins(CSession& session) {
    std::map<std::string, const FileOrigin*> out;
    for (CFolderNode* f = session.tree.GetFirstFolder(); f; f = f->GetNextFolder())
        for (CFileNode* n = f->GetFirstChild(); n; n = n->GetNextFile())
            if (n->GetOrigin()) out[n->GetOrigin()->path] = n->GetOrigin();
    return out;
}

void CheckNames(Scanned& s) {
    const auto origins = Origins(s.session);
    EXPECT_EQ(s.names.files, 6u);
    EXPECT_EQ(s.names.named, 6u);
    for (const auto& f : s.card.files) {
        const auto it = origins.find(f.path);
        if (!f.named) {
            // Its start holds the newer photo, which takes the place.
            EXPECT_EQ(it, origins.end()) << f.path;
            continue;
        }
        ASSERT_NE(it, origins.end()) << f.path;
        EXPECT_EQ(it->second->name, f.expected);
        EXPECT_EQ(it->second->deleted, f.deleted) << f.path;
        EXPECT_TRUE(it->second->modified.known);
        EXPECT_EQ(it->second->modified.seconds, f.mtime) << f.path;
        if (!f.restore.empty()) {
            EXPECT_EQ(NameRestoreText(it->second->restore), f.restore);
        }
    }
}

TEST(NamesCard, Fat32NamesFoldersTimesAndFirstLetters) {
    ZoneGuard zone("Europe/Berlin");
    test::TempDir dir;
    Scanned s;
    std::string why;
    if (!BuildCard(s, dir / "card.img", false, why)) GTEST_SKIP() << why;
    Scan(s, dir / "card.img");
    CheckNames(s);
    EXPECT_EQ(s.names.restoredLongName, 1u);
    EXPECT_EQ(s.names.restoredSiblings, 1u);
    EXPECT_EQ(s.names.unrestored, 0u);
    ASSERT_EQ(s.names.fileSystems.size(), 1u);
    EXPECT_EQ(s.names.fileSystems[0], "FAT32 at sector 2048");
}

TEST(NamesCard, ExfatNamesFoldersAndTimes) {
    // The card's times carry their offset from UTC: exact in any zone.
    ZoneGuard zone("Europe/Berlin");
    test::TempDir dir;
    Scanned s;
    std::string why;
    if (!BuildCard(s, dir / "card.img", true, why)) GTEST_SKIP() << why;
    Scan(s, dir / "card.img");
    CheckNames(s);
    EXPECT_EQ(s.names.fileSystems.at(0), "exFAT at sector 2048");
    for (const auto& [path, origin] : Origins(s.session)) {
        EXPECT_TRUE(origin->modified.hasOffset) << path;
        EXPECT_EQ(origin->modified.offsetMinutes, 0) << path;
    }
}

JobOutcome Save(Scanned& s, const std::string& out, SaveLayout layout, bool zip = false) {
    for (CFolderNode* f = s.session.tree.GetFirstFolder(); f; f = f->GetNextFolder())
        for (CFileNode* n = f->GetFirstChild(); n; n = n->GetNextFile()) n->SetChecked(true);
    std::filesystem::create_directories(out);
    s.session.destination = out;
    s.session.jobName = "Tarvolin 10.00.00";
    s.session.compress = zip;
    s.session.layout = layout;
    s.session.job.Reset();
    CSaveJob save(s.session, s.reporter);
    return save.Run();
}

TEST(NamesCard, SavedUnderOriginalNamesWithTimesAndWithoutTheDuplicate) {
    ZoneGuard zone("Europe/Berlin");
    test::TempDir dir;
    Scanned s;
    std::string why;
    if (!BuildCard(s, dir / "card.img", false, why)) GTEST_SKIP() << why;
    Scan(s, dir / "card.img");
    const JobOutcome outcome = Save(s, dir / "out", {true, false, true});
    ASSERT_EQ(outcome.result, JobResult::Completed) << outcome.message;
    EXPECT_EQ(outcome.done, 5u);
    EXPECT_NE(outcome.message.find("1 duplicate file(s) skipped"), std::string::npos);
    const std::string job = dir / "out/Tarvolin 10.00.00/DCIM/100CANON/";
    // Of the two files with one content, the first saved stays (the catalogue
    // lists the newest first).
    size_t copies = 0;
    for (const auto& f : s.card.files) {
        if (!f.named) continue;
        struct stat st {};
        const bool there = ::stat((job + f.expected).c_str(), &st) == 0;
        if (f.duplicate || f.expected == "IMG_0001.JPG") {
            copies += there ? 1 : 0;
            if (!there) continue;
        }
        ASSERT_TRUE(there) << f.expected;
        EXPECT_EQ(st.st_mtim.tv_sec, f.mtime) << f.expected;
    }
    EXPECT_EQ(copies, 1u);
    // No type folder is left behind empty.
    EXPECT_FALSE(std::filesystem::exists(dir / "out/Tarvolin 10.00.00/JPG"));

    // The numbered layout and every copy on request.
    Scanned again;
    ASSERT_TRUE(BuildCard(again, dir / "card2.img", false, why)) << why;
    Scan(again, dir / "card2.img");
    const JobOutcome numbered = Save(again, dir / "out2", {false, false, false});
    EXPECT_EQ(numbered.done, 6u);
    EXPECT_TRUE(std::filesystem::exists(dir / "out2/Tarvolin 10.00.00/JPG/file# 1.JPG"));
}

TEST(NamesCard, OrganisedByDateTaken) {
    ZoneGuard zone("Europe/Berlin");
    test::TempDir dir;
    Scanned s;
    std::string why;
    if (!BuildCard(s, dir / "card.img", false, why)) GTEST_SKIP() << why;
    Scan(s, dir / "card.img");
    const JobOutcome outcome = Save(s, dir / "out", {true, true, true});
    ASSERT_EQ(outcome.result, JobResult::Completed) << outcome.message;
    // Every file lands in a YYYY/YYYY-MM-DD folder (its EXIF date, else the
    // entry's day) or "undated", under its original name.
    size_t files = 0;
    for (const auto& e :
         std::filesystem::recursive_directory_iterator(dir / "out/Tarvolin 10.00.00")) {
        if (!e.is_regular_file()) continue;
        ++files;
        const std::string rel =
            std::filesystem::relative(e.path(), dir / "out/Tarvolin 10.00.00").string();
        const bool dated = rel.size() > 16 && rel[4] == '/' && rel[9] == '-' && rel[15] == '/';
        EXPECT_TRUE(dated || rel.rfind("undated/", 0) == 0) << rel;
        EXPECT_EQ(rel.find("file# "), std::string::npos) << rel;
    }
    EXPECT_EQ(files, 5u);
}

TEST(NamesCard, ZipSaveLeavesTheDuplicateOutToo) {
    ZoneGuard zone("Europe/Berlin");
    test::TempDir dir;
    Scanned s;
    std::string why;
    if (!BuildCard(s, dir / "card.img", false, why)) GTEST_SKIP() << why;
    Scan(s, dir / "card.img");
    const JobOutcome outcome = Save(s, dir / "out", {true, false, true}, true);
    ASSERT_EQ(outcome.result, JobResult::Completed) << outcome.message;
    EXPECT_EQ(outcome.done, 5u);
    std::string listing;
    ASSERT_EQ(test::RunCommand("unzip -Z1 '" + dir / "out/Tarvolin 10.00.00.zip" + "'", &listing),
              0);
    EXPECT_NE(listing.find("Tarvolin 10.00.00/DCIM/100CANON/IMG_0005.JPG"), std::string::npos)
        << listing;
    const bool copy = listing.find("IMG_0001 copy.jpg") != std::string::npos;
    const bool first = listing.find("IMG_0001.JPG") != std::string::npos;
    EXPECT_NE(copy, first) << listing;
}

TEST(NamesCard, DamagedFileSystemIsReadWithinBounds) {
    // Bytes that are no file system, and a FAT boot sector over nothing.
    std::vector<uint8_t> medium(1u << 20, 0xF6);
    const MediumReadAt read = [&](uint64_t off, void* buf, size_t n) -> ssize_t {
        if (off >= medium.size()) return 0;
        n = std::min<size_t>(n, medium.size() - off);
        std::memcpy(buf, medium.data() + off, n);
        return static_cast<ssize_t>(n);
    };
    EXPECT_TRUE(ReadFsEntries(read, medium.size(), 512).entries.empty());
    const auto boot = media::MakeFat32BootSector(32, 8, 2048, 1);
    std::copy(boot.begin(), boot.end(), medium.begin());
    FsReadLimits limits;
    limits.time = std::chrono::milliseconds(2000);
    const FsReadResult r = ReadFsEntries(read, medium.size(), 512, limits);
    EXPECT_LE(r.entries.size(), 200000u);
}

}  // namespace
}  // namespace tvn
