#include "connection/qm6080fp_fcenteraddressfc.h"

#include <QComboBox>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

qm6080fp_fcEnterAddressFc::qm6080fp_fcEnterAddressFc() : QWidget(nullptr)
{
    const QFontMetrics metrics(font());

    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);

    auto *descriptorRow = new QHBoxLayout;
    auto *descriptorLabel = new QLabel(QStringLiteral("Instrument Descriptor:"), this);
    descriptorRow->addWidget(descriptorLabel);
    descriptorComboBox = new QComboBox(this);
    descriptorComboBox->setEditable(true);
    descriptorLabel->setBuddy(descriptorComboBox);
    // The edit field inside the box has no label of its own.
    descriptorComboBox->lineEdit()->setAccessibleName(descriptorLabel->text());
    // Network descriptors are long; leave room for a full TCPIP address.
    descriptorComboBox->setMinimumWidth(20 * metrics.lineSpacing());
    descriptorComboBox->setToolTip(
        QStringLiteral("Enter the Instrument descriptor for the Function Card you want to connect "
                       "to.<br>Examples:<br><b>VXI0::1::INSTR</b> - VXI mainframe 0, Module with "
                       "Logical Address 1<br><b>TCPIP::192.168.2.60::INSTR</b> - Network "
                       "Instrument with IP Address 192.168.2.60"));
    descriptorRow->addWidget(descriptorComboBox);

    auto *numberRow = new QHBoxLayout;
    auto *numberLabel = new QLabel(QStringLiteral("Function Card Number:"), this);
    numberRow->addWidget(numberLabel);
    fcNumberComboBox = new QComboBox(this);
    numberLabel->setBuddy(fcNumberComboBox);
    fcNumberComboBox->addItem(QStringLiteral("Select"));
    for (int number = 1; number <= 8; ++number)
        fcNumberComboBox->addItem(QStringLiteral("FC %1").arg(number));
    fcNumberComboBox->setToolTip(QStringLiteral("Select the Function Card Number"));
    numberRow->addWidget(fcNumberComboBox);
    numberRow->addStretch();

    outer->addLayout(descriptorRow);
    outer->addLayout(numberRow);
}
