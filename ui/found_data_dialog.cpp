#include "ui/found_data_dialog.h"

#include <QLabel>

#include "ui/txtnd_static.h"

namespace tvn::ui {

CFoundDataDlg::CFoundDataDlg(CSession& session, CWizardState& state, QWidget* parent)
    : CWizardDialog(parent, QStringLiteral("tvnfounddata.htm")), m_session(session), m_state(state) {
    setObjectName(QStringLiteral("CFoundDataDlg"));
    auto* heading = new CTXtndStatic(QStringLiteral("Found data"), this);
    heading->setObjectName(QStringLiteral("idFoundHeading"));
    QFont f(QStringLiteral("Arial"));
    f.setPixelSize(22);
    f.setBold(true);
    heading->SetFontDescription(f);
    heading->setGeometry(20, 10, 580, 30);
    auto* summary = new CTXtndStatic(SummaryText(), this);
    summary->setObjectName(QStringLiteral("idFoundSummary"));
    summary->setGeometry(20, 56, 580, 360);

    AddHelpButton("id1004", QPoint(20, 430));
    auto* back = AddButton("id1051", QStringLiteral("&Back"), QStringLiteral(":/art/back.svg"),
                           QRect(380, 431, 100, 35));
    auto* exit = AddButton("id2", QStringLiteral("E&xit"), QStringLiteral(":/art/exit.svg"),
                           QRect(490, 431, 100, 35));
    connect(back, &QPushButton::clicked, this, [this] {
        m_next = WizardStep::Main;
        accept();
    });
    connect(exit, &QPushButton::clicked, this, [this] {
        m_next = WizardStep::Exit;
        reject();
    });
}

QString CFoundDataDlg::SummaryText() const {
    QString text;
    unsigned long long files = 0;
    for (CFolderNode* folder = m_session.tree.GetFirstFolder(); folder != nullptr;
         folder = folder->GetNextFolder()) {
        const auto n = static_cast<unsigned long long>(folder->GetFileCount());
        files += n;
        text += QStringLiteral("%1\t%2 files\n").arg(QString::fromStdString(folder->GetName())).arg(n);
    }
    text += QStringLiteral("\n%1 files in %2 folders, %3 bytes found on %4")
                .arg(files)
                .arg(static_cast<unsigned long long>(m_session.tree.m_ullFolderCount.load()))
                .arg(static_cast<unsigned long long>(m_session.tree.m_ullFoundBytes.load()))
                .arg(m_state.sourceDescription);
    return text;
}

}  // namespace tvn::ui
