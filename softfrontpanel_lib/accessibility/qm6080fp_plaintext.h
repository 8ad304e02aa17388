#ifndef QM6080FP_PLAINTEXT_H
#define QM6080FP_PLAINTEXT_H

#include <QAccessibleTextInterface>
#include <QString>

// The text interface of something that is read, never edited or selected:
// its whole text, as one run of no attributes (a run a character long makes
// Orca read a line one character short), and no selection.
class qm6080fp_plainText : public QAccessibleTextInterface
{
public:
    // The text read.
    virtual QString plainText() const = 0;

    void selection(int selectionIndex, int *startOffset, int *endOffset) const override;
    int selectionCount() const override { return 0; }
    void addSelection(int, int) override {}
    void removeSelection(int) override {}
    void setSelection(int, int, int) override {}
    int cursorPosition() const override { return 0; }
    void setCursorPosition(int) override {}
    QString text(int startOffset, int endOffset) const override;
    int characterCount() const override;
    QRect characterRect(int) const override { return QRect(); }
    int offsetAtPoint(const QPoint &) const override { return -1; }
    void scrollToSubstring(int, int) override {}
    QString attributes(int offset, int *startOffset, int *endOffset) const override;
};

#endif
