#ifndef CLICKABLELABELACCESSIBLE_H
#define CLICKABLELABELACCESSIBLE_H

#include <QAccessibleWidget>

class clickableLabel;

// A link label to assistive technology: a link named by its text, which the
// "press" action follows.
class clickableLabelAccessible : public QAccessibleWidget
{
public:
    explicit clickableLabelAccessible(clickableLabel *label);

    QString text(QAccessible::Text t) const override;
    QStringList actionNames() const override;
    void doAction(const QString &actionName) override;

private:
    clickableLabel *label() const;
};

#endif
