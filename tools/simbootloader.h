#ifndef SIMBOOTLOADER_H
#define SIMBOOTLOADER_H

#include <QByteArray>
#include <QList>

class SimProgTool;

// The boot loader of an LED driver behind a simulated programming tool, answering the boot frames
// the tool passes on (installed as the tool's boot handler for as long as it lives).
//
// Quick use:
//     SimProgTool tool(&pty, SimProgTool::Kind::DaliTool);
//     SimBootLoader driver(&tool);
//     ... the product writes its firmware; driver.image() is what arrived ...
//
// The frames [FA, total length, command, payload, sum] and what it answers (one byte, 01 for
// success, 00 for failure; a frame whose length byte or sum is wrong gets 00):
//   07 enter boot       01; the driver is in its boot loader from then on (unless setEntersBoot(false))
//   01 check state      01 in the boot loader, else 00
//   02 start download   01 in the boot loader (the image starts afresh), else 00
//   03 block header     payload 03, length (2 bytes), 16-bit sum (2 bytes), big-endian: 01 when
//                       the download runs and the length is 1..512, else 00
//   the raw block       01 when its bytes sum to the header's sum and the block is not refused
//                       (rejectBlock); it is then added to the image. Else 00.
//   04 exit             01; the driver leaves its boot loader
//   any other command   00
class SimBootLoader
{
public:
    static constexpr int MAX_BLOCK_SIZE = 512;

    explicit SimBootLoader(SimProgTool* tool);
    ~SimBootLoader();

    SimBootLoader(const SimBootLoader&) = delete;
    SimBootLoader& operator=(const SimBootLoader&) = delete;

    // false: the driver was not switched on in time; enter-boot frames are answered but the
    // driver stays in its application.
    void setEntersBoot(bool enters);
    // Block n (from 1) of the next downloads fails to write: its data is answered 00. 0: none.
    void rejectBlock(int n);
    // From the data of block n (from 1) on, the driver answers nothing (the block is not written):
    // a driver that hangs. 0: it answers again.
    void muteAtBlock(int n);
    // Each answer waits as long as the frame and the answer take on the line at its baud rate,
    // as a real tool would; a pseudo-terminal itself passes bytes at once.
    void setLinePaced(bool paced);

    QByteArray image() const; // the blocks written since the last start-download
    int blocksWritten() const;
    bool inBootMode() const;
    int exitCount() const;

private:
    QByteArray answer(const QByteArray& frame);
    QByteArray bootAnswer(const QByteArray& frame);
    QByteArray blockAnswer(const QByteArray& block);

    SimProgTool* tool;
    bool entersBoot = true;
    int rejectedBlock = 0;
    int mutedBlock = 0;
    bool muted = false;
    bool linePaced = false;
    bool booted = false;
    bool downloading = false;
    int expectedLength = 0; // of the block announced by the last header; 0: none announced
    int expectedSum = 0;
    QByteArray written;
    int blocks = 0;
    int exits = 0;
};

#endif // SIMBOOTLOADER_H
