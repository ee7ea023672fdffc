// Programming tab: driver information display, checks and collection of the settings, the read,
// program and reset runs, the production view and the programming log.

#include "mainwindow.h"

#include "filesave.h"
#include "globals.h"
#include "labelprinter.h"
#include "programview.h"
#include "prompt.h"
#include "stdouttrace.h"
#include "smartcurve.h"
#include "ui_mainwindow.h"

#include <QDateTime>
#include <QFile>
#include <QLineEdit>
#include <QProgressDialog>
#include <QRegularExpression>

#include <algorithm>
#include <climits>
#include <cmath>

namespace {

constexpr int CLO_POINTS = 8;
constexpr int CLO_LAST_POINT = CLO_POINTS - 1;
constexpr int CLO_MAX_KHOURS = 255;
constexpr int CLO_FULL_LEVEL = 100;

// dimFunctionType: the low nibble is the dimming function, bit 7 the smart timer override.
constexpr int DIM_TYPE_MASK = 0x0F;
constexpr int DIM_OVERRIDE_BIT = 0x80;
constexpr int DIM_0_10V = 0;
constexpr int DIM_FIXED_TIMER = 1;
constexpr int DIM_MIDNIGHT_TIMER = 2;
constexpr int DIM_DALI = 3;
constexpr int DIM_PUSH = 4;
constexpr int DIM_RATIO_TIMER = 5;
constexpr int DIM_PWM = 6;
constexpr int DIM_CORRIDOR = 7;
constexpr int DIM_NONE = 8;

// Corridor times are stored in tens of seconds; 255 is an endless release time.
constexpr int CORRIDOR_TIME_UNIT_S = 10;
constexpr int CORRIDOR_RELEASE_INFINITE = 255;

// Products whose 0-10V minimum level may not exceed 50 %.
constexpr int HALF_MIN_LEVEL_PRODUCT_A = 115;
constexpr int HALF_MIN_LEVEL_PRODUCT_B = 116;
constexpr double HALF_MIN_LEVEL_LIMIT = 50.0;

const char LOG_FILE_SUFFIX[] = "_program_log.csv";
const char LOG_HEADER[] = "Time,Model/Current,Mode,ProfileName,Options\n";
// The model word is this blank-separated part of the driver's name in the product list.
constexpr int MODEL_WORD_INDEX = 3;

// The sixteen CLO curve points are line edits named "timeEdit_<n>" and "levelEdit_<n>".
QLineEdit* cloEdit(const QObject* window, const char* kind, int n)
{
    return window->findChild<QLineEdit*>(QStringLiteral("%1_%2").arg(QLatin1String(kind)).arg(n));
}

void showStatus(QLabel* label, const QString& text)
{
    label->setText(text);
    label->show();
}

// A line edit's number: its text as a decimal number (0 when it is none), truncated toward zero.
int editNumber(const QLineEdit* edit)
{
    if (!edit)
        return 0;
    bool ok = false;
    const double v = edit->text().toDouble(&ok);
    if (!ok || std::isnan(v))
        return 0;
    // Out-of-range text must not turn into an undefined conversion.
    return int(std::trunc(std::clamp(v, double(INT_MIN), double(INT_MAX))));
}

void setListValue(QList<int>& list, int index, int value)
{
    while (list.size() <= index)
        list.append(0);
    list[index] = value;
}

// The fields of the log are never quoted unless they must be: a comma, a quote or a line break
// would otherwise shift or split the columns.
QString csvField(const QString& field)
{
    static const QRegularExpression special(QStringLiteral("[,\"\r\n]"));
    if (!field.contains(special))
        return field;
    return QLatin1Char('"') + QString(field).replace(QLatin1Char('"'), QLatin1String("\"\"")) + QLatin1Char('"');
}

QString modeText(const ProgDataStructDef& d)
{
    // By dimming type, from DIM_FIXED_TIMER to DIM_CORRIDOR; types above have no text.
    static const char* const names[] = {"Fixed Timer", "Midnight Timer", "DALI", "PushDim",
                                        "Ratio Timer", "PWM", "Corridor"};
    const int type = d.dimFunctionType & DIM_TYPE_MASK;
    QString text;
    if (type == DIM_0_10V)
        text = QStringLiteral("0-10V min%: %1").arg(d.analogDimMinLevel)
               + (d.analogDimMode != 0 ? QStringLiteral(" dim to min") : QStringLiteral(" dim to off"));
    else if (type <= DIM_CORRIDOR)
        text = QLatin1String(names[type - DIM_FIXED_TIMER]);
    if (d.dimFunctionType & DIM_OVERRIDE_BIT)
        text += QStringLiteral(" (Override)");
    return text;
}

QString optionsText(const ProgDataStructDef& d)
{
    QString text;
    if (d.OTP_Enable)
        text += QStringLiteral("OTP ");
    if (d.MTP_Enable)
        text += QStringLiteral("MTP ");
    if (d.CLO_Enable)
        text += QStringLiteral("CLO ");
    if (d.EOL_Enable)
        text += QStringLiteral("EOL ");
    return text;
}

// The smart timer mode of a record's dimming function; other functions show the fixed timer.
int smartModeOf(int dimFunctionType)
{
    switch (dimFunctionType & DIM_TYPE_MASK) {
    case DIM_MIDNIGHT_TIMER:
        return smartcurve::TIMER_MODE_MIDNIGHT;
    case DIM_RATIO_TIMER:
        return smartcurve::TIMER_MODE_RATIO;
    default:
        return smartcurve::TIMER_MODE_FIXED;
    }
}

// The collected record, listed on standard output only (the debug log does not get it).
void printCollectedData(const ProgDataStructDef& d)
{
    stdoutTrace() << "Collected programming data:" << Qt::endl;
    for (const QString& line : recordDumpLines(d, QStringLiteral(":")))
        stdoutTrace() << line << Qt::endl;
}

// The record of a completed read, line by line as the debug log keeps it.
QStringList readDataLines(const ProgDataStructDef& d)
{
    QStringList lines;
    auto log = [&lines](const char* format, qint64 v) { lines << QString::fromLatin1(format).arg(v); };
    auto logList = [&lines](const char* label, const QList<int>& values) {
        QString text = QString::fromLatin1(label);
        for (int v : values)
            text += QStringLiteral(" %1").arg(v);
        lines << text;
    };
    lines << QStringLiteral("------------display read data-------------------------");
    log("product index: %1", d.productIndex);
    log("current: %1", d.current);
    log("dim function type: %1", d.dimFunctionType);
    log("0-10V min: %1", d.analogDimMinLevel);
    log("0-10V max: %1", d.analogDimMaxLevel);
    log("0-10V start: %1", d.analogDimStart);
    log("0-10V end: %1", d.analogDimEnd);
    log("0-10V mode: %1", d.analogDimMode);
    log("MTP enable: %1", d.MTP_Enable);
    log("MTP min: %1", d.MTP_MinLevel);
    log("MTP start: %1", d.MTP_Start);
    log("MTP_end: %1", d.MTP_End);
    log("MTP_end: %1", d.MTP_Shutdown);
    log("EOL enable: %1", d.EOL_Enable);
    log("EOL time: %1", d.userEolTime);
    log("OTP enable: %1", d.OTP_Enable);
    log("firmware version: %1", d.firmwareVersion);
    log("mid night offset: %1", d.midnightOffset);
    log("table ver: %1", d.tableVersion);
    log("CLO enable: %1", d.CLO_Enable);
    logList("CLO time:", d.CLO_TimeList);
    logList("CLO level:", d.CLO_LevelList);
    logList("smart dim time:", d.TimeDimStepList);
    logList("smart dim level:", d.TimeDimLevelList);
    log("mudule time mins: %1", d.moduleOperationTime_mins);
    log("module time hours: %1", d.moduleOperationTime_hrs);
    log("driver op time mins: %1", d.driverOperationTime_mins);
    log("driver op time hours: %1", d.driverOperationTime_hrs);
    log("LDP min: %1", d.LDP_MinDim);
    log("LDP max AD: %1", d.LDP_MaxAD);
    log("LDP min AD: %1", d.LDP_MinAD);
    log("LDP shutdown: %1", d.LDP_Shutdown);
    logList("timer dim fade time:", d.TimeDimFadeTimeList);
    log("timer dim override fade time: %1", d.timerDimOverrideFadeTime);
    return lines;
}

} // namespace

// ---- Driver information display -----------------------------------------------------------------

void MainWindow::displayDriverInfo()
{
    const int idx = progData.productIndex;
    stdoutTrace() << "reload product info, index:" << idx << Qt::endl;
    loadProductSettings(progData.productIndex);
    // The smart timer dialog's schedule is what a programming run writes, also when the dialog is
    // never opened; it must follow the record shown, not the schedule of an earlier one.
    if (idx == 0) {
        loadSmartCurve(smartModeOf(progData.dimFunctionType));
        return;
    }
    emit debug_msg(QStringLiteral("Display driver info, index: %1").arg(idx));

    updateFullCurrentLabel(progData.current);
    applyDimFunctionCheckBoxes(progData.dimFunctionType);

    // A record of a product missing from the list keeps its own values and gets no product rule.
    const ProductRecord* product = productRecord(idx);
    if (product && (product->driverFeature & DF_DIM_TO_MIN_ONLY))
        progData.analogDimMode = 1;

    dimcurve::DimSettings dim;
    dim.mode = progData.analogDimMode;
    dim.minLevel = progData.analogDimMinLevel;
    dim.startVoltage = progData.analogDimStart / 10.0;
    dim.endVoltage = progData.analogDimEnd / 10.0;
    dimCurveDialog->loadSettings(dim);

    ui->analogMinDimSpinBox->setValue(progData.analogDimMinLevel);
    ui->analogStartDimSpinBox->setValue(progData.analogDimStart / 10.0);
    ui->analogEndDimSpinBox->setValue(progData.analogDimEnd / 10.0);
    ui->dimOffRadioButton->setChecked(progData.analogDimMode == 0);
    ui->minDimRadioButton->setChecked(progData.analogDimMode != 0);

    smartCurveDialog->setMinDimLevel(idx);
    loadSmartCurve(smartModeOf(progData.dimFunctionType));

    if (progData.dimFunctionType == DIM_CORRIDOR) {
        ui->corridorHoldTimeSpinBox->setValue(progData.TimeDimStepList.value(0) * CORRIDOR_TIME_UNIT_S);
        const int release = progData.TimeDimStepList.value(1);
        // An endless release keeps the seconds the box held, for when the user unticks it.
        if (release != CORRIDOR_RELEASE_INFINITE)
            ui->corridorReleaseTimeSpinBox->setValue(release * CORRIDOR_TIME_UNIT_S);
        setCorridorReleaseInfinite(release == CORRIDOR_RELEASE_INFINITE);
        ui->corridorTurnOnLevelSpinBox->setValue(progData.TimeDimLevelList.value(0));
        ui->corridorReleaseLevelSpinBox->setValue(progData.TimeDimLevelList.value(1));
        ui->corridorTurnOnFadeTimeSpinBox->setValue(progData.TimeDimFadeTimeList.value(0));
        ui->corridorReleaseFadeTimeSpinBox->setValue(progData.TimeDimFadeTimeList.value(1));
    }

    ui->mtpSetGroupBox->setChecked(progData.MTP_Enable != 0);
    ui->cloSetGroupBox->setChecked(progData.CLO_Enable != 0);
    ui->eolSetGroupBox->setChecked(progData.EOL_Enable != 0);

    if (idx >= FIRST_NEWER_PRODUCT)
        ui->eolTimeSpinBox->setValue(progData.userEolTime);
    const double startKOhm = mtpResistanceKohm(progData.MTP_Start, idx);
    const double endKOhm = mtpResistanceKohm(progData.MTP_End, idx);
    ui->mtpMinLevelSpinBox->setValue(progData.MTP_MinLevel);
    // The start must stay above the end: each change moves the other box's limit. The end goes
    // first, so a start below the previous record's end is not clamped up to it.
    ui->mtpEndDoubleSpinBox->setValue(endKOhm);
    ui->mtpStartDoubleSpinBox->setValue(startKOhm);
    mtpcurve::MTPSettings mtp;
    mtp.minLevel = progData.MTP_MinLevel;
    mtp.start = startKOhm;
    mtp.end = endKOhm;
    mtpCurveDialog->loadSettings(mtp);

    displayDriverSettings();

    ui->fwVersionLabel->setText(QStringLiteral("%1.%2")
                                    .arg(progData.firmwareVersion >> 8)
                                    .arg(progData.firmwareVersion & 0xFF, 2, 10, QLatin1Char('0')));
    ui->infoDriverTime->setText(progData.driverOperationTime_hrs == 0
                                    ? QStringLiteral("---")
                                    : QString::number(progData.driverOperationTime_hrs));
}

void MainWindow::displayDriverSettings()
{
    ui->cloTimeLabel->setText(tr("Module Operating Time = %1 hours").arg(progData.moduleOperationTime_hrs));
    ui->cloLevelLabel->setText(tr("100% = %1 mA").arg(progData.current));
    for (int i = 0; i < CLO_POINTS; ++i) {
        if (QLineEdit* time = cloEdit(this, "timeEdit", i))
            time->setText(QString::number(progData.CLO_TimeList.value(i)));
        if (QLineEdit* level = cloEdit(this, "levelEdit", i))
            level->setText(QString::number(progData.CLO_LevelList.value(i)));
    }
}

void MainWindow::updateFullCurrentLabel(int current)
{
    ui->progressBar->setValue(current);
    ui->progressBar->setFormat(QStringLiteral("%1 mA").arg(current));
    const int item = ui->currentSetComboBox->findData(current);
    if (item < 0) {
        ui->customSetRadioButton->setChecked(true);
        ui->segmentSetRadioButton->setChecked(false);
        ui->customSpinBox->setEnabled(true);
        ui->currentSetComboBox->setEnabled(false);
    } else {
        ui->currentSetComboBox->setCurrentIndex(item);
    }
    ui->customSpinBox->setValue(current);
    ui->cloLevelLabel->setText(tr("100% = %1 mA").arg(current));
}

// ---- Checks and collection ------------------------------------------------------------------------

int MainWindow::timeEditEndEditing()
{
    auto edit = [this](int n) { return cloEdit(this, "timeEdit", n); };

    QList<int> points{0}; // the curve always starts at 0, whatever the first edit shows
    int result = 0;
    for (int n = 1; n < CLO_POINTS; ++n) {
        const int prev = editNumber(edit(n - 1));
        const int cur = editNumber(edit(n));
        // A negative time would be stored and written as a byte of another value.
        if (cur > CLO_MAX_KHOURS || cur < 0) {
            showStatus(ui->cloErrorLabel, tr("Error: Input KHours must withinr 1~255"));
            if (QLineEdit* e = edit(n))
                e->setText(QString::number(progData.CLO_TimeList.value(n)));
            return -1;
        }
        if (cur <= prev) {
            showStatus(ui->cloErrorLabel, tr("Error: Input KHours must increased in order"));
            result = -1;
        }
        points.append(cur);
    }
    std::sort(points.begin(), points.end());
    points.erase(std::unique(points.begin(), points.end()), points.end());

    if (progData.CLO_TimeList.size() > points.size()) {
        showStatus(ui->cloErrorLabel, tr("Error: Input KHours must increased in order"));
        result = -1;
    } else {
        if (result == 0)
            ui->cloErrorLabel->hide();
        progData.CLO_TimeList = points;
    }
    setListValue(progData.CLO_TimeList, 0, 0);

    for (int n = 0; n < progData.CLO_TimeList.size() && n < CLO_POINTS; ++n) {
        if (QLineEdit* e = edit(n))
            e->setText(QString::number(progData.CLO_TimeList.at(n)));
    }
    return result;
}

int MainWindow::levelEditEndEditing()
{
    QList<int> levels;
    for (int n = 0; n < CLO_POINTS; ++n) {
        QLineEdit* edit = cloEdit(this, "levelEdit", n);
        int v = editNumber(edit);
        if (v < productPhyMinLevel || v > CLO_FULL_LEVEL) {
            showStatus(ui->cloErrorLabel, tr("Error: Input Level% value must within Phy Min~100"));
            if (edit)
                edit->setText(QString::number(progData.CLO_LevelList.value(n)));
            return -1;
        }
        // The curve ends at full output, whatever was typed for its last point.
        if (n == CLO_LAST_POINT)
            v = CLO_FULL_LEVEL;
        levels.append(v);
        if (edit)
            edit->setText(QString::number(v));
    }
    ui->cloErrorLabel->hide();
    progData.CLO_LevelList = levels;
    return 0;
}

int MainWindow::analogMinDimSpinBoxEditingFinished()
{
    if ((progData.productIndex == HALF_MIN_LEVEL_PRODUCT_A || progData.productIndex == HALF_MIN_LEVEL_PRODUCT_B)
        && ui->analogMinDimSpinBox->value() > HALF_MIN_LEVEL_LIMIT) {
        ui->analogMinDimSpinBox->setValue(HALF_MIN_LEVEL_LIMIT);
        showStatus(ui->cloErrorLabel, tr("Error: Exceed the upper limit of 50% of this model"));
        return -1;
    }
    ui->cloErrorLabel->hide();
    return 0;
}

void MainWindow::collectProgrammingData()
{
    ProgDataStructDef& d = progData;

    int current = ui->segmentSetRadioButton->isChecked() ? ui->currentSetComboBox->currentText().toInt()
                                                          : ui->customSpinBox->value();
    if (const ProductRecord* product = productRecord(d.productIndex)) {
        if (current != 0 && current < product->minCurrent) {
            current = product->minCurrent;
            ui->customSpinBox->setValue(current);
        }
    }
    d.current = quint16(std::clamp(current, 0, 0xFFFF));

    if (ui->analogDimCheckBox->isChecked())
        d.dimFunctionType = DIM_0_10V;
    else if (ui->daliDimCheckBox->isChecked())
        d.dimFunctionType = DIM_DALI;
    else if (ui->pwmDimCheckBox->isChecked())
        d.dimFunctionType = DIM_PWM;
    else if (ui->pushDimCheckBox->isChecked())
        d.dimFunctionType = DIM_PUSH;
    else if (ui->smartDimCheckBox->isChecked()) {
        // With no mode chosen the smart timer runs as the fixed timer, as its dialog shows it;
        // keeping the previous type would program another dimming function than the one checked.
        if (ui->smartFixedRadioButton->isChecked())
            d.dimFunctionType = DIM_FIXED_TIMER;
        else if (ui->smartMidnightRadioButton->isChecked())
            d.dimFunctionType = DIM_MIDNIGHT_TIMER;
        else if (ui->smartRatioRescaleRadioButton->isChecked())
            d.dimFunctionType = DIM_RATIO_TIMER;
        else
            d.dimFunctionType = DIM_FIXED_TIMER;
    } else if (ui->corridorDimCheckBox->isChecked())
        d.dimFunctionType = DIM_CORRIDOR;
    else
        d.dimFunctionType = DIM_NONE;
    if (ui->overrideCheckBox->isChecked())
        d.dimFunctionType |= DIM_OVERRIDE_BIT;

    // Volts to tenths of a volt, halves rounded up.
    d.analogDimMinLevel = quint8(int(std::trunc(ui->analogMinDimSpinBox->value())));
    d.analogDimStart = quint16(int(std::trunc((ui->analogStartDimSpinBox->value() + 0.05) * 10.0)));
    d.analogDimEnd = quint16(int(std::trunc((ui->analogEndDimSpinBox->value() + 0.05) * 10.0)));
    d.analogDimMode = ui->dimOffRadioButton->isChecked() ? 0 : 1;

    d.MTP_Start = mtpResistanceCode(ui->mtpStartDoubleSpinBox->value(), d.productIndex);
    d.MTP_End = mtpResistanceCode(ui->mtpEndDoubleSpinBox->value(), d.productIndex);
    d.MTP_MinLevel = quint8(ui->mtpMinLevelSpinBox->value());
    d.MTP_Enable = ui->mtpSetGroupBox->isChecked() ? 1 : 0;
    d.CLO_Enable = ui->cloSetGroupBox->isChecked() ? 1 : 0;

    d.TimeDimStepList.clear();
    d.TimeDimLevelList.clear();
    for (const smartcurve::ScheduleStep& step : smartCurveDialog->steps()) {
        d.TimeDimStepList.append(step.duration);
        d.TimeDimLevelList.append(step.level);
    }
    d.midnightOffset = smartCurveDialog->midnightShift();
    d.TimeDimFadeTimeList = smartCurveDialog->fadeTimes();

    if (d.dimFunctionType == DIM_CORRIDOR) {
        setListValue(d.TimeDimStepList, 0, ui->corridorHoldTimeSpinBox->value() / CORRIDOR_TIME_UNIT_S);
        setListValue(d.TimeDimStepList, 1,
                     ui->infinityCheckBox->isChecked() ? CORRIDOR_RELEASE_INFINITE
                                                       : ui->corridorReleaseTimeSpinBox->value() / CORRIDOR_TIME_UNIT_S);
        setListValue(d.TimeDimLevelList, 0, ui->corridorTurnOnLevelSpinBox->value());
        setListValue(d.TimeDimLevelList, 1, ui->corridorReleaseLevelSpinBox->value());
        setListValue(d.TimeDimFadeTimeList, 0, ui->corridorTurnOnFadeTimeSpinBox->value());
        setListValue(d.TimeDimFadeTimeList, 1, ui->corridorReleaseFadeTimeSpinBox->value());
    }

    d.EOL_Enable = ui->eolSetGroupBox->isChecked() ? 1 : 0;
    if (d.productIndex >= FIRST_NEWER_PRODUCT) {
        d.userEolTime = d.EOL_Enable ? quint8(ui->eolTimeSpinBox->value()) : 0;
    } else {
        // These drivers have no EOL time row on the tab, and their EOL byte is both the time and
        // the on/off flag: a ticked EOL keeps the time the driver had, or 1 when it had none.
        if (!d.EOL_Enable)
            d.userEolTime = 0;
        else if (d.userEolTime == 0)
            d.userEolTime = 1;
    }

    printCollectedData(d);
}

// ---- Read, program and reset runs -----------------------------------------------------------------

ProgEngine* MainWindow::currentProgrammingEngine()
{
    switch (programToolIndex) {
    case PROG_TOOL_DALI:
        return &daliProg;
    case PROG_TOOL_IPROG:
        return &iProg;
    case PROG_TOOL_FEIG_NFC:
        return &feigNfc;
    case PROG_TOOL_ST_NFC:
        return &stNfc;
    default:
        return nullptr;
    }
}

void MainWindow::programIconClicked()
{
    if (currentTabIndex == TAB_FIRMWARE_UPDATE) {
        bootLoader.startFirmwareUpdate();
        return;
    }
    if (currentTabIndex != TAB_PROGRAMMING)
        return;

    if (checkProgrammingInputs() == -1)
        return;
    startProgramming();
}

int MainWindow::checkProgrammingInputs()
{
    // Both curve checks always run, so the stored curve follows the edits. A bad curve blocks only
    // when CLO is about to be written, which the tab's CLO box says, not the record's last state:
    // otherwise CLO would go out switched on with the previous curve.
    const bool clo = ui->cloSetGroupBox->isChecked();
    if (timeEditEndEditing() == -1 && clo)
        return -1;
    if (levelEditEndEditing() == -1 && clo)
        return -1;
    return analogMinDimSpinBoxEditingFinished();
}

void MainWindow::startProgramming()
{
    collectProgrammingData();
    ProgEngine* engine = currentProgrammingEngine();
    if (!engine)
        return;
    engine->writeRecord() = progData;
    engine->startProgramming();
}

void MainWindow::readDriverWithCurrentTool()
{
    if (ProgEngine* engine = currentProgrammingEngine())
        engine->startReadProductInfo();
}

void MainWindow::readProductInfoUpdateSlot(int state, QString str, int value)
{
    switch (state) {
    case READ_STATE_ABORT:
        if (readProgressDialog->isVisible())
            readProgressDialog->hide();
        break;
    case READ_STATE_COMPLETE: {
        ProgEngine* engine = currentProgrammingEngine();
        if (!engine)
            break;
        progData = engine->readRecord();
        setListValue(progData.CLO_TimeList, 0, 0);
        setListValue(progData.CLO_LevelList, CLO_LAST_POINT, CLO_FULL_LEVEL);
        if (profileLoaded) {
            ui->cloErrorLabel->hide();
            profileLoaded = 0;
            loadedProfileName.clear();
            Prompt::information(nullptr, tr("Information"),
                                tr("The loaded profile will be drop as a result of Read LED driver."),
                                QMessageBox::Ok);
        }
        displayDriverInfo();
        readProgressDialog->hide();

        for (const QString& line : readDataLines(progData))
            emit debug_msg(line);
        break;
    }
    default:
        readProgressDialog->setLabelText(str);
        readProgressDialog->setValue(value);
        readProgressDialog->show();
        break;
    }
}

void MainWindow::resetModuleOperatingTime()
{
    const QMessageBox::StandardButton answer =
        Prompt::question(this, tr("Reset Module Operating Time"),
                         tr("Do you want to reset the LED module operating time?"),
                         QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Ok);
    if (answer != QMessageBox::Ok)
        return;
    ProgEngine* engine = currentProgrammingEngine();
    if (!engine)
        return;
    // The question stays open through a loss of the tool or the driver, and the engine takes no
    // reset without a driver: OK then resets nothing, and says so.
    if (engine->driverConnectionState() != DRIVER_CONNECTED) {
        resetOptStateUpdateSlot(RESET_OPT_FAIL);
        return;
    }
    progData.moduleOperationTime_mins = 0;
    progData.moduleOperationTime_hrs = 0;
    engine->writeRecord() = progData;
    engine->startResetOperatingTime();
}

void MainWindow::resetOptStateUpdateSlot(int result)
{
    const bool success = result == RESET_OPT_SUCCESS;
    const QString text = success ? tr("Reset Successfully") : tr("Reset Failure");
    if (success)
        ui->cloTimeLabel->setText(tr("Module Operating Time = 0 hours"));
    // A failure shown on the status line goes with the next reset's result.
    if (!ui->cloErrorLabel->isHidden() && ui->cloErrorLabel->text() == tr("Reset Failure")) {
        if (profileLoaded)
            showStatus(ui->cloErrorLabel, profileStatusText());
        else
            ui->cloErrorLabel->hide();
    }
    if (!success && toolLossBoxCovers()) {
        // The tool-lost box is what the operator acts on; a second box for the same loss would only
        // follow it. The reset is shown failed where it stays in sight.
        showStatus(ui->cloErrorLabel, text);
    } else {
        Prompt::information(nullptr, tr("Reset Module Operating Time"), text, QMessageBox::Ok);
    }
    emit debug_msg(success ? QStringLiteral("Reset module operating time successfully")
                           : QStringLiteral("Reset module operating time fail"));
}

void MainWindow::programDone()
{
    if (ProgEngine* engine = currentProgrammingEngine())
        engine->resetProgrammingState();
    if (profileLoaded)
        showStatus(ui->cloErrorLabel, profileStatusText());
}

// ---- Production view and programming log ----------------------------------------------------------

void MainWindow::programmingStateUpdateSlot(ProgStateDef state)
{
    if (programViewDialog->isHidden())
        programViewDialog->show();

    switch (state) {
    case PROG_STATE_START:
        programViewDialog->showProgrammingState(programView::VIEW_STATE_START);
        break;
    case PROG_STATE_FAIL:
        programViewDialog->showProgrammingState(programView::VIEW_STATE_FAIL);
        break;
    case PROG_STATE_SUCCESS:
        SaveTestResultToCSVFile();
        programViewDialog->showProgrammingState(programView::VIEW_STATE_SUCCESS);
        updateFullCurrentLabel(progData.current);
        break;
    case PROG_STATE_RETRY:
        programViewDialog->showProgrammingState(programView::VIEW_STATE_RETRY);
        break;
    case PROG_STATE_WAIT_DRIVER:
        programViewDialog->showProgrammingState(programView::VIEW_STATE_WAIT_DRIVER);
        break;
    default:
        break;
    }
}

QString MainWindow::programmingLogFileName(const QDateTime& at)
{
    return at.toString(QStringLiteral("MM-dd-yyyy")) + QLatin1String(LOG_FILE_SUFFIX);
}

QString MainWindow::programmingLogLine(const QDateTime& at, const QString& driverName, const ProgDataStructDef& data,
                                       const QString& profileName)
{
    // Names in the product list have at least four words; a shorter one has no model word.
    const QString model = driverName.split(QLatin1Char(' '), Qt::KeepEmptyParts).value(MODEL_WORD_INDEX);
    const QStringList fields{
        at.toString(QStringLiteral("MM/dd/yyyy hh:mm:ss")),
        csvField(model + QLatin1Char(' ') + QString::number(data.current) + QLatin1String("mA")),
        csvField(modeText(data)),
        csvField(profileName),
        csvField(optionsText(data)),
    };
    return fields.join(QLatin1Char(',')) + QLatin1Char('\n');
}

void MainWindow::SaveTestResultToCSVFile()
{
    // One reading of the clock: a line written at midnight goes into the file of its own date.
    const QDateTime now = QDateTime::currentDateTime();
    const QString fileName = programmingLogFileName(now);
    const QString line = programmingLogLine(now, ui->driverComboBox->currentText(), progData, loadedProfileName);

    // An existing file, even an empty one, already has its header or belongs to someone else.
    const bool existed = QFile::exists(fileName);
    QByteArray bytes;
    if (!existed)
        bytes = QByteArray(LOG_HEADER);
    bytes += line.toLocal8Bit();

    // No line feed translation: every line ends with a single LF on every platform. Unbuffered, so
    // that write() itself tells how much reached the file.
    QFile file(fileName);
    const bool opened = file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered);
    const qint64 oldSize = file.size();
    if (!opened || !writeAll(file, bytes)) {
        const QString reason = file.errorString();
        // A full disk may have taken part of the line: the log is cut back to what it was, so
        // the next driver's line does not run on from a torn one.
        if (opened && existed)
            file.resize(oldSize);
        else if (opened)
            file.remove();
        // A label printed now would carry the previous driver's line, the last one in the file.
        const QString text = tr("Error: Programming log '%1' could not be written (%2); no label printed")
                                 .arg(fileName, reason);
        showProductionError(text);
        emit debug_msg(text);
        return;
    }
    file.close();

    if (!ui->printerCheckBox->isChecked()) {
        clearProductionError();
        return;
    }

    const LabelPrinter::Result printed = LabelPrinter().print(fileName);
    if (printed.ok()) {
        clearProductionError();
    } else {
        showProductionError(tr("Error: %1").arg(printed.message));
        emit debug_msg(printed.message);
    }
    emit debug_msg(line);
}

void MainWindow::showProductionError(const QString& text)
{
    showStatus(ui->cloErrorLabel, text);
    productionError = text;
}

void MainWindow::clearProductionError()
{
    // Only the failure this line replaces: a check or status shown since then stays.
    if (!productionError.isEmpty() && !ui->cloErrorLabel->isHidden() &&
        ui->cloErrorLabel->text() == productionError) {
        if (profileLoaded)
            showStatus(ui->cloErrorLabel, profileStatusText());
        else
            ui->cloErrorLabel->hide();
    }
    productionError.clear();
}

QString MainWindow::profileStatusText() const
{
    return tr("Status: Profile '%1' is loaded successfully").arg(loadedProfileName);
}
