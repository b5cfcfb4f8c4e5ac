// The save options: where the ticked files go. Two pages: a folder on a drive
// of this computer, or a CD/DVD (through a cache folder); each may pack the
// files into zip archives. The page that is shown when the user presses OK
// decides the job, from its own controls only: it writes the job mode, the
// destination (for a burn, the cache folder) and the compress flag into the
// session, and the wizard then runs the job.
#pragma once

#include <QComboBox>
#include <QDialog>
#include <QWidget>

#include <functional>
#include <string>
#include <vector>

#include "app/session.h"
#include "disk/drives.h"
#include "output/room.h"

class QCheckBox;
class QDialogButtonBox;
class QLabel;
class QPushButton;
class QTabWidget;

namespace tvn::ui {

// The disc recorders the burn page offers: the four operations it needs of
// the burning engine, and what it tells the user when there are none.
class IRecorderSource {
public:
    virtual ~IRecorderSource() = default;
    virtual int Count() = 0;
    virtual std::string Name(int index) = 0;
    // False when the recorder cannot be used.
    virtual bool Select(int index) = 0;
    // Whether a burn can start on the selected recorder.
    virtual bool IsReady() = 0;
    // Why no recorder is offered (shown when Count is 0).
    virtual std::string Unavailable() { return {}; }
    // Adds a recorder that writes a disc image into the file at path and
    // returns its index, or -1 when this engine cannot.
    virtual int AddImageFile(const std::string& /*path*/) { return -1; }
    // The room left on the disc in the selected recorder, in bytes; nothing
    // when it cannot be told. Waits on the drive: asked on a worker.
    virtual std::optional<uint64_t> FreeBytes() { return std::nullopt; }
};

// The places a save can go, for the medium being recovered.
using DestinationLister = std::function<std::vector<CDestination>(const std::string& source)>;
// Mounted, writable file systems and the home folder.
std::vector<CDestination> DefaultDestinations(const std::string& source);

// Whether a folder lies where the files are being recovered from: on the
// medium itself (the jobs refuse it: onSource), or beside or below the image
// file being recovered (only warned about).
struct DestinationCheck {
    bool warn = false;
    bool onSource = false;
    std::string why;
};
DestinationCheck CheckDestination(const std::string& folder, const std::string& source);

inline constexpr const char* kDisclaimerText =
    "Please ensure that you are not saving data to \nthe same location from where you are "
    "recovering.\nSaving data to the same location would result in \npermanent data loss.";

// A list of places (local page's drives, burn page's cache) with "Other
// folder..." as its last entry, which asks for a folder.
class CPlaceCombo : public QComboBox {
public:
    CPlaceCombo(const std::vector<CDestination>& places, std::string source, QWidget* parent);

    bool HasPlaces() const { return !m_places.empty(); }
    // The chosen folder, or empty.
    std::string Path() const;
    DestinationCheck Check() const { return CheckDestination(Path(), m_source); }
    // Adds a folder (as "Other folder..." does) and chooses it.
    void AddFolder(const std::string& path);
    // Shows the "Disclaimer" warning when the chosen folder lies where the
    // files come from and it was not shown for that folder yet; returns
    // whether the choice may be confirmed (not on the medium itself).
    bool WarnIfNeeded(QWidget* parent);
    // The free room at each place: the listed places' as given, a folder
    // added later asked through query (on a worker).
    void SetFreeSpace(FreeSpaceQuery query, std::vector<std::optional<uint64_t>> listed);
    // The free room at the chosen folder, when known.
    std::optional<uint64_t> FreeBytes() const;

    std::function<void()> onChange;

private:
    void Append(const CDestination& place);
    void ShowFreeSpace(int index);
    void OnActivated(int index);
    void Chosen(int index);

    std::vector<CDestination> m_places;
    std::string m_source;
    std::string m_warned;
    int m_last = -1;
    FreeSpaceQuery m_query;
    std::vector<std::optional<uint64_t>> m_free;  // beside m_places
};

// Where the ticked files take room: the chosen folder, the cache folder of a
// burn, the disc.
enum class RoomPlace { Folder, Cache, Disc };
struct PlaceRoom {
    RoomPlace place;
    RoomCheck room;
};
// The line under a place that says whether the selection fits there, in grey
// when it does and in red when it does not; hidden while the room is not known.
void ShowRoom(QLabel* line, const PlaceRoom& room);
// The warning when the files do not fit there (empty when they do).
QString RoomWarning(const PlaceRoom& room);

class CLocalSaveDataPage : public QWidget {
    Q_OBJECT
public:
    CLocalSaveDataPage(const std::vector<CDestination>& places, const std::string& source,
                       QWidget* parent = nullptr);
    QComboBox* Combo() const;
    QCheckBox* Compress() const { return m_compress; }
    CPlaceCombo* Places() const { return m_places; }
    bool CanConfirm() const;
    // How the files are laid out in the job folder.
    QCheckBox* OriginalNames() const { return m_names; }
    QCheckBox* ByDate() const { return m_byDate; }
    QCheckBox* SkipDuplicates() const { return m_skipDuplicates; }
    // The free room at the chosen folder against the selection.
    QLabel* Room() const { return m_room; }

Q_SIGNALS:
    void stateChanged();

private:
    CPlaceCombo* m_places = nullptr;
    QCheckBox* m_compress = nullptr;
    QCheckBox* m_names = nullptr;
    QCheckBox* m_byDate = nullptr;
    QCheckBox* m_skipDuplicates = nullptr;
    QLabel* m_room = nullptr;
};

class CBurnDataPage : public QWidget {
    Q_OBJECT
public:
    CBurnDataPage(IRecorderSource* recorders, const std::vector<CDestination>& places,
                  const std::string& source, QWidget* parent = nullptr);
    QComboBox* Recorders() const { return m_recorderBox; }
    QComboBox* Cache() const;
    CPlaceCombo* Places() const { return m_places; }
    QCheckBox* Compress() const { return m_compress; }
    QLabel* Note() const { return m_note; }
    // The page became the shown one: the recorders are looked for the first
    // time it is shown (on a worker: the search may take up to a minute),
    // and the first recorder is selected again.
    void Activate();
    bool CanConfirm() const { return m_ready; }
    int Recorder() const;
    // The room left on the disc and at the cache folder against the selection.
    QLabel* DiscRoom() const { return m_discRoom; }
    QLabel* CacheRoom() const { return m_cacheRoom; }
    std::optional<uint64_t> DiscFreeBytes() const { return m_discFree; }

Q_SIGNALS:
    void stateChanged();

private:
    void Fill();
    void OnRecorder(int index);

    IRecorderSource* m_recorders;
    QComboBox* m_recorderBox = nullptr;
    QPushButton* m_imageButton = nullptr;
    CPlaceCombo* m_places = nullptr;
    QCheckBox* m_compress = nullptr;
    QLabel* m_note = nullptr;
    QLabel* m_discRoom = nullptr;
    QLabel* m_cacheRoom = nullptr;
    std::optional<uint64_t> m_discFree;
    bool m_ready = false;
    bool m_filling = false;
    bool m_filled = false;  // the recorders have been looked for
};

class CSavePropertySheet : public QDialog {
    Q_OBJECT
public:
    CSavePropertySheet(CSession& session, IRecorderSource* recorders, QWidget* parent = nullptr,
                       DestinationLister lister = DefaultDestinations,
                       FreeSpaceQuery freeSpace = FreeBytesAt);

    CLocalSaveDataPage* LocalPage() const { return m_local; }
    CBurnDataPage* BurnPage() const { return m_burn; }
    QTabWidget* Tabs() const { return m_tabs; }
    QPushButton* OkButton() const;
    // The recorder chosen on the burn page when it confirmed (-1 otherwise).
    int ChosenRecorder() const { return m_recorder; }
    // Whether the selection fits where the shown page would put it: at the
    // folder, or for a burn on the disc and in the cache folder.
    std::vector<PlaceRoom> RoomChecks() const;

    void accept() override;

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void UpdateOk();
    void UpdateRoom();
    // Grows the window where its texts need more room (a larger font, a
    // longer translation, a wrapped line); never shrinks it.
    void FitTexts();
    void Help();

    CSession& m_session;
    std::string m_source;
    QTabWidget* m_tabs = nullptr;
    CLocalSaveDataPage* m_local = nullptr;
    CBurnDataPage* m_burn = nullptr;
    QDialogButtonBox* m_buttons = nullptr;
    int m_recorder = -1;
    SelectionSize m_selection;
};

}  // namespace tvn::ui
