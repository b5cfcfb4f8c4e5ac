// A private working folder: made with mkdtemp (mode 0700, owned by the user,
// checked after it is made) under $XDG_RUNTIME_DIR, else $TMPDIR, else /tmp,
// and removed with everything in it when the object goes. Files inside are
// only ever addressed by this folder's path plus a single name, so another
// user can neither see the copies nor slip a link in between.
#pragma once

#include <string>

namespace tvn {

class CPrivateDir {
public:
    // prefix names the folder: prefix + "." + six random characters.
    explicit CPrivateDir(std::string prefix);
    ~CPrivateDir();
    CPrivateDir(const CPrivateDir&) = delete;
    CPrivateDir& operator=(const CPrivateDir&) = delete;

    // False when no usable folder could be made (Error() says why).
    bool IsValid() const { return !m_path.empty(); }
    const std::string& Path() const { return m_path; }
    const std::string& Error() const { return m_error; }

    // The path of a file in the folder, or empty when name is not a plain
    // file name ("", ".", "..", or anything with a slash).
    std::string FilePath(const std::string& name) const;

    // The base the folder is made in: $XDG_RUNTIME_DIR when it is set and a
    // directory, else $TMPDIR, else /tmp.
    static std::string BaseDirectory();

private:
    std::string m_path;
    std::string m_error;
};

// True when name can be used as one file inside a folder.
bool IsPlainFileName(const std::string& name);

}  // namespace tvn
