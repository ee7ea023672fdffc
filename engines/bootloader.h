#ifndef BOOTLOADER_H
#define BOOTLOADER_H

#include <QByteArray>
#include <QObject>
#include <QString>

// Engine of the firmware update tab: loads an Intel HEX file into a flat image and writes it
// through the serial programming tool into the driver's boot loader, in 512-byte blocks each
// announced by a header frame.
//
// Only the interface the window wires to; the protocol arrives with the engine itself. Until
// then no image can be loaded, so an update stops at its first check with a message.
class BootLoader : public QObject
{
    Q_OBJECT
public:
    // Sequence states.
    enum BootStateDef {
        BOOT_IDLE = 0,
        BOOT_WAIT_POWER_ON = 1, // AC power confirmed off; enter-boot frames go out until it is on
        BOOT_ENTERING = 2,      // power-on confirmed; the boot state check follows
        BOOT_DOWNLOAD = 3,
    };

    // Frame kinds of buildBootFrame.
    enum BootFrameKindDef {
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

    explicit BootLoader(QObject* parent = nullptr);
    ~BootLoader() override;

    void setEnabled(int enable);
    bool isEnabled() const { return enabled != 0; }
    void resetBootState();
    void buildBootFrame(int kind, QByteArray data);
    void startFirmwareUpdate();
    bool sendNextFirmwareBlock();
    void loadHexFile();
    void dumpHexData();
    void enterBootMode();
    void checkBootState();
    void exitBootMode();
    void programFirmware();

    QByteArray image;  // the firmware to write, at most MAX_IMAGE_SIZE bytes
    QString fileName;  // the HEX file last chosen

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
    int enabled = 0;
    int toolConnected = 0;
    int bootState = BOOT_IDLE;
    int bootConfirmed = 2;
    int lastFrameKind = BOOT_FRAME_ENTER;
    int blockNumber = 0;
    int blockCount = 0;
    bool headerNext = true;
};

#endif // BOOTLOADER_H
