#include "ui/banner.h"

#include <QPainter>

#include "ui/hover_button.h"

namespace tvn::ui {

CBanner::CBanner(const QString& picture, const QColor& beyond, QWidget* parent)
    : QWidget(parent), m_beyond(beyond) {
    m_picture = LoadPicture(picture, devicePixelRatioF());
}

QSize CBanner::sizeHint() const { return m_picture.deviceIndependentSize().toSize(); }

void CBanner::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), m_beyond);
    painter.drawPixmap(0, 0, m_picture);
}

}  // namespace tvn::ui
