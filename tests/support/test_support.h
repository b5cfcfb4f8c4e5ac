// Helpers shared by the tests: temporary folders, a reporter that records
// what the core reports, and loop devices over images.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "app/report.h"

namespace tvn::test {

// A fresh directory under the system's temporary folder, removed with its
// contents when the object goes.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& Path() const { return m_path; }
    std::string operator/(const std::string& name) const { return m_path + "/" + name; }

private:
    std::string m_path;
};

// Records everything the core reports.
class RecordingReporter : public IReporter {
public:
    struct Box {
        std::string text, caption;
        MsgIcon icon;
    };
    void Message(std::string_view text, std::string_view caption, MsgIcon icon) override {
        messages.push_back({std::string(text), std::string(caption), icon});
    }
    void Progress(uint64_t percent) override { progress.push_back(percent); }
    void Finished() override { ++finished; }
    void SetFileCounterText(std::string_view text) override { counterText = text; }
    void SetLastFileText(std::string_view text) override { lastFile = text; }
    void Console(std::string_view text) override { console += text; }

    std::vector<Box> messages;
    std::vector<uint64_t> progress;
    int finished = 0;
    std::string counterText, lastFile, console;
};

// A loop device over an image file, detached when the object goes. Only the
// devices this object attached (and partitions it added) are touched.
class LoopDevice {
public:
    // Attaches image; sectorSize 0 keeps the default (512). Returns nullopt and
    // sets why when loop devices cannot be used here.
    static std::optional<LoopDevice> Attach(const std::string& image, uint32_t sectorSize,
                                            std::string& why);
    LoopDevice(LoopDevice&& other) noexcept;
    LoopDevice& operator=(LoopDevice&&) = delete;
    ~LoopDevice();
    const std::string& Path() const { return m_path; }
    // Makes the partitions of the MBR on the device known to the kernel (partx
    // -a where the kernel does not scan loop devices itself); returns the
    // device path of partition n (1-based), or empty when that failed.
    std::string AddPartitions(int n, std::string& why);

private:
    explicit LoopDevice(std::string path) : m_path(std::move(path)) {}
    std::string m_path;
    bool m_partitions = false;  // partitions added here, removed when the object goes
};

// Runs a shell command; returns its exit status and collects its stdout.
int RunCommand(const std::string& command, std::string* output = nullptr);

// Reads a whole file.
std::vector<uint8_t> ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::vector<uint8_t>& bytes);

}  // namespace tvn::test
