#include "ui/wizard_dialog.h"

#include "preview/i18n.h"

#include <QApplication>
#include <QBoxLayout>
#include <QCloseEvent>
#include <QProgressBar>
#include <QKeyEvent>
#include <QPainter>
#include <QWindow>
#include <algorithm>

#include "ui/help.h"

namespace tvn::ui {

namespace {
// The desktop font size the windows were drawn for: up to it the wizard keeps
// its compact face; above it the texts grow in proportion.
constexpr qreal kDrawnForPoints = 11.0;
// Buttons further apart than this keep apart as the window widens.
constexpr int kKeptGap = 12;
}  // namespace

qreal WizardPointSize(qreal basePoints) {
    const qreal desktop = QApplication::font().pointSizeF();
    return desktop > kDrawnForPoints ? basePoints * desktop / kDrawnForPoints : basePoints;
}

CWizardDialog::CWizardDialog(QWidget* parent, QString helpTopic)
    : QDialog(parent), m_helpTopic(std::move(helpTopic)) {
    setWindowTitle(QStringLiteral("Tarvolin"));
    setWindowIcon(QIcon(QStringLiteral(":/art/tarvolin.svg")));
    // The texts and positions are laid out for a compact sans-serif face.
    QFont dialogFont(QStringLiteral("Liberation Sans"));
    dialogFont.setPointSizeF(WizardPointSize(9));
    setFont(dialogFont);
    auto* root = new QVBoxLayout(this);
    root->setContentsMargins(0, 0, 0, 0);
    root->setSpacing(0);
    m_content = new QVBoxLayout;
    m_content->setContentsMargins(0, 0, 0, 0);
    m_content->setSpacing(0);
    root->addLayout(m_content, 1);
    m_buttonRow = new QHBoxLayout;
    m_buttonRow->setContentsMargins(0, 0, 0, 0);
    m_buttonRow->setSpacing(0);
    root->addLayout(m_buttonRow);
    resize(kWidth, kHeight);
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
    button->setAutoDefault(false);
    button->setMinimumSize(rect.size());
    button->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    button->setGeometry(rect);
    PlaceInButtonRow(button, rect);
    return button;
}

void CWizardDialog::PlaceInButtonRow(QWidget* widget, const QRect& rect) {
    if (rect.top() < kHeight - 50) return;  // not of the bottom row
    m_rowWidgets.emplace_back(rect, widget);
    std::stable_sort(m_rowWidgets.begin(), m_rowWidgets.end(),
                     [](const auto& a, const auto& b) { return a.first.left() < b.first.left(); });
    while (QLayoutItem* item = m_buttonRow->takeAt(0)) delete item;  // the widgets stay
    int right = 0;
    for (const auto& [r, w] : m_rowWidgets) {
        const int gap = std::max(0, r.left() - right);
        if (right > 0 && gap > kKeptGap) {
            m_buttonRow->addStretch(gap);
        } else {
            m_buttonRow->addSpacing(gap);
        }
        m_buttonRow->addWidget(w);
        right = r.left() + r.width();
    }
    m_buttonRow->addSpacing(std::max(0, kWidth - right));
}

int CWizardDialog::ButtonRowTop() const {
    const QRect row = m_buttonRow->geometry();
    return row.isValid() && row.height() > 0 ? row.top() : height() - 40;
}

CHoverButton* CWizardDialog::AddHelpButton(const char* id, QPoint at) {
    auto* help = new CHoverButton(this);
    help->setObjectName(QString::fromLatin1(id));
    help->LoadBitmap(QStringLiteral(":/art/help_strip.svg"));
    help->move(at);
    help->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    PlaceInButtonRow(help, QRect(at, help->size()));
    help->SetToolTipText(Tr("Help"), true);
    help->setAccessibleName(Tr("Help"));
    connect(help, &QAbstractButton::clicked, this, [this] { OpenHelp(m_helpTopic); });
    return help;
}

void CWizardDialog::OpenHelp(const QString& topic) {
    if (m_openHelp) m_openHelp(topic);
}

void CWizardDialog::PaintDecorations(QPainter& painter) {
    const int w = width(), line = ButtonRowTop() - 5;
    painter.setPen(kLineGrey);
    painter.drawLine(0, line, w, line);
    painter.setPen(Qt::white);
    painter.drawLine(0, line + 1, w, line + 1);
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
