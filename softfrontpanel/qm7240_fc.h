#ifndef QM7240_FC_H
#define QM7240_FC_H

#include "connection/qm6080fp_genfc.h"
#include "visa.h"

// The DAC card as the shared front-panel library sees it: its model codes and
// texts, and sessions opened, closed and reset through the qm7240 driver.
class qm7240_fc : public qm6080fp_genFC
{
public:
    qm7240_fc();

    bool isSupportedModel(ViUInt16 modelCode) override;
    QString fcDescription() override;
    QString noticeText() override;
    QString softwareVersion() override;
    QString driverRevisionText() override;
    QString errorMessage(int status) override;
    ViStatus initSession(ViConstRsrc rsrcName, ViUInt16 *fcNumbers, ViBoolean idQuery,
                         ViBoolean resetInstr, ViSession *vi) override;
    ViStatus initSessionAndKeep(ViConstRsrc rsrcName, ViUInt16 *fcNumbers, ViInt16 count,
                                ViBoolean idQuery, ViBoolean resetInstr, ViSession *vi) override;
    ViStatus reinitSession(ViSession *vi) override;
    ViStatus closeSession(ViSession sessionHandle) override;
    ViStatus resetCard(ViSession sessionHandle) override;

    // What initSessionAndKeep remembered for reinitSession.
    ViChar m_rsrcName[2048] = {};
    ViUInt16 m_fcNumbers[256] = {};
};

#endif
