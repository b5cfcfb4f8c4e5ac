#include "names/fat_directory.h"

#include <algorithm>
#include <cstring>
#include <ctime>
#include <set>

namespace tvn {

namespace {

constexpr size_t kSlot = 32;
constexpr uint8_t kDeletedMark = 0xE5;
constexpr uint8_t kLongNameAttributes = 0x0F;

uint16_t Le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

// The characters a short name may hold (besides those above 0x7F, which
// depend on the code page).
bool ShortNameChar(uint8_t c) {
    if ((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) return true;
    return std::strchr("!#$%&'()-@^_`{}~", c) != nullptr && c != 0;
}

void AppendUtf8(std::string& out, uint32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// The thirteen UTF-16 units of one long-name entry, in order.
void LongNameUnits(const uint8_t* e, std::vector<uint16_t>& units) {
    static constexpr int kOffsets[13] = {1, 3, 5, 7, 9, 14, 16, 18, 20, 22, 24, 28, 30};
    for (int off : kOffsets) units.push_back(Le16(e + off));
}

// UTF-16 up to the first 0 (0xFFFF fills the rest); an unpaired surrogate or
// a control character makes the name unusable (empty).
std::string DecodeLongName(const std::vector<uint16_t>& units) {
    std::string out;
    for (size_t i = 0; i < units.size(); ++i) {
        uint32_t u = units[i];
        if (u == 0) break;
        if (u < 0x20 || u == 0xFFFF) return {};
        if (u >= 0xD800 && u <= 0xDBFF) {
            if (i + 1 >= units.size() || units[i + 1] < 0xDC00 || units[i + 1] > 0xDFFF) return {};
            u = 0x10000 + ((u - 0xD800) << 10) + (units[i + 1] - 0xDC00);
            ++i;
        } else if (u >= 0xDC00 && u <= 0xDFFF) {
            return {};
        }
        AppendUtf8(out, u);
    }
    if (out == "." || out == "..") return {};
    return out;
}

// The first character of a long name as a short name would hold it: the
// capital of an ASCII letter, the character itself for the other ASCII
// characters a short name allows; 0 otherwise.
uint8_t ShortLetterFor(const std::string& longName) {
    if (longName.empty()) return 0;
    auto c = static_cast<uint8_t>(longName[0]);
    if (c >= 'a' && c <= 'z') c = static_cast<uint8_t>(c - 'a' + 'A');
    return ShortNameChar(c) ? c : 0;
}

// The pattern a deleted name is compared under: the rest of its base name up
// to its first digit, and the extension. Empty when the name has no digit in
// its base or nothing before it.
std::string Pattern(const uint8_t name[11]) {
    size_t digit = 1;
    while (digit < 8 && !(name[digit] >= '0' && name[digit] <= '9')) ++digit;
    if (digit >= 8 || digit < 2) return {};
    std::string p(reinterpret_cast<const char*>(name + 1), digit - 1);
    p += '.';
    p.append(reinterpret_cast<const char*>(name + 8), 3);
    return p;
}

}  // namespace

uint8_t FatShortNameChecksum(const uint8_t name[11]) {
    uint8_t sum = 0;
    for (int i = 0; i < 11; ++i) {
        sum = static_cast<uint8_t>(((sum & 1) << 7) + (sum >> 1) + name[i]);
    }
    return sum;
}

std::string FatDirEntry::ShortName() const {
    const auto part = [](const uint8_t* p, size_t n, bool lower) {
        std::string s;
        for (size_t i = 0; i < n; ++i) {
            uint8_t c = p[i];
            if (c < 0x20 || c >= 0x7F || c == '/' || c == '\\') c = '_';
            if (lower && c >= 'A' && c <= 'Z') c = static_cast<uint8_t>(c - 'A' + 'a');
            s += static_cast<char>(c);
        }
        while (!s.empty() && s.back() == ' ') s.pop_back();
        return s;
    };
    uint8_t base[8];
    std::memcpy(base, shortName, 8);
    if (base[0] == 0x05) base[0] = kDeletedMark;  // a real 0xE5 first byte
    if (deleted && restore == NameRestore::Unknown) base[0] = '_';
    std::string name = part(base, 8, (lowerCase & 0x08) != 0);
    const std::string ext = part(shortName + 8, 3, (lowerCase & 0x10) != 0);
    if (!ext.empty()) name += "." + ext;
    return name;
}

std::vector<FatDirEntry> ParseFatDirectory(std::span<const uint8_t> bytes, size_t maxEntries) {
    std::vector<FatDirEntry> entries;
    // The long-name entries seen since the last short entry, nearest last.
    std::vector<const uint8_t*> pending;
    const size_t slots = bytes.size() / kSlot;
    for (size_t slot = 0; slot < slots && entries.size() < maxEntries; ++slot) {
        const uint8_t* e = bytes.data() + slot * kSlot;
        if (e[0] == 0x00) break;
        const bool deleted = e[0] == kDeletedMark;
        if ((e[11] & 0x3F) == kLongNameAttributes) {
            // A long-name entry: kept until its short entry comes. An
            // allocated one that starts a name (bit 0x40) begins a new run.
            if (!deleted && (e[0] & 0x40) != 0) pending.clear();
            pending.push_back(e);
            if (pending.size() > 20) pending.erase(pending.begin());
            continue;
        }
        std::vector<const uint8_t*> run;
        run.swap(pending);
        if ((e[11] & 0x08) != 0) continue;  // volume label
        if (e[0] == '.' && (e[1] == ' ' || e[1] == '.')) continue;

        FatDirEntry entry;
        std::memcpy(entry.shortName, e, 11);
        entry.attributes = e[11];
        entry.lowerCase = e[12];
        entry.deleted = deleted;
        entry.createdTime = Le16(e + 14);
        entry.createdDate = Le16(e + 16);
        entry.modifiedTime = Le16(e + 22);
        entry.modifiedDate = Le16(e + 24);
        entry.firstCluster = static_cast<uint32_t>(Le16(e + 20)) << 16 | Le16(e + 26);
        entry.size = static_cast<uint32_t>(e[28] | (e[29] << 8) | (e[30] << 16)) |
                     static_cast<uint32_t>(e[31]) << 24;
        entry.slot = slot;
        entry.restore = deleted ? NameRestore::Unknown : NameRestore::None;

        // The long-name entries of this name: the run just before it, in the
        // same state (allocated or deleted), all with one checksum; for an
        // allocated entry that checksum must be its own.
        if (!run.empty()) {
            const uint8_t sum = run.back()[13];
            bool usable = true;
            for (const uint8_t* l : run) {
                if (l[13] != sum || (l[0] == kDeletedMark) != deleted) usable = false;
            }
            if (!deleted && FatShortNameChecksum(entry.shortName) != sum) usable = false;
            if (usable) {
                std::vector<uint16_t> units;
                for (auto it = run.rbegin(); it != run.rend(); ++it) LongNameUnits(*it, units);
                entry.longName = DecodeLongName(units);
                if (deleted && !entry.longName.empty()) {
                    // The checksum decides the letter: the long name's own
                    // first, else the one letter that agrees.
                    uint8_t name[11];
                    std::memcpy(name, entry.shortName, 11);
                    uint8_t found = 0;
                    int matches = 0;
                    if (const uint8_t c = ShortLetterFor(entry.longName); c != 0) {
                        name[0] = c;
                        if (FatShortNameChecksum(name) == sum) {
                            found = c;
                            matches = 1;
                        }
                    }
                    if (matches == 0) {
                        for (unsigned c = 0x21; c < 0x7F; ++c) {
                            if (!ShortNameChar(static_cast<uint8_t>(c))) continue;
                            name[0] = static_cast<uint8_t>(c);
                            if (FatShortNameChecksum(name) == sum) {
                                ++matches;
                                found = static_cast<uint8_t>(c);
                            }
                        }
                    }
                    if (matches == 1 && found != 0) {
                        entry.shortName[0] = found;
                        entry.restore = NameRestore::LongName;
                    } else {
                        // The long name does not belong to this short name.
                        entry.longName.clear();
                    }
                }
            }
        }
        entries.push_back(std::move(entry));
    }
    RestoreFirstLetters(entries);
    return entries;
}

void RestoreFirstLetters(std::vector<FatDirEntry>& entries) {
    for (FatDirEntry& d : entries) {
        if (!d.deleted || d.restore != NameRestore::Unknown) continue;
        const std::string pattern = Pattern(d.shortName);
        if (pattern.empty()) continue;
        std::set<uint8_t> letters;
        for (const FatDirEntry& s : entries) {
            if (&s == &d || (s.deleted && s.restore == NameRestore::Unknown)) continue;
            if (Pattern(s.shortName) == pattern && ShortNameChar(s.shortName[0]))
                letters.insert(s.shortName[0]);
        }
        if (letters.size() == 1) {
            d.shortName[0] = *letters.begin();
            d.restore = NameRestore::Siblings;
        }
    }
}

bool FatTimeToUnix(uint16_t date, uint16_t time, int64_t& seconds) {
    const int day = date & 0x1F;
    const int month = (date >> 5) & 0x0F;
    const int year = 1980 + (date >> 9);
    const int sec = (time & 0x1F) * 2;
    const int minute = (time >> 5) & 0x3F;
    const int hour = time >> 11;
    if (day < 1 || day > 31 || month < 1 || month > 12 || sec > 59 || minute > 59 || hour > 23)
        return false;
    std::tm tm{};
    tm.tm_year = year - 1900;
    tm.tm_mon = month - 1;
    tm.tm_mday = day;
    tm.tm_hour = hour;
    tm.tm_min = minute;
    tm.tm_sec = sec;
    tm.tm_isdst = -1;  // the zone's own rule for that day
    const std::time_t t = std::mktime(&tm);
    if (t == static_cast<std::time_t>(-1)) return false;
    seconds = static_cast<int64_t>(t);
    return true;
}

}  // namespace tvn
