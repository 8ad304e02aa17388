#include "discovery/qm6080fp_fcsearch.h"

#include <QApplication>
#include <QFutureWatcher>
#include <QHash>
#include <QMessageBox>
#include <QProgressDialog>
#include <QPushButton>
#include <QSet>
#include <QThreadPool>
#include <QTreeWidget>
#include <QVector>
#include <QtConcurrent/QtConcurrentMap>

#include <algorithm>
#include <vector>

#include "connection/qm6080fp_genfc.h"
#include "discovery/qm6080fp_descriptororder.h"
#include "discovery/qm6080fp_fcselect.h"
#include "discovery/racedetector_annotations.h"
#include "qm6080.h"

namespace {

// Debian's Qt is built without ThreadSanitizer, so the pool's own locking that
// hands each record to a probe and back is invisible to it. These two marks
// state those hand-overs, so that the sanitizer still sees any other sharing
// between the probes and the GUI thread.
void handRecordOver(getResourceInfo_params_t *record)
{
    SFP_RACE_DETECTOR_RELEASE(record);
}

void takeRecordOver(getResourceInfo_params_t *record)
{
    SFP_RACE_DETECTOR_ACQUIRE(record);
}

// The selection dialog keeps at most this many card numbers.
constexpr int maxAvailableCards = 256;
constexpr int maxPoolThreads = 128;
constexpr int textBufferSize = 256;
// Byte offset of the option word in a card's register space.
constexpr ViInt32 optionWordOffset = 0xFC;

QString modelText(const qm6080fp_genFC *fc)
{
    return QStringLiteral("%1").arg(fc ? fc->m_modelCode : 0, 4, 16, QLatin1Char(' '));
}

// A text attribute in a zero-filled buffer that stays terminated even when
// the library fills it to the brim or the read fails.
QString textAttribute(ViSession vi, ViAttr attribute)
{
    char buffer[textBufferSize] = {};
    viGetAttribute(vi, attribute, buffer);
    buffer[sizeof buffer - 1] = '\0';
    return QString::fromLatin1(buffer);
}

char printableOrQuestionMark(unsigned char byte)
{
    return (byte >= 0x20 && byte < 0x7F) ? char(byte) : '?';
}

} // namespace

ViUInt16 translateCardModel(ViUInt16 rawCode)
{
    switch (rawCode) {
    case 0x2B3C:
        return 0x7352;
    case 0x4C5E:
        return 0x7240;
    case 0x5E31:
        return 0x7152;
    case 0x5E93:
        return 0x7153;
    default:
        break;
    }
    if ((rawCode & 0xFCFF) == 0x4C2A)
        return 0x7653;
    return rawCode;
}

ViUInt16 translateCarrierModel(ViUInt16 reportedModel)
{
    return reportedModel == 1864 ? ViUInt16(4231) : reportedModel;
}

bool carriesOptionCode(ViUInt16 shownCode)
{
    return shownCode == 0x8152 || shownCode == 0x8164;
}

QString optionSuffixText(ViUInt16 optionWord)
{
    char text[4] = {'-', printableOrQuestionMark((optionWord >> 8) & 0xFF),
                    printableOrQuestionMark(optionWord & 0xFF), '\0'};
    return QString::fromLatin1(text);
}

QString cardModelText(ViUInt16 shownCode, const QString &optionSuffix)
{
    return QStringLiteral("%1%2").arg(shownCode, 4, 16, QLatin1Char(' ')).arg(optionSuffix);
}

QString interfaceName(const QString &descriptor)
{
    const int colon = descriptor.indexOf(QLatin1Char(':'));
    return colon < 0 ? descriptor : descriptor.left(colon);
}

bool resourceInfoLessThan(const resourceInfo_t &a, const resourceInfo_t &b)
{
    return descriptorLessThan(a.descriptor, b.descriptor);
}

QList<resourceInfo_t> dropDuplicateNetworkBoxes(const QList<resourceInfo_t> &resources)
{
    QList<resourceInfo_t> kept;
    QSet<QString> addresses;
    for (const resourceInfo_t &resource : resources) {
        if (!resource.tcpipAddress.isEmpty()) {
            if (addresses.contains(resource.tcpipAddress))
                continue;
            addresses.insert(resource.tcpipAddress);
        }
        kept << resource;
    }
    return kept;
}

void sortResources(QList<resourceInfo_t> &resources)
{
    std::stable_sort(resources.begin(), resources.end(), resourceInfoLessThan);
}

namespace {

void probeResource(getResourceInfo_params_t *params)
{
    if (params->done)
        return;
    resourceInfo_t info = params->info;

    const QByteArray rsrcName = info.descriptor.toLatin1();
    ViSession vi = 0;
    if (viOpen(params->rmSession, rsrcName.constData(), VI_NO_LOCK, 0, &vi) < 0)
        return;

    // The library hands out a context only with a status that is not
    // negative; after a failed open the pointer may hold anything, and
    // closing it would free what was never given.
    qm6080_carrierContext *context = nullptr;
    if (qm6080_openCarrier(vi, &context) < 0) {
        viClose(vi);
        return;
    }
    if (!context || !context->info) {
        if (context)
            qm6080_closeCarrier(&context);
        viClose(vi);
        return;
    }

    qm6080_accessTable *optionTable = nullptr;
    if (context->access) {
        context->access(context, 0, 1);
        optionTable = context->access(context, 1, 1);
    }

    const qm6080_carrierInfo *carrier = context->info;
    info.carrierModel = translateCarrierModel(carrier->carrierModel);

    ViUInt16 interfaceType = 0;
    viGetAttribute(vi, VI_ATTR_INTF_TYPE, &interfaceType);
    if (interfaceType == VI_INTF_TCPIP) {
        const QString address = textAttribute(vi, VI_ATTR_TCPIP_ADDR);
        textAttribute(vi, VI_ATTR_TCPIP_DEVICE_NAME);
        info.carrierText
            << QStringLiteral("%1 - %2 LXI").arg(address).arg(ViInt16(info.carrierModel));
        info.tcpipAddress = address;
    } else {
        ViInt16 slot = 0;
        ViInt16 logicalAddress = 0;
        viGetAttribute(vi, VI_ATTR_SLOT, &slot);
        viGetAttribute(vi, VI_ATTR_VXI_LA, &logicalAddress);
        info.carrierText
            << QStringLiteral("Slot %1 - %2 MB").arg(slot).arg(ViInt16(info.carrierModel));
        info.tcpipAddress.clear();
    }

    // The block holds no more positions than this, whatever its count says.
    const int positions = std::clamp<ViInt32>(carrier->cardCount, 0, QM6080_MAX_POSITIONS);
    for (int i = 0; i < positions; ++i) {
        const ViUInt16 rawCode = carrier->modelCodes[i];
        if (rawCode == 0)
            continue;
        const ViUInt16 shownCode = translateCardModel(rawCode);
        info.optionSuffix.clear();
        if (optionTable && optionTable->read && carriesOptionCode(shownCode)) {
            ViUInt16 optionWord = 0;
            optionTable->read(context, i + 1, optionWordOffset, &optionWord);
            info.optionSuffix = optionSuffixText(optionWord);
        }
        info.cardTexts << QStringList{QStringLiteral("FC %1").arg(i + 1),
                                      cardModelText(shownCode, info.optionSuffix)};
        const bool supported = params->fc && params->fc->isSupportedModel(rawCode);
        info.cardNumbers << (supported ? ViInt32(i + 1) : ViInt32(0));
    }

    params->info = info;
    qm6080_closeCarrier(&context);
    viClose(vi);
}

} // namespace

void getResourceInfo(getResourceInfo_params_t *params)
{
    if (!params)
        return;
    takeRecordOver(params);
    probeResource(params);
    handRecordOver(params);
}

int fillCardTree(qm6080fp_fcSelect *dialog, const QList<resourceInfo_t> &resources)
{
    QTreeWidget *tree = dialog->cardTree;
    int available = 0;
    QString previousInterface;
    QTreeWidgetItem *interfaceItem = nullptr;
    // Equal-ranked descriptors of different spelling (GPIB0 and GPIB-VXI0) may
    // interleave; each interface name still gets one item only.
    QHash<QString, QTreeWidgetItem *> interfaceItems;

    for (const resourceInfo_t &resource : resources) {
        const QString name = interfaceName(resource.descriptor);
        if (!interfaceItem || name != previousInterface) {
            previousInterface = name;
            interfaceItem = interfaceItems.value(name);
            if (!interfaceItem) {
                interfaceItem = new QTreeWidgetItem(tree, QStringList{name});
                interfaceItem->setExpanded(true);
                interfaceItem->setFlags(Qt::ItemIsEnabled);
                interfaceItems.insert(name, interfaceItem);
            }
        }
        if (resource.carrierText.isEmpty())
            continue;

        auto *carrierItem = new QTreeWidgetItem(interfaceItem, resource.carrierText);
        carrierItem->setFlags(Qt::ItemIsEnabled);
        int carrierAvailable = 0;
        const int cards = std::min(resource.cardTexts.size(), resource.cardNumbers.size());
        for (int k = 0; k < cards; ++k) {
            const ViInt32 cardNumber = resource.cardNumbers.at(k);
            auto *cardItem = new QTreeWidgetItem(carrierItem, resource.cardTexts.at(k));
            cardItem->setData(0, Qt::StatusTipRole, int(cardNumber));
            cardItem->setData(1, Qt::StatusTipRole, resource.descriptor);
            if (cardNumber == 0) {
                cardItem->setFlags(Qt::NoItemFlags);
                continue;
            }
            dialog->descriptors = resource.descriptor;
            dialog->fcNumbers[0] = ViInt16(cardNumber);
            ++available;
            ++carrierAvailable;
            cardItem->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
            if (available >= maxAvailableCards) {
                QMessageBox box(
                    QMessageBox::Question,
                    QStringLiteral("Vorilan ") + modelText(dialog->fc) +
                        QStringLiteral(" SFP: Select Function Card"),
                    QStringLiteral("Found more Function Cards than supported by this "
                                   "SoftFrontPanel. Only first %1 are available.\nPlease "
                                   "contact Marvane's support if you need support for more "
                                   "cards.")
                        .arg(maxAvailableCards),
                    QMessageBox::NoButton, QApplication::activeWindow());
                box.setDefaultButton(
                    box.addButton(QStringLiteral("Continue"), QMessageBox::AcceptRole));
                box.exec();
                carrierItem->setExpanded(true);
                return available;
            }
        }
        carrierItem->setExpanded(carrierAvailable != 0);
    }
    return available;
}

int qm6080fp_fcSelect::findFunctionCards()
{
    cardTree->clear();
    QList<resourceInfo_t> resources;

    ViSession rm = 0;
    if (viOpenDefaultRM(&rm) != VI_SUCCESS) {
        viClose(rm);
        return 0;
    }

    char buffer[VI_FIND_BUFLEN] = {};
    ViFindList list = 0;
    ViUInt32 count = 0;
    if (viFindRsrc(rm, "?*INSTR", &list, &count, buffer) != VI_SUCCESS) {
        viClose(rm);
        return 0;
    }
    if (count == 0) {
        viClose(list);
        viClose(rm);
        return 0;
    }
    ViStatus status = VI_SUCCESS;
    do {
        buffer[sizeof buffer - 1] = '\0';
        resourceInfo_t entry;
        entry.descriptor = QString::fromLatin1(buffer);
        resources << entry;
        --count;
        status = viFindNext(list, buffer);
    } while (status == VI_SUCCESS && count != 0);

    const int n = resources.size();
    std::vector<getResourceInfo_params_t> records(static_cast<size_t>(n));
    QVector<getResourceInfo_params_t *> pointers;
    pointers.reserve(n);
    QThreadPool::globalInstance()->setMaxThreadCount(std::min(n, maxPoolThreads));

    // Only network opens take long enough to be worth a thread; everything
    // else is probed here, before the progress window opens.
    for (int i = 0; i < n; ++i) {
        getResourceInfo_params_t &record = records[size_t(i)];
        record.fc = fc;
        record.rmSession = rm;
        record.info = resources.at(i);
        record.done = false;
        if (!record.info.descriptor.toUpper().contains(QLatin1String("TCPIP"))) {
            getResourceInfo(&record);
            record.done = true;
        }
        pointers << &record;
        handRecordOver(&record);
    }

    {
        QProgressDialog progress(this);
        progress.setWindowTitle(QStringLiteral("Vorilan %1").arg(modelText(fc)));
        progress.setLabelText(QStringLiteral("Searching..."));
        progress.setCancelButton(nullptr);
        QFutureWatcher<void> watcher;
        connect(&watcher, &QFutureWatcherBase::finished, &progress, &QProgressDialog::reset);
        connect(&watcher, &QFutureWatcherBase::progressRangeChanged, &progress,
                &QProgressDialog::setRange);
        connect(&watcher, &QFutureWatcherBase::progressValueChanged, &progress,
                &QProgressDialog::setValue);
        QFuture<void> future = QtConcurrent::map(pointers, getResourceInfo);
        watcher.setFuture(future);
        progress.exec();
        // Closing the window early only ends its loop; the probes still write
        // into the records, so wait for every one of them.
        future.waitForFinished();
    }
    for (getResourceInfo_params_t &record : records)
        takeRecordOver(&record);

    for (int i = 0; i < n; ++i)
        resources[i] = records[size_t(i)].info;
    records.clear();
    pointers.clear();

    resources = dropDuplicateNetworkBoxes(resources);
    sortResources(resources);
    const int available = fillCardTree(this, resources);
    cardTree->resizeColumnToContents(0);
    cardTree->resizeColumnToContents(1);

    viClose(list);
    viClose(rm);
    return available;
}
