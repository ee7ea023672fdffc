#ifndef SIMFEIGREADER_H
#define SIMFEIGREADER_H

#include "feigreader.h"

#include <QList>

class SimIsoTag;

// A FEIG USB NFC reader with a field that holds at most one ISO 15693 tag, behind the reader
// calls of feigreader.h. Constructing one installs it as the reader backend; destroying it
// removes it, so the program sees no reader again.
//
// Quick use:
//     SimFeigReader reader;              // FEUSB_Scan now finds it
//     SimIsoTag tag(uid);                // fill it with tag.setBlocks(1, bytes)
//     reader.placeTag(&tag);             // removeTag() takes it away
//
// ISO host commands it answers (request bytes: command code, mode byte, parameters):
// - 01 00 Inventory: [01 03 00] + the UID of the tag in the field; no tag: FEIG_STATUS_NO_TAG.
// - 25 21 UID Select: selects the tag with this UID; no such tag: FEIG_STATUS_NO_TAG.
// - 23 02 first N Read Multiple Blocks of the selected tag: [N 04], then per block a security
//   status byte 00 and the block's 4 bytes in reverse order (as FEIG readers deliver them).
// - 24 02 first N 04 data Write Multiple Blocks to the selected tag: N x 4 data bytes, each block
//   in reverse order; the answer has no data.
// Read and write need a selected tag in the field (else FEIG_STATUS_NO_TAG or
// FEIG_STATUS_TAG_ERROR), blocks inside the tag and, for a write, exactly N x 4 data bytes
// (else FEIG_STATUS_TAG_ERROR, nothing written). Taking the tag away ends its selection.
class SimFeigReader : public FeigReaderBackend
{
public:
    static constexpr quint32 DEFAULT_DEVICE_ID = 0x0300A1B2;

    // Faults injected into the next commands, counted per command that meets them.
    enum class Fault {
        NoAnswer,        // any command: the transfer breaks off (FEIG_STATUS_RF_ERROR)
        CorruptReadBack, // a read: one data byte of its first block arrives inverted
        ShortReadAnswer, // a read: the answer lacks the last 3 bytes
        SelectRefused,   // a select: the tag does not answer it (FEIG_STATUS_NO_TAG)
    };

    explicit SimFeigReader(quint32 deviceId = DEFAULT_DEVICE_ID);
    ~SimFeigReader() override;
    SimFeigReader(const SimFeigReader&) = delete;
    SimFeigReader& operator=(const SimFeigReader&) = delete;

    // The tag is not owned and replaces any tag in the field, unselected.
    void placeTag(SimIsoTag* tag);
    void removeTag();
    SimIsoTag* tag() const { return field; }

    // Pulled: every open handle goes stale and a scan finds nothing until plugIn().
    void unplug();
    void plugIn() { plugged = true; }

    void injectFault(Fault fault, int count = 1);
    // The next write stores only its first `blocks` blocks, then the tag leaves the field.
    void removeTagDuringWrite(int blocks) { removeAfterBlocks = blocks; }

    // Every ISO command received, as upper-case hex text, oldest first.
    QList<QByteArray> requests() const { return received; }
    void clearRequests() { received.clear(); }

    int scan() override;
    bool deviceId(int index, quint32* id) override;
    int openDevice(quint32 id) override;
    bool isDevicePresent(int deviceHandle) override;
    int newReader(int deviceHandle) override;
    int isoCommand(int readerHandle, int busAddress, const QByteArray& request, QByteArray& answer) override;

private:
    int readBlocks(const QByteArray& request, QByteArray& answer);
    int writeBlocks(const QByteArray& request);

    quint32 id;
    bool plugged = true;
    SimIsoTag* field = nullptr;
    bool selected = false;
    QList<int> devices;
    QList<int> readers;
    int nextHandle = 1;
    int noAnswerCount = 0;
    int corruptReadCount = 0;
    int shortReadCount = 0;
    int refusedSelectCount = 0;
    int removeAfterBlocks = -1;
    QList<QByteArray> received;
};

#endif // SIMFEIGREADER_H
