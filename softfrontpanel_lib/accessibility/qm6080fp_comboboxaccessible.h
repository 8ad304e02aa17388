#ifndef QM6080FP_COMBOBOXACCESSIBLE_H
#define QM6080FP_COMBOBOXACCESSIBLE_H

#include <QAccessibleWidget>

class QComboBox;

// A combo box that picks from a fixed list, to assistive technology: named by
// its label and the item chosen ("Current Range: 0-24mA"), so that a screen
// reader speaks both on focus and again whenever the item changes. The
// toolkit's own offers the item only through a selection interface that the
// AT-SPI bridge of Qt 5 and Qt 6.4 lacks, and Orca then speaks no value at
// all. The item's index is its value: a change of item is a change of value,
// which Orca announces on the focused box. Opening it shows the list, whose
// items the toolkit presents as always.
class qm6080fp_comboBoxAccessible : public QAccessibleWidget, public QAccessibleValueInterface
{
public:
    explicit qm6080fp_comboBoxAccessible(QComboBox *box);

    QString text(QAccessible::Text t) const override;
    // The label is part of the name: not a "labelled by" relation too, or a
    // screen reader would speak the label instead of the name.
    QVector<QPair<QAccessibleInterface *, QAccessible::Relation>>
    relations(QAccessible::Relation match = QAccessible::AllRelations) const override;
    void *interface_cast(QAccessible::InterfaceType type) override;
    QStringList actionNames() const override;
    void doAction(const QString &actionName) override;

    QVariant currentValue() const override;
    void setCurrentValue(const QVariant &value) override;
    QVariant maximumValue() const override;
    QVariant minimumValue() const override;
    QVariant minimumStepSize() const override { return 1; }

private:
    QComboBox *box() const;
    // The text of the label whose buddy the box is, or an empty text.
    QString labelText() const;
};

#endif
