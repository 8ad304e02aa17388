#ifndef QM6080FP_LEDACCESSIBLE_H
#define QM6080FP_LEDACCESSIBLE_H

#include <QAccessibleWidget>

#include "accessibility/qm6080fp_plaintext.h"

class qm6080fp_led;

// A lamp to assistive technology: named after what it watches and its state
// ("Channel 6 output error: lit"), checked while lit, unavailable while
// nothing watches it, and its state ("lit", "unlit", "not monitored")
// readable as its text. The lamp announces changes itself.
class qm6080fp_ledAccessible : public QAccessibleWidget, public qm6080fp_plainText
{
public:
    explicit qm6080fp_ledAccessible(qm6080fp_led *led);

    QString text(QAccessible::Text t) const override;
    QAccessible::State state() const override;
    void *interface_cast(QAccessible::InterfaceType type) override;

    // The state word.
    QString plainText() const override;
    using qm6080fp_plainText::text;

private:
    qm6080fp_led *led() const;
};

#endif
