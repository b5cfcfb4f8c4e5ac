// Feeds arbitrary bytes to the preview's decoding: the first byte picks the
// image type (BMP ... HEIC) or a movie type whose first frame the thumbnails
// read (AVI, MOV, MP4), the rest is the file. Qt's image readers, LibRaw and
// libheif must answer with a picture or nothing, never crash or hang; a
// picture must be as large as the record says it is no larger than allowed.
#include <QCoreApplication>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "preview/decode.h"
#include "preview/movie_frame.h"

namespace {
QCoreApplication* g_app = nullptr;
}

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    // The image readers are plugins, found through the application object.
    g_app = new QCoreApplication(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace tvn::preview;
    if (size == 0) return 0;
    static const char* const kTypes[] = {"BMP", "PNG", "JPG", "GIF", "TIF", "CRW", "CR2",
                                         "SRF", "SR2", "MRW", "ORF", "NEF", "CR3", "ARW",
                                         "RAF", "RW2", "DNG", "PEF", "NRW", "HEIC", "AVI",
                                         "MOV", "MP4"};
    const char* type = kTypes[data[0] % 23];
    const QByteArray bytes(reinterpret_cast<const char*>(data + 1), static_cast<qsizetype>(size - 1));
    if (HasMovieFrames(type)) {
        const QImage frame = FirstMovieFrame(bytes, type);
        if (!frame.isNull() && static_cast<uint64_t>(frame.width()) * static_cast<uint64_t>(frame.height()) > kMaxPixels)
            std::abort();
        return 0;
    }
    CImageInfo info;
    const QImage image = DecodeImageBytes(bytes, type, info);
    if (!image.isNull()) {
        const uint64_t pixels = static_cast<uint64_t>(image.width()) * static_cast<uint64_t>(image.height());
        if (pixels > kMaxPixels || info.width == 0 || info.formatName == "none") std::abort();
    } else if (info.width != 0) {
        std::abort();  // a failed decode keeps the reset record
    }
    return 0;
}
