// Work mode, tool and driver detection, and the Programming tab's product rules.

#include "mainwindow.h"

#include "dimcurve.h"
#include "globals.h"
#include "programview.h"
#include "prompt.h"
#include "stdouttrace.h"
#include "smartcurve.h"
#include "ui_mainwindow.h"

#include <QAction>
#include <QEvent>
#include <QLabel>
#include <QMovie>
#include <QTimer>

#include <array>
#include <cmath>

namespace {

// Text colours that tell an available choice from one the product does not have.
const char CHOICE_ENABLED_STYLE[] = "QCheckBox{color:rgb(74,74,74)}";
const char CHOICE_DISABLED_STYLE[] = "QCheckBox{color:rgb(171,171,171)}";
const char GROUP_ENABLED_STYLE[] = "QGroupBox:title {color: rgb(74, 74, 74);}";
const char GROUP_DISABLED_STYLE[] = "QGroupBox:title {color: rgb(171, 171, 171);}";

// Pages of dimAdvanceSetTabWidget.
constexpr int PAGE_0_10V = 0;
constexpr int PAGE_SMART = 1;
constexpr int PAGE_CORRIDOR = 2;
constexpr int PAGE_DALI = 3;
// PWM and push dimming have no page of their own.
constexpr int KEEP_PAGE = -1;

// Current choices step through the product's range in this step.
constexpr int CURRENT_STEP_MA = 50;
// The empty current bar starts this far below the product's minimum current.
constexpr int CURRENT_BAR_MARGIN_MA = 10;

// The extended 0-10V input (voltageVariant 4) takes a wider dimming range.
constexpr int VOLTAGE_VARIANT_EXTENDED = 4;
constexpr double EXTENDED_START_MAX_V = 9.2;
constexpr double EXTENDED_END_MIN_V = 0.7;

// From this product index on the EOL time is set in kHours; older products only switch EOL on.
constexpr int FIRST_EOL_TIME_PRODUCT = 100;

// Products whose 0-10V mode has a fixed default, and whose smart timer may be switched off.
constexpr int PRODUCT_DEFAULT_MIN_DIM = 52;
constexpr int PRODUCT_DEFAULT_DIM_OFF_A = 44;
constexpr int PRODUCT_DEFAULT_DIM_OFF_B = 48;
constexpr int SWITCHABLE_SMART_FIRST = 143;
constexpr int SWITCHABLE_SMART_LAST = 146;

// Products that carry DALI parts, programmable only through the FEIG NFC reader.
constexpr int ALL_PARTS_FIRST = 110;
constexpr int ALL_PARTS_LAST = 114;
constexpr int PARTS_WITHOUT_250_FIRST = 126;
constexpr int PARTS_WITHOUT_250_LAST = 134;

// Corridor times are whole tens of seconds.
constexpr int CORRIDOR_TIME_STEP = 10;

// Serial link work modes: the sender whose answers the link passes on.
constexpr int LINK_MODE_CONSOLE = SENDER_DALI_CONSOLE;
constexpr int LINK_MODE_DALI_PROGRAMMING = SENDER_DALI_PROGRAMMING;
constexpr int LINK_MODE_POWER_METER = SENDER_DALI_POWER_MONITOR;
constexpr int LINK_MODE_IPROG = SENDER_IPROG;
constexpr int LINK_MODE_BOOT = SENDER_BOOT;
constexpr int COMMAND_TABLE_DT6 = 0;

const char TOOL_NOT_FOUND_TEXT[] = "Tool not found!";
const char CONNECTED_PICTURE[] = ":/image/connectedLED.png";
const char SEARCHING_ANIMATION[] = ":/image/detectLED.gif";

bool isSwitchableSmartProduct(int productIndex)
{
    return productIndex >= SWITCHABLE_SMART_FIRST && productIndex <= SWITCHABLE_SMART_LAST;
}

void setChoiceAvailable(QWidget* choice, bool available)
{
    choice->setEnabled(available);
    choice->setStyleSheet(QString::fromLatin1(available ? CHOICE_ENABLED_STYLE : CHOICE_DISABLED_STYLE));
}

// The record of a product index; an index beyond the list (a driver read through another tool, a
// profile) falls back to the first product. nullptr only when there is no product at all.
const ProductRecord* productRecordOrFirst(int productIndex)
{
    const ProductRecord* r = productRecord(productIndex);
    return r ? r : productRecord(0);
}

// Until a current is programmed the bar is empty: it starts just below the product's minimum.
void showEmptyCurrentBar(QProgressBar* bar, const ProductRecord& r)
{
    bar->setRange(r.minCurrent - CURRENT_BAR_MARGIN_MA, r.maxCurrent);
    bar->setValue(r.minCurrent - CURRENT_BAR_MARGIN_MA);
    bar->setFormat(QStringLiteral("---- mA"));
}

// The six dimming functions are one exclusive choice.
std::array<QCheckBox*, 6> dimFunctionBoxes(const Ui_MainWindow& ui)
{
    return {ui.analogDimCheckBox, ui.daliDimCheckBox, ui.pwmDimCheckBox,
            ui.pushDimCheckBox, ui.smartDimCheckBox, ui.corridorDimCheckBox};
}

void uncheckOtherDimFunctions(const Ui_MainWindow& ui, const QCheckBox* kept)
{
    for (QCheckBox* box : dimFunctionBoxes(ui)) {
        if (box != kept)
            box->setChecked(false);
    }
}

// Only the settings group of the chosen function can be edited; nullptr: none of them.
void enableOnlyDimSettingsGroup(const Ui_MainWindow& ui, const QGroupBox* chosen)
{
    for (QGroupBox* group : {ui.analogDimSetGroupBox, ui.corridorSetGroupBox, ui.smartDimSetGroupBox})
        group->setEnabled(group == chosen);
}

// A dimming function other than the smart timer: its box checked, the others unchecked, its
// settings group (if any) the only one enabled, its page shown (KEEP_PAGE: the page stays), and
// the smart timer's override greyed.
void chooseDimFunction(const Ui_MainWindow& ui, QCheckBox* box, const QGroupBox* group, int page)
{
    box->setChecked(true);
    uncheckOtherDimFunctions(ui, box);
    enableOnlyDimSettingsGroup(ui, group);
    if (page != KEEP_PAGE)
        ui.dimAdvanceSetTabWidget->setCurrentIndex(page);
    ui.overrideCheckBox->setStyleSheet(QString::fromLatin1(CHOICE_DISABLED_STYLE));
}

// The 0-10V input dims either to the minimum level or to off.
void setAnalogDimMode(const Ui_MainWindow& ui, bool toMinimum)
{
    QRadioButton* const chosen = toMinimum ? ui.minDimRadioButton : ui.dimOffRadioButton;
    QRadioButton* const other = toMinimum ? ui.dimOffRadioButton : ui.minDimRadioButton;
    chosen->setChecked(true);
    other->setChecked(false);
}

void checkSmartMode(const Ui_MainWindow& ui, QRadioButton* mode)
{
    mode->setChecked(true);
    for (QRadioButton* radio :
         {ui.smartFixedRadioButton, ui.smartMidnightRadioButton, ui.smartRatioRescaleRadioButton}) {
        if (radio != mode)
            radio->setChecked(false);
    }
}

// The current is either one of the product's steps or a custom value; only one entry is live.
void useCustomCurrent(const Ui_MainWindow& ui, bool custom)
{
    ui.currentSetComboBox->setEnabled(!custom);
    ui.mA_Label_1->setEnabled(!custom);
    ui.customSpinBox->setEnabled(custom);
    ui.mA_Label_2->setEnabled(custom);
}

} // namespace

// ---- Work mode ---------------------------------------------------------------------------------

void MainWindow::setWorkMode(int tab)
{
    stdoutTrace() << "set work mode." << Qt::endl;
    currentTabIndex = tab;
    updateToolConnectionState(0);

    // Exactly one engine works at a time: every other one is switched off first.
    auto switchOnAlone = [this](auto& engine) {
        daliConsole.setEnabled(0);
        daliProg.setEnabled(0);
        iProg.setEnabled(0);
        stNfc.setEnabled(0);
        feigNfc.setEnabled(0);
        powerMonitor.setEnabled(0);
        bootLoader.setEnabled(0);
        engine.setEnabled(1);
    };

    // The link serves only its work mode's engine, so it is switched over before that engine
    // is switched on.
    switch (tab) {
    case TAB_DALI_CONSOLE:
        programToolIndex = PROG_TOOL_DALI;
        serialComm.setWorkMode(LINK_MODE_CONSOLE);
        serialComm.setCommandTable(ui->deviceTypeComboBox->currentIndex());
        switchOnAlone(daliConsole);
        break;
    case TAB_PROGRAMMING:
        switch (ui->programToolComboBox->currentIndex()) {
        case PROG_TOOL_IPROG:
            programToolIndex = PROG_TOOL_IPROG;
            serialComm.setWorkMode(LINK_MODE_IPROG);
            switchOnAlone(iProg);
            break;
        // The NFC readers do not use the serial link, so its work mode stays as it was.
        case PROG_TOOL_FEIG_NFC:
            programToolIndex = PROG_TOOL_FEIG_NFC;
            switchOnAlone(feigNfc);
            break;
        case PROG_TOOL_ST_NFC:
            programToolIndex = PROG_TOOL_ST_NFC;
            switchOnAlone(stNfc);
            break;
        default:
            programToolIndex = PROG_TOOL_DALI;
            serialComm.setWorkMode(LINK_MODE_DALI_PROGRAMMING);
            serialComm.setCommandTable(COMMAND_TABLE_DT6);
            switchOnAlone(daliProg);
            break;
        }
        break;
    case TAB_POWER_METER:
        programToolIndex = PROG_TOOL_DALI;
        serialComm.setWorkMode(LINK_MODE_POWER_METER);
        serialComm.setCommandTable(COMMAND_TABLE_DT6);
        switchOnAlone(powerMonitor);
        break;
    case TAB_FIRMWARE_UPDATE:
        programToolIndex = PROG_TOOL_DALI;
        serialComm.setWorkMode(LINK_MODE_BOOT);
        serialComm.setCommandTable(COMMAND_TABLE_DT6);
        switchOnAlone(bootLoader);
        break;
    default:
        break;
    }

    checkToolConnection();
    ui->cloErrorLabel->hide();
}

void MainWindow::checkToolConnection()
{
    stdoutTrace() << "Check tool connection..." << Qt::endl;
    emit debug_msg(QStringLiteral("Check tool connection..."));

    bool found = false;
    if (ProgEngine* engine = currentProgrammingEngine()) {
        const int portKind = engine->toolPortKind();
        found = portKind != ProgEngine::NO_TOOL_PORT ? serialComm.checkToolPort(portKind) : engine->openTool();
    }
    updateToolConnectionState(found ? 1 : 0);
}

void MainWindow::updateToolConnectionState(int state)
{
    if (state == 1) {
        setIndicatorState(ui->indicatiorLabel, toolIndicatorMovie, 1);
        const ProgEngine* engine = currentProgrammingEngine();
        const QString text = engine ? engine->toolConnectedText() : QString();
        ui->connectStatusLabel->setText(text);
        if (toolDetectTimer->isActive())
            toolDetectTimer->stop();
        stdoutTrace() << "tool connected!" << Qt::endl;
        emit debug_msg(text);
    } else if (state == 0) {
        // A running poll keeps its phase.
        if (!toolDetectTimer->isActive())
            toolDetectTimer->start(TOOL_DETECT_INTERVAL_MS);
        ui->connectStatusLabel->setText(tr(TOOL_NOT_FOUND_TEXT));
        setIndicatorState(ui->indicatiorLabel, toolIndicatorMovie, 0);
        stdoutTrace() << "Tool not found." << Qt::endl;
        emit debug_msg(QStringLiteral("Tool not found..."));
    }

    // The engines hear only changes.
    if (state != toolConnectionState) {
        stdoutTrace() << "Tool connection changes." << Qt::endl;
        toolConnectionState = state;
        emit toolConnectionChangeSignal(state);
    }
}

void MainWindow::setIndicatorState(QLabel* label, QMovie* movie, int state)
{
    if (!label || !movie)
        return;
    if (state == 0) {
        if (movie->state() == QMovie::NotRunning) {
            label->setMovie(movie);
            movie->start();
            // Every frame wakes the program; one nobody can see waits for its label to show.
            if (!label->isVisible())
                movie->setPaused(true);
        }
    } else if (state == 1) {
        // A paused animation is stopped too: left paused, the next search would take it for a
        // running one and leave the label without it.
        if (movie->state() != QMovie::NotRunning)
            movie->stop();
        label->setPixmap(QPixmap(QString::fromLatin1(CONNECTED_PICTURE)));
    }
}

QMovie* MainWindow::newIndicatorMovie(QLabel* label)
{
    auto* movie = new QMovie(QString::fromLatin1(SEARCHING_ANIMATION));
    // The animation loops for as long as nothing is found: decode its few frames once.
    movie->setCacheMode(QMovie::CacheAll);
    label->installEventFilter(this);
    return movie;
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Hide || event->type() == QEvent::Show) {
        auto* label = qobject_cast<QLabel*>(watched);
        QMovie* movie = label ? label->movie() : nullptr;
        if (movie && event->type() == QEvent::Hide && movie->state() == QMovie::Running)
            movie->setPaused(true);
        else if (movie && event->type() == QEvent::Show && movie->state() == QMovie::Paused)
            movie->setPaused(false);
    }
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::tabWidgetChanged(int index)
{
    if (index == TAB_PROGRAMMING) {
        // Driver detection is left to the programming engine, which asks for it once the tool is
        // found.
        updateToolbarForTab(index);
        setWorkMode(index);
        return;
    }
    if (index == TAB_DALI_CONSOLE || index == TAB_POWER_METER || index == TAB_FIRMWARE_UPDATE) {
        updateToolbarForTab(index);
        setWorkMode(index);
    }
    enableDriverDetectTimerSlot(false);
    driverConnectionStateUpdateSlot(DRIVER_DISCONNECTED);
    loadProductSettings(0);
}

void MainWindow::programToolChangeProcess(int toolIndex)
{
    Q_UNUSED(toolIndex) // setWorkMode reads the selector itself
    stdoutTrace() << "Programmer tool changes." << Qt::endl;
    enableDriverDetectTimerSlot(false);
    driverConnectionStateUpdateSlot(DRIVER_DISCONNECTED);
    setWorkMode(TAB_PROGRAMMING);
}

void MainWindow::enableDriverDetectTimerSlot(bool state)
{
    if (state) {
        if (!driverDetectTimer->isActive())
            driverDetectTimer->start(DRIVER_DETECT_INTERVAL_MS);
    } else {
        stdoutTrace() << "Stop driver detection." << Qt::endl;
        if (driverDetectTimer->isActive())
            driverDetectTimer->stop();
    }
}

void MainWindow::driverConnectionStateUpdateSlot(int state)
{
    auto searching = [this] {
        setIndicatorState(ui->driverLedLabel, driverIndicatorMovie, 0);
        ui->driverComboBox->setEnabled(true);
        if (currentTabIndex == TAB_PROGRAMMING)
            setToolbarActionsEnabled(false);
        stdoutTrace() << "main window set driver connection to detecting." << Qt::endl;
    };
    auto found = [this] {
        setIndicatorState(ui->driverLedLabel, driverIndicatorMovie, 1);
        ui->driverComboBox->setEnabled(false);
        if (currentTabIndex == TAB_PROGRAMMING)
            setToolbarActionsEnabled(true);
        stdoutTrace() << "main window set driver connection to connected." << Qt::endl;
    };

    // The state is stored before any box opens: detection goes on inside the box's event loop,
    // and a report that arrives meanwhile must not be overwritten by this older one afterwards.
    const int previous = driverConnectionState;
    driverConnectionState = state;

    switch (state) {
    case DRIVER_DISCONNECTED:
        if (!profileLoaded) {
            if (programViewDialog->isHidden() && progData.productIndex == 0)
                loadProductSettings(0);
            // Only the bar is reset here; with no product at all it keeps what it shows.
            if (const ProductRecord* r = productRecordOrFirst(progData.productIndex))
                showEmptyCurrentBar(ui->progressBar, *r);
        }
        searching();
        break;
    case DRIVER_CONNECTED:
        found();
        if (profileLoaded)
            ui->cloErrorLabel->setText(tr("Status: Target driver had been detected"));
        break;
    case DRIVER_UNSUPPORTED:
        if (!profileLoaded) {
            ui->driverComboBox->setEnabled(true);
            if (currentTabIndex == TAB_PROGRAMMING)
                setToolbarActionsEnabled(false);
            Prompt::warning(this, tr("Error"), tr("The detected driver is not supported!"), QMessageBox::Ok);
        }
        break;
    case DRIVER_MISMATCH:
        if (profileLoaded && previous != DRIVER_MISMATCH) {
            // The name of the loaded profile is taken now: the box below lets other slots run.
            const QString profileName = loadedProfileName;
            Prompt::warning(this, tr("Error"),
                            tr("The detected driver model mismatch with loaded profile setting,") + QChar(0x0081)
                                + tr(" disconnect with the driver."),
                            QMessageBox::Ok);
            stdoutTrace() << "Mismatch!" << Qt::endl;
            ui->cloErrorLabel->setText(tr("Status: Detected driver mismatch with loaded profile '%1'").arg(profileName));
        }
        break;
    default:
        break;
    }
}

void MainWindow::processCommError(int error_type)
{
    switch (error_type) {
    case COMM_ERR_TIMEOUT:
        stdoutTrace() << "UART time out..." << Qt::endl;
        break;
    case COMM_ERR_PORT:
        // The box is queued before the engines hear of the loss, so that what they end is not told
        // in a second box. Detection restarts before it opens: the tool can be found again while
        // it shows.
        showToolLostBox(tr("Serial port error! Please check tool connection."));
        updateToolConnectionState(0);
        stdoutTrace() << "Serial port error..." << Qt::endl;
        break;
    case COMM_ERR_NO_TOOL:
        // Nothing was lost: the search for the tool is already under way and shown, and the tab
        // whose request was turned away tells its operator.
        break;
    case COMM_ERR_NFC_TOOL:
        showToolLostBox(tr("NFC tool error! Please check tool connection."));
        updateToolConnectionState(0);
        stdoutTrace() << "NFC tool connection error..." << Qt::endl;
        emit debug_msg(QStringLiteral("NFC tool connection error..."));
        break;
    default:
        break;
    }
}

void MainWindow::showToolLostBox(const QString& text)
{
    // One box for one loss: further reports of the same loss while it waits add nothing.
    if (toolLostBoxDue)
        return;
    toolLostBoxDue = true;
    // The box opens once the report has reached every engine. Opened here, its event loop would
    // hold back the engines' handling of the same error for as long as it waits for OK, leaving
    // the operation the tool took with it shown as still running.
    QMetaObject::invokeMethod(
        this,
        [this, text] {
            Prompt::information(this, tr("Error"), text, QMessageBox::Ok);
            toolLostBoxDue = false;
        },
        Qt::QueuedConnection);
}

// ---- Product rules -----------------------------------------------------------------------------

void MainWindow::fillProductComboBox()
{
    for (const ProductRecord& record : qAsConst(productList))
        ui->driverComboBox->addItem(record.name);
}

void MainWindow::driverBoxClicked(int i)
{
    if (i < 0)
        return;
    progData.productIndex = static_cast<quint16>(i);
    loadProductSettings(static_cast<quint16>(i));
}

void MainWindow::loadProductSettings(quint16 n)
{
    if (n >= productList.size())
        n = 0;
    // An empty product list has no record to apply: the tab keeps what it shows.
    const ProductRecord* r = productRecord(n);
    if (!r)
        return;
    const unsigned int feature = r->driverFeature;
    auto on = [feature](unsigned int bit) { return (feature & bit) != 0; };

    ui->driverComboBox->setCurrentIndex(n);

    ui->infoVoltageLabel->setText(QStringLiteral("%1 ~ %2").arg(double(r->minVoltage), 0, 'f', 1)
                                      .arg(double(r->maxVoltage), 0, 'f', 1));
    ui->infoCurrentLabel->setText(QStringLiteral("%1 ~ %2").arg(r->minCurrent).arg(r->maxCurrent));
    ui->infoDimLabel->setText(QStringLiteral("%1%").arg(double(r->phyMinLevel), 0, 'f', 1));

    showEmptyCurrentBar(ui->progressBar, *r);

    ui->currentSetComboBox->clear();
    // 64-bit so that a maximum near the top of int cannot wrap the loop.
    for (qint64 c = r->minCurrent; c <= r->maxCurrent; c += CURRENT_STEP_MA)
        ui->currentSetComboBox->addItem(QString::number(c), int(c));

    ui->customSpinBox->setRange(0, r->maxCurrent);
    ui->customSpinBox->setValue(r->minCurrent);

    ui->analogMinDimSpinBox->setValue(double(r->phyMinLevel));
    ui->analogMinDimSpinBox->setMinimum(double(r->phyMinLevel));
    const int phyMin = int(std::trunc(r->phyMinLevel));
    dimCurveDialog->setMinLevelMinimum(phyMin);
    productPhyMinLevel = phyMin;
    ui->corridorTurnOnLevelSpinBox->setMinimum(productPhyMinLevel);

    // Other variants leave the limits where the form or an earlier extended product put them.
    if (r->analogVariant == VOLTAGE_VARIANT_EXTENDED) {
        ui->analogStartDimSpinBox->setMaximum(EXTENDED_START_MAX_V);
        ui->analogEndDimSpinBox->setMinimum(EXTENDED_END_MIN_V);
        dimCurveDialog->setVoltageLimits(EXTENDED_START_MAX_V, EXTENDED_END_MIN_V);
    }

    const bool modeLocked = on(DF_0_10V_LOCKED);
    ui->dimOffRadioButton->setEnabled(!modeLocked);
    ui->minDimRadioButton->setEnabled(!modeLocked);
    ui->analogMinDimSpinBox->setEnabled(!modeLocked);
    dimCurveDialog->setModeEditable(modeLocked ? 0 : 1);

    if (on(DF_DIM_TO_MIN_ONLY)) {
        ui->dimOffRadioButton->setEnabled(false);
        ui->minDimRadioButton->setEnabled(false);
        setAnalogDimMode(*ui, true);
        dimCurveDialog->lockMinDimMode(true);
    }

    ui->analogMinDimSpinBox->setValue(double(r->phyMinLevel));

    const int productIndex = progData.productIndex;
    if (productIndex == PRODUCT_DEFAULT_MIN_DIM)
        setAnalogDimMode(*ui, true);
    else if (productIndex == PRODUCT_DEFAULT_DIM_OFF_A || productIndex == PRODUCT_DEFAULT_DIM_OFF_B
             || isSwitchableSmartProduct(productIndex))
        setAnalogDimMode(*ui, false);

    const bool voltagesShown = !on(DF_NO_0_10V_VOLTAGES);
    dimCurveDialog->setVoltageVisible(voltagesShown);
    const std::array<QWidget*, 5> voltageWidgets = {ui->analogStartDimSpinBox, ui->analogEndDimSpinBox,
                                                    ui->maxDimVoltageLabel, ui->minDimVoltageLabel,
                                                    ui->analogDimCurvePushButton};
    for (QWidget* w : voltageWidgets)
        w->setVisible(voltagesShown);

    productFeature2000 = on(DF_STEP_FADE_TIMES) ? 1 : 0;

    const std::pair<unsigned int, QGroupBox*> optionGroups[] = {
        {DF_MTP, ui->mtpSetGroupBox}, {DF_CLO, ui->cloSetGroupBox}, {DF_EOL, ui->eolSetGroupBox}};
    for (const auto& group : optionGroups) {
        const bool available = on(group.first);
        group.second->setEnabled(available);
        group.second->setStyleSheet(QString::fromLatin1(available ? GROUP_ENABLED_STYLE : GROUP_DISABLED_STYLE));
        group.second->setChecked(false);
    }

    if (n >= FIRST_EOL_TIME_PRODUCT) {
        ui->eolTimeSpinBox->setValue(0);
        ui->EOL_TimeLabel->setText(tr("EOL Time:"));
        ui->eolTimeSpinBox->show();
        ui->EOL_TimeUnitLabel->show();
    } else {
        // For these products the group's check alone is the setting.
        ui->EOL_TimeLabel->setText(tr("Set checked to enable EOL function"));
        ui->eolTimeSpinBox->hide();
        ui->EOL_TimeUnitLabel->hide();
    }

    ui->fwVersionLabel->setText(QStringLiteral("--"));
    stdoutTrace() << "Reload product info, ProductIndex:" << r->index << "  DriverFeature:" << feature << Qt::endl;

    if (feature == 0) {
        for (QCheckBox* box : dimFunctionBoxes(*ui)) {
            setChoiceAvailable(box, false);
            box->setChecked(false);
        }
        setChoiceAvailable(ui->overrideCheckBox, false);
        ui->overrideCheckBox->setChecked(false);
        setChoiceAvailable(ui->smartFixedRadioButton, false);
        setChoiceAvailable(ui->smartMidnightRadioButton, false);
        setChoiceAvailable(ui->smartRatioRescaleRadioButton, false);
        enableOnlyDimSettingsGroup(*ui, nullptr);
    } else {
        setChoiceAvailable(ui->daliDimCheckBox, on(DF_DALI));
        setChoiceAvailable(ui->analogDimCheckBox, on(DF_0_10V));
        setChoiceAvailable(ui->smartDimCheckBox, on(DF_SMART_ANY));
        setChoiceAvailable(ui->smartFixedRadioButton, on(DF_SMART_FIXED));
        setChoiceAvailable(ui->smartMidnightRadioButton, on(DF_SMART_MIDNIGHT));
        setChoiceAvailable(ui->smartRatioRescaleRadioButton, on(DF_SMART_RATIO));
        setChoiceAvailable(ui->overrideCheckBox, on(DF_OVERRIDE));
        setChoiceAvailable(ui->pwmDimCheckBox, on(DF_PWM));
        setChoiceAvailable(ui->pushDimCheckBox, on(DF_PUSH_DIM));
        const ProgEngine* engine = currentProgrammingEngine();
        const bool corridor = on(DF_CORRIDOR) && engine && engine->programsCorridor();
        setChoiceAvailable(ui->corridorDimCheckBox, corridor);
        for (QCheckBox* box : dimFunctionBoxes(*ui))
            box->setChecked(false);
        ui->overrideCheckBox->setChecked(false);
        if (corridor)
            setCorridorReleaseInfinite(false);

        // Smart timer and corridor are never the default dimming function.
        if (on(DF_0_10V))
            ui->analogDimCheckBox->setChecked(true);
        else if (on(DF_DALI))
            ui->daliDimCheckBox->setChecked(true);
        else if (on(DF_PWM))
            ui->pwmDimCheckBox->setChecked(true);
        else if (on(DF_PUSH_DIM))
            ui->pushDimCheckBox->setChecked(true);
        enableOnlyDimSettingsGroup(*ui, on(DF_0_10V) ? ui->analogDimSetGroupBox : nullptr);
        ui->overrideCheckBox->setStyleSheet(QString::fromLatin1(CHOICE_DISABLED_STYLE));

        if (on(DF_SMART_FIXED))
            checkSmartMode(*ui, ui->smartFixedRadioButton);
        else if (on(DF_SMART_MIDNIGHT))
            checkSmartMode(*ui, ui->smartMidnightRadioButton);
        else if (on(DF_SMART_RATIO))
            checkSmartMode(*ui, ui->smartRatioRescaleRadioButton);
        smartCurveDialog->setMinDimLevel(n);
    }

    updateDaliPartButtons(n);
}

void MainWindow::updateDaliPartButtons(int productIndex)
{
    const ProgEngine* engine = currentProgrammingEngine();
    const bool parts = engine && engine->programsDaliParts();
    const bool allParts = parts && productIndex >= ALL_PARTS_FIRST && productIndex <= ALL_PARTS_LAST;
    const bool without250 = parts && productIndex >= PARTS_WITHOUT_250_FIRST && productIndex <= PARTS_WITHOUT_250_LAST;
    ui->ButtonDT6->setEnabled(allParts || without250);
    ui->Button250->setEnabled(allParts);
    ui->Button251->setEnabled(allParts || without250);
    ui->Button253->setEnabled(allParts || without250);
}

void MainWindow::setDaliPartButtonsEnabled(bool enable)
{
    ui->ButtonDT6->setEnabled(enable);
    ui->Button250->setEnabled(enable);
    ui->Button251->setEnabled(enable);
    ui->Button253->setEnabled(enable);
}

// The six dimming check boxes are one exclusive choice: a click always leaves the clicked box
// checked (the smart timer of a few products excepted) and ignores the clicked state.

void MainWindow::analogDimCheckBoxSelected(bool /*selected*/)
{
    chooseDimFunction(*ui, ui->analogDimCheckBox, ui->analogDimSetGroupBox, PAGE_0_10V);
    setDaliPartButtonsEnabled(false);
}

void MainWindow::daliDimCheckBoxSelected(bool /*selected*/)
{
    chooseDimFunction(*ui, ui->daliDimCheckBox, nullptr, PAGE_DALI);
    updateDaliPartButtons(progData.productIndex);
}

void MainWindow::pwmDimCheckBoxSelected(bool /*selected*/)
{
    chooseDimFunction(*ui, ui->pwmDimCheckBox, nullptr, KEEP_PAGE);
    setDaliPartButtonsEnabled(false);
}

void MainWindow::pushDimCheckBoxSelected(bool /*selected*/)
{
    chooseDimFunction(*ui, ui->pushDimCheckBox, nullptr, KEEP_PAGE);
    setDaliPartButtonsEnabled(false);
}

void MainWindow::corridorDimCheckBoxSelected(bool /*selected*/)
{
    chooseDimFunction(*ui, ui->corridorDimCheckBox, ui->corridorSetGroupBox, PAGE_CORRIDOR);
    setDaliPartButtonsEnabled(false);
}

void MainWindow::smartDimCheckBoxSelected(bool selected)
{
    uncheckOtherDimFunctions(*ui, ui->smartDimCheckBox);
    enableOnlyDimSettingsGroup(*ui, ui->smartDimSetGroupBox);
    setDaliPartButtonsEnabled(false);

    // These products may run without any dimming function, so their smart timer can be
    // switched off again.
    if (!selected && isSwitchableSmartProduct(progData.productIndex)) {
        ui->smartDimCheckBox->setChecked(false);
        return;
    }
    ui->smartDimCheckBox->setChecked(true);
    ui->overrideCheckBox->setStyleSheet(
        QString::fromLatin1(ui->overrideCheckBox->isEnabled() ? CHOICE_ENABLED_STYLE : CHOICE_DISABLED_STYLE));
    ui->dimAdvanceSetTabWidget->setCurrentIndex(PAGE_SMART);
}

void MainWindow::applyDimFunctionCheckBoxes(int dimFunctionType)
{
    constexpr int OVERRIDE_BIT = 0x80;
    ui->overrideCheckBox->setChecked((dimFunctionType & OVERRIDE_BIT) != 0);
    auto smartMode = [this](QRadioButton* mode) {
        smartDimCheckBoxSelected(true);
        checkSmartMode(*ui, mode);
    };
    switch (dimFunctionType & 0x7F) {
    case 0:
        analogDimCheckBoxSelected(true);
        break;
    case 1:
        smartMode(ui->smartFixedRadioButton);
        break;
    case 2:
        smartMode(ui->smartMidnightRadioButton);
        break;
    case 3:
        daliDimCheckBoxSelected(true);
        break;
    case 4:
        pushDimCheckBoxSelected(true);
        break;
    case 5:
        smartMode(ui->smartRatioRescaleRadioButton);
        break;
    case 6:
        pwmDimCheckBoxSelected(true);
        break;
    case 7:
        corridorDimCheckBoxSelected(true);
        break;
    default:
        break;
    }
}

void MainWindow::smartDimRadioButtonSelected()
{
}

void MainWindow::segmentCurrentRadioSelected()
{
    useCustomCurrent(*ui, false);
}

void MainWindow::customCurrentRadioSelected()
{
    useCustomCurrent(*ui, true);
}

void MainWindow::customCurrentEditFinished()
{
    stdoutTrace() << "customSpinBox value changed" << Qt::endl;
    // With no product at all the value stays as typed.
    const ProductRecord* r = productRecordOrFirst(progData.productIndex);
    if (!r)
        return;
    const int v = ui->customSpinBox->value();
    if (v > 0 && v < r->minCurrent)
        ui->customSpinBox->setValue(r->minCurrent);
    else if (v > r->maxCurrent)
        ui->customSpinBox->setValue(r->maxCurrent);
}

void MainWindow::mtpBoxValueChanged()
{
    // Derating starts at a higher resistance than it ends; the gap is at least 0.5 kOhm.
    constexpr double MTP_GAP_KOHM = 0.5;
    ui->mtpStartDoubleSpinBox->setMinimum(ui->mtpEndDoubleSpinBox->value() + MTP_GAP_KOHM);
    ui->mtpEndDoubleSpinBox->setMaximum(ui->mtpStartDoubleSpinBox->maximum() - MTP_GAP_KOHM);
}

namespace {

// While typing, 1 to 9 may still become a larger value, so only two-digit values snap.
void snapWhileTyping(QSpinBox* box, int value)
{
    if (value % CORRIDOR_TIME_STEP != 0 && value >= CORRIDOR_TIME_STEP)
        box->setValue((box->value() / CORRIDOR_TIME_STEP) * CORRIDOR_TIME_STEP);
}

void snapWhenDone(QSpinBox* box)
{
    if (box->value() % CORRIDOR_TIME_STEP != 0)
        box->setValue((box->value() / CORRIDOR_TIME_STEP) * CORRIDOR_TIME_STEP);
}

} // namespace

void MainWindow::corridorHoldTimeSpinBoxValueChanged(int value)
{
    snapWhileTyping(ui->corridorHoldTimeSpinBox, value);
}

void MainWindow::corridorHoldTimeSpinBoxEditingFinished()
{
    snapWhenDone(ui->corridorHoldTimeSpinBox);
}

void MainWindow::corridorReleaseTimeSpinBoxValueChanged(int value)
{
    snapWhileTyping(ui->corridorReleaseTimeSpinBox, value);
}

void MainWindow::corridorReleaseTimeSpinBoxEditingFinished()
{
    snapWhenDone(ui->corridorReleaseTimeSpinBox);
}

void MainWindow::corridorReleaseTimeInfinityCheckBoxSelected(bool checked)
{
    setCorridorReleaseInfinite(checked);
}

void MainWindow::setCorridorReleaseInfinite(bool infinite)
{
    ui->infinityCheckBox->setChecked(infinite);
    ui->corridorReleaseTimeSpinBox->setEnabled(!infinite);
}

void MainWindow::mtpFunctionGroupBoxSelected(bool checked)
{
    Q_UNUSED(checked)
}

void MainWindow::cloFunctionGroupBoxSelected(bool checked)
{
    Q_UNUSED(checked)
}

void MainWindow::eolFunctionGroupBoxSelected(bool checked)
{
    if (!checked)
        ui->eolTimeSpinBox->setValue(0);
}

void MainWindow::enableProgramTabActions(bool flag)
{
    if (currentTabIndex != TAB_PROGRAMMING)
        return;
    programAction->setEnabled(flag);
    saveAction->setEnabled(flag);
    loadAction->setEnabled(flag);
}
