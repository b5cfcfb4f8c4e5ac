// The CRW (CIFF) and MRW recognizers: header fields, the CRW length search and
// the MRW length worked out from its header.
#include <gtest/gtest.h>

#include <unistd.h>

#include "disk/io.h"
#include "scan/scanner.h"
#include "tests/support/test_support.h"
#include "tools/media/image.h"

namespace tvn {
namespace {

using media::Bytes;
using media::ImageFile;

constexpr uint64_t B = kScanBufferSize;

struct One {
    One(const std::string& image, FileType type)
        : source(image, 2), ctx(source, counters, reporter) {
        recognizer = MakeRecognizer(ctx, type);
        ::lseek(source.GetHandle(), 0, SEEK_SET);
        recognizer->AllocBuffer(kScanBufferSize);
        recognizer->ReadBlock();
    }
    bool HeaderAt(DWORD p) {
        recognizer->SetOffset(p);
        return recognizer->IsFileHeader();
    }
    ULONGLONG LengthAt(DWORD p) {
        recognizer->SetOffset(p);
        return recognizer->GetFileSize();
    }
    CDiskSource source;
    CTypeCounters counters;
    test::RecordingReporter reporter;
    CScanContext ctx;
    std::unique_ptr<CScanner> recognizer;
};

Bytes Ciff(uint32_t headerLength = 26, uint32_t version = 0x00010002, char order = 'I') {
    Bytes b = {static_cast<uint8_t>(order), static_cast<uint8_t>(order)};
    for (int i = 0; i < 4; ++i) b.push_back(static_cast<uint8_t>(headerLength >> (8 * i)));
    for (char c : std::string("HEAPCCDR")) b.push_back(static_cast<uint8_t>(c));
    for (int i = 0; i < 4; ++i) b.push_back(static_cast<uint8_t>(version >> (8 * i)));
    return b;
}

TEST(Crw, EveryHeaderFieldMustHold) {
    test::TempDir dir;
    const std::string path = dir / "h.img";
    {
        ImageFile img(path, 1 << 20);
        img.Write(0, Ciff());
        img.Write(512, Ciff(27));
        img.Write(1024, Ciff(26, 0x00010001));  // bytes 01 00 01 00
        img.Write(1536, Ciff(26, 0x00020001));
        img.Write(2048, Ciff(26, 0x00010002, 'M'));
        Bytes sig = Ciff();
        sig[9] = 'X';  // HEAPXCDR
        img.Write(2560, sig);
    }
    One crw(path, FileType::CRW);
    const bool expected[] = {true, false, false, false, false, false};
    for (DWORD i = 0; i < 6; ++i) EXPECT_EQ(crw.HeaderAt(i * 512), expected[i]) << "sector " << i;
}

TEST(Crw, LengthRunsToTheNextSignatureAtA512ByteStep) {
    test::TempDir dir;
    const std::string path = dir / "l.img";
    {
        ImageFile img(path, 2 << 20);
        img.Write(0, Ciff());
        img.Write(1024, Bytes{'H', 'E', 'A', 'P', 'C', 'C', 'D', 'R'});  // at q, not q+6
        img.Write(1536 + 256, Ciff());                                   // not on the step
        img.Write(3072, Ciff(27, 0));  // the signature alone ends it
        img.Write(8192, Ciff());
    }
    One crw(path, FileType::CRW);
    EXPECT_EQ(crw.LengthAt(0), 3072u);
    EXPECT_EQ(crw.LengthAt(3072), 8192u - 3072u);
    EXPECT_EQ(crw.LengthAt(8192), 31 * B - 8192);  // no further start: the whole window
    EXPECT_TRUE(crw.reporter.console.empty());
}

// A Minolta header: D at 4, H at 24, W at 26, storage at 34, in the byte order
// that byte 3 names.
Bytes Mrw(char form, uint32_t d, uint16_t h, uint16_t w, uint8_t storage) {
    Bytes b(64, 0);
    b[1] = 'M';
    b[2] = 'R';
    b[3] = static_cast<uint8_t>(form);
    auto put = [&](size_t at, uint32_t v, int bytes) {
        for (int i = 0; i < bytes; ++i) {
            const int shift = form == 'M' ? 8 * (bytes - 1 - i) : 8 * i;
            b[at + static_cast<size_t>(i)] = static_cast<uint8_t>(v >> shift);
        }
    };
    put(4, d, 4);
    b[8] = 0;
    b[9] = 'P';
    b[10] = 'R';
    b[11] = 'D';
    put(24, h, 2);
    put(26, w, 2);
    b[34] = storage;
    return b;
}

TEST(Mrw, LengthComesFromTheHeaderInEitherByteOrder) {
    test::TempDir dir;
    const std::string path = dir / "m.img";
    {
        ImageFile img(path, 1 << 20);
        img.Write(0, Mrw('M', 65536, 2000, 3000, 'Y'));
        img.Write(512, Mrw('M', 65536, 2000, 3000, 'R'));
        img.Write(1024, Mrw('I', 65536, 2000, 3000, 'Y'));
        img.Write(1536, Mrw('I', 65536, 2000, 3000, 'R'));
        img.Write(2048, Mrw('M', 65536, 2000, 3000, 0));
        img.Write(2560, Mrw('M', 100, 3, 5, 'Y'));  // 22.5 bytes of pixels: truncated
        // 65,535 x 65,535 unpacked pixels: far past 4 GiB, which must not wrap
        // round into a length the scan would keep.
        img.Write(3072, Mrw('M', 0xFFFFFFF0u, 65535, 65535, 'R'));
        img.Write(3584, Bytes{0x00, 'M', 'R', 'X'});
        img.Write(4096, Bytes{0x01, 'M', 'R', 'M'});
    }
    One mrw(path, FileType::MRW);
    for (DWORD p = 0; p <= 3072; p += 512) EXPECT_TRUE(mrw.HeaderAt(p)) << p;
    EXPECT_FALSE(mrw.HeaderAt(3584));
    EXPECT_FALSE(mrw.HeaderAt(4096));

    const int64_t filePos = TellFd(mrw.source.GetHandle());
    EXPECT_EQ(mrw.LengthAt(0), 9065544u);
    EXPECT_EQ(mrw.LengthAt(512), 12065544u);
    EXPECT_EQ(mrw.LengthAt(1024), 9065544u);
    EXPECT_EQ(mrw.LengthAt(1536), 12065544u);
    EXPECT_EQ(mrw.LengthAt(2048), 0u);
    EXPECT_EQ(mrw.LengthAt(2560), 22u + 100u + 8u);
    EXPECT_EQ(mrw.LengthAt(3072), 65535ull * 65535ull * 2 + 0xFFFFFFF0ull + 8);
    EXPECT_EQ(TellFd(mrw.source.GetHandle()), filePos);
}

}  // namespace
}  // namespace tvn
