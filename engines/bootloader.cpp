#include "bootloader.h"

#include "bootframe.h"
#include "commerror.h"
#include "intelhex.h"

#include <QFile>
#include <QFileInfo>

namespace {

// Boot frames: FA, total length, command, payload, low byte of the sum of all bytes before it.
constexpr quint8 BOOT_FRAME_START = 0xFA;
constexpr int BOOT_FRAME_OVERHEAD = 4;
constexpr quint8 BOOT_CMD_CHECK_STATE = 0x01;
constexpr quint8 BOOT_CMD_START_DOWNLOAD = 0x02;
constexpr quint8 BOOT_CMD_BLOCK_HEADER = 0x03;
constexpr quint8 BOOT_CMD_EXIT = 0x04;
constexpr quint8 BOOT_CMD_8 = 0x08;
constexpr quint8 BLOCK_HEADER_LEAD = 0x03;
constexpr quint8 BOOT_ANSWER_OK = 1;
constexpr int BLOCK_SUM_MODULO = 0x10000;

const char NOT_CONNECTED_TEXT[] = "Program tool not connected, please check tool connection!";
const char NO_FIRMWARE_TEXT[] = "Firmware not found, please load firmware first!";
const char BUSY_TEXT[] = "The programmer is busy, please wait...";
const char UPDATE_FAILED_TEXT[] = "Firmware update failed, please try again.";
const char NOT_READY_TEXT[] = "LED driver is not ready.";
const char BOX_TITLE_BOOT[] = "Boot load operation";
const char BOX_TITLE_WARNING[] = "Warning";
const char BOX_TITLE_ERROR[] = "Error";

const char HEX_DIALOG_CAPTION[] = "Open program document";
const char HEX_FILTER[] = "Hex Files(*.hex)";
const char HEX_SUFFIX[] = "hex";
const char HEX_DUMP_FILE[] = "ProgramHexData.txt";
// The HEX text of an image is under three times its size (a 1 MiB image: under 3 MB), so a file
// beyond this is no firmware of any driver; refusing it before reading keeps a mistaken pick of a
// huge file from holding the window for seconds or from being read only in part.
constexpr qint64 MAX_HEX_FILE_BYTES = qint64(64) << 20;

QByteArray bootFrame(quint8 command, const QByteArray& payload = QByteArray())
{
    QByteArray frame;
    frame.reserve(BOOT_FRAME_OVERHEAD + payload.size());
    frame.append(char(BOOT_FRAME_START));
    frame.append(char(BOOT_FRAME_OVERHEAD + payload.size()));
    frame.append(char(command));
    frame.append(payload);
    quint8 sum = 0;
    for (char byte : qAsConst(frame))
        sum = quint8(sum + quint8(byte));
    frame.append(char(sum));
    return frame;
}

QString hexAddress(int address)
{
    return QStringLiteral("0x") + QString::number(address, 16).toUpper();
}

QString hexErrorText(const IntelHexImage& hex)
{
    QString text;
    switch (hex.error) {
    case IntelHexError::Checksum:
        text = QStringLiteral("Hex file check sum error!");
        break;
    case IntelHexError::RecordType:
        text = QStringLiteral("Undefined hex file record type!");
        break;
    case IntelHexError::Length:
        text = QStringLiteral("Hex file record length error!");
        break;
    case IntelHexError::NoEndRecord:
        return QStringLiteral("Hex file has no end of file record, it may be cut short!");
    case IntelHexError::None:
        return QString();
    }
    return text + QStringLiteral(" Line %1").arg(hex.errorLine);
}

} // namespace

BootLoader::BootLoader(QObject* parent) : QObject(parent) {}

BootLoader::~BootLoader() = default;

void BootLoader::setPrompt(UserPrompt* userPrompt)
{
    prompt = userPrompt;
}

void BootLoader::setEnabled(int enable)
{
    resetBootState();
    enabled = enable;
}

void BootLoader::resetBootState()
{
    lastFrameKind = BOOT_FRAME_ENTER;
    blockNumber = 0;
    bootState = BOOT_IDLE;
    bootConfirmed = 2;
    // A switched-off engine hears no more answers: nothing it sent is still in flight for it.
    awaitingAnswer = false;
}

bool BootLoader::isUpdateRunning() const
{
    return bootState != BOOT_IDLE || awaitingAnswer;
}

UserPrompt::Button BootLoader::ask(UserPrompt::Icon icon, const QString& title, const QString& text,
                                   int buttons, UserPrompt::Button defaultButton)
{
    return prompt ? prompt->ask(icon, title, text, buttons, defaultButton) : defaultButton;
}

bool BootLoader::refuseWhileBusy()
{
    if (!isUpdateRunning())
        return false;
    emit showBootMessage(QString::fromLatin1(BUSY_TEXT));
    return true;
}

// The manual steps answer a click during another step with a box rather than a message line.
bool BootLoader::warnWhileStepRunning()
{
    if (bootState == BOOT_IDLE)
        return false;
    ask(UserPrompt::Icon::Warning, QString::fromLatin1(BOX_TITLE_WARNING), QString::fromLatin1(BUSY_TEXT),
        UserPrompt::Ok, UserPrompt::NoButton);
    return true;
}

bool BootLoader::toolMissing()
{
    if (toolConnected != 0)
        return false;
    emit showBootMessage(QString::fromLatin1(NOT_CONNECTED_TEXT));
    return true;
}

void BootLoader::clearBlockCounters()
{
    blockNumber = 0;
    blockCount = 0;
    headerNext = true;
}

void BootLoader::buildBootFrame(int kind, QByteArray data)
{
    // One frame in flight: a second one would replace the first on the link, and the answer that
    // comes would be taken for the wrong frame.
    if (awaitingAnswer)
        return;
    QByteArray frame;
    switch (kind) {
    case BOOT_FRAME_ENTER:
        frame = bootFrame(BOOT_CMD_ENTER);
        break;
    case BOOT_FRAME_CHECK_STATE:
        frame = bootFrame(BOOT_CMD_CHECK_STATE);
        break;
    case BOOT_FRAME_START_DOWNLOAD:
        frame = bootFrame(BOOT_CMD_START_DOWNLOAD);
        break;
    case BOOT_FRAME_BLOCK_HEADER:
        frame = bootFrame(BOOT_CMD_BLOCK_HEADER, char(BLOCK_HEADER_LEAD) + data);
        break;
    case BOOT_FRAME_BLOCK_DATA:
        frame = data;
        break;
    case BOOT_FRAME_EXIT:
        frame = bootFrame(BOOT_CMD_EXIT);
        break;
    case BOOT_FRAME_CMD8:
        frame = bootFrame(BOOT_CMD_8);
        break;
    default:
        break; // an empty frame, which the link refuses
    }
    lastFrameKind = kind;
    // Set before sending: a refused frame is reported back from inside sendCommand.
    awaitingAnswer = true;
    emit sendCommand(frame);
}

void BootLoader::startFirmwareUpdate()
{
    if (!enabled || refuseWhileBusy())
        return;
    // A run that ended in a time-out or with the tool lost leaves its counters behind; every
    // update starts with the start-download frame and block 1.
    clearBlockCounters();
    if (toolMissing())
        return;
    if (image.isEmpty()) {
        emit showBootMessage(QString::fromLatin1(NO_FIRMWARE_TEXT));
        return;
    }
    if (ask(UserPrompt::Icon::Warning, QString::fromLatin1(BOX_TITLE_BOOT),
            QStringLiteral("Please confirm the AC power is off. And then click \"Yes\" button to continue."),
            UserPrompt::Yes | UserPrompt::No, UserPrompt::Yes) != UserPrompt::Yes ||
        toolMissing()) // the boxes run their own event loop: the tool may go while one is open
        return;
    bootState = BOOT_WAIT_POWER_ON;
    buildBootFrame(BOOT_FRAME_ENTER);
    // Answers to the enter-boot frames arrive while this box is open; each sends the next one.
    if (ask(UserPrompt::Icon::Warning, QString::fromLatin1(BOX_TITLE_BOOT),
            QStringLiteral("Please turn on the AC power now. And then click \"OK\" button to continue"),
            UserPrompt::Ok | UserPrompt::Cancel, UserPrompt::Cancel) != UserPrompt::Ok ||
        toolMissing()) {
        bootState = BOOT_IDLE;
        return;
    }
    bootState = BOOT_ENTERING;
    // Not sent while an enter-boot frame is unanswered: its answer brings the boot state check.
    buildBootFrame(BOOT_FRAME_ENTER);
}

bool BootLoader::sendNextFirmwareBlock()
{
    if (blockNumber > blockCount)
        return true;
    const QByteArray block = image.mid((blockNumber - 1) * BLOCK_SIZE, BLOCK_SIZE);
    if (headerNext) {
        headerNext = false;
        int sum = 0;
        for (char byte : block)
            sum += quint8(byte);
        sum %= BLOCK_SUM_MODULO;
        QByteArray payload;
        payload.append(char(block.size() >> 8));
        payload.append(char(block.size() & 0xFF));
        payload.append(char(sum >> 8));
        payload.append(char(sum & 0xFF));
        buildBootFrame(BOOT_FRAME_BLOCK_HEADER, payload);
    } else {
        ++blockNumber;
        headerNext = true;
        buildBootFrame(BOOT_FRAME_BLOCK_DATA, block);
    }
    return false;
}

void BootLoader::bootLoaderCommandResponse(QByteArray data)
{
    if (!enabled)
        return;
    awaitingAnswer = false;
    const bool ok = !data.isEmpty() && quint8(data.at(0)) == BOOT_ANSWER_OK;
    switch (lastFrameKind) {
    case BOOT_FRAME_CHECK_STATE:
        if (ok) {
            bootState = BOOT_DOWNLOAD;
            emit showBootMessage(QStringLiteral("Check driver state success."));
        } else {
            bootState = BOOT_IDLE;
            emit showBootMessage(QStringLiteral("Check driver state fail, please try again!"));
        }
        break;
    case BOOT_FRAME_START_DOWNLOAD:
    case BOOT_FRAME_BLOCK_HEADER:
    case BOOT_FRAME_BLOCK_DATA:
        if (!ok) {
            bootState = BOOT_IDLE;
            emit showBootMessage(QString::fromLatin1(UPDATE_FAILED_TEXT));
        }
        break;
    case BOOT_FRAME_EXIT: {
        // The update counts as done only once the driver has left its boot loader: until then
        // it does not run the new firmware.
        const bool updateEnds = bootState == BOOT_DOWNLOAD;
        bootState = BOOT_IDLE;
        if (updateEnds)
            emit showBootMessage(ok ? QStringLiteral("Firmware has been updated successfully.")
                                    : QStringLiteral("Exit boot mode fail"));
        break;
    }
    default:
        break;
    }
}

void BootLoader::sendBootloaderCmdSequence()
{
    if (!enabled)
        return;
    switch (bootState) {
    case BOOT_IDLE:
        clearBlockCounters();
        break;
    case BOOT_WAIT_POWER_ON:
        buildBootFrame(BOOT_FRAME_ENTER);
        break;
    case BOOT_ENTERING:
        buildBootFrame(BOOT_FRAME_CHECK_STATE);
        emit showBootMessage(QStringLiteral("Checking driver's boot state..."));
        break;
    case BOOT_DOWNLOAD:
        if (blockNumber == 0) {
            if (image.isEmpty()) {
                bootState = BOOT_IDLE;
                emit showBootMessage(QString::fromLatin1(NO_FIRMWARE_TEXT));
                break;
            }
            headerNext = true;
            buildBootFrame(BOOT_FRAME_START_DOWNLOAD);
            blockNumber = 1;
            emit showBootMessage(QStringLiteral("Firmware update started, please wait..."));
            blockCount = (image.size() + BLOCK_SIZE - 1) / BLOCK_SIZE;
        } else if (sendNextFirmwareBlock()) {
            emit updateBootProgress(blockCount, blockCount);
            buildBootFrame(BOOT_FRAME_EXIT);
        } else {
            emit updateBootProgress(blockNumber, blockCount);
        }
        break;
    default:
        break;
    }
}

void BootLoader::processCommError(int error_type)
{
    if (!enabled)
        return;
    awaitingAnswer = false;
    const int state = bootState;
    bootState = BOOT_IDLE;
    if (isToolUnavailable(error_type)) {
        emit showBootMessage(QStringLiteral("Tool connection error, please check connection!"));
        return;
    }
    if (error_type != COMM_ERR_TIMEOUT) {
        if (state >= BOOT_ENTERING)
            emit showBootMessage(QString::fromLatin1(UPDATE_FAILED_TEXT));
        return;
    }
    switch (lastFrameKind) {
    case BOOT_FRAME_CHECK_STATE:
        emit showBootMessage(QString::fromLatin1(NOT_READY_TEXT));
        break;
    case BOOT_FRAME_START_DOWNLOAD:
    case BOOT_FRAME_BLOCK_HEADER:
    case BOOT_FRAME_BLOCK_DATA:
        emit showBootMessage(QStringLiteral("Load program fail"));
        break;
    case BOOT_FRAME_EXIT:
        emit showBootMessage(QStringLiteral("Exit boot mode fail"));
        break;
    default:
        // An enter-boot frame unanswered after the power-on was confirmed ends the update too;
        // while the power-on box is still open the next enter-boot frame follows its OK.
        if (state == BOOT_ENTERING)
            emit showBootMessage(QString::fromLatin1(NOT_READY_TEXT));
        break;
    }
}

void BootLoader::toolConnectionStateChange(int state)
{
    toolConnected = state;
    if (state != 0)
        return;
    // Whatever was in flight went with the tool.
    awaitingAnswer = false;
    if (enabled && bootState >= BOOT_ENTERING) {
        bootState = BOOT_IDLE;
        emit showBootMessage(QString::fromLatin1(UPDATE_FAILED_TEXT));
    }
}

const QVector<IntelHexRegion> BootLoader::ARM_FLASH_REGIONS = {
    {0x08000000, 0x08000000 + ARM_IMAGE_SIZE},
    {0x8000, 0x08000000},
    {0x4000, 0x8000},
};

void BootLoader::loadHexFile()
{
    loadHex({{APP_START_ADDRESS, APP_START_ADDRESS + MAX_IMAGE_SIZE}}, MAX_IMAGE_SIZE,
            QStringLiteral("the application area %1 - %2")
                .arg(hexAddress(APP_START_ADDRESS), hexAddress(APP_START_ADDRESS + MAX_IMAGE_SIZE - 1)));
}

void BootLoader::loadHexFileArm()
{
    loadHex(ARM_FLASH_REGIONS, ARM_IMAGE_SIZE, QStringLiteral("the 64 KiB flash image"));
}

void BootLoader::loadHex(const QVector<IntelHexRegion>& regions, int imageSize, const QString& area)
{
    if (refuseWhileBusy())
        return;
    const QString chosen = prompt ? prompt->openFileName(QString::fromLatin1(HEX_DIALOG_CAPTION),
                                                         QString::fromLatin1(HEX_FILTER), QString::fromLatin1(HEX_SUFFIX))
                                  : QString();
    if (chosen.isEmpty())
        return;
    fileName = chosen;
    // From here on the tab shows this file's name: whatever happens, the image of an earlier
    // file must not stay behind it.
    image.clear();
    if (QFileInfo(fileName).suffix() != QLatin1String(HEX_SUFFIX)) {
        ask(UserPrompt::Icon::Information, QString::fromLatin1(BOX_TITLE_ERROR),
            QStringLiteral("Please choose a hex file (*.hex)!"), UserPrompt::Ok, UserPrompt::NoButton);
        return;
    }

    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        ask(UserPrompt::Icon::Information, QStringLiteral("error"), file.errorString(), UserPrompt::Ok,
            UserPrompt::NoButton);
    } else {
        const qint64 size = file.size();
        // A device or a pipe tells no size: it is read up to one byte past the bound.
        const QByteArray text = size <= MAX_HEX_FILE_BYTES ? file.read(MAX_HEX_FILE_BYTES + 1) : QByteArray();
        file.close();
        const qint64 length = qMax(size, qint64(text.size()));
        const IntelHexImage hex = length > MAX_HEX_FILE_BYTES ? IntelHexImage() : parseIntelHex(text, regions, imageSize);
        if (length > MAX_HEX_FILE_BYTES) {
            ask(UserPrompt::Icon::Information, QString::fromLatin1(BOX_TITLE_ERROR),
                QStringLiteral("Hex file is too large (%1 bytes), a firmware hex file has at most %2 bytes!")
                    .arg(length)
                    .arg(MAX_HEX_FILE_BYTES),
                UserPrompt::Ok, UserPrompt::NoButton);
        } else if (hex.error != IntelHexError::None) {
            ask(UserPrompt::Icon::Information, QString::fromLatin1(BOX_TITLE_ERROR), hexErrorText(hex),
                UserPrompt::Ok, UserPrompt::NoButton);
        } else {
            image = hex.data;
            if (hex.droppedBytes > 0)
                emit showBootMessage(QStringLiteral("%1 bytes of the hex file lie outside %2 and were left out.")
                                         .arg(hex.droppedBytes)
                                         .arg(area));
        }
    }
    dumpHexData();
}

void BootLoader::dumpHexData()
{
    // Only created (emptied at the first load of a run); the image itself is not written into it.
    QFile file(QString::fromLatin1(HEX_DUMP_FILE));
    const QIODevice::OpenMode mode = hexDumpStarted ? QIODevice::Append : QIODevice::Truncate;
    if (file.open(QIODevice::WriteOnly | QIODevice::Text | mode))
        file.close();
    hexDumpStarted = true;
}

void BootLoader::enterBootMode()
{
    if (warnWhileStepRunning())
        return;
    bootState = BOOT_WAIT_POWER_ON;
    emit showBootMessage(QStringLiteral("Enter boot mode, please turn on the AC power supply..."));
    buildBootFrame(BOOT_FRAME_ENTER);
    ask(UserPrompt::Icon::Warning, QStringLiteral("Caution"),
        QStringLiteral("Please confirm AC power is turned on!"), UserPrompt::Ok, UserPrompt::NoButton);
    buildBootFrame(BOOT_FRAME_ENTER);
    bootState = BOOT_IDLE;
}

void BootLoader::checkBootState()
{
    if (warnWhileStepRunning())
        return;
    bootState = BOOT_ENTERING;
    buildBootFrame(BOOT_FRAME_CHECK_STATE);
}

void BootLoader::exitBootMode()
{
    bootState = BOOT_IDLE;
    buildBootFrame(BOOT_FRAME_EXIT);
}

void BootLoader::programFirmware()
{
    if (image.isEmpty()) {
        ask(UserPrompt::Icon::Warning, QString::fromLatin1(BOX_TITLE_WARNING),
            QStringLiteral("Please load the firmware first!"), UserPrompt::Ok, UserPrompt::NoButton);
        return;
    }
    if (warnWhileStepRunning())
        return;
    if (bootConfirmed != 1) {
        ask(UserPrompt::Icon::Warning, QString::fromLatin1(BOX_TITLE_WARNING),
            QStringLiteral("Please click \"Check Boot State\" button to confirm LED driver is ready!"),
            UserPrompt::Ok, UserPrompt::NoButton);
        return;
    }
    bootState = BOOT_DOWNLOAD;
    blockNumber = 0;
    sendBootloaderCmdSequence();
}
