#ifndef QM6080FP_FCSEARCH_H
#define QM6080FP_FCSEARCH_H

#include <QList>
#include <QString>
#include <QStringList>

#include "visa.h"

class qm6080fp_fcSelect;
class qm6080fp_genFC;

// One VISA resource and what its probe learned about the carrier behind it.
struct resourceInfo_t
{
    QString descriptor;           // as the resource search returned it
    QStringList carrierText;      // empty: no carrier; else its display text
    ViUInt16 carrierModel = 0;    // decimal carrier model, translated
    QString optionSuffix;         // probe's working storage
    QList<QStringList> cardTexts; // per occupied position: card name, model text
    QList<ViInt32> cardNumbers;   // parallel: position from 1, or 0 when not supported
    QString tcpipAddress;         // network carriers only
};

// Inputs and results of one probe. Each probe writes only its own record.
struct getResourceInfo_params_t
{
    qm6080fp_genFC *fc = nullptr; // only isSupportedModel is used
    ViSession rmSession = 0;      // shared by every probe of a search
    resourceInfo_t info;
    bool done = false; // already probed on the GUI thread
};

// Probes one resource: opens it, asks the common library for the carrier and
// its cards, and fills params->info. Safe to run on several threads at once
// for different records.
void getResourceInfo(getResourceInfo_params_t *params);

bool resourceInfoLessThan(const resourceInfo_t &a, const resourceInfo_t &b);

// Post-processing of the probes' results, in the order the search applies it.

// Drops every network box whose TCPIP address an earlier entry already has,
// so a box VISA lists under two descriptors appears once, under the first.
QList<resourceInfo_t> dropDuplicateNetworkBoxes(const QList<resourceInfo_t> &resources);

// Ascending by resourceInfoLessThan; entries that compare equal keep their
// enumeration order.
void sortResources(QList<resourceInfo_t> &resources);

// Model code to show for a raw code reported by the common library.
ViUInt16 translateCardModel(ViUInt16 rawCode);
// Carrier model (decimal) to show for the one the common library reports.
ViUInt16 translateCarrierModel(ViUInt16 reportedModel);
// Whether cards of this (shown) model carry a two-character option code.
bool carriesOptionCode(ViUInt16 shownCode);
// "-" and the option word's high and low byte as characters; a byte that is
// no printable character shows as '?'.
QString optionSuffixText(ViUInt16 optionWord);
// Shown code as four hexadecimal digits padded with blanks, then the suffix.
QString cardModelText(ViUInt16 shownCode, const QString &optionSuffix);
// The descriptor up to the first ':' (VXI0, TCPIP0), or all of it.
QString interfaceName(const QString &descriptor);

// Fills the dialog's (cleared) tree from sorted resources and records the last
// available card in its outcome members; returns the number of available
// cards listed, at most 256.
int fillCardTree(qm6080fp_fcSelect *dialog, const QList<resourceInfo_t> &resources);

#endif
