// The found_data window, driven as a person would over a catalogue built in
// the test: marks, totals, sorting, preview limits, the scan info commands
// and leaving.
#include "ui/found_data_dlg.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDateTime>
#include <QCheckBox>
#include <QHeaderView>
#include <QTimer>
#include <QLineEdit>
#include <QFileDialog>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QStyle>
#include <QTreeView>
#include <QTest>
#include <QTreeView>

#include <filesystem>

#include "catalog/scan_info.h"
#include "tests/support/test_support.h"
#include "tests/ui/found_test_support.h"

namespace tvn::ui {
namespace {

using test::AddFound;
using test::ModalAnswerer;

QString Text(const QWidget& dlg, const char* id) {
    auto* label = dlg.findChild<QLabel*>(QString::fromLatin1(id));
    return label ? label->text() : QStringLiteral("<missing %1>").arg(QString::fromLatin1(id));
}

QPushButton* Button(const QWidget& dlg, const char* id) {
    return dlg.findChild<QPushButton*>(QString::fromLatin1(id));
}

// The centre of the check box of a row of an item view.
QPoint CheckBoxAt(QAbstractItemView* view, const QModelIndex& index) {
    QStyleOptionViewItem option;
    option.initFrom(view);
    option.rect = view->visualRect(index);
    option.features |= QStyleOptionViewItem::HasCheckIndicator;
    option.state |= QStyle::State_Enabled;
    return view->style()
        ->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &option, view)
        .center();
}

// A scan of three JPEGs, two PNGs and an empty BMP folder (as a loaded scan
// info file may hold).
struct FoundFixture : ::testing::Test {
    CSession session;
    std::unique_ptr<CDataFoundDlg> dlg;

    void SetUp() override { session.jobMode = JobMode::Save; }

    void Fill() {
        AddFound(session, "JPG", 1, 1000);
        AddFound(session, "JPG", 2, 3000);
        AddFound(session, "JPG", 3, 200);
        AddFound(session, "PNG", 1, 70000);
        AddFound(session, "PNG", 2, 5);
    }

    CDataFoundDlg& Open() {
        dlg = std::make_unique<CDataFoundDlg>(session);
        dlg->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(dlg.get()));
        return *dlg;
    }

    QModelIndex TreeIndex(const std::string& folder) {
        return dlg->TreeModel().IndexOf(session.tree.FindFolder(folder));
    }
    int ListRow(const std::string& name) {
        for (int row = 0; row < dlg->ListModel().rowCount(); ++row) {
            if (dlg->ListModel().NodeAt(row)->GetName() == name) return row;
        }
        return -1;
    }
    Qt::CheckState TreeMark(const QModelIndex& index) {
        return dlg->TreeModel().data(index, Qt::CheckStateRole).value<Qt::CheckState>();
    }
    void ClickListBox(int row) {
        const QModelIndex index = dlg->ListModel().index(row, 0);
        QTest::mouseClick(dlg->List()->viewport(), Qt::LeftButton, {},
                          CheckBoxAt(dlg->List(), index));
    }
    void DoubleClick(const QPoint& at) {
        QTest::mouseClick(dlg->List()->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(dlg->List()->viewport(), Qt::LeftButton, {}, at);
    }
    void ClickTreeBox(const QModelIndex& index) {
        QTest::mouseClick(dlg->Tree()->viewport(), Qt::LeftButton, {},
                          CheckBoxAt(dlg->Tree(), index));
    }
};

// --- the totals texts -----------------------------------------------------------

TEST(FoundTotals, DataTextsAtTheThresholds) {
    EXPECT_EQ(TotalDataText(0), "Total Data        : [0.000 KB]");
    EXPECT_EQ(TotalDataText(1023), "Total Data        : [0.000 KB]");
    EXPECT_EQ(TotalDataText(1048575), "Total Data        : [1023.000 KB]");
    EXPECT_EQ(TotalDataText(1048576), "Total Data        : [1.000 MB]");
    EXPECT_EQ(TotalDataText(0x40000000ULL - 1), "Total Data        : [1024.000 MB]");
    EXPECT_EQ(TotalDataText(0x40000000ULL), "Total Data        : [1.000 GB]");
    EXPECT_EQ(SelectedDataText(1048575), "Selected Data        : [1023.000 KB]");
    EXPECT_EQ(SelectedDataText(3ULL << 30), "Selected Data        : [3.000 GB]");
    EXPECT_EQ(TotalFilesText(7), "Total File(s)      : [7]");
    EXPECT_EQ(TotalFoldersText(2), "Total Folder(s) : [2]");
    EXPECT_EQ(SelectedFoldersText(0), "Selected Folder(s) : [0]");
    EXPECT_EQ(SelectedFilesText(12), "Selected File(s)      : [12]");
}

// --- marks and totals in the window ---------------------------------------------

TEST_F(FoundFixture, OpensWithTotalsFolderCountingTheRootAndSaveDisabled) {
    Fill();
    AddFound(session, "BMP", 1, 0);
    session.tree.FindFolder("BMP")->RemoveFiles();
    Open();
    EXPECT_EQ(Text(*dlg, "id1054"), "Total Folder(s) : [4]");
    EXPECT_EQ(Text(*dlg, "id1056"), "Total File(s)      : [5]");
    EXPECT_EQ(Text(*dlg, "id1058"), "Total Data        : [72.000 KB]");  // 74,205 bytes
    EXPECT_EQ(Text(*dlg, "id1055"), "Selected Folder(s) : [0]");
    EXPECT_EQ(Text(*dlg, "id1059"), "Selected Data        : [0.000 KB]");
    EXPECT_FALSE(Button(*dlg, "id1019")->isEnabled());
    EXPECT_TRUE(Button(*dlg, "id1081")->isEnabled());
    // The tree: the root and its folders sorted by name; the list shows them.
    EXPECT_EQ(dlg->TreeModel().rowCount(dlg->TreeModel().RootIndex()), 3);
    EXPECT_EQ(dlg->TreeModel().index(0, 0, dlg->TreeModel().RootIndex()).data().toString(), "BMP");
    EXPECT_EQ(dlg->ListModel().rowCount(), 3);
    EXPECT_EQ(dlg->ListModel().index(0, 1).data().toString(), "0");
}

TEST_F(FoundFixture, OneTickedFileMarksItsFolderAndTheRootPartly) {
    Fill();
    Open();
    const QModelIndex jpg = TreeIndex("JPG");
    QTest::mouseClick(dlg->Tree()->viewport(), Qt::LeftButton, {},
                      dlg->Tree()->visualRect(jpg).center() + QPoint(20, 0));
    ASSERT_EQ(dlg->ListModel().Folder(), session.tree.FindFolder("JPG"));
    ASSERT_EQ(dlg->ListModel().rowCount(), 3);

    ClickListBox(ListRow("file# 2.JPG"));
    EXPECT_EQ(TreeMark(jpg), Qt::PartiallyChecked);
    EXPECT_EQ(TreeMark(dlg->TreeModel().RootIndex()), Qt::PartiallyChecked);
    EXPECT_EQ(TreeMark(TreeIndex("PNG")), Qt::Unchecked);
    EXPECT_EQ(Text(*dlg, "id1057"), "Selected File(s)      : [1]");
    EXPECT_EQ(Text(*dlg, "id1055"), "Selected Folder(s) : [2]");  // the folder and the root
    EXPECT_EQ(Text(*dlg, "id1059"), "Selected Data        : [2.000 KB]");
    EXPECT_TRUE(Button(*dlg, "id1019")->isEnabled());

    // The rest by keyboard: space on the selected row.
    for (const char* name : {"file# 1.JPG", "file# 3.JPG"}) {
        dlg->List()->setCurrentIndex(dlg->ListModel().index(ListRow(name), 1));
        dlg->List()->setFocus();
        QTest::keyClick(dlg->List(), Qt::Key_Space);
    }
    EXPECT_EQ(TreeMark(jpg), Qt::Checked);
    EXPECT_EQ(TreeMark(dlg->TreeModel().RootIndex()), Qt::PartiallyChecked);
    EXPECT_EQ(Text(*dlg, "id1059"), "Selected Data        : [4.000 KB]");  // 4,200 bytes

    // Unticking the last one leaves nothing selected.
    for (const char* name : {"file# 1.JPG", "file# 2.JPG", "file# 3.JPG"}) {
        ClickListBox(ListRow(name));
    }
    EXPECT_EQ(TreeMark(jpg), Qt::Unchecked);
    EXPECT_EQ(Text(*dlg, "id1055"), "Selected Folder(s) : [0]");
    EXPECT_FALSE(Button(*dlg, "id1019")->isEnabled());
}

TEST_F(FoundFixture, RootTickedAndUntickedSetsEverythingBelowIt) {
    Fill();
    Open();
    const QModelIndex root = dlg->TreeModel().RootIndex();
    ClickTreeBox(root);
    EXPECT_EQ(TreeMark(root), Qt::Checked);
    EXPECT_EQ(TreeMark(TreeIndex("JPG")), Qt::Checked);
    EXPECT_EQ(TreeMark(TreeIndex("PNG")), Qt::Checked);
    for (CFolderNode* f = session.tree.GetFirstFolder(); f; f = f->GetNextFolder()) {
        for (CFileNode* file = f->GetFirstChild(); file; file = file->GetNextFile()) {
            EXPECT_TRUE(file->IsChecked()) << file->GetName();
        }
    }
    EXPECT_EQ(Text(*dlg, "id1055"), "Selected Folder(s) : [3]");
    EXPECT_EQ(Text(*dlg, "id1057"), "Selected File(s)      : [5]");
    // The list shows the root's folders; they follow.
    EXPECT_EQ(dlg->ListModel().index(0, 0).data(Qt::CheckStateRole).toInt(), Qt::Checked);

    dlg->Tree()->setCurrentIndex(root);
    dlg->Tree()->setFocus();
    QTest::keyClick(dlg->Tree(), Qt::Key_Space);
    EXPECT_EQ(TreeMark(root), Qt::Unchecked);
    EXPECT_EQ(Text(*dlg, "id1057"), "Selected File(s)      : [0]");
    EXPECT_FALSE(session.tree.GetRoot().IsChecked());
    EXPECT_FALSE(Button(*dlg, "id1019")->isEnabled());
}

TEST_F(FoundFixture, FolderToggleFollowsItsFlagAndTheListFollowsTheTree) {
    Fill();
    Open();
    dlg->ShowFolder(session.tree.FindFolder("PNG"));
    ClickListBox(ListRow("file# 1.PNG"));
    const QModelIndex png = TreeIndex("PNG");
    ASSERT_EQ(TreeMark(png), Qt::PartiallyChecked);
    // A partly ticked folder has its flag set: toggling it clears it.
    ClickTreeBox(png);
    EXPECT_EQ(TreeMark(png), Qt::Unchecked);
    EXPECT_EQ(dlg->ListModel().index(ListRow("file# 1.PNG"), 0).data(Qt::CheckStateRole).toInt(),
              Qt::Unchecked);
    ClickTreeBox(png);
    EXPECT_EQ(TreeMark(png), Qt::Checked);
    EXPECT_EQ(dlg->ListModel().index(ListRow("file# 2.PNG"), 0).data(Qt::CheckStateRole).toInt(),
              Qt::Checked);
    // A folder ticked in the root's list ticks its files and its tree item.
    dlg->ShowFolder(&session.tree.GetRoot());
    ClickListBox(ListRow("JPG"));
    EXPECT_EQ(TreeMark(TreeIndex("JPG")), Qt::Checked);
    EXPECT_EQ(TreeMark(dlg->TreeModel().RootIndex()), Qt::Checked);
    EXPECT_EQ(Text(*dlg, "id1057"), "Selected File(s)      : [5]");
}

TEST_F(FoundFixture, ArrowsAtTheEndsOfTheTreeDoNothing) {
    Fill();
    Open();
    const QModelIndex root = dlg->TreeModel().RootIndex();
    dlg->Tree()->setCurrentIndex(root);
    dlg->Tree()->setFocus();
    QTest::keyClick(dlg->Tree(), Qt::Key_Up);
    EXPECT_EQ(dlg->ListModel().Folder(), &session.tree.GetRoot());
    QTest::keyClick(dlg->Tree(), Qt::Key_Down);
    EXPECT_EQ(dlg->ListModel().Folder(), session.tree.FindFolder("JPG"));
    QTest::keyClick(dlg->Tree(), Qt::Key_Down);
    QTest::keyClick(dlg->Tree(), Qt::Key_Down);
    EXPECT_EQ(dlg->ListModel().Folder(), session.tree.FindFolder("PNG"));
    QTest::keyClick(dlg->Tree(), Qt::Key_Up);
    EXPECT_EQ(dlg->ListModel().Folder(), session.tree.FindFolder("JPG"));
}

TEST_F(FoundFixture, SortsByNameAsTextAndBySizeAsNumbersBothWays) {
    AddFound(session, "JPG", 9, 90);
    AddFound(session, "JPG", 10, 1000);
    AddFound(session, "JPG", 11, 200);
    AddFound(session, "JPG", 12, 20000);
    Open();
    dlg->ShowFolder(session.tree.FindFolder("JPG"));
    auto column = [&](int c) {
        QStringList out;
        for (int row = 0; row < dlg->ListModel().rowCount(); ++row) {
            out << dlg->ListModel().index(row, c).data().toString();
        }
        return out;
    };
    // Names in natural order: file# 9 before file# 10.
    EXPECT_EQ(column(0), QStringList({"file# 9.JPG", "file# 10.JPG", "file# 11.JPG", "file# 12.JPG"}));
    QHeaderView* header = dlg->List()->header();
    const auto clickHeader = [&](int section) {
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                          QPoint(header->sectionViewportPosition(section) + 10, header->height() / 2));
    };
    clickHeader(1);  // a new column keeps the direction shown
    EXPECT_EQ(column(1), QStringList({"90", "200", "1000", "20000"}));
    clickHeader(1);
    EXPECT_EQ(column(1), QStringList({"20000", "1000", "200", "90"}));
    EXPECT_EQ(header->sortIndicatorOrder(), Qt::DescendingOrder);
    clickHeader(0);
    EXPECT_EQ(column(0), QStringList({"file# 12.JPG", "file# 11.JPG", "file# 10.JPG", "file# 9.JPG"}));
    // A ticked row stays ticked wherever sorting puts it.
    ClickListBox(ListRow("file# 12.JPG"));
    clickHeader(1);
    EXPECT_EQ(dlg->ListModel().index(0, 0).data().toString(), "file# 12.JPG");
    EXPECT_EQ(dlg->ListModel().index(0, 0).data(Qt::CheckStateRole).toInt(), Qt::Checked);
}

TEST_F(FoundFixture, SizeFilterHidesSmallFilesAndTakesTheirTicks) {
    Fill();
    Open();
    ClickTreeBox(dlg->TreeModel().RootIndex());
    dlg->SetMinimumSize(2048);
    dlg->ShowFolder(session.tree.FindFolder("JPG"));
    EXPECT_EQ(dlg->ListModel().rowCount(), 1);  // file# 2.JPG, 3,000 bytes
    EXPECT_EQ(Text(*dlg, "id1057"), "Selected File(s)      : [2]");
    EXPECT_EQ(Text(*dlg, "id1056"), "Total File(s)      : [5]");
    EXPECT_EQ(TreeMark(TreeIndex("JPG")), Qt::Checked);  // all it shows
    EXPECT_FALSE(session.tree.FindFolder("JPG")->GetFirstChild()->IsChecked());  // file# 3, 200 bytes
    dlg->SetMinimumSize(0);
    EXPECT_EQ(dlg->ListModel().rowCount(), 3);
    EXPECT_EQ(TreeMark(TreeIndex("JPG")), Qt::PartiallyChecked);
}

TEST_F(FoundFixture, SaveWithOnlyAnEmptyFolderTickedAsksForFiles) {
    Fill();
    session.tree.InsertFolder("BMP");
    Open();
    ModalAnswerer answer;
    ClickTreeBox(TreeIndex("BMP"));
    ASSERT_TRUE(Button(*dlg, "id1019")->isEnabled());
    QTest::mouseClick(Button(*dlg, "id1019"), Qt::LeftButton);
    ASSERT_EQ(answer.boxes.size(), 1u);
    EXPECT_EQ(answer.boxes[0].text, "Please select files and folders");
    EXPECT_EQ(answer.boxes[0].caption, "Information");
    EXPECT_TRUE(dlg->isVisible());
}

// --- preview and the context menu -------------------------------------------------

TEST_F(FoundFixture, PreviewLimitsDifferBetweenDoubleClickAndMenu) {
    AddFound(session, "JPG", 1, 40ULL << 20);
    AddFound(session, "MOV", 1, 4000);
    Open();
    std::vector<std::string> previewed;
    dlg->SetPreviewHandler(
        [&](QWidget*, CSession&, CFileNode& file) { previewed.push_back(file.GetName()); });
    ModalAnswerer answer;
    dlg->ShowFolder(session.tree.FindFolder("JPG"));
    const QRect row = dlg->List()->visualRect(dlg->ListModel().index(0, 0));
    DoubleClick(row.center() + QPoint(30, 0));
    EXPECT_EQ(previewed, std::vector<std::string>{"file# 1.JPG"});

    answer.PickMenu(QStringLiteral("&Preview"));
    dlg->ShowContextMenu(0, row.center(), false);
    EXPECT_EQ(answer.menuEntries, QStringList({"&Preview", "Select &Item"}));
    ASSERT_EQ(answer.boxes.size(), 1u);
    EXPECT_EQ(answer.boxes[0].text, "File size is too large to preview.");
    EXPECT_EQ(previewed.size(), 1u);

    // Exactly 30 MiB is still previewed from the menu.
    session.tree.FindFolder("JPG")->GetFirstChild()->SetSize(kMenuPreviewLimit);
    answer.PickMenu(QStringLiteral("&Preview"));
    dlg->ShowContextMenu(0, row.center(), false);
    EXPECT_EQ(previewed.size(), 2u);

    // Movies within the limits open in the player.
    dlg->ShowFolder(session.tree.FindFolder("MOV"));
    DoubleClick(row.center() + QPoint(30, 0));
    EXPECT_EQ(answer.boxes.size(), 1u);
    ASSERT_EQ(previewed.size(), 3u);
    EXPECT_EQ(previewed.back().substr(previewed.back().size() - 3), "MOV");
}

TEST_F(FoundFixture, ContextMenuOnFilesAndByKeyboardOnFolders) {
    Fill();
    Open();
    ModalAnswerer answer;
    // The root's list shows folders: a right click gives no menu ...
    const QRect folderRow = dlg->List()->visualRect(dlg->ListModel().index(0, 0));
    const QPoint folderAt = folderRow.center() + QPoint(30, 0);
    QContextMenuEvent mouse(QContextMenuEvent::Mouse, folderAt, dlg->List()->viewport()->mapToGlobal(folderAt));
    QApplication::sendEvent(dlg->List()->viewport(), &mouse);
    EXPECT_TRUE(answer.menuEntries.isEmpty());
    // ... the menu key gives one without "&Preview", whose command ticks.
    answer.PickMenu(QStringLiteral("Select &Item"));
    dlg->List()->setCurrentIndex(dlg->ListModel().index(0, 0));
    QContextMenuEvent key(QContextMenuEvent::Keyboard, QPoint(), QPoint());
    QApplication::sendEvent(dlg->List()->viewport(), &key);
    EXPECT_EQ(answer.menuEntries, QStringList({"Select &Item"}));
    EXPECT_EQ(TreeMark(dlg->TreeModel().IndexOf(dlg->ListModel().NodeAt(0))), Qt::Checked);

    // A ticked file (its folder was ticked) offers to deselect it.
    dlg->ShowFolder(session.tree.FindFolder("JPG"));
    answer.PickMenu(QStringLiteral("&Deselect Item"));
    const QRect fileRow = dlg->List()->visualRect(dlg->ListModel().index(0, 0));
    const QPoint fileAt = fileRow.center() + QPoint(30, 0);
    QContextMenuEvent onFile(QContextMenuEvent::Mouse, fileAt, dlg->List()->viewport()->mapToGlobal(fileAt));
    QApplication::sendEvent(dlg->List()->viewport(), &onFile);
    EXPECT_EQ(answer.menuEntries, QStringList({"&Preview", "&Deselect Item"}));
    EXPECT_FALSE(dlg->ListModel().NodeAt(0)->IsChecked());
    EXPECT_EQ(dlg->ListModel().index(0, 0).data(Qt::ToolTipRole).toString(),
              "Double click on file to preview");
}

TEST_F(FoundFixture, AFileWhoseStructureBrokeOffSaysItMayBeIncomplete) {
    Fill();
    CFolderNode* jpg = session.tree.FindFolder("JPG");
    for (CFileNode* f = jpg->GetFirstChild(); f != nullptr; f = f->GetNextFile()) {
        f->SetLength(f->GetSize() == 3000 ? CFileNode::Length::MayBeIncomplete
                                          : CFileNode::Length::Measured);
    }
    Open();
    dlg->ShowFolder(jpg);
    int marked = 0;
    for (int row = 0; row < dlg->ListModel().rowCount(); ++row) {
        const auto* f = static_cast<const CFileNode*>(dlg->ListModel().NodeAt(row));
        const QModelIndex name = dlg->ListModel().index(row, 0);
        const QString text = name.data(Qt::DisplayRole).toString();
        const QString tip = name.data(Qt::ToolTipRole).toString();
        EXPECT_TRUE(text.startsWith(QString::fromStdString(f->GetName())));
        EXPECT_TRUE(tip.startsWith(QStringLiteral("Double click on file to preview")));
        if (f->GetSize() == 3000) {
            ++marked;
            EXPECT_TRUE(text.endsWith(QStringLiteral("(may be incomplete)"))) << text.toStdString();
            EXPECT_TRUE(tip.contains(QStringLiteral("may be incomplete")));
            EXPECT_TRUE(name.data(Qt::ForegroundRole).isValid());
        } else {
            EXPECT_EQ(text, QString::fromStdString(f->GetName()));
            EXPECT_FALSE(name.data(Qt::ForegroundRole).isValid());
        }
        // The size stays a plain number, so it still sorts and reads as one.
        EXPECT_EQ(dlg->ListModel().index(row, 1).data(Qt::DisplayRole).toString(),
                  QString::number(f->GetSize()));
    }
    EXPECT_EQ(marked, 1);
}

// --- scan info and leaving ----------------------------------------------------------

struct ScanInfoFixture : FoundFixture {
    test::TempDir dir;
    std::string image;

    void SetUp() override {
        FoundFixture::SetUp();
        image = dir / "card.img";
        test::WriteFile(image, std::vector<uint8_t>(1 << 20, 0));
        CNullReporter quiet;
        ASSERT_TRUE(session.OpenCurrentSource(image, quiet, kDisconnectedReconnect));
        session.selectedDrive = image;
        Fill();
    }
};

TEST_F(ScanInfoFixture, SavedScanInfoLoadsBackIntoAWindowWithTheSameFiles) {
    Open();
    ModalAnswerer answer;
    const QString path = QString::fromStdString(dir / "card scan.bin");
    answer.Then([](QWidget* w) {
        auto* fd = qobject_cast<QFileDialog*>(w);
        ASSERT_NE(fd, nullptr);
        // The suggested name and the filter.
        EXPECT_TRUE(fd->selectedFiles().value(0).contains(QStringLiteral("TVN scan info, ")));
        EXPECT_EQ(fd->nameFilters(), QStringList({"TVN scan info (*.bin)"}));
        fd->reject();
    });
    QTest::mouseClick(Button(*dlg, "id1081"), Qt::LeftButton);
    EXPECT_FALSE(dlg->IsScanInfoSaved());  // cancelled: nothing written

    answer.ChooseFile(path);
    QTest::mouseClick(Button(*dlg, "id1081"), Qt::LeftButton);
    ASSERT_TRUE(answer.Done());
    EXPECT_TRUE(dlg->IsScanInfoSaved());
    ASSERT_TRUE(std::filesystem::exists(path.toStdString()));

    CSession loaded;
    loaded.listedFilesCheck = nullptr;  // made-up files on an empty image
    test::RecordingReporter reporter;
    ASSERT_TRUE(LoadScanInfo(loaded, path.toStdString(), session.diskSource->GetDrive(),
                             static_cast<DWORD>(session.diskSource->GetTotalSectors()), reporter));
    CDataFoundDlg again(loaded);
    again.ShowFolder(loaded.tree.FindFolder("JPG"));
    ASSERT_EQ(again.ListModel().rowCount(), 3);
    EXPECT_EQ(again.ListModel().index(2, 0).data().toString(), "file# 3.JPG");
    EXPECT_EQ(again.ListModel().index(2, 1).data().toString(), "200");
    EXPECT_EQ(Text(again, "id1058"), Text(*dlg, "id1058"));
    // Saved, the window leaves without a question.
    QTest::mouseClick(Button(*dlg, "id1020"), Qt::LeftButton);
    EXPECT_FALSE(dlg->isVisible());
    EXPECT_TRUE(answer.boxes.empty());
}

// The scan info goes through the one destination check: the medium being
// recovered is refused with the save's message, and is left as it was.
TEST_F(ScanInfoFixture, SavingTheScanInfoOntoTheMediumIsRefused) {
    Open();
    const std::vector<uint8_t> before = test::ReadFile(image);
    ModalAnswerer answer;
    answer.ChooseFile(QString::fromStdString(image));
    // Whatever boxes follow (the file dialog may ask whether to replace the
    // image): each is recorded and answered with its affirmative button.
    QStringList texts;
    const auto anyBox = [&texts](QWidget* w) {
        auto* box = qobject_cast<QMessageBox*>(w);
        if (box == nullptr) return;
        texts << box->text();
        // Clicked, as a person would: the file dialog asks which button was.
        QAbstractButton* yes = box->button(QMessageBox::Yes);
        QAbstractButton* ok = box->button(QMessageBox::Ok);
        if (yes != nullptr) {
            yes->click();
        } else if (ok != nullptr) {
            ok->click();
        }
    };
    answer.Then(anyBox);
    answer.Then(anyBox);
    QTest::mouseClick(Button(*dlg, "id1081"), Qt::LeftButton);
    EXPECT_FALSE(dlg->IsScanInfoSaved());
    for (const auto& box : answer.boxes) texts << box.text;  // boxes left to the answerer
    ASSERT_FALSE(texts.isEmpty());
    EXPECT_TRUE(texts.back().contains(QStringLiteral("Please choose a destination on another drive.")))
        << texts.join(QStringLiteral(" | ")).toStdString();
    EXPECT_EQ(test::ReadFile(image), before);
}

TEST_F(ScanInfoFixture, LeavingAsksAboutTheScanInfoUntilItIsWritten) {
    Open();
    ModalAnswerer answer;
    // Cancel stays.
    answer.Answer(QMessageBox::Cancel);
    QTest::mouseClick(Button(*dlg, "id1020"), Qt::LeftButton);
    ASSERT_EQ(answer.boxes.size(), 1u);
    EXPECT_EQ(answer.boxes[0].text, "Do you want to save scan info?");
    EXPECT_EQ(answer.boxes[0].caption, "Confirmation");
    EXPECT_TRUE(dlg->isVisible());
    // Escape is ignored.
    QTest::keyClick(dlg.get(), Qt::Key_Escape);
    EXPECT_TRUE(dlg->isVisible());
    // Yes, then the file dialog cancelled: nothing is written, the window stays.
    answer.Answer(QMessageBox::Yes);
    answer.ChooseFile(QString());
    QTest::mouseClick(Button(*dlg, "id1052"), Qt::LeftButton);
    EXPECT_TRUE(dlg->isVisible());
    EXPECT_FALSE(dlg->IsScanInfoSaved());
    // Yes and a file that cannot be written: the error, and the window stays.
    answer.Answer(QMessageBox::Yes);
    answer.ChooseFile(QString::fromStdString(dir / "no such folder/x.bin"));
    QTest::mouseClick(Button(*dlg, "id1020"), Qt::LeftButton);
    EXPECT_TRUE(dlg->isVisible());
    ASSERT_GE(answer.boxes.size(), 3u);
    EXPECT_EQ(answer.boxes.back().caption, "Error");
    // No on Back: back to the first step, job mode scan.
    answer.Answer(QMessageBox::No);
    QTest::mouseClick(Button(*dlg, "id1052"), Qt::LeftButton);
    EXPECT_FALSE(dlg->isVisible());
    EXPECT_EQ(dlg->GetOutcome(), CDataFoundDlg::Outcome::Back);
    EXPECT_EQ(session.jobMode, JobMode::Scan);
}

TEST_F(FoundFixture, EmptyCatalogueLeavesWithoutAQuestion) {
    Open();
    EXPECT_EQ(Text(*dlg, "id1058"), "Total Data        : [0.000 KB]");
    EXPECT_EQ(Text(*dlg, "id1054"), "Total Folder(s) : [1]");
    EXPECT_FALSE(Button(*dlg, "id1081")->isEnabled());
    ModalAnswerer answer;
    dlg->close();
    EXPECT_FALSE(dlg->isVisible());
    EXPECT_TRUE(answer.boxes.empty());
    EXPECT_EQ(dlg->GetOutcome(), CDataFoundDlg::Outcome::Exit);
}

TEST_F(FoundFixture, HintAfterAScanOnly) {
    Fill();
    Open();
    QTest::qWait(20);
    EXPECT_EQ(dlg->findChild<QMessageBox*>(QStringLiteral("tvnHint")), nullptr);
    dlg.reset();
    session.jobMode = JobMode::Scan;
    Open();
    QTest::qWait(20);
    auto* hint = dlg->findChild<QMessageBox*>(QStringLiteral("tvnHint"));
    ASSERT_NE(hint, nullptr);
    EXPECT_EQ(hint->text(), "Check the files or folders that you want\nto recover and click \"Save\" button.");
    EXPECT_FALSE(hint->isModal());
    hint->close();
}

// A file the card's file system names: its original name (and a deleted
// mark) in the list, the numbered name and path in the tooltip, the entry's
// time in the Date column, which sorts by it; the Name column sorts by the
// name shown.
TEST(FoundDataNames, OriginalNameDeletedMarkAndDate) {
    CSession session;
    CFileNode* named = AddFound(session, "JPG", 1, 1000);
    AddFound(session, "JPG", 2, 1000);
    auto origin = std::make_unique<FileOrigin>();
    origin->path = "DCIM/100CANON/IMG_0042.JPG";
    origin->name = "IMG_0042.JPG";
    origin->deleted = true;
    origin->modified.seconds = 1700000000;
    origin->modified.known = true;
    named->SetOrigin(std::move(origin));
    CDataFoundDlg dlg(session);
    dlg.ShowFolder(session.tree.FindFolder("JPG"));
    CFileListModel& model = dlg.ListModel();
    ASSERT_EQ(model.columnCount(), 3);
    EXPECT_EQ(model.headerData(CFileListModel::DateColumn, Qt::Horizontal, Qt::DisplayRole)
                  .toString(),
              QStringLiteral("Date"));
    int row = -1;
    for (int r = 0; r < model.rowCount(); ++r)
        if (model.NodeAt(r) == named) row = r;
    ASSERT_GE(row, 0);
    EXPECT_EQ(model.index(row, 0).data().toString(), QStringLiteral("IMG_0042.JPG  (deleted)"));
    const QString tip = model.index(row, 0).data(Qt::ToolTipRole).toString();
    EXPECT_TRUE(tip.startsWith(QStringLiteral("file# 1.JPG\n/DCIM/100CANON/IMG_0042.JPG"))) << tip.toStdString();
    EXPECT_EQ(model.index(row, CFileListModel::DateColumn).data().toString(),
              QDateTime::fromSecsSinceEpoch(1700000000).toString(QStringLiteral("yyyy-MM-dd HH:mm")));
    EXPECT_TRUE(model.index(1 - row, CFileListModel::DateColumn).data().toString().isEmpty());
    // Newest first by date: the dated file before the undated one.
    dlg.ListModel().sort(CFileListModel::DateColumn, Qt::DescendingOrder);
    EXPECT_EQ(dlg.ListModel().NodeAt(0), named);
    // By name, the name shown counts: "file# 2.JPG" before "IMG_0042.JPG",
    // although the named file is numbered 1.
    dlg.ListModel().sort(CFileListModel::NameColumn, Qt::AscendingOrder);
    EXPECT_EQ(model.index(0, 0).data().toString(), QStringLiteral("file# 2.JPG"));
    EXPECT_EQ(dlg.ListModel().NodeAt(1), named);
}

// --- natural order and the keyboard ------------------------------------------------

TEST(NaturalOrder, NumbersByValueLettersWithoutCase) {
    EXPECT_TRUE(NaturalLess("file# 2.JPG", "file# 10.JPG"));
    EXPECT_FALSE(NaturalLess("file# 10.JPG", "file# 2.JPG"));
    EXPECT_TRUE(NaturalLess("file# 9.JPG", "file# 10.JPG"));
    EXPECT_TRUE(NaturalLess("file# 10.JPG", "file# 100.JPG"));
    EXPECT_TRUE(NaturalLess("a", "B"));
    EXPECT_TRUE(NaturalLess("a2b", "a2c"));
    EXPECT_TRUE(NaturalLess("file", "file# 1"));
    // Equal by value, still one order: leading zeros and case decide last.
    EXPECT_NE(NaturalCompare("x007", "x7"), 0);
    EXPECT_EQ(NaturalCompare("x007", "x7"), -NaturalCompare("x7", "x007"));
    EXPECT_NE(NaturalCompare("ABC", "abc"), 0);
    EXPECT_EQ(NaturalCompare("same 12", "same 12"), 0);
    // Long runs of digits compare without overflow.
    EXPECT_TRUE(NaturalLess("n99999999999999999999", "n100000000000000000000"));
}

TEST_F(FoundFixture, FileNamesInNaturalOrderBothWays) {
    for (unsigned n : {10u, 2u, 1u, 11u, 3u}) AddFound(session, "JPG", n, 1000 + n);
    Open();
    dlg->ShowFolder(session.tree.FindFolder("JPG"));
    auto names = [&] {
        QStringList all;
        for (int row = 0; row < dlg->ListModel().rowCount(); ++row)
            all << dlg->ListModel().index(row, 0).data().toString();
        return all;
    };
    EXPECT_EQ(names(), QStringList({"file# 1.JPG", "file# 2.JPG", "file# 3.JPG", "file# 10.JPG", "file# 11.JPG"}));
    QTest::mouseClick(dlg->List()->header()->viewport(), Qt::LeftButton, {},
                      QPoint(dlg->List()->header()->sectionViewportPosition(0) + 10, 5));
    EXPECT_EQ(names(), QStringList({"file# 11.JPG", "file# 10.JPG", "file# 3.JPG", "file# 2.JPG", "file# 1.JPG"}));
}

TEST_F(FoundFixture, EnterPreviewsTheCurrentFileAndOpensAFolder) {
    Fill();
    Open();
    std::vector<std::string> previewed;
    dlg->SetPreviewHandler(
        [&](QWidget*, CSession&, CFileNode& file) { previewed.push_back(file.GetName()); });
    ModalAnswerer answer;
    // The root's list: Enter on the JPG folder shows its files.
    dlg->List()->setFocus();
    dlg->List()->setCurrentIndex(dlg->ListModel().index(ListRow("JPG"), 0));
    QTest::keyClick(dlg->List(), Qt::Key_Return);
    ASSERT_EQ(dlg->ListModel().Folder(), session.tree.FindFolder("JPG"));
    EXPECT_TRUE(dlg->isVisible()) << "Enter is not the window's default button";
    dlg->List()->setCurrentIndex(dlg->ListModel().index(1, 0));
    QTest::keyClick(dlg->List(), Qt::Key_Enter, Qt::KeypadModifier);
    QTest::keyClick(dlg->List(), Qt::Key_Return);
    EXPECT_EQ(previewed, (std::vector<std::string>{"file# 2.JPG", "file# 2.JPG"}));
    EXPECT_TRUE(answer.boxes.empty());
    EXPECT_TRUE(dlg->isVisible());
}

TEST_F(FoundFixture, ShiftF10OpensTheMenuOfTheCurrentRow) {
    Fill();
    Open();
    ModalAnswerer answer;
    dlg->ShowFolder(session.tree.FindFolder("PNG"));
    dlg->List()->setFocus();
    dlg->List()->setCurrentIndex(dlg->ListModel().index(1, 0));
    answer.PickMenu(QStringLiteral("Select &Item"));
    QTest::keyClick(dlg->List(), Qt::Key_F10, Qt::ShiftModifier);
    EXPECT_EQ(answer.menuEntries, QStringList({"&Preview", "Select &Item"}));
    EXPECT_TRUE(dlg->ListModel().NodeAt(1)->IsChecked());
    EXPECT_FALSE(dlg->ListModel().NodeAt(0)->IsChecked());
}

}  // namespace
}  // namespace tvn::ui
