#ifndef QM6080FP_FCENTERADDRESSFC_H
#define QM6080FP_FCENTERADDRESSFC_H

#include <QWidget>

class QComboBox;

// The inputs for one function card of the address dialog: the carrier's VISA
// descriptor (typed or picked from the history) and the card number.
class qm6080fp_fcEnterAddressFc : public QWidget
{
    Q_OBJECT

public:
    qm6080fp_fcEnterAddressFc();

    QComboBox *descriptorComboBox = nullptr;
    // Index 0 is "Select" (no card chosen), index n is "FC n".
    QComboBox *fcNumberComboBox = nullptr;
};

#endif
