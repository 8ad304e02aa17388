#include "simfixture.h"

#include <QFile>
#include <QJsonDocument>
#include <QTest>

#include "sim_control.h"

SimFixture::SimFixture(const QString &yaml)
{
    journalFile = dir.filePath(QStringLiteral("journal.jsonl"));
    if (!yaml.isEmpty()) {
        simFile = dir.filePath(QStringLiteral("system.yaml"));
        QFile file(simFile);
        if (file.open(QIODevice::WriteOnly))
            file.write(yaml.toUtf8());
    }
    qputenv("VISA_SIM_FILE", simFile.toLocal8Bit());
    qputenv("VISA_SIM_JOURNAL", journalFile.toLocal8Bit());
    sim_reset();
}

SimFixture::~SimFixture()
{
    sim_reset();
    qputenv("VISA_SIM_FILE", QByteArray());
    qputenv("VISA_SIM_JOURNAL", QByteArray());
}

QList<QJsonObject> SimFixture::journal() const
{
    QList<QJsonObject> lines;
    QFile file(journalFile);
    if (!file.open(QIODevice::ReadOnly))
        return lines;
    while (!file.atEnd()) {
        const QByteArray line = file.readLine().trimmed();
        if (line.isEmpty())
            continue;
        QJsonParseError error;
        const QJsonDocument doc = QJsonDocument::fromJson(line, &error);
        if (!doc.isObject()) {
            QTest::qFail(qPrintable(QStringLiteral("journal line is not JSON: ") +
                                    QString::fromUtf8(line)),
                         __FILE__, __LINE__);
            continue;
        }
        lines << doc.object();
    }
    return lines;
}

QList<QJsonObject> SimFixture::calls(const QString &callName) const
{
    QList<QJsonObject> result;
    for (const QJsonObject &line : journal())
        if (line.value(QStringLiteral("call")).toString() == callName)
            result << line;
    return result;
}

QStringList SimFixture::callNames() const
{
    QStringList names;
    for (const QJsonObject &line : journal())
        names << line.value(QStringLiteral("call")).toString();
    return names;
}

void SimFixture::clearJournal()
{
    QFile file(journalFile);
    if (file.exists())
        file.resize(0);
}
