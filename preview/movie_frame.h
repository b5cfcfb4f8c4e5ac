// The first picture of a found movie, for its thumbnail, read straight from
// the container without a player: the first video frame of an AVI (Motion-
// JPEG, or uncompressed 24-bit), and the first sample of a Motion-JPEG track
// of a QuickTime or MP4 file ("jpeg", "mjpa" sample entries). Other codecs
// give nothing, and the list keeps its plain picture. The bytes come off a
// damaged medium: every length and offset is checked against the data, and
// the container is walked to a fixed depth.
#pragma once

#include <QByteArray>
#include <QImage>
#include <string_view>

namespace tvn::preview {

// The first frame of data (a whole AVI, MOV or MP4 file, type its folder
// name), or a null image.
QImage FirstMovieFrame(const QByteArray& data, std::string_view type);

// Types FirstMovieFrame reads.
bool HasMovieFrames(std::string_view type);

}  // namespace tvn::preview
