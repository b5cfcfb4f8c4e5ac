#include "tests/support/faulty_image.h"

#include <signal.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <thread>

namespace tvn::test {

namespace {
constexpr long kFuseSuperMagic = 0x65735546;
}

std::unique_ptr<FaultyImage> FaultyImage::Serve(const std::string& backing, std::string& why) {
#ifndef TVN_FAULTYFS
    why = "tvn-faultyfs was not built (libfuse3 missing)";
    return nullptr;
#else
    if (::access("/dev/fuse", R_OK | W_OK) != 0) {
        why = "/dev/fuse cannot be used here";
        return nullptr;
    }
    std::unique_ptr<FaultyImage> fs(new FaultyImage());
    const std::string mnt = fs->m_mount.Path();
    fs->m_pid = ::fork();
    if (fs->m_pid == 0) {
        ::execl(TVN_FAULTYFS, TVN_FAULTYFS, backing.c_str(), mnt.c_str(), nullptr);
        ::_exit(127);
    }
    if (fs->m_pid < 0) {
        why = "cannot start tvn-faultyfs";
        return nullptr;
    }
    // Mounted once the mount point is a FUSE file system serving the image.
    for (int i = 0; i < 500; ++i) {
        struct statfs sf {};
        if (::statfs(mnt.c_str(), &sf) == 0 && sf.f_type == kFuseSuperMagic &&
            ::access(fs->Path().c_str(), R_OK) == 0) {
            fs->m_mounted = true;
            return fs;
        }
        int status = 0;
        if (::waitpid(fs->m_pid, &status, WNOHANG) == fs->m_pid) {
            fs->m_pid = -1;
            why = "tvn-faultyfs could not mount a FUSE file system here";
            return nullptr;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    why = "tvn-faultyfs did not come up";
    return nullptr;
#endif
}

FaultyImage::~FaultyImage() {
    if (m_mounted) {
        // Lazily, so that a descriptor a failed test left open cannot keep
        // the mount.
        if (::umount2(m_mount.Path().c_str(), 0) != 0) ::umount2(m_mount.Path().c_str(), MNT_DETACH);
    }
    if (m_pid > 0) {
        int status = 0;
        for (int i = 0; i < 200; ++i) {
            if (::waitpid(m_pid, &status, WNOHANG) == m_pid) return;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        ::kill(m_pid, SIGKILL);
        ::waitpid(m_pid, &status, 0);
    }
}

void FaultyImage::Control(const std::string& line) {
    std::ofstream out(m_mount.Path() + "/control");
    out << line << '\n';
}

void FaultyImage::Bad(uint64_t first, uint64_t count) {
    Control("bad " + std::to_string(first) + " " + std::to_string(count));
}
void FaultyImage::Clear() { Control("clear"); }
void FaultyImage::Delay(unsigned ms) { Control("delay " + std::to_string(ms)); }
void FaultyImage::Slow(uint64_t first, uint64_t count, unsigned ms) {
    Control("slow " + std::to_string(first) + " " + std::to_string(count) + " " +
            std::to_string(ms));
}
void FaultyImage::Back() { Control("back"); }
void FaultyImage::Vanish(const std::string& error) { Control("vanish " + error); }
void FaultyImage::VanishAfter(uint64_t bytes, const std::string& error) {
    Control("vanish-after " + std::to_string(bytes) + " " + error);
}

uint64_t FaultyImage::Reads(uint64_t* failed) const {
    std::ifstream in(m_mount.Path() + "/reads");
    uint64_t reads = 0, bad = 0;
    in >> reads >> bad;
    if (failed != nullptr) *failed = bad;
    return reads;
}

}  // namespace tvn::test
