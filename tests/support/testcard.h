#ifndef TESTCARD_H
#define TESTCARD_H

#include "connection/qm6080fp_genfc.h"

// A card descriptor for the library tests: it opens, closes and resets
// through the 7240 driver like the DAC card's own descriptor, but its model
// code is chosen by the test (multi-card models, short model codes), and it
// supports the DAC card by its raw code 0x4C5E alone.
class TestCard : public qm6080fp_genFC
{
public:
    explicit TestCard(ViInt32 modelCode = 0x7240);

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

    int closeCalls = 0;
};

#endif
