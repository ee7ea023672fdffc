// The serial answer path: a request goes out through SerialTransaction on a pseudo-terminal, and a
// tool on the other side answers in chunks of any size. Promises: the tool receives the request as
// it was given; every request gets exactly one outcome; an answer delivered is what the tool sent
// (all of it for a whole USB tool frame, else a non-empty beginning of it: the rest came after the
// read time and is dropped); no answer at all is a time-out.
//
// Input: [tool][chunk count][chunk lengths...][answer bytes...]. Tool bit 0 picks the USB tool
// framing (its length byte is set to match, so the frame is whole), else the DALI tool's.

#include "fuzzcheck.h"
#include "globals.h"
#include "ptypair.h"
#include "serialtransaction.h"
#include "usbframe.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>

#include <cstddef>
#include <cstdint>
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace {

// The DALI tool's answer ends with the read time; short here so that a run tries many inputs.
constexpr int DALI_READ_TIME_MS = 10;
constexpr int USB_READ_TIME_MS = 180;
// x4 until a silent tool times out. The USB tool's answer-wait timer keeps running beside the read
// timer, so it is longer than the read time, as on the real line.
constexpr int DALI_WAIT_TIME_MS = 5;
constexpr int USB_WAIT_TIME_MS = 100;
constexpr int OUTCOME_LIMIT_MS = 5000;

struct Rig
{
    PtyPair pty;
    SerialTransaction link;
    QList<QByteArray> answers;
    int outcomes = 0;

    Rig()
    {
        FUZZ_CHECK(pty.isOpen());
        FUZZ_CHECK(link.openPort(pty.slavePath(), 19200));
        QObject::connect(&link, &SerialTransaction::serialResponse, [this](const QByteArray& a) {
            answers << a;
            ++outcomes;
        });
        QObject::connect(&link, &SerialTransaction::serialTimeout, [this] { ++outcomes; });
        QObject::connect(&link, &SerialTransaction::serialError, [this] { ++outcomes; });
    }

    int unreadBySlave() const
    {
        int n = 0;
        ioctl(pty.slaveFd(), FIONREAD, &n);
        return n;
    }

    // The port writes from the event loop, so the loop runs while the tool listens.
    QByteArray readRequest(int size)
    {
        QByteArray got;
        QElapsedTimer t;
        t.start();
        while (got.size() < size && t.elapsed() < OUTCOME_LIMIT_MS) {
            QCoreApplication::processEvents(QEventLoop::AllEvents);
            pollfd p{pty.masterFd(), POLLIN, 0};
            poll(&p, 1, 1);
            char buf[512];
            const ssize_t n = ::read(pty.masterFd(), buf, sizeof buf);
            if (n > 0)
                got.append(buf, int(n));
        }
        return got;
    }

    // Writes one chunk and lets the link take it before the next one comes.
    void send(const QByteArray& chunk)
    {
        FUZZ_CHECK(::write(pty.masterFd(), chunk.constData(), size_t(chunk.size())) == chunk.size());
        QElapsedTimer t;
        t.start();
        do
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 1);
        while (unreadBySlave() > 0 && outcomes == 0 && t.elapsed() < OUTCOME_LIMIT_MS);
    }

    void waitForOutcome()
    {
        QElapsedTimer t;
        t.start();
        while (outcomes == 0 && t.elapsed() < OUTCOME_LIMIT_MS)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 10);
    }

    static void spin(int ms)
    {
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < ms)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 1);
    }
};

Rig* rig = nullptr;

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    new QCoreApplication(*argc, *argv);
    rig = new Rig;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 2)
        return 0;
    const bool usb = data[0] & 1;
    const int chunkCount = 1 + data[1] % 8;
    size_t at = 2;
    QList<int> lengths;
    for (int i = 0; i < chunkCount - 1 && at < size; ++i)
        lengths << 1 + data[at++] % 16;
    QByteArray answer(reinterpret_cast<const char*>(data + at), int(size - at));
    if (usb && answer.size() >= IPROG_FRAME_OVERHEAD && answer.size() - IPROG_FRAME_OVERHEAD <= 255)
        answer[1] = char(answer.size() - IPROG_FRAME_OVERHEAD);
    const bool wholeFrame = usb && answer.size() >= IPROG_FRAME_OVERHEAD &&
                            answer.size() == quint8(answer.at(1)) + IPROG_FRAME_OVERHEAD;

    programToolIndex = usb ? PROG_TOOL_IPROG : PROG_TOOL_DALI;
    const QByteArray request = usb ? QByteArray::fromHex("01002000") : QByteArray::fromHex("c10001");
    rig->answers.clear();
    rig->outcomes = 0;
    rig->link.transaction(request, usb ? USB_READ_TIME_MS : DALI_READ_TIME_MS,
                          usb ? USB_WAIT_TIME_MS : DALI_WAIT_TIME_MS);
    FUZZ_CHECK(rig->readRequest(request.size()) == request);

    int from = 0;
    for (int length : lengths) {
        if (from >= answer.size())
            break;
        rig->send(answer.mid(from, length));
        from += length;
    }
    if (from < answer.size())
        rig->send(answer.mid(from));
    rig->waitForOutcome();
    // A timer left running would report a second outcome, here or during the next input.
    Rig::spin(2);

    FUZZ_CHECK(rig->outcomes == 1);
    if (answer.isEmpty()) {
        FUZZ_CHECK(rig->answers.isEmpty());
        return 0;
    }
    FUZZ_CHECK(rig->answers.size() == 1);
    const QByteArray& delivered = rig->answers.first();
    FUZZ_CHECK(!delivered.isEmpty() && answer.startsWith(delivered));
    if (wholeFrame)
        FUZZ_CHECK(delivered == answer);
    return 0;
}
