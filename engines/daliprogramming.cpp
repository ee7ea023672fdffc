#include "daliprogramming.h"

#include "globals.h"
#include "serialcommunication.h"
#include "stdouttrace.h"

#include <QStringList>

namespace {

// Memory bank 2 holds the driver's parameter table.
constexpr int PARAMETER_BANK = 2;
constexpr int BANK_LAST_ADDRESS = 0;
constexpr int BANK_LOCK_BYTE = 2;
constexpr int LOCK_UNLOCKED = 0x55;
constexpr int FIRST_PARAMETER_ADDRESS = 3;
constexpr int LAST_PARAMETER_ADDRESS = 72;
// The read of address 0 is recorded as position 1, so that position 0 stays "not started".
constexpr int LAST_ADDRESS_READ_POSITION = 1;
constexpr int UNKNOWN_LAST_ADDRESS = 0xFF;

// Old table layout: the bank ends at 71 and the product is told by two codes.
constexpr int OLD_LAYOUT_LAST_ADDRESS = 71;
constexpr int OLD_CODE_A_HIGH = 5;
constexpr int OLD_CODE_A_LOW = 6;
constexpr int OLD_CODE_B_HIGH = 65;
constexpr int OLD_CODE_B_LOW = 66;
constexpr int UNKNOWN_PRODUCT = 0xFFFF;

// Module operating time: minutes at 28, hours (24 bits, LE) at 29..31.
constexpr int MODULE_TIME_FIRST_ADDRESS = 28;
constexpr int MODULE_TIME_LAST_ADDRESS = 31;

// A programming run gets four attempts: the first and three retries.
constexpr int MAX_PROGRAMMING_RETRIES = 3;

struct ReadProgressStep
{
    int address;
    const char* text;
    int value;
};

const ReadProgressStep READ_PROGRESS[] = {
    {3, "Reading output current...", 0},
    {5, "Reading product SN...", 1},
    {7, "Reading firmware version...", 2},
    {9, "Reading dimming type...", 3},
    {10, "Reading EOL function...", 4},
    {11, "Reading constant lumen output...", 5},
    {28, "Reading module operatiing time...", 6},
    {32, "Reading driver operating time...", 7},
    {36, "Reading OTP function...", 8},
    {37, "Reading thermal derating...", 9},
    {52, "Reading 0-10V dimming parameters...", 10},
    {57, "Reading smart timer dimming parameters...", 11},
};

// Products whose driver takes only its output current: 41, 42 and their 0x04 variants 45, 46.
bool currentOnlyProduct(int productIndex)
{
    const int base = productIndex & ~0x04;
    return base == 41 || base == 42;
}

void setListItem(QList<int>& list, int index, int value)
{
    while (list.size() <= index)
        list.append(0);
    list[index] = value;
}

template <typename T>
void setByte(T& field, int byteIndex, quint8 value)
{
    const int shift = 8 * byteIndex;
    field = T((field & ~(T(0xFF) << shift)) | (T(value) << shift));
}

} // namespace

DaliProgramming::DaliProgramming(QObject* parent)
    : ProgEngine(parent)
{
    logsEveryProbeAnswer = true;
}

DaliProgramming::~DaliProgramming() = default;

void DaliProgramming::trace(const QString& line) const
{
    stdoutTrace() << line << Qt::endl;
}

// ---------------------------------------------------------------------------------------------
// Common operations

DaliProgramming::Operation DaliProgramming::stopOperation()
{
    const Operation running = state == DALI_PROG_STATE_READ         ? Operation::Read
                              : state == DALI_PROG_STATE_RESET_TIME ? Operation::Reset
                              : state == DALI_PROG_STATE_PROGRAM    ? Operation::Program
                                                                    : Operation::None;
    state = DALI_PROG_STATE_DETECT;
    position = 0;
    sentPosition = 0;
    memoryLocationStep = 0;
    retryCount = 0;
    return running;
}

void DaliProgramming::handleProgrammingResult(bool ok)
{
    if (ok) {
        state = DALI_PROG_STATE_PROGRAM_DONE;
        reportProgrammingState(PROG_STATE_SUCCESS);
        emit debug_msg("Programming success.");
    } else if (retryCount >= MAX_PROGRAMMING_RETRIES) {
        emit debug_msg("Programming fail.");
        trace("programming fail...");
        state = DALI_PROG_STATE_PROGRAM_DONE;
        reportProgrammingState(PROG_STATE_FAIL);
    } else {
        emit debug_msg("Programming fail, retrying...");
        trace("programming fail, retrying... ");
        ++retryCount;
        position = 0;
        sentPosition = 0;
        memoryLocationStep = 0;
        disableDriverDetectTimer();
        reportProgrammingState(PROG_STATE_RETRY);
        // state stays DALI_PROG_STATE_PROGRAM: the next completion starts the sequence over
    }
}

int DaliProgramming::toolPortKind() const
{
    return SerialCommunication::TOOL_KIND_DALI;
}

QString DaliProgramming::toolConnectedText() const
{
    return QStringLiteral("DALI tool connected. Note: LED driver must be powered on from external AC source");
}

int DaliProgramming::engineState() const
{
    return state;
}

int DaliProgramming::memoryBankLastAddress() const
{
    return lastAddress;
}

// ---------------------------------------------------------------------------------------------
// Commands

void DaliProgramming::sendDaliCommand(int cmd, int para)
{
    command = cmd;
    parameter = para;
    addressByte = DALI_ADDR_BROADCAST;
    requestOutstanding = true;
    emit sendCommand(cmd, addressByte, para, SENDER_DALI_PROGRAMMING);
}

bool DaliProgramming::setMemoryLocation(int bank, int offset)
{
    switch (memoryLocationStep) {
    case 0:
        memoryLocationStep = 1;
        sendDaliCommand(DALI_CMD_DTR1, bank);
        return true;
    case 1:
        memoryLocationStep = 2;
        sendDaliCommand(DALI_CMD_DTR0, offset);
        return true;
    default:
        memoryLocationStep = 0;
        return false;
    }
}

void DaliProgramming::resetMemoryLocation()
{
    memoryLocationStep = 0;
}

// ---------------------------------------------------------------------------------------------
// Driver detection

void DaliProgramming::probeDriver()
{
    state = driverState == DRIVER_DISCONNECTED ? DALI_PROG_STATE_DETECT : DALI_PROG_STATE_CONNECTED;
    sendDaliCommand(CMD_QUERY_DEVICE_TYPE, 0);
    enableDriverDetectTimer();
}

// ---------------------------------------------------------------------------------------------
// Answers and errors

void DaliProgramming::daliProgrammingResponse(QByteArray data)
{
    if (!enabled)
        return;
    requestOutstanding = false;

    const bool valid = (data.size() == DALI_ANSWER_SHORT_LENGTH || data.size() == DALI_ANSWER_LONG_LENGTH)
                       && data.at(0) == DALI_ANSWER_OK;
    const quint8 backward = valid ? quint8(data.at(1)) : 0;
    emit debug_msg(QString("response result is: %1").arg(valid ? 1 : 0));
    trace(QString("response result is: %1").arg(valid ? 1 : 0));

    switch (state) {
    case DALI_PROG_STATE_DETECT:
    case DALI_PROG_STATE_CONNECTED: {
        if (!valid || backward == 0) {
            handleCommError(COMM_ERR_INVALID_ANSWER);
            return;
        }
        // A driver found unsupported stays so until it is taken away: it is neither read nor
        // programmed again, whatever the next probe answers.
        if (driverState == DRIVER_UNSUPPORTED)
            return;
        const bool newDriver = state == DALI_PROG_STATE_DETECT;
        position = 0;
        sentPosition = 0;
        memoryLocationStep = 0;
        if (newDriver)
            lastAddress = UNKNOWN_LAST_ADDRESS;
        driverFound(newDriver, true);
        break;
    }
    case DALI_PROG_STATE_READ:
        if (!valid) {
            handleCommError(COMM_ERR_INVALID_ANSWER);
            return;
        }
        // DTR commands are answered too; only a read carries a bank byte.
        if (command != DALI_CMD_READ_MEMORY_LOCATION)
            return;
        if (sentPosition == LAST_ADDRESS_READ_POSITION)
            lastAddress = backward;
        else
            decodeBank2(sentPosition, backward);
        break;
    case DALI_PROG_STATE_RESET_TIME:
    case DALI_PROG_STATE_PROGRAM:
        // The written value is not compared: a valid answer is success.
        if (!valid)
            handleCommError(COMM_ERR_INVALID_ANSWER);
        break;
    default:
        break;
    }
}

void DaliProgramming::beginOperation(Operation op)
{
    if (op == Operation::Program) {
        emit debug_msg("Start to program next driver... ");
        trace("Start to program next driver... ");
    }
    state = op == Operation::Program ? DALI_PROG_STATE_PROGRAM
            : op == Operation::Reset ? DALI_PROG_STATE_RESET_TIME
                                     : DALI_PROG_STATE_READ;
    disableDriverDetectTimer();
}

bool DaliProgramming::showsDriverRemoval(bool unusableAnswer) const
{
    Q_UNUSED(unusableAnswer)
    // After a failure the view keeps showing it; only a programmed driver's removal is shown.
    return programmingResult() == PROG_RESULT_SUCCESS;
}

void DaliProgramming::handleCommError(int error_type)
{
    switch (error_type) {
    case COMM_ERR_PORT:
    case COMM_ERR_NO_TOOL:
        trace("process dali programming serial port error...");
        break;
    case COMM_ERR_TIMEOUT:
        trace("process dali programming serial port time out...");
        break;
    case COMM_ERR_INVALID_ANSWER:
        trace("process dali programming data error...");
        break;
    default:
        return;
    }

    if (toolLostWith(error_type))
        return;

    switch (state) {
    case DALI_PROG_STATE_DETECT:
    case DALI_PROG_STATE_CONNECTED:
        if (error_type == COMM_ERR_TIMEOUT)
            state = DALI_PROG_STATE_DETECT;
        driverLost();
        enableDriverDetectTimer();
        break;
    case DALI_PROG_STATE_READ:
    case DALI_PROG_STATE_RESET_TIME:
        // The driver stopped answering in the middle: the operation is given up with it.
        endOperation();
        setDriverConnected(DRIVER_DISCONNECTED);
        enableDriverDetectTimer();
        break;
    case DALI_PROG_STATE_PROGRAM:
        if (error_type == COMM_ERR_INVALID_ANSWER) {
            handleProgrammingResult(false);
        } else {
            // A time-out fails the attempt at once; the driver stays counted as connected, so
            // it is not programmed again until it has been taken away.
            endOperation();
            enableDriverDetectTimer();
        }
        break;
    default:
        break;
    }
}

// ---------------------------------------------------------------------------------------------
// Sequences

void DaliProgramming::sendDaliProgrammingCmdSequence()
{
    if (!enabled)
        return;

    switch (state) {
    case DALI_PROG_STATE_READ:
        runReadSequence();
        break;
    case DALI_PROG_STATE_PROGRAM:
        runWriteSequence(false);
        break;
    case DALI_PROG_STATE_RESET_TIME:
        runWriteSequence(true);
        break;
    default:
        break;
    }

    resumePolling(state, {DALI_PROG_STATE_READ_DONE, DALI_PROG_STATE_RESET_DONE, DALI_PROG_STATE_PROGRAM_DONE},
                  DALI_PROG_STATE_CONNECTED);
}

void DaliProgramming::runReadSequence()
{
    if (position == 0) {
        if (memoryLocationStep == 0) {
            lastAddress = UNKNOWN_LAST_ADDRESS;
            productIndexRead = false;
            productCodeA = 0;
            productCodeB = 0;
        }
        if (setMemoryLocation(PARAMETER_BANK, BANK_LAST_ADDRESS))
            return;
        position = LAST_ADDRESS_READ_POSITION;
        sentPosition = LAST_ADDRESS_READ_POSITION;
        trace(QString("Send programming read command num: %1").arg(sentPosition));
        sendDaliCommand(DALI_CMD_READ_MEMORY_LOCATION, 0);
        return;
    }

    if (position == LAST_ADDRESS_READ_POSITION) {
        if (setMemoryLocation(PARAMETER_BANK, FIRST_PARAMETER_ADDRESS))
            return;
        if (lastAddress < FIRST_PARAMETER_ADDRESS) {
            finishRead();
            return;
        }
        position = FIRST_PARAMETER_ADDRESS;
    }

    if (position > lastAddress || position > LAST_PARAMETER_ADDRESS) {
        finishRead();
        return;
    }
    for (const ReadProgressStep& step : READ_PROGRESS) {
        if (step.address == position)
            emit productInfoReadUpdateSignal(READ_STATE_PROGRESS, step.text, step.value);
    }
    sentPosition = position;
    ++position;
    trace(QString("Send programming read command num: %1").arg(sentPosition));
    sendDaliCommand(DALI_CMD_READ_MEMORY_LOCATION, 0);
}

void DaliProgramming::finishRead()
{
    // Whatever the length of the bank: a read that did not reach the product index, or found one
    // outside the product list, must not hand the window a product it cannot look up.
    const bool supported = productIndexRead && record.productIndex < productList.size();
    state = DALI_PROG_STATE_READ_DONE;
    if (supported) {
        trace("read product info complete ");
        dumpRecord();
        reportReadComplete();
    } else {
        setDriverConnected(DRIVER_UNSUPPORTED);
        emit productInfoReadUpdateSignal(READ_STATE_ABORT, READ_ERROR_TEXT, 0);
    }
}

void DaliProgramming::decodeBank2(int address, quint8 value)
{
    ProgDataStructDef& d = record;

    if (lastAddress == OLD_LAYOUT_LAST_ADDRESS) {
        switch (address) {
        case 3: setByte(d.current, 0, value); break;
        case 4: setByte(d.current, 1, value); break;
        case OLD_CODE_A_HIGH: productCodeA = (productCodeA & 0x00FF) | (value << 8); break;
        case OLD_CODE_A_LOW: productCodeA = (productCodeA & 0xFF00) | value; break;
        case OLD_CODE_B_HIGH: productCodeB = (productCodeB & 0x00FF) | (value << 8); break;
        case OLD_CODE_B_LOW:
            productCodeB = (productCodeB & 0xFF00) | value;
            if (productCodeA == 45 || productCodeA == 46)
                d.productIndex = quint16(productCodeA);
            else if (productCodeB == 41 || productCodeB == 42)
                d.productIndex = quint16(productCodeB);
            else
                d.productIndex = UNKNOWN_PRODUCT;
            productIndexRead = true;
            break;
        default: break;
        }
        return;
    }

    if (address >= 12 && address <= 19) {
        setListItem(d.CLO_TimeList, address - 12, value);
    } else if (address >= 20 && address <= 27) {
        setListItem(d.CLO_LevelList, address - 20, value);
    } else if (address >= 57 && address <= 61) {
        setListItem(d.TimeDimStepList, address - 57, value);
    } else if (address >= 62 && address <= 66) {
        setListItem(d.TimeDimLevelList, address - 62, value);
    } else if (address >= 68 && address <= 72) {
        setListItem(d.TimeDimFadeTimeList, address - 68, value);
    } else {
        switch (address) {
        case 3: setByte(d.current, 0, value); break;
        case 4: setByte(d.current, 1, value); break;
        case 5: setByte(d.productIndex, 1, value); break;
        case 6:
            setByte(d.productIndex, 0, value);
            productIndexRead = true;
            break;
        case 7: setByte(d.firmwareVersion, 0, value); break;
        case 8: setByte(d.firmwareVersion, 1, value); break;
        case 9: d.dimFunctionType = value; break;
        case 10:
            d.userEolTime = value;
            d.EOL_Enable = value > 0;
            break;
        case 11: d.CLO_Enable = value > 0; break;
        // Kept so that programming writes back the minutes the driver held instead of zeroing them.
        case 28: d.moduleOperationTime_mins = value; break;
        case 29: d.moduleOperationTime_hrs = value; break;
        case 30: setByte(d.moduleOperationTime_hrs, 1, value); break;
        case 31: setByte(d.moduleOperationTime_hrs, 2, value); break;
        case 32: d.driverOperationTime_hrs = value; break;
        case 33: setByte(d.driverOperationTime_hrs, 1, value); break;
        case 34: setByte(d.driverOperationTime_hrs, 2, value); break;
        case 36: d.OTP_Enable = value > 0; break;
        case 37: d.MTP_Enable = value > 0; break;
        case 38: d.MTP_MinLevel = value; break;
        case 39: setByte(d.MTP_Start, 0, value); break;
        case 40: setByte(d.MTP_Start, 1, value); break;
        case 41: setByte(d.MTP_End, 0, value); break;
        case 42: setByte(d.MTP_End, 1, value); break;
        case 52: d.analogDimMinLevel = value; break;
        case 53: d.analogDimMaxLevel = value; break;
        case 54: d.analogDimStart = value; break;
        case 55: d.analogDimEnd = value; break;
        case 56: d.analogDimMode = value; break;
        case 67: d.midnightOffset = qint8(value); break;
        default: break; // the parameters this engine does not transfer
        }
    }
}

QList<DaliProgramming::WriteStep> DaliProgramming::buildProgramSteps() const
{
    const ProgDataStructDef& d = record;
    QList<WriteStep> s;
    auto location = [&s](int address) { s.append({WriteStep::Kind::SetLocation, address, 0}); };
    auto write = [&s](int address, int value) { s.append({WriteStep::Kind::Write, address, value & 0xFF}); };

    location(BANK_LOCK_BYTE);
    s.append({WriteStep::Kind::EnableWrite, 0, 0});
    write(BANK_LOCK_BYTE, LOCK_UNLOCKED);
    if (currentOnlyProduct(d.productIndex)) {
        // DTR0 has moved on to 3 with the lock byte write.
        write(3, d.current);
        write(4, d.current >> 8);
        return s;
    }

    location(3);
    write(3, d.current);
    write(4, d.current >> 8);

    location(9);
    write(9, d.dimFunctionType);
    write(10, d.userEolTime);
    write(11, d.CLO_Enable);
    for (int i = 0; i < 8; ++i)
        write(12 + i, d.CLO_TimeList.value(i));
    for (int i = 0; i < 8; ++i)
        write(20 + i, d.CLO_LevelList.value(i));
    write(28, d.moduleOperationTime_mins);
    write(29, d.moduleOperationTime_hrs);
    write(30, d.moduleOperationTime_hrs >> 8);
    write(31, d.moduleOperationTime_hrs >> 16);

    location(36);
    write(36, d.OTP_Enable);
    write(37, d.MTP_Enable);
    write(38, d.MTP_MinLevel);
    write(39, d.MTP_Start);
    write(40, d.MTP_Start >> 8);
    write(41, d.MTP_End);
    write(42, d.MTP_End >> 8);

    location(52);
    write(52, d.analogDimMinLevel);
    write(53, 0);
    write(54, d.analogDimStart);
    write(55, d.analogDimEnd);
    write(56, d.analogDimMode);
    for (int i = 0; i < 5; ++i)
        write(57 + i, d.TimeDimStepList.value(i));
    for (int i = 0; i < 5; ++i)
        write(62 + i, d.TimeDimLevelList.value(i));
    write(67, d.midnightOffset);
    for (int i = 0; i < 5; ++i)
        write(68 + i, d.TimeDimFadeTimeList.value(i));
    return s;
}

QList<DaliProgramming::WriteStep> DaliProgramming::buildResetSteps() const
{
    QList<WriteStep> s;
    s.append({WriteStep::Kind::SetLocation, BANK_LOCK_BYTE, 0});
    s.append({WriteStep::Kind::EnableWrite, 0, 0});
    s.append({WriteStep::Kind::Write, BANK_LOCK_BYTE, LOCK_UNLOCKED});
    s.append({WriteStep::Kind::SetLocation, MODULE_TIME_FIRST_ADDRESS, 0});
    for (int a = MODULE_TIME_FIRST_ADDRESS; a <= MODULE_TIME_LAST_ADDRESS; ++a)
        s.append({WriteStep::Kind::Write, a, 0});
    return s;
}

void DaliProgramming::runWriteSequence(bool reset)
{
    if (position == 0 && memoryLocationStep == 0) {
        // A bank that cannot hold the whole operating time is not cleared in part and called a
        // success: the reset fails before anything is written.
        if (reset && lastAddress < MODULE_TIME_LAST_ADDRESS) {
            state = DALI_PROG_STATE_RESET_DONE;
            resetOptResult(RESET_OPT_FAIL);
            return;
        }
        writeSteps = reset ? buildResetSteps() : buildProgramSteps();
    }
    const bool shortVariant = !reset && currentOnlyProduct(record.productIndex);

    while (position < writeSteps.size()) {
        const WriteStep step = writeSteps.at(position);
        switch (step.kind) {
        case WriteStep::Kind::SetLocation:
            if (setMemoryLocation(PARAMETER_BANK, step.address)) {
                if (reset)
                    trace(QString("Send reset opt command num: %1").arg(position));
                else if (shortVariant)
                    trace("setMemoryLocation(2, 2) then return");
                return;
            }
            if (shortVariant)
                trace("setMemoryLocation(2, 2) no return");
            ++position;
            break;
        case WriteStep::Kind::EnableWrite:
            if (reset)
                trace(QString("Send reset opt command num: %1").arg(position));
            ++position;
            sendDaliCommand(CMD_ENABLE_WRITE_MEMORY, 0);
            return;
        case WriteStep::Kind::Write:
            sentPosition = step.address;
            if (reset) {
                trace(QString("Send reset opt command num: %1").arg(position));
            } else {
                trace(QString("Send programming write command num: %1").arg(sentPosition));
                trace(QString("Write data =  %1").arg(step.value));
            }
            ++position;
            sendDaliCommand(CMD_WRITE_MEMORY_LOCATION, step.value);
            return;
        }
    }

    if (reset) {
        state = DALI_PROG_STATE_RESET_DONE;
        resetOptResult(RESET_OPT_SUCCESS);
    } else {
        handleProgrammingResult(true);
        dumpRecord();
    }
}

void DaliProgramming::dumpRecord() const
{
    trace(recordDumpLines(record, QStringLiteral(": ")).join('\n'));
}
