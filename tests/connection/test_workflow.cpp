#include <QAbstractButton>
#include <QComboBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QtTest>

#include <memory>

#include "connection/qm6080fp_fcenteraddress.h"
#include "connection/qm6080fp_fcenteraddressfc.h"
#include "discovery/qm6080fp_fcselect.h"
#include "journaltext.h"
#include "modalanswerer.h"
#include "simfixture.h"
#include "testcard.h"

namespace {

const QStringList firstButtons{"Auto Find", "Run In Demo Mode", "Enter Address", "Cancel"};
const QStringList noneFoundButtons{"Try Again", "Run In Demo Mode", "Cancel"};
const QStringList openFailedButtons{"Try Again", "Cancel"};
const QString warningTitle = QStringLiteral("Vorilan  SFP Warning message");
const QString singularWarning =
    QStringLiteral("Please enter the resource descriptor and select the Function Card number.");
const QString pluralWarning =
    QStringLiteral("Please enter the resource descriptors and select the Function Card numbers.");

const char emptySystem[] = "resources: []\n";

// A VXI carrier behind VXI0::4::INSTR with DAC cards in positions 2 and 3
// (cards = 2) or in position 2 alone (cards = 1).
QString vxiSystem(int cards, const QString &openStatus = QStringLiteral("0"))
{
    QString yaml = QStringLiteral("resources:\n"
                                  "  - descriptor: \"VXI0::4::INSTR\"\n"
                                  "    open_status: %1\n"
                                  "    slot: 4\n"
                                  "    logical_address: 4\n"
                                  "    carrier:\n"
                                  "      model: 6080\n"
                                  "      positions: 4\n"
                                  "      cards:\n"
                                  "        - {position: 2, model: 0x4C5E}\n")
                       .arg(openStatus);
    if (cards > 1)
        yaml += QStringLiteral("        - {position: 3, model: 0x4C5E}\n");
    return yaml;
}

// What an answer saw of the address dialog before it filled it in.
struct AddressSeen
{
    bool shown = false;
    QString title;
    QStringList descriptors;
    QList<int> numbers;
    int focusEntry = -1; // the entry whose descriptor has the focus
};

// Types the descriptors into the address dialog, picks the card numbers and
// the count, then clicks `button`.
std::function<void(QWidget *)> fillAddress(const QStringList &descriptors,
                                           const QList<int> &numbers, const QString &button,
                                           std::shared_ptr<AddressSeen> seen = nullptr)
{
    return [=](QWidget *window) {
        auto *dialog = qobject_cast<qm6080fp_fcEnterAddress *>(window);
        if (!dialog) {
            window->close();
            return;
        }
        if (seen) {
            seen->shown = true;
            seen->title = dialog->windowTitle();
            for (int i = 0; i < 8 && dialog->fcEntries[i]; ++i) {
                seen->descriptors << dialog->fcEntries[i]->descriptorComboBox->currentText();
                seen->numbers << dialog->fcEntries[i]->fcNumberComboBox->currentIndex();
                if (dialog->fcEntries[i]->descriptorComboBox->isAncestorOf(dialog->focusWidget()))
                    seen->focusEntry = i;
            }
        }
        if (!descriptors.isEmpty())
            dialog->countComboBox->setCurrentIndex(int(descriptors.size()) - 1);
        for (int i = 0; i < descriptors.size() && dialog->fcEntries[i]; ++i) {
            QLineEdit *edit = dialog->fcEntries[i]->descriptorComboBox->lineEdit();
            edit->selectAll();
            QTest::keyClick(edit, Qt::Key_Delete);
            QTest::keyClicks(edit, descriptors.at(i));
            dialog->fcEntries[i]->fcNumberComboBox->setCurrentIndex(numbers.value(i));
        }
        ModalAnswerer::clickButton(window, button);
    };
}

// Presses Escape and tries the close control, notes whether the box is still
// up, then clicks `button`.
std::function<void(QWidget *)> escapeThenClick(const QString &button, std::shared_ptr<bool> stayed)
{
    return [=](QWidget *window) {
        QTest::keyClick(window, Qt::Key_Escape);
        window->close();
        *stayed = window->isVisible();
        ModalAnswerer::clickButton(window, button);
    };
}

// Notes the text of the box's default button in `defaultText`, then runs `then`.
std::function<void(QWidget *)> noteDefault(std::shared_ptr<QString> defaultText,
                                           std::function<void(QWidget *)> then)
{
    return [=](QWidget *window) {
        if (auto *box = qobject_cast<QMessageBox *>(window))
            *defaultText = box->defaultButton() ? box->defaultButton()->text() : QString();
        then(window);
    };
}

const QStringList initKeys{"rsrc", "fc", "id_query", "reset", "status"};

// The driver's own description of `status`, as the journal shows it.
QString driverText(const SimFixture &sim, int status)
{
    for (const QJsonObject &line : sim.calls("qm7240_error_message"))
        if (line["code"].toInt() == status && line["status"].toInt() == 0)
            return line["message"].toString();
    return QString();
}

} // namespace

class TestWorkflow : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void firstQuestionGivesUp_data();
    void firstQuestionGivesUp();
    void demoFromFirstQuestion();
    void noneFound_data();
    void noneFound();
    void oneCardOpensAtOnce();
    void severalCardsCancelled();
    void severalCardsChosen();
    void addressRejected_data();
    void addressRejected();
    void addressWarnings_data();
    void addressWarnings();
    void openFailed_data();
    void openFailed();
    void warningStatusOpen();

private:
    std::unique_ptr<QTemporaryDir> profile;
};

void TestWorkflow::init()
{
    profile = std::make_unique<QTemporaryDir>();
    QVERIFY(profile->isValid());
    qputenv("ALLUSERSPROFILE", profile->path().toLocal8Bit());
    ModalAnswerer::instance().clear();
}

void TestWorkflow::cleanup()
{
    QCOMPARE(ModalAnswerer::instance().pending(), 0);
    QCOMPARE(ModalAnswerer::instance().unexpected().size(), 0);
    ModalAnswerer::instance().clear();
    profile.reset();
    qunsetenv("ALLUSERSPROFILE");
}

void TestWorkflow::firstQuestionGivesUp_data()
{
    QTest::addColumn<QString>("answer");
    QTest::newRow("Cancel") << "Cancel";
    QTest::newRow("Escape") << "<escape>";
    QTest::newRow("close control") << "<close>";
}

void TestWorkflow::firstQuestionGivesUp()
{
    QFETCH(QString, answer);
    SimFixture sim(vxiSystem(1));
    TestCard card;
    qm6080fp_fcSelect select(&card, false);

    auto defaultText = std::make_shared<QString>();
    auto first = ModalAnswerer::instance().expect(noteDefault(
        defaultText, [=](QWidget *window) { ModalAnswerer::clickButton(window, answer); }));
    QVERIFY(!select.connectCard());

    QVERIFY(first->seen);
    QCOMPARE(first->className, QString("QMessageBox"));
    QCOMPARE(first->title, QString("Vorilan 7240 SFP: Select Function Card"));
    QCOMPARE(first->text, QString("How to connect to 7240 Function Card?"));
    QCOMPARE(first->icon, int(QMessageBox::Question));
    QCOMPARE(first->buttons, firstButtons);
    QCOMPARE(*defaultText, QString("Auto Find"));
    QCOMPARE(select.demoMode, 0);
    QCOMPARE(select.session, ViSession(0));
    QVERIFY(!sim.callNames().contains("qm7240_init"));
    QVERIFY(!sim.callNames().contains("viOpen"));
}

void TestWorkflow::demoFromFirstQuestion()
{
    SimFixture sim(vxiSystem(1));
    TestCard card(0x0815);
    qm6080fp_fcSelect select(&card, false);

    auto first = ModalAnswerer::instance().click("Run In Demo Mode");
    QVERIFY(select.connectCard());
    QCOMPARE(first->title, QString("Vorilan  815 SFP: Select Function Card"));
    QCOMPARE(first->text, QString("How to connect to  815 Function Card?"));
    QCOMPARE(select.demoMode, 1);
    QCOMPARE(select.descriptors, QString("VXI0::1::INSTR"));
    QCOMPARE(int(select.fcNumbers[0]), 1);
    QCOMPARE(select.selectedCount, 1);
    QCOMPARE(select.session, ViSession(0));
    QVERIFY(!sim.callNames().contains("qm7240_init"));
}

void TestWorkflow::noneFound_data()
{
    QTest::addColumn<QStringList>("answers");
    QTest::addColumn<bool>("result");
    QTest::addColumn<int>("demo");

    // After "Try Again" the first question comes back, answered by Cancel.
    QTest::newRow("Run In Demo Mode") << QStringList({"Run In Demo Mode"}) << true << 1;
    QTest::newRow("Cancel") << QStringList({"Cancel"}) << false << 0;
    QTest::newRow("Try Again") << QStringList({"Try Again", "Cancel"}) << false << 0;
}

void TestWorkflow::noneFound()
{
    QFETCH(QStringList, answers);
    QFETCH(bool, result);
    QFETCH(int, demo);

    SimFixture sim(emptySystem);
    TestCard card;
    qm6080fp_fcSelect select(&card, false);

    auto stayed = std::make_shared<bool>(false);
    auto defaultText = std::make_shared<QString>();
    auto first = ModalAnswerer::instance().click("Auto Find");
    auto none = ModalAnswerer::instance().expect(
        noteDefault(defaultText, escapeThenClick(answers.first(), stayed)));
    std::shared_ptr<ModalRecord> again;
    if (answers.size() > 1)
        again = ModalAnswerer::instance().click(answers.at(1));

    QCOMPARE(select.connectCard(), result);
    QVERIFY(none->seen);
    QCOMPARE(none->title, QString("Vorilan 7240 SFP: Select Function Card"));
    QCOMPARE(none->text, QString("No 7240 Function Card found on your system."));
    QCOMPARE(none->icon, int(QMessageBox::Question));
    QCOMPARE(none->buttons, noneFoundButtons);
    QCOMPARE(*defaultText, QString("Try Again"));
    QVERIFY(*stayed);
    if (again) {
        QVERIFY(again->seen);
        QCOMPARE(again->text, first->text);
    }
    QCOMPARE(select.demoMode, demo);
    if (demo) {
        QCOMPARE(select.descriptors, QString("VXI0::1::INSTR"));
        QCOMPARE(int(select.fcNumbers[0]), 1);
        QCOMPARE(select.selectedCount, 1);
    }
    QCOMPARE(select.session, ViSession(0));
    QVERIFY(!sim.callNames().contains("qm7240_init"));
}

void TestWorkflow::oneCardOpensAtOnce()
{
    SimFixture sim(vxiSystem(1));
    TestCard card;
    qm6080fp_fcSelect select(&card, false);

    ModalAnswerer::instance().click("Auto Find");
    QVERIFY(select.connectCard());
    QCOMPARE(select.demoMode, 0);
    QCOMPARE(select.selectedCount, 1);
    QCOMPARE(select.descriptors, QString("VXI0::4::INSTR"));
    QCOMPARE(int(select.fcNumbers[0]), 2);

    QCOMPARE(journalText(sim, "qm7240_init", initKeys),
             QString("rsrc=VXI0::4::INSTR fc=2 id_query=1 reset=1 status=0"));
    QVERIFY(select.session != 0);
    QCOMPARE(qint64(select.session), qint64(sim.calls("qm7240_init")[0]["session"].toDouble()));
    QVERIFY(!sim.callNames().contains("qm7240_close"));
    card.closeSession(select.session);
}

void TestWorkflow::severalCardsCancelled()
{
    SimFixture sim(vxiSystem(2));
    TestCard card;
    qm6080fp_fcSelect select(&card, false);

    ModalAnswerer::instance().click("Auto Find");
    auto selection = ModalAnswerer::instance().click("Cancel");
    QVERIFY(!select.connectCard());
    QVERIFY(selection->seen);
    QCOMPARE(selection->className, QString("qm6080fp_fcSelect"));
    QCOMPARE(selection->title, QString("Vorilan 7240 SFP: Select Function Card"));
    QVERIFY(!sim.callNames().contains("qm7240_init"));
}

void TestWorkflow::severalCardsChosen()
{
    SimFixture sim(vxiSystem(2));
    TestCard card;
    qm6080fp_fcSelect select(&card, false);

    ModalAnswerer::instance().click("Auto Find");
    ModalAnswerer::instance().expect([](QWidget *window) {
        auto *dialog = qobject_cast<qm6080fp_fcSelect *>(window);
        if (!dialog) {
            window->close();
            return;
        }
        for (QTreeWidgetItemIterator it(dialog->cardTree); *it; ++it) {
            if ((*it)->data(0, Qt::StatusTipRole).toInt() == 3) {
                dialog->cardTree->setCurrentItem(*it);
                (*it)->setSelected(true);
            }
        }
        ModalAnswerer::clickButton(window, "OK");
    });
    QVERIFY(select.connectCard());
    QCOMPARE(select.selectedCount, 1);
    QCOMPARE(select.descriptors, QString("VXI0::4::INSTR"));
    QCOMPARE(int(select.fcNumbers[0]), 3);

    QCOMPARE(journalText(sim, "qm7240_init", initKeys),
             QString("rsrc=VXI0::4::INSTR fc=3 id_query=1 reset=1 status=0"));
    card.closeSession(select.session);
}

void TestWorkflow::addressRejected_data()
{
    QTest::addColumn<QString>("answer");
    QTest::addColumn<QString>("refused");
    QTest::addColumn<QString>("shown");

    // `refused`: a descriptor sent first with the card number left at
    // "Select", so the warning comes and the dialog shows it again.
    const QString defaultDescriptor = QStringLiteral("TCPIP::192.168.2.100::INSTR");
    QTest::newRow("Cancel") << "Cancel" << QString() << defaultDescriptor;
    QTest::newRow("Escape") << "<escape>" << QString() << defaultDescriptor;
    QTest::newRow("close control") << "<close>" << QString() << defaultDescriptor;
    QTest::newRow("Cancel after a refused input") << "Cancel"
                                                  << "VXI0::4::INSTR"
                                                  << "VXI0::4::INSTR";
}

void TestWorkflow::addressRejected()
{
    QFETCH(QString, answer);
    QFETCH(QString, refused);
    QFETCH(QString, shown);
    SimFixture sim(vxiSystem(1));
    TestCard card;
    qm6080fp_fcSelect select(&card, false);

    auto seen = std::make_shared<AddressSeen>();
    ModalAnswerer::instance().click("Enter Address");
    std::shared_ptr<ModalRecord> warning;
    if (!refused.isEmpty()) {
        ModalAnswerer::instance().expect(fillAddress({refused}, {0}, "OK"));
        warning = ModalAnswerer::instance().click("OK");
    }
    ModalAnswerer::instance().expect(fillAddress({}, {}, answer, seen));
    auto back = ModalAnswerer::instance().click("Cancel");
    QVERIFY(!select.connectCard());

    if (warning) {
        QVERIFY(warning->seen);
        QCOMPARE(warning->title, warningTitle);
        QCOMPARE(warning->text, singularWarning);
    }
    QVERIFY(seen->shown);
    QCOMPARE(seen->title, QString("Vorilan 7240 SFP: Enter Function Card Address"));
    QCOMPARE(seen->descriptors, QStringList({shown}));
    QCOMPARE(seen->numbers, QList<int>({0}));
    // Rejecting the dialog, even after a refused input, goes back to the first question.
    QVERIFY(back->seen);
    QCOMPARE(back->text, QString("How to connect to 7240 Function Card?"));
    QVERIFY(!sim.callNames().contains("qm7240_init"));
}

void TestWorkflow::addressWarnings_data()
{
    QTest::addColumn<int>("modelCode");
    QTest::addColumn<QStringList>("descriptors");
    QTest::addColumn<QList<int>>("numbers");
    QTest::addColumn<QString>("warning");
    QTest::addColumn<QStringList>("kept");
    QTest::addColumn<int>("focusEntry"); // where the dialog opens again

    QTest::newRow("card number left at Select")
        << 0x7240 << QStringList({"VXI0::4::INSTR"}) << QList<int>({0}) << singularWarning
        << QStringList({"VXI0::4::INSTR"}) << 0;
    QTest::newRow("empty descriptor")
        << 0x7240 << QStringList({""}) << QList<int>({2}) << singularWarning
        << QStringList({"TCPIP::192.168.2.100::INSTR"}) << 0;
    QTest::newRow("two entries, second without number")
        << 0x8152 << QStringList({"VXI0::4::INSTR", "VXI0::4::INSTR"}) << QList<int>({2, 0})
        << pluralWarning << QStringList({"VXI0::4::INSTR", "VXI0::4::INSTR"}) << 1;
    QTest::newRow("two entries, first empty")
        << 0x8152 << QStringList({"", "TCPIP::10.1.1.1::INSTR"}) << QList<int>({2, 3})
        << pluralWarning << QStringList({"TCPIP::192.168.2.100::INSTR", "TCPIP::10.1.1.1::INSTR"})
        << 0;
}

void TestWorkflow::addressWarnings()
{
    QFETCH(int, modelCode);
    QFETCH(QStringList, descriptors);
    QFETCH(QList<int>, numbers);
    QFETCH(QString, warning);
    QFETCH(QStringList, kept);
    QFETCH(int, focusEntry);

    SimFixture sim(vxiSystem(2));
    TestCard card(modelCode);
    qm6080fp_fcSelect select(&card, false);

    // The input is refused, the dialog comes back with what was typed, and
    // a complete input then opens the card.
    QStringList valid;
    QList<int> validNumbers;
    for (int i = 0; i < descriptors.size(); ++i) {
        valid << QStringLiteral("VXI0::4::INSTR");
        validNumbers << 2 + i;
    }
    auto again = std::make_shared<AddressSeen>();
    ModalAnswerer::instance().click("Enter Address");
    ModalAnswerer::instance().expect(fillAddress(descriptors, numbers, "OK"));
    auto box = ModalAnswerer::instance().click("OK");
    ModalAnswerer::instance().expect(fillAddress(valid, validNumbers, "OK", again));
    QVERIFY(select.connectCard());

    QVERIFY(box->seen);
    QCOMPARE(box->title, warningTitle);
    QCOMPARE(box->text, warning);
    QCOMPARE(box->icon, int(QMessageBox::Warning));
    QVERIFY(again->shown);
    QCOMPARE(again->descriptors.mid(0, kept.size()), kept);
    QCOMPARE(again->numbers.mid(0, numbers.size()), numbers);
    QCOMPARE(again->focusEntry, focusEntry);

    QCOMPARE(select.descriptors, valid.join(","));
    QCOMPARE(select.selectedCount, int(valid.size()));
    for (int i = 0; i < validNumbers.size(); ++i)
        QCOMPARE(int(select.fcNumbers[i]), validNumbers.at(i));
    QCOMPARE(journalText(sim, "qm7240_init", initKeys),
             "rsrc=" + valid.join(",") + " fc=2 id_query=1 reset=1 status=0");
    card.closeSession(select.session);
}

void TestWorkflow::openFailed_data()
{
    QTest::addColumn<QString>("openStatus");
    QTest::addColumn<int>("modelCode");
    QTest::addColumn<QStringList>("descriptors");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("error");

    // An empty error text is the driver's description of the status, as
    // the journal shows it; a code no library knows is described by the
    // common library instead.
    QTest::newRow("unknown descriptor")
        << "0" << 0x7240 << QStringList({"VXI0::9::INSTR"})
        << "Selected 7240 Function Card is unavailable.\nError: %1" << QString();
    QTest::newRow("status no library knows")
        << "-1073802700" << 0x7240 << QStringList({"VXI0::4::INSTR"})
        << "Selected 7240 Function Card is unavailable.\nError: %1"
        << "Unknown status 0xBFFF1234";
    QTest::newRow("very long descriptor")
        << "0" << 0x7240 << QStringList({"VXI0::" + QString(2100, QLatin1Char('7')) + "::INSTR"})
        << "Selected 7240 Function Card is unavailable.\nError: %1" << QString();
    QTest::newRow("two cards")
        << "0" << 0x8152 << QStringList({"VXI0::9::INSTR", "VXI0::4::INSTR"})
        << "At least one selected 8152 Function Card is unavailable.\nError: %1" << QString();
}

void TestWorkflow::openFailed()
{
    QFETCH(QString, openStatus);
    QFETCH(int, modelCode);
    QFETCH(QStringList, descriptors);
    QFETCH(QString, message);
    QFETCH(QString, error);

    SimFixture sim(vxiSystem(1, openStatus));
    TestCard card(modelCode);
    qm6080fp_fcSelect select(&card, false);
    const QString title = modelCode == 0x7240 ? "Vorilan 7240 SFP: Select Function Card"
                                              : "Vorilan 8152 SFP: Select Function Card";

    const QList<int> numbers = QVector<int>(descriptors.size(), 2).toList();
    auto stayed = std::make_shared<bool>(false);
    auto defaultText = std::make_shared<QString>();
    ModalAnswerer::instance().click("Enter Address");
    ModalAnswerer::instance().expect(fillAddress(descriptors, numbers, "OK"));
    auto failed = ModalAnswerer::instance().expect(
        noteDefault(defaultText, escapeThenClick("Try Again", stayed)));
    auto back = ModalAnswerer::instance().click("Cancel");
    QVERIFY(!select.connectCard());

    const QList<QJsonObject> inits = sim.calls("qm7240_init");
    QCOMPARE(inits.size(), 1);
    QCOMPARE(inits[0]["rsrc"].toString(), descriptors.join(","));
    const int status = inits[0]["status"].toInt();
    QVERIFY(status < 0);
    if (error.isEmpty()) {
        error = driverText(sim, status);
        QVERIFY(!error.isEmpty());
    } else {
        QCOMPARE(sim.calls("qm6080_statusText").size(), 1);
        QCOMPARE(sim.calls("qm6080_statusText")[0]["code"].toInt(), status);
    }

    QVERIFY(failed->seen);
    QCOMPARE(failed->title, title);
    QCOMPARE(failed->text, message.arg(error));
    QCOMPARE(failed->icon, int(QMessageBox::Question));
    QCOMPARE(failed->buttons, openFailedButtons);
    QCOMPARE(*defaultText, QString("Try Again"));
    QVERIFY(*stayed);
    QVERIFY(back->seen);
    QCOMPARE(back->title, title);

    // The failed attempt's choice stays; no session is left.
    QCOMPARE(select.session, ViSession(0));
    QCOMPARE(select.descriptors, descriptors.join(","));
    QCOMPARE(select.selectedCount, int(descriptors.size()));
    QCOMPARE(int(select.fcNumbers[0]), 2);
    QVERIFY(!sim.callNames().contains("qm7240_close"));
}

void TestWorkflow::warningStatusOpen()
{
    // VI_SUCCESS_DEV_NPRESENT: the open answers with a warning but the
    // driver hands out a session all the same.
    SimFixture sim(vxiSystem(1, QStringLiteral("1073676413")));
    TestCard card;
    qm6080fp_fcSelect select(&card, false);

    ModalAnswerer::instance().click("Enter Address");
    ModalAnswerer::instance().expect(fillAddress({"VXI0::4::INSTR"}, {2}, "OK"));
    auto firstFailure = ModalAnswerer::instance().click("Try Again");
    ModalAnswerer::instance().click("Enter Address");
    ModalAnswerer::instance().click("OK");
    auto secondFailure = ModalAnswerer::instance().click("Cancel");
    QVERIFY(!select.connectCard());

    const QList<QJsonObject> inits = sim.calls("qm7240_init");
    const QList<QJsonObject> closes = sim.calls("qm7240_close");
    QCOMPARE(inits.size(), 2);
    QCOMPARE(closes.size(), 2);
    for (int i = 0; i < 2; ++i) {
        QCOMPARE(inits[i]["status"].toInt(), 1073676413);
        QVERIFY(inits[i]["session"].toDouble() != 0);
        QCOMPARE(closes[i]["session"].toDouble(), inits[i]["session"].toDouble());
        QCOMPARE(closes[i]["status"].toInt(), 0);
    }
    QCOMPARE(select.session, ViSession(0));

    const QString error = driverText(sim, 1073676413);
    QVERIFY(!error.isEmpty());
    const QString message =
        QStringLiteral("Selected 7240 Function Card is unavailable.\nError: ") + error;
    QCOMPARE(firstFailure->text, message);
    QCOMPARE(secondFailure->text, message);
    QCOMPARE(card.closeCalls, 2);
}

QTEST_MAIN(TestWorkflow)
#include "test_workflow.moc"
