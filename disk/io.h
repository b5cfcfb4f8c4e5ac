// Small, safe wrappers over read(2)/pread(2) for the readers of the medium.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <sys/types.h>

namespace tvn {

// Reads up to n bytes at the descriptor's file offset, retrying short reads and
// EINTR, until n bytes, end of data, or an error. Returns the bytes read, or -1
// on an error (errno set; the file offset then stands after what was read).
ssize_t ReadFully(int fd, void* buf, size_t n);

// The same at an absolute byte offset, leaving the file offset alone.
ssize_t PreadFully(int fd, void* buf, size_t n, uint64_t offset);

// Writes all n bytes at the descriptor's file offset, retrying short writes
// and EINTR. False on an error (errno set; EIO when nothing could be written).
bool WriteFully(int fd, const void* buf, uint64_t n);

// Replaces the file at path with n bytes as one step: written to a temporary
// name beside it (mode 0644), flushed, renamed over path, and the folder
// flushed, so that a crash leaves either the old file or the new one whole.
// False on an error (errno set; nothing is left behind).
bool ReplaceFileWhole(const std::string& path, const void* data, size_t n);

// Current file offset of the descriptor, or -1.
int64_t TellFd(int fd);

}  // namespace tvn
