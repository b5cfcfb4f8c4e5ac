#include "preview/decode.h"

#include <libheif/heif.h>
#include <libraw/libraw.h>

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QPainter>
#include <QPainterPath>
#include <array>
#include <cstring>
#include <memory>

#include "app/bytes.h"

namespace tvn::preview {

namespace {

struct FormatFacts {
    std::string_view type;
    const char* qtFormat;  // nullptr: a camera raw type, decoded by LibRaw
    const char* name;
};

// In the order of the scan's type list; the position is the format index.
constexpr std::array<FormatFacts, 20> kFormats{{
    {"BMP", "bmp", "Windows Bitmap"},
    {"PNG", "png", "Portable Network Graphics"},
    {"JPG", "jpeg", "JPEG File Interchange Format"},
    {"GIF", "gif", "CompuServe Graphics Interchange Format"},
    {"TIF", "tiff", "Tagged Image File Format"},
    {"CRW", nullptr, "Canon Raw (CIFF)"},
    {"CR2", nullptr, "Canon Raw 2"},
    {"SRF", nullptr, "Sony Raw Format"},
    {"SR2", nullptr, "Sony Raw 2"},
    {"MRW", nullptr, "Minolta Raw"},
    {"ORF", nullptr, "Olympus Raw Format"},
    {"NEF", nullptr, "Nikon Electronic Format"},
    // The formats of today's cameras and phones.
    {"CR3", nullptr, "Canon Raw 3"},
    {"ARW", nullptr, "Sony Alpha Raw"},
    {"RAF", nullptr, "Fujifilm Raw"},
    {"RW2", nullptr, "Panasonic Raw 2"},
    {"DNG", nullptr, "Digital Negative"},
    {"PEF", nullptr, "Pentax Electronic File"},
    {"NRW", nullptr, "Nikon Raw (Coolpix)"},
    {"HEIC", "heic", "High Efficiency Image File"},
}};
// The first format of today's cameras and phones in kFormats.
constexpr uint32_t kFirstNewerFormat = 12;

const FormatFacts* FindFormat(std::string_view type, uint32_t& index) {
    for (uint32_t i = 0; i < kFormats.size(); ++i) {
        if (kFormats[i].type == type) {
            index = i;
            return &kFormats[i];
        }
    }
    return nullptr;
}

const char* CompressionText(uint32_t c) {
    switch (c) {
        case kCompressRle: return "RLE";
        case kCompressLzw: return "LZW";
        case kCompressJpeg: return "JPEG";
        case kCompressDeflate: return "Deflate";
        case kCompressPackBits: return "PackBits";
        case kCompressRaw: return "Camera raw";
        default: return "None";
    }
}

// A 16- or 32-bit number at a position of the data, in the byte order given.
uint32_t U16At(const QByteArray& d, qsizetype at, bool big) {
    return LoadU16(reinterpret_cast<const uint8_t*>(d.constData()) + at, big);
}

uint32_t U32At(const QByteArray& d, qsizetype at, bool big) {
    return LoadU32(reinterpret_cast<const uint8_t*>(d.constData()) + at, big);
}

// The Compression tag (259) of a TIFF file's first IFD; every offset is
// checked against the data.
uint32_t TiffCompression(const QByteArray& d) {
    if (d.size() < 8) return kCompressNone;
    const bool big = d[0] == 'M';
    const uint32_t ifd = U32At(d, 4, big);
    if (ifd > static_cast<uint64_t>(d.size()) - 2) return kCompressNone;
    const uint32_t count = U16At(d, ifd, big);
    for (uint32_t i = 0; i < count; ++i) {
        const uint64_t at = uint64_t{ifd} + 2 + 12 * uint64_t{i};
        if (at + 12 > static_cast<uint64_t>(d.size())) break;
        if (U16At(d, static_cast<qsizetype>(at), big) != 259) continue;
        switch (U16At(d, static_cast<qsizetype>(at + 8), big)) {
            case 1: return kCompressNone;
            case 5: return kCompressLzw;
            case 6:
            case 7: return kCompressJpeg;
            case 8:
            case 32946: return kCompressDeflate;
            case 32773: return kCompressPackBits;
            default: return kCompressRle;
        }
    }
    return kCompressNone;
}

uint32_t BmpCompression(const QByteArray& d) {
    if (d.size() < 34) return kCompressNone;
    const uint32_t c = U32At(d, 30, false);
    return c == 1 || c == 2 ? kCompressRle : kCompressNone;
}

void FillFromPicture(const QImage& image, CImageInfo& info) {
    info.width = static_cast<uint32_t>(image.width());
    info.height = static_cast<uint32_t>(image.height());
    if (image.isGrayscale()) {
        info.colorModel = kColorGrey;
        info.componentsPerPixel = image.hasAlphaChannel() ? 2 : 1;
    } else {
        info.colorModel = kColorRgb;
        info.componentsPerPixel = image.hasAlphaChannel() ? 4 : 3;
    }
}

QImage DecodeWithQt(const QByteArray& data, const FormatFacts& format, std::string_view type,
                    CImageInfo& info) {
    QByteArray copy = data;  // QBuffer wants a non-const array
    QBuffer buffer(&copy);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, format.qtFormat);
    reader.setDecideFormatFromContent(false);
    if (!reader.canRead()) return {};
    const QSize size = reader.size();
    if (size.isValid() && static_cast<uint64_t>(size.width()) * static_cast<uint64_t>(size.height()) >
                              kMaxPixels)
        return {};
    const int frames = reader.imageCount();
    QString text = reader.text(QStringLiteral("Description"));
    if (text.isEmpty()) text = reader.text(QStringLiteral("ImageDescription"));
    if (text.isEmpty()) text = reader.text(QStringLiteral("Comment"));
    QImage image = reader.read();
    if (image.isNull()) return {};
    FillFromPicture(image, info);
    if (type == "JPG") {
        info.compression = kCompressJpeg;
        if (!image.isGrayscale()) info.colorModel = kColorYCbCr;
    } else if (type == "PNG") {
        info.compression = kCompressDeflate;
    } else if (type == "GIF") {
        info.compression = kCompressLzw;
    } else if (type == "TIF") {
        info.compression = TiffCompression(data);
    } else if (type == "BMP") {
        info.compression = BmpCompression(data);
    }
    info.numberOfImages = frames > 0 ? static_cast<uint32_t>(frames) : 1;
    if (!text.isEmpty()) info.description = text.simplified().toStdString();
    return image;
}

QImage FromLibRawPicture(const libraw_processed_image_t& p) {
    if (p.type == LIBRAW_IMAGE_JPEG) {
        QImage image;
        image.loadFromData(p.data, static_cast<int>(p.data_size), "jpeg");
        return image;
    }
    if (p.type != LIBRAW_IMAGE_BITMAP || p.bits != 8 || (p.colors != 3 && p.colors != 1))
        return {};
    const uint64_t need = uint64_t{p.width} * p.height * p.colors;
    if (p.width == 0 || p.height == 0 || need > p.data_size ||
        uint64_t{p.width} * p.height > kMaxPixels)
        return {};
    const QImage::Format fmt = p.colors == 3 ? QImage::Format_RGB888 : QImage::Format_Grayscale8;
    const QImage view(p.data, p.width, p.height, static_cast<qsizetype>(p.width) * p.colors, fmt);
    return view.copy();  // the view does not own LibRaw's memory
}

QImage DecodeWithLibRaw(const QByteArray& data, CImageInfo& info) {
    // LibRaw's object is large; keep it off the worker's stack.
    auto raw = std::make_unique<LibRaw>(LIBRAW_OPTIONS_NONE);
    raw->imgdata.params.max_raw_memory_mb = 1024;
    raw->imgdata.params.half_size = 1;
    raw->imgdata.params.use_camera_wb = 1;
    QByteArray copy = data;  // LibRaw takes a writable pointer
    if (raw->open_buffer(copy.data(), static_cast<size_t>(copy.size())) != LIBRAW_SUCCESS) return {};

    QImage image;
    int err = 0;
    if (raw->unpack_thumb() == LIBRAW_SUCCESS) {
        if (libraw_processed_image_t* thumb = raw->dcraw_make_mem_thumb(&err)) {
            image = FromLibRawPicture(*thumb);
            LibRaw::dcraw_clear_mem(thumb);
        }
    }
    if (image.isNull() && raw->unpack() == LIBRAW_SUCCESS && raw->dcraw_process() == LIBRAW_SUCCESS) {
        if (libraw_processed_image_t* full = raw->dcraw_make_mem_image(&err)) {
            image = FromLibRawPicture(*full);
            LibRaw::dcraw_clear_mem(full);
        }
    }
    if (image.isNull()) return {};

    const libraw_image_sizes_t& sizes = raw->imgdata.sizes;
    const libraw_iparams_t& id = raw->imgdata.idata;
    if (sizes.width > 0 && sizes.height > 0) {
        info.width = sizes.width;
        info.height = sizes.height;
    } else {
        info.width = static_cast<uint32_t>(image.width());
        info.height = static_cast<uint32_t>(image.height());
    }
    info.colorModel = id.colors == 1 ? kColorGrey : kColorRgb;
    info.componentsPerPixel = id.colors > 0 ? static_cast<uint32_t>(id.colors) : 3;
    info.compression = kCompressRaw;
    std::string camera = std::string(id.make, strnlen(id.make, sizeof id.make));
    const std::string model(id.model, strnlen(id.model, sizeof id.model));
    if (!model.empty()) camera += (camera.empty() ? "" : " ") + model;
    if (!camera.empty()) info.description = camera;
    info.numberOfImages = 1 + (raw->imgdata.thumbnail.tlength > 0 ? 1u : 0u);
    return image;
}

// The largest complete JPEG stream (SOI ... EOI) inside a raw file, decoded:
// the camera's preview, for raw files LibRaw does not open.
QImage DecodeEmbeddedJpeg(const QByteArray& data, CImageInfo& info) {
    const auto* d = reinterpret_cast<const uint8_t*>(data.constData());
    const size_t n = static_cast<size_t>(data.size());
    QImage best;
    size_t bestBytes = 0;
    for (size_t at = 0; at + 4 <= n; ++at) {
        if (d[at] != 0xFF || d[at + 1] != 0xD8 || d[at + 2] != 0xFF) continue;
        // The stream's end: the last EOI the decoder accepts is found by
        // letting Qt read from the SOI on.
        QByteArray piece = QByteArray::fromRawData(data.constData() + at, static_cast<qsizetype>(n - at));
        QBuffer buffer(&piece);
        buffer.open(QIODevice::ReadOnly);
        QImageReader reader(&buffer, "jpeg");
        reader.setDecideFormatFromContent(false);
        const QSize size = reader.size();
        if (!size.isValid() ||
            static_cast<uint64_t>(size.width()) * static_cast<uint64_t>(size.height()) > kMaxPixels ||
            static_cast<size_t>(size.width()) * static_cast<size_t>(size.height()) <= bestBytes) {
            continue;
        }
        QImage image = reader.read();
        if (image.isNull()) continue;
        bestBytes = static_cast<size_t>(size.width()) * static_cast<size_t>(size.height());
        best = std::move(image);
    }
    if (best.isNull()) return {};
    FillFromPicture(best, info);
    info.compression = kCompressRaw;
    info.numberOfImages = 1;
    return best;
}

// HEIC/HEIF through libheif: the primary picture, decoded; where its coding
// cannot be decoded, its size from the file's own properties, shown as a
// plain picture of that shape.
QImage DecodeHeif(const QByteArray& data, CImageInfo& info) {
    std::unique_ptr<heif_context, void (*)(heif_context*)> ctx(heif_context_alloc(), heif_context_free);
    if (!ctx) return {};
    heif_error err = heif_context_read_from_memory_without_copy(ctx.get(), data.constData(),
                                                                static_cast<size_t>(data.size()), nullptr);
    if (err.code != heif_error_Ok) return {};
    heif_image_handle* rawHandle = nullptr;
    err = heif_context_get_primary_image_handle(ctx.get(), &rawHandle);
    if (err.code != heif_error_Ok || rawHandle == nullptr) return {};
    std::unique_ptr<heif_image_handle, void (*)(const heif_image_handle*)> handle(rawHandle,
                                                                                 heif_image_handle_release);
    const int w = heif_image_handle_get_width(handle.get());
    const int h = heif_image_handle_get_height(handle.get());
    if (w <= 0 || h <= 0 || static_cast<uint64_t>(w) * static_cast<uint64_t>(h) > kMaxPixels) return {};
    info.numberOfImages = static_cast<uint32_t>(std::max(1, heif_context_get_number_of_top_level_images(ctx.get())));
    info.compression = kCompressNone;
    heif_image* rawImage = nullptr;
    err = heif_decode_image(handle.get(), &rawImage, heif_colorspace_RGB, heif_chroma_interleaved_RGB, nullptr);
    QImage image;
    if (err.code == heif_error_Ok && rawImage != nullptr) {
        std::unique_ptr<heif_image, void (*)(const heif_image*)> decoded(rawImage, heif_image_release);
        int stride = 0;
        const uint8_t* plane = heif_image_get_plane_readonly(decoded.get(), heif_channel_interleaved, &stride);
        const int dw = heif_image_get_width(decoded.get(), heif_channel_interleaved);
        const int dh = heif_image_get_height(decoded.get(), heif_channel_interleaved);
        if (plane != nullptr && dw > 0 && dh > 0) {
            image = QImage(plane, dw, dh, stride, QImage::Format_RGB888).copy();
        }
    }
    if (image.isNull()) {
        // Not decodable here: the picture's size, as a grey picture of its shape.
        const double scale = std::min(1.0, 640.0 / std::max(w, h));
        image = QImage(std::max(1, static_cast<int>(w * scale)), std::max(1, static_cast<int>(h * scale)),
                       QImage::Format_RGB32);
        image.fill(QColor(0xd8, 0xd8, 0xd8));
        info.description = "Picture not decodable here; size from the file";
    }
    info.width = static_cast<uint32_t>(w);
    info.height = static_cast<uint32_t>(h);
    info.colorModel = kColorYCbCr;
    info.componentsPerPixel = 3;
    return image;
}

}  // namespace

QImage DecodeImageBytes(const QByteArray& data, std::string_view type, CImageInfo& info) {
    const std::string name = info.name;
    const uint64_t fileSize = info.fileSize;
    info = CImageInfo{};
    info.name = name;
    info.fileSize = fileSize;
    uint32_t index = 0;
    const FormatFacts* format = FindFormat(type, index);
    if (format == nullptr || data.isEmpty() || data.size() > kMaxDecodeBytes) return {};

    CImageInfo found = info;
    QImage image;
    if (type == "HEIC") {
        image = DecodeHeif(data, found);
    } else if (format->qtFormat != nullptr) {
        image = DecodeWithQt(data, *format, type, found);
    } else {
        image = DecodeWithLibRaw(data, found);
        // The newer raw formats: the embedded preview where LibRaw gives none.
        if (image.isNull() && index >= kFirstNewerFormat) {
            found = info;
            image = DecodeEmbeddedJpeg(data, found);
        }
    }
    if (image.isNull()) return {};
    found.formatIndex = index;
    found.formatName = format->name;
    found.compressionDescription = CompressionText(found.compression);
    info = found;
    // One picture format for every viewer: 32-bit RGB, no alpha to blend.
    return image.convertToFormat(QImage::Format_RGB32);
}

QImage DecodeImageFile(const QString& path, std::string_view type, CImageInfo& info) {
    info = CImageInfo{};
    const QFileInfo fi(path);
    info.name = fi.fileName().toStdString();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    info.fileSize = static_cast<uint64_t>(file.size());
    if (file.size() > kMaxDecodeBytes) return {};
    return DecodeImageBytes(file.readAll(), type, info);
}

QImage NoPreviewImage() {
    QImage image(320, 240, QImage::Format_RGB32);
    image.fill(QColor(0xf2, 0xf2, 0xf2));
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    // A picture frame with a mountain and a sun, struck through.
    const QRectF frame(110, 50, 100, 76);
    p.setPen(QPen(QColor(0x9a, 0x9a, 0x9a), 3));
    p.setBrush(Qt::white);
    p.drawRoundedRect(frame, 6, 6);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xc8, 0xc8, 0xc8));
    QPainterPath hill;
    hill.moveTo(118, 118);
    hill.lineTo(148, 80);
    hill.lineTo(168, 102);
    hill.lineTo(180, 90);
    hill.lineTo(202, 118);
    hill.closeSubpath();
    p.drawPath(hill);
    p.drawEllipse(QPointF(186, 68), 8, 8);
    p.setPen(QPen(QColor(0xc0, 0x39, 0x2b), 5, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(104, 134), QPointF(216, 42));
    p.setPen(QColor(0x55, 0x55, 0x55));
    QFont font = p.font();
    font.setPixelSize(16);
    font.setBold(true);
    p.setFont(font);
    p.drawText(QRectF(0, 150, 320, 30), Qt::AlignCenter, QStringLiteral("No preview"));
    font.setBold(false);
    font.setPixelSize(12);
    p.setFont(font);
    p.drawText(QRectF(0, 176, 320, 40), Qt::AlignCenter,
               QStringLiteral("The file could not be decoded.\nIt may be damaged or incomplete."));
    return image;
}

}  // namespace tvn::preview
