#include "simcr95hfreader.h"

#include "cr95hflibrary.h"
#include "simisotag.h"

namespace {

constexpr char STATUS_DONE = 0x00;
constexpr char STATUS_FRAME = char(0x80);
constexpr char STATUS_INVALID_COMMAND = char(0x82);
constexpr char STATUS_TIMED_OUT = char(0x87);

constexpr char FLAGS_OK = 0x00;
constexpr char FLAGS_ERROR = 0x01;
constexpr char ERROR_BLOCK_NOT_AVAILABLE = 0x10;
constexpr char ERROR_NOT_SUPPORTED = 0x01;

constexpr char ISO_15693_SELECT[] = "\x01\x0D";
constexpr char INVENTORY[] = "\x02\xA0\x01\x26";
constexpr char FLAGS_HIGH_RATE = 0x02;
constexpr char FLAGS_ADDRESSED = 0x22;
constexpr char RESET_TO_READY = 0x26;
constexpr char READ_MULTIPLE = 0x23;
constexpr char WRITE_SINGLE = 0x21;
constexpr int UID_BYTES = 8;
constexpr int ADDRESSED_HEADER = 2 + UID_BYTES;
constexpr int TRAILER_BYTES = 3; // CRC and the reader's status, not checked by anyone

const QByteArray TIMED_OUT = QByteArray(1, STATUS_TIMED_OUT) + '\0';

// A frame from the tag: its flags byte and data, with the reader's header and trailer.
QByteArray tagFrame(char flags, const QByteArray& data = QByteArray())
{
    QByteArray frame(1, STATUS_FRAME);
    frame.append(char(1 + data.size() + TRAILER_BYTES)).append(flags).append(data);
    return frame.append(TRAILER_BYTES, '\0');
}

QByteArray tagError(char code)
{
    return tagFrame(FLAGS_ERROR, QByteArray(1, code));
}

} // namespace

SimCr95hfReader::SimCr95hfReader()
    : pinAnswer(QByteArray::fromHex("000100"))
{
    Cr95hfLibrary library;
    install = reinterpret_cast<void (*)(Cr95hfBackend*)>(library.resolve(CR95HF_SIM_INSTALL));
    if (install)
        install(this);
}

SimCr95hfReader::~SimCr95hfReader()
{
    // The library stays loaded for the life of the process, so the entry point is still there.
    if (install)
        install(nullptr);
}

void SimCr95hfReader::unplug()
{
    plugged = false;
    protocolSelected = false;
}

void SimCr95hfReader::injectFault(Fault fault, int count)
{
    for (int i = 0; i < count; ++i)
        faults << fault;
}

bool SimCr95hfReader::takeFault(Fault fault)
{
    if (faults.isEmpty() || faults.first() != fault)
        return false;
    faults.removeFirst();
    return true;
}

int SimCr95hfReader::interfacePinState(QByteArray& answer)
{
    answer = pinAnswer;
    return 0;
}

int SimCr95hfReader::idn(QByteArray& answer)
{
    answer = QByteArray::fromHex("000E") + QByteArray("CR95 STAND-IN", 14);
    return 0;
}

int SimCr95hfReader::select(const QByteArray& request, QByteArray& answer)
{
    received << "Select " + request.toHex();
    protocolSelected = request == QByteArray(ISO_15693_SELECT, 2);
    answer = QByteArray(1, protocolSelected ? STATUS_DONE : STATUS_INVALID_COMMAND) + '\0';
    return 0;
}

int SimCr95hfReader::stCommand(const QByteArray& request, QByteArray& answer)
{
    received << "STCmd " + request.toHex();
    if (request != QByteArray(INVENTORY, 4)) {
        answer = QByteArray(1, STATUS_INVALID_COMMAND) + '\0';
    } else if (!protocolSelected || field.isEmpty()) {
        answer = TIMED_OUT;
    } else {
        answer = QByteArray(1, STATUS_FRAME);
        answer.append(char(2 + UID_BYTES)).append(char(field.size())).append('\0').append(field.first()->uid());
    }
    return 0;
}

SimIsoTag* SimCr95hfReader::tagWithUid(const QByteArray& uid) const
{
    for (SimIsoTag* tag : field) {
        if (tag->uid() == uid)
            return tag;
    }
    return nullptr;
}

int SimCr95hfReader::sendReceive(const QByteArray& request, QByteArray& answer)
{
    received << "SendReceive " + request.toHex();
    if (!protocolSelected || request.size() < 2) {
        answer = TIMED_OUT;
    } else if (request.at(0) == FLAGS_HIGH_RATE && request.at(1) == RESET_TO_READY) {
        answer = field.isEmpty() ? TIMED_OUT : tagFrame(FLAGS_OK);
    } else if (request.at(0) != FLAGS_ADDRESSED || request.size() < ADDRESSED_HEADER) {
        answer = TIMED_OUT;
    } else if (SimIsoTag* tag = tagWithUid(request.mid(2, UID_BYTES))) {
        answer = blockCommand(tag, request);
    } else {
        answer = TIMED_OUT;
    }
    return 0;
}

QByteArray SimCr95hfReader::blockCommand(SimIsoTag* tag, const QByteArray& request)
{
    const char command = request.at(1);
    const QByteArray parameters = request.mid(ADDRESSED_HEADER);
    if (command != READ_MULTIPLE && command != WRITE_SINGLE)
        return tagError(ERROR_NOT_SUPPORTED);
    if (takeFault(Fault::TimedOut))
        return TIMED_OUT;
    if (takeFault(Fault::TagError))
        return tagError(ERROR_BLOCK_NOT_AVAILABLE);
    if (takeFault(Fault::EmptyAnswer))
        return QByteArray();

    if (command == WRITE_SINGLE) {
        if (parameters.size() != 1 + SimIsoTag::BLOCK_SIZE || !tag->setBlocks(quint8(parameters.at(0)), parameters.mid(1)))
            return tagError(ERROR_BLOCK_NOT_AVAILABLE);
        return tagFrame(FLAGS_OK);
    }
    if (parameters.size() != 2)
        return tagError(ERROR_BLOCK_NOT_AVAILABLE);
    const int first = quint8(parameters.at(0));
    QByteArray blocks = tag->blocks(first, quint8(parameters.at(1)) + 1);
    if (blocks.isEmpty())
        return tagError(ERROR_BLOCK_NOT_AVAILABLE);
    if (first == 1 && takeFault(Fault::CorruptReadBack))
        blocks[4] = char(~blocks.at(4));
    QByteArray frame = tagFrame(FLAGS_OK, blocks);
    if (takeFault(Fault::TruncatedAnswer))
        frame.chop(4);
    return frame;
}
