// The whole road of a scan through the real windows, run by the controller:
// a disk image picked from the command line, JPG ticked, the scan, the found
// data, and out. One window at a time; none runs inside another.
#include <QApplication>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

#include "catalog/scan_info.h"
#include "tests/support/test_support.h"
#include "tests/ui/ui_test_support.h"
#include "ui/file_selection_dialog.h"
#include "ui/found_data_dlg.h"
#include "ui/wizard_controller.h"

namespace tvn::ui {
namespace {

void Later(std::function<void()> act) { QTimer::singleShot(50, act); }

QPushButton* Button(QWidget& w, const char* id) { return w.findChild<QPushButton*>(QString::fromLatin1(id)); }

TEST(WizardFlow, FromTheDriveListThroughTheScanToTheFoundData) {
    test::TempDir dir;
    const std::string image = dir / "card.img";
    const int placed = test::MakePhotoImage(image);

    CWizardOptions options;
    options.drives.discover = test::TwoDrives;
    options.drives.hotplug = false;
    options.medium = QString::fromStdString(image);
    CWizardController wizard(options);
    // The scan's end, the found-data hint, and No to saving the scan info.
    test::BoxAnswerer boxes({QMessageBox::Ok, QMessageBox::Ok, QMessageBox::No});

    std::vector<QString> windows;
    std::vector<QSize> sizes;
    int deepest = 0;
    wizard.onWindow = [&](CWizardDialog& w) {
        windows.push_back(w.objectName());
        sizes.push_back(w.size());
        int open = 0;
        for (QWidget* top : QApplication::topLevelWidgets())
            open += qobject_cast<CWizardDialog*>(top) != nullptr && top->isVisible();
        deepest = std::max(deepest, open);
        if (auto* main = qobject_cast<CKestrelDlg*>(&w)) {
            Later([main] {
                ASSERT_TRUE(test::WaitFor([main] { return main->PickedItem() != nullptr; }));
                main->resize(800, 600);  // the user makes the window larger
                QTest::mouseClick(Button(*main, "id1"), Qt::LeftButton);
            });
        } else if (auto* types = qobject_cast<CFileSelectionDlg*>(&w)) {
            Later([types] {
                types->Box(FileType::JPG)->click();
                QTest::mouseClick(Button(*types, "id1"), Qt::LeftButton);
            });
        } else if (auto* found = qobject_cast<CDataFoundDlg*>(&w)) {
            Later([found] { QTest::mouseClick(Button(*found, "id1020"), Qt::LeftButton); });
        }
    };
    wizard.Run(WizardStep::Main);

    EXPECT_EQ(windows, (std::vector<QString>{QStringLiteral("CKestrelDlg"), QStringLiteral("CFileSelectionDlg"),
                                             QStringLiteral("CProcessingDlg"), QStringLiteral("CDataFoundDlg")}));
    EXPECT_EQ(deepest, 0) << "each window has gone before the next one is made";
    // The steps read as one window: each opens at the size the last was left at.
    EXPECT_EQ(sizes, (std::vector<QSize>{QSize(CWizardDialog::kWidth, CWizardDialog::kHeight), QSize(800, 600),
                                         QSize(800, 600), QSize(800, 600)}));
    EXPECT_TRUE(boxes.Saw(QStringLiteral("Scanning Process completed Successfully."))) << boxes.Texts().toStdString();
    ASSERT_NE(wizard.Session().tree.FindFolder("JPG"), nullptr);
    EXPECT_GE(wizard.Session().tree.FindFolder("JPG")->GetFileCount(), 1u);
    EXPECT_LE(wizard.Session().tree.FindFolder("JPG")->GetFileCount(), static_cast<size_t>(placed));
    EXPECT_EQ(wizard.State().driveId, image);
}

TEST(WizardFlow, AScanInfoFileOnTheCommandLineOpensTheFoundData) {
    test::TempDir dir;
    const std::string image = dir / "card.img";
    test::MakePhotoImage(image);
    // A scan of the image, kept as scan info.
    CSession scanned;
    test::RecordingReporter quiet;
    ASSERT_TRUE(scanned.OpenCurrentSource(image, quiet, kDisconnectedReconnect));
    CScanJob job(*scanned.diskSource, scanned.tree, scanned.counters, scanned.job, quiet);
    ASSERT_TRUE(job.SetTypes(std::vector<FileType>{FileType::JPG}));
    scanned.job.Reset();
    ASSERT_EQ(job.Run().result, JobResult::Completed);
    const std::string info = dir / "card.bin";
    ASSERT_TRUE(SaveScanInfo(scanned, info, quiet));

    CWizardController wizard;
    test::BoxAnswerer boxes;
    ASSERT_TRUE(wizard.LoadScanInfoAtStart(QString::fromStdString(info))) << boxes.Texts().toStdString();
    EXPECT_EQ(wizard.State().driveId, image);
    ASSERT_NE(wizard.Session().tree.FindFolder("JPG"), nullptr);
    EXPECT_EQ(wizard.Session().tree.FindFolder("JPG")->GetFileCount(),
              scanned.tree.FindFolder("JPG")->GetFileCount());

    // A file that is not scan info is refused with the loader's message.
    const std::string bogus = dir / "notes.bin";
    test::WriteFile(bogus, {'h', 'e', 'l', 'l', 'o'});
    EXPECT_FALSE(wizard.LoadScanInfoAtStart(QString::fromStdString(bogus)));
    EXPECT_FALSE(boxes.seen.empty());
}

}  // namespace
}  // namespace tvn::ui
