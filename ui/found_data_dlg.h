// The found-data window: the catalogue as a folder tree and a list, with
// check boxes on every folder and file and the totals of everything and of
// what is ticked. From here the user previews a file, saves the scan info,
// starts a save or burn through the save options, goes back to the first
// step or leaves.
//
// The window ends with an Outcome the wizard acts on: Exit ends the program,
// Back returns to the first step (job mode scan), StartJob runs the job the
// save options have set in the session (job mode, destination, compress
// flag), after which the wizard opens this window again on the same
// catalogue with its marks.
#pragma once

#include <QDialog>
#include <QMessageBox>
#include <QPointer>

#include <functional>
#include <memory>

#include "app/session.h"
#include "ui/found_models.h"
#include "ui/found_selection.h"
#include "ui/list_ctrl.h"
#include "ui/save_sheet.h"
#include "ui/thumbnail_cache.h"
#include "ui/wizard_dialog.h"
#include "ui/wizard_state.h"

class QCheckBox;
class QGridLayout;
class QHBoxLayout;
class QLabel;
class QPushButton;
class QSpinBox;
class QSplitter;
class QTreeView;

namespace tvn::ui {

// A message box of the found-data window and the save options: text,
// caption, icon and buttons; returns the button pressed.
QMessageBox::StandardButton ShowDataBox(QWidget* parent, const QString& text,
                                        const QString& caption, QMessageBox::Icon icon,
                                        QMessageBox::StandardButtons buttons = QMessageBox::Ok);

// Preview limits: a double-click previews files up to 50 MiB, the menu's
// command files up to 30 MiB (both inclusive).
inline constexpr ULONGLONG kDoubleClickPreviewLimit = 0x3200000;
inline constexpr ULONGLONG kMenuPreviewLimit = 31457280;

class CFoundListView;

class CDataFoundDlg : public CWizardDialog {
    Q_OBJECT
public:
    enum class Outcome { Exit, Back, StartJob };

    explicit CDataFoundDlg(CSession& session, QWidget* parent = nullptr);
    ~CDataFoundDlg() override;

    Outcome GetOutcome() const { return m_outcome; }
    // What the wizard keeps for the session: whether the hint was shown and
    // whether the catalogue is kept in a scan info file already.
    void SetWizardState(CWizardState* state);
    // The wizard's next step: the file types after Back, the processing
    // window after Save, none after Exit.
    WizardStep Next() const;

    // What previews a file once the size and type checks have passed; by
    // default a simple picture window.
    using PreviewHandler = std::function<void(QWidget* parent, CSession&, CFileNode&)>;
    void SetPreviewHandler(PreviewHandler handler) { m_preview = std::move(handler); }
    // The recorders the save options' burn page offers (none when not set).
    void SetRecorders(IRecorderSource* recorders) { m_recorders = recorders; }
    // The recorder the burn page had chosen when Save was confirmed (-1 for
    // a save to a folder).
    int ChosenRecorder() const { return m_chosenRecorder; }

    CFoundSelection& Selection() { return m_selection; }
    CFolderTreeModel& TreeModel() { return *m_treeModel; }
    CFileListModel& ListModel() { return *m_listModel; }
    QTreeView* Tree() const { return m_tree; }
    CTXListCtrl* List() const;
    bool IsScanInfoSaved() const { return m_scanInfoSaved; }

    // Shows the contents of a folder (the root or a type folder) in the list
    // and makes it the tree's current item.
    void ShowFolder(CFolderNode* folder);
    // Toggles a node as a click on its check box in the list does.
    void ToggleInList(CDirectoryNode& node);
    // Preview of a file with the given size limit: the checks, then the
    // preview handler.
    void PreviewFile(CFileNode& file, ULONGLONG limit);
    // The "S&ave scan info" command: asks for a file and writes it; true only
    // when the file was written.
    bool SaveScanInfoAs();
    // The "&Save " command.
    void OnSave();
    // "E&xit" / the close box, and "&Back".
    void OnExit();
    void OnBack();

    // The size filter (bytes); the list and the marks follow.
    void SetMinimumSize(ULONGLONG bytes);
    void SetThumbnailsShown(bool shown);

    // The context menu of a list row, at a point of the list's viewport;
    // keyboard: the menu of the current row, without "&Preview" for a folder.
    // Returns the menu that was shown (for the tests it is run and closed at
    // once when runMenu is false).
    void ShowContextMenu(int row, const QPoint& at, bool keyboard);
    // What a double click or Enter on a list row does: a folder shows its
    // files, a file is previewed (double-click limit).
    void ActivateRow(int row);

    // Refreshes the totals texts and the Save button.
    void UpdateSelectedTotals();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    // The close box leaves as Exit does.
    void CloseRequested() override { OnExit(); }
    void showEvent(QShowEvent* event) override;

private:
    // The window's controls, built in tab order: the views, the filter row,
    // the totals, the buttons; then laid out.
    void BuildControls();
    QSplitter* BuildViews();
    QHBoxLayout* BuildFilterRow();
    QGridLayout* BuildTotals();
    void BuildButtons();
    void OnTreeMarks(CDirectoryNode* node);
    void OnListMarks(CDirectoryNode* node);
    void OnTreeCurrent(const QModelIndex& current);
    void OnListDoubleClick(const QModelIndex& index);
    void OnHeaderClicked(int section);
    // Asks "Do you want to save scan info?" when it is due; false when the
    // user stays (Cancel, or a scan info that was not written).
    bool MayLeave();
    FoundFileBytes BytesOf(const CFileNode& file) const;
    void DefaultPreview(CFileNode& file);

    CSession& m_session;
    CFoundSelection m_selection;
    CFolderTreeModel* m_treeModel = nullptr;
    CFileListModel* m_listModel = nullptr;
    std::unique_ptr<CThumbnailCache> m_thumbs;
    PreviewHandler m_preview;
    IRecorderSource* m_recorders = nullptr;
    Outcome m_outcome = Outcome::Exit;
    bool m_scanInfoSaved = false;
    bool m_infoShown = false;
    CWizardState* m_state = nullptr;
    int m_chosenRecorder = -1;

    QTreeView* m_tree = nullptr;
    CFoundListView* m_list = nullptr;
    QLabel* m_totalFolders = nullptr;
    QLabel* m_totalFiles = nullptr;
    QLabel* m_totalData = nullptr;
    QLabel* m_selFolders = nullptr;
    QLabel* m_selFiles = nullptr;
    QLabel* m_selData = nullptr;
    QSpinBox* m_minSize = nullptr;
    QCheckBox* m_thumbBox = nullptr;
    CHoverButton* m_help = nullptr;
    QPushButton* m_back = nullptr;
    QPushButton* m_save = nullptr;
    QPushButton* m_exit = nullptr;
    QPushButton* m_saveInfo = nullptr;
};

}  // namespace tvn::ui
