#ifndef JOURNALTEXT_H
#define JOURNALTEXT_H

#include <QString>
#include <QStringList>

class SimFixture;

// The journal lines of one call as text, so that a test compares them in one
// step: every line as "key=value key=value" for the keys asked for, in that
// order, lines joined by "; ". Numbers keep every digit; an absent key shows
// as "key?".
QString journalText(const SimFixture &sim, const QString &call, const QStringList &keys);

#endif
