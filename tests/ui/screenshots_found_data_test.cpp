// Pictures of the found_data window and the two pages of the save options,
// filled as after a scan of a camera card, into $TVN_SCREENSHOTS.
#include <gtest/gtest.h>

#include <QDir>
#include <QTabWidget>
#include <QTest>

#include "tests/ui/found_test_support.h"
#include "ui/found_data_dlg.h"
#include "ui/save_sheet.h"

namespace tvn::ui {
namespace {

QString ShotDir() { return qEnvironmentVariable("TVN_SCREENSHOTS"); }

void Grab(QWidget& w, const QString& name) {
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    QTest::qWait(50);
    ASSERT_TRUE(w.grab().save(QDir(ShotDir()).filePath(name + QStringLiteral(".png"))));
}

void FillCard(CSession& session) {
    unsigned n = 1;
    for (ULONGLONG size : {2457600ULL, 3145728ULL, 1887436ULL, 2621440ULL, 4194304ULL, 2359296ULL,
                           1572864ULL, 3670016ULL}) {
        CFileNode* f = test::AddFound(session, "JPG", n++, size);
        // One photo measured with exact lengths whose structure broke off.
        if (n == 5) f->SetLength(CFileNode::Length::MayBeIncomplete);
    }
    test::AddFound(session, "CR2", n++, 25165824ULL);
    test::AddFound(session, "CR2", n++, 24117248ULL);
    test::AddFound(session, "MP3", 1, 5242880ULL);
    test::AddFound(session, "MOV", 1, 73400320ULL);
    test::AddFound(session, "PNG", 1, 183500ULL);
}

class TwoRecorders : public IRecorderSource {
public:
    int Count() override { return 2; }
    std::string Name(int i) override { return i == 0 ? "/dev/sr0  HL-DT-ST DVDRAM GH24NSD1" : "Disc image file /home/me/Tarvolin.iso"; }
    bool Select(int) override { return true; }
    bool IsReady() override { return true; }
    std::optional<uint64_t> FreeBytes() override { return uint64_t{4'700'000'000}; }  // a blank DVD
};

// The free room the pictures show: a roomy stick, a home folder and a card
// that is nearly full.
std::optional<uint64_t> MadeUpFreeSpace(const std::string& path) {
    if (path == "/media/me/BACKUP") return uint64_t{7'400'000'000};
    if (path == "/home/me") return uint64_t{126'000'000'000};
    if (path == "/media/me/SMALL") return uint64_t{32'000'000};
    return std::nullopt;
}

TEST(Screenshots, FoundDataAndSaveOptions) {
    if (ShotDir().isEmpty()) GTEST_SKIP() << "TVN_SCREENSHOTS is not set";
    CSession session;
    session.jobMode = JobMode::Save;
    FillCard(session);

    CDataFoundDlg dlg(session);
    dlg.ShowFolder(session.tree.FindFolder("JPG"));
    for (int row : {0, 2, 3, 5}) dlg.ToggleInList(*dlg.ListModel().NodeAt(row));
    dlg.ToggleInList(*session.tree.FindFolder("CR2"));
    Grab(dlg, QStringLiteral("found_data"));

    test::ModalAnswerer quiet;
    CSavePropertySheet local(session, nullptr, nullptr, [](const std::string&) {
        CDestination usb;
        usb.m_strPath = "/media/me/BACKUP";
        usb.m_strLabel = "BACKUP";
        usb.m_strText = "/media/me/BACKUP [BACKUP]";
        CDestination home;
        home.m_strPath = "/home/me";
        home.m_strLabel = "Home";
        home.m_strText = "/home/me [Home]";
        return std::vector<CDestination>{usb, home};
    }, MadeUpFreeSpace);
    Grab(local, QStringLiteral("save_options_local"));

    CSavePropertySheet full(session, nullptr, nullptr, [](const std::string&) {
        CDestination small;
        small.m_strPath = "/media/me/SMALL";
        small.m_strLabel = "SMALL";
        small.m_strText = "/media/me/SMALL [SMALL]";
        return std::vector<CDestination>{small};
    }, MadeUpFreeSpace);
    Grab(full, QStringLiteral("save_options_local_full"));

    TwoRecorders recorders;
    CSavePropertySheet burn(session, &recorders, nullptr, [](const std::string&) {
        CDestination home;
        home.m_strPath = "/home/me";
        home.m_strLabel = "Home";
        home.m_strText = "/home/me [Home]";
        return std::vector<CDestination>{home};
    }, MadeUpFreeSpace);
    burn.Tabs()->setCurrentIndex(1);
    Grab(burn, QStringLiteral("save_options_burn"));

    CSavePropertySheet none(session, nullptr, nullptr, DefaultDestinations);
    none.Tabs()->setCurrentIndex(1);
    Grab(none, QStringLiteral("save_options_burn_none"));
}

}  // namespace
}  // namespace tvn::ui
