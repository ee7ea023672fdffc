// The boot loader engine writing a firmware image while the tool answers anything: each frame gets
// an acknowledgement, other bytes, a time-out or a port error (the tool then goes, and may come
// back), the user may click Program again or leave the tab, and the power-on box is answered
// after any number of enter-boot answers, or cancelled.
//
// Promises: one frame in flight; every frame is a well-formed boot frame or the raw block its
// header announced; a download starts at block 1 and sends each block's header (its length and
// 16-bit sum) and then the block as it is in the image, in order, then the exit frame; the state
// check comes only after the power-on was confirmed and the download only after the check was
// acknowledged; once a frame from the check on is refused, unanswered or the tool lost, nothing
// more is sent until the next Program; "Firmware has been updated successfully." only for the
// acknowledgement of the exit frame of such a complete run, once; progress (n, blocks) with n
// from 1 to blocks + 1, never going back within a download. A run nothing disturbed, answered
// with acknowledgements to its end, ends in that success with the engine idle.
//
// Input: image size (2 bytes) and filler seed, the two box answers of the first Program, then
// events (answers, errors, tool, user); past its end every frame is acknowledged.

#include "bootloader.h"
#include "commerror.h"
#include "fuzzcheck.h"
#include "fuzzscript.h"
#include "seriallink.h"

#include <QStringList>

#include <cstddef>
#include <cstdint>

namespace {

constexpr int MAX_IMAGE_BYTES = 5 * BootLoader::BLOCK_SIZE;
constexpr int DRAIN_LIMIT = 200;
const char SUCCESS_TEXT[] = "Firmware has been updated successfully.";

// Boot frame commands.
constexpr quint8 FRAME_START = 0xFA;
constexpr quint8 CMD_CHECK_STATE = 0x01;
constexpr quint8 CMD_START_DOWNLOAD = 0x02;
constexpr quint8 CMD_BLOCK_HEADER = 0x03;
constexpr quint8 CMD_EXIT = 0x04;
constexpr quint8 CMD_ENTER = 0x07;

enum class Phase
{
    Idle,     // no run, or the run is over: nothing may be sent
    Entering, // enter-boot frames while the power is switched on, then the check
    Checking, // the check is out
    Download, // start, headers and blocks
    Exiting,  // the exit frame is out
};

// The command of a well-formed boot frame, or -1.
int bootCommand(const QByteArray& f)
{
    if (f.size() < 4 || quint8(f.at(0)) != FRAME_START || quint8(f.at(1)) != f.size())
        return -1;
    quint8 sum = 0;
    for (int i = 0; i < f.size() - 1; ++i)
        sum = quint8(sum + quint8(f.at(i)));
    return sum == quint8(f.at(f.size() - 1)) ? quint8(f.at(2)) : -1;
}

struct Rig : UserPrompt
{
    FuzzScript& in;
    BootLoader boot;
    int blockCount;
    bool inBox = false;
    SerialLink link{in};
    QByteArray pendingFrame;

    // The run as the harness follows it.
    Phase phase = Phase::Idle;
    bool powerOnConfirmed = false;
    bool checkAcknowledged = false;
    bool disturbed = false; // an error, a refusal or a lost tool: success is not owed
    int nextBlock = 0;      // block whose header (or data, after its header) goes next
    bool dataNext = false;
    int lastProgress = 0;
    int successes = 0; // of this run

    Rig(FuzzScript& script, const QByteArray& image) : in(script)
    {
        boot.image = image;
        blockCount = (image.size() + BootLoader::BLOCK_SIZE - 1) / BootLoader::BLOCK_SIZE;
        boot.setPrompt(this);
        link.error = [this](int type) { error(type); };
        link.toolState = [this](int state) { toolState(state); };
        QObject::connect(&boot, &BootLoader::sendCommand, [this](const QByteArray& f) { sent(f); });
        QObject::connect(&boot, &BootLoader::showBootMessage, [this](const QString& m) { message(m); });
        QObject::connect(&boot, &BootLoader::updateBootProgress,
                         [this](int v, int max) { progress(v, max); });
        boot.setEnabled(1);
        link.setTool(1);
    }

    QByteArray block(int n) const
    {
        return boot.image.mid((n - 1) * BootLoader::BLOCK_SIZE, BootLoader::BLOCK_SIZE);
    }

    void endRun() { phase = Phase::Idle; }

    void sent(const QByteArray& f)
    {
        FUZZ_CHECK(phase != Phase::Idle);
        pendingFrame = f;
        if (dataNext) {
            FUZZ_CHECK(f == block(nextBlock));
            link.sent();
            return;
        }
        switch (bootCommand(f)) {
        case CMD_ENTER:
            FUZZ_CHECK(phase == Phase::Entering && f.size() == 4);
            break;
        case CMD_CHECK_STATE:
            FUZZ_CHECK(phase == Phase::Entering && powerOnConfirmed && f.size() == 4);
            phase = Phase::Checking;
            break;
        case CMD_START_DOWNLOAD:
            FUZZ_CHECK(phase == Phase::Checking && checkAcknowledged && f.size() == 4);
            phase = Phase::Download;
            nextBlock = 1;
            lastProgress = 0;
            break;
        case CMD_BLOCK_HEADER: {
            FUZZ_CHECK(phase == Phase::Download && nextBlock >= 1 && nextBlock <= blockCount &&
                       f.size() == 9);
            const QByteArray b = block(nextBlock);
            int sum = 0;
            for (char c : b)
                sum += quint8(c);
            FUZZ_CHECK(quint8(f.at(3)) == 0x03);
            FUZZ_CHECK((quint8(f.at(4)) << 8 | quint8(f.at(5))) == b.size());
            FUZZ_CHECK((quint8(f.at(6)) << 8 | quint8(f.at(7))) == (sum & 0xFFFF));
            break;
        }
        case CMD_EXIT:
            FUZZ_CHECK(phase == Phase::Download && nextBlock == blockCount + 1 && f.size() == 4);
            phase = Phase::Exiting;
            break;
        default:
            FUZZ_CHECK(false); // nothing else is ever sent
        }
        link.sent();
    }

    void message(const QString& m)
    {
        if (m == QLatin1String(SUCCESS_TEXT)) {
            FUZZ_CHECK(phase == Phase::Exiting && successes == 0);
            ++successes;
            endRun();
        }
    }

    void progress(int value, int max)
    {
        FUZZ_CHECK(phase == Phase::Download && max == blockCount);
        FUZZ_CHECK(value >= 1 && value <= blockCount + 1);
        // One step after the last block shows blockCount + 1, then the final report comes.
        const bool finalReport = value == blockCount && lastProgress == blockCount + 1;
        FUZZ_CHECK(value >= lastProgress || finalReport);
        lastProgress = value;
    }

    // The frame in flight is answered: response first, then the sequence step.
    void answer(const QByteArray& bytes)
    {
        if (!link.pending)
            return;
        link.pending = false;
        const bool acknowledged = quint8(bytes.at(0)) == 0x01;
        const int command = dataNext ? -1 : bootCommand(pendingFrame);
        const bool judged = phase == Phase::Checking || phase == Phase::Download || phase == Phase::Exiting;
        if (phase == Phase::Checking)
            checkAcknowledged = acknowledged;
        if (phase == Phase::Download) {
            if (dataNext)
                ++nextBlock;
            dataNext = command == CMD_BLOCK_HEADER && acknowledged;
        }
        if (judged && !acknowledged) {
            disturbed = true;
            // A refused exit frame still ends the run; so does any other refusal.
            endRun();
        }
        boot.bootLoaderCommandResponse(bytes);
        boot.sendBootloaderCmdSequence();
    }

    void error(int type)
    {
        dataNext = false;
        // While the power-on box is open the next enter-boot frame follows its OK.
        if (powerOnConfirmed) {
            disturbed = true;
            endRun();
        }
        boot.processCommError(type);
    }

    void toolState(int state)
    {
        // The link ends the request in flight without an outcome.
        dataNext = false;
        if (state == 0 && powerOnConfirmed) {
            disturbed = true;
            endRun();
        }
        boot.toolConnectionStateChange(state);
    }

    void program()
    {
        // A click while an update runs is refused and leaves it running.
        const bool running = boot.isUpdateRunning();
        boot.startFirmwareUpdate();
        if (running)
            FUZZ_CHECK(boot.isUpdateRunning());
    }

    // One thing happening on the line, in the tool or at the window.
    void event(bool allowUser)
    {
        const int op = in.pick(16);
        if (op < 10) {
            answer(QByteArray(1, char(0x01)));
        } else if (op == 10) {
            QByteArray bytes = in.chunk(3);
            answer(bytes.prepend(char(in.byte())));
        } else if (op < 14) {
            link.event(op - 11);
        } else if (op == 14 && allowUser) {
            program();
        } else if (op == 15 && allowUser) {
            // Another tab and back: the engine is switched off and on, the tool looked for again.
            link.pending = false;
            dataNext = false;
            disturbed = true;
            endRun();
            boot.setEnabled(0);
            boot.toolConnectionStateChange(0);
            boot.setEnabled(1);
            link.setTool(1);
        }
    }

    Button ask(Icon, const QString&, const QString& text, int, Button) override
    {
        FUZZ_CHECK(!inBox);
        if (text.contains(QLatin1String("AC power is off"))) {
            if (in.pick(4) == 3)
                return No;
            // A new run begins with the enter-boot frame that follows.
            phase = Phase::Entering;
            powerOnConfirmed = false;
            checkAcknowledged = false;
            disturbed = false;
            successes = 0;
            nextBlock = 0;
            dataNext = false;
            return Yes;
        }
        if (text.contains(QLatin1String("turn on the AC power now"))) {
            // The box runs its own event loop: enter-boot frames are answered meanwhile.
            inBox = true;
            for (int n = in.pick(4); n > 0; --n)
                event(false);
            inBox = false;
            if (in.pick(4) == 3) {
                endRun();
                return Cancel;
            }
            powerOnConfirmed = true;
            if (!link.toolConnected) {
                disturbed = true;
                endRun();
            }
            return Ok;
        }
        return Ok;
    }

    QString openFileName(const QString&, const QString&, const QString&) override { return QString(); }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzScript in(data, size);
    const int imageSize = 1 + in.word() % MAX_IMAGE_BYTES;
    Rig rig(in, fillerBytes(imageSize, in.byte()));

    rig.program();
    while (!in.atEnd())
        rig.event(true);

    // The window finds the tool again, and every frame is acknowledged from here on.
    rig.link.toolBack();
    for (int i = 0; i < DRAIN_LIMIT && rig.link.pending; ++i)
        rig.answer(QByteArray(1, char(0x01)));
    FUZZ_CHECK(!rig.link.pending);
    FUZZ_CHECK(!rig.boot.isUpdateRunning());
    if (rig.powerOnConfirmed && !rig.disturbed)
        FUZZ_CHECK(rig.successes == 1);
    return 0;
}
