// The found-data list's order, checked against the plain definition: a stable
// sort with the natural comparison (names as shown), or by size or date.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "catalog/directory_tree.h"
#include "catalog/file_origin.h"
#include "ui/found_order.h"

namespace tvn::ui {
namespace {

int Sign(int v) { return (v > 0) - (v < 0); }

// Names that stress the key: digit runs with leading zeros, runs longer than
// a length byte holds, case, characters on both sides of the digits, names
// that are prefixes of others, and repeats.
std::string RandomName(std::mt19937& rng) {
    static const std::string kPieces[] = {"file# ", "IMG_", "img_", "DSC", "a", "B", "-", ".",
                                          " ", "~", "/", "Z", "\xC3\xA9", "\x7F", "0"};
    std::string name;
    const int parts = static_cast<int>(rng() % 5);
    for (int i = 0; i < parts; ++i) {
        if (rng() % 2 != 0) {
            name += kPieces[rng() % std::size(kPieces)];
        } else {
            const int zeros = static_cast<int>(rng() % 3);
            name.append(static_cast<size_t>(zeros), '0');
            if (rng() % 40 == 0) {
                name.append(255 + rng() % 3, static_cast<char>('1' + rng() % 9));
            } else {
                name += std::to_string(rng() % 120);
            }
        }
    }
    return name;
}

TEST(FoundOrder, KeysOrderNamesAsTheNaturalComparisonDoes) {
    std::mt19937 rng(20261210);
    std::vector<std::string> names;
    for (int i = 0; i < 3000; ++i) names.push_back(RandomName(rng));
    std::vector<std::string> keys;
    for (const std::string& n : names) {
        std::string key;
        AppendNaturalKey(n, key);
        EXPECT_LE(key.size(), NaturalKeyBound(n));
        keys.push_back(std::move(key));
    }
    for (size_t i = 0; i < names.size(); ++i) {
        for (size_t j = i % 7; j < names.size(); j += 7) {
            const int natural = NaturalCompare(names[i], names[j]);
            const int byKey = Sign(keys[i].compare(keys[j]));
            // Keys are equal only where the names differ in leading zeros or
            // case alone; the natural comparison then falls back to the bytes.
            if (byKey != 0) {
                ASSERT_EQ(byKey, natural) << '"' << names[i] << "\" against \"" << names[j] << '"';
            } else {
                ASSERT_EQ(natural, Sign(names[i].compare(names[j])));
            }
        }
    }
}

struct Rows {
    CFolderNode folder;
    std::vector<CDirectoryNode*> rows;
};

// Files with repeated names, sizes and dates (ties), some named and dated by
// the file system, in the catalogue's order.
std::unique_ptr<Rows> RandomRows(std::mt19937& rng, size_t count) {
    auto out = std::make_unique<Rows>();
    for (size_t i = 0; i < count; ++i) {
        const uint64_t size = 1000 + rng() % 50;
        CFileNode* file = out->folder.InsertFile("file# " + std::to_string(rng() % (count / 2 + 1)) + ".",
                                                 i, i + 1, size);
        if (rng() % 3 == 0) {
            auto origin = std::make_unique<FileOrigin>();
            origin->name = RandomName(rng);
            origin->modified.known = rng() % 4 != 0;
            origin->modified.seconds = static_cast<int64_t>(rng() % 40) - 20;  // before 1970 too
            file->SetOrigin(std::move(origin));
        }
        out->rows.push_back(file);
    }
    return out;
}

int64_t DateOf(const CDirectoryNode* n) {
    const FileOrigin* o = static_cast<const CFileNode*>(n)->GetOrigin();
    return o != nullptr && o->modified.known ? o->modified.seconds : 0;
}

// The plain definition: a stable sort of the rows by the column.
std::vector<CDirectoryNode*> Expected(std::vector<CDirectoryNode*> rows, SortKey key, bool ascending) {
    auto compare = [&](const CDirectoryNode* a, const CDirectoryNode* b) -> int {
        switch (key) {
            case SortKey::Name: return NaturalCompare(ShownName(*a), ShownName(*b));
            case SortKey::Size: {
                const auto sa = static_cast<const CFileNode*>(a)->GetSize();
                const auto sb = static_cast<const CFileNode*>(b)->GetSize();
                return (sa > sb) - (sa < sb);
            }
            case SortKey::Date: return (DateOf(a) > DateOf(b)) - (DateOf(a) < DateOf(b));
        }
        return 0;
    };
    std::stable_sort(rows.begin(), rows.end(), [&](const CDirectoryNode* a, const CDirectoryNode* b) {
        return ascending ? compare(a, b) < 0 : compare(a, b) > 0;
    });
    return rows;
}

TEST(FoundOrder, EveryColumnBothWaysIsAStableSortOfTheCatalogueOrder) {
    std::mt19937 rng(7);
    for (size_t count : {0u, 1u, 2u, 17u, 1000u, 5000u}) {
        const auto rows = RandomRows(rng, count);
        for (SortKey key : {SortKey::Name, SortKey::Size, SortKey::Date}) {
            for (bool ascending : {true, false}) {
                const std::vector<uint32_t> order = SortedOrder(rows->rows, key, ascending);
                ASSERT_EQ(order.size(), count);
                std::vector<CDirectoryNode*> got;
                for (uint32_t i : order) got.push_back(rows->rows[i]);
                ASSERT_EQ(got, Expected(rows->rows, key, ascending))
                    << count << " rows, key " << static_cast<int>(key) << (ascending ? " up" : " down");
            }
        }
    }
}

// The shortcuts for a list already in order, or in reverse order, give the
// same answer as a sort; reversing must not swap files of equal size.
TEST(FoundOrder, ListsInOrderOrReversedWithTies) {
    CFolderNode folder;
    std::vector<CDirectoryNode*> rows;
    for (unsigned i = 0; i < 300; ++i) {
        rows.push_back(folder.InsertFile("file# " + std::to_string(300 - i) + ".", i, i + 1, 4000 - i / 3 * 10));
    }
    for (SortKey key : {SortKey::Name, SortKey::Size}) {
        for (bool ascending : {true, false}) {
            std::vector<CDirectoryNode*> got;
            for (uint32_t i : SortedOrder(rows, key, ascending)) got.push_back(rows[i]);
            EXPECT_EQ(got, Expected(rows, key, ascending));
        }
    }
}

TEST(FoundOrder, RowIndexFindsEveryRowAndNothingElse) {
    CFolderNode folder;
    std::vector<CDirectoryNode*> rows;
    for (unsigned i = 0; i < 20000; ++i) rows.push_back(folder.InsertFile("f", i, i + 1, 600));
    CFileNode* hidden = folder.InsertFile("hidden", 1, 2, 600);
    std::reverse(rows.begin(), rows.end());
    CRowIndex index;
    EXPECT_EQ(index.Find(rows[0]), -1) << "an index never built holds nothing";
    index.Build(rows);
    for (size_t r = 0; r < rows.size(); ++r) ASSERT_EQ(index.Find(rows[r]), static_cast<int>(r));
    EXPECT_EQ(index.Find(hidden), -1);
    EXPECT_EQ(index.Find(nullptr), -1);
    index.Build({});
    EXPECT_EQ(index.Find(rows[5]), -1);
}

}  // namespace
}  // namespace tvn::ui
