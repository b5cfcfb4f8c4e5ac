#include "names/exfat_directory.h"

#include <ctime>

namespace tvn {

namespace {

uint32_t Le32(const uint8_t* p) {
    return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
}
uint64_t Le64(const uint8_t* p) { return uint64_t{Le32(p)} | uint64_t{Le32(p + 4)} << 32; }

}  // namespace

EntryTime ExfatTime(uint32_t stamp, uint8_t tenMs, uint8_t offset) {
    EntryTime t;
    if ((offset & 0x80) == 0) return t;
    std::tm tm{};
    tm.tm_sec = static_cast<int>(stamp & 0x1F) * 2 + (tenMs >= 100 ? 1 : 0);
    tm.tm_min = static_cast<int>((stamp >> 5) & 0x3F);
    tm.tm_hour = static_cast<int>((stamp >> 11) & 0x1F);
    tm.tm_mday = static_cast<int>((stamp >> 16) & 0x1F);
    tm.tm_mon = static_cast<int>((stamp >> 21) & 0x0F) - 1;
    tm.tm_year = static_cast<int>(stamp >> 25) + 80;
    if (tm.tm_mday < 1 || tm.tm_mon < 0 || tm.tm_mon > 11 || tm.tm_min > 59 || tm.tm_hour > 23 ||
        tm.tm_sec > 59)
        return t;
    // Seven bits, signed, in quarters of an hour.
    int quarters = offset & 0x7F;
    if (quarters >= 64) quarters -= 128;
    t.offsetMinutes = quarters * 15;
    t.seconds = static_cast<int64_t>(::timegm(&tm)) - int64_t{t.offsetMinutes} * 60;
    t.known = true;
    t.hasOffset = true;
    return t;
}

std::vector<ExfatDirEntry> ParseExfatDirectory(std::span<const uint8_t> bytes, size_t maxEntries) {
    std::vector<ExfatDirEntry> out;
    const size_t slots = bytes.size() / 32;
    for (size_t i = 0; i < slots && out.size() < maxEntries; ++i) {
        const uint8_t* e = bytes.data() + i * 32;
        if (e[0] == 0x00) break;
        if ((e[0] & 0x7F) != 0x05 || i + 1 >= slots) continue;
        const uint8_t* s = e + 32;
        const bool inUse = (e[0] & 0x80) != 0;
        if ((s[0] & 0x7F) != 0x40 || ((s[0] & 0x80) != 0) != inUse) continue;
        ExfatDirEntry d;
        d.deleted = !inUse;
        d.directory = (e[4] & 0x10) != 0;
        d.created = ExfatTime(Le32(e + 8), e[20], e[22]);
        d.modified = ExfatTime(Le32(e + 12), e[21], e[23]);
        d.firstCluster = Le32(s + 20);
        d.size = Le64(s + 24);
        out.push_back(d);
        i += 1;
    }
    return out;
}

}  // namespace tvn
