#include "preview/thumbnail.h"

#include <QBuffer>
#include <QImageReader>
#include <algorithm>
#include <iterator>

#include "preview/decode.h"
#include "preview/image_info.h"
#include "preview/movie_frame.h"

namespace tvn::preview {

bool IsRawType(std::string_view type) {
    static const char* const kRaw[] = {"CRW", "CR2", "CR3", "SRF", "SR2", "ARW", "MRW", "ORF",
                                       "NEF", "NRW", "RAF", "RW2", "DNG", "PEF"};
    return std::any_of(std::begin(kRaw), std::end(kRaw), [&](const char* t) { return type == t; });
}

namespace {

QImage Fit(QImage image, QSize box) {
    if (image.isNull()) return {};
    if (image.width() > box.width() || image.height() > box.height())
        image = image.scaled(box, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    return image;
}

}  // namespace

QImage ThumbnailOfBytes(const QByteArray& bytes, std::string_view type, QSize box) {
    if (bytes.isEmpty() || box.isEmpty()) return {};
    if (HasMovieFrames(type)) return Fit(FirstMovieFrame(bytes, type), box);
    if (IsRawType(type) || type == "HEIC") {
        // The viewer's decoder: the embedded preview, else a half-size
        // decode of the raw data; libheif for HEIC.
        CImageInfo info;
        return Fit(DecodeImageBytes(bytes, type, info), box);
    }
    QByteArray data = bytes;
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setAutoTransform(true);
    const QSize full = reader.size();
    if (full.isValid() &&
        static_cast<uint64_t>(full.width()) * static_cast<uint64_t>(full.height()) > kMaxPixels)
        return {};
    if (full.isValid() && (full.width() > box.width() || full.height() > box.height())) {
        // Readers that can (JPEG) decode straight at the small size.
        reader.setScaledSize(full.scaled(box, Qt::KeepAspectRatio).expandedTo(QSize(1, 1)));
    }
    return Fit(reader.read(), box);
}

}  // namespace tvn::preview
