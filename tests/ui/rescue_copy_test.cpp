// The rescue copy in the wizard: the box on the file-type step leads to the
// copy window and then to the scan of the image; Stop leaves an image and map
// that agree and the same image goes on; Open image... picks up the map
// beside an image; a scan that was cut off is offered to go on.
#include <QApplication>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QLabel>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <filesystem>
#include <optional>

#include "disk/rescue_map.h"
#include "output/image_job.h"
#include "tests/support/faulty_image.h"
#include "tests/support/test_support.h"
#include "tests/ui/ui_test_support.h"
#include "ui/file_selection_dialog.h"
#include "ui/main_dialog.h"
#include "ui/rescue_copy_dlg.h"
#include "ui/wizard_controller.h"
#include "ui/wizard_scan.h"

namespace tvn::ui {
namespace {

void Later(std::function<void()> act) { QTimer::singleShot(50, act); }
QPushButton* Button(QWidget& w, const char* id) { return w.findChild<QPushButton*>(QString::fromLatin1(id)); }

// Checkpoints of the wizard's scans go to a folder of the test's own.
struct StateHome {
    explicit StateHome(const std::string& dir) {
        if (const char* v = std::getenv("XDG_STATE_HOME")) saved = v;
        ::setenv("XDG_STATE_HOME", dir.c_str(), 1);
    }
    ~StateHome() {
        if (saved) ::setenv("XDG_STATE_HOME", saved->c_str(), 1);
        else ::unsetenv("XDG_STATE_HOME");
    }
    std::optional<std::string> saved;
};

// A catalogue as text: folders and files in their order, with their sectors,
// sizes and length marks.
std::string Describe(const CDirectoryTree& tree) {
    std::string out;
    for (CFolderNode* f = tree.GetFirstFolder(); f; f = f->GetNextFolder()) {
        out += f->GetName() + ":\n";
        for (CFileNode* n = f->GetFirstChild(); n; n = n->GetNextFile()) {
            out += n->GetName() + " " + std::to_string(n->GetStartSector()) + " " +
                   std::to_string(n->GetEndSector()) + " " + std::to_string(n->GetSize()) + " " +
                   std::to_string(static_cast<int>(n->GetLength())) + "\n";
        }
    }
    return out + "found " + std::to_string(tree.m_ullFoundBytes.load()) + "\n";
}

// The catalogue of a whole scan of image for types.
std::string ScannedCatalogue(const std::string& image, std::vector<FileType> types) {
    CSession s;
    test::RecordingReporter quiet;
    EXPECT_TRUE(s.OpenCurrentSource(image, quiet, kDisconnectedReconnect));
    CScanJob job(*s.diskSource, s.tree, s.counters, s.job, quiet);
    EXPECT_TRUE(job.SetTypes(types));
    job.SetExactLengths(true);  // as the wizard's box starts
    s.job.Reset();
    job.Run();
    return Describe(s.tree);
}

TEST(RescueCopy, TheBoxLeadsToTheCopyWindowAndThenTheScanOfTheImage) {
    test::TempDir dir;
    StateHome home(dir / "state");
    const std::string card = dir / "card.img";
    test::MakePhotoImage(card);
    const std::string copy = dir / "copy.img";

    CWizardOptions options;
    options.drives.discover = test::TwoDrives;
    options.drives.hotplug = false;
    options.medium = QString::fromStdString(card);
    CWizardController wizard(options);
    test::BoxAnswerer boxes({QMessageBox::Ok, QMessageBox::Ok, QMessageBox::No});
    std::vector<QString> windows;
    wizard.onWindow = [&](CWizardDialog& w) {
        windows.push_back(w.objectName());
        if (auto* main = qobject_cast<CKestrelDlg*>(&w)) {
            Later([main] {
                ASSERT_TRUE(test::WaitFor([main] { return main->PickedItem() != nullptr; }));
                QTest::mouseClick(Button(*main, "id1"), Qt::LeftButton);
            });
        } else if (auto* types = qobject_cast<CFileSelectionDlg*>(&w)) {
            types->SetImageChooser([copy](QWidget*, const QString&, const QString&) {
                return QString::fromStdString(copy);
            });
            Later([types] {
                types->Box(FileType::JPG)->click();
                types->CopyFirstBox()->click();
                QTest::mouseClick(Button(*types, "id1"), Qt::LeftButton);
            });
        } else if (auto* found = qobject_cast<CDataFoundDlg*>(&w)) {
            Later([found] { QTest::mouseClick(Button(*found, "id1020"), Qt::LeftButton); });
        }
    };
    wizard.Run(WizardStep::Main);

    EXPECT_EQ(windows, (std::vector<QString>{QStringLiteral("CKestrelDlg"), QStringLiteral("CFileSelectionDlg"),
                                             QStringLiteral("CRescueCopyDlg"), QStringLiteral("CProcessingDlg"),
                                             QStringLiteral("CDataFoundDlg")}));
    // The copy is the card's bytes, its map says so, and the scan ran on it.
    EXPECT_EQ(test::ReadFile(copy), test::ReadFile(card));
    std::string error;
    const auto map = LoadRescueMap(DefaultMapPath(copy), error);
    ASSERT_TRUE(map) << error;
    EXPECT_EQ(map->Bytes(RescueStatus::Finished), map->Size());
    EXPECT_EQ(wizard.State().driveId, CDiskSource::CanonicalIdentifier(copy));
    EXPECT_EQ(wizard.State().rescueMaps.at(wizard.State().driveId), DefaultMapPath(copy));
    ASSERT_TRUE(wizard.Session().diskSource);
    EXPECT_EQ(wizard.Session().diskSource->GetDrive(), copy);
    EXPECT_EQ(Describe(wizard.Session().tree), ScannedCatalogue(card, {FileType::JPG}));
    EXPECT_TRUE(boxes.Saw(QStringLiteral("Scanning Process completed Successfully."))) << boxes.Texts().toStdString();
}

// The time left: none before the copy can tell, then the untried bytes'
// time, and whether the bad areas are in it yet.
TEST(RescueCopy, TheWindowTellsTheTimeLeftOnceItCanBeTold) {
    CSession session;
    test::TempDir dir;
    CRescueCopyDlg w(session, dir / "copy.img", QStringLiteral("Disk image #card.img"));
    auto* left = w.findChild<QLabel*>(QStringLiteral("idCopyTimeLeft"));
    ASSERT_NE(left, nullptr);
    EXPECT_EQ(left->text(), QStringLiteral("Time left: not known yet"));
    ImageProgress p;
    p.size = 8u << 20;
    p.rescued = 2u << 20;
    CRescueMap map(p.size);
    map.Mark(0, p.rescued, RescueStatus::Finished);
    p.estimate = 3725;
    w.OnProgress(p, map);
    EXPECT_EQ(left->text(), QStringLiteral("Time left: 01:02:05 and the bad areas"));
    p.estimateCountsBadAreas = true;
    w.OnProgress(p, map);
    EXPECT_EQ(left->text(), QStringLiteral("Time left: 01:02:05"));
    p.estimate.reset();
    w.OnProgress(p, map);
    EXPECT_EQ(left->text(), QStringLiteral("Time left: not known yet"));
}

TEST(RescueMapView, EachCellShowsTheWorstOfItsShare) {
    CRescueMapView view;
    view.resize(10 * CRescueMapView::kCellSize + 1, 10 * CRescueMapView::kCellSize + 1);  // 100 cells
    using Cell = CRescueMapView::Cell;
    // 100 cells over 100 KiB: one sector bad in cell 10, the last 30 KiB not tried.
    CRescueMap map(100 * 1024);
    map.Mark(0, 70 * 1024, RescueStatus::Finished);
    map.Mark(10 * 1024 + 512, 512, RescueStatus::BadSector);
    map.Mark(40 * 1024, 2048, RescueStatus::NonTrimmed);
    view.SetMap(map);
    auto cells = view.Cells();
    ASSERT_EQ(cells.size(), 100u);
    EXPECT_EQ(cells[9], Cell::Copied);
    EXPECT_EQ(cells[10], Cell::Bad) << "one bad sector marks its whole cell";
    EXPECT_EQ(cells[11], Cell::Copied);
    EXPECT_EQ(cells[40], Cell::Bad) << "a failed area waiting to be trimmed is bad";
    EXPECT_EQ(cells[41], Cell::Bad);
    EXPECT_EQ(cells[69], Cell::Copied);
    EXPECT_EQ(std::count(cells.begin(), cells.end(), Cell::NotTried), 30);
    // A medium smaller than the grid: the cells past its end stay untried.
    CRescueMap tiny(10);
    tiny.Mark(0, 10, RescueStatus::Finished);
    view.SetMap(tiny);
    cells = view.Cells();
    EXPECT_EQ(std::count(cells.begin(), cells.end(), Cell::Copied), 10);
    EXPECT_EQ(cells[10], Cell::NotTried);
}

TEST(RescueCopy, TheImageIsNeverPutOnTheCard) {
    test::TempDir dir;
    const std::string card = dir / "card.img";
    test::MakePhotoImage(card);
    CSession session;
    CQtReporter reporter;
    CWizardState state;
    state.driveId = card;
    CFileSelectionDlg dlg(session, reporter, state);
    dlg.SetImageChooser([card](QWidget*, const QString&, const QString&) { return QString::fromStdString(card); });
    dlg.show();
    dlg.Box(FileType::JPG)->click();
    dlg.CopyFirstBox()->click();
    test::BoxAnswerer boxes;
    QTest::mouseClick(Button(dlg, "id1"), Qt::LeftButton);
    EXPECT_TRUE(dlg.isVisible()) << "the step stays";
    ASSERT_EQ(boxes.seen.size(), 1u);
    EXPECT_EQ(boxes.seen[0].icon, QMessageBox::Critical);
    EXPECT_TRUE(state.copyImage.empty());
    EXPECT_EQ(test::ReadFile(card).size(), 4u << 20) << "the card is untouched";
}

TEST(RescueCopy, StopLeavesAnImageAndMapThatAgreeAndTheSameImageGoesOn) {
    test::TempDir dir;
    const std::string backing = dir / "backing.img";
    test::MakePhotoImage(backing);
    std::string why;
    auto card = test::FaultyImage::Serve(backing, why);
    if (!card) GTEST_SKIP() << why;
    card->Delay(20);  // every read slow enough to stop the copy half-way
    const std::string copy = dir / "copy.img";
    const std::vector<uint8_t> bytes = test::ReadFile(backing);

    CSession session;
    test::RecordingReporter quiet;
    ASSERT_TRUE(session.OpenCurrentSource(card->Path(), quiet, kDisconnectedReconnect));
    {
        CRescueCopyDlg dlg(session, copy, QStringLiteral("Disk image #image"));
        dlg.Options().blockSize = 64 * 1024;
        dlg.Options().progressInterval = std::chrono::milliseconds(0);
        dlg.show();
        // Some of the card copied, then Stop, Yes, and the message.
        ASSERT_TRUE(test::WaitFor([&] {
            const auto cells = dlg.MapView()->Cells();
            return std::count(cells.begin(), cells.end(), CRescueMapView::Cell::Copied) > 10;
        }));
        test::BoxAnswerer boxes({QMessageBox::Yes, QMessageBox::Ok});
        QTest::mouseClick(Button(dlg, "idCopyStop"), Qt::LeftButton);
        ASSERT_TRUE(test::WaitFor([&] { return !dlg.isVisible(); }));
        EXPECT_FALSE(dlg.HasWorker());
        EXPECT_EQ(dlg.Outcome().result, ImageResult::Stopped);
        EXPECT_EQ(dlg.Next(), WizardStep::FileTypes);
        EXPECT_TRUE(boxes.Saw(QStringLiteral(
            "The copy was stopped. The image and its map are kept: tick the copy box again and choose "
            "the same image to go on where it stopped, or open the image to recover from what was copied.")))
            << boxes.Texts().toStdString();
        // The grid shows what was copied and what was not tried yet.
        const auto cells = dlg.MapView()->Cells();
        EXPECT_GT(std::count(cells.begin(), cells.end(), CRescueMapView::Cell::NotTried), 0);
    }
    // The map on the disk: part copied, and the image holds every byte it
    // calls copied.
    std::string error;
    auto map = LoadRescueMap(DefaultMapPath(copy), error);
    ASSERT_TRUE(map) << error;
    EXPECT_GT(map->Bytes(RescueStatus::Finished), 0u);
    EXPECT_LT(map->Bytes(RescueStatus::Finished), map->Size());
    const auto got = test::ReadFile(copy);
    ASSERT_EQ(got.size(), bytes.size());
    for (const RescueBlock& b : map->Blocks()) {
        if (b.status == RescueStatus::Finished) {
            ASSERT_EQ(std::memcmp(&got[b.pos], &bytes[b.pos], b.size), 0) << "at " << b.pos;
        }
    }

    // The same image again: the copy goes on where it stopped, to the end.
    card->Delay(0);
    {
        CRescueCopyDlg dlg(session, copy, QStringLiteral("Disk image #image"));
        dlg.show();
        ASSERT_TRUE(test::WaitFor([&] { return !dlg.isVisible(); }));
        EXPECT_EQ(dlg.Outcome().result, ImageResult::Completed) << dlg.Outcome().message;
        EXPECT_EQ(dlg.Next(), WizardStep::Processing);
    }
    EXPECT_EQ(test::ReadFile(copy), bytes);
}

TEST(RescueCopy, OpenImagePicksUpTheMapBesideItAndTheScanCountsItsGaps) {
    test::TempDir dir;
    const std::string image = dir / "copy.img";
    test::MakePhotoImage(image);
    // A copy that never read 16 sectors from 100 on.
    CRescueMap map(4u << 20);
    map.Mark(0, map.Size(), RescueStatus::Finished);
    map.Mark(100 * 512, 16 * 512, RescueStatus::BadSector);
    ASSERT_TRUE(SaveRescueMap(DefaultMapPath(image), map));

    CSession session;
    CQtReporter reporter;
    CWizardState state;
    CDriveSources drives;
    drives.discover = test::TwoDrives;
    drives.hotplug = false;
    {
        CKestrelDlg main(session, reporter, state, drives);
        main.SetFileChooser([&](QWidget*, const QString&, const QString&) { return QString::fromStdString(image); });
        QSignalSpy listed(&main, &CKestrelDlg::DrivesListed);
        main.show();
        ASSERT_TRUE(test::WaitFor([&] { return listed.count() > 0; }));
        QTest::mouseClick(Button(main, "idOpenImage"), Qt::LeftButton);
        ASSERT_TRUE(test::WaitFor([&] { return main.PickedItem() != nullptr; }));
    }
    const std::string id = CDiskSource::CanonicalIdentifier(image);
    ASSERT_EQ(state.driveId, id);
    ASSERT_EQ(state.rescueMaps.count(id), 1u);
    EXPECT_EQ(state.rescueMaps.at(id), DefaultMapPath(image));

    CFileSelectionDlg types(session, reporter, state);
    types.show();
    types.Box(FileType::JPG)->click();
    QTest::mouseClick(Button(types, "id1"), Qt::LeftButton);
    auto job = types.TakeScanJob();
    ASSERT_TRUE(job);
    EXPECT_EQ(session.neverRead, (std::vector<SectorRange>{{100, 16}}));
    job->Run();
    EXPECT_EQ(job->UnreadableRanges(), (std::vector<SectorRange>{{100, 16}}));
}

TEST(RescueCopy, AScanThatWasCutOffIsOfferedToGoOn) {
    test::TempDir dir;
    StateHome home(dir / "state");
    const std::string image = dir / "card.img";
    test::MakePhotoImage(image);
    // A JPEG scan cut off after its first block, its checkpoint where the
    // wizard keeps them.
    {
        CSession s;
        test::RecordingReporter quiet;
        ASSERT_TRUE(s.OpenCurrentSource(image, quiet, kDisconnectedReconnect));
        auto job = MakeWizardScan(s, quiet, {FileType::JPG}, std::string(), nullptr);
        ASSERT_TRUE(job);
        const std::string path = WizardCheckpointPath(*s.diskSource);
        ASSERT_FALSE(path.empty());
        job->SetCheckpoint(
            [&, scan = job.get()](ULONGLONG next) {
                std::filesystem::create_directories(std::filesystem::path(path).parent_path());
                ASSERT_TRUE(SaveScanCheckpoint(
                    path, MakeScanCheckpoint(*scan, *s.diskSource, s.tree, s.counters,
                                             s.job.FileCounter().load(), {FileType::JPG}, next, {})));
                s.job.Stop();
            },
            std::chrono::milliseconds(0));
        s.job.Reset();
        job->Run();
        ASSERT_TRUE(std::filesystem::exists(path));
    }
    const std::string whole = ScannedCatalogue(image, {FileType::JPG});

    for (const bool goOn : {true, false}) {
        SCOPED_TRACE(goOn ? "Yes" : "No");
        CSession session;
        CQtReporter reporter;
        CWizardState state;
        state.driveId = image;
        CFileSelectionDlg types(session, reporter, state);
        types.show();
        types.Box(FileType::TIF)->click();
        test::BoxAnswerer boxes({goOn ? QMessageBox::Yes : QMessageBox::No});
        QTest::mouseClick(Button(types, "id1"), Qt::LeftButton);
        ASSERT_EQ(boxes.seen.size(), 1u);
        EXPECT_NE(boxes.seen[0].text.indexOf(QStringLiteral("Go on from there")), -1);
        auto job = types.TakeScanJob();
        ASSERT_TRUE(job);
        ASSERT_EQ(job->Recognizers().size(), 1u);
        if (goOn) {
            // The types the cut-off scan looked for, and its catalogue made whole.
            EXPECT_EQ(job->Recognizers()[0]->GetType(), FileType::JPG);
            EXPECT_TRUE(types.Box(FileType::JPG)->isChecked());
            EXPECT_FALSE(types.Box(FileType::TIF)->isChecked());
            session.job.Reset();
            job->Run();
            EXPECT_EQ(Describe(session.tree), whole);
        } else {
            EXPECT_EQ(job->Recognizers()[0]->GetType(), FileType::TIF);
            EXPECT_EQ(session.tree.GetFolderCount(), 0u);
        }
    }
}

}  // namespace
}  // namespace tvn::ui
