// What the wizard keeps of the user's choices for the session: the disk image
// opened, the medium picked, the ticked types and the exact-lengths box on
// Back; Back from the found data to the types; a scan info opened without a
// picked drive; the found-data hint once; no question about saving a scan
// info that is saved already; and a second start raising the first.
#include <QApplication>
#include <QLocalSocket>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <thread>

#include "catalog/scan_info.h"
#include "tests/support/test_support.h"
#include "tests/ui/found_test_support.h"
#include "tests/ui/ui_test_support.h"
#include "ui/file_selection_dialog.h"
#include "ui/found_data_dlg.h"
#include "ui/startup.h"
#include "ui/wizard_controller.h"

namespace tvn::ui {
namespace {

void Later(std::function<void()> act) { QTimer::singleShot(50, act); }

QPushButton* Button(QWidget& w, const char* id) { return w.findChild<QPushButton*>(QString::fromLatin1(id)); }

// A scan of the photo image, kept as scan info at info.
void ScanToInfo(const std::string& image, const std::string& info) {
    CSession scanned;
    test::RecordingReporter quiet;
    ASSERT_TRUE(scanned.OpenCurrentSource(image, quiet, kDisconnectedReconnect));
    CScanJob job(*scanned.diskSource, scanned.tree, scanned.counters, scanned.job, quiet);
    ASSERT_TRUE(job.SetTypes(std::vector<FileType>{FileType::JPG}));
    scanned.job.Reset();
    ASSERT_EQ(job.Run().result, JobResult::Completed);
    ASSERT_TRUE(SaveScanInfo(scanned, info, quiet));
}

TEST(WizardChoices, BackKeepsTheImageThePickTheTicksAndTheBox) {
    test::TempDir dir;
    const std::string image = dir / "card.img";
    test::MakePhotoImage(image);

    CWizardOptions options;
    options.drives.discover = test::TwoDrives;
    options.drives.hotplug = false;
    options.medium = QString::fromStdString(image);
    CWizardController wizard(options);
    test::BoxAnswerer boxes;

    int mainShown = 0, typesShown = 0;
    std::vector<QString> windows;
    bool imageListedAgain = false, pickedAgain = false, ticksKept = false, boxKept = false;
    bool firstBox = false;
    wizard.onWindow = [&](CWizardDialog& w) {
        windows.push_back(w.objectName());
        if (auto* main = qobject_cast<CKestrelDlg*>(&w)) {
            const int round = ++mainShown;
            Later([&, main, round] {
                ASSERT_TRUE(test::WaitFor([main] { return main->PickedItem() != nullptr; }));
                if (round == 2) {
                    imageListedAgain =
                        !main->Tree()->findItems(QStringLiteral("card.img"), Qt::MatchContains | Qt::MatchRecursive).isEmpty();
                    pickedAgain = main->PickedItem()->text(0).contains(QStringLiteral("card.img"));
                }
                QTest::mouseClick(Button(*main, "id1"), Qt::LeftButton);
            });
        } else if (auto* types = qobject_cast<CFileSelectionDlg*>(&w)) {
            const int round = ++typesShown;
            Later([&, types, round] {
                if (round == 1) {
                    types->Box(FileType::JPG)->click();
                    types->Box(FileType::MP3)->click();
                    firstBox = types->ExactLengthsBox()->isChecked();
                    types->ExactLengthsBox()->click();
                    QTest::mouseClick(Button(*types, "id1051"), Qt::LeftButton);  // Back
                    return;
                }
                ticksKept = types->CheckedTypes() == std::vector<FileType>{FileType::JPG, FileType::MP3};
                boxKept = types->ExactLengthsBox()->isChecked() == !firstBox;
                QTest::mouseClick(Button(*types, "id2"), Qt::LeftButton);  // Exit
            });
        }
    };
    wizard.Run(WizardStep::Main);

    EXPECT_EQ(windows, (std::vector<QString>{QStringLiteral("CKestrelDlg"), QStringLiteral("CFileSelectionDlg"),
                                             QStringLiteral("CKestrelDlg"), QStringLiteral("CFileSelectionDlg")}));
    EXPECT_TRUE(imageListedAgain) << "the opened image is listed again after Back";
    EXPECT_TRUE(pickedAgain) << "and it is still the picked medium";
    EXPECT_TRUE(ticksKept);
    EXPECT_TRUE(boxKept);
}

TEST(WizardChoices, BackFromTheFoundDataGoesToTheTypesAndTheHintComesOnce) {
    test::TempDir dir;
    const std::string image = dir / "card.img";
    test::MakePhotoImage(image);

    CWizardOptions options;
    options.drives.discover = test::TwoDrives;
    options.drives.hotplug = false;
    options.medium = QString::fromStdString(image);
    CWizardController wizard(options);
    // No to "Do you want to save scan info?"; the other boxes are closed.
    test::BoxAnswerer boxes(std::deque<QMessageBox::StandardButton>(10, QMessageBox::No));

    std::vector<QString> windows;
    int found = 0;
    wizard.onWindow = [&](CWizardDialog& w) {
        windows.push_back(w.objectName());
        if (auto* main = qobject_cast<CKestrelDlg*>(&w)) {
            Later([main] {
                ASSERT_TRUE(test::WaitFor([main] { return main->PickedItem() != nullptr; }));
                QTest::mouseClick(Button(*main, "id1"), Qt::LeftButton);
            });
        } else if (auto* types = qobject_cast<CFileSelectionDlg*>(&w)) {
            Later([types] {
                if (types->CheckedTypes().empty()) types->Box(FileType::JPG)->click();
                QTest::mouseClick(Button(*types, "id1"), Qt::LeftButton);
            });
        } else if (auto* data = qobject_cast<CDataFoundDlg*>(&w)) {
            const int round = ++found;
            Later([data, round] {
                QTest::qWait(100);
                QTest::mouseClick(Button(*data, round == 1 ? "id1052" : "id1020"), Qt::LeftButton);
            });
        }
    };
    wizard.Run(WizardStep::Main);

    EXPECT_EQ(windows, (std::vector<QString>{QStringLiteral("CKestrelDlg"), QStringLiteral("CFileSelectionDlg"),
                                             QStringLiteral("CProcessingDlg"), QStringLiteral("CDataFoundDlg"),
                                             QStringLiteral("CFileSelectionDlg"), QStringLiteral("CProcessingDlg"),
                                             QStringLiteral("CDataFoundDlg")}));
    int hints = 0;
    for (const auto& box : boxes.seen) hints += box.text.startsWith(QStringLiteral("Check the files or folders"));
    EXPECT_EQ(hints, 1) << boxes.Texts().toStdString();
}

TEST(WizardChoices, AScanInfoOpensWithoutAPickOrSaysWhichMediumItNeeds) {
    test::TempDir dir;
    const std::string image = dir / "card.img";
    test::MakePhotoImage(image);
    const std::string info = dir / "card.bin";
    ScanToInfo(image, info);

    CSession session;
    CQtReporter reporter;
    CWizardState state;
    CDriveSources sources;
    sources.discover = test::TwoDrives;
    sources.hotplug = false;
    {
        CKestrelDlg dlg(session, reporter, state, sources);
        dlg.SetFileChooser([&](QWidget*, const QString&, const QString&) { return QString::fromStdString(info); });
        QSignalSpy listed(&dlg, &CKestrelDlg::DrivesListed);
        dlg.show();
        ASSERT_TRUE(test::WaitFor([&] { return listed.count() > 0; }));
        EXPECT_EQ(dlg.PickedItem(), nullptr);
        ASSERT_TRUE(Button(dlg, "id1100")->isEnabled()) << "usable without a ticked drive";
        test::BoxAnswerer boxes;
        QTest::mouseClick(Button(dlg, "id1100"), Qt::LeftButton);
        EXPECT_EQ(dlg.Next(), WizardStep::FoundData) << boxes.Texts().toStdString();
        EXPECT_EQ(state.driveId, image);
        ASSERT_NE(dlg.PickedItem(), nullptr);
        EXPECT_TRUE(dlg.PickedItem()->text(0).contains(QStringLiteral("card.img")));
        EXPECT_TRUE(state.scanInfoSaved);
        ASSERT_NE(session.tree.FindFolder("JPG"), nullptr);
    }

    // The image is gone: the message names the medium the scan info needs.
    std::filesystem::remove(image);
    CSession other;
    CWizardState fresh;
    CKestrelDlg dlg(other, reporter, fresh, sources);
    dlg.SetFileChooser([&](QWidget*, const QString&, const QString&) { return QString::fromStdString(info); });
    QSignalSpy listed(&dlg, &CKestrelDlg::DrivesListed);
    dlg.show();
    ASSERT_TRUE(test::WaitFor([&] { return listed.count() > 0; }));
    test::BoxAnswerer boxes;
    QTest::mouseClick(Button(dlg, "id1100"), Qt::LeftButton);
    ASSERT_EQ(boxes.seen.size(), 1u);
    EXPECT_TRUE(boxes.seen[0].text.contains(QString::fromStdString(image))) << boxes.Texts().toStdString();
    EXPECT_TRUE(dlg.isVisible());
    EXPECT_EQ(other.tree.FindFolder("JPG"), nullptr);
}

TEST(WizardChoices, LeavingAsksToSaveTheScanInfoOnlyWhenItIsNotSaved) {
    CSession session;
    test::AddFound(session, "JPG", 1, 1000);
    session.jobMode = JobMode::Scan;
    CWizardState state;
    state.foundDataHintShown = true;
    state.scanInfoSaved = true;  // loaded from a scan info
    {
        CDataFoundDlg dlg(session);
        dlg.SetWizardState(&state);
        dlg.show();
        test::ModalAnswerer answer;
        QTest::mouseClick(Button(dlg, "id1020"), Qt::LeftButton);
        EXPECT_FALSE(dlg.isVisible());
        EXPECT_TRUE(answer.boxes.empty()) << "nothing unsaved, nothing asked";
    }
    state.scanInfoSaved = false;  // a scan since
    CDataFoundDlg dlg(session);
    dlg.SetWizardState(&state);
    dlg.show();
    test::ModalAnswerer answer;
    answer.Answer(QMessageBox::No);
    QTest::mouseClick(Button(dlg, "id1020"), Qt::LeftButton);
    ASSERT_EQ(answer.boxes.size(), 1u);
    EXPECT_EQ(answer.boxes[0].text, QStringLiteral("Do you want to save scan info?"));
}

TEST(SingleInstance, ASecondStartRaisesTheRunningWindow) {
    test::TempDir dir;
    const QString where = QString::fromStdString(dir.Path());
    std::atomic<int> raised{0};
    CInstanceListener listener(where, [&] { ++raised; });
    ASSERT_TRUE(listener.IsListening());
    std::atomic<bool> answered{false}, done{false};
    std::thread second([&] {
        answered = AskRunningInstanceToRaise(where);
        done = true;
    });
    EXPECT_TRUE(test::WaitFor([&] { return done.load(); }, 10000));
    second.join();
    EXPECT_TRUE(answered);
    EXPECT_EQ(raised, 1);

    // Nobody listening: the second start only shows its message.
    test::TempDir empty;
    EXPECT_FALSE(AskRunningInstanceToRaise(QString::fromStdString(empty.Path()), 200));
}

}  // namespace
}  // namespace tvn::ui
