#ifndef FEIG_NFC_H
#define FEIG_NFC_H

#include "nfcengine.h"
#include "nfctagimage.h"

#include <QByteArray>

// Programming engine of the FEIG USB NFC reader (programming tool 2): reads a driver's NFC tag
// into ProgDataStructDef, programs it and checks the result by reading the written blocks back,
// clears the module operating time, and resets a tag to the factory record.
//
// It talks to the reader directly through the reader calls of feigreader.h (ISO 15693 inventory,
// select, read and write of 4-byte blocks, requests and answers as hex text); each call blocks,
// so every operation runs to its end inside the slot or call that started it, with the
// driver-detect timer stopped meanwhile. A tag is read once when it enters the field; once
// programming has started, every newly presented tag of the same product is programmed on its
// own, advancing the DT6 short address and the luminaire ID when those parts are programmable.
// A write always follows a read of the same tag: what the user does not program is written back
// as read (NfcTagImage::build).
class FEIG_NFC : public NfcEngine
{
    Q_OBJECT
public:
    // Write-and-verify attempts of one programming run.
    static constexpr int MAX_PROGRAM_ATTEMPTS = 3;
    // Blocks of a plain read: every layout lies inside them.
    static constexpr int READ_BLOCKS = 104;
    // Answer buffer of every exchange, in hex digits: a read of READ_BLOCKS needs 1044 and a NUL.
    static constexpr int ANSWER_BUFFER_CHARS = 2048;
    static constexpr int BUS_ADDRESS = 255;

    enum TagOperationDef {
        TAG_READ = 1,
        TAG_WRITE = 2,
        TAG_VERIFY = 3, // read back the blocks last written
    };

    explicit FEIG_NFC(QObject* parent = nullptr);
    ~FEIG_NFC() override;

    void handleProgrammingResult(bool ok) override;
    // Opens the first reader found; true when it is open. Called by the window's tool check.
    bool openReader();
    bool openTool() override;
    QString toolConnectedText() const override { return QStringLiteral("FEIG NFC Reader connected"); }
    bool programsDaliParts() const override { return true; }

    // Reader steps, public for the window's tool check and for tests.
    bool inventoryAndSelect();
    bool tagOperation(int op);
    // Decodes the tag image (the tag buffer without its first byte) into readRecord(); false
    // when it is too short for its layout.
    bool parseTagImage(const QByteArray& image);
    // What a write puts after the tag buffer's first byte; empty when the tag may not be written.
    void buildTagImage(QByteArray& out) const;

    // The next short address byte after a programmed driver: 2n + 1 -> 2(n + 1) + 1, address 63 to
    // MASK (0xFF), which stays.
    static quint8 nextShortAddress(quint8 addressByte);
    // The luminaire ID as a 64-bit number, most significant byte first, plus one; all 0xFF
    // (unprogrammed) stays.
    static void advanceLuminaireId(quint8 (&id)[8]);

private:
    void probeDriver() override;
    Operation stopOperation() override;
    bool driverMatchesProfile() const override;
    bool findTag() override { return inventoryAndSelect(); }
    bool readTag() override { return tagOperation(TAG_READ); }
    bool writeTag() override { return tagOperation(TAG_WRITE); }
    bool programAttempt() override;
    // The second read fetches every block; only those just written must match.
    bool readBackMatches() const override { return tagBuffer.startsWith(writtenBuffer); }

    // One exchange: request bytes out, answer bytes back; false on any failure.
    bool sendIsoCommand(const QByteArray& request, QByteArray& answer);
    // Blocks of a read answer, each turned back into tag order; false unless all count are there.
    static bool decodeBlocks(const QByteArray& answer, int count, QByteArray& out);
    bool readBlocks(int count, QByteArray& out);
    void programmingSucceeded();
    // The tag polled is no driver any more: forgotten, and its driver taken as lost.
    void tagLost();
    bool familyTag() const;

    int deviceHandle = 0;
    int readerHandle = 0;
    QByteArray tagUid;
    QByteArray tagBuffer;     // blocks from 1 on, tag order, as last read (or as last written)
    QByteArray writtenBuffer; // the tag buffer as last written
    QByteArray verifyBuffer;  // what was read back after that write
    NfcTagInfo tagInfo;
};

#endif // FEIG_NFC_H
