// Centred check boxes for the "Show" and "StartUp" columns. The item views
// draw a check box at the left edge of its cell whatever the cell's
// alignment, so the box is drawn, and hit, in a slot of its own width in
// the middle of the cell.
#include "catalogue/shortcuts_page.h"

#include "toolkit/grid.h"

#include <QApplication>
#include <QStyle>
#include <QStyledItemDelegate>

namespace {

class centred_check_box : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override {
        QStyleOptionViewItem whole = option;
        initStyleOption(&whole, index);
        style(option)->drawPrimitive(QStyle::PE_PanelItemViewItem, &whole, painter, option.widget);
        QStyledItemDelegate::paint(painter, centred(option), index);
    }

    bool editorEvent(QEvent *event, QAbstractItemModel *model, const QStyleOptionViewItem &option,
                     const QModelIndex &index) override {
        return QStyledItemDelegate::editorEvent(event, model, centred(option), index);
    }

private:
    static QStyle *style(const QStyleOptionViewItem &option) {
        return option.widget ? option.widget->style() : QApplication::style();
    }
    // The part of the cell the box needs, with the style's margins, centred.
    static QStyleOptionViewItem centred(const QStyleOptionViewItem &option) {
        QStyle *s = style(option);
        const int margin = s->pixelMetric(QStyle::PM_FocusFrameHMargin, &option, option.widget) + 1;
        const int width = s->pixelMetric(QStyle::PM_IndicatorWidth, &option, option.widget) + 2 * margin;
        QStyleOptionViewItem narrow = option;
        if (width < option.rect.width())
            narrow.rect = QRect(option.rect.x() + (option.rect.width() - width) / 2, option.rect.y(), width,
                                option.rect.height());
        return narrow;
    }
};

} // namespace

void centre_check_boxes(TGrid *grid) {
    for (int col = 0; col < grid->col_count(); ++col)
        if (grid->is_check_column(col))
            grid->setItemDelegateForColumn(col, new centred_check_box(grid));
}
