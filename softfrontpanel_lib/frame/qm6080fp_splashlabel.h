#ifndef QM6080FP_SPLASHLABEL_H
#define QM6080FP_SPLASHLABEL_H

#include <QFont>
#include <QPixmap>
#include <QRect>
#include <QString>

// Fonts and text rectangles of the splash picture, worked out from the
// painter's default font.
struct qm6080fp_splashLayout_t
{
    QFont titleFont;
    QFont textFont;
    QFont smallFont;
    QRect titleRect;
    QRect descriptionRect;
    QRect noticeRect;
};

// The 520 x 400 start-up picture of a card's front panel: common background,
// the card's own picture, title, description and notice.
class qm6080fp_splashLabel : public QPixmap
{
public:
    qm6080fp_splashLabel(float scale, int margin, int modelCode, bool hexModel, QString notice,
                         QString description);
    // Reads the three pictures from `imagePrefix` ("fp_splash.png",
    // "qm<model>fp_splash.bmp", "qm<model>fp_splash.png") instead of ":/".
    qm6080fp_splashLabel(float scale, int margin, int modelCode, bool hexModel, QString notice,
                         QString description, const QString &imagePrefix);

    // The model as it appears in the title and in the card picture's name.
    static QString modelText(int modelCode, bool hexModel);
    static qm6080fp_splashLayout_t layout(const QFont &baseFont, float scale, int margin);

private:
    void compose(float scale, int margin, int modelCode, bool hexModel, const QString &notice,
                 const QString &description, const QString &imagePrefix);
};

#endif
