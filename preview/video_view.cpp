#include "preview/video_view.h"

#include <QPainter>
#include <QVideoFrame>
#include <QVideoSink>

#include "preview/image_rect.h"

namespace tvn::preview {

CVideoView::CVideoView(QWidget* parent) : QWidget(parent), m_sink(new QVideoSink(this)) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMinimumSize(320, 180);
    connect(m_sink, &QVideoSink::videoFrameChanged, this, &CVideoView::OnFrame);
}

void CVideoView::OnFrame(const QVideoFrame& frame) {
    if (!frame.isValid()) return;
    QImage image = frame.toImage();
    if (image.isNull()) return;
    m_frame = std::move(image);
    ++m_frames;
    update();
}

void CVideoView::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), Qt::black);
    if (m_frame.isNull()) return;
    ImageGeometry g;
    g.fit = kFitInside;
    g.hAlign = kAlignCentre;
    g.vAlign = kAlignCentre;
    ComputeImageRect(g, m_frame.width(), m_frame.height(), width(), height());
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.drawImage(QRect(g.dest.x, g.dest.y, g.dest.width, g.dest.height), m_frame);
}

}  // namespace tvn::preview
