#include "mainwindow.h"

#include "advanceview.h"
#include "clocurve.h"
#include "globals.h"
#include "loginview.h"
#include "productlist.h"
#include "programview.h"
#include "prompt.h"
#include "stdouttrace.h"
#include "setting_dt6.h"
#include "setting_part250.h"
#include "setting_part251.h"
#include "setting_part253.h"
#include "smartcurve.h"
#include "ui_mainwindow.h"

#include <QAction>
#include <QHeaderView>
#include <QLineEdit>
#include <QMovie>
#include <QProgressDialog>
#include <QTimer>
#include <QWhatsThis>

#include <initializer_list>

namespace {

const char PRODUCT_LIST_FILE[] = "Product List.txt";
const char RELEASE_VERSION_TEXT[] = "Release version: 5.3.2";
const char TABLE_HEADER_STYLE[] = "QHeaderView::section {background-color: rgb(171, 216, 255)}";

// Entries of the serial link's command-name lists start with the three-digit command number and a
// blank ("350 DAPC"); the console list shows only the name.
constexpr int COMMAND_NUMBER_PREFIX = 4;
constexpr int TABLE_ROW_HEIGHT = 20;
constexpr int CMD_TOOLTIP_DURATION_MS = 4000;
constexpr int CORRIDOR_TOOLTIP_DURATION_MS = 2000;
constexpr int CLO_POINTS = 8;

// A driver read reports twelve steps; a dialog set to its maximum stays hidden until a read
// sets a lower value.
constexpr int READ_PROGRESS_STEPS = 12;
constexpr int READ_PROGRESS_WIDTH = 300;

} // namespace

MainWindow::MainWindow(QWidget* parent)
    : QMainWindow(parent), ui(new Ui_MainWindow)
{
    ui->setupUi(this);
    initMembers();
    initUi();
    connectSignalsAndSlots();
    emit debug_msg(QStringLiteral("Reloading product file list complete, products number: %1").arg(productList.size()));
    // The first check ran inside initUi before anything was connected; this one reaches the
    // engines and the debug log.
    checkToolConnection();
}

MainWindow::~MainWindow()
{
    delete ui;
    // These have no parent so that they open as windows of their own; they go with the window.
    delete toolIndicatorMovie;
    delete driverIndicatorMovie;
    delete readProgressDialog;
    delete dimCurveDialog;
    delete smartCurveDialog;
    delete corridorCurveDialog;
    delete mtpCurveDialog;
    delete cloCurveDialog;
    delete programViewDialog;
    delete loginViewDialog;
    delete advanceViewDialog;
    delete dt6Dialog;
    delete part250Dialog;
    delete part251Dialog;
    delete part253Dialog;
}

void MainWindow::initMembers()
{
    autoReadTimer = new QTimer(this);
    autoReadTimer->setObjectName(QStringLiteral("autoReadTimer"));
    toolDetectTimer = new QTimer(this);
    toolDetectTimer->setObjectName(QStringLiteral("toolDetectTimer"));
    driverDetectTimer = new QTimer(this);
    driverDetectTimer->setObjectName(QStringLiteral("driverDetectTimer"));

    programToolIndex = PROG_TOOL_DALI;
    profileLoaded = 0;
    loadedProfileProductIndex = 0;
    productListError = false;
    setProgDataDefaults(progData);
    serialComm.buildCommandTables();
    bootLoader.setPrompt(&enginePrompt);
    stNfc.setPrompt(&enginePrompt);
    feigNfc.setPrompt(&enginePrompt);
}

void MainWindow::initUi()
{
    ui->logoLabel->setPixmap(QPixmap(QStringLiteral(":/image/kavroLogo_150.png")));

    toolIndicatorMovie = newIndicatorMovie(ui->indicatiorLabel);
    setIndicatorState(ui->indicatiorLabel, toolIndicatorMovie, 0);

    auto makeAction = [this](const char* icon, const char* text, const char* name) {
        QAction* action = new QAction(QIcon(QString::fromLatin1(icon)), tr(text), this);
        action->setObjectName(QString::fromLatin1(name));
        return action;
    };
    programAction = makeAction(":/image/playIcon_50.png", "Program", "programAction");
    readAction = makeAction(":/image/down_50.png", "Read", "readAction");
    saveAction = makeAction(":/image/saveIcon_50.png", "Save Profile", "saveAction");
    loadAction = makeAction(":/image/downloadIcon_50.png", "Load Profile", "loadAction");
    resetAction = makeAction(":/image/refreshIcon_50.png", "Reset Module Operating Time", "resetAction");
    clearAction = makeAction(":/image/clearIcon.png", "Clear data", "clearAction");
    ui->toolBar->addActions({saveAction, loadAction, resetAction, clearAction, readAction, programAction});
    ui->toolBar->addAction(QWhatsThis::createAction(this));

    ui->printerCheckBox->setWhatsThis(tr("Only ZPL-compatible printers are supported"));
    ui->versionLabel->setText(tr(RELEASE_VERSION_TEXT));

    // DALI Control page.
    QStringList commandList;
    for (const QString& entry : serialComm.currentCommandNames())
        commandList << entry.mid(COMMAND_NUMBER_PREFIX);
    ui->daliResponseLineEdit->setText(QStringLiteral("-----"));
    ui->cmdComboBox->addItems(commandList);
    ui->cmdComboBox->setToolTip(tr("*DALI Ed2 commands"));
    ui->cmdComboBox->setToolTipDuration(CMD_TOOLTIP_DURATION_MS);
    ui->deviceTypeComboBox->addItem(tr("DT6: LED"));
    ui->deviceTypeComboBox->addItem(tr("DT8: Colour control"));
    ui->deviceTypeComboBox->setCurrentIndex(0);
    QTableWidget* table = ui->cmdSeqTableWidget;
    table->setHorizontalHeaderLabels({tr("No."), tr("Cmd ID"), tr("Command Discription"), tr("Address"),
                                      tr("Data"), tr("Delay"), tr("Response")});
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setSelectionMode(QAbstractItemView::SingleSelection);
    table->horizontalHeader()->setStyleSheet(QString::fromLatin1(TABLE_HEADER_STYLE));
    table->verticalHeader()->setVisible(false);
    table->verticalHeader()->setDefaultSectionSize(TABLE_ROW_HEIGHT);
    table->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    const int consoleWidths[] = {50, 80, 240, 120, 70, 70};
    for (int column = 0; column < 6; ++column)
        table->setColumnWidth(column, consoleWidths[column]);
    table->horizontalHeader()->setStretchLastSection(true);

    // Programming page. The selector has no entry for the CR95HF reader (tool 3).
    ui->programToolComboBox->addItem(tr("DALI Programming (KRQ-DL41)"));
    ui->programToolComboBox->addItem(tr("iProgramming (KRQ-US42)"));
    ui->programToolComboBox->addItem(tr("FEIG NFC Programming"));
    ui->analogDimSetGroupBox->setEnabled(false);
    ui->analogDimSetGroupBox->show();

    ui->cloErrorLabel->setStyleSheet(QStringLiteral("QLabel { color : red; }"));
    ui->cloErrorLabel->hide();

    driverIndicatorMovie = newIndicatorMovie(ui->driverLedLabel);
    setIndicatorState(ui->driverLedLabel, driverIndicatorMovie, 0);
    ui->driverComboBox->setEnabled(true);
    ui->connectStatusLabel->setText(tr("DALI controller not found!"));

    createDialogs();

    readProgressDialog = new QProgressDialog();
    readProgressDialog->setFixedWidth(READ_PROGRESS_WIDTH);
    readProgressDialog->setRange(0, READ_PROGRESS_STEPS);
    readProgressDialog->setFont(QFont(QStringLiteral("Arial"), 9));
    readProgressDialog->setCancelButton(nullptr);
    readProgressDialog->setWindowFlags(Qt::SplashScreen);
    readProgressDialog->setWindowModality(Qt::ApplicationModal);
    readProgressDialog->setLabelText(QString());
    readProgressDialog->setValue(READ_PROGRESS_STEPS);

    loadProductList();
    fillProductComboBox();

    ui->corridorHoldTimeSpinBox->setToolTip(tr("ten multiples"));
    ui->corridorHoldTimeSpinBox->setToolTipDuration(CORRIDOR_TOOLTIP_DURATION_MS);
    ui->corridorReleaseTimeSpinBox->setToolTip(tr("ten multiples"));
    ui->corridorReleaseTimeSpinBox->setToolTipDuration(CORRIDOR_TOOLTIP_DURATION_MS);

    ui->fwVersionLabel->setText(QStringLiteral("--"));

    // Power Meter page.
    for (QLineEdit* field : {ui->activePowerLineEdit, ui->activeEnergyLineEdit, ui->apparentPowerLineEdit,
                             ui->apparentEnergyLineEdit, ui->loadSidePowerLineEdit, ui->loadSideEnergyLineEdit})
        field->setText(QStringLiteral("---"));
    QTableWidget* monitor = ui->monitorTableWidget;
    monitor->setHorizontalHeaderLabels({tr("Time"), tr("Active Power(W)"), tr("Active Energy(Wh)"),
                                        tr("Apparent Power(VA)"), tr("Apparent Energy(VAh)"),
                                        tr("Load side Power(W)"), tr("Load side Energy(Wh)")});
    monitor->setSelectionBehavior(QAbstractItemView::SelectRows);
    monitor->setSelectionMode(QAbstractItemView::SingleSelection);
    monitor->horizontalHeader()->setStyleSheet(QString::fromLatin1(TABLE_HEADER_STYLE));
    monitor->verticalHeader()->setVisible(false);
    monitor->verticalHeader()->setDefaultSectionSize(TABLE_ROW_HEIGHT);
    monitor->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    // The time column holds a whole "MM-dd hh:mm:ss" stamp in Arial 10 pt with the cell's margins.
    const int monitorWidths[] = {115, 150, 160, 170, 170, 170};
    for (int column = 0; column < 6; ++column)
        monitor->setColumnWidth(column, monitorWidths[column]);
    monitor->horizontalHeader()->setStretchLastSection(true);

    setWorkMode(TAB_DALI_CONSOLE);
    updateToolbarForTab(TAB_DALI_CONSOLE);
}

void MainWindow::createDialogs()
{
    dimCurveDialog = new dimcurve(nullptr);
    dimCurveDialog->setWindowFlags(Qt::CustomizeWindowHint);
    smartCurveDialog = new smartcurve(nullptr);
    smartCurveDialog->setWindowFlags(Qt::CustomizeWindowHint);
    corridorCurveDialog = new corridor_curve(nullptr);
    mtpCurveDialog = new mtpcurve(nullptr);
    mtpCurveDialog->setWindowFlags(Qt::CustomizeWindowHint);
    cloCurveDialog = new clocurve(nullptr);
    cloCurveDialog->setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    programViewDialog = new programView(nullptr);
    programViewDialog->setWindowFlags(Qt::CustomizeWindowHint);
    programViewDialog->setWindowModality(Qt::ApplicationModal);
    loginViewDialog = new LoginView(nullptr);
    loginViewDialog->setWindowFlags(Qt::SplashScreen);
    advanceViewDialog = new AdvanceView(nullptr);
    advanceViewDialog->setWindowFlags(Qt::CustomizeWindowHint);
    dt6Dialog = new setting_DT6(nullptr);
    part250Dialog = new setting_part250(nullptr);
    part251Dialog = new setting_part251(nullptr);
    part253Dialog = new setting_part253(nullptr);
}

void MainWindow::loadProductList()
{
    const ProductListReadResult result = readProductListFile(QString::fromLatin1(PRODUCT_LIST_FILE));
    if (!result.opened)
        Prompt::information(nullptr, tr("error"), result.errorString, QMessageBox::Ok);
    if (result.listError) {
        productListError = true;
        Prompt::critical(nullptr, tr("Error"), tr("Product list file error, please contact the manufacturer!"),
                         QMessageBox::Ok);
    }
    stdoutTrace() << "Reloading product file list complete, products number: " << productList.size()
                        << Qt::endl;
}

void MainWindow::connectSignalsAndSlots()
{
    connectToolbarAndTimers();
    connectConsoleTab();
    connectProgrammingTab();
    connectPowerMeterTab();
    connectFirmwareTab();
    connectSerialLink();
    connectProgrammingEngines();
    connectDialogs();
}

// Every connection is counted, so a signature that no longer matches (which Qt only reports as a
// warning) shows up as a missing count.
void MainWindow::link(const QObject* sender, const char* signal, const QObject* receiver, const char* method)
{
    if (QObject::connect(sender, signal, receiver, method))
        ++connectionsMade;
}

void MainWindow::counted(const QMetaObject::Connection& connection)
{
    if (connection)
        ++connectionsMade;
}

void MainWindow::connectToolbarAndTimers()
{
    link(toolDetectTimer, SIGNAL(timeout()), this, SLOT(checkToolConnection()));
    link(autoReadTimer, SIGNAL(timeout()), this, SLOT(autoReadTimerProcess()));
    link(saveAction, SIGNAL(triggered()), this, SLOT(saveIconClicked()));
    link(loadAction, SIGNAL(triggered()), this, SLOT(loadOrOpenIconClicked()));
    link(resetAction, SIGNAL(triggered()), this, SLOT(resetOrClearIconClicked()));
    link(readAction, SIGNAL(triggered()), this, SLOT(readIconClicked()));
    link(programAction, SIGNAL(triggered()), this, SLOT(programIconClicked()));
    link(clearAction, SIGNAL(triggered()), this, SLOT(clearIconClicked()));
    link(ui->tabWidget, SIGNAL(currentChanged(int)), this, SLOT(tabWidgetChanged(int)));
}

void MainWindow::connectConsoleTab()
{
    link(ui->deviceTypeComboBox, SIGNAL(currentIndexChanged(int)), this, SLOT(deviceTypeChanged(int)));
    link(ui->cmdLineEdit, SIGNAL(editingFinished()), this, SLOT(cmdLineEditFinishProcess()));
    link(ui->cmdLineEdit, SIGNAL(textEdited(QString)), this, SLOT(cmdLineEditedProcess()));
    link(ui->cmdComboBox, SIGNAL(currentIndexChanged(int)), this, SLOT(cmdComboBoxSelectedProcess()));
    link(ui->sendPushButton, SIGNAL(clicked()), this, SLOT(sendPushBtn_clicked()));
    link(ui->broadcastRadioButton, SIGNAL(clicked(bool)), this, SLOT(broadcastAddrRatioButton_checked()));
    link(ui->groupAddrRadioButton, SIGNAL(clicked(bool)), this, SLOT(groupAddrRatioButton_checked()));
    link(ui->shortAddrRadioButton, SIGNAL(clicked(bool)), this, SLOT(shortAddrRatioButton_checked()));
    link(ui->addrLineEdit, SIGNAL(textEdited(QString)), this, SLOT(addrLineEditChange()));
    link(ui->seqCmdAddPushButton, SIGNAL(clicked(bool)), this, SLOT(addSeqCmdPushBtn_clicked()));
    link(ui->seqCmdInsertPushButton, SIGNAL(clicked(bool)), this, SLOT(insertSeqCmdPushBtn_clicked()));
    link(ui->seqCmdDelPushButton, SIGNAL(clicked(bool)), this, SLOT(delSeqCmdPushBtn_clicked()));
    link(ui->seqCmdMoveUpPushButton, SIGNAL(clicked(bool)), this, SLOT(seqCmdMoveUpPushBtn_clicked()));
    link(ui->seqCmdMoveDownPushButton, SIGNAL(clicked(bool)), this, SLOT(seqCmdMoveDownPushBtn_clicked()));
    link(ui->seqStartPushButton, SIGNAL(clicked(bool)), this, SLOT(startSendSeqCmdPushBtn_clicked()));
    link(ui->seqSingleStepPushButton, SIGNAL(clicked(bool)), this, SLOT(singleStepSeqCmdPushBtn_clicked()));
    link(ui->cmdSeqTableWidget, SIGNAL(itemSelectionChanged()), this, SLOT(cmdSequenceItemSelectionChanged()));
    link(&daliConsole, SIGNAL(displayConsoleResponse(QByteArray)), this, SLOT(processDaliConsoleDisplay(QByteArray)));
    link(&daliConsole, SIGNAL(cmdSeqFinish()), this, SLOT(cmdSeqFinishProcess()));
    link(&daliConsole, SIGNAL(displayCmdSequenceItem(int)), this, SLOT(updateCmdSequenceItemDisplay(int)));
    // Queued: the box opens once the link's report has reached every engine, not inside the
    // console's send.
    counted(connect(&daliConsole, &DaliConsole::commandNotSent, this, &MainWindow::consoleCommandNotSent,
                    Qt::QueuedConnection));
}

void MainWindow::connectProgrammingTab()
{
    link(ui->programToolComboBox, SIGNAL(currentIndexChanged(int)), this, SLOT(programToolChangeProcess(int)));
    link(ui->driverComboBox, SIGNAL(activated(int)), this, SLOT(driverBoxClicked(int)));
    link(ui->segmentSetRadioButton, SIGNAL(clicked()), this, SLOT(segmentCurrentRadioSelected()));
    link(ui->customSetRadioButton, SIGNAL(clicked()), this, SLOT(customCurrentRadioSelected()));
    link(ui->customSpinBox, SIGNAL(editingFinished()), this, SLOT(customCurrentEditFinished()));
    link(ui->analogMinDimSpinBox, SIGNAL(editingFinished()), this, SLOT(analogMinDimSpinBoxEditingFinished()));
    link(ui->analogDimCheckBox, SIGNAL(clicked(bool)), this, SLOT(analogDimCheckBoxSelected(bool)));
    link(ui->daliDimCheckBox, SIGNAL(clicked(bool)), this, SLOT(daliDimCheckBoxSelected(bool)));
    link(ui->pwmDimCheckBox, SIGNAL(clicked(bool)), this, SLOT(pwmDimCheckBoxSelected(bool)));
    link(ui->pushDimCheckBox, SIGNAL(clicked(bool)), this, SLOT(pushDimCheckBoxSelected(bool)));
    link(ui->corridorDimCheckBox, SIGNAL(clicked(bool)), this, SLOT(corridorDimCheckBoxSelected(bool)));
    link(ui->smartDimCheckBox, SIGNAL(clicked(bool)), this, SLOT(smartDimCheckBoxSelected(bool)));
    link(ui->smartFixedRadioButton, SIGNAL(clicked()), this, SLOT(smartDimRadioButtonSelected()));
    link(ui->smartMidnightRadioButton, SIGNAL(clicked()), this, SLOT(smartDimRadioButtonSelected()));
    link(ui->smartRatioRescaleRadioButton, SIGNAL(clicked()), this, SLOT(smartDimRadioButtonSelected()));
    link(ui->smartDimCurvePushButton, SIGNAL(clicked()), this, SLOT(smartDimCurvePushBtn_clicked()));
    link(ui->analogDimCurvePushButton, SIGNAL(clicked()), this, SLOT(analogDimCurvePushBtn_clicked()));
    link(ui->ButtonDT6, SIGNAL(clicked()), this, SLOT(DT6PushBtn_clicked()));
    link(ui->Button250, SIGNAL(clicked()), this, SLOT(part250PushBtn_clicked()));
    link(ui->Button251, SIGNAL(clicked()), this, SLOT(part251PushBtn_clicked()));
    link(ui->Button253, SIGNAL(clicked()), this, SLOT(part253PushBtn_clicked()));
    link(ui->corridorCurvePushButton, SIGNAL(clicked()), this, SLOT(corridorCurvePushBtn_clicked()));
    link(ui->corridorHoldTimeSpinBox, SIGNAL(valueChanged(int)), this, SLOT(corridorHoldTimeSpinBoxValueChanged(int)));
    link(ui->corridorHoldTimeSpinBox, SIGNAL(editingFinished()), this, SLOT(corridorHoldTimeSpinBoxEditingFinished()));
    link(ui->corridorReleaseTimeSpinBox, SIGNAL(valueChanged(int)), this,
         SLOT(corridorReleaseTimeSpinBoxValueChanged(int)));
    link(ui->corridorReleaseTimeSpinBox, SIGNAL(editingFinished()), this,
         SLOT(corridorReleaseTimeSpinBoxEditingFinished()));
    link(ui->infinityCheckBox, SIGNAL(clicked(bool)), this, SLOT(corridorReleaseTimeInfinityCheckBoxSelected(bool)));
    link(ui->mtpStartDoubleSpinBox, SIGNAL(valueChanged(double)), this, SLOT(mtpBoxValueChanged()));
    link(ui->mtpEndDoubleSpinBox, SIGNAL(valueChanged(double)), this, SLOT(mtpBoxValueChanged()));
    link(ui->mtpSetGroupBox, SIGNAL(clicked(bool)), this, SLOT(mtpFunctionGroupBoxSelected(bool)));
    link(ui->cloSetGroupBox, SIGNAL(clicked(bool)), this, SLOT(cloFunctionGroupBoxSelected(bool)));
    link(ui->eolSetGroupBox, SIGNAL(clicked(bool)), this, SLOT(eolFunctionGroupBoxSelected(bool)));
    for (int i = 0; i < CLO_POINTS; ++i) {
        const QLineEdit* timeEdit = findChild<QLineEdit*>(QStringLiteral("timeEdit_%1").arg(i));
        const QLineEdit* levelEdit = findChild<QLineEdit*>(QStringLiteral("levelEdit_%1").arg(i));
        link(timeEdit, SIGNAL(editingFinished()), this, SLOT(timeEditEndEditing()));
        link(levelEdit, SIGNAL(editingFinished()), this, SLOT(levelEditEndEditing()));
    }
}

void MainWindow::connectPowerMeterTab()
{
    link(ui->broadcastRadioButton_2, SIGNAL(clicked(bool)), this, SLOT(broadcastAddrRatioButton_2_checked()));
    link(ui->shortAddrRadioButton_2, SIGNAL(clicked(bool)), this, SLOT(shortAddrRatioButton_2_checked()));
    link(ui->addrLineEdit_2, SIGNAL(textEdited(QString)), this, SLOT(addrLineEdit_2_Change()));
    link(&powerMonitor, SIGNAL(updatePowerMonitorDisplay(int,double*,uint)), this,
         SLOT(processPowerMonitorDisplay(int,double*,uint)));
    link(&powerMonitor, SIGNAL(powerDataReadResult(bool)), this, SLOT(processPowerDataReadResult(bool)));
}

void MainWindow::connectFirmwareTab()
{
    link(ui->clearBootMessagePushButton, SIGNAL(clicked(bool)), this, SLOT(clearBootMessagePushBtn_clicked()));
    link(&bootLoader, SIGNAL(showBootMessage(QString)), this, SLOT(appendBootMessage(QString)));
    link(&bootLoader, SIGNAL(updateBootProgress(int,int)), this, SLOT(updateBootProgressBar(int,int)));
}

void MainWindow::connectSerialLink()
{
    link(&daliConsole, SIGNAL(sendCommand(int,int,int,int)), &serialComm, SLOT(sendDaliCommand(int,int,int,int)));
    link(&daliProg, SIGNAL(sendCommand(int,int,int,int)), &serialComm, SLOT(sendDaliCommand(int,int,int,int)));
    link(&powerMonitor, SIGNAL(sendCommand(int,int,int,int)), &serialComm, SLOT(sendDaliCommand(int,int,int,int)));
    link(&iProg, SIGNAL(sendCommand(int,QByteArray,int)), &serialComm, SLOT(sendiProgCommand(int,QByteArray,int)));
    link(&bootLoader, SIGNAL(sendCommand(QByteArray)), &serialComm, SLOT(sendBootCommand(QByteArray)));

    link(&serialComm, SIGNAL(commandResponse(QByteArray)), &daliConsole, SLOT(daliConsoleCommandResponse(QByteArray)));
    link(&serialComm, SIGNAL(commandResponse(QByteArray)), &iProg, SLOT(iProgrammingResponse(QByteArray)));
    link(&serialComm, SIGNAL(commandResponse(QByteArray)), &daliProg, SLOT(daliProgrammingResponse(QByteArray)));
    link(&serialComm, SIGNAL(commandResponse(QByteArray)), &powerMonitor, SLOT(daliPowerMonitorResponse(QByteArray)));
    link(&serialComm, SIGNAL(commandResponse(QByteArray)), &bootLoader, SLOT(bootLoaderCommandResponse(QByteArray)));

    link(&serialComm, SIGNAL(commandSendComplete()), &daliConsole, SLOT(sendDaliConsoleCmdSequence()));
    link(&serialComm, SIGNAL(commandSendComplete()), &iProg, SLOT(sendProgrammingCmdSequence()));
    link(&serialComm, SIGNAL(commandSendComplete()), &daliProg, SLOT(sendDaliProgrammingCmdSequence()));
    link(&serialComm, SIGNAL(commandSendComplete()), &powerMonitor, SLOT(sendDaliPowerMonitorCmdSequence()));
    link(&serialComm, SIGNAL(commandSendComplete()), &bootLoader, SLOT(sendBootloaderCmdSequence()));

    // The window goes first: on a port error it marks the tool as lost and tells every engine
    // before the engines handle the same error; its box opens after them.
    counted(connect(&serialComm, &SerialCommunication::communicateError, this, &MainWindow::processCommError));
    link(&serialComm, SIGNAL(communicateError(int)), &daliConsole, SLOT(processCommError(int)));
    link(&serialComm, SIGNAL(communicateError(int)), &iProg, SLOT(processCommError(int)));
    link(&serialComm, SIGNAL(communicateError(int)), &daliProg, SLOT(processCommError(int)));
    link(&serialComm, SIGNAL(communicateError(int)), &powerMonitor, SLOT(processCommError(int)));
    link(&serialComm, SIGNAL(communicateError(int)), &bootLoader, SLOT(processCommError(int)));
}

void MainWindow::connectProgrammingEngines()
{
    ProgEngine* const engines[] = {&daliProg, &iProg, &stNfc, &feigNfc};
    for (const ProgEngine* engine : engines) {
        link(driverDetectTimer, SIGNAL(timeout()), engine, SLOT(checkDriverConnection()));
        link(engine, SIGNAL(enableDriverDetectTimerSignal(bool)), this, SLOT(enableDriverDetectTimerSlot(bool)));
        link(engine, SIGNAL(programmingStateUpdatedSignal(ProgStateDef)), this,
             SLOT(programmingStateUpdateSlot(ProgStateDef)));
        link(engine, SIGNAL(driverConnectionStateChangeSignal(int)), this, SLOT(driverConnectionStateUpdateSlot(int)));
        link(engine, SIGNAL(productInfoReadUpdateSignal(int,QString,int)), this,
             SLOT(readProductInfoUpdateSlot(int,QString,int)));
        link(engine, SIGNAL(resetOptResultSignal(int)), this, SLOT(resetOptStateUpdateSlot(int)));
        link(engine, SIGNAL(debug_msg(QString)), &debugMsg, SLOT(print_debug_msg(QString)));
    }
    const NfcEngine* const readers[] = {&stNfc, &feigNfc};
    for (const NfcEngine* reader : readers)
        counted(connect(reader, &NfcEngine::communicateError, this, &MainWindow::processCommError));

    // toolConnectionChangeSignal tells every engine that has a tool whether it is there; every
    // programming engine knows the new tool state before the boot loader does, the USB tool's first.
    const ProgEngine* const toolListeners[] = {&iProg, &daliProg, &stNfc, &feigNfc};
    for (const ProgEngine* engine : toolListeners)
        link(this, SIGNAL(toolConnectionChangeSignal(int)), engine, SLOT(toolConnectionStateChange(int)));
    link(this, SIGNAL(toolConnectionChangeSignal(int)), &bootLoader, SLOT(toolConnectionStateChange(int)));
    link(this, SIGNAL(toolConnectionChangeSignal(int)), &powerMonitor, SLOT(toolConnectionStateChange(int)));
    link(this, SIGNAL(toolConnectionChangeSignal(int)), this, SLOT(powerMeterToolStateChange(int)));

    const QObject* const otherDebugSources[] = {this, &serialComm, &daliConsole, &powerMonitor};
    for (const QObject* source : otherDebugSources)
        link(source, SIGNAL(debug_msg(QString)), &debugMsg, SLOT(print_debug_msg(QString)));
}

void MainWindow::connectDialogs()
{
    link(dimCurveDialog, SIGNAL(hideDialog(dimcurve::DimSettings)), this,
         SLOT(analogDimCurveDone(dimcurve::DimSettings)));
    link(mtpCurveDialog, SIGNAL(hideDialog(mtpcurve::MTPSettings)), this, SLOT(mtpCurveDone(mtpcurve::MTPSettings)));
    link(loginViewDialog, SIGNAL(loginSuccess()), this, SLOT(showAdminView()));
    counted(connect(advanceViewDialog, &AdvanceView::hideDialog, this, &MainWindow::adminSettingDone));
    counted(connect(programViewDialog, &programView::hideDialog, this, &MainWindow::programDone));
    link(smartCurveDialog, SIGNAL(hideDialog()), this, SLOT(smartCurveDone()));
    link(corridorCurveDialog, SIGNAL(hideDialog(corridor_curve::CorridorSettings)), this,
         SLOT(corridorCurveDone(corridor_curve::CorridorSettings)));
    counted(connect(advanceViewDialog, &AdvanceView::startFactoryReset, this, &MainWindow::NFC_factoryReset));
    link(dt6Dialog, SIGNAL(hideDialog(ProgDataStructDef&)), this, SLOT(DT6Done(ProgDataStructDef&)));
    link(part250Dialog, SIGNAL(hideDialog(ProgDataStructDef&)), this, SLOT(part250Done(ProgDataStructDef&)));
    link(part251Dialog, SIGNAL(hideDialog(ProgDataStructDef&)), this, SLOT(part251Done(ProgDataStructDef&)));
    link(part253Dialog, SIGNAL(hideDialog(ProgDataStructDef&)), this, SLOT(part253Done(ProgDataStructDef&)));
}

void MainWindow::updateToolbarForTab(int tab)
{
    auto showAction = [](QAction* action, bool enabled) {
        action->setVisible(true);
        action->setEnabled(enabled);
    };
    auto hideActions = [](std::initializer_list<QAction*> actions) {
        for (QAction* action : actions)
            action->setVisible(false);
    };

    switch (tab) {
    case TAB_DALI_CONSOLE:
        saveAction->setText(tr("Save sequence"));
        loadAction->setText(tr("Open sequence"));
        showAction(saveAction, true);
        showAction(loadAction, true);
        hideActions({resetAction, clearAction, readAction, programAction});
        break;
    case TAB_PROGRAMMING:
        saveAction->setText(tr("Save Profile"));
        loadAction->setText(tr("Load Profile"));
        resetAction->setText(tr("Reset Module Operating Time"));
        readAction->setText(tr("Read"));
        programAction->setText(tr("Program"));
        showAction(saveAction, true);
        showAction(loadAction, true);
        // Program, Read and Reset need a driver; driver detection enables them.
        showAction(resetAction, false);
        hideActions({clearAction});
        showAction(readAction, false);
        showAction(programAction, false);
        break;
    case TAB_POWER_METER:
        saveAction->setText(tr("Save data"));
        readAction->setText(tr("Read"));
        showAction(saveAction, true);
        hideActions({loadAction, resetAction, programAction});
        clearAction->setVisible(true);
        showAction(readAction, true);
        break;
    case TAB_FIRMWARE_UPDATE:
        loadAction->setText(tr("Load Firmware"));
        programAction->setText(tr("Firmware Update"));
        for (QAction* action : {saveAction, resetAction, readAction}) {
            action->setVisible(false);
            action->setEnabled(false);
        }
        showAction(loadAction, true);
        hideActions({clearAction});
        showAction(programAction, true);
        break;
    default:
        break;
    }
}

void MainWindow::setToolbarActionsEnabled(bool enable)
{
    programAction->setEnabled(enable);
    readAction->setEnabled(enable);
    resetAction->setEnabled(enable);
}

void MainWindow::saveIconClicked()
{
    switch (currentTabIndex) {
    case TAB_DALI_CONSOLE:
        saveCommandSequence();
        break;
    case TAB_PROGRAMMING:
        saveProfile();
        break;
    case TAB_POWER_METER:
        savePowerData();
        break;
    default:
        break;
    }
}

void MainWindow::loadOrOpenIconClicked()
{
    switch (currentTabIndex) {
    case TAB_DALI_CONSOLE:
        openCommandSequence();
        break;
    case TAB_PROGRAMMING:
        loadProfile();
        break;
    case TAB_FIRMWARE_UPDATE:
        loadFirmwareFile();
        break;
    default:
        break;
    }
}

void MainWindow::resetOrClearIconClicked()
{
    if (currentTabIndex == TAB_PROGRAMMING)
        resetModuleOperatingTime();
}

void MainWindow::readIconClicked()
{
    if (currentTabIndex == TAB_PROGRAMMING)
        readDriverWithCurrentTool();
    else if (currentTabIndex == TAB_POWER_METER)
        readPowerPushBtn_clicked();
}

void MainWindow::clearIconClicked()
{
    if (currentTabIndex == TAB_POWER_METER)
        ui->monitorTableWidget->setRowCount(0);
}
