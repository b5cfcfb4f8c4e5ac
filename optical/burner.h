// The burner: builds an ISO 9660 image (Rock Ridge and Joliet names) of a
// folder tree and writes it as a new session to a CD/DVD recorder, keeping
// the sessions already on the disc. It sits on libisoburn, which drives
// libisofs (the image) and libburn (the recorder).
//
// Recorders are the optical drives the system reports (/dev/sr0, ...) and
// "stdio:PATH" pseudo-drives, which write an ISO image file at PATH (its
// folder must exist); the image file takes sessions as a disc does.
//
// Sizes are counted in blocks of 2,048 bytes.
//
// One thread uses a burner at a time (the burn job's worker or the wizard's
// thread). After StartWrite the write runs on the engine's own threads; the
// completion callback is called once, on a thread of the burner's own, and
// GetWrittenSize and Abort may be called meanwhile.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "app/report.h"

namespace tvn {

// What a recorder holds.
enum class MediaState {
    None,        // no disc, no recorder at that address, or not readable
    Blank,       // a blank disc (or an empty or missing image file)
    Appendable,  // a disc with sessions that takes another one
    Full,        // a closed disc, or data that is not an ISO image
    Unsuitable,  // a disc the recorder cannot write
};
const char* MediaStateName(MediaState state);

inline constexpr uint32_t kBurnBlockSize = 2048;

// Status byte of the completion callback.
inline constexpr uint8_t kWriteSucceeded = 0;
inline constexpr uint8_t kWriteFailed = 1;

class CBurner {
public:
    // Called once when a write ends: the burner, the status byte
    // (kWriteSucceeded or kWriteFailed, also after Abort) and the context
    // given to StartWrite. Runs on the burner's watcher thread.
    using WriteCallback = std::function<void(CBurner& burner, uint8_t status, void* context)>;

    // Starts the libraries (once per process, however many burners exist).
    // The libraries' messages go to console's diagnostic console (none when
    // null); the reporter must outlive the burner or be replaced first.
    explicit CBurner(IReporter* console = nullptr);
    ~CBurner();
    CBurner(const CBurner&) = delete;
    CBurner& operator=(const CBurner&) = delete;

    // False when the libraries could not be started; every operation then
    // fails. GetInitError tells why.
    bool IsInitialized() const { return m_initialized; }
    const std::string& GetInitError() const { return m_initError; }
    void SetConsole(IReporter* console);

    // --- recorders ---
    // Asks the system for its optical recorders again (releases the selected
    // one for that); returns how many there are.
    int ScanRecorders();
    // The recorders of the last scan (scanning once when none was made).
    int GetRecorderCount();
    // "VENDOR PRODUCT (/dev/sr0)"; empty for an index out of range.
    std::string GetRecorderName(int index);
    // The address to select it by ("/dev/sr0").
    std::string GetRecorderAddress(int index);
    // Selects recorder index of the last scan; false when it cannot be used.
    bool SelectRecorder(int index);
    // Selects a recorder by address: a device ("/dev/sr0") or "stdio:PATH".
    // False when the address is neither (the recorder itself is first asked
    // for by the checks below).
    bool SelectRecorder(const std::string& address);
    const std::string& GetSelectedAddress() const { return m_address; }
    bool IsPseudoDrive() const;
    // A job can start on the selected recorder: it exists and answers. The
    // recorder is not kept grabbed by the question.
    bool IsReady();

    // --- the medium ---
    // IsMediaPresent and GetMediaState grab the recorder afresh (its medium
    // is read then) and keep it; the other checks ask the recorder as held.
    // Release it with UnlockTray or Eject.
    bool IsMediaPresent();
    bool IsMediaWritable();  // blank or appendable
    bool IsUnitReady();      // the recorder answers and is not busy
    MediaState GetMediaState();
    bool LockTray();         // the tray stays closed until UnlockTray
    bool UnlockTray();       // releases the recorder, leaving the disc in
    void Eject();            // releases the recorder and ejects the disc

    // --- the image ---
    // Forgets any image begun before; the next session starts empty unless
    // ImportLastSession is called.
    void NewImage();
    void SetVolumeText(std::string_view text);
    // Takes the files of the disc's last session (session 0 means the last
    // one; no other is offered) into the image under discDir, so that the
    // new session keeps them. No-op on a blank disc. False when the disc
    // holds a session that could not be read.
    bool ImportLastSession(int session, const std::string& discDir);
    // Puts the entries of localFolder that match mask ("*.*" and "*" match
    // every name) under discDir in the image, subfolders with their contents
    // when recurse is set. A name that is already taken (by an earlier
    // session's file) gets " (2)", " (3)", ... before its extension, so
    // nothing on the disc is hidden. last is accepted for the callers' sake:
    // the tree is complete when BuildImage is called.
    bool AddTree(const std::string& discDir, const std::string& localFolder,
                 const std::string& mask, bool recurse, bool last);
    // Lays the image out for writing to the selected recorder.
    bool BuildImage();
    uint32_t GetImageSize() const { return m_imageBlocks; }
    // Free room on the medium, in blocks.
    uint32_t GetFreeSpace();

    // --- writing ---
    // Limits the write speed in kB/s (0: the recorder's best). Also slows
    // pseudo-drives down.
    void SetWriteSpeed(int kilobytesPerSecond) { m_speed = kilobytesPerSecond; }
    // Starts writing the built image; false (and no callback) when the write
    // could not start. The image's files are read until the callback.
    bool StartWrite(WriteCallback callback, void* context);
    // Blocks of the image written so far.
    uint32_t GetWrittenSize() const { return m_written.load(); }
    // Asks the engine to stop writing; the callback follows with
    // kWriteFailed. The disc's earlier sessions stay readable.
    void Abort();
    bool IsWriting() const { return m_writing.load(); }

private:
    struct Drive;
    struct Image;

    // (Re)acquires the selected recorder; loadTray pulls an open tray shut,
    // otherwise a recorder with its tray open is not acquired.
    bool Grab(bool loadTray = true);
    void Release(bool eject);
    // Hands the libraries' messages to the console; true when one of them
    // tells of a failure.
    bool DrainMessages();
    void Trace(const std::string& line);
    void WatchWrite(uint64_t threadsEnded);
    // Returns once the engine has ended a write thread since threadsEnded
    // were counted.
    void WaitForWriteThread(uint64_t threadsEnded);
    void DropImage();

    bool m_initialized = false;
    std::string m_initError;
    std::mutex m_consoleMutex;
    IReporter* m_console = nullptr;

    struct RecorderInfo {
        std::string name;
        std::string address;
    };
    std::vector<RecorderInfo> m_recorders;
    bool m_scanned = false;

    std::string m_address;  // the selected recorder
    std::unique_ptr<Drive> m_drive;
    std::unique_ptr<Image> m_image;
    std::string m_volume;
    uint32_t m_imageBlocks = 0;
    int m_speed = 0;

    std::thread m_watcher;
    WriteCallback m_callback;
    void* m_context = nullptr;
    std::atomic<uint32_t> m_written{0};
    std::atomic<bool> m_writing{false};
};

}  // namespace tvn
