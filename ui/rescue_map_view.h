// The map of a rescue copy drawn as a grid: each cell stands for an equal
// share of the medium, in medium order row by row, and shows the worst of
// what lies in it: bad (a read failed there), not yet tried, or copied.
#pragma once

#include <QWidget>
#include <array>
#include <vector>

#include "disk/rescue_map.h"

namespace tvn::ui {

class CRescueMapView : public QWidget {
    Q_OBJECT
public:
    enum class Cell { Copied, NotTried, Bad };

    explicit CRescueMapView(QWidget* parent = nullptr);

    void SetMap(const CRescueMap& map);

    // The cells of the grid as it is laid out now, in medium order.
    std::vector<Cell> Cells() const;
    static QColor ColorOf(Cell cell);
    static constexpr int kCellSize = 8;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int Columns() const;
    int Rows() const;

    std::vector<RescueBlock> m_blocks;
    uint64_t m_size = 0;
};

}  // namespace tvn::ui
