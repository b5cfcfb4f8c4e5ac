#include "scan/exact/reload.h"

#include <algorithm>
#include <functional>
#include <optional>
#include <new>
#include <vector>

#include "scan/exact/walks.h"

namespace tvn {

namespace {

// A file's bytes on the medium, read a block at a time as a walk asks for
// them, through the reader every job uses (failed reads read around).
class CMediumByteSource : public CByteSource {
public:
    CMediumByteSource(CMediumReader& reader, uint64_t first, uint32_t sector, uint64_t limit,
                      CReadHealth& health, std::vector<BYTE>& block)
        : CByteSource(limit),
          m_read(reader.Reader()),
          m_first(first),
          m_sector(sector),
          m_health(health),
          m_block(block) {}

protected:
    Stretch Fetch(uint64_t pos) override {
        const uint64_t B = m_block.size();
        const uint64_t at = pos / B * B;
        const uint64_t n = std::min<uint64_t>(B, Limit() - at);
        // Whole sectors: the medium is read in them.
        const uint64_t whole = (n + m_sector - 1) / m_sector * m_sector;
        const ReadAroundResult r = ReadAround(m_read, m_block.data(), static_cast<size_t>(whole),
                                              m_first + at, m_sector, m_health);
        // Unreadable sectors are zeros, as the scan saw them.
        if (r.gone || r.got <= 0) return {};
        const auto got = std::min<uint64_t>(n, static_cast<uint64_t>(r.got));
        return {at, {m_block.data(), static_cast<size_t>(got)}};
    }

private:
    PieceReader m_read;
    uint64_t m_first;
    uint32_t m_sector;
    CReadHealth& m_health;
    std::vector<BYTE>& m_block;
};

constexpr size_t kBlock = 512 * 1024;

}  // namespace

uint64_t MeasureLoadedLengths(const CDiskSource& source, CDirectoryTree& tree,
                              CReadHealth& health, const std::function<bool()>& keepGoing) {
    const uint64_t S = source.GetSectorSizeU() != 0 ? source.GetSectorSizeU() : 512;
    const uint64_t mediumEnd = (uint64_t{source.GetStartSector()} + source.GetTotalSectors()) * S;
    if (!source.GetMedium()) return 0;
    CMediumReader reader(*source.GetMedium());
    std::vector<BYTE> block(kBlock);
    uint64_t walked = 0;
    // The found-bytes total as a scan with exact lengths counts it: every
    // byte of the medium once, however the files overlap.
    struct Total {
        CDirectoryTree& tree;
        uint64_t S;
        ~Total() { tree.m_ullFoundBytes = CoveredBytes(tree, S); }
    } total{tree, S};
    for (CFolderNode* f = tree.GetFirstFolder(); f; f = f->GetNextFolder()) {
        const std::optional<FileType> type = FindTypeByName(f->GetName());
        if (!type) continue;
        for (CFileNode* n = f->GetFirstChild(); n; n = n->GetNextFile()) {
            if (keepGoing && !keepGoing()) return walked;
            const uint64_t first = n->GetStartSector() * S;
            if (n->GetStartSector() > mediumEnd / S || first >= mediumEnd) continue;
            WalkResult walk;
            try {
                CMediumByteSource bytes(reader, first, static_cast<uint32_t>(S),
                                        std::min(ExactLengthLimit(*type), mediumEnd - first),
                                        health, block);
                walk = WalkFile(*type, bytes);
            } catch (const std::bad_alloc&) {
                walk = WalkResult::Broken();
            }
            ++walked;
            if (!walk.measured) {
                n->SetLength(CFileNode::Length::MayBeIncomplete);
                continue;
            }
            if (walk.length != n->GetSize()) {
                n->SetSize(walk.length);
                n->SetEndSector(n->GetStartSector() + walk.length / S);
            }
            n->SetLength(walk.openEnded ? CFileNode::Length::MayBeIncomplete
                                        : CFileNode::Length::Measured);
        }
    }
    return walked;
}

}  // namespace tvn
