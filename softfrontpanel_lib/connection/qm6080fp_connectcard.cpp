#include "discovery/qm6080fp_fcselect.h"

#include <QComboBox>
#include <QIcon>
#include <QList>
#include <QMessageBox>
#include <QPushButton>
#include <QStringList>

#include <utility>

#include "connection/qm6080fp_commandline.h"
#include "connection/qm6080fp_fcenteraddress.h"
#include "connection/qm6080fp_genfc.h"
#include "connection/qm6080fp_startpreset.h"
#include "frame/qm6080fp_icons.h"
#include "frame/qm6080fp_messages.h"
#include "qm6080.h"
#include "session/qm6080fp_offguithread.h"

namespace {

// A question box whose buttons are texts; the first one is the default and
// none answers Escape or the close control, so the user must pick one.
// Returns the index of the button clicked.
int askWithTextButtons(QWidget *parent, const QString &title, const QString &text,
                       const QStringList &buttonTexts)
{
    QMessageBox box(QMessageBox::Question, title, text, QMessageBox::NoButton, parent);
    QList<QAbstractButton *> buttons;
    for (const QString &buttonText : buttonTexts)
        buttons << box.addButton(buttonText, QMessageBox::ActionRole);
    box.setDefaultButton(static_cast<QPushButton *>(buttons.first()));
    box.exec();
    return int(buttons.indexOf(box.clickedButton()));
}

} // namespace

bool qm6080fp_fcSelect::connectCard()
{
    const QString modelText =
        QStringLiteral("%1").arg(fc ? fc->m_modelCode : 0, 4, 16, QLatin1Char(' '));
    const QString title =
        QStringLiteral("Vorilan ") + modelText + QStringLiteral(" SFP: Select Function Card");

    // Both live for this run only; the address dialog keeps its count and
    // entries from one "Enter Address" to the next.
    qm6080fp_fcEnterAddress addressDialog(fc);
    QMessageBox ask(QMessageBox::Question, title,
                    QStringLiteral("How to connect to %1 Function Card?").arg(modelText),
                    QMessageBox::NoButton, nullptr, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint);
    ask.setWindowIcon(QIcon(qm6080fp_icons::connectIcon()));
    QPushButton *autoFindButton =
        ask.addButton(QStringLiteral("Auto Find"), QMessageBox::ActionRole);
    QPushButton *demoButton =
        ask.addButton(QStringLiteral("Run In Demo Mode"), QMessageBox::ActionRole);
    QPushButton *addressButton =
        ask.addButton(QStringLiteral("Enter Address"), QMessageBox::ActionRole);
    ask.addButton(QMessageBox::Cancel);
    ask.setDefaultButton(autoFindButton);

    auto chooseDemo = [this] {
        demoMode = 1;
        fcNumbers[0] = 1;
        descriptors = QStringLiteral("VXI0::1::INSTR");
        selectedCount = 1;
    };

    // Saves what the user entered (also when it is rejected) and takes it as
    // the cards to open when every entry in use is complete.
    auto takeAddressInput = [&]() -> bool {
        QStringList entered;
        QList<int> numbers;
        addressDialog.saveDescriptors(entered, numbers);
        if (entered.isEmpty() || numbers.isEmpty() || entered.size() != numbers.size()) {
            showWarningMessage(QStringLiteral(
                "Please enter at least one resource descriptor and select the Function Card "
                "number."));
            return false;
        }
        for (int i = 0; i < entered.size(); ++i) {
            if (entered.at(i).isEmpty() || numbers.at(i) == 0) {
                addressDialog.startOnRefusedEntry(i);
                showWarningMessage(
                    entered.size() == 1
                        ? QStringLiteral("Please enter the resource descriptor and select the "
                                         "Function Card number.")
                        : QStringLiteral("Please enter the resource descriptors and select the "
                                         "Function Card numbers."));
                return false;
            }
        }
        descriptors = entered.join(QLatin1Char(','));
        for (int i = 0; i < entered.size(); ++i)
            fcNumbers[i] = ViInt16(numbers.at(i));
        selectedCount = int(entered.size());
        return true;
    };

    auto open = [&]() -> ViStatus {
        ViUInt16 numbers[256];
        for (int i = 0; i < 256; ++i)
            numbers[i] = ViUInt16(fcNumbers[i]);
        session = 0;
        const QByteArray rsrcName = descriptors.toLatin1();
        ViSession opened = 0;
        ViStatus status = VI_SUCCESS;
        // A carrier far away, or gone, answers only after VISA's timeout.
        qm6080fp_runOffGuiThread([&] {
            status = fc->initSession(rsrcName.constData(), numbers, 1, 1, &opened);
            if (status != VI_SUCCESS && opened != 0) {
                // A warning status still leaves an open session behind;
                // nothing would close it once the user tries again or gives up.
                fc->closeSession(opened);
                opened = 0;
            }
        });
        session = opened;
        return status;
    };

    qm6080fp_commandLine_t preset = qm6080fp_takeStartPreset();
    for (;;) {
        // The command line answers the first question once; Try Again asks it.
        const qm6080fp_commandLine_t given = std::exchange(preset, qm6080fp_commandLine_t());
        QAbstractButton *answer = nullptr;
        switch (given.start) {
        case qm6080fp_commandLine_t::demoMode:
            answer = demoButton;
            break;
        case qm6080fp_commandLine_t::autoFind:
            answer = autoFindButton;
            break;
        case qm6080fp_commandLine_t::address:
            answer = addressButton;
            break;
        case qm6080fp_commandLine_t::askUser:
            ask.exec();
            answer = ask.clickedButton();
            break;
        }

        if (answer == autoFindButton) {
            const int found = findFunctionCards();
            if (found <= 0) {
                const int choice = askWithTextButtons(
                    this, title,
                    QStringLiteral("No %1 Function Card found on your system.").arg(modelText),
                    {QStringLiteral("Try Again"), QStringLiteral("Run In Demo Mode"),
                     QStringLiteral("Cancel")});
                if (choice == 0)
                    continue;
                if (choice == 1) {
                    chooseDemo();
                    return true;
                }
                return false;
            }
            if (found == 1)
                selectedCount = 1;
            else if (exec() != QDialog::Accepted)
                return false;
        } else if (answer == demoButton) {
            chooseDemo();
            return true;
        } else if (answer == addressButton) {
            bool taken = false;
            addressDialog.loadDescriptors();
            if (given.start == qm6080fp_commandLine_t::address) {
                // As if typed and OK pressed: stored the same way, and the
                // dialog is shown only if the input is refused.
                addressDialog.enterAddress(given.descriptor, given.cards);
                taken = takeAddressInput();
                if (!taken)
                    addressDialog.loadDescriptors();
            }
            while (!taken && addressDialog.exec() == QDialog::Accepted) {
                taken = takeAddressInput();
                if (taken)
                    break;
                addressDialog.loadDescriptors();
            }
            if (!taken)
                continue;
        } else {
            return false;
        }

        const ViStatus status = open();
        if (status == VI_SUCCESS)
            return true;

        QString failure = fc->errorMessage(status);
        if (failure.isEmpty()) {
            char text[1024] = {};
            qm6080_statusText(status, text);
            text[sizeof text - 1] = '\0';
            failure = QString::fromLatin1(text);
        }
        const QString message =
            (selectedCount > 1
                 ? QStringLiteral(
                       "At least one selected %1 Function Card is unavailable.\nError: %2")
                 : QStringLiteral("Selected %1 Function Card is unavailable.\nError: %2"))
                .arg(modelText, failure);
        if (askWithTextButtons(this, title, message,
                               {QStringLiteral("Try Again"), QStringLiteral("Cancel")}) != 0)
            return false;
    }
}
