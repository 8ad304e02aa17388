// The DAC panel as the benchmarks run it: opened through Auto Find on a
// system of one card, with the members they measure in reach.
#ifndef BENCHPANEL_H
#define BENCHPANEL_H

#include <QAbstractButton>
#include <QApplication>
#include <QEvent>
#include <QMessageBox>
#include <QString>
#include <QTimer>

#include <memory>

#include "qm7240_fc.h"
#include "qm7240fp_app.h"
#include "simsystem.h"

// The suites' DAC card, channel 6 into an open circuit, every driver call
// taking `callDelayMs`.
inline QString benchSystemYaml(int callDelayMs = 0)
{
    SimDacCard card;
    card.extra = QStringLiteral("          open_circuit: [6]\n          call_delay_ms: %1\n")
                     .arg(callDelayMs);
    return simDacSystem(card);
}

// Answers the connection question with "Auto Find"; the one card is then opened directly.
class AutoFindAnswerer : public QObject
{
protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Show)
            if (auto *box = qobject_cast<QMessageBox *>(watched))
                for (QAbstractButton *button : box->buttons())
                    if (button->text().remove(QLatin1Char('&')) == QLatin1String("Auto Find"))
                        QTimer::singleShot(0, button, &QAbstractButton::click);
        return false;
    }
};

class BenchPanel : public qm7240fp_App
{
public:
    using qm7240fp_App::dacCtrl;
    using qm7240fp_App::errorLed;
    using qm7240fp_App::qm7240fp_App;
    using qm7240fp_App::rangeComboBox;
    using qm7240fp_App::statusTimer;

    qm6080fp_cardThread *cardThread() const { return d_cardThread.get(); }
};

// The panel opened through Auto Find, sized and shown.
inline std::unique_ptr<BenchPanel> openBenchPanel(qm7240_fc &fc)
{
    AutoFindAnswerer answerer;
    qApp->installEventFilter(&answerer);
    auto panel = std::make_unique<BenchPanel>(&fc);
    qApp->removeEventFilter(&answerer);
    panel->adjustSize();
    panel->show();
    return panel;
}

#endif
