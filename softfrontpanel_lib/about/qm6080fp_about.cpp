#include "about/qm6080fp_about.h"

#include "about/qm6080fp_licensedialogs.h"
#include "accessibility/qm6080fp_tellshown.h"
#include "widgets/clickablelabel.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFontMetrics>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPixmap>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

namespace {

const char licensesWebPage[] = "https://www.marvane.com/about/third-party-license-usage/";

QString latin1(const char *text)
{
    return QString::fromLatin1(text ? text : "");
}

QFormLayout *revisionForm(QGroupBox *group, int spacing)
{
    auto *form = new QFormLayout(group);
    form->setHorizontalSpacing(spacing);
    form->setContentsMargins(spacing, spacing, spacing, spacing);
    return form;
}

// A row of facts: its words and its value are two texts, not a label and the
// control it names, so a screen reader reads both as the box opens (it skips
// labels that name something).
void addFactRow(QFormLayout *form, const QString &words, QWidget *value)
{
    form->addRow(new QLabel(words, form->parentWidget()), value);
}

} // namespace

QString qm6080fp_About::licensesWebAddress()
{
    return QString::fromLatin1(licensesWebPage);
}

qm6080fp_About::qm6080fp_About(const char *panelVersion, const char *driverRevision,
                               const char *modelText, const char *noticeText, QWidget *parent,
                               const char *commonLibraryRevision, const char *qwtVersion,
                               bool usesKissFft)
    : qm6080fp_About(panelVersion, driverRevision, modelText, noticeText, parent,
                     commonLibraryRevision, qwtVersion, usesKissFft,
                     QString::fromLatin1(qVersion()))
{}

qm6080fp_About::qm6080fp_About(const char *panelVersion, const char *driverRevision,
                               const char *modelText, const char *noticeText, QWidget *parent,
                               const char *commonLibraryRevision, const char *qwtVersion,
                               bool usesKissFft, const QString &qtVersion)
    : QDialog(parent), qtVersionText(qtVersion)
{
    const int h = fontMetrics().height();
    const QString model = latin1(modelText);

    setWindowTitle(tr("About Vorilan %1 Soft Front Panel").arg(model));
    setMinimumSize(380, 300);
    resize(380, 300);

    auto *mainLayout = new QVBoxLayout(this);
    mainLayout->setSizeConstraint(QLayout::SetFixedSize);

    auto *heading = new QLabel(QStringLiteral("<font size='5' bold>Vorilan %1 VXIplug&play "
                                              "Driver<br>Soft Front Panel Application</font>")
                                   .arg(model),
                               this);
    heading->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
    mainLayout->addWidget(heading);
    auto *notice = new QLabel(latin1(noticeText), this);
    notice->setAlignment(Qt::AlignCenter);
    mainLayout->addWidget(notice);
    mainLayout->addSpacing(h);

    auto *row = new QHBoxLayout;
    mainLayout->addLayout(row);
    auto *logo = new QLabel(this);
    logo->setStyleSheet(QStringLiteral("QLabel {background-color:#1A2C5E}"));
    logo->setAlignment(Qt::AlignTop);
    logo->setContentsMargins(10, 10, 10, 10);
    logo->setPixmap(QPixmap(QStringLiteral(":/marvane-logo.bmp")));
    row->addWidget(logo);
    auto *column = new QVBoxLayout;
    row->addLayout(column);

    // Third-party libraries and their licences.
    auto *licenses = new QGroupBox(tr("Third-Party Licenses"), this);
    auto *grid = new QGridLayout(licenses);
    grid->setHorizontalSpacing(h);
    grid->setContentsMargins(h, h, h, h);

    auto *qtPhrase = new QWidget(licenses);
    auto *qtPhraseLayout = new QHBoxLayout(qtPhrase);
    qtPhraseLayout->setSpacing(0);
    qtPhraseLayout->setAlignment(Qt::AlignLeft);
    qtPhraseLayout->setContentsMargins(0, 0, 0, 0);
    auto *qtLink = new clickableLabel(QStringLiteral("Qt"), qtPhrase);
    qtPhraseLayout->addWidget(qtLink);
    auto *qtVersionLabel = new QLabel(tr(" libraries version %1:").arg(qtVersion), qtPhrase);
    // The link and the words after it are one line to a screen reader too.
    qtVersionLabel->setAccessibleName(tr("Qt libraries version %1:").arg(qtVersion));
    qtPhraseLayout->addWidget(qtVersionLabel);
    grid->addWidget(qtPhrase, 1, 1);
    auto *qtLicenseLink = new clickableLabel(qtLicenseLinkText(qtVersion), licenses);
    grid->addWidget(qtLicenseLink, 1, 2);
    connect(qtLink, &clickableLabel::clicked, qApp, &QApplication::aboutQt);
    connect(qtLicenseLink, &clickableLabel::clicked, this, &qm6080fp_About::showQtLicense);

    if (qwtVersion) {
        grid->addWidget(new QLabel(tr("Qwt library version %1:").arg(latin1(qwtVersion)), licenses),
                        2, 1);
        auto *link = new clickableLabel(QStringLiteral("LGPL v2.1"), licenses);
        grid->addWidget(link, 2, 2);
        connect(link, &clickableLabel::clicked, this, &qm6080fp_About::showQwtLicense);
    }
    if (usesKissFft) {
        grid->addWidget(new QLabel(tr("KISS FFT library:"), licenses), 3, 1);
        auto *link = new clickableLabel(QStringLiteral("BSD"), licenses);
        grid->addWidget(link, 3, 2);
        connect(link, &clickableLabel::clicked, this, &qm6080fp_About::showKissFFTLicense);
    }
    auto *learnMore = new clickableLabel(tr("Learn more about licenses"), licenses);
    grid->addWidget(learnMore, 4, 1);
    connect(learnMore, &clickableLabel::clicked, this, &qm6080fp_About::openLicensesWebPage);
    column->addWidget(licenses);

    auto *revisions = new QGroupBox(tr("Software Revisions"), this);
    revisionsForm = revisionForm(revisions, h);
    if (commonLibraryRevision) {
        commonLibraryLabel.setText(latin1(commonLibraryRevision));
        addFactRow(revisionsForm, tr("Vorilan Common Library:"), &commonLibraryLabel);
    }
    driverLabel.setText(latin1(driverRevision));
    addFactRow(revisionsForm, tr("Instrument Driver:"), &driverLabel);
    panelLabel.setText(latin1(panelVersion));
    addFactRow(revisionsForm, tr("Soft Front Panel:"), &panelLabel);
    column->addWidget(revisions);

    auto *hardware = new QGroupBox(tr("Hardware Information"), this);
    hardwareForm = revisionForm(hardware, h);
    column->addWidget(hardware);

    auto *buttons = new QHBoxLayout;
    prevButton = new QPushButton(tr("< Previous"), this);
    nextButton = new QPushButton(tr("Next >"), this);
    auto *ok = new QPushButton(tr("OK"), this);
    okButton = ok;
    ok->setDefault(true);
    for (QPushButton *button : {prevButton, nextButton, ok}) {
        button->setSizePolicy(QSizePolicy::Maximum, QSizePolicy::Maximum);
        buttons->addWidget(button);
    }
    prevButton->setEnabled(false);
    prevButton->hide();
    nextButton->hide();
    column->addLayout(buttons);
    connect(nextButton, &QPushButton::clicked, this, &qm6080fp_About::next);
    connect(prevButton, &QPushButton::clicked, this, &qm6080fp_About::prev);
    connect(ok, &QPushButton::clicked, this, &QDialog::hide);
}

void qm6080fp_About::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    // Built hidden long before it shows: a screen reader still holds its
    // texts as not showing, and would neither read nor review them.
    qm6080fp_tellShown(this);
    // Every time on OK: the links come first in the Tab order, and Return on
    // one of them would open its licence instead of closing the box.
    okButton->setFocus(Qt::ActiveWindowFocusReason);
}

void qm6080fp_About::showKissFFTLicense()
{
    kissFFTLicense dialog(this);
    dialog.exec();
}

void qm6080fp_About::showQtLicense()
{
    qtLicense dialog(this, qtVersionText);
    dialog.exec();
}

void qm6080fp_About::showQwtLicense()
{
    qwtLicense dialog(this);
    dialog.exec();
}

void qm6080fp_About::openLicensesWebPage()
{
    // A browser that cannot be started is not worth a message box here.
    QDesktopServices::openUrl(QUrl(licensesWebAddress()));
}

void qm6080fp_About::addHardwareInfo(const QString &serial, const QString &revision,
                                     const QString &model, QString driverRev, QString panelRev)
{
    const bool firstPage = hardwareRecords.isEmpty();
    if (firstPage) {
        addFactRow(hardwareForm, tr("Device Model:"), &modelLabel);
        addFactRow(hardwareForm, tr("Revision:"), &revisionLabel);
        addFactRow(hardwareForm, tr("Serial Number:"), &serialLabel);
        modelLabel.setText(model);
        revisionLabel.setText(revision);
        serialLabel.setText(serial);
    } else if (hardwareRecords.size() == 1) {
        nextButton->show();
        prevButton->show();
    }
    // The page remembers the software revisions on screen now, so stepping
    // back to it restores them.
    currentRecord.hwDriverRev = driverRev.isEmpty() ? driverLabel.text() : driverRev;
    currentRecord.hwPanelRev = panelRev.isEmpty() ? panelLabel.text() : panelRev;
    currentRecord.hwModel = model;
    currentRecord.hwRevision = revision;
    currentRecord.hwSerial = serial;
    hardwareRecords.append(currentRecord);
    // The first page is on display at once, its own software revisions
    // included; otherwise they would only appear after paging back to it.
    if (firstPage)
        showPage(currentRecord);
}

void qm6080fp_About::showPage(const hardwareInfo_t &record)
{
    if (!record.hwDriverRev.isEmpty())
        driverLabel.setText(record.hwDriverRev);
    if (!record.hwPanelRev.isEmpty())
        panelLabel.setText(record.hwPanelRev);
    modelLabel.setText(record.hwModel);
    revisionLabel.setText(record.hwRevision);
    serialLabel.setText(record.hwSerial);
}

void qm6080fp_About::next()
{
    // The button states normally keep the index in range; the slots are
    // public, so a call past the last page is refused rather than trusted.
    if (pageIndex + 1 >= hardwareRecords.size())
        return;
    ++pageIndex;
    if (pageIndex + 1 == hardwareRecords.size())
        nextButton->setEnabled(false);
    prevButton->setEnabled(true);
    showPage(hardwareRecords.at(pageIndex));
}

void qm6080fp_About::prev()
{
    if (pageIndex <= 0)
        return;
    --pageIndex;
    if (pageIndex == 0)
        prevButton->setEnabled(false);
    nextButton->setEnabled(true);
    showPage(hardwareRecords.at(pageIndex));
}

void qm6080fp_About::addInfoRow(QString label, QString value, bool toHardware)
{
    auto *valueLabel = new QLabel(value, this);
    if (!toHardware) {
        addFactRow(revisionsForm, label, valueLabel);
        return;
    }
    addFactRow(hardwareForm, label, valueLabel);
    if (label == QLatin1String("Serial Number:"))
        currentRecord.hwSerial = value;
    else if (label == QLatin1String("Revision:"))
        currentRecord.hwRevision = value;
    else if (label == QLatin1String("Device Model:"))
        currentRecord.hwModel = value;
}

void qm6080fp_About::addHardwareRow(QString label, QString value)
{
    addInfoRow(label, value, true);
}

void qm6080fp_About::setDeviceModel(QString value)
{
    addInfoRow(QStringLiteral("Device Model:"), value, true);
}

void qm6080fp_About::setRevision(QString value)
{
    addInfoRow(QStringLiteral("Revision:"), value, true);
}

void qm6080fp_About::setSerialNumber(QString value)
{
    addInfoRow(QStringLiteral("Serial Number:"), value, true);
}

QString qm6080fp_About::currentRevision() const
{
    return currentRecord.hwRevision;
}

QString qm6080fp_About::currentModel() const
{
    return currentRecord.hwModel;
}
