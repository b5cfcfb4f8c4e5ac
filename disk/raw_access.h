// Raw, read-only access to a disk for a user who may not open it himself.
//
// A desktop user may not open /dev/sdb. UDisks2 may, and hands a descriptor
// over the system bus once polkit has agreed (asking the user for a password
// where its rules say so). Everything downstream works from such a descriptor
// alone: nothing reopens the medium by its path.
#pragma once

#include <memory>
#include <string>
#include <sys/types.h>

#include "disk/medium.h"

namespace tvn {

// What an open of a medium brought: the descriptor for ordinary reads and,
// for a block device, a second one for reads past the page cache (O_DIRECT;
// a flag of the open file, so it needs a file of its own and cannot be set on
// a duplicate of the first).
struct RawOpenResult {
    int fd = -1;
    int directFd = -1;
    int error = 0;            // errno of the failure (fd is -1)
    bool viaUDisks2 = false;  // the descriptors came from UDisks2
    std::string detail;       // why UDisks2 refused or could not be asked
};

// Opens path read-only; where that is refused for lack of permission (EACCES,
// EPERM), asks UDisks2 for the descriptors. wantDirect asks for the direct
// descriptor as well (block devices only; -1 where it cannot be had).
RawOpenResult OpenMediumForReading(const std::string& path, bool wantDirect);

// Asks UDisks2 (Block.OpenForBackup, and Block.OpenDevice with O_DIRECT for the
// direct descriptor) on the system bus ($DBUS_SYSTEM_BUS_ADDRESS where set).
// The call may wait for the user to authenticate, up to a few minutes.
RawOpenResult OpenThroughUDisks2(const std::string& path, bool wantDirect);

// UDisks2's object path for a device path it cannot resolve itself (before
// Manager.ResolveDevice existed): its block_devices object named after the
// device's kernel name, every character but letters and digits as _XX.
std::string UDisks2ObjectPathFor(const std::string& devicePath);

// Whether the UDisks2 service can be reached on the system bus (running, or
// started on demand). Waits at most about two seconds.
bool UDisks2Reachable();

}  // namespace tvn
