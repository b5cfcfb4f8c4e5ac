// What every step of the wizard shares: the window's first size, the row of
// picture buttons at the bottom with the help button at its left, the
// painted separator lines, help on F1, and dragging the window by its
// surface. The steps lay their controls out in Content(); the window may be
// made larger than its first size, and grows by itself when its texts need
// more room (a larger font, a longer translation).
#pragma once

#include <QDialog>
#include <QPushButton>
#include <functional>
#include <utility>
#include <vector>

#include "ui/hover_button.h"

class QHBoxLayout;
class QVBoxLayout;

namespace tvn::ui {

class CWizardDialog : public QDialog {
    Q_OBJECT
public:
    // The client area the window opens with. With the desktop's title bar
    // the window is about 620 x 500, the size every wizard window has.
    static constexpr int kWidth = 620;
    static constexpr int kHeight = 470;

    CWizardDialog(QWidget* parent, QString helpTopic);

    // How help pages are opened; tests record the topic instead.
    using HelpOpener = std::function<void(const QString& topic)>;
    void SetHelpOpener(HelpOpener opener) { m_openHelp = std::move(opener); }
    const QString& HelpTopic() const { return m_helpTopic; }

    // A button with its 24 x 24 picture: id is the object name ("id1005"),
    // rect where it lies in the window at its first size. Its size is the
    // least it takes (more when its text needs it). A rect at the bottom puts
    // it in the button row, in the order of the rects, the gaps kept: wide
    // gaps widen with the window. Elsewhere the step lays it out itself.
    QPushButton* AddButton(const char* id, const QString& text, const QString& picture,
                           const QRect& rect);
    // The help button with its three-image strip and the tooltip "Help".
    CHoverButton* AddHelpButton(const char* id, QPoint at);

    // Where the steps lay out their controls: everything above the button
    // row, the full width of the window.
    QVBoxLayout* Content() const { return m_content; }

protected:
    // The separator above the button row; dialogs add their own lines.
    virtual void PaintDecorations(QPainter& painter);
    // The top of the button row as laid out.
    int ButtonRowTop() const;
    // What Escape and the close box do; the default ends the step as cancelled.
    virtual void CloseRequested() { reject(); }
    void OpenHelp(const QString& topic);

    void paintEvent(QPaintEvent* event) override;
    // Names the controls a step leaves unnamed for assistive technology.
    void showEvent(QShowEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

    // Set while CloseRequested runs its own reject().
    bool m_closingByRequest = false;

private:
    void PlaceInButtonRow(QWidget* widget, const QRect& rect);

    QString m_helpTopic;
    HelpOpener m_openHelp;
    QVBoxLayout* m_content = nullptr;
    QHBoxLayout* m_buttonRow = nullptr;
    std::vector<std::pair<QRect, QWidget*>> m_rowWidgets;  // in the order of their rects
};

// The font size the wizard's texts take: the compact size the windows were
// drawn for, larger when the desktop's font is larger.
qreal WizardPointSize(qreal basePoints);

// The grey and white lines the wizard's windows draw.
inline const QColor kLineGrey(175, 175, 175);
inline const QColor kTextGrey(125, 125, 125);

}  // namespace tvn::ui
