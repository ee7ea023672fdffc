// Setting dialogs of the Programming tab and the administrator flow.

#include "mainwindow.h"

#include "advanceview.h"
#include "clocurve.h"
#include "globals.h"
#include "loginview.h"
#include "profileformat.h"
#include "prompt.h"
#include "stdouttrace.h"
#include "setting_dt6.h"
#include "setting_part250.h"
#include "setting_part251.h"
#include "setting_part253.h"
#include "smartcurve.h"
#include "ui_mainwindow.h"

#include <QFile>
#include <QLineEdit>
#include <QStringList>
#include <QTextStream>

#include <cmath>
#include <cstring>

namespace {

constexpr int CLO_POINTS = 8;

void showNotSupportedNotice()
{
    Prompt::information(nullptr, QObject::tr("Notice"), QObject::tr("Not supported for selected dim mode!"),
                        QMessageBox::Ok);
}

// A memory-bank dialog hands back a record of its own in which only its part means anything: the
// window takes those fields, byte for byte, and nothing else.
template <typename T> void takeField(T& to, const T& from)
{
    std::memcpy(&to, &from, sizeof(T));
}

double editValue(const QObject* window, const char* kind, int n)
{
    const auto* edit = window->findChild<QLineEdit*>(QStringLiteral("%1_%2").arg(QLatin1String(kind)).arg(n));
    return edit ? edit->text().toDouble() : 0.0;
}

// The models an administrator may reset a tag to, one block each: read from the working directory,
// never written.
const char* const FACTORY_INFO_FILE = "ProductFactoryInformation.txt";

// What a factory reset is about to write, for the console.
QStringList factoryDumpLines(const ProgDataStructDef& d)
{
    const auto n = [](qint64 value) { return QString::number(value); };
    const auto entries = [](const char* label, const QList<int>& list) {
        QString line = QLatin1String(label);
        for (int value : list)
            line += QLatin1Char(' ') + QString::number(value);
        return line;
    };
    return {
        "product index: " + n(d.productIndex),
        "current: " + n(d.current),
        "dim type: " + n(d.dimFunctionType),
        "0-10V min: " + n(d.analogDimMinLevel),
        "0-10V max: " + n(d.analogDimMaxLevel),
        "0-10V start: " + n(d.analogDimStart),
        "0-10V end: " + n(d.analogDimEnd),
        "0-10V mode: " + n(d.analogDimMode),
        "LDP min: " + n(d.LDP_MinDim),
        "LDP max AD: " + n(d.LDP_MaxAD),
        "LDP min AD: " + n(d.LDP_MinAD),
        "MTP min: " + n(d.MTP_MinLevel),
        "MTP max: " + n(d.MTP_MaxLevel),
        "MTP start: " + n(d.MTP_Start),
        "MTP_end: " + n(d.MTP_End),
        "MTP enable: " + n(d.MTP_Enable),
        "CLO enable: " + n(d.CLO_Enable),
        "MTP shutdown: " + n(d.MTP_Shutdown),
        "mudule time mins: " + n(d.moduleOperationTime_mins),
        "module time hours: " + n(d.moduleOperationTime_hrs),
        entries("CLO time:", d.CLO_TimeList),
        entries("CLO level:", d.CLO_LevelList),
        entries("smart dim time:", d.TimeDimStepList),
        entries("smart dim level:", d.TimeDimLevelList),
        entries("smart dim fadetime:", d.TimeDimFadeTimeList),
        "driver op time mins: " + n(d.driverOperationTime_mins),
        "driver op time hours: " + n(d.driverOperationTime_hrs),
        "EOL enable: " + n(d.EOL_Enable),
        "OTP enable: " + n(d.OTP_Enable),
        "firmware ver: " + n(d.firmwareVersion),
        "mid night off: " + n(d.midnightOffset),
        "product index: " + n(d.productIndex),
        "eol time: " + n(d.userEolTime),
        "table ver: " + n(d.tableVersion),
    };
}

} // namespace

// ---- Opening the setting dialogs ------------------------------------------------------------------

void MainWindow::loadSmartCurve(int mode)
{
    smartCurveDialog->setMode(mode, productFeature2000);
    smartCurveDialog->setLevels(progData.TimeDimLevelList);
    smartCurveDialog->setMidnightShift(progData.midnightOffset);
    smartCurveDialog->setFadeTimes(progData.TimeDimFadeTimeList);
    smartCurveDialog->setDurations(progData.TimeDimStepList);
}

void MainWindow::smartDimCurvePushBtn_clicked()
{
    if (!ui->smartDimCheckBox->isChecked()) {
        showNotSupportedNotice();
        return;
    }
    // With no mode chosen the collection programs the fixed timer, so that is what is shown.
    int mode = smartcurve::TIMER_MODE_FIXED;
    if (ui->smartFixedRadioButton->isChecked())
        mode = smartcurve::TIMER_MODE_FIXED;
    else if (ui->smartMidnightRadioButton->isChecked())
        mode = smartcurve::TIMER_MODE_MIDNIGHT;
    else if (ui->smartRatioRescaleRadioButton->isChecked())
        mode = smartcurve::TIMER_MODE_RATIO;
    loadSmartCurve(mode);
    smartCurveDialog->exec();
}

void MainWindow::analogDimCurvePushBtn_clicked()
{
    if (!ui->analogDimCheckBox->isChecked())
        return;
    dimcurve::DimSettings settings;
    settings.mode = ui->dimOffRadioButton->isChecked() ? 0 : 1;
    settings.minLevel = int(std::trunc(ui->analogMinDimSpinBox->value()));
    settings.startVoltage = ui->analogStartDimSpinBox->value();
    settings.endVoltage = ui->analogEndDimSpinBox->value();
    dimCurveDialog->loadSettings(settings);
    dimCurveDialog->exec();
}

void MainWindow::corridorCurvePushBtn_clicked()
{
    if (!ui->corridorDimCheckBox->isChecked()) {
        showNotSupportedNotice();
        return;
    }
    corridor_curve::CorridorSettings settings;
    settings.turnOnLevel = ui->corridorTurnOnLevelSpinBox->value();
    settings.releaseLevel = ui->corridorReleaseLevelSpinBox->value();
    settings.turnOnFadeTime = ui->corridorTurnOnFadeTimeSpinBox->value();
    settings.releaseFadeTime = ui->corridorReleaseFadeTimeSpinBox->value();
    settings.holdTime = ui->corridorHoldTimeSpinBox->value();
    settings.infiniteRelease = ui->infinityCheckBox->isChecked();
    settings.releaseTime = ui->corridorReleaseTimeSpinBox->value() *
                           (settings.infiniteRelease ? corridor_curve::INFINITE_RELEASE_FACTOR : 1);
    stdoutTrace() << "set corridor release time:" << settings.releaseTime << Qt::endl;
    corridorCurveDialog->loadSettings(settings);
    corridorCurveDialog->exec();
}

void MainWindow::mtpShowCurvePushBtn_clicked()
{
    mtpcurve::MTPSettings settings;
    settings.minLevel = ui->mtpMinLevelSpinBox->value();
    settings.start = ui->mtpStartDoubleSpinBox->value();
    settings.end = ui->mtpEndDoubleSpinBox->value();
    mtpCurveDialog->loadSettings(settings);
    mtpCurveDialog->exec();
}

void MainWindow::cloShowCurvePushBtn_clicked()
{
    // The curve as typed: the checks that truncate and order it run when an edit is left.
    QList<double> times;
    QList<double> levels;
    for (int n = 0; n < CLO_POINTS; ++n) {
        times << editValue(this, "timeEdit", n);
        levels << editValue(this, "levelEdit", n);
    }
    cloCurveDialog->setTimeList(times);
    cloCurveDialog->setLevelList(levels);
    cloCurveDialog->exec();
}

void MainWindow::DT6PushBtn_clicked()
{
    dt6Dialog->loadSettings(progData);
    dt6Dialog->exec();
}

void MainWindow::part250PushBtn_clicked()
{
    part250Dialog->loadSettings(progData);
    part250Dialog->exec();
}

void MainWindow::part251PushBtn_clicked()
{
    part251Dialog->loadSettings(progData);
    part251Dialog->exec();
}

void MainWindow::part253PushBtn_clicked()
{
    part253Dialog->loadSettings(progData);
    part253Dialog->exec();
}

// ---- Their results --------------------------------------------------------------------------------
// The 0-10V, MTP and corridor curves go back into the tab, which the next collection reads; the
// smart timer schedule and the memory-bank parts go straight into progData.

void MainWindow::analogDimCurveDone(dimcurve::DimSettings settings)
{
    ui->analogMinDimSpinBox->setValue(settings.minLevel);
    ui->analogStartDimSpinBox->setValue(settings.startVoltage);
    ui->analogEndDimSpinBox->setValue(settings.endVoltage);
    ui->dimOffRadioButton->setChecked(settings.mode == 0);
    ui->minDimRadioButton->setChecked(settings.mode != 0);
}

void MainWindow::mtpCurveDone(mtpcurve::MTPSettings settings)
{
    // Each value moves the other box's limit. The end goes first, since its limit does not depend
    // on the start: a start below the previous end would otherwise be clamped up to it.
    ui->mtpEndDoubleSpinBox->setValue(settings.end);
    ui->mtpStartDoubleSpinBox->setValue(settings.start);
    ui->mtpMinLevelSpinBox->setValue(settings.minLevel);
}

void MainWindow::corridorCurveDone(corridor_curve::CorridorSettings settings)
{
    ui->corridorTurnOnLevelSpinBox->setValue(settings.turnOnLevel);
    ui->corridorReleaseLevelSpinBox->setValue(settings.releaseLevel);
    ui->corridorTurnOnFadeTimeSpinBox->setValue(settings.turnOnFadeTime);
    ui->corridorReleaseFadeTimeSpinBox->setValue(settings.releaseFadeTime);
    ui->corridorHoldTimeSpinBox->setValue(settings.holdTime);
    const bool encoded = settings.releaseTime >= corridor_curve::INFINITE_RELEASE_FACTOR;
    ui->corridorReleaseTimeSpinBox->setValue(
        encoded ? settings.releaseTime / corridor_curve::INFINITE_RELEASE_FACTOR : settings.releaseTime);
    setCorridorReleaseInfinite(encoded || settings.infiniteRelease);
    stdoutTrace() << "fetch corridor release time:" << settings.releaseTime << Qt::endl;
}

void MainWindow::smartCurveDone()
{
    progData.TimeDimStepList.clear();
    progData.TimeDimLevelList.clear();
    for (const smartcurve::ScheduleStep& step : smartCurveDialog->steps()) {
        progData.TimeDimStepList.append(step.duration);
        progData.TimeDimLevelList.append(step.level);
    }
    progData.midnightOffset = smartCurveDialog->midnightShift();
    progData.TimeDimFadeTimeList = smartCurveDialog->fadeTimes();
}

void MainWindow::DT6Done(ProgDataStructDef& data)
{
    takeField(progData.DT6PowerOnLevel, data.DT6PowerOnLevel);
    takeField(progData.DT6CurveType, data.DT6CurveType);
    takeField(progData.DT6MinLevel, data.DT6MinLevel);
    takeField(progData.DT6MaxLevel, data.DT6MaxLevel);
    takeField(progData.DT6SystemFailureLevel, data.DT6SystemFailureLevel);
    takeField(progData.DT6ShortAddress, data.DT6ShortAddress);
}

void MainWindow::part250Done(ProgDataStructDef& data)
{
    takeField(progData.bank201BPSS, data.bank201BPSS);
}

void MainWindow::part251Done(ProgDataStructDef& data)
{
    takeField(progData.bank1GTIN, data.bank1GTIN);
    takeField(progData.bank1ID, data.bank1ID);
    takeField(progData.bank1CFID, data.bank1CFID);
    takeField(progData.bank1YY, data.bank1YY);
    takeField(progData.bank1WW, data.bank1WW);
    takeField(progData.bank1Power, data.bank1Power);
    takeField(progData.bank1MinPower, data.bank1MinPower);
    takeField(progData.bank1MinVoltage, data.bank1MinVoltage);
    takeField(progData.bank1MaxVoltage, data.bank1MaxVoltage);
    takeField(progData.bank1Lm, data.bank1Lm);
    takeField(progData.bank1CRI, data.bank1CRI);
    takeField(progData.bank1CCT, data.bank1CCT);
    takeField(progData.bank1LDT, data.bank1LDT);
    takeField(progData.bank1ColorString, data.bank1ColorString);
    takeField(progData.bank1IDString, data.bank1IDString);
    takeField(progData.bank1SpecificString, data.bank1SpecificString);
}

void MainWindow::part253Done(ProgDataStructDef& data)
{
    takeField(progData.bank206StartCounterResettable, data.bank206StartCounterResettable);
    takeField(progData.bank206OnTimeResettable, data.bank206OnTimeResettable);
    takeField(progData.bank207RatedLifetime, data.bank207RatedLifetime);
    takeField(progData.bank207RefTemperature, data.bank207RefTemperature);
    takeField(progData.bank207RatedStart, data.bank207RatedStart);
}

// ---- Administrator flow ---------------------------------------------------------------------------

void MainWindow::adminPushBtn_clicked()
{
    // Filled afresh at every call from the file the reset will read, so the n-th entry is always
    // the n-th block there.
    advanceViewDialog->clearComboItems();
    QFile file(QString::fromLatin1(FACTORY_INFO_FILE));
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        Prompt::information(nullptr, tr("Failed to open product properties file"), file.errorString(),
                            QMessageBox::Ok);
    } else {
        QTextStream in(&file);
        QStringList names;
        if (ProfileFormat::modelNames(in, &names)) {
            for (const QString& name : qAsConst(names))
                advanceViewDialog->addComboItem(name);
        } else {
            // No model of a file that is not what it should be: the reset would read the same file.
            Prompt::critical(nullptr, tr("Error"),
                             tr("Product information error, please contact the manufacturer!"),
                             QMessageBox::Ok);
        }
    }
    loginViewDialog->exec();
}

void MainWindow::showAdminView()
{
    stdoutTrace() << "Display OTP value..." << Qt::endl;
    AdvanceSettingDef settings;
    settings.otpEnable = progData.OTP_Enable != 0;
    settings.moduleOperationHours = progData.moduleOperationTime_hrs;
    advanceViewDialog->setCheckBox(settings);
    advanceViewDialog->exec();
}

void MainWindow::adminSettingDone(bool enable)
{
    progData.OTP_Enable = enable ? 1 : 0;
    stdoutTrace() << "OTP value collected..." << Qt::endl;
}

void MainWindow::NFC_factoryReset(int index)
{
    if (index == 0) {
        Prompt::information(nullptr, tr("Error"), tr("No this product, please select the correct product!"),
                            QMessageBox::Ok);
        return;
    }
    QFile file(QString::fromLatin1(FACTORY_INFO_FILE));
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        Prompt::information(nullptr, tr("Failed to open product properties file"), file.errorString(),
                            QMessageBox::Ok);
        return;
    }
    stdoutTrace() << "Reloading factory reset product file list" << Qt::endl;

    // The block is read into a copy and used only whole: a short or damaged block, or one that
    // runs into the next model's, must not leave a mix of two models behind.
    ProgDataStructDef factory = progData;
    QTextStream in(&file);
    const QString header = ProfileFormat::findHeader(in, index);
    const bool complete = !header.isNull() && ProfileFormat::readBlock(header, in, factory);
    file.close();
    if (!complete) {
        Prompt::critical(nullptr, tr("Error"), tr("Product information error, please contact the manufacturer!"),
                         QMessageBox::Ok);
        return;
    }
    for (const QString& dumpLine : factoryDumpLines(factory))
        stdoutTrace() << dumpLine << Qt::endl;

    ProgEngine* engine = currentProgrammingEngine();
    if (!engine)
        return;
    if (!engine->hasFactoryReset()) {
        Prompt::information(nullptr, tr("Warning"),
                            tr("The selected programming tool doesn't support factory reset function!"),
                            QMessageBox::Ok);
        return;
    }
    progData = factory;
    engine->writeRecord() = progData;
    engine->factoryReset();
}
