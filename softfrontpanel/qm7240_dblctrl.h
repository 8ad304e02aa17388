#ifndef QM7240_DBLCTRL_H
#define QM7240_DBLCTRL_H

#include <QDoubleSpinBox>

// Value editor of one DAC channel: a double spin box that announces every
// change of its value together with the channel it edits, so that sixteen of
// them can share one slot.
class qm7240_dblCtrl : public QDoubleSpinBox
{
    Q_OBJECT

public:
    explicit qm7240_dblCtrl(int channel, QWidget *parent = nullptr);
    ~qm7240_dblCtrl() override;

    int channel() const { return m_channel; }

signals:
    void valueChanged(int indx, double val);

public slots:
    void valueChanged_slot(double val);

private:
    int m_channel;
};

#endif
