// A static text that is transparent over its dialog and whose colour, weight
// and font can be changed while the dialog runs; optionally a link that opens
// an address or a mail, or that tells its dialog it was clicked.
#pragma once

#include <QColor>
#include <QCursor>
#include <QLabel>
#include <optional>

namespace tvn::ui {

class CTXtndStatic : public QLabel {
    Q_OBJECT
public:
    enum class LinkMode { None, Address, Mail };

    explicit CTXtndStatic(QWidget* parent = nullptr);
    explicit CTXtndStatic(const QString& text, QWidget* parent = nullptr);

    // Every setter redraws at once. Line breaks may be "\r\n" or "\n".
    void SetText(const QString& text);
    void SetTextColor(const QColor& color);
    QColor TextColor() const { return m_color; }
    void SetFontDescription(const QFont& font);
    void SetFontName(const QString& family);
    void SetFontSize(int points);
    void SetBold(bool bold);
    void SetUnderline(bool underline);
    void SetItalic(bool italic);
    void SetSunken(bool sunken);
    void SetBorder(bool border);
    void SetLink(bool link, bool notify = false);
    void SetMailLink(bool link, bool notify = false);
    void SetLinkTarget(const QString& target) { m_target = target; }
    void SetLinkCursor(const QCursor& cursor);

    LinkMode Link() const { return m_mode; }
    // Where a click on a link goes (the target, or the text itself).
    QString LinkUrl() const;

Q_SIGNALS:
    // A left click while the notify flag is set.
    void Notified();
    // A left click on a link; the address has been handed to the desktop.
    void LinkOpened(const QString& url);

protected:
    void mousePressEvent(QMouseEvent* event) override;

private:
    void Redraw();

    QColor m_color;
    LinkMode m_mode = LinkMode::None;
    bool m_notify = false;
    QString m_target;
    bool m_sunken = false;
    bool m_border = false;
};

}  // namespace tvn::ui
