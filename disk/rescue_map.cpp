#include "disk/rescue_map.h"

#include <fcntl.h>
#include <fmt/format.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "disk/io.h"

namespace tvn {

CRescueMap::CRescueMap(uint64_t size) {
    if (size > 0) m_blocks.push_back({0, size, RescueStatus::NonTried});
}

const RescueBlock* CRescueMap::BlockAt(uint64_t pos) const {
    // The first block that ends after pos.
    auto it = std::upper_bound(m_blocks.begin(), m_blocks.end(), pos,
                               [](uint64_t p, const RescueBlock& b) { return p < b.End(); });
    return it == m_blocks.end() ? nullptr : &*it;
}

RescueStatus CRescueMap::StatusAt(uint64_t pos) const {
    const RescueBlock* b = BlockAt(pos);
    return b ? b->status : RescueStatus::Finished;
}

void CRescueMap::Merge(size_t from, size_t to) {
    // Merges equal neighbours among blocks [from, to] (indices clamped).
    if (m_blocks.empty()) return;
    if (from > 0) --from;
    to = std::min(to + 1, m_blocks.size() - 1);
    size_t i = from;
    while (i < to && i + 1 < m_blocks.size()) {
        if (m_blocks[i].status == m_blocks[i + 1].status) {
            m_blocks[i].size += m_blocks[i + 1].size;
            m_blocks.erase(m_blocks.begin() + static_cast<std::ptrdiff_t>(i) + 1);
            --to;
        } else {
            ++i;
        }
    }
}

void CRescueMap::Mark(uint64_t pos, uint64_t size, RescueStatus status) {
    const uint64_t total = Size();
    if (pos >= total || size == 0) return;
    const uint64_t end = std::min(total, pos + std::min(size, total - pos));
    // Split at pos and at end, then replace the blocks between.
    auto splitAt = [this](uint64_t at) -> size_t {
        auto it = std::upper_bound(m_blocks.begin(), m_blocks.end(), at,
                                   [](uint64_t p, const RescueBlock& b) { return p < b.End(); });
        if (it == m_blocks.end()) return m_blocks.size();
        const auto idx = static_cast<size_t>(it - m_blocks.begin());
        if (it->pos == at) return idx;
        RescueBlock tail{at, it->End() - at, it->status};
        it->size = at - it->pos;
        m_blocks.insert(m_blocks.begin() + static_cast<std::ptrdiff_t>(idx) + 1, tail);
        return idx + 1;
    };
    const size_t first = splitAt(pos);
    const size_t last = splitAt(end);  // first block at or after end
    m_blocks.erase(m_blocks.begin() + static_cast<std::ptrdiff_t>(first),
                   m_blocks.begin() + static_cast<std::ptrdiff_t>(last));
    m_blocks.insert(m_blocks.begin() + static_cast<std::ptrdiff_t>(first),
                    RescueBlock{pos, end - pos, status});
    Merge(first, first);
}

uint64_t CRescueMap::Bytes(RescueStatus status) const {
    uint64_t n = 0;
    for (const RescueBlock& b : m_blocks) {
        if (b.status == status) n += b.size;
    }
    return n;
}

uint64_t CRescueMap::Areas(RescueStatus status) const {
    return static_cast<uint64_t>(std::count_if(m_blocks.begin(), m_blocks.end(),
                                               [status](const RescueBlock& b) { return b.status == status; }));
}

std::vector<RescueBlock> CRescueMap::NotFinished() const {
    std::vector<RescueBlock> out;
    for (const RescueBlock& b : m_blocks) {
        if (b.status == RescueStatus::Finished) continue;
        if (!out.empty() && out.back().End() == b.pos) {
            out.back().size += b.size;
        } else {
            out.push_back(b);
        }
    }
    return out;
}

namespace {

bool IsBlockStatus(char c) {
    return c == '?' || c == '*' || c == '/' || c == '-' || c == '+';
}

// One number as the map's readers accept it: 0x hexadecimal, a leading 0
// octal, otherwise decimal. No sign, no overflow.
bool ParseNumber(std::string_view word, uint64_t& value) {
    unsigned base = 10;
    if (word.size() > 2 && word[0] == '0' && (word[1] == 'x' || word[1] == 'X')) {
        base = 16;
        word.remove_prefix(2);
    } else if (word.size() > 1 && word[0] == '0') {
        base = 8;
        word.remove_prefix(1);
    }
    if (word.empty()) return false;
    uint64_t v = 0;
    for (char c : word) {
        unsigned d;
        if (c >= '0' && c <= '9') {
            d = static_cast<unsigned>(c - '0');
        } else if (c >= 'a' && c <= 'f') {
            d = static_cast<unsigned>(c - 'a') + 10;
        } else if (c >= 'A' && c <= 'F') {
            d = static_cast<unsigned>(c - 'A') + 10;
        } else {
            return false;
        }
        if (d >= base) return false;
        if (v > (UINT64_MAX - d) / base) return false;
        v = v * base + d;
    }
    value = v;
    return true;
}

std::vector<std::string_view> Words(std::string_view line) {
    std::vector<std::string_view> words;
    size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t' || line[i] == '\r')) ++i;
        size_t j = i;
        while (j < line.size() && line[j] != ' ' && line[j] != '\t' && line[j] != '\r') ++j;
        if (j > i) words.push_back(line.substr(i, j - i));
        i = j;
    }
    return words;
}

}  // namespace

std::optional<CRescueMap> ParseRescueMap(std::string_view text, std::string& error) {
    CRescueMap map;
    bool haveStatus = false;
    size_t lineNo = 0;
    uint64_t end = 0;
    auto fail = [&](std::string_view why) {
        error = fmt::format("line {}: {}", lineNo, why);
        return std::nullopt;
    };
    while (!text.empty()) {
        ++lineNo;
        const size_t nl = text.find('\n');
        std::string_view line = text.substr(0, nl);
        text.remove_prefix(nl == std::string_view::npos ? text.size() : nl + 1);
        const auto words = Words(line);
        if (words.empty() || words[0][0] == '#') continue;
        if (!haveStatus) {
            // current_pos current_status [current_pass]
            if (words.size() < 2 || words.size() > 3) return fail("expected the position and status");
            if (!ParseNumber(words[0], map.currentPos)) return fail("bad current position");
            if (words[1].size() != 1 || !IsBlockStatus(words[1][0])) return fail("bad current status");
            map.phase = static_cast<RescuePhase>(words[1][0]);
            if (words.size() == 3) {
                uint64_t pass = 0;
                if (!ParseNumber(words[2], pass) || pass < 1 || pass > 1000000) return fail("bad pass");
                map.pass = static_cast<int>(pass);
            }
            haveStatus = true;
            continue;
        }
        if (words.size() != 3) return fail("expected position, size and status");
        RescueBlock b;
        if (!ParseNumber(words[0], b.pos)) return fail("bad position");
        if (!ParseNumber(words[1], b.size) || b.size == 0) return fail("bad size");
        if (words[2].size() != 1 || !IsBlockStatus(words[2][0])) return fail("bad status");
        b.status = static_cast<RescueStatus>(words[2][0]);
        if (b.pos != end) return fail("blocks overlap or leave a gap");
        if (b.size > UINT64_MAX - b.pos || b.End() > static_cast<uint64_t>(INT64_MAX)) {
            return fail("block too large");
        }
        end = b.End();
        if (!map.m_blocks.empty() && map.m_blocks.back().status == b.status) {
            map.m_blocks.back().size += b.size;
        } else {
            map.m_blocks.push_back(b);
        }
    }
    if (!haveStatus) {
        error = "no status line";
        return std::nullopt;
    }
    if (map.m_blocks.empty()) {
        error = "no blocks";
        return std::nullopt;
    }
    return map;
}

std::string FormatRescueMap(const CRescueMap& map, std::string_view header) {
    std::string out = "# Mapfile.";
    if (!header.empty()) out += fmt::format(" Created by {}", header);
    out += '\n';
    if (map.phase == RescuePhase::Finished) out += "# Finished\n";
    out += "# current_pos  current_status  current_pass\n";
    out += fmt::format("0x{:08X}     {}               {}\n", map.currentPos,
                       static_cast<char>(map.phase), map.pass);
    out += "#      pos        size  status\n";
    for (const RescueBlock& b : map.Blocks()) {
        out += fmt::format("0x{:08X}  0x{:08X}  {}\n", b.pos, b.size, static_cast<char>(b.status));
    }
    return out;
}

bool SaveRescueMap(const std::string& path, const CRescueMap& map, std::string_view header) {
    const std::string text = FormatRescueMap(map, header);
    return ReplaceFileWhole(path, text.data(), text.size());
}

std::optional<CRescueMap> LoadRescueMap(const std::string& path, std::string& error) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        error = std::strerror(errno);
        return std::nullopt;
    }
    struct stat st {};
    // A map of a whole disk in small blocks is a few megabytes; anything far
    // larger is not a map.
    constexpr off_t kLargest = 256 << 20;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size > kLargest) {
        ::close(fd);
        error = "not a map file";
        return std::nullopt;
    }
    std::string text(static_cast<size_t>(st.st_size), '\0');
    const ssize_t got = PreadFully(fd, text.data(), text.size(), 0);
    const int err = errno;
    ::close(fd);
    if (got < 0) {
        error = std::strerror(err);
        return std::nullopt;
    }
    text.resize(static_cast<size_t>(got));
    return ParseRescueMap(text, error);
}

std::vector<SectorRange> NeverReadSectors(const CRescueMap& map, uint32_t sectorSize) {
    const uint64_t S = sectorSize != 0 ? sectorSize : 512;
    std::vector<SectorRange> out;
    for (const RescueBlock& b : map.NotFinished()) {
        const uint64_t first = b.pos / S;
        const uint64_t end = (b.End() + S - 1) / S;
        if (!out.empty() && out.back().first + out.back().count >= first) {
            out.back().count = std::max(out.back().count, end - out.back().first);
        } else {
            out.push_back({first, end - first});
        }
    }
    return out;
}

void AddNeverRead(const std::vector<SectorRange>& neverRead, uint64_t first, uint64_t count,
                  std::vector<SectorRange>& bad, uint64_t& badSectors) {
    const uint64_t end = first + count;
    // The first range that ends after first.
    auto it = std::upper_bound(neverRead.begin(), neverRead.end(), first,
                               [](uint64_t f, const SectorRange& r) { return f < r.first + r.count; });
    bool added = false;
    for (; it != neverRead.end() && it->first < end; ++it) {
        const uint64_t a = std::max(first, it->first);
        const uint64_t b = std::min(end, it->first + it->count);
        if (a < b) {
            bad.push_back({a, b - a});
            added = true;
        }
    }
    if (!added) return;
    std::sort(bad.begin(), bad.end(),
              [](const SectorRange& x, const SectorRange& y) { return x.first < y.first; });
    std::vector<SectorRange> merged;
    for (const SectorRange& r : bad) {
        if (!merged.empty() && merged.back().first + merged.back().count >= r.first) {
            merged.back().count =
                std::max(merged.back().count, r.first + r.count - merged.back().first);
        } else {
            merged.push_back(r);
        }
    }
    bad = std::move(merged);
    badSectors = 0;
    for (const SectorRange& r : bad) badSectors += r.count;
}

}  // namespace tvn
