#ifndef FEIGREADER_H
#define FEIGREADER_H

#include <QByteArray>
#include <QtGlobal>

// The FEIG USB NFC reader as the program reaches it: the device functions (FEUSB_*) and the
// reader protocol call (FEISC_*), under the names the reader libraries export. The program only
// ever talks to the reader through these six calls.
//
// Here they are our own thin layer: each call checks its arguments, turns hex text into bytes and
// back, and hands the work to the installed FeigReaderBackend. With no backend installed there is
// no reader: a scan finds nothing and every other call fails. Tests install a simulated reader
// (tools/simfeigreader.h); a build for the real reader links the vendor's libraries instead of
// feigreader.cpp.
//
// Return values: 0 (or a handle) on success; a negative FEIG_ERR_* for a fault of the call or of
// the reader; a positive FEIG_STATUS_* when the reader ran the command but the tag did not.

// Library faults.
constexpr int FEIG_ERR_NO_READER = -1;        // no reader attached, or the handle is not open
constexpr int FEIG_ERR_BAD_ARGUMENT = -2;     // null pointer, bad length, malformed hex text
constexpr int FEIG_ERR_BUFFER_TOO_SMALL = -3; // the answer does not fit the caller's buffer
constexpr int FEIG_ERR_UNKNOWN_PARAMETER = -4;

// Tag statuses of an ISO host command.
constexpr int FEIG_STATUS_NO_TAG = 0x01;          // no tag answered in the field
constexpr int FEIG_STATUS_TAG_ERROR = 0x02;       // the tag refused (block range, not selected)
constexpr int FEIG_STATUS_RF_ERROR = 0x03;        // the transfer broke off
constexpr int FEIG_STATUS_UNKNOWN_COMMAND = 0x04; // not an ISO 15693 command the reader knows

constexpr int FEUSB_SCAN_ALL = 1;    // scan option: every FEIG USB device
constexpr int FEISC_HEX_TEXT = 1;    // data format of FEISC_0xB0_ISOCmd: two hex digits per byte
constexpr char FEUSB_PARA_DEVICE_ID[] = "Device-ID";

// Looks for attached readers; 0 when the scan ran. searchOption is not read.
int FEUSB_Scan(int scanOption, void* searchOption);
// Writes parameter paraName of the reader at listIndex of the last scan into value (valueSize
// bytes, NUL included). "Device-ID" is the only parameter: eight upper-case hex digits.
int FEUSB_GetScanListPara(int listIndex, const char* paraName, char* value, int valueSize);
// Device handle (> 0) of the reader with this device id, or a negative error.
int FEUSB_OpenDevice(long deviceId);
// 1 while the reader of this device handle is still attached, else 0.
int FEUSB_IsDevicePresent(int deviceHandle);
// Reader handle (> 0) for an open device, or a negative error.
int FEISC_NewReader(int deviceHandle);
// One ISO 15693 host command: request (requestLength hex digits: command code, mode byte,
// parameters) to bus address busAddress. On 0 the answer's data are in answer as NUL-terminated
// hex text and *answerLength is its number of digits; on entry *answerLength is the size of
// answer. An answer that does not fit is not written at all (FEIG_ERR_BUFFER_TOO_SMALL). Only the
// hex text data format is supported.
int FEISC_0xB0_ISOCmd(int readerHandle, int busAddress, const char* request, int requestLength, char* answer,
                      int* answerLength, int dataFormat);

// What stands behind the six calls: a reader, real or simulated, in bytes rather than text.
class FeigReaderBackend
{
public:
    virtual ~FeigReaderBackend();
    // 0 when at least one reader is attached, else an error.
    virtual int scan() = 0;
    // Device id of the reader at index of the last scan; false when there is none.
    virtual bool deviceId(int index, quint32* id) = 0;
    virtual int openDevice(quint32 id) = 0;
    virtual bool isDevicePresent(int deviceHandle) = 0;
    virtual int newReader(int deviceHandle) = 0;
    // Runs one command; on 0, answer holds the answer's data bytes.
    virtual int isoCommand(int readerHandle, int busAddress, const QByteArray& request, QByteArray& answer) = 0;
};

// The backend every call goes to, not owned; nullptr (the start value) means no reader.
void setFeigReaderBackend(FeigReaderBackend* backend);

#endif // FEIGREADER_H
