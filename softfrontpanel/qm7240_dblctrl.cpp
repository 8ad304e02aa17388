#include "qm7240_dblctrl.h"

qm7240_dblCtrl::qm7240_dblCtrl(int channel, QWidget *parent)
    : QDoubleSpinBox(parent), m_channel(channel)
{
    // Keyboard tracking stays on: every accepted keystroke reaches the card.
    connect(this, qOverload<double>(&QDoubleSpinBox::valueChanged), this,
            &qm7240_dblCtrl::valueChanged_slot);
}

qm7240_dblCtrl::~qm7240_dblCtrl() = default;

void qm7240_dblCtrl::valueChanged_slot(double val)
{
    emit valueChanged(m_channel, val);
}
