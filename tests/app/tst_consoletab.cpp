// The DALI Control tab of the real window without a tool: the command entry and its name list,
// the address entry, the sequence table and how its rows become the engine's sequence, and the
// texts an answer is shown as.

#include "mainwindow.h"

#include "mainwindow_testsupport.h"

#include <QSignalSpy>
#include <QtTest>
#include <QtWidgets>

#include <memory>

namespace {

const QByteArray PRODUCT_0 = "0,Kavro KLD-040-1050,40,1050,350,1,10,54.0,27.0,0,0703";

const QString GROUP_WARNING = QString::fromUtf8("warning|Warning|Group address should be in range of 0~15\xEF\xBC\x81");
const QString SHORT_WARNING = QString::fromUtf8("warning|Warning|Short address should be in range of 0~63\xEF\xBC\x81");
const QString INVALID_ROW =
    "Warning: Invalid Command is detected, will be stopped due to the empty of Cmd ID and/or Address";

} // namespace

class TestConsoleTab : public QObject, private WindowUnderTest
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void typedNumberFollowsName_data();
    void typedNumberFollowsName();
    void chosenNameWritesNumber_data();
    void chosenNameWritesNumber();
    void deviceTypeSwitchesList();
    void addressRangeCheckedBothWays_data();
    void addressRangeCheckedBothWays();
    void radioClickChecksAddress_data();
    void radioClickChecksAddress();
    void tableEditing_data();
    void tableEditing();
    void rowToSequenceItem_data();
    void rowToSequenceItem();
    void deviceTypeSwitchDuringDelay_data();
    void deviceTypeSwitchDuringDelay();
    void startNeedsToolAndRows();

private:
    QComboBox* names() const { return widget<QComboBox>("cmdComboBox"); }

    // The user types a command number into the entry, replacing what it held.
    void typeCommand(const QString& keys, bool leave);
    void typeAddress(const QString& keys);
    // "No.|Cmd|Name|Address|Data|Delay|Response" of every row.
    QStringList tableRows() const;
    void runStep(const QString& step);

    std::unique_ptr<WindowTestEnvironment> env;
};

void TestConsoleTab::initTestCase()
{
    Q_INIT_RESOURCE(resources);
}

void TestConsoleTab::init()
{
    env.reset(new WindowTestEnvironment);
    env->writeProductList({PRODUCT_0});
    window.reset(new MainWindow);
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    Prompt::clearLog();
}

void TestConsoleTab::cleanup()
{
    window.reset();
    env.reset();
}

void TestConsoleTab::typeCommand(const QString& keys, bool leave)
{
    QLineEdit* cmd = edit("cmdLineEdit");
    cmd->setFocus();
    cmd->setText(QString());
    QTest::keyClicks(cmd, keys);
    if (leave)
        QTest::keyClick(cmd, Qt::Key_Return);
}

void TestConsoleTab::typeAddress(const QString& keys)
{
    QLineEdit* addr = edit("addrLineEdit");
    addr->setText(QString());
    QTest::keyClicks(addr, keys);
}

QStringList TestConsoleTab::tableRows() const
{
    QStringList rows;
    QTableWidget* t = table();
    for (int row = 0; row < t->rowCount(); ++row) {
        QStringList cells;
        for (int column = 0; column < 7; ++column)
            cells << (t->item(row, column) ? t->item(row, column)->text() : QStringLiteral("<none>"));
        rows << cells.join(QLatin1Char('|'));
    }
    return rows;
}

// One editing step, as a user does it: "cmd N", "data X", "delay N", "broadcast", "group N",
// "short N", "select R" (0-based row), "add", "insert", "del", "up", "down".
void TestConsoleTab::runStep(const QString& step)
{
    const QString verb = step.section(QLatin1Char(' '), 0, 0);
    const QString arg = step.section(QLatin1Char(' '), 1);
    if (verb == "cmd") {
        typeCommand(arg, true);
    } else if (verb == "data") {
        edit("paraLineEdit")->setText(arg);
    } else if (verb == "delay") {
        widget<QSpinBox>("delayTimeSpinBox")->setValue(arg.toInt());
    } else if (verb == "broadcast") {
        widget<QRadioButton>("broadcastRadioButton")->click();
    } else if (verb == "group" || verb == "short") {
        widget<QRadioButton>(verb == "group" ? "groupAddrRadioButton" : "shortAddrRadioButton")->click();
        typeAddress(arg);
    } else if (verb == "select") {
        table()->setCurrentCell(arg.toInt(), 0);
    } else if (verb == "add") {
        button("seqCmdAddPushButton")->click();
    } else if (verb == "insert") {
        button("seqCmdInsertPushButton")->click();
    } else if (verb == "del") {
        button("seqCmdDelPushButton")->click();
    } else if (verb == "up") {
        button("seqCmdMoveUpPushButton")->click();
    } else if (verb == "down") {
        button("seqCmdMoveDownPushButton")->click();
    } else {
        QFAIL(qPrintable("unknown step " + step));
    }
}

void TestConsoleTab::typedNumberFollowsName_data()
{
    QTest::addColumn<int>("deviceType");
    QTest::addColumn<QString>("keys");
    QTest::addColumn<bool>("leave");
    QTest::addColumn<QString>("number");
    QTest::addColumn<QString>("name");

    QTest::newRow("1 is UP") << 0 << "1" << false << "1" << "UP";
    QTest::newRow("15 may grow, name stays") << 0 << "15" << false << "15" << "UP";
    QTest::newRow("150 found") << 0 << "150" << false << "150" << "QUERY MISSING SHORT ADDRESS";
    QTest::newRow("12 left unfinished") << 0 << "12" << true << "350" << "DAPC";
    QTest::newRow("5 left") << 0 << "5" << true << "5" << "RECALL MAX LEVEL";
    QTest::newRow("400 reset at once") << 0 << "400" << false << "350" << "DAPC";
    QTest::newRow("negative left") << 0 << "-3" << true << "350" << "DAPC";
    QTest::newRow("special command") << 0 << "257" << false << "257" << "DTR0*";
    QTest::newRow("224 on DT6") << 0 << "224" << false << "224" << "REFERENCE SYSTEM POWER";
    QTest::newRow("224 on DT8") << 1 << "224" << false << "224" << "SET TEMPORARY x-COORDINATE";
    // The device type 8 list has no DAPC: the entry goes back to DAPC with no name shown, not
    // beside the name of the list's first command.
    QTest::newRow("400 on DT8") << 1 << "400" << false << "350" << "";
    QTest::newRow("10 is not in DT8") << 1 << "10" << true << "350" << "";
}

void TestConsoleTab::typedNumberFollowsName()
{
    QFETCH(int, deviceType);
    QFETCH(QString, keys);
    QFETCH(bool, leave);
    QFETCH(QString, number);
    QFETCH(QString, name);

    widget<QComboBox>("deviceTypeComboBox")->setCurrentIndex(deviceType);
    typeCommand(keys, leave);
    QCOMPARE(edit("cmdLineEdit")->text(), number);
    QCOMPARE(names()->currentText(), name);
}

void TestConsoleTab::chosenNameWritesNumber_data()
{
    QTest::addColumn<int>("deviceType");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("number");

    QTest::newRow("query device type") << 0 << "QUERY DEVICE TYPE" << "153";
    QTest::newRow("go to scene 15") << 0 << "GO TO SCENE 15" << "31";
    QTest::newRow("write memory") << 0 << "WRITE MEMORY LOCATION (DTR1,DTR0,data)" << "275";
    QTest::newRow("DT8 colour value") << 1 << "QUERY COLOUR VALUE" << "250";
}

void TestConsoleTab::chosenNameWritesNumber()
{
    QFETCH(int, deviceType);
    QFETCH(QString, name);
    QFETCH(QString, number);

    widget<QComboBox>("deviceTypeComboBox")->setCurrentIndex(deviceType);
    const int index = names()->findText(name);
    QVERIFY(index >= 0);
    names()->setCurrentIndex(index);
    QCOMPARE(edit("cmdLineEdit")->text(), number);
    QCOMPARE(names()->currentText(), name);
}

void TestConsoleTab::deviceTypeSwitchesList()
{
    runStep("cmd 5");
    runStep("add");
    const QStringList rowsBefore = tableRows();
    typeCommand("153", false);

    widget<QComboBox>("deviceTypeComboBox")->setCurrentIndex(1);
    QCOMPARE(names()->count(), 198);
    QCOMPARE(names()->itemText(0), QStringLiteral("OFF"));
    QCOMPARE(names()->findText("DAPC"), -1);
    QCOMPARE(names()->findText("GO TO LAST ACTIVE LEVEL*"), -1);
    QVERIFY(names()->findText("SET TEMPORARY COLOUR TEMPERATURE Tc") >= 0);
    QCOMPARE(edit("cmdLineEdit")->text(), QStringLiteral("350"));
    QCOMPARE(names()->currentText(), QString());
    QCOMPARE(window->serialLink().currentDtMode(), 1);
    QCOMPARE(tableRows(), rowsBefore);

    widget<QComboBox>("deviceTypeComboBox")->setCurrentIndex(0);
    QCOMPARE(names()->count(), 190);
    QCOMPARE(names()->currentText(), QStringLiteral("DAPC"));
    QCOMPARE(names()->itemText(11), QStringLiteral("GO TO LAST ACTIVE LEVEL*"));
    QCOMPARE(edit("cmdLineEdit")->text(), QStringLiteral("350"));
    QCOMPARE(window->serialLink().currentDtMode(), 0);
    QCOMPARE(tableRows(), rowsBefore);
}

void TestConsoleTab::addressRangeCheckedBothWays_data()
{
    QTest::addColumn<QString>("radio");
    QTest::addColumn<QString>("keys");
    QTest::addColumn<QStringList>("boxes");
    QTest::addColumn<QString>("left");

    QTest::newRow("group 15") << "group" << "15" << QStringList() << "15";
    QTest::newRow("group 16") << "group" << "16" << QStringList{GROUP_WARNING} << "0";
    QTest::newRow("group -1") << "group" << "-1" << QStringList{GROUP_WARNING} << "0";
    QTest::newRow("short 63") << "short" << "63" << QStringList() << "63";
    QTest::newRow("short 64") << "short" << "64" << QStringList{SHORT_WARNING} << "0";
    QTest::newRow("short -1") << "short" << "-1" << QStringList{SHORT_WARNING} << "0";
    QTest::newRow("short -0") << "short" << "-0" << QStringList() << "-0";
    QTest::newRow("minus sign still being typed") << "short" << "-" << QStringList() << "-";
}

void TestConsoleTab::addressRangeCheckedBothWays()
{
    QFETCH(QString, radio);
    QFETCH(QString, keys);
    QFETCH(QStringList, boxes);
    QFETCH(QString, left);

    widget<QRadioButton>(radio == "group" ? "groupAddrRadioButton" : "shortAddrRadioButton")->click();
    QVERIFY(edit("addrLineEdit")->isEnabled());
    typeAddress(keys);
    QCOMPARE(promptTrace(), boxes);
    QCOMPARE(edit("addrLineEdit")->text(), left);
}

void TestConsoleTab::radioClickChecksAddress_data()
{
    QTest::addColumn<QString>("before");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("clicked");
    QTest::addColumn<QStringList>("boxes");
    QTest::addColumn<QString>("left");

    QTest::newRow("short 20 becomes group") << "short" << "20" << "group" << QStringList{GROUP_WARNING} << "0";
    QTest::newRow("short 12 becomes group") << "short" << "12" << "group" << QStringList() << "12";
    QTest::newRow("broadcast -5 becomes short") << "broadcast" << "-5" << "short" << QStringList{SHORT_WARNING}
                                                << "0";
    QTest::newRow("broadcast 64 becomes short") << "broadcast" << "64" << "short" << QStringList{SHORT_WARNING}
                                                << "0";
    QTest::newRow("group 9 becomes broadcast") << "group" << "9" << "broadcast" << QStringList() << "9";
}

void TestConsoleTab::radioClickChecksAddress()
{
    QFETCH(QString, before);
    QFETCH(QString, text);
    QFETCH(QString, clicked);
    QFETCH(QStringList, boxes);
    QFETCH(QString, left);

    auto radio = [this](const QString& kind) {
        return widget<QRadioButton>(kind == "group" ? "groupAddrRadioButton"
                                    : kind == "short" ? "shortAddrRadioButton"
                                                      : "broadcastRadioButton");
    };
    radio(before)->click();
    edit("addrLineEdit")->setText(text);
    Prompt::clearLog();
    radio(clicked)->click();
    QCOMPARE(promptTrace(), boxes);
    QCOMPARE(edit("addrLineEdit")->text(), left);
    QCOMPARE(edit("addrLineEdit")->isEnabled(), clicked != "broadcast");
    QCOMPARE(radio("group")->isChecked(), clicked == "group");
    QCOMPARE(radio("short")->isChecked(), clicked == "short");
    QCOMPARE(radio("broadcast")->isChecked(), clicked == "broadcast");
}

void TestConsoleTab::tableEditing_data()
{
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QStringList>("rows");
    QTest::addColumn<int>("selected");
    QTest::addColumn<int>("nextItem"); // the engine's next item afterwards; 0: not checked

    const QStringList threeRows{"cmd 5", "delay 10", "add", "cmd 6", "delay 20", "add", "cmd 0", "delay 30", "add"};
    const QString a = "RECALL MAX LEVEL|Broadcast||10|";
    const QString b = "RECALL MIN LEVEL|Broadcast||20|";
    const QString c = "OFF|Broadcast||30|";

    QTest::newRow("broadcast DAPC") << QStringList{"cmd 350", "data 100", "delay 50", "add"}
                                    << QStringList{"1|350|DAPC|Broadcast|100|50|"} << -1 << 0;
    QTest::newRow("command without data") << QStringList{"cmd 0", "data 77", "add"}
                                          << QStringList{"1|0|OFF|Broadcast||50|"} << -1 << 0;
    QTest::newRow("special command with data") << QStringList{"cmd 257", "data 42", "delay 0", "add"}
                                               << QStringList{"1|257|DTR0*|Broadcast|42|0|"} << -1 << 0;
    QTest::newRow("group and single") << QStringList{"cmd 5", "group 3", "add", "short 10", "add"}
                                      << QStringList{"1|5|RECALL MAX LEVEL|Group 3||50|",
                                                     "2|5|RECALL MAX LEVEL|Addr 10||50|"}
                                      << -1 << 0;
    QTest::newRow("three rows") << threeRows << QStringList{"1|5|" + a, "2|6|" + b, "3|0|" + c} << -1 << 0;
    QTest::newRow("insert before current")
        << threeRows + QStringList{"select 1", "cmd 153", "delay 40", "insert"}
        << QStringList{"1|5|" + a, "2|153|QUERY DEVICE TYPE|Broadcast||40|", "3|6|" + b, "4|0|" + c} << 2 << 2;
    QTest::newRow("insert without current row") << QStringList{"insert"} << QStringList() << -1 << 0;
    QTest::newRow("delete renumbers") << threeRows + QStringList{"select 0", "del"}
                                      << QStringList{"1|6|" + b, "2|0|" + c} << -1 << 2;
    QTest::newRow("delete without current row") << QStringList{"cmd 5", "add", "del"}
                                                << QStringList{"1|5|RECALL MAX LEVEL|Broadcast||50|"} << -1 << 0;
    QTest::newRow("second of three down") << threeRows + QStringList{"select 1", "down"}
                                          << QStringList{"1|5|" + a, "2|0|" + c, "3|6|" + b} << 2 << 3;
    QTest::newRow("second of three up") << threeRows + QStringList{"select 1", "up"}
                                        << QStringList{"1|6|" + b, "2|5|" + a, "3|0|" + c} << 0 << 1;
    QTest::newRow("last down stays") << threeRows + QStringList{"select 2", "down"}
                                     << QStringList{"1|5|" + a, "2|6|" + b, "3|0|" + c} << 2 << 3;
    QTest::newRow("first up stays") << threeRows + QStringList{"select 0", "up"}
                                    << QStringList{"1|5|" + a, "2|6|" + b, "3|0|" + c} << 0 << 1;
    QTest::newRow("down twice") << threeRows + QStringList{"select 0", "down", "down"}
                                << QStringList{"1|6|" + b, "2|0|" + c, "3|5|" + a} << 2 << 3;
    QTest::newRow("add after delete") << threeRows + QStringList{"select 2", "del", "cmd 1", "add"}
                                      << QStringList{"1|5|" + a, "2|6|" + b, "3|1|UP|Broadcast||30|"} << -1 << 2;
}

void TestConsoleTab::tableEditing()
{
    QFETCH(QStringList, steps);
    QFETCH(QStringList, rows);
    QFETCH(int, selected);
    QFETCH(int, nextItem);

    for (const QString& step : steps)
        runStep(step);
    QCOMPARE(tableRows(), rows);
    if (selected >= 0)
        QCOMPARE(table()->currentRow(), selected);
    // Only a selection change moves the next item: after an insert it is the new row, and a
    // delete leaves it where the selection passed on its way to the next row.
    if (nextItem > 0)
        QCOMPARE(window->consoleEngine().currentIndex(), nextItem);
}

void TestConsoleTab::rowToSequenceItem_data()
{
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QVariantList>("sent"); // cmd, addr, para; empty when nothing may go out

    const auto sent = [](int cmd, int addr, int para) { return QVariantList{cmd, addr, para, 1}; };
    QTest::newRow("broadcast") << 3 << "Broadcast" << sent(350, 0xFE, 100);
    QTest::newRow("group 0") << 3 << "Group 0" << sent(350, 0x80, 100);
    QTest::newRow("group 15") << 3 << "Group 15" << sent(350, 0x9E, 100);
    QTest::newRow("addr 0") << 3 << "Addr 0" << sent(350, 0x00, 100);
    QTest::newRow("addr 63") << 3 << "Addr 63" << sent(350, 0x7E, 100);
    QTest::newRow("group 16") << 3 << "Group 16" << QVariantList();
    QTest::newRow("group -1") << 3 << "Group -1" << QVariantList();
    QTest::newRow("addr 64") << 3 << "Addr 64" << QVariantList();
    QTest::newRow("addr -1") << 3 << "Addr -1" << QVariantList();
    QTest::newRow("addr typo") << 3 << "Addr 1O" << QVariantList();
    QTest::newRow("group without number") << 3 << "Group " << QVariantList();
    QTest::newRow("lower-case broadcast") << 3 << "broadcast" << QVariantList();
    QTest::newRow("address emptied") << 3 << "" << QVariantList();
    QTest::newRow("command emptied") << 1 << "" << QVariantList();
    QTest::newRow("command typo") << 1 << "35O" << QVariantList();
    QTest::newRow("command without frame") << 1 << "400" << QVariantList();
    QTest::newRow("DAPC data emptied") << 4 << "" << QVariantList();
    QTest::newRow("data typo") << 4 << "1OO" << QVariantList();
    QTest::newRow("data 256") << 4 << "256" << QVariantList();
    QTest::newRow("data -1") << 4 << "-1" << QVariantList();
    QTest::newRow("data 255") << 4 << "255" << sent(350, 0xFE, 255);
    QTest::newRow("delay typo") << 5 << "1O" << QVariantList();
}

void TestConsoleTab::rowToSequenceItem()
{
    QFETCH(int, column);
    QFETCH(QString, text);
    QFETCH(QVariantList, sent);

    for (const char* step : {"cmd 350", "data 100", "delay 0", "add"})
        runStep(QString::fromLatin1(step));
    table()->item(0, column)->setText(text);
    table()->clearSelection();
    table()->setCurrentCell(-1, -1);

    QSignalSpy engineSends(&window->consoleEngine(), &DaliConsole::sendCommand);
    button("seqSingleStepPushButton")->click();
    QLabel* errorLabel = widget<QLabel>("cloErrorLabel");
    // The item comes up either way: its row is selected whether or not it goes out.
    QCOMPARE(table()->currentRow(), 0);
    if (sent.isEmpty()) {
        QCOMPARE(engineSends.count(), 0);
        QVERIFY(!errorLabel->isHidden());
        QCOMPARE(errorLabel->text(), INVALID_ROW);
    } else {
        QCOMPARE(engineSends.count(), 1);
        QCOMPARE(engineSends.at(0), sent);
        QVERIFY(errorLabel->isHidden());
    }
}

void TestConsoleTab::deviceTypeSwitchDuringDelay_data()
{
    QTest::addColumn<int>("builtOn");
    QTest::addColumn<QString>("command");
    QTest::addColumn<bool>("goesOut");

    QTest::newRow("DT8 ACTIVATE, switched to DT6") << 1 << "226" << false;
    QTest::newRow("DT6 QUERY FAST FADE TIME, switched to DT8") << 0 << "253" << false;
    QTest::newRow("RECALL MAX LEVEL, in both") << 0 << "5" << true;
}

void TestConsoleTab::deviceTypeSwitchDuringDelay()
{
    QFETCH(int, builtOn);
    QFETCH(QString, command);
    QFETCH(bool, goesOut);

    QComboBox* deviceType = widget<QComboBox>("deviceTypeComboBox");
    deviceType->setCurrentIndex(builtOn);
    for (const QString& step : {"cmd " + command, QStringLiteral("delay 200"), QStringLiteral("add")})
        runStep(step);
    QCOMPARE(edit("cmdLineEdit")->text(), command);

    QSignalSpy engineSends(&window->consoleEngine(), &DaliConsole::sendCommand);
    QSignalSpy shown(&window->consoleEngine(), &DaliConsole::displayCmdSequenceItem);
    button("seqSingleStepPushButton")->click();
    deviceType->setCurrentIndex(1 - builtOn);
    // The link now has no frame for a command of the other device type alone; were it passed
    // on, the link would drop it and the console would wait for an answer that never comes.
    QVERIFY(shown.wait(5000));
    QCOMPARE(engineSends.count(), goesOut ? 1 : 0);
    QCOMPARE(table()->currentRow(), 0);
}

void TestConsoleTab::startNeedsToolAndRows()
{
    QPushButton* start = button("seqStartPushButton");
    QSignalSpy engineSends(&window->consoleEngine(), &DaliConsole::sendCommand);

    start->click(); // empty table
    button("seqSingleStepPushButton")->click();
    QCOMPARE(promptTrace(), QStringList());
    QCOMPARE(start->text(), QStringLiteral("Start"));

    runStep("cmd 5");
    runStep("add");
    QCOMPARE(window->toolState(), 0);
    start->click();
    QCOMPARE(promptTrace(), QStringList{"warning|Send command sequence failed|Please check tool connection!"});
    QVERIFY(Prompt::log().at(0).parent == nullptr);
    QCOMPARE(start->text(), QStringLiteral("Start"));
    QCOMPARE(engineSends.count(), 0);
    QCOMPARE(window->consoleEngine().mode(), 0);
}

QTEST_MAIN(TestConsoleTab)
#include "tst_consoletab.moc"
