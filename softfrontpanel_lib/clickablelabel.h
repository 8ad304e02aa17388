#ifndef CLICKABLELABEL_H
#define CLICKABLELABEL_H

#include <QLabel>

class QMouseEvent;

// A label drawn as a hyperlink; any mouse release on it emits clicked().
class clickableLabel : public QLabel
{
    Q_OBJECT

public:
    explicit clickableLabel(const QString &text, QWidget *parent = nullptr);

signals:
    void clicked();

protected:
    void mouseReleaseEvent(QMouseEvent *event) override;
};

#endif
