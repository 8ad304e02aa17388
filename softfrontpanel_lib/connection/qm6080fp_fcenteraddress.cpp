#include "connection/qm6080fp_fcenteraddress.h"

#include <QComboBox>
#include <QDir>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QShowEvent>
#include <QVBoxLayout>

#include "connection/qm6080fp_descriptorsfile.h"
#include "connection/qm6080fp_fcenteraddressfc.h"
#include "connection/qm6080fp_genfc.h"
#include "frame/qm6080fp_icons.h"

namespace {

const int entryCount = 8;
const int historyLength = 5;
const int highestCardNumber = 8;

QString defaultDescriptor()
{
    return QStringLiteral("TCPIP::192.168.2.100::INSTR");
}

QString descriptorKey(int entry, int position)
{
    return QStringLiteral("%1.%2.Descriptor").arg(entry).arg(position);
}

QString numberKey(int entry)
{
    return QStringLiteral("%1.FC_Number").arg(entry);
}

// The file may have been edited by hand or damaged: a text with a comma
// reads back as a list, and a number may be anything at all.
QString storedText(const QSettings &settings, const QString &key)
{
    const QVariant value = settings.value(key);
    const QString text = value.userType() == QMetaType::QStringList
                             ? value.toStringList().join(QLatin1Char(','))
                             : value.toString();
    // No descriptor holds control characters; such a text is damage, not history.
    for (const QChar ch : text)
        if (ch.unicode() < 0x20 || ch.unicode() == 0x7f)
            return QString();
    return text;
}

int storedInt(const QSettings &settings, const QString &key, int fallback)
{
    const QVariant value = settings.value(key);
    if (!value.isValid())
        return fallback;
    bool ok = false;
    const int number = value.toString().trimmed().toInt(&ok);
    return ok ? number : fallback;
}

} // namespace

qm6080fp_fcEnterAddress::qm6080fp_fcEnterAddress(qm6080fp_genFC *fc) : QDialog(nullptr)
{
    iniFileName = descriptorsFilePath();
    modelText = QStringLiteral("%1").arg(fc ? fc->m_modelCode : 0, 4, 16, QLatin1Char(' '));
    const bool multiCard = modelText == QLatin1String("8152") || modelText == QLatin1String("8164");

    setWindowTitle(QStringLiteral("Vorilan ") + modelText +
                   (multiCard ? QStringLiteral(" SFP: Enter Addresses of Function Cards")
                              : QStringLiteral(" SFP: Enter Function Card Address")));
    setWindowIcon(QIcon(qm6080fp_icons::connectIcon()));

    // The count selector, the buttons and the entries are made without a
    // parent and join the dialog through its layout, in the order the layout
    // holds them, which makes the tab order: the entries, then Count, OK and
    // Cancel.
    countComboBox = new QComboBox;
    for (int count = 1; count <= entryCount; ++count)
        countComboBox->addItem(QString::number(count));

    auto *bottomRow = new QHBoxLayout;
    if (multiCard) {
        auto *countLabel = new QLabel(QStringLiteral("Count: "));
        countLabel->setBuddy(countComboBox);
        bottomRow->addWidget(countLabel);
        bottomRow->addWidget(countComboBox);
    }
    bottomRow->addStretch();
    auto *okButton = new QPushButton(QStringLiteral("OK"));
    auto *cancelButton = new QPushButton(QStringLiteral("Cancel"));
    okButton->setAutoDefault(false);
    cancelButton->setAutoDefault(false);
    bottomRow->addWidget(okButton);
    bottomRow->addWidget(cancelButton);
    connect(okButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancelButton, &QPushButton::clicked, this, &QDialog::reject);

    auto *outer = new QVBoxLayout;
    for (int i = 0; i < entryCount; ++i) {
        if (i == 0 || multiCard) {
            fcEntries[i] = new qm6080fp_fcEnterAddressFc;
            outer->addWidget(fcEntries[i]);
            outer->addSpacing(10);
        }
    }
    outer->addLayout(bottomRow);
    setLayout(outer);

    // Single-card mode never shows the count selector, but its index still
    // gives the count: it stays a hidden child of the dialog, last in the
    // tab order and out of it while hidden.
    if (!multiCard) {
        countComboBox->setParent(this);
        countComboBox->hide();
    }

    connect(countComboBox, qOverload<int>(&QComboBox::currentIndexChanged), this,
            &qm6080fp_fcEnterAddress::countChanged);
    countChanged();
}

qm6080fp_fcEnterAddress::~qm6080fp_fcEnterAddress() = default;

QString qm6080fp_fcEnterAddress::descriptorsFilePath()
{
    QString base = qEnvironmentVariable("ALLUSERSPROFILE");
    if (base.isEmpty()) {
        // Without a shared profile folder the file goes to the user's own
        // configuration folder; a relative XDG_CONFIG_HOME is not valid.
        base = qEnvironmentVariable("XDG_CONFIG_HOME");
        if (base.isEmpty() || QDir::isRelativePath(base))
            base = QDir(QDir::homePath()).filePath(QStringLiteral(".config"));
    }
    return QDir::toNativeSeparators(
        QDir(base).filePath(QStringLiteral("Marvane/DefaultInstrDescr.ini")));
}

void qm6080fp_fcEnterAddress::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    // The workflow shows the same dialog again after a refused input or a
    // failed open. Every showing starts on a descriptor, its text selected
    // as Tab would select it, not on the OK that closed it last: a stray
    // Space or Return then opens nothing, and what is typed replaces the
    // shown descriptor instead of running on from its end. That is the first
    // descriptor, or after a refusal the refused entry's. A window restored
    // by the desktop keeps its focus.
    if (!event->spontaneous()) {
        const int k = refusedEntry > 0 && refusedEntry < entryCount && fcEntries[refusedEntry]
                          ? refusedEntry
                          : 0;
        refusedEntry = -1;
        fcEntries[k]->descriptorComboBox->setFocus(Qt::OtherFocusReason);
        fcEntries[k]->descriptorComboBox->lineEdit()->selectAll();
    }
}

void qm6080fp_fcEnterAddress::countChanged()
{
    const int inUse = countComboBox->currentIndex() + 1;
    for (int i = 0; i < entryCount; ++i)
        if (fcEntries[i])
            fcEntries[i]->setEnabled(i < inUse);
    adjustSize();
}

void qm6080fp_fcEnterAddress::enterAddress(const QString &descriptor, const QList<int> &cards)
{
    const int count = qMin(int(cards.size()), entryCount);
    if (count < 1)
        return;
    // Its signal enables the entries in use.
    if (countComboBox && count - 1 < countComboBox->count())
        countComboBox->setCurrentIndex(count - 1);
    for (int i = 0; i < count && fcEntries[i]; ++i) {
        fcEntries[i]->descriptorComboBox->setEditText(descriptor);
        if (cards.at(i) < fcEntries[i]->fcNumberComboBox->count())
            fcEntries[i]->fcNumberComboBox->setCurrentIndex(cards.at(i));
    }
}

void qm6080fp_fcEnterAddress::loadDescriptors()
{
    QSettings settings(iniFileName, QSettings::IniFormat);
    qm6080fp_useSharedEncoding(settings);
    settings.beginGroup(modelText);

    for (int k = 1; k <= entryCount && fcEntries[k - 1]; ++k) {
        qm6080fp_fcEnterAddressFc *entry = fcEntries[k - 1];
        entry->descriptorComboBox->clear();
        for (int t = 1; t <= historyLength; ++t) {
            const QString descriptor = storedText(settings, descriptorKey(k, t));
            if (!descriptor.isEmpty())
                entry->descriptorComboBox->addItem(descriptor);
            else if (k == 1 && t == 1)
                entry->descriptorComboBox->addItem(defaultDescriptor());
        }
        int number = storedInt(settings, numberKey(k), 0);
        if (number < 0 || number > highestCardNumber)
            number = 0;
        entry->fcNumberComboBox->setCurrentIndex(number);
    }

    // Checked before the index is formed: the stored value may be INT_MIN.
    const int count = storedInt(settings, QStringLiteral("FC_Count"), 1);
    countComboBox->setCurrentIndex(count >= 1 && count <= countComboBox->count() ? count - 1 : 0);

    settings.endGroup();
}

void qm6080fp_fcEnterAddress::saveDescriptors(QStringList &descriptors, QList<int> &numbers)
{
    descriptors.clear();
    numbers.clear();

    QSettings settings(iniFileName, QSettings::IniFormat);
    qm6080fp_useSharedEncoding(settings);
    // QSettings parses an INI file's sections only as their keys are asked
    // for, and remove() misses the keys of sections not parsed yet, such as a
    // damaged "[7240/]" or "[7240/old]"; listing every key parses them all.
    settings.allKeys();
    settings.beginGroup(modelText);
    // The group is written anew, so that lines damaged by hand or by a
    // broken disk do not outlive the next OK; other models' groups stay.
    settings.remove(QString());

    const int inUse = countComboBox->currentIndex() + 1;
    for (int k = 1; k <= entryCount && fcEntries[k - 1]; ++k) {
        qm6080fp_fcEnterAddressFc *entry = fcEntries[k - 1];
        const QString current = entry->descriptorComboBox->currentText();

        // The current text goes first, so a descriptor picked again moves to
        // the front and the oldest one drops out.
        QStringList history{current};
        for (int item = 0; item < entry->descriptorComboBox->count(); ++item)
            history << entry->descriptorComboBox->itemText(item);
        history.removeDuplicates();
        const int stored = qMin(int(history.size()), historyLength);
        for (int t = 1; t <= historyLength; ++t)
            settings.setValue(descriptorKey(k, t), t <= stored ? history.at(t - 1) : QString());

        const int number = entry->fcNumberComboBox->currentIndex();
        settings.setValue(numberKey(k), number);

        if (k - 1 < inUse) {
            descriptors << current;
            numbers << number;
        }
    }
    settings.setValue(QStringLiteral("FC_Count"), inUse);

    settings.endGroup();
}
