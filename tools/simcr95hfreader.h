#ifndef SIMCR95HFREADER_H
#define SIMCR95HFREADER_H

#include "cr95hfbackend.h"

#include <QList>

class SimIsoTag;

// A CR95HF USB NFC reader with a field of ISO 15693 tags, behind the stand-in reader library that
// the program loads at run time. Constructing one installs it into that library (the one the
// program finds by name); destroying it removes it, so the program sees no reader again.
//
// Quick use:
//     SimCr95hfReader reader;            // QVERIFY(reader.isInstalled())
//     SimIsoTag tag(uid);                // fill it with tag.setDriverImage(image)
//     reader.placeTag(&tag);             // removeTags() takes every tag away
//
// What it answers (requests and answers in bytes; status byte 0x80: a tag frame follows, whose
// byte 1 counts the bytes after it: the tag's flags byte, its data, then two CRC bytes and a
// status byte, all 00 here):
// - interface pin state: 00 01 00 (UART host interface); Idn: 00, length, "CR95 STAND-IN\0".
// - Select 01 0D (ISO 15693): 00 00; the reader keeps the protocol until it is unplugged.
// - STCmd 02 A0 01 26 (inventory): 80 0A n 00 + the UID of the first of the n tags; no tag: 87 00.
// - SendReceive 02 26 (reset to ready): 80 04 00 ...; no tag: 87 00.
// - SendReceive 22 23 UID first count-1 (read multiple blocks): 80 len 00 + the blocks.
// - SendReceive 22 21 UID block 4 bytes (write single block): 80 04 00 ...
// A block out of range gives the tag's error 80 05 01 10 ...; no tag with that UID, or no protocol
// selected, 87 00 (the tag's answer timed out).
class SimCr95hfReader : public Cr95hfBackend
{
public:
    // Faults injected into the next block reads and writes, one per exchange that meets them.
    enum class Fault {
        TimedOut,        // 87 00 instead of the tag's answer; a write is not made
        TagError,        // the tag answers with its error flag set; a write is not made
        EmptyAnswer,     // the call succeeds with no answer text at all
        TruncatedAnswer, // a read: the answer lacks its last 4 bytes, its length byte unchanged
        CorruptReadBack, // a read from block 1 only: one data byte arrives inverted
    };

    SimCr95hfReader();
    ~SimCr95hfReader() override;
    SimCr95hfReader(const SimCr95hfReader&) = delete;
    SimCr95hfReader& operator=(const SimCr95hfReader&) = delete;

    // False when the stand-in library was not found: the program would find no reader either.
    bool isInstalled() const { return install != nullptr; }

    // Tags are not owned. placeTag replaces the field; addTag puts one more into it.
    void placeTag(SimIsoTag* tag) { field = {tag}; }
    void addTag(SimIsoTag* tag) { field << tag; }
    void removeTags() { field.clear(); }

    // Unplugged, every call fails and the selected protocol is forgotten.
    void unplug();
    void plugIn() { plugged = true; }

    void setInterfacePinAnswer(const QByteArray& answer) { pinAnswer = answer; }
    void injectFault(Fault fault, int count = 1);

    // "Select 010d", "STCmd 02a00126", "SendReceive 2223...": every request, oldest first.
    QList<QByteArray> requests() const { return received; }
    void clearRequests() { received.clear(); }

    bool attached() override { return plugged; }
    int interfacePinState(QByteArray& answer) override;
    int idn(QByteArray& answer) override;
    int select(const QByteArray& request, QByteArray& answer) override;
    int sendReceive(const QByteArray& request, QByteArray& answer) override;
    int stCommand(const QByteArray& request, QByteArray& answer) override;

private:
    SimIsoTag* tagWithUid(const QByteArray& uid) const;
    QByteArray blockCommand(SimIsoTag* tag, const QByteArray& request);
    bool takeFault(Fault fault);

    void (*install)(Cr95hfBackend*) = nullptr;
    bool plugged = true;
    bool protocolSelected = false;
    QList<SimIsoTag*> field;
    QByteArray pinAnswer;
    QList<Fault> faults;
    QList<QByteArray> received;
};

#endif // SIMCR95HFREADER_H
