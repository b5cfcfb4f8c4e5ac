#include "preview/wnd_image.h"

#include <QPainter>

namespace tvn::preview {

CWndImage::CWndImage(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMinimumSize(120, 90);
}

void CWndImage::SetImage(const QImage& image) {
    m_image = image;
    Recompute();
}

void CWndImage::SetFitMode(int mode) {
    if (mode == m_geometry.fit) return;
    m_geometry.fit = mode;
    Recompute();
}

void CWndImage::SetAlign(int horizontal, int vertical) {
    if (horizontal == m_geometry.hAlign && vertical == m_geometry.vAlign) return;
    m_geometry.hAlign = horizontal;
    m_geometry.vAlign = vertical;
    Recompute();
}

void CWndImage::SetHorizontalAlign(int horizontal) { SetAlign(horizontal, m_geometry.vAlign); }

void CWndImage::SetZoom(double x, double y) {
    m_geometry.zoomX = x;
    m_geometry.zoomY = y;
    Recompute();
}

void CWndImage::Recompute() {
    ComputeImageRect(m_geometry, m_image.width(), m_image.height(), width(), height());
    update();
}

void CWndImage::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    Recompute();
}

void CWndImage::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), palette().color(QPalette::Dark));
    const ImageRect& d = m_geometry.dest;
    if (m_image.isNull() || d.width <= 0 || d.height <= 0) return;
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.drawImage(QRect(d.x, d.y, d.width, d.height), m_image);
}

}  // namespace tvn::preview
