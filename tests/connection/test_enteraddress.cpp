#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <sys/resource.h>

#include "connection/qm6080fp_fcenteraddress.h"
#include "connection/qm6080fp_fcenteraddressfc.h"
#include "testcard.h"

namespace {

const char defaultDescriptor[] = "TCPIP::192.168.2.100::INSTR";

QStringList items(QComboBox *box)
{
    QStringList texts;
    for (int i = 0; i < box->count(); ++i)
        texts << box->itemText(i);
    return texts;
}

// The stored history of one entry, read with a settings object of its own.
QStringList storedHistory(const QString &file, const QString &group, int entry)
{
    QSettings settings(file, QSettings::IniFormat);
    settings.beginGroup(group);
    QStringList history;
    for (int t = 1; t <= 5; ++t)
        history << settings.value(QStringLiteral("%1.%2.Descriptor").arg(entry).arg(t)).toString();
    return history;
}

QVariant storedValue(const QString &file, const QString &group, const QString &key)
{
    QSettings settings(file, QSettings::IniFormat);
    settings.beginGroup(group);
    return settings.value(key);
}

void writeFile(const QString &path, const QByteArray &content)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(content);
}

// While it lives, no file of this process may grow past zero bytes: a disk
// that takes no writes, for every user. Permission bits do not bind root, who
// runs CI; this limit does.
class NoFileWrites
{
public:
    NoFileWrites()
    {
        getrlimit(RLIMIT_FSIZE, &saved);
        // Past the limit a write fails with EFBIG instead of ending the process.
        previousHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit none = saved;
        none.rlim_cur = 0;
        setrlimit(RLIMIT_FSIZE, &none);
    }
    ~NoFileWrites()
    {
        setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, previousHandler);
    }
    NoFileWrites(const NoFileWrites &) = delete;
    NoFileWrites &operator=(const NoFileWrites &) = delete;

private:
    rlimit saved{};
    void (*previousHandler)(int) = SIG_DFL;
};

// An entry as "current descriptor #card number index".
QString entryText(const qm6080fp_fcEnterAddress &dialog, int i = 0)
{
    return dialog.fcEntries[i]->descriptorComboBox->currentText() + " #" +
           QString::number(dialog.fcEntries[i]->fcNumberComboBox->currentIndex());
}

// Saves the dialog and answers the returned lists as "D1,D2 / N1,N2"; the
// lists start out stale, so a result that is appended to them shows.
QString saveText(qm6080fp_fcEnterAddress &dialog)
{
    QStringList descriptors{"stale"};
    QList<int> numbers{42};
    dialog.saveDescriptors(descriptors, numbers);
    QStringList numberTexts;
    for (int number : numbers)
        numberTexts << QString::number(number);
    return descriptors.join(',') + " / " + numberTexts.join(',');
}

// Entry 1 filled in with `descriptor` and card number `number`.
void fillFirst(qm6080fp_fcEnterAddress &dialog, const QString &descriptor, int number)
{
    dialog.fcEntries[0]->descriptorComboBox->setEditText(descriptor);
    if (number >= 0)
        dialog.fcEntries[0]->fcNumberComboBox->setCurrentIndex(number);
}

// One OK in the dialog: the text typed into entry 1, then saved.
void okWith(qm6080fp_fcEnterAddress &dialog, const QString &descriptor, int number = 1)
{
    dialog.loadDescriptors();
    fillFirst(dialog, descriptor, number);
    saveText(dialog);
}

} // namespace

class TestEnterAddress : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void layout_data();
    void layout();
    void cardNumberItems();
    void countSelector();
    void filePath();
    void noFile();
    void history_data();
    void history();
    void emptyDescriptor();
    void savedLists();
    void storedCount_data();
    void storedCount();
    void storedCardNumber_data();
    void storedCardNumber();
    void twoModels();
    void oneFileForQt5AndQt6_data();
    void oneFileForQt5AndQt6();
    void damagedFile_data();
    void damagedFile();
    void folderInPlaceOfFile();
    void readOnlyFile();

private:
    QString iniFile() const
    {
        return QDir(profile->path()).filePath("Marvane/DefaultInstrDescr.ini");
    }

    std::unique_ptr<QTemporaryDir> profile;
};

void TestEnterAddress::init()
{
    profile = std::make_unique<QTemporaryDir>();
    QVERIFY(profile->isValid());
    qputenv("ALLUSERSPROFILE", profile->path().toLocal8Bit());
}

void TestEnterAddress::cleanup()
{
    profile.reset();
    qunsetenv("ALLUSERSPROFILE");
}

void TestEnterAddress::layout_data()
{
    QTest::addColumn<int>("modelCode");
    QTest::addColumn<QString>("title");
    QTest::addColumn<int>("entries");
    QTest::addColumn<QStringList>("tabOrder");

    // The tab order from where the focus is when the dialog opens.
    const QStringList single{"descriptor 1", "card number 1", "OK", "Cancel", "descriptor 1"};
    const QStringList multi{"descriptor 1", "card number 1", "Count",
                            "OK",           "Cancel",        "descriptor 1"};
    QTest::newRow("DAC card") << 0x7240 << "Vorilan 7240 SFP: Enter Function Card Address" << 1
                              << single;
    QTest::newRow("8152") << 0x8152 << "Vorilan 8152 SFP: Enter Addresses of Function Cards" << 8
                          << multi;
    QTest::newRow("8164") << 0x8164 << "Vorilan 8164 SFP: Enter Addresses of Function Cards" << 8
                          << multi;
    QTest::newRow("8153 is single")
        << 0x8153 << "Vorilan 8153 SFP: Enter Function Card Address" << 1 << single;
    QTest::newRow("short code") << 0x0815 << "Vorilan  815 SFP: Enter Function Card Address" << 1
                                << single;
}

void TestEnterAddress::layout()
{
    QFETCH(int, modelCode);
    QFETCH(QString, title);
    QFETCH(int, entries);
    QFETCH(QStringList, tabOrder);

    TestCard card(modelCode);
    qm6080fp_fcEnterAddress dialog(&card);
    dialog.loadDescriptors();
    dialog.show();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));

    QCOMPARE(dialog.windowTitle(), title);
    QCOMPARE(dialog.iniFileName, QDir::toNativeSeparators(iniFile()));
    for (int i = 0; i < 8; ++i)
        QCOMPARE(dialog.fcEntries[i] != nullptr, i < entries);
    QCOMPARE(dialog.countComboBox->count(), 8);
    QCOMPARE(items(dialog.countComboBox), QStringList({"1", "2", "3", "4", "5", "6", "7", "8"}));
    QCOMPARE(dialog.countComboBox->isVisible(), entries > 1);

    bool countLabel = false;
    for (QLabel *label : dialog.findChildren<QLabel *>())
        if (label->text() == QLatin1String("Count: ") && label->isVisible())
            countLabel = true;
    QCOMPARE(countLabel, entries > 1);

    QCOMPARE(dialog.fcEntries[0]->isEnabled(), true);
    for (int i = 1; i < entries; ++i)
        QCOMPARE(dialog.fcEntries[i]->isEnabled(), false);

    QStringList buttons;
    for (QPushButton *button : dialog.findChildren<QPushButton *>()) {
        buttons << button->text();
        QVERIFY(!button->autoDefault());
    }
    QCOMPARE(buttons, QStringList({"OK", "Cancel"}));

    QComboBox *descriptor = dialog.fcEntries[0]->descriptorComboBox;
    QVERIFY(descriptor->isEditable());
    QVERIFY(descriptor->toolTip().startsWith(
        "Enter the Instrument descriptor for the Function Card you want to connect to.<br>"));
    QVERIFY(descriptor->toolTip().contains("<b>TCPIP::192.168.2.60::INSTR</b>"));

    // The dialog opens ready for typing: what is typed replaces the shown
    // descriptor, and no key reaches OK before the user tabs there.
    auto nameOf = [&dialog](QWidget *focus) {
        if (focus == dialog.countComboBox)
            return QStringLiteral("Count");
        for (int i = 0; i < 8 && dialog.fcEntries[i]; ++i) {
            if (focus && dialog.fcEntries[i]->descriptorComboBox->isAncestorOf(focus))
                return QStringLiteral("descriptor %1").arg(i + 1);
            if (focus == dialog.fcEntries[i]->fcNumberComboBox)
                return QStringLiteral("card number %1").arg(i + 1);
        }
        auto *button = qobject_cast<QPushButton *>(focus);
        return button ? button->text() : QStringLiteral("other");
    };
    auto focusName = [&nameOf] { return nameOf(QApplication::focusWidget()); };

    // The focus chain from its head, the dialog: the entries joined it
    // before the bottom row, whatever the showing forces as the start.
    QStringList chain;
    for (QWidget *w = dialog.nextInFocusChain(); w != &dialog; w = w->nextInFocusChain())
        if (w->isVisible() && w->isEnabled() && w->focusPolicy() != Qt::NoFocus &&
            nameOf(w) != "other" && !chain.contains(nameOf(w)))
            chain << nameOf(w);
    QCOMPARE(chain, tabOrder.mid(0, tabOrder.size() - 1));
    QStringList order{focusName()};
    QSignalSpy finished(&dialog, &QDialog::finished);
    QVERIFY(QApplication::focusWidget());
    QTest::keyClicks(QApplication::focusWidget(), "VXI0::7::INSTR");
    QCOMPARE(descriptor->currentText(), QStringLiteral("VXI0::7::INSTR"));
    while (order.size() < tabOrder.size()) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        order << focusName();
    }
    QCOMPARE(order, tabOrder);
    QCOMPARE(finished.count(), 0);

    // Closed with OK and shown again, as the workflow does after a refused
    // input, it starts on the descriptor again.
    for (int i = 0; i < tabOrder.indexOf("OK"); ++i)
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
    QCOMPARE(finished.count(), 1);
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    dialog.show();
    // The offscreen platform does not activate a window shown again; a
    // window manager would.
    QApplication::setActiveWindow(&dialog);
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    QCOMPARE(focusName(), QStringLiteral("descriptor 1"));
    QTest::keyClicks(QApplication::focusWidget(), "VXI0::8::INSTR");
    QCOMPARE(descriptor->currentText(), QStringLiteral("VXI0::8::INSTR"));
}

void TestEnterAddress::cardNumberItems()
{
    TestCard card;
    qm6080fp_fcEnterAddress dialog(&card);
    QComboBox *numbers = dialog.fcEntries[0]->fcNumberComboBox;
    QCOMPARE(items(numbers), QStringList({"Select", "FC 1", "FC 2", "FC 3", "FC 4", "FC 5", "FC 6",
                                          "FC 7", "FC 8"}));
    QCOMPARE(numbers->toolTip(), QString("Select the Function Card Number"));
    QVERIFY(!numbers->isEditable());

    QStringList labels;
    for (QLabel *label : dialog.fcEntries[0]->findChildren<QLabel *>())
        labels << label->text();
    QCOMPARE(labels, QStringList({"Instrument Descriptor:", "Function Card Number:"}));
}

void TestEnterAddress::countSelector()
{
    TestCard card(0x8152);
    qm6080fp_fcEnterAddress dialog(&card);
    dialog.show();
    for (int i = 0; i < 8; ++i)
        dialog.fcEntries[i]->descriptorComboBox->setEditText(
            QStringLiteral("VXI0::%1::INSTR").arg(i));

    dialog.countComboBox->setCurrentIndex(2);
    for (int i = 0; i < 8; ++i)
        QCOMPARE(dialog.fcEntries[i]->isEnabled(), i < 3);

    dialog.countComboBox->setCurrentIndex(7);
    for (int i = 0; i < 8; ++i)
        QVERIFY(dialog.fcEntries[i]->isEnabled());

    dialog.countComboBox->setCurrentIndex(0);
    for (int i = 0; i < 8; ++i) {
        QCOMPARE(dialog.fcEntries[i]->isEnabled(), i == 0);
        QCOMPARE(dialog.fcEntries[i]->descriptorComboBox->currentText(),
                 QStringLiteral("VXI0::%1::INSTR").arg(i));
    }
}

void TestEnterAddress::filePath()
{
    TestCard card;
    const QString expected = QDir::toNativeSeparators(iniFile());
    QCOMPARE(qm6080fp_fcEnterAddress::descriptorsFilePath(), expected);
    QCOMPARE(qm6080fp_fcEnterAddress(&card).iniFileName, expected);
#ifndef Q_OS_WIN
    QVERIFY(!expected.contains(QLatin1Char('\\')));
#endif

    // Without a shared profile folder: the configuration folder.
    const QByteArray home = qgetenv("HOME");
    const QByteArray config = qgetenv("XDG_CONFIG_HOME");
    qputenv("ALLUSERSPROFILE", QByteArray());
    qputenv("XDG_CONFIG_HOME", profile->filePath("config").toLocal8Bit());
    QCOMPARE(qm6080fp_fcEnterAddress::descriptorsFilePath(),
             QDir::toNativeSeparators(profile->filePath("config/Marvane/DefaultInstrDescr.ini")));

    qunsetenv("XDG_CONFIG_HOME");
    qputenv("HOME", profile->filePath("home").toLocal8Bit());
    QCOMPARE(
        qm6080fp_fcEnterAddress::descriptorsFilePath(),
        QDir::toNativeSeparators(profile->filePath("home/.config/Marvane/DefaultInstrDescr.ini")));

    qputenv("HOME", home);
    if (config.isNull())
        qunsetenv("XDG_CONFIG_HOME");
    else
        qputenv("XDG_CONFIG_HOME", config);
}

void TestEnterAddress::noFile()
{
    TestCard card;
    qm6080fp_fcEnterAddress dialog(&card);
    dialog.loadDescriptors();
    QCOMPARE(items(dialog.fcEntries[0]->descriptorComboBox), QStringList({defaultDescriptor}));
    QCOMPARE(entryText(dialog), QString(defaultDescriptor) + " #0");
    QCOMPARE(dialog.fcEntries[0]->fcNumberComboBox->currentText(), QString("Select"));
    QCOMPARE(dialog.countComboBox->currentIndex(), 0);
    QVERIFY(!QFile::exists(iniFile()));

    // Only the first entry offers the default descriptor.
    TestCard multi(0x8152);
    qm6080fp_fcEnterAddress multiDialog(&multi);
    multiDialog.loadDescriptors();
    QCOMPARE(items(multiDialog.fcEntries[0]->descriptorComboBox), QStringList({defaultDescriptor}));
    for (int i = 1; i < 8; ++i)
        QCOMPARE(multiDialog.fcEntries[i]->descriptorComboBox->count(), 0);
}

void TestEnterAddress::history_data()
{
    QTest::addColumn<QStringList>("used");
    QTest::addColumn<QStringList>("stored");

    QTest::newRow("D1, D2, D1 again")
        << QStringList({"VXI0::1::INSTR", "VXI0::2::INSTR", "VXI0::1::INSTR"})
        << QStringList({"VXI0::1::INSTR", "VXI0::2::INSTR", defaultDescriptor, "", ""});
    QTest::newRow("six descriptors")
        << QStringList({"VXI0::1::INSTR", "VXI0::2::INSTR", "VXI0::3::INSTR", "VXI0::4::INSTR",
                        "VXI0::5::INSTR", "VXI0::6::INSTR"})
        << QStringList({"VXI0::6::INSTR", "VXI0::5::INSTR", "VXI0::4::INSTR", "VXI0::3::INSTR",
                        "VXI0::2::INSTR"});
    QTest::newRow("default kept") << QStringList({defaultDescriptor})
                                  << QStringList({defaultDescriptor, "", "", "", ""});
}

void TestEnterAddress::history()
{
    QFETCH(QStringList, used);
    QFETCH(QStringList, stored);

    TestCard card;
    // A new dialog for every OK, as every run of the program builds its own.
    for (const QString &descriptor : used) {
        qm6080fp_fcEnterAddress dialog(&card);
        okWith(dialog, descriptor, 3);
    }
    QCOMPARE(storedHistory(iniFile(), "7240", 1), stored);
    QCOMPARE(storedValue(iniFile(), "7240", "1.FC_Number").toInt(), 3);
    QCOMPARE(storedValue(iniFile(), "7240", "FC_Count").toInt(), 1);

    qm6080fp_fcEnterAddress dialog(&card);
    dialog.loadDescriptors();
    QStringList offered = stored;
    offered.removeAll(QString());
    QCOMPARE(items(dialog.fcEntries[0]->descriptorComboBox), offered);
    QCOMPARE(entryText(dialog), stored.first() + " #3");
}

void TestEnterAddress::emptyDescriptor()
{
    TestCard card;
    qm6080fp_fcEnterAddress dialog(&card);
    okWith(dialog, "VXI0::1::INSTR");
    okWith(dialog, "VXI0::2::INSTR");
    okWith(dialog, QString(), 0);
    QCOMPARE(storedHistory(iniFile(), "7240", 1),
             QStringList({"", "VXI0::2::INSTR", "VXI0::1::INSTR", defaultDescriptor, ""}));

    dialog.loadDescriptors();
    QCOMPARE(
        items(dialog.fcEntries[0]->descriptorComboBox),
        QStringList({defaultDescriptor, "VXI0::2::INSTR", "VXI0::1::INSTR", defaultDescriptor}));
    QCOMPARE(dialog.fcEntries[0]->descriptorComboBox->currentText(), QString(defaultDescriptor));
}

void TestEnterAddress::savedLists()
{
    TestCard card(0x8152);
    qm6080fp_fcEnterAddress dialog(&card);
    dialog.loadDescriptors();
    for (int i = 0; i < 3; ++i) {
        dialog.fcEntries[i]->descriptorComboBox->setEditText(
            QStringLiteral("VXI0::%1::INSTR").arg(i + 3));
        dialog.fcEntries[i]->fcNumberComboBox->setCurrentIndex(i + 1);
    }
    dialog.countComboBox->setCurrentIndex(1);

    QCOMPARE(saveText(dialog), QString("VXI0::3::INSTR,VXI0::4::INSTR / 1,2"));

    // The third entry is beyond the count: stored, not returned.
    QCOMPARE(storedHistory(iniFile(), "8152", 3).first(), QString("VXI0::5::INSTR"));
    QCOMPARE(storedValue(iniFile(), "8152", "3.FC_Number").toInt(), 3);
    QCOMPARE(storedValue(iniFile(), "8152", "FC_Count").toInt(), 2);
    QCOMPARE(storedHistory(iniFile(), "8152", 8), QStringList({"", "", "", "", ""}));
    QCOMPARE(storedValue(iniFile(), "8152", "8.FC_Number").toInt(), 0);

    qm6080fp_fcEnterAddress again(&card);
    again.loadDescriptors();
    QCOMPARE(again.countComboBox->currentIndex(), 1);
    QCOMPARE(entryText(again, 2), QString("VXI0::5::INSTR #3"));
    QCOMPARE(again.fcEntries[2]->isEnabled(), false);
    QCOMPARE(again.fcEntries[1]->isEnabled(), true);
}

void TestEnterAddress::storedCount_data()
{
    QTest::addColumn<QByteArray>("value");
    QTest::addColumn<int>("index");

    QTest::newRow("3") << QByteArray("3") << 2;
    QTest::newRow("8") << QByteArray("8") << 7;
    QTest::newRow("0") << QByteArray("0") << 0;
    QTest::newRow("negative") << QByteArray("-4") << 0;
    QTest::newRow("9") << QByteArray("9") << 0;
    QTest::newRow("huge") << QByteArray("99999999999999999999") << 0;
    QTest::newRow("int limit") << QByteArray("-2147483648") << 0;
    QTest::newRow("text") << QByteArray("three") << 0;
}

void TestEnterAddress::storedCount()
{
    QFETCH(QByteArray, value);
    QFETCH(int, index);

    writeFile(iniFile(), "[8152]\nFC_Count=" + value + "\n");
    TestCard card(0x8152);
    qm6080fp_fcEnterAddress dialog(&card);
    dialog.loadDescriptors();
    QCOMPARE(dialog.countComboBox->currentIndex(), index);
    for (int i = 0; i < 8; ++i)
        QCOMPARE(dialog.fcEntries[i]->isEnabled(), i <= index);
}

void TestEnterAddress::storedCardNumber_data()
{
    QTest::addColumn<QByteArray>("value");
    QTest::addColumn<int>("index");

    QTest::newRow("1") << QByteArray("1") << 1;
    QTest::newRow("8") << QByteArray("8") << 8;
    QTest::newRow("9") << QByteArray("9") << 0;
    QTest::newRow("negative") << QByteArray("-1") << 0;
    QTest::newRow("huge") << QByteArray("4294967297") << 0;
    QTest::newRow("text") << QByteArray("FC 2") << 0;
}

void TestEnterAddress::storedCardNumber()
{
    QFETCH(QByteArray, value);
    QFETCH(int, index);

    writeFile(iniFile(), "[7240]\n1.1.Descriptor=VXI0::9::INSTR\n1.FC_Number=" + value + "\n");
    TestCard card;
    qm6080fp_fcEnterAddress dialog(&card);
    dialog.loadDescriptors();
    QCOMPARE(entryText(dialog), QString("VXI0::9::INSTR") + " #" + QString::number(index));
}

void TestEnterAddress::oneFileForQt5AndQt6_data()
{
    QTest::addColumn<QString>("descriptor");
    QTest::addColumn<QByteArray>("escaped"); // as earlier Qt 5 builds wrote it
    const QString latin1 = QStringLiteral("TCPIP0::caf\u00e9-stra\u00dfe::INSTR");
    const QString other = QStringLiteral("TCPIP0::\u041f\u0440\u0438\u0431\u043e\u0440-"
                                         "\u2116\u0037-\u6d4b::INSTR");
    QTest::newRow("Latin-1 letters")
        << latin1 << QByteArray("TCPIP0::caf\\xe9-stra\\xdf\\x65::INSTR");
    QTest::newRow("Cyrillic, a numero sign and a Chinese letter")
        << other
        << QByteArray("TCPIP0::\\x41f\\x440\\x438\\x431\\x43e\\x440-\\x2116\\x37-\\x6d4b::INSTR");
}

void TestEnterAddress::oneFileForQt5AndQt6()
{
    QFETCH(QString, descriptor);
    QFETCH(QByteArray, escaped);

    // Qt 5 and Qt 6 builds write the same bytes: the text in UTF-8.
    TestCard card;
    qm6080fp_fcEnterAddress dialog(&card);
    okWith(dialog, descriptor, 3);
    QFile file(iniFile());
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray written = file.readAll();
    file.close();
    QVERIFY2(written.contains("1.1.Descriptor=" + descriptor.toUtf8() + "\n"), written.constData());

    // And each reads those bytes, and the escapes of earlier Qt 5 builds.
    for (const QByteArray &value : {descriptor.toUtf8(), escaped}) {
        writeFile(iniFile(), "[7240]\n1.1.Descriptor=" + value + "\n1.FC_Number=3\n");
        qm6080fp_fcEnterAddress reader(&card);
        reader.loadDescriptors();
        QCOMPARE(entryText(reader), descriptor + " #3");
    }
}

void TestEnterAddress::twoModels()
{
    TestCard dac;
    TestCard multi(0x8152);
    qm6080fp_fcEnterAddress dacDialog(&dac);
    qm6080fp_fcEnterAddress multiDialog(&multi);
    okWith(dacDialog, "VXI0::7::INSTR", 2);
    okWith(multiDialog, "TCPIP::10.0.0.1::INSTR", 5);
    okWith(dacDialog, "VXI0::8::INSTR", 4);

    QCOMPARE(storedHistory(iniFile(), "7240", 1),
             QStringList({"VXI0::8::INSTR", "VXI0::7::INSTR", defaultDescriptor, "", ""}));
    QCOMPARE(storedHistory(iniFile(), "8152", 1),
             QStringList({"TCPIP::10.0.0.1::INSTR", defaultDescriptor, "", "", ""}));
    QCOMPARE(storedValue(iniFile(), "7240", "1.FC_Number").toInt(), 4);
    QCOMPARE(storedValue(iniFile(), "8152", "1.FC_Number").toInt(), 5);

    QSettings settings(iniFile(), QSettings::IniFormat);
    QCOMPARE(settings.childGroups(), QStringList({"7240", "8152"}));
}

void TestEnterAddress::damagedFile_data()
{
    QTest::addColumn<QByteArray>("content");

    QTest::newRow("garbage lines") << QByteArray("[7240]\nthis is not a setting\n[[[\n=\n;;\n");
    QByteArray binary("[7240]\n\x01\x02\xff\xfe=\x80\x81\n1.1.Descriptor=");
    binary += QByteArray("\0\0\xff", 3);
    binary += "\n1.FC_Number=\x7f\n";
    QTest::newRow("binary bytes") << binary;
    QTest::newRow("huge values") << QByteArray(
        "[7240]\nFC_Count=18446744073709551617\n1.FC_Number=-99999999999999999\n"
        "1.1.Descriptor=\n");
    QTest::newRow("bad variants") << QByteArray(
        "[7240]\nFC_Count=@Variant(\\0\\0\\0\\x7f\\xff\\xff)\n"
        "1.FC_Number=@ByteArray(\\xff)\n1.1.Descriptor=@Invalid()\n");
    QByteArray noise;
    for (int i = 0; i < 4096; ++i)
        noise += char((i * 7919 + 13) % 256);
    QTest::newRow("noise") << QByteArray("[7240]\n") + noise;
}

void TestEnterAddress::damagedFile()
{
    QFETCH(QByteArray, content);

    writeFile(iniFile(), content + "\n[8152]\n1.1.Descriptor=VXI0::4::INSTR\n");
    TestCard card;
    qm6080fp_fcEnterAddress dialog(&card);
    dialog.loadDescriptors();
    QCOMPARE(dialog.fcEntries[0]->descriptorComboBox->itemText(0), QString(defaultDescriptor));
    QCOMPARE(dialog.fcEntries[0]->fcNumberComboBox->currentIndex(), 0);
    QCOMPARE(dialog.countComboBox->currentIndex(), 0);

    fillFirst(dialog, "VXI0::3::INSTR", 2);
    QCOMPARE(saveText(dialog), QString("VXI0::3::INSTR / 2"));

    // Rewritten: the group holds exactly its own keys, and the other
    // model's group is still there.
    QSettings settings(iniFile(), QSettings::IniFormat);
    QCOMPARE(settings.status(), QSettings::NoError);
    settings.beginGroup("7240");
    QStringList keys = settings.childKeys();
    keys.sort();
    QCOMPARE(keys, QStringList({"1.1.Descriptor", "1.2.Descriptor", "1.3.Descriptor",
                                "1.4.Descriptor", "1.5.Descriptor", "1.FC_Number", "FC_Count"}));
    QCOMPARE(settings.value("1.1.Descriptor").toString(), QString("VXI0::3::INSTR"));
    QCOMPARE(settings.value("1.FC_Number").toInt(), 2);
    QCOMPARE(settings.value("FC_Count").toInt(), 1);
    settings.endGroup();
    QCOMPARE(storedHistory(iniFile(), "8152", 1).first(), QString("VXI0::4::INSTR"));
}

void TestEnterAddress::folderInPlaceOfFile()
{
    QVERIFY(QDir().mkpath(iniFile()));
    TestCard card;
    qm6080fp_fcEnterAddress dialog(&card);
    dialog.loadDescriptors();
    QCOMPARE(items(dialog.fcEntries[0]->descriptorComboBox), QStringList({defaultDescriptor}));

    fillFirst(dialog, "VXI0::3::INSTR", 1);
    QCOMPARE(saveText(dialog), QString("VXI0::3::INSTR / 1"));
    QVERIFY(QFileInfo(iniFile()).isDir());
}

void TestEnterAddress::readOnlyFile()
{
    const QByteArray stored("[7240]\n1.1.Descriptor=VXI0::6::INSTR\n1.FC_Number=6\n");
    writeFile(iniFile(), stored);
    const QString folder = QFileInfo(iniFile()).absolutePath();
    QFile::setPermissions(iniFile(), QFileDevice::ReadOwner | QFileDevice::ReadUser);
    QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::ExeOwner);

    TestCard card;
    qm6080fp_fcEnterAddress dialog(&card);
    dialog.loadDescriptors();
    QCOMPARE(entryText(dialog), QString("VXI0::6::INSTR #6"));

    fillFirst(dialog, "VXI0::3::INSTR", -1);
    QString saved;
    {
        // Nothing may be reported while the limit holds: a log file could not take it.
        NoFileWrites noWrites;
        saved = saveText(dialog);
    }
    QCOMPARE(saved, QString("VXI0::3::INSTR / 6"));

    QFile::setPermissions(folder,
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    QFile::setPermissions(iniFile(), QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    // The file is as it was, and no lock or half-written copy is left beside it.
    QFile file(iniFile());
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), stored);
    QCOMPARE(QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
             QStringList({"DefaultInstrDescr.ini"}));
}

QTEST_MAIN(TestEnterAddress)
#include "test_enteraddress.moc"
