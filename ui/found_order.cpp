#include "ui/found_order.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <utility>

namespace tvn::ui {

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// One entry to sort: the key (or the first bytes of it, big-endian) and the
// row's position, which settles ties.
struct Item {
    uint64_t key;
    uint32_t row;
};

uint64_t SizeOf(const CDirectoryNode& n) {
    return n.IsFolder() ? 0 : static_cast<const CFileNode&>(n).GetSize();
}

uint64_t DateOf(const CDirectoryNode& n) {
    int64_t seconds = 0;
    if (!n.IsFolder()) {
        const FileOrigin* o = static_cast<const CFileNode&>(n).GetOrigin();
        if (o != nullptr && o->modified.known) seconds = o->modified.seconds;
    }
    // Signed seconds to unsigned with the same order.
    return static_cast<uint64_t>(seconds) ^ (uint64_t{1} << 63);
}

// Sorts by key, stable: items of equal keys keep their order. Least
// significant byte first, one counting pass for all eight bytes; a byte that
// is the same in every key is skipped.
void RadixSort(std::vector<Item>& items) {
    std::array<std::array<uint32_t, 256>, 8> counts{};
    for (const Item& item : items) {
        for (size_t b = 0; b < 8; ++b) ++counts[b][(item.key >> (8 * b)) & 0xFF];
    }
    std::vector<Item> other(items.size());
    for (size_t b = 0; b < 8; ++b) {
        auto& count = counts[b];
        if (std::find(count.begin(), count.end(), items.size()) != count.end()) continue;
        uint32_t at = 0;
        for (uint32_t& c : count) at += std::exchange(c, at);
        for (const Item& item : items) other[count[(item.key >> (8 * b)) & 0xFF]++] = item;
        items.swap(other);
    }
}

// The order of the items sorted by key, ascending or descending, equal keys
// in row order; tie(a, b) orders items of equal keys further (less than 0,
// 0, more than 0), where it is given.
template <class Tie>
std::vector<uint32_t> Finish(std::vector<Item>& items, bool ascending, Tie tie) {
    if (!ascending) {
        for (Item& item : items) item.key = ~item.key;
    }
    const auto less = [&](const Item& a, const Item& b) {
        if (a.key != b.key) return a.key < b.key;
        const int c = tie(a, b);
        if (c != 0) return ascending ? c < 0 : c > 0;
        return a.row < b.row;
    };
    // A catalogue lists its files newest first, so the list is often already
    // in order or in reverse order: a pass finds out before any sorting. The
    // order is total (the row settles ties), so a reversed list that is in
    // order holds no ties that reversing could have swapped.
    if (!std::is_sorted(items.begin(), items.end(), less)) {
        std::reverse(items.begin(), items.end());
        if (!std::is_sorted(items.begin(), items.end(), less)) {
            // Rows in order again, for the stable sort by key.
            std::reverse(items.begin(), items.end());
            RadixSort(items);
            // Runs of equal keys are ordered by what the keys leave out.
            for (size_t i = 0; i < items.size();) {
                size_t end = i + 1;
                while (end < items.size() && items[end].key == items[i].key) ++end;
                if (end - i > 1) {
                    std::sort(items.begin() + static_cast<std::ptrdiff_t>(i),
                              items.begin() + static_cast<std::ptrdiff_t>(end), less);
                }
                i = end;
            }
        }
    }
    std::vector<uint32_t> order(items.size());
    for (size_t i = 0; i < items.size(); ++i) order[i] = items[i].row;
    return order;
}

int NoTie(const Item&, const Item&) { return 0; }

std::vector<uint32_t> ByNumber(std::span<CDirectoryNode* const> rows, bool ascending,
                               uint64_t (*keyOf)(const CDirectoryNode&)) {
    std::vector<Item> items(rows.size());
    for (size_t i = 0; i < rows.size(); ++i) items[i] = {keyOf(*rows[i]), static_cast<uint32_t>(i)};
    return Finish(items, ascending, NoTie);
}

std::vector<uint32_t> ByName(std::span<CDirectoryNode* const> rows, bool ascending) {
    // Every name's key in one buffer; the eight bytes after the part all keys
    // share decide most comparisons on their own.
    std::string keys(rows.size() * 24, '\0');
    std::vector<size_t> at(rows.size() + 1);
    size_t used = 0;
    for (size_t i = 0; i < rows.size(); ++i) {
        at[i] = used;
        const std::string_view name = ShownName(*rows[i]);
        if (keys.size() - used < NaturalKeyBound(name)) {
            keys.resize(std::max(keys.size() * 2, used + NaturalKeyBound(name)));
        }
        used += WriteNaturalKey(name, keys.data() + used);
    }
    at[rows.size()] = used;
    auto keyOf = [&](uint32_t row) {
        return std::string_view(keys).substr(at[row], at[row + 1] - at[row]);
    };
    size_t shared = rows.empty() ? 0 : keyOf(0).size();
    for (uint32_t i = 1; i < rows.size() && shared > 0; ++i) {
        const std::string_view k = keyOf(i);
        shared = std::min(shared, k.size());
        shared = static_cast<size_t>(
            std::mismatch(k.begin(), k.begin() + static_cast<std::ptrdiff_t>(shared), keyOf(0).begin())
                .first -
            k.begin());
    }
    std::vector<Item> items(rows.size());
    for (uint32_t i = 0; i < rows.size(); ++i) {
        const std::string_view k = keyOf(i);
        uint64_t head = 0;
        for (size_t b = 0; b < 8; ++b) {
            const size_t p = shared + b;
            head = head << 8 | (p < k.size() ? static_cast<unsigned char>(k[p]) : 0u);
        }
        items[i] = {head, i};
    }
    // Equal heads are settled by the whole key, then by the names themselves.
    return Finish(items, ascending, [&](const Item& a, const Item& b) {
        const int c = keyOf(a.row).compare(keyOf(b.row));
        if (c != 0) return c;
        return ShownName(*rows[a.row]).compare(ShownName(*rows[b.row]));
    });
}

}  // namespace

int NaturalCompare(std::string_view a, std::string_view b) {
    size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        if (IsDigit(a[i]) && IsDigit(b[j])) {
            // Numbers by value: without leading zeros, the longer is larger,
            // and equal lengths compare digit by digit.
            size_t ie = i, je = j;
            while (ie < a.size() && IsDigit(a[ie])) ++ie;
            while (je < b.size() && IsDigit(b[je])) ++je;
            size_t is = i, js = j;
            while (is + 1 < ie && a[is] == '0') ++is;
            while (js + 1 < je && b[js] == '0') ++js;
            if (ie - is != je - js) return ie - is < je - js ? -1 : 1;
            const int c = a.substr(is, ie - is).compare(b.substr(js, je - js));
            if (c != 0) return c < 0 ? -1 : 1;
            i = ie;
            j = je;
            continue;
        }
        const char ca = Lower(a[i]), cb = Lower(b[j]);
        if (ca != cb) return static_cast<unsigned char>(ca) < static_cast<unsigned char>(cb) ? -1 : 1;
        ++i;
        ++j;
    }
    if (i < a.size()) return 1;
    if (j < b.size()) return -1;
    // Names that differ only in case or leading zeros still have one order.
    const int c = a.compare(b);
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

size_t WriteNaturalKey(std::string_view name, char* out) {
    char* p = out;
    size_t i = 0;
    while (i < name.size()) {
        if (!IsDigit(name[i])) {
            *p++ = Lower(name[i++]);
            continue;
        }
        size_t end = i;
        while (end < name.size() && IsDigit(name[end])) ++end;
        while (i + 1 < end && name[i] == '0') ++i;
        // Every digit sorts the same against a letter, so one stands for the
        // run; the length then orders numbers of different lengths.
        *p++ = '0';
        const size_t length = end - i;
        if (length < 255) {
            *p++ = static_cast<char>(length);
        } else {
            *p++ = static_cast<char>(255);
            for (int shift = 24; shift >= 0; shift -= 8) {
                *p++ = static_cast<char>((static_cast<uint32_t>(length) >> shift) & 0xFF);
            }
        }
        std::memcpy(p, name.data() + i, length);
        p += length;
        i = end;
    }
    return static_cast<size_t>(p - out);
}

void AppendNaturalKey(std::string_view name, std::string& out) {
    const size_t at = out.size();
    out.resize(at + NaturalKeyBound(name));
    out.resize(at + WriteNaturalKey(name, out.data() + at));
}

std::string_view ShownName(const CDirectoryNode& node) {
    if (!node.IsFolder()) {
        if (const FileOrigin* o = static_cast<const CFileNode&>(node).GetOrigin()) return o->name;
    }
    return node.GetName();
}

std::vector<uint32_t> SortedOrder(std::span<CDirectoryNode* const> rows, SortKey key, bool ascending) {
    switch (key) {
        case SortKey::Size: return ByNumber(rows, ascending, SizeOf);
        case SortKey::Date: return ByNumber(rows, ascending, DateOf);
        case SortKey::Name: break;
    }
    return ByName(rows, ascending);
}

// --- row by node ---------------------------------------------------------------

size_t CRowIndex::Slot(const CDirectoryNode* node) const {
    // Fibonacci hashing of the address; nodes are at least 8 bytes apart.
    const auto bits = reinterpret_cast<uintptr_t>(node) >> 3;
    return static_cast<size_t>((static_cast<uint64_t>(bits) * 0x9E3779B97F4A7C15ULL) >> m_shift);
}

void CRowIndex::Build(std::span<CDirectoryNode* const> rows) {
    m_rows = rows;
    // At most half full.
    const size_t size = std::bit_ceil(std::max<size_t>(rows.size() * 2, 16));
    m_shift = 64u - static_cast<unsigned>(std::countr_zero(size));
    m_slots.assign(size, -1);
    const size_t mask = size - 1;
    for (size_t r = 0; r < rows.size(); ++r) {
        size_t s = Slot(rows[r]);
        while (m_slots[s] >= 0) s = (s + 1) & mask;
        m_slots[s] = static_cast<int32_t>(r);
    }
}

int CRowIndex::Find(const CDirectoryNode* node) const {
    if (m_slots.empty()) return -1;
    const size_t mask = m_slots.size() - 1;
    for (size_t s = Slot(node);; s = (s + 1) & mask) {
        const int32_t row = m_slots[s];
        if (row < 0) return -1;
        if (m_rows[static_cast<size_t>(row)] == node) return row;
    }
}

}  // namespace tvn::ui
