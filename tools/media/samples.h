// The media files the sample card and the end-to-end tests place on images:
// valid files of every type, made deterministically.
#pragma once

#include <string>
#include <vector>

#include "tools/media/image.h"

namespace tvn::media {

struct SampleFile {
    std::string type;  // the type name the scan should find it as ("JPG", "NEF", ...)
    std::string name;  // the name a camera would give it ("DSC_0001.JPG")
    Bytes data;
};

// JPG, TIF, NEF, CR2, SR2, SRF, ORF, CRW and MRW files.
void AppendPhotoSamples(std::vector<SampleFile>& out);
// BMP, PNG, GIF, MP3, MID, WAV, MP4, MPG, MOV and AVI files.
void AppendAvSamples(std::vector<SampleFile>& out);

}  // namespace tvn::media
