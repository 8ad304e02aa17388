#ifndef QM6080FP_DESCRIPTORSFILE_H
#define QM6080FP_DESCRIPTORSFILE_H

class QSettings;

// Reads and writes the stored descriptors file in the bytes a Qt 5 and a
// Qt 6 build share: non-ASCII text as UTF-8, which is all Qt 6 can write.
// Both also read the \x escapes earlier Qt 5 builds wrote. A Qt 5 build
// keeps a file that is no valid UTF-8 (a hand-edited Latin-1 line, say) in
// its old reading, byte for byte, so that a save loses none of it; Qt 6
// reads such bytes as replacement characters and cannot do otherwise.
// Call before the first read.
void qm6080fp_useSharedEncoding(QSettings &settings);

#endif
