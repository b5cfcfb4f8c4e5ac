// What may be opened as a medium: a block device or a regular file (a disk
// image) of at least one sector. Anything else (a FIFO, which would block the
// open for ever, a directory, /dev/zero) is refused before it is opened.
#pragma once

#include <cstdint>
#include <string>

namespace tvn {

// Empty when path may be opened as a medium, or when it cannot be looked at
// (the open then reports the system's error); otherwise the reason it is
// refused, naming path.
std::string SourceRefusal(const std::string& path);

// The reason a medium of that many bytes is refused ("too small"), or empty.
std::string SizeRefusal(const std::string& path, uint64_t bytes);

}  // namespace tvn
