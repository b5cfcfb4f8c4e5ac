// Extraction: writes one found file out of the medium into a directory under
// the node's name, then trims it with the repair routine of its type.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "app/report.h"
#include "app/session.h"
#include "catalog/directory_tree.h"

namespace tvn {

// The file node's Save. Reopens the medium (session.selectedDrive) as the
// session's current disk source, reads the node's bytes and writes them to
// dir + "/" + node name (dir exists), then repairs the file. Reports a lost
// medium by message; everything else goes to the diagnostic console. Changes
// the node's size in place as the rounding rules say.
void SaveFileNode(CSession& session, CFileNode& node, const std::string& dir, IReporter& reporter);

// How extraction gets its read buffer: a block of the given size, or nullptr
// when there is no room. SaveFileNode uses new (std::nothrow); tests pass
// their own to exercise the retry with smaller sizes.
using ExtractAllocator = std::function<std::unique_ptr<uint8_t[]>(uint64_t size)>;
void SaveFileNode(CSession& session, CFileNode& node, const std::string& dir, IReporter& reporter,
                  const ExtractAllocator& allocate);

}  // namespace tvn
