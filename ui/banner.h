// A picture across the top or down the side of a wizard step. The picture
// keeps its drawn size at the top left; where the window is larger, the rest
// of the banner takes the colour the picture fades to. Its words are drawn
// over it in the user's language, each line in a box of the picture, smaller
// where a translation would not fit the box.
#pragma once

#include <QColor>
#include <QList>
#include <QRect>
#include <QPixmap>
#include <QWidget>

namespace tvn::ui {

class CBanner : public QWidget {
    Q_OBJECT
public:
    struct Caption {
        QString text;
        QRect box;             // in the picture's drawn pixels
        int pixelSize = 12;    // the largest size it is drawn at
        bool bold = false;
        QColor color;
        Qt::Alignment align = Qt::AlignLeft | Qt::AlignVCenter;
    };

    CBanner(const QString& picture, const QColor& beyond, QWidget* parent = nullptr);
    void AddCaption(Caption caption);
    QSize sizeHint() const override;
    const QPixmap& Picture() const { return m_picture; }
    const QList<Caption>& Captions() const { return m_captions; }
    // The pixel size a caption is drawn at: its own, or smaller until it fits.
    static int FittingPixelSize(const Caption& caption);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QPixmap m_picture;
    QColor m_beyond;
    QList<Caption> m_captions;
};

}  // namespace tvn::ui
