#include "accessibility/qm6080fp_announcer.h"

#include <QTimer>

#include "accessibility/qm6080fp_accessibility.h"

namespace {

// Long enough for a screen reader to read the notification after it showed.
constexpr int showMs = 5000;

} // namespace

qm6080fp_announcer::qm6080fp_announcer(QWidget *parent) : QWidget(parent), quiet(new QTimer(this))
{
    qm6080fp_installAccessibility();
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
    setGeometry(0, 0, 1, 1);
    hide();
    quiet->setSingleShot(true);
    quiet->setInterval(showMs);
    connect(quiet, &QTimer::timeout, this, &QWidget::hide);
}

void qm6080fp_announcer::announce(const QString &text)
{
    setAccessibleName(text);
    // A notification is spoken when it shows: hidden first if it still
    // shows the last one.
    hide();
    if (parentWidget() && parentWidget()->isVisible()) {
        show();
        raise();
        quiet->start();
    }
}
