#ifndef QM6080FP_FCSELECT_H
#define QM6080FP_FCSELECT_H

#include <QDialog>
#include <QList>
#include <QString>

#include "visa.h"

class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;
class qm6080fp_genFC;
struct qm6080fp_commandLine_t;

// Dialog in which the user picks the function card(s) found by the search.
// It also carries the search (findFunctionCards), the connection workflow
// (connectCard) and the outcome of connecting, which the frame copies.
class qm6080fp_fcSelect : public QDialog
{
    Q_OBJECT

public:
    qm6080fp_fcSelect(qm6080fp_genFC *fc, bool multipleCards);
    ~qm6080fp_fcSelect() override;

    // Fills the tree; returns the number of available cards listed (0 to 256).
    virtual int findFunctionCards();

    // Asks how to connect and opens the chosen card(s) or chooses demo mode;
    // false when the user gave up.
    bool connectCard();

    // The command line's answer to the first question (demo mode, Auto Find,
    // or an address with its card numbers), taken by the next connectCard()
    // in place of asking. After a failure the workflow goes on as usual.
    static void presetStart(const qm6080fp_commandLine_t &commandLine);

private slots:
    void dblClick(QTreeWidgetItem *item);
    void okPressed();

public:
    QPushButton *okButton = nullptr;
    QTreeWidget *cardTree = nullptr;
    QPushButton *cancelButton = nullptr;
    QList<QTreeWidgetItem *> selectedItems;
    QString descriptors;
    ViInt16 fcNumbers[256] = {};
    int demoMode = 0;
    int selectedCount = 0;
    ViSession session = 0;
    qm6080fp_genFC *fc = nullptr;
};

#endif
