#include "modalanswerer.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QEvent>
#include <QKeyEvent>
#include <QMessageBox>
#include <QProgressDialog>
#include <QTest>
#include <QTimer>

namespace {

QString plainText(QString text)
{
    return text.remove(QLatin1Char('&'));
}

void fillRecord(ModalRecord &record, QWidget *window)
{
    record.seen = true;
    record.widget = window;
    record.className = QString::fromLatin1(window->metaObject()->className());
    record.title = window->windowTitle();
    if (auto *box = qobject_cast<QMessageBox *>(window)) {
        record.text = box->text();
        record.icon = int(box->icon());
    }
    record.buttons.clear();
    for (QAbstractButton *button : window->findChildren<QAbstractButton *>())
        if (!button->text().isEmpty())
            record.buttons << plainText(button->text());
}

} // namespace

ModalAnswerer &ModalAnswerer::instance()
{
    static ModalAnswerer *answerer = new ModalAnswerer;
    return *answerer;
}

ModalAnswerer::ModalAnswerer()
{
    qApp->installEventFilter(this);
}

std::shared_ptr<ModalRecord> ModalAnswerer::expect(std::function<void(QWidget *)> action)
{
    auto record = std::make_shared<ModalRecord>();
    queue.push_back({std::move(action), record});
    return record;
}

std::shared_ptr<ModalRecord> ModalAnswerer::click(const QString &buttonText)
{
    return expect([buttonText](QWidget *window) { clickButton(window, buttonText); });
}

void ModalAnswerer::clear()
{
    queue.clear();
    unexpectedRecords.clear();
}

void ModalAnswerer::clickButton(QWidget *window, const QString &buttonText)
{
    if (buttonText == QLatin1String("<escape>")) {
        QTest::keyClick(window, Qt::Key_Escape);
        return;
    }
    if (buttonText == QLatin1String("<close>")) {
        window->close();
        return;
    }
    for (QAbstractButton *button : window->findChildren<QAbstractButton *>()) {
        if (plainText(button->text()) == buttonText && button->isVisible()) {
            button->click();
            return;
        }
    }
    qWarning("ModalAnswerer: no button '%s' in '%s'; closing it", qPrintable(buttonText),
             qPrintable(window->windowTitle()));
    window->close();
}

bool ModalAnswerer::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::Show || !watched->isWidgetType())
        return false;
    auto *window = static_cast<QWidget *>(watched);
    if (!window->isWindow() || !window->isModal() || qobject_cast<QProgressDialog *>(window))
        return false;

    if (queue.empty()) {
        auto record = std::make_shared<ModalRecord>();
        fillRecord(*record, window);
        unexpectedRecords << record;
        QPointer<QWidget> guard(window);
        QTimer::singleShot(0, window, [guard] {
            if (guard)
                guard->close();
        });
        return false;
    }

    Pending next = std::move(queue.front());
    queue.pop_front();
    fillRecord(*next.record, window);
    QPointer<QWidget> guard(window);
    // Run the action once the window's own modal loop is running.
    QTimer::singleShot(0, window, [guard, action = std::move(next.action)] {
        if (guard)
            action(guard);
    });
    return false;
}
