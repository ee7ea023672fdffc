// The main window as it starts: the product list it reads, the state it opens in, every
// connection it makes and the toolbar of each tab.

#include "mainwindow.h"

#include "mainwindow_testsupport.h"

#include <QtTest>
#include <QtWidgets>

namespace {

QStringList connectWarnings;

void recordConnectWarnings(QtMsgType type, const QMessageLogContext&, const QString& message)
{
    if (type == QtWarningMsg && message.contains(QLatin1String("QObject::connect")))
        connectWarnings << message;
}

const QByteArray THREE_PRODUCTS_0 = "0,Kavro KLD-040-1050,40,1050,350,1,10,54.0,27.0,0,0703";
const QByteArray THREE_PRODUCTS_1 = "1,  Kavro KLD-075-1400  ,75,1400,700,1,10,56.0,28.0,0,27FF";
const QByteArray THREE_PRODUCTS_2 = "2,Kavro KLC-100-2100 Corridor,100,2100,1050,1,5,48.0,24.0,0,1863";

// Toolbar entries before the what's-this button, as "text:enabled" of the visible ones.
QString toolbarState(QToolBar* toolBar)
{
    QStringList entries;
    const QList<QAction*> actions = toolBar->actions();
    for (QAction* action : actions.mid(0, 6)) {
        if (action->isVisible())
            entries << action->text() + (action->isEnabled() ? ":E" : ":D");
    }
    return entries.join(QLatin1String(" | "));
}

QList<QWidget*> topLevelOfClass(const char* className)
{
    QList<QWidget*> found;
    const QList<QWidget*> widgets = QApplication::topLevelWidgets();
    for (QWidget* w : widgets) {
        if (qstrcmp(w->metaObject()->className(), className) == 0)
            found << w;
    }
    return found;
}

} // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void productList_data();
    void productList();
    void startState();
    void everyConnectionIsMade();
    void dialogsAreCreatedOnce();
    void toolbarPerTab_data();
    void toolbarPerTab();
    void clearActsOnPowerMeterTabOnly();
    void limitsAfterStartUp_data();
    void limitsAfterStartUp();
};

void TestMainWindow::initTestCase()
{
    Q_INIT_RESOURCE(resources);
}

void TestMainWindow::productList_data()
{
    QTest::addColumn<bool>("fileExists");
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QStringList>("models");
    QTest::addColumn<QStringList>("boxes");
    QTest::addColumn<bool>("listError");

    const QByteArray headings = "Kavro Lumorant product list\nIndex,Model,...\n";
    const QStringList three = {"Kavro KLD-040-1050", "Kavro KLD-075-1400", "Kavro KLC-100-2100 Corridor"};

    QTest::newRow("good") << true
                          << headings + THREE_PRODUCTS_0 + '\n' + THREE_PRODUCTS_1 + '\n' + THREE_PRODUCTS_2 + '\n'
                          << three << QStringList() << false;
    QTest::newRow("good, CRLF lines")
        << true << headings + THREE_PRODUCTS_0 + "\r\n" + THREE_PRODUCTS_1 + "\r\n" + THREE_PRODUCTS_2 + "\r\n" << three
        << QStringList() << false;
    QTest::newRow("missing") << false << QByteArray() << QStringList()
                             << QStringList{"information|error|No such file or directory"} << false;
    QTest::newRow("empty file") << true << QByteArray() << QStringList() << QStringList() << false;
    QTest::newRow("headings only") << true << headings << QStringList() << QStringList() << false;
    // A record whose index is not its position is never stored, so nothing can read it as the
    // product of another index.
    QTest::newRow("first index wrong")
        << true << headings + "1,Kavro KLX,40,1050,350,1,10,54.0,27.0,0,0703\n" << QStringList()
        << QStringList{"critical|Error|Product list file error, please contact the manufacturer!"} << true;
    QTest::newRow("gap after two")
        << true << headings + THREE_PRODUCTS_0 + '\n' + THREE_PRODUCTS_1 + "\n3,Kavro KLY,40,1050,350,1,10,54.0,27.0,0,0703\n"
        << QStringList{"Kavro KLD-040-1050", "Kavro KLD-075-1400"}
        << QStringList{"critical|Error|Product list file error, please contact the manufacturer!"} << true;
    QTest::newRow("short line before a product")
        << true << headings + "0,Kavro KLZ,40,1050,350,1,10,54.0,27.0,0\n" + THREE_PRODUCTS_1 + '\n' << QStringList()
        << QStringList{"critical|Error|Product list file error, please contact the manufacturer!"} << true;
    QTest::newRow("blank lines after the last product")
        << true << headings + THREE_PRODUCTS_0 + "\n\n\n" << QStringList{"Kavro KLD-040-1050"} << QStringList()
        << false;
}

void TestMainWindow::productList()
{
    QFETCH(bool, fileExists);
    QFETCH(QByteArray, content);
    QFETCH(QStringList, models);
    QFETCH(QStringList, boxes);
    QFETCH(bool, listError);

    WindowTestEnvironment env;
    if (fileExists)
        env.writeFile(QStringLiteral("Product List.txt"), content);
    {
        MainWindow window;
        auto* combo = window.findChild<QComboBox*>(QStringLiteral("driverComboBox"));
        QStringList shown;
        for (int i = 0; i < combo->count(); ++i)
            shown << combo->itemText(i);
        QCOMPARE(shown, models);
        QCOMPARE(promptTrace(), boxes);
        QCOMPARE(window.hasProductListError(), listError);
        QCOMPARE(::productList.size(), models.size());
        // Choosing a model, and the switch back to another tab, work on whatever was read.
        window.driverBoxClicked(0);
        window.tabWidgetChanged(MainWindow::TAB_POWER_METER);
        window.driverConnectionStateUpdateSlot(DRIVER_DISCONNECTED);
    }
    // The first line the debug log gets is the constructor's count: the tool check made while
    // the window was still being built reaches no receiver.
    const QStringList log = env.debugLog();
    QVERIFY(!log.isEmpty());
    QCOMPARE(log.first(), QStringLiteral("Reloading product file list complete, products number: %1").arg(models.size()));
}

void TestMainWindow::startState()
{
    WindowTestEnvironment env;
    env.writeProductList({THREE_PRODUCTS_0, THREE_PRODUCTS_1, THREE_PRODUCTS_2});
    MainWindow window;

    QCOMPARE(window.windowTitle(), QStringLiteral("Kavro Lumorant"));
    QVERIFY(!window.windowIcon().isNull());
    QCOMPARE(window.minimumSize(), QSize(900, 600));
    QCOMPARE(window.maximumSize(), QSize(1600, 900));

    auto* tabs = window.findChild<QTabWidget*>(QStringLiteral("tabWidget"));
    QCOMPARE(tabs->currentIndex(), 0);
    QCOMPARE(window.currentWorkTab(), 0);
    QCOMPARE(programToolIndex, 0);

    QVERIFY(window.consoleEngine().isEnabled());
    QVERIFY(!window.daliProgrammingEngine().isEnabled());
    QVERIFY(!window.iProgrammingEngine().isEnabled());
    QVERIFY(!window.stNfcEngine().isEnabled());
    QVERIFY(!window.feigNfcEngine().isEnabled());
    QVERIFY(!window.powerMonitorEngine().isEnabled());
    QVERIFY(!window.bootLoaderEngine().isEnabled());
    QCOMPARE(window.serialLink().currentWorkMode(), 1);
    QCOMPARE(window.serialLink().currentDtMode(), 0);

    // Both indicators show the searching animation; the tool is sought every 2000 ms; no driver
    // detection.
    for (const char* name : {"indicatiorLabel", "driverLedLabel"})
        QVERIFY2(isSearching(window.findChild<QLabel*>(QString::fromLatin1(name))), name);
    auto* toolTimer = window.findChild<QTimer*>(QStringLiteral("toolDetectTimer"));
    QVERIFY(toolTimer->isActive());
    QCOMPARE(toolTimer->interval(), 2000);
    QVERIFY(!window.findChild<QTimer*>(QStringLiteral("driverDetectTimer"))->isActive());
    QVERIFY(!window.findChild<QTimer*>(QStringLiteral("autoReadTimer"))->isActive());
    QCOMPARE(window.toolState(), 0);
    QCOMPARE(window.driverState(), 0);

    QCOMPARE(window.findChild<QLabel*>(QStringLiteral("connectStatusLabel"))->text(), QStringLiteral("Tool not found!"));
    QCOMPARE(window.findChild<QLabel*>(QStringLiteral("versionLabel"))->text(),
             QStringLiteral("Release version: 5.3.2"));
    QCOMPARE(window.findChild<QLabel*>(QStringLiteral("fwVersionLabel"))->text(), QStringLiteral("--"));
    QVERIFY(!window.findChild<QLabel*>(QStringLiteral("logoLabel"))->pixmap(Qt::ReturnByValue).isNull());
    auto* errorLabel = window.findChild<QLabel*>(QStringLiteral("cloErrorLabel"));
    QVERIFY(errorLabel->isHidden());
    QCOMPARE(errorLabel->styleSheet(), QStringLiteral("QLabel { color : red; }"));
    QCOMPARE(window.findChild<QCheckBox*>(QStringLiteral("printerCheckBox"))->whatsThis(),
             QStringLiteral("Only ZPL-compatible printers are supported"));

    // DALI Control page.
    auto* commands = window.findChild<QComboBox*>(QStringLiteral("cmdComboBox"));
    QCOMPARE(commands->count(), window.serialLink().currentCommandNames().size());
    QCOMPARE(commands->itemText(0), QStringLiteral("DAPC"));
    QCOMPARE(commands->toolTip(), QStringLiteral("*DALI Ed2 commands"));
    QCOMPARE(commands->toolTipDuration(), 4000);
    QCOMPARE(window.findChild<QLineEdit*>(QStringLiteral("daliResponseLineEdit"))->text(), QStringLiteral("-----"));
    auto* deviceType = window.findChild<QComboBox*>(QStringLiteral("deviceTypeComboBox"));
    QCOMPARE(deviceType->count(), 2);
    QCOMPARE(deviceType->itemText(0), QStringLiteral("DT6: LED"));
    QCOMPARE(deviceType->itemText(1), QStringLiteral("DT8: Colour control"));
    QCOMPARE(deviceType->currentIndex(), 0);
    auto* sequence = window.findChild<QTableWidget*>(QStringLiteral("cmdSeqTableWidget"));
    QStringList headers;
    for (int c = 0; c < sequence->columnCount(); ++c)
        headers << sequence->horizontalHeaderItem(c)->text();
    QCOMPARE(headers, (QStringList{"No.", "Cmd ID", "Command Discription", "Address", "Data", "Delay", "Response"}));
    QCOMPARE(sequence->rowCount(), 0);
    QCOMPARE(sequence->columnWidth(2), 240);
    QCOMPARE(sequence->selectionBehavior(), QAbstractItemView::SelectRows);
    QCOMPARE(sequence->selectionMode(), QAbstractItemView::SingleSelection);
    QVERIFY(sequence->verticalHeader()->isHidden());
    QVERIFY(sequence->horizontalHeader()->stretchLastSection());

    // Programming page.
    auto* tools = window.findChild<QComboBox*>(QStringLiteral("programToolComboBox"));
    QCOMPARE(tools->count(), 3);
    QCOMPARE(tools->itemText(0), QStringLiteral("DALI Programming (KRQ-DL41)"));
    QCOMPARE(tools->itemText(1), QStringLiteral("iProgramming (KRQ-US42)"));
    QCOMPARE(tools->itemText(2), QStringLiteral("FEIG NFC Programming"));
    QVERIFY(window.findChild<QComboBox*>(QStringLiteral("driverComboBox"))->isEnabled());
    QVERIFY(!window.findChild<QGroupBox*>(QStringLiteral("analogDimSetGroupBox"))->isEnabled());
    // The current list is filled only when a model is applied.
    QCOMPARE(window.findChild<QComboBox*>(QStringLiteral("currentSetComboBox"))->count(), 0);
    QCOMPARE(window.findChild<QSpinBox*>(QStringLiteral("corridorHoldTimeSpinBox"))->toolTip(),
             QStringLiteral("ten multiples"));
    QCOMPARE(window.findChild<QSpinBox*>(QStringLiteral("corridorReleaseTimeSpinBox"))->toolTipDuration(), 2000);

    // Power Meter page.
    for (const char* name : {"activePowerLineEdit", "activeEnergyLineEdit", "apparentPowerLineEdit",
                             "apparentEnergyLineEdit", "loadSidePowerLineEdit", "loadSideEnergyLineEdit"})
        QCOMPARE(window.findChild<QLineEdit*>(QString::fromLatin1(name))->text(), QStringLiteral("---"));
    auto* monitor = window.findChild<QTableWidget*>(QStringLiteral("monitorTableWidget"));
    QCOMPARE(monitor->horizontalHeaderItem(0)->text(), QStringLiteral("Time"));
    QCOMPARE(monitor->horizontalHeaderItem(6)->text(), QStringLiteral("Load side Energy(Wh)"));
    QCOMPARE(monitor->columnWidth(0), 115);
    QCOMPARE(monitor->columnWidth(5), 170);

    // The read progress box exists but stays hidden until a read.
    const QList<QWidget*> progress = topLevelOfClass("QProgressDialog");
    QCOMPARE(progress.size(), 1);
    QVERIFY(progress.first()->isHidden());
}

void TestMainWindow::everyConnectionIsMade()
{
    WindowTestEnvironment env;
    env.writeProductList({THREE_PRODUCTS_0});
    connectWarnings.clear();
    const QtMessageHandler previous = qInstallMessageHandler(recordConnectWarnings);
    int count = 0;
    {
        MainWindow window;
        count = window.connectionCount();
    }
    qInstallMessageHandler(previous);
    QCOMPARE(connectWarnings, QStringList());
    // 12 timer and toolbar connections, 70 from the form, 66 engine and link, 12 dialog.
    QCOMPARE(count, 160);
}

void TestMainWindow::dialogsAreCreatedOnce()
{
    WindowTestEnvironment env;
    MainWindow window;
    const char* const dialogs[] = {"dimcurve", "smartcurve", "corridor_curve", "mtpcurve", "clocurve",
                                   "programView", "LoginView", "AdvanceView", "setting_DT6",
                                   "setting_part250", "setting_part251", "setting_part253"};
    for (const char* name : dialogs)
        QVERIFY2(topLevelOfClass(name).size() == 1, name);
    QWidget* view = topLevelOfClass("programView").first();
    QCOMPARE(view->windowFlags(), Qt::WindowFlags(Qt::Window | Qt::CustomizeWindowHint));
    QCOMPARE(view->windowModality(), Qt::ApplicationModal);
    QCOMPARE(topLevelOfClass("LoginView").first()->windowType(), Qt::SplashScreen);
    QVERIFY(!(topLevelOfClass("clocurve").first()->windowFlags() & Qt::WindowContextHelpButtonHint));
}

void TestMainWindow::toolbarPerTab_data()
{
    QTest::addColumn<int>("tab");
    QTest::addColumn<QString>("toolbar");

    QTest::newRow("DALI Control") << 0 << "Save sequence:E | Open sequence:E";
    QTest::newRow("Programming") << 1
                                 << "Save Profile:E | Load Profile:E | Reset Module Operating Time:D | Read:D | Program:D";
    QTest::newRow("Power Meter") << 2 << "Save data:E | Clear data:E | Read:E";
    QTest::newRow("Firmware Update") << 3 << "Load Firmware:E | Firmware Update:E";
}

void TestMainWindow::toolbarPerTab()
{
    QFETCH(int, tab);
    QFETCH(QString, toolbar);

    WindowTestEnvironment env;
    env.writeProductList({THREE_PRODUCTS_0});
    MainWindow window;
    auto* toolBar = window.findChild<QToolBar*>(QStringLiteral("toolBar"));
    const QList<QAction*> actions = toolBar->actions();
    QCOMPARE(actions.size(), 7);
    QCOMPARE(actions.at(0)->objectName(), QStringLiteral("saveAction"));
    QCOMPARE(actions.at(5)->objectName(), QStringLiteral("programAction"));
    const QScopedPointer<QAction> whatsThis(QWhatsThis::createAction());
    QCOMPARE(actions.at(6)->text(), whatsThis->text());

    // Through another tab first, so every tab's settings are seen to replace the last one's.
    auto* tabs = window.findChild<QTabWidget*>(QStringLiteral("tabWidget"));
    tabs->setCurrentIndex(tab == 3 ? 1 : 3);
    tabs->setCurrentIndex(tab);
    QCOMPARE(window.currentWorkTab(), tab);
    QCOMPARE(toolbarState(toolBar), toolbar);
}

void TestMainWindow::clearActsOnPowerMeterTabOnly()
{
    WindowTestEnvironment env;
    MainWindow window;
    auto* monitor = window.findChild<QTableWidget*>(QStringLiteral("monitorTableWidget"));
    auto* clear = window.findChild<QAction*>(QStringLiteral("clearAction"));
    monitor->setRowCount(3);
    clear->trigger();
    QCOMPARE(monitor->rowCount(), 3);
    window.findChild<QTabWidget*>(QStringLiteral("tabWidget"))->setCurrentIndex(2);
    clear->trigger();
    QCOMPARE(monitor->rowCount(), 0);
}

void TestMainWindow::limitsAfterStartUp_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<double>("minimum");
    QTest::addColumn<double>("maximum");
    QTest::addColumn<double>("step");
    QTest::addColumn<double>("value");

    QTest::newRow("EOL time") << "eolTimeSpinBox" << 0.0 << 255.0 << 5.0 << 0.0;
    QTest::newRow("MTP start") << "mtpStartDoubleSpinBox" << 0.0 << 50.0 << 1.0 << 30.0;
    QTest::newRow("MTP end") << "mtpEndDoubleSpinBox" << 0.2 << 655.0 << 1.0 << 5.0;
    QTest::newRow("corridor hold") << "corridorHoldTimeSpinBox" << 0.0 << 2550.0 << 10.0 << 50.0;
    QTest::newRow("corridor release") << "corridorReleaseTimeSpinBox" << 0.0 << 2540.0 << 10.0 << 50.0;
    QTest::newRow("0-10V end") << "analogEndDimSpinBox" << 0.5 << 5.0 << 0.1 << 1.1;
    QTest::newRow("0-10V start") << "analogStartDimSpinBox" << 5.0 << 8.5 << 0.1 << 8.5;
    QTest::newRow("auto read") << "autoReadTimeSpinBox" << 5.0 << 20000.0 << 5.0 << 10.0;
    QTest::newRow("console delay") << "delayTimeSpinBox" << 0.0 << 600000.0 << 10.0 << 50.0;
    QTest::newRow("custom current") << "customSpinBox" << 0.0 << 99.0 << 1.0 << 0.0;
}

void TestMainWindow::limitsAfterStartUp()
{
    QFETCH(QString, name);
    QFETCH(double, minimum);
    QFETCH(double, maximum);
    QFETCH(double, step);
    QFETCH(double, value);

    WindowTestEnvironment env;
    env.writeProductList({THREE_PRODUCTS_0});
    MainWindow window;
    if (auto* box = window.findChild<QSpinBox*>(name)) {
        QCOMPARE(double(box->minimum()), minimum);
        QCOMPARE(double(box->maximum()), maximum);
        QCOMPARE(double(box->singleStep()), step);
        QCOMPARE(double(box->value()), value);
    } else {
        auto* doubleBox = window.findChild<QDoubleSpinBox*>(name);
        QVERIFY(doubleBox);
        QCOMPARE(doubleBox->minimum(), minimum);
        QCOMPARE(doubleBox->maximum(), maximum);
        QCOMPARE(doubleBox->singleStep(), step);
        QCOMPARE(doubleBox->value(), value);
    }
}

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
