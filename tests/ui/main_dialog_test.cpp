// The first step: the drive list as discovery gives it, picking one medium by
// its tick box or the space bar, and Next opening it.
#include <QKeyEvent>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "tests/support/test_support.h"
#include "tests/ui/ui_test_support.h"
#include "ui/main_dialog.h"

namespace tvn::ui {
namespace {

struct MainFixture : ::testing::Test {
    CSession session;
    CQtReporter reporter;
    CWizardState state;
    std::unique_ptr<CKestrelDlg> dlg;
    QStringList helpTopics;

    void Open(std::function<DiscoveryResult()> discover) {
        CDriveSources sources;
        sources.discover = std::move(discover);
        sources.hotplug = false;
        dlg = std::make_unique<CKestrelDlg>(session, reporter, state, sources);
        dlg->SetHelpOpener([this](const QString& t) { helpTopics << t; });
        QSignalSpy listed(dlg.get(), &CKestrelDlg::DrivesListed);
        dlg->show();
        ASSERT_TRUE(test::WaitFor([&] { return listed.count() > 0; }));
    }
    QPushButton* Button(const char* id) { return dlg->findChild<QPushButton*>(QString::fromLatin1(id)); }
    QTreeWidgetItem* Root() { return dlg->Tree()->topLevelItem(0); }
    QTreeWidgetItem* Find(const QString& text) {
        const auto items = dlg->Tree()->findItems(text, Qt::MatchExactly | Qt::MatchRecursive);
        return items.isEmpty() ? nullptr : items.first();
    }
    void ClickStateIcon(QTreeWidgetItem* item) {
        QTest::mouseClick(dlg->Tree()->viewport(), Qt::LeftButton, {},
                          dlg->Tree()->StateIconRect(item).center());
    }
    void ClickText(QTreeWidgetItem* item) {
        const QRect r = dlg->Tree()->visualItemRect(item);
        QTest::mouseClick(dlg->Tree()->viewport(), Qt::LeftButton, {}, QPoint(r.right() - 20, r.center().y()));
    }
    void Space(QTreeWidgetItem* item) {
        dlg->Tree()->setCurrentItem(item);
        QTest::keyClick(dlg->Tree(), Qt::Key_Space);
    }
    int Picked() {
        int n = 0;
        for (QTreeWidgetItemIterator it(dlg->Tree()); *it; ++it) n += (*it)->checkState(0) == Qt::Checked;
        return n;
    }
    QString Panel() { return dlg->findChild<CTXtndStatic*>(QStringLiteral("id1083"))->text(); }
};

TEST_F(MainFixture, ListsDisksLastFirstWithPartitionsBelowAndTheWelcomeText) {
    Open(test::TwoDrives);
    EXPECT_EQ(dlg->windowTitle(), QStringLiteral("Tarvolin"));
    ASSERT_EQ(dlg->Tree()->topLevelItemCount(), 1);
    EXPECT_EQ(Root()->text(0), QStringLiteral("My Computer"));
    EXPECT_TRUE(Root()->font(0).bold());
    ASSERT_EQ(Root()->childCount(), 2);
    EXPECT_EQ(Root()->child(0)->text(0).toStdString(), test::TwoDrives().drives[1].ItemText());
    EXPECT_EQ(Root()->child(1)->text(0).toStdString(), test::TwoDrives().drives[0].ItemText());
    ASSERT_EQ(Root()->child(0)->childCount(), 1) << "the card's partition below it";
    EXPECT_TRUE(Panel().startsWith(QStringLiteral("\nWelcome to Orvane Tarvolin")));
    EXPECT_FALSE(Button("id1")->isEnabled());
    EXPECT_TRUE(Button("id1100")->isEnabled()) << "a scan info names its own medium";
}

TEST_F(MainFixture, OnlyTheStateIconOrSpacePicksAndOneDriveAtATime) {
    Open(test::TwoDrives);
    QTreeWidgetItem* card = Root()->child(0);
    QTreeWidgetItem* disk = Root()->child(1);
    QTreeWidgetItem* partition = card->child(0);

    ClickText(card);
    EXPECT_EQ(Picked(), 0) << "a click on the text picks nothing";
    EXPECT_FALSE(Button("id1")->isEnabled());

    ClickStateIcon(card);
    EXPECT_EQ(dlg->PickedItem(), card);
    EXPECT_TRUE(Button("id1")->isEnabled());
    EXPECT_TRUE(Button("id1100")->isEnabled());
    EXPECT_EQ(state.driveId, "/dev/sdb");
    EXPECT_EQ(state.sourceDescription, QStringLiteral("Removable Media #/dev/sdb"));
    EXPECT_EQ(state.listedTotalSectors, 7821312u);
    EXPECT_TRUE(Panel().contains(QStringLiteral("Model Name        :  SD Card Reader")));

    // Clicking the picked drive's icon again keeps it picked.
    ClickStateIcon(card);
    EXPECT_EQ(card->checkState(0), Qt::Checked);

    Space(disk);
    EXPECT_EQ(Picked(), 1);
    EXPECT_EQ(disk->checkState(0), Qt::Checked);
    EXPECT_EQ(state.driveId, "/dev/sda");

    // A partition is a medium of its own, opened by its own path.
    ClickStateIcon(partition);
    EXPECT_EQ(Picked(), 1);
    EXPECT_EQ(state.driveId, "/dev/sdb1");
    EXPECT_EQ(state.listedTotalSectors, 4003463168u / 512);
    EXPECT_TRUE(Panel().contains(QStringLiteral("CANON_DC")));
}

TEST_F(MainFixture, TheRootAndThePlaceholderCannotBePicked) {
    Open([] { return DiscoveryResult{}; });
    ASSERT_EQ(Root()->childCount(), 1);
    QTreeWidgetItem* none = Root()->child(0);
    EXPECT_EQ(none->text(0), QStringLiteral("No removable drives found"));
    Space(Root());
    Space(none);
    ClickText(none);
    EXPECT_EQ(Picked(), 0);
    EXPECT_EQ(dlg->PickedItem(), nullptr);
    EXPECT_FALSE(Button("id1")->isEnabled());
    EXPECT_TRUE(state.driveId.empty());
}

TEST_F(MainFixture, RefreshDropsThePickAndAFailedDiscoverySaysWhy) {
    int runs = 0;
    Open([&runs] {
        ++runs;
        DiscoveryResult r = test::TwoDrives();
        if (runs > 1) r = DiscoveryResult{{}, "udev is not running"};
        return r;
    });
    ClickStateIcon(Root()->child(0));
    ASSERT_TRUE(Button("id1")->isEnabled());
    QSignalSpy listed(dlg.get(), &CKestrelDlg::DrivesListed);
    QTest::mouseClick(Button("id1005"), Qt::LeftButton);
    ASSERT_TRUE(test::WaitFor([&] { return listed.count() > 0; }));
    EXPECT_EQ(runs, 2);
    EXPECT_FALSE(Button("id1")->isEnabled());
    EXPECT_EQ(Picked(), 0);
    EXPECT_EQ(Root()->child(0)->text(0), QStringLiteral("No removable drives found"));
    EXPECT_TRUE(Panel().contains(QStringLiteral("udev is not running")));
}

TEST_F(MainFixture, AnImageIsListedPickedAndOpenedByNext) {
    test::TempDir dir;
    const std::string image = dir / "card.img";
    test::MakePhotoImage(image);
    Open(test::TwoDrives);
    ASSERT_TRUE(dlg->PickMedium(QString::fromStdString(image)));
    ASSERT_NE(dlg->PickedItem(), nullptr);
    EXPECT_EQ(dlg->PickedItem()->text(0).toStdString(), "Disk image #" + image);
    EXPECT_EQ(state.driveId, image);
    EXPECT_EQ(state.listedTotalSectors, (4u << 20) / 512);

    test::BoxAnswerer boxes;
    QTest::mouseClick(Button("id1"), Qt::LeftButton);
    EXPECT_TRUE(boxes.seen.empty()) << boxes.Texts().toStdString();
    EXPECT_EQ(dlg->result(), QDialog::Accepted);
    EXPECT_EQ(dlg->Next(), WizardStep::FileTypes);
    ASSERT_NE(session.diskSource, nullptr);
    EXPECT_EQ(session.diskSource->GetDrive(), image);
}

TEST_F(MainFixture, AMediumThatCannotBeOpenedIsReportedAndTheListReloaded) {
    test::TempDir dir;
    const std::string image = dir / "card.img";
    test::MakePhotoImage(image);
    Open(test::TwoDrives);
    ASSERT_TRUE(dlg->PickMedium(QString::fromStdString(image)));
    // The card is pulled (the image goes) before Next.
    std::remove(image.c_str());
    test::BoxAnswerer boxes;
    QSignalSpy listed(dlg.get(), &CKestrelDlg::DrivesListed);
    QTest::mouseClick(Button("id1"), Qt::LeftButton);
    EXPECT_TRUE(boxes.Saw(QStringLiteral("Failed to open drive"))) << boxes.Texts().toStdString();
    EXPECT_TRUE(dlg->isVisible());
    EXPECT_EQ(session.diskSource, nullptr);
    EXPECT_TRUE(test::WaitFor([&] { return listed.count() > 0; }));
    EXPECT_FALSE(Button("id1")->isEnabled());
}

// A picked image replaced by a FIFO: Next neither hangs nor calls it an
// empty medium; the box keeps its words and says why in its details.
TEST_F(MainFixture, ASourceThatIsNoMediumIsRefusedWithTheReasonInTheDetails) {
    test::TempDir dir;
    const std::string image = dir / "card.img";
    test::MakePhotoImage(image);
    Open(test::TwoDrives);
    ASSERT_TRUE(dlg->PickMedium(QString::fromStdString(image)));
    std::remove(image.c_str());
    ASSERT_EQ(::mkfifo(image.c_str(), 0600), 0);
    test::BoxAnswerer boxes;
    QString details;
    boxes.onBox = [&details](QMessageBox& box) { details = box.detailedText(); };
    QTest::mouseClick(Button("id1"), Qt::LeftButton);
    ASSERT_EQ(boxes.seen.size(), 1u) << boxes.Texts().toStdString();
    EXPECT_EQ(boxes.seen[0].text, QStringLiteral("Failed to open drive"));
    EXPECT_TRUE(details.contains(QStringLiteral("is a FIFO"))) << details.toStdString();
    EXPECT_TRUE(dlg->isVisible());
    EXPECT_EQ(session.diskSource, nullptr);
}

TEST_F(MainFixture, HelpTopicAndExit) {
    Open(test::TwoDrives);
    QTest::keyClick(dlg.get(), Qt::Key_F1);
    QTest::mouseClick(dlg->findChild<CHoverButton*>(QStringLiteral("id1004")), Qt::LeftButton);
    EXPECT_EQ(helpTopics, QStringList({QStringLiteral("tvnselectphysicaldisk.htm"),
                                       QStringLiteral("tvnselectphysicaldisk.htm")}));
    QTest::mouseClick(Button("id2"), Qt::LeftButton);
    EXPECT_EQ(dlg->result(), QDialog::Rejected);
    EXPECT_EQ(dlg->Next(), WizardStep::Exit);
}

}  // namespace
}  // namespace tvn::ui
