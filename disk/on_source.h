// Whether a place to write lies on the medium being recovered. Writing there
// could overwrite the very sectors that still hold the lost files, so the save
// job refuses such a destination and the destination lists mark it.
#pragma once

#include <string>

namespace tvn {

// Whether writing into destinationDir could write onto the medium being
// recovered, sourcePath (a block device or an image file). True, with the
// reason in why, when the destination lies on the source device, on one of
// its partitions (or its parent disk), on a device stacked on it, on a loop
// device backed by the source image, or is (or lies within) the image's own
// path. A destination that does not exist yet is judged by its nearest
// existing parent.
bool IsDestinationOnSource(const std::string& destinationDir, const std::string& sourcePath,
                           std::string& why);

// The one check every writer of the program makes before it creates or opens
// a file (a save's job folder, the burn cache, a scan info file, a preview
// picture, the diagnostic log): empty when path may be written while
// sourcePath is being recovered, otherwise the message to show, the same for
// every writer.
std::string WriteOnSourceRefusal(const std::string& path, const std::string& sourcePath);

}  // namespace tvn
