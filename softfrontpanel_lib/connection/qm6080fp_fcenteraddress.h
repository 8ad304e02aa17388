#ifndef QM6080FP_FCENTERADDRESS_H
#define QM6080FP_FCENTERADDRESS_H

#include <QDialog>
#include <QList>
#include <QString>
#include <QStringList>

class QComboBox;
class qm6080fp_fcEnterAddressFc;
class qm6080fp_genFC;

// Dialog in which the user types the VISA descriptor of the carrier and picks
// the card number: one entry for most cards, up to eight for the multi-card
// models 8152 and 8164. The entries are filled from and stored to the shared
// descriptors file, one group per model.
class qm6080fp_fcEnterAddress : public QDialog
{
    Q_OBJECT

public:
    explicit qm6080fp_fcEnterAddress(qm6080fp_genFC *fc);
    ~qm6080fp_fcEnterAddress() override;

    // Fills the entries and the count from the descriptors file.
    void loadDescriptors();
    // Stores every entry and the count; returns the descriptor and card number
    // of each entry in use, in entry order.
    void saveDescriptors(QStringList &descriptors, QList<int> &numbers);
    // Puts a descriptor and card numbers into the entries, as a user would
    // type them: the first card in the first entry, and so on.
    void enterAddress(const QString &descriptor, const QList<int> &cards);

    // The next showing starts on entry `entry` (counted from 0), the one the
    // workflow refused, instead of the first.
    void startOnRefusedEntry(int entry) { refusedEntry = entry; }

    // Full path of the descriptors file, from the environment.
    static QString descriptorsFilePath();

    // Entry 0 always exists; entries 1 to 7 only in multi-card mode.
    qm6080fp_fcEnterAddressFc *fcEntries[8] = {};
    QString modelText;
    QString iniFileName;
    // Items "1" to "8": index + 1 entries are in use.
    QComboBox *countComboBox = nullptr;

protected:
    void showEvent(QShowEvent *event) override;

private slots:
    void countChanged();

private:
    int refusedEntry = -1;
};

#endif
