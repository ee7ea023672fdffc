#ifndef MAINWINDOW_H
#define MAINWINDOW_H

#include "bootloader.h"
#include "corridor_curve.h"
#include "daliconsole.h"
#include "dalipowermonitor.h"
#include "daliprogramming.h"
#include "debugmsg.h"
#include "dimcurve.h"
#include "feig_nfc.h"
#include "iprogramming.h"
#include "mtpcurve.h"
#include "progdata.h"
#include "progengine.h"
#include "serialcommunication.h"
#include "st_nfc.h"
#include "windowprompt.h"

#include <QByteArray>
#include <QMainWindow>
#include <QString>

class QAction;
class QDateTime;
class QLabel;
class QMovie;
class QProgressDialog;
class QTimer;
class Ui_MainWindow;

class clocurve;
class smartcurve;
class programView;
class LoginView;
class AdvanceView;
class setting_DT6;
class setting_part250;
class setting_part251;
class setting_part253;

// The application's one window: four tabs (DALI Control, Programming, Power Meter, Firmware
// Update) over one serial link and the engines that work on a driver. Exactly one engine is
// switched on at a time, chosen by the current tab and, on the Programming tab, by the programming
// tool (the work mode).
//
// The code is split by area: the shell and start-up in mainwindow.cpp, the work mode, tool and
// driver detection and the Programming tab's product rules in mainwindow_workmode.cpp, the
// Programming tab's display, checks and runs in mainwindow_programming.cpp, the console tab in
// mainwindow_console.cpp, the setting dialogs and administrator flow in mainwindow_dialogs.cpp,
// profiles in mainwindow_profile.cpp, the power meter in mainwindow_powermeter.cpp and the
// firmware update in mainwindow_firmware.cpp.
class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    // Tabs, which are also the work modes the window switches between.
    static constexpr int TAB_DALI_CONSOLE = 0;
    static constexpr int TAB_PROGRAMMING = 1;
    static constexpr int TAB_POWER_METER = 2;
    static constexpr int TAB_FIRMWARE_UPDATE = 3;

    // Both detections poll at this pace: the tool while none is found, the driver while the
    // enabled programming engine asks for it.
    static constexpr int TOOL_DETECT_INTERVAL_MS = 2000;
    static constexpr int DRIVER_DETECT_INTERVAL_MS = 2000;

    explicit MainWindow(QWidget* parent = nullptr);
    ~MainWindow() override;

    // State 0 runs the searching animation (left alone when it already runs, resting while the
    // label cannot be seen), 1 shows the connected picture; other values change nothing.
    static void setIndicatorState(QLabel* label, QMovie* movie, int state);

    // Read-only views for diagnostics and tests.
    int currentWorkTab() const { return currentTabIndex; }
    int toolState() const { return toolConnectionState; }
    int driverState() const { return driverConnectionState; }
    bool hasProductListError() const { return productListError; }
    int connectionCount() const { return connectionsMade; }
    const ProgDataStructDef& programmingData() const { return progData; }
    const SerialCommunication& serialLink() const { return serialComm; }
    const DaliConsole& consoleEngine() const { return daliConsole; }
    const DaliProgramming& daliProgrammingEngine() const { return daliProg; }
    const iProgramming& iProgrammingEngine() const { return iProg; }
    const ST_NFC& stNfcEngine() const { return stNfc; }
    const FEIG_NFC& feigNfcEngine() const { return feigNfc; }
    const DaliPowerMonitor& powerMonitorEngine() const { return powerMonitor; }
    const BootLoader& bootLoaderEngine() const { return bootLoader; }

    // ---- Programming log (mainwindow_programming.cpp) ----------------------------------------
    // The day's log file of a driver programmed at `at`: "MM-dd-yyyy_program_log.csv".
    static QString programmingLogFileName(const QDateTime& at);
    // Its line for that driver, line feed included; a field holding a comma, a quote or a line
    // break is quoted as CSV requires.
    static QString programmingLogLine(const QDateTime& at, const QString& driverName, const ProgDataStructDef& data,
                                      const QString& profileName);

protected:
    // Pauses an indicator's animation while its label is hidden (another tab, a minimised
    // window) and resumes it when the label shows again.
    bool eventFilter(QObject* watched, QEvent* event) override;

signals:
    // 1 the programming tool was found, 0 it is not (or no longer) found; sent on a change only.
    void toolConnectionChangeSignal(int state);
    void debug_msg(QString msg);

public slots:
    // ---- Toolbar: each action does what the current tab means by it -------------------------
    void saveIconClicked();
    void loadOrOpenIconClicked();
    void resetOrClearIconClicked();
    void readIconClicked();
    void programIconClicked(); // mainwindow_programming.cpp
    void clearIconClicked();

    // ---- Work mode, tool and driver detection (mainwindow_workmode.cpp) ----------------------
    void checkToolConnection();
    void tabWidgetChanged(int index);
    void programToolChangeProcess(int toolIndex);
    void enableDriverDetectTimerSlot(bool state);
    void driverConnectionStateUpdateSlot(int state);
    void processCommError(int error_type);

    // ---- Programming tab: product rules and setting widgets (mainwindow_workmode.cpp) --------
    void driverBoxClicked(int i);
    void analogDimCheckBoxSelected(bool selected);
    void daliDimCheckBoxSelected(bool selected);
    void pwmDimCheckBoxSelected(bool selected);
    void pushDimCheckBoxSelected(bool selected);
    void corridorDimCheckBoxSelected(bool selected);
    void smartDimCheckBoxSelected(bool selected);
    void smartDimRadioButtonSelected();
    void segmentCurrentRadioSelected();
    void customCurrentRadioSelected();
    void customCurrentEditFinished();
    void mtpBoxValueChanged();
    void corridorHoldTimeSpinBoxValueChanged(int value);
    void corridorHoldTimeSpinBoxEditingFinished();
    void corridorReleaseTimeSpinBoxValueChanged(int value);
    void corridorReleaseTimeSpinBoxEditingFinished();
    void corridorReleaseTimeInfinityCheckBoxSelected(bool checked);
    void mtpFunctionGroupBoxSelected(bool checked);
    void cloFunctionGroupBoxSelected(bool checked);
    void eolFunctionGroupBoxSelected(bool checked);

    // ---- Programming tab: checks of the edits (mainwindow_programming.cpp) -------------------
    // 0 valid, -1 invalid with the complaint shown in cloErrorLabel.
    int timeEditEndEditing();
    int levelEditEndEditing();
    int analogMinDimSpinBoxEditingFinished();

    // ---- Programming tab: engine reports and production (mainwindow_programming.cpp) ---------
    void readProductInfoUpdateSlot(int state, QString str, int value);
    void resetOptStateUpdateSlot(int result);
    void programDone();

    // ---- Setting dialogs (mainwindow_dialogs.cpp) --------------------------------------------
    void smartDimCurvePushBtn_clicked();
    void analogDimCurvePushBtn_clicked();
    void corridorCurvePushBtn_clicked();
    void mtpShowCurvePushBtn_clicked();
    void cloShowCurvePushBtn_clicked();
    void DT6PushBtn_clicked();
    void part250PushBtn_clicked();
    void part251PushBtn_clicked();
    void part253PushBtn_clicked();
    void analogDimCurveDone(dimcurve::DimSettings settings);
    void mtpCurveDone(mtpcurve::MTPSettings settings);
    void corridorCurveDone(corridor_curve::CorridorSettings settings);
    void smartCurveDone();
    void DT6Done(ProgDataStructDef& data);
    void part250Done(ProgDataStructDef& data);
    void part251Done(ProgDataStructDef& data);
    void part253Done(ProgDataStructDef& data);

    // ---- Administrator flow (mainwindow_dialogs.cpp) -----------------------------------------
    void showAdminView();
    void adminSettingDone(bool enable);

    // ---- DALI Control tab (mainwindow_console.cpp) -------------------------------------------
    void deviceTypeChanged(int type);
    void cmdLineEditFinishProcess();
    void cmdLineEditedProcess();
    void cmdComboBoxSelectedProcess();
    void sendPushBtn_clicked();
    void broadcastAddrRatioButton_checked();
    void groupAddrRatioButton_checked();
    void shortAddrRatioButton_checked();
    void addrLineEditChange();
    void addSeqCmdPushBtn_clicked();
    void insertSeqCmdPushBtn_clicked();
    void delSeqCmdPushBtn_clicked();
    void seqCmdMoveUpPushBtn_clicked();
    void seqCmdMoveDownPushBtn_clicked();
    void startSendSeqCmdPushBtn_clicked();
    void singleStepSeqCmdPushBtn_clicked();
    void cmdSequenceItemSelectionChanged();
    void processDaliConsoleDisplay(QByteArray data);
    void cmdSeqFinishProcess();
    void updateCmdSequenceItemDisplay(int row);
    // The link sent nothing of a console command: it is still looking for the tool.
    void consoleCommandNotSent(bool sequenceItem);

    // ---- Power Meter tab (mainwindow_powermeter.cpp) -----------------------------------------
    void readPowerPushBtn_clicked();
    void autoReadTimerProcess();
    void processPowerMonitorDisplay(int type, double* data, uint masktype);
    void processPowerDataReadResult(bool result);
    void broadcastAddrRatioButton_2_checked();
    void shortAddrRatioButton_2_checked();
    void addrLineEdit_2_Change();
    void clearMonitorDataPushBtn_clecked();

    // ---- Firmware Update tab (mainwindow_firmware.cpp) ---------------------------------------
    void appendBootMessage(QString msg);
    void updateBootProgressBar(int value, int max_value);
    void clearBootMessagePushBtn_clicked();

private slots:
    // ---- Programming tab: production (mainwindow_programming.cpp) ----------------------------
    void programmingStateUpdateSlot(ProgStateDef state);
    void SaveTestResultToCSVFile();

    // ---- Power Meter tab (mainwindow_powermeter.cpp) -----------------------------------------
    // From toolConnectionChangeSignal: a lost tool, or the tab left, ends automatic reading.
    void powerMeterToolStateChange(int state);

    // ---- Administrator flow (mainwindow_dialogs.cpp) -----------------------------------------
    // No control of the form triggers it; it is reachable by name only.
    void adminPushBtn_clicked();
    void NFC_factoryReset(int index);

private:
    // ---- Start-up and shell (mainwindow.cpp) -------------------------------------------------
    void initMembers();
    void initUi();
    void createDialogs();
    void connectSignalsAndSlots();
    void link(const QObject* sender, const char* signal, const QObject* receiver, const char* method);
    void counted(const QMetaObject::Connection& connection);
    void connectToolbarAndTimers();
    void connectConsoleTab();
    void connectProgrammingTab();
    void connectPowerMeterTab();
    void connectFirmwareTab();
    void connectSerialLink();
    void connectProgrammingEngines();
    void connectDialogs();
    void loadProductList();
    void updateToolbarForTab(int tab);
    void setToolbarActionsEnabled(bool enable);

    // ---- Work mode (mainwindow_workmode.cpp) -------------------------------------------------
    void setWorkMode(int tab);
    void updateToolConnectionState(int state);
    // The searching animation for an indicator label, which from now on rests while hidden.
    QMovie* newIndicatorMovie(QLabel* label);
    // The box telling the user the tool is lost, once per loss.
    void showToolLostBox(const QString& text);
    // The tool is gone and its box, queued or open, is the one message for the loss: what the loss
    // ended is shown failed without a box of its own.
    bool toolLossBoxCovers() const { return toolLostBoxDue && toolConnectionState != 1; }

    // ---- Product rules (mainwindow_workmode.cpp) ---------------------------------------------
    void fillProductComboBox();
    void loadProductSettings(quint16 n);
    void applyDimFunctionCheckBoxes(int dimFunctionType);
    void enableProgramTabActions(bool flag);
    // The release time box is greyed exactly while the release is endless.
    void setCorridorReleaseInfinite(bool infinite);
    // The DALI part buttons: enabled only for the FEIG reader and the products with DALI parts.
    void updateDaliPartButtons(int productIndex);
    void setDaliPartButtonsEnabled(bool enable);

    // ---- Programming tab display, collection and runs (mainwindow_programming.cpp) -----------
    void displayDriverInfo();
    void displayDriverSettings();
    void updateFullCurrentLabel(int current);
    void collectProgrammingData();
    void startProgramming();
    // The checks a programming run or a profile save must pass (0) before collecting; -1 with the
    // complaint shown.
    int checkProgrammingInputs();
    void readDriverWithCurrentTool();
    void resetModuleOperatingTime();
    // The engine of programToolIndex; nullptr for an index without one.
    ProgEngine* currentProgrammingEngine();
    // A log or label failure stays on the status line until the next line is logged (and printed).
    void showProductionError(const QString& text);
    void clearProductionError();
    // The status line while a profile is loaded.
    QString profileStatusText() const;

    // ---- Setting dialogs (mainwindow_dialogs.cpp) --------------------------------------------
    // The smart timer dialog gets progData's schedule, shown in the given timer mode.
    void loadSmartCurve(int mode);

    // ---- Profiles (mainwindow_profile.cpp) ---------------------------------------------------
    void saveProfile();
    void loadProfile();

    // ---- DALI Control tab (mainwindow_console.cpp) -------------------------------------------
    int consoleTargetAddress();
    void buildSequenceCommand();
    void saveCommandSequence();
    void openCommandSequence();

    // ---- Power Meter tab (mainwindow_powermeter.cpp) -----------------------------------------
    void savePowerData();
    void startPowerRead();
    // Read reads "Read" again and no tick follows.
    void stopAutoRead();

    // ---- Firmware Update tab (mainwindow_firmware.cpp) ---------------------------------------
    void loadFirmwareFile();
    void startFirmwareUpdate();

    // ---- Members, in construction order ------------------------------------------------------
    Ui_MainWindow* ui;
    QTimer* toolDetectTimer = nullptr;
    QMovie* toolIndicatorMovie = nullptr;
    int currentTabIndex = TAB_DALI_CONSOLE;
    SerialCommunication serialComm;
    int toolConnectionState = 0;
    DaliConsole daliConsole;
    QTimer* driverDetectTimer = nullptr;
    // What the window shows, not the engine's record: a mismatch, and its own reset on a tab or tool change.
    int driverConnectionState = DRIVER_DISCONNECTED;
    DaliProgramming daliProg;
    iProgramming iProg;
    WindowPrompt enginePrompt; // the boxes and file dialogs of the NFC engines and the boot loader
    ST_NFC stNfc;
    FEIG_NFC feigNfc;
    QMovie* driverIndicatorMovie = nullptr;
    QAction* programAction = nullptr;
    QAction* saveAction = nullptr;
    QAction* loadAction = nullptr;
    QAction* resetAction = nullptr;
    QAction* readAction = nullptr;
    QAction* clearAction = nullptr;
    ProgDataStructDef progData;

    // The twelve dialogs: created once without parent, shown modally as needed.
    dimcurve* dimCurveDialog = nullptr;
    smartcurve* smartCurveDialog = nullptr;
    mtpcurve* mtpCurveDialog = nullptr;
    clocurve* cloCurveDialog = nullptr;
    programView* programViewDialog = nullptr;
    LoginView* loginViewDialog = nullptr;
    AdvanceView* advanceViewDialog = nullptr;
    corridor_curve* corridorCurveDialog = nullptr;
    setting_DT6* dt6Dialog = nullptr;
    setting_part250* part250Dialog = nullptr;
    setting_part251* part251Dialog = nullptr;
    setting_part253* part253Dialog = nullptr;

    QProgressDialog* readProgressDialog = nullptr;
    QTimer* autoReadTimer = nullptr;
    DaliPowerMonitor powerMonitor;
    BootLoader bootLoader;
    DebugMsg debugMsg;

    bool productListError = false;
    int connectionsMade = 0;

    // DALI Control tab.
    int seqRowCount = 0;
    bool cmdEntrySynced = true;

    // Power Meter tab: the table row the next readings go to.
    int powerRowIndex = 0;

    // Programming tab: the log or label failure the status line shows, empty when none.
    QString productionError;

    // A tool-lost box is queued or open.
    bool toolLostBoxDue = false;
};

#endif // MAINWINDOW_H
