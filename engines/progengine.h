#ifndef PROGENGINE_H
#define PROGENGINE_H

#include "commerror.h"
#include "progdata.h"
#include "userprompt.h"

#include <QMetaType>
#include <QObject>
#include <QString>

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

// The shape every programming engine (DALI tool, USB tool, FEIG NFC reader, CR95HF NFC reader)
// offers the window, so that a read, a programming run or an operating-time reset can be started
// on the engine of the current programming tool and reported through one set of slots.
//
// Exactly one engine is enabled at a time; a disabled engine ignores every slot call.
// The common cycle: while enabled and the tool is connected, each tick of the window's
// driver-detection timer (checkDriverConnection) probes for a driver; a start operation only
// takes effect while a driver is connected; after a successful programming the program request
// stays set, so every newly connected driver is programmed too until resetProgrammingState().
class ProgEngine : public QObject
{
    Q_OBJECT
public:
    explicit ProgEngine(QObject* parent = nullptr);
    ~ProgEngine() override;

    // Called by the window's work mode: 1 for the engine of the current tab and tool, 0 for the
    // others. Clears the requests and the sequence state, and the global loaded-profile flag.
    virtual void setEnabled(int enable) = 0;
    // As setEnabled without changing the enable flag.
    virtual void resetState() = 0;
    // The production view was closed: clears the program request and the programming state,
    // which ends the run of one driver after another.
    virtual void resetProgrammingState() = 0;

    virtual void startReadProductInfo() = 0;
    // The window copies its record into writeRecord() first.
    virtual void startProgramming() = 0;
    virtual void startResetOperatingTime() = 0;

    // Records the driver connection state (DriverConnStateDef); emits
    // driverConnectionStateChangeSignal on a change.
    virtual void setDriverConnected(int state) = 0;
    // Ends or repeats a programming attempt and emits programmingStateUpdatedSignal.
    virtual void handleProgrammingResult(bool ok) = 0;
    // Clears the reset request and emits resetOptResultSignal(result).
    virtual void resetOptResult(int result) = 0;

    // What a programming run or a reset writes; the window copies its record here first.
    virtual ProgDataStructDef& writeRecord() = 0;
    // What the last completed read filled; the window copies it out on READ_STATE_COMPLETE.
    virtual const ProgDataStructDef& readRecord() const = 0;

    void enableDriverDetectTimer();  // emits enableDriverDetectTimerSignal(true)
    void disableDriverDetectTimer(); // emits enableDriverDetectTimerSignal(false)

protected:
    // The end of an NFC engine's factory reset: on success (no failure text) a completed read,
    // okLine in the log and the success box; otherwise the failure in the log and the failure
    // box. Detection runs again either way.
    void endFactoryReset(const QString& failure, const QString& okLine, UserPrompt* prompt);
    // A read or reset asked for belongs to the driver present then. Once that driver is gone or
    // found unsupported (any state but DRIVER_CONNECTED), a pending request is dropped, so it
    // cannot clear the operating time of the next driver plugged in; the reset is reported
    // failed through resetOptResult, as nothing was reset.
    void dropRequestsOfLostDriver(int driverState, bool& readRequest, bool resetRequest);

public slots:
    // Tick of the window's driver-detection timer (2000 ms): probes for a driver while the tool is
    // connected, otherwise stops the timer and records that no driver is connected. The timer is
    // shared by all engines, so a disabled engine ignores the tick and leaves the timer alone.
    virtual void checkDriverConnection() = 0;
    // From MainWindow::toolConnectionChangeSignal: 1 tool connected, 0 not found. When enabled,
    // runs checkDriverConnection() at once.
    virtual void toolConnectionStateChange(int state) = 0;

signals:
    void programmingStateUpdatedSignal(ProgStateDef state);
    void productInfoReadUpdateSignal(int state, QString str, int value);
    void driverConnectionStateChangeSignal(int state);
    void resetOptResultSignal(int result);
    void enableDriverDetectTimerSignal(bool state);
    void debug_msg(QString msg);
};

#endif // PROGENGINE_H
