// Feeds arbitrary text to the rescue map's parser. Whatever it accepts must
// hold together (blocks from 0 without gaps), survive being written out and
// read again unchanged, and take marks anywhere without coming apart.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "disk/rescue_map.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    std::string error;
    auto map = tvn::ParseRescueMap(text, error);
    if (!map) return 0;
    uint64_t end = 0;
    for (const tvn::RescueBlock& b : map->Blocks()) {
        if (b.pos != end || b.size == 0) std::abort();
        end = b.End();
    }
    auto again = tvn::ParseRescueMap(tvn::FormatRescueMap(*map, "fuzz"), error);
    if (!again || !(*again == *map)) std::abort();
    // A few marks from the input's own numbers.
    const uint64_t total = map->Size();
    uint64_t seed = size;
    for (int i = 0; i < 4; ++i) {
        seed = seed * 6364136223846793005ull + 1442695040888963407ull;
        const uint64_t pos = total ? seed % total : 0;
        const uint64_t len = (seed >> 17) % (total + 1);
        map->Mark(pos, len, static_cast<tvn::RescueStatus>("?*/-+"[seed % 5]));
    }
    end = 0;
    for (const tvn::RescueBlock& b : map->Blocks()) {
        if (b.pos != end || b.size == 0) std::abort();
        end = b.End();
    }
    if (end != total) std::abort();
    return 0;
}
