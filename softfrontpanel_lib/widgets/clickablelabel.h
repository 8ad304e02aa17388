#ifndef CLICKABLELABEL_H
#define CLICKABLELABEL_H

#include <QLabel>

class QKeyEvent;
class QMouseEvent;
class QPaintEvent;

// A label drawn as a hyperlink; any mouse release on it emits clicked(). It
// takes the focus with Tab, and Return or Space on it emits clicked() too.
class clickableLabel : public QLabel
{
    Q_OBJECT

public:
    explicit clickableLabel(const QString &text, QWidget *parent = nullptr);

    // The link's text without its markup.
    QString linkText() const { return plainText; }

public slots:
    // Follows the link, as a click does.
    void activate();

signals:
    void clicked();

protected:
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    QString plainText;
};

#endif
