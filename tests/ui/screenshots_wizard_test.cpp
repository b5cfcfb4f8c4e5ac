// Pictures of the wizard's first steps as a person sees them, for the README
// and the help pages: run by scripts/screenshots (TVN_SCREENSHOTS names the
// folder); skipped otherwise.
#include <QDir>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>
#include <thread>

#include "tests/support/test_support.h"
#include "tests/ui/ui_test_support.h"
#include "ui/file_selection_dialog.h"
#include "ui/main_dialog.h"
#include "ui/processing_dialog.h"
#include "ui/rescue_copy_dlg.h"

namespace tvn::ui {
namespace {

QString ShotDir() { return qEnvironmentVariable("TVN_SCREENSHOTS"); }

void Save(QWidget& w, const char* name) {
    test::Spin(150);  // let pending paints and animations settle
    const QString path = QDir(ShotDir()).filePath(QString::fromLatin1(name) + QStringLiteral(".png"));
    ASSERT_TRUE(w.grab().save(path)) << path.toStdString();
}

#define TVN_NEED_SHOTS() \
    if (ShotDir().isEmpty()) GTEST_SKIP() << "TVN_SCREENSHOTS is not set (scripts/screenshots sets it)"

DiscoveryResult ACardAndADisk() {
    DiscoveryResult r = test::TwoDrives();
    return r;
}

TEST(Screenshots, MainWindow) {
    TVN_NEED_SHOTS();
    CSession session;
    CQtReporter reporter;
    CWizardState state;
    CDriveSources sources;
    sources.discover = ACardAndADisk;
    sources.hotplug = false;
    CKestrelDlg dlg(session, reporter, state, sources);
    QSignalSpy listed(&dlg, &CKestrelDlg::DrivesListed);
    dlg.show();
    ASSERT_TRUE(test::WaitFor([&] { return listed.count() > 0; }));
    Save(dlg, "main_drives");
    QTreeWidgetItem* card = dlg.Tree()->topLevelItem(0)->child(0);
    QTest::mouseClick(dlg.Tree()->viewport(), Qt::LeftButton, {}, dlg.Tree()->StateIconRect(card).center());
    Save(dlg, "main_picked");
}

TEST(Screenshots, MainWindowWithoutDrives) {
    TVN_NEED_SHOTS();
    CSession session;
    CQtReporter reporter;
    CWizardState state;
    CDriveSources sources;
    sources.discover = [] {
        std::this_thread::sleep_for(std::chrono::milliseconds(400));
        return DiscoveryResult{};
    };
    sources.hotplug = false;
    CKestrelDlg dlg(session, reporter, state, sources);
    QSignalSpy listed(&dlg, &CKestrelDlg::DrivesListed);
    dlg.show();
    Save(dlg, "main_loading");
    ASSERT_TRUE(test::WaitFor([&] { return listed.count() > 0; }));
    Save(dlg, "main_no_drives");
}

TEST(Screenshots, FileTypes) {
    TVN_NEED_SHOTS();
    CSession session;
    CQtReporter reporter;
    CWizardState state;
    CFileSelectionDlg dlg(session, reporter, state);
    dlg.show();
    Save(dlg, "file_types");
    for (FileType t : {FileType::JPG, FileType::CR2, FileType::NEF, FileType::MP4, FileType::MOV})
        dlg.Box(t)->setChecked(true);
    QTest::mouseClick(dlg.Box(FileType::PNG), Qt::LeftButton, {}, QPoint(8, dlg.Box(FileType::PNG)->height() / 2));
    Save(dlg, "file_types_ticked");
}

TEST(Screenshots, Processing) {
    TVN_NEED_SHOTS();
    for (const JobMode mode : {JobMode::Scan, JobMode::Save}) {
        CSession session;
        CQtReporter reporter;
        session.jobMode = mode;
        session.destination = "/media/anna/BACKUP";
        CProcessingJob job;
        job.run = [&session] {
            while (session.job.Poll()) std::this_thread::sleep_for(std::chrono::milliseconds(2));
            return JobOutcome{};
        };
        std::time_t now = std::time(nullptr);
        CProcessingDlg dlg(session, reporter, std::move(job), QStringLiteral("Removable Media #/dev/sdb"), nullptr,
                           [&now] { return now; });
        dlg.show();
        now += 83;
        dlg.Tick();
        reporter.Progress(mode == JobMode::Scan ? 42 : 67);
        reporter.SetFileCounterText(mode == JobMode::Scan ? "128" : "37");
        reporter.SetLastFileText(mode == JobMode::Scan ? "file# 128.JPG" : "file# 37.CR2");
        test::Spin(500);
        Save(dlg, mode == JobMode::Scan ? "processing_scan" : "processing_save");
        session.job.Stop();
        test::BoxAnswerer boxes;
        ASSERT_TRUE(test::WaitFor([&] { return dlg.GetState() == CProcessingDlg::State::Ended; }));
    }
}

// The copy of a failing card, halfway through its first pass: a few bad
// areas, the rest still to read. The copy itself is not started.
TEST(Screenshots, RescueCopy) {
    TVN_NEED_SHOTS();
    CSession session;
    CRescueCopyDlg dlg(session, "/home/anna/card-copy.img", QStringLiteral("Removable Media #/dev/sdb"));
    ImageProgress p;
    p.size = 3904897536ULL;
    CRescueMap map(p.size);
    const uint64_t step = p.size / 200;
    for (uint64_t i = 0; i < 96; ++i) {
        const bool bad = i == 31 || i == 57 || i == 58 || i == 90;
        map.Mark(i * step, step, bad ? RescueStatus::BadSector : RescueStatus::Finished);
        if (bad) {
            ++p.badAreas;
            p.badBytes += 2 * 4096;
            p.pending += step - 2 * 4096;
        } else {
            p.rescued += step;
        }
    }
    p.position = 96 * step;
    p.currentRate = 21.5e6;
    p.readRate = 22.0e6;
    p.sinceGoodRead = 0.4;
    p.estimate = static_cast<double>(p.size - p.position) / p.readRate;
    dlg.OnProgress(p, map);
    // Drawn without being shown: showing it would start the copy.
    Save(dlg, "rescue_copy");
}

}  // namespace
}  // namespace tvn::ui
