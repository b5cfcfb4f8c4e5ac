// A picture across the top or down the side of a wizard step. The picture
// keeps its drawn size at the top left; where the window is larger, the rest
// of the banner takes the colour the picture fades to.
#pragma once

#include <QColor>
#include <QPixmap>
#include <QWidget>

namespace tvn::ui {

class CBanner : public QWidget {
    Q_OBJECT
public:
    CBanner(const QString& picture, const QColor& beyond, QWidget* parent = nullptr);
    QSize sizeHint() const override;
    const QPixmap& Picture() const { return m_picture; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QPixmap m_picture;
    QColor m_beyond;
};

}  // namespace tvn::ui
