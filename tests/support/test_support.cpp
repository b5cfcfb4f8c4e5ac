#include "tests/support/test_support.h"

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace tvn::test {

TempDir::TempDir() {
    std::string tmpl = (std::filesystem::temp_directory_path() / "tvn-test-XXXXXX").string();
    if (::mkdtemp(tmpl.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    m_path = tmpl;
}

TempDir::~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(m_path, ec);
}

int RunCommand(const std::string& command, std::string* output) {
    FILE* p = ::popen(command.c_str(), "r");
    if (p == nullptr) return -1;
    std::array<char, 4096> buf{};
    size_t n = 0;
    while ((n = std::fread(buf.data(), 1, buf.size(), p)) > 0) {
        if (output) output->append(buf.data(), n);
    }
    const int status = ::pclose(p);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::optional<LoopDevice> LoopDevice::Attach(const std::string& image, uint32_t sectorSize,
                                             std::string& why) {
    if (::geteuid() != 0) {
        why = "loop devices need root";
        return std::nullopt;
    }
    std::string out;
    std::string cmd = "losetup -f --show";
    if (sectorSize != 0) cmd += " --sector-size " + std::to_string(sectorSize);
    cmd += " '" + image + "' 2>&1";
    if (RunCommand(cmd, &out) != 0 || out.rfind("/dev/", 0) != 0) {
        why = "losetup cannot attach a loop device here: " + out;
        return std::nullopt;
    }
    while (!out.empty() && (out.back() == '\n' || out.back() == ' ')) out.pop_back();
    return LoopDevice(out);
}

LoopDevice::LoopDevice(LoopDevice&& other) noexcept
    : m_path(std::move(other.m_path)), m_partitions(other.m_partitions) {
    other.m_path.clear();
}

namespace {

// The partitions the kernel has on a block device, by their sysfs names.
std::vector<std::string> KernelPartitions(const std::string& sysBlock, const std::string& name) {
    std::vector<std::string> out;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(sysBlock, ec)) {
        const std::string child = entry.path().filename().string();
        if (child.rfind(name + "p", 0) == 0) out.push_back(child);
    }
    return out;
}

}  // namespace

LoopDevice::~LoopDevice() {
    if (m_path.empty()) return;
    if (m_partitions) {
        // A partition that was just unmounted can stay busy for a moment; one
        // left behind would outlive the loop device and stand in the way of
        // the next user of the same device.
        for (int i = 0; i < 20 && RunCommand("partx -d '" + m_path + "' >/dev/null 2>&1") != 0; ++i)
            ::usleep(50000);
    }
    RunCommand("losetup -d '" + m_path + "' >/dev/null 2>&1");
}

std::string LoopDevice::AddPartitions(int n, std::string& why) {
    const std::string name = std::filesystem::path(m_path).filename().string();
    const std::string sysBlock = "/sys/block/" + name;
    const auto flag = ReadFile(sysBlock + "/partscan");
    const bool kernelScans = !flag.empty() && flag[0] == '1';
    if (!kernelScans && !m_partitions) {
        std::string out;
        // Partitions left on this device by a user who detached it without
        // removing them would stand in for ours, with their own start and size.
        if (!KernelPartitions(sysBlock, name).empty() &&
            RunCommand("partx -d '" + m_path + "' 2>&1", &out) != 0) {
            why = "stale partitions on " + m_path + " cannot be removed: " + out;
            return {};
        }
        // This kernel does not scan loop devices for partitions: add them by
        // hand from the partition table.
        if (RunCommand("partx -a '" + m_path + "' 2>&1", &out) != 0) {
            why = "partx cannot add partitions: " + out;
            return {};
        }
        m_partitions = true;
    }
    const std::string sysPart = sysBlock + "/" + name + "p" + std::to_string(n);
    const std::string part = m_path + "p" + std::to_string(n);
    for (int i = 0;
         i < 50 && (::access(sysPart.c_str(), F_OK) != 0 || ::access(part.c_str(), F_OK) != 0); ++i)
        ::usleep(20000);
    if (::access(sysPart.c_str(), F_OK) != 0 || ::access(part.c_str(), F_OK) != 0) {
        why = "partition device " + part + " did not appear";
        return {};
    }
    return part;
}

std::vector<uint8_t> ReadFile(const std::string& path) {
    // One read of the whole file: a byte-wise iterator takes seconds on the
    // 64 MiB card images in a debug build.
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    if (!in) return {};
    const std::streamoff size = in.tellg();
    std::vector<uint8_t> bytes(size > 0 ? static_cast<size_t>(size) : 0);
    in.seekg(0);
    in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    bytes.resize(static_cast<size_t>(std::max<std::streamsize>(in.gcount(), 0)));
    return bytes;
}

void WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

}  // namespace tvn::test
