#include "scan/recognizers/family_owner.h"

#include <algorithm>
#include <cstring>
#include <string_view>

namespace tvn {

namespace {

bool At(std::span<const BYTE> b, size_t pos, std::string_view text) {
    return pos <= b.size() && text.size() <= b.size() - pos &&
           std::memcmp(b.data() + pos, text.data(), text.size()) == 0;
}

// Whether text begins somewhere from first to last (inclusive) inside b.
bool TextBetween(std::span<const BYTE> b, std::string_view text, size_t first, size_t last) {
    if (first >= b.size()) return false;
    const size_t end = std::min(b.size(), last + text.size());
    const auto* from = b.data() + first;
    const auto* to = b.data() + end;
    return std::search(from, to, text.begin(), text.end()) != to;
}

}  // namespace

std::optional<FileType> IsoMediaTypeOf(std::span<const BYTE> bytes) {
    if (At(bytes, 4, "ftyp")) {
        if (bytes.size() < 12) return std::nullopt;
        const std::string_view brand(reinterpret_cast<const char*>(bytes.data() + 8), 4);
        if (brand == "qt  ") return FileType::MOV;
        if (brand == "crx ") return FileType::CR3;
        if (brand == "heic" || brand == "heix" || brand == "mif1" || brand == "msf1") {
            return FileType::HEIC;
        }
        if (brand.starts_with("3gp") || brand.starts_with("3g2")) return FileType::ThreeGP;
        return FileType::MP4;
    }
    if (At(bytes, 4, "moov") || At(bytes, 4, "mdat") || At(bytes, 4, "wide")) return FileType::MOV;
    return std::nullopt;
}

namespace {

struct Ifd0Facts {
    bool dng = false;
    bool rawData = false;  // IFD0 is a raw image: CFA pixels, or a maker's own compression
    std::string_view make, model;
};

// Reads IFD0's Make, Model and DNGVersion where they lie inside b.
Ifd0Facts ReadIfd0(std::span<const BYTE> b, bool be) {
    const auto u16 = [&](size_t p) -> uint32_t {
        return be ? uint32_t{b[p]} << 8 | b[p + 1] : uint32_t{b[p + 1]} << 8 | b[p];
    };
    const auto u32 = [&](size_t p) -> uint32_t {
        return be ? uint32_t{b[p]} << 24 | uint32_t{b[p + 1]} << 16 | uint32_t{b[p + 2]} << 8 | b[p + 3]
                  : uint32_t{b[p + 3]} << 24 | uint32_t{b[p + 2]} << 16 | uint32_t{b[p + 1]} << 8 | b[p];
    };
    Ifd0Facts facts;
    if (b.size() < 8) return facts;
    const uint64_t ifd = u32(4);
    if (ifd < 8 || ifd + 2 > b.size()) return facts;
    const uint32_t n = u16(static_cast<size_t>(ifd));
    for (uint32_t i = 0; i < n && i < 512; ++i) {
        const uint64_t e = ifd + 2 + 12ULL * i;
        if (e + 12 > b.size()) break;
        const size_t p = static_cast<size_t>(e);
        const uint32_t tag = u16(p), type = u16(p + 2), count = u32(p + 4);
        if (tag == 0xC612) facts.dng = true;
        if (type == 3 && count == 1) {
            const uint32_t value = u16(p + 8);
            if ((tag == 0x0106 && value == 32803) || (tag == 0x0103 && value == 65535)) {
                facts.rawData = true;
            }
        }
        if ((tag == 0x010F || tag == 0x0110) && type == 2 && count > 0 && count < 256) {
            const uint64_t at = count <= 4 ? p + 8 : u32(p + 8);
            if (at + count > b.size()) continue;
            std::string_view text(reinterpret_cast<const char*>(b.data() + at), count);
            if (const size_t nul = text.find('\0'); nul != std::string_view::npos) text = text.substr(0, nul);
            (tag == 0x010F ? facts.make : facts.model) = text;
        }
    }
    return facts;
}

}  // namespace

std::optional<FileType> TiffFamilyTypeOf(std::span<const BYTE> bytes) {
    static constexpr BYTE kRw2[] = {'I', 'I', 'U', 0};
    if (bytes.size() >= 4 && std::memcmp(bytes.data(), kRw2, 4) == 0) return FileType::RW2;
    bool be;
    if (At(bytes, 0, std::string_view("II*\0", 4))) {
        be = false;
    } else if (At(bytes, 0, std::string_view("MM\0*", 4))) {
        be = true;
    } else {
        return std::nullopt;
    }
    if (At(bytes, 8, "CR")) return std::nullopt;  // Canon's CR2
    const Ifd0Facts f = ReadIfd0(bytes, be);
    if (f.dng) return FileType::DNG;
    if (f.make.starts_with("NIKON")) {
        if (f.model.starts_with("COOLPIX")) return FileType::NRW;
        return std::nullopt;
    }
    // A Pentax camera writes TIFF pictures too: a PEF's IFD0 is its raw image.
    if ((f.make.starts_with("PENTAX") || f.make.starts_with("ASAHI OPTICAL") ||
         (f.make.starts_with("RICOH") && f.model.starts_with("PENTAX"))) &&
        f.rawData) {
        return FileType::PEF;
    }
    if (f.make.starts_with("SONY")) {
        // The SR2 and SRF tests take these by their model texts.
        if (TextBetween(bytes, "DSC-R1", 1, 512) || TextBetween(bytes, "DSC-F828", 1, 1024)) {
            return std::nullopt;
        }
        return FileType::ARW;
    }
    return std::nullopt;
}

}  // namespace tvn
