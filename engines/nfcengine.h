#ifndef NFCENGINE_H
#define NFCENGINE_H

#include "nfctagimage.h"
#include "progengine.h"

#include <QByteArray>

// What the two NFC engines (FEIG reader, CR95HF reader) do alike. Their reader calls block, so
// every operation runs to its end inside the call that started it, with the driver-detect timer
// stopped meanwhile: a read, a write of the operating time, a programming run of write-and-check
// attempts, a factory reset. A tag is read to be found at all, so a new driver's record is there
// as soon as it is reported. They keep a write record (what the window hands over) and a read
// record (what the last read found). The engine in between says how its reader finds, reads and
// writes a tag and how a run reports itself.
class NfcEngine : public ProgEngine
{
    Q_OBJECT
public:
    static constexpr int BLOCK_SIZE = NfcTagImage::BLOCK_SIZE;
    static constexpr int UID_BYTES = 8;  // an ISO 15693 tag's unique identifier

    explicit NfcEngine(QObject* parent, const char* toolName);
    ~NfcEngine() override;

    // Where the engine's boxes go (a tag collision, the factory reset's result); not owned.
    void setPrompt(UserPrompt* userPrompt);

    const ProgDataStructDef& readRecord() const override { return readData; }

    // Writes writeRecord(), which the window has filled with the factory data, to the tag on the
    // reader, whatever the driver state; reports with a box and, on success, a completed read.
    bool hasFactoryReset() const override { return true; }
    void factoryReset() override;

signals:
    // Only COMM_ERR_NFC_TOOL, when the reader is gone.
    void communicateError(int err_type);

protected:
    Operation stopOperation() override;
    void takeUpRequest(Operation op) override;

    // The reader's own steps: find the one tag in the field, read it into the read record, write
    // the write record to it.
    virtual bool findTag() = 0;
    virtual bool readTag() = 0;
    virtual bool writeTag() = 0;
    // One write-and-check attempt of a programming run.
    virtual bool programAttempt() = 0;
    // After a factory reset's write and read: the tag holds what was written.
    virtual bool readBackMatches() const = 0;
    // The factory data may take values from the tag just read before it is written.
    virtual void completeFactoryRecord() {}

    // A new driver's tag has been read: the driver-found decision, then what it chose.
    void newTagRead();
    void logBlocks(const QByteArray& buffer);

    UserPrompt* prompt = nullptr;
    ProgDataStructDef readData;
    bool attemptFollows = false; // the attempt failed and another one follows at once

    // The FEIG run announces itself, so a run the detection starts is announced twice.
    bool announcesRun = false;
    // The FEIG detection reports a driver found with a profile loaded once more, so a mismatch is
    // reported twice.
    bool repeatsConnectedReport = false;
    // The CR95HF run starts over for each attempt, so the log shows one start per attempt.
    bool restartsEachAttempt = false;

private:
    void runProgramming();

    const QString tool; // "Feig NFC", "ST NFC": the name its log lines carry
};

#endif // NFCENGINE_H
