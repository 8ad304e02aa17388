#include "childprocess.h"
#include "frame/qm6080fp_messages.h"
#include "modalanswerer.h"

#include <QApplication>
#include <QMessageBox>
#include <QTest>

#include <cstdio>

namespace {

// A window whose destructor would leave a trace on standard output, so a
// child can show that ending the process ran no destructors.
class TracedWindow : public QWidget
{
public:
    ~TracedWindow() override
    {
        std::fputs("window destroyed\n", stdout);
        std::fflush(stdout);
    }
};

} // namespace

class TestMessages : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void boxes_data();
    void boxes();
    void modelTextInTitle();
    void parentIsActiveWindow();
    void errorAnswers_data();
    void errorAnswers();
    void errorYesEndsProcess();
};

void TestMessages::init()
{
    ModalAnswerer::instance().clear();
    panelModelText.clear();
}

void TestMessages::boxes_data()
{
    QTest::addColumn<QString>("helper");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("answer");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("shownText");
    QTest::addColumn<int>("icon");
    QTest::addColumn<QStringList>("buttons");

    const QString title = QStringLiteral("Vorilan  SFP");
    const QStringList ok{"OK"}, yesNo{"Yes", "No"};
    const QString reset = QStringLiteral("qm7240_reset(vi()) failed due to [Timeout]");
    // clang-format off
    QTest::newRow("info") << "info" << "Card ready" << "OK" << title + " Info message"
        << "Card ready" << int(QMessageBox::Information) << ok;
    QTest::newRow("warning") << "warning" << "Warning: [x]" << "OK" << title + " Warning message"
        << "Warning: [x]" << int(QMessageBox::Warning) << ok;
    QTest::newRow("error") << "error" << reset << "No" << title + " Error message"
        << reset + "\nDo you want to exit?" << int(QMessageBox::Critical) << yesNo;
    QTest::newRow("error text ending in a line break") << "error" << "Lost\n" << "No"
        << title + " Error message" << "Lost\n\nDo you want to exit?" << int(QMessageBox::Critical)
        << yesNo;
    QTest::newRow("exit question") << "exit" << QString() << "No" << title
        << "Do you really want to exit?" << int(QMessageBox::Question) << yesNo;
    // clang-format on
}

void TestMessages::boxes()
{
    QFETCH(QString, helper);
    QFETCH(QString, text);
    QFETCH(QString, answer);
    QFETCH(QString, title);
    QFETCH(QString, shownText);
    QFETCH(int, icon);
    QFETCH(QStringList, buttons);

    auto record = ModalAnswerer::instance().click(answer);
    if (helper == QLatin1String("info"))
        showInfoMessage(text);
    else if (helper == QLatin1String("warning"))
        showWarningMessage(text);
    else if (helper == QLatin1String("error"))
        showErrorMessage(text);
    else
        QVERIFY(!confirmExit());

    QVERIFY(record->seen);
    QCOMPARE(record->className, QStringLiteral("QMessageBox"));
    QCOMPARE(record->title, title);
    QCOMPARE(record->text, shownText);
    QCOMPARE(record->icon, icon);
    QStringList shownButtons = record->buttons;
    shownButtons.sort();
    buttons.sort();
    QCOMPARE(shownButtons, buttons);
    QVERIFY(ModalAnswerer::instance().unexpected().isEmpty());
}

void TestMessages::modelTextInTitle()
{
    panelModelText = QStringLiteral("7240");
    auto record = ModalAnswerer::instance().click(QStringLiteral("OK"));
    showWarningMessage(QStringLiteral("x"));
    QCOMPARE(record->title, QStringLiteral("Vorilan 7240 SFP Warning message"));
    record = ModalAnswerer::instance().click(QStringLiteral("No"));
    QVERIFY(!confirmExit());
    QCOMPARE(record->title, QStringLiteral("Vorilan 7240 SFP"));
}

void TestMessages::parentIsActiveWindow()
{
    QWidget window;
    window.show();
    QApplication::setActiveWindow(&window);
    QCOMPARE(QApplication::activeWindow(), &window);

    QWidget *parent = reinterpret_cast<QWidget *>(1);
    bool modal = false;
    ModalAnswerer::instance().expect([&](QWidget *box) {
        parent = box->parentWidget();
        modal = box->isModal();
        ModalAnswerer::clickButton(box, QStringLiteral("OK"));
    });
    showInfoMessage(QStringLiteral("x"));
    QCOMPARE(parent, &window);
    QVERIFY(modal);

    window.hide();
    QApplication::setActiveWindow(nullptr);
    ModalAnswerer::instance().expect([&](QWidget *box) {
        parent = box->parentWidget();
        ModalAnswerer::clickButton(box, QStringLiteral("No"));
    });
    showErrorMessage(QStringLiteral("x"));
    QCOMPARE(parent, static_cast<QWidget *>(nullptr));
}

void TestMessages::errorAnswers_data()
{
    QTest::addColumn<QString>("answer");
    QTest::newRow("No") << "No";
    QTest::newRow("Escape") << "<escape>";
    QTest::newRow("close control") << "<close>";
}

void TestMessages::errorAnswers()
{
    QFETCH(QString, answer);
    auto record = ModalAnswerer::instance().click(answer);
    showErrorMessage(QStringLiteral("Function Call failed due to [Bad session]"));
    // Reaching this line is the point: every answer but Yes lets the caller go on.
    QVERIFY(record->seen);
    QCOMPARE(ModalAnswerer::instance().pending(), 0);
}

void TestMessages::errorYesEndsProcess()
{
    if (isChildProcess()) {
        // Output still in the buffer must survive the abrupt end.
        std::fputs("child started;", stdout);
        auto *window = new TracedWindow;
        window->show();
        QApplication::setActiveWindow(window);
        ModalAnswerer::instance().click(QStringLiteral("Yes"));
        showErrorMessage(QStringLiteral("qm7240_writeChannel(vi(), indx, val) failed"));
        std::fputs("returned from showErrorMessage\n", stdout);
        std::fflush(stdout);
        return;
    }

    const ChildResult child = runTestFunctionInChild("errorYesEndsProcess");
    QVERIFY(child.started);
    QVERIFY(!child.crashed);
    QCOMPARE(child.exitCode, 0);
    QVERIFY2(child.out.contains("child started;"), child.out.constData());
    QVERIFY2(!child.out.contains("returned from showErrorMessage"), child.out.constData());
    QVERIFY2(!child.out.contains("window destroyed"), child.out.constData());
    // No test result either: the process ended inside the call.
    QVERIFY2(!child.out.contains("Totals:"), child.out.constData());
    QVERIFY2(!child.err.contains("QWidget") && !child.err.contains("QObject") &&
                 !child.err.contains("QThread"),
             child.err.constData());
}

QTEST_MAIN(TestMessages)
#include "test_messages.moc"
