// The DAC panel as the benchmarks run it: opened through Auto Find on a
// system of one card, with the members they measure in reach.
#ifndef BENCHPANEL_H
#define BENCHPANEL_H

#include <QAbstractButton>
#include <QEvent>
#include <QMessageBox>
#include <QString>
#include <QTimer>

#include "qm7240fp_app.h"

// One VXI carrier with one DAC card, current groups 1 and 2, channel 6 into
// an open circuit, every driver call taking `callDelayMs`.
inline QString benchSystemYaml(int callDelayMs = 0)
{
    return QStringLiteral(R"(resources:
  - descriptor: "VXI0::2::INSTR"
    slot: 2
    carrier:
      model: 6080
      positions: 4
      cards:
        - position: 1
          model: 0x4C5E
          serial: 0x1a2b
          subtype: "AA"
          groups: [current, current, {voltage: [-10, 10]}, {voltage: [0, 1]}]
          open_circuit: [6]
          call_delay_ms: %1
)")
        .arg(callDelayMs);
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
    using qm7240fp_App::statusTimer;
};

#endif
