#include "ui/hover_button.h"

#include <QEnterEvent>
#include <QHelpEvent>
#include <QImageReader>
#include <QPainter>
#include <QToolTip>

namespace tvn::ui {

QPixmap LoadPicture(const QString& path, qreal devicePixelRatio) {
    QImageReader reader(path);
    const QSize size = reader.size();
    if (size.isValid() && devicePixelRatio != 1.0) reader.setScaledSize(size * devicePixelRatio);
    QImage image = reader.read();
    if (image.isNull()) return {};
    QPixmap pixmap = QPixmap::fromImage(image);
    pixmap.setDevicePixelRatio(devicePixelRatio);
    return pixmap;
}

CHoverButton::CHoverButton(QWidget* parent) : QAbstractButton(parent) {
    setMouseTracking(true);
    setFocusPolicy(Qt::TabFocus);
    setCursor(Qt::PointingHandCursor);
}

bool CHoverButton::LoadBitmap(const QString& path) {
    const QPixmap strip = LoadPicture(path, devicePixelRatioF());
    if (strip.isNull()) return false;
    SetBitmap(strip);
    return true;
}

void CHoverButton::SetBitmap(const QPixmap& strip) {
    m_strip = strip;
    const QSizeF logical = strip.deviceIndependentSize();
    m_imageSize = QSize(static_cast<int>(logical.width()) / 3, static_cast<int>(logical.height()));
    resize(m_imageSize);
    updateGeometry();
    update();
}

void CHoverButton::SetToolTipText(const QString& text, bool activate) {
    if (text.isEmpty()) return;
    m_tip = text;
    m_tipActive = activate;
    if (accessibleName().isEmpty()) setAccessibleName(text);
}

int CHoverButton::CurrentImage() const {
    if (isDown()) return 2;
    return m_hover ? 1 : 0;
}

QSize CHoverButton::sizeHint() const { return m_imageSize; }

void CHoverButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (m_strip.isNull()) return;
    const qreal dpr = m_strip.devicePixelRatio();
    const QRectF source(CurrentImage() * m_imageSize.width() * dpr, 0,
                        m_imageSize.width() * dpr, m_imageSize.height() * dpr);
    painter.drawPixmap(QRectF(QPointF(0, 0), QSizeF(m_imageSize)), m_strip, source);
    if (hasFocus()) {
        QPen pen(palette().color(QPalette::Highlight));
        pen.setStyle(Qt::DotLine);
        painter.setPen(pen);
        painter.drawRect(rect().adjusted(0, 0, -1, -1));
    }
}

void CHoverButton::enterEvent(QEnterEvent* event) {
    m_hover = true;
    update();
    QAbstractButton::enterEvent(event);
}

void CHoverButton::leaveEvent(QEvent* event) {
    // Leaving with the mouse button held shows the normal picture again.
    m_hover = false;
    update();
    QAbstractButton::leaveEvent(event);
}

bool CHoverButton::event(QEvent* event) {
    if (event->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(event);
        if (m_tipActive && !m_tip.isEmpty())
            QToolTip::showText(help->globalPos(), m_tip, this);
        else
            QToolTip::hideText();
        return true;
    }
    return QAbstractButton::event(event);
}

}  // namespace tvn::ui
