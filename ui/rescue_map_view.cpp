#include "ui/rescue_map_view.h"

#include <QPainter>
#include <algorithm>

#include "preview/i18n.h"

namespace tvn::ui {

CRescueMapView::CRescueMapView(QWidget* parent) : QWidget(parent) {
    setAccessibleName(Tr("Rescue map"));
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void CRescueMapView::SetMap(const CRescueMap& map) {
    m_blocks = map.Blocks();
    m_size = map.Size();
    update();
}

int CRescueMapView::Columns() const { return std::max(1, (width() - 1) / kCellSize); }
int CRescueMapView::Rows() const { return std::max(1, (height() - 1) / kCellSize); }

std::vector<CRescueMapView::Cell> CRescueMapView::Cells() const {
    const auto count = static_cast<uint64_t>(Columns()) * static_cast<uint64_t>(Rows());
    std::vector<Cell> cells(count, Cell::NotTried);
    if (m_size == 0) return cells;
    // A medium smaller than the grid leaves the cells past its end untried.
    const uint64_t used = std::min<uint64_t>(count, m_size);
    for (uint64_t i = 0; i < used; ++i) cells[i] = Cell::Copied;
    // Each block marks the cells it reaches into; bad wins over not tried,
    // not tried over copied.
    for (const RescueBlock& b : m_blocks) {
        if (b.status == RescueStatus::Finished || b.size == 0) continue;
        const Cell mark = b.status == RescueStatus::NonTried ? Cell::NotTried : Cell::Bad;
        // Cell i covers bytes [i * size / used, (i + 1) * size / used).
        const auto cellOf = [&](uint64_t byte) {
            const auto cell = static_cast<uint64_t>(static_cast<long double>(byte) *
                                                    static_cast<long double>(used) /
                                                    static_cast<long double>(m_size));
            return std::min(cell, used - 1);
        };
        const uint64_t first = cellOf(b.pos);
        const uint64_t last = cellOf(b.End() - 1);
        for (uint64_t i = first; i <= last; ++i) {
            if (mark == Cell::Bad || cells[i] == Cell::Copied) cells[i] = mark;
        }
    }
    return cells;
}

QColor CRescueMapView::ColorOf(Cell cell) {
    switch (cell) {
        case Cell::Copied: return {0x3c, 0xa0, 0x3c};
        case Cell::Bad: return {0xd0, 0x30, 0x30};
        case Cell::NotTried: break;
    }
    return {0xd8, 0xd8, 0xd8};
}

void CRescueMapView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), palette().color(QPalette::Window));
    const int columns = Columns();
    const std::vector<Cell> cells = Cells();
    for (size_t i = 0; i < cells.size(); ++i) {
        const int x = static_cast<int>(i % static_cast<size_t>(columns)) * kCellSize;
        const int y = static_cast<int>(i / static_cast<size_t>(columns)) * kCellSize;
        painter.fillRect(x + 1, y + 1, kCellSize - 1, kCellSize - 1, ColorOf(cells[i]));
    }
}

}  // namespace tvn::ui
