// Whether the files ticked for saving fit where they are to go: the free
// room of a folder's file system (or left on a disc) against what the files
// take there. Asked before a save or burn starts, so that the user hears of
// a full destination before the job runs into it.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace tvn {

class CDirectoryTree;

// The room this user may still write in the file system that holds folder,
// in bytes; nothing when it cannot be told (no such folder). May wait on a
// slow or hung mount: not for the GUI thread.
std::optional<uint64_t> FreeBytesAt(const std::string& folder);
// How free room is asked; the default is FreeBytesAt, tests give their own.
using FreeSpaceQuery = std::function<std::optional<uint64_t>(const std::string& folder)>;

// The ticked files: their bytes and how many they are.
struct SelectionSize {
    uint64_t bytes = 0;
    uint64_t files = 0;
};
SelectionSize SelectedSize(const CDirectoryTree& tree);

// File systems give each file whole blocks; a disc 2 KiB sectors.
inline constexpr uint64_t kFileBlock = 4096;
inline constexpr uint64_t kDiscBlock = 2048;

struct RoomCheck {
    bool known = false;   // the free room could be told
    uint64_t needed = 0;  // what the files take there at most
    uint64_t free = 0;
    // Unknown room is not held against the save.
    bool Fits() const { return !known || needed <= free; }
};
// What the selection takes where each file is rounded up to whole blocks,
// against the free room there.
RoomCheck CheckRoom(const SelectionSize& selection, std::optional<uint64_t> free,
                    uint64_t block = kFileBlock);

}  // namespace tvn
