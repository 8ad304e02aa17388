#ifndef QM6080FP_GENFC_H
#define QM6080FP_GENFC_H

#include <QString>

#include "visa.h"

// What the shared front-panel library needs to know of one kind of function
// card: its model code and texts, and how to open, close and reset a driver
// session. Each card program implements it once.
class qm6080fp_genFC
{
public:
    virtual ~qm6080fp_genFC() {}

    virtual bool isSupportedModel(ViUInt16 modelCode) = 0;
    virtual QString fcDescription() = 0;
    virtual QString noticeText() = 0;
    virtual QString softwareVersion() = 0;
    virtual QString driverRevisionText() = 0;
    virtual QString errorMessage(int status) = 0;
    virtual ViStatus initSession(ViConstRsrc rsrcName, ViUInt16 *fcNumbers, ViBoolean idQuery,
                                 ViBoolean resetInstr, ViSession *vi) = 0;
    virtual ViStatus initSessionAndKeep(ViConstRsrc rsrcName, ViUInt16 *fcNumbers, ViInt16 count,
                                        ViBoolean idQuery, ViBoolean resetInstr, ViSession *vi) = 0;
    virtual ViStatus reinitSession(ViSession *vi) = 0;
    virtual ViStatus closeSession(ViSession sessionHandle) = 0;
    virtual ViStatus resetCard(ViSession sessionHandle) = 0;

    ViInt32 m_modelCode = 0;
};

#endif
