#include "globals.h"
#include "ptypair.h"
#include "serialcommunication.h"
#include "simprogtool.h"

#include <QtTest>

#include <memory>

// The boot loader's frames wait 12 s for an answer (the driver may be busy erasing its flash),
// the enter-boot frame with its zero read time as well as any other frame. Both are timed at
// once on two links, so the executable takes 12 s, not 24.
class TestSerialBootWait : public QObject
{
    Q_OBJECT
private slots:
    void bootFramesWait12Seconds();
};

void TestSerialBootWait::bootFramesWait12Seconds()
{
    constexpr int BOOT_ANSWER_WAIT_MS = 12000;
    programToolIndex = PROG_TOOL_DALI;
    const QList<QByteArray> frames{QByteArray::fromHex("fa040705"), QByteArray::fromHex("fa0401ff")};

    PtyPair ptys[2];
    SerialCommunication links[2];
    std::unique_ptr<SimProgTool> tools[2];
    std::unique_ptr<QSignalSpy> errors[2];
    for (int i = 0; i < 2; ++i) {
        QVERIFY(ptys[i].isOpen());
        tools[i] = std::make_unique<SimProgTool>(&ptys[i], SimProgTool::Kind::DaliTool);
        const ToolPortInfo port = ftdiToolPort(ptys[i].slavePath());
        links[i].setPortLister([port] { return QList<ToolPortInfo>{port}; });
        links[i].setWorkMode(SENDER_BOOT);
        QSignalSpy responses(&links[i], &SerialCommunication::debug_msg);
        QVERIFY(!links[i].checkToolPort(SerialCommunication::TOOL_KIND_DALI));
        QVERIFY(responses.wait(2000));
        QVERIFY(links[i].checkToolPort(SerialCommunication::TOOL_KIND_DALI));
        tools[i]->setSilent(true);
        errors[i] = std::make_unique<QSignalSpy>(&links[i], &SerialCommunication::communicateError);
    }

    const qint64 start = SimProgTool::clockMs();
    for (int i = 0; i < 2; ++i)
        links[i].sendBootCommand(frames.at(i));
    QTRY_VERIFY_WITH_TIMEOUT(errors[0]->count() == 1 && errors[1]->count() == 1, BOOT_ANSWER_WAIT_MS + 2000);
    QVERIFY(SimProgTool::clockMs() - start >= BOOT_ANSWER_WAIT_MS - 2);
    for (int i = 0; i < 2; ++i) {
        QCOMPARE(errors[i]->at(0).at(0).toInt(), int(COMM_ERR_TIMEOUT));
        QCOMPARE(tools[i]->frameBytes().last().toHex(), frames.at(i).toHex());
    }
}

QTEST_GUILESS_MAIN(TestSerialBootWait)
#include "tst_serialbootwait.moc"
