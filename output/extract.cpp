#include "output/extract.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>
#include <new>

#include "disk/io.h"
#include "output/repair.h"
#include "scan/type_table.h"

namespace tvn {

namespace {

// Files of the types that may be cut are cut to 1 MiB above 50 MiB.
constexpr uint64_t kCutAbove = 52428800;
constexpr uint64_t kCutTo = 1048576;
// Below this size a failed allocation gives up (MP3 files try on).
constexpr uint64_t kSmallestRetry = 1024;
// Extracted MP3 files below this size are deleted.
constexpr uint64_t kSmallestMp3 = 2048;

bool NeverCut(const std::string& type) {
    // Sony's ARW raw files are never cut either; no recognizer names a folder
    // so, but a loaded scan info file may.
    if (type == "ARW") return true;
    const TypeFacts* facts = FindFolderType(type);
    return facts != nullptr && facts->neverCut;
}

std::unique_ptr<uint8_t[]> AllocateNothrow(uint64_t size) {
    if (size > std::numeric_limits<size_t>::max()) return nullptr;
    return std::unique_ptr<uint8_t[]>(new (std::nothrow) uint8_t[static_cast<size_t>(size)]);
}


void Trace(IReporter& reporter, std::string_view label, std::string_view value,
           std::string_view tail = {}) {
    std::string line(label);
    line += value;
    line += tail;
    line += '\n';
    reporter.Console(line);
}

void TraceNumber(IReporter& reporter, std::string_view label, uint64_t value,
                 std::string_view tail = {}) {
    Trace(reporter, label, std::to_string(value), tail);
}

// A catalogue name is written as one file inside dir and must stay there.
bool UsableFileName(const std::string& name) {
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos;
}

}  // namespace

void SaveFileNode(CSession& session, CFileNode& node, const std::string& dir, IReporter& reporter) {
    SaveFileNode(session, node, dir, reporter, AllocateNothrow);
}

void SaveFileNode(CSession& session, CFileNode& node, const std::string& dir, IReporter& reporter,
                  const ExtractAllocator& allocate) {
    // Reopened for every file, so that a medium removed since the scan is
    // noticed before anything is written.
    if (!session.OpenCurrentSource(session.selectedDrive, reporter, kDisconnectedRestart)) return;
    const CDiskSource& source = *session.diskSource;
    const uint64_t sector = source.GetSectorSizeU() != 0 ? source.GetSectorSizeU() : 512;
    const std::string type = node.GetParent() != nullptr ? node.GetParent()->GetName() : "";
    const std::string& name = node.GetName();

    // A length measured from the file's own structure is written exactly as
    // it is: nothing to round, cut or repair.
    const bool measured = node.GetLength() == CFileNode::Length::Measured;
    // Otherwise whole sectors, always one more: the tail of the file's last
    // sector and at least part of the next one go out with it; repair trims
    // what it can.
    uint64_t size = node.GetSize();
    if (!measured) {
        size -= size % sector;
        size = size <= std::numeric_limits<uint64_t>::max() - sector ? size + sector : size;
        node.SetSize(size);
    }
    TraceNumber(reporter, "Entered with size :", size);
    if (!measured && size > kCutAbove && !NeverCut(type)) {
        size = kCutTo;
        node.SetSize(size);
    }

    // One buffer of the whole file; when there is no room, try again with
    // the size divided by 2, then the new size by 4, by 8, ...
    std::unique_ptr<uint8_t[]> buffer;
    uint64_t divisor = 1;
    for (;;) {
        TraceNumber(reporter, "Trying to allocate memory :", size, " bytes");
        buffer = allocate(size);
        if (buffer) break;
        Trace(reporter, "\t Failed to retrieve :", name);
        if (size == 0) return;  // nothing smaller to try
        divisor *= 2;
        size /= divisor;
        node.SetSize(size);
        TraceNumber(reporter, "\t Trying with size   :", size);
        if (size < kSmallestRetry && type != "MP3") return;
    }
    std::memset(buffer.get(), 0, static_cast<size_t>(size));

    // One read at start sector x sector size. A start that lies at or past the
    // end of the medium is a failed read.
    const uint64_t start = node.GetStartSector();
    if (start > static_cast<uint64_t>(std::numeric_limits<int64_t>::max()) / sector) {
        TraceNumber(reporter, "Reading :Error #", static_cast<uint64_t>(EOVERFLOW));
        return;
    }
    const ssize_t got =
        PreadFully(source.GetHandle(), buffer.get(), static_cast<size_t>(size), start * sector);
    if (got < 0 || (got == 0 && size != 0)) {
        TraceNumber(reporter, "Reading :Error #", static_cast<uint64_t>(got < 0 ? errno : ENXIO));
        return;
    }

    if (!UsableFileName(name)) {
        TraceNumber(reporter, "Creating :Error #", static_cast<uint64_t>(EINVAL));
        return;
    }
    const std::string path = dir + "/" + name;
    const int out = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (out < 0) {
        TraceNumber(reporter, "Creating :Error #", static_cast<uint64_t>(errno));
        return;
    }
    bool written = WriteFully(out, buffer.get(), size);
    int err = written ? 0 : errno;
    if (::close(out) != 0 && written) {
        written = false;
        err = errno;
    }
    if (!written) TraceNumber(reporter, "Writing :Error #", static_cast<uint64_t>(err));
    buffer.reset();

    if (measured) {
        // Whole as measured.
    } else if (type == "MP3") {
        if (node.GetSize() < kSmallestMp3) ::unlink(path.c_str());
    } else if (const auto kind = RepairKindForType(type)) {
        RepairFile(*kind, path, reporter);
    }
    Trace(reporter, "\t\tRecovered :", name);
}

}  // namespace tvn
