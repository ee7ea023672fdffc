#ifndef PROGENGINE_H
#define PROGENGINE_H

#include "commerror.h"
#include "progdata.h"
#include "userprompt.h"

#include <QMetaType>
#include <QObject>
#include <QString>

#include <initializer_list>

// Value sets shared by the four programming engines and the window. They travel as integers in
// the signals, so they stay plain named constants.

// Argument of programmingStateUpdatedSignal. 0 is never sent.
enum ProgStateDef {
    PROG_STATE_START = 1,       // programming of a driver has started
    PROG_STATE_FAIL = 2,        // retries used up, or the link broke
    PROG_STATE_SUCCESS = 3,     // the driver is programmed
    PROG_STATE_RETRY = 4,       // an attempt failed and is being repeated
    PROG_STATE_WAIT_DRIVER = 5, // the programmed driver was removed; waiting for the next one
};
Q_DECLARE_METATYPE(ProgStateDef)

// Argument of driverConnectionStateChangeSignal; sent on change only.
enum DriverConnStateDef {
    DRIVER_DISCONNECTED = 0,
    DRIVER_CONNECTED = 1,
    DRIVER_UNSUPPORTED = 2, // a driver answered but its product is not in the product list
    DRIVER_MISMATCH = 3,    // the driver's product differs from the loaded profile's
};

// First argument of productInfoReadUpdateSignal(state, str, value).
enum ReadUpdateStateDef {
    READ_STATE_PROGRESS = 0, // str: the step's text, value: step 0..11
    READ_STATE_ABORT = 1,    // str: the error, value 0
    READ_STATE_COMPLETE = 2, // str: READ_COMPLETE_TEXT, value: READ_COMPLETE_VALUE
};

// Argument of resetOptResultSignal.
enum ResetOptResultDef {
    RESET_OPT_FAIL = 0,
    RESET_OPT_SUCCESS = 1,
};

extern const char READ_COMPLETE_TEXT[]; // "Driver information read complete."
constexpr int READ_COMPLETE_VALUE = 12;
// What a serial engine's read reports when it is given up.
extern const char READ_ERROR_TEXT[]; // "Reading product info error"

// The shape every programming engine (DALI tool, USB tool, FEIG NFC reader, CR95HF NFC reader)
// offers the window, so that a read, a programming run or an operating-time reset can be started
// on the engine of the current programming tool and reported through one set of slots, and what
// the four engines do alike around their own steps.
//
// Exactly one engine is enabled at a time; a disabled engine ignores every slot call.
// The common cycle: while enabled and the tool is connected, each tick of the window's
// driver-detection timer (checkDriverConnection) probes for a driver; a start operation only
// takes effect while a driver is connected; after a successful programming the program request
// stays set, so every newly connected driver is programmed too until resetProgrammingState().
// What a found driver gets is decided here (driverFound), and the engines only say where their
// sequence goes. The driver state reported, the program request (a run is on) and where the run
// stands (programmingResult, which follows the states reported) are kept here alone; the tool
// state is the window's, heard through toolConnectionStateChange.
//
// Losing the tool or the driver is handled here once:
// - a lost tool (toolConnectionStateChange(0), or a port error the engine hands to
//   handleLinkLoss) ends the read, reset or programming attempt under way at once, reported as
//   failed, so the window shows the outcome whatever it does next;
// - a lost driver drops the requests made for it (a pending read; a pending reset, reported
//   failed; a programming request whose run the window does not show yet), while a production
//   run the window shows stays armed and goes on with the next driver found, also once a lost
//   tool is back. Nothing is written to a driver unless the user started it and can see it
//   running.
class ProgEngine : public QObject
{
    Q_OBJECT
public:
    explicit ProgEngine(QObject* parent = nullptr);
    ~ProgEngine() override;

    // Called by the window's work mode: 1 for the engine of the current tab and tool, 0 for the
    // others. Then as resetState().
    void setEnabled(int enable);
    bool isEnabled() const { return enabled; }
    // Ends the operation under way (reported as failed), clears the requests, the production run,
    // the sequence state and the stored driver state (without a signal), and the global
    // loaded-profile flag.
    void resetState();
    // The production view was closed: clears the program request and the programming state,
    // which ends the run of one driver after another.
    virtual void resetProgrammingState();

    // The three starts take effect only while a driver is connected; each is logged. A serial
    // engine takes the request up at the next probe, an NFC engine carries it out at once.
    // Programming arms the production run; the window copies its record into writeRecord() first.
    void startReadProductInfo();
    void startProgramming();
    void startResetOperatingTime();

    // Records the driver connection state (DriverConnStateDef); emits
    // driverConnectionStateChangeSignal on a change. A driver of another product than the loaded
    // profile's is reported as a mismatch each time and never recorded as connected; a driver
    // that goes away is always recorded as gone, and the requests made for it are dropped.
    void setDriverConnected(int state);
    // Ends or repeats a programming attempt and emits programmingStateUpdatedSignal.
    virtual void handleProgrammingResult(bool ok) = 0;
    // Clears the reset request and emits resetOptResultSignal(result).
    void resetOptResult(int result);

    // The window's tool check: a serial engine's tool is looked for among the serial ports by the
    // link (the tool kind of SerialCommunication::checkToolPort), an NFC engine opens its reader.
    static constexpr int NO_TOOL_PORT = -1;
    virtual int toolPortKind() const { return NO_TOOL_PORT; }
    virtual bool openTool() { return false; }
    // The status line once the tool is found.
    virtual QString toolConnectedText() const = 0;
    // Whether the tool can program corridor dimming, and the DALI part banks (DT6, parts 250,
    // 251, 253) of the products that have them.
    virtual bool programsCorridor() const { return true; }
    virtual bool programsDaliParts() const { return false; }
    // Writes writeRecord(), which the window has filled with the factory data, to the driver,
    // with a tool that can (hasFactoryReset).
    virtual bool hasFactoryReset() const { return false; }
    virtual void factoryReset() {}

    // What a programming run or a reset writes; the window copies its record here first.
    ProgDataStructDef& writeRecord() { return record; }
    // What the last completed read filled; the window copies it out on READ_STATE_COMPLETE.
    virtual const ProgDataStructDef& readRecord() const { return record; }

    void enableDriverDetectTimer() { emit enableDriverDetectTimerSignal(true); }
    void disableDriverDetectTimer() { emit enableDriverDetectTimerSignal(false); }

    // programmingResult(): where the production run stands.
    static constexpr int PROG_RESULT_NONE = 0;
    static constexpr int PROG_RESULT_PROGRAMMING = 1;
    static constexpr int PROG_RESULT_ARMED = 2; // requested, waiting for a driver to program
    static constexpr int PROG_RESULT_SUCCESS = 3;
    static constexpr int PROG_RESULT_FAIL = 4;

    // Read-only views for the window's traces and for tests.
    int driverConnectionState() const { return driverState; }
    int programmingResult() const { return programResult; }
    // A production run waits for its next driver.
    bool runArmed() const { return programRequested && programResult == PROG_RESULT_ARMED; }

public slots:
    // Tick of the window's driver-detection timer (2000 ms): probes for a driver while the tool is
    // connected, otherwise stops the timer and takes the driver as lost. The timer is shared by
    // all engines, so a disabled engine ignores the tick and leaves the timer alone.
    void checkDriverConnection();
    // From MainWindow::toolConnectionChangeSignal: 1 tool connected, 0 not found. When enabled,
    // ends what a lost tool cannot finish and runs checkDriverConnection() at once.
    void toolConnectionStateChange(int state);
    // From the serial link's communicateError (the serial engines): nothing is outstanding any
    // more; handleCommError decides.
    void processCommError(int error_type);

signals:
    void programmingStateUpdatedSignal(ProgStateDef state);
    void productInfoReadUpdateSignal(int state, QString str, int value);
    void driverConnectionStateChangeSignal(int state);
    void resetOptResultSignal(int result);
    void enableDriverDetectTimerSignal(bool state);
    void debug_msg(QString msg);

protected:
    // What an engine has under way besides polling.
    enum class Operation { None, Read, Reset, Program };

    // One detection poll ("Detecting driver..." is logged): the tool is connected and no request is
    // outstanding.
    virtual void probeDriver() = 0;
    // Puts the sequence back to polling (its steps, retries and counters cleared) and tells what
    // was under way, so that it can be reported ended.
    virtual Operation stopOperation() = 0;
    // An error the serial link reported for the engine's outstanding request.
    virtual void handleCommError(int error_type);
    // A start the driver allows; by default a read or reset is queued for the next probe (the
    // program request is armed already).
    virtual void takeUpRequest(Operation op);
    // Puts the sequence on the operation the driver-found decision chose.
    virtual void beginOperation(Operation op) { Q_UNUSED(op) }
    // Whether the view is told that the driver of a production run it shows went away; by default
    // when a driver had been connected. unusableAnswer: the probe was answered, but unusably.
    virtual bool showsDriverRemoval(bool unusableAnswer) const;
    // Whether the driver found may be taken as connected with the loaded profile.
    virtual bool driverMatchesProfile() const { return true; }
    // A line the engine also writes to standard output; nothing by default.
    virtual void trace(const QString& line) const { Q_UNUSED(line) }

    // Sends programmingStateUpdatedSignal; from then on the window shows the run.
    void reportProgrammingState(ProgStateDef state);
    // The operation under way (if any) is over, failed: the read is given up, the reset and the
    // programming attempt reported failed. The sequence is back to polling.
    void endOperation();
    // The driver is gone: a production run the window shows is re-armed, then the driver is
    // recorded as lost.
    void driverLost(bool unusableAnswer = false);
    // A probe found a driver (newDriver: none was connected before it; runProduct: it is of the
    // armed run's product) and decides what it gets: an armed run starts on it; otherwise a
    // new driver is read at once unless a profile dictates the data or a run is on, and a pending
    // read or reset runs. Returns what was begun.
    Operation driverFound(bool newDriver, bool runProduct);
    // The tool is gone with whatever was under way (a lost tool, a port error): the driver is lost
    // and the operation ends.
    void handleLinkLoss();
    // A serial engine's error: a port error, or the link still looking for the tool, is the tool
    // lost (handleLinkLoss); true when it was.
    bool toolLostWith(int error_type);
    // A serial engine's sequence that reached one of its ends goes back to polling its driver,
    // with the detection timer on.
    void resumePolling(int& state, std::initializer_list<int> ends, int polling);

    // productInfoReadUpdateSignal(READ_STATE_COMPLETE, READ_COMPLETE_TEXT, READ_COMPLETE_VALUE)
    void reportReadComplete();

    // What a run writes; a serial engine's read fills it too (its lists start at their default
    // curves).
    ProgDataStructDef record;
    bool enabled = false;
    int toolState = 0; // 1: the tool is connected
    int driverState = DRIVER_DISCONNECTED;
    bool programRequested = false; // a production run is armed
    bool readRequested = false;
    bool resetRequested = false;
    int retryCount = 0; // failed attempts of a programming run
    // A command was sent and its answer or error is still due (serial engines).
    bool requestOutstanding = false;

    // The DALI tool logs every answered probe as a connected driver, not only a new one.
    bool logsEveryProbeAnswer = false;
    // An NFC tag is read to be found at all: unless a profile dictates the data, the window gets
    // what it holds, even while a run for another product is on.
    bool readsDuringRun = false;

private:
    bool acceptStart(const QString& line, const QString& traceLine);
    void dropRequests();

    int programResult = PROG_RESULT_NONE; // follows the states reported and the re-arming
    bool runInView = false; // a programming state of this run reached the window
};

#endif // PROGENGINE_H
