#include "about/qm6080fp_licensedialogs.h"

#include <QFile>
#include <QHBoxLayout>
#include <QPushButton>
#include <QTextEdit>
#include <QTextStream>
#include <QVBoxLayout>

QString qtLicenseResource(const QString &qtVersion)
{
    return qtVersion.startsWith(QLatin1Char('4')) ? QStringLiteral(":/qt-lgpl-license.txt")
                                                  : QStringLiteral(":/qt5-lgpl-license.txt");
}

QString qtLicenseLinkText(const QString &qtVersion)
{
    return qtVersion.startsWith(QLatin1Char('4')) ? QStringLiteral("LGPL v2.1")
                                                  : QStringLiteral("LGPL v3");
}

QSize licenseEditorMinimumSize(int logicalDpiX)
{
    // Both sides follow the horizontal resolution, so the area keeps its
    // proportions on screens with non-square pixels.
    const double scale = logicalDpiX / 96.0;
    return QSize(int(scale * 650), int(scale * 500));
}

void setupLicenseDialog(QDialog *dialog, const QString &title, const QString &resource)
{
    const int dpi = dialog->logicalDpiX();
    dialog->setModal(true);
    dialog->setWindowTitle(title);

    auto *layout = new QVBoxLayout(dialog);
    auto *buttons = new QHBoxLayout;

    auto *editor = new QTextEdit(dialog);
    editor->setReadOnly(true);
    editor->setLineWrapMode(QTextEdit::NoWrap);
    editor->setMinimumSize(licenseEditorMinimumSize(dpi));
    QFont font = editor->font();
    font.setFamily(QStringLiteral("Courier"));
    editor->setFont(font);

    QFile file(resource);
    if (file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        QTextStream in(&file);
        editor->setText(in.readAll());
        file.close();
    }

    layout->addWidget(editor);
    layout->addLayout(buttons);
    buttons->addStretch();
    auto *ok = new QPushButton(QObject::tr("Ok"), dialog);
    buttons->addWidget(ok);
    QObject::connect(ok, &QPushButton::clicked, dialog, &QDialog::accept);
}

qtLicense::qtLicense(QWidget *parent) : qtLicense(parent, QString::fromLatin1(qVersion())) {}

qtLicense::qtLicense(QWidget *parent, const QString &qtVersion) : QDialog(parent)
{
    setupLicenseDialog(this, QStringLiteral("Qt LGPL License"), qtLicenseResource(qtVersion));
}

qwtLicense::qwtLicense(QWidget *parent) : QDialog(parent)
{
    setupLicenseDialog(this, QStringLiteral("Qwt LGPL License"),
                       QStringLiteral(":/qwt-lgpl-license.txt"));
}

kissFFTLicense::kissFFTLicense(QWidget *parent) : QDialog(parent)
{
    setupLicenseDialog(this, QStringLiteral("KISS FFT BSD License"),
                       QStringLiteral(":/kiss-fft-bsd-license.txt"));
}
