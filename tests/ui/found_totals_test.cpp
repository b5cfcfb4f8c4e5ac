// The found-data window's "Total Data" over a catalogue of measured lengths:
// files that may be incomplete keep the lengths the rules guessed, which run
// over the files after them, so adding their sizes up could give more bytes
// than the medium holds. Each byte of the medium counts once there; lengths
// found by the rules alone are added up as they always were.
#include "ui/found_selection.h"

#include <gtest/gtest.h>

#include "catalog/directory_tree.h"

namespace tvn::ui {
namespace {

using Length = CFileNode::Length;

// A 32 KiB medium (64 sectors of 512 bytes): a whole JPEG at sector 0, two
// broken ones at 16 and 24 whose guessed lengths overlap each other, and a
// whole TIFF at sector 20, inside the first broken JPEG's guess. 45,096 bytes
// of sizes on 32,768 bytes of medium.
void Fill(CDirectoryTree& tree, bool measured) {
    CFolderNode* jpg = tree.InsertFolder("JPG");
    CFolderNode* tif = tree.InsertFolder("TIF");
    const auto add = [measured](CFolderNode* folder, unsigned n, ULONGLONG sector, ULONGLONG size,
                                Length length) {
        CFileNode* f = folder->InsertFile("file# " + std::to_string(n) + ".", sector,
                                          sector + size / 512, size);
        f->SetLength(measured ? length : Length::Carved);
    };
    add(jpg, 1, 0, 4096, Length::Measured);
    add(jpg, 2, 16, 20000, Length::MayBeIncomplete);
    add(jpg, 3, 24, 20000, Length::MayBeIncomplete);
    add(tif, 1, 20, 1000, Length::Measured);
}

TEST(FoundTotals, MeasuredCatalogueCountsEachByteOfTheMediumOnce) {
    CDirectoryTree tree;
    Fill(tree, true);
    CFoundSelection selection(tree, 512);
    // 0..4096, then 8192..32288 for the two broken files with the TIFF inside.
    EXPECT_EQ(selection.TotalBytes(), 4096u + (32288u - 8192u));
    EXPECT_LE(selection.TotalBytes(), 64u * 512u);
    EXPECT_EQ(CoveredBytes(tree, 512), selection.TotalBytes());
    EXPECT_EQ(TotalDataText(selection.TotalBytes()), "Total Data        : [27.000 KB]");
    // Ticking and the size filter do not change the catalogue's total.
    selection.SetAllChecked(true);
    selection.SetMinimumSize(2000);
    EXPECT_EQ(selection.TotalBytes(), 28192u);

    // The files begin where their sectors of the medium's size say: with
    // 4,096-byte sectors the same files lie apart (the TIFF still inside the
    // second file) and every size counts.
    CFoundSelection large(tree, 4096);
    EXPECT_EQ(large.TotalBytes(), 4096u + 20000u + 20000u);
}

TEST(FoundTotals, LengthsByTheRulesAreAddedUpAsBefore) {
    CDirectoryTree tree;
    Fill(tree, false);
    CFoundSelection selection(tree, 512);
    EXPECT_EQ(selection.TotalBytes(), 4096u + 20000u + 20000u + 1000u);
}

}  // namespace
}  // namespace tvn::ui
