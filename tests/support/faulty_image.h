// A disk image served through tvn-faultyfs (a FUSE file system of the
// tests): reads of chosen sectors fail with EIO, reads can be slowed down,
// and the whole medium can vanish on command. The file system is unmounted
// and its process ended when the object goes, also when a test fails.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <memory>
#include <string>

#include "tests/support/test_support.h"

namespace tvn::test {

class FaultyImage {
public:
    // Serves backing (an image file) as Path(). Returns nullptr and sets why
    // when FUSE cannot be used here.
    static std::unique_ptr<FaultyImage> Serve(const std::string& backing, std::string& why);
    ~FaultyImage();
    FaultyImage(const FaultyImage&) = delete;
    FaultyImage& operator=(const FaultyImage&) = delete;

    // The served image.
    std::string Path() const { return m_mount.Path() + "/image"; }

    // Sectors (512 bytes) first .. first + count - 1 fail from now on.
    void Bad(uint64_t first, uint64_t count);
    // No bad sectors and no delay any more.
    void Clear();
    // Every read takes ms milliseconds longer.
    void Delay(unsigned ms);
    // A read that touches sectors first .. first + count - 1 takes ms longer.
    void Slow(uint64_t first, uint64_t count, unsigned ms);
    // A vanished medium is there again (a card put back).
    void Back();
    // Every read fails with error ("EIO", "ENODEV") from now on, or after
    // bytes more bytes have been served.
    void Vanish(const std::string& error = "EIO");
    void VanishAfter(uint64_t bytes, const std::string& error = "EIO");
    // Reads served so far, and how many of them failed.
    uint64_t Reads(uint64_t* failed = nullptr) const;

private:
    FaultyImage() = default;
    void Control(const std::string& line);

    TempDir m_mount;
    pid_t m_pid = -1;
    bool m_mounted = false;
};

}  // namespace tvn::test
