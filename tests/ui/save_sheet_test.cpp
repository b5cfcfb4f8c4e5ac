// The save options and a save through them: the pages, OK's state, which
// page decides, the warning about saving where the files come from, and the
// ticked files written (plain and compressed) from a medium made in the test.
#include "ui/save_sheet.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QLabel>
#include <QLocale>
#include <QMessageBox>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QThread>

#include <atomic>
#include <filesystem>
#include <set>

#include "output/save_job.h"
#include "tests/support/test_support.h"
#include "tests/ui/found_test_support.h"
#include "ui/burner_recorders.h"
#include "ui/found_data_dlg.h"

namespace tvn::ui {
namespace {

namespace fs = std::filesystem;
using test::AddFound;
using test::ModalAnswerer;
using test::TempDir;

std::vector<CDestination> OnePlace(const std::string& path) {
    CDestination place;
    place.m_strPath = path;
    place.m_strLabel = "out";
    place.m_strText = path + " [out]";
    return {place};
}

// A recorder list the page can be tested against: recorders that can or
// cannot be selected and that are or are not ready.
class FixedRecorders : public IRecorderSource {
public:
    struct Recorder {
        std::string name;
        bool selectable = true;
        bool ready = true;
    };
    explicit FixedRecorders(std::vector<Recorder> recorders) : m_recorders(std::move(recorders)) {}
    int Count() override { return static_cast<int>(m_recorders.size()); }
    std::string Name(int i) override { return m_recorders[static_cast<size_t>(i)].name; }
    bool Select(int i) override {
        if (!m_recorders[static_cast<size_t>(i)].selectable) return false;
        m_selected = i;
        return true;
    }
    bool IsReady() override { return m_selected >= 0 && m_recorders[static_cast<size_t>(m_selected)].ready; }
    std::string Unavailable() override { return "The recorders are busy."; }

private:
    std::vector<Recorder> m_recorders;
    int m_selected = -1;
};

TEST(DestinationCheck, TheImagesFolderIsWarnedAboutButNotRefused) {
    TempDir dir;
    const std::string image = dir / "card.img";
    test::WriteFile(image, std::vector<uint8_t>(4096, 0));
    fs::create_directories(dir / "inside/deeper");
    fs::create_directories(dir / "inside2");

    DestinationCheck check = CheckDestination(dir.Path(), image);
    EXPECT_TRUE(check.warn);
    EXPECT_FALSE(check.onSource);
    EXPECT_TRUE(CheckDestination(dir / "inside/deeper", image).warn);
    EXPECT_TRUE(CheckDestination(dir.Path() + "/./inside/..", image).warn);

    TempDir other;
    EXPECT_FALSE(CheckDestination(other.Path(), image).warn);
    EXPECT_FALSE(CheckDestination(other.Path(), "").warn);
    // A folder whose name only begins like the image's folder is elsewhere.
    EXPECT_FALSE(CheckDestination(dir.Path() + "x", image).warn);
}

TEST(SaveSheet, LocalPageDecidesFromItsOwnControls) {
    CSession session;
    TempDir out;
    CSavePropertySheet sheet(session, nullptr, nullptr,
                             [&](const std::string&) { return OnePlace(out.Path()); });
    EXPECT_EQ(sheet.windowTitle(), "Saving Options");
    EXPECT_EQ(sheet.Tabs()->tabText(0), "Save data to local drive");
    EXPECT_EQ(sheet.Tabs()->tabText(1), "Burn data to CD/DVD");
    QComboBox* places = sheet.LocalPage()->Combo();
    ASSERT_EQ(places->count(), 2);
    EXPECT_EQ(places->itemText(0).toStdString(), out.Path() + " [out]");
    EXPECT_EQ(places->itemText(1), QStringLiteral("Other folder\u2026"));
    EXPECT_TRUE(sheet.OkButton()->isEnabled());
    EXPECT_EQ(sheet.findChild<QLabel*>("id1043")->text(), "&Local Drives:");

    // Compress ticked on the local page, then the burn page without
    // recorders: OK is disabled there and says why.
    sheet.show();
    sheet.LocalPage()->Compress()->setChecked(true);
    sheet.Tabs()->setCurrentIndex(1);
    EXPECT_EQ(session.jobMode, JobMode::Burn);
    EXPECT_FALSE(sheet.OkButton()->isEnabled());
    EXPECT_TRUE(sheet.BurnPage()->Note()->isVisible());
    EXPECT_FALSE(sheet.BurnPage()->Note()->text().isEmpty());
    // Back on the local page, OK saves there, compressed by its own box.
    sheet.Tabs()->setCurrentIndex(0);
    ASSERT_TRUE(sheet.OkButton()->isEnabled());
    QTest::mouseClick(sheet.OkButton(), Qt::LeftButton);
    EXPECT_EQ(sheet.result(), QDialog::Accepted);
    EXPECT_EQ(session.jobMode, JobMode::Save);
    EXPECT_EQ(session.destination, out.Path());
    EXPECT_TRUE(session.compress);
}

TEST(SaveSheet, LayoutBoxesKeepNamesAndSkipDuplicatesByDefault) {
    CSession session;
    TempDir out;
    CSavePropertySheet sheet(session, nullptr, nullptr,
                             [&](const std::string&) { return OnePlace(out.Path()); });
    EXPECT_TRUE(sheet.LocalPage()->OriginalNames()->isChecked());
    EXPECT_FALSE(sheet.LocalPage()->ByDate()->isChecked());
    EXPECT_TRUE(sheet.LocalPage()->SkipDuplicates()->isChecked());
    sheet.show();
    sheet.LocalPage()->ByDate()->setChecked(true);
    sheet.LocalPage()->SkipDuplicates()->setChecked(false);
    QTest::mouseClick(sheet.OkButton(), Qt::LeftButton);
    ASSERT_EQ(sheet.result(), QDialog::Accepted);
    EXPECT_TRUE(session.layout.originalNames);
    EXPECT_TRUE(session.layout.byDate);
    EXPECT_FALSE(session.layout.skipDuplicates);
}

TEST(SaveSheet, NoPlaceLeavesOkDisabled) {
    CSession session;
    CSavePropertySheet sheet(session, nullptr, nullptr,
                             [](const std::string&) { return std::vector<CDestination>{}; });
    EXPECT_EQ(sheet.LocalPage()->Combo()->count(), 1);  // only "Other folder..."
    EXPECT_FALSE(sheet.OkButton()->isEnabled());
}

TEST(SaveSheet, BurnPageOnlyConfirmsOnAReadyRecorderAndUsesItsOwnChoices) {
    CSession session;
    TempDir out, cache;
    FixedRecorders recorders({{"Ready recorder", true, true},
                              {"Broken recorder", false, true},
                              {"Empty tray", true, false}});
    CSavePropertySheet sheet(session, &recorders, nullptr,
                             [&](const std::string&) { return OnePlace(out.Path()); });
    sheet.show();
    sheet.LocalPage()->Compress()->setChecked(true);
    sheet.Tabs()->setCurrentIndex(1);
    QComboBox* box = sheet.BurnPage()->Recorders();
    ASSERT_EQ(box->count(), 3);
    EXPECT_TRUE(sheet.OkButton()->isEnabled());
    EXPECT_FALSE(sheet.BurnPage()->Note()->isVisible());
    box->setCurrentIndex(2);  // selectable, not ready
    EXPECT_FALSE(sheet.OkButton()->isEnabled());
    box->setCurrentIndex(0);
    EXPECT_TRUE(sheet.OkButton()->isEnabled());
    // A recorder that cannot be selected leaves OK disabled, not the last one bound.
    box->setCurrentIndex(1);
    EXPECT_FALSE(sheet.OkButton()->isEnabled());
    box->setCurrentIndex(0);

    ModalAnswerer answer;
    sheet.BurnPage()->Places()->AddFolder(cache.Path());
    QTest::mouseClick(sheet.OkButton(), Qt::LeftButton);
    EXPECT_EQ(sheet.result(), QDialog::Accepted);
    EXPECT_EQ(session.jobMode, JobMode::Burn);
    EXPECT_EQ(session.destination, cache.Path());
    EXPECT_FALSE(session.compress);  // the burn page's box, not the local page's
    EXPECT_EQ(sheet.ChosenRecorder(), 0);
    EXPECT_TRUE(answer.boxes.empty());
}

// The destinations are listed on a worker: a hung mount must not hang the
// window.
TEST(SaveSheet, TheDestinationsAreListedOffTheGuiThread) {
    CSession session;
    TempDir out;
    std::atomic<bool> onGuiThread{true};
    CSavePropertySheet sheet(session, nullptr, nullptr, [&](const std::string&) {
        onGuiThread = QThread::currentThread() == QCoreApplication::instance()->thread();
        return OnePlace(out.Path());
    });
    EXPECT_FALSE(onGuiThread.load());
    EXPECT_TRUE(sheet.LocalPage()->CanConfirm());
}

// Pressing Save asks nothing of the recorders: they are looked for when
// the burn page is first shown, and never on the GUI thread.
TEST(SaveSheet, TheRecordersAreProbedOnAWorkerWhenTheBurnPageIsFirstShown) {
    struct WatchedRecorders : FixedRecorders {
        using FixedRecorders::FixedRecorders;
        int Count() override {
            ++counts;
            onGuiThread = onGuiThread || QThread::currentThread() == QCoreApplication::instance()->thread();
            return FixedRecorders::Count();
        }
        bool IsReady() override {
            ++readyAsked;
            onGuiThread = onGuiThread || QThread::currentThread() == QCoreApplication::instance()->thread();
            return FixedRecorders::IsReady();
        }
        std::atomic<int> counts{0}, readyAsked{0};
        std::atomic<bool> onGuiThread{false};
    } recorders({{"Ready recorder", true, true}});
    CSession session;
    TempDir out;
    CSavePropertySheet sheet(session, &recorders, nullptr,
                             [&](const std::string&) { return OnePlace(out.Path()); });
    sheet.show();
    EXPECT_EQ(recorders.counts.load(), 0);
    EXPECT_EQ(recorders.readyAsked.load(), 0);
    sheet.Tabs()->setCurrentIndex(1);
    EXPECT_EQ(recorders.counts.load(), 1);
    EXPECT_GE(recorders.readyAsked.load(), 1);
    EXPECT_FALSE(recorders.onGuiThread.load());
    EXPECT_EQ(sheet.BurnPage()->Recorders()->count(), 1);
    EXPECT_TRUE(sheet.OkButton()->isEnabled());
    // Shown again: the recorders are not looked for again.
    sheet.Tabs()->setCurrentIndex(0);
    sheet.Tabs()->setCurrentIndex(1);
    EXPECT_EQ(recorders.counts.load(), 1);
}

// The free room of each place is shown against what the ticked files need,
// and a save or burn that cannot fit starts only when the user says so.
TEST(SaveSheet, ShowsTheFreeRoomAndAsksBeforeASaveThatDoesNotFit) {
    CSession session;
    AddFound(session, "JPG", 1, 3'000'000)->SetChecked(true);
    AddFound(session, "JPG", 2, 2'000'000)->SetChecked(true);
    AddFound(session, "JPG", 3, 9'000'000);  // not ticked: takes no room
    const uint64_t needed = 5'000'000 + 2 * kFileBlock;
    TempDir roomy, tight;
    std::set<std::string> asked;
    const FreeSpaceQuery freeSpace = [&](const std::string& path) -> std::optional<uint64_t> {
        asked.insert(path);
        if (path == roomy.Path()) return uint64_t{8} << 30;
        if (path == tight.Path()) return needed - 1;
        return std::nullopt;
    };
    struct DiscRecorders : FixedRecorders {
        using FixedRecorders::FixedRecorders;
        std::optional<uint64_t> FreeBytes() override { return disc; }
        std::optional<uint64_t> disc;
    } recorders({{"Ready recorder", true, true}});
    recorders.disc = 1'000'000;
    CSavePropertySheet sheet(
        session, &recorders, nullptr, [&](const std::string&) { return OnePlace(roomy.Path()); }, freeSpace);
    sheet.show();
    const auto size = [](uint64_t bytes) {
        return QLocale().formattedDataSize(static_cast<qint64>(bytes), 1, QLocale::DataSizeTraditionalFormat);
    };
    QLabel* room = sheet.LocalPage()->Room();
    ASSERT_TRUE(room->isVisible());
    EXPECT_EQ(room->text(), QStringLiteral("Free space there: %1 (the selected files need %2)")
                                .arg(size(uint64_t{8} << 30), size(needed)));
    EXPECT_EQ(sheet.LocalPage()->Combo()->itemData(0, Qt::ToolTipRole).toString(),
              size(uint64_t{8} << 30) + QStringLiteral(" free"));

    // A folder chosen later is asked too; the files do not fit by one byte.
    sheet.LocalPage()->Places()->AddFolder(tight.Path());
    EXPECT_TRUE(asked.count(tight.Path()));
    const QString lacking = QStringLiteral("The selected files need %1, but only %2 is free in that folder.")
                                .arg(size(needed), size(needed - 1));
    EXPECT_EQ(room->text(), lacking);
    {
        ModalAnswerer answer;
        answer.Answer(QMessageBox::No);
        QTest::mouseClick(sheet.OkButton(), Qt::LeftButton);
        ASSERT_TRUE(answer.Done());
        ASSERT_EQ(answer.boxes.size(), 1u);
        EXPECT_EQ(answer.boxes[0].caption, QStringLiteral("Not enough room"));
        EXPECT_EQ(answer.boxes[0].text, lacking + QStringLiteral("\n\nStart anyway?"));
        EXPECT_TRUE(sheet.isVisible()) << "No leaves the sheet open, nothing started";
        EXPECT_NE(sheet.result(), QDialog::Accepted);
    }

    // The burn page: the disc is too small, the cache folder roomy.
    sheet.LocalPage()->Places()->setCurrentIndex(0);
    sheet.Tabs()->setCurrentIndex(1);
    ASSERT_TRUE(sheet.OkButton()->isEnabled());
    EXPECT_TRUE(sheet.BurnPage()->DiscRoom()->isVisible());
    EXPECT_TRUE(sheet.BurnPage()->DiscRoom()->text().endsWith(QStringLiteral("is left on the disc.")));
    EXPECT_TRUE(sheet.BurnPage()->CacheRoom()->text().startsWith(QStringLiteral("Free space there: ")));
    {
        ModalAnswerer answer;
        answer.Answer(QMessageBox::Yes);
        QTest::mouseClick(sheet.OkButton(), Qt::LeftButton);
        ASSERT_EQ(answer.boxes.size(), 1u);
        EXPECT_TRUE(answer.boxes[0].text.contains(QStringLiteral("is left on the disc.")));
        EXPECT_FALSE(answer.boxes[0].text.contains(QStringLiteral("cache folder")));
    }
    EXPECT_EQ(sheet.result(), QDialog::Accepted);
    EXPECT_EQ(session.jobMode, JobMode::Burn);
    EXPECT_EQ(session.destination, roomy.Path());

    // Room that cannot be told is not held against a save: no line, no question.
    CSavePropertySheet unknown(
        session, nullptr, nullptr, [&](const std::string&) { return OnePlace(roomy.Path()); },
        [](const std::string&) { return std::optional<uint64_t>{}; });
    unknown.show();
    EXPECT_FALSE(unknown.LocalPage()->Room()->isVisible());
    ModalAnswerer none;
    QTest::mouseClick(unknown.OkButton(), Qt::LeftButton);
    EXPECT_EQ(unknown.result(), QDialog::Accepted);
    EXPECT_TRUE(none.boxes.empty());
}

TEST(SaveSheet, BurnPageWritesADiscImageThroughAPseudoDrive) {
    CBurner burner;
    if (!burner.IsInitialized()) GTEST_SKIP() << "the burner cannot start here: " << burner.GetInitError();
    CBurnerRecorders recorders(burner);
    CSession session;
    TempDir dir;
    CSavePropertySheet sheet(session, &recorders, nullptr,
                             [&](const std::string&) { return OnePlace(dir.Path()); });
    sheet.show();
    sheet.Tabs()->setCurrentIndex(1);
    const int drives = sheet.BurnPage()->Recorders()->count();
    ModalAnswerer answer;
    answer.ChooseFile(QString::fromStdString(dir / "disc.iso"));
    QTest::mouseClick(sheet.findChild<QPushButton*>("discImage"), Qt::LeftButton);
    ASSERT_TRUE(answer.Done());
    ASSERT_EQ(sheet.BurnPage()->Recorders()->count(), drives + 1);
    EXPECT_EQ(sheet.BurnPage()->Recorders()->currentText().toStdString(),
              "Disc image file " + (dir / "disc.iso"));
    EXPECT_EQ(burner.GetSelectedAddress(), "stdio:" + (dir / "disc.iso"));
    ASSERT_TRUE(sheet.OkButton()->isEnabled());
    QTest::mouseClick(sheet.OkButton(), Qt::LeftButton);
    EXPECT_EQ(sheet.result(), QDialog::Accepted);
    EXPECT_EQ(session.jobMode, JobMode::Burn);
    EXPECT_EQ(sheet.ChosenRecorder(), drives);
    EXPECT_TRUE(answer.unexpected.isEmpty());
}

TEST(SaveSheet, WarnsWhenTheFolderHoldsTheImageBeingRecovered) {
    TempDir dir;
    const std::string image = dir / "card.img";
    test::WriteFile(image, std::vector<uint8_t>(1 << 16, 0));
    CSession session;
    session.selectedDrive = image;
    CSavePropertySheet sheet(session, nullptr, nullptr, [](const std::string&) {
        return std::vector<CDestination>{};
    });
    sheet.show();
    ModalAnswerer answer;
    sheet.LocalPage()->Places()->AddFolder(dir.Path());
    ASSERT_EQ(answer.boxes.size(), 1u);
    EXPECT_EQ(answer.boxes[0].caption, "Disclaimer");
    EXPECT_EQ(answer.boxes[0].text.toStdString(), kDisclaimerText);
    // Warned once for that folder; writing beside an image harms nothing, so
    // OK goes on.
    QTest::mouseClick(sheet.OkButton(), Qt::LeftButton);
    EXPECT_EQ(answer.boxes.size(), 1u);
    EXPECT_EQ(sheet.result(), QDialog::Accepted);
    EXPECT_EQ(session.destination, dir.Path());
}

// --- a save through the found_data window and the options -------------------------

struct SaveThroughWindow : ::testing::Test {
    TempDir dir;
    TempDir out;
    CSession session;
    std::string image;

    void SetUp() override {
        // A medium of 64 sectors whose bytes tell where they lie.
        image = dir / "card.img";
        std::vector<uint8_t> bytes(64 * 512);
        for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(i / 512 + i % 7);
        test::WriteFile(image, bytes);
        CNullReporter quiet;
        ASSERT_TRUE(session.OpenCurrentSource(image, quiet, kDisconnectedReconnect));
        session.selectedDrive = image;
        session.jobMode = JobMode::Save;
        AddFound(session, "JPG", 1, 1500, 2);
        AddFound(session, "JPG", 2, 700, 10);
        AddFound(session, "JPG", 3, 3000, 20);
        AddFound(session, "PNG", 1, 900, 40);
    }

    // Ticks two JPEGs and the PNG, saves through the options into out, and
    // runs the job the window asked for.
    void Save(bool compress) {
        CDataFoundDlg dlg(session);
        dlg.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&dlg));
        dlg.ShowFolder(session.tree.FindFolder("JPG"));
        for (int row = 0; row < dlg.ListModel().rowCount(); ++row) {
            if (dlg.ListModel().NodeAt(row)->GetName() != "file# 2.JPG") {
                dlg.ToggleInList(*dlg.ListModel().NodeAt(row));
            }
        }
        dlg.ToggleInList(*session.tree.FindFolder("PNG"));
        ModalAnswerer answer;
        answer.Then([&](QWidget* w) {
            auto* sheet = qobject_cast<CSavePropertySheet*>(w);
            ASSERT_NE(sheet, nullptr);
            sheet->LocalPage()->Places()->AddFolder(out.Path());
            sheet->LocalPage()->Compress()->setChecked(compress);
            QTest::mouseClick(sheet->OkButton(), Qt::LeftButton);
        });
        QTest::mouseClick(dlg.findChild<QPushButton*>("id1019"), Qt::LeftButton);
        ASSERT_TRUE(answer.Done());
        EXPECT_TRUE(answer.unexpected.isEmpty()) << answer.unexpected.join(',').toStdString();
        EXPECT_EQ(dlg.GetOutcome(), CDataFoundDlg::Outcome::StartJob);
        EXPECT_FALSE(dlg.isVisible());
        EXPECT_EQ(session.jobMode, JobMode::Save);
        EXPECT_EQ(session.destination, out.Path());
        EXPECT_EQ(session.compress, compress);

        session.jobName = "Tarvolin 07.00.00";
        session.job.Reset();
        test::RecordingReporter reporter;
        CSaveJob job(session, reporter);
        const JobOutcome outcome = job.Run();
        EXPECT_EQ(outcome.result, JobResult::Completed) << outcome.message;
        EXPECT_EQ(outcome.done, 3u);
        EXPECT_EQ(reporter.finished, 1);
    }
};

TEST_F(SaveThroughWindow, PlainSaveWritesExactlyTheTickedFiles) {
    Save(false);
    std::set<std::string> written;
    for (const auto& entry : fs::recursive_directory_iterator(out.Path())) {
        if (entry.is_regular_file()) written.insert(fs::relative(entry.path(), out.Path()).string());
    }
    EXPECT_EQ(written, (std::set<std::string>{"Tarvolin 07.00.00/JPG/file# 1.JPG",
                                              "Tarvolin 07.00.00/JPG/file# 3.JPG",
                                              "Tarvolin 07.00.00/PNG/file# 1.PNG"}));
    // The bytes come from the file's sectors.
    const auto bytes = test::ReadFile(out / "Tarvolin 07.00.00/JPG/file# 3.JPG");
    ASSERT_GE(bytes.size(), 3000u);
    EXPECT_EQ(bytes[0], static_cast<uint8_t>(20 + (20 * 512) % 7));
    // The marks outlive the window: a new one shows them again.
    CDataFoundDlg again(session);
    EXPECT_EQ(again.Selection().SelectedFiles(), 3u);
    EXPECT_EQ(again.Selection().FolderMark(*session.tree.FindFolder("JPG")), Mark::Partly);
}

TEST_F(SaveThroughWindow, CompressedSaveArchivesExactlyTheTickedFiles) {
    Save(true);
    const std::string zip = out / "Tarvolin 07.00.00.zip";
    ASSERT_TRUE(fs::exists(zip));
    std::string listing;
    ASSERT_EQ(test::RunCommand("python3 -c \"import sys,zipfile; z=zipfile.ZipFile(sys.argv[1]); "
                               "assert z.testzip() is None; "
                               "print(sorted(n for n in z.namelist() if not n.endswith('/')))\" '" +
                                   zip + "'",
                               &listing),
              0);
    EXPECT_EQ(listing,
              "['Tarvolin 07.00.00/JPG/file# 1.JPG', 'Tarvolin 07.00.00/JPG/file# 3.JPG', "
              "'Tarvolin 07.00.00/PNG/file# 1.PNG']\n");
}

}  // namespace
}  // namespace tvn::ui
