// What a scan info file may not do: land on the medium it describes, load
// for another medium of the same path and size, or carry names and sectors
// that no scan makes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/session.h"
#include "catalog/scan_info.h"
#include "scan/listed_files_check.h"
#include "tests/support/test_support.h"
#include "tools/media/image.h"

namespace tvn {
namespace {

using test::RecordingReporter;
using test::TempDir;

const media::Bytes kJpegHeader{0xFF, 0xD8, 0xFF, 0xE1};

// A 4 MiB card image with JPEG headers at the given sectors, scanned into a
// catalogue by hand (names "file# 1.JPG", ...).
struct Card {
    TempDir dir;
    std::string image = dir / "card.img";
    CSession session;
    RecordingReporter reporter;

    explicit Card(const std::vector<uint64_t>& starts) {
        {
            media::ImageFile f(image, 4 << 20);
            for (const uint64_t s : starts) f.Write(s * 512, kJpegHeader);
        }
        EXPECT_TRUE(session.OpenCurrentSource(image, reporter, kDisconnectedRestart));
        CFolderNode* jpg = session.tree.InsertFolder("JPG");
        for (size_t i = 0; i < starts.size(); ++i) {
            jpg->InsertFile("file# " + std::to_string(i + 1) + ".", starts[i], starts[i] + 7, 4096);
        }
    }
    bool Load(CSession& into, const std::string& info, RecordingReporter& r) {
        return LoadScanInfo(into, info, image, 8192, r);
    }
};

TEST(ScanInfoChecks, TheFileIsNeverWrittenOntoTheMediumItDescribes) {
    Card card({8});
    const std::vector<uint8_t> before = test::ReadFile(card.image);
    // The image itself, as the wizard's file dialog may offer it.
    EXPECT_FALSE(SaveScanInfo(card.session, card.image, card.reporter));
    ASSERT_EQ(card.reporter.messages.size(), 1u);
    EXPECT_EQ(card.reporter.messages[0].caption, "Error");
    EXPECT_NE(card.reporter.messages[0].text.find("Please choose a destination on another drive."),
              std::string::npos);
    EXPECT_EQ(test::ReadFile(card.image), before);
    EXPECT_TRUE(SaveScanInfo(card.session, card.dir / "card.bin", card.reporter));
}

TEST(ScanInfoChecks, AnotherMediumOfTheSamePathAndSizeIsRefusedByContent) {
    // More files than are checked, so that the check's spread matters.
    std::vector<uint64_t> starts;
    for (uint64_t s = 16; starts.size() < 100; s += 64) starts.push_back(s);
    Card card(starts);
    const std::string info = card.dir / "card.bin";
    ASSERT_TRUE(SaveScanInfo(card.session, info, card.reporter));

    {
        CSession loaded;
        RecordingReporter r;
        ASSERT_TRUE(card.Load(loaded, info, r));
        EXPECT_TRUE(r.messages.empty());
        EXPECT_EQ(loaded.tree.FindFolder("JPG")->GetFileCount(), 100u);
        const ListedFilesCheck check =
            CheckListedFiles(ParseScanInfoFile(info).contents, *loaded.diskSource);
        EXPECT_TRUE(check.ok);
        EXPECT_EQ(check.checked, kListedFilesChecked);
    }

    // Another card: the same path and size, other content. Whichever file
    // is gone, the first or the last listed one, the load is refused.
    for (const uint64_t gone : {starts.front(), starts.back()}) {
        {
            media::ImageFile f(card.image, 4 << 20, media::ImageFile::kKeep);
            for (const uint64_t s : starts) f.Write(s * 512, kJpegHeader);
            f.Fill(gone * 512, 512, 0);
        }
        CSession loaded;
        loaded.tree.InsertFolder("OLD");
        RecordingReporter r;
        EXPECT_FALSE(card.Load(loaded, info, r)) << gone;
        ASSERT_EQ(r.messages.size(), 1u);
        EXPECT_EQ(r.messages[0].text, "Incorrect drive or scan info corrupted.");
        EXPECT_EQ(r.messages[0].caption, "Error");
        // Refused before anything changed.
        ASSERT_NE(loaded.tree.FindFolder("OLD"), nullptr);
        EXPECT_EQ(loaded.diskSource, nullptr);
    }
}

// The medium the session already holds is the one the load reads and keeps:
// it is not opened a second time by its path. Without one, the load opens it.
TEST(ScanInfoChecks, TheLoadReadsTheMediumTheSessionHolds) {
    Card card({8, 64});
    const std::string info = card.dir / "card.bin";
    ASSERT_TRUE(SaveScanInfo(card.session, info, card.reporter));

    CSession loaded;
    RecordingReporter r;
    ASSERT_TRUE(loaded.OpenCurrentSource(card.image, r, kDisconnectedRestart));
    const CDiskSource* source = loaded.diskSource.get();
    const IMedium* medium = source->GetMedium().get();
    loaded.tree.InsertFolder("OLD");
    ASSERT_TRUE(card.Load(loaded, info, r));
    EXPECT_TRUE(r.messages.empty());
    EXPECT_EQ(loaded.diskSource.get(), source);
    EXPECT_EQ(loaded.diskSource->GetMedium().get(), medium);
    EXPECT_EQ(loaded.tree.FindFolder("OLD"), nullptr);
    EXPECT_EQ(loaded.tree.FindFolder("JPG")->GetFileCount(), 2u);

    // A held medium whose content no longer matches is refused and stays held.
    {
        media::ImageFile f(card.image, 4 << 20, media::ImageFile::kKeep);
        f.Fill(8 * 512, 512, 0);
        f.Fill(64 * 512, 512, 0);
    }
    loaded.tree.InsertFolder("OLD");
    EXPECT_FALSE(card.Load(loaded, info, r));
    EXPECT_EQ(loaded.diskSource.get(), source);
    EXPECT_NE(loaded.tree.FindFolder("OLD"), nullptr);
}

// A scan that measures exact lengths takes an MPEG pack whose sequence header
// lies at an odd distance; its scan info loads back on the same card.
TEST(ScanInfoChecks, StartsOnlyAnExactScanTakesStillCount) {
    Card card({});
    {
        media::ImageFile f(card.image, 4 << 20, media::ImageFile::kKeep);
        f.Write(40 * 512, media::Bytes{0x00, 0x00, 0x01, 0xBA});
        f.Write(40 * 512 + 13, media::Bytes{0x00, 0x00, 0x01, 0xB3});
    }
    card.session.tree.InsertFolder("MPG")->InsertFile("file# 1.", 40, 47, 4096);
    const std::string info = card.dir / "card.bin";
    ASSERT_TRUE(SaveScanInfo(card.session, info, card.reporter));
    CSession loaded;
    RecordingReporter r;
    EXPECT_TRUE(card.Load(loaded, info, r));
    EXPECT_TRUE(r.messages.empty());

    // Zeros there are still refused.
    {
        media::ImageFile f(card.image, 4 << 20, media::ImageFile::kKeep);
        f.Fill(40 * 512, 512, 0);
    }
    CSession other;
    EXPECT_FALSE(card.Load(other, info, r));
}

// Scan info bytes field by field.
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
    Bytes& Folder(std::string_view name, uint32_t files) {
        b.insert(b.end(), kScanInfoFolderRecordSize, 0);
        return Name(name).U32(files);
    }
    Bytes& File(std::string_view name, uint64_t start, uint64_t end) {
        b.insert(b.end(), 28, 0);
        U64(4096).U64(start).U64(end);
        return Name(name);
    }
};

TEST(ScanInfoChecks, CraftedNamesAndSectorsAreRefusedOrMadeSafe) {
    Card card({8, 24});
    auto head = [&] {
        Bytes h;
        h.Magic().U32(static_cast<uint32_t>(card.image.size())).Raw(card.image).U32(8192).U32(1);
        return h;
    };
    auto load = [&](const Bytes& b, RecordingReporter& r, CSession& into) {
        const std::string path = card.dir / "crafted.bin";
        test::WriteFile(path, b.b);
        return card.Load(into, path, r);
    };

    // Two files of one name: one would be saved over the other.
    {
        Bytes b = head();
        b.Folder("JPG", 2).File("file# 1.JPG", 8, 15).File("file# 1.JPG", 24, 31).Magic();
        const ScanInfoParse p = ParseScanInfo(b.b);
        EXPECT_EQ(p.error, ScanInfoError::ReadBody);
        EXPECT_NE(p.detail.find("two files are named"), std::string::npos) << p.detail;
        CSession loaded;
        RecordingReporter r;
        EXPECT_FALSE(load(b, r, loaded));
    }
    // An end sector before the start.
    {
        Bytes b = head();
        b.Folder("JPG", 1).File("file# 1.JPG", 24, 8).Magic();
        const ScanInfoParse p = ParseScanInfo(b.b);
        EXPECT_EQ(p.error, ScanInfoError::ReadBody);
        EXPECT_NE(p.detail.find("lies before its start"), std::string::npos) << p.detail;
    }
    // Control characters: escaped when shown, replaced in the name saved.
    {
        Bytes b = head();
        b.Folder("JPG", 2).File("a\x1b]2;owned\x07.JPG", 8, 15).File("file# 2.JPG", 24, 31).Magic();
        CSession loaded;
        RecordingReporter r;
        ASSERT_TRUE(load(b, r, loaded)) << (r.messages.empty() ? "" : r.messages[0].text);
        std::vector<std::string> names;
        for (CFileNode* n = loaded.tree.FindFolder("JPG")->GetFirstChild(); n; n = n->GetNextFile())
            names.push_back(n->GetName());
        EXPECT_EQ(names, (std::vector<std::string>{"file# 2.JPG", "a_]2;owned_.JPG"}));
        // Two names that differ only in their control characters are one
        // name once made safe.
        Bytes twins = head();
        twins.Folder("JPG", 2).File("a\x01.JPG", 8, 15).File("a\x02.JPG", 24, 31).Magic();
        EXPECT_EQ(ParseScanInfo(twins.b).error, ScanInfoError::ReadBody);
    }
    EXPECT_EQ(EscapeControlCharacters("a\x1b[31mb\x7f\xc2\x9b"), "a\\x1B[31mb\\x7F\\xC2\\x9B");
    EXPECT_EQ(EscapeControlCharacters("file# 1.JPG \xc3\xa9"), "file# 1.JPG \xc3\xa9");
    EXPECT_EQ(SafeNodeName("x\ty\xc2\x85z"), "x_y_z");
}

}  // namespace
}  // namespace tvn
