#include "nfcengine.h"

#include "globals.h"

NfcEngine::NfcEngine(QObject* parent, const char* toolName)
    : ProgEngine(parent)
    , tool(QString::fromLatin1(toolName))
{
    readsDuringRun = true;
}

NfcEngine::~NfcEngine() = default;

void NfcEngine::setPrompt(UserPrompt* userPrompt)
{
    prompt = userPrompt;
}

NfcEngine::Operation NfcEngine::stopOperation()
{
    // Every operation runs to its end inside one call: none is ever under way here.
    retryCount = 0;
    return Operation::None;
}

void NfcEngine::takeUpRequest(Operation op)
{
    if (op == Operation::Program) {
        runProgramming();
        return;
    }
    disableDriverDetectTimer();
    if (op == Operation::Read) {
        if (readTag())
            reportReadComplete();
    } else {
        const bool written = writeTag();
        retryCount = 0;
        resetOptResult(written ? RESET_OPT_SUCCESS : RESET_OPT_FAIL);
    }
    enableDriverDetectTimer();
}

void NfcEngine::runProgramming()
{
    disableDriverDetectTimer();
    if (announcesRun)
        reportProgrammingState(PROG_STATE_START);
    handleProgrammingResult(programAttempt());
    while (attemptFollows) {
        if (restartsEachAttempt) {
            emit debug_msg(QStringLiteral("Start to programming... "));
            disableDriverDetectTimer();
        }
        handleProgrammingResult(programAttempt());
    }
    enableDriverDetectTimer();
}

void NfcEngine::newTagRead()
{
    switch (driverFound(true, readData.productIndex == record.productIndex)) {
    case Operation::Program:
        startProgramming();
        break;
    case Operation::Read:
        reportReadComplete();
        break;
    default:
        if (profileLoaded && repeatsConnectedReport)
            setDriverConnected(DRIVER_CONNECTED);
        break;
    }
}

void NfcEngine::factoryReset()
{
    emit debug_msg(tool + QStringLiteral(" start to reset NFC tag."));
    disableDriverDetectTimer();
    const char* failed = nullptr;
    if (!findTag()) {
        failed = "inventory";
    } else if (!readTag()) {
        failed = "read 1";
    } else {
        completeFactoryRecord();
        if (!writeTag())
            failed = "write";
        else if (!readTag())
            failed = "read 2";
        else if (!readBackMatches())
            failed = "check data";
    }
    if (failed) {
        emit debug_msg(tool + QStringLiteral(" factory reset %1 fail...").arg(QLatin1String(failed)));
        informUser(prompt, QStringLiteral("Error"), QStringLiteral("Factory reset fail!"));
    } else {
        reportReadComplete();
        emit debug_msg(tool + QStringLiteral(" factory reset check OK"));
        informUser(prompt, QStringLiteral("Information"), QStringLiteral("Factory reset success!"));
    }
    enableDriverDetectTimer();
}

void NfcEngine::logBlocks(const QByteArray& buffer)
{
    for (int block = 0; (block + 1) * BLOCK_SIZE <= buffer.size(); ++block) {
        emit debug_msg(QStringLiteral("block %1 :").arg(QString::number(block + 1, 16).rightJustified(2, '0').toUpper())
                       + QString::fromLatin1(buffer.mid(block * BLOCK_SIZE, BLOCK_SIZE).toHex().toUpper()));
    }
}
