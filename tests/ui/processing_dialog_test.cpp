// The processing window: a whole scan of a card image, pause, stop with its
// question, the end of a job arriving while the question is open, failures
// at the job's edge, and the save mode's texts and destination.
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>
#include <filesystem>
#include <thread>

#include "tests/support/test_support.h"
#include "tests/ui/ui_test_support.h"
#include "ui/jobs.h"
#include "ui/processing_dialog.h"

namespace tvn::ui {
namespace {

using Box = QMessageBox::StandardButton;

struct ProcessingFixture : ::testing::Test {
    CSession session;
    CQtReporter reporter;
    std::atomic<int> rounds{0};
    std::atomic<bool> release{false};
    QStringList opened;
    // Last, so the window (and its worker) goes before what the job uses.
    std::unique_ptr<CProcessingDlg> dlg;

    // A job that works until it is stopped, passing the gate each round.
    CProcessingJob GateJob() {
        CProcessingJob job;
        job.run = [this] {
            JobOutcome o;
            while (session.job.Poll()) {
                ++rounds;
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
            o.result = JobResult::Stopped;
            o.done = static_cast<uint64_t>(rounds.load());
            return o;
        };
        return job;
    }
    // A job that ends, completed, once released, whatever the gate says.
    CProcessingJob ReleasedJob() {
        CProcessingJob job;
        job.run = [this] {
            while (!release.load()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
            JobOutcome o;
            o.done = 3;
            return o;
        };
        return job;
    }
    void Open(CProcessingJob job, CProcessingDlg::Clock clock = {}) {
        dlg = std::make_unique<CProcessingDlg>(session, reporter, std::move(job),
                                               QStringLiteral("Disk image #card.img"), nullptr, std::move(clock));
        dlg->SetFolderOpener([this](const QString& path) { opened << path; });
        dlg->show();
    }
    QPushButton* Button(const char* id) { return dlg->findChild<QPushButton*>(QString::fromLatin1(id)); }
    QString Text(const char* id) {
        QLabel* l = dlg->findChild<QLabel*>(QString::fromLatin1(id));
        return l ? l->text() : QStringLiteral("<missing %1>").arg(QString::fromLatin1(id));
    }
    bool Ended() { return dlg->GetState() == CProcessingDlg::State::Ended; }
};

TEST(ProcessingElapsed, HoursMinutesSecondsWrappingAfterADay) {
    EXPECT_EQ(CProcessingDlg::FormatElapsed(0), QStringLiteral("00:00:00"));
    EXPECT_EQ(CProcessingDlg::FormatElapsed(3723), QStringLiteral("01:02:03"));
    EXPECT_EQ(CProcessingDlg::FormatElapsed(86399), QStringLiteral("23:59:59"));
    EXPECT_EQ(CProcessingDlg::FormatElapsed(86400), QStringLiteral("00:00:00"));
    EXPECT_EQ(CProcessingDlg::FormatElapsed(90061), QStringLiteral("01:01:01"));
}

TEST_F(ProcessingFixture, TheClockCountsFromTheOpeningAndNamesTheJob) {
    std::time_t now = 1700000000;  // some afternoon
    Open(GateJob(), [&now] { return now; });
    std::tm local{};
    const std::time_t start = 1700000000;
    localtime_r(&start, &local);
    EXPECT_EQ(session.jobName, QString::asprintf("Tarvolin %02d.%02d.%02d", local.tm_hour, local.tm_min,
                                                 local.tm_sec).toStdString());
    EXPECT_EQ(Text("id1014"), QStringLiteral("00:00:00"));
    now += 86400 + 3600 + 5;
    dlg->Tick();
    EXPECT_EQ(Text("id1014"), QStringLiteral("01:00:05"));
}

TEST_F(ProcessingFixture, AWholeScanOfACardImageEndsInTheFoundData) {
    test::TempDir dir;
    const std::string image = dir / "card.img";
    const int placed = test::MakePhotoImage(image);
    ASSERT_GT(placed, 2);
    test::RecordingReporter quiet;
    ASSERT_TRUE(session.OpenCurrentSource(image, quiet, kDisconnectedReconnect));
    auto scan = std::make_shared<CScanJob>(*session.diskSource, session.tree, session.counters, session.job,
                                           reporter);
    ASSERT_TRUE(scan->SetTypes(std::vector<FileType>{FileType::JPG, FileType::TIF, FileType::NEF}));
    session.jobMode = JobMode::Scan;

    test::BoxAnswerer boxes;
    Open(MakeScanJob(scan));
    EXPECT_EQ(Text("id1046"), QStringLiteral("Disk image #card.img"));
    EXPECT_EQ(Text("id1009"), QStringLiteral("Scanning is in progress"));
    ASSERT_TRUE(test::WaitFor([&] { return Ended(); }));

    ASSERT_EQ(boxes.seen.size(), 1u) << boxes.Texts().toStdString();
    EXPECT_EQ(boxes.seen[0].text, QStringLiteral("Scanning Process completed Successfully."));
    EXPECT_EQ(boxes.seen[0].caption, QStringLiteral("Information"));
    EXPECT_EQ(dlg->result(), QDialog::Accepted);
    EXPECT_EQ(dlg->Outcome().result, JobResult::Completed);

    size_t files = 0;
    for (CFolderNode* f = session.tree.GetFirstFolder(); f; f = f->GetNextFolder()) files += f->GetFileCount();
    EXPECT_GE(files, static_cast<size_t>(placed));
    EXPECT_EQ(dlg->Outcome().done, files);
    EXPECT_EQ(Text("id1047"), QString::number(files));
    EXPECT_TRUE(Text("id1044").startsWith(QStringLiteral("file# "))) << Text("id1044").toStdString();
    EXPECT_EQ(Text("id1011"), QStringLiteral("100%"));
    EXPECT_EQ(dlg->findChild<QProgressBar*>(QStringLiteral("id1008"))->value(), 100);
    EXPECT_FALSE(dlg->HasWorker()) << "the worker is joined before the hand-over";
}

TEST_F(ProcessingFixture, PauseHoldsTheWorkerShowsPausedStopsTheClockAndKeepsStop) {
    std::time_t now = 1700000000;
    Open(GateJob(), [&now] { return now; });
    ASSERT_TRUE(test::WaitFor([&] { return rounds.load() > 5; }));
    const QString status = Text("id1009");
    now += 10;
    QTest::mouseClick(Button("id1015"), Qt::LeftButton);
    EXPECT_EQ(Button("id1015")->text(), QStringLiteral("&Resume"));
    EXPECT_EQ(Text("id1009"), QStringLiteral("Paused"));
    EXPECT_TRUE(Button("id1016")->isEnabled()) << "Stop stays available while paused";
    EXPECT_TRUE(session.job.IsPaused());
    test::Spin(30);
    const int held = rounds.load();
    test::Spin(60);
    EXPECT_LE(rounds.load(), held + 1) << "a paused worker waits at the gate";
    // The clock stands while paused and goes on from where it stood.
    EXPECT_EQ(Text("id1014"), QStringLiteral("00:00:10"));
    now += 100;
    test::Spin(1200);
    EXPECT_EQ(Text("id1014"), QStringLiteral("00:00:10"));

    QTest::mouseClick(Button("id1015"), Qt::LeftButton);
    EXPECT_EQ(Button("id1015")->text(), QStringLiteral("&Pause"));
    EXPECT_EQ(Text("id1009"), status);
    EXPECT_TRUE(Button("id1016")->isEnabled());
    now += 5;
    dlg->Tick();
    EXPECT_EQ(Text("id1014"), QStringLiteral("00:00:15"));
    EXPECT_TRUE(test::WaitFor([&] { return rounds.load() > held + 5; }));

    // Stop while paused asks; No leaves the job paused, Yes stops it.
    test::BoxAnswerer boxes({Box::No, Box::Yes, Box::Ok});
    QTest::mouseClick(Button("id1015"), Qt::LeftButton);
    QTest::mouseClick(Button("id1016"), Qt::LeftButton);
    ASSERT_EQ(boxes.seen.size(), 1u);
    EXPECT_EQ(dlg->GetState(), CProcessingDlg::State::Paused);
    EXPECT_TRUE(session.job.IsPaused());
    QTest::mouseClick(Button("id1016"), Qt::LeftButton);
    ASSERT_TRUE(test::WaitFor([&] { return Ended(); }));
    EXPECT_EQ(dlg->Outcome().result, JobResult::Stopped);
}

TEST_F(ProcessingFixture, StopAnsweredNoGoesOnAndYesHandsOverWithTheCatalogueKept) {
    session.tree.InsertFolder("JPG")->InsertFile("file# 1.", 10, 20, 5120);
    ++session.tree.m_ullFolderCount;
    test::BoxAnswerer boxes({Box::No, Box::Yes, Box::Ok});
    Open(GateJob());
    ASSERT_TRUE(test::WaitFor([&] { return rounds.load() > 5; }));

    QTest::mouseClick(Button("id1016"), Qt::LeftButton);
    ASSERT_EQ(boxes.seen.size(), 1u);
    EXPECT_EQ(boxes.seen[0].text, QStringLiteral("Do you want to stop the scanning process?"));
    EXPECT_EQ(boxes.seen[0].caption, QStringLiteral("Confirm"));
    EXPECT_EQ(dlg->GetState(), CProcessingDlg::State::Running);
    EXPECT_FALSE(session.job.IsPaused());
    const int after = rounds.load();
    EXPECT_TRUE(test::WaitFor([&] { return rounds.load() > after + 5; })) << "No lets the job go on";

    QTest::mouseClick(Button("id1016"), Qt::LeftButton);
    ASSERT_TRUE(test::WaitFor([&] { return Ended(); }));
    ASSERT_EQ(boxes.seen.size(), 3u) << boxes.Texts().toStdString();
    EXPECT_EQ(boxes.seen[2].text, QStringLiteral("Scanning process aborted."));
    EXPECT_EQ(dlg->result(), QDialog::Accepted);
    EXPECT_EQ(dlg->Outcome().result, JobResult::Stopped);
    EXPECT_FALSE(dlg->HasWorker());
    ASSERT_NE(session.tree.FindFolder("JPG"), nullptr);
    EXPECT_EQ(session.tree.FindFolder("JPG")->GetFileCount(), 1u);
}

TEST_F(ProcessingFixture, AnEndArrivingWhileTheQuestionIsOpenIsHandedOverOnce) {
    test::BoxAnswerer boxes({Box::No, Box::Ok});
    boxes.onBox = [this](QMessageBox& box) {
        if (!box.text().startsWith(QStringLiteral("Do you want"))) return;
        // The job ends by itself while the user reads the question.
        release.store(true);
        ASSERT_TRUE(test::WaitFor([&] { return !dlg->HasWorker(); }, 5000));
    };
    Open(ReleasedJob());
    QSignalSpy jobEnded(dlg.get(), &CProcessingDlg::JobEnded);
    QTest::mouseClick(Button("id1016"), Qt::LeftButton);
    ASSERT_TRUE(test::WaitFor([&] { return Ended(); }));
    test::Spin(50);
    EXPECT_EQ(jobEnded.count(), 1);
    ASSERT_EQ(boxes.seen.size(), 2u) << boxes.Texts().toStdString();
    EXPECT_EQ(boxes.seen[1].text, QStringLiteral("Scanning Process completed Successfully."));
    EXPECT_EQ(dlg->Outcome().result, JobResult::Completed);
}

// The end message comes from the job's outcome, not from the question: a
// job that completed while the user confirmed the stop has completed, and a
// stopped save says what it saved and where.
TEST_F(ProcessingFixture, TheEndMessageComesFromTheOutcomeNotFromTheStopQuestion) {
    {
        test::BoxAnswerer boxes({Box::Yes, Box::Ok});
        boxes.onBox = [this](QMessageBox& box) {
            if (!box.text().startsWith(QStringLiteral("Do you want"))) return;
            release.store(true);
            ASSERT_TRUE(test::WaitFor([&] { return !dlg->HasWorker(); }, 5000));
        };
        Open(ReleasedJob());
        QTest::mouseClick(Button("id1016"), Qt::LeftButton);
        ASSERT_TRUE(test::WaitFor([&] { return Ended(); }));
        ASSERT_EQ(boxes.seen.size(), 2u) << boxes.Texts().toStdString();
        EXPECT_EQ(boxes.seen[1].text, QStringLiteral("Scanning Process completed Successfully."));
        EXPECT_EQ(dlg->Outcome().result, JobResult::Completed);
    }
    {
        session.jobMode = JobMode::Save;
        session.destination = "/tmp";
        CProcessingJob job;
        job.run = [this] {
            while (session.job.Poll()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
            JobOutcome o;
            o.result = JobResult::Stopped;
            o.done = 2;
            o.message = "Saving stopped. 2 file(s) saved in /tmp/Tarvolin 14.05.09.";
            return o;
        };
        test::BoxAnswerer boxes({Box::Yes, Box::Ok});
        Open(std::move(job));
        QTest::mouseClick(Button("id1016"), Qt::LeftButton);
        ASSERT_TRUE(test::WaitFor([&] { return Ended(); }));
        ASSERT_EQ(boxes.seen.size(), 2u) << boxes.Texts().toStdString();
        EXPECT_TRUE(boxes.seen[1].text.startsWith(QStringLiteral("Saving process Aborted")));
        EXPECT_TRUE(boxes.seen[1].text.contains(QStringLiteral("2 file(s) saved in /tmp/Tarvolin 14.05.09.")))
            << boxes.Texts().toStdString();
    }
}

TEST_F(ProcessingFixture, AnExceptionOnTheWorkerBecomesAFailedOutcome) {
    CProcessingJob job;
    job.run = []() -> JobOutcome { throw std::runtime_error("the medium vanished"); };
    test::BoxAnswerer boxes;
    Open(std::move(job));
    ASSERT_TRUE(test::WaitFor([&] { return Ended(); }));
    ASSERT_EQ(boxes.seen.size(), 1u);
    EXPECT_EQ(boxes.seen[0].caption, QStringLiteral("Error"));
    EXPECT_TRUE(boxes.seen[0].text.contains(QStringLiteral("the medium vanished"))) << boxes.Texts().toStdString();
    EXPECT_EQ(dlg->Outcome().result, JobResult::Failed);
    EXPECT_EQ(dlg->result(), QDialog::Accepted);
}

TEST_F(ProcessingFixture, EscapeAsksToStopFirstAndTheCloseBoxAsksTheStopQuestion) {
    test::BoxAnswerer boxes({Box::Ok, Box::No});
    Open(GateJob());
    QTest::keyClick(dlg.get(), Qt::Key_Escape);
    ASSERT_EQ(boxes.seen.size(), 1u);
    EXPECT_EQ(boxes.seen[0].text, QStringLiteral("Please stop the current process"));
    EXPECT_EQ(boxes.seen[0].caption, QStringLiteral("Information"));
    // The close button asks the Stop question; No lets the job go on.
    dlg->close();
    ASSERT_EQ(boxes.seen.size(), 2u);
    EXPECT_EQ(boxes.seen[1].text, QStringLiteral("Do you want to stop the scanning process?"));
    EXPECT_TRUE(dlg->isVisible());
    EXPECT_EQ(dlg->GetState(), CProcessingDlg::State::Running);
    // The window goes while the job runs: the job is stopped and joined.
    dlg.reset();
    EXPECT_GT(rounds.load(), 0);
}

TEST_F(ProcessingFixture, APlainSaveOpensItsFolderAndACompressedOneTheFolderAbove) {
    test::TempDir dir;
    for (const bool compress : {false, true}) {
        session.jobMode = JobMode::Save;
        session.compress = compress;
        session.destination = dir.Path();
        opened.clear();
        release.store(true);
        test::BoxAnswerer boxes;
        Open(ReleasedJob());
        const QString folder = QString::fromStdString(dir.Path() + "/" + session.jobName);
        EXPECT_EQ(Text("id1050"), QStringLiteral("Saving Path :"));
        EXPECT_EQ(Text("id1046"), compress ? folder + QStringLiteral(".zip") : folder);
        EXPECT_EQ(Text("id1048"), QStringLiteral("No. of files saved :"));
        ASSERT_TRUE(test::WaitFor([&] { return Ended(); }));
        ASSERT_EQ(boxes.seen.size(), 1u);
        EXPECT_EQ(boxes.seen[0].text,
                  compress ? QStringLiteral("Compressed saving operation completed.\nYou would need unzip tool to "
                                            "decompress recovered archive(s).")
                           : QStringLiteral("Saving operation completed successfully"));
        EXPECT_EQ(opened, QStringList(compress ? QString::fromStdString(dir.Path()) : folder));
    }
}

TEST_F(ProcessingFixture, ARealSaveWritesTheTickedFilesAndARefusedOneIsToldOnce) {
    test::TempDir dir;
    const std::string image = dir / "card.img";
    test::MakePhotoImage(image);
    test::RecordingReporter quiet;
    ASSERT_TRUE(session.OpenCurrentSource(image, quiet, kDisconnectedReconnect));
    {
        CScanJob scan(*session.diskSource, session.tree, session.counters, session.job, quiet);
        ASSERT_TRUE(scan.SetTypes(std::vector<FileType>{FileType::JPG}));
        session.job.Reset();
        ASSERT_EQ(scan.Run().result, JobResult::Completed);
    }
    CFolderNode* jpg = session.tree.FindFolder("JPG");
    ASSERT_NE(jpg, nullptr);
    jpg->SetChecked(true);
    for (CFileNode* f = jpg->GetFirstChild(); f; f = f->GetNextFile()) f->SetChecked(true);

    const std::string out = dir / "out";
    std::filesystem::create_directory(out);
    session.jobMode = JobMode::Save;
    session.compress = false;
    session.destination = out;
    {
        test::BoxAnswerer boxes;
        Open(MakeSaveJob(session, reporter));
        ASSERT_TRUE(test::WaitFor([&] { return Ended(); }));
        ASSERT_EQ(boxes.seen.size(), 1u) << boxes.Texts().toStdString();
        EXPECT_EQ(boxes.seen[0].text, QStringLiteral("Saving operation completed successfully"));
        EXPECT_EQ(dlg->Outcome().result, JobResult::Completed);
        EXPECT_EQ(dlg->Outcome().done, jpg->GetFileCount());
        const std::string folder = out + "/" + session.jobName;
        EXPECT_EQ(opened, QStringList(QString::fromStdString(folder)));
        for (CFileNode* f = jpg->GetFirstChild(); f; f = f->GetNextFile())
            EXPECT_TRUE(std::filesystem::exists(folder + "/JPG/" + f->GetName())) << f->GetName();
    }

    // Into the image itself: refused before anything is written, with the
    // job's own message and nothing more.
    session.destination = image;
    opened.clear();
    test::BoxAnswerer boxes;
    Open(MakeSaveJob(session, reporter));
    ASSERT_TRUE(test::WaitFor([&] { return Ended(); }));
    EXPECT_EQ(dlg->Outcome().result, JobResult::Refused);
    ASSERT_EQ(boxes.seen.size(), 1u) << boxes.Texts().toStdString();
    EXPECT_EQ(boxes.seen[0].caption, QStringLiteral("Error"));
    EXPECT_TRUE(opened.isEmpty()) << "a save that did not start opens nothing";
    EXPECT_EQ(dlg->result(), QDialog::Accepted);
}

}  // namespace
}  // namespace tvn::ui
