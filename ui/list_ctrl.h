// The list of the found-data dialog: striped rows and, when the list is
// empty, a text in the middle of it ("No item to display in this view.").
// Works over any item model; columns come from the model's header.
#pragma once

#include <QTreeView>

namespace tvn::ui {

class CTXListCtrl : public QTreeView {
    Q_OBJECT
public:
    explicit CTXListCtrl(QWidget* parent = nullptr);

    void SetEmptyText(const QString& text);
    const QString& EmptyText() const { return m_empty; }
    // Whether the empty text is drawn now.
    bool ShowsEmptyText() const;

    // The background of a row: even rows (0, 2, ...) lavender, odd rows white.
    static QColor RowColor(int row);

protected:
    void drawRow(QPainter* painter, const QStyleOptionViewItem& option,
                 const QModelIndex& index) const override;
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_empty;
};

}  // namespace tvn::ui
