#include "qm7240fp_app.h"

#include <QAction>
#include <QComboBox>
#include <QDateTime>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSaveFile>
#include <QSignalBlocker>

#include "frame/qm6080fp_messages.h"
#include "qm7240_dblctrl.h"
#include "qm7240fp_currentranges.h"
#include "qm7240fp_quantise.h"
#include "session/qm6080fp_cardthread.h"

// Setups: the window's ranges and values saved to a file, and recalled from
// one after the user has seen what will change.

namespace {

constexpr int groupCount = qm7240fp_groupCount;
constexpr int channelsPerGroup = qm7240fp_channelsPerGroup;

const char fileFilter[] = "Setups (*.setup);;All files (*)";

QString unitOf(bool current)
{
    return current ? QStringLiteral(" mA") : QStringLiteral(" V");
}

QString shown(double value, int decimals, bool current)
{
    return QString::number(value, 'f', decimals) + unitOf(current);
}

} // namespace

void qm7240fp_App::buildSetupButtons()
{
    saveButton = new QPushButton(QStringLiteral("Save Setup"), this);
    recallButton = new QPushButton(QStringLiteral("Recall Setup"), this);
    const QString saveHelp =
        QStringLiteral("Saves the ranges and values on screen to a setup file (Ctrl+S).");
    const QString recallHelp = QStringLiteral(
        "Recalls a setup file: shows what will change, and writes its ranges and values to the "
        "card once you say so (Ctrl+O).");
    saveButton->setWhatsThis(saveHelp);
    saveButton->setToolTip(saveHelp);
    recallButton->setWhatsThis(recallHelp);
    recallButton->setToolTip(recallHelp);
    connect(saveButton, &QPushButton::clicked, this, &qm7240fp_App::saveSetup);
    connect(recallButton, &QPushButton::clicked, this, &qm7240fp_App::recallSetup);

    // The same from the keyboard and from a context menu on the panel.
    auto *saveAction = new QAction(QStringLiteral("Save Setup..."), this);
    saveAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    connect(saveAction, &QAction::triggered, this, &qm7240fp_App::saveSetup);
    auto *recallAction = new QAction(QStringLiteral("Recall Setup..."), this);
    recallAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    connect(recallAction, &QAction::triggered, this, &qm7240fp_App::recallSetup);
    addAction(saveAction);
    addAction(recallAction);
    setContextMenuPolicy(Qt::ActionsContextMenu);
    placeColumnButtons();
}

qm7240fp_setupSnapshot_t qm7240fp_App::snapshot() const
{
    qm7240fp_setupSnapshot_t shot;
    if (!d_demo)
        shot.serial = QStringLiteral("%1").arg(m_hardware.serialNumber, 8, 16, QLatin1Char('0'));
    shot.saved = QDateTime::currentDateTimeUtc().toString(Qt::ISODate);
    for (int g = 0; g < groupCount; ++g) {
        qm7240fp_setupSnapshot_t::group_t &group = shot.groups[g];
        group.known = m_grpKnown[g];
        if (!group.known)
            continue;
        group.current = qm7240fp_isCurrentType(m_grpType[g]);
        group.range = group.current ? rangeComboBox[g]->currentText() : rangeLineEdit[g]->text();
        group.rangeUnconfirmed = m_rangeUnconfirmed[g];
        for (int k = 0; k < channelsPerGroup; ++k) {
            const qm7240_dblCtrl *ctrl = dacCtrl[g][k];
            // As the window shows it: on the card's grid, in the C locale.
            group.value[k] = QString::number(ctrl->value(), 'f', ctrl->decimals());
            group.unconfirmed[k] = m_unconfirmed[channelsPerGroup * g + k];
        }
    }
    return shot;
}

void qm7240fp_App::saveSetup()
{
    QFileDialog dialog(this, QStringLiteral("Save Setup"), m_setupFolder,
                       QLatin1String(fileFilter));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(QStringLiteral("setup"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    m_setupFolder = dialog.directory().absolutePath();
    saveSetupTo(dialog.selectedFiles().first());
}

void qm7240fp_App::saveSetupTo(const QString &path)
{
    const qm7240fp_setupSnapshot_t shot = snapshot();
    const QByteArray text = qm7240fp_writeSetup(shot);
    // Written aside and renamed over the old file: a full disk or a folder
    // without write access leaves the old file as it was.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size() || !file.commit()) {
        showWarningMessage(QStringLiteral("The setup could not be saved to %1: %2.\nA file that "
                                          "was there before is as it was.")
                               .arg(QDir::toNativeSeparators(path), file.errorString()));
        return;
    }
    QStringList unconfirmed;
    for (int g = 0; g < groupCount; ++g) {
        if (!shot.groups[g].known)
            continue;
        if (shot.groups[g].rangeUnconfirmed)
            unconfirmed << QStringLiteral("the range of group %1").arg(g + 1);
        for (int k = 0; k < channelsPerGroup; ++k)
            if (shot.groups[g].unconfirmed[k])
                unconfirmed << QStringLiteral("channel %1").arg(channelsPerGroup * g + k + 1);
    }
    if (!unconfirmed.isEmpty())
        showInfoMessage(
            QStringLiteral("The setup was saved to %1.\nNot confirmed by the card, "
                           "and saved as the window shows it: %2.")
                .arg(QDir::toNativeSeparators(path), unconfirmed.join(QStringLiteral(", "))));
}

void qm7240fp_App::recallSetup()
{
    QFileDialog dialog(this, QStringLiteral("Recall Setup"), m_setupFolder,
                       QLatin1String(fileFilter));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    m_setupFolder = dialog.directory().absolutePath();
    recallSetupFrom(dialog.selectedFiles().first());
}

QStringList qm7240fp_App::recallChanges(const qm7240fp_setup_t &setup,
                                        qm7240fp_recall_t *recall) const
{
    const QString arrow = QStringLiteral(" \u2192 ");
    const QString notConfirmed = QStringLiteral(" (not confirmed by the card)");
    QStringList lines;
    for (int g = 0; g < groupCount; ++g) {
        const qm7240fp_setup_t::group_t &wanted = setup.groups[g];
        if (!wanted.present)
            continue;
        if (!m_grpKnown[g]) {
            lines << QStringLiteral("Group %1: its range is not known to the panel; it is left "
                                    "alone")
                         .arg(g + 1);
            continue;
        }
        const bool current = qm7240fp_isCurrentType(m_grpType[g]);
        double lo = m_loLimit[g];
        double hi = m_hiLimit[g];
        if (current) {
            const qm7240fp_currentRange_t &range = qm7240fp_currentRanges[wanted.rangeIndex];
            lo = range.lo;
            hi = range.hi;
            recall->rangeIndex[g] = wanted.rangeIndex;
            const QString now = rangeComboBox[g]->currentText();
            if (now != QLatin1String(range.text) || m_rangeUnconfirmed[g])
                lines << QStringLiteral("Group %1 range: ").arg(g + 1) + now +
                             (m_rangeUnconfirmed[g] ? notConfirmed : QString()) + arrow +
                             QLatin1String(range.text);
        }
        for (int k = 0; k < channelsPerGroup; ++k) {
            const int n = channelsPerGroup * g + k + 1;
            const qm7240_dblCtrl *ctrl = dacCtrl[g][k];
            // A channel the file leaves out keeps its value, on the new grid.
            const double q =
                qm7240fp_quantise(wanted.hasValue[k] ? wanted.value[k] : ctrl->value(), lo, hi)
                    .value;
            recall->write[n - 1] = true;
            recall->value[n - 1] = q;
            const QString now = shown(ctrl->value(), ctrl->decimals(), current);
            const QString then = shown(q, ctrl->decimals(), current);
            if (now != then || m_unconfirmed[n - 1])
                lines << QStringLiteral("Channel %1: ").arg(n) + now +
                             (m_unconfirmed[n - 1] ? notConfirmed : QString()) + arrow + then;
        }
    }
    return lines;
}

void qm7240fp_App::recallSetupFrom(const QString &path)
{
    const QString name = QDir::toNativeSeparators(path);
    // The whole file is checked before anything is written or shown.
    const qm7240fp_setupRead_t read = qm7240fp_readSetupFile(path);
    QString refusal = read.ok ? qm7240fp_setupMisfit(read.setup, m_group) : read.error;
    if (!refusal.isEmpty()) {
        showWarningMessage(QStringLiteral("The setup %1 cannot be recalled: %2.\nNothing was "
                                          "written.")
                               .arg(name, refusal));
        return;
    }
    qm7240fp_recall_t recall;
    const QStringList changes = recallChanges(read.setup, &recall);

    QMessageBox ask(QMessageBox::Question, QStringLiteral("Vorilan 7240 SFP: Recall Setup"),
                    QString(), QMessageBox::NoButton, this);
    QString text = d_demo ? QStringLiteral("Put the setup %1 on the controls? Demo mode: nothing "
                                           "is written to a card.")
                                .arg(name)
                          : QStringLiteral("Write the setup %1 to the card?").arg(name);
    text += QStringLiteral("\n\n") +
            (changes.isEmpty() ? QStringLiteral("Nothing on screen changes; the card gets every "
                                                "range and value of the setup again.")
                               : changes.join(QLatin1Char('\n')));
    ask.setText(text);
    QPushButton *write = ask.addButton(d_demo ? QStringLiteral("&Apply to Controls")
                                              : QStringLiteral("&Write to Card"),
                                       QMessageBox::AcceptRole);
    QPushButton *cancel = ask.addButton(QMessageBox::Cancel);
    ask.setDefaultButton(cancel);
    ask.setEscapeButton(cancel);
    ask.exec();
    if (ask.clickedButton() != write)
        return;

    showRecalled(recall);
    if (!d_demo)
        d_cardThread->push([this, recall] { m_flows->recall(recall); });
}

void qm7240fp_App::showRecalled(const qm7240fp_recall_t &recall)
{
    for (int g = 0; g < groupCount; ++g) {
        if (!m_grpKnown[g])
            continue;
        const int index = recall.rangeIndex[g];
        if (index >= 0 && rangeComboBox[g]) {
            const QSignalBlocker blocker(rangeComboBox[g]);
            rangeComboBox[g]->setCurrentIndex(index);
            m_group[g].rangeIndex = index;
            m_loLimit[g] = qm7240fp_currentRanges[index].lo;
            m_hiLimit[g] = qm7240fp_currentRanges[index].hi;
        }
        for (int k = 0; k < channelsPerGroup; ++k) {
            const int n = channelsPerGroup * g + k;
            if (recall.write[n])
                setControlQuietly(dacCtrl[g][k], m_loLimit[g], m_hiLimit[g], recall.value[n]);
        }
    }
}

void qm7240fp_App::showDemoSetup(const qm7240fp_startSetup_t &start)
{
    const QString misfit = qm7240fp_setupMisfit(start.setup, m_group);
    if (!misfit.isEmpty()) {
        showWarningMessage(qm7240fp_startWithoutSetup(start.path, misfit));
        return;
    }
    m_startPlan = qm7240fp_planStart(&start.setup, m_group);
    for (int g = 0; g < groupCount; ++g)
        if (qm7240fp_isCurrentType(m_group[g].type))
            m_group[g].rangeIndex = m_startPlan.rangeIndex[g];
}
