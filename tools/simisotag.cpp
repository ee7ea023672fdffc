#include "simisotag.h"

SimIsoTag::SimIsoTag(const QByteArray& uid, int blockCount)
    : tagUid(uid)
    , memory(blockCount * BLOCK_SIZE, '\0')
{
}

QByteArray SimIsoTag::blocks(int firstBlock, int count) const
{
    if (firstBlock < 0 || count < 0 || firstBlock + count > blockCount())
        return QByteArray();
    return memory.mid(firstBlock * BLOCK_SIZE, count * BLOCK_SIZE);
}

bool SimIsoTag::setBlocks(int firstBlock, const QByteArray& data)
{
    if (firstBlock < 0 || data.size() % BLOCK_SIZE != 0 || firstBlock * BLOCK_SIZE + data.size() > memory.size())
        return false;
    memory.replace(firstBlock * BLOCK_SIZE, data.size(), data);
    return true;
}

void SimIsoTag::setDriverImage(const QByteArray& image)
{
    QByteArray data = DRIVER_FIRST_BYTE + image;
    data.append((BLOCK_SIZE - data.size() % BLOCK_SIZE) % BLOCK_SIZE, '\0');
    setBlocks(1, data);
}

QByteArray SimIsoTag::driverImage() const
{
    return blocks(1, (DRIVER_IMAGE_BYTES + 1) / BLOCK_SIZE).mid(1);
}
