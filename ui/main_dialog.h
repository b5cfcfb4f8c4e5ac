// The first step of the wizard: the drives and disk images the user can
// recover from, as a tree under "My Computer" (disks with their partitions
// below them). One medium is picked at a time, by its tick box or the space
// bar; its details show in the information panel. Next opens it and goes on
// to the file types; "Open scan info" loads an earlier scan of it instead.
//
// Drive discovery runs on a worker so that the window shows at once; the list
// is loaded again on "Refresh Drives" and when disks come or go.
#pragma once

#include <QPushButton>
#include <QStyledItemDelegate>
#include <QTreeWidget>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "app/session.h"
#include "disk/drives.h"
#include "disk/source_check.h"
#include "ui/qt_reporter.h"
#include "ui/txtnd_static.h"
#include "ui/wizard_dialog.h"
#include "ui/wizard_state.h"

namespace tvn::ui {

// Where the drive list comes from: discovery (run on a worker) and whether
// hot-plug events reload it. Tests give their own records.
struct CDriveSources {
    std::function<DiscoveryResult()> discover = [] { return FindPhysicalDrives(); };
    bool hotplug = true;
    // Why a path is no medium to open (empty when it is one), asked on the
    // worker that opens it on Next.
    std::function<std::string(const std::string&)> refusal = [](const std::string& path) {
        return SourceRefusal(path);
    };
};

// The drive tree: items are 4 pixels taller than usual, and the tick box of
// an item is its state icon.
class CDriveTree : public QTreeWidget {
    Q_OBJECT
public:
    explicit CDriveTree(QWidget* parent = nullptr);
    // Where an item's tick box lies, in viewport coordinates.
    QRect StateIconRect(QTreeWidgetItem* item) const;
};

// A disk image as a drive record: media type "Disk image", its size, its
// sector count in 512-byte sectors.
CLogicalDrives ImageRecord(const std::string& path);

class CKestrelDlg : public CWizardDialog {
    Q_OBJECT
public:
    CKestrelDlg(CSession& session, CQtReporter& reporter, CWizardState& state, CDriveSources sources = {},
                QWidget* parent = nullptr);
    ~CKestrelDlg() override;

    WizardStep Next() const { return m_next; }

    // Picks the medium at path once the list is there: a listed disk or
    // partition, or a disk image, which is added to the list. False (after a
    // message) when there is nothing at path.
    bool PickMedium(const QString& path);

    // How files are chosen (scan info, images); tests answer without a dialog.
    using FileChooser = std::function<QString(QWidget*, const QString& caption, const QString& filter)>;
    void SetFileChooser(FileChooser chooser) { m_choose = std::move(chooser); }

    CDriveTree* Tree() const { return m_tree; }
    QTreeWidgetItem* PickedItem() const { return m_picked; }
    bool IsLoading() const { return m_loading; }
    // The welcome text of the information panel.
    static QString WelcomeText();

public Q_SLOTS:
    // Loads the drive list again (Refresh Drives); a pick is dropped.
    void ReloadDrives();

Q_SIGNALS:
    // The tree has been filled from a finished discovery.
    void DrivesListed();

protected:
    void showEvent(QShowEvent* event) override;
    void PaintDecorations(QPainter& painter) override;

private:
    void StartDiscovery(bool keepPick);
    void FillTree(const DiscoveryResult& result, bool keepPick);
    void OnItemChanged(QTreeWidgetItem* item, int column);
    void Pick(QTreeWidgetItem* item);
    void ApplyWantedPick();
    const CLogicalDrives* RecordOf(const QTreeWidgetItem* item, int* partition = nullptr) const;
    QString DetailsOf(const QTreeWidgetItem* item) const;
    // The identifier an item opens and its sector count as listed.
    std::string PathOf(const QTreeWidgetItem* item) const;
    DWORD ListedSectorsOf(const QTreeWidgetItem* item) const;
    // The item of a medium, by identifier (none when it is not listed).
    QTreeWidgetItem* ItemOf(const std::string& id) const;
    // Picks the medium a scan info file was made from when it is here (same
    // identifier and size); otherwise says which medium that was.
    bool PickMediumOfScanInfo(const std::string& file);
    void OnNext();
    void OnOpenScanInfo();
    void OnOpenImage();

    CSession& m_session;
    CQtReporter& m_reporter;
    CWizardState& m_state;
    CDriveSources m_sources;
    FileChooser m_choose;
    WizardStep m_next = WizardStep::Exit;

    std::vector<CLogicalDrives> m_drives;  // from discovery, in the system's order
    std::vector<CLogicalDrives> m_images;  // disk images the user opened
    QString m_wantPick;                    // picked once listed
    QTreeWidgetItem* m_picked = nullptr;
    bool m_updating = false;
    bool m_loading = false;
    bool m_listedOnce = false;
    bool m_reloadAgain = false;
    bool m_reloadKeepsPick = false;
    std::thread m_discovery;
    std::unique_ptr<CHotplugMonitor> m_hotplug;

    CDriveTree* m_tree = nullptr;
    CTXtndStatic* m_panel = nullptr;
    QPushButton* m_nextButton = nullptr;
    QPushButton* m_scanInfoButton = nullptr;
};

}  // namespace tvn::ui
