#include "qm7240_fc.h"

#include <algorithm>
#include <cstring>

#include "qm7240.h"

namespace {
// Room the driver may fill with its revision when asked without a session.
constexpr int driverRevisionRoom = 64;
} // namespace

qm7240_fc::qm7240_fc()
{
    m_modelCode = QM7240_MODEL_CODE;
}

bool qm7240_fc::isSupportedModel(ViUInt16 modelCode)
{
    // The common library reports the card by its raw code; the catalogue code
    // is accepted as well.
    return modelCode == QM7240_RAW_MODEL_CODE || modelCode == QM7240_MODEL_CODE;
}

QString qm7240_fc::fcDescription()
{
    return QStringLiteral("16-Channel DAC Function Card");
}

QString qm7240_fc::noticeText()
{
    return QStringLiteral("Copyright (C) Marvane. All rights reserved.");
}

QString qm7240_fc::softwareVersion()
{
    return QStringLiteral("4.3.3.12521");
}

QString qm7240_fc::driverRevisionText()
{
    ViChar revision[driverRevisionRoom] = {};
    qm7240_revision_query(0, revision, nullptr);
    revision[driverRevisionRoom - 1] = '\0';
    return QString::fromLatin1(revision);
}

QString qm7240_fc::errorMessage(int status)
{
    ViChar message[QM7240_ERROR_MESSAGE_LEN] = {};
    if (qm7240_error_message(0, status, message) != VI_SUCCESS)
        return QString();
    message[QM7240_ERROR_MESSAGE_LEN - 1] = '\0';
    return QString::fromLatin1(message);
}

ViStatus qm7240_fc::initSession(ViConstRsrc rsrcName, ViUInt16 *fcNumbers, ViBoolean idQuery,
                                ViBoolean resetInstr, ViSession *vi)
{
    if (!fcNumbers)
        return QM7240_ERROR_NULL_POINTER;
    // The driver opens one card; further card numbers are the caller's business.
    return qm7240_init(rsrcName, fcNumbers[0], idQuery, resetInstr, vi);
}

ViStatus qm7240_fc::initSessionAndKeep(ViConstRsrc rsrcName, ViUInt16 *fcNumbers, ViInt16 count,
                                       ViBoolean idQuery, ViBoolean resetInstr, ViSession *vi)
{
    if (!rsrcName || !fcNumbers || !vi)
        return QM7240_ERROR_NULL_POINTER;

    // A descriptor too long for the array is cut, never run past its end.
    const size_t nameLength = strnlen(rsrcName, sizeof(m_rsrcName) - 1);
    std::memcpy(m_rsrcName, rsrcName, nameLength);
    m_rsrcName[nameLength] = '\0';

    const int kept = std::clamp<int>(count, 0, int(std::size(m_fcNumbers)));
    std::copy(fcNumbers, fcNumbers + kept, m_fcNumbers);

    return initSession(rsrcName, fcNumbers, idQuery, resetInstr, vi);
}

ViStatus qm7240_fc::reinitSession(ViSession *vi)
{
    return qm7240_init(m_rsrcName, m_fcNumbers[0], VI_TRUE, VI_TRUE, vi);
}

ViStatus qm7240_fc::closeSession(ViSession sessionHandle)
{
    return qm7240_close(sessionHandle);
}

ViStatus qm7240_fc::resetCard(ViSession sessionHandle)
{
    return qm7240_reset(sessionHandle);
}
