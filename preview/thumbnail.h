// Small pictures of found files for the found-data list, from the file's
// bytes: a camera raw type's embedded preview (through LibRaw, as the viewer
// shows it), a movie's first frame where its container and codec allow
// (preview/movie_frame.h), anything else through Qt's image readers, which
// decode a JPEG straight at the small size. Runs in the decoder process
// (preview/decoder_link.h), never in the wizard's own.
#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <string_view>

namespace tvn::preview {

// Camera raw types, shown by their embedded preview.
bool IsRawType(std::string_view type);

// A picture no larger than box, or a null image when the bytes do not decode.
QImage ThumbnailOfBytes(const QByteArray& bytes, std::string_view type, QSize box);

}  // namespace tvn::preview
