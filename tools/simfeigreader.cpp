#include "simfeigreader.h"

#include "simisotag.h"

#include <algorithm>

namespace {

constexpr quint8 CMD_INVENTORY = 0x01;
constexpr quint8 CMD_READ_MULTIPLE = 0x23;
constexpr quint8 CMD_WRITE_MULTIPLE = 0x24;
constexpr quint8 CMD_SELECT = 0x25;
// Inventory answer in front of the UID: one data set, transponder type ISO 15693, DSFID 0.
const char INVENTORY_HEADER[] = "\x01\x03\x00";
constexpr int INVENTORY_HEADER_SIZE = 3;
constexpr char BLOCK_SECURITY_STATUS = 0x00;
constexpr int SHORT_ANSWER_CUT = 3;

QByteArray reversedBlock(const QByteArray& data, int block)
{
    QByteArray b = data.mid(block * SimIsoTag::BLOCK_SIZE, SimIsoTag::BLOCK_SIZE);
    std::reverse(b.begin(), b.end());
    return b;
}

// True, using one up, while faults of a kind are pending.
bool takeFault(int& count)
{
    if (count <= 0)
        return false;
    --count;
    return true;
}

} // namespace

SimFeigReader::SimFeigReader(quint32 deviceId)
    : id(deviceId)
{
    setFeigReaderBackend(this);
}

SimFeigReader::~SimFeigReader()
{
    setFeigReaderBackend(nullptr);
}

void SimFeigReader::placeTag(SimIsoTag* tag)
{
    field = tag;
    selected = false;
}

void SimFeigReader::removeTag()
{
    placeTag(nullptr);
}

void SimFeigReader::unplug()
{
    plugged = false;
    devices.clear();
    readers.clear();
    selected = false;
}

void SimFeigReader::injectFault(Fault fault, int count)
{
    switch (fault) {
    case Fault::NoAnswer:
        noAnswerCount += count;
        break;
    case Fault::CorruptReadBack:
        corruptReadCount += count;
        break;
    case Fault::ShortReadAnswer:
        shortReadCount += count;
        break;
    case Fault::SelectRefused:
        refusedSelectCount += count;
        break;
    }
}

int SimFeigReader::scan()
{
    return plugged ? 0 : FEIG_ERR_NO_READER;
}

bool SimFeigReader::deviceId(int index, quint32* deviceId)
{
    if (!plugged || index != 0)
        return false;
    *deviceId = id;
    return true;
}

int SimFeigReader::openDevice(quint32 deviceId)
{
    if (!plugged || deviceId != id)
        return FEIG_ERR_NO_READER;
    devices << nextHandle;
    return nextHandle++;
}

bool SimFeigReader::isDevicePresent(int deviceHandle)
{
    return plugged && devices.contains(deviceHandle);
}

int SimFeigReader::newReader(int deviceHandle)
{
    if (!isDevicePresent(deviceHandle))
        return FEIG_ERR_NO_READER;
    readers << nextHandle;
    return nextHandle++;
}

int SimFeigReader::isoCommand(int readerHandle, int busAddress, const QByteArray& request, QByteArray& answer)
{
    Q_UNUSED(busAddress)
    received << request.toHex().toUpper();
    answer.clear();
    if (!plugged || !readers.contains(readerHandle))
        return FEIG_ERR_NO_READER;
    if (takeFault(noAnswerCount))
        return FEIG_STATUS_RF_ERROR;
    if (request.size() < 2)
        return FEIG_STATUS_UNKNOWN_COMMAND;

    switch (quint8(request.at(0))) {
    case CMD_INVENTORY:
        if (!field)
            return FEIG_STATUS_NO_TAG;
        answer = QByteArray(INVENTORY_HEADER, INVENTORY_HEADER_SIZE) + field->uid();
        return 0;
    case CMD_SELECT:
        if (!field || request.mid(2) != field->uid() || takeFault(refusedSelectCount))
            return FEIG_STATUS_NO_TAG;
        selected = true;
        return 0;
    case CMD_READ_MULTIPLE:
        return readBlocks(request, answer);
    case CMD_WRITE_MULTIPLE:
        return writeBlocks(request);
    default:
        return FEIG_STATUS_UNKNOWN_COMMAND;
    }
}

int SimFeigReader::readBlocks(const QByteArray& request, QByteArray& answer)
{
    if (!field)
        return FEIG_STATUS_NO_TAG;
    if (!selected || request.size() != 4)
        return FEIG_STATUS_TAG_ERROR;
    const int first = quint8(request.at(2));
    const int count = quint8(request.at(3));
    const QByteArray data = field->blocks(first, count);
    if (count == 0 || data.isEmpty())
        return FEIG_STATUS_TAG_ERROR;

    answer.append(char(count)).append(char(SimIsoTag::BLOCK_SIZE));
    for (int block = 0; block < count; ++block)
        answer.append(BLOCK_SECURITY_STATUS).append(reversedBlock(data, block));
    if (takeFault(corruptReadCount))
        answer[3] = char(~answer.at(3));
    if (takeFault(shortReadCount))
        answer.chop(SHORT_ANSWER_CUT);
    return 0;
}

int SimFeigReader::writeBlocks(const QByteArray& request)
{
    if (!field)
        return FEIG_STATUS_NO_TAG;
    constexpr int HEADER = 5; // command, mode, first block, count, block size
    if (!selected || request.size() < HEADER || quint8(request.at(4)) != SimIsoTag::BLOCK_SIZE)
        return FEIG_STATUS_TAG_ERROR;
    const int first = quint8(request.at(2));
    const int count = quint8(request.at(3));
    const QByteArray sent = request.mid(HEADER);
    if (count == 0 || sent.size() != count * SimIsoTag::BLOCK_SIZE || first + count > field->blockCount())
        return FEIG_STATUS_TAG_ERROR;

    QByteArray data;
    for (int block = 0; block < count; ++block)
        data += reversedBlock(sent, block);
    if (removeAfterBlocks >= 0) {
        const int stored = std::min(removeAfterBlocks, count);
        removeAfterBlocks = -1;
        field->setBlocks(first, data.left(stored * SimIsoTag::BLOCK_SIZE));
        removeTag();
        return FEIG_STATUS_RF_ERROR;
    }
    field->setBlocks(first, data);
    return 0;
}
