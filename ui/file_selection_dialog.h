// The second step before a scan: which file types to look for (the classic
// nineteen, and below them the more camera and phone formats). Next opens the
// picked medium afresh (a card pulled out meanwhile is caught here), empties
// the catalogue and builds the recognizer list in the fixed list order,
// whatever order the boxes were ticked in. A box below the
// types asks for exact lengths: each file measured from its own structure.
// Another has the card copied to an image first (a rescue copy) and the scan
// run on the image; Next then asks where the image goes. A scan of the medium
// that was cut off is offered to go on from its checkpoint.
#pragma once

#include <QCheckBox>
#include <QPushButton>
#include <array>
#include <functional>
#include <memory>
#include <vector>

#include "app/session.h"
#include "scan/scan_job.h"
#include "scan/type_table.h"
#include "ui/animations.h"
#include "ui/qt_reporter.h"
#include "ui/wizard_dialog.h"
#include "ui/wizard_state.h"

namespace tvn::ui {

class CFileSelectionDlg : public CWizardDialog {
    Q_OBJECT
public:
    CFileSelectionDlg(CSession& session, CQtReporter& reporter, CWizardState& state, QWidget* parent = nullptr);

    WizardStep Next() const { return m_next; }
    // The scan Next prepared, for the processing step.
    std::unique_ptr<CScanJob> TakeScanJob() { return std::move(m_scanJob); }

    // The ticked types, in list order.
    std::vector<FileType> CheckedTypes() const;
    QCheckBox* Box(FileType type) const { return m_boxes[static_cast<size_t>(type)]; }
    QPushButton* SelectAllButton() const { return m_selectAll; }
    QCheckBox* ExactLengthsBox() const { return m_exactLengths; }
    QCheckBox* CopyFirstBox() const { return m_copyFirst; }

    // How the image of a rescue copy is named; tests answer without a dialog.
    using FileChooser = std::function<QString(QWidget*, const QString& caption, const QString& filter)>;
    void SetImageChooser(FileChooser chooser) { m_chooseImage = std::move(chooser); }

protected:
    void CloseRequested() override {}  // the close box does nothing

private:
    void UpdateButtons();
    void KeepChoices();
    void OnSelectAll();
    void OnNext();
    // Next with the copy box ticked: where the image goes.
    void OnNextToCopy();

    CSession& m_session;
    CQtReporter& m_reporter;
    CWizardState& m_state;
    WizardStep m_next = WizardStep::Exit;
    std::unique_ptr<CScanJob> m_scanJob;
    bool m_selectAllState = true;  // the next click on the button ticks every box

    std::array<QCheckBox*, kTypeCount> m_boxes{};
    std::array<CTypeIcon*, kClassicTypeCount> m_icons{};
    QPushButton* m_selectAll = nullptr;
    QCheckBox* m_exactLengths = nullptr;
    QCheckBox* m_copyFirst = nullptr;
    FileChooser m_chooseImage;
    QPushButton* m_nextButton = nullptr;
};

}  // namespace tvn::ui
