#include "feigreader.h"

#include <cstring>

namespace {

FeigReaderBackend* installedBackend = nullptr;

constexpr int DEVICE_ID_DIGITS = 8;

bool isHexText(const char* text, int length)
{
    if (length % 2 != 0)
        return false;
    for (int i = 0; i < length; ++i) {
        const char c = text[i];
        if (!((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f')))
            return false;
    }
    return true;
}

} // namespace

FeigReaderBackend::~FeigReaderBackend() = default;

void setFeigReaderBackend(FeigReaderBackend* backend)
{
    installedBackend = backend;
}

int FEUSB_Scan(int scanOption, void* searchOption)
{
    Q_UNUSED(searchOption)
    if (scanOption != FEUSB_SCAN_ALL)
        return FEIG_ERR_BAD_ARGUMENT;
    return installedBackend ? installedBackend->scan() : FEIG_ERR_NO_READER;
}

int FEUSB_GetScanListPara(int listIndex, const char* paraName, char* value, int valueSize)
{
    if (!paraName || !value || valueSize <= 0)
        return FEIG_ERR_BAD_ARGUMENT;
    if (std::strcmp(paraName, FEUSB_PARA_DEVICE_ID) != 0)
        return FEIG_ERR_UNKNOWN_PARAMETER;
    quint32 id = 0;
    if (!installedBackend || !installedBackend->deviceId(listIndex, &id))
        return FEIG_ERR_NO_READER;
    const QByteArray text = QByteArray::number(id, 16).toUpper().rightJustified(DEVICE_ID_DIGITS, '0');
    if (text.size() + 1 > valueSize)
        return FEIG_ERR_BUFFER_TOO_SMALL;
    std::memcpy(value, text.constData(), size_t(text.size()) + 1);
    return 0;
}

int FEUSB_OpenDevice(long deviceId)
{
    if (deviceId < 0 || quint64(deviceId) > 0xFFFFFFFFull)
        return FEIG_ERR_BAD_ARGUMENT;
    return installedBackend ? installedBackend->openDevice(quint32(deviceId)) : FEIG_ERR_NO_READER;
}

int FEUSB_IsDevicePresent(int deviceHandle)
{
    return installedBackend && installedBackend->isDevicePresent(deviceHandle) ? 1 : 0;
}

int FEISC_NewReader(int deviceHandle)
{
    return installedBackend ? installedBackend->newReader(deviceHandle) : FEIG_ERR_NO_READER;
}

int FEISC_0xB0_ISOCmd(int readerHandle, int busAddress, const char* request, int requestLength, char* answer,
                      int* answerLength, int dataFormat)
{
    if (!request || !answer || !answerLength || requestLength < 2 || *answerLength <= 0)
        return FEIG_ERR_BAD_ARGUMENT;
    if (dataFormat != FEISC_HEX_TEXT || !isHexText(request, requestLength))
        return FEIG_ERR_BAD_ARGUMENT;
    if (!installedBackend)
        return FEIG_ERR_NO_READER;

    QByteArray data;
    const int status = installedBackend->isoCommand(readerHandle, busAddress,
                                                    QByteArray::fromHex(QByteArray(request, requestLength)), data);
    if (status != 0)
        return status;
    const QByteArray text = data.toHex().toUpper();
    if (text.size() + 1 > *answerLength)
        return FEIG_ERR_BUFFER_TOO_SMALL;
    std::memcpy(answer, text.constData(), size_t(text.size()) + 1);
    *answerLength = text.size();
    return 0;
}
