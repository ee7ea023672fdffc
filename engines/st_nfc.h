#ifndef ST_NFC_H
#define ST_NFC_H

#include "cr95hflibrary.h"
#include "nfcengine.h"

#include <QByteArray>

// Programming engine of the NFC reader built on the CR95HF chip (programming tool 3): reads a
// driver's ISO 15693 tag into ProgDataStructDef, programs it and checks the result by reading it
// back, clears the module operating time, and resets a tag to the factory record.
//
// The reader is reached through its library, loaded at run time (cr95hflibrary.h); each call
// blocks, so every operation runs to its end inside the slot or call that started it. The tag's
// blocks 1 to 19 (76 bytes) are read and written whole: the parameter table sits in bytes 1 to 73,
// and bytes 0, 74 and 75 are written back as read, so a write always follows a read of the same
// tag. While the same tag stays on the reader it is read at every detection tick; a new tag is
// reported as a driver and, once programming has started, programmed when it is of the same
// product.
class ST_NFC : public NfcEngine
{
    Q_OBJECT
public:
    // Attempts of one tag exchange, and of one programming run.
    static constexpr int MAX_EXCHANGE_ATTEMPTS = 3;
    static constexpr int MAX_PROGRAM_ATTEMPTS = 4;
    static constexpr int TAG_BLOCKS = 19;
    static constexpr int TAG_BUFFER_BYTES = TAG_BLOCKS * BLOCK_SIZE;

    enum TagAccessDef {
        TAG_READ = 1,
        TAG_WRITE = 2,
    };

    explicit ST_NFC(QObject* parent = nullptr, const QString& libraryName = QString::fromLatin1(Cr95hfLibrary::DEFAULT_NAME));
    ~ST_NFC() override;

    void resetProgrammingState() override;
    void handleProgrammingResult(bool ok) override;

    // Writes a sample driver record (1000 mA, firmware 1.01, product 100, DALI dimming, default
    // curves) to the tag on the reader. Only a tag already found and read is written, so its
    // bytes outside the parameter table stay as they were; otherwise nothing is written and the
    // result is false.
    bool writeDefaultImage();
    // The window's tool check: connectTool() and, only when it succeeds, selectProtocol().
    bool openTool() override { return connectTool() && selectProtocol(); }
    QString toolConnectedText() const override { return QStringLiteral("Kavro NFC Reader connected"); }
    bool connectTool();
    bool selectProtocol();
    // "UART Mode" or "SPI Mode", the reader's host interface as the last connectTool() found it.
    QString interfaceText() const { return interfaceMode; }

    // Reader steps, public for tests.
    bool inventory();
    bool accessTag(int mode);

private:
    void probeDriver() override;
    bool findTag() override { return inventory(); }
    bool readTag() override { return accessTag(TAG_READ); }
    bool writeTag() override { return accessTag(TAG_WRITE); }
    bool programAttempt() override;
    bool readBackMatches() const override { return writtenImage == tagBuffer; }
    void completeFactoryRecord() override;

    bool sendReceive(const QByteArray& request, QByteArray& answer);
    bool sendReceiveRetry(const QByteArray& request, QByteArray& answer);
    // The data of a tag frame that sendReceive accepted: its bytes between the flags byte and the
    // trailer.
    static QByteArray frameData(const QByteArray& answer);
    // The tag buffer with the parameter table of the write record in place; empty unless the tag
    // the last inventory found has been read.
    QByteArray imageToWrite() const;
    void unpackRecord(const QByteArray& image);
    QByteArray packRecord() const;

    Cr95hfLibrary library;
    QString interfaceMode;
    QByteArray tagBuffer;    // blocks 1 to 19 as last read
    QByteArray bufferUid;    // the UID of the tag they were read from
    QByteArray writtenImage; // blocks 1 to 19 as last written
    quint8 lockByte = 0;
    QByteArray uid;          // the tag the last inventory found
};

#endif // ST_NFC_H
