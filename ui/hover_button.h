// The help button of the wizard dialogs: a picture button drawn from one
// strip of three equally wide images (normal, hover, pressed), with a tooltip.
#pragma once

#include <QAbstractButton>
#include <QPixmap>

namespace tvn::ui {

class CHoverButton : public QAbstractButton {
    Q_OBJECT
public:
    explicit CHoverButton(QWidget* parent = nullptr);

    // Loads the three-image strip (a resource or file path, SVG or PNG) and
    // sizes the button to one image without moving it. False when the
    // picture cannot be read.
    bool LoadBitmap(const QString& path);
    void SetBitmap(const QPixmap& strip);
    // The tooltip; an empty text changes nothing. activate false keeps the
    // text but shows no tooltip.
    void SetToolTipText(const QString& text, bool activate = true);

    // Which image is drawn now: 0 normal, 1 hover, 2 pressed.
    int CurrentImage() const;
    bool IsHovered() const { return m_hover; }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    bool event(QEvent* event) override;

private:
    QPixmap m_strip;
    QSize m_imageSize{40, 40};
    QString m_tip;
    bool m_tipActive = false;
    bool m_hover = false;
};

// Reads an SVG or PNG at its own size, sharp on high-density screens.
QPixmap LoadPicture(const QString& path, qreal devicePixelRatio = 1.0);

}  // namespace tvn::ui
