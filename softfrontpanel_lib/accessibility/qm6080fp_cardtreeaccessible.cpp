#include "accessibility/qm6080fp_cardtreeaccessible.h"

#include <QAbstractItemModel>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QPointer>
#include <QTreeView>
#include <QWindow>

namespace {

// One cell of the tree, or one of its column headers.
class cardTreeCell : public QAccessibleInterface, public QAccessibleActionInterface
{
public:
    cardTreeCell(QTreeView *view, const QModelIndex &index) : view(view), index(index) {}
    cardTreeCell(QTreeView *view, int headerColumn) : view(view), headerColumn(headerColumn) {}

    bool isValid() const override
    {
        return view && view->model() && (headerColumn >= 0 || index.isValid());
    }
    QObject *object() const override { return nullptr; }
    QWindow *window() const override { return view ? view->window()->windowHandle() : nullptr; }
    QAccessibleInterface *parent() const override
    {
        return view ? QAccessible::queryAccessibleInterface(view) : nullptr;
    }
    QAccessibleInterface *child(int) const override { return nullptr; }
    QAccessibleInterface *childAt(int, int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface *) const override { return -1; }
    void setText(QAccessible::Text, const QString &) override {}

    QAccessible::Role role() const override
    {
        return headerColumn >= 0 ? QAccessible::ColumnHeader : QAccessible::TreeItem;
    }

    QString text(QAccessible::Text t) const override
    {
        if (!isValid())
            return QString();
        const QAbstractItemModel *model = view->model();
        if (headerColumn >= 0)
            return t == QAccessible::Name
                       ? model->headerData(headerColumn, Qt::Horizontal).toString()
                       : QString();
        if (t == QAccessible::Name) {
            const QString name = index.data(Qt::AccessibleTextRole).toString();
            return name.isEmpty() ? index.data(Qt::DisplayRole).toString() : name;
        }
        if (t == QAccessible::Description)
            return index.data(Qt::AccessibleDescriptionRole).toString();
        return QString();
    }

    QRect rect() const override
    {
        if (!isValid())
            return QRect();
        if (headerColumn >= 0) {
            const QHeaderView *header = view->header();
            const QPoint origin = header->mapToGlobal(QPoint(0, 0));
            return QRect(origin.x() + header->sectionViewportPosition(headerColumn), origin.y(),
                         header->sectionSize(headerColumn), header->height());
        }
        QRect r = view->visualRect(index);
        r.moveTopLeft(view->viewport()->mapToGlobal(r.topLeft()));
        return r;
    }

    QAccessible::State state() const override
    {
        QAccessible::State s;
        if (!isValid())
            return s;
        if (headerColumn >= 0)
            return s;
        const Qt::ItemFlags flags = index.flags();
        // What the screen shows greyed: the card cannot be chosen.
        s.disabled = !(flags & Qt::ItemIsEnabled);
        if (flags & Qt::ItemIsSelectable) {
            s.selectable = true;
            s.focusable = true;
            s.multiSelectable = view->selectionMode() == QAbstractItemView::ExtendedSelection ||
                                view->selectionMode() == QAbstractItemView::MultiSelection;
        }
        s.selected = view->selectionModel() && view->selectionModel()->isSelected(index);
        s.focused = view->currentIndex() == index;
        const QModelIndex first = index.sibling(index.row(), 0);
        if (index.column() == 0 && view->model()->hasChildren(first)) {
            s.expandable = true;
            s.expanded = view->isExpanded(first);
        }
        const QRect shown = view->viewport()->rect();
        s.invisible = !shown.intersects(view->visualRect(index));
        return s;
    }

    void *interface_cast(QAccessible::InterfaceType type) override
    {
        if (type == QAccessible::ActionInterface)
            return static_cast<QAccessibleActionInterface *>(this);
        return nullptr;
    }

    QStringList actionNames() const override
    {
        if (!isValid() || headerColumn >= 0 || !(index.flags() & Qt::ItemIsSelectable) ||
            !(index.flags() & Qt::ItemIsEnabled))
            return QStringList();
        return {toggleAction()};
    }

    void doAction(const QString &actionName) override
    {
        if (actionName != toggleAction() || !actionNames().contains(actionName))
            return;
        // As a click on the row does.
        view->setCurrentIndex(index);
        view->selectionModel()->select(index, QItemSelectionModel::ClearAndSelect |
                                                  QItemSelectionModel::Rows);
    }

    QStringList keyBindingsForAction(const QString &) const override { return QStringList(); }

    // What the cell stands for: a header column, or an item's index.
    bool isFor(int column, const QModelIndex &item) const
    {
        return isValid() && headerColumn == column && index == item;
    }

private:
    QPointer<QTreeView> view;
    QPersistentModelIndex index;
    int headerColumn = -1;
};

} // namespace

qm6080fp_cardTreeAccessible::qm6080fp_cardTreeAccessible(QTreeView *view)
    : QAccessibleWidget(view, QAccessible::Tree)
{}

qm6080fp_cardTreeAccessible::~qm6080fp_cardTreeAccessible()
{
    forgetCells();
}

QTreeView *qm6080fp_cardTreeAccessible::view() const
{
    return static_cast<QTreeView *>(widget());
}

QList<QModelIndex> qm6080fp_cardTreeAccessible::shownRows() const
{
    QList<QModelIndex> rows;
    const QAbstractItemModel *model = view()->model();
    if (!model)
        return rows;
    // Depth first, as the view draws them.
    QList<QModelIndex> pending;
    for (int r = model->rowCount(view()->rootIndex()) - 1; r >= 0; --r)
        pending << model->index(r, 0, view()->rootIndex());
    while (!pending.isEmpty()) {
        const QModelIndex row = pending.takeLast();
        rows << row;
        if (view()->isExpanded(row))
            for (int r = model->rowCount(row) - 1; r >= 0; --r)
                pending << model->index(r, 0, row);
    }
    return rows;
}

int qm6080fp_cardTreeAccessible::childCount() const
{
    const QAbstractItemModel *model = view()->model();
    if (!model)
        return 0;
    const int columns = model->columnCount(view()->rootIndex());
    const int headerCells = view()->isHeaderHidden() ? 0 : columns;
    return headerCells + int(shownRows().size()) * columns;
}

bool qm6080fp_cardTreeAccessible::locate(int index, int *headerColumn, QModelIndex *item) const
{
    const QAbstractItemModel *model = view()->model();
    if (!model || index < 0)
        return false;
    const int columns = model->columnCount(view()->rootIndex());
    if (columns <= 0)
        return false;
    const int headerCells = view()->isHeaderHidden() ? 0 : columns;
    *headerColumn = -1;
    *item = QModelIndex();
    if (index < headerCells) {
        *headerColumn = index;
        return true;
    }
    const QList<QModelIndex> rows = shownRows();
    const int row = (index - headerCells) / columns;
    if (row >= rows.size())
        return false;
    *item = rows.at(row).sibling(rows.at(row).row(), (index - headerCells) % columns);
    return true;
}

QAccessibleInterface *qm6080fp_cardTreeAccessible::child(int index) const
{
    int headerColumn = -1;
    QModelIndex item;
    if (!locate(index, &headerColumn, &item))
        return nullptr;
    // A position keeps its cell while the same header or item is shown there.
    auto known = cells.find(index);
    if (known != cells.end()) {
        auto *cell = static_cast<cardTreeCell *>(QAccessible::accessibleInterface(*known));
        if (cell && cell->isFor(headerColumn, item))
            return cell;
        QAccessible::deleteAccessibleInterface(*known);
        cells.erase(known);
    }
    auto *cell =
        headerColumn >= 0 ? new cardTreeCell(view(), headerColumn) : new cardTreeCell(view(), item);
    cells.insert(index, QAccessible::registerAccessibleInterface(cell));
    return cell;
}

int qm6080fp_cardTreeAccessible::indexOfChild(const QAccessibleInterface *child) const
{
    // Every cell handed out is known by its position; it is still there if
    // that position still shows what the cell stands for. Only asked, never
    // made or dropped: the caller holds the cell while it asks.
    for (auto it = cells.cbegin(); it != cells.cend(); ++it) {
        if (QAccessible::accessibleInterface(it.value()) != child)
            continue;
        int headerColumn = -1;
        QModelIndex item;
        const auto *cell = static_cast<const cardTreeCell *>(child);
        return locate(it.key(), &headerColumn, &item) && cell->isFor(headerColumn, item) ? it.key()
                                                                                         : -1;
    }
    return -1;
}

QAccessibleInterface *qm6080fp_cardTreeAccessible::childAt(int x, int y) const
{
    const QAbstractItemModel *model = view()->model();
    if (!model)
        return nullptr;
    const int columns = model->columnCount(view()->rootIndex());
    const int headerCells = view()->isHeaderHidden() ? 0 : columns;
    const QHeaderView *header = view()->header();
    const QPoint inHeader = header->mapFromGlobal(QPoint(x, y));
    if (headerCells > 0 && header->rect().contains(inHeader))
        return child(header->logicalIndexAt(inHeader));
    const QModelIndex item = view()->indexAt(view()->viewport()->mapFromGlobal(QPoint(x, y)));
    if (!item.isValid())
        return nullptr;
    const int row = int(shownRows().indexOf(item.sibling(item.row(), 0)));
    return row < 0 ? nullptr : child(headerCells + row * columns + item.column());
}

void qm6080fp_cardTreeAccessible::forgetCells()
{
    for (QAccessible::Id id : qAsConst(cells))
        QAccessible::deleteAccessibleInterface(id);
    cells.clear();
}
