#include "output/zip_writer.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <ctime>
#include <random>
#include <sstream>

#include "tests/support/test_support.h"

namespace tvn {
namespace {

using test::ReadFile;
using test::RunCommand;
using test::TempDir;
using test::WriteFile;

// Lists an archive with Python's zipfile, one line per entry:
// name|method|size|csize|attr hex|Y-M-D h:m:s|same or differs
// where entry i is compared with the file named by the i-th extra argument
// ("-" for none). zipfile checks each entry's CRC as it reads it.
std::string PyList(const std::string& zip, const std::vector<std::string>& sources = {}) {
    std::string cmd =
        "python3 -c '\n"
        "import sys, zipfile\n"
        "z = zipfile.ZipFile(sys.argv[1])\n"
        "for i, e in enumerate(z.infolist()):\n"
        "    data = z.read(e)\n"
        "    src = sys.argv[2 + i] if len(sys.argv) > 2 + i else \"-\"\n"
        "    same = \"-\" if src == \"-\" else (\"same\" if open(src, \"rb\").read() == data "
        "else \"differs\")\n"
        "    print(\"%s|%d|%d|%d|%x|%d-%d-%d %d:%d:%d|%s\" % ((e.filename, e.compress_type, "
        "e.file_size, e.compress_size, e.external_attr) + e.date_time + (same,)))\n"
        "' '" +
        zip + "'";
    for (const std::string& s : sources) cmd += " '" + s + "'";
    std::string out;
    if (RunCommand(cmd + " 2>&1", &out) != 0) return "python failed: " + out;
    return out;
}

uint32_t Le16(const std::vector<uint8_t>& b, size_t at) {
    return static_cast<uint32_t>(b.at(at) | b.at(at + 1) << 8);
}
uint32_t Le32(const std::vector<uint8_t>& b, size_t at) {
    return Le16(b, at) | Le16(b, at + 2) << 16;
}

std::vector<uint8_t> Pattern(size_t n, unsigned seed) {
    std::vector<uint8_t> v(n);
    std::mt19937 rng(seed);
    for (size_t i = 0; i < n; ++i) {
        // Half random, half runs: deflate has something to do.
        v[i] = (i / 4096) % 2 == 0 ? static_cast<uint8_t>(rng()) : static_cast<uint8_t>(i / 64);
    }
    return v;
}

void SetTimes(const std::string& path, time_t atime, time_t mtime) {
    const timespec ts[2] = {{atime, 0}, {mtime, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), ts, 0), 0);
}

TEST(ZipWriter, EmptyArchiveIsTheEndRecordAlone) {
    TempDir dir;
    const std::string zip = dir / "empty.zip";
    auto w = CZipWriter::Create(zip);
    ASSERT_TRUE(w);
    EXPECT_EQ(w->Close(), kZipOk);
    const std::vector<uint8_t> expected = {0x50, 0x4B, 0x05, 0x06, 0, 0, 0, 0, 0, 0, 0,
                                           0,    0,    0,    0,    0, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(ReadFile(zip), expected);
    EXPECT_EQ(PyList(zip), "");
    EXPECT_FALSE(CZipWriter::Create(dir / "no such folder/x.zip"));
}

TEST(ZipWriter, EntriesReadBackIdenticalWithMethodsAndNames) {
    TempDir dir;
    const std::string jpg = dir / "file# 12.JPG";
    const std::string photo = dir / "photo.ZIP";
    const std::string empty = dir / "empty";
    const std::string blocks = dir / "blocks.tgz";
    WriteFile(jpg, Pattern(100'000, 1));
    WriteFile(photo, Pattern(5'000, 2));
    WriteFile(empty, {});
    WriteFile(blocks, Pattern(2 * 16384, 3));  // ends exactly at a block boundary

    const std::string zip = dir / "out.zip";
    auto w = CZipWriter::Create(zip);
    ASSERT_TRUE(w);
    EXPECT_EQ(w->AddFolder("Tarvolin 14.05.09\\JPG"), kZipOk);
    EXPECT_EQ(w->AddFile("Tarvolin 14.05.09\\JPG\\file# 12.JPG", jpg), kZipOk);
    EXPECT_EQ(w->AddFolder("Tarvolin 14.05.09/JPG/"), kZipOk);  // twice: two entries
    EXPECT_EQ(w->AddFile("Tarvolin 14.05.09/photo.ZIP", photo), kZipOk);
    EXPECT_EQ(w->AddFile("Tarvolin 14.05.09/empty", empty), kZipOk);
    EXPECT_EQ(w->AddFile("blocks.tgz", blocks), kZipOk);
    EXPECT_EQ(w->GetEntryCount(), 6u);
    EXPECT_EQ(w->Close(), kZipOk);

    std::string out;
    EXPECT_EQ(RunCommand("unzip -tq '" + zip + "' 2>&1", &out), 0) << out;
    std::istringstream lines(PyList(zip, {"-", jpg, "-", photo, empty, blocks}));
    std::vector<std::string> got;
    for (std::string line; std::getline(lines, line);) {
        got.push_back(line.substr(0, line.find('|', line.find('|') + 1)) + "|" +
                      line.substr(line.rfind('|') + 1));
    }
    const std::vector<std::string> expected = {
        "Tarvolin 14.05.09/JPG/|0|-",     "Tarvolin 14.05.09/JPG/file# 12.JPG|8|same",
        "Tarvolin 14.05.09/JPG/|0|-",     "Tarvolin 14.05.09/photo.ZIP|0|same",
        "Tarvolin 14.05.09/empty|8|same", "blocks.tgz|0|same",
    };
    EXPECT_EQ(got, expected);

    EXPECT_EQ(RunCommand("bsdtar -tvf '" + zip + "' 2>&1", &(out = "")), 0) << out;
    EXPECT_NE(out.find("Tarvolin 14.05.09/JPG/file# 12.JPG"), std::string::npos) << out;
    EXPECT_NE(out.find("blocks.tgz"), std::string::npos) << out;

    EXPECT_EQ(RunCommand("zipinfo -v '" + zip + "' 2>&1", &(out = "")), 0) << out;
    EXPECT_NE(out.find("compression method:                             deflated"),
              std::string::npos);
    EXPECT_NE(out.find("compression method:                             none (stored)"),
              std::string::npos);
    EXPECT_NE(out.find("subfield with ID 0x5455 (universal time) and 5 data bytes"),
              std::string::npos)
        << out;
    EXPECT_NE(out.find("local extra field has UTC/GMT modification/access/creation times"),
              std::string::npos);
    EXPECT_NE(out.find("uncompressed size:                              100000 bytes"),
              std::string::npos);
}

// The bytes of the layout: local headers rewritten with flags 0 and the final
// sizes, the 17- and 9-byte "UT" fields, version made by, offsets.
TEST(ZipWriter, LayoutOfHeadersAndExtraFields) {
    TempDir dir;
    const std::string src = dir / "a.bin";
    WriteFile(src, Pattern(40'000, 4));
    SetTimes(src, 1'300'000'000, 1'242'309'909);  // mtime 2009-05-14 14:05:09 UTC
    const std::string zip = dir / "l.zip";
    auto w = CZipWriter::Create(zip);
    ASSERT_TRUE(w);
    ASSERT_EQ(w->AddFolder("D"), kZipOk);
    ASSERT_EQ(w->AddFile("D/a.bin", src), kZipOk);
    ASSERT_EQ(w->Close(), kZipOk);

    const std::vector<uint8_t> b = ReadFile(zip);
    ASSERT_GE(b.size(), 22u);
    const size_t end = b.size() - 22;
    ASSERT_EQ(Le32(b, end), 0x06054B50u);
    EXPECT_EQ(Le16(b, end + 8), 2u);
    EXPECT_EQ(Le16(b, end + 10), 2u);
    const size_t cdSize = Le32(b, end + 12);
    size_t cd = Le32(b, end + 16);
    EXPECT_EQ(cd + cdSize, end);
    EXPECT_EQ(cdSize, 2 * (46u + 9u) + 2u + 7u);  // "D/" and "D/a.bin"

    for (int i = 0; i < 2; ++i) {
        SCOPED_TRACE(i);
        ASSERT_EQ(Le32(b, cd), 0x02014B50u);
        EXPECT_EQ(Le16(b, cd + 4), 0x0B17u);
        EXPECT_EQ(Le16(b, cd + 6), 20u);
        EXPECT_EQ(Le16(b, cd + 8), 0u);
        const uint32_t nameLen = Le16(b, cd + 28);
        EXPECT_EQ(Le16(b, cd + 30), 9u);
        const size_t lh = Le32(b, cd + 42);
        const size_t cx = cd + 46 + nameLen;
        EXPECT_EQ(
            std::string(b.begin() + static_cast<long>(cx), b.begin() + static_cast<long>(cx) + 2),
            "UT");
        EXPECT_EQ(Le16(b, cx + 2), 5u);
        EXPECT_EQ(b[cx + 4], 7u);

        // The local header agrees with the central one, with flags 0.
        ASSERT_EQ(Le32(b, lh), 0x04034B50u);
        EXPECT_EQ(Le16(b, lh + 4), 20u);
        EXPECT_EQ(Le16(b, lh + 6), 0u);
        for (size_t f = 0; f < 7; ++f) {
            EXPECT_EQ(Le16(b, lh + 8 + 2 * f), Le16(b, cd + 10 + 2 * f)) << "field " << f;
        }
        EXPECT_EQ(Le16(b, lh + 26), nameLen);
        EXPECT_EQ(Le16(b, lh + 28), 17u);
        const size_t lx = lh + 30 + nameLen;
        EXPECT_EQ(Le16(b, lx + 2), 13u);
        EXPECT_EQ(b[lx + 4], 7u);
        EXPECT_EQ(Le32(b, lx + 5), Le32(b, cx + 5));  // modification time
        if (i == 1) {
            EXPECT_EQ(Le32(b, lx + 5), 1'242'309'909u);
            EXPECT_EQ(Le32(b, lx + 9), 1'300'000'000u);  // access time
            EXPECT_NE(Le32(b, lx + 13), 0u);             // creation (birth or change) time
            // DOS time 14:05:08 (two-second units), date 2009-05-14, as UTC.
            EXPECT_EQ(Le16(b, cd + 12), (14u << 11) | (5u << 5) | 4u);
            EXPECT_EQ(Le16(b, cd + 14), (29u << 9) | (5u << 5) | 14u);
            EXPECT_EQ(Le16(b, cd + 10), 8u);
            EXPECT_EQ(Le32(b, cd + 24), 40'000u);
        } else {
            EXPECT_EQ(Le32(b, cd + 38), kFolderExternalAttributes);
            EXPECT_EQ(Le16(b, cd + 10), 0u);
            EXPECT_EQ(Le32(b, cd + 20), 0u);
            EXPECT_EQ(Le32(b, cd + 24), 0u);
        }
        cd += 46 + nameLen + 9;
    }
}

TEST(ZipWriter, AttributesFromModeBitsAndTheExecutableTest) {
    EXPECT_EQ(FileExternalAttributes(0100444, false), 0x81000001u);
    EXPECT_EQ(FileExternalAttributes(0100644, false), 0x81800000u);
    EXPECT_EQ(FileExternalAttributes(0100755, true), 0x81C00000u);
    EXPECT_EQ(FileExternalAttributes(0100555, true), 0x81400001u);

    TempDir dir;
    // 0x54AD at 0, p = 64 at offset 36, "PE\0\0" at p, long enough.
    std::vector<uint8_t> exe(200, 0);
    exe[0] = 0xAD, exe[1] = 0x54, exe[36] = 64, exe[64] = 'P', exe[65] = 'E';
    WriteFile(dir / "exe", exe);
    std::vector<uint8_t> mz = exe;
    mz[0] = 'M', mz[1] = 'Z';
    WriteFile(dir / "mz", mz);
    std::vector<uint8_t> shortExe(exe.begin(), exe.begin() + 116);  // length must exceed p + 52
    WriteFile(dir / "short", shortExe);
    std::vector<uint8_t> farP = exe;
    farP[39] = 0xFF;  // p far beyond the end
    WriteFile(dir / "far", farP);
    auto test = [&](const std::string& name) {
        const int fd = ::open((dir / name).c_str(), O_RDONLY);
        struct stat st {};
        ::fstat(fd, &st);
        const bool r = IsExecutableImage(fd, static_cast<ULONGLONG>(st.st_size));
        ::close(fd);
        return r;
    };
    EXPECT_TRUE(test("exe"));
    EXPECT_FALSE(test("mz"));
    EXPECT_FALSE(test("short"));
    EXPECT_FALSE(test("far"));

    // Through the archive: read-only source (tests may run as root, so the
    // attribute comes from the mode bits alone).
    ASSERT_EQ(::chmod((dir / "mz").c_str(), 0444), 0);
    const std::string zip = dir / "attr.zip";
    auto w = CZipWriter::Create(zip);
    ASSERT_TRUE(w);
    EXPECT_EQ(w->AddFile("mz", dir / "mz"), kZipOk);
    EXPECT_EQ(w->AddFile("exe", dir / "exe"), kZipOk);
    EXPECT_EQ(w->Close(), kZipOk);
    const std::string list = PyList(zip);
    EXPECT_NE(list.find("mz|8|200|"), std::string::npos) << list;
    EXPECT_NE(list.find("|81000001|"), std::string::npos) << list;
    EXPECT_NE(list.find("|81c00000|"), std::string::npos) << list;
}

TEST(ZipWriter, DosTimeIsClampedToWhatDosCanTell) {
    WORD date = 0, time = 0;
    ToDosDateTime(2009, 5, 14, 14, 5, 9, date, time);
    EXPECT_EQ(time, (14 << 11) | (5 << 5) | 4);
    EXPECT_EQ(date, (29 << 9) | (5 << 5) | 14);
    ToDosDateTime(1970, 1, 1, 0, 0, 0, date, time);
    EXPECT_EQ(date, (0 << 9) | (1 << 5) | 1);
    EXPECT_EQ(time, 0);
    ToDosDateTime(2200, 1, 1, 0, 0, 0, date, time);
    EXPECT_EQ(date, (127 << 9) | (12 << 5) | 31);
}

TEST(ZipWriter, NamesAreLimitedAndRefusalsAreNotSticky) {
    TempDir dir;
    WriteFile(dir / "f", {1, 2, 3});
    const std::string zip = dir / "n.zip";
    auto w = CZipWriter::Create(zip);
    ASSERT_TRUE(w);
    EXPECT_EQ(w->AddFile(std::string(259, 'a'), dir / "f"), kZipOk);
    EXPECT_EQ(w->AddFile(std::string(260, 'b'), dir / "f"), kZipArgs);
    EXPECT_EQ(w->AddFolder(std::string(259, 'c')), kZipArgs);  // 260 with its "/"
    EXPECT_EQ(w->AddFolder(""), kZipArgs);
    EXPECT_EQ(w->AddFile("missing", dir / "missing"), kZipNoFile);
    EXPECT_EQ(w->AddFile("a folder", dir.Path()), kZipNoFile);
    EXPECT_EQ(w->AddFolder(std::string(258, 'd')), kZipOk);
    EXPECT_EQ(w->GetEntryCount(), 2u);
    EXPECT_EQ(w->Close(), kZipOk);
    std::string out;
    EXPECT_EQ(RunCommand("unzip -tq '" + zip + "' 2>&1", &out), 0) << out;
}

TEST(ZipWriter, StickyErrorsAndEnded) {
    TempDir dir;
    WriteFile(dir / "f", Pattern(1000, 5));
    {
        // /proc files report size 0 but have contents: the size turns out wrong.
        const std::string zip = dir / "s.zip";
        auto w = CZipWriter::Create(zip);
        ASSERT_TRUE(w);
        EXPECT_EQ(w->AddFile("f", dir / "f"), kZipOk);
        EXPECT_EQ(w->AddFile("status", "/proc/self/status"), kZipMisSize);
        EXPECT_EQ(w->AddFile("f2", dir / "f"), kZipOk);  // the archive itself is sound
        EXPECT_EQ(w->Close(), kZipOk);
        EXPECT_EQ(w->AddFolder("late"), kZipEnded);
        EXPECT_EQ(w->AddFile("late", dir / "f"), kZipEnded);
        EXPECT_EQ(w->Close(), kZipEnded);
        std::string out;
        EXPECT_EQ(RunCommand("unzip -tq '" + zip + "' 2>&1", &out), 0) << out;
        const std::string list = PyList(zip, {dir / "f", dir / "f"});
        EXPECT_EQ(list.find("status"), std::string::npos) << list;
        EXPECT_NE(list.find("f2|8|1000|"), std::string::npos) << list;
    }
    {
        // A write failure sticks: later additions do nothing.
        auto w = CZipWriter::Create("/dev/full");
        ASSERT_TRUE(w);
        EXPECT_EQ(w->AddFolder("x"), kZipWrite);
        EXPECT_EQ(w->AddFolder("y"), kZipFailed);
        EXPECT_EQ(w->AddFile("f", dir / "f"), kZipFailed);
        EXPECT_EQ(w->Close(), kZipWrite);
        EXPECT_EQ(w->AddFolder("z"), kZipEnded);
    }
    std::unique_ptr<CZipWriter> none;
    EXPECT_EQ(ZipAddFolder(none.get(), "x"), kZipArgs);
    EXPECT_EQ(ZipAddFile(none.get(), "x", dir / "f"), kZipArgs);
    EXPECT_EQ(ZipClose(none), kZipArgs);
}

TEST(ZipWriter, CountsAndSizesNeverWrap) {
    TempDir dir;
    {
        // 65,535 entries fit; the next addition is refused and nothing wraps.
        const std::string zip = dir / "many.zip";
        auto w = CZipWriter::Create(zip);
        ASSERT_TRUE(w);
        for (uint32_t i = 0; i < kZipMaxEntries; ++i) {
            ASSERT_EQ(w->AddFolder(std::to_string(i)), kZipOk) << i;
        }
        EXPECT_EQ(w->AddFolder("one more"), kZipFull);
        EXPECT_EQ(w->Close(), kZipOk);
        std::string out;
        EXPECT_EQ(RunCommand("python3 -c 'import sys, zipfile; "
                             "print(len(zipfile.ZipFile(sys.argv[1]).infolist()))' '" +
                                 zip + "'",
                             &out),
                  0);
        EXPECT_EQ(out, "65535\n");
    }
    {
        // The whole archive stays within the size limit.
        WriteFile(dir / "p.zip", Pattern(600, 6));
        const std::string zip = dir / "limit.zip";
        auto w = CZipWriter::Create(zip);
        ASSERT_TRUE(w);
        w->SetSizeLimit(2000);
        EXPECT_EQ(w->AddFile("p.zip", dir / "p.zip"), kZipOk);
        EXPECT_EQ(w->AddFile("p.zip", dir / "p.zip"), kZipOk);
        EXPECT_EQ(w->AddFile("p.zip", dir / "p.zip"), kZipFull);
        EXPECT_EQ(w->AddFolder("still room for a folder"), kZipOk);
        EXPECT_EQ(w->Close(), kZipOk);
        EXPECT_LE(ReadFile(zip).size(), 2000u);
        std::string out;
        EXPECT_EQ(RunCommand("unzip -tq '" + zip + "' 2>&1", &out), 0) << out;
    }
    {
        // A source of more than 4 GiB (sparse) is refused before it is read.
        const std::string big = dir / "big.zip";
        const int fd = ::open(big.c_str(), O_CREAT | O_WRONLY, 0644);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::ftruncate(fd, off_t{0x100000000} + 10), 0);
        ::close(fd);
        const std::string zip = dir / "big-out.zip";
        auto w = CZipWriter::Create(zip);
        ASSERT_TRUE(w);
        EXPECT_EQ(w->AddFile("big.zip", big), kZipFull);
        EXPECT_EQ(w->Close(), kZipOk);
        EXPECT_EQ(ReadFile(zip).size(), 22u);
    }
}

TEST(ZipWriter, ResultTexts) {
    EXPECT_STREQ(ZipResultText(kZipOk), "Success");
    EXPECT_STREQ(ZipResultText(kZipDupHandle), "Culdn't duplicate handle");
    EXPECT_STREQ(ZipResultText(kZipEnded), "Caller: additions to the zip have already been ended");
    EXPECT_STREQ(ZipResultText(kZipMisSize), "Zip-bug: the anticipated size turned out wrong");
    EXPECT_STREQ(ZipResultText(kZipFlate), "Zip-bug: an internal error during flation");
    EXPECT_STREQ(ZipResultText(0x123), "unknown zip result code");
}

}  // namespace
}  // namespace tvn
