#ifndef QM6080FP_LICENSEDIALOGS_H
#define QM6080FP_LICENSEDIALOGS_H

#include <QDialog>
#include <QSize>
#include <QString>

// Which toolkit licence applies depends on the toolkit generation the panel
// runs with: the 4.x libraries came under the LGPL 2.1, the later ones under
// the LGPL 3. `qtVersion` is a run-time version string such as qVersion().
QString qtLicenseResource(const QString &qtVersion);
QString qtLicenseLinkText(const QString &qtVersion);

// Smallest size of the licence text area for a horizontal resolution in
// dots per inch: 650 x 500 pixels at 96 dpi, scaled.
QSize licenseEditorMinimumSize(int logicalDpiX);

// Fills `dialog` as a licence dialog: modal, titled, showing the text of
// `resource` in a non-wrapping read-only editor above an "Ok" button. A
// resource that cannot be opened leaves the editor empty.
void setupLicenseDialog(QDialog *dialog, const QString &title, const QString &resource);

class qtLicense : public QDialog
{
public:
    explicit qtLicense(QWidget *parent = nullptr);
    qtLicense(QWidget *parent, const QString &qtVersion);
};

class qwtLicense : public QDialog
{
public:
    explicit qwtLicense(QWidget *parent = nullptr);
};

class kissFFTLicense : public QDialog
{
public:
    explicit kissFFTLicense(QWidget *parent = nullptr);
};

#endif
