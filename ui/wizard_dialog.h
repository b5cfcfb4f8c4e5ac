// What every step of the wizard shares: the fixed window size, the row of
// picture buttons at the bottom with the help button at its left, the
// painted separator lines, help on F1, and dragging the window by its
// surface.
#pragma once

#include <QDialog>
#include <QPushButton>
#include <functional>

#include "ui/hover_button.h"

namespace tvn::ui {

class CWizardDialog : public QDialog {
    Q_OBJECT
public:
    // The client area. With the desktop's title bar the window is about
    // 620 x 500, the size every wizard window has.
    static constexpr int kWidth = 620;
    static constexpr int kHeight = 470;

    CWizardDialog(QWidget* parent, QString helpTopic);

    // How help pages are opened; tests record the topic instead.
    using HelpOpener = std::function<void(const QString& topic)>;
    void SetHelpOpener(HelpOpener opener) { m_openHelp = std::move(opener); }
    const QString& HelpTopic() const { return m_helpTopic; }

    // A button of the bottom row with its 24 x 24 picture: id is the object
    // name ("id1005"), rect the pixel rectangle.
    QPushButton* AddButton(const char* id, const QString& text, const QString& picture,
                           const QRect& rect);
    // The help button with its three-image strip and the tooltip "Help".
    CHoverButton* AddHelpButton(const char* id, QPoint at);

protected:
    // The separator above the button row; dialogs add their own lines.
    virtual void PaintDecorations(QPainter& painter);
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
    QString m_helpTopic;
    HelpOpener m_openHelp;
};

// The grey and white lines the wizard's windows draw.
inline const QColor kLineGrey(175, 175, 175);
inline const QColor kTextGrey(125, 125, 125);

}  // namespace tvn::ui
