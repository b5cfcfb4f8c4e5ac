// The QuickTime (MOV) and MP4 rules. An atom (box) begins with a big-endian
// 32-bit size that counts the header, followed by its 4-byte type; t below is
// the offset of an atom's type, so the atom begins at t - 4 and the type of
// the atom right after it lies at t + size.
//
// The rules look for the two atoms every movie has, the movie header "moov"
// and the media data "mdat", in whichever order they come; the result is the
// type position of the second one plus its size, capped at the file's length.
#include <algorithm>
#include <cstring>

#include "output/repair.h"

namespace tvn {

namespace {

// How far past the end of the first atom the second one is looked for.
constexpr uint64_t kMovSearchWindow = 5000;
// Positions this close below the 32-bit limit count as out of range.
constexpr uint64_t kPositionLimit = 0xFFFFFFFFull - 5;

bool TypeAt(std::span<const uint8_t> d, uint64_t t, const char* type) {
    return t <= d.size() && d.size() - t >= 4 && std::memcmp(d.data() + t, type, 4) == 0;
}

// The size field of the atom whose type is at t (t >= 4).
uint64_t SizeBefore(std::span<const uint8_t> d, uint64_t t) {
    const uint8_t* p = d.data() + t - 4;
    return (uint64_t{p[0]} << 24) | (uint64_t{p[1]} << 16) | (uint64_t{p[2]} << 8) | p[3];
}

bool OutOfRange(uint64_t t, uint64_t n) {
    return t > n || t > kPositionLimit;
}

// Looks for type within the window after t; the type position found, or 0.
uint64_t FindWithin(std::span<const uint8_t> d, uint64_t from, const char* type) {
    for (uint64_t j = 0; j < kMovSearchWindow; ++j) {
        if (TypeAt(d, from + j, type)) return from + j;
        if (from + j >= d.size()) break;
    }
    return 0;
}

// After "mdat" at t: the "moov" that follows it. 0 when none does; nullopt
// when the mdat's end lies outside the file (no size at all).
std::optional<uint64_t> MoovAfterMdat(std::span<const uint8_t> d, uint64_t t) {
    const uint64_t next = t + SizeBefore(d, t);
    if (OutOfRange(next, d.size())) return std::nullopt;
    const uint64_t moov = FindWithin(d, next, "moov");
    return moov == 0 ? 0 : moov + SizeBefore(d, moov);
}

}  // namespace

uint64_t MovRealSize(std::span<const uint8_t> d, IReporter&) {
    const uint64_t n = d.size();
    for (uint64_t t = 4; t + 4 <= n; ++t) {
        if (TypeAt(d, t, "moov")) {
            const uint64_t next = t + SizeBefore(d, t);
            if (OutOfRange(next, n)) return n;
            const uint64_t mdat = FindWithin(d, next, "mdat");
            if (mdat != 0) return std::min(mdat + SizeBefore(d, mdat), n);
        } else if (TypeAt(d, t, "mdat")) {
            const auto r = MoovAfterMdat(d, t);
            if (!r) return 0;
            if (*r != 0) return std::min(*r, n);
        }
    }
    return 0;
}

uint64_t Mp4RealSize(std::span<const uint8_t> d, IReporter&) {
    const uint64_t n = d.size();
    for (uint64_t t = 4; t + 4 <= n; ++t) {
        if (TypeAt(d, t, "moov")) {
            // Free-space atoms may stand between the movie header and the
            // media data; the search runs on to the end of the file.
            uint64_t k = t + SizeBefore(d, t);
            if (OutOfRange(k, n)) return n;
            while (k + 4 <= n) {
                if (TypeAt(d, k, "free")) {
                    const uint64_t f = SizeBefore(d, k);
                    k += std::max<uint64_t>(f, 1);
                    continue;
                }
                if (TypeAt(d, k, "mdat")) return std::min(k + SizeBefore(d, k), n);
                ++k;
            }
            return n;
        }
        if (TypeAt(d, t, "mdat")) {
            const auto r = MoovAfterMdat(d, t);
            if (!r) return 0;
            if (*r != 0) return std::min(*r, n);
        }
    }
    return 0;
}

}  // namespace tvn
