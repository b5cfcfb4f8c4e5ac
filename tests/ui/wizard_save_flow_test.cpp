// A new user's whole road through the real windows, run by the controller:
// the card image, JPG ticked, the scan, everything found ticked, Save, a
// folder chosen in the saving options, the save in the processing window,
// and the found data again with its ticks; the files are in the folder.
#include <QApplication>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

#include <filesystem>

#include "tests/support/test_support.h"
#include "tests/ui/ui_test_support.h"
#include "ui/file_selection_dialog.h"
#include "ui/found_data_dlg.h"
#include "ui/processing_dialog.h"
#include "ui/save_sheet.h"
#include "ui/wizard_controller.h"

namespace tvn::ui {
namespace {

namespace fs = std::filesystem;

QPushButton* Button(QWidget& w, const char* id) {
    return w.findChild<QPushButton*>(QString::fromLatin1(id));
}

TEST(WizardSaveFlow, ScanTickSaveIntoAFolderAndBackToTheTicks) {
    test::TempDir dir, out;
    const std::string image = dir / "card.img";
    const int placed = test::MakePhotoImage(image);
    ASSERT_GT(placed, 0);

    CWizardOptions options;
    options.drives.discover = test::TwoDrives;
    options.drives.hotplug = false;
    options.medium = QString::fromStdString(image);
    CWizardController wizard(options);
    // The scan's end, the hint, the save's end, and No to saving the scan info.
    test::BoxAnswerer boxes({QMessageBox::Ok, QMessageBox::Ok, QMessageBox::Ok, QMessageBox::No});

    std::vector<QString> windows;
    std::vector<QString> opened;
    uint64_t tickedSecondTime = 0;
    uint64_t jpegs = 0;
    wizard.onWindow = [&](CWizardDialog& w) {
        windows.push_back(w.objectName());
        if (auto* main = qobject_cast<CKestrelDlg*>(&w)) {
            QTimer::singleShot(50, main, [main] {
                ASSERT_TRUE(test::WaitFor([main] { return main->PickedItem() != nullptr; }));
                QTest::mouseClick(Button(*main, "id1"), Qt::LeftButton);
            });
        } else if (auto* types = qobject_cast<CFileSelectionDlg*>(&w)) {
            QTimer::singleShot(50, types, [types] {
                types->Box(FileType::JPG)->click();
                QTest::mouseClick(Button(*types, "id1"), Qt::LeftButton);
            });
        } else if (auto* processing = qobject_cast<CProcessingDlg*>(&w)) {
            processing->SetFolderOpener([&](const QString& folder) { opened.push_back(folder); });
        } else if (auto* found = qobject_cast<CDataFoundDlg*>(&w)) {
            const bool first = found->Selection().SelectedFiles() == 0;
            QTimer::singleShot(50, found, [&, found, first] {
                if (!first) {
                    tickedSecondTime = found->Selection().SelectedFiles();
                    QTest::mouseClick(Button(*found, "id1020"), Qt::LeftButton);
                    return;
                }
                // Tick everything (the root), then Save; the options come up.
                found->TreeModel().setData(found->TreeModel().RootIndex(), {}, Qt::CheckStateRole);
                jpegs = found->Selection().SelectedFiles();
                QTimer::singleShot(50, [&] {
                    ASSERT_TRUE(test::WaitFor([] {
                        return qobject_cast<CSavePropertySheet*>(QApplication::activeModalWidget()) !=
                               nullptr;
                    }));
                    auto* sheet = qobject_cast<CSavePropertySheet*>(QApplication::activeModalWidget());
                    sheet->LocalPage()->Places()->AddFolder(out.Path());
                    QTest::mouseClick(sheet->OkButton(), Qt::LeftButton);
                });
                QTest::mouseClick(Button(*found, "id1019"), Qt::LeftButton);
            });
        }
    };
    wizard.Run(WizardStep::Main);

    EXPECT_EQ(windows, (std::vector<QString>{"CKestrelDlg", "CFileSelectionDlg", "CProcessingDlg",
                                             "CDataFoundDlg", "CProcessingDlg", "CDataFoundDlg"}));
    EXPECT_TRUE(boxes.Saw(QStringLiteral("Saving operation completed successfully")))
        << boxes.Texts().toStdString();
    EXPECT_TRUE(boxes.Saw(QStringLiteral("Do you want to save scan info?")));
    ASSERT_GE(jpegs, 1u);
    EXPECT_EQ(tickedSecondTime, jpegs) << "the ticks outlive the save";

    // Every ticked file is in the job's folder, and nothing else.
    const std::string job = out / wizard.Session().jobName;
    ASSERT_TRUE(fs::is_directory(job + "/JPG"));
    uint64_t files = 0;
    for (const auto& entry : fs::recursive_directory_iterator(out.Path())) {
        if (entry.is_regular_file()) {
            ++files;
            EXPECT_EQ(entry.path().parent_path().string(), job + "/JPG");
        }
    }
    EXPECT_EQ(files, jpegs);
    EXPECT_EQ(opened, std::vector<QString>{QString::fromStdString(job)});
}

}  // namespace
}  // namespace tvn::ui
