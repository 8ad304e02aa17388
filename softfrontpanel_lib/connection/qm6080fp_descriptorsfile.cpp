#include "connection/qm6080fp_descriptorsfile.h"

#include <QSettings>

#if QT_VERSION < QT_VERSION_CHECK(6, 0, 0)
#include <QFile>
#include <QTextCodec>
#endif

void qm6080fp_useSharedEncoding(QSettings &settings)
{
#if QT_VERSION < QT_VERSION_CHECK(6, 0, 0)
    QTextCodec *utf8 = QTextCodec::codecForName("UTF-8");
    QFile file(settings.fileName());
    if (!utf8 || !file.open(QIODevice::ReadOnly)) {
        // No file yet: it is written as UTF-8 from the start.
        if (utf8)
            settings.setIniCodec(utf8);
        return;
    }
    QTextCodec::ConverterState state;
    const QByteArray bytes = file.readAll();
    utf8->toUnicode(bytes.constData(), int(bytes.size()), &state);
    if (state.invalidChars == 0 && state.remainingChars == 0)
        settings.setIniCodec(utf8);
#else
    Q_UNUSED(settings)
#endif
}
