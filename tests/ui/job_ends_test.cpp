// How jobs end in the wizard: each end told once, by the processing window
// (failed and refused saves and burns included), a save that fills its
// destination going on at another one, a burn's two steps on one bar, the
// saved folder shown (or named where no file manager is), and the medium
// opened on Next being the one picked, whatever a reload writes meanwhile.
#include <QApplication>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>
#include <sys/mount.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <thread>

#include "disk/source_check.h"
#include "output/burn_job.h"
#include "preview/i18n.h"
#include "tests/support/test_support.h"
#include "tests/ui/ui_test_support.h"
#include "tools/media/image.h"
#include "ui/handover.h"
#include "ui/jobs.h"
#include "ui/main_dialog.h"
#include "ui/processing_dialog.h"
#include "ui/save_sheet.h"
#include "ui/wizard_controller.h"

namespace tvn::ui {
namespace {

namespace fs = std::filesystem;
using Box = QMessageBox::StandardButton;

// A card image of random bytes (nothing in it packs smaller) with JPG nodes
// over it, the source opened in session.
struct RandomCard {
    test::TempDir dir;
    std::string image = dir / "card.img";

    explicit RandomCard(CSession& session, size_t bytes = 2 << 20) {
        std::vector<uint8_t> data(bytes);
        std::mt19937 random(26);
        for (auto& b : data) b = static_cast<uint8_t>(random());
        media::ImageFile img(image, bytes);
        img.Write(0, data);
        test::RecordingReporter quiet;
        EXPECT_TRUE(session.OpenCurrentSource(image, quiet, kDisconnectedReconnect)) << quiet.console;
    }
    static CFileNode* Jpeg(CSession& session, unsigned number, uint64_t startSector, uint64_t size) {
        CFolderNode* f = session.tree.FindFolder("JPG");
        if (f == nullptr) {
            f = session.tree.InsertFolder("JPG");
            ++session.tree.m_ullFolderCount;
        }
        CFileNode* n = f->InsertFile("file# " + std::to_string(number) + ".", startSector,
                                     startSector + size / 512, size);
        n->SetChecked(true);
        f->SetChecked(true);
        return n;
    }
};

// A tmpfs of a given size, unmounted when the object goes.
class SmallMount {
public:
    bool Mount(const std::string& options, std::string& why) {
        if (::mount("tmpfs", m_dir.Path().c_str(), "tmpfs", 0, options.c_str()) != 0) {
            why = std::string("cannot mount a tmpfs here: ") + std::strerror(errno);
            return false;
        }
        m_mounted = true;
        return true;
    }
    ~SmallMount() {
        if (m_mounted) ::umount2(m_dir.Path().c_str(), MNT_DETACH);
    }
    const std::string& Path() const { return m_dir.Path(); }

private:
    test::TempDir m_dir;
    bool m_mounted = false;
};

std::vector<std::string> FilesBelow(const std::string& dir) {
    std::vector<std::string> files;
    std::error_code ec;
    for (const auto& e : fs::recursive_directory_iterator(dir, ec))
        if (e.is_regular_file()) files.push_back(e.path().filename().string());
    std::sort(files.begin(), files.end());
    return files;
}

struct JobEndsFixture : ::testing::Test {
    CSession session;
    CQtReporter reporter;
    std::unique_ptr<CProcessingDlg> dlg;

    void Open(CProcessingJob job) {
        dlg = std::make_unique<CProcessingDlg>(session, reporter, std::move(job), QStringLiteral("card.img"));
        dlg->SetFolderOpener([](const QString&) {});
        dlg->show();
    }
    bool Ended() const { return dlg->GetState() == CProcessingDlg::State::Ended; }
    CProcessingJob BurnJob(CBurner& burner) {
        CProcessingJob job;
        job.recorderName = QStringLiteral("disc");
        job.run = [this, &burner] {
            CBurnJob burn(session, burner, reporter);
            burn.SetPollInterval(std::chrono::milliseconds(50));
            return burn.Run();
        };
        return job;
    }
};

// A failed or refused job is told once, by the window, whatever the job
// itself reported on the way.
TEST_F(JobEndsFixture, ARefusedBurnAndAFailedSaveEachShowOneBox) {
    RandomCard card(session);
    {
        SCOPED_TRACE("a burn onto a pseudo-drive in a folder that does not exist");
        RandomCard::Jpeg(session, 1, 100, 60000);
        const std::string cache = card.dir / "cache";
        fs::create_directories(cache);
        session.jobMode = JobMode::Burn;
        session.compress = false;
        session.destination = cache;
        CBurner burner(&reporter);
        ASSERT_TRUE(burner.IsInitialized()) << burner.GetInitError();
        ASSERT_TRUE(burner.SelectRecorder("stdio:" + card.dir / "gone/disc.iso"));
        test::BoxAnswerer boxes;
        Open(BurnJob(burner));
        ASSERT_TRUE(test::WaitFor([&] { return Ended(); }, 60000));
        EXPECT_EQ(dlg->Outcome().result, JobResult::Refused);
        ASSERT_EQ(boxes.seen.size(), 1u) << boxes.Texts().toStdString();
        EXPECT_EQ(boxes.seen[0].text, QStringLiteral("Please insert media and try again."));
        EXPECT_EQ(boxes.seen[0].caption, QStringLiteral("Error"));
        EXPECT_TRUE(fs::is_empty(cache));
    }
    {
        SCOPED_TRACE("a compressed save whose archive finds the destination full");
        // Room for the staging copy of the one file, not for its archive.
        SmallMount mnt;
        std::string why;
        if (!mnt.Mount("size=" + std::to_string(17 * 4096), why)) GTEST_SKIP() << why;
        session.tree.RemoveAll();
        RandomCard::Jpeg(session, 2, 200, 60000);
        session.jobMode = JobMode::Save;
        session.compress = true;
        session.destination = mnt.Path();
        test::BoxAnswerer boxes;
        Open(MakeSaveJob(session, reporter));
        ASSERT_TRUE(test::WaitFor([&] { return Ended(); }));
        EXPECT_EQ(dlg->Outcome().result, JobResult::Failed) << dlg->Outcome().message;
        ASSERT_EQ(boxes.seen.size(), 1u) << boxes.Texts().toStdString();
        EXPECT_EQ(boxes.seen[0].caption, QStringLiteral("Error"));
    }
}

// With no recorder to burn on, the window says why instead of closing.
TEST(JobEnds, ABurnWithoutARecorderSaysWhyOnce) {
    CWizardOptions options;
    options.drives.discover = test::TwoDrives;
    options.drives.hotplug = false;
    CWizardController wizard(options);
    wizard.Session().jobMode = JobMode::Burn;
    test::BoxAnswerer boxes;
    EXPECT_EQ(wizard.RunStep(WizardStep::Processing), WizardStep::FoundData);
    ASSERT_EQ(boxes.seen.size(), 1u) << boxes.Texts().toStdString();
    EXPECT_EQ(boxes.seen[0].text, QStringLiteral("The CD/DVD recorder is not ready; nothing was burnt."));
    EXPECT_EQ(boxes.seen[0].caption, QStringLiteral("Error"));
}

// A save that fills its destination offers another one in the same box and
// goes on there with the files it could not save: none is saved twice, and
// the last end counts both parts.
TEST(JobEnds, AFullDestinationGoesOnAtAnotherWithTheFilesLeft) {
    CWizardOptions options;
    options.drives.discover = test::TwoDrives;
    options.drives.hotplug = false;
    CWizardController wizard(options);
    CSession& session = wizard.Session();
    RandomCard card(session);
    // Four files of 25 pages each; the destination holds two of them.
    for (unsigned i = 1; i <= 4; ++i) RandomCard::Jpeg(session, i, 100 + (i - 1) * 256, 100000);
    SmallMount full;
    std::string why;
    if (!full.Mount("size=" + std::to_string(62 * 4096), why)) GTEST_SKIP() << why;
    test::TempDir other;
    session.jobMode = JobMode::Save;
    session.compress = false;
    session.destination = full.Path();

    std::vector<std::string> jobNames;
    int sheets = 0;
    wizard.onWindow = [&](CWizardDialog& w) {
        auto* processing = qobject_cast<CProcessingDlg*>(&w);
        if (processing == nullptr) return;
        processing->SetFolderOpener([](const QString&) {});
        jobNames.push_back(session.jobName);
        // The second window is the part that goes on: the save options come
        // before it, in which another folder is chosen.
    };
    QTimer sheetWatch;
    sheetWatch.setInterval(20);
    QObject::connect(&sheetWatch, &QTimer::timeout, [&] {
        auto* sheet = qobject_cast<CSavePropertySheet*>(QApplication::activeModalWidget());
        if (sheet == nullptr || sheet->property("tvnSeen").toBool()) return;
        sheet->setProperty("tvnSeen", true);
        ++sheets;
        sheet->LocalPage()->Places()->AddFolder(other.Path());
        QTest::mouseClick(sheet->OkButton(), Qt::LeftButton);
    });
    sheetWatch.start();
    test::BoxAnswerer boxes({Box::Yes, Box::Ok});
    EXPECT_EQ(wizard.RunStep(WizardStep::Processing), WizardStep::FoundData);
    sheetWatch.stop();

    ASSERT_EQ(boxes.seen.size(), 2u) << boxes.Texts().toStdString();
    EXPECT_TRUE(boxes.seen[0].text.contains(QStringLiteral("The save stopped"))) << boxes.Texts().toStdString();
    EXPECT_TRUE(boxes.seen[0].text.contains(QStringLiteral("another destination for the 2 file(s)")))
        << boxes.Texts().toStdString();
    EXPECT_EQ(sheets, 1);
    ASSERT_EQ(jobNames.size(), 2u);
    const std::vector<std::string> first = FilesBelow(full.Path());
    const std::vector<std::string> second = FilesBelow(other.Path());
    EXPECT_EQ(first.size(), 2u);
    EXPECT_EQ(second.size(), 2u);
    std::vector<std::string> all = first;
    all.insert(all.end(), second.begin(), second.end());
    std::sort(all.begin(), all.end());
    EXPECT_EQ(all, (std::vector<std::string>{"file# 1.JPG", "file# 2.JPG", "file# 3.JPG", "file# 4.JPG"}))
        << "each file once, on one of the two";
    // Both parts, counted and named in the last end.
    const QString last = boxes.seen[1].text;
    EXPECT_TRUE(last.contains(QStringLiteral("4 file(s) saved"))) << last.toStdString();
    EXPECT_TRUE(last.contains(QString::fromStdString(full.Path()))) << last.toStdString();
    EXPECT_TRUE(last.contains(QString::fromStdString(other.Path()))) << last.toStdString();
    EXPECT_FALSE(last.contains(QStringLiteral("not saved"))) << last.toStdString();
    // The ticks are the user's: every file stays ticked.
    for (CFileNode* f = session.tree.FindFolder("JPG")->GetFirstChild(); f; f = f->GetNextFile())
        EXPECT_TRUE(f->IsChecked());
}

// A burn shows its two steps by name on one bar that never runs back, and
// every status text whole.
TEST_F(JobEndsFixture, ABurnShowsItsTwoStepsOnABarThatNeverRunsBack) {
    RandomCard card(session);
    for (unsigned i = 1; i <= 3; ++i) RandomCard::Jpeg(session, i, 100 + (i - 1) * 512, 200000);
    const std::string cache = card.dir / "cache";
    fs::create_directories(cache);
    CBurner burner(&reporter);
    ASSERT_TRUE(burner.IsInitialized()) << burner.GetInitError();
    ASSERT_TRUE(burner.SelectRecorder("stdio:" + card.dir / "disc.iso"));
    session.jobMode = JobMode::Burn;
    session.compress = false;
    session.destination = cache;

    std::vector<int> values;
    QStringList steps, statuses;
    test::BoxAnswerer boxes;
    Open(BurnJob(burner));
    auto* bar = dlg->findChild<QProgressBar*>(QStringLiteral("id1008"));
    auto* step = dlg->findChild<QLabel*>(QStringLiteral("step"));
    auto* status = dlg->findChild<QLabel*>(QStringLiteral("id1009"));
    ASSERT_NE(step, nullptr);
    QObject::connect(bar, &QProgressBar::valueChanged, [&](int v) { values.push_back(v); });
    const auto look = [&] {
        if (steps.isEmpty() || steps.back() != step->text()) steps << step->text();
        if (statuses.isEmpty() || statuses.back() != status->text()) statuses << status->text();
        // Whole: the label is tall enough for the text at its width.
        EXPECT_LE(status->heightForWidth(status->width()), status->height()) << status->text().toStdString();
    };
    QObject::connect(&reporter, &CQtReporter::StatusTextChanged, dlg.get(), look, Qt::QueuedConnection);
    QObject::connect(&reporter, &CQtReporter::ProgressChanged, dlg.get(), look, Qt::QueuedConnection);
    ASSERT_TRUE(test::WaitFor([&] { return Ended(); }, 60000));
    look();

    EXPECT_EQ(dlg->Outcome().result, JobResult::Completed) << dlg->Outcome().message;
    ASSERT_EQ(boxes.seen.size(), 1u) << boxes.Texts().toStdString();
    EXPECT_EQ(boxes.seen[0].text, QStringLiteral("CD/DVD burning operation completed successfully"));
    EXPECT_TRUE(std::is_sorted(values.begin(), values.end())) << ::testing::PrintToString(values);
    ASSERT_FALSE(values.empty());
    EXPECT_EQ(values.back(), 100);
    EXPECT_TRUE(steps.contains(QStringLiteral("Step 1 of 2: copying the files to the cache folder")))
        << steps.join(QStringLiteral(" | ")).toStdString();
    EXPECT_TRUE(steps.contains(QStringLiteral("Step 2 of 2: writing the disc")))
        << steps.join(QStringLiteral(" | ")).toStdString();
    EXPECT_TRUE(statuses.contains(QStringLiteral("Writing cache"))) << statuses.join(QStringLiteral(" | ")).toStdString();
    EXPECT_EQ(statuses.back(), QStringLiteral("Burning operation completed. Finalizing optical media"));
    EXPECT_TRUE(status->wordWrap());
}

// After a save the folder goes to the desktop's opener; where there is
// none, a message says where the files are.
TEST_F(JobEndsFixture, TheSavedFolderIsShownOrNamed) {
    test::TempDir dir, bin;
    const QByteArray path = qgetenv("PATH");
    const std::string record = dir / "opened.txt";
    {
        std::ofstream script(bin / "xdg-open");
        script << "#!/bin/sh\nprintf '%s' \"$1\" > '" << record << "'\n";
    }
    fs::permissions(bin / "xdg-open", fs::perms::owner_all);
    for (const bool opener : {false, true}) {
        SCOPED_TRACE(opener ? "xdg-open" : "none");
        qputenv("PATH", opener ? QByteArray::fromStdString(bin.Path()) : QByteArray::fromStdString(dir.Path()));
        session.jobMode = JobMode::Save;
        session.compress = false;
        session.destination = dir.Path();
        CProcessingJob job;
        job.run = [] {
            JobOutcome o;
            o.done = 1;
            o.message = "Saving operation completed successfully";
            return o;
        };
        test::BoxAnswerer boxes;
        dlg = std::make_unique<CProcessingDlg>(session, reporter, std::move(job), QStringLiteral("card.img"));
        dlg->show();
        ASSERT_TRUE(test::WaitFor([&] { return Ended(); }));
        const QString folder = QString::fromStdString(dir / session.jobName);
        if (opener) {
            ASSERT_EQ(boxes.seen.size(), 1u) << boxes.Texts().toStdString();
            ASSERT_TRUE(test::WaitFor([&] { return fs::exists(record) && fs::file_size(record) > 0; }, 5000));
            std::ifstream in(record);
            std::string opened;
            std::getline(in, opened);
            EXPECT_EQ(opened, folder.toStdString());
        } else {
            ASSERT_EQ(boxes.seen.size(), 2u) << boxes.Texts().toStdString();
            EXPECT_EQ(boxes.seen[0].text, QStringLiteral("Saving operation completed successfully"));
            EXPECT_TRUE(boxes.seen[1].text.contains(folder)) << boxes.Texts().toStdString();
            EXPECT_EQ(boxes.seen[1].caption, QStringLiteral("Information"));
        }
    }
    qputenv("PATH", path);
}

// The processing window speaks the user's language on its Pause button and in
// the end of a save, whose message carries paths and counts.
TEST_F(JobEndsFixture, PauseAndASavesEndSpeakTheUsersLanguage) {
    const QByteArray lang = qgetenv("LANG"), all = qgetenv("LC_ALL"), messages = qgetenv("LC_MESSAGES");
    qunsetenv("LC_ALL");
    qunsetenv("LC_MESSAGES");
    qputenv("LANG", "de_DE.UTF-8");
    ASSERT_TRUE(InstallTranslations(EnvironmentLocale()));
    session.jobMode = JobMode::Save;
    session.compress = false;
    session.destination = "/media/card";
    CProcessingJob job;
    job.run = [this] {
        while (session.job.Poll()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        JobOutcome o;
        o.result = JobResult::Stopped;
        o.done = 2;
        o.Say("Saving stopped. %1 file(s) saved in %2.", {"2", "/media/card/Tarvolin 14.05.09"});
        return o;
    };
    test::BoxAnswerer boxes({Box::Yes, Box::Ok});
    Open(std::move(job));
    auto* pause = dlg->findChild<QPushButton*>(QStringLiteral("id1015"));
    QTest::mouseClick(pause, Qt::LeftButton);
    EXPECT_EQ(pause->text(), QStringLiteral("&Fortsetzen"));
    QTest::mouseClick(pause, Qt::LeftButton);
    EXPECT_EQ(pause->text(), Tr("&Pause"));
    QTest::mouseClick(dlg->findChild<QPushButton*>(QStringLiteral("id1016")), Qt::LeftButton);
    ASSERT_TRUE(test::WaitFor([&] { return Ended(); }));
    RemoveTranslations();
    if (lang.isNull())
        qunsetenv("LANG");
    else
        qputenv("LANG", lang);
    if (!all.isNull()) qputenv("LC_ALL", all);
    if (!messages.isNull()) qputenv("LC_MESSAGES", messages);
    ASSERT_EQ(boxes.seen.size(), 2u) << boxes.Texts().toStdString();
    EXPECT_EQ(boxes.seen[1].text, QStringLiteral("Das Speichern wurde abgebrochen\n"
                                                 "Speichern angehalten. 2 Datei(en) gespeichert in "
                                                 "/media/card/Tarvolin 14.05.09."));
}

// Next opens the medium that was picked when it was pressed: a reload served
// while the worker opens it rewrites the wizard's state, not the worker's copy.
TEST(JobEnds, NextOpensThePickedMediumWhateverAReloadWritesMeanwhile) {
    test::TempDir dir;
    const std::string image = dir / "card.img";
    test::MakePhotoImage(image);
    CSession session;
    CQtReporter reporter;
    CWizardState state;
    CDriveSources sources;
    sources.discover = test::TwoDrives;
    sources.hotplug = false;
    std::atomic<bool> rewritten{false};
    std::unique_ptr<CKestrelDlg> dlg;
    sources.refusal = [&](const std::string& path) {
        // The worker holds here while the window's thread rewrites the
        // picked medium, as a hot-plug reload does.
        RunAndWait(dlg.get(), [&] {
            state.driveId = "/dev/sdb";
            state.listedTotalSectors = 1;
            rewritten.store(true);
        });
        return SourceRefusal(path);
    };
    dlg = std::make_unique<CKestrelDlg>(session, reporter, state, sources);
    QSignalSpy listed(dlg.get(), &CKestrelDlg::DrivesListed);
    dlg->show();
    ASSERT_TRUE(test::WaitFor([&] { return listed.count() > 0; }));
    ASSERT_TRUE(dlg->PickMedium(QString::fromStdString(image)));
    test::BoxAnswerer boxes;
    QTest::mouseClick(dlg->findChild<QPushButton*>(QStringLiteral("id1")), Qt::LeftButton);
    EXPECT_TRUE(rewritten.load());
    EXPECT_TRUE(boxes.seen.empty()) << boxes.Texts().toStdString();
    EXPECT_EQ(dlg->Next(), WizardStep::FileTypes);
    ASSERT_NE(session.diskSource, nullptr);
    EXPECT_EQ(session.diskSource->GetDrive(), image);
}

}  // namespace
}  // namespace tvn::ui
