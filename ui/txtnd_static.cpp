#include "ui/txtnd_static.h"

#include "preview/i18n.h"

#include <QDesktopServices>
#include <QMouseEvent>
#include <QUrl>

namespace tvn::ui {

CTXtndStatic::CTXtndStatic(QWidget* parent) : CTXtndStatic(QString(), parent) {}

CTXtndStatic::CTXtndStatic(const QString& text, QWidget* parent) : QLabel(parent) {
    setTextFormat(Qt::PlainText);
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setAutoFillBackground(false);
    m_color = palette().color(QPalette::WindowText);
    SetText(text);
}

void CTXtndStatic::SetText(const QString& text) {
    // A fixed text of the program shows in the user's language.
    QString plain = TrKnown(text);
    plain.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    plain.remove(QLatin1Char('\r'));
    setText(plain);
    Redraw();
}

void CTXtndStatic::SetTextColor(const QColor& color) {
    m_color = color;
    QPalette p = palette();
    p.setColor(QPalette::WindowText, color);
    setPalette(p);
    Redraw();
}

void CTXtndStatic::SetFontDescription(const QFont& f) {
    setFont(f);
    Redraw();
}

void CTXtndStatic::SetFontName(const QString& family) {
    QFont f = font();
    f.setFamilies({family});
    SetFontDescription(f);
}

void CTXtndStatic::SetFontSize(int points) {
    QFont f = font();
    f.setPointSize(points);
    SetFontDescription(f);
}

void CTXtndStatic::SetBold(bool bold) {
    QFont f = font();
    f.setWeight(bold ? QFont::Bold : QFont::Normal);
    SetFontDescription(f);
}

void CTXtndStatic::SetUnderline(bool underline) {
    QFont f = font();
    f.setUnderline(underline);
    SetFontDescription(f);
}

void CTXtndStatic::SetItalic(bool italic) {
    QFont f = font();
    f.setItalic(italic);
    SetFontDescription(f);
}

void CTXtndStatic::SetSunken(bool sunken) {
    m_sunken = sunken;
    setFrameStyle(m_sunken ? (QFrame::Panel | QFrame::Sunken)
                           : (m_border ? int(QFrame::Box | QFrame::Plain) : int(QFrame::NoFrame)));
    Redraw();
}

void CTXtndStatic::SetBorder(bool border) {
    m_border = border;
    SetSunken(m_sunken);
}

void CTXtndStatic::SetLink(bool link, bool notify) {
    m_mode = link ? LinkMode::Address : LinkMode::None;
    m_notify = notify;
}

void CTXtndStatic::SetMailLink(bool link, bool notify) {
    m_mode = link ? LinkMode::Mail : LinkMode::None;
    m_notify = notify;
}

void CTXtndStatic::SetLinkCursor(const QCursor& cursor) { setCursor(cursor); }

QString CTXtndStatic::LinkUrl() const {
    switch (m_mode) {
        case LinkMode::Address: return m_target.isEmpty() ? text() : m_target;
        case LinkMode::Mail: return QStringLiteral("mailto:") + text();
        case LinkMode::None: break;
    }
    return {};
}

void CTXtndStatic::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        if (m_notify) {
            Q_EMIT Notified();
        } else if (m_mode != LinkMode::None) {
            const QString url = LinkUrl();
            QDesktopServices::openUrl(QUrl::fromUserInput(url));
            Q_EMIT LinkOpened(url);
        }
    }
    QLabel::mousePressEvent(event);
}

void CTXtndStatic::Redraw() {
    // The parent repaints the whole rectangle the text covers, so nothing of
    // a longer old text stays behind the transparent control.
    if (QWidget* p = parentWidget()) p->update(geometry());
    update();
}

}  // namespace tvn::ui
