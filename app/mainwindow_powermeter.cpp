// Power Meter tab: one or periodic reads of a gear's energy banks, the readings table and its
// workbook.

#include "mainwindow.h"

#include "daliframe.h"
#include "prompt.h"
#include "stdouttrace.h"
#include "tableworkbook.h"
#include "ui_mainwindow.h"

#include <QDateTime>
#include <QPalette>
#include <QTableWidgetItem>
#include <QTimer>

namespace {

constexpr int MONITOR_ROW_HEIGHT = 25;
constexpr int MS_PER_SECOND = 1000;

// The address byte (selector bit clear) read when neither kind of address is chosen: short
// address 0.
constexpr int UNCHOSEN_ADDRESS_BYTE = 0;

// Table columns; the values [k] of a report go to column k + 1.
constexpr int COL_TIME = 0;

const char TIME_FORMAT[] = "MM-dd hh:mm:ss";
constexpr int VALUE_DECIMALS = 3;
const char FIELD_NOT_AVAILABLE[] = "---";
const char CELL_NOT_AVAILABLE[] = "na";

// The typed short address; false when the text is not a number.
bool typedShortAddress(const QString& text, qlonglong* n)
{
    bool ok = false;
    *n = text.toLongLong(&ok, 10);
    return ok;
}

// The address entry: a number outside 0..63, on either side, is refused at once. Text that is
// not a number passes: it may be the start of one, and a read takes it as 0.
void checkShortAddressEntry(MainWindow* window, Ui_MainWindow* ui)
{
    qlonglong n = 0;
    if (!typedShortAddress(ui->addrLineEdit_2->text(), &n) || (n >= 0 && n <= DALI_SHORT_ADDRESS_LAST))
        return;
    Prompt::warning(window, QStringLiteral("Warning"),
                    QString::fromUtf8("Short address should be in range of 0~63\xEF\xBC\x81"), QMessageBox::Ok);
    ui->addrLineEdit_2->setText(QStringLiteral("0"));
}

void setTextColour(QLineEdit* field, Qt::GlobalColor colour)
{
    QPalette palette = field->palette();
    palette.setColor(QPalette::Text, colour);
    field->setPalette(palette);
}

} // namespace

void MainWindow::readPowerPushBtn_clicked()
{
    if (autoReadTimer->isActive()) {
        stopAutoRead();
        powerMonitor.stopRead();
        return;
    }

    int addressByte = UNCHOSEN_ADDRESS_BYTE;
    if (ui->broadcastRadioButton_2->isChecked()) {
        addressByte = DALI_ADDR_BROADCAST;
    } else if (ui->shortAddrRadioButton_2->isChecked()) {
        qlonglong n = 0;
        if (!typedShortAddress(ui->addrLineEdit_2->text(), &n))
            n = 0;
        addressByte = int(qBound(0LL, n, qlonglong(DALI_SHORT_ADDRESS_LAST)) * 2);
    }
    powerMonitor.setShortAddress(addressByte);
    startPowerRead();
    // A read refused (no tool) has shown why already; the last run's table stays for saving.
    if (!powerMonitor.isReading() || !ui->autoReadGroupBox->isChecked())
        return;
    // The first report of the cycle is an answer away, so the run is set up in time for it.
    autoReadTimer->start(ui->autoReadTimeSpinBox->value() * MS_PER_SECOND);
    readAction->setText(tr("Stop"));
    // A new run starts from empty rows: nothing of the last run may stand beside its readings
    // (a Time cell is written only with an active power).
    powerRowIndex = 0;
    ui->monitorTableWidget->setRowCount(0);
}

void MainWindow::stopAutoRead()
{
    if (!autoReadTimer->isActive())
        return;
    readAction->setText(tr("Read"));
    autoReadTimer->stop();
}

void MainWindow::powerMeterToolStateChange(int state)
{
    // The tool is gone, or the tab left (which ends the tool's found state too): no cycle can run
    // until Read is clicked again, and the button says so at once rather than at the next tick.
    if (state != 1)
        stopAutoRead();
}

void MainWindow::autoReadTimerProcess()
{
    // A slow gear can take longer than the interval; a second cycle on top of the first would
    // put two commands on the line at once.
    if (powerMonitor.isReading()) {
        stdoutTrace() << "Power meter still reading, interval skipped." << Qt::endl;
        return;
    }
    // The next cycle's row; a cycle that read nothing left none behind.
    powerRowIndex = ui->monitorTableWidget->rowCount();
    powerMonitor.startRead();
}

void MainWindow::processPowerMonitorDisplay(int type, double* data, uint masktype)
{
    QTableWidget* table = ui->monitorTableWidget;
    auto setCell = [this, table](int column, const QString& text) {
        // An automatic cycle gets its row with its first reading, so a cycle that read nothing
        // leaves no empty row to be saved.
        if (autoReadTimer->isActive() && powerRowIndex == table->rowCount()) {
            table->setRowCount(powerRowIndex + 1);
            table->setRowHeight(powerRowIndex, MONITOR_ROW_HEIGHT);
        }
        // A single read with no row to write to shows its values in the fields only.
        if (powerRowIndex < table->rowCount())
            table->setItem(powerRowIndex, column, new QTableWidgetItem(text));
    };
    auto show = [&](QLineEdit* field, int index, bool available) {
        const QString text = QString::number(data[index], 'f', VALUE_DECIMALS);
        field->setText(available ? text : QString::fromLatin1(FIELD_NOT_AVAILABLE));
        setCell(index + 1, available ? text : QString::fromLatin1(CELL_NOT_AVAILABLE));
    };

    switch (type) {
    case DaliPowerMonitor::POWER_TYPE_ACTIVE: {
        const bool powerAvailable = !(masktype & DaliPowerMonitor::MASK_ACTIVE_POWER);
        if (powerAvailable && autoReadTimer->isActive())
            setCell(COL_TIME, QDateTime::currentDateTime().toString(QString::fromLatin1(TIME_FORMAT)));
        show(ui->activePowerLineEdit, 0, powerAvailable);
        setTextColour(ui->activePowerLineEdit, Qt::blue);
        setTextColour(ui->loadSidePowerLineEdit, Qt::black);
        show(ui->activeEnergyLineEdit, 1, !(masktype & DaliPowerMonitor::MASK_ACTIVE_ENERGY));
        setTextColour(ui->activeEnergyLineEdit, Qt::blue);
        setTextColour(ui->loadSideEnergyLineEdit, Qt::black);
        break;
    }
    case DaliPowerMonitor::POWER_TYPE_APPARENT:
        show(ui->apparentPowerLineEdit, 2, !(masktype & DaliPowerMonitor::MASK_APPARENT_POWER));
        show(ui->apparentEnergyLineEdit, 3, !(masktype & DaliPowerMonitor::MASK_APPARENT_ENERGY));
        break;
    case DaliPowerMonitor::POWER_TYPE_LOAD_SIDE: {
        const bool powerAvailable = !(masktype & DaliPowerMonitor::MASK_LOAD_SIDE_POWER);
        show(ui->loadSidePowerLineEdit, 4, powerAvailable);
        show(ui->loadSideEnergyLineEdit, 5, powerAvailable && !(masktype & DaliPowerMonitor::MASK_LOAD_SIDE_ENERGY));
        break;
    }
    default:
        break;
    }
}

void MainWindow::processPowerDataReadResult(bool result)
{
    if (result)
        return;
    stopAutoRead();
    // A read that ended with the tool lost has its box already, the port error's; one cut short by
    // leaving the tab needs none.
    if (toolLossBoxCovers() || currentTabIndex != TAB_POWER_METER)
        return;
    Prompt::information(this, tr("Error"), tr("Read data failed! Please check connection."), QMessageBox::Ok);
}

void MainWindow::broadcastAddrRatioButton_2_checked()
{
    ui->shortAddrRadioButton_2->setChecked(false);
    ui->addrLineEdit_2->setEnabled(false);
}

void MainWindow::shortAddrRatioButton_2_checked()
{
    ui->broadcastRadioButton_2->setChecked(false);
    ui->addrLineEdit_2->setEnabled(true);
    checkShortAddressEntry(this, ui);
}

void MainWindow::addrLineEdit_2_Change()
{
    checkShortAddressEntry(this, ui);
}

void MainWindow::clearMonitorDataPushBtn_clecked()
{
    ui->monitorTableWidget->setRowCount(0);
}

void MainWindow::savePowerData()
{
    static const TableWorkbookLayout powerWorkbook = {
        "start to save power data...",
        "Save power data",
        "PowerDataRecord.xlsx",
        {"Time", "Active Power(W)", "Active Energy(Wh)", "Apparent Power(VA)", "Apparent Energy(VAh)",
         "Load side Power(W)", "Load side Energy(Wh)"},
        {20, 30, 30, 30, 30, 30, 30},
    };
    saveTableWorkbook(this, ui->monitorTableWidget, powerWorkbook);
}

void MainWindow::startPowerRead()
{
    powerMonitor.startRead();
}
