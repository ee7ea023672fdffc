// The real window at a production bench: a simulated DALI programming tool on a pseudo-terminal,
// reached through the tool detection's port provider, with a virtual LED driver on its bus. The
// window's own 2000 ms polls run unchanged, so each step takes a few seconds.

#include "mainwindow.h"

#include "mainwindow_testsupport.h"
#include "ptypair.h"
#include "simprogtool.h"
#include "virtualdriver.h"

#include <QSignalSpy>
#include <QtTest>
#include <QtWidgets>

namespace {

constexpr int STEP_TIMEOUT_MS = 15000;

const QByteArray PRODUCT_0 = "0,Kavro KLD-040-1050,40,1050,350,1,10,54.0,27.0,0,0703";
const QByteArray PRODUCT_1 = "1,Kavro KLD-075-1400,75,1400,700,1,10,56.0,28.0,0,27FF";
const QByteArray PRODUCT_2 = "2,Kavro KLC-100-2100 Corridor,100,2100,1050,1,5,48.0,24.0,0,1863";

// Memory bank 2 of a driver of the given product index (bytes 5-6, most significant first).
QByteArray bank2OfProduct(const char* productIndexBytes)
{
    return hex("49 03 FF BC 02") + hex(productIndexBytes)
           + hex("05 01 82 32 01"
                 "00 0B 15 29 3D 51 5B 65 64 63 62 61 60 5F 5E 5D"
                 "1E 45 23 01 00 01 02 05 01 02 28 4E 05 9A 01"
                 "11 12 13 14 15 16 17 18 19 0A 64 5A 0A 01"
                 "79 83 8D 97 A1 63 4F 3B 45 63 E2 01 02 03 04 05 07");
}

const char DALI_TOOL_TEXT[] =
    "DALI tool connected. Note: LED driver must be powered on from external AC source";

} // namespace

class TestMainWindowTool : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void benchSession();
    void unsupportedDriver();
};

void TestMainWindowTool::initTestCase()
{
    Q_INIT_RESOURCE(resources);
}

void TestMainWindowTool::benchSession()
{
    WindowTestEnvironment env;
    env.writeProductList({PRODUCT_0, PRODUCT_1, PRODUCT_2});

    VirtualDriver driver;
    driver.setBank2(bank2OfProduct("00 02"));
    auto pty = std::make_unique<PtyPair>();
    QVERIFY(pty->isOpen());
    auto tool = std::make_unique<SimProgTool>(pty.get(), SimProgTool::Kind::DaliTool);
    tool->setDaliBus(&driver);
    QString portPath = pty->slavePath();
    setToolPortProvider([&portPath] { return QList<ToolPortInfo>{ftdiToolPort(portPath)}; });

    MainWindow window;
    QSignalSpy toolStates(&window, &MainWindow::toolConnectionChangeSignal);
    auto* status = window.findChild<QLabel*>(QStringLiteral("connectStatusLabel"));
    auto* toolLed = window.findChild<QLabel*>(QStringLiteral("indicatiorLabel"));
    auto* driverLed = window.findChild<QLabel*>(QStringLiteral("driverLedLabel"));
    auto* models = window.findChild<QComboBox*>(QStringLiteral("driverComboBox"));
    auto* toolTimer = window.findChild<QTimer*>(QStringLiteral("toolDetectTimer"));
    auto* driverTimer = window.findChild<QTimer*>(QStringLiteral("driverDetectTimer"));

    window.findChild<QTabWidget*>(QStringLiteral("tabWidget"))->setCurrentIndex(1);
    QCOMPARE(actionStates(window), QStringLiteral("DDD"));

    // The tool answers its probe on a later detection pass.
    QTRY_COMPARE_WITH_TIMEOUT(window.toolState(), 1, STEP_TIMEOUT_MS);
    QCOMPARE(toolStates.count(), 1);
    QCOMPARE(toolStates.first().first().toInt(), 1);
    QCOMPARE(status->text(), QString::fromLatin1(DALI_TOOL_TEXT));
    QVERIFY(isConnected(toolLed));
    QVERIFY(!toolTimer->isActive());

    // The DALI programming engine finds the driver at once and reads it.
    QTRY_COMPARE_WITH_TIMEOUT(window.driverState(), 1, STEP_TIMEOUT_MS);
    QCOMPARE(actionStates(window), QStringLiteral("EEE"));
    QVERIFY(!models->isEnabled());
    QVERIFY(isConnected(driverLed));
    QTRY_VERIFY_WITH_TIMEOUT(driverTimer->isActive(), STEP_TIMEOUT_MS);
    QCOMPARE(driverTimer->interval(), 2000);

    // The driver is pulled: the next detection tick finds nobody.
    driver.unplug();
    QTRY_COMPARE_WITH_TIMEOUT(window.driverState(), 0, STEP_TIMEOUT_MS);
    QCOMPARE(actionStates(window), QStringLiteral("DDD"));
    QVERIFY(models->isEnabled());
    QVERIFY(isSearching(driverLed));
    QCOMPARE(window.toolState(), 1);

    driver.plugIn();
    QTRY_COMPARE_WITH_TIMEOUT(window.driverState(), 1, STEP_TIMEOUT_MS);
    QCOMPARE(actionStates(window), QStringLiteral("EEE"));
    QCOMPARE(promptTrace(), QStringList());

    // The tool is pulled: the port error box, and the search for the tool starts over.
    tool->unplug();
    QTRY_COMPARE_WITH_TIMEOUT(window.toolState(), 0, STEP_TIMEOUT_MS);
    QTRY_COMPARE(promptTrace(), QStringList{"information|Error|Serial port error! Please check tool connection."});
    QCOMPARE(toolStates.last().first().toInt(), 0);
    QVERIFY(toolTimer->isActive());
    QCOMPARE(status->text(), QStringLiteral("Tool not found!"));
    QVERIFY(isSearching(toolLed));
    QTRY_COMPARE_WITH_TIMEOUT(window.driverState(), 0, STEP_TIMEOUT_MS);
    QCOMPARE(actionStates(window), QStringLiteral("DDD"));

    // Plugged in again (a new adapter node): found by the restarted search, and so is the driver.
    tool.reset();
    pty.reset();
    auto pty2 = std::make_unique<PtyPair>();
    QVERIFY(pty2->isOpen());
    SimProgTool tool2(pty2.get(), SimProgTool::Kind::DaliTool);
    tool2.setDaliBus(&driver);
    portPath = pty2->slavePath();
    QTRY_COMPARE_WITH_TIMEOUT(window.toolState(), 1, STEP_TIMEOUT_MS);
    QTRY_COMPARE_WITH_TIMEOUT(window.driverState(), 1, STEP_TIMEOUT_MS);
    QCOMPARE(actionStates(window), QStringLiteral("EEE"));

    // Leaving the tab stops driver detection and shows no driver.
    window.findChild<QTabWidget*>(QStringLiteral("tabWidget"))->setCurrentIndex(0);
    QVERIFY(!driverTimer->isActive());
    QCOMPARE(window.driverState(), 0);
    QVERIFY(isSearching(driverLed));
}

void TestMainWindowTool::unsupportedDriver()
{
    WindowTestEnvironment env;
    env.writeProductList({PRODUCT_0, PRODUCT_1, PRODUCT_2});

    // Product 120 is not in a list of three.
    VirtualDriver driver;
    driver.setBank2(bank2OfProduct("00 78"));
    PtyPair pty;
    QVERIFY(pty.isOpen());
    SimProgTool tool(&pty, SimProgTool::Kind::DaliTool);
    tool.setDaliBus(&driver);
    const QString portPath = pty.slavePath();
    setToolPortProvider([portPath] { return QList<ToolPortInfo>{ftdiToolPort(portPath)}; });

    MainWindow window;
    window.findChild<QTabWidget*>(QStringLiteral("tabWidget"))->setCurrentIndex(1);
    QTRY_COMPARE_WITH_TIMEOUT(window.driverState(), 2, 2 * STEP_TIMEOUT_MS);
    QCOMPARE(promptTrace(), QStringList{"warning|Error|The detected driver is not supported!"});
    QCOMPARE(actionStates(window), QStringLiteral("DDD"));
    QVERIFY(window.findChild<QComboBox*>(QStringLiteral("driverComboBox"))->isEnabled());
}

QTEST_MAIN(TestMainWindowTool)
#include "tst_mainwindow_tool.moc"
