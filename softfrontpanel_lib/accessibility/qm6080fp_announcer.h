#ifndef QM6080FP_ANNOUNCER_H
#define QM6080FP_ANNOUNCER_H

#include <QString>
#include <QWidget>

class QTimer;

// Says a short text to assistive technology without moving the focus: a
// notification, which a screen reader speaks the moment it shows, whatever
// has the focus. Nothing is drawn: it is a transparent pixel in the corner of
// its window, shown only while it has something to say.
class qm6080fp_announcer : public QWidget
{
    Q_OBJECT

public:
    explicit qm6080fp_announcer(QWidget *parent);

    void announce(const QString &text);
    // What it said last.
    QString lastText() const { return accessibleName(); }

private:
    QTimer *quiet = nullptr;
};

#endif
