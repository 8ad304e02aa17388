#include <QApplication>
#include <QCursor>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

#include <atomic>
#include <cstdio>
#include <memory>

#include "about/qm6080fp_about.h"
#include "childprocess.h"
#include "connection/qm6080fp_fcenteraddress.h"
#include "frame/qm6080fp_appfc.h"
#include "journaltext.h"
#include "modalanswerer.h"
#include "session/qm6080fp_cardthread.h"
#include "simfixture.h"
#include "testcard.h"
#include "widgets/qm6080fp_led.h"

namespace {

// The frame with its protected state opened up for the checks.
class Frame : public qm6080fp_AppFC
{
public:
    Frame(qm6080fp_genFC *fc, bool skipConnect, bool multipleCards = false)
        : qm6080fp_AppFC(fc, multipleCards, skipConnect, nullptr, false)
    {}

    QLabel *carrier() const { return carrierLabel; }
    QLabel *card() const { return cardLabel; }
    QLabel *title() const { return titleLabel; }
    QLabel *carrierLogo() const { return carrierLogoLabel; }
    int led() const { return activeLed->currentValue(); }
    int demo() const { return d_demo; }
    bool lxi() const { return d_lxi; }
    int count() const { return d_fcCount; }
    int number(int i) const { return d_fcNumbers[i]; }
    qm6080fp_About *about() const { return aboutDialog; }
    QPushButton *aboutPush() const { return aboutButton; }
    QPushButton *resetPush() const { return resetButton; }

    // The override cursor's shape, -1 for none.
    static int cursorShape()
    {
        const QCursor *cursor = QApplication::overrideCursor();
        return cursor ? int(cursor->shape()) : -1;
    }
    // How often the panel's hook ran, on the card thread.
    std::atomic<int> hookRuns{0};
    // Returns once the card thread has done what it was asked.
    void settle()
    {
        d_cardThread->runAndWait([] {});
    }

protected:
    void cardWasReset() override { ++hookRuns; }
};

// A VXI carrier in `slot` with DAC cards in `position` and in position 3.
QString vxiSystem(int slot, int position, const QString &resetFailure = QString())
{
    QString yaml = QStringLiteral("resources:\n"
                                  "  - descriptor: \"VXI0::%1::INSTR\"\n"
                                  "    slot: %1\n"
                                  "    logical_address: %1\n"
                                  "    carrier:\n"
                                  "      model: 6080\n"
                                  "      positions: 4\n"
                                  "      cards:\n"
                                  "        - position: %2\n"
                                  "          model: 0x4C5E\n")
                       .arg(slot)
                       .arg(position);
    if (!resetFailure.isEmpty())
        yaml += QStringLiteral("          fail: {qm7240_reset: %1}\n").arg(resetFailure);
    if (position != 3)
        yaml += QStringLiteral("        - {position: 3, model: 0x4C5E}\n");
    return yaml;
}

// Puts the address(es) that the next "Enter Address" offers into the
// descriptors file, so that the dialog only needs an OK.
void storeAddress(const QString &group, const QStringList &descriptors, const QList<int> &numbers)
{
    QSettings settings(qm6080fp_fcEnterAddress::descriptorsFilePath(), QSettings::IniFormat);
    settings.beginGroup(group);
    for (int k = 1; k <= descriptors.size(); ++k) {
        settings.setValue(QStringLiteral("%1.1.Descriptor").arg(k), descriptors.at(k - 1));
        settings.setValue(QStringLiteral("%1.FC_Number").arg(k), numbers.at(k - 1));
    }
    settings.setValue(QStringLiteral("FC_Count"), int(descriptors.size()));
}

// Connects through "Enter Address" with what the file offers.
void answerEnterAddress()
{
    ModalAnswerer::instance().click("Enter Address");
    ModalAnswerer::instance().click("OK");
}

QList<QJsonObject> attributeReads(const SimFixture &sim, qint64 attribute)
{
    QList<QJsonObject> reads;
    for (const QJsonObject &line : sim.calls("viGetAttribute"))
        if (qint64(line["attr"].toDouble()) == attribute)
            reads << line;
    return reads;
}

// A label as "text (shown|hidden): what's this".
QString labelState(const QLabel *label)
{
    return QStringLiteral("%1 (%2): %3")
        .arg(label->text(), label->isHidden() ? "hidden" : "shown", label->whatsThis());
}

QImage labelImage(QLabel *label)
{
    return label->pixmap(Qt::ReturnByValue).toImage();
}

const QString vxiHelp =
    QStringLiteral("Shows which VXI module is connected to the Soft Front Panel");
const QString lxiHelp =
    QStringLiteral("Shows which LXI module is connected to the Soft Front Panel");
const QString cardHelp =
    QStringLiteral("Shows which function card is connected to the Soft Front Panel");

} // namespace

class TestAppFC : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void demoTexts_data();
    void demoTexts();
    void vxiSlotAndCard();
    void lxiCarrier_data();
    void lxiCarrier();
    void severalCards();
    void shortModelCode();
    void resetStatus_data();
    void resetStatus();
    void aboutAndClose();
    void givingUpEndsProcess_data();
    void givingUpEndsProcess();
    void givingUpEndsProcess_child();

private:
    std::unique_ptr<QTemporaryDir> profile;
};

void TestAppFC::init()
{
    profile = std::make_unique<QTemporaryDir>();
    QVERIFY(profile->isValid());
    qputenv("ALLUSERSPROFILE", profile->path().toLocal8Bit());
    ModalAnswerer::instance().clear();
}

void TestAppFC::cleanup()
{
    QCOMPARE(ModalAnswerer::instance().pending(), 0);
    QCOMPARE(ModalAnswerer::instance().unexpected().size(), 0);
    ModalAnswerer::instance().clear();
    profile.reset();
    qunsetenv("ALLUSERSPROFILE");
}

void TestAppFC::demoTexts_data()
{
    QTest::addColumn<bool>("skipConnect");
    QTest::addColumn<int>("count");
    QTest::newRow("skipConnect") << true << 0;
    QTest::newRow("demo chosen in the workflow") << false << 1;
}

void TestAppFC::demoTexts()
{
    QFETCH(bool, skipConnect);
    QFETCH(int, count);

    SimFixture sim(vxiSystem(5, 2));
    TestCard card;
    if (!skipConnect)
        ModalAnswerer::instance().click("Run In Demo Mode");
    auto frame = std::make_unique<Frame>(&card, skipConnect);

    QCOMPARE(frame->windowTitle(), QString("Vorilan 7240 Soft Front Panel"));
    QCOMPARE(frame->title()->text(),
             QString("<html>Vorilan 7240<br><font size='2'>Test Function Card</font></html>"));
    QVERIFY(frame->demo() != 0);
    QCOMPARE(frame->vi(), ViSession(0));
    QCOMPARE(frame->led(), 0);
    QCOMPARE(frame->lxi(), false);
    QCOMPARE(frame->count(), count);
    QCOMPARE(frame->number(0), count);
    QCOMPARE(labelState(frame->carrier()), " (hidden): " + vxiHelp);
    QCOMPARE(labelState(frame->card()), " (hidden): " + cardHelp);

    // Reset Device and closing make no driver call in demo mode, and the
    // panel is not told of a reset that never happened.
    frame->resetPush()->click();
    QCOMPARE(QApplication::overrideCursor(), nullptr);
    frame->settle();
    QCOMPARE(frame->hookRuns.load(), 0);
    frame.reset();
    const QStringList names = sim.callNames();
    for (const char *call : {"qm7240_init", "qm7240_reset", "qm7240_close", "viGetAttribute"})
        QVERIFY2(!names.contains(call), call);
    QCOMPARE(card.closeCalls, 0);
}

void TestAppFC::vxiSlotAndCard()
{
    SimFixture sim(vxiSystem(5, 2));
    storeAddress("7240", {"VXI0::5::INSTR"}, {2});
    TestCard card;
    answerEnterAddress();
    auto frame = std::make_unique<Frame>(&card, false);

    const ViSession session = frame->vi();
    QVERIFY(session != 0);
    QCOMPARE(journalText(sim, "qm7240_init", {"rsrc", "fc", "session"}),
             QString("rsrc=VXI0::5::INSTR fc=2 session=%1").arg(session));
    QCOMPARE(frame->demo(), 0);
    QCOMPARE(frame->led(), 1);
    QCOMPARE(frame->lxi(), false);
    QCOMPARE(frame->count(), 1);
    QCOMPARE(frame->number(0), 2);

    const QList<QJsonObject> slotReads = attributeReads(sim, VI_ATTR_SLOT);
    QCOMPARE(slotReads.size(), 1);
    QCOMPARE(ViSession(slotReads[0]["session"].toDouble()), session);
    QCOMPARE(slotReads[0]["value"].toInt(), 5);
    QVERIFY(attributeReads(sim, VI_ATTR_TCPIP_HOSTNAME).isEmpty());

    QCOMPARE(frame->windowTitle(), QString("Vorilan 7240 Soft Front Panel"));
    QCOMPARE(labelState(frame->carrier()), "Slot 5 (shown): " + vxiHelp);
    QCOMPARE(labelState(frame->card()), "FC 2 (shown): " + cardHelp);
    QVERIFY(!sim.callNames().contains("qm7240_close"));

    frame.reset();
    QCOMPARE(journalText(sim, "qm7240_close", {"session", "status"}),
             QString("session=%1 status=0").arg(session));
}

void TestAppFC::lxiCarrier_data()
{
    QTest::addColumn<QString>("names");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("module");

    QTest::newRow("host and device name")
        << "    hostname: \"lxi-carrier\"\n    device_name: \"inst0\"\n"
        << "Vorilan 7240 Soft Front Panel: lxi-carrier"
        << "inst0";
    QTest::newRow("no names") << ""
                              << "Vorilan 7240 Soft Front Panel"
                              << "";
}

void TestAppFC::lxiCarrier()
{
    QFETCH(QString, names);
    QFETCH(QString, title);
    QFETCH(QString, module);

    SimFixture sim(QStringLiteral("resources:\n"
                                  "  - descriptor: \"TCPIP0::192.168.2.100::INSTR\"\n"
                                  "    tcpip_address: \"192.168.2.100\"\n") +
                   names +
                   QStringLiteral("    carrier: {model: 1864, cards: [{position: 1, model: "
                                  "0x4C5E}, {position: 3, model: 0x4C5E}]}\n"));
    storeAddress("7240", {"TCPIP::192.168.2.100::INSTR"}, {3});
    TestCard card;
    answerEnterAddress();
    auto frame = std::make_unique<Frame>(&card, false);

    QCOMPARE(journalText(sim, "qm7240_init", {"rsrc", "status"}),
             QString("rsrc=TCPIP::192.168.2.100::INSTR status=0"));
    QVERIFY(attributeReads(sim, VI_ATTR_SLOT)[0]["status"].toInt() < 0);
    QCOMPARE(attributeReads(sim, VI_ATTR_TCPIP_DEVICE_NAME).size(), 1);
    QCOMPARE(attributeReads(sim, VI_ATTR_TCPIP_HOSTNAME).size(), 1);

    QCOMPARE(frame->lxi(), true);
    QCOMPARE(frame->windowTitle(), title);
    QCOMPARE(labelState(frame->carrier()),
             module + (module.isEmpty() ? " (hidden): " : " (shown): ") + lxiHelp);
    QCOMPARE(frame->card()->text(), QString("FC 3"));
    const QImage lxiLogo(QStringLiteral(":/lxi-logo.bmp"));
    QVERIFY(!lxiLogo.isNull());
    QCOMPARE(labelImage(frame->carrierLogo()),
             lxiLogo.convertToFormat(labelImage(frame->carrierLogo()).format()));

    frame.reset();
    QCOMPARE(sim.calls("qm7240_close").size(), 1);
}

void TestAppFC::severalCards()
{
    SimFixture sim(vxiSystem(5, 2));
    storeAddress("8152", {"VXI0::5::INSTR", "VXI0::5::INSTR"}, {3, 2});
    TestCard card(0x8152);
    answerEnterAddress();
    auto frame = std::make_unique<Frame>(&card, false, true);

    QCOMPARE(journalText(sim, "qm7240_init", {"rsrc"}),
             QString("rsrc=VXI0::5::INSTR,VXI0::5::INSTR"));
    QCOMPARE(QList<int>({frame->count(), frame->number(0), frame->number(1)}),
             QList<int>({2, 3, 2}));
    QCOMPARE(frame->card()->text(), QString("FC 3"));
    QCOMPARE(frame->windowTitle(), QString("Vorilan 8152 Soft Front Panel"));
    frame.reset();
    QCOMPARE(sim.calls("qm7240_close").size(), 1);
}

void TestAppFC::shortModelCode()
{
    SimFixture sim(vxiSystem(5, 2));
    storeAddress(" 815", {"VXI0::5::INSTR"}, {2});
    TestCard card(0x0815);
    auto first = ModalAnswerer::instance().click("Enter Address");
    auto address = ModalAnswerer::instance().click("OK");
    auto frame = std::make_unique<Frame>(&card, false);

    QCOMPARE(first->title, QString("Vorilan  815 SFP: Select Function Card"));
    QCOMPARE(address->title, QString("Vorilan  815 SFP: Enter Function Card Address"));
    QCOMPARE(frame->windowTitle(), QString("Vorilan  815 Soft Front Panel"));
    QCOMPARE(frame->title()->text(),
             QString("<html>Vorilan  815<br><font size='2'>Test Function Card</font></html>"));
    QCOMPARE(frame->card()->text(), QString("FC 2"));
}

void TestAppFC::resetStatus_data()
{
    QTest::addColumn<QString>("failure");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("boxTitle");
    QTest::addColumn<QString>("format");

    QTest::newRow("success") << QString() << 0 << QString() << QString();
    QTest::newRow("warning") << "1073479938" << 1073479938 << "Vorilan  SFP Warning message"
                             << "Warning [%1]";
    QTest::newRow("error") << "-1074001661" << -1074001661 << "Vorilan  SFP Error message"
                           << "Function Call failed due to [%1]\nDo you want to exit?";
}

void TestAppFC::resetStatus()
{
    QFETCH(QString, failure);
    QFETCH(int, status);
    QFETCH(QString, boxTitle);
    QFETCH(QString, format);

    SimFixture sim(vxiSystem(5, 2, failure));
    storeAddress("7240", {"VXI0::5::INSTR"}, {2});
    TestCard card;
    answerEnterAddress();
    auto frame = std::make_unique<Frame>(&card, false);
    sim.clearJournal();

    std::shared_ptr<ModalRecord> box;
    int boxCursor = -2;
    if (status != 0)
        box = ModalAnswerer::instance().expect([&boxCursor, status](QWidget *window) {
            boxCursor = Frame::cursorShape();
            ModalAnswerer::clickButton(window, status < 0 ? "No" : "OK");
        });
    frame->resetPush()->click();
    // Busy from the click until the card has answered; a box comes after
    // the busy cursor has gone.
    QCOMPARE(Frame::cursorShape(), int(Qt::BusyCursor));
    frame->settle();
    QCOMPARE(QApplication::overrideCursor(), nullptr);
    QCOMPARE(boxCursor, status != 0 ? -1 : -2);
    // Only a reset the card confirmed reaches the panel.
    QCOMPARE(frame->hookRuns.load(), status == 0 ? 1 : 0);

    QCOMPARE(journalText(sim, "qm7240_reset", {"session", "status"}),
             QString("session=%1 status=%2").arg(frame->vi()).arg(status));
    if (status == 0) {
        QVERIFY(sim.calls("qm6080_statusText").isEmpty());
    } else {
        const QList<QJsonObject> texts = sim.calls("qm6080_statusText");
        QCOMPARE(texts.size(), 1);
        QCOMPARE(texts[0]["code"].toInt(), status);
        const QString text = texts[0]["text"].toString();
        QVERIFY(!text.isEmpty());
        QVERIFY(box->seen);
        QCOMPARE(box->title, boxTitle);
        QCOMPARE(box->text, format.arg(text));
        QCOMPARE(box->icon, int(status < 0 ? QMessageBox::Critical : QMessageBox::Warning));
    }
    // The session stays open until the frame goes.
    QVERIFY(sim.calls("qm7240_close").isEmpty());
    frame.reset();
    QCOMPARE(sim.calls("qm7240_close").size(), 1);
}

void TestAppFC::aboutAndClose()
{
    SimFixture sim(vxiSystem(5, 2));
    TestCard card;
    Frame frame(&card, true);
    QVERIFY(frame.about());
    QCOMPARE(frame.about()->parent(), &frame);
    QVERIFY(!frame.about()->isVisible());
    frame.show();
    frame.aboutPush()->click();
    QVERIFY(frame.about()->isVisible());
    QVERIFY(!frame.about()->isModal());
    frame.about()->hide();

    auto no = ModalAnswerer::instance().click("No");
    QVERIFY(!frame.close());
    QVERIFY(frame.isVisible());
    QCOMPARE(no->text, QString("Do you really want to exit?"));
    ModalAnswerer::instance().click("Yes");
    QVERIFY(frame.close());
    QVERIFY(!frame.isVisible());
}

void TestAppFC::givingUpEndsProcess_data()
{
    QTest::addColumn<QString>("path");
    QTest::newRow("Cancel on the first question") << "cancel";
    QTest::newRow("Cancel after a failed open") << "open failed";
    QTest::newRow("Cancel in the selection dialog") << "selection";
}

void TestAppFC::givingUpEndsProcess()
{
    QFETCH(QString, path);
    QProcessEnvironment env;
    env.insert("SFP_GIVE_UP", path);
    const ChildResult child = runTestFunctionInChild("givingUpEndsProcess_child", env);
    QVERIFY(child.started);
    QVERIFY2(!child.crashed, child.err.constData());
    QCOMPARE(child.exitCode, 0);
    QVERIFY2(child.out.contains("connecting"), child.out.constData());
    QVERIFY2(!child.out.contains("constructed"), child.out.constData());
}

void TestAppFC::givingUpEndsProcess_child()
{
    if (!isChildProcess())
        QSKIP("runs in a child process");
    const QString path = qEnvironmentVariable("SFP_GIVE_UP");
    SimFixture sim(vxiSystem(5, 2));
    TestCard card;
    if (path == "cancel") {
        ModalAnswerer::instance().click("Cancel");
    } else if (path == "open failed") {
        storeAddress("7240", {"VXI0::9::INSTR"}, {1});
        answerEnterAddress();
        ModalAnswerer::instance().click("Cancel");
    } else {
        ModalAnswerer::instance().click("Auto Find");
        ModalAnswerer::instance().click("Cancel");
    }
    std::printf("connecting\n");
    std::fflush(stdout);
    Frame frame(&card, false);
    std::printf("constructed\n");
    std::fflush(stdout);
    QFAIL("the frame was built although the workflow gave up");
}

QTEST_MAIN(TestAppFC)
#include "test_appfc.moc"
