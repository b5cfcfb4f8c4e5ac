// Decoding a preview copy into a picture: Qt's image readers for BMP, PNG,
// JPG, GIF and TIF; LibRaw for the camera raw types (the camera's embedded
// preview when it has one, else a half-size decode of the raw data). The
// bytes come straight off a damaged medium, so every size is checked before
// anything is allocated and a file that does not decode gives a null image.
// Safe on any thread: the preview dialog runs it on its worker.
#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>
#include <string>
#include <string_view>

#include "preview/image_info.h"

namespace tvn::preview {

// Pictures larger than this many pixels are not decoded.
inline constexpr uint64_t kMaxPixels = 100'000'000;
// Copies larger than this are not read for decoding (the preview copy is
// never larger than 80 MiB plus a sector).
inline constexpr qint64 kMaxDecodeBytes = 96 * 1024 * 1024;

// Decodes data as an image of type (its folder name, "JPG", "NEF", ...).
// info is reset, then filled from what the decoder reports; name and file
// size are the caller's. Returns a null image on failure.
QImage DecodeImageBytes(const QByteArray& data, std::string_view type, CImageInfo& info);

// The same for a file; the record's name is the file's name.
QImage DecodeImageFile(const QString& path, std::string_view type, CImageInfo& info);

// The "no preview" picture shown when decoding fails.
QImage NoPreviewImage();

}  // namespace tvn::preview
