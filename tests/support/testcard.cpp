#include "testcard.h"

#include "qm7240.h"

TestCard::TestCard(ViInt32 modelCode)
{
    m_modelCode = modelCode;
}

bool TestCard::isSupportedModel(ViUInt16 modelCode)
{
    // Only the raw code the common library reports: a search that asked
    // with the catalogue code it shows would find none of the DAC cards.
    return modelCode == QM7240_RAW_MODEL_CODE;
}

QString TestCard::fcDescription()
{
    return QStringLiteral("Test Function Card");
}

QString TestCard::noticeText()
{
    return QStringLiteral("Test notice");
}

QString TestCard::softwareVersion()
{
    return QStringLiteral("0.0.0.1");
}

QString TestCard::driverRevisionText()
{
    ViChar revision[64] = {};
    qm7240_revision_query(0, revision, nullptr);
    revision[sizeof revision - 1] = '\0';
    return QString::fromLatin1(revision);
}

QString TestCard::errorMessage(int status)
{
    ViChar message[QM7240_ERROR_MESSAGE_LEN] = {};
    if (qm7240_error_message(0, status, message) != VI_SUCCESS)
        return QString();
    message[sizeof message - 1] = '\0';
    return QString::fromLatin1(message);
}

ViStatus TestCard::initSession(ViConstRsrc rsrcName, ViUInt16 *fcNumbers, ViBoolean idQuery,
                               ViBoolean resetInstr, ViSession *vi)
{
    return qm7240_init(rsrcName, fcNumbers[0], idQuery, resetInstr, vi);
}

ViStatus TestCard::initSessionAndKeep(ViConstRsrc rsrcName, ViUInt16 *fcNumbers, ViInt16,
                                      ViBoolean idQuery, ViBoolean resetInstr, ViSession *vi)
{
    return initSession(rsrcName, fcNumbers, idQuery, resetInstr, vi);
}

ViStatus TestCard::reinitSession(ViSession *)
{
    return VI_ERROR_NSUP_OPER;
}

ViStatus TestCard::closeSession(ViSession sessionHandle)
{
    ++closeCalls;
    return qm7240_close(sessionHandle);
}

ViStatus TestCard::resetCard(ViSession sessionHandle)
{
    return qm7240_reset(sessionHandle);
}
