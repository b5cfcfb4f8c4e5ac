// The room check before a save: what the ticked files take against the free
// room of the place they go to.
#include <gtest/gtest.h>

#include "catalog/directory_tree.h"
#include "output/room.h"
#include "tests/support/test_support.h"

namespace tvn {
namespace {

TEST(Room, TheTickedFilesTakeWholeBlocksAndMustFitTheFreeRoom) {
    CDirectoryTree tree;
    CFolderNode* jpg = tree.InsertFolder("JPG");
    CFileNode* a = jpg->InsertFile("file# 1.", 100, 120, 10'000);
    CFileNode* b = jpg->InsertFile("file# 2.", 200, 210, 5'000);
    jpg->InsertFile("file# 3.", 300, 2300, 1'000'000);  // not ticked
    a->SetChecked(true);
    b->SetChecked(true);
    const SelectionSize selected = SelectedSize(tree);
    EXPECT_EQ(selected.bytes, 15'000u);
    EXPECT_EQ(selected.files, 2u);

    // Each file may end a block short: two 4 KiB blocks more at most.
    const RoomCheck exact = CheckRoom(selected, 15'000 + 2 * kFileBlock);
    EXPECT_TRUE(exact.known);
    EXPECT_EQ(exact.needed, 15'000 + 2 * kFileBlock);
    EXPECT_TRUE(exact.Fits());
    EXPECT_FALSE(CheckRoom(selected, 15'000 + 2 * kFileBlock - 1).Fits());
    EXPECT_FALSE(CheckRoom(selected, 0).Fits()) << "a full destination";
    // A disc counts in 2 KiB sectors.
    EXPECT_EQ(CheckRoom(selected, 20'000, kDiscBlock).needed, 15'000 + 2 * kDiscBlock);
    // Room that cannot be told does not stop a save.
    const RoomCheck unknown = CheckRoom(selected, std::nullopt);
    EXPECT_FALSE(unknown.known);
    EXPECT_TRUE(unknown.Fits());
}

TEST(Room, TheFreeRoomOfARealFolderAndOfNone) {
    test::TempDir dir;
    const std::optional<uint64_t> free = FreeBytesAt(dir.Path());
    ASSERT_TRUE(free.has_value());
    EXPECT_GT(*free, 0u);
    EXPECT_FALSE(FreeBytesAt(dir / "not here").has_value());
    EXPECT_FALSE(FreeBytesAt("").has_value());
}

}  // namespace
}  // namespace tvn
