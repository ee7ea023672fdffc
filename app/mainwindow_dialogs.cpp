// Setting dialogs of the Programming tab and the administrator flow.

#include "mainwindow.h"

#include "advanceview.h"
#include "globals.h"
#include "loginview.h"
#include "profileformat.h"
#include "prompt.h"
#include "ui_mainwindow.h"

#include <QFile>
#include <QStringList>
#include <QTextStream>

namespace {

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

void MainWindow::smartDimCurvePushBtn_clicked()
{
}

void MainWindow::analogDimCurvePushBtn_clicked()
{
}

void MainWindow::corridorCurvePushBtn_clicked()
{
}

void MainWindow::mtpShowCurvePushBtn_clicked()
{
}

void MainWindow::cloShowCurvePushBtn_clicked()
{
}

void MainWindow::DT6PushBtn_clicked()
{
}

void MainWindow::part250PushBtn_clicked()
{
}

void MainWindow::part251PushBtn_clicked()
{
}

void MainWindow::part253PushBtn_clicked()
{
}

// ---- Their results --------------------------------------------------------------------------------

void MainWindow::analogDimCurveDone(dimcurve::DimSettings settings)
{
    Q_UNUSED(settings)
}

void MainWindow::mtpCurveDone(mtpcurve::MTPSettings settings)
{
    Q_UNUSED(settings)
}

void MainWindow::corridorCurveDone(corridor_curve::CorridorSettings settings)
{
    Q_UNUSED(settings)
}

void MainWindow::smartCurveDone()
{
}

void MainWindow::DT6Done(ProgDataStructDef& data)
{
    Q_UNUSED(data)
}

void MainWindow::part250Done(ProgDataStructDef& data)
{
    Q_UNUSED(data)
}

void MainWindow::part251Done(ProgDataStructDef& data)
{
    Q_UNUSED(data)
}

void MainWindow::part253Done(ProgDataStructDef& data)
{
    Q_UNUSED(data)
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
        QString line;
        while (in.readLineInto(&line)) {
            if (ProfileFormat::isHeaderLine(line))
                advanceViewDialog->addComboItem(ProfileFormat::modelName(line));
        }
    }
    loginViewDialog->exec();
}

void MainWindow::showAdminView()
{
    QTextStream(stdout) << "Display OTP value..." << Qt::endl;
    AdvanceSettingDef settings;
    settings.otpEnable = progData.OTP_Enable != 0;
    settings.moduleOperationHours = progData.moduleOperationTime_hrs;
    advanceViewDialog->setCheckBox(settings);
    advanceViewDialog->exec();
}

void MainWindow::adminSettingDone(bool enable)
{
    progData.OTP_Enable = enable ? 1 : 0;
    QTextStream(stdout) << "OTP value collected..." << Qt::endl;
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
    QTextStream out(stdout);
    out << "Reloading factory reset product file list" << Qt::endl;

    // The block is read into a copy and used only whole: a short or damaged block, or one that
    // runs into the next model's, must not leave a mix of two models behind.
    ProgDataStructDef factory = progData;
    bool complete = false;
    QTextStream in(&file);
    QString line;
    for (int headers = 0; in.readLineInto(&line);) {
        if (ProfileFormat::isHeaderLine(line) && ++headers == index) {
            complete = ProfileFormat::readBlock(line, in, factory);
            break;
        }
    }
    file.close();
    if (!complete) {
        Prompt::critical(nullptr, tr("Error"), tr("Product information error, please contact the manufacturer!"),
                         QMessageBox::Ok);
        return;
    }
    for (const QString& dumpLine : factoryDumpLines(factory))
        out << dumpLine << Qt::endl;

    switch (programToolIndex) {
    case PROG_TOOL_FEIG_NFC:
        progData = factory;
        feigNfc.writeRecord() = progData;
        feigNfc.factoryReset();
        break;
    case PROG_TOOL_ST_NFC:
        progData = factory;
        stNfc.writeRecord() = progData;
        stNfc.factoryReset();
        break;
    case PROG_TOOL_DALI:
    case PROG_TOOL_IPROG:
        Prompt::information(nullptr, tr("Warning"),
                            tr("The selected programming tool doesn't support factory reset function!"),
                            QMessageBox::Ok);
        break;
    default:
        break;
    }
}
