#include "licences.h"

#include <QFile>
#include <cstdio>

namespace {

const char qtNotice[] =
    "Qt Toolkit\n"
    "Copyright (C) 2015 The Qt Company Ltd. and other contributors.\n"
    "Copyright (C) 2012 Digia Plc and/or its subsidiary(-ies).\n"
    "Copyright (C) 2008-2011 Nokia Corporation and/or its subsidiary(-ies).\n"
    "\n"
    "This soft front panel uses the Qt toolkit libraries, version 4, as shared\n"
    "libraries under the terms of the GNU Lesser General Public License version 2.1,\n"
    "reproduced below, together with the Qt LGPL Exception version 1.1:\n"
    "\n"
    "Qt LGPL Exception version 1.1\n"
    "\n"
    "As an additional permission to the GNU Lesser General Public License version\n"
    "2.1, the object code form of a \"work that uses the Library\" may incorporate\n"
    "material from a header file that is part of the Library.  You may distribute\n"
    "such object code under terms of your choice, provided that:\n"
    "    (i)   the header files of the Library have not been modified; and\n"
    "    (ii)  the incorporated material is limited to numerical parameters, data\n"
    "          structure layouts, accessors, macros, inline functions and\n"
    "          templates; and\n"
    "    (iii) you comply with the terms of Section 6 of the GNU Lesser General\n"
    "          Public License version 2.1.\n"
    "\n"
    "Moreover, you may apply this exception to a modified version of the Library,\n"
    "provided that such modification does not involve copying material from the\n"
    "Library into the modified Library's header files unless such material is\n"
    "limited to (i) numerical parameters; (ii) data structure layouts;\n"
    "(iii) accessors; and (iv) small macros, templates and inline functions of\n"
    "five lines or less in length.\n"
    "\n"
    "Furthermore, you are not required to apply this additional permission to a\n"
    "modified version of the Library.\n"
    "\n"
    "The source code of the Qt toolkit is available from https://download.qt.io/\n"
    "\n"
    "----------------------------------------------------------------------------\n"
    "\n";

const char qt5Notice[] =
    "Qt Toolkit\n"
    "Copyright (C) 2020 The Qt Company Ltd. and other contributors.\n"
    "\n"
    "This soft front panel uses the Qt toolkit libraries, version 5, as shared\n"
    "libraries under the terms of the GNU Lesser General Public License version 3,\n"
    "reproduced below. The GNU Lesser General Public License version 3 is a set of\n"
    "additional permissions on top of the GNU General Public License version 3,\n"
    "which is published at https://www.gnu.org/licenses/gpl-3.0.html\n"
    "\n"
    "You may replace the Qt libraries this program is linked with by a compatible\n"
    "modified version of them. The source code of the Qt toolkit is available\n"
    "from https://download.qt.io/\n"
    "\n"
    "----------------------------------------------------------------------------\n"
    "\n";

const char qwtNotice[] = "                             Qwt License\n"
                         "                       Version 1.0, January 1, 2003\n"
                         "\n"
                         "The Qwt library and included programs are provided under the terms\n"
                         "of the GNU LESSER GENERAL PUBLIC LICENSE (LGPL) with the following\n"
                         "exceptions:\n"
                         "\n"
                         "    1. Widgets that are subclassed from Qwt widgets do not\n"
                         "       constitute a derivative work.\n"
                         "\n"
                         "    2. Static linking of applications and widgets to the\n"
                         "       Qwt library does not constitute a derivative work\n"
                         "       and does not require the author to provide source\n"
                         "       code for the application or widget, use the shared\n"
                         "       Qwt libraries, or link their applications or\n"
                         "       widgets against a user-supplied version of Qwt.\n"
                         "\n"
                         "       If you link the application or widget to a modified\n"
                         "       version of Qwt, then the changes to Qwt must be\n"
                         "       provided under the terms of the LGPL in sections\n"
                         "       1, 2, and 4.\n"
                         "\n"
                         "    3. You do not have to provide a copy of the Qwt license\n"
                         "       with programs that are linked to the Qwt library, nor\n"
                         "       do you have to identify the Qwt license in your\n"
                         "       program or documentation as required by section 6\n"
                         "       of the LGPL.\n"
                         "\n"
                         "       However, programs must still identify their use of Qwt.\n"
                         "       The following example statement can be included in user\n"
                         "       documentation to satisfy this requirement:\n"
                         "\n"
                         "           [program/widget] is based in part on the work of\n"
                         "           the Qwt project (http://qwt.sf.net).\n"
                         "\n"
                         "----------------------------------------------------------------------\n"
                         "\n";

const char kissFftText[] =
    "KISS FFT\n"
    "\n"
    "Copyright (c) 2003-2010 Mark Borgerding\n"
    "\n"
    "All rights reserved.\n"
    "\n"
    "Redistribution and use in source and binary forms, with or without\n"
    "modification, are permitted provided that the following conditions are met:\n"
    "\n"
    "    * Redistributions of source code must retain the above copyright notice,\n"
    "      this list of conditions and the following disclaimer.\n"
    "    * Redistributions in binary form must reproduce the above copyright\n"
    "      notice, this list of conditions and the following disclaimer in the\n"
    "      documentation and/or other materials provided with the distribution.\n"
    "    * Neither the author nor the names of any contributors may be used to\n"
    "      endorse or promote products derived from this software without\n"
    "      specific prior written permission.\n"
    "\n"
    "THIS SOFTWARE IS PROVIDED BY THE COPYRIGHT HOLDERS AND CONTRIBUTORS \"AS IS\"\n"
    "AND ANY EXPRESS OR IMPLIED WARRANTIES, INCLUDING, BUT NOT LIMITED TO, THE\n"
    "IMPLIED WARRANTIES OF MERCHANTABILITY AND FITNESS FOR A PARTICULAR PURPOSE\n"
    "ARE DISCLAIMED. IN NO EVENT SHALL THE COPYRIGHT OWNER OR CONTRIBUTORS BE\n"
    "LIABLE FOR ANY DIRECT, INDIRECT, INCIDENTAL, SPECIAL, EXEMPLARY, OR\n"
    "CONSEQUENTIAL DAMAGES (INCLUDING, BUT NOT LIMITED TO, PROCUREMENT OF\n"
    "SUBSTITUTE GOODS OR SERVICES; LOSS OF USE, DATA, OR PROFITS; OR BUSINESS\n"
    "INTERRUPTION) HOWEVER CAUSED AND ON ANY THEORY OF LIABILITY, WHETHER IN\n"
    "CONTRACT, STRICT LIABILITY, OR TORT (INCLUDING NEGLIGENCE OR OTHERWISE)\n"
    "ARISING IN ANY WAY OUT OF THE USE OF THIS SOFTWARE, EVEN IF ADVISED OF THE\n"
    "POSSIBILITY OF SUCH DAMAGE.\n";

bool readText(const QString &path, QByteArray &text)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "cannot read %s\n", qPrintable(path));
        return false;
    }
    text = file.readAll();
    return true;
}

// Normalises any line ends to CR LF; the texts end with exactly one line end.
QByteArray toCrLf(QByteArray text)
{
    text.replace("\r\n", "\n");
    while (text.endsWith('\n'))
        text.chop(1);
    text.append('\n');
    text.replace("\n", "\r\n");
    return text;
}

bool writeText(const QString &path, const QByteArray &text)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(toCrLf(text)) < 0) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return false;
    }
    return true;
}

} // namespace

bool writeLicences(const QString &outDir, const QString &commonLicenses)
{
    QByteArray lgpl21, lgpl3;
    if (!readText(commonLicenses + "/LGPL-2.1", lgpl21) ||
        !readText(commonLicenses + "/LGPL-3", lgpl3))
        return false;
    bool ok = writeText(outDir + "/qt-lgpl-license.txt", QByteArray(qtNotice) + lgpl21);
    ok = writeText(outDir + "/qt5-lgpl-license.txt", QByteArray(qt5Notice) + lgpl3) && ok;
    ok = writeText(outDir + "/qwt-lgpl-license.txt", QByteArray(qwtNotice) + lgpl21) && ok;
    ok = writeText(outDir + "/kiss-fft-bsd-license.txt", QByteArray(kissFftText)) && ok;
    return ok;
}
