#ifndef LICENCES_H
#define LICENCES_H

#include <QString>

// Assembles the four licence texts from our notices and the standard texts
// Debian ships in /usr/share/common-licenses, with CR LF line ends.
bool writeLicences(const QString &outDir, const QString &commonLicenses);

#endif
