#ifndef QM6080FP_CARDTREEACCESSIBLE_H
#define QM6080FP_CARDTREEACCESSIBLE_H

#include <QAccessibleWidget>
#include <QHash>

class QTreeView;

// The selection tree to assistive technology. The toolkit's own tree reports
// every row as enabled, so a card that cannot be chosen (greyed on screen)
// would sound like one that can. This one lists the same cells in the same
// order (the header, then each shown row, column by column) and reports a
// row without Qt::ItemIsEnabled as disabled.
class qm6080fp_cardTreeAccessible : public QAccessibleWidget
{
public:
    explicit qm6080fp_cardTreeAccessible(QTreeView *view);
    ~qm6080fp_cardTreeAccessible() override;

    int childCount() const override;
    QAccessibleInterface *child(int index) const override;
    int indexOfChild(const QAccessibleInterface *child) const override;
    QAccessibleInterface *childAt(int x, int y) const override;

private:
    QTreeView *view() const;
    // The rows shown, in display order: children of expanded rows follow them.
    QList<QModelIndex> shownRows() const;
    // What position `index` among the tree's children shows: a header
    // column, or an item's cell. False for a position past the last.
    bool locate(int index, int *headerColumn, QModelIndex *item) const;
    // Lets go of every cell handed out.
    void forgetCells();

    // Cells and header cells handed out, by their position among the tree's children.
    mutable QHash<int, QAccessible::Id> cells;
};

#endif
