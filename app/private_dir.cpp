#include "app/private_dir.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace tvn {

namespace {

bool IsDirectory(const char* path) {
    struct stat st {};
    return path != nullptr && *path != '\0' && ::stat(path, &st) == 0 && S_ISDIR(st.st_mode);
}

// Removes everything inside the folder open as dirFd, depth first, without
// following links (a link is removed as itself).
void RemoveContents(int dirFd) {
    DIR* dir = ::fdopendir(dirFd);
    if (dir == nullptr) {
        ::close(dirFd);
        return;
    }
    while (const dirent* entry = ::readdir(dir)) {
        const char* name = entry->d_name;
        if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0) continue;
        struct stat st {};
        if (::fstatat(::dirfd(dir), name, &st, AT_SYMLINK_NOFOLLOW) != 0) continue;
        if (S_ISDIR(st.st_mode)) {
            const int sub = ::openat(::dirfd(dir), name,
                                     O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
            if (sub >= 0) RemoveContents(sub);
            ::unlinkat(::dirfd(dir), name, AT_REMOVEDIR);
        } else {
            ::unlinkat(::dirfd(dir), name, 0);
        }
    }
    ::closedir(dir);
}

}  // namespace

bool IsPlainFileName(const std::string& name) {
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos &&
           name.find('\0') == std::string::npos;
}

std::string CPrivateDir::BaseDirectory() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (IsDirectory(runtime)) return runtime;
    const char* tmp = std::getenv("TMPDIR");
    if (IsDirectory(tmp)) return tmp;
    return "/tmp";
}

CPrivateDir::CPrivateDir(std::string prefix) {
    std::string templ = BaseDirectory() + "/" + prefix + ".XXXXXX";
    if (::mkdtemp(templ.data()) == nullptr) {
        m_error = std::string("cannot create ") + templ + ": " + std::strerror(errno);
        return;
    }
    // mkdtemp makes the folder 0700 for us; make sure nobody swapped it for
    // something else before we use it.
    struct stat st {};
    if (::lstat(templ.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::geteuid() ||
        (st.st_mode & 077) != 0) {
        m_error = "the folder " + templ + " is not private";
        return;
    }
    m_path = templ;
}

CPrivateDir::~CPrivateDir() {
    if (m_path.empty()) return;
    const int fd = ::open(m_path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd >= 0) RemoveContents(fd);
    ::rmdir(m_path.c_str());
}

std::string CPrivateDir::FilePath(const std::string& name) const {
    if (m_path.empty() || !IsPlainFileName(name)) return {};
    return m_path + "/" + name;
}

}  // namespace tvn
