// What the decoder reports about an image file: the record the "Image
// Properties" page shows and tarvolin-cli prints. Text fields start as "none"
// and numbers as 0 before each load, and keep those values when the file
// cannot be decoded.
#pragma once

#include <cstdint>
#include <string>

namespace tvn::preview {

// Colour models.
enum ColorModel : uint32_t { kColorRgb = 0, kColorGrey = 1, kColorCmyk = 3, kColorYCbCr = 4 };
// Compression schemes.
enum Compression : uint32_t {
    kCompressNone = 0,
    kCompressRle = 1,
    kCompressLzw = 2,
    kCompressJpeg = 3,
    kCompressDeflate = 4,
    kCompressPackBits = 5,
    kCompressRaw = 6,  // a camera's own raw encoding
};

struct CImageInfo {
    std::string name = "none";
    uint64_t fileSize = 0;
    uint32_t width = 0;
    uint32_t height = 0;
    uint32_t colorModel = 0;
    uint32_t componentsPerPixel = 0;
    uint32_t compression = 0;
    std::string compressionDescription = "none";
    std::string description = "none";
    uint32_t formatIndex = 0;
    std::string formatName = "none";
    uint32_t numberOfImages = 0;
};

}  // namespace tvn::preview
