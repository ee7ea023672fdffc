// The window's work mode and how it shows the tool and driver states, with no tool attached:
// which engine is on for each tab and tool, what the serial link is set to, the driver states
// the engines report, and the communication errors.

#include "mainwindow.h"

#include "mainwindow_testsupport.h"

#include <QSignalSpy>
#include <QtTest>
#include <QtWidgets>

namespace {

const QByteArray PRODUCT_0 = "0,Kavro KLD-040-1050,40,1050,350,1,10,54.0,27.0,0,0703";
const QByteArray PRODUCT_1 = "1,Kavro KLD-075-1400,75,1400,700,1,10,56.0,28.0,0,27FF";

QString enabledEngines(const MainWindow& w)
{
    QStringList on;
    if (w.consoleEngine().isEnabled())
        on << "console";
    if (w.daliProgrammingEngine().isEnabled())
        on << "DALI programming";
    if (w.iProgrammingEngine().isEnabled())
        on << "USB tool";
    if (w.stNfcEngine().isEnabled())
        on << "CR95HF";
    if (w.feigNfcEngine().isEnabled())
        on << "FEIG";
    if (w.powerMonitorEngine().isEnabled())
        on << "power meter";
    if (w.bootLoaderEngine().isEnabled())
        on << "boot loader";
    return on.join(", ");
}

} // namespace

class TestMainWindowWorkMode : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void workModeTable_data();
    void workModeTable();
    void toolStateIsAnnouncedOnChangeOnly();
    void commErrors_data();
    void commErrors();
    void driverStates_data();
    void driverStates();
    void mismatchBoxOncePerMismatch();
    void unsupportedDriverWhileAnotherTabIsCurrent();
    void leavingProgrammingTabStopsDriverDetection();
    void toolChangeResetsDriverDisplay();
    void driverDetectionTimerKeepsItsPhase();
    void indicatorAnimatesOnlyWhileSeen_data();
    void indicatorAnimatesOnlyWhileSeen();

private:
    std::unique_ptr<WindowTestEnvironment> env;
    std::unique_ptr<MainWindow> window;
    QTabWidget* tabs = nullptr;
    QComboBox* tools = nullptr;
};

void TestMainWindowWorkMode::initTestCase()
{
    Q_INIT_RESOURCE(resources);
}

void TestMainWindowWorkMode::init()
{
    env = std::make_unique<WindowTestEnvironment>();
    env->writeProductList({PRODUCT_0, PRODUCT_1});
    window = std::make_unique<MainWindow>();
    tabs = window->findChild<QTabWidget*>(QStringLiteral("tabWidget"));
    tools = window->findChild<QComboBox*>(QStringLiteral("programToolComboBox"));
    Prompt::clearLog();
}

void TestMainWindowWorkMode::cleanup()
{
    window.reset();
    env.reset();
}

void TestMainWindowWorkMode::workModeTable_data()
{
    QTest::addColumn<int>("deviceType"); // console device type chosen before the switch
    QTest::addColumn<int>("tab");
    QTest::addColumn<int>("tool");
    QTest::addColumn<QString>("engine");
    QTest::addColumn<int>("toolIndex");
    QTest::addColumn<int>("linkMode");
    QTest::addColumn<int>("commandTable");

    QTest::newRow("console, DT6") << 0 << 0 << 0 << "console" << 0 << 1 << 0;
    QTest::newRow("console, DT8") << 1 << 0 << 0 << "console" << 0 << 1 << 1;
    QTest::newRow("programming, DALI tool") << 1 << 1 << 0 << "DALI programming" << 0 << 2 << 0;
    // The USB tool keeps the command table; the NFC readers leave the link as the console set it.
    QTest::newRow("programming, USB tool") << 1 << 1 << 1 << "USB tool" << 1 << 4 << 1;
    QTest::newRow("programming, FEIG reader") << 1 << 1 << 2 << "FEIG" << 2 << 1 << 1;
    QTest::newRow("programming, CR95HF reader") << 1 << 1 << 3 << "CR95HF" << 3 << 1 << 1;
    QTest::newRow("power meter") << 1 << 2 << 0 << "power meter" << 0 << 3 << 0;
    QTest::newRow("firmware update") << 1 << 3 << 0 << "boot loader" << 0 << 5 << 0;
}

void TestMainWindowWorkMode::workModeTable()
{
    QFETCH(int, deviceType);
    QFETCH(int, tab);
    QFETCH(int, tool);
    QFETCH(QString, engine);
    QFETCH(int, toolIndex);
    QFETCH(int, linkMode);
    QFETCH(int, commandTable);

    // Leave tab 0 and come back with the device type chosen, so the console mode is set anew.
    tabs->setCurrentIndex(3);
    window->findChild<QComboBox*>(QStringLiteral("deviceTypeComboBox"))->setCurrentIndex(deviceType);
    if (tab != 0)
        tabs->setCurrentIndex(0);
    {
        // The selector has no item for the CR95HF reader; the index is set as a program would.
        const QSignalBlocker quiet(tools);
        if (tool == 3)
            tools->addItem(QStringLiteral("CR95HF"));
        tools->setCurrentIndex(tool);
    }
    auto* errorLabel = window->findChild<QLabel*>(QStringLiteral("cloErrorLabel"));
    errorLabel->show();
    tabs->setCurrentIndex(tab);

    QCOMPARE(window->currentWorkTab(), tab);
    QCOMPARE(enabledEngines(*window), engine);
    QCOMPARE(programToolIndex, toolIndex);
    QCOMPARE(window->serialLink().currentWorkMode(), linkMode);
    QCOMPARE(window->serialLink().currentDtMode(), commandTable);
    // No tool answers here: each switch leaves the tool sought.
    QCOMPARE(window->toolState(), 0);
    QVERIFY(window->findChild<QTimer*>(QStringLiteral("toolDetectTimer"))->isActive());
    QCOMPARE(window->findChild<QLabel*>(QStringLiteral("connectStatusLabel"))->text(), QStringLiteral("Tool not found!"));
    QVERIFY(errorLabel->isHidden());
}

void TestMainWindowWorkMode::toolStateIsAnnouncedOnChangeOnly()
{
    QSignalSpy announced(window.get(), &MainWindow::toolConnectionChangeSignal);
    tabs->setCurrentIndex(1);
    tools->setCurrentIndex(2);
    tools->setCurrentIndex(1);
    tabs->setCurrentIndex(2);
    window->processCommError(COMM_ERR_PORT);
    window->processCommError(COMM_ERR_NFC_TOOL);
    window->checkToolConnection();
    QCOMPARE(announced.count(), 0);
}

void TestMainWindowWorkMode::commErrors_data()
{
    QTest::addColumn<int>("error");
    QTest::addColumn<QStringList>("boxes");
    QTest::addColumn<bool>("toolSought");

    QTest::newRow("time-out") << 0 << QStringList() << false;
    QTest::newRow("port error") << 1 << QStringList{"information|Error|Serial port error! Please check tool connection."}
                                << true;
    QTest::newRow("NFC reader error") << 2 << QStringList{"information|Error|NFC tool error! Please check tool connection."}
                                      << true;
    QTest::newRow("invalid answer") << 3 << QStringList() << false;
}

void TestMainWindowWorkMode::commErrors()
{
    QFETCH(int, error);
    QFETCH(QStringList, boxes);
    QFETCH(bool, toolSought);

    auto* timer = window->findChild<QTimer*>(QStringLiteral("toolDetectTimer"));
    auto* status = window->findChild<QLabel*>(QStringLiteral("connectStatusLabel"));
    timer->stop();
    status->setText(QStringLiteral("as before"));

    // Detection must already run again while the box is up.
    bool soughtDuringBox = false;
    Prompt::setResponder([&](const Prompt::Record&) {
        soughtDuringBox = timer->isActive();
        return Prompt::Answer(QMessageBox::Ok);
    });
    window->processCommError(error);
    // The box opens once the report has reached everything connected after the window.
    QCOMPARE(promptTrace(), QStringList());
    QCoreApplication::sendPostedEvents(window.get(), QEvent::MetaCall);

    QCOMPARE(promptTrace(), boxes);
    QCOMPARE(timer->isActive(), toolSought);
    QCOMPARE(soughtDuringBox, toolSought);
    QCOMPARE(status->text(), toolSought ? QStringLiteral("Tool not found!") : QStringLiteral("as before"));
}

void TestMainWindowWorkMode::driverStates_data()
{
    QTest::addColumn<bool>("profile");
    QTest::addColumn<int>("state");
    QTest::addColumn<QString>("indicator");
    QTest::addColumn<bool>("modelSelectable");
    QTest::addColumn<QString>("actions"); // Program, Read, Reset
    QTest::addColumn<QStringList>("boxes");
    QTest::addColumn<QString>("status");

    const QString unsupported = "warning|Error|The detected driver is not supported!";
    const QString mismatch = QString("warning|Error|The detected driver model mismatch with loaded profile setting,")
                             + QChar(0x0081) + " disconnect with the driver.";

    // Each row starts from a connected driver: indicator steady, model locked, actions on.
    QTest::newRow("no driver") << false << 0 << "searching" << true << "DDD" << QStringList() << "before";
    QTest::newRow("no driver, profile") << true << 0 << "searching" << true << "DDD" << QStringList() << "before";
    QTest::newRow("connected") << false << 1 << "connected" << false << "EEE" << QStringList() << "before";
    QTest::newRow("connected, profile") << true << 1 << "connected" << false << "EEE" << QStringList()
                                        << "Status: Target driver had been detected";
    QTest::newRow("unsupported") << false << 2 << "connected" << true << "DDD" << QStringList{unsupported} << "before";
    QTest::newRow("unsupported, profile") << true << 2 << "connected" << false << "EEE" << QStringList() << "before";
    QTest::newRow("mismatch") << false << 3 << "connected" << false << "EEE" << QStringList() << "before";
    QTest::newRow("mismatch, profile") << true << 3 << "connected" << false << "EEE" << QStringList{mismatch}
                                       << "Status: Detected driver mismatch with loaded profile 'bench A.txt'";
    QTest::newRow("unknown state") << true << 9 << "connected" << false << "EEE" << QStringList() << "before";
}

void TestMainWindowWorkMode::driverStates()
{
    QFETCH(bool, profile);
    QFETCH(int, state);
    QFETCH(QString, indicator);
    QFETCH(bool, modelSelectable);
    QFETCH(QString, actions);
    QFETCH(QStringList, boxes);
    QFETCH(QString, status);

    tabs->setCurrentIndex(1);
    window->driverConnectionStateUpdateSlot(DRIVER_CONNECTED);
    // Switching tabs clears the profile flag (every engine's setEnabled does), so it is set here.
    profileLoaded = profile ? 1 : 0;
    loadedProfileName = QStringLiteral("bench A.txt");
    auto* status_ = window->findChild<QLabel*>(QStringLiteral("cloErrorLabel"));
    status_->setText(QStringLiteral("before"));
    Prompt::clearLog();

    window->driverConnectionStateUpdateSlot(state);

    auto* led = window->findChild<QLabel*>(QStringLiteral("driverLedLabel"));
    QCOMPARE(indicator == QLatin1String("searching") ? isSearching(led) : isConnected(led), true);
    QCOMPARE(window->findChild<QComboBox*>(QStringLiteral("driverComboBox"))->isEnabled(), modelSelectable);
    QCOMPARE(actionStates(*window), actions);
    QCOMPARE(promptTrace(), boxes);
    QCOMPARE(status_->text(), status);
    QCOMPARE(window->driverState(), state);
}

void TestMainWindowWorkMode::mismatchBoxOncePerMismatch()
{
    tabs->setCurrentIndex(1);
    profileLoaded = 1;
    loadedProfileName = QStringLiteral("p.txt");
    window->driverConnectionStateUpdateSlot(DRIVER_MISMATCH);
    window->driverConnectionStateUpdateSlot(DRIVER_MISMATCH);
    QCOMPARE(promptTrace().size(), 1);
    window->driverConnectionStateUpdateSlot(DRIVER_DISCONNECTED);
    window->driverConnectionStateUpdateSlot(DRIVER_MISMATCH);
    QCOMPARE(promptTrace().size(), 2);
}

void TestMainWindowWorkMode::unsupportedDriverWhileAnotherTabIsCurrent()
{
    // Off the Programming tab the toolbar is not the programming tab's to change.
    tabs->setCurrentIndex(2);
    const QString before = actionStates(*window);
    window->driverConnectionStateUpdateSlot(DRIVER_CONNECTED);
    window->driverConnectionStateUpdateSlot(DRIVER_UNSUPPORTED);
    QCOMPARE(actionStates(*window), before);
    QCOMPARE(promptTrace(), QStringList{"warning|Error|The detected driver is not supported!"});
}

void TestMainWindowWorkMode::leavingProgrammingTabStopsDriverDetection()
{
    tabs->setCurrentIndex(1);
    auto* driverTimer = window->findChild<QTimer*>(QStringLiteral("driverDetectTimer"));
    window->enableDriverDetectTimerSlot(true);
    window->driverConnectionStateUpdateSlot(DRIVER_CONNECTED);
    QVERIFY(driverTimer->isActive());
    QCOMPARE(driverTimer->interval(), 2000);

    tabs->setCurrentIndex(0);
    QVERIFY(!driverTimer->isActive());
    QCOMPARE(window->driverState(), 0);
    QVERIFY(isSearching(window->findChild<QLabel*>(QStringLiteral("driverLedLabel"))));
    QVERIFY(window->findChild<QComboBox*>(QStringLiteral("driverComboBox"))->isEnabled());
    // Product 0 is applied again.
    QCOMPARE(window->findChild<QComboBox*>(QStringLiteral("currentSetComboBox"))->itemText(0), QStringLiteral("350"));
}

void TestMainWindowWorkMode::toolChangeResetsDriverDisplay()
{
    tabs->setCurrentIndex(1);
    window->enableDriverDetectTimerSlot(true);
    window->driverConnectionStateUpdateSlot(DRIVER_CONNECTED);
    QCOMPARE(actionStates(*window), QStringLiteral("EEE"));

    tools->setCurrentIndex(1);
    QVERIFY(!window->findChild<QTimer*>(QStringLiteral("driverDetectTimer"))->isActive());
    QCOMPARE(window->driverState(), 0);
    QCOMPARE(actionStates(*window), QStringLiteral("DDD"));
    QCOMPARE(enabledEngines(*window), QStringLiteral("USB tool"));
    // The bar is emptied for the model shown.
    auto* bar = window->findChild<QProgressBar*>(QStringLiteral("progressBar"));
    QCOMPARE(bar->minimum(), 340);
    QCOMPARE(bar->maximum(), 1050);
    QCOMPARE(bar->value(), 340);
    QCOMPARE(bar->format(), QStringLiteral("---- mA"));
}

void TestMainWindowWorkMode::driverDetectionTimerKeepsItsPhase()
{
    auto* driverTimer = window->findChild<QTimer*>(QStringLiteral("driverDetectTimer"));
    window->enableDriverDetectTimerSlot(true);
    QTRY_VERIFY(driverTimer->remainingTime() < 1900);
    const int remaining = driverTimer->remainingTime();
    window->enableDriverDetectTimerSlot(true);
    QVERIFY(driverTimer->remainingTime() <= remaining);
    window->enableDriverDetectTimerSlot(false);
    QVERIFY(!driverTimer->isActive());
}

void TestMainWindowWorkMode::indicatorAnimatesOnlyWhileSeen_data()
{
    QTest::addColumn<bool>("minimise"); // hidden by minimising the window, else by another tab
    QTest::addColumn<bool>("foundMeanwhile");

    QTest::newRow("another tab") << false << false;
    QTest::newRow("minimised") << true << false;
    // The driver is found and lost again while nobody sees its indicator: the lost driver must
    // bring the animation back, not leave the still picture.
    QTest::newRow("another tab, found meanwhile") << false << true;
    QTest::newRow("minimised, found meanwhile") << true << true;
}

void TestMainWindowWorkMode::indicatorAnimatesOnlyWhileSeen()
{
    QFETCH(bool, minimise);
    QFETCH(bool, foundMeanwhile);

    auto* led = window->findChild<QLabel*>(QStringLiteral("driverLedLabel"));
    // Built but not yet shown, nothing of the window can be seen.
    QCOMPARE(led->movie()->state(), QMovie::Paused);
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    tabs->setCurrentIndex(1);
    QCOMPARE(led->movie()->state(), QMovie::Running);

    if (minimise)
        window->showMinimized();
    else
        tabs->setCurrentIndex(0);
    QTRY_COMPARE(led->movie()->state(), QMovie::Paused);
    if (foundMeanwhile) {
        window->driverConnectionStateUpdateSlot(DRIVER_CONNECTED);
        QVERIFY(isConnected(led));
    }

    if (minimise)
        window->showNormal();
    else
        tabs->setCurrentIndex(1);
    if (foundMeanwhile)
        window->driverConnectionStateUpdateSlot(DRIVER_DISCONNECTED);
    QTRY_COMPARE(led->movie() ? led->movie()->state() : QMovie::NotRunning, QMovie::Running);
}

QTEST_MAIN(TestMainWindowWorkMode)
#include "tst_mainwindow_workmode.moc"
