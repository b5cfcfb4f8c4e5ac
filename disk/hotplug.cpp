#include <libudev.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <mutex>
#include <thread>

#include "disk/drives.h"

namespace tvn {

// The monitor listens to udev's announcements of block disks on a thread of
// its own; an eventfd wakes that thread when it is to stop, so Stop never
// waits longer than the callback in progress.
struct CHotplugMonitor::Impl {
    udev* u = nullptr;
    udev_monitor* monitor = nullptr;
    int stopFd = -1;
    std::thread thread;
    std::mutex mutex;  // Start and Stop from different threads

    void Run(const std::function<void()>& changed) {
        pollfd fds[2] = {{udev_monitor_get_fd(monitor), POLLIN, 0}, {stopFd, POLLIN, 0}};
        for (;;) {
            if (::poll(fds, 2, -1) < 0) {
                if (errno == EINTR) continue;
                return;  // nothing more can be heard
            }
            if (fds[1].revents != 0) return;
            if ((fds[0].revents & POLLIN) == 0) continue;
            bool relevant = false;
            // Drain what has arrived: one call for a burst of events (a card
            // brings its disk and its partitions).
            while (udev_device* dev = udev_monitor_receive_device(monitor)) {
                const char* action = udev_device_get_action(dev);
                const std::string a = action ? action : "";
                if (a == "add" || a == "remove" || a == "change") relevant = true;
                udev_device_unref(dev);
            }
            if (relevant && changed) changed();
        }
    }
};

CHotplugMonitor::CHotplugMonitor() : m_impl(new Impl) {}

CHotplugMonitor::~CHotplugMonitor() {
    Stop();
    delete m_impl;
}

bool CHotplugMonitor::Start(std::function<void()> changed) {
    std::lock_guard lock(m_impl->mutex);
    if (m_impl->thread.joinable()) return true;
    Impl& m = *m_impl;
    m.u = udev_new();
    // udev's announcements come after its rules have run (the device node and
    // its properties are then ready). Where no udev daemon runs (a container)
    // the kernel's own announcements are all there is.
    const bool daemon = ::access("/run/udev/control", F_OK) == 0;
    if (m.u != nullptr) m.monitor = udev_monitor_new_from_netlink(m.u, daemon ? "udev" : "kernel");
    if (m.monitor == nullptr || udev_monitor_filter_add_match_subsystem_devtype(m.monitor, "block", nullptr) < 0 ||
        udev_monitor_enable_receiving(m.monitor) < 0) {
        if (m.monitor) udev_monitor_unref(m.monitor);
        if (m.u) udev_unref(m.u);
        m.monitor = nullptr;
        m.u = nullptr;
        return false;
    }
    m.stopFd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (m.stopFd < 0) {
        udev_monitor_unref(m.monitor);
        udev_unref(m.u);
        m.monitor = nullptr;
        m.u = nullptr;
        return false;
    }
    m.thread = std::thread([&m, changed = std::move(changed)] { m.Run(changed); });
    return true;
}

void CHotplugMonitor::Stop() {
    std::lock_guard lock(m_impl->mutex);
    Impl& m = *m_impl;
    if (!m.thread.joinable()) return;
    const uint64_t one = 1;
    while (::write(m.stopFd, &one, sizeof one) < 0 && errno == EINTR) {
    }
    m.thread.join();
    ::close(m.stopFd);
    m.stopFd = -1;
    udev_monitor_unref(m.monitor);
    udev_unref(m.u);
    m.monitor = nullptr;
    m.u = nullptr;
}

}  // namespace tvn
