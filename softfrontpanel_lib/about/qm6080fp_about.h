#ifndef QM6080FP_ABOUT_H
#define QM6080FP_ABOUT_H

#include <QDialog>
#include <QLabel>
#include <QList>
#include <QString>

class QFormLayout;
class QPushButton;
class QShowEvent;

// One hardware information page of the About dialog.
struct hardwareInfo_t
{
    QString hwDriverRev;
    QString hwPanelRev;
    QString hwModel;
    QString hwRevision;
    QString hwSerial;
};

// About box of a soft front panel: heading, notice, third-party licences,
// software revisions and one or more hardware information pages.
class qm6080fp_About : public QDialog
{
    Q_OBJECT

public:
    qm6080fp_About(const char *panelVersion, const char *driverRevision, const char *modelText,
                   const char *noticeText, QWidget *parent, const char *commonLibraryRevision,
                   const char *qwtVersion, bool usesKissFft);
    // As above, with the toolkit version string the licence rows are chosen
    // by given explicitly instead of the run-time one.
    qm6080fp_About(const char *panelVersion, const char *driverRevision, const char *modelText,
                   const char *noticeText, QWidget *parent, const char *commonLibraryRevision,
                   const char *qwtVersion, bool usesKissFft, const QString &qtVersion);

    // The maker's page on third-party licence usage.
    static QString licensesWebAddress();

    void addHardwareInfo(const QString &serial, const QString &revision, const QString &model,
                         QString driverRev = QString(), QString panelRev = QString());
    void showPage(const hardwareInfo_t &record);
    void addInfoRow(QString label, QString value, bool toHardware);
    void addHardwareRow(QString label, QString value);
    void setDeviceModel(QString value);
    void setRevision(QString value);
    void setSerialNumber(QString value);
    QString currentRevision() const;
    QString currentModel() const;

public slots:
    void next();
    void prev();

private slots:
    void showKissFFTLicense();
    void showQtLicense();
    void showQwtLicense();
    void openLicensesWebPage();

protected:
    void showEvent(QShowEvent *event) override;

    int pageIndex = 0;
    QFormLayout *revisionsForm = nullptr;
    QFormLayout *hardwareForm = nullptr;
    QLabel commonLibraryLabel;
    QLabel driverLabel;
    QLabel panelLabel;
    QLabel modelLabel;
    QLabel revisionLabel;
    QLabel serialLabel;
    QPushButton *nextButton = nullptr;
    QPushButton *prevButton = nullptr;
    QPushButton *okButton = nullptr;
    hardwareInfo_t currentRecord;
    QList<hardwareInfo_t> hardwareRecords;
    QString qtVersionText;
};

#endif
