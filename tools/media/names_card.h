// Cards as cameras leave them, for the original names, folders and dates:
// DCIM/100CANON/ with 8.3 and long names, deleted entries with and without
// long-name entries, a deleted entry whose clusters a newer file took, a
// duplicate, and times on both sides of a daylight-saving change.
//
// FAT32: made with mkfs.vfat and mtools in the zone Europe/Berlin. exFAT:
// made with mkfs.exfat and filled through the FUSE exfat driver over a loop
// device (needs root); its times are written in UTC.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/media/image.h"

namespace tvn::media {

struct NamesCardFile {
    std::string path;      // on the card, "DCIM/100CANON/IMG_0001.JPG"
    std::string expected;  // the name reading the card should give a found file there
    int64_t mtime = 0;     // UTC seconds
    bool deleted = false;
    bool named = true;     // a found file at its start takes this entry's name
    bool duplicate = false;  // same content as an earlier file
    std::string restore;     // deleted FAT entries: "long name", "siblings", "unknown"
};

struct NamesCard {
    std::string image;
    bool exfat = false;
    std::string zone;  // the zone the card's local times were written in
    std::vector<NamesCardFile> files;
};

// Throws std::runtime_error when a tool is missing or fails.
NamesCard BuildNamesCard(const std::string& path, bool exfat);

std::string DescribeNamesCard(const NamesCard& card);

}  // namespace tvn::media
