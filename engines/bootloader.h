#ifndef BOOTLOADER_H
#define BOOTLOADER_H

#include "intelhex.h"
#include "userprompt.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QVector>

// Engine of the firmware update tab: loads an Intel HEX file into a flat image of the driver's
// application area and writes it through the serial programming tool into the driver's boot
// loader. The driver enters its boot loader when it is switched on while enter-boot frames
// arrive; the engine then checks the boot state, starts the download, sends the image in
// 512-byte blocks (each announced by a header frame with its length and 16-bit sum) and leaves
// the boot loader.
//
// It talks only through the serial link: sendCommand out, commandResponse / commandSendComplete /
// processCommError in, one frame in flight at a time (a frame asked for while one is unanswered
// is not sent; the answer in flight moves the sequence on). Every slot does nothing while the
// engine is switched off. Progress goes to the tab as text lines (showBootMessage) and block
// counts (updateBootProgress); the two power confirmations and the loader's errors are boxes,
// asked through the UserPrompt the window hands over.
class BootLoader : public QObject
{
    Q_OBJECT
public:
    // Sequence states.
    enum BootStateDef
    {
        BOOT_IDLE = 0,
        BOOT_WAIT_POWER_ON = 1, // AC power confirmed off; enter-boot frames go out until it is on
        BOOT_ENTERING = 2,      // power-on confirmed; the boot state check follows
        BOOT_DOWNLOAD = 3,      // boot state confirmed; blocks, then the exit frame
    };

    // Frame kinds of buildBootFrame.
    enum BootFrameKindDef
    {
        BOOT_FRAME_ENTER = 0,          // FA 04 07 05
        BOOT_FRAME_CHECK_STATE = 1,    // FA 04 01 FF
        BOOT_FRAME_START_DOWNLOAD = 2, // FA 04 02 00
        BOOT_FRAME_BLOCK_HEADER = 3,   // FA 09 03 03, length, sum, checksum
        BOOT_FRAME_BLOCK_DATA = 4,     // the block itself, unframed
        BOOT_FRAME_EXIT = 5,           // FA 04 04 02
        BOOT_FRAME_CMD8 = 6,           // FA 04 08 06
    };

    // The driver's application area: where the image starts and how much of it there is.
    static constexpr int APP_START_ADDRESS = 0x2000;
    static constexpr int MAX_IMAGE_SIZE = 40960;
    static constexpr int BLOCK_SIZE = 512;
    // The second loader's flash, based at 0x08000000, and the alias addresses its files are also
    // linked at; each maps onto the same image, whole up to its 64 KiB.
    static constexpr int ARM_IMAGE_SIZE = 0x10000;
    static const QVector<IntelHexRegion> ARM_FLASH_REGIONS;

    explicit BootLoader(QObject* parent = nullptr);
    ~BootLoader() override;

    // Not owned; nullptr: boxes take their default button, file dialogs are cancelled.
    void setPrompt(UserPrompt* userPrompt);

    void setEnabled(int enable);
    bool isEnabled() const { return enabled != 0; }
    void resetBootState();
    void buildBootFrame(int kind, QByteArray data = QByteArray());
    void startFirmwareUpdate();
    bool sendNextFirmwareBlock();
    void loadHexFile();
    // The same for a driver whose flash is based at 0x08000000 (ARM_FLASH_REGIONS); no control of
    // the window offers it.
    void loadHexFileArm();
    void dumpHexData();

    // Manual steps that no control of the window offers.
    void enterBootMode();
    void checkBootState();
    void exitBootMode();
    void programFirmware();

    // An update is under way: from the power confirmations until its last frame is answered.
    bool isUpdateRunning() const;

    QByteArray image; // the firmware to write, at most MAX_IMAGE_SIZE bytes
    QString fileName; // the HEX file last chosen

public slots:
    void bootLoaderCommandResponse(QByteArray data);
    void sendBootloaderCmdSequence();
    void processCommError(int error_type);
    void toolConnectionStateChange(int state);

signals:
    void sendCommand(QByteArray cmd_data);
    void showBootMessage(QString msg);
    void updateBootProgress(int value, int max);

private:
    UserPrompt::Button ask(UserPrompt::Icon icon, const QString& title, const QString& text, int buttons,
                           UserPrompt::Button defaultButton);
    void loadHex(const QVector<IntelHexRegion>& regions, int imageSize, const QString& area);
    bool refuseWhileBusy();
    bool warnWhileStepRunning(); // with the box when one is
    bool toolMissing(); // with the message when it is
    void clearBlockCounters();

    int enabled = 0;
    int toolConnected = 0;
    int bootState = BOOT_IDLE;
    int bootConfirmed = 2;
    int lastFrameKind = BOOT_FRAME_ENTER;
    int blockNumber = 0;
    int blockCount = 0;
    bool headerNext = true;

    bool awaitingAnswer = false;
    bool hexDumpStarted = false; // ProgramHexData.txt is started afresh once a run
    UserPrompt* prompt = nullptr;
};

#endif // BOOTLOADER_H
