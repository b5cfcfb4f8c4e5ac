#include "ui/list_ctrl.h"

#include <QPainter>

namespace tvn::ui {

CTXListCtrl::CTXListCtrl(QWidget* parent) : QTreeView(parent) {
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setAlternatingRowColors(false);
}

void CTXListCtrl::SetEmptyText(const QString& text) {
    m_empty = text;
    viewport()->update();
}

bool CTXListCtrl::ShowsEmptyText() const {
    return !m_empty.isEmpty() && (model() == nullptr || model()->rowCount(rootIndex()) == 0);
}

QColor CTXListCtrl::RowColor(int row) {
    return row % 2 == 0 ? QColor(232, 232, 244) : QColor(Qt::white);
}

void CTXListCtrl::drawRow(QPainter* painter, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const {
    painter->fillRect(option.rect, RowColor(index.row()));
    QTreeView::drawRow(painter, option, index);
}

void CTXListCtrl::paintEvent(QPaintEvent* event) {
    QTreeView::paintEvent(event);
    if (!ShowsEmptyText()) return;
    QPainter painter(viewport());
    painter.fillRect(viewport()->rect(), palette().color(QPalette::Base));
    QFont f(QStringLiteral("Batang"));
    f.setPixelSize(14);
    f.setWeight(QFont::Black);
    f.setUnderline(true);
    f.setStyleStrategy(QFont::PreferAntialias);
    painter.setFont(f);
    painter.setPen(palette().color(QPalette::Disabled, QPalette::Text));
    painter.drawText(viewport()->rect(), Qt::AlignCenter | Qt::TextSingleLine, m_empty);
}

}  // namespace tvn::ui
