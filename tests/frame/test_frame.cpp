#include "fontheight.h"
#include "frame/qm6080fp_app.h"
#include "frame/qm6080fp_icons.h"
#include "frame/qm6080fp_messages.h"
#include "modalanswerer.h"
#include "widgets/qm6080fp_led.h"

#include <QApplication>
#include <QBoxLayout>
#include <QGroupBox>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QStyle>
#include <QTest>
#include <QWhatsThis>

#include <memory>

namespace {

// Opens the frame's protected parts to the test.
class Frame : public qm6080fp_app
{
public:
    using qm6080fp_app::aboutButton;
    using qm6080fp_app::aboutDialog;
    using qm6080fp_app::activeLed;
    using qm6080fp_app::autoscaleButton;
    using qm6080fp_app::autoscaleLabel;
    using qm6080fp_app::buttonColumn;
    using qm6080fp_app::cardLabel;
    using qm6080fp_app::carrierLabel;
    using qm6080fp_app::carrierLogoLabel;
    using qm6080fp_app::clientWidget;
    using qm6080fp_app::closeButton;
    using qm6080fp_app::constructed;
    using qm6080fp_app::helpButton;
    using qm6080fp_app::identifyButton;
    using qm6080fp_app::identifyLabel;
    using qm6080fp_app::resetButton;
    using qm6080fp_app::startContButton;
    using qm6080fp_app::startSingleButton;
    using qm6080fp_app::titleLabel;
};

const QString continuousText = QStringLiteral(
    "<html>Starts the repetitive data acquisition (or continuous data acquisition, when file "
    "storage option is turned on)</html>");

QImage iconImage(const QPushButton *button)
{
    return button->icon().pixmap(12, 12).toImage().convertToFormat(QImage::Format_ARGB32);
}

QImage asImage(const QPixmap &pixmap)
{
    return pixmap.toImage().convertToFormat(QImage::Format_ARGB32);
}

// An acquisition button's face: its icon and its What's This text, repeated as tool tip.
void checkFace(const QPushButton *button, const QPixmap &icon, const QString &text)
{
    QCOMPARE(iconImage(button), asImage(icon));
    QCOMPARE(button->whatsThis(), text);
    QCOMPARE(button->toolTip(), text);
}

} // namespace

class TestFrame : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void members();
    void visibility();
    void helpTexts();
    void header();
    void buttonColumnOrder();
    void style();
    void styleFallback();
    void carrierAndCardInfo_data();
    void carrierAndCardInfo();
    void lxiLogo();
    void demoMode();
    void toggles();
    void singleShotAcquisition();
    void continuousAcquisition();
    void userBreakIdle();
    void resetAndHelp();
    void clientLayout();
    void spacing13();
    void close_data();
    void close();
    void centeredGeometry_data();
    void centeredGeometry();
    void centredOnScreen();

private:
    std::unique_ptr<Frame> frame;
};

void TestFrame::init()
{
    ModalAnswerer::instance().clear();
    frame = std::make_unique<Frame>();
}

void TestFrame::cleanup()
{
    frame.reset();
}

void TestFrame::members()
{
    QVERIFY(frame->constructed);
    QVERIFY(frame->isWindow());
    QCOMPARE(frame->parentWidget(), static_cast<QWidget *>(nullptr));
    QCOMPARE(frame->aboutDialog, static_cast<qm6080fp_About *>(nullptr));
    const QList<QObject *> members{
        frame->helpButton,        frame->autoscaleButton, frame->aboutButton,
        frame->clientWidget,      frame->titleLabel,      frame->carrierLogoLabel,
        frame->carrierLabel,      frame->cardLabel,       frame->activeLed,
        frame->closeButton,       frame->autoscaleLabel,  frame->buttonColumn,
        frame->identifyLabel,     frame->identifyButton,  frame->resetButton,
        frame->startSingleButton, frame->startContButton};
    for (QObject *member : members) {
        QVERIFY(member);
        // Owned by the window through the object tree.
        QObject *ancestor = member->parent();
        while (ancestor && ancestor != frame.get())
            ancestor = ancestor->parent();
        QCOMPARE(ancestor, static_cast<QObject *>(frame.get()));
    }

    QVERIFY(frame->autoscaleButton->isCheckable());
    QVERIFY(frame->autoscaleButton->isChecked());
    QCOMPARE(frame->autoscaleButton->text(), QStringLiteral("ON"));
    QVERIFY(frame->identifyButton->isCheckable());
    QVERIFY(!frame->identifyButton->isChecked());
    QCOMPARE(frame->identifyButton->text(), QStringLiteral("OFF"));
    QVERIFY(frame->startSingleButton->isCheckable());
    QVERIFY(frame->startContButton->isCheckable());
    QVERIFY(frame->startSingleButton->text().isEmpty());
    QCOMPARE(iconImage(frame->startSingleButton), asImage(qm6080fp_icons::singleShotIcon()));
    QCOMPARE(iconImage(frame->startContButton), asImage(qm6080fp_icons::continuousIcon()));
    QCOMPARE(frame->resetButton->text(), QStringLiteral("Reset Device"));
    QCOMPARE(frame->aboutButton->text(), QStringLiteral("About"));
    QCOMPARE(frame->closeButton->text(), QStringLiteral("Close"));
    QCOMPARE(frame->autoscaleLabel->text(), QStringLiteral("Autoscale"));
    QCOMPARE(frame->identifyLabel->text(), QStringLiteral("Identify"));
    QVERIFY(frame->autoscaleLabel->alignment() & Qt::AlignHCenter);
    QVERIFY(frame->identifyLabel->alignment() & Qt::AlignHCenter);
    QVERIFY(frame->helpButton->text().isEmpty());
    QCOMPARE(frame->helpButton->iconSize(), QSize(20, 17));
    QCOMPARE(frame->windowIcon().availableSizes().value(0), QSize(16, 16));

    QCOMPARE(frame->activeLed->currentText(), QStringLiteral("Active"));
    QCOMPARE(frame->activeLed->currentOnColor(), QColor(Qt::green));
    QCOMPARE(frame->activeLed->currentOffColor(),
             frame->activeLed->palette().color(QPalette::Window));
    QCOMPARE(frame->activeLed->currentValue(), 0);
}

void TestFrame::visibility()
{
    frame->show();
    QVERIFY(QTest::qWaitForWindowExposed(frame.get()));
    const QList<QWidget *> shown{frame->activeLed, frame->resetButton, frame->helpButton,
                                 frame->aboutButton, frame->closeButton};
    for (QWidget *widget : shown)
        QVERIFY2(widget->isVisible(), widget->metaObject()->className());
    const QList<QWidget *> hidden{frame->autoscaleLabel,    frame->autoscaleButton,
                                  frame->identifyLabel,     frame->identifyButton,
                                  frame->startSingleButton, frame->startContButton,
                                  frame->carrierLabel,      frame->cardLabel};
    for (QWidget *widget : hidden)
        QVERIFY(!widget->isVisible());

    for (bool on : {true, false}) {
        frame->showIdentify(on);
        QCOMPARE(frame->identifyLabel->isVisible(), on);
        QCOMPARE(frame->identifyButton->isVisible(), on);
        frame->showAutoscale(on);
        QCOMPARE(frame->autoscaleLabel->isVisible(), on);
        QCOMPARE(frame->autoscaleButton->isVisible(), on);
        if (on)
            QCOMPARE(frame->size(), QSize(800, 600).expandedTo(frame->minimumSize()));
    }
}

void TestFrame::helpTexts()
{
    // What's This text, and whether the tool tip repeats it.
    const struct
    {
        QWidget *widget;
        QString whatsThis;
        bool toolTip;
    } rows[] = {
        {frame->activeLed,
         "Green light means that the Soft Front Panel works\nin Real (not Demo) mode.", false},
        {frame->autoscaleButton, "Enables/disables plot autorescale feature", true},
        {frame->identifyButton, "Enables/disables visual identification mechanism", true},
        {frame->startSingleButton, "Starts the single-shot data acquisition", true},
        {frame->startContButton, continuousText, true},
        {frame->resetButton, "Reset the device to the default state", true},
        {frame->helpButton, "Show on-line help for Instrument Soft Front Panel components", false},
        {frame->aboutButton, "Displays \"About\" panel", false},
        {frame->closeButton, "Close main panel and terminates program", false},
    };
    for (const auto &row : rows) {
        QCOMPARE(row.widget->whatsThis(), row.whatsThis);
        QCOMPARE(row.widget->toolTip(), row.toolTip ? row.whatsThis : QString());
    }
}

void TestFrame::header()
{
    auto *mainLayout = qobject_cast<QVBoxLayout *>(frame->layout());
    QVERIFY(mainLayout);
    QCOMPARE(mainLayout->count(), 2);
    auto *headerRow = qobject_cast<QHBoxLayout *>(mainLayout->itemAt(0)->layout());
    QVERIFY(headerRow);
    QCOMPARE(headerRow->count(), 3);
    auto *makerLogo = qobject_cast<QLabel *>(headerRow->itemAt(0)->widget());
    QVERIFY(makerLogo);
    QCOMPARE(makerLogo->pixmap(Qt::ReturnByValue).size(), QSize(86, 84));
    QCOMPARE(headerRow->itemAt(1)->widget(), frame->titleLabel);
    QCOMPARE(headerRow->itemAt(2)->widget(), frame->carrierLogoLabel);
    QCOMPARE(asImage(frame->carrierLogoLabel->pixmap(Qt::ReturnByValue)),
             asImage(QPixmap(QStringLiteral(":/vxi-logo.bmp"))));
    QCOMPARE(frame->carrierLogoLabel->pixmap(Qt::ReturnByValue).size(), QSize(146, 84));

    QCOMPARE(
        frame->titleLabel->styleSheet(),
        QStringLiteral("QLabel { background-color: #1a2c5e; color: #ffffff; font: bold 20px}"));
    QCOMPARE(frame->titleLabel->alignment(), Qt::AlignHCenter | Qt::AlignVCenter);
    QCOMPARE(frame->titleLabel->sizePolicy().horizontalPolicy(), QSizePolicy::Expanding);
    QCOMPARE(frame->titleLabel->sizePolicy().verticalPolicy(), QSizePolicy::Minimum);
    frame->setHeaderText(QStringLiteral("<b>7240</b> DAC"));
    QCOMPARE(frame->titleLabel->text(), QStringLiteral("<b>7240</b> DAC"));

    auto *bodyRow = qobject_cast<QHBoxLayout *>(mainLayout->itemAt(1)->layout());
    QVERIFY(bodyRow);
    QCOMPARE(bodyRow->count(), 2);
    QCOMPARE(bodyRow->itemAt(0)->widget(), frame->clientWidget);
    QCOMPARE(bodyRow->itemAt(1)->layout(), frame->buttonColumn);
    QCOMPARE(mainLayout->sizeConstraint(), QLayout::SetMinimumSize);
}

void TestFrame::buttonColumnOrder()
{
    QVBoxLayout *column = frame->buttonColumn;
    // Null entries are the LED group box (first) and the stretches.
    // clang-format off
    const QList<QWidget *> widgetsInOrder{
        nullptr, nullptr, frame->autoscaleLabel, frame->autoscaleButton,
        nullptr, frame->identifyLabel, frame->identifyButton,
        nullptr, frame->startSingleButton, frame->startContButton,
        nullptr, frame->resetButton,
        nullptr, frame->helpButton, frame->aboutButton, frame->closeButton};
    // clang-format on
    QCOMPARE(column->count(), widgetsInOrder.size());
    const QList<int> stretches{1, 4, 7, 10, 12};
    for (int i = 0; i < column->count(); ++i) {
        QLayoutItem *item = column->itemAt(i);
        if (i == 0) {
            auto *group = qobject_cast<QGroupBox *>(item->widget());
            QVERIFY(group);
            QVERIFY(group->title().isEmpty());
            auto *ledLayout = qobject_cast<QVBoxLayout *>(group->layout());
            QVERIFY(ledLayout);
            QCOMPARE(ledLayout->count(), 3);
            QCOMPARE(ledLayout->itemAt(0)->widget(), frame->activeLed);
            QCOMPARE(ledLayout->itemAt(1)->widget(), frame->carrierLabel);
            QCOMPARE(ledLayout->itemAt(2)->widget(), frame->cardLabel);
        } else if (stretches.contains(i)) {
            QVERIFY2(item->spacerItem(), qPrintable(QString::number(i)));
        } else {
            QCOMPARE(item->widget(), widgetsInOrder.at(i));
        }
    }
}

namespace {
// The panel's style by toolkit generation: Qt 6 has no Plastique, and Fusion
// is its stand-in there.
const struct
{
    int qtMajor;
    const char *style;
} panelStyles[] = {{5, "plastique"}, {6, "fusion"}};

QString panelStyle()
{
    for (const auto &row : panelStyles)
        if (row.qtMajor == QT_VERSION_MAJOR)
            return QLatin1String(row.style);
    return QString();
}
} // namespace

void TestFrame::style()
{
    QCOMPARE(QApplication::style()->objectName().toLower(), panelStyle());
}

namespace {
QStringList debugLines;
void collectDebug(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    if (type == QtDebugMsg)
        debugLines << message;
}
} // namespace

void TestFrame::styleFallback()
{
    qInstallMessageHandler(collectDebug);
    installPanelStyle(QStringLiteral("NoSuchStyle"));
    const QString first = QApplication::style()->objectName().toLower();
    installPanelStyle(QStringLiteral("NoSuchStyle"));
    const QString second = QApplication::style()->objectName().toLower();
    installPanelStyle();
    qInstallMessageHandler(nullptr);
    QCOMPARE(first, QStringLiteral("fusion"));
    QCOMPARE(second, QStringLiteral("fusion"));
    // Said once, not on every frame; the Plastique that Qt 6 lacks is
    // expected to be missing there and goes without a word.
    QCOMPARE(debugLines,
             QStringList{QStringLiteral("NoSuchStyle style not available, using Fusion")});
    QCOMPARE(QApplication::style()->objectName().toLower(), panelStyle());
}

void TestFrame::carrierAndCardInfo_data()
{
    QTest::addColumn<bool>("card");
    for (bool card : {false, true})
        QTest::newRow(card ? "card label" : "carrier label") << card;
}

void TestFrame::carrierAndCardInfo()
{
    QFETCH(bool, card);
    frame->show();
    QVERIFY(QTest::qWaitForWindowExposed(frame.get()));
    QLabel *label = card ? frame->cardLabel : frame->carrierLabel;
    const auto set = [&](const QString &text, const QString &whatsThis) {
        if (card)
            frame->setCardInfo(text, whatsThis);
        else
            frame->setCarrierInfo(text, whatsThis);
    };

    set(QStringLiteral("VXI0::2::INSTR"), QStringLiteral("Carrier resource"));
    QVERIFY(label->isVisible());
    QCOMPARE(label->text(), QStringLiteral("VXI0::2::INSTR"));
    QCOMPARE(label->whatsThis(), QStringLiteral("Carrier resource"));

    set(QStringLiteral("FC 3"), QString());
    QVERIFY(label->isVisible());
    QCOMPARE(label->text(), QStringLiteral("FC 3"));
    QCOMPARE(label->whatsThis(), QStringLiteral("Carrier resource"));

    set(QString(), QStringLiteral("Nothing connected"));
    QVERIFY(!label->isVisible());
    QCOMPARE(label->whatsThis(), QStringLiteral("Nothing connected"));

    // The other label is left alone.
    QLabel *other = card ? frame->carrierLabel : frame->cardLabel;
    QVERIFY(!other->isVisible());
    QVERIFY(other->text().isEmpty());
}

void TestFrame::lxiLogo()
{
    const QImage vxi = asImage(QPixmap(QStringLiteral(":/vxi-logo.bmp")));
    const QImage lxi = asImage(QPixmap(QStringLiteral(":/lxi-logo.bmp")));
    QCOMPARE(lxi.size(), QSize(121, 84));
    frame->setLxiLogo(false);
    QCOMPARE(asImage(frame->carrierLogoLabel->pixmap(Qt::ReturnByValue)), vxi);
    frame->setLxiLogo(true);
    QCOMPARE(asImage(frame->carrierLogoLabel->pixmap(Qt::ReturnByValue)), lxi);
    frame->setLxiLogo(false);
    QCOMPARE(asImage(frame->carrierLogoLabel->pixmap(Qt::ReturnByValue)), lxi);
    frame->clearCarrierLogo();
    QVERIFY(frame->carrierLogoLabel->pixmap(Qt::ReturnByValue).isNull());
}

void TestFrame::demoMode()
{
    frame->setDemoMode(false);
    QCOMPARE(frame->activeLed->currentValue(), 1);
    frame->setDemoMode(true);
    QCOMPARE(frame->activeLed->currentValue(), 0);
    // Said to assistive technology once the window shows, not before.
    QVERIFY(frame->accessibleDescription().isEmpty());
    frame->show();
    QVERIFY(frame->accessibleDescription().startsWith(QStringLiteral("Demo mode")));
    frame->setDemoMode(false);
    QVERIFY(frame->accessibleDescription().isEmpty());
}

void TestFrame::toggles()
{
    QSignalSpy autoscale(frame.get(), &qm6080fp_app::autoscaleToggled);
    QSignalSpy ident(frame.get(), &qm6080fp_app::identToggled);
    frame->autoscaleButton->click();
    QCOMPARE(frame->autoscaleButton->text(), QStringLiteral("OFF"));
    frame->autoscaleButton->click();
    QCOMPARE(frame->autoscaleButton->text(), QStringLiteral("ON"));
    QCOMPARE(autoscale, (QList<QVariantList>{{false}, {true}}));

    frame->identifyButton->click();
    QCOMPARE(frame->identifyButton->text(), QStringLiteral("ON"));
    frame->identifyButton->click();
    QCOMPARE(frame->identifyButton->text(), QStringLiteral("OFF"));
    QCOMPARE(ident, (QList<QVariantList>{{true}, {false}}));
}

void TestFrame::singleShotAcquisition()
{
    QSignalSpy start(frame.get(), &qm6080fp_app::startSingle);
    QSignalSpy brk(frame.get(), &qm6080fp_app::breakSingle);
    QSignalSpy stop(frame.get(), &qm6080fp_app::stopCont);
    QPushButton *single = frame->startSingleButton;
    QPushButton *cont = frame->startContButton;

    single->click();
    QVERIFY(single->isChecked());
    checkFace(single, qm6080fp_icons::stopIcon(), "Breaks the Single-Shot Data Acquisition");
    QVERIFY(single->isEnabled() && !cont->isEnabled());
    QCOMPARE(start.count(), 1);
    QCOMPARE(brk.count(), 0);

    single->click();
    QVERIFY(!single->isChecked());
    checkFace(single, qm6080fp_icons::singleShotIcon(), "Starts the Single-Shot Data Acquisition");
    QVERIFY(!single->isEnabled() && !cont->isEnabled());
    QCOMPARE(brk.count(), 1);

    frame->enableStart();
    QVERIFY(single->isEnabled() && cont->isEnabled());

    // Breaking a running single shot from the panel.
    single->click();
    QCOMPARE(start.count(), 2);
    frame->userBreak();
    QVERIFY(!single->isChecked());
    QCOMPARE(brk.count(), 2);
    QCOMPARE(stop.count(), 0);
    QVERIFY(single->isEnabled() && cont->isEnabled());
}

void TestFrame::continuousAcquisition()
{
    QSignalSpy start(frame.get(), &qm6080fp_app::startCont);
    QSignalSpy stop(frame.get(), &qm6080fp_app::stopCont);
    QSignalSpy brk(frame.get(), &qm6080fp_app::breakSingle);
    QPushButton *single = frame->startSingleButton;
    QPushButton *cont = frame->startContButton;

    cont->click();
    QVERIFY(cont->isChecked());
    checkFace(cont, qm6080fp_icons::stopIcon(), "Stops the Data Acquisition process");
    QVERIFY(!single->isEnabled() && cont->isEnabled());
    QCOMPARE(start.count(), 1);

    cont->click();
    QCOMPARE(stop.count(), 1);
    checkFace(cont, qm6080fp_icons::continuousIcon(), continuousText);
    QVERIFY(!single->isEnabled() && !cont->isEnabled());

    frame->enableStart();
    cont->click();
    QCOMPARE(start.count(), 2);
    frame->userBreak();
    QVERIFY(!cont->isChecked());
    QCOMPARE(stop.count(), 2);
    QCOMPARE(brk.count(), 0);
    QVERIFY(single->isEnabled() && cont->isEnabled());
}

void TestFrame::userBreakIdle()
{
    QSignalSpy startSingle(frame.get(), &qm6080fp_app::startSingle);
    QSignalSpy breakSingle(frame.get(), &qm6080fp_app::breakSingle);
    QSignalSpy startCont(frame.get(), &qm6080fp_app::startCont);
    QSignalSpy stopCont(frame.get(), &qm6080fp_app::stopCont);
    frame->startSingleButton->setEnabled(false);
    frame->startContButton->setEnabled(false);
    frame->userBreak();
    QVERIFY(frame->startSingleButton->isEnabled() && frame->startContButton->isEnabled());
    QCOMPARE(startSingle.count() + breakSingle.count() + startCont.count() + stopCont.count(), 0);
}

void TestFrame::resetAndHelp()
{
    QSignalSpy reset(frame.get(), &qm6080fp_app::resetPressed);
    frame->show();
    QVERIFY(QTest::qWaitForWindowExposed(frame.get()));
    QTest::mouseClick(frame->resetButton, Qt::LeftButton);
    QCOMPARE(reset.count(), 1);

    QVERIFY(!QWhatsThis::inWhatsThisMode());
    QTest::mouseClick(frame->helpButton, Qt::LeftButton);
    QVERIFY(QWhatsThis::inWhatsThisMode());
    QWhatsThis::leaveWhatsThisMode();
}

void TestFrame::clientLayout()
{
    // The frame's own layout went onto the window while it was being built (see header).
    QLayout *frameLayout = frame->layout();
    QVERIFY(!frame->clientWidget->layout());

    auto *panelLayout = new QGridLayout;
    frame->setClientLayout(panelLayout);
    QCOMPARE(frame->clientWidget->layout(), panelLayout);
    QCOMPARE(frame->layout(), frameLayout);
}

void TestFrame::spacing13()
{
    bool found = false;
    const QFont font = fontWithHeight(13, &found);
    QVERIFY(found);
    // Put the application font back whatever the outcome.
    const std::shared_ptr<void> restore(
        nullptr, [previous = QApplication::font()](void *) { QApplication::setFont(previous); });
    QApplication::setFont(font);
    Frame small;
    QCOMPARE(small.fontMetrics().height(), 13);

    auto *mainLayout = qobject_cast<QBoxLayout *>(small.layout());
    QVERIFY(mainLayout);
    QCOMPARE(mainLayout->spacing(), 13);
    QCOMPARE(mainLayout->contentsMargins(), QMargins(0, 0, 0, 0));
    auto *headerRow = qobject_cast<QBoxLayout *>(mainLayout->itemAt(0)->layout());
    QCOMPARE(headerRow->spacing(), 0);
    auto *bodyRow = qobject_cast<QBoxLayout *>(mainLayout->itemAt(1)->layout());
    QCOMPARE(bodyRow->spacing(), 13);
    QCOMPARE(bodyRow->contentsMargins(), QMargins(6, 0, 0, 6));
    QCOMPARE(small.buttonColumn->spacing(), 6);
    QCOMPARE(small.buttonColumn->contentsMargins(), QMargins(0, 0, 6, 6));
    auto *group = qobject_cast<QGroupBox *>(small.buttonColumn->itemAt(0)->widget());
    QVERIFY(group);
    QCOMPARE(group->layout()->spacing(), 13);
}

void TestFrame::close_data()
{
    QTest::addColumn<bool>("byButton");
    QTest::addColumn<QString>("answer");
    QTest::addColumn<bool>("closes");
    for (bool byButton : {true, false}) {
        const char *how = byButton ? "Close button, " : "window close, ";
        QTest::addRow("%sYes", how) << byButton << "Yes" << true;
        QTest::addRow("%sNo", how) << byButton << "No" << false;
        QTest::addRow("%sEscape", how) << byButton << "<escape>" << false;
        QTest::addRow("%sbox closed", how) << byButton << "<close>" << false;
    }
}

void TestFrame::close()
{
    QFETCH(bool, byButton);
    QFETCH(QString, answer);
    QFETCH(bool, closes);
    frame->show();
    QVERIFY(QTest::qWaitForWindowExposed(frame.get()));
    QApplication::setActiveWindow(frame.get());

    QWidget *parent = nullptr;
    auto record = ModalAnswerer::instance().expect([&](QWidget *box) {
        parent = box->parentWidget();
        ModalAnswerer::clickButton(box, answer);
    });
    if (byButton)
        frame->closeButton->click();
    else
        frame->close();

    QVERIFY(record->seen);
    QCOMPARE(record->title, QStringLiteral("Vorilan  SFP"));
    QCOMPARE(record->text, QStringLiteral("Do you really want to exit?"));
    QCOMPARE(record->icon, int(QMessageBox::Question));
    QCOMPARE(parent, static_cast<QWidget *>(frame.get()));
    QCOMPARE(frame->isVisible(), !closes);
    QVERIFY(ModalAnswerer::instance().unexpected().isEmpty());
}

void TestFrame::centeredGeometry_data()
{
    QTest::addColumn<QRect>("available");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QPoint>("topLeft");

    QTest::newRow("1920 x 1040") << QRect(0, 0, 1920, 1040) << QSize(801, 601) << QPoint(559, 219);
    QTest::newRow("task bar on top")
        << QRect(0, 40, 1920, 1040) << QSize(801, 601) << QPoint(559, 259);
    QTest::newRow("task bar on the left")
        << QRect(64, 0, 1856, 1080) << QSize(800, 600) << QPoint(592, 240);
    QTest::newRow("primary right of another")
        << QRect(1920, 0, 1280, 1024) << QSize(640, 480) << QPoint(2240, 272);
    QTest::newRow("primary left of another")
        << QRect(-1280, 0, 1280, 1024) << QSize(640, 480) << QPoint(-960, 272);
    // Wider than the screen: the halves truncate toward zero.
    QTest::newRow("larger than the screen")
        << QRect(0, 0, 801, 600) << QSize(1000, 701) << QPoint(-99, -50);
}

void TestFrame::centeredGeometry()
{
    QFETCH(QRect, available);
    QFETCH(QSize, size);
    QFETCH(QPoint, topLeft);
    QCOMPARE(::centeredGeometry(available, size), QRect(topLeft, size));
}

void TestFrame::centredOnScreen()
{
    // The window and any widget land where centeredGeometry puts them on the primary screen.
    const QRect available = QGuiApplication::primaryScreen()->availableGeometry();
    QCOMPARE(frame->geometry(), ::centeredGeometry(available, frame->size()));
    QWidget dialog;
    dialog.resize(301, 201);
    centerOnScreen(&dialog);
    QCOMPARE(dialog.geometry(), ::centeredGeometry(available, QSize(301, 201)));
    centerOnScreen(nullptr);
}

QTEST_MAIN(TestFrame)
#include "test_frame.moc"
