#include "accessibility/qm6080fp_plaintext.h"

#include <QtGlobal>

void qm6080fp_plainText::selection(int, int *startOffset, int *endOffset) const
{
    *startOffset = 0;
    *endOffset = 0;
}

QString qm6080fp_plainText::text(int startOffset, int endOffset) const
{
    const QString all = plainText();
    if (endOffset < 0 || endOffset > all.size())
        endOffset = int(all.size());
    startOffset = qBound(0, startOffset, endOffset);
    return all.mid(startOffset, endOffset - startOffset);
}

int qm6080fp_plainText::characterCount() const
{
    return int(plainText().size());
}

QString qm6080fp_plainText::attributes(int, int *startOffset, int *endOffset) const
{
    *startOffset = 0;
    *endOffset = characterCount();
    return QString();
}
