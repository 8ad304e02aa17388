#ifndef SIMFIXTURE_H
#define SIMFIXTURE_H

#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// A simulated instrument system for one test: writes the YAML text to a
// temporary file (an empty text selects the built-in system), points
// VISA_SIM_FILE and VISA_SIM_JOURNAL at it and makes the simulator start
// afresh. The destructor resets the simulator again.
class SimFixture
{
public:
    explicit SimFixture(const QString &yaml = QString());
    ~SimFixture();
    SimFixture(const SimFixture &) = delete;
    SimFixture &operator=(const SimFixture &) = delete;

    QString filePath() const { return simFile; }
    QString journalPath() const { return journalFile; }
    QString dirPath() const { return dir.path(); }

    // Every journal line, parsed; a line that is not a JSON object fails the
    // calling test through QTest::qFail and is left out.
    QList<QJsonObject> journal() const;
    // The journal lines of one function, in order.
    QList<QJsonObject> calls(const QString &callName) const;
    QStringList callNames() const;
    void clearJournal();

private:
    QTemporaryDir dir;
    QString simFile;
    QString journalFile;
};

#endif
