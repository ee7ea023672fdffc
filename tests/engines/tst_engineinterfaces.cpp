#include "bootloader.h"
#include "daliconsole.h"
#include "dalipowermonitor.h"
#include "feig_nfc.h"
#include "iprogramming.h"
#include "serialcommunication.h"
#include "st_nfc.h"

#include <QMetaMethod>
#include <QSignalSpy>
#include <QtTest>

// The window connects to the engines with string signatures, which only warn at run time when a
// name or an argument type drifts. Every signal and slot the window wires is checked here, and
// each signal against the signature of the slot it is wired to.
class TestEngineInterfaces : public QObject
{
    Q_OBJECT
private slots:
    void wiredSignalsExist_data();
    void wiredSignalsExist();
    void wiredSlotsExist_data();
    void wiredSlotsExist();
    void serialLinkWiringConnects_data();
    void serialLinkWiringConnects();
    void firmwareUpdateWithoutToolOrImageOnlyReports_data();
    void firmwareUpdateWithoutToolOrImageOnlyReports();
};

namespace {

const QMetaObject* metaObjectOf(const QString& name)
{
    static const QMap<QString, const QMetaObject*> classes = {
        {"DaliConsole", &DaliConsole::staticMetaObject},
        {"iProgramming", &iProgramming::staticMetaObject},
        {"FEIG_NFC", &FEIG_NFC::staticMetaObject},
        {"ST_NFC", &ST_NFC::staticMetaObject},
        {"DaliPowerMonitor", &DaliPowerMonitor::staticMetaObject},
        {"BootLoader", &BootLoader::staticMetaObject},
    };
    return classes.value(name);
}

QObject* makeEngine(const QString& name)
{
    if (name == "DaliConsole")
        return new DaliConsole;
    if (name == "iProgramming")
        return new iProgramming;
    if (name == "DaliPowerMonitor")
        return new DaliPowerMonitor;
    if (name == "BootLoader")
        return new BootLoader;
    return nullptr;
}

} // namespace

void TestEngineInterfaces::wiredSignalsExist_data()
{
    QTest::addColumn<QString>("engine");
    QTest::addColumn<QString>("signal");
    QTest::addColumn<QString>("receiver"); // the slot it is wired to

    const char* dali = "sendDaliCommand(int,int,int,int)";
    const char* debug = "print_debug_msg(QString)";
    QTest::newRow("console sendCommand") << "DaliConsole" << "sendCommand(int,int,int,int)" << dali;
    QTest::newRow("console displayConsoleResponse") << "DaliConsole" << "displayConsoleResponse(QByteArray)" << "processDaliConsoleDisplay(QByteArray)";
    QTest::newRow("console cmdSeqFinish") << "DaliConsole" << "cmdSeqFinish()" << "cmdSeqFinishProcess()";
    QTest::newRow("console displayCmdSequenceItem") << "DaliConsole" << "displayCmdSequenceItem(int)" << "updateCmdSequenceItemDisplay(int)";
    QTest::newRow("console debug_msg") << "DaliConsole" << "debug_msg(QString)" << debug;

    QTest::newRow("iProgramming sendCommand") << "iProgramming" << "sendCommand(int,QByteArray,int)" << "sendiProgCommand(int,QByteArray,int)";
    for (const char* engine : {"iProgramming", "FEIG_NFC", "ST_NFC"}) {
        const QString e(engine);
        QTest::newRow(qPrintable(e + " enableDriverDetectTimerSignal")) << e << "enableDriverDetectTimerSignal(bool)" << "enableDriverDetectTimerSlot(bool)";
        QTest::newRow(qPrintable(e + " programmingStateUpdatedSignal")) << e << "programmingStateUpdatedSignal(ProgStateDef)" << "programmingStateUpdateSlot(ProgStateDef)";
        QTest::newRow(qPrintable(e + " driverConnectionStateChangeSignal")) << e << "driverConnectionStateChangeSignal(int)" << "driverConnectionStateUpdateSlot(int)";
        QTest::newRow(qPrintable(e + " productInfoReadUpdateSignal")) << e << "productInfoReadUpdateSignal(int,QString,int)" << "readProductInfoUpdateSlot(int,QString,int)";
        QTest::newRow(qPrintable(e + " resetOptResultSignal")) << e << "resetOptResultSignal(int)" << "resetOptStateUpdateSlot(int)";
        QTest::newRow(qPrintable(e + " debug_msg")) << e << "debug_msg(QString)" << debug;
    }
    QTest::newRow("FEIG_NFC communicateError") << "FEIG_NFC" << "communicateError(int)" << "processCommError(int)";
    QTest::newRow("ST_NFC communicateError") << "ST_NFC" << "communicateError(int)" << "processCommError(int)";

    QTest::newRow("power monitor sendCommand") << "DaliPowerMonitor" << "sendCommand(int,int,int,int)" << dali;
    QTest::newRow("power monitor updatePowerMonitorDisplay") << "DaliPowerMonitor" << "updatePowerMonitorDisplay(int,double*,uint)" << "processPowerMonitorDisplay(int,double*,uint)";
    QTest::newRow("power monitor powerDataReadResult") << "DaliPowerMonitor" << "powerDataReadResult(bool)" << "processPowerDataReadResult(bool)";
    QTest::newRow("power monitor debug_msg") << "DaliPowerMonitor" << "debug_msg(QString)" << debug;

    QTest::newRow("boot loader sendCommand") << "BootLoader" << "sendCommand(QByteArray)" << "sendBootCommand(QByteArray)";
    QTest::newRow("boot loader showBootMessage") << "BootLoader" << "showBootMessage(QString)" << "appendBootMessage(QString)";
    QTest::newRow("boot loader updateBootProgress") << "BootLoader" << "updateBootProgress(int,int)" << "updateBootProgressBar(int,int)";
}

void TestEngineInterfaces::wiredSignalsExist()
{
    QFETCH(QString, engine);
    QFETCH(QString, signal);
    QFETCH(QString, receiver);

    const QMetaObject* meta = metaObjectOf(engine);
    QVERIFY(meta);
    const int index = meta->indexOfSignal(QMetaObject::normalizedSignature(qPrintable(signal)));
    QVERIFY2(index >= 0, qPrintable(engine + " has no signal " + signal));
    QCOMPARE(QString::fromLatin1(meta->method(index).methodSignature()), signal);
    QVERIFY2(QMetaObject::checkConnectArgs(qPrintable(signal), qPrintable(receiver)),
             qPrintable(signal + " cannot reach " + receiver));
}

void TestEngineInterfaces::wiredSlotsExist_data()
{
    QTest::addColumn<QString>("engine");
    QTest::addColumn<QString>("slot");
    QTest::addColumn<QString>("sender"); // the signal wired to it

    const char* response = "commandResponse(QByteArray)";
    const char* complete = "commandSendComplete()";
    const char* commError = "communicateError(int)";
    const char* tick = "timeout()";
    const char* toolChange = "toolConnectionChangeSignal(int)";

    QTest::newRow("console response") << "DaliConsole" << "daliConsoleCommandResponse(QByteArray)" << response;
    QTest::newRow("console sequence") << "DaliConsole" << "sendDaliConsoleCmdSequence()" << complete;

    QTest::newRow("iProgramming response") << "iProgramming" << "iProgrammingResponse(QByteArray)" << response;
    QTest::newRow("iProgramming sequence") << "iProgramming" << "sendProgrammingCmdSequence()" << complete;
    QTest::newRow("iProgramming error") << "iProgramming" << "processCommError(int)" << commError;
    for (const char* engine : {"iProgramming", "FEIG_NFC", "ST_NFC"}) {
        const QString e(engine);
        QTest::newRow(qPrintable(e + " driver detection")) << e << "checkDriverConnection()" << tick;
        QTest::newRow(qPrintable(e + " tool change")) << e << "toolConnectionStateChange(int)" << toolChange;
    }

    QTest::newRow("power monitor response") << "DaliPowerMonitor" << "daliPowerMonitorResponse(QByteArray)" << response;
    QTest::newRow("power monitor sequence") << "DaliPowerMonitor" << "sendDaliPowerMonitorCmdSequence()" << complete;
    QTest::newRow("power monitor error") << "DaliPowerMonitor" << "processCommError(int)" << commError;

    QTest::newRow("boot loader response") << "BootLoader" << "bootLoaderCommandResponse(QByteArray)" << response;
    QTest::newRow("boot loader sequence") << "BootLoader" << "sendBootloaderCmdSequence()" << complete;
    QTest::newRow("boot loader error") << "BootLoader" << "processCommError(int)" << commError;
    QTest::newRow("boot loader tool change") << "BootLoader" << "toolConnectionStateChange(int)" << toolChange;
}

void TestEngineInterfaces::wiredSlotsExist()
{
    QFETCH(QString, engine);
    QFETCH(QString, slot);
    QFETCH(QString, sender);

    const QMetaObject* meta = metaObjectOf(engine);
    QVERIFY(meta);
    const int index = meta->indexOfSlot(QMetaObject::normalizedSignature(qPrintable(slot)));
    QVERIFY2(index >= 0, qPrintable(engine + " has no slot " + slot));
    QCOMPARE(meta->method(index).access(), QMetaMethod::Public);
    QVERIFY2(QMetaObject::checkConnectArgs(qPrintable(sender), qPrintable(slot)),
             qPrintable(sender + " cannot reach " + slot));
}

void TestEngineInterfaces::serialLinkWiringConnects_data()
{
    QTest::addColumn<QString>("engine");
    QTest::addColumn<bool>("fromEngine");
    QTest::addColumn<QByteArray>("signal");
    QTest::addColumn<QByteArray>("slot");

    const QByteArray response = SIGNAL(commandResponse(QByteArray));
    const QByteArray complete = SIGNAL(commandSendComplete());
    const QByteArray error = SIGNAL(communicateError(int));

    QTest::newRow("console request") << "DaliConsole" << true << QByteArray(SIGNAL(sendCommand(int, int, int, int))) << QByteArray(SLOT(sendDaliCommand(int, int, int, int)));
    QTest::newRow("console response") << "DaliConsole" << false << response << QByteArray(SLOT(daliConsoleCommandResponse(QByteArray)));
    QTest::newRow("console sequence") << "DaliConsole" << false << complete << QByteArray(SLOT(sendDaliConsoleCmdSequence()));
    QTest::newRow("iProgramming request") << "iProgramming" << true << QByteArray(SIGNAL(sendCommand(int, QByteArray, int))) << QByteArray(SLOT(sendiProgCommand(int, QByteArray, int)));
    QTest::newRow("iProgramming response") << "iProgramming" << false << response << QByteArray(SLOT(iProgrammingResponse(QByteArray)));
    QTest::newRow("iProgramming sequence") << "iProgramming" << false << complete << QByteArray(SLOT(sendProgrammingCmdSequence()));
    QTest::newRow("iProgramming error") << "iProgramming" << false << error << QByteArray(SLOT(processCommError(int)));
    QTest::newRow("power monitor request") << "DaliPowerMonitor" << true << QByteArray(SIGNAL(sendCommand(int, int, int, int))) << QByteArray(SLOT(sendDaliCommand(int, int, int, int)));
    QTest::newRow("power monitor response") << "DaliPowerMonitor" << false << response << QByteArray(SLOT(daliPowerMonitorResponse(QByteArray)));
    QTest::newRow("power monitor sequence") << "DaliPowerMonitor" << false << complete << QByteArray(SLOT(sendDaliPowerMonitorCmdSequence()));
    QTest::newRow("power monitor error") << "DaliPowerMonitor" << false << error << QByteArray(SLOT(processCommError(int)));
    QTest::newRow("boot loader request") << "BootLoader" << true << QByteArray(SIGNAL(sendCommand(QByteArray))) << QByteArray(SLOT(sendBootCommand(QByteArray)));
    QTest::newRow("boot loader response") << "BootLoader" << false << response << QByteArray(SLOT(bootLoaderCommandResponse(QByteArray)));
    QTest::newRow("boot loader sequence") << "BootLoader" << false << complete << QByteArray(SLOT(sendBootloaderCmdSequence()));
    QTest::newRow("boot loader error") << "BootLoader" << false << error << QByteArray(SLOT(processCommError(int)));
}

void TestEngineInterfaces::serialLinkWiringConnects()
{
    QFETCH(QString, engine);
    QFETCH(bool, fromEngine);
    QFETCH(QByteArray, signal);
    QFETCH(QByteArray, slot);

    QScopedPointer<QObject> object(makeEngine(engine));
    QVERIFY(object);
    SerialCommunication link;
    QObject* from = fromEngine ? object.data() : static_cast<QObject*>(&link);
    QObject* to = fromEngine ? static_cast<QObject*>(&link) : object.data();
    QVERIFY(QObject::connect(from, signal.constData(), to, slot.constData()));
}

void TestEngineInterfaces::firmwareUpdateWithoutToolOrImageOnlyReports_data()
{
    QTest::addColumn<int>("tool");
    QTest::addColumn<QString>("message");
    QTest::newRow("no tool") << 0 << "Program tool not connected, please check tool connection!";
    QTest::newRow("no image") << 1 << "Firmware not found, please load firmware first!";
}

void TestEngineInterfaces::firmwareUpdateWithoutToolOrImageOnlyReports()
{
    QFETCH(int, tool);
    QFETCH(QString, message);

    BootLoader boot;
    boot.setEnabled(1);
    boot.toolConnectionStateChange(tool);
    QSignalSpy shown(&boot, &BootLoader::showBootMessage);
    QSignalSpy sent(&boot, &BootLoader::sendCommand);
    boot.startFirmwareUpdate();
    QCOMPARE(shown.count(), 1);
    QCOMPARE(shown.at(0).at(0).toString(), message);
    QCOMPARE(sent.count(), 0);
}

QTEST_GUILESS_MAIN(TestEngineInterfaces)
#include "tst_engineinterfaces.moc"
