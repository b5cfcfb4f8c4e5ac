#include "ui/burner_recorders.h"

namespace tvn::ui {

int CBurnerRecorders::Count() {
    const int drives = m_burner.IsInitialized() ? m_burner.GetRecorderCount() : 0;
    return drives + static_cast<int>(m_images.size());
}

std::string CBurnerRecorders::Name(int index) {
    const int drives = m_burner.IsInitialized() ? m_burner.GetRecorderCount() : 0;
    if (index < drives) return m_burner.GetRecorderName(index);
    const size_t image = static_cast<size_t>(index - drives);
    return image < m_images.size() ? "Disc image file " + m_images[image] : std::string();
}

bool CBurnerRecorders::Select(int index) {
    if (!m_burner.IsInitialized() || index < 0) return false;
    const int drives = m_burner.GetRecorderCount();
    if (index < drives) return m_burner.SelectRecorder(index);
    const size_t image = static_cast<size_t>(index - drives);
    return image < m_images.size() && m_burner.SelectRecorder("stdio:" + m_images[image]);
}

std::string CBurnerRecorders::Unavailable() {
    if (!m_burner.IsInitialized()) {
        return "CD/DVD burning cannot start: " + m_burner.GetInitError();
    }
    return "No CD/DVD recorder was found on this computer. Choose \"Disc image file\" to write "
           "an image file instead.";
}

int CBurnerRecorders::AddImageFile(const std::string& path) {
    if (!m_burner.IsInitialized() || path.empty()) return -1;
    m_images.push_back(path);
    return Count() - 1;
}

std::optional<uint64_t> CBurnerRecorders::FreeBytes() {
    if (!m_burner.IsReady()) return std::nullopt;
    return static_cast<uint64_t>(m_burner.GetFreeSpace()) * kBurnBlockSize;
}

}  // namespace tvn::ui
