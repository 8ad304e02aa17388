#include "frame/qm6080fp_appfc.h"

#include <QApplication>
#include <QCloseEvent>
#include <QElapsedTimer>
#include <QPushButton>

#include <memory>

#include "about/qm6080fp_about.h"
#include "connection/qm6080fp_genfc.h"
#include "discovery/qm6080fp_fcselect.h"
#include "frame/qm6080fp_messages.h"
#include "qm6080.h"

namespace {

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

    QString moduleText;
    QString cardText;
    QString hostText;
    if (d_demo) {
        d_lxi = false;
        d_vi = 0;
    } else {
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
    select.reset();

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

    char commonRevision[40] = {};
    qm6080_revisionText(commonRevision);
    commonRevision[sizeof commonRevision - 1] = '\0';

    const QByteArray panelVersion = d_fc->softwareVersion().toLocal8Bit();
    const QByteArray driverRevision = d_fc->driverRevisionText().toLocal8Bit();
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
    if (!d_demo && d_fc)
        d_fc->closeSession(d_vi);
}

void qm6080fp_AppFC::closeEvent(QCloseEvent *event)
{
    qm6080fp_app::closeEvent(event);
}

void qm6080fp_AppFC::cardWasReset() {}

void qm6080fp_AppFC::resetStarting() {}

void qm6080fp_AppFC::resetReturned(double) {}

void qm6080fp_AppFC::resetDevice()
{
    const bool reset = !d_demo && d_fc;
    if (reset)
        resetStarting();
    QApplication::setOverrideCursor(Qt::BusyCursor);
    ViStatus status = VI_SUCCESS;
    if (reset) {
        QElapsedTimer took;
        took.start();
        status = d_fc->resetCard(d_vi);
        resetReturned(double(took.nsecsElapsed()) / 1e6);
    }
    // The box that may follow is a question to the user, not part of the wait.
    QApplication::restoreOverrideCursor();

    if (status == VI_SUCCESS) {
        // Only a reset the card confirmed changes what the panel shows; after
        // a warning nobody knows what state the card is in.
        if (reset)
            cardWasReset();
        return;
    }
    char text[1024] = {};
    qm6080_statusText(status, text);
    text[sizeof text - 1] = '\0';
    if (status < 0)
        showErrorMessage(
            QStringLiteral("Function Call failed due to [%1]").arg(QString::fromLatin1(text)));
    else
        showWarningMessage(QStringLiteral("Warning [%1]").arg(QString::fromLatin1(text)));
}
