#include "st_nfc.h"

#include "globals.h"
#include "nfctagimage.h"

namespace {

// Requests as the reader library takes them, hex text.
constexpr char SELECT_ISO_15693[] = "010D"; // ISO 15693, parameter byte 0x0D
constexpr char INVENTORY[] = "02A00126";
constexpr char RESET_TO_READY[] = "0226";
// Addressed ISO 15693 commands (request flags 0x22): + UID + parameters.
constexpr char READ_MULTIPLE_BLOCKS[] = "2223";
constexpr char WRITE_SINGLE_BLOCK[] = "2221";

// First byte of every answer: the reader's status.
constexpr quint8 STATUS_DONE = 0x00;
constexpr quint8 STATUS_FRAME = 0x80; // a frame from the tag follows
constexpr quint8 INTERFACE_UART = 0x00;

// Inventory answer: status, length, number of tags, one byte, then the UID of a tag.
constexpr int TAG_COUNT_BYTE = 2;
constexpr int UID_OFFSET = 4;
// A tag frame: status, the count of the bytes that follow, the tag's flags byte, its data, then
// two CRC bytes and the reader's own status byte.
constexpr int FRAME_HEADER_BYTES = 2;
constexpr int FRAME_FLAGS_BYTE = 2;
constexpr int FRAME_OVERHEAD = 4; // flags byte and the three trailing bytes
constexpr quint8 ISO_FLAG_ERROR = 0x01;

// The tag is read in three requests: blocks 1 to 8, 9 to 16, 17 to 19.
struct BlockRange
{
    int first;
    int count;
};
constexpr BlockRange READ_RANGES[] = {{1, 8}, {9, 8}, {17, 3}};

// Factory data with this firmware version keeps the one the driver has.
constexpr quint16 KEEP_FIRMWARE_VERSION = 0xFFFF;

// The sample driver record of writeDefaultImage().
constexpr quint16 SAMPLE_CURRENT_MA = 1000;
constexpr quint16 SAMPLE_FIRMWARE_VERSION = 0x0101;
constexpr quint16 SAMPLE_PRODUCT_INDEX = 100;
constexpr quint8 SAMPLE_DIM_FUNCTION = 3; // DALI

QByteArray hexByte(int value)
{
    return QByteArray::number(value, 16).rightJustified(2, '0');
}

} // namespace

ST_NFC::ST_NFC(QObject* parent, const QString& libraryName)
    : NfcEngine(parent, "ST NFC")
    , library(libraryName)
{
    restartsEachAttempt = true;
}

ST_NFC::~ST_NFC() = default;

void ST_NFC::resetProgrammingState()
{
    ProgEngine::resetProgrammingState();
    writtenImage.clear();
}

// ---- Reader access ------------------------------------------------------------------------------

bool ST_NFC::connectTool()
{
    auto fail = [this](const char* text) {
        emit debug_msg(QString::fromLatin1(text));
        return false;
    };
    const std::optional<int> connected = library.usbConnect();
    if (!connected)
        return fail("usbConnect function fail");
    if (*connected != 0)
        return fail("Programmer not connected");

    QByteArray answer;
    const std::optional<int> pins = library.getInterfacePinState(answer);
    if (!pins)
        return fail("getInterface function fail");
    if (*pins != 0)
        return fail("Error : board not connected");
    if (answer.isEmpty() || (quint8(answer.at(0)) != STATUS_DONE && quint8(answer.at(0)) != STATUS_FRAME))
        return fail("Check error code");
    interfaceMode = answer.size() <= 2 || quint8(answer.at(2)) == INTERFACE_UART ? QStringLiteral("UART Mode")
                                                                                 : QStringLiteral("SPI Mode");

    const std::optional<int> idn = library.idn(answer);
    if (!idn)
        return fail("idn function fail");
    if (*idn != 0)
        return fail("Error : board not connected");
    if (answer.isEmpty() || quint8(answer.at(0)) != STATUS_DONE)
        return fail("Check error code");

    emit debug_msg(QStringLiteral("ST NFC tool successfully detected."));
    return true;
}

bool ST_NFC::selectProtocol()
{
    QByteArray answer;
    const std::optional<int> result = library.select(SELECT_ISO_15693, answer);
    return result && *result == 0;
}

bool ST_NFC::inventory()
{
    QByteArray answer;
    const std::optional<int> result = library.stCmd(INVENTORY, answer);
    QByteArray unused;
    library.sendReceive(RESET_TO_READY, unused);
    if (!result || *result != 0 || answer.isEmpty() || quint8(answer.at(0)) != STATUS_FRAME)
        return false;

    const int tags = answer.size() > TAG_COUNT_BYTE ? quint8(answer.at(TAG_COUNT_BYTE)) : 0;
    if (tags > 1) {
        informUser(prompt, QStringLiteral("Warning"),
                   QStringLiteral("Collision detected! Make sure there is no other NFC tags nearby."));
        return false;
    }
    if (tags != 1 || answer.size() < UID_OFFSET + UID_BYTES)
        return false;
    uid = answer.mid(UID_OFFSET, UID_BYTES);
    return true;
}

bool ST_NFC::sendReceive(const QByteArray& request, QByteArray& answer)
{
    const std::optional<int> result = library.sendReceive(request, answer);
    if (!result || *result != 0 || answer.isEmpty())
        return false;
    const quint8 status = quint8(answer.at(0));
    if (status == STATUS_DONE)
        return true;
    if (status != STATUS_FRAME || answer.size() < FRAME_HEADER_BYTES)
        return false;
    // The frame's count must lie inside the answer, and a tag that flags an error did not do it.
    const int count = quint8(answer.at(1));
    return count >= FRAME_OVERHEAD && answer.size() >= FRAME_HEADER_BYTES + count
           && (quint8(answer.at(FRAME_FLAGS_BYTE)) & ISO_FLAG_ERROR) == 0;
}

bool ST_NFC::sendReceiveRetry(const QByteArray& request, QByteArray& answer)
{
    for (int attempt = 0; attempt < MAX_EXCHANGE_ATTEMPTS; ++attempt) {
        if (sendReceive(request, answer))
            return true;
    }
    return false;
}

QByteArray ST_NFC::frameData(const QByteArray& answer)
{
    if (answer.isEmpty() || quint8(answer.at(0)) != STATUS_FRAME)
        return QByteArray();
    return answer.mid(FRAME_FLAGS_BYTE + 1, qMax(0, quint8(answer.at(1)) - FRAME_OVERHEAD));
}

void ST_NFC::unpackRecord(const QByteArray& image)
{
    NfcTagImage::decodeParameters(image, readData, &lockByte);
}

QByteArray ST_NFC::packRecord() const
{
    return NfcTagImage::encodeParameters(record, lockByte);
}

QByteArray ST_NFC::imageToWrite() const
{
    // What was read from another tag must never be written back to this one.
    if (tagBuffer.size() != TAG_BUFFER_BYTES || bufferUid != uid)
        return QByteArray();
    QByteArray image = tagBuffer;
    return image.replace(1, NfcTagImage::PARAMETER_BYTES, packRecord());
}

bool ST_NFC::accessTag(int mode)
{
    switch (mode) {
    case TAG_READ: {
        emit debug_msg(QStringLiteral("Reading tag..."));
        QByteArray buffer;
        for (const BlockRange& range : READ_RANGES) {
            const QByteArray request = READ_MULTIPLE_BLOCKS + uid.toHex() + hexByte(range.first) + hexByte(range.count - 1);
            QByteArray answer;
            if (!sendReceiveRetry(request, answer))
                return false;
            const QByteArray data = frameData(answer);
            // Missing blocks would move every later field.
            if (data.size() != range.count * BLOCK_SIZE) {
                emit debug_msg(QStringLiteral("Tag answer holds %1 bytes, %2 expected.").arg(data.size()).arg(range.count * BLOCK_SIZE));
                return false;
            }
            buffer += data;
        }
        tagBuffer = buffer;
        bufferUid = uid;
        logBlocks(tagBuffer);
        unpackRecord(tagBuffer.mid(1, NfcTagImage::PARAMETER_BYTES));
        return true;
    }
    case TAG_WRITE: {
        emit debug_msg(QStringLiteral("Writing tag..."));
        const QByteArray image = imageToWrite();
        if (image.isEmpty()) {
            emit debug_msg(QStringLiteral("Tag not read, nothing written."));
            return false;
        }
        writtenImage = image;
        bool written = true;
        for (int block = 1; block <= TAG_BLOCKS && written; ++block) {
            const QByteArray data = writtenImage.mid((block - 1) * BLOCK_SIZE, BLOCK_SIZE);
            QByteArray answer;
            written = sendReceiveRetry(WRITE_SINGLE_BLOCK + uid.toHex() + hexByte(block) + data.toHex(), answer);
        }
        logBlocks(writtenImage);
        return written;
    }
    default:
        return false;
    }
}

// ---- Operations -------------------------------------------------------------------------------

bool ST_NFC::programAttempt()
{
    if (!inventory())
        return false;
    // The tag already holds exactly what would be written.
    const QByteArray image = imageToWrite();
    if (!image.isEmpty() && image == tagBuffer)
        return true;
    if (!accessTag(TAG_WRITE))
        return false;
    if (!accessTag(TAG_READ)) {
        emit debug_msg(QStringLiteral("read error after ST NFC programming..."));
        return false;
    }
    if (writtenImage != tagBuffer) {
        emit debug_msg(QStringLiteral("ST NFC programming check fail..."));
        return false;
    }
    emit debug_msg(QStringLiteral("ST NFC programming check OK"));
    return true;
}

void ST_NFC::handleProgrammingResult(bool ok)
{
    attemptFollows = false;
    if (ok) {
        retryCount = 0;
        reportProgrammingState(PROG_STATE_SUCCESS);
        return;
    }
    if (retryCount < MAX_PROGRAM_ATTEMPTS - 1) {
        ++retryCount;
        reportProgrammingState(PROG_STATE_RETRY);
        attemptFollows = true;
        return;
    }
    reportProgrammingState(PROG_STATE_FAIL);
}

void ST_NFC::completeFactoryRecord()
{
    if (record.firmwareVersion == KEEP_FIRMWARE_VERSION)
        record.firmwareVersion = readData.firmwareVersion;
}

bool ST_NFC::writeDefaultImage()
{
    // The table version belongs to the driver's firmware, not to the sample.
    const quint8 tableVersion = readData.tableVersion;
    record = ProgDataStructDef();
    setProgDataListDefaults(record);
    record.tableVersion = tableVersion;
    record.current = SAMPLE_CURRENT_MA;
    record.firmwareVersion = SAMPLE_FIRMWARE_VERSION;
    record.productIndex = SAMPLE_PRODUCT_INDEX;
    record.dimFunctionType = SAMPLE_DIM_FUNCTION;
    return accessTag(TAG_WRITE);
}

// ---- Driver detection -------------------------------------------------------------------------

void ST_NFC::probeDriver()
{
    enableDriverDetectTimer();

    const std::optional<int> attached = library.usbHandleCheck();
    if (!attached) {
        driverLost();
        return;
    }
    if (*attached != 0) {
        emit communicateError(COMM_ERR_NFC_TOOL);
        driverLost();
        return;
    }
    if (!inventory()) {
        emit debug_msg(QStringLiteral("ST NFC Inventory fail "));
        driverLost();
        return;
    }
    emit debug_msg(QStringLiteral("ST NFC Inventory OK!"));
    // Another tag took the place of the one connected (between two ticks, or during a run): that
    // driver is gone.
    if (driverState == DRIVER_CONNECTED && uid != bufferUid)
        driverLost();
    if (!accessTag(TAG_READ)) {
        driverLost();
        return;
    }
    if (driverState != DRIVER_CONNECTED)
        newTagRead();
}
