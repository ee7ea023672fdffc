#include "virtualdriver.h"

namespace {

// Address bytes of the special commands (IEC 62386-102, table of special commands).
constexpr quint8 SPECIAL_DTR0 = 0xA3;
constexpr quint8 SPECIAL_INITIALISE = 0xA5;
constexpr quint8 SPECIAL_RANDOMISE = 0xA7;
constexpr quint8 SPECIAL_DTR1 = 0xC3;
constexpr quint8 SPECIAL_DTR2 = 0xC5;
constexpr quint8 SPECIAL_WRITE_MEMORY = 0xC7;
constexpr quint8 SPECIAL_WRITE_MEMORY_NO_REPLY = 0xC9;
constexpr quint8 SPECIAL_FIRST = 0xA1;
constexpr quint8 SPECIAL_LAST = 0xCB;

constexpr quint8 ADDRESS_BROADCAST_UNADDRESSED = 0xFD;
constexpr quint8 ADDRESS_BROADCAST = 0xFF;
constexpr quint8 ADDRESS_GROUP_FIRST = 0x80;

// Standard commands (opcodes).
constexpr quint8 CMD_CONFIG_FIRST = 32;
constexpr quint8 CMD_CONFIG_LAST = 129;
constexpr quint8 CMD_ENABLE_WRITE_MEMORY = 129;
constexpr quint8 CMD_QUERY_CONTROL_GEAR_PRESENT = 145;
constexpr quint8 CMD_QUERY_CONTENT_DTR0 = 152;
constexpr quint8 CMD_QUERY_DEVICE_TYPE = 153;
constexpr quint8 CMD_QUERY_CONTENT_DTR1 = 156;
constexpr quint8 CMD_QUERY_CONTENT_DTR2 = 157;
constexpr quint8 CMD_READ_MEMORY_LOCATION = 197;

constexpr int ANSWER_YES = 0xFF;
constexpr int BANK_LAST_ADDRESS = 0;
constexpr int BANK_LOCK_BYTE = 2;
constexpr int PARAMETER_BANK = 2;
constexpr int BANK0_LAST_BANK_LOCATION = 2;

// Energy reporting banks: header, then energy scale, 48-bit energy, power scale, 32-bit power.
constexpr int ENERGY_BANK_FIRST = 202;
constexpr int ENERGY_BANK_LAST = 204;
constexpr int ENERGY_BANK_LAST_LOCATION = 0x0F;
constexpr int ENERGY_BANK_VERSION_LOCATION = 3;
constexpr quint8 ENERGY_BANK_VERSION = 0x01;
constexpr int ENERGY_BANK_VALUES_FIRST = 4;
constexpr int ENERGY_FIELD_FIRST = 5;
constexpr int ENERGY_FIELD_LAST = 10;
constexpr int POWER_FIELD_FIRST = 12;
constexpr int POWER_FIELD_LAST = 15;

// Memory bank 0 of a gear with banks up to 2: last accessible address 0x1A, last bank 2,
// the identification bytes left blank.
QByteArray defaultBank0()
{
    QByteArray b(0x1B, '\0');
    b[0] = char(0x1A);
    b[2] = char(PARAMETER_BANK);
    return b;
}

} // namespace

VirtualDriver::VirtualDriver()
    : bank0(defaultBank0())
    , bank2Data(1, '\0')
{
}

VirtualDriver::~VirtualDriver() = default;

void VirtualDriver::setBank2(const QByteArray& content)
{
    const int last = content.isEmpty() ? 0 : quint8(content.at(0));
    bank2Data = content.left(last + 1);
    if (bank2Data.size() < last + 1)
        bank2Data.append(QByteArray(last + 1 - bank2Data.size(), '\0'));
    bank2Data[0] = char(last);
}

QByteArray VirtualDriver::bank2() const
{
    return bank2Data;
}

void VirtualDriver::setEnergyBank(int number, const QByteArray& values)
{
    if (number < ENERGY_BANK_FIRST || number > ENERGY_BANK_LAST)
        return;
    QByteArray content(ENERGY_BANK_LAST_LOCATION + 1, '\0');
    content[BANK_LAST_ADDRESS] = char(ENERGY_BANK_LAST_LOCATION);
    content[BANK_LOCK_BYTE] = char(LOCK_POWER_ON);
    content[ENERGY_BANK_VERSION_LOCATION] = char(ENERGY_BANK_VERSION);
    // A bank already there keeps its lock byte.
    if (energyBanks.contains(number))
        content[BANK_LOCK_BYTE] = energyBanks.value(number).at(BANK_LOCK_BYTE);
    const int count = qMin(values.size(), content.size() - ENERGY_BANK_VALUES_FIRST);
    content.replace(ENERGY_BANK_VALUES_FIRST, count, values.left(count));
    energyBanks.insert(number, content);
    bank0[BANK0_LAST_BANK_LOCATION] = char(energyBanks.lastKey());
}

void VirtualDriver::unplug()
{
    pluggedIn = false;
}

void VirtualDriver::plugIn()
{
    if (!pluggedIn)
        powerOn();
    pluggedIn = true;
}

bool VirtualDriver::isPluggedIn() const
{
    return pluggedIn;
}

void VirtualDriver::powerOn()
{
    dtr0Value = 0;
    dtr1Value = 0;
    dtr2Value = 0;
    writeEnableState = false;
    configPending = false;
    if (bank2Data.size() > BANK_LOCK_BYTE)
        bank2Data[BANK_LOCK_BYTE] = char(LOCK_POWER_ON);
    for (QByteArray& content : energyBanks)
        content[BANK_LOCK_BYTE] = char(LOCK_POWER_ON);
    latchBytes.clear();
}

void VirtualDriver::setAnswerMode(AnswerMode m)
{
    mode = m;
}

VirtualDriver::AnswerMode VirtualDriver::answerMode() const
{
    return mode;
}

void VirtualDriver::setGarbageAnswer(int answer)
{
    garbage = answer;
}

int VirtualDriver::garbageAnswer() const
{
    return garbage;
}

void VirtualDriver::setShortAddress(int a)
{
    shortAddress = (a >= 0 && a < 64) ? a : MASK;
}

QList<QPair<quint8, quint8>> VirtualDriver::frames() const
{
    return frameLog;
}

void VirtualDriver::clearFrames()
{
    frameLog.clear();
}

int VirtualDriver::writeCount() const
{
    return writes;
}

quint8 VirtualDriver::dtr0() const
{
    return dtr0Value;
}

quint8 VirtualDriver::dtr1() const
{
    return dtr1Value;
}

bool VirtualDriver::writeEnabled() const
{
    return writeEnableState;
}

int VirtualDriver::forwardFrame(quint8 addressByte, quint8 dataByte)
{
    if (!pluggedIn)
        return NO_ANSWER;
    frameLog.append(qMakePair(addressByte, dataByte));

    const bool special = (addressByte & 0x01) && addressByte >= SPECIAL_FIRST && addressByte <= SPECIAL_LAST;
    const bool configFrame =
        special ? (addressByte == SPECIAL_INITIALISE || addressByte == SPECIAL_RANDOMISE)
                : ((addressByte & 0x01) && dataByte >= CMD_CONFIG_FIRST && dataByte <= CMD_CONFIG_LAST);

    // A configuration command counts only when the same frame comes twice in a row; its first
    // frame alone does nothing, and any other frame in between drops it.
    if (configFrame) {
        if (!configPending || pendingAddress != addressByte || pendingData != dataByte) {
            configPending = true;
            pendingAddress = addressByte;
            pendingData = dataByte;
            return NO_ANSWER;
        }
        configPending = false;
    } else {
        configPending = false;
    }

    int answer = NO_ANSWER;
    if (special)
        answer = handleSpecial(addressByte, dataByte);
    else if (addressedToMe(addressByte) && (addressByte & 0x01))
        answer = handleStandard(dataByte);
    else if (addressedToMe(addressByte))
        writeEnableState = false; // direct arc power: never answered, but it ends writing
    // else: a frame for another gear or a reserved address byte

    if (answer == NO_ANSWER || mode == AnswerMode::Silent)
        return NO_ANSWER;
    if (mode == AnswerMode::Garbage)
        return garbage;
    return answer;
}

bool VirtualDriver::addressedToMe(quint8 addressByte) const
{
    const quint8 a = addressByte & 0xFE;
    if (a == (ADDRESS_BROADCAST & 0xFE))
        return true;
    if (a == (ADDRESS_BROADCAST_UNADDRESSED & 0xFE))
        return shortAddress == MASK;
    if (a < ADDRESS_GROUP_FIRST)
        return shortAddress != MASK && (a >> 1) == shortAddress;
    return false; // member of no group; any other address byte is reserved
}

int VirtualDriver::handleSpecial(quint8 addressByte, quint8 dataByte)
{
    switch (addressByte) {
    case SPECIAL_DTR0:
        dtr0Value = dataByte;
        return NO_ANSWER;
    case SPECIAL_DTR1:
        dtr1Value = dataByte;
        return NO_ANSWER;
    case SPECIAL_DTR2:
        dtr2Value = dataByte;
        return NO_ANSWER;
    case SPECIAL_WRITE_MEMORY:
    case SPECIAL_WRITE_MEMORY_NO_REPLY:
        if (!writeEnableState)
            return NO_ANSWER;
        return writeMemory(dataByte, addressByte == SPECIAL_WRITE_MEMORY);
    default:
        // Addressing and other special commands are not modelled; they still end writing.
        writeEnableState = false;
        return NO_ANSWER;
    }
}

int VirtualDriver::handleStandard(quint8 opcode)
{
    // Writing stays enabled only across the commands that prepare or perform a write.
    switch (opcode) {
    case CMD_ENABLE_WRITE_MEMORY:
        writeEnableState = true;
        return NO_ANSWER;
    case CMD_QUERY_CONTENT_DTR0:
        return dtr0Value;
    case CMD_QUERY_CONTENT_DTR1:
        return dtr1Value;
    case CMD_QUERY_CONTENT_DTR2:
        return dtr2Value;
    default:
        break;
    }

    writeEnableState = false;
    switch (opcode) {
    case CMD_QUERY_CONTROL_GEAR_PRESENT:
        return ANSWER_YES;
    case CMD_QUERY_DEVICE_TYPE:
        return DEVICE_TYPE_LED;
    case CMD_READ_MEMORY_LOCATION:
        return readMemory();
    default:
        return NO_ANSWER;
    }
}

QByteArray* VirtualDriver::bank(int number)
{
    if (number == 0)
        return &bank0;
    if (number == PARAMETER_BANK)
        return &bank2Data;
    if (energyBanks.contains(number))
        return &energyBanks[number];
    return nullptr;
}

int VirtualDriver::readMemory()
{
    const QByteArray* b = bank(dtr1Value);
    if (!b)
        return NO_ANSWER; // bank not implemented: DTR0 stays
    const int location = dtr0Value;
    if (dtr0Value < 0xFF)
        ++dtr0Value;
    if (location > quint8(b->at(BANK_LAST_ADDRESS)))
        return NO_ANSWER;
    if (energyBanks.contains(dtr1Value))
        return readEnergyLocation(dtr1Value, *b, location);
    latchBytes.clear();
    return quint8(b->at(location));
}

int VirtualDriver::readEnergyLocation(int bankNumber, const QByteArray& content, int location)
{
    if (location == ENERGY_FIELD_FIRST || location == POWER_FIELD_FIRST) {
        const int last = location == ENERGY_FIELD_FIRST ? ENERGY_FIELD_LAST : POWER_FIELD_LAST;
        latchBank = bankNumber;
        latchFirst = location;
        latchBytes = content.mid(location, last - location + 1);
    }
    const int offset = location - latchFirst;
    if (latchBank == bankNumber && offset >= 0 && offset < latchBytes.size())
        return quint8(latchBytes.at(offset));
    latchBytes.clear();
    return quint8(content.at(location));
}

int VirtualDriver::writeMemory(quint8 value, bool reply)
{
    QByteArray* b = bank(dtr1Value);
    if (!b)
        return NO_ANSWER;
    const int location = dtr0Value;
    if (dtr0Value < 0xFF)
        ++dtr0Value;
    if (location > quint8(b->at(BANK_LAST_ADDRESS)))
        return NO_ANSWER;

    // Bank 0 and every bank's last-address byte are read-only; the lock byte itself can always be
    // written, everything else only while the lock byte holds 0x55. The energy banks hold
    // measurements: only their lock byte takes a write.
    bool writable = false;
    if (energyBanks.contains(dtr1Value)) {
        writable = location == BANK_LOCK_BYTE;
    } else if (b != &bank0 && location != BANK_LAST_ADDRESS) {
        writable = location == BANK_LOCK_BYTE
                   || (b->size() > BANK_LOCK_BYTE && quint8(b->at(BANK_LOCK_BYTE)) == LOCK_UNLOCKED);
    }
    if (!writable)
        return NO_ANSWER;

    (*b)[location] = char(value);
    ++writes;
    return reply ? value : NO_ANSWER;
}
