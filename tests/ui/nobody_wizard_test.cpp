// The wizard of a user who may not open the card: tests/disk/udisks2_mock_test.py
// runs this test as user nobody, with a medium only root may open and the scan
// info nobody's command line made of it. The medium is opened once, through
// UDisks2; the scan info's check, the thumbnails and the preview all read
// through that one medium.
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>

#include "app/session.h"
#include "catalog/scan_info.h"
#include "disk/medium.h"
#include "preview/preview_dialog.h"
#include "tests/support/test_support.h"
#include "ui/found_data_dlg.h"

namespace tvn::ui {
namespace {

TEST(NobodyWizard, ThumbnailsAndPreviewReadTheMediumUDisks2HandedOver) {
    const char* medium = std::getenv("TVN_NOBODY_MEDIUM");
    const char* info = std::getenv("TVN_NOBODY_SCAN_INFO");
    if (medium == nullptr || info == nullptr)
        GTEST_SKIP() << "run as user nobody through the mock UDisks2 by UDisks2Mock.ScanAndSaveAsNobody";
    ASSERT_NE(::geteuid(), 0u);

    CSession session;
    CNullReporter quiet;
    ASSERT_TRUE(session.OpenCurrentSource(medium, quiet, kDisconnectedReconnect));
    ASSERT_TRUE(session.diskSource);
    EXPECT_TRUE(session.diskSource->GetMedium()->ViaUDisks2());
    session.selectedDrive = medium;
    test::RecordingReporter reporter;
    // The scan info's check reads the listed files' first sectors through it.
    // The source's own name, which the load may replace along with the source.
    ASSERT_TRUE(LoadScanInfo(session, info, session.diskSource->GetDrive(),
                             static_cast<DWORD>(session.diskSource->GetTotalSectors()), reporter));
    session.jobMode = JobMode::Save;

    CDataFoundDlg dlg(session);
    dlg.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dlg));
    dlg.SetThumbnailsShown(true);
    CFolderNode* jpegs = session.tree.FindFolder("JPG");
    ASSERT_NE(jpegs, nullptr);
    dlg.ShowFolder(jpegs);
    ASSERT_GT(dlg.ListModel().rowCount(), 0);
    const QModelIndex first = dlg.ListModel().index(0, 0);
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return dlg.ListModel().data(first, Qt::DecorationRole).userType() == QMetaType::QPixmap; },
        20000))
        << "no thumbnail as nobody";

    // The preview of a photo that decodes (the sample card holds damaged ones too).
    bool previewed = false;
    for (CFileNode* file = jpegs->GetFirstChild(); file != nullptr && !previewed; file = file->GetNextFile()) {
        if (file->GetLength() == CFileNode::Length::MayBeIncomplete) continue;
        preview::CGeneratePreviewDlg gen(session, *file);
        ASSERT_TRUE(gen.Prepare());
        QSignalSpy done(&gen, &QDialog::accepted);
        gen.show();
        ASSERT_TRUE(done.wait(30000));
        preview::PreviewResult r = gen.TakeResult();
        EXPECT_TRUE(r.messages.empty());
        previewed = !r.image.isNull();
        if (!r.copy.path.empty()) WipeFile(r.copy.path);
    }
    EXPECT_TRUE(previewed) << "no JPEG previewed as nobody";
    dlg.SetThumbnailsShown(false);
}

}  // namespace
}  // namespace tvn::ui
