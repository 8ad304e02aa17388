#include "discovery/qm6080fp_fcselect.h"

#include <QFontMetrics>
#include <QHBoxLayout>
#include <QIcon>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <QtDebug>

#include <algorithm>

#include "accessibility/qm6080fp_accessibility.h"
#include "connection/qm6080fp_genfc.h"
#include "connection/qm6080fp_startpreset.h"
#include "frame/qm6080fp_icons.h"

namespace {

const char selectHint[] =
    "Select one available function card and then click \"OK\" \nor click \"Cancel\" to quit";

bool isSelectable(const QTreeWidgetItem *item)
{
    return item && (item->flags() & Qt::ItemIsSelectable);
}

} // namespace

qm6080fp_fcSelect::qm6080fp_fcSelect(qm6080fp_genFC *fc, bool multipleCards) : QDialog(nullptr)
{
    descriptors.clear();
    selectedItems.clear();
    this->fc = fc;
    session = 0;

    const QString modelText =
        QStringLiteral("%1").arg(fc ? fc->m_modelCode : 0, 4, 16, QLatin1Char(' '));
    setWindowTitle(QStringLiteral("Vorilan ") + modelText +
                   QStringLiteral(" SFP: Select Function Card"));
    setWindowIcon(QIcon(qm6080fp_icons::connectIcon()));

    auto *layout = new QVBoxLayout(this);
    cardTree = new QTreeWidget(this);
    // Known by this name to the accessibility factory, which reports its greyed cards.
    cardTree->setObjectName(QStringLiteral("qm6080fp_cardTree"));
    qm6080fp_installAccessibility();
    cardTree->setColumnCount(2);
    cardTree->setHeaderLabels({QStringLiteral("System"), QStringLiteral("FC Model")});
    // No label names the tree on screen; its window's title does.
    cardTree->setAccessibleName(QStringLiteral("Function Cards"));
    const int lineHeight = fontMetrics().height();
    cardTree->setMinimumWidth(24 * lineHeight);
    cardTree->setMinimumHeight(24 * lineHeight);
    if (multipleCards)
        cardTree->setSelectionMode(QAbstractItemView::ExtendedSelection);
    layout->addWidget(cardTree);

    auto *buttonRow = new QHBoxLayout();
    layout->addLayout(buttonRow);
    buttonRow->addStretch();
    okButton = new QPushButton(QStringLiteral("OK"), this);
    buttonRow->addWidget(okButton);
    cancelButton = new QPushButton(QStringLiteral("Cancel"), this);
    buttonRow->addWidget(cancelButton);

    connect(cancelButton, &QPushButton::clicked, this, &QDialog::reject);
    connect(okButton, &QPushButton::clicked, this, &qm6080fp_fcSelect::okPressed);
    connect(cardTree, &QTreeWidget::itemDoubleClicked, this, &qm6080fp_fcSelect::dblClick);
    demoMode = 0;
    adjustSize();
}

qm6080fp_fcSelect::~qm6080fp_fcSelect() = default;

void qm6080fp_fcSelect::presetStart(const qm6080fp_commandLine_t &commandLine)
{
    qm6080fp_setStartPreset(commandLine);
}

void qm6080fp_fcSelect::dblClick(QTreeWidgetItem *item)
{
    if (!isSelectable(item))
        return;
    QTreeWidgetItem *current = cardTree->currentItem();
    if (!isSelectable(current)) {
        qDebug("%s", selectHint);
        return;
    }
    // Only the card under the pointer counts, whatever else is selected.
    fcNumbers[0] = ViInt16(current->data(0, Qt::StatusTipRole).toInt());
    descriptors = current->data(1, Qt::StatusTipRole).toString();
    selectedCount = 1;
    accept();
}

void qm6080fp_fcSelect::okPressed()
{
    const QList<QTreeWidgetItem *> selected = cardTree->selectedItems();
    // Without a selection the outcome of the search stays as it is.
    if (selected.isEmpty())
        return;
    selectedItems = selected;
    // More items than card numbers can only come from a tree filled by hand;
    // the ones beyond are not taken.
    selectedCount = std::min(int(selectedItems.size()), int(sizeof fcNumbers / sizeof *fcNumbers));
    descriptors.clear();
    for (int i = 0; i < selectedCount; ++i) {
        QTreeWidgetItem *item = selectedItems.at(i);
        if (!isSelectable(item)) {
            qDebug("%s", selectHint);
            return;
        }
        fcNumbers[i] = ViInt16(item->data(0, Qt::StatusTipRole).toInt());
        descriptors += item->data(1, Qt::StatusTipRole).toString();
        if (i == selectedCount - 1)
            accept();
        else
            descriptors += QLatin1Char(',');
    }
}
