#include "optical/burner.h"

// The libraries' headers must come in this order: libburn.h opens namespace
// burn when compiled as C++, and libisoburn.h names libburn's structs
// without it, so they must be visible unqualified when it is read.
#include <stdint.h>
// clang-format off
#include <libisofs.h>
#include <libburn.h>
using namespace burn;
#include <libisoburn.h>
// clang-format on

#include <fmt/format.h>
#include <fnmatch.h>
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <climits>
#include <cstring>
#include <filesystem>
#include <functional>
#include <set>

namespace tvn {

namespace fs = std::filesystem;

const char* MediaStateName(MediaState state) {
    switch (state) {
        case MediaState::None: return "none";
        case MediaState::Blank: return "blank";
        case MediaState::Appendable: return "appendable";
        case MediaState::Full: return "full";
        case MediaState::Unsuitable: return "unsuitable";
    }
    return "none";
}

// --- the libraries, started once per process -----------------------------------

namespace {

std::mutex g_libraryMutex;
int g_libraryUsers = 0;
bool g_libraryUp = false;
std::string g_libraryError;

// The engine's message that one of its write threads has ended, and how many
// such messages were seen, by whichever burner read them from the engine's
// one queue.
constexpr int kWriteThreadEndedCode = 0x00020178;
std::atomic<uint64_t> g_writeThreadsEnded{0};
// The same for its refusal of a write while an earlier one still runs.
constexpr int kStillGoingOnCode = 0x00020102;
std::atomic<uint64_t> g_writesRefused{0};

// Starts the libraries for one more user; false (with the reason) when they
// cannot be started. Their messages are queued, never printed, and the
// burner hands them to the diagnostic console. No signal handler of the
// libraries is installed: the front ends handle their signals themselves.
bool AcquireLibraries(std::string& error) {
    std::lock_guard lock(g_libraryMutex);
    if (g_libraryUsers++ > 0) {
        error = g_libraryError;
        return g_libraryUp;
    }
    char msg[1024] = {};
    if (isoburn_initialize(msg, 0) <= 0) {
        g_libraryError = fmt::format("Cannot start the burning engine: {}", msg);
        g_libraryUp = false;
    } else if (!isoburn_is_compatible(isoburn_header_version_major, isoburn_header_version_minor,
                                      isoburn_header_version_micro, 0)) {
        g_libraryError = "The burning engine's library is older than the program was built for";
        isoburn_finish();
        g_libraryUp = false;
    } else {
        // The engine's debug messages are queued too, for the one that says
        // a write thread has ended; the console shows notes and above.
        std::string queue = "NOTE", debug = "DEBUG", print = "NEVER", burnId = "libburn: ",
                    isoId = "libisofs: ";
        burn_msgs_set_severities(debug.data(), print.data(), burnId.data());
        iso_set_msgs_severities(queue.data(), print.data(), isoId.data());
        g_libraryError.clear();
        g_libraryUp = true;
    }
    error = g_libraryError;
    return g_libraryUp;
}

void ReleaseLibraries() {
    std::lock_guard lock(g_libraryMutex);
    if (--g_libraryUsers == 0 && g_libraryUp) {
        isoburn_finish();
        g_libraryUp = false;
    }
}

uint32_t ClampBlocks(long long blocks) {
    if (blocks <= 0) return 0;
    return blocks > UINT32_MAX ? UINT32_MAX : static_cast<uint32_t>(blocks);
}

// "file# 3.JPG" -> "file# 3 (2).JPG"
std::string NumberedName(const std::string& name, int n) {
    const size_t dot = name.rfind('.');
    if (dot == std::string::npos || dot == 0) return fmt::format("{} ({})", name, n);
    return fmt::format("{} ({}){}", name.substr(0, dot), n, name.substr(dot));
}

}  // namespace

// --- what the burner holds of the libraries --------------------------------------

struct CBurner::Drive {
    burn_drive_info* infos = nullptr;
    burn_drive* drive = nullptr;
    int role = 0;  // 1: a real recorder; 2 to 5: pseudo-drives
};

struct CBurner::Image {
    IsoImage* image = nullptr;  // the drive holds the reference
    bool keepTree = false;      // ImportLastSession was asked for
    burn_disc* disc = nullptr;
    isoburn_imgen_opts* opts = nullptr;
    burn_write_opts* writeOpts = nullptr;
};

CBurner::CBurner(IReporter* console) : m_console(console) {
    m_initialized = AcquireLibraries(m_initError);
}

CBurner::~CBurner() {
    if (m_watcher.joinable()) {
        Abort();
        m_watcher.join();
    }
    DropImage();
    Release(false);
    DrainMessages();
    ReleaseLibraries();
}

void CBurner::SetConsole(IReporter* console) {
    std::lock_guard lock(m_consoleMutex);
    m_console = console;
}

void CBurner::Trace(const std::string& line) {
    std::lock_guard lock(m_consoleMutex);
    if (m_console) m_console->Console(line);
}

bool CBurner::DrainMessages() {
    if (!m_initialized) return false;
    std::lock_guard lock(m_consoleMutex);
    bool failure = false;
    const auto isFailure = [](const char* severity) {
        for (const char* s : {"SORRY", "FAILURE", "FATAL", "ABORT"}) {
            if (std::strcmp(severity, s) == 0) return true;
        }
        return false;
    };
    std::string all = "ALL";
    int code = 0;
    int osErrno = 0;
    int imageId = 0;
    std::vector<char> text(BURN_MSGS_MESSAGE_LEN + ISO_MSGS_MESSAGE_LEN);
    char severity[80] = {};
    const auto isDebug = [](const char* level) {
        return std::strcmp(level, "DEBUG") == 0 || std::strcmp(level, "UPDATE") == 0 ||
               std::strcmp(level, "ALL") == 0;
    };
    while (burn_msgs_obtain(all.data(), &code, text.data(), &osErrno, severity) > 0) {
        if (code == kWriteThreadEndedCode) g_writeThreadsEnded.fetch_add(1);
        if (code == kStillGoingOnCode) g_writesRefused.fetch_add(1);
        if (isDebug(severity)) continue;
        failure = failure || isFailure(severity);
        if (m_console) m_console->Console(fmt::format("libburn {}: {}\n", severity, text.data()));
    }
    while (iso_obtain_msgs(all.data(), &code, &imageId, text.data(), severity) > 0) {
        failure = failure || isFailure(severity);
        if (m_console) m_console->Console(fmt::format("libisofs {}: {}\n", severity, text.data()));
    }
    return failure;
}

// --- recorders ------------------------------------------------------------------

int CBurner::ScanRecorders() {
    m_recorders.clear();
    m_scanned = true;
    if (!m_initialized || m_writing.load()) return 0;
    // Scanning needs every drive released; the list is copied and freed at
    // once, so that a drive can be grabbed by its address afterwards.
    DropImage();
    Release(false);
    burn_drive_info* infos = nullptr;
    unsigned int count = 0;
    // The scan runs in the background until it answers non-zero; the
    // recorders must not be used before.
    int scanned = 0;
    for (int tries = 0; (scanned = burn_drive_scan(&infos, &count)) == 0 && tries < 6000; ++tries)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    if (scanned > 0 && infos) {
        for (unsigned int i = 0; i < count; ++i) {
            char adr[BURN_DRIVE_ADR_LEN] = {};
            if (burn_drive_get_adr(&infos[i], adr) <= 0) continue;
            std::string vendor(infos[i].vendor), product(infos[i].product);
            while (!vendor.empty() && vendor.back() == ' ') vendor.pop_back();
            while (!product.empty() && product.back() == ' ') product.pop_back();
            m_recorders.push_back({fmt::format("{} {} ({})", vendor, product, adr), adr});
        }
        burn_drive_info_free(infos);
    }
    DrainMessages();
    return static_cast<int>(m_recorders.size());
}

int CBurner::GetRecorderCount() {
    if (!m_scanned) ScanRecorders();
    return static_cast<int>(m_recorders.size());
}

std::string CBurner::GetRecorderName(int index) {
    if (index < 0 || index >= GetRecorderCount()) return {};
    return m_recorders[static_cast<size_t>(index)].name;
}

std::string CBurner::GetRecorderAddress(int index) {
    if (index < 0 || index >= GetRecorderCount()) return {};
    return m_recorders[static_cast<size_t>(index)].address;
}

bool CBurner::SelectRecorder(int index) {
    if (index < 0 || index >= GetRecorderCount()) return false;
    return SelectRecorder(m_recorders[static_cast<size_t>(index)].address);
}

bool CBurner::SelectRecorder(const std::string& address) {
    if (!m_initialized || m_writing.load()) return false;
    std::string adr = address;
    if (adr.rfind("stdio:", 0) == 0) {
        const std::string path = adr.substr(6);
        if (path.empty()) return false;
        std::error_code ec;
        const fs::path absolute = fs::absolute(path, ec);
        adr = "stdio:" + (ec ? path : absolute.lexically_normal().string());
    } else if (adr.rfind("/dev/", 0) != 0) {
        return false;
    }
    if (adr != m_address) {
        DropImage();
        Release(false);
        m_address = adr;
    }
    return true;
}

bool CBurner::IsPseudoDrive() const { return m_address.rfind("stdio:", 0) == 0; }

bool CBurner::IsReady() {
    // Asked while the user chooses: the recorder is not kept, so that its
    // tray stays free for a disc.
    // A question never pulls an open tray shut: a recorder is acquired
    // without loading it, and one with an open tray is not ready (a
    // pseudo-drive has no tray, and its image file is acquired as for a
    // write).
    const bool held = m_drive != nullptr;
    const bool ready = !m_writing.load() && Grab(IsPseudoDrive()) &&
                       burn_drive_get_status(m_drive->drive, nullptr) == BURN_DRIVE_IDLE;
    if (!held && !m_image) Release(false);
    return ready;
}

bool CBurner::Grab(bool loadTray) {
    if (m_drive) return true;
    if (!m_initialized || m_address.empty()) return false;
    auto drive = std::make_unique<Drive>();
    std::string adr = m_address;
    // bit0: load the tray. The image file of a pseudo-drive is not cut
    // short: what is written goes after the sessions already in it.
    const int r = isoburn_drive_aquire(&drive->infos, adr.data(), loadTray ? 1 : 0);
    if (r <= 0 || drive->infos == nullptr || drive->infos[0].drive == nullptr) {
        if (drive->infos) burn_drive_info_free(drive->infos);
        DrainMessages();
        return false;
    }
    drive->drive = drive->infos[0].drive;
    drive->role = burn_drive_get_drive_role(drive->drive);
    m_drive = std::move(drive);
    DrainMessages();
    return true;
}

void CBurner::Release(bool eject) {
    if (!m_drive) return;
    isoburn_drive_release(m_drive->drive, eject ? 1 : 0);
    burn_drive_info_free(m_drive->infos);
    m_drive.reset();
    DrainMessages();
}

// --- the medium ---------------------------------------------------------------------

MediaState CBurner::GetMediaState() {
    if (m_writing.load()) return MediaState::None;
    // The medium's state is read when the recorder is grabbed: grab it again
    // unless an image is being put together for it.
    if (!m_image) Release(false);
    if (!Grab()) return MediaState::None;
    switch (isoburn_disc_get_status(m_drive->drive)) {
        case BURN_DISC_BLANK: return MediaState::Blank;
        case BURN_DISC_APPENDABLE: return MediaState::Appendable;
        case BURN_DISC_FULL: return MediaState::Full;
        case BURN_DISC_UNSUITABLE: return MediaState::Unsuitable;
        default: break;
    }
    return MediaState::None;
}

bool CBurner::IsMediaPresent() { return GetMediaState() != MediaState::None; }

bool CBurner::IsMediaWritable() {
    if (m_writing.load() || !Grab()) return false;
    const auto status = isoburn_disc_get_status(m_drive->drive);
    return status == BURN_DISC_BLANK || status == BURN_DISC_APPENDABLE;
}

bool CBurner::IsUnitReady() {
    if (m_writing.load() || !Grab()) return false;
    return burn_drive_get_status(m_drive->drive, nullptr) == BURN_DRIVE_IDLE;
}

bool CBurner::LockTray() {
    // A grabbed recorder keeps its tray locked until it is released.
    return !m_writing.load() && Grab();
}

bool CBurner::UnlockTray() {
    if (m_writing.load()) return false;
    DropImage();
    Release(false);
    return true;
}

void CBurner::Eject() {
    if (m_writing.load()) return;
    DropImage();
    if (!IsPseudoDrive() && Grab()) Release(true);
    Release(false);
}

// --- the image ----------------------------------------------------------------------

void CBurner::DropImage() {
    if (!m_image) return;
    if (m_image->disc && m_drive) {
        // A built image that is not written: stop its production.
        if (!m_image->writeOpts || !m_writing.load())
            isoburn_cancel_prepared_write(m_drive->drive, nullptr, 0);
    }
    if (m_image->disc) burn_disc_free(m_image->disc);
    if (m_image->writeOpts) burn_write_opts_free(m_image->writeOpts);
    if (m_image->opts) isoburn_igopt_destroy(&m_image->opts, 0);
    m_image.reset();
    m_imageBlocks = 0;
    DrainMessages();
}

void CBurner::NewImage() {
    if (m_writing.load()) return;
    DropImage();
    m_image = std::make_unique<Image>();
}

void CBurner::SetVolumeText(std::string_view text) { m_volume = std::string(text); }

bool CBurner::ImportLastSession(int session, const std::string& discDir) {
    (void)session;  // only the last session can be taken over
    (void)discDir;  // its files stay where they are on the disc
    if (!m_image) NewImage();
    if (m_image->image) return true;
    m_image->keepTree = true;
    return AddTree("/", "", "", false, false);
}

namespace {

// The image of the disc's last session as libisoburn reads it from the
// drive (the drive keeps its own reference), or null. The image is always
// read from the medium, so that the new session is written after the old
// ones and never over them. The default read options pretend a blank
// medium: ask for the disc's names. Unless keepTree, its tree is emptied:
// the earlier sessions stay on the disc, unlisted.
IsoImage* ReadDiscImage(burn_drive* drive, bool keepTree, const std::function<void()>& drain) {
    isoburn_read_opts* ropts = nullptr;
    if (isoburn_ropt_new(&ropts, 0) <= 0) return nullptr;
    isoburn_ropt_set_extensions(ropts, isoburn_ropt_noacl | isoburn_ropt_noea);
    IsoImage* image = nullptr;
    const int r = isoburn_read_image(drive, ropts, &image);
    isoburn_ropt_destroy(&ropts, 0);
    drain();
    if (r <= 0 || image == nullptr) return nullptr;
    iso_image_unref(image);  // the drive keeps its own reference
    if (!keepTree) {
        IsoDir* root = iso_image_get_root(image);
        IsoDirIter* it = nullptr;
        if (iso_dir_get_children(root, &it) >= 0) {
            IsoNode* node = nullptr;
            while (iso_dir_iter_next(it, &node) == 1) iso_dir_iter_remove(it);
            iso_dir_iter_free(it);
        }
    }
    return image;
}

// The image's directory discDir ("\\" or "/" separated), made where
// missing; null when a part of it names a file.
IsoDir* DiscDirectory(IsoImage* image, const std::string& discDir) {
    IsoDir* dir = iso_image_get_root(image);
    std::string path = discDir;
    std::replace(path.begin(), path.end(), '\\', '/');
    for (const auto& part : fs::path(path)) {
        const std::string name = part.string();
        if (name.empty() || name == "/" || name == ".") continue;
        IsoNode* node = nullptr;
        if (iso_dir_get_node(dir, name.c_str(), &node) == 1) {
            if (iso_node_get_type(node) != LIBISO_DIR) return nullptr;
            dir = reinterpret_cast<IsoDir*>(node);
        } else if (iso_image_add_new_dir(image, dir, name.c_str(), &dir) < 0) {
            return nullptr;
        }
    }
    return dir;
}

// Puts a local folder's entries into an image directory, in name order.
struct CTreeAdder {
    IsoImage* image;
    std::string mask;
    bool recurse;
    std::function<void(const std::string&)> trace;
    bool ok = true;

    void Add(IsoDir* into, const fs::path& from) {
        const bool all = mask.empty() || mask == "*.*" || mask == "*";
        std::error_code ec;
        std::vector<fs::directory_entry> entries;
        for (const auto& e : fs::directory_iterator(from, ec)) entries.push_back(e);
        if (ec) {
            ok = false;
            return;
        }
        std::sort(entries.begin(), entries.end());
        for (const auto& e : entries) {
            const std::string name = e.path().filename().string();
            const bool isDir = e.is_directory(ec);
            if (!isDir && !all && ::fnmatch(mask.c_str(), name.c_str(), 0) != 0) continue;
            if (isDir && !recurse) continue;
            IsoNode* existing = nullptr;
            std::string target = name;
            if (iso_dir_get_node(into, name.c_str(), &existing) == 1) {
                if (isDir && iso_node_get_type(existing) == LIBISO_DIR) {
                    Add(reinterpret_cast<IsoDir*>(existing), e.path());
                    continue;
                }
                // Keep the earlier file visible: the new one takes a number.
                for (int n = 2; iso_dir_get_node(into, target.c_str(), &existing) == 1; ++n)
                    target = NumberedName(name, n);
            }
            if (isDir) {
                AddFolder(into, target, e.path());
            } else if (e.is_regular_file(ec)) {
                if (const int r = iso_tree_add_new_node(image, into, target.c_str(),
                                                        e.path().c_str(), nullptr);
                    r < 0) {
                    trace(fmt::format("Adding file {} :{}\n", e.path().string(),
                                      iso_error_to_msg(r)));
                    ok = false;
                }
            }
        }
    }

    void AddFolder(IsoDir* into, const std::string& target, const fs::path& from) {
        IsoDir* sub = nullptr;
        if (const int r = iso_image_add_new_dir(image, into, target.c_str(), &sub); r < 0) {
            trace(fmt::format("Adding folder {} :{}\n", from.string(), iso_error_to_msg(r)));
            ok = false;
            return;
        }
        Add(sub, from);
    }
};

}  // namespace

bool CBurner::AddTree(const std::string& discDir, const std::string& localFolder,
                      const std::string& mask, bool recurse, bool last) {
    (void)last;
    if (m_writing.load() || !Grab()) return false;
    if (!m_image) NewImage();
    if (!m_image->image) {
        m_image->image =
            ReadDiscImage(m_drive->drive, m_image->keepTree, [this] { DrainMessages(); });
        if (!m_image->image) return false;
    }
    if (localFolder.empty()) return true;

    IsoDir* dir = DiscDirectory(m_image->image, discDir);
    if (dir == nullptr) return false;
    CTreeAdder adder{m_image->image, mask, recurse,
                     [this](const std::string& line) { Trace(line); }, true};
    std::error_code ec;
    const fs::path absolute = fs::absolute(localFolder, ec);
    adder.Add(dir, ec ? fs::path(localFolder) : absolute.lexically_normal());
    DrainMessages();
    return adder.ok;
}

bool CBurner::BuildImage() {
    if (m_writing.load() || !m_image || !m_image->image || !m_drive) return false;
    if (m_image->disc) return true;
    if (!m_volume.empty()) iso_image_set_volume_id(m_image->image, m_volume.c_str());

    isoburn_imgen_opts* opts = nullptr;
    if (isoburn_igopt_new(&opts, 0) <= 0) return false;
    m_image->opts = opts;
    // Level 3 takes files of 4 GiB and more (archive parts come close).
    isoburn_igopt_set_level(opts, 3);
    isoburn_igopt_set_extensions(opts, isoburn_igopt_rockridge | isoburn_igopt_joliet);
    burn_disc* disc = nullptr;
    if (isoburn_prepare_disc(m_drive->drive, &disc, opts) <= 0 || disc == nullptr) {
        DrainMessages();
        return false;
    }
    m_image->disc = disc;
    m_imageBlocks = ClampBlocks(burn_disc_get_sectors(disc));

    burn_write_opts* wopts = burn_write_opts_new(m_drive->drive);
    if (wopts == nullptr) return false;
    m_image->writeOpts = wopts;
    burn_write_opts_set_perform_opc(wopts, 0);
    // Keep the disc open for later sessions. Pseudo-drives refuse the
    // option; their image files take more sessions anyway.
    if (m_drive->role == 1) burn_write_opts_set_multi(wopts, 1);
    char reasons[BURN_REASONS_LEN] = {};
    if (burn_write_opts_auto_write_type(wopts, disc, reasons, 0) == BURN_WRITE_NONE) {
        Trace(fmt::format("No write mode fits: {}\n", reasons));
        DrainMessages();
        return false;
    }
    DrainMessages();
    return true;
}

uint32_t CBurner::GetFreeSpace() {
    if (m_writing.load() || !Grab()) return 0;
    // The estimate depends on the write options: those of the built image,
    // or the recorder's defaults.
    burn_write_opts* own = nullptr;
    burn_write_opts* wopts = m_image ? m_image->writeOpts : nullptr;
    if (wopts == nullptr) {
        own = burn_write_opts_new(m_drive->drive);
        if (own == nullptr) return 0;
        if (m_drive->role == 1) burn_write_opts_set_multi(own, 1);
        wopts = own;
    }
    const off_t bytes = isoburn_disc_available_space(m_drive->drive, wopts);
    if (own) burn_write_opts_free(own);
    DrainMessages();
    return ClampBlocks(static_cast<long long>(bytes / kBurnBlockSize));
}

// --- writing ----------------------------------------------------------------------

bool CBurner::StartWrite(WriteCallback callback, void* context) {
    if (m_writing.load() || !m_image || !m_image->disc || !m_image->writeOpts || !m_drive)
        return false;
    if (m_watcher.joinable()) m_watcher.join();  // the last write's watcher has ended
    if (m_speed > 0) burn_drive_set_speed(m_drive->drive, 0, m_speed);
    char reasons[BURN_REASONS_LEN] = {};
    if (burn_precheck_write(m_image->writeOpts, m_image->disc, reasons, 0) <= 0) {
        Trace(fmt::format("The write cannot start: {}\n", reasons));
        DrainMessages();
        return false;
    }
    DrainMessages();
    m_written.store(0);
    m_writing.store(true);
    const uint64_t threadsEnded = g_writeThreadsEnded.load();
    const uint64_t refused = g_writesRefused.load();
    isoburn_disc_write(m_image->writeOpts, m_image->disc);
    // A write the engine refused (the recorder still busy with an earlier
    // one) leaves the recorder idle with an error; it must not be taken for
    // a write that went well, which would make the disc point at an
    // unfinished session. So does a write that failed at once (a device
    // that takes nothing): its thread still winds down.
    const bool idle = burn_drive_get_status(m_drive->drive, nullptr) == BURN_DRIVE_IDLE;
    if (DrainMessages() && idle) {
        if (g_writesRefused.load() == refused) WaitForWriteThread(threadsEnded);
        Trace("The write did not start\n");
        m_writing.store(false);
        DropImage();
        return false;
    }
    m_callback = std::move(callback);
    m_context = context;
    m_watcher = std::thread([this, threadsEnded] { WatchWrite(threadsEnded); });
    return true;
}

void CBurner::WatchWrite(uint64_t threadsEnded) {
    burn_drive* drive = m_drive->drive;
    burn_progress progress{};
    while (burn_drive_get_status(drive, nullptr) == BURN_DRIVE_SPAWNING)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    while (burn_drive_get_status(drive, &progress) != BURN_DRIVE_IDLE) {
        // The last progress seen stays; the engine clears it when it ends.
        if (progress.sector > 0) m_written.store(static_cast<uint32_t>(progress.sector));
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    WaitForWriteThread(threadsEnded);
    bool ok = isoburn_drive_wrote_well(drive) > 0;
    // The new session becomes the disc's last one only now; a write that
    // failed or was stopped leaves the earlier sessions as they were.
    if (ok) ok = isoburn_activate_session(drive) > 0;
    if (!ok) isoburn_cancel_prepared_write(drive, nullptr, 0);
    isoburn_sync_after_write(drive, nullptr, 0);
    if (ok) m_written.store(m_imageBlocks);

    // The image is spent: the next write needs a new one.
    burn_disc_free(m_image->disc);
    burn_write_opts_free(m_image->writeOpts);
    isoburn_igopt_destroy(&m_image->opts, 0);
    m_image.reset();

    WriteCallback callback = std::move(m_callback);
    m_callback = nullptr;
    m_writing.store(false);
    if (callback) callback(*this, ok ? kWriteSucceeded : kWriteFailed, m_context);
}

void CBurner::WaitForWriteThread(uint64_t threadsEnded) {
    // The recorder is idle before the engine's write thread has ended: after
    // a failed write it goes on for about half a second, holding the
    // recorder and the write options. Releasing the recorder, a new write or
    // shutting the engine down in that time breaks it, so a write is over
    // only when its thread has said so (or, should the message never come,
    // after a generous wait).
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    for (;;) {
        DrainMessages();
        if (g_writeThreadsEnded.load() > threadsEnded) return;
        if (std::chrono::steady_clock::now() >= giveUp) {
            Trace("The engine did not say that its write thread ended\n");
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

void CBurner::Abort() {
    if (m_writing.load() && m_drive) burn_drive_cancel(m_drive->drive);
}

}  // namespace tvn
