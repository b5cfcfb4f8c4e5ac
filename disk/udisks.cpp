#include <fcntl.h>
#include <fmt/format.h>
#include <grp.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <systemd/sd-bus.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "disk/drives.h"
#include "disk/raw_access.h"

namespace tvn {

namespace {

constexpr const char* kService = "org.freedesktop.UDisks2";
constexpr const char* kBlock = "org.freedesktop.UDisks2.Block";
// The user may need to type a password; give him time, but not forever.
constexpr uint64_t kAuthTimeoutUsec = 180ULL * 1000 * 1000;
constexpr uint64_t kQuickTimeoutUsec = 2ULL * 1000 * 1000;

struct BusCloser {
    void operator()(sd_bus* b) const { sd_bus_flush_close_unref(b); }
};
using Bus = std::unique_ptr<sd_bus, BusCloser>;

struct Reply {
    sd_bus_message* m = nullptr;
    sd_bus_error error{};  // SD_BUS_ERROR_NULL, without its C compound literal
    ~Reply() {
        sd_bus_message_unref(m);
        sd_bus_error_free(&error);
    }
    // The service's own words, or the system's for a failure of the bus.
    std::string Why(int r) const {
        if (sd_bus_error_is_set(&error) && error.message != nullptr) return error.message;
        return std::strerror(-r);
    }
};

Bus OpenSystemBus(std::string& why) {
    sd_bus* bus = nullptr;
    // sd-bus honours $DBUS_SYSTEM_BUS_ADDRESS.
    const int r = sd_bus_open_system(&bus);
    if (r < 0) {
        why = fmt::format("The system bus cannot be reached: {}", std::strerror(-r));
        return {};
    }
    // polkit may then ask the user for a password instead of refusing.
    sd_bus_set_allow_interactive_authorization(bus, 1);
    return Bus(bus);
}

// The descriptor of a reply, made our own (the reply's is closed with it).
int TakeFd(sd_bus_message* m) {
    int fd = -1;
    if (sd_bus_message_read(m, "h", &fd) < 0 || fd < 0) return -1;
    return ::fcntl(fd, F_DUPFD_CLOEXEC, 3);
}

// The block object of a device path: asked of UDisks2, or formed from the
// kernel name where the service is too old to answer.
std::string ResolveObject(sd_bus* bus, const std::string& path) {
    Reply reply;
    const int r = sd_bus_call_method(bus, kService, "/org/freedesktop/UDisks2/Manager",
                                     "org.freedesktop.UDisks2.Manager", "ResolveDevice", &reply.error,
                                     &reply.m, "a{sv}a{sv}", 1, "path", "s", path.c_str(), 0);
    if (r >= 0) {
        const char* object = nullptr;
        if (sd_bus_message_enter_container(reply.m, 'a', "o") > 0 &&
            sd_bus_message_read(reply.m, "o", &object) > 0 && object != nullptr)
            return object;
        return {};  // UDisks2 does not know the path
    }
    if (sd_bus_error_has_name(&reply.error, SD_BUS_ERROR_UNKNOWN_METHOD)) return UDisks2ObjectPathFor(path);
    return {};
}

}  // namespace

std::string UDisks2ObjectPathFor(const std::string& devicePath) {
    char* resolved = ::realpath(devicePath.c_str(), nullptr);
    std::string real = resolved ? resolved : devicePath;
    std::free(resolved);
    const size_t slash = real.rfind('/');
    const std::string name = slash == std::string::npos ? real : real.substr(slash + 1);
    std::string out = "/org/freedesktop/UDisks2/block_devices/";
    for (const char ch : name) {
        const auto c = static_cast<unsigned char>(ch);
        if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'))
            out += static_cast<char>(c);
        else
            out += fmt::format("_{:02x}", c);
    }
    return out;
}

RawOpenResult OpenThroughUDisks2(const std::string& path, bool wantDirect) {
    RawOpenResult res;
    res.error = EACCES;
    std::string why;
    Bus bus = OpenSystemBus(why);
    if (!bus) {
        res.detail = why;
        return res;
    }
    const std::string object = ResolveObject(bus.get(), path);
    if (object.empty()) {
        res.detail = fmt::format("UDisks2 does not know {}.", path);
        return res;
    }
    Reply reply;
    sd_bus_message* call = nullptr;
    int r = sd_bus_message_new_method_call(bus.get(), &call, kService, object.c_str(), kBlock, "OpenForBackup");
    if (r >= 0) r = sd_bus_message_append(call, "a{sv}", 0);
    if (r >= 0) r = sd_bus_call(bus.get(), call, kAuthTimeoutUsec, &reply.error, &reply.m);
    sd_bus_message_unref(call);
    if (r < 0) {
        res.detail = fmt::format("UDisks2 did not open {}: {}", path, reply.Why(r));
        if (sd_bus_error_has_name(&reply.error, "org.freedesktop.UDisks2.Error.NotAuthorized") ||
            sd_bus_error_has_name(&reply.error, "org.freedesktop.UDisks2.Error.NotAuthorizedCanObtain") ||
            sd_bus_error_has_name(&reply.error, "org.freedesktop.UDisks2.Error.NotAuthorizedDismissed"))
            res.detail = fmt::format("Access to {} was not granted: {}", path, reply.Why(r));
        return res;
    }
    res.fd = TakeFd(reply.m);
    if (res.fd < 0) {
        res.error = errno ? errno : EIO;
        res.detail = fmt::format("UDisks2 sent no usable descriptor for {}.", path);
        return res;
    }
    res.error = 0;
    res.viaUDisks2 = true;

    struct stat st {};
    if (wantDirect && ::fstat(res.fd, &st) == 0 && S_ISBLK(st.st_mode)) {
        // A second file for direct reads. Refused or unknown (UDisks2 before
        // 2.7.3): the reads then go through the page cache.
        Reply direct;
        if (sd_bus_call_method(bus.get(), kService, object.c_str(), kBlock, "OpenDevice", &direct.error,
                               &direct.m, "sa{sv}", "r", 1, "flags", "i", O_DIRECT) >= 0)
            res.directFd = TakeFd(direct.m);
    }
    return res;
}

RawOpenResult OpenMediumForReading(const std::string& path, bool wantDirect) {
    RawOpenResult res;
    res.fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (res.fd < 0) {
        res.error = errno;
        if (res.error != EACCES && res.error != EPERM) return res;
        RawOpenResult granted = OpenThroughUDisks2(path, wantDirect);
        if (granted.fd < 0) {
            // The user sees why he may not read it, not UDisks2's failure alone.
            granted.error = res.error;
            if (granted.detail.empty()) granted.detail = std::strerror(res.error);
        }
        return granted;
    }
    struct stat st {};
    if (wantDirect && ::fstat(res.fd, &st) == 0 && S_ISBLK(st.st_mode))
        res.directFd = ::open(path.c_str(), O_RDONLY | O_DIRECT | O_CLOEXEC);
    return res;
}

bool UDisks2Reachable() {
    std::string why;
    Bus bus = OpenSystemBus(why);
    if (!bus) return false;
    {
        Reply reply;
        int has = 0;
        if (sd_bus_call_method(bus.get(), "org.freedesktop.DBus", "/org/freedesktop/DBus",
                               "org.freedesktop.DBus", "NameHasOwner", &reply.error, &reply.m, "s",
                               kService) >= 0 &&
            sd_bus_message_read(reply.m, "b", &has) > 0 && has)
            return true;
    }
    // Not running: started on demand when the bus knows how.
    Reply reply;
    sd_bus_message* call = nullptr;
    int r = sd_bus_message_new_method_call(bus.get(), &call, "org.freedesktop.DBus", "/org/freedesktop/DBus",
                                           "org.freedesktop.DBus", "ListActivatableNames");
    if (r >= 0) r = sd_bus_call(bus.get(), call, kQuickTimeoutUsec, &reply.error, &reply.m);
    sd_bus_message_unref(call);
    if (r < 0 || sd_bus_message_enter_container(reply.m, 'a', "s") <= 0) return false;
    const char* name = nullptr;
    while (sd_bus_message_read(reply.m, "s", &name) > 0)
        if (name != nullptr && std::strcmp(name, kService) == 0) return true;
    return false;
}

RawAccessCheck IsDriverInstalled() {
    RawAccessCheck check;
    if (::geteuid() == 0) {
        check.how = RawAccess::Root;
        return check;
    }
    // Read permission on the disks themselves (the "disk" group).
    for (const CLogicalDrives& d : FindPhysicalDrives().drives) {
        if (d.m_strBackingFile.empty() && ::access(d.m_strDrive.c_str(), R_OK) == 0) {
            check.how = RawAccess::Permission;
            return check;
        }
    }
    if (UDisks2Reachable()) {
        check.how = RawAccess::UDisks2;
        return check;
    }
    check.advice =
        "Tarvolin cannot read disks and cards directly: you are not the administrator, your "
        "account may not read disks, and the UDisks2 service that grants access is not running.\n"
        "Disk images can still be opened. To recover from a disk or a card, do one of these:\n"
        "- install and start UDisks2 (package \"udisks2\"), then start Tarvolin again;\n"
        "- add your account to the \"disk\" group (sudo usermod -aG disk $USER) and log in again;\n"
        "- run Tarvolin as root.";
    return check;
}

}  // namespace tvn
