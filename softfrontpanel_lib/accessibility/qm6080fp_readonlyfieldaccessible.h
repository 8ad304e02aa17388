#ifndef QM6080FP_READONLYFIELDACCESSIBLE_H
#define QM6080FP_READONLYFIELDACCESSIBLE_H

#include <QAccessibleWidget>

class QLineEdit;

// A read-only line of text (a range the card reports) to assistive
// technology: its whole text, once, with its unit. The toolkit's own reports
// the selection that Tab makes in it, so a screen reader read the text and
// then the selection, and gives each character a text run of its own, which
// Orca's line reading cuts one character short ("-10-10" for "-10-10V").
class qm6080fp_readOnlyFieldAccessible : public QAccessibleWidget, public QAccessibleTextInterface
{
public:
    explicit qm6080fp_readOnlyFieldAccessible(QLineEdit *field);

    QAccessible::State state() const override;
    void *interface_cast(QAccessible::InterfaceType type) override;

    void selection(int selectionIndex, int *startOffset, int *endOffset) const override;
    int selectionCount() const override { return 0; }
    void addSelection(int, int) override {}
    void removeSelection(int) override {}
    void setSelection(int, int, int) override {}
    int cursorPosition() const override;
    void setCursorPosition(int position) override;
    QString text(int startOffset, int endOffset) const override;
    int characterCount() const override;
    QRect characterRect(int) const override { return QRect(); }
    int offsetAtPoint(const QPoint &) const override { return -1; }
    void scrollToSubstring(int, int) override {}
    // One run of no attributes over the whole text.
    QString attributes(int offset, int *startOffset, int *endOffset) const override;

    using QAccessibleWidget::text;

private:
    QLineEdit *field() const;
};

#endif
