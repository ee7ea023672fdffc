#ifndef DALICONSOLE_H
#define DALICONSOLE_H

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>

class QTimer;

// One item of a console command sequence. Note the field order (cmd, para, addr) differs from
// the argument order (cmd, addr, para) of addCmdSequenceItem and sendCommand.
struct CmdSeqItemDef
{
    int cmd;     // DALI command number as the encoder takes it; -1 when the row had none
    int para;    // data byte of DAPC and of the special commands that carry one; -1 when none
    int addr;    // address byte, selector bit clear (2a, 0x80 + 2g, 0xFE broadcast); -1 when none
    int delayMs; // wait before this item is sent; below 1 sends it at once
};

// Engine of the DALI console tab: sends one composed DALI command, or a command sequence item by
// item, through the DALI programming tool and hands every answer back to the tab. A sequence
// advances on the serial link's completion signal, so one command is on the bus at a time; a
// time-out instead of an answer is shown like an answer with no data and the run goes on, while a
// port error (the tool is gone) ends the run. A command the link turns away because it is still
// looking for the tool never went out: a run ends, the item stays the next to send, and the tab
// is told (commandNotSent). Switched off (another tab is current) it sends nothing at all, not
// even an item whose delay was running: the line belongs to the engine switched on.
class DaliConsole : public QObject
{
    Q_OBJECT
public:
    // Console modes.
    static constexpr int CONSOLE_MODE_SINGLE = 0;
    static constexpr int CONSOLE_MODE_RUN = 1;
    static constexpr int CONSOLE_MODE_STEP = 2;

    explicit DaliConsole(QObject* parent = nullptr);
    ~DaliConsole() override;

    void setEnabled(int enable);
    bool isEnabled() const { return enabled; }
    // The command set the serial link encodes with while the console tab is current (0 device
    // type 6, any other value device type 8), set by the window with the tab's device type. A
    // number that set has no frame for is refused here: the link would drop it unanswered.
    void setDtMode(int mode);
    void setLoop(int loop);
    void setMode(int mode);
    int mode() const;
    void setSingleCommand(int cmd, int addr, int para);
    int currentIndex() const;
    void setCurrentIndex(int index);
    void clearCmdSequence();
    void addCmdSequenceItem(int cmd, int addr, int para, int delay);
    void send();
    void stop();

public slots:
    void sendDaliConsoleCmdSequence();
    void daliConsoleCommandResponse(QByteArray data);
    void processCommError(int err_type);

signals:
    void sendCommand(int cmd, int addr, int para, int sender);
    void displayConsoleResponse(QByteArray data);
    void cmdSeqFinish();
    void displayCmdSequenceItem(int row);
    // The link sent nothing: it is still looking for the tool. sequenceItem: the command was an
    // item of a run or step, not the single command.
    void commandNotSent(bool sequenceItem);
    void debug_msg(QString msg);

private slots:
    void sendNextCmd();

private:
    void continueSequence();
    void scheduleNextCmd();
    // Emits the command unless it cannot go on the bus as given: a number without a DALI frame in
    // the current command set, an address outside the short, group and broadcast bytes, or a
    // data byte outside 0..255.
    void emitCommand(int cmd, int addr, int para);

    bool enabled = false;
    bool awaitingOutcome = false; // a command of ours is on the line
    bool turnedAway = false;      // the link sent nothing of the last command emitted
    int dtMode = 0;
    bool loopEnabled = false;
    int consoleMode = CONSOLE_MODE_SINGLE;
    int singleCmd = -1;
    int singlePara = -1;
    int singleAddr = -1;
    QList<CmdSeqItemDef> cmdSequence;
    int nextIndex = 1; // 1-based number of the next item to send; size + 1 is past the end
    QTimer* delayTimer = nullptr;
};

#endif // DALICONSOLE_H
