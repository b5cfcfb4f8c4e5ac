// The entries of the medium's file systems, read with the Sleuth Kit: every
// file whose directory entry is still there, allocated or deleted, with its
// full path, size, where its data starts on the medium and its times. The
// whole disk's partitions are read, or the partition or image itself when it
// holds a file system of its own.
//
// Every read goes through the reader given (the medium the program already
// has open); nothing is opened by path. Damaged file systems are read within
// bounds: a limit on entries, on the depth of folders, and on time, after
// which what was gathered so far is kept.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "catalog/file_origin.h"

namespace tvn {

class CDiskSource;

struct FsEntry {
    FileOrigin origin;
    // Byte offset on the medium of the entry's first data; hasData false when
    // the entry has none there (empty, kept inside its record, sparse).
    uint64_t dataOffset = 0;
    bool hasData = false;
};

struct FsReadLimits {
    size_t maxEntries = 2'000'000;
    std::chrono::milliseconds time{20'000};
    // Directory bytes read for the first-letter restoration of one FAT folder.
    size_t maxDirectoryBytes = 4u << 20;
};

struct FsReadResult {
    std::vector<FsEntry> entries;
    std::vector<std::string> fileSystems;  // the ones read: "FAT32 at sector 2048"
    bool cut = false;  // a limit ended the reading before the end
};

// Reads n bytes at a byte offset of the medium into buf: the bytes read (short
// only at the end), or -1.
using MediumReadAt = std::function<ssize_t(uint64_t offset, void* buf, size_t n)>;

FsReadResult ReadFsEntries(const MediumReadAt& read, uint64_t mediumBytes, uint32_t sectorSize,
                           const FsReadLimits& limits = {});

// The same through the program's medium object.
FsReadResult ReadFsEntries(const CDiskSource& source, const FsReadLimits& limits = {});

}  // namespace tvn
