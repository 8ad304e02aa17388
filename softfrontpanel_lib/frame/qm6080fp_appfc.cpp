#include "frame/qm6080fp_appfc.h"

#include <QApplication>
#include <QCloseEvent>
#include <QPushButton>
#include <QTimer>

#include <memory>

#include "about/qm6080fp_about.h"
#include "accessibility/qm6080fp_announcer.h"
#include "connection/qm6080fp_genfc.h"
#include "discovery/qm6080fp_fcselect.h"
#include "frame/qm6080fp_messages.h"
#include "qm6080.h"
#include "session/qm6080fp_cardthread.h"
#include "session/qm6080fp_windowqueue.h"

namespace {

// A call out this long shows that the panel waits for the card: longer than
// a busy bus or a far LAN takes, well short of VISA's timeout.
constexpr int waitShownAfterMs = 300;

// VISA text attributes come in 256-byte buffers; a driver that fills one to
// the brim still gives a terminated text.
QString textAttribute(ViSession vi, ViAttr attribute, bool *ok)
{
    char buffer[256] = {};
    const ViStatus status = viGetAttribute(vi, attribute, buffer);
    buffer[sizeof buffer - 1] = '\0';
    *ok = status == VI_SUCCESS;
    return *ok ? QString::fromLatin1(buffer) : QString();
}

} // namespace

qm6080fp_AppFC::qm6080fp_AppFC(qm6080fp_genFC *fc, bool multipleCards, bool skipConnect,
                               const char *qwtVersion, bool usesKissFft)
    : qm6080fp_app()
{
    d_fc = fc;
    const QString modelText = QStringLiteral("%1").arg(d_fc->m_modelCode, 4, 16, QLatin1Char(' '));
    d_vi = 0;

    // The selection dialog carries the workflow and its outcome; it is only
    // needed until the outcome has been copied.
    auto select = std::make_unique<qm6080fp_fcSelect>(fc, multipleCards);
    if (!skipConnect) {
        select->setWindowIcon(windowIcon());
        centerOnScreen(select.get());
        if (!select->connectCard())
            qm6080fp_exitNow(0);
        d_demo = select->demoMode;
    } else {
        d_demo = 1;
    }

    d_vi = select->session;
    for (int i = 0; i < 256; ++i)
        d_fcNumbers[i] = select->fcNumbers[i];
    setDemoMode(d_demo != 0);
    d_fcCount = select->selectedCount;
    select.reset();
    if (d_demo)
        d_vi = 0;

    d_windowJobs = new qm6080fp_windowQueue(this);
    d_cardThread = std::make_unique<qm6080fp_cardThread>(
        [jobs = d_windowJobs](qm6080fp_cardThread::Job job) { jobs->post(std::move(job)); });
    d_waitTimer = new QTimer(this);
    d_waitTimer->setSingleShot(true);
    d_waitTimer->setInterval(waitShownAfterMs);
    connect(d_waitTimer, &QTimer::timeout, this, &qm6080fp_AppFC::showWaiting);
    d_cardThread->setCallWatch([this](bool out) { cardCallOut(out); });
    d_cardThread->start();

    // What the frame asks of the session and the libraries, on the card
    // thread like every later call; the window is not shown yet.
    QString moduleText;
    QString cardText;
    QString hostText;
    char commonRevision[40] = {};
    QString driverRevisionText;
    d_cardThread->runAndWait([&] {
        if (!d_demo) {
            ViInt16 slot = 0;
            if (viGetAttribute(d_vi, VI_ATTR_SLOT, &slot) >= 0) {
                d_lxi = false;
                moduleText = QStringLiteral("Slot %1").arg(slot);
            } else {
                // Only a network carrier has no VXI slot.
                d_lxi = true;
                bool ok = false;
                const QString deviceName = textAttribute(d_vi, VI_ATTR_TCPIP_DEVICE_NAME, &ok);
                if (ok)
                    moduleText = deviceName;
                const QString hostName = textAttribute(d_vi, VI_ATTR_TCPIP_HOSTNAME, &ok);
                if (ok)
                    hostText = hostName;
            }
            cardText = QStringLiteral("FC %1").arg(d_fcNumbers[0]);
        }
        qm6080_revisionText(commonRevision);
        driverRevisionText = d_fc->driverRevisionText();
    });
    commonRevision[sizeof commonRevision - 1] = '\0';

    setWindowTitle(QStringLiteral("Vorilan ") + modelText + QStringLiteral(" Soft Front Panel") +
                   (hostText.isEmpty() ? QString() : QStringLiteral(": ") + hostText));
    setHeaderText(QStringLiteral("<html>Vorilan ") + modelText + QStringLiteral("<br>") +
                  QStringLiteral("<font size='2'>") + d_fc->fcDescription() +
                  QStringLiteral("</font></html>"));
    setLxiLogo(d_lxi);
    setCarrierInfo(moduleText,
                   d_lxi ? QStringLiteral("Shows which LXI module is connected to the Soft Front "
                                          "Panel")
                         : QStringLiteral("Shows which VXI module is connected to the Soft Front "
                                          "Panel"));
    setCardInfo(cardText,
                QStringLiteral("Shows which function card is connected to the Soft Front Panel"));

    const QByteArray panelVersion = d_fc->softwareVersion().toLocal8Bit();
    const QByteArray driverRevision = driverRevisionText.toLocal8Bit();
    const QByteArray model = modelText.toLocal8Bit();
    const QByteArray notice = d_fc->noticeText().toLocal8Bit();
    aboutDialog =
        new qm6080fp_About(panelVersion.constData(), driverRevision.constData(), model.constData(),
                           notice.constData(), this, commonRevision, qwtVersion, usesKissFft);
    aboutDialog->setWindowIcon(windowIcon());

    connect(aboutButton, &QPushButton::clicked, aboutDialog, &QWidget::show);
    connect(this, &qm6080fp_app::resetPressed, this, &qm6080fp_AppFC::resetDevice);
}

qm6080fp_AppFC::~qm6080fp_AppFC()
{
    endSession();
}

void qm6080fp_AppFC::endSession()
{
    if (!d_cardThread)
        return;
    d_windowJobs->drop();
    d_cardThread->finish([this] {
        if (!d_demo && d_fc)
            d_fc->closeSession(d_vi);
    });
}

void qm6080fp_AppFC::closeEvent(QCloseEvent *event)
{
    // While the user answers, nothing of the card's comes over the question.
    d_windowJobs->hold();
    qm6080fp_app::closeEvent(event);
    if (event->isAccepted()) {
        // The window goes at once; the program ends once the call under way
        // has returned and the session is closed.
        d_windowJobs->drop();
        d_cardThread->beginClosing();
    } else {
        d_windowJobs->release();
    }
}

void qm6080fp_AppFC::cardWasReset() {}

void qm6080fp_AppFC::resetDevice()
{
    QApplication::setOverrideCursor(Qt::BusyCursor);
    if (d_demo || !d_fc) {
        QApplication::restoreOverrideCursor();
        return;
    }
    // After the actions before it; the busy cursor says so meanwhile.
    d_cardThread->push([this] { resetCardAction(); });
}

void qm6080fp_AppFC::resetCardAction()
{
    const ViStatus status = d_cardThread->call([this] { return d_fc->resetCard(d_vi); });
    // The box that may follow is a question to the user, not part of the wait.
    d_cardThread->show([] { QApplication::restoreOverrideCursor(); });

    if (status == VI_SUCCESS) {
        // Only a reset the card confirmed changes what the panel shows; after
        // a warning nobody knows what state the card is in.
        cardWasReset();
        return;
    }
    char text[1024] = {};
    qm6080_statusText(status, text);
    text[sizeof text - 1] = '\0';
    const QString description = QString::fromLatin1(text);
    d_cardThread->ask([status, description] {
        if (status < 0)
            showErrorMessage(QStringLiteral("Function Call failed due to [%1]").arg(description));
        else
            showWarningMessage(QStringLiteral("Warning [%1]").arg(description));
    });
}

void qm6080fp_AppFC::cardCallOut(bool out)
{
    if (out) {
        d_waitTimer->start();
        return;
    }
    d_waitTimer->stop();
    if (d_showsWaiting) {
        d_showsWaiting = false;
        QApplication::restoreOverrideCursor();
    }
}

void qm6080fp_AppFC::showWaiting()
{
    // The window still works: the pointer only says that the card has not
    // answered yet, and a screen reader hears it once.
    d_showsWaiting = true;
    QApplication::setOverrideCursor(Qt::BusyCursor);
    announcer->announce(QStringLiteral("Waiting for the card"));
}
