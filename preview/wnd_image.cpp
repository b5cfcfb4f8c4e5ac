#include "preview/wnd_image.h"

#include <QPainter>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

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

void CWndImage::ZoomBy(int steps) {
    if (m_image.isNull() || steps == 0) return;
    double zoom = m_geometry.fit == kFitNone ? 1.0 : m_geometry.zoomX;
    if (m_geometry.fit == kFitStretch || m_geometry.fit == kFitClient)
        zoom = static_cast<double>(m_geometry.dest.width) / m_image.width();
    zoom *= std::pow(1.25, steps);
    zoom = std::clamp(zoom, 1.0 / 64, 32.0);
    m_geometry.fit = kFitZoom;
    m_geometry.zoomX = m_geometry.zoomY = zoom;
    m_geometry.hAlign = m_geometry.vAlign = kAlignCentre;
    Recompute();
}

void CWndImage::wheelEvent(QWheelEvent* event) {
    const int steps = event->angleDelta().y() / 120;
    if (steps == 0) return QWidget::wheelEvent(event);
    ZoomBy(steps);
    event->accept();
}

void CWndImage::mouseDoubleClickEvent(QMouseEvent*) {
    m_geometry.fit = kFitInside;
    m_geometry.hAlign = kAlignCentre;
    m_geometry.vAlign = 0;
    m_geometry.dest.y = 0;
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
