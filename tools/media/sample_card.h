// The built-in sample: a camera card image with media files placed as a camera
// would leave them.
#pragma once

#include <string>

namespace tvn::media {

// Writes the sample card to path; returns a short description of what was
// placed where (one line per file).
std::string BuildSampleCard(const std::string& path);

}  // namespace tvn::media
