#include "iprogramming.h"

#include "globals.h"
#include "serialcommunication.h"
#include "usbframe.h"

#include <iterator>

namespace {

// Every answer to a SET_ command carries this one data byte when the driver took the command.
constexpr quint8 ACKNOWLEDGE = 0x7E;
// Data starts after the command byte and the length byte.
constexpr int DATA_OFFSET = 2;
constexpr int CRC_LENGTH = 2;

// A command goes out at most this many times in a row (the first time and three retries) before
// the operation is given up.
constexpr int MAX_SENDS_PER_COMMAND = 4;

// Number of elements each list command carries.
constexpr int CLO_POINTS = 8;
constexpr int SCHEDULE_STEPS = 5;

// Whole answer length (frame plus data) per command code; codes 0, 14-17 and above 31 are never
// sent and would be answered without data. 29 and 30 depend on the driver (answerLength()).
constexpr int ANSWER_LENGTH[] = {
    4, 6, 5, 5, 5, 5, 5, 5, 5, 5, 5, 5, 5, 5, // 0-13
    4, 4, 4, 4,                               // 14-17
    5, 6, 9, 5, 10, 8, 12, 12, 9, 9, 10,      // 18-28
    5, 5, 5,                                  // 29-31
};
static_assert(std::size(ANSWER_LENGTH) == 32, "one answer length per command code 0..31");
constexpr int NO_DATA_ANSWER_LENGTH = 4;
constexpr int FADE_TIME_ANSWER_LENGTH = 9;
constexpr int TWO_BYTE_VERSION_ANSWER_LENGTH = 6;

// Command orders. In the older set products 50 and 54 take nothing after SET_FUNCTION_ENABLE.
constexpr int READ_ORDER_NEWER[] = {1, 18, 19, 20, 21, 22, 23, 24, 25, 26, 27, 28, 29, 30, 31};
constexpr int READ_ORDER_OLDER[] = {1, 18, 19, 20, 22, 23, 24, 25, 26, 27, 28, 30};
constexpr int PROGRAM_ORDER_NEWER[] = {2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13};
constexpr int PROGRAM_ORDER_OLDER[] = {2, 3, 4, 6, 7, 8, 9, 10, 11};
constexpr int PROGRAM_ORDER_OLDER_SHORT[] = {2, 3, 4, 6, 7};

bool shortOlderProduct(int productIndex)
{
    return productIndex == 50 || productIndex == 54;
}

struct ReadProgressStep
{
    int command;
    const char* text;
    int value;
};

const ReadProgressStep READ_PROGRESS[] = {
    {1, "Reading product SN...", 1},
    {18, "Reading dimming type...", 2},
    {19, "Reading output current...", 3},
    {20, "Reading 0-10V dimming parameters...", 4},
    {22, "Reading thermal derating...", 5},
    {23, "Reading function enable...", 6},
    {24, "Reading constant lumen output...", 7},
    {25, "Reading EOL function...", 8},
    {26, "Reading smart timer dimming parameters...", 9},
    {28, "Reading operation time...", 10},
    {30, "Reading firmware version...", 11},
};

// Older-set dimming mode codes; the record keeps the newer codes.
constexpr quint8 OLDER_DIM_0_10V = 0;
constexpr quint8 OLDER_DIM_FIXED_TIMER = 1;
constexpr quint8 OLDER_DIM_TIMER_OVERRIDE = 2;
constexpr quint8 OLDER_DIM_DALI = 3;
constexpr quint8 DIM_FIXED_TIMER_OVERRIDE = 0x81;

// Products whose driver reports no dimming mode of its own.
constexpr int PRODUCT_WITHOUT_DIM_MODE = 117;
// Older products with a fixed 0-10V curve the driver does not report.
bool fixedAnalogCurveProduct(int productIndex)
{
    return productIndex == 44 || productIndex == 48 || productIndex == 52;
}
constexpr quint8 FIXED_ANALOG_MIN_LEVEL = 1;
constexpr quint16 FIXED_ANALOG_START = 85;
constexpr quint16 FIXED_ANALOG_END = 11;

// Data byte n of an answer (n = 0 is the first data byte); 0 beyond its end.
int dataByte(const QByteArray& answer, int n)
{
    const int at = DATA_OFFSET + n;
    return at < answer.size() ? quint8(answer.at(at)) : 0;
}

int dataWord(const QByteArray& answer, int n)
{
    return dataByte(answer, n) + 256 * dataByte(answer, n + 1);
}

int data24(const QByteArray& answer, int n)
{
    return dataWord(answer, n) + 65536 * dataByte(answer, n + 2);
}

// Exactly count elements from the answer: a list the window handed over shorter or longer than
// the driver's table never leaves a stale or missing element behind.
QList<int> dataList(const QByteArray& answer, int count)
{
    QList<int> list;
    for (int i = 0; i < count; ++i)
        list.append(dataByte(answer, i));
    return list;
}

// Exactly count low bytes: missing elements go out as 0, surplus ones are not sent.
void appendList(QByteArray& data, const QList<int>& list, int count)
{
    for (int i = 0; i < count; ++i)
        data.append(char(list.value(i, 0) & 0xFF));
}

void appendByte(QByteArray& data, int value)
{
    data.append(char(value & 0xFF));
}

void appendWord(QByteArray& data, int value)
{
    appendByte(data, value);
    appendByte(data, value >> 8);
}

} // namespace

void selectProductModel(int productIndex)
{
    const ProductRecord* product = productRecord(productIndex);
    productFeature2000 = (product && (product->driverFeature & DF_STEP_FADE_TIMES)) ? 1 : 0;
}

iProgramming::iProgramming(QObject* parent) : ProgEngine(parent) {}

iProgramming::~iProgramming() = default;

// ---------------------------------------------------------------------------------------------
// Common operations

iProgramming::Operation iProgramming::stopOperation()
{
    const Operation running = state == IPROG_READING       ? Operation::Read
                              : state == IPROG_RESETTING   ? Operation::Reset
                              : state == IPROG_PROGRAMMING ? Operation::Program
                                                           : Operation::None;
    if (running == Operation::Program)
        emit debug_msg("Programming fail.");
    state = IPROG_IDLE;
    currentCommand = 0;
    expectedCommand = 0;
    resendAwaited = false;
    sendsInRow = 0;
    return running;
}

bool iProgramming::driverMatchesProfile() const
{
    return loadedProfileProductIndex == driverProduct;
}

void iProgramming::handleProgrammingResult(bool ok)
{
    if (ok) {
        state = IPROG_PROGRAM_DONE;
        reportProgrammingState(PROG_STATE_SUCCESS);
        emit debug_msg("Programming success.");
    } else {
        emit debug_msg("Programming fail.");
        reportProgrammingState(PROG_STATE_FAIL);
    }
}

int iProgramming::toolPortKind() const
{
    return SerialCommunication::TOOL_KIND_IPROG;
}

QString iProgramming::toolConnectedText() const
{
    return QStringLiteral("iProgramming tool connected. Note: LED driver is powered through USB port. Do not "
                          "connect AC line to LED driver");
}

// ---------------------------------------------------------------------------------------------
// Commands and answers

bool iProgramming::newerCommandSet() const
{
    return driverProduct >= FIRST_NEWER_PRODUCT;
}

int iProgramming::answerLength(int command) const
{
    if (command == CMD_QUERY_EOL_TIME && productFeature2000)
        return FADE_TIME_ANSWER_LENGTH;
    if (command == CMD_QUERY_FW_VERSION && newerCommandSet())
        return TWO_BYTE_VERSION_ANSWER_LENGTH;
    if (command < 0 || command >= int(std::size(ANSWER_LENGTH)))
        return NO_DATA_ANSWER_LENGTH;
    return ANSWER_LENGTH[command];
}

void iProgramming::sendIProgCommand(int cmd, const QByteArray& data)
{
    expectedCommand = cmd;
    lastData = data;
    requestOutstanding = true;
    emit sendCommand(cmd, data, SENDER_IPROG);
}

bool iProgramming::checkResponseFrame(const QByteArray& data)
{
    if (data.size() != answerLength(expectedCommand)) {
        emit debug_msg("data length error. ");
        return false;
    }
    if (quint8(data.at(0)) != expectedCommand)
        return false;
    const int crc = crc16Modbus(reinterpret_cast<const quint8*>(data.constData()), quint16(data.size() - CRC_LENGTH));
    const int carried = quint8(data.at(data.size() - 1)) * 256 + quint8(data.at(data.size() - 2));
    if (crc != carried) {
        emit debug_msg("CRC check error");
        return false;
    }
    return true;
}

// ---------------------------------------------------------------------------------------------
// Driver detection

void iProgramming::probeDriver()
{
    state = driverState == DRIVER_CONNECTED ? IPROG_DETECTING : IPROG_IDLE;
    sendIProgCommand(CMD_QUERY_DRIVER_SN, QByteArray());
    enableDriverDetectTimer();
}

void iProgramming::handleDetectionAnswer(const QByteArray& data, bool valid)
{
    // Only a checked answer names the driver: a garbled one must not pass for another product.
    if (valid)
        driverProduct = dataByte(data, 0) * 256 + dataByte(data, 1);
    if (!valid || driverProduct == 0) {
        handleCommError(COMM_ERR_INVALID_ANSWER);
        return;
    }
    currentCommand = 0;
    expectedCommand = 0;
    resendAwaited = false;
    sendsInRow = 0;
    driverFound(state == IPROG_IDLE, driverProduct == record.productIndex);
}

void iProgramming::beginOperation(Operation op)
{
    state = op == Operation::Program ? IPROG_PROGRAMMING : op == Operation::Reset ? IPROG_RESETTING : IPROG_READING;
    disableDriverDetectTimer();
}

void iProgramming::iProgrammingResponse(QByteArray data)
{
    if (!enabled)
        return;
    requestOutstanding = false;
    const bool valid = checkResponseFrame(data);

    switch (state) {
    case IPROG_IDLE:
    case IPROG_DETECTING:
        handleDetectionAnswer(data, valid);
        break;
    case IPROG_READING:
        if (!valid) {
            handleCommError(COMM_ERR_INVALID_ANSWER);
            return;
        }
        decodeAnswer(expectedCommand, data);
        resendAwaited = false;
        sendsInRow = 0;
        break;
    case IPROG_RESETTING:
    case IPROG_PROGRAMMING: {
        const bool setCommand = state == IPROG_RESETTING
                                    ? expectedCommand == CMD_SET_OR_CLEAR_MODULE_OPERATION_HOUR
                                    : expectedCommand >= CMD_SET_DIM_MODE && expectedCommand <= CMD_SET_EOL_TIME;
        if (setCommand && !(valid && dataByte(data, 0) == ACKNOWLEDGE)) {
            handleCommError(COMM_ERR_INVALID_ANSWER);
            return;
        }
        resendAwaited = false;
        sendsInRow = 0;
        break;
    }
    default:
        resendAwaited = false;
        sendsInRow = 0;
        break;
    }
}

bool iProgramming::showsDriverRemoval(bool unusableAnswer) const
{
    // An unusable answer to the probe counts as the driver taken away, whatever the last result.
    return programmingResult() == PROG_RESULT_SUCCESS || unusableAnswer;
}

void iProgramming::handleCommError(int error_type)
{
    if (toolLostWith(error_type))
        return;
    if (error_type != COMM_ERR_TIMEOUT && error_type != COMM_ERR_INVALID_ANSWER)
        return;

    switch (state) {
    case IPROG_IDLE:
    case IPROG_DETECTING:
        // No usable answer to the probe: the driver counts as taken away.
        driverLost(error_type == COMM_ERR_INVALID_ANSWER);
        break;
    case IPROG_READING:
    case IPROG_RESETTING:
    case IPROG_PROGRAMMING:
        retryOrGiveUp();
        break;
    default:
        break;
    }
}

void iProgramming::retryOrGiveUp()
{
    resendAwaited = true;
    ++sendsInRow;
    if (sendsInRow < MAX_SENDS_PER_COMMAND) {
        sendIProgCommand(currentCommand, lastData);
        return;
    }
    // The same command failed four times in a row: the operation ends as failed, whatever steps
    // went through before, and the driver is taken as lost.
    endOperation();
    setDriverConnected(DRIVER_DISCONNECTED);
    enableDriverDetectTimer();
}

// ---------------------------------------------------------------------------------------------
// Sequences

void iProgramming::sendProgrammingCmdSequence()
{
    if (!enabled)
        return;
    // The failed command went out again; its answer is awaited.
    if (resendAwaited)
        return;

    switch (state) {
    case IPROG_IDLE:
    case IPROG_DETECTING:
        currentCommand = 0;
        expectedCommand = 0;
        return;
    case IPROG_READING:
        runReadSequence();
        break;
    case IPROG_PROGRAMMING:
        runProgramSequence();
        break;
    case IPROG_RESETTING:
        runResetSequence();
        break;
    default:
        break;
    }

    resumePolling(state, {IPROG_READ_DONE, IPROG_RESET_DONE, IPROG_PROGRAM_DONE}, IPROG_DETECTING);
}

// The command after the current one in the given order; 0 past its end.
int iProgramming::nextCommand(const int* order, int count) const
{
    if (currentCommand == 0)
        return order[0];
    for (int i = 0; i + 1 < count; ++i) {
        if (order[i] == currentCommand)
            return order[i + 1];
    }
    return 0;
}

void iProgramming::runReadSequence()
{
    currentCommand = newerCommandSet() ? nextCommand(READ_ORDER_NEWER, int(std::size(READ_ORDER_NEWER)))
                                       : nextCommand(READ_ORDER_OLDER, int(std::size(READ_ORDER_OLDER)));
    if (currentCommand == 0) {
        state = IPROG_READ_DONE;
        reportReadComplete();
        return;
    }
    for (const ReadProgressStep& step : READ_PROGRESS) {
        if (step.command == currentCommand)
            emit productInfoReadUpdateSignal(READ_STATE_PROGRESS, step.text, step.value);
    }
    sendIProgCommand(currentCommand, QByteArray());
}

void iProgramming::runProgramSequence()
{
    if (newerCommandSet())
        currentCommand = nextCommand(PROGRAM_ORDER_NEWER, int(std::size(PROGRAM_ORDER_NEWER)));
    else if (shortOlderProduct(driverProduct))
        currentCommand = nextCommand(PROGRAM_ORDER_OLDER_SHORT, int(std::size(PROGRAM_ORDER_OLDER_SHORT)));
    else
        currentCommand = nextCommand(PROGRAM_ORDER_OLDER, int(std::size(PROGRAM_ORDER_OLDER)));
    if (currentCommand == 0) {
        handleProgrammingResult(true);
        return;
    }
    sendIProgCommand(currentCommand, commandData(currentCommand));
}

void iProgramming::runResetSequence()
{
    if (currentCommand == 0) {
        currentCommand = CMD_SET_OR_CLEAR_MODULE_OPERATION_HOUR;
        // The newer set takes the new operating time (minutes, hours in three bytes); the older
        // set clears it on the bare command.
        sendIProgCommand(currentCommand, newerCommandSet() ? QByteArray(4, '\0') : QByteArray());
        return;
    }
    state = IPROG_RESET_DONE;
    resetOptResult(RESET_OPT_SUCCESS);
}

// Data of a SET_ command from the record.
QByteArray iProgramming::commandData(int command) const
{
    const ProgDataStructDef& d = record;
    const bool newer = newerCommandSet();
    QByteArray data;
    switch (command) {
    case CMD_SET_DIM_MODE:
        if (newer)
            appendByte(data, d.dimFunctionType);
        else if (d.dimFunctionType == DIM_FIXED_TIMER_OVERRIDE)
            appendByte(data, OLDER_DIM_TIMER_OVERRIDE);
        else if (d.dimFunctionType == OLDER_DIM_FIXED_TIMER)
            appendByte(data, OLDER_DIM_FIXED_TIMER);
        else
            appendByte(data, OLDER_DIM_0_10V);
        break;
    case CMD_SET_OUTPUT_CURRENT:
        appendWord(data, d.current);
        break;
    case CMD_SET_DIM_FUNCTION:
        appendByte(data, d.analogDimMinLevel);
        appendByte(data, d.analogDimMaxLevel);
        appendByte(data, d.analogDimStart);
        appendByte(data, d.analogDimEnd);
        appendByte(data, d.analogDimMode);
        break;
    case CMD_SET_MIDNIGHT_SHIFT:
        appendByte(data, d.midnightOffset);
        break;
    case CMD_SET_MODULE_THERMAL_DERATING:
        appendByte(data, d.MTP_MinLevel);
        if (!newer)
            appendByte(data, d.MTP_MaxLevel);
        appendWord(data, d.MTP_Start);
        appendWord(data, d.MTP_End);
        if (newer)
            appendByte(data, d.MTP_MaxLevel);
        break;
    case CMD_SET_FUNCTION_ENABLE:
        appendByte(data, d.MTP_Enable);
        appendByte(data, d.CLO_Enable);
        // With per-step fade times the EOL time has no command of its own and rides here.
        appendByte(data, newer && productFeature2000 ? d.userEolTime : d.EOL_Enable);
        appendByte(data, d.OTP_Enable);
        break;
    case CMD_SET_CONSTANT_LUMEN_TIMER:
        appendList(data, d.CLO_TimeList, CLO_POINTS);
        break;
    case CMD_SET_CONSTANT_LUMEN_LEVEL:
        appendList(data, d.CLO_LevelList, CLO_POINTS);
        break;
    case CMD_SET_SCHEDULE_TIMER:
        appendList(data, d.TimeDimStepList, SCHEDULE_STEPS);
        break;
    case CMD_SET_SCHEDULE_LEVEL:
        appendList(data, d.TimeDimLevelList, SCHEDULE_STEPS);
        break;
    case CMD_SET_OR_CLEAR_MODULE_OPERATION_HOUR:
        appendByte(data, d.moduleOperationTime_mins);
        appendWord(data, d.moduleOperationTime_hrs);
        appendByte(data, d.moduleOperationTime_hrs >> 16);
        break;
    case CMD_SET_EOL_TIME:
        if (productFeature2000)
            appendList(data, d.TimeDimFadeTimeList, SCHEDULE_STEPS);
        else
            appendByte(data, d.userEolTime);
        break;
    default:
        break;
    }
    return data;
}

// Fills the record from a checked answer to a QUERY_ command.
void iProgramming::decodeAnswer(int command, const QByteArray& a)
{
    ProgDataStructDef& d = record;
    const bool newer = newerCommandSet();
    switch (command) {
    case CMD_QUERY_DRIVER_SN:
        // The one big-endian value of the protocol.
        d.productIndex = quint16(dataByte(a, 0) * 256 + dataByte(a, 1));
        if (newer)
            selectProductModel(d.productIndex);
        break;
    case CMD_QUERY_DIM_MODE: {
        const quint8 mode = quint8(dataByte(a, 0));
        if (newer)
            d.dimFunctionType = d.productIndex == PRODUCT_WITHOUT_DIM_MODE ? 0 : mode;
        else if (mode == OLDER_DIM_0_10V || mode == OLDER_DIM_FIXED_TIMER || mode == OLDER_DIM_DALI)
            d.dimFunctionType = mode;
        else if (mode == OLDER_DIM_TIMER_OVERRIDE)
            d.dimFunctionType = DIM_FIXED_TIMER_OVERRIDE;
        else
            d.dimFunctionType = 0;
        break;
    }
    case CMD_QUERY_OUTPUT_CURRENT:
        d.current = quint16(dataWord(a, 0));
        break;
    case CMD_QUERY_DIM_FUNCTION:
        d.analogDimMinLevel = quint8(dataByte(a, 0));
        if (newer)
            d.analogDimMaxLevel = quint8(dataByte(a, 1));
        d.analogDimStart = quint16(dataByte(a, 2));
        d.analogDimEnd = quint16(dataByte(a, 3));
        d.analogDimMode = quint8(dataByte(a, 4));
        if (!newer && fixedAnalogCurveProduct(d.productIndex)) {
            d.analogDimMinLevel = FIXED_ANALOG_MIN_LEVEL;
            d.analogDimStart = FIXED_ANALOG_START;
            d.analogDimEnd = FIXED_ANALOG_END;
        }
        break;
    case CMD_QUERY_MIDNIGHT_SHIFT:
        d.midnightOffset = qint8(dataByte(a, 0));
        break;
    case CMD_QUERY_MODULE_THERMAL_DERATING:
        d.MTP_MinLevel = quint8(dataByte(a, 0));
        if (newer) {
            d.MTP_Start = quint16(dataWord(a, 1));
            d.MTP_End = quint16(dataWord(a, 3));
            d.MTP_MaxLevel = quint8(dataByte(a, 5));
        } else {
            d.MTP_MaxLevel = quint8(dataByte(a, 1));
            d.MTP_Start = quint16(dataWord(a, 2));
            d.MTP_End = quint16(dataWord(a, 4));
        }
        break;
    case CMD_QUERY_FUNCTION_ENABLE:
        d.MTP_Enable = dataByte(a, 0) != 0;
        d.CLO_Enable = dataByte(a, 1) != 0;
        d.EOL_Enable = dataByte(a, 2) != 0;
        if (newer)
            d.userEolTime = quint8(dataByte(a, 2));
        d.OTP_Enable = dataByte(a, 3) != 0;
        break;
    case CMD_QUERY_CONSTANT_LUMEN_TIMER:
        d.CLO_TimeList = dataList(a, CLO_POINTS);
        break;
    case CMD_QUERY_CONSTANT_LUMEN_LEVEL:
        d.CLO_LevelList = dataList(a, CLO_POINTS);
        break;
    case CMD_QUERY_SCHEDULE_TIMER:
        d.TimeDimStepList = dataList(a, SCHEDULE_STEPS);
        break;
    case CMD_QUERY_SCHEDULE_LEVEL:
        d.TimeDimLevelList = dataList(a, SCHEDULE_STEPS);
        break;
    case CMD_QUERY_OPERATION_TIME:
        d.moduleOperationTime_hrs = data24(a, 0);
        d.driverOperationTime_hrs = data24(a, 3);
        if (newer) {
            d.moduleOperationTime_mins = 0;
            d.driverOperationTime_mins = 0;
        }
        break;
    case CMD_QUERY_EOL_TIME:
        if (productFeature2000)
            d.TimeDimFadeTimeList = dataList(a, SCHEDULE_STEPS);
        else
            d.userEolTime = quint8(dataByte(a, 0));
        break;
    case CMD_QUERY_FW_VERSION:
        d.firmwareVersion = quint16(newer ? dataWord(a, 0) : dataByte(a, 0));
        break;
    case CMD_QUERY_TABLE_VERSION:
        d.tableVersion = quint8(dataByte(a, 0));
        break;
    default:
        break;
    }
}
