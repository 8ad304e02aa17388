#include "qm7240fp_controlhelp.h"

QString qm7240fp_ctrlHelp(int n)
{
    return QStringLiteral("Value to write to the DAC for channel %1.").arg(n);
}

QString qm7240fp_ledHelp(int n)
{
    return QStringLiteral("LED indicating an output error for the current output type for "
                          "channel %1.\nThe red color indicates an error caused by an open "
                          "circuit or not appropriate load.")
        .arg(n);
}
