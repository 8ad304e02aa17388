#ifndef SEARCHCARD_H
#define SEARCHCARD_H

#include "qm6080fp_genfc.h"

// The card descriptor the discovery tests search for: it supports the DAC
// card's model under its catalogue code 0x7240 and its raw code 0x4C5E. The
// search only asks isSupportedModel; the session operations are not used.
class SearchCard : public qm6080fp_genFC
{
public:
    explicit SearchCard(ViInt32 modelCode = 0x7240) { m_modelCode = modelCode; }

    bool isSupportedModel(ViUInt16 modelCode) override
    {
        return modelCode == 0x4C5E || modelCode == 0x7240;
    }
    QString fcDescription() override { return QStringLiteral("DAC card"); }
    QString noticeText() override { return QString(); }
    QString softwareVersion() override { return QStringLiteral("1.0"); }
    QString driverRevisionText() override { return QString(); }
    QString errorMessage(int) override { return QString(); }
    ViStatus initSession(ViConstRsrc, ViUInt16 *, ViBoolean, ViBoolean, ViSession *) override
    {
        return VI_ERROR_NSUP_OPER;
    }
    ViStatus initSessionAndKeep(ViConstRsrc, ViUInt16 *, ViInt16, ViBoolean, ViBoolean,
                                ViSession *) override
    {
        return VI_ERROR_NSUP_OPER;
    }
    ViStatus reinitSession(ViSession *) override { return VI_ERROR_NSUP_OPER; }
    ViStatus closeSession(ViSession) override { return VI_ERROR_NSUP_OPER; }
    ViStatus resetCard(ViSession) override { return VI_ERROR_NSUP_OPER; }
};

#endif
