// The About dialog, its licence dialogs and link labels, and the hardware
// information pages.
#include "about/qm6080fp_about.h"
#include "about/qm6080fp_licensedialogs.h"
#include "childprocess.h"
#include "frame/qm6080fp_appfc.h"
#include "modalanswerer.h"
#include "qm6080.h"
#include "qm7240_fc.h"
#include "simfixture.h"
#include "widgets/clickablelabel.h"

#include <QAccessible>
#include <QApplication>
#include <QDesktopServices>
#include <QFile>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTextEdit>
#include <QTextStream>
#include <QtTest>

#include <memory>

namespace {

const char notice[] = "Copyright (C) Marvane. All rights reserved.";

// The frame as the program builds it, in demo mode, with its About dialog
// and button within reach.
class FrameProbe : public qm6080fp_AppFC
{
public:
    using qm6080fp_AppFC::qm6080fp_AppFC;
    qm6080fp_About *about() const { return aboutDialog; }
    QPushButton *aboutPushButton() const { return aboutButton; }
};

// Records the web addresses the dialog asks the desktop to open.
class UrlRecorder : public QObject
{
    Q_OBJECT

public:
    QList<QUrl> urls;

public slots:
    void open(const QUrl &url) { urls.append(url); }
};

QGroupBox *group(QWidget *dialog, const QString &title)
{
    for (QGroupBox *box : dialog->findChildren<QGroupBox *>())
        if (box->title() == title)
            return box;
    return nullptr;
}

QString plainText(QLayoutItem *item)
{
    if (!item || !item->widget())
        return QString();
    if (auto *label = qobject_cast<QLabel *>(item->widget()))
        return label->text();
    // The toolkit phrase is a container of two labels.
    QString text;
    for (QLabel *label : item->widget()->findChildren<QLabel *>())
        text += label->text();
    return text;
}

// "row,column:text" for every filled cell of the licence group's grid.
QStringList licenceCells(QWidget *dialog)
{
    QStringList cells;
    auto *grid = qobject_cast<QGridLayout *>(group(dialog, "Third-Party Licenses")->layout());
    for (int r = 0; grid && r < grid->rowCount(); ++r)
        for (int c = 0; c < grid->columnCount(); ++c)
            if (grid->itemAtPosition(r, c))
                cells << QStringLiteral("%1,%2:").arg(r).arg(c) +
                             plainText(grid->itemAtPosition(r, c));
    return cells;
}

// "label=value" per row of a form group.
QStringList formRows(QWidget *dialog, const QString &title)
{
    QStringList rows;
    QGroupBox *box = group(dialog, title);
    if (!box)
        return {QStringLiteral("<no group %1>").arg(title)};
    auto *form = qobject_cast<QFormLayout *>(box->layout());
    if (!form)
        return {QStringLiteral("<no form in %1>").arg(title)};
    for (int r = 0; r < form->rowCount(); ++r)
        rows << plainText(form->itemAt(r, QFormLayout::LabelRole)) + "=" +
                    plainText(form->itemAt(r, QFormLayout::FieldRole));
    return rows;
}

QString link(const QString &text)
{
    return QStringLiteral("<u><font color='#22e'>") + text + QStringLiteral("</font></u>");
}

clickableLabel *linkLabel(QWidget *dialog, const QString &text)
{
    for (clickableLabel *label : dialog->findChildren<clickableLabel *>())
        if (label->text() == link(text))
            return label;
    return nullptr;
}

QPushButton *button(QWidget *dialog, const QString &text)
{
    for (QPushButton *b : dialog->findChildren<QPushButton *>())
        if (b->text() == text)
            return b;
    return nullptr;
}

QString resourceText(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return QString();
    QTextStream in(&file);
    return in.readAll();
}

std::unique_ptr<qm6080fp_About>
makeAbout(const char *common = "qm6080 4.1.0", const char *qwt = nullptr, bool kiss = false,
          const QString &qtVersion = QString::fromLatin1(qVersion()))
{
    return std::make_unique<qm6080fp_About>("4.3.3.12521", "qm7240 1.2.0", "7240", notice, nullptr,
                                            common, qwt, kiss, qtVersion);
}

// What an answered licence dialog showed.
struct LicenceSeen
{
    bool seen = false;
    bool isQt = false, isQwt = false, isKiss = false;
    bool modal = false;
    QWidget *parent = nullptr;
    QString title;
    QString text;
};

std::shared_ptr<LicenceSeen> expectLicenceDialog()
{
    auto seen = std::make_shared<LicenceSeen>();
    ModalAnswerer::instance().expect([seen](QWidget *w) {
        seen->seen = true;
        seen->isQt = dynamic_cast<qtLicense *>(w) != nullptr;
        seen->isQwt = dynamic_cast<qwtLicense *>(w) != nullptr;
        seen->isKiss = dynamic_cast<kissFFTLicense *>(w) != nullptr;
        seen->modal = w->isModal();
        seen->parent = w->parentWidget();
        seen->title = w->windowTitle();
        if (auto *editor = w->findChild<QTextEdit *>())
            seen->text = editor->toPlainText();
        ModalAnswerer::clickButton(w, QStringLiteral("Ok"));
    });
    return seen;
}

// The rows of the hardware page "M<n>", "R<n>", "S<n>" and of the software group.
QStringList hardware(const QString &n)
{
    return {"Device Model:=M" + n, "Revision:=R" + n, "Serial Number:=S" + n};
}

QStringList software(const QString &driver = QStringLiteral("qm7240 1.2.0"),
                     const QString &panel = QStringLiteral("4.3.3.12521"))
{
    return {"Vorilan Common Library:=qm6080 4.1.0", "Instrument Driver:=" + driver,
            "Soft Front Panel:=" + panel};
}

} // namespace

class TestAbout : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void frameBuildsTheDialog();
    void frameShowsTheSameDialogAgain();
    void rows_data();
    void rows();
    void fixedSize();
    void layoutDetails();
    void licenceLinksOpenTheirDialogs_data();
    void licenceLinksOpenTheirDialogs();
    void qtLinkRunsTheToolkitBox();
    void toolkitGenerationChoosesTheLicence_data();
    void toolkitGenerationChoosesTheLicence();
    void olderToolkitShowsLgpl21();
    void learnMoreOpensTheMakersPage();

    void licenceDialogs_data();
    void licenceDialogs();
    void editorMinimumSizeFormula();
    void editorMinimumSizeOnScreen_data();
    void editorMinimumSizeOnScreen();
    void editorMinimumSizeOnScreen_child();
    void unopenableResourceGivesEmptyEditor();
    void linkLabelLooksLikeALink();
    void linkLabelEmitsOnEveryRelease_data();
    void linkLabelEmitsOnEveryRelease();

    void onePageHasNoNavigation();
    void twoPagesWithDifferentDriverRevisions();
    void emptyRevisionsKeepWhatWasShown();
    void navigationPastTheEndsIsRefused();
    void infoRows();

private:
    std::unique_ptr<SimFixture> sim;
    UrlRecorder recorder;
};

void TestAbout::init()
{
    sim = std::make_unique<SimFixture>();
    ModalAnswerer::instance().clear();
    // Nothing here may start a browser or reach the network.
    QDesktopServices::setUrlHandler(QStringLiteral("https"), &recorder, "open");
    QDesktopServices::setUrlHandler(QStringLiteral("http"), &recorder, "open");
    recorder.urls.clear();
}

void TestAbout::cleanup()
{
    QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
    QDesktopServices::unsetUrlHandler(QStringLiteral("http"));
    QCOMPARE(ModalAnswerer::instance().unexpected().size(), 0);
    QCOMPARE(ModalAnswerer::instance().pending(), 0);
    sim.reset();
}

void TestAbout::frameBuildsTheDialog()
{
    qm7240_fc fc;
    FrameProbe frame(&fc, false, true, nullptr, false);
    qm6080fp_About *about = frame.about();
    QVERIFY(about);
    QCOMPARE(about->parentWidget(), &frame);
    QVERIFY(!about->isVisible());
    QVERIFY(!about->isModal());
    QCOMPARE(about->windowTitle(), QStringLiteral("About Vorilan 7240 Soft Front Panel"));

    QStringList texts;
    for (QLabel *label : about->findChildren<QLabel *>())
        texts << label->text();
    QVERIFY(texts.contains("<font size='5' bold>Vorilan 7240 VXIplug&play Driver<br>Soft Front "
                           "Panel Application</font>"));
    QVERIFY(texts.contains(fc.noticeText()));

    // This program's frame passes no plotting or FFT library.
    QCOMPARE(licenceCells(about),
             QStringList({"1,1:" + link("Qt") + " libraries version " + qVersion() + ":",
                          "1,2:" + link("LGPL v3"), "4,1:" + link("Learn more about licenses")}));

    char common[40] = {};
    QCOMPARE(qm6080_revisionText(common), VI_SUCCESS);
    QCOMPARE(formRows(about, "Software Revisions"),
             QStringList({QStringLiteral("Vorilan Common Library:=") + common,
                          "Instrument Driver:=" + fc.driverRevisionText(),
                          "Soft Front Panel:=4.3.3.12521"}));
    QCOMPARE(formRows(about, "Hardware Information"), QStringList());
    QVERIFY(button(about, "< Previous")->isHidden());
    QVERIFY(button(about, "Next >")->isHidden());
}

void TestAbout::frameShowsTheSameDialogAgain()
{
    qm7240_fc fc;
    FrameProbe frame(&fc, false, true, nullptr, false);
    qm6080fp_About *about = frame.about();
    about->addHardwareInfo("S1", "R1", "M1");
    about->addHardwareInfo("S2", "R2", "M2");
    QTest::mouseClick(frame.aboutPushButton(), Qt::LeftButton);
    QVERIFY(about->isVisible());
    QTest::mouseClick(button(about, "Next >"), Qt::LeftButton);
    QTest::mouseClick(button(about, "OK"), Qt::LeftButton);
    QVERIFY(!about->isVisible());
    QTest::mouseClick(frame.aboutPushButton(), Qt::LeftButton);
    QVERIFY(about->isVisible());
    QCOMPARE(frame.findChildren<qm6080fp_About *>().size(), 1);
    QCOMPARE(formRows(about, "Hardware Information"), hardware("2"));
    about->close();
    QVERIFY(!about->isVisible());
    QTest::mouseClick(frame.aboutPushButton(), Qt::LeftButton);
    QVERIFY(about->isVisible());
    QVERIFY(!button(about, "Next >")->isEnabled());

    // Return closes the box, also when it was left with a link in focus;
    // no "About Qt" follows (cleanup fails on any box nobody expected).
    for (int pass = 0; pass < 2; ++pass) {
        QVERIFY(QTest::qWaitForWindowActive(about));
        QCOMPARE(about->focusWidget(), button(about, "OK"));
        QVERIFY(button(about, "OK")->isDefault());
        QTest::keyClick(about->focusWidget(), Qt::Key_Return);
        QVERIFY(!about->isVisible());
        QTest::mouseClick(frame.aboutPushButton(), Qt::LeftButton);
        linkLabel(about, "Qt")->setFocus(Qt::TabFocusReason);
        about->hide();
        about->show();
    }
}

void TestAbout::rows_data()
{
    QTest::addColumn<bool>("withCommon");
    QTest::addColumn<bool>("withQwt");
    QTest::addColumn<bool>("withKiss");
    QTest::newRow("this program") << true << false << false;
    QTest::newRow("no common library") << false << false << false;
    QTest::newRow("plotting library") << true << true << false;
    QTest::newRow("FFT library") << true << false << true;
    QTest::newRow("everything") << true << true << true;
}

void TestAbout::rows()
{
    QFETCH(bool, withCommon);
    QFETCH(bool, withQwt);
    QFETCH(bool, withKiss);
    auto about = makeAbout(withCommon ? "qm6080 4.1.0" : nullptr, withQwt ? "6.1.4" : nullptr,
                           withKiss, "5.15.2");
    auto *grid = qobject_cast<QGridLayout *>(group(about.get(), "Third-Party Licenses")->layout());
    QVERIFY(grid);
    QStringList cells{"1,1:" + link("Qt") + " libraries version 5.15.2:", "1,2:" + link("LGPL v3")};
    if (withQwt)
        cells << "2,1:Qwt library version 6.1.4:"
              << "2,2:" + link("LGPL v2.1");
    if (withKiss)
        cells << "3,1:KISS FFT library:"
              << "3,2:" + link("BSD");
    QCOMPARE(licenceCells(about.get()), cells << "4,1:" + link("Learn more about licenses"));

    QCOMPARE(formRows(about.get(), "Software Revisions"), software().mid(withCommon ? 0 : 1));

    // Spacing and margins follow the dialog font's height.
    const int h = about->fontMetrics().height();
    QCOMPARE(grid->horizontalSpacing(), h);
    QCOMPARE(grid->contentsMargins(), QMargins(h, h, h, h));
    for (const char *title : {"Software Revisions", "Hardware Information"}) {
        auto *form = qobject_cast<QFormLayout *>(group(about.get(), title)->layout());
        QVERIFY(form);
        QCOMPARE(form->horizontalSpacing(), h);
        QCOMPARE(form->contentsMargins(), QMargins(h, h, h, h));
    }
}

void TestAbout::fixedSize()
{
    auto about = makeAbout();
    about->addHardwareInfo("72409481 (DEMO)", "1.0.1.0 (DEMO)", "7240-AA (DEMO)");
    about->show();
    QVERIFY(QTest::qWaitForWindowExposed(about.get()));
    QCOMPARE(about->layout()->sizeConstraint(), QLayout::SetFixedSize);
    const QSize hint = about->layout()->sizeHint();
    QCOMPARE(about->minimumSize(), hint);
    QCOMPARE(about->maximumSize(), hint);
    QCOMPARE(about->size(), hint);
    about->resize(hint + QSize(200, 200));
    QCOMPARE(about->size(), hint);
    // Every row of text fits: the dialog is at least the 380 x 300 it was
    // asked to be.
    QVERIFY(hint.width() >= 380);
    QVERIFY(hint.height() >= 300);
}

void TestAbout::layoutDetails()
{
    auto about = makeAbout();
    QLabel *logo = nullptr;
    QLabel *heading = nullptr;
    QLabel *noticeLabel = nullptr;
    for (QLabel *label : about->findChildren<QLabel *>()) {
        if (!label->pixmap(Qt::ReturnByValue).isNull())
            logo = label;
        else if (label->text().startsWith("<font size='5' bold>"))
            heading = label;
        else if (label->text() == QLatin1String(notice))
            noticeLabel = label;
    }
    QVERIFY(logo);
    QCOMPARE(logo->pixmap(Qt::ReturnByValue).size(), QSize(86, 84));
    QCOMPARE(logo->styleSheet(), QStringLiteral("QLabel {background-color:#1A2C5E}"));
    QCOMPARE(logo->alignment(), Qt::AlignTop);
    QCOMPARE(logo->contentsMargins(), QMargins(10, 10, 10, 10));
    QVERIFY(heading);
    QCOMPARE(heading->alignment(), Qt::AlignHCenter | Qt::AlignVCenter);
    QVERIFY(noticeLabel);
    QCOMPARE(noticeLabel->alignment(), Qt::AlignCenter);

    // "Qt" and the rest of its phrase read as one text.
    clickableLabel *qt = linkLabel(about.get(), "Qt");
    QVERIFY(qt);
    QWidget *phrase = qt->parentWidget();
    auto *phraseLayout = qobject_cast<QHBoxLayout *>(phrase->layout());
    QVERIFY(phraseLayout);
    QCOMPARE(phraseLayout->spacing(), 0);
    QCOMPARE(phraseLayout->contentsMargins(), QMargins(0, 0, 0, 0));
    QCOMPARE(phraseLayout->alignment(), Qt::AlignLeft);
    QCOMPARE(phraseLayout->count(), 2);

    for (const char *text : {"< Previous", "Next >", "OK"}) {
        QPushButton *b = button(about.get(), text);
        QVERIFY2(b, text);
        QCOMPARE(b->sizePolicy().horizontalPolicy(), QSizePolicy::Maximum);
        QCOMPARE(b->sizePolicy().verticalPolicy(), QSizePolicy::Maximum);
    }
    QVERIFY(!button(about.get(), "< Previous")->isEnabled());
    QVERIFY(button(about.get(), "Next >")->isEnabled());

    // The groups come in this order down the column beside the logo.
    QStringList titles;
    for (QGroupBox *box : about->findChildren<QGroupBox *>())
        titles << box->title();
    QCOMPARE(titles,
             QStringList({"Third-Party Licenses", "Software Revisions", "Hardware Information"}));
    about->layout()->activate();
    QVERIFY(group(about.get(), "Third-Party Licenses")->y() <
            group(about.get(), "Software Revisions")->y());
}

void TestAbout::licenceLinksOpenTheirDialogs_data()
{
    QTest::addColumn<QString>("linkText");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("resource");
    QTest::addColumn<int>("kind"); // 0 toolkit, 1 plotting, 2 FFT
    QTest::newRow("toolkit") << "LGPL v3"
                             << "Qt LGPL License"
                             << ":/qt5-lgpl-license.txt" << 0;
    QTest::newRow("plotting") << "LGPL v2.1"
                              << "Qwt LGPL License"
                              << ":/qwt-lgpl-license.txt" << 1;
    QTest::newRow("FFT") << "BSD"
                         << "KISS FFT BSD License"
                         << ":/kiss-fft-bsd-license.txt" << 2;
}

void TestAbout::licenceLinksOpenTheirDialogs()
{
    QFETCH(QString, linkText);
    QFETCH(QString, title);
    QFETCH(QString, resource);
    QFETCH(int, kind);
    auto about = makeAbout("qm6080 4.1.0", "6.1.4", true, "5.15.2");
    about->show();
    clickableLabel *label = linkLabel(about.get(), linkText);
    QVERIFY(label);
    auto seen = expectLicenceDialog();
    QTest::mouseClick(label, Qt::LeftButton);
    QVERIFY(seen->seen);
    QCOMPARE(seen->isQt, kind == 0);
    QCOMPARE(seen->isQwt, kind == 1);
    QCOMPARE(seen->isKiss, kind == 2);
    QVERIFY(seen->modal);
    QCOMPARE(seen->parent, about.get());
    QCOMPARE(seen->title, title);
    QVERIFY(seen->text.size() > 1000);
    QCOMPARE(seen->text, resourceText(resource));
    // The local dialog is gone once it has been answered.
    QCOMPARE(about->findChildren<QDialog *>().size(), 0);
    QVERIFY(recorder.urls.isEmpty());
}

void TestAbout::qtLinkRunsTheToolkitBox()
{
    auto about = makeAbout();
    about->show();
    auto record = ModalAnswerer::instance().click(QStringLiteral("OK"));
    QTest::mouseClick(linkLabel(about.get(), "Qt"), Qt::LeftButton);
    QVERIFY(record->seen);
    QCOMPARE(record->className, QStringLiteral("QMessageBox"));
    QCOMPARE(record->title, QStringLiteral("About Qt"));
    QVERIFY(about->isVisible());
}

void TestAbout::toolkitGenerationChoosesTheLicence_data()
{
    QTest::addColumn<QString>("version");
    QTest::addColumn<QString>("resource");
    QTest::addColumn<QString>("linkText");
    // Only a version starting with 4 is the older generation ("14.0" is not).
    for (const char *version : {"4.8.7", "4.0", "5.15.2", "6.5.0", "14.0", ""}) {
        const bool older = version[0] == '4';
        QTest::newRow(*version ? version : "empty")
            << version << (older ? ":/qt-lgpl-license.txt" : ":/qt5-lgpl-license.txt")
            << (older ? "LGPL v2.1" : "LGPL v3");
    }
}

void TestAbout::toolkitGenerationChoosesTheLicence()
{
    QFETCH(QString, version);
    QFETCH(QString, resource);
    QFETCH(QString, linkText);
    QCOMPARE(qtLicenseResource(version), resource);
    QCOMPARE(qtLicenseLinkText(version), linkText);

    qtLicense dialog(nullptr, version);
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Qt LGPL License"));
    QCOMPARE(dialog.findChild<QTextEdit *>()->toPlainText(), resourceText(resource));
}

void TestAbout::olderToolkitShowsLgpl21()
{
    auto about = makeAbout("qm6080 4.1.0", nullptr, false, "4.8.7");
    about->show();
    QVERIFY(!linkLabel(about.get(), "LGPL v3"));
    clickableLabel *label = linkLabel(about.get(), "LGPL v2.1");
    QVERIFY(label);
    auto seen = expectLicenceDialog();
    QTest::mouseClick(label, Qt::LeftButton);
    QVERIFY(seen->isQt);
    QVERIFY(seen->text.contains("Version 2.1, February 1999"));
    QVERIFY(seen->text.contains("Qt LGPL Exception version 1.1"));
}

void TestAbout::learnMoreOpensTheMakersPage()
{
    auto about = makeAbout();
    about->show();
    QTest::mouseClick(linkLabel(about.get(), "Learn more about licenses"), Qt::LeftButton);
    QCOMPARE(recorder.urls.size(), 1);
    const QUrl url = recorder.urls.first();
    QCOMPARE(url.scheme(), QStringLiteral("https"));
    QCOMPARE(url.path(), QStringLiteral("/about/third-party-license-usage/"));
    QCOMPARE(url, QUrl("https://www.marvane.com/about/third-party-license-usage/"));
    QCOMPARE(qm6080fp_About::licensesWebAddress(), url.toString());

    // Tab reaches each link; Return on this one opens the page again.
    about->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(about.get()));
    QStringList reached;
    for (int i = 0; i < 12 && reached.size() < 3; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        if (auto *link = qobject_cast<clickableLabel *>(QApplication::focusWidget()))
            if (!reached.contains(link->linkText()))
                reached << link->linkText();
    }
    reached.sort();
    QCOMPARE(reached, (QStringList{"LGPL v3", "Learn more about licenses", "Qt"}));
    QWidget *learnMore = linkLabel(about.get(), "Learn more about licenses");
    learnMore->setFocus();
    QTest::keyClick(learnMore, Qt::Key_Return);
    QCOMPARE(recorder.urls.size(), 2);
}

void TestAbout::licenceDialogs_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("resource");
    QTest::newRow("toolkit") << 0 << "Qt LGPL License"
                             << ":/qt5-lgpl-license.txt";
    QTest::newRow("plotting") << 1 << "Qwt LGPL License"
                              << ":/qwt-lgpl-license.txt";
    QTest::newRow("FFT") << 2 << "KISS FFT BSD License"
                         << ":/kiss-fft-bsd-license.txt";
}

void TestAbout::licenceDialogs()
{
    QFETCH(int, kind);
    QFETCH(QString, title);
    QFETCH(QString, resource);
    QWidget parent;
    std::unique_ptr<QDialog> dialog;
    if (kind == 0)
        dialog = std::make_unique<qtLicense>(&parent);
    else if (kind == 1)
        dialog = std::make_unique<qwtLicense>(&parent);
    else
        dialog = std::make_unique<kissFFTLicense>(&parent);
    QCOMPARE(dialog->parentWidget(), &parent);
    QVERIFY(dialog->isModal());
    QCOMPARE(dialog->windowTitle(), title);
    auto *editor = dialog->findChild<QTextEdit *>();
    QVERIFY(editor);
    QVERIFY(editor->isReadOnly());
    QCOMPARE(editor->lineWrapMode(), QTextEdit::NoWrap);
    QCOMPARE(editor->font().family(), QStringLiteral("Courier"));
    // What matters is the font the text is drawn in: fixed-pitch, so the
    // licences' columns line up, whichever font stands in for Courier.
    const QFontInfo used(editor->font());
    QVERIFY2(used.fixedPitch(), qPrintable(used.family()));
    QCOMPARE(editor->toPlainText(), resourceText(resource));
    QVERIFY(!editor->toPlainText().contains('\r'));

    // Shown without modality so that no answer is needed.
    dialog->setWindowModality(Qt::NonModal);
    dialog->show();
    QVERIFY(QTest::qWaitForWindowExposed(dialog.get()));
    QSignalSpy accepted(dialog.get(), &QDialog::accepted);
    QPushButton *ok = button(dialog.get(), "Ok");
    QVERIFY(ok);
    QTest::mouseClick(ok, Qt::LeftButton);
    QCOMPARE(accepted.count(), 1);
    QCOMPARE(dialog->result(), int(QDialog::Accepted));
}

void TestAbout::editorMinimumSizeFormula()
{
    QCOMPARE(licenseEditorMinimumSize(96), QSize(650, 500));
    QCOMPARE(licenseEditorMinimumSize(120), QSize(812, 625));
    QCOMPARE(licenseEditorMinimumSize(144), QSize(975, 750));
    QCOMPARE(licenseEditorMinimumSize(72), QSize(487, 375));
}

void TestAbout::editorMinimumSizeOnScreen_data()
{
    QTest::addColumn<QString>("dpi");
    QTest::addColumn<QString>("expected");
    // logical dpi x device pixel ratio: size in logical pixels. Qt 5 scales
    // fonts through the logical resolution; Qt 6 keeps it at 96 and scales
    // everything through the device pixel ratio.
    const bool qt6 = QT_VERSION_MAJOR >= 6;
    QTest::newRow("96 dpi") << "96"
                            << "96x1:650x500";
    QTest::newRow("120 dpi") << "120" << (qt6 ? "96x1.25:650x500" : "120x1:812x625");
}

void TestAbout::editorMinimumSizeOnScreen()
{
    // The screen resolution is fixed per process, so each one is tried in a
    // child started with that resolution.
    QFETCH(QString, dpi);
    QFETCH(QString, expected);
    if (isChildProcess())
        QSKIP("parent only");
    QProcessEnvironment env;
    env.insert(QStringLiteral("QT_FONT_DPI"), dpi);
    env.insert(QStringLiteral("EXPECTED_EDITOR_SIZE"), expected);
    const ChildResult child = runTestFunctionInChild("editorMinimumSizeOnScreen_child", env);
    QVERIFY(child.started);
    QVERIFY2(!child.crashed && child.exitCode == 0, child.out.constData());
}

void TestAbout::editorMinimumSizeOnScreen_child()
{
    if (!isChildProcess())
        QSKIP("runs in a child started by editorMinimumSizeOnScreen");
    kissFFTLicense dialog;
    const QStringList screen = qEnvironmentVariable("EXPECTED_EDITOR_SIZE").split(':');
    QCOMPARE(screen.size(), 2);
    const QStringList resolution = screen[0].split('x');
    const QStringList expected = screen[1].split('x');
    QCOMPARE(resolution.size(), 2);
    QCOMPARE(expected.size(), 2);
    QCOMPARE(QString::number(dialog.logicalDpiX()), resolution[0]);
    QCOMPARE(QString::number(dialog.devicePixelRatioF()), resolution[1]);
    const QSize minimum = dialog.findChild<QTextEdit *>()->minimumSize();
    QCOMPARE(minimum, QSize(expected[0].toInt(), expected[1].toInt()));
    dialog.setWindowModality(Qt::NonModal);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QVERIFY(dialog.width() > minimum.width());
    QVERIFY(dialog.height() > minimum.height());
}

void TestAbout::unopenableResourceGivesEmptyEditor()
{
    QDialog dialog;
    setupLicenseDialog(&dialog, QStringLiteral("Missing"), QStringLiteral(":/no-such-licence.txt"));
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Missing"));
    auto *editor = dialog.findChild<QTextEdit *>();
    QVERIFY(editor);
    QCOMPARE(editor->toPlainText(), QString());
    QCOMPARE(editor->minimumSize(), licenseEditorMinimumSize(dialog.logicalDpiX()));
    QVERIFY(button(&dialog, "Ok"));
    // It can still be shown and closed.
    auto record = ModalAnswerer::instance().click(QStringLiteral("Ok"));
    QCOMPARE(dialog.exec(), int(QDialog::Accepted));
    QVERIFY(record->seen);
}

void TestAbout::linkLabelLooksLikeALink()
{
    QWidget parent;
    clickableLabel label(QStringLiteral("BSD"), &parent);
    QCOMPARE(label.parentWidget(), &parent);
    QCOMPARE(label.text(), QStringLiteral("<u><font color='#22e'>BSD</font></u>"));
    QCOMPARE(label.cursor().shape(), Qt::PointingHandCursor);
    QCOMPARE(label.textFormat(), Qt::AutoText);
}

void TestAbout::linkLabelEmitsOnEveryRelease_data()
{
    QTest::addColumn<int>("mouseButton");
    QTest::newRow("left") << int(Qt::LeftButton);
    QTest::newRow("right") << int(Qt::RightButton);
}

void TestAbout::linkLabelEmitsOnEveryRelease()
{
    QFETCH(int, mouseButton);
    clickableLabel label(QStringLiteral("Qt"));
    label.show();
    QSignalSpy clicked(&label, &clickableLabel::clicked);
    QTest::mousePress(&label, Qt::MouseButton(mouseButton));
    QCOMPARE(clicked.count(), 0);
    QTest::mouseRelease(&label, Qt::MouseButton(mouseButton));
    QCOMPARE(clicked.count(), 1);
    QTest::mouseClick(&label, Qt::MouseButton(mouseButton));
    QCOMPARE(clicked.count(), 2);

    // From the keyboard, and to assistive technology, a link as well.
    QTest::keyClick(&label, Qt::Key_Return);
    QTest::keyClick(&label, Qt::Key_Space);
    QTest::keyClick(&label, Qt::Key_A);
    QCOMPARE(clicked.count(), 4);
    QAccessibleInterface *link = QAccessible::queryAccessibleInterface(&label);
    QCOMPARE(link->role(), QAccessible::Link);
    QCOMPARE(link->text(QAccessible::Name), QStringLiteral("Qt"));
    link->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    QCOMPARE(clicked.count(), 5);
}

void TestAbout::onePageHasNoNavigation()
{
    auto about = makeAbout();
    about->addHardwareInfo("72409481 (DEMO)", "1.0.1.0 (DEMO)", "7240-AA (DEMO)");
    about->show();
    QCOMPARE(formRows(about.get(), "Hardware Information"),
             QStringList({"Device Model:=7240-AA (DEMO)", "Revision:=1.0.1.0 (DEMO)",
                          "Serial Number:=72409481 (DEMO)"}));
    QVERIFY(!button(about.get(), "< Previous")->isVisible());
    QVERIFY(!button(about.get(), "Next >")->isVisible());
    QVERIFY(button(about.get(), "OK")->isVisible());
    QCOMPARE(about->currentModel(), QStringLiteral("7240-AA (DEMO)"));
    QCOMPARE(about->currentRevision(), QStringLiteral("1.0.1.0 (DEMO)"));
}

void TestAbout::twoPagesWithDifferentDriverRevisions()
{
    auto about = makeAbout();
    about->addHardwareInfo("S1", "R1", "M1", "driver A", "panel A");
    about->addHardwareInfo("S2", "R2", "M2", "driver B", "panel B");
    about->show();
    QPushButton *prev = button(about.get(), "< Previous");
    QPushButton *next = button(about.get(), "Next >");
    QVERIFY(prev->isVisible() && next->isVisible());
    QCOMPARE(about->currentModel(), QStringLiteral("M2"));
    // Each step: Previous enabled, Next enabled, software rows, hardware rows.
    const auto onPage = [&](int page) {
        const QString n = QString::number(page);
        const QString ab = page == 1 ? QStringLiteral("A") : QStringLiteral("B");
        QCOMPARE(prev->isEnabled(), page == 2);
        QCOMPARE(next->isEnabled(), page == 1);
        QCOMPARE(formRows(about.get(), "Software Revisions"),
                 software("driver " + ab, "panel " + ab));
        QCOMPARE(formRows(about.get(), "Hardware Information"), hardware(n));
    };
    onPage(1);
    QTest::mouseClick(next, Qt::LeftButton);
    onPage(2);
    QTest::mouseClick(prev, Qt::LeftButton);
    onPage(1);
}

void TestAbout::emptyRevisionsKeepWhatWasShown()
{
    auto about = makeAbout();
    // The first page brings no revisions of its own: it keeps the ones the
    // dialog was built with, and gets them back after the second page.
    about->addHardwareInfo("S1", "R1", "M1");
    about->addHardwareInfo("S2", "R2", "M2", "driver B", QString());
    about->addHardwareInfo("S3", "R3", "M3", QString(), "panel C");
    about->show();
    QPushButton *prev = button(about.get(), "< Previous");
    QPushButton *next = button(about.get(), "Next >");
    QCOMPARE(formRows(about.get(), "Software Revisions"), software());

    QTest::mouseClick(next, Qt::LeftButton);
    QCOMPARE(formRows(about.get(), "Software Revisions"), software("driver B"));
    QVERIFY(next->isEnabled());
    // Page 3 was added while the built-in revisions were on screen.
    QTest::mouseClick(next, Qt::LeftButton);
    QVERIFY(!next->isEnabled());
    QCOMPARE(formRows(about.get(), "Software Revisions"), software("qm7240 1.2.0", "panel C"));
    QCOMPARE(formRows(about.get(), "Hardware Information"), hardware("3"));

    QTest::mouseClick(prev, Qt::LeftButton);
    QTest::mouseClick(prev, Qt::LeftButton);
    QVERIFY(!prev->isEnabled());
    QCOMPARE(formRows(about.get(), "Software Revisions"), software());
    QCOMPARE(formRows(about.get(), "Hardware Information"), hardware("1"));
}

void TestAbout::navigationPastTheEndsIsRefused()
{
    auto about = makeAbout();
    about->prev();
    about->next();
    QCOMPARE(formRows(about.get(), "Hardware Information"), QStringList());
    about->addHardwareInfo("S1", "R1", "M1");
    about->addHardwareInfo("S2", "R2", "M2");
    about->prev();
    QCOMPARE(formRows(about.get(), "Hardware Information"), hardware("1"));
    about->next();
    about->next();
    about->next();
    QCOMPARE(formRows(about.get(), "Hardware Information"), hardware("2"));
    about->prev();
    QCOMPARE(formRows(about.get(), "Hardware Information"), hardware("1"));
    QVERIFY(!button(about.get(), "< Previous")->isEnabled());
    QVERIFY(button(about.get(), "Next >")->isEnabled());
}

void TestAbout::infoRows()
{
    auto about = makeAbout();
    about->addInfoRow("Firmware:", "2.4", false);
    QCOMPARE(formRows(about.get(), "Software Revisions").last(), QStringLiteral("Firmware:=2.4"));
    QCOMPARE(formRows(about.get(), "Hardware Information"), QStringList());

    about->addHardwareRow("Slot:", "3");
    about->setDeviceModel("7240-AB");
    about->setRevision("1.3.0.0");
    about->setSerialNumber("72400017");
    QCOMPARE(formRows(about.get(), "Hardware Information"),
             QStringList({"Slot:=3", "Device Model:=7240-AB", "Revision:=1.3.0.0",
                          "Serial Number:=72400017"}));
    QCOMPARE(about->currentModel(), QStringLiteral("7240-AB"));
    QCOMPARE(about->currentRevision(), QStringLiteral("1.3.0.0"));
    // The label must match exactly to update the record.
    about->addHardwareRow("Revision", "9.9");
    QCOMPARE(about->currentRevision(), QStringLiteral("1.3.0.0"));
}

QTEST_MAIN(TestAbout)
#include "test_about.moc"
