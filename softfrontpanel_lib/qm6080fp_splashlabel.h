#ifndef QM6080FP_SPLASHLABEL_H
#define QM6080FP_SPLASHLABEL_H

#include <QPixmap>
#include <QString>

// The 520 x 400 start-up picture of a card's front panel: common background,
// the card's own picture, title, description and notice.
class qm6080fp_splashLabel : public QPixmap
{
public:
    qm6080fp_splashLabel(float scale, int margin, int modelCode, bool hexModel, QString notice,
                         QString description);
};

#endif
