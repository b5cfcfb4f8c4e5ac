#include "catalog/scan_info.h"

#include <gtest/gtest.h>

#include <sys/mount.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "app/session.h"
#include "tests/support/test_support.h"
#include "tools/media/image.h"

namespace tvn {
namespace {

using test::RecordingReporter;
using test::TempDir;

// Builds scan info bytes field by field, as the file lays them out.
struct Bytes {
    std::vector<uint8_t> b;
    Bytes& Raw(std::string_view s) {
        b.insert(b.end(), s.begin(), s.end());
        return *this;
    }
    Bytes& U32(uint32_t v) {
        for (int i = 0; i < 4; ++i) b.push_back(static_cast<uint8_t>(v >> (8 * i)));
        return *this;
    }
    Bytes& U64(uint64_t v) {
        for (int i = 0; i < 8; ++i) b.push_back(static_cast<uint8_t>(v >> (8 * i)));
        return *this;
    }
    Bytes& Magic() { return Raw(std::string_view("TVN\0", 4)); }
    Bytes& Name(std::string_view s) {
        U32(static_cast<uint32_t>(s.size()));
        for (char c : s) b.insert(b.end(), {static_cast<uint8_t>(c), 0});
        return *this;
    }
    Bytes& FolderRecord(uint32_t device = 0) {
        Bytes r;
        r.U32(0).U32(0).U32(0).U32(0).U32(0).U32(device).U32(1).U32(0).U64(0).U64(0);
        b.insert(b.end(), r.b.begin(), r.b.end());
        return *this;
    }
    Bytes& FileRecord(uint64_t size, uint64_t start, uint64_t end, bool checked = false) {
        U32(0).U32(0).U32(0).U32(0).U32(checked ? 1 : 0).U32(0).U32(0);
        return U64(size).U64(start).U64(end);
    }
};

std::vector<std::string> FolderNames(const CDirectoryTree& t) {
    std::vector<std::string> out;
    for (CFolderNode* f = t.GetFirstFolder(); f; f = f->GetNextFolder())
        out.push_back(f->GetName());
    return out;
}

std::vector<std::string> FileNames(const CFolderNode* f) {
    std::vector<std::string> out;
    for (CFileNode* n = f->GetFirstChild(); n; n = n->GetNextFile()) out.push_back(n->GetName());
    return out;
}

// A session whose current disk source is a 1 MiB image (2,048 sectors).
struct ImageSession {
    TempDir dir;
    std::string image = dir / "card.img";
    CSession session;
    RecordingReporter reporter;
    ImageSession() {
        // The layout is what these tests are about: the medium holds no
        // files, so the check of the listed files by content is left out.
        session.listedFilesCheck = nullptr;
        { media::ImageFile img(image, 1 << 20); }
        EXPECT_TRUE(session.OpenCurrentSource(image, reporter, kDisconnectedRestart));
    }
};

// Runs the test's body inside dir, so that a one-character identifier names
// a file there; the working directory is restored afterwards.
class WorkingDirectory {
public:
    explicit WorkingDirectory(const std::string& dir) {
        char buf[4096];
        m_old = ::getcwd(buf, sizeof buf) ? buf : "/";
        EXPECT_EQ(::chdir(dir.c_str()), 0);
    }
    ~WorkingDirectory() { EXPECT_EQ(::chdir(m_old.c_str()), 0); }

private:
    std::string m_old;
};

TEST(ScanInfo, RecordLayoutForOneCharacterIdentifier) {
    CDirectoryTree tree;
    CFolderNode* jpg = tree.InsertFolder("JPG");
    jpg->InsertFile("file# 1.", 100, 109, 5000)->SetChecked(true);
    // The device number goes into the folder records only.
    const std::vector<uint8_t> got = SerializeScanInfo("E", 1000, tree, 7);

    Bytes want;
    want.Magic().U32(1).Raw("E").U32(1000).U32(1);
    want.FolderRecord(7).Name("JPG").U32(1);
    want.FileRecord(5000, 100, 109, true).Name("file# 1.JPG");
    want.Magic();
    EXPECT_EQ(got, want.b);

    // A catalogue without folders is 21 bytes.
    CDirectoryTree empty;
    EXPECT_EQ(SerializeScanInfo("E", 1000, empty).size(), 21u);
}

TEST(ScanInfo, SaveLoadSaveReversesListsAndKeepsNodes) {
    ImageSession s;
    CDirectoryTree& tree = s.session.tree;
    CFolderNode* jpg = tree.InsertFolder("JPG");
    jpg->InsertFile("file# 1.", 10, 12, 1500);
    jpg->InsertFile("file# 2.", 20, 29, 5000)->SetChecked(true);
    // The last sector of the 1 MiB medium, and the largest size it can hold.
    jpg->InsertFile("file# 3.", 2047, 2047 + 2048, 1ull << 20);
    tree.InsertFolder("MP3");  // a folder without files
    tree.InsertFolder("TIF")->InsertFile("file# 9.", 300, 301, 700);
    jpg->SetChecked(true);

    const std::string first = s.dir / "first.bin";
    ASSERT_TRUE(SaveScanInfo(s.session, first, s.reporter));

    CSession loaded;
    loaded.listedFilesCheck = nullptr;
    loaded.tree.InsertFolder("OLD");  // emptied by the load
    ASSERT_TRUE(LoadScanInfo(loaded, first, s.image, 2048, s.reporter));
    EXPECT_TRUE(s.reporter.messages.empty());
    EXPECT_EQ(FolderNames(loaded.tree), (std::vector<std::string>{"JPG", "MP3", "TIF"}));
    EXPECT_EQ(loaded.tree.m_ullFolderCount.load(), 3u);
    ASSERT_NE(loaded.diskSource, nullptr);
    EXPECT_EQ(loaded.diskSource->GetDrive(), s.image);
    EXPECT_EQ(loaded.spc, 8u);
    CFolderNode* ljpg = loaded.tree.FindFolder("JPG");
    ASSERT_NE(ljpg, nullptr);
    EXPECT_EQ(FileNames(ljpg),
              (std::vector<std::string>{"file# 1.JPG", "file# 2.JPG", "file# 3.JPG"}));
    EXPECT_EQ(loaded.tree.FindFolder("MP3")->GetFileCount(), 0u);
    for (CFileNode* n = ljpg->GetFirstChild(); n; n = n->GetNextFile()) {
        EXPECT_FALSE(n->IsChecked());
        EXPECT_EQ(n->GetParent(), ljpg);
    }
    const CFileNode* big = ljpg->GetFirstChild()->GetNextFile()->GetNextFile();
    EXPECT_EQ(big->GetStartSector(), 2047u);
    EXPECT_EQ(big->GetEndSector(), 2047u + 2048u);
    EXPECT_EQ(big->GetSize(), 1ull << 20);

    // Saving the loaded tree writes the lists reversed once more; loading
    // that gives the original order back.
    const std::string second = s.dir / "second.bin";
    ASSERT_TRUE(SaveScanInfo(loaded, second, s.reporter));
    CSession again;
    again.listedFilesCheck = nullptr;
    ASSERT_TRUE(LoadScanInfo(again, second, s.image, 2048, s.reporter));
    EXPECT_EQ(FolderNames(again.tree), FolderNames(tree));
    for (CFolderNode* f = tree.GetFirstFolder(); f; f = f->GetNextFolder()) {
        const CFolderNode* g = again.tree.FindFolder(f->GetName());
        ASSERT_NE(g, nullptr);
        EXPECT_EQ(FileNames(g), FileNames(f));
        for (CFileNode *a = f->GetFirstChild(), *b = g->GetFirstChild(); a && b;
             a = a->GetNextFile(), b = b->GetNextFile()) {
            EXPECT_EQ(a->GetSize(), b->GetSize());
            EXPECT_EQ(a->GetStartSector(), b->GetStartSector());
            EXPECT_EQ(a->GetEndSector(), b->GetEndSector());
        }
    }
    EXPECT_EQ(test::ReadFile(second).size(), test::ReadFile(first).size());
}

// The newer types' names are two to four letters long ("TS", "HEIC", "3GP"):
// their files keep their names through a save and a load.
TEST(ScanInfo, TypeNamesOfTwoToFourLettersKeepTheirFileNames) {
    ImageSession s;
    CDirectoryTree& tree = s.session.tree;
    for (const char* type : {"TS", "HEIC", "3GP", "JPG"}) tree.InsertFolder(type)->InsertFile("file# 1.", 10, 12, 1500);
    const std::string path = s.dir / "newer.bin";
    ASSERT_TRUE(SaveScanInfo(s.session, path, s.reporter));
    CSession loaded;
    loaded.listedFilesCheck = nullptr;  // made-up files on an empty image
    ASSERT_TRUE(LoadScanInfo(loaded, path, s.image, 2048, s.reporter));
    for (const char* type : {"TS", "HEIC", "3GP", "JPG"}) {
        const CFolderNode* f = loaded.tree.FindFolder(type);
        ASSERT_NE(f, nullptr) << type;
        EXPECT_EQ(FileNames(f), (std::vector<std::string>{std::string("file# 1.") + type})) << type;
    }
}

TEST(ScanInfo, HandWrittenOneCharacterFileLoads) {
    TempDir dir;
    { media::ImageFile e(dir / "E", 512 * 1000); }
    WorkingDirectory cwd(dir.Path());

    const std::string empty = dir / "empty.bin";
    test::WriteFile(empty, Bytes().Magic().U32(1).Raw("E").U32(1000).U32(0).Magic().b);
    ASSERT_EQ(test::ReadFile(empty).size(), 21u);
    CSession session;
    session.listedFilesCheck = nullptr;
    session.tree.InsertFolder("JPG")->InsertFile("file# 1.", 1, 2, 3);
    RecordingReporter reporter;
    EXPECT_TRUE(LoadScanInfo(session, empty, "E", 1000, reporter));
    EXPECT_TRUE(reporter.messages.empty());
    EXPECT_EQ(session.tree.GetFolderCount(), 0u);
    EXPECT_EQ(session.diskSource->GetDrive(), "E");

    // One folder, two files, each stored name ending in the type name.
    const std::string one = dir / "one.bin";
    Bytes b;
    b.Magic().U32(1).Raw("E").U32(1000).U32(1).FolderRecord().Name("CR2").U32(2);
    b.FileRecord(5000, 100, 109, true).Name("file# 4.CR2");
    b.FileRecord(700, 200, 201).Name("file# 5.CR2").Magic();
    test::WriteFile(one, b.b);
    EXPECT_TRUE(LoadScanInfo(session, one, "E", 1000, reporter));
    ASSERT_EQ(FolderNames(session.tree), std::vector<std::string>{"CR2"});
    const CFolderNode* cr2 = session.tree.GetFirstFolder();
    EXPECT_EQ(FileNames(cr2), (std::vector<std::string>{"file# 5.CR2", "file# 4.CR2"}));
    EXPECT_FALSE(cr2->GetFirstChild()->GetNextFile()->IsChecked());
    EXPECT_EQ(cr2->GetFirstChild()->GetNextFile()->GetEndSector(), 109u);

    // The same file for drive "F", for a different sector count, or with no
    // drive selected is refused before anything changes.
    const CDiskSource* before = session.diskSource.get();
    const std::vector<std::pair<std::string, DWORD>> others{{"F", 1000}, {"E", 999}, {"", 1000}};
    for (const auto& [drive, sectors] : others) {
        RecordingReporter r;
        EXPECT_FALSE(LoadScanInfo(session, one, drive, sectors, r));
        ASSERT_EQ(r.messages.size(), 1u);
        EXPECT_EQ(r.messages[0].text, "Incorrect drive or scan info corrupted.");
        EXPECT_EQ(r.messages[0].caption, "Error");
        EXPECT_EQ(session.diskSource.get(), before);
        EXPECT_EQ(session.tree.GetFolderCount(), 1u);
    }
}

TEST(ScanInfo, RefusalsLeaveTheSessionAsTheTableSays) {
    ImageSession s;
    CSession& session = s.session;
    session.tree.InsertFolder("AVI");
    const CDiskSource* original = session.diskSource.get();
    auto load = [&](const std::vector<uint8_t>& bytes, const std::string& drive) {
        const std::string path = s.dir / "x.bin";
        test::WriteFile(path, bytes);
        s.reporter.messages.clear();
        const bool ok = LoadScanInfo(session, path, drive, 2048, s.reporter);
        EXPECT_EQ(s.reporter.messages.size(), ok ? 0u : 1u);
        return ok;
    };
    auto last = [&] { return s.reporter.messages.back(); };

    // The file cannot be opened: the system's text.
    s.reporter.messages.clear();
    EXPECT_FALSE(LoadScanInfo(session, s.dir / "missing.bin", s.image, 2048, s.reporter));
    EXPECT_EQ(last().text, "No such file or directory");
    EXPECT_EQ(last().caption, "Error");

    // Wrong magic: nothing changes.
    EXPECT_FALSE(load(Bytes().Raw("TVX").b, s.image));
    EXPECT_EQ(last().text, "Invalid or corrupt scan file");
    EXPECT_FALSE(load(Bytes().Raw("TVN!").U32(0).U32(2048).U32(0).Magic().b, s.image));
    EXPECT_EQ(last().text, "Invalid or corrupt scan file");
    EXPECT_EQ(last().caption, "Error");
    EXPECT_EQ(session.diskSource.get(), original);
    EXPECT_EQ(FolderNames(session.tree), std::vector<std::string>{"AVI"});

    Bytes head;
    head.Magic().U32(static_cast<uint32_t>(s.image.size())).Raw(s.image).U32(2048);

    // A medium that is gone: the new disk source is dropped.
    {
        TempDir other;
        const std::string gone = other / "gone.img";
        Bytes b;
        b.Magic().U32(static_cast<uint32_t>(gone.size())).Raw(gone).U32(2048).U32(0).Magic();
        EXPECT_FALSE(load(b.b, gone));
        EXPECT_EQ(last().text, "Failed to open drive");
        EXPECT_EQ(last().caption, "Error");
        EXPECT_EQ(session.diskSource.get(), original);
    }

    // The folder count is missing: the disk source is current (the one the
    // session held, which is that medium's: it is not opened again), the
    // catalogue is as it was.
    EXPECT_FALSE(load(head.b, s.image));
    EXPECT_EQ(last().caption, "Checksum failure");
    EXPECT_EQ(last().text, "Corrupt scan info file");
    EXPECT_EQ(session.diskSource.get(), original);
    EXPECT_EQ(FolderNames(session.tree), std::vector<std::string>{"AVI"});

    // A bad end magic: the catalogue keeps what was read.
    Bytes body = head;
    body.U32(2).FolderRecord().Name("JPG").U32(1).FileRecord(10, 1, 1).Name("file# 1.JPG");
    body.FolderRecord().Name("PNG").U32(0).Raw("TVN?");
    EXPECT_FALSE(load(body.b, s.image));
    EXPECT_EQ(last().text, "Corrupt scan info file");
    EXPECT_EQ(last().caption, "Checksum failure");
    EXPECT_EQ(FolderNames(session.tree), (std::vector<std::string>{"PNG", "JPG"}));
    EXPECT_EQ(session.tree.FindFolder("JPG")->GetFileCount(), 1u);

    // A body cut inside the second folder's name: the first folder is there.
    Bytes cut = head;
    cut.U32(2).FolderRecord().Name("JPG").U32(0).FolderRecord().U32(3).Raw(
        std::string_view("P\0N\0G", 5));
    EXPECT_FALSE(load(cut.b, s.image));
    EXPECT_EQ(last().caption, "Checksum failure");
    EXPECT_EQ(FolderNames(session.tree), std::vector<std::string>{"JPG"});
}

TEST(ScanInfo, DamagedFilesAreRefusedAtTheRightField) {
    CDirectoryTree tree;
    CFolderNode* jpg = tree.InsertFolder("JPG");
    jpg->InsertFile("file# 1.", 1, 2, 700);
    jpg->InsertFile("file# 2.", 3, 4, 900);
    const std::vector<uint8_t> good = SerializeScanInfo("/dev/sdz", 4096, tree);
    ASSERT_TRUE(ParseScanInfo(good).Ok());

    // Every truncation is refused; the header's with "Error", the body's with
    // "Checksum failure".
    const size_t headerEnd = 4 + 4 + 8 + 4;
    for (size_t len = 0; len < good.size(); ++len) {
        const ScanInfoParse p = ParseScanInfo(std::span(good.data(), len));
        ASSERT_FALSE(p.Ok()) << len;
        const ScanInfoMessage m = ScanInfoFailureMessage(p);
        EXPECT_EQ(m.caption, len < headerEnd ? "Error" : "Checksum failure") << len;
        EXPECT_FALSE(p.detail.empty()) << len;
    }

    auto error = [](const Bytes& b) { return ParseScanInfo(b.b).error; };
    Bytes head;
    head.Magic().U32(1).Raw("E").U32(1000);
    // Lengths and counts that cannot fit what is left of the file.
    EXPECT_EQ(error(Bytes().Magic().U32(0xFFFFFFFF).Raw("E")), ScanInfoError::ReadHeader);
    EXPECT_EQ(error(Bytes(head).U32(0x7FFFFFFF).Magic()), ScanInfoError::ReadFolderCount);
    EXPECT_EQ(error(Bytes(head).U32(1).FolderRecord().U32(0x80000000).U32(0).Magic()),
              ScanInfoError::ReadBody);
    EXPECT_EQ(error(Bytes(head).U32(1).FolderRecord().Name("JPG").U32(0x10000000).Magic()),
              ScanInfoError::ReadBody);
    // File names too short for their type name, and names that would leave
    // the destination directory.
    Bytes folder = head;
    folder.U32(1).FolderRecord().Name("JPG").U32(1).FileRecord(1, 1, 1);
    EXPECT_EQ(error(Bytes(folder).Name("ab").Magic()), ScanInfoError::ReadBody);
    EXPECT_EQ(error(Bytes(folder).Name("").Magic()), ScanInfoError::ReadBody);
    EXPECT_EQ(error(Bytes(folder).Name("../../x.JPG").Magic()), ScanInfoError::ReadBody);
    EXPECT_EQ(error(Bytes(head).U32(1).FolderRecord().Name("..").U32(0).Magic()),
              ScanInfoError::ReadBody);
    EXPECT_EQ(error(Bytes(head).U32(1).FolderRecord().Name("a/b").U32(0).Magic()),
              ScanInfoError::ReadBody);
    // Exactly three characters is a file of an empty base name; fine.
    EXPECT_TRUE(ParseScanInfo(Bytes(folder).Name("JPG").Magic().b).Ok());
    const ScanInfoParse p = ParseScanInfo(Bytes(folder).Name("JPG").Magic().b);
    EXPECT_EQ(p.contents.folders.at(0).files.at(0).name, "JPG");
    EXPECT_EQ(ScanInfoFailureMessage(ParseScanInfo(Bytes(folder).Name("ab").b)).text,
              "Corrupt scan info file");
}

TEST(ScanInfo, SuggestedNameAndExtensionCheck) {
    std::tm t{};
    t.tm_year = 2010 - 1900;
    t.tm_mon = 8;
    t.tm_mday = 5;
    t.tm_hour = 14;
    t.tm_min = 3;
    t.tm_sec = 9;
    t.tm_wday = 0;  // a Sunday
    EXPECT_EQ(SuggestedScanInfoName(t), "TVN scan info, Sunday, 05-09-2010, 14.03.09.bin");

    EXPECT_TRUE(HasScanInfoExtension("/home/me/TVN scan info, Sunday.bin"));
    EXPECT_TRUE(HasScanInfoExtension("a.b.bin"));
    EXPECT_FALSE(HasScanInfoExtension("/x/scan.BIN"));
    EXPECT_FALSE(HasScanInfoExtension("/x/scan.txt"));
    EXPECT_FALSE(HasScanInfoExtension("/x.bin/scan"));
    RecordingReporter r;
    EXPECT_FALSE(CheckScanInfoExtension("scan.BIN", r));
    ASSERT_EQ(r.messages.size(), 1u);
    EXPECT_EQ(r.messages[0].text, "This is not a valid Tarvolin Scan Information file");
    EXPECT_EQ(r.messages[0].caption, "Information");
}

}  // namespace
}  // namespace tvn

namespace tvn {
namespace {

TEST(ScanInfoCli, ScanSavesAndInfoReadsWithoutTheMedium) {
    TempDir dir;
    const std::string image = dir / "card.img";
    { media::ImageFile img(image, 1 << 20); }
    const std::string saved = dir / "scan.bin";
    const std::string cli = TVN_CLI;
    ASSERT_EQ(test::RunCommand("'" + cli + "' -q scan '" + image +
                               "' --types jpg --save-scan-info '" + saved + "' >/dev/null 2>&1"),
              0);
    const ScanInfoParse parse = ParseScanInfoFile(saved);
    ASSERT_TRUE(parse.Ok());
    EXPECT_EQ(parse.contents.driveId, image);
    EXPECT_EQ(parse.contents.totalSectors, 2048u);

    // A file for a medium that is not there.
    CDirectoryTree tree;
    tree.InsertFolder("JPG")->InsertFile("file# 12.", 100, 109, 5000);
    const std::string other = dir / "other.bin";
    test::WriteFile(other, SerializeScanInfo("/nonexistent/card.img", 4096, tree));
    std::string out;
    ASSERT_EQ(test::RunCommand("'" + cli + "' info '" + other + "' 2>&1", &out), 0);
    EXPECT_NE(out.find("/nonexistent/card.img"), std::string::npos) << out;
    EXPECT_NE(out.find("4096"), std::string::npos) << out;
    EXPECT_NE(out.find("file# 12.JPG"), std::string::npos) << out;
    out.clear();
    ASSERT_EQ(test::RunCommand("'" + cli + "' info --json '" + other + "' 2>&1", &out), 0);
    EXPECT_NE(out.find("\"start_sector\": 100"), std::string::npos) << out;

    std::vector<uint8_t> bytes = test::ReadFile(other);
    bytes.back() = '?';
    test::WriteFile(other, bytes);
    out.clear();
    EXPECT_EQ(test::RunCommand("'" + cli + "' info '" + other + "' 2>&1", &out), 1);
    EXPECT_NE(out.find("Checksum failure: Corrupt scan info file"), std::string::npos) << out;
}

TEST(ScanInfo, FilesBeyondTheMediumAreRefusedAsCorrupt) {
    // A crafted or damaged file must not send extraction past the medium or
    // ask it for a size no scan of this medium can have measured.
    ImageSession s;
    for (const auto& [start, size] : {std::pair<uint64_t, uint64_t>{10, 104857601},
                                      {1ull << 40, 1500},
                                      {2048, 1500},
                                      {10, 1ull << 33}}) {
        CDirectoryTree tree;
        tree.InsertFolder("JPG")->InsertFile("file# 1.", start, start + size / 512, size);
        const std::string path = s.dir / "crafted.bin";
        test::WriteFile(path, SerializeScanInfo(s.image, 2048, tree));
        CSession loaded;
        loaded.tree.InsertFolder("OLD");
        test::RecordingReporter reporter;
        EXPECT_FALSE(LoadScanInfo(loaded, path, s.image, 2048, reporter)) << start << " " << size;
        ASSERT_EQ(reporter.messages.size(), 1u);
        EXPECT_EQ(reporter.messages[0].text, "Corrupt scan info file");
        EXPECT_EQ(reporter.messages[0].caption, "Checksum failure");
        EXPECT_EQ(FolderNames(loaded.tree), std::vector<std::string>{"OLD"});
    }
    // The length rules may run a file past the end of a small medium (a
    // window with no next header): such a scan of the medium loads again.
    CDirectoryTree tree;
    tree.InsertFolder("JPG")->InsertFile("file# 1.", 10, 10 + 11 * 1024, 11 * 512 * 1024);
    const std::string path = s.dir / "scanned.bin";
    test::WriteFile(path, SerializeScanInfo(s.image, 2048, tree));
    CSession loaded;
    loaded.listedFilesCheck = nullptr;
    test::RecordingReporter reporter;
    EXPECT_TRUE(LoadScanInfo(loaded, path, s.image, 2048, reporter));
}

TEST(ScanInfo, AFullDiskNeverDestroysAnEarlierFile) {
    ImageSession s;
    test::TempDir mnt;
    if (::mount("tmpfs", mnt.Path().c_str(), "tmpfs", 0, "size=64k") != 0) {
        GTEST_SKIP() << "cannot mount a tmpfs here: " << std::strerror(errno);
    }
    struct Unmount {
        std::string path;
        ~Unmount() { ::umount2(path.c_str(), MNT_DETACH); }
    } unmount{mnt.Path()};
    CFolderNode* jpg = s.session.tree.InsertFolder("JPG");
    jpg->InsertFile("file# 1.", 10, 12, 1500);
    const std::string path = mnt / "scan.bin";
    ASSERT_TRUE(SaveScanInfo(s.session, path, s.reporter));
    const auto before = test::ReadFile(path);
    // Fill the disk, then save a catalogue that no longer fits.
    {
        std::ofstream filler(mnt / "filler", std::ios::binary);
        const std::vector<char> block(4096, 'x');
        while (filler.write(block.data(), static_cast<std::streamsize>(block.size()))) {
        }
    }
    for (unsigned n = 2; n < 400; ++n) jpg->InsertFile("file# " + std::to_string(n) + ".", n, n, 1500);
    EXPECT_FALSE(SaveScanInfo(s.session, path, s.reporter));
    ASSERT_FALSE(s.reporter.messages.empty());
    EXPECT_EQ(s.reporter.messages.back().caption, "Error");
    EXPECT_EQ(test::ReadFile(path), before);
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(mnt.Path())) {
        names.push_back(e.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"filler", "scan.bin"}));
}

}  // namespace
}  // namespace tvn
