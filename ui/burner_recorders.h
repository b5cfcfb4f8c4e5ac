// The burn page's recorders from the burner: the optical recorders the
// system reports, then the disc image files the user added, each a "stdio:"
// pseudo-drive that writes an ISO image into its file.
#pragma once

#include <string>
#include <vector>

#include "optical/burner.h"
#include "ui/save_sheet.h"

namespace tvn::ui {

class CBurnerRecorders : public IRecorderSource {
public:
    explicit CBurnerRecorders(CBurner& burner) : m_burner(burner) {}

    int Count() override;
    std::string Name(int index) override;
    bool Select(int index) override;
    bool IsReady() override { return m_burner.IsReady(); }
    std::string Unavailable() override;
    int AddImageFile(const std::string& path) override;
    std::optional<uint64_t> FreeBytes() override;

    CBurner& Burner() { return m_burner; }

private:
    CBurner& m_burner;
    std::vector<std::string> m_images;  // paths of the image files added
};

}  // namespace tvn::ui
