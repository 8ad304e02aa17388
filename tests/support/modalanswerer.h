#ifndef MODALANSWERER_H
#define MODALANSWERER_H

#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QWidget>

#include <deque>
#include <functional>
#include <memory>

// What a test learned of one modal window that it answered.
struct ModalRecord
{
    bool seen = false;
    QString className;
    QString title;
    QString text;           // QMessageBox text, empty for other dialogs
    int icon = 0;           // QMessageBox::Icon
    QStringList buttons;    // button texts without mnemonics, in layout order
    QPointer<QWidget> widget;
};

// Answers the modal windows a test provokes, in the order they appear. Every
// time a modal top-level window is shown (also a message box shown again),
// the next queued action runs on it from the event loop. Progress dialogs are
// passed over. A modal window with no action queued is closed and recorded as
// unexpected, so a forgotten box fails the test instead of hanging it.
class ModalAnswerer : public QObject
{
    Q_OBJECT

public:
    static ModalAnswerer &instance();

    std::shared_ptr<ModalRecord> expect(std::function<void(QWidget *)> action);
    // Clicks the button whose text (mnemonics removed) is `buttonText`;
    // "<escape>" presses Escape and "<close>" uses the window's close control.
    std::shared_ptr<ModalRecord> click(const QString &buttonText);

    int pending() const { return int(queue.size()); }
    const QList<std::shared_ptr<ModalRecord>> &unexpected() const { return unexpectedRecords; }
    void clear();

    static void clickButton(QWidget *window, const QString &buttonText);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    ModalAnswerer();

    struct Pending
    {
        std::function<void(QWidget *)> action;
        std::shared_ptr<ModalRecord> record;
    };
    std::deque<Pending> queue;
    QList<std::shared_ptr<ModalRecord>> unexpectedRecords;
};

#endif
