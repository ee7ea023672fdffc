// The Firmware Update tab end to end: the real window, the simulated DALI programming tool on a
// pseudo-terminal (found by the window's own tool detection) and a driver's boot loader behind it.
// The HEX files are real toolchain output (tests/engines/data/make_hex.sh).

#include "mainwindow.h"

#include "mainwindow_testsupport.h"
#include "ptypair.h"
#include "simbootloader.h"
#include "simprogtool.h"

#include <QtTest>
#include <QtWidgets>

#include <memory>

namespace {

constexpr int STEP_TIMEOUT_MS = 30000;
const QString DATA_DIR = QStringLiteral(HEX_SAMPLES_DIR "/");
const QByteArray ENTER_FRAME = hex("FA 04 07 05");
const QByteArray EXIT_FRAME = hex("FA 04 04 02");
const QString SUCCESS_LINE = QStringLiteral("Firmware has been updated successfully.");
const QString STARTED_LINE = QStringLiteral("Firmware update started, please wait...");

QByteArray program()
{
    QFile file(DATA_DIR + "firmware.bin");
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

// Destroyed in reverse order: the window lets go of the port before the tool goes.
struct FirmwareBench
{
    WindowTestEnvironment env;
    PtyPair pty;
    SimProgTool tool{&pty, SimProgTool::Kind::DaliTool};
    SimBootLoader driver{&tool};
    std::unique_ptr<MainWindow> window;
    QString chosenFile; // what the file dialog answers
    QString trace;      // F for a frame the tool got, A for an answer it sent

    FirmwareBench()
    {
        env.writeProductList({"0,Kavro KLD 075 M0,75,1400,350,1,10,56.0,28.0,0,17FF"});
        const QString port = pty.slavePath();
        setToolPortProvider([port] { return QList<ToolPortInfo>{ftdiToolPort(port)}; });
        QObject::connect(&tool, &SimProgTool::frameReceived, &tool, [this] { trace += 'F'; });
        QObject::connect(&tool, &SimProgTool::answerSent, &tool, [this] { trace += 'A'; });
        Prompt::setResponder([this](const Prompt::Record& r) -> Prompt::Answer {
            if (r.kind == Prompt::Kind::OpenFile)
                return chosenFile;
            if (r.text.startsWith("Please confirm the AC power is off."))
                return QMessageBox::Yes;
            if (r.text.startsWith("Please turn on the AC power now.")) {
                // The user takes a moment: enter-boot frames go out meanwhile, one per answer.
                (void)QTest::qWaitFor([this] { return tool.frameBytes().count(ENTER_FRAME) >= 3; },
                                      STEP_TIMEOUT_MS);
                return QMessageBox::Ok;
            }
            return QMessageBox::Ok;
        });
        window = std::make_unique<MainWindow>();
        window->findChild<QTabWidget*>("tabWidget")->setCurrentIndex(MainWindow::TAB_FIRMWARE_UPDATE);
    }

    template <typename T> T* child(const char* name) const
    {
        return window->findChild<T*>(QString::fromLatin1(name));
    }
    QStringList lines() const
    {
        return child<QTextBrowser>("bootStatusTextBrowser")->toPlainText().split('\n', Qt::SkipEmptyParts);
    }
    QProgressBar* bar() const { return child<QProgressBar>("bootProgressBar"); }
    void load(const QString& path)
    {
        chosenFile = path;
        child<QAction>("loadAction")->trigger();
    }
    void startUpdate()
    {
        tool.clearFrames();
        trace.clear();
        child<QAction>("programAction")->trigger();
    }
    // The boot frames and blocks the tool got since startUpdate().
    QList<QByteArray> bootFrames() const
    {
        QList<QByteArray> frames;
        for (const SimProgTool::Frame& f : tool.frames()) {
            if (f.type == SimProgTool::FrameType::Boot || f.type == SimProgTool::FrameType::BootBlock)
                frames << f.bytes;
        }
        return frames;
    }
    // The frames after the enter-boot frames: check, start, then header and data of each block.
    void verifyDownloadFromBlock1() const
    {
        QList<QByteArray> frames = bootFrames();
        while (!frames.isEmpty() && frames.first() == ENTER_FRAME)
            frames.removeFirst();
        QVERIFY(frames.size() >= 4);
        QCOMPARE(frames.at(0).toHex(' '), hex("FA 04 01 FF").toHex(' '));
        QCOMPARE(frames.at(1).toHex(' '), hex("FA 04 02 00").toHex(' '));
        QCOMPARE(frames.at(2).toHex(' '),
                 hex("FA 09 03 03 02 00 8C E2 79").toHex(' ')); // 512 bytes, sum 0x8CE2
        QVERIFY(frames.at(3) == program().left(512));
    }
};

class TestFirmwareTab : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void updateWritesTheFile();
    void failedUpdate_data();
    void failedUpdate();
};

void TestFirmwareTab::initTestCase()
{
    Q_INIT_RESOURCE(resources);
    QCOMPARE(program().size(), 2112); // 4 blocks of 512 and one of 64
}

void TestFirmwareTab::updateWritesTheFile()
{
    FirmwareBench bench;
    // The tool takes a second detection pass to be found.
    bench.startUpdate();
    QTRY_COMPARE_WITH_TIMEOUT(bench.window->toolState(), 1, STEP_TIMEOUT_MS);

    // A file with a bad record loads nothing, not even the records before it.
    const QByteArray good = ":0420000001020304D2\n";
    bench.env.writeFile("broken.hex", good + good + ":0420100005060708B3\n:00000001FF\n");
    bench.load(bench.env.path("broken.hex"));
    QCOMPARE(promptTrace().last(), QString("information|Error|Hex file check sum error! Line 3"));
    QCOMPARE(bench.child<QLineEdit>("hexFileNameLineEdit")->text(), bench.env.path("broken.hex"));
    // A file far beyond any firmware (3 GiB, sparse) is refused before it is read, naming its size.
    QFile huge(bench.env.path("huge.hex"));
    QVERIFY(huge.open(QIODevice::WriteOnly) && huge.resize(qint64(3) << 30));
    huge.close();
    bench.load(bench.env.path("huge.hex"));
    QCOMPARE(promptTrace().last(), QString("information|Error|Hex file is too large (3221225472 bytes), a "
                                           "firmware hex file has at most 67108864 bytes!"));
    bench.startUpdate();

    bench.load(DATA_DIR + "firmware_srec_linear.hex");
    QCOMPARE(bench.child<QLineEdit>("hexFileNameLineEdit")->text(), DATA_DIR + "firmware_srec_linear.hex");
    // Answers that take a while: the power-on box is answered while an enter-boot frame is out.
    bench.tool.setAnswerDelay(50);
    bench.startUpdate();
    // Mid-transfer the image stays as it is and no second update starts.
    QTRY_VERIFY_WITH_TIMEOUT(bench.bar()->value() >= 2, STEP_TIMEOUT_MS);
    bench.load(bench.env.path("broken.hex"));
    bench.child<QAction>("programAction")->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(bench.lines().contains(SUCCESS_LINE), STEP_TIMEOUT_MS);

    QCOMPARE(
        bench.lines(),
        QStringList({"Program tool not connected, please check tool connection!",
                     "Firmware not found, please load firmware first!",
                     "2096 bytes of the hex file lie outside the application area 0x2000 - 0xBFFF and were "
                     "left out.",
                     "Checking driver's boot state...", "Check driver state success.", STARTED_LINE,
                     "The programmer is busy, please wait...", "The programmer is busy, please wait...",
                     SUCCESS_LINE}));
    QCOMPARE(bench.child<QLineEdit>("hexFileNameLineEdit")->text(), DATA_DIR + "firmware_srec_linear.hex");
    QCOMPARE(promptTrace(),
             QStringList(
                 {"file|Open program document|", "information|Error|Hex file check sum error! Line 3",
                  "file|Open program document|",
                  "information|Error|Hex file is too large (3221225472 bytes), a firmware hex file has at "
                  "most 67108864 bytes!",
                  "file|Open program document|",
                  "warning|Boot load operation|Please confirm the AC power is off. And then click \"Yes\" "
                  "button to continue.",
                  "warning|Boot load operation|Please turn on the AC power now. And then click \"OK\" button "
                  "to continue"}));
    QCOMPARE(Prompt::log().first().filter, QString("Hex Files(*.hex)"));
    QVERIFY(bench.driver.image() == program());
    QCOMPARE(bench.driver.exitCount(), 1);
    QCOMPARE(bench.bar()->maximum(), 5);
    QCOMPARE(bench.bar()->value(), 5);

    // Every frame waited for the answer to the one before, the enter-boot frames too.
    const QList<QByteArray> frames = bench.bootFrames();
    QCOMPARE(bench.trace, QString("FA").repeated(frames.size()));
    bench.verifyDownloadFromBlock1();
    QCOMPARE(frames.at(frames.size() - 3).toHex(' '), hex("FA 09 03 03 00 40 2C FE 73").toHex(' '));
    QVERIFY(frames.at(frames.size() - 2) == program().right(64));
    QCOMPARE(frames.last().toHex(' '), EXIT_FRAME.toHex(' '));

    bench.child<QPushButton>("clearBootMessagePushButton")->click();
    QCOMPARE(bench.lines(), QStringList());
    QCOMPARE(bench.bar()->value(), 5);
}

void TestFirmwareTab::failedUpdate_data()
{
    QTest::addColumn<QString>("failure");
    QTest::addColumn<QStringList>("linesAfterCheck"); // after "Checking driver's boot state..."

    const QStringList started{"Check driver state success.", STARTED_LINE};
    QTest::newRow("driver not in its boot loader")
        << "no boot" << QStringList{"Check driver state fail, please try again!"};
    QTest::newRow("check unanswered") << "silent check" << QStringList{"LED driver is not ready."};
    QTest::newRow("block 3 not written")
        << "reject" << started + QStringList{"Firmware update failed, please try again."};
    QTest::newRow("driver hangs at block 2") << "mute" << started + QStringList{"Load program fail"};
    QTest::newRow("exit unanswered") << "silent exit" << started + QStringList{"Exit boot mode fail"};
}

void TestFirmwareTab::failedUpdate()
{
    QFETCH(QString, failure);
    QFETCH(QStringList, linesAfterCheck);

    FirmwareBench bench;
    QTRY_COMPARE_WITH_TIMEOUT(bench.window->toolState(), 1, STEP_TIMEOUT_MS);
    bench.load(DATA_DIR + "firmware_objcopy.hex");
    if (failure == "no boot")
        bench.driver.setEntersBoot(false);
    else if (failure == "reject")
        bench.driver.rejectBlock(3);
    else if (failure == "mute")
        bench.driver.muteAtBlock(2);
    QObject::connect(&bench.tool, &SimProgTool::frameReceived, &bench.tool, [&](const QByteArray& frame) {
        if ((failure == "silent check" && frame == hex("FA 04 01 FF")) ||
            (failure == "silent exit" && frame == EXIT_FRAME))
            bench.tool.setSilent(true);
    });
    bench.startUpdate();

    QTRY_COMPARE_WITH_TIMEOUT(bench.lines(), QStringList{"Checking driver's boot state..."} + linesAfterCheck,
                              STEP_TIMEOUT_MS);
    QVERIFY(!bench.window->bootLoaderEngine().isUpdateRunning());
    QCOMPARE(bench.bootFrames().contains(EXIT_FRAME), failure == "silent exit");

    // Mended, the next update starts again from the start-download frame and block 1.
    bench.driver.setEntersBoot(true);
    bench.driver.rejectBlock(0);
    bench.driver.muteAtBlock(0);
    bench.tool.setSilent(false);
    failure.clear();
    bench.startUpdate();
    QTRY_VERIFY_WITH_TIMEOUT(bench.lines().contains(SUCCESS_LINE), STEP_TIMEOUT_MS);
    bench.verifyDownloadFromBlock1();
    QVERIFY(bench.driver.image() == program());
}

QTEST_MAIN(TestFirmwareTab)
#include "tst_firmwaretab.moc"
