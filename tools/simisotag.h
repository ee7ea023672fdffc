#ifndef SIMISOTAG_H
#define SIMISOTAG_H

#include <QByteArray>

// An ISO 15693 tag as an LED driver carries it: an 8-byte UID and a memory of 4-byte blocks, all
// zero at first, kept in tag order (the first byte of a block first). Put it on a SimFeigReader to
// have the product read and write it.
class SimIsoTag
{
public:
    static constexpr int BLOCK_SIZE = 4;
    static constexpr int DEFAULT_BLOCKS = 128;

    explicit SimIsoTag(const QByteArray& uid, int blockCount = DEFAULT_BLOCKS);

    QByteArray uid() const { return tagUid; }
    int blockCount() const { return memory.size() / BLOCK_SIZE; }

    // A driver keeps its tag image from the second byte of block 1 on (image byte n is byte n + 1
    // of the blocks from 1 on); the first byte belongs to no field.
    static constexpr int DRIVER_IMAGE_BYTES = 415;
    static constexpr char DRIVER_FIRST_BYTE = char(0xA5);
    void setDriverImage(const QByteArray& image);
    QByteArray driverImage() const;

    // count blocks from firstBlock on, laid end to end; empty when any is out of range.
    QByteArray blocks(int firstBlock, int count) const;
    // Writes whole blocks from firstBlock on (data.size() a multiple of 4); false, writing
    // nothing, when any is out of range.
    bool setBlocks(int firstBlock, const QByteArray& data);

private:
    QByteArray tagUid;
    QByteArray memory;
};

#endif // SIMISOTAG_H
