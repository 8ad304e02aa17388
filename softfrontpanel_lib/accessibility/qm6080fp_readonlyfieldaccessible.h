#ifndef QM6080FP_READONLYFIELDACCESSIBLE_H
#define QM6080FP_READONLYFIELDACCESSIBLE_H

#include <QAccessibleWidget>

#include "accessibility/qm6080fp_plaintext.h"

class QLineEdit;

// A read-only line of text (a range the card reports) to assistive
// technology: its whole text, once, with its unit. The toolkit's own reports
// the selection that Tab makes in it, so a screen reader read the text and
// then the selection, and gives each character a text run of its own, which
// Orca's line reading cuts one character short ("-10-10" for "-10-10V").
class qm6080fp_readOnlyFieldAccessible : public QAccessibleWidget, public qm6080fp_plainText
{
public:
    explicit qm6080fp_readOnlyFieldAccessible(QLineEdit *field);

    QAccessible::State state() const override;
    void *interface_cast(QAccessible::InterfaceType type) override;

    QString plainText() const override;
    int cursorPosition() const override;
    void setCursorPosition(int position) override;
    using qm6080fp_plainText::text;

private:
    QLineEdit *field() const;
};

#endif
