#include "simbootloader.h"

#include "simprogtool.h"

namespace {

constexpr quint8 FRAME_START = 0xFA;
constexpr int FRAME_OVERHEAD = 4;
constexpr quint8 CMD_CHECK_STATE = 0x01;
constexpr quint8 CMD_START_DOWNLOAD = 0x02;
constexpr quint8 CMD_BLOCK_HEADER = 0x03;
constexpr quint8 CMD_EXIT = 0x04;
constexpr quint8 CMD_ENTER = 0x07;
constexpr int HEADER_LENGTH = 9;
constexpr quint8 HEADER_LEAD = 0x03;
constexpr char ANSWER_OK = 0x01;
constexpr char ANSWER_FAIL = 0x00;
// Start bit, eight data bits, stop bit.
constexpr int BITS_PER_BYTE = 10;

int byteAt(const QByteArray& bytes, int i)
{
    return quint8(bytes.at(i));
}

QByteArray reply(bool ok)
{
    return QByteArray(1, ok ? ANSWER_OK : ANSWER_FAIL);
}

} // namespace

SimBootLoader::SimBootLoader(SimProgTool* simTool) : tool(simTool)
{
    tool->setBootHandler([this](const QByteArray& frame) { return answer(frame); });
}

SimBootLoader::~SimBootLoader()
{
    tool->setBootHandler(nullptr);
    tool->setAnswerDelay(0);
}

void SimBootLoader::setEntersBoot(bool enters)
{
    entersBoot = enters;
}

void SimBootLoader::rejectBlock(int n)
{
    rejectedBlock = n;
}

void SimBootLoader::muteAtBlock(int n)
{
    mutedBlock = n;
    muted = false;
}

void SimBootLoader::setLinePaced(bool paced)
{
    linePaced = paced;
    if (!paced)
        tool->setAnswerDelay(0);
}

QByteArray SimBootLoader::image() const
{
    return written;
}

int SimBootLoader::blocksWritten() const
{
    return blocks;
}

bool SimBootLoader::inBootMode() const
{
    return booted;
}

int SimBootLoader::exitCount() const
{
    return exits;
}

QByteArray SimBootLoader::answer(const QByteArray& frame)
{
    // The tool cuts a raw block after a header of its length, so the call after a header is the block.
    const QByteArray result = expectedLength > 0 ? blockAnswer(frame) : bootAnswer(frame);
    if (muted)
        return QByteArray();
    if (linePaced) {
        const int baud = tool->lineBaudRate();
        if (baud > 0)
            tool->setAnswerDelay(
                int((qint64(frame.size() + result.size()) * BITS_PER_BYTE * 1000 + baud - 1) / baud));
    }
    return result;
}

QByteArray SimBootLoader::bootAnswer(const QByteArray& frame)
{
    if (frame.size() < FRAME_OVERHEAD - 1 || byteAt(frame, 0) != FRAME_START ||
        byteAt(frame, 1) != frame.size())
        return reply(false);
    quint8 sum = 0;
    for (int i = 0; i < frame.size() - 1; ++i)
        sum = quint8(sum + byteAt(frame, i));
    if (sum != byteAt(frame, frame.size() - 1))
        return reply(false);

    switch (byteAt(frame, 2)) {
    case CMD_ENTER:
        if (entersBoot)
            booted = true;
        return reply(true);
    case CMD_CHECK_STATE:
        return reply(booted);
    case CMD_START_DOWNLOAD:
        downloading = booted;
        if (downloading) {
            written.clear();
            blocks = 0;
        }
        return reply(downloading);
    case CMD_BLOCK_HEADER: {
        if (frame.size() != HEADER_LENGTH || byteAt(frame, 3) != HEADER_LEAD)
            return reply(false);
        // The tool takes the announced bytes as a block whatever this answers.
        expectedLength = byteAt(frame, 4) << 8 | byteAt(frame, 5);
        expectedSum = byteAt(frame, 6) << 8 | byteAt(frame, 7);
        return reply(downloading && expectedLength <= MAX_BLOCK_SIZE);
    }
    case CMD_EXIT:
        booted = false;
        downloading = false;
        ++exits;
        return reply(true);
    default:
        return reply(false);
    }
}

QByteArray SimBootLoader::blockAnswer(const QByteArray& block)
{
    const bool announced = downloading && expectedLength <= MAX_BLOCK_SIZE && block.size() == expectedLength;
    expectedLength = 0;
    if (mutedBlock > 0 && blocks + 1 == mutedBlock)
        muted = true;
    if (muted)
        return QByteArray();
    int sum = 0;
    for (char byte : block)
        sum += quint8(byte);
    if (!announced || (sum & 0xFFFF) != expectedSum || blocks + 1 == rejectedBlock)
        return reply(false);
    written.append(block);
    ++blocks;
    return reply(true);
}
