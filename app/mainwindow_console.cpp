// DALI Control tab: single commands, the command sequence table and its workbook.

#include "mainwindow.h"

#include "daliframe.h"
#include "prompt.h"
#include "stdouttrace.h"
#include "sheetrows.h"
#include "tableworkbook.h"
#include "ui_mainwindow.h"
#include "xlsxdocument.h"

#include <QSignalBlocker>
#include <QTableWidget>
#include <QTableWidgetItem>

namespace {

// Entries of the link's command-name lists start with the three-digit number and a blank
// ("350 DAPC"); the console shows only the name.
constexpr int COMMAND_NUMBER_PREFIX = 4;
// Below this a typed number may still be the start of a longer one.
constexpr int LAST_INCOMPLETE_COMMAND = 99;

// The target when no kind of address is chosen, and when the typed address is out of range.
constexpr int ADDRESS_NONE = 0xFF;
constexpr int ADDRESS_INVALID = -1;

// The engine's "no value" for a sequence item; the engine and the link send nothing for it.
constexpr int ITEM_NONE = -1;

// First byte of the DALI tool's answer to a query whose backward frame came back corrupted.
constexpr quint8 ANSWER_TOOL_ERROR = 0x05;

// Sequence table columns.
constexpr int COL_NUMBER = 0;
constexpr int COL_COMMAND = 1;
constexpr int COL_ADDRESS = 3;
constexpr int COL_DATA = 4;
constexpr int COL_DELAY = 5;
constexpr int COL_RESPONSE = 6;
constexpr int SEQUENCE_COLUMNS = 7;

const char BROADCAST_TEXT[] = "Broadcast";
const char GROUP_PREFIX[] = "Group ";
const char SHORT_PREFIX[] = "Addr ";
const char START_TEXT[] = "Start";
const char STOP_TEXT[] = "Stop";
const char INVALID_ROW_TEXT[] =
    "Warning: Invalid Command is detected, will be stopped due to the empty of Cmd ID and/or Address";

// Puts the entry back on DAPC. The device type 8 list has no DAPC name: the name box is left
// blank there rather than showing another command's name beside the number that goes out.
void showDefaultCommand(Ui_MainWindow* ui, const QList<int>& numbers)
{
    const QSignalBlocker blocker(ui->cmdComboBox);
    ui->cmdComboBox->setCurrentIndex(numbers.indexOf(DALI_CMD_DAPC));
    ui->cmdLineEdit->setText(QString::number(DALI_CMD_DAPC));
}


// The fields read commands, data and addresses as signed 16-bit decimals; value is left as it
// was when the text is not one.
bool parseShort(const QString& text, int* value)
{
    bool ok = false;
    const short n = text.toShort(&ok, 10);
    if (ok)
        *value = n;
    return ok;
}

// "Group N" / "Addr N" with N a number in 0..last; the number is written to n.
bool parseAddressNumber(const QString& text, int last, int* n)
{
    int value = 0;
    if (!parseShort(text, &value) || value < 0 || value > last)
        return false;
    *n = value;
    return true;
}

QString rangeWarningText(bool group)
{
    return group ? QString::fromUtf8("Group address should be in range of 0~15\xEF\xBC\x81")
                 : QString::fromUtf8("Short address should be in range of 0~63\xEF\xBC\x81");
}

// The address entry while a group or short address is chosen: a number outside the range, on
// either side, is refused at once. Text that is not (yet) a number is left to the user, who may
// be about to type one; a send refuses it.
void checkAddressEntry(MainWindow* window, Ui_MainWindow* ui)
{
    const bool group = ui->groupAddrRadioButton->isChecked();
    const bool single = ui->shortAddrRadioButton->isChecked();
    if (!group && !single)
        return;
    bool ok = false;
    const qlonglong n = ui->addrLineEdit->text().toLongLong(&ok, 10);
    const qlonglong last = group ? DALI_GROUP_ADDRESS_LAST : DALI_SHORT_ADDRESS_LAST;
    if (!ok || (n >= 0 && n <= last))
        return;
    Prompt::warning(window, QStringLiteral("Warning"), rangeWarningText(group), QMessageBox::Ok);
    ui->addrLineEdit->setText(QStringLiteral("0"));
}

void renumberRows(QTableWidget* table, int rows)
{
    for (int row = 0; row < rows && row < table->rowCount(); ++row)
        table->setItem(row, COL_NUMBER, new QTableWidgetItem(QString::number(row + 1)));
}

QString cellText(const QTableWidget* table, int row, int column)
{
    const QTableWidgetItem* item = table->item(row, column);
    return item ? item->text() : QString();
}

// Moves one row of the table to before row `to`, keeping the moved row selected. A move that
// would leave the table (up from the first row, down from the last) changes nothing.
void moveTableRow(QTableWidget* table, int from, int to)
{
    table->setFocus();
    // from must name an existing row: inserting for a row that is not there would leave an
    // empty row behind.
    if (from == to || from < 0 || to < 0 || from >= table->rowCount() || to > table->rowCount())
        return;
    table->insertRow(to);
    const int source = from > to ? from + 1 : from;
    for (int column = 0; column < table->columnCount(); ++column)
        table->setItem(to, column, table->takeItem(source, column));
    table->removeRow(source);
    table->setCurrentCell(to > source ? to - 1 : to, 0);
}

// One table row as the engine takes it. A row is valid only when every cell says exactly what
// goes on the bus: a mistyped cell must never become OFF, address 0 or a broadcast.
struct SequenceRow
{
    int cmd = ITEM_NONE;
    int addr = ITEM_NONE;
    int para = ITEM_NONE;
    int delay = 0;
    bool valid = false;
};

SequenceRow readSequenceRow(const QTableWidget* table, int row, int dtMode)
{
    SequenceRow r;
    const QString delayText = cellText(table, row, COL_DELAY).trimmed();
    bool delayOk = true;
    if (!delayText.isEmpty())
        r.delay = delayText.toInt(&delayOk, 10); // 0 when not a number
    if (!delayOk)
        return r;

    int cmd = 0;
    if (!parseShort(cellText(table, row, COL_COMMAND), &cmd))
        return r;

    const QString addressText = cellText(table, row, COL_ADDRESS);
    int addr = ITEM_NONE;
    int n = 0;
    if (addressText == QLatin1String(BROADCAST_TEXT))
        addr = DALI_ADDR_BROADCAST;
    else if (addressText.startsWith(QLatin1String(GROUP_PREFIX))
             && parseAddressNumber(addressText.mid(int(qstrlen(GROUP_PREFIX))), DALI_GROUP_ADDRESS_LAST, &n))
        addr = DALI_ADDR_GROUP_FIRST + 2 * n;
    else if (addressText.startsWith(QLatin1String(SHORT_PREFIX))
             && parseAddressNumber(addressText.mid(int(qstrlen(SHORT_PREFIX))), DALI_SHORT_ADDRESS_LAST, &n))
        addr = 2 * n;
    else
        return r;

    const QString dataText = cellText(table, row, COL_DATA);
    int para = ITEM_NONE;
    if (!dataText.isEmpty()) {
        if (!parseShort(dataText, &para) || para < 0 || para > DALI_DATA_BYTE_MAX)
            return r;
    } else if (daliCommandHasParameter(dtMode, cmd)) {
        return r;
    }

    // A number the current command set has no frame for sends nothing; say so before the run
    // halts on it rather than after.
    int frame[3];
    if (!encodeDaliFrame(dtMode, cmd, addr, para, frame))
        return r;

    r.cmd = cmd;
    r.addr = addr;
    r.para = para;
    r.valid = true;
    return r;
}

} // namespace

// ---- Command number and name -----------------------------------------------------------------------

void MainWindow::deviceTypeChanged(int type)
{
    serialComm.setCommandTable(type);
    daliConsole.setDtMode(type);
    stdoutTrace() << "Device type changed, current device type: " << type << Qt::endl;
    stdoutTrace() << "combobox item cnt: " << ui->cmdComboBox->count() << Qt::endl;
    {
        const QSignalBlocker blocker(ui->cmdComboBox);
        for (int i = ui->cmdComboBox->count() - 1; i >= 0; --i)
            ui->cmdComboBox->removeItem(i);
        QStringList names;
        for (const QString& entry : serialComm.currentCommandNames())
            names << entry.mid(COMMAND_NUMBER_PREFIX);
        ui->cmdComboBox->insertItems(0, names);
    }
    showDefaultCommand(ui, serialComm.currentCommandNumbers());
    cmdEntrySynced = true;
}

void MainWindow::cmdLineEditedProcess()
{
    const int n = ui->cmdLineEdit->text().toInt();
    const int index = serialComm.currentCommandNumbers().indexOf(n);
    const QSignalBlocker blocker(ui->cmdComboBox);
    if (index >= 0) {
        cmdEntrySynced = true;
        ui->cmdComboBox->setCurrentIndex(index);
    } else if (n <= LAST_INCOMPLETE_COMMAND) {
        cmdEntrySynced = false;
    } else {
        cmdEntrySynced = true;
        showDefaultCommand(ui, serialComm.currentCommandNumbers());
    }
}

void MainWindow::cmdLineEditFinishProcess()
{
    if (cmdEntrySynced)
        return;
    const int n = ui->cmdLineEdit->text().toInt();
    const int index = serialComm.currentCommandNumbers().indexOf(n);
    const QSignalBlocker blocker(ui->cmdComboBox);
    if (index >= 0) {
        ui->cmdComboBox->setCurrentIndex(index);
    } else {
        showDefaultCommand(ui, serialComm.currentCommandNumbers());
    }
    cmdEntrySynced = true;
}

void MainWindow::cmdComboBoxSelectedProcess()
{
    const int index = ui->cmdComboBox->currentIndex();
    const QList<int>& numbers = serialComm.currentCommandNumbers();
    if (index >= 0 && index < numbers.size())
        ui->cmdLineEdit->setText(QString::number(numbers.at(index)));
}

// ---- Address -------------------------------------------------------------------------------------

namespace {

// The three address radios are made exclusive by hand; the number entry serves group and short
// addresses only.
void chooseAddressKind(Ui_MainWindow* ui, QRadioButton* chosen)
{
    for (QRadioButton* radio : {ui->broadcastRadioButton, ui->groupAddrRadioButton, ui->shortAddrRadioButton}) {
        if (radio != chosen)
            radio->setChecked(false);
    }
    ui->addrLineEdit->setEnabled(chosen != ui->broadcastRadioButton);
}

} // namespace

void MainWindow::broadcastAddrRatioButton_checked()
{
    chooseAddressKind(ui, ui->broadcastRadioButton);
}

void MainWindow::groupAddrRatioButton_checked()
{
    chooseAddressKind(ui, ui->groupAddrRadioButton);
    checkAddressEntry(this, ui);
}

void MainWindow::shortAddrRatioButton_checked()
{
    chooseAddressKind(ui, ui->shortAddrRadioButton);
    checkAddressEntry(this, ui);
}

void MainWindow::addrLineEditChange()
{
    checkAddressEntry(this, ui);
}

int MainWindow::consoleTargetAddress()
{
    if (ui->broadcastRadioButton->isChecked())
        return DALI_ADDR_BROADCAST;
    int n = 0;
    if (ui->groupAddrRadioButton->isChecked()) {
        if (!parseAddressNumber(ui->addrLineEdit->text(), DALI_GROUP_ADDRESS_LAST, &n))
            return ADDRESS_INVALID;
        return DALI_ADDR_GROUP_FIRST + 2 * n;
    }
    if (ui->shortAddrRadioButton->isChecked()) {
        if (!parseAddressNumber(ui->addrLineEdit->text(), DALI_SHORT_ADDRESS_LAST, &n))
            return ADDRESS_INVALID;
        return 2 * n;
    }
    return ADDRESS_NONE;
}

// ---- Single command ------------------------------------------------------------------------------

void MainWindow::sendPushBtn_clicked()
{
    // Until this command's answer is in, an earlier answer must not stand beside it: a tool that
    // never answers would leave it there as if it were this one's.
    ui->daliResponseLineEdit->setText(QStringLiteral("-----"));
    const int addr = consoleTargetAddress();
    if (addr == ADDRESS_INVALID) {
        // An empty or mistyped address must not fall back to group or device 0.
        ui->sendLineEdit->clear();
        Prompt::warning(this, QStringLiteral("Warning"), rangeWarningText(ui->groupAddrRadioButton->isChecked()),
                        QMessageBox::Ok);
        ui->addrLineEdit->setText(QStringLiteral("0"));
        return;
    }
    // A field that is not a number is sent as no value, which the engine refuses, rather than as
    // 0: command 0 is OFF and data 0 switches the lamp off with DAPC.
    int cmd = ITEM_NONE;
    int para = ITEM_NONE;
    parseShort(ui->cmdLineEdit->text(), &cmd);
    parseShort(ui->paraLineEdit->text(), &para);

    bool emitted = false;
    bool turnedAway = false; // by the link, while it looks for the tool
    const QMetaObject::Connection emitWatch =
        connect(&daliConsole, &DaliConsole::sendCommand, this, [&emitted] { emitted = true; });
    const QMetaObject::Connection turnAwayWatch =
        connect(&daliConsole, &DaliConsole::commandNotSent, this, [&turnedAway] { turnedAway = true; });
    daliConsole.setMode(DaliConsole::CONSOLE_MODE_SINGLE);
    daliConsole.setSingleCommand(cmd, addr, para);
    daliConsole.send();
    disconnect(emitWatch);
    disconnect(turnAwayWatch);

    // The link keeps the last frame it sent; when nothing went out that is an older command's
    // frame, and showing it would pass it off as this one. The engine checks against the link's
    // command set, so what it emits the link encodes.
    if (!emitted || turnedAway) {
        ui->sendLineEdit->clear();
        return;
    }
    const std::array<int, 3> sent = serialComm.lastDaliFrame();
    ui->sendLineEdit->setText(QStringLiteral("%1 %2 %3")
                                  .arg(sent[0] & 0xFF, 2, 16, QLatin1Char('0'))
                                  .arg(sent[1] & 0xFF, 2, 16, QLatin1Char('0'))
                                  .arg(sent[2] & 0xFF, 2, 16, QLatin1Char('0'))
                                  .toUpper());
}

// ---- Sequence table --------------------------------------------------------------------------------

namespace {

// The texts of a new row, columns 1 to 6, from the single-command fields.
QStringList newRowTexts(Ui_MainWindow* ui)
{
    QString address;
    if (ui->broadcastRadioButton->isChecked())
        address = QLatin1String(BROADCAST_TEXT);
    else if (ui->groupAddrRadioButton->isChecked())
        address = QLatin1String(GROUP_PREFIX) + ui->addrLineEdit->text();
    else if (ui->shortAddrRadioButton->isChecked())
        address = QLatin1String(SHORT_PREFIX) + ui->addrLineEdit->text();

    int cmd = 0;
    QString data;
    if (parseShort(ui->cmdLineEdit->text(), &cmd)
        && daliCommandHasParameter(ui->deviceTypeComboBox->currentIndex(), cmd))
        data = ui->paraLineEdit->text();

    return {ui->cmdLineEdit->text(), ui->cmdComboBox->currentText(), address, data,
            QString::number(ui->delayTimeSpinBox->value()), QString()};
}

void fillRow(QTableWidget* table, int row, const QStringList& texts)
{
    for (int column = COL_COMMAND; column < SEQUENCE_COLUMNS; ++column)
        table->setItem(row, column, new QTableWidgetItem(texts.at(column - COL_COMMAND)));
}

} // namespace

void MainWindow::addSeqCmdPushBtn_clicked()
{
    QTableWidget* table = ui->cmdSeqTableWidget;
    const QStringList texts = newRowTexts(ui);
    seqRowCount += 1;
    table->setRowCount(seqRowCount);
    const int row = seqRowCount - 1;
    table->setItem(row, COL_NUMBER, new QTableWidgetItem(QString::number(seqRowCount)));
    fillRow(table, row, texts);
}

void MainWindow::insertSeqCmdPushBtn_clicked()
{
    QTableWidget* table = ui->cmdSeqTableWidget;
    const int row = table->currentRow();
    if (row < 0)
        return;
    const QStringList texts = newRowTexts(ui);
    table->insertRow(row);
    seqRowCount = table->rowCount();
    renumberRows(table, seqRowCount);
    fillRow(table, row, texts);
}

void MainWindow::delSeqCmdPushBtn_clicked()
{
    QTableWidget* table = ui->cmdSeqTableWidget;
    const int row = table->currentRow();
    if (row < 0)
        return;
    table->removeRow(row);
    seqRowCount = table->rowCount();
    renumberRows(table, seqRowCount);
}

void MainWindow::seqCmdMoveUpPushBtn_clicked()
{
    QTableWidget* table = ui->cmdSeqTableWidget;
    const int row = table->currentRow();
    moveTableRow(table, row, row - 1);
    renumberRows(table, seqRowCount);
}

void MainWindow::seqCmdMoveDownPushBtn_clicked()
{
    QTableWidget* table = ui->cmdSeqTableWidget;
    const int row = table->currentRow();
    moveTableRow(table, row, row + 2);
    renumberRows(table, seqRowCount);
}

// ---- Running the sequence --------------------------------------------------------------------------

void MainWindow::buildSequenceCommand()
{
    daliConsole.clearCmdSequence();
    const QTableWidget* table = ui->cmdSeqTableWidget;
    const int dtMode = serialComm.currentDtMode();
    bool invalidFound = false;
    for (int row = 0; row < table->rowCount(); ++row) {
        const SequenceRow r = readSequenceRow(table, row, dtMode);
        if (!r.valid)
            invalidFound = true;
        // An invalid row stays in the sequence as an item the engine will not send, so the run
        // halts on it with its row selected.
        daliConsole.addCmdSequenceItem(r.cmd, r.addr, r.para, r.delay);
    }
    if (invalidFound) {
        ui->cloErrorLabel->setText(QLatin1String(INVALID_ROW_TEXT));
        ui->cloErrorLabel->show();
    } else {
        ui->cloErrorLabel->hide();
    }
}

void MainWindow::startSendSeqCmdPushBtn_clicked()
{
    QPushButton* button = ui->seqStartPushButton;
    if (button->text() != QLatin1String(START_TEXT)) {
        // Stopping needs neither rows nor the tool: a run must be stoppable after the tool is
        // lost or the table was emptied.
        stdoutTrace() << "Stop to send cmd sequence... " << Qt::endl;
        daliConsole.stop();
        button->setText(QLatin1String(START_TEXT));
        return;
    }
    if (seqRowCount == 0)
        return;
    if (toolConnectionState != 1) {
        Prompt::warning(nullptr, QStringLiteral("Send command sequence failed"),
                        QStringLiteral("Please check tool connection!"), QMessageBox::Ok, QMessageBox::Ok);
        return;
    }
    stdoutTrace() << "Start to send cmd sequence... " << Qt::endl;
    buildSequenceCommand();
    daliConsole.setLoop(ui->seqLoopCheckBox->isChecked() ? 1 : 0);
    daliConsole.setMode(DaliConsole::CONSOLE_MODE_RUN);
    // Before send(): a sequence that is already past its end finishes inside send(), and its
    // finish must leave the button reading "Start".
    button->setText(QLatin1String(STOP_TEXT));
    daliConsole.send();
}

void MainWindow::singleStepSeqCmdPushBtn_clicked()
{
    if (seqRowCount == 0)
        return;
    buildSequenceCommand();
    daliConsole.setLoop(ui->seqLoopCheckBox->isChecked() ? 1 : 0);
    daliConsole.setMode(DaliConsole::CONSOLE_MODE_STEP);
    daliConsole.send();
}

void MainWindow::cmdSeqFinishProcess()
{
    ui->seqStartPushButton->setText(QLatin1String(START_TEXT));
}

void MainWindow::consoleCommandNotSent(bool sequenceItem)
{
    Prompt::warning(nullptr,
                    sequenceItem ? QStringLiteral("Send command sequence failed") : QStringLiteral("Send command failed"),
                    QStringLiteral("Please check tool connection!"), QMessageBox::Ok, QMessageBox::Ok);
}

void MainWindow::updateCmdSequenceItemDisplay(int row)
{
    QTableWidget* table = ui->cmdSeqTableWidget;
    if (row >= 0 && row < table->rowCount())
        table->setCurrentCell(row, 0);
}

void MainWindow::cmdSequenceItemSelectionChanged()
{
    const int row = ui->cmdSeqTableWidget->currentRow();
    stdoutTrace() << QStringLiteral("row %1 selected").arg(row) << Qt::endl;
    daliConsole.setCurrentIndex(row + 1);
}

void MainWindow::processDaliConsoleDisplay(QByteArray data)
{
    stdoutTrace() << "dali console data: " << data.toHex().toUpper() << Qt::endl;
    QString text;
    // No data at all is a command the tool never answered, whatever its frame class.
    if (data.isEmpty())
        text = QStringLiteral("timeout(NO)");
    else if (serialComm.lastDaliFrame()[2] != DALI_FRAME_QUERY)
        text = QStringLiteral("----");
    else if (data.size() >= 2 && data.at(0) == DALI_ANSWER_OK)
        text = QStringLiteral("0x") + QStringLiteral("%1").arg(quint8(data.at(1)), 2, 16, QLatin1Char('0')).toUpper();
    else if (!data.isEmpty() && quint8(data.at(0)) == ANSWER_TOOL_ERROR)
        text = QStringLiteral("Tool err.");
    else
        text = QStringLiteral("timeout(NO)");
    ui->daliResponseLineEdit->setText(text);

    const int mode = daliConsole.mode();
    if (mode != DaliConsole::CONSOLE_MODE_RUN && mode != DaliConsole::CONSOLE_MODE_STEP)
        return;
    // The engine's index already points past the item this answers.
    const int row = daliConsole.currentIndex() - 2;
    QTableWidget* table = ui->cmdSeqTableWidget;
    if (row >= 0 && row < table->rowCount())
        table->setItem(row, COL_RESPONSE, new QTableWidgetItem(text));
}

// ---- Command sequence workbook --------------------------------------------------------------------

namespace {

const TableWorkbookLayout SEQUENCE_WORKBOOK = {
    "start save command sequence...",
    "Save command sequence",
    "CommandSequence.xlsx",
    {"No.", "Cmd ID", "Command Discription", "Address", "Data", "Delay", "Response"},
    {8, 15, 60, 20, 10, 10, 13},
};

// The longest sequence the tab loads: every one of the 256 command numbers sent to every one of
// the 64 short addresses. Rows are added one by one and sent one per answer, so no real sequence
// comes near it, while a table of this size still loads in a blink; a sheet that runs further down
// is no sequence and is refused rather than freezing the window while a million rows are made.
constexpr int MAX_SEQUENCE_ROWS = 256 * 64;

} // namespace

void MainWindow::saveCommandSequence()
{
    saveTableWorkbook(this, ui->cmdSeqTableWidget, SEQUENCE_WORKBOOK);
}

void MainWindow::openCommandSequence()
{
    const QString fileName = Prompt::getOpenFileName(this, QStringLiteral("Open command sequence"), QString(),
                                                     QString::fromLatin1(WORKBOOK_FILTER),
                                                     QString::fromLatin1(WORKBOOK_SUFFIX));
    if (fileName.isEmpty() || !hasWorkbookSuffix(fileName))
        return;
    // Row 1 is the header.
    const QXlsx::Document book(fileName, MAX_SEQUENCE_ROWS + 1);
    // A legacy binary .xls, a damaged file or a sheet far longer than any sequence has no rows to
    // give; emptying the table for it would throw away the sequence the user still has.
    if (!book.isLoadPackage()) {
        Prompt::warning(this, QStringLiteral("Warning"),
                        QStringLiteral("Open file failed! %1 is not a readable .xlsx workbook.").arg(fileName));
        return;
    }
    stdoutTrace() << "start load command sequence" << Qt::endl;
    const SheetRows rows = sheetRows(book, SEQUENCE_COLUMNS);
    stdoutTrace() << "total rows: " << rows.lastRow << Qt::endl;

    // Row 1 is the header; a sheet without values, or with the header alone, is an empty sequence.
    QTableWidget* table = ui->cmdSeqTableWidget;
    table->clearContents();
    table->setRowCount(rows.rowCount());
    seqRowCount = rows.rowCount();
    for (const SheetRows::Row& row : rows.rows) {
        for (int column = 0; column < SEQUENCE_COLUMNS; ++column)
            table->setItem(row.row, column, new QTableWidgetItem(row.texts.at(column)));
    }
}
