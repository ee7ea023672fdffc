#include "feig_nfc.h"

#include "daliframe.h"
#include "feigreader.h"
#include "globals.h"
#include "stdouttrace.h"

#include <algorithm>
#include <cctype>

namespace {

// ISO 15693 commands in the reader's host form: command code, mode byte, parameters.
constexpr char ISO_INVENTORY = 0x01;
constexpr char MODE_INVENTORY = 0x00;
constexpr char ISO_SELECT = 0x25;
constexpr char MODE_ADDRESSED = 0x21;
constexpr char ISO_READ_MULTIPLE = 0x23;
constexpr char ISO_WRITE_MULTIPLE = 0x24;
constexpr char MODE_SELECTED = 0x02;
constexpr char FIRST_BLOCK = 0x01;

// Inventory answer: data set count, transponder type and DSFID, then the UID.
constexpr int INVENTORY_HEADER_BYTES = 3;
// Read answer: block count and block size, then per block a status byte and the block.
constexpr int READ_HEADER_BYTES = 2;

constexpr int DEVICE_ID_BUFFER = 16;

constexpr int LAST_STEPPED_ADDRESS = DALI_SHORT_ADDRESS_LAST - 1;
constexpr quint8 ADDRESS_MASK = 0xFF;

const char* const LAYOUT_MESSAGES[] = {
    "FA_location = 1, HXR/HXT without power meter calibration in bank3 and draft part 251 bank1",
    "FA_location = 2, HXR/HXT with power meter calibration in bank3 and draft part 251 bank1",
    "FA_location = 3, HXR with power meter calibration in bank3 and Ed 1.0 part 251 bank1",
};

void print(const QString& line)
{
    stdoutTrace() << line << Qt::endl;
}

QString hexText(const QByteArray& bytes)
{
    return QString::fromLatin1(bytes.toHex().toUpper());
}

// The device id as the reader lists it: leading hex digits, 0 when there are none.
long deviceIdOf(const char* text)
{
    const QByteArray t = QByteArray(text).trimmed();
    int digits = 0;
    while (digits < t.size() && std::isxdigit(static_cast<unsigned char>(t.at(digits))))
        ++digits;
    bool ok = false;
    const ulong id = t.left(digits).toULong(&ok, 16);
    return ok ? long(id) : 0;
}

QByteArray command(char code, char mode, const QByteArray& parameters = QByteArray())
{
    return QByteArray(1, code) + QByteArray(1, mode) + parameters;
}

} // namespace

FEIG_NFC::FEIG_NFC(QObject* parent) : NfcEngine(parent, "Feig NFC")
{
    announcesRun = true;
    repeatsConnectedReport = true;
}

FEIG_NFC::~FEIG_NFC() = default;

FEIG_NFC::Operation FEIG_NFC::stopOperation()
{
    // With the driver forgotten, a tag still on the reader has to be read again to be found.
    tagInField = 0;
    return NfcEngine::stopOperation();
}

// ---- Reader access ------------------------------------------------------------------------------

bool FEIG_NFC::openReader()
{
    const int scanned = FEUSB_Scan(FEUSB_SCAN_ALL, nullptr);
    if (scanned != 0) {
        emit debug_msg(QStringLiteral("scanDev error code = %1").arg(scanned));
        return false;
    }
    char id[DEVICE_ID_BUFFER] = {};
    if (FEUSB_GetScanListPara(0, FEUSB_PARA_DEVICE_ID, id, sizeof id) != 0) {
        emit debug_msg(QStringLiteral("FEUSB_GetScanListPara fail."));
        return false;
    }
    // Called only while no reader is connected: a failed open leaves no usable handle behind.
    deviceHandle = FEUSB_OpenDevice(deviceIdOf(id));
    if (deviceHandle < 0) {
        emit debug_msg(QStringLiteral("FEUSB_OpenDevice error"));
        return false;
    }
    readerHandle = FEISC_NewReader(deviceHandle);
    if (readerHandle < 0) {
        emit debug_msg(QStringLiteral("FEISC_NewReader fail"));
        return false;
    }
    emit debug_msg(QStringLiteral("FEUSB_OpenDevice success"));
    return true;
}

bool FEIG_NFC::openTool()
{
    if (!openReader())
        return false;
    print(QStringLiteral("feig nfc detect over."));
    return true;
}

bool FEIG_NFC::sendIsoCommand(const QByteArray& request, QByteArray& answer)
{
    const QByteArray text = request.toHex().toUpper();
    QByteArray buffer(ANSWER_BUFFER_CHARS, '\0');
    int length = buffer.size();
    const int status = FEISC_0xB0_ISOCmd(readerHandle, BUS_ADDRESS, text.constData(), text.size(), buffer.data(),
                                         &length, FEISC_HEX_TEXT);
    // Only what the call says it wrote counts, and only whole bytes of it.
    const bool done = status == 0 && length >= 0 && length < buffer.size();
    const int digits = done ? int(qstrnlen(buffer.constData(), size_t(length))) : 0;
    if (!done || digits % 2 != 0) {
        emit debug_msg(QStringLiteral("FEISC_0xB0_ISOCmd fail."));
        return false;
    }
    answer = QByteArray::fromHex(buffer.left(digits));
    emit debug_msg(QStringLiteral("FEIG NFC send command success."));
    return true;
}

bool FEIG_NFC::inventoryAndSelect()
{
    QByteArray answer;
    if (!sendIsoCommand(command(ISO_INVENTORY, MODE_INVENTORY), answer)
        || answer.size() < INVENTORY_HEADER_BYTES + UID_BYTES) {
        tagUid.clear();
        tagInField = 0;
        return false;
    }
    const QByteArray uid = answer.mid(INVENTORY_HEADER_BYTES, UID_BYTES);
    // Another tag put down between two polls is a new driver, even though no poll found the field empty.
    if (uid != tagUid)
        tagInField = 0;
    tagUid = uid;
    return sendIsoCommand(command(ISO_SELECT, MODE_ADDRESSED, tagUid), answer);
}

bool FEIG_NFC::decodeBlocks(const QByteArray& answer, int count, QByteArray& out)
{
    if (answer.size() < READ_HEADER_BYTES || quint8(answer.at(1)) != BLOCK_SIZE
        || answer.size() < READ_HEADER_BYTES + count * (BLOCK_SIZE + 1))
        return false;
    out.clear();
    for (int block = 0; block < count; ++block) {
        QByteArray data = answer.mid(READ_HEADER_BYTES + 1 + block * (BLOCK_SIZE + 1), BLOCK_SIZE);
        std::reverse(data.begin(), data.end());
        out += data;
    }
    return true;
}

bool FEIG_NFC::readBlocks(int count, QByteArray& out)
{
    out.clear();
    if (count <= 0)
        return false;
    const QByteArray request = command(ISO_READ_MULTIPLE, MODE_SELECTED, QByteArray(1, FIRST_BLOCK) + char(count));
    QByteArray answer;
    return sendIsoCommand(request, answer) && decodeBlocks(answer, count, out);
}

bool FEIG_NFC::familyTag() const
{
    return NfcTagImage::isFamilyProduct(readData.productIndex);
}

bool FEIG_NFC::tagOperation(int op)
{
    switch (op) {
    case TAG_READ: {
        emit debug_msg(QStringLiteral("Reading tag..."));
        if (!readBlocks(READ_BLOCKS, tagBuffer))
            return false;
        logBlocks(tagBuffer);
        const QByteArray image = tagBuffer.mid(1, NfcTagImage::MAX_IMAGE_BYTES);
        if (!parseTagImage(image)) {
            // Nothing of this tag is known, so nothing may be written back to it.
            tagBuffer.clear();
            return false;
        }
        emit debug_msg(hexText(image));
        return true;
    }
    case TAG_WRITE: {
        emit debug_msg(QStringLiteral("Writing tag..."));
        QByteArray image;
        buildTagImage(image);
        if (image.isEmpty() || tagBuffer.isEmpty()) {
            emit debug_msg(QStringLiteral("Tag layout not recognised, tag not written."));
            return false;
        }
        tagBuffer = tagBuffer.left(1) + image;
        writtenBuffer = tagBuffer;
        logBlocks(tagBuffer);

        if (!familyTag()) {
            emit debug_msg(QStringLiteral("write others"));
        } else if (tagInfo.layout == 1) {
            emit debug_msg(QStringLiteral("write HXR/HXT with FA_location = 1"));
            print(QStringLiteral("handle writing HXR/HXT with FA_location == 1"));
        } else {
            print(QStringLiteral("handle writing HXR/HXT with FA_location == 2"));
            emit debug_msg(QStringLiteral("write HXR/HXT with FA_location = 2"));
        }
        const int blocks = tagBuffer.size() / BLOCK_SIZE;
        QByteArray request = command(ISO_WRITE_MULTIPLE, MODE_SELECTED);
        request.append(FIRST_BLOCK).append(char(blocks)).append(char(BLOCK_SIZE));
        for (int block = 0; block < blocks; ++block) {
            QByteArray data = tagBuffer.mid(block * BLOCK_SIZE, BLOCK_SIZE);
            std::reverse(data.begin(), data.end());
            request += data;
        }
        QByteArray answer;
        return sendIsoCommand(request, answer);
    }
    case TAG_VERIFY:
        emit debug_msg(QStringLiteral("Verifying tag..."));
        if (!familyTag())
            emit debug_msg(QStringLiteral("verify others"));
        else if (tagInfo.layout == 1)
            emit debug_msg(QStringLiteral("verify HXR/HXT with FA_location = 1"));
        else
            emit debug_msg(QStringLiteral("verify HXR/HXT with FA_location = 2"));
        return readBlocks(writtenBuffer.size() / BLOCK_SIZE, verifyBuffer);
    default:
        return false;
    }
}

bool FEIG_NFC::parseTagImage(const QByteArray& image)
{
    NfcTagInfo info = tagInfo;
    info.layout = FA_location;
    if (!NfcTagImage::parse(image, readData, info)) {
        emit debug_msg(QStringLiteral("Tag image too short: %1 bytes").arg(image.size()));
        return false;
    }
    tagInfo = info;
    FA_location = info.layout;
    tagTrailerCount = info.trailerCount;
    print(info.layoutRecognised ? QString::fromLatin1(LAYOUT_MESSAGES[info.layout - 1])
                                : QStringLiteral("FA_location is not recognized"));
    if (familyTag())
        print(QStringLiteral("bank202_ActivePower_ScaleFactor: %1").arg(readData.bank202ActivePowerScaleFactor));
    return true;
}

void FEIG_NFC::buildTagImage(QByteArray& out) const
{
    NfcProgrammableParts parts;
    parts.dt6 = DT6Programmable != 0;
    parts.part250 = part250Programmable != 0;
    parts.part251 = part251Programmable != 0;
    parts.part253 = part253Programmable != 0;
    out = NfcTagImage::build(record, readData, tagInfo, parts);
}

// ---- Operations -------------------------------------------------------------------------------

bool FEIG_NFC::programAttempt()
{
    if (!tagOperation(TAG_WRITE))
        return false;
    if (!tagOperation(TAG_VERIFY)) {
        emit debug_msg(QStringLiteral("read error after Feig NFC programming... "));
        return false;
    }
    if (writtenBuffer != verifyBuffer) {
        emit debug_msg(QStringLiteral("Feig NFC programming check fail..."));
        return false;
    }
    emit debug_msg(QStringLiteral("Feig NFC programming check OK"));
    return true;
}

void FEIG_NFC::handleProgrammingResult(bool ok)
{
    attemptFollows = false;
    if (ok) {
        programmingSucceeded();
        return;
    }
    // The retry is shown once; the failure once, after the last attempt.
    if (retryCount == 0)
        reportProgrammingState(PROG_STATE_RETRY);
    ++retryCount;
    attemptFollows = retryCount < MAX_PROGRAM_ATTEMPTS;
    if (!attemptFollows)
        reportProgrammingState(PROG_STATE_FAIL);
}

void FEIG_NFC::programmingSucceeded()
{
    // Listeners see the values just programmed before the write record moves on.
    reportProgrammingState(PROG_STATE_SUCCESS);
    if (DT6Programmable)
        record.DT6ShortAddress = nextShortAddress(record.DT6ShortAddress);
    if (part251Programmable)
        advanceLuminaireId(record.bank1ID);
}

quint8 FEIG_NFC::nextShortAddress(quint8 addressByte)
{
    const int n = addressByte >> 1;
    if (n <= LAST_STEPPED_ADDRESS)
        return quint8(2 * (n + 1) + 1);
    if (n == DALI_SHORT_ADDRESS_LAST)
        return ADDRESS_MASK;
    return quint8(2 * n + 1);
}

void FEIG_NFC::advanceLuminaireId(quint8 (&id)[8])
{
    if (std::all_of(std::begin(id), std::end(id), [](quint8 b) { return b == 0xFF; }))
        return;
    quint64 value = 0;
    for (quint8 b : id)
        value = value << 8 | b;
    ++value;
    for (int i = 7; i >= 0; --i, value >>= 8)
        id[i] = quint8(value);
}

// ---- Driver detection -------------------------------------------------------------------------

bool FEIG_NFC::driverMatchesProfile() const
{
    return readData.productIndex == loadedProfileProductIndex;
}

void FEIG_NFC::tagLost()
{
    // A tag whose select or read failed, or whose reader went, is read afresh at the next poll
    // instead of being taken as already read: its driver is recorded as gone now, and a tag that
    // stayed on the reader would otherwise never be found again.
    tagInField = 0;
    driverLost();
}

void FEIG_NFC::probeDriver()
{
    disableDriverDetectTimer();
    enableDriverDetectTimer();

    if (FEUSB_IsDevicePresent(deviceHandle) != 1) {
        emit communicateError(COMM_ERR_NFC_TOOL);
        tagLost();
        return;
    }
    if (!inventoryAndSelect()) {
        emit debug_msg(QStringLiteral("FEIG NFC Inventory fail "));
        tagLost();
        return;
    }
    emit debug_msg(QStringLiteral("FEIG NFC Inventory OK!"));
    if (tagInField)
        return;
    // Another tag took the place of the one read: its driver is gone first.
    if (driverState != DRIVER_DISCONNECTED)
        driverLost();
    tagInField = 1;
    if (!tagOperation(TAG_READ)) {
        tagLost();
        return;
    }
    if (driverState == DRIVER_DISCONNECTED)
        newTagRead();
}
