#include "frame/qm6080fp_app.h"

#include "accessibility/qm6080fp_accessibility.h"
#include "accessibility/qm6080fp_announcer.h"
#include "frame/qm6080fp_icons.h"
#include "frame/qm6080fp_messages.h"
#include "widgets/qm6080fp_led.h"

#include <QApplication>
#include <QCloseEvent>
#include <QShowEvent>
#include <QDebug>
#include <QFontMetrics>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QStyleFactory>
#include <QVBoxLayout>
#include <QWhatsThis>

namespace {

const char *const continuousStartText =
    "<html>Starts the repetitive data acquisition (or continuous data acquisition, when file "
    "storage option is turned on)</html>";

void setHelpTexts(QWidget *widget, const QString &text)
{
    widget->setWhatsThis(text);
    widget->setToolTip(text);
}

QPushButton *toggleButton(const QString &text, bool checked, const QString &help, QWidget *parent)
{
    auto *button = new QPushButton(text, parent);
    button->setCheckable(true);
    button->setChecked(checked);
    setHelpTexts(button, help);
    return button;
}

QPushButton *iconToggleButton(const QPixmap &icon, const QString &help, QWidget *parent)
{
    auto *button = new QPushButton(parent);
    button->setIcon(QIcon(icon));
    button->setCheckable(true);
    setHelpTexts(button, help);
    return button;
}

} // namespace

void installPanelStyle(const QString &preferred)
{
    QStyle *style = QStyleFactory::create(preferred);
    if (!style) {
        // Qt 6 has no Plastique at all: there Fusion is its expected stand-in,
        // not worth a word at every start.
        const bool expected =
            QT_VERSION >= QT_VERSION_CHECK(6, 0, 0) &&
            preferred.compare(QLatin1String("Plastique"), Qt::CaseInsensitive) == 0;
        static bool told = false;
        if (!told && !expected) {
            qDebug("%s style not available, using Fusion", qPrintable(preferred));
            told = true;
        }
        style = QStyleFactory::create(QStringLiteral("Fusion"));
    }
    if (style)
        QApplication::setStyle(style);
}

qm6080fp_app::qm6080fp_app() : QWidget(nullptr, Qt::Window)
{
    qm6080fp_installAccessibility();
    installPanelStyle();
    announcer = new qm6080fp_announcer(this);
    constructed = false;
    aboutButton = nullptr;
    aboutDialog = nullptr;

    auto *mainLayout = new QVBoxLayout;
    auto *headerRow = new QHBoxLayout;
    auto *bodyRow = new QHBoxLayout;
    buttonColumn = new QVBoxLayout;
    auto *ledLayout = new QVBoxLayout;
    // Spacings follow the font so the frame keeps its proportions at any
    // font size.
    const int h = fontMetrics().height();
    const int half = h >> 1;
    mainLayout->setSpacing(h);
    mainLayout->setContentsMargins(0, 0, 0, 0);
    headerRow->setSpacing(0);
    bodyRow->setSpacing(h);
    bodyRow->setContentsMargins(half, 0, 0, half);
    buttonColumn->setSpacing(half);
    buttonColumn->setContentsMargins(0, 0, half, half);
    ledLayout->setSpacing(h);

    mainLayout->addLayout(headerRow);
    mainLayout->addLayout(bodyRow);
    clientWidget = new QWidget(this);
    bodyRow->addWidget(clientWidget);
    bodyRow->addLayout(buttonColumn);
    setClientLayout(mainLayout);

    setWindowIcon(QIcon(qm6080fp_icons::windowIcon()));

    auto *makerLogo = new QLabel(this);
    makerLogo->setPixmap(QPixmap(QStringLiteral(":/marvane-logo.bmp")));
    headerRow->addWidget(makerLogo);
    titleLabel = new QLabel(this);
    titleLabel->setStyleSheet(
        QStringLiteral("QLabel { background-color: #1a2c5e; color: #ffffff; font: bold 20px}"));
    titleLabel->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
    titleLabel->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Minimum);
    headerRow->addWidget(titleLabel);
    carrierLogoLabel = new QLabel(this);
    carrierLogoLabel->setPixmap(QPixmap(QStringLiteral(":/vxi-logo.bmp")));
    headerRow->addWidget(carrierLogoLabel);

    auto *ledGroup = new QGroupBox(this);
    ledGroup->setLayout(ledLayout);
    activeLed = new qm6080fp_led(QStringLiteral("Active"), Qt::green, Qt::magenta, ledGroup);
    activeLed->setWhatsThis(QStringLiteral(
        "Green light means that the Soft Front Panel works\nin Real (not Demo) mode."));
    ledLayout->addWidget(activeLed);
    carrierLabel = new QLabel(ledGroup);
    carrierLabel->hide();
    ledLayout->addWidget(carrierLabel);
    cardLabel = new QLabel(ledGroup);
    cardLabel->hide();
    ledLayout->addWidget(cardLabel);
    buttonColumn->addWidget(ledGroup);
    buttonColumn->addStretch();

    autoscaleLabel = new QLabel(QStringLiteral("Autoscale"), this);
    autoscaleLabel->setAlignment(Qt::AlignCenter);
    autoscaleButton =
        toggleButton(QStringLiteral("ON"), true,
                     QStringLiteral("Enables/disables plot autorescale feature"), this);
    connect(autoscaleButton, &QPushButton::toggled, this, &qm6080fp_app::autoscaleToggledSlot);
    autoscaleLabel->hide();
    autoscaleButton->hide();
    buttonColumn->addWidget(autoscaleLabel);
    buttonColumn->addWidget(autoscaleButton);
    buttonColumn->addStretch();

    identifyLabel = new QLabel(QStringLiteral("Identify"), this);
    identifyLabel->setAlignment(Qt::AlignCenter);
    identifyButton =
        toggleButton(QStringLiteral("OFF"), false,
                     QStringLiteral("Enables/disables visual identification mechanism"), this);
    connect(identifyButton, &QPushButton::toggled, this, &qm6080fp_app::identToggledSlot);
    identifyLabel->hide();
    identifyButton->hide();
    buttonColumn->addWidget(identifyLabel);
    buttonColumn->addWidget(identifyButton);
    buttonColumn->addStretch();

    startSingleButton =
        iconToggleButton(qm6080fp_icons::singleShotIcon(),
                         QStringLiteral("Starts the single-shot data acquisition"), this);
    connect(startSingleButton, &QPushButton::toggled, this, &qm6080fp_app::startToggledSlot);
    startContButton = iconToggleButton(qm6080fp_icons::continuousIcon(),
                                       QString::fromLatin1(continuousStartText), this);
    connect(startContButton, &QPushButton::toggled, this, &qm6080fp_app::startContToggledSlot);
    startSingleButton->hide();
    startContButton->hide();
    buttonColumn->addWidget(startSingleButton);
    buttonColumn->addWidget(startContButton);
    buttonColumn->addStretch();

    resetButton = new QPushButton(QStringLiteral("Reset Device"), this);
    setHelpTexts(resetButton, QStringLiteral("Reset the device to the default state"));
    connect(resetButton, &QPushButton::clicked, this, &qm6080fp_app::resetPressed);
    buttonColumn->addWidget(resetButton);
    buttonColumn->addStretch();

    helpButton = new QPushButton(this);
    const QPixmap helpPicture = qm6080fp_icons::helpIcon();
    helpButton->setIcon(QIcon(helpPicture));
    helpButton->setIconSize(helpPicture.size());
    // A picture and no label: the name is all a screen reader can say of it.
    helpButton->setAccessibleName(QStringLiteral("What's This"));
    helpButton->setWhatsThis(
        QStringLiteral("Show on-line help for Instrument Soft Front Panel components"));
    // It has no tool tip, from which the toolkit takes a description.
    helpButton->setAccessibleDescription(helpButton->whatsThis());
    connect(helpButton, &QPushButton::clicked, this, &qm6080fp_app::enterWIT);
    buttonColumn->addWidget(helpButton);

    aboutButton = new QPushButton(QStringLiteral("About"), this);
    aboutButton->setWhatsThis(QStringLiteral("Displays \"About\" panel"));
    buttonColumn->addWidget(aboutButton);

    closeButton = new QPushButton(QStringLiteral("Close"), this);
    closeButton->setWhatsThis(QStringLiteral("Close main panel and terminates program"));
    connect(closeButton, &QPushButton::clicked, this, &QWidget::close);
    buttonColumn->addWidget(closeButton);

    constructed = true;
    mainLayout->setSizeConstraint(QLayout::SetMinimumSize);
    centerOnScreen(this);
}

qm6080fp_app::~qm6080fp_app() = default;

void qm6080fp_app::setHeaderText(QString text)
{
    titleLabel->setText(text);
}

void qm6080fp_app::setLxiLogo(bool lxi)
{
    if (lxi)
        carrierLogoLabel->setPixmap(QPixmap(QStringLiteral(":/lxi-logo.bmp")));
}

void qm6080fp_app::clearCarrierLogo()
{
    carrierLogoLabel->setPixmap(QPixmap());
}

void qm6080fp_app::setDemoMode(bool demo)
{
    activeLed->setValue(demo ? 0 : 1);
    // What the unlit lamp shows a sighted user, said to a screen reader.
    d_description = demo
        ? QStringLiteral("Demo mode: no card is connected, and nothing is written to a card.")
        : QString();
    if (isVisible())
        tellDescription();
}

void qm6080fp_app::showEvent(QShowEvent *event)
{
    tellDescription();
    QWidget::showEvent(event);
}

void qm6080fp_app::tellDescription()
{
    // A screen reader that hears of the window before it shows keeps it as
    // not visible, and its flat review then finds nothing in it; so the
    // window tells it nothing until it shows, and only what changes.
    if (accessibleDescription() != d_description)
        setAccessibleDescription(d_description);
}

void qm6080fp_app::setCarrierInfo(QString text, QString whatsThis)
{
    carrierLabel->setText(text);
    carrierLabel->setVisible(!text.isEmpty());
    if (!whatsThis.isEmpty())
        carrierLabel->setWhatsThis(whatsThis);
}

void qm6080fp_app::setCardInfo(QString text, QString whatsThis)
{
    cardLabel->setText(text);
    cardLabel->setVisible(!text.isEmpty());
    if (!whatsThis.isEmpty())
        cardLabel->setWhatsThis(whatsThis);
}

void qm6080fp_app::setClientLayout(QLayout *layout)
{
    // During construction the frame's own layout is installed; afterwards the
    // card panel's layout goes into the client area.
    if (constructed)
        clientWidget->setLayout(layout);
    else
        setLayout(layout);
}

void qm6080fp_app::showAutoscale(bool show)
{
    autoscaleLabel->setVisible(show);
    autoscaleButton->setVisible(show);
    if (show)
        resize(800, 600);
}

void qm6080fp_app::showIdentify(bool show)
{
    identifyLabel->setVisible(show);
    identifyButton->setVisible(show);
}

void qm6080fp_app::closeEvent(QCloseEvent *event)
{
    if (confirmExit())
        event->accept();
    else
        event->ignore();
}

namespace {

// Leaves What's This mode on Tab and lets the Tab through: a keyboard user who
// entered the mode by mistake is not trapped in it.
class tabLeavesWhatsThis : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (!QWhatsThis::inWhatsThisMode()) {
            deleteLater();
            return false;
        }
        if (event->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent *>(event)->key();
            if (key == Qt::Key_Tab || key == Qt::Key_Backtab) {
                QWhatsThis::leaveWhatsThisMode();
                deleteLater();
            }
        }
        return false;
    }
};

} // namespace

void qm6080fp_app::enterWIT()
{
    QWhatsThis::enterWhatsThisMode();
    // Installed after the mode's own filter, so it sees a key first.
    qApp->installEventFilter(new tabLeavesWhatsThis(this));
    announcer->announce(
        QStringLiteral("What's This: click a control to read its help; Escape or Tab leaves. "
                       "Shift+F1 reads the help of the control that has the focus."));
}

void qm6080fp_app::userBreak()
{
    // Each toggle runs the matching slot, so the stop signal goes out.
    if (startContButton->isChecked())
        startContButton->toggle();
    if (startSingleButton->isChecked())
        startSingleButton->toggle();
    startContButton->setEnabled(true);
    startSingleButton->setEnabled(true);
}

void qm6080fp_app::enableStart()
{
    startContButton->setEnabled(true);
    startSingleButton->setEnabled(true);
}

void qm6080fp_app::autoscaleToggledSlot(bool status)
{
    autoscaleButton->setText(status ? QStringLiteral("ON") : QStringLiteral("OFF"));
    emit autoscaleToggled(status);
}

void qm6080fp_app::identToggledSlot(bool status)
{
    identifyButton->setText(status ? QStringLiteral("ON") : QStringLiteral("OFF"));
    emit identToggled(status);
}

void qm6080fp_app::startToggledSlot(bool status)
{
    if (status) {
        startSingleButton->setIcon(QIcon(qm6080fp_icons::stopIcon()));
        setHelpTexts(startSingleButton, QStringLiteral("Breaks the Single-Shot Data Acquisition"));
        startContButton->setEnabled(false);
        emit startSingle();
    } else {
        startSingleButton->setIcon(QIcon(qm6080fp_icons::singleShotIcon()));
        setHelpTexts(startSingleButton, QStringLiteral("Starts the Single-Shot Data Acquisition"));
        // Both stay disabled until the panel reports the acquisition ended.
        startSingleButton->setEnabled(false);
        startContButton->setEnabled(false);
        emit breakSingle();
    }
}

void qm6080fp_app::startContToggledSlot(bool status)
{
    if (status) {
        startContButton->setIcon(QIcon(qm6080fp_icons::stopIcon()));
        setHelpTexts(startContButton, QStringLiteral("Stops the Data Acquisition process"));
        startSingleButton->setEnabled(false);
        emit startCont();
    } else {
        startContButton->setIcon(QIcon(qm6080fp_icons::continuousIcon()));
        setHelpTexts(startContButton, QString::fromLatin1(continuousStartText));
        startSingleButton->setEnabled(false);
        startContButton->setEnabled(false);
        emit stopCont();
    }
}

QRect centeredGeometry(const QRect &available, const QSize &size)
{
    // The origin matters: a task bar at the top or left, or a primary screen
    // to the right of another, moves the available area away from (0, 0).
    const int x = available.x() + (available.width() - size.width()) / 2;
    const int y = available.y() + (available.height() - size.height()) / 2;
    return QRect(QPoint(x, y), size);
}

void centerOnScreen(QWidget *widget)
{
    if (!widget)
        return;
    const QScreen *screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    widget->setGeometry(centeredGeometry(screen->availableGeometry(), widget->size()));
}
