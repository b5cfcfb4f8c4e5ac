#include "ui/banner.h"

#include <QFontMetrics>
#include <QPainter>

#include "ui/hover_button.h"

namespace tvn::ui {

CBanner::CBanner(const QString& picture, const QColor& beyond, QWidget* parent)
    : QWidget(parent), m_beyond(beyond) {
    m_picture = LoadPicture(picture, devicePixelRatioF());
}

void CBanner::AddCaption(Caption caption) {
    m_captions.push_back(std::move(caption));
    update();
}

QSize CBanner::sizeHint() const { return m_picture.deviceIndependentSize().toSize(); }

namespace {

QFont CaptionFont(const CBanner::Caption& caption, int pixelSize) {
    QFont font(QStringLiteral("Liberation Sans"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(pixelSize);
    font.setBold(caption.bold);
    return font;
}

}  // namespace

int CBanner::FittingPixelSize(const Caption& caption) {
    int size = caption.pixelSize;
    while (size > 8 && QFontMetrics(CaptionFont(caption, size)).horizontalAdvance(caption.text) >
                           caption.box.width()) {
        --size;
    }
    return size;
}

void CBanner::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), m_beyond);
    painter.drawPixmap(0, 0, m_picture);
    painter.setRenderHint(QPainter::TextAntialiasing);
    for (const Caption& caption : m_captions) {
        painter.setFont(CaptionFont(caption, FittingPixelSize(caption)));
        painter.setPen(caption.color);
        painter.drawText(caption.box, static_cast<int>(caption.align), caption.text);
    }
}

}  // namespace tvn::ui
