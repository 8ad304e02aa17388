// Any content of the shared descriptors file: loading fills the address
// dialog with sane entries, and saving afterwards writes a file that reads
// back to what the dialog holds, with every other model's settings intact.
// Each input is written as <ALLUSERSPROFILE>/Marvane/DefaultInstrDescr.ini in a
// temporary folder, one folder for each of the two dialogs.
#include <QApplication>
#include <QByteArray>
#include <QComboBox>
#include <QDataStream>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QSettings>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "connection/qm6080fp_descriptorsfile.h"
#include "connection/qm6080fp_fcenteraddress.h"
#include "connection/qm6080fp_fcenteraddressfc.h"
#include "connection/qm6080fp_genfc.h"

namespace {

// The dialog reads only the model code of its card.
class ModelOnlyCard : public qm6080fp_genFC
{
public:
    explicit ModelOnlyCard(ViInt32 model) { m_modelCode = model; }
    bool isSupportedModel(ViUInt16) override { return true; }
    QString fcDescription() override { return QString(); }
    QString noticeText() override { return QString(); }
    QString softwareVersion() override { return QString(); }
    QString driverRevisionText() override { return QString(); }
    QString errorMessage(int) override { return QString(); }
    ViStatus initSession(ViConstRsrc, ViUInt16 *, ViBoolean, ViBoolean, ViSession *) override
    {
        return VI_ERROR_RSRC_NFOUND;
    }
    ViStatus initSessionAndKeep(ViConstRsrc, ViUInt16 *, ViInt16, ViBoolean, ViBoolean,
                                ViSession *) override
    {
        return VI_ERROR_RSRC_NFOUND;
    }
    ViStatus reinitSession(ViSession *) override { return VI_ERROR_RSRC_NFOUND; }
    ViStatus closeSession(ViSession) override { return VI_SUCCESS; }
    ViStatus resetCard(ViSession) override { return VI_SUCCESS; }
};

const int entryCount = 8;
const int historyLength = 5;

QTemporaryDir *scratch = nullptr;
// The DAC card (one entry) and a multi-card model (eight entries).
qm6080fp_fcEnterAddress *dialogs[2] = {};
unsigned long long fileNumber = 0;

[[noreturn]] void broken(const char *what, const QString &detail = QString())
{
    std::fprintf(stderr, "fuzz_stored_descriptors: %s %s\n", what, detail.toUtf8().constData());
    std::abort();
}

void check(bool condition, const char *what, const QString &detail = QString())
{
    if (!condition)
        broken(what, detail);
}

bool hasControlCharacter(const QString &text)
{
    for (const QChar ch : text)
        if (ch.unicode() < 0x20 || ch.unicode() == 0x7f)
            return true;
    return false;
}

// QSettings keeps parsed files and parses one again only when its size or
// modification time changed; every file this target writes gets a time of
// its own, so that the cache never answers for an earlier input.
void writeFile(const QString &path, const QByteArray &content)
{
    QFile file(path);
    check(file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
              file.write(content) == content.size(),
          "cannot write", path);
    check(file.setFileTime(QDateTime::fromSecsSinceEpoch(946684800 + qint64(++fileNumber)),
                           QFileDevice::FileModificationTime),
          "cannot set the file time", path);
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    check(file.open(QIODevice::ReadOnly), "no file written", path);
    return file.readAll();
}

// A list reads back as a string list or, once QSettings had to write one of
// its texts in its @String() form, as a variant list of the same texts.
QVariant normalized(const QVariant &value)
{
    if (value.userType() != QMetaType::QStringList && value.userType() != QMetaType::QVariantList)
        return value;
    QVariantList items;
    for (const QVariant &item : value.toList())
        items << normalized(item);
    return items;
}

// QVariant's operator== is false for NaN and for types without comparison;
// the stream form compares what a file can hold.
QByteArray streamed(const QVariant &value)
{
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out << normalized(value);
    return bytes;
}

// The name QSettings looks a listed key up by: without empty parts.
QString lookupName(const QString &key)
{
    return key.split(QLatin1Char('/'), Qt::SkipEmptyParts).join(QLatin1Char('/'));
}

// Every key outside the dialog's group, with its value, under the name
// QSettings looks it up by. A key QSettings lists under another name (one
// from a "[]" or "[/8152/]" section, with empty parts) cannot be read by
// that name and has a null value here: a rewrite of the file may write it
// under its lookup name, even inside the dialog's group, so `aliases`
// collects the lookup names of all of them.
QMap<QString, QByteArray> otherGroups(QSettings &settings, const QString &group,
                                      QSet<QString> *aliases = nullptr)
{
    QMap<QString, QByteArray> result;
    for (const QString &key : settings.allKeys()) {
        const QString name = lookupName(key);
        // A line "=value" gives a key without a name, which no rewrite keeps.
        if (name.isEmpty())
            continue;
        const bool alias = name != key;
        if (alias && aliases)
            aliases->insert(name);
        if (name == group || name.startsWith(group + QLatin1Char('/')))
            continue;
        if (!alias)
            result.insert(name, streamed(settings.value(key)));
        else if (!result.contains(name))
            result.insert(name, QByteArray());
    }
    return result;
}

void checkLoaded(const qm6080fp_fcEnterAddress &dialog, bool multiCard)
{
    for (int i = 0; i < entryCount; ++i) {
        const qm6080fp_fcEnterAddressFc *entry = dialog.fcEntries[i];
        check((entry != nullptr) == (i == 0 || multiCard), "wrong entries for the mode");
        if (!entry)
            continue;
        const QComboBox *box = entry->descriptorComboBox;
        check(box->count() <= historyLength, "more than five descriptors in an entry");
        check(i != 0 || box->count() >= 1, "first entry offers no descriptor");
        for (int item = 0; item < box->count(); ++item) {
            const QString text = box->itemText(item);
            check(!text.isEmpty(), "empty descriptor in the history");
            check(!hasControlCharacter(text), "descriptor with a control character", text);
        }
        check(box->currentText() == (box->count() > 0 ? box->itemText(0) : QString()),
              "the most recent descriptor is not the one shown", box->currentText());
        const int number = entry->fcNumberComboBox->currentIndex();
        check(number >= 0 && number <= 8, "card number out of range");
    }
    const int count = dialog.countComboBox->currentIndex() + 1;
    check(count >= 1 && count <= entryCount, "count out of range");
}

void checkSaved(qm6080fp_fcEnterAddress &dialog, const QString &folder,
                const QMap<QString, QByteArray> &othersBefore, const QSet<QString> &aliases)
{
    // The history each entry must have written: its current text first, then
    // its items, without repeats, at most five.
    QStringList histories[entryCount];
    for (int i = 0; i < entryCount && dialog.fcEntries[i]; ++i) {
        const QComboBox *box = dialog.fcEntries[i]->descriptorComboBox;
        histories[i] << box->currentText();
        for (int item = 0; item < box->count(); ++item)
            histories[i] << box->itemText(item);
        histories[i].removeDuplicates();
    }

    QStringList descriptors{QStringLiteral("stale")};
    QList<int> numbers{-1};
    dialog.saveDescriptors(descriptors, numbers);

    int existing = 0;
    while (existing < entryCount && dialog.fcEntries[existing])
        ++existing;
    const int inUse = qMin(dialog.countComboBox->currentIndex() + 1, existing);
    check(descriptors.size() == inUse && numbers.size() == inUse,
          "returned lists do not hold one item per entry in use");
    for (int i = 0; i < inUse; ++i) {
        check(descriptors.at(i) == dialog.fcEntries[i]->descriptorComboBox->currentText(),
              "returned descriptor is not the entry's", descriptors.at(i));
        check(numbers.at(i) == dialog.fcEntries[i]->fcNumberComboBox->currentIndex(),
              "returned card number is not the entry's");
    }

    // Read a copy, so that QSettings parses the bytes on disk, not its cache.
    const QString copy = folder + QStringLiteral("/written.ini");
    writeFile(copy, readFile(dialog.iniFileName));
    QSettings written(copy, QSettings::IniFormat);
    // Read as the panel reads the file, which is what "unchanged" means.
    qm6080fp_useSharedEncoding(written);
    check(written.status() == QSettings::NoError, "written file does not parse");

    const QMap<QString, QByteArray> othersAfter = otherGroups(written, dialog.modelText);
    for (auto it = othersBefore.begin(); it != othersBefore.end(); ++it)
        check(it.value().isNull() || othersAfter.value(it.key()) == it.value(),
              "another model's setting changed by the save",
              it.key() + QStringLiteral(": ") + QString::fromLatin1(it.value().toHex()) +
                  QStringLiteral(" became ") +
                  QString::fromLatin1(othersAfter.value(it.key()).toHex()));
    for (auto it = othersAfter.begin(); it != othersAfter.end(); ++it)
        check(othersBefore.contains(it.key()), "the save added a setting outside its group",
              it.key());

    written.beginGroup(dialog.modelText);
    QStringList expectedKeys{QStringLiteral("FC_Count")};
    for (int k = 1; k <= existing; ++k) {
        const QStringList &history = histories[k - 1];
        for (int t = 1; t <= historyLength; ++t) {
            const QString key = QStringLiteral("%1.%2.Descriptor").arg(k).arg(t);
            expectedKeys << key;
            const QVariant value = written.value(key);
            check(value.userType() == QMetaType::QString, "descriptor does not read back as text",
                  key);
            const QString expected = t <= history.size() ? history.at(t - 1) : QString();
            check(value.toString() == expected, "descriptor reads back changed",
                  key + QStringLiteral(": ") + value.toString());
        }
        const QString numberKey = QStringLiteral("%1.FC_Number").arg(k);
        expectedKeys << numberKey;
        check(written.value(numberKey).toString() ==
                  QString::number(dialog.fcEntries[k - 1]->fcNumberComboBox->currentIndex()),
              "card number reads back changed", numberKey);
    }
    check(written.value(QStringLiteral("FC_Count")).toString() ==
              QString::number(dialog.countComboBox->currentIndex() + 1),
          "count reads back changed");
    const QStringList keys = written.allKeys();
    for (const QString &key : expectedKeys)
        check(keys.contains(key), "key missing from the model's group", key);
    for (const QString &key : keys)
        check(expectedKeys.contains(key) ||
                  aliases.contains(lookupName(dialog.modelText + QLatin1Char('/') + key)),
              "the model's group holds a key the dialog did not write", key);
    written.endGroup();
}

void run(qm6080fp_fcEnterAddress &dialog, bool multiCard, const QByteArray &content)
{
    const QString folder = QFileInfo(dialog.iniFileName).absolutePath();
    writeFile(dialog.iniFileName, content);
    const QString original = folder + QStringLiteral("/original.ini");
    writeFile(original, content);
    QMap<QString, QByteArray> othersBefore;
    QSet<QString> aliases;
    {
        QSettings before(original, QSettings::IniFormat);
        qm6080fp_useSharedEncoding(before);
        othersBefore = otherGroups(before, dialog.modelText, &aliases);
    }

    dialog.loadDescriptors();
    checkLoaded(dialog, multiCard);
    checkSaved(dialog, folder, othersBefore, aliases);
}

// The dialog takes the file's place from ALLUSERSPROFILE when it is made.
qm6080fp_fcEnterAddress *makeDialog(qm6080fp_genFC *card, const QString &profile)
{
    const QString folder = scratch->filePath(profile);
    check(QDir().mkpath(folder + QStringLiteral("/Marvane")), "cannot make the folder", folder);
    qputenv("ALLUSERSPROFILE", QFile::encodeName(folder));
    auto *dialog = new qm6080fp_fcEnterAddress(card);
    check(dialog->iniFileName ==
              QDir(folder).filePath(QStringLiteral("Marvane/DefaultInstrDescr.ini")),
          "descriptors file not in ALLUSERSPROFILE", dialog->iniFileName);
    return dialog;
}

} // namespace

// fontconfig keeps what it allocates for each font it looks up without a
// pointer LeakSanitizer can see; the widgets look fonts up on their first
// layout and for characters the first font lacks. Nothing of ours is hidden.
extern "C" const char *__lsan_default_suppressions()
{
    return "leak:libfontconfig.so\n";
}

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("QT_LOGGING_RULES", "qt.qpa.*=false");
    static int argc = 1;
    static char name[] = "fuzz_stored_descriptors";
    static char *argv[] = {name, nullptr};
    new QApplication(argc, argv);
    // QSettings syncs every file it writes to the disk; in memory the target
    // runs several times faster.
    const QFileInfo memory(QStringLiteral("/dev/shm"));
    scratch = memory.isDir() && memory.isWritable()
                  ? new QTemporaryDir(memory.filePath() +
                                      QStringLiteral("/fuzz_stored_descriptors-XXXXXX"))
                  : new QTemporaryDir;
    if (!scratch->isValid())
        broken("no temporary folder");
    std::atexit([] { delete scratch; });
    static ModelOnlyCard dac(0x7240);
    static ModelOnlyCard multi(0x8152);
    dialogs[0] = makeDialog(&dac, QStringLiteral("7240"));
    dialogs[1] = makeDialog(&multi, QStringLiteral("8152"));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray content(reinterpret_cast<const char *>(data), int(size));
    run(*dialogs[0], false, content);
    run(*dialogs[1], true, content);
    return 0;
}
