#include "ui/wizard_dialog.h"

#include "preview/i18n.h"

#include <QCloseEvent>
#include <QProgressBar>
#include <QKeyEvent>
#include <QPainter>
#include <QWindow>

#include "ui/help.h"

namespace tvn::ui {

CWizardDialog::CWizardDialog(QWidget* parent, QString helpTopic)
    : QDialog(parent), m_helpTopic(std::move(helpTopic)) {
    setWindowTitle(QStringLiteral("Tarvolin"));
    setWindowIcon(QIcon(QStringLiteral(":/art/tarvolin.svg")));
    setFixedSize(kWidth, kHeight);
    // The texts and positions are laid out for a compact sans-serif face.
    QFont dialogFont(QStringLiteral("Liberation Sans"));
    dialogFont.setPointSize(9);
    setFont(dialogFont);
    setAutoFillBackground(true);
    QPalette p = palette();
    p.setColor(QPalette::Window, QColor(240, 240, 240));
    setPalette(p);
    m_openHelp = [this](const QString& topic) { ShowHelp(this, topic); };
}

QPushButton* CWizardDialog::AddButton(const char* id, const QString& text, const QString& picture,
                                      const QRect& rect) {
    auto* button = new QPushButton(TrKnown(text), this);
    button->setObjectName(QString::fromLatin1(id));
    if (!picture.isEmpty()) {
        button->setIcon(QIcon(picture));
        button->setIconSize(QSize(24, 24));
    }
    button->setGeometry(rect);
    button->setAutoDefault(false);
    return button;
}

CHoverButton* CWizardDialog::AddHelpButton(const char* id, QPoint at) {
    auto* help = new CHoverButton(this);
    help->setObjectName(QString::fromLatin1(id));
    help->LoadBitmap(QStringLiteral(":/art/help_strip.svg"));
    help->move(at);
    help->SetToolTipText(Tr("Help"), true);
    help->setAccessibleName(Tr("Help"));
    connect(help, &QAbstractButton::clicked, this, [this] { OpenHelp(m_helpTopic); });
    return help;
}

void CWizardDialog::OpenHelp(const QString& topic) {
    if (m_openHelp) m_openHelp(topic);
}

void CWizardDialog::PaintDecorations(QPainter& painter) {
    const int w = width(), h = height();
    painter.setPen(kLineGrey);
    painter.drawLine(0, h - 45, w, h - 45);
    painter.setPen(Qt::white);
    painter.drawLine(0, h - 44, w, h - 44);
}

void CWizardDialog::paintEvent(QPaintEvent* event) {
    QDialog::paintEvent(event);
    QPainter painter(this);
    PaintDecorations(painter);
}

void CWizardDialog::mousePressEvent(QMouseEvent* event) {
    // The window follows the mouse as if its title bar had been grabbed.
    if (event->button() == Qt::LeftButton && windowHandle() != nullptr) {
        windowHandle()->startSystemMove();
        event->accept();
        return;
    }
    QDialog::mousePressEvent(event);
}

void CWizardDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    for (QProgressBar* bar : findChildren<QProgressBar*>())
        if (bar->accessibleName().isEmpty()) bar->setAccessibleName(Tr("Progress"));
}

void CWizardDialog::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_F1) {
        OpenHelp(m_helpTopic);
        event->accept();
        return;
    }
    if (event->key() == Qt::Key_Escape) {
        CloseRequested();
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void CWizardDialog::closeEvent(QCloseEvent* event) {
    if (m_closingByRequest) {
        QDialog::closeEvent(event);
        return;
    }
    event->ignore();
    CloseRequested();
}

void CWizardDialog::reject() {
    // Only the step's own decision ends it as cancelled.
    m_closingByRequest = true;
    QDialog::reject();
    m_closingByRequest = false;
}

}  // namespace tvn::ui
