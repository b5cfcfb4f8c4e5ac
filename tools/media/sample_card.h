// The built-in sample: a camera card image with one FAT partition, filled the
// way a camera or a computer fills it, with some files deleted afterwards so
// that only carving finds them. A manifest written next to the image tells
// where every file's bytes lie.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/media/fat_card.h"
#include "tools/media/samples.h"

namespace tvn::media {

struct SampleCardOptions {
    // Format the card again after the files were written: the file system is
    // empty, the files' data is still on the card.
    bool quickFormat = false;
    // The files to place; null places the built-in photo, audio and video
    // samples.
    const std::vector<SampleFile>* files = nullptr;
};

// One file put on the card.
struct PlacedFile {
    std::string type;     // type name the scan finds it as; empty for other files
    std::string name;     // its name on the card, "DSC_0001.JPG"
    std::string path;     // its path on the card, "/DCIM/100TVNCM/DSC_0001.JPG"
    uint64_t offset = 0;  // byte offset of its first byte in the image
    uint64_t length = 0;
    uint32_t crc32 = 0;      // of its bytes
    bool deleted = false;    // deleted from the file system after all were written
    bool contiguous = true;  // its bytes follow each other on the card
    // 0: whole. Otherwise, after it was deleted, its bytes from here on were
    // overwritten in part by other data.
    uint64_t overwrittenAt = 0;
    std::vector<Extent> extents;
    uint64_t Sector() const { return offset / 512; }
};

struct SampleCard {
    std::string image;
    uint64_t imageBytes = 0;
    uint32_t partitionStart = 0;  // sectors
    uint32_t partitionSectors = 0;
    int fatBits = 0;
    uint32_t clusterBytes = 0;
    bool quickFormatted = false;
    std::vector<PlacedFile> files;
};

// Writes the sample card to path and its manifest to path + ".json". Same
// bytes on every run. Throws std::runtime_error when a FAT tool is missing or
// fails, or when a file's bytes are not found where the file system put them.
SampleCard BuildSampleCard(const std::string& path, const SampleCardOptions& options = {});

// The manifest as JSON text.
std::string SampleCardManifest(const SampleCard& card);

// A short table of what was placed where.
std::string DescribeSampleCard(const SampleCard& card);

}  // namespace tvn::media
