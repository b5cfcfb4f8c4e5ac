#include "tools/media/sample_card.h"

#include <fmt/format.h>

#include "tools/media/image.h"

namespace tvn::media {

std::string BuildSampleCard(const std::string& path) {
    constexpr uint32_t kPartStart = 2048;
    constexpr uint64_t kCardBytes = 64ull << 20;
    constexpr uint32_t kPartSectors = static_cast<uint32_t>(kCardBytes / 512) - kPartStart;
    ImageFile img(path, kCardBytes);
    const MbrPartition part{kPartStart, kPartSectors, 0x06};
    img.Write(0, MakeMbr({&part, 1}));
    img.Write(uint64_t{kPartStart} * 512, MakeFat16BootSector(4, 64, kPartSectors));
    return fmt::format("sample card: {} bytes, FAT16 partition at sector {}\n", kCardBytes,
                       kPartStart);
}

}  // namespace tvn::media
