#include <gtest/gtest.h>

#include "catalog/directory_tree.h"

namespace tvn {
namespace {

std::vector<std::string> FolderNames(const CDirectoryTree& t) {
    std::vector<std::string> names;
    for (CFolderNode* f = t.GetFirstFolder(); f; f = f->GetNextFolder()) names.push_back(f->GetName());
    return names;
}

TEST(DirectoryTree, NewestFolderAndFileComeFirst) {
    CDirectoryTree tree;
    CFolderNode* jpg = tree.InsertFolder("JPG");
    jpg->InsertFile("file# 1.", 10, 12, 1500);
    jpg->InsertFile("file# 2.", 20, 22, 1500);
    jpg->InsertFile("file# 3.", 30, 32, 1500);
    tree.InsertFolder("BMP");
    EXPECT_EQ(FolderNames(tree), (std::vector<std::string>{"BMP", "JPG"}));
    std::vector<std::string> files;
    for (CFileNode* n = jpg->GetFirstChild(); n; n = n->GetNextFile()) {
        files.push_back(n->GetName());
        EXPECT_FALSE(n->IsChecked());
        EXPECT_EQ(n->GetParent(), jpg);
    }
    EXPECT_EQ(files, (std::vector<std::string>{"file# 3.JPG", "file# 2.JPG", "file# 1.JPG"}));
    EXPECT_EQ(jpg->GetFileCount(), 3u);
}

TEST(DirectoryTree, FindFolderIsCaseSensitiveAndTakesTheFirst) {
    CDirectoryTree tree;
    CFolderNode* older = tree.InsertFolder("JPG");
    EXPECT_EQ(tree.FindFolder("jpg"), nullptr);
    EXPECT_EQ(tree.FindFolder("JPG"), older);
    CFolderNode* newer = tree.InsertFolder("JPG");  // no check for duplicates
    EXPECT_EQ(tree.FindFolder("JPG"), newer);
    EXPECT_EQ(tree.GetFolderCount(), 2u);
}

TEST(DirectoryTree, RemoveAllEmptiesTreeAndTotals) {
    CDirectoryTree tree;
    tree.InsertFolder("JPG")->InsertFile("file# 1.", 100, 109, 5000);
    tree.m_ullFolderCount = 1;
    tree.m_ullFoundBytes = 5000;
    tree.RemoveAll();
    EXPECT_EQ(tree.GetFolderCount(), 0u);
    EXPECT_EQ(tree.GetFirstFolder(), nullptr);
    EXPECT_EQ(tree.m_ullFolderCount.load(), 0u);
    EXPECT_EQ(tree.m_ullFoundBytes.load(), 0u);
    EXPECT_EQ(tree.GetRoot().GetName(), "Root");
}

}  // namespace
}  // namespace tvn
