#ifndef QM6080FP_LEDACCESSIBLE_H
#define QM6080FP_LEDACCESSIBLE_H

#include <QAccessibleWidget>

class qm6080fp_led;

// A lamp to assistive technology: named after what it watches and its state
// ("Channel 6 output error: lit"), checked while lit, unavailable while
// nothing watches it, and its state ("lit", "unlit", "not monitored")
// readable as its text. The lamp announces changes itself.
class qm6080fp_ledAccessible : public QAccessibleWidget, public QAccessibleTextInterface
{
public:
    explicit qm6080fp_ledAccessible(qm6080fp_led *led);

    QString text(QAccessible::Text t) const override;
    QAccessible::State state() const override;
    void *interface_cast(QAccessible::InterfaceType type) override;

    // The state word, as the text interface offers it.
    void selection(int selectionIndex, int *startOffset, int *endOffset) const override;
    int selectionCount() const override { return 0; }
    void addSelection(int, int) override {}
    void removeSelection(int) override {}
    void setSelection(int, int, int) override {}
    int cursorPosition() const override { return 0; }
    void setCursorPosition(int) override {}
    QString text(int startOffset, int endOffset) const override;
    int characterCount() const override;
    QRect characterRect(int) const override { return QRect(); }
    int offsetAtPoint(const QPoint &) const override { return -1; }
    void scrollToSubstring(int, int) override {}
    QString attributes(int offset, int *startOffset, int *endOffset) const override;

private:
    qm6080fp_led *led() const;
};

#endif
