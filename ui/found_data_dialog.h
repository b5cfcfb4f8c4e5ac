// The found data: what the scan (or a loaded scan info file) put into the
// catalogue. For now the window lists the folders with their file counts and
// lets the user go back to the first step or leave.
#pragma once

#include "app/session.h"
#include "ui/wizard_dialog.h"
#include "ui/wizard_state.h"

namespace tvn::ui {

class CFoundDataDlg : public CWizardDialog {
    Q_OBJECT
public:
    CFoundDataDlg(CSession& session, CWizardState& state, QWidget* parent = nullptr);
    // Where the wizard goes after this window.
    WizardStep Next() const { return m_next; }
    // The counts shown, one line per folder and a line of totals.
    QString SummaryText() const;

private:
    CSession& m_session;
    CWizardState& m_state;
    WizardStep m_next = WizardStep::Exit;
};

}  // namespace tvn::ui
