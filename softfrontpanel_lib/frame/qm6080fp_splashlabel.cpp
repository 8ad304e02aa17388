#include "frame/qm6080fp_splashlabel.h"

#include <QFontMetrics>
#include <QPainter>

#include <cstdio>

namespace {

constexpr int splashWidth = 520;
constexpr int splashHeight = 400;
// The card picture fills x 67 to 519, y 38 to 236; the texts go below it.
constexpr int cardLeft = 67;
constexpr int cardTop = 38;
constexpr int cardBottom = 236;

QFont boldCopy(const QFont &base, int pointSize)
{
    QFont font(base);
    font.setWeight(QFont::Bold);
    font.setPointSize(pointSize > 0 ? pointSize : 1);
    return font;
}

} // namespace

qm6080fp_splashLabel::qm6080fp_splashLabel(float scale, int margin, int modelCode, bool hexModel,
                                           QString notice, QString description)
{
    compose(scale, margin, modelCode, hexModel, notice, description, QStringLiteral(":/"));
}

qm6080fp_splashLabel::qm6080fp_splashLabel(float scale, int margin, int modelCode, bool hexModel,
                                           QString notice, QString description,
                                           const QString &imagePrefix)
{
    compose(scale, margin, modelCode, hexModel, notice, description, imagePrefix);
}

QString qm6080fp_splashLabel::modelText(int modelCode, bool hexModel)
{
    return QStringLiteral("%1").arg(modelCode, 4, hexModel ? 16 : 10, QLatin1Char(' '));
}

qm6080fp_splashLayout_t qm6080fp_splashLabel::layout(const QFont &baseFont, float scale, int margin)
{
    qm6080fp_splashLayout_t result;
    result.titleFont = boldCopy(baseFont, int(scale * 18));
    result.textFont = boldCopy(baseFont, int(scale * 12));
    result.smallFont = boldCopy(baseFont, 8);
    const int t = QFontMetrics(result.titleFont).height();
    const int s = QFontMetrics(result.smallFont).height();

    const int x = margin + cardLeft;
    const int w = 453 - 2 * margin;
    result.titleRect = QRect(x, cardBottom + t / 2, w, t);
    result.descriptionRect = QRect(x, cardBottom + 2 * t, w, 164 - 2 * t - 3 * s);
    result.noticeRect = QRect(x, splashHeight - 2 * s, w, s);
    return result;
}

void qm6080fp_splashLabel::compose(float scale, int margin, int modelCode, bool hexModel,
                                   const QString &notice, const QString &description,
                                   const QString &imagePrefix)
{
    load(imagePrefix + QStringLiteral("fp_splash.png"));
    if (isNull()) {
        // Without the common background the texts still go on a plain picture.
        *static_cast<QPixmap *>(this) = QPixmap(splashWidth, splashHeight);
        fill(Qt::white);
    }

    const QString model = modelText(modelCode, hexModel);
    QPainter painter(this);
    const qm6080fp_splashLayout_t geometry = layout(painter.font(), scale, margin);

    painter.setFont(geometry.titleFont);
    painter.drawText(geometry.titleRect, Qt::AlignHCenter | Qt::AlignVCenter,
                     QStringLiteral("Vorilan %1").arg(model));
    painter.setFont(geometry.textFont);
    painter.drawText(geometry.descriptionRect, Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap,
                     description);
    painter.setFont(geometry.smallFont);
    painter.drawText(geometry.noticeRect, Qt::AlignHCenter | Qt::AlignVCenter, notice);

    // A full-size card picture wins; only its card area reaches the splash.
    const QPixmap full(imagePrefix + QStringLiteral("qm%1fp_splash.bmp").arg(model));
    if (full.width() == splashWidth && full.height() == splashHeight) {
        const QRect area(cardLeft, cardTop, 453, 199);
        painter.drawPixmap(area, full.copy(area));
    } else {
        const QPixmap card(imagePrefix + QStringLiteral("qm%1fp_splash.png").arg(model));
        if (card.width() == 452 && card.height() == 194) {
            painter.drawPixmap(cardLeft, 43, card);
        } else {
            std::fputs("The size of the image of the device, that is to be used in the splash "
                       "screen, is not as required!!!\n",
                       stdout);
            std::fflush(stdout);
        }
    }
    painter.end();
}
