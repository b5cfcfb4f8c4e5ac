// Preview copies: one found file read out of the medium into the session's
// private preview folder and trimmed by the repair routine of its type, so
// that a viewer or a player can open it; and the wipe that overwrites such a
// copy with zeros before deleting it. Nothing here needs a window: the
// wizard's preview dialog runs it on its worker, tarvolin-cli on its own
// thread.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <string_view>

#include "app/report.h"
#include "output/output_context.h"
#include "catalog/directory_tree.h"

namespace tvn {

// Files of this size or more are never copied for a preview.
inline constexpr uint64_t kPreviewSkipFrom = 83886080;  // 80 MiB
// The largest file previewed on a double-click and from the "&Preview" command.
inline constexpr uint64_t kPreviewDoubleClickLimit = 52428800;  // 50 MiB
inline constexpr uint64_t kPreviewMenuLimit = 31457280;         // 30 MiB

inline constexpr std::string_view kPreviewNotAvailable =
    "May be file is corrupted or \nPreview is not available for this file format";
inline constexpr std::string_view kPreviewTooLarge = "File size is too large to preview.";
inline constexpr std::string_view kLoadingImage = " Loading Image...";

// The window a type opens in once its copy is on disk.
enum class PreviewViewer {
    None,   // no viewer for this type
    Image,  // BMP, PNG, GIF, JPG, TIF and the camera raw types: "Image Options"
    Media,  // WAV, MP3, MPG, MP4, MOV, MTS, TS, 3GP: the media player
    Avi,    // AVI: the video player
    Midi,   // MID: the MIDI player
};
PreviewViewer ViewerForType(std::string_view type);

// What the found-data dialog does when a file is asked for: open the
// preview, or say that it is too large or cannot be previewed. fromMenu is
// the "&Preview" command (30 MiB), otherwise a double-click (50 MiB).
enum class PreviewRequest { Open, TooLarge, NotAvailable };
PreviewRequest CheckPreviewRequest(std::string_view type, uint64_t size, bool fromMenu);

// The session's preview folder, made on first use. Null after a message
// when no private folder can be made.
CPrivateDir* EnsurePreviewDir(const OutputContext& ctx, IReporter& reporter);

struct PreviewCopy {
    std::string path;      // the copy; empty when none was made
    uint64_t length = 0;   // its length after repair
    bool complete = false; // every byte was read from the medium
};

// The sectors read for a file of size bytes: the size cut to whole sectors
// plus one more sector.
uint64_t PreviewReadLength(uint64_t size, uint64_t sectorSize);

// Copies node out of the current disk source (opened by the caller) into
// the preview folder (EnsurePreviewDir) under the
// node's name, then repairs it by its folder's type. Read, create and write
// failures go to the diagnostic console ("Reading :Error #", ...); a copy
// whose read failed holds zeros where the bytes could not be read. When stop
// becomes true the copy is wiped and nothing is returned. Files of 80 MiB or
// more are passed over.
PreviewCopy ExtractPreviewCopy(const OutputContext& ctx, const CFileNode& node, IReporter& reporter,
                               const std::atomic<bool>* stop = nullptr);

// Overwrites the file in place with zeros of its current length (no
// truncation first, so the old blocks themselves are overwritten), flushes
// it and deletes it. Links are not followed. False when the overwrite
// failed; the delete is tried in any case.
bool WipeFile(const std::string& path);

}  // namespace tvn
