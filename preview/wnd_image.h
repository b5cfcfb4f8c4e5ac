// The image control: draws a picture into the rectangle ComputeImageRect
// gives for its fit mode and alignments, smoothly scaled, on a neutral
// background.
#pragma once

#include <QImage>
#include <QWidget>

#include "preview/image_rect.h"

namespace tvn::preview {

class CWndImage : public QWidget {
    Q_OBJECT
public:
    explicit CWndImage(QWidget* parent = nullptr);

    void SetImage(const QImage& image);
    const QImage& Image() const { return m_image; }
    // Each change works the rectangle out again and repaints; an unchanged
    // value does nothing.
    void SetFitMode(int mode);
    void SetAlign(int horizontal, int vertical);
    void SetHorizontalAlign(int horizontal);
    void SetZoom(double x, double y);
    int FitMode() const { return m_geometry.fit; }
    ImageRect Destination() const { return m_geometry.dest; }
    QSize sizeHint() const override { return {400, 300}; }
    // Zooms in (steps > 0) or out by a quarter per step around the centre,
    // from whatever scale is shown now; a double-click fits the picture again.
    void ZoomBy(int steps);

protected:
    void wheelEvent(QWheelEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void Recompute();

    QImage m_image;
    ImageGeometry m_geometry;
};

}  // namespace tvn::preview
