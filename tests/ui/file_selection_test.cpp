// The file-type step: the boxes, Select All / Deselect All, Next exactly
// when a type is ticked, and the scan it prepares.
#include <QGroupBox>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

#include "tests/support/test_support.h"
#include "tests/ui/ui_test_support.h"
#include "ui/file_selection_dialog.h"

namespace tvn::ui {
namespace {

struct TypesFixture : ::testing::Test {
    test::TempDir dir;
    std::string image = dir / "card.img";
    CSession session;
    CQtReporter reporter;
    CWizardState state;
    std::unique_ptr<CFileSelectionDlg> dlg;

    void SetUp() override {
        test::MakePhotoImage(image);
        state.driveId = image;
        state.sourceDescription = QStringLiteral("Disk image #card.img");
        dlg = std::make_unique<CFileSelectionDlg>(session, reporter, state);
        dlg->show();
    }
    QPushButton* Button(const char* id) { return dlg->findChild<QPushButton*>(QString::fromLatin1(id)); }
    // A click on the box itself, as a person ticks it.
    void Tick(FileType t) { QTest::mouseClick(dlg->Box(t), Qt::LeftButton, {}, QPoint(8, dlg->Box(t)->height() / 2)); }
};

TEST_F(TypesFixture, NineteenBoxesAllClearAndNextOnlyWithATick) {
    EXPECT_EQ(dlg->windowTitle(), QStringLiteral("Tarvolin"));
    for (const TypeFacts& f : kTypes) {
        ASSERT_NE(dlg->Box(f.type), nullptr) << f.name;
        EXPECT_FALSE(dlg->Box(f.type)->isChecked());
    }
    EXPECT_EQ(dlg->Box(FileType::TIF)->text(), QStringLiteral("TIFF"));
    EXPECT_EQ(dlg->Box(FileType::MP3)->objectName(), QStringLiteral("id1013"));
    // The newer types in a group of their own below the classic list.
    auto* more = dlg->findChild<QGroupBox*>(QStringLiteral("idMoreTypes"));
    ASSERT_NE(more, nullptr);
    EXPECT_EQ(more->title(), QStringLiteral("More camera and phone formats"));
    EXPECT_EQ(dlg->Box(FileType::HEIC)->parentWidget(), more);
    EXPECT_EQ(dlg->Box(FileType::ThreeGP)->text(), QStringLiteral("3GP"));
    EXPECT_FALSE(Button("id1")->isEnabled());
    Tick(FileType::WAV);
    EXPECT_TRUE(Button("id1")->isEnabled());
    Tick(FileType::JPG);
    Tick(FileType::WAV);
    EXPECT_TRUE(Button("id1")->isEnabled());
    Tick(FileType::JPG);
    EXPECT_FALSE(Button("id1")->isEnabled()) << "clearing the last tick disables Next";
}

TEST_F(TypesFixture, SelectAllAndDeselectAllFollowTheBoxes) {
    QPushButton* all = dlg->SelectAllButton();
    EXPECT_EQ(all->text(), QStringLiteral("Select &All"));
    QTest::mouseClick(all, Qt::LeftButton);
    EXPECT_EQ(dlg->CheckedTypes().size(), kTypeCount);
    EXPECT_EQ(all->text(), QStringLiteral("&Deselect All"));
    EXPECT_TRUE(Button("id1")->isEnabled());
    // One box cleared by hand: the button offers Select All again.
    Tick(FileType::MOV);
    EXPECT_EQ(all->text(), QStringLiteral("Select &All"));
    EXPECT_TRUE(Button("id1")->isEnabled());
    Tick(FileType::MOV);
    EXPECT_EQ(all->text(), QStringLiteral("&Deselect All"));
    QTest::mouseClick(all, Qt::LeftButton);
    EXPECT_TRUE(dlg->CheckedTypes().empty());
    EXPECT_EQ(all->text(), QStringLiteral("Select &All"));
    EXPECT_FALSE(Button("id1")->isEnabled());
}

TEST_F(TypesFixture, TheScanAsksInListOrderWhateverTheTickOrder) {
    Tick(FileType::AVI);
    Tick(FileType::JPG);
    Tick(FileType::BMP);
    test::BoxAnswerer boxes;
    QTest::mouseClick(Button("id1"), Qt::LeftButton);
    EXPECT_TRUE(boxes.seen.empty()) << boxes.Texts().toStdString();
    ASSERT_EQ(dlg->Next(), WizardStep::Processing);
    EXPECT_EQ(session.jobMode, JobMode::Scan);
    std::unique_ptr<CScanJob> job = dlg->TakeScanJob();
    ASSERT_NE(job, nullptr);
    std::vector<std::string> names;
    for (const auto& r : job->Recognizers()) names.push_back(r->GetTypeName());
    EXPECT_EQ(names, (std::vector<std::string>{"BMP", "JPG", "AVI"}));
    ASSERT_NE(session.diskSource, nullptr);
    EXPECT_EQ(session.diskSource->GetDrive(), image);
}

TEST_F(TypesFixture, ExactLengthsBoxIsOnByDefaultAndReachesTheScan) {
    QCheckBox* exact = dlg->ExactLengthsBox();
    ASSERT_NE(exact, nullptr);
    EXPECT_EQ(exact->objectName(), QStringLiteral("idExactLengths"));
    EXPECT_TRUE(exact->isChecked());
    EXPECT_TRUE(exact->isVisible());
    Tick(FileType::JPG);
    QTest::mouseClick(exact, Qt::LeftButton, {}, QPoint(8, exact->height() / 2));
    EXPECT_FALSE(exact->isChecked());
    QTest::mouseClick(exact, Qt::LeftButton, {}, QPoint(8, exact->height() / 2));
    EXPECT_TRUE(exact->isChecked());
    QTest::mouseClick(Button("id1"), Qt::LeftButton);
    ASSERT_EQ(dlg->Next(), WizardStep::Processing);
    EXPECT_TRUE(session.exactLengths);
    std::unique_ptr<CScanJob> job = dlg->TakeScanJob();
    ASSERT_NE(job, nullptr);
    EXPECT_TRUE(job->ExactLengths());

    // The choice is kept for the next visit of the step, and clearing it
    // gives the length rules back.
    CFileSelectionDlg again(session, reporter, state);
    again.show();
    EXPECT_TRUE(again.ExactLengthsBox()->isChecked());
    again.ExactLengthsBox()->setChecked(false);
    QCheckBox* png = again.Box(FileType::PNG);
    QTest::mouseClick(png, Qt::LeftButton, {}, QPoint(8, png->height() / 2));
    QTest::mouseClick(again.findChild<QPushButton*>(QStringLiteral("id1")), Qt::LeftButton);
    EXPECT_FALSE(session.exactLengths);
    job = again.TakeScanJob();
    ASSERT_NE(job, nullptr);
    EXPECT_FALSE(job->ExactLengths());
}

TEST_F(TypesFixture, APulledCardIsReportedAndNextWaitsForTheNextTick) {
    Tick(FileType::JPG);
    session.tree.InsertFolder("JPG");
    std::remove(image.c_str());
    test::BoxAnswerer boxes;
    QTest::mouseClick(Button("id1"), Qt::LeftButton);
    ASSERT_EQ(boxes.seen.size(), 1u) << boxes.Texts().toStdString();
    EXPECT_EQ(boxes.seen[0].text, QStringLiteral("Removable drive is disconnected.please reconnect the drive"));
    EXPECT_EQ(boxes.seen[0].caption, QStringLiteral("Error"));
    EXPECT_TRUE(dlg->isVisible());
    EXPECT_FALSE(Button("id1")->isEnabled());
    Tick(FileType::PNG);
    EXPECT_TRUE(Button("id1")->isEnabled());
}

TEST_F(TypesFixture, BackEmptiesTheCatalogueAndTheCloseBoxDoesNothing) {
    session.tree.InsertFolder("JPG");
    ++session.tree.m_ullFolderCount;
    dlg->close();
    EXPECT_TRUE(dlg->isVisible());
    QTest::keyClick(dlg.get(), Qt::Key_Escape);
    EXPECT_TRUE(dlg->isVisible());
    QTest::mouseClick(Button("id1051"), Qt::LeftButton);
    EXPECT_EQ(dlg->Next(), WizardStep::Main);
    EXPECT_EQ(session.tree.GetFirstFolder(), nullptr);
    EXPECT_EQ(session.tree.m_ullFolderCount.load(), 0u);
}

}  // namespace
}  // namespace tvn::ui
