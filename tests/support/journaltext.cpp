#include "journaltext.h"

#include "simfixture.h"

QString journalText(const SimFixture &sim, const QString &call, const QStringList &keys)
{
    QStringList lines;
    for (const QJsonObject &line : sim.calls(call)) {
        QStringList fields;
        for (const QString &key : keys) {
            const QJsonValue value = line.value(key);
            if (value.isUndefined())
                fields << key + QLatin1Char('?');
            else if (value.isDouble())
                fields << key + QLatin1Char('=') + QString::number(value.toDouble(), 'g', 17);
            else
                fields << key + QLatin1Char('=') + value.toString();
        }
        lines << fields.join(QLatin1Char(' '));
    }
    return lines.join(QStringLiteral("; "));
}
