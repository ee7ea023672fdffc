#include "serialtransaction.h"

#include "globals.h"
#include "usbframe.h"

#include <QTime>
#include <QTimer>

#ifdef Q_OS_UNIX
#include <poll.h>
#endif

namespace {

const char* const PORT_ERROR_TEXT = "serial port error!";

// Error states that may mean the port itself is gone or broken, not a single bad exchange. A USB
// adapter pulled while open shows as a resource error; a hung-up line keeps reporting read
// errors on every notification, so the port is closed rather than left spinning.
bool mayBeLost(QSerialPort::SerialPortError error)
{
    return error == QSerialPort::DeviceNotFoundError || error == QSerialPort::WriteError
           || error == QSerialPort::ReadError || error == QSerialPort::ResourceError;
}

// Whether the system reports the line hung up or failed. The serial port library reports a read
// notification that found no byte (the input was cleared after the notification was due) with the
// same error codes as a pulled adapter; only the descriptor tells them apart.
bool lineHungUp(const QSerialPort* port)
{
#ifdef Q_OS_UNIX
    pollfd line{int(port->handle()), POLLIN, 0};
    if (::poll(&line, 1, 0) < 0)
        return false;
    return (line.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0;
#else
    Q_UNUSED(port)
    return true;
#endif
}

} // namespace

SerialTransaction::SerialTransaction(QObject* parent)
    : QObject(parent)
    , port(new QSerialPort(this))
    , readTimer(new QTimer(this))
    , waitTimer(new QTimer(this))
    , quietTimer(new QTimer(this))
{
    // The read and wait times are part of the tool protocols; coarse timers may fire 5 % early.
    waitTimer->setSingleShot(true);
    waitTimer->setTimerType(Qt::PreciseTimer);
    readTimer->setSingleShot(true);
    readTimer->setTimerType(Qt::PreciseTimer);
    readTimer->setInterval(readTime);
    waitTimer->setInterval(WAIT_TIME_FACTOR * waitTime);
    quietTimer->setSingleShot(true);
    quietTimer->setTimerType(Qt::PreciseTimer);
    connect(quietTimer, &QTimer::timeout, this, &SerialTransaction::handleLineQuiet);

    connect(waitTimer, &QTimer::timeout, this, &SerialTransaction::handleWriteTimeout);
    connect(port, &QSerialPort::readyRead, this, &SerialTransaction::handleReadyRead);
    connect(readTimer, &QTimer::timeout, this, &SerialTransaction::handleReadTimeout);
    connect(port, &QSerialPort::errorOccurred, this, &SerialTransaction::handlePortError);
}

SerialTransaction::~SerialTransaction()
{
    readTimer->stop();
    waitTimer->stop();
    if (port->isOpen())
        port->close();
}

bool SerialTransaction::tryOpenPort(const QString& portName, int baudRate)
{
    port->close();
    quietBeforeNext = false; // a port opened afresh carries no tail
    openedName = portName;
    port->setPortName(portName);
    port->setBaudRate(baudRate);
    port->setDataBits(QSerialPort::Data8);
    port->setParity(QSerialPort::NoParity);
    port->setStopBits(QSerialPort::OneStop);
    port->setFlowControl(QSerialPort::NoFlowControl);
    return port->open(QIODevice::ReadWrite);
}

bool SerialTransaction::openPort(const QString& portName, int baudRate)
{
    if (tryOpenPort(portName, baudRate))
        return true;
    emit serialError(tr("Can't open serial port, error code %1").arg(int(port->error())));
    return false;
}

void SerialTransaction::transaction(const QByteArray& req, int readTimeMs, int waitTimeMs)
{
    // A timer left over from the previous exchange would cut this one short or report a
    // time-out for a request that already had its answer.
    endExchange();
    request = req;
    waitTime = waitTimeMs;
    readTime = readTimeMs;
    waitTimer->setInterval(WAIT_TIME_FACTOR * waitTime);
    readTimer->setInterval(readTime);
    buffer.clear();

    if (portGone()) {
        emit serialError(QString::fromLatin1(PORT_ERROR_TEXT));
        return;
    }

    // Whatever is still unread belongs to an earlier exchange and must not be taken for
    // this request's answer.
    port->readAll();
    port->clear(QSerialPort::Input);

    awaitingAnswer = true;
    waitTimer->start();
    if (quietBeforeNext) {
        quietBeforeNext = false;
        settling = true;
        quietTimer->start(readTime);
        return;
    }
    writeRequest();
}

void SerialTransaction::writeRequest()
{
    if (port->write(request) == -1 || port->error() == QSerialPort::WriteError) {
        // The request cannot go out: the port counts as lost, and its loss is reported here once.
        port->close();
        endExchange();
        emit serialError(QString::fromLatin1(PORT_ERROR_TEXT));
    }
}

void SerialTransaction::letLineFallQuiet()
{
    quietBeforeNext = true;
}

void SerialTransaction::handleLineQuiet()
{
    if (!settling)
        return;
    settling = false;
    port->readAll();
    port->clear(QSerialPort::Input);
    writeRequest();
}

void SerialTransaction::abandon()
{
    endExchange();
}

void SerialTransaction::handleReadyRead()
{
    const QByteArray bytes = port->readAll();
    if (settling) {
        // The tail of the answer cut short: dropped, and the line must be quiet for as long again.
        quietTimer->start();
        return;
    }
    if (!awaitingAnswer)
        return;
    buffer.append(bytes);

    switch (programToolIndex) {
    case PROG_TOOL_DALI:
        // The DALI tool's answer has no length field: everything that arrives within the read
        // time after the first chunk is the answer.
        waitTimer->stop();
        if (!readTimer->isActive())
            readTimer->start();
        break;
    case PROG_TOOL_IPROG: {
        // The length byte is unsigned: a USB tool answer carries up to 255 data bytes.
        const int expected = buffer.size() < 2
                                 ? IPROG_FRAME_OVERHEAD
                                 : int(quint8(buffer.at(1))) + IPROG_FRAME_OVERHEAD;
        if (buffer.size() == expected)
            deliverAnswer();
        else if (!readTimer->isActive())
            readTimer->start();
        break;
    }
    default:
        // No serial framing for the NFC readers: the answer-wait timer decides.
        break;
    }
}

void SerialTransaction::handleReadTimeout()
{
    if (!awaitingAnswer)
        return;
    if (buffer.isEmpty()) {
        endExchange();
        emit serialTimeout(tr("Wait read response timeout %1").arg(timeOfDay()));
        return;
    }
    deliverAnswer();
}

void SerialTransaction::handleWriteTimeout()
{
    if (!awaitingAnswer)
        return;
    endExchange();
    emit serialTimeout(tr("Write timeout %1, error: %2").arg(timeOfDay(), port->errorString()));
}

bool SerialTransaction::portGone()
{
    if (!port->isOpen())
        return true;
    if (!mayBeLost(port->error()))
        return false;
    if (lineHungUp(port)) {
        port->close();
        return true;
    }
    // A healthy line: the library has also stopped its read notifications after the empty read,
    // and setting the read buffer size starts them again.
    port->clearError();
    port->setReadBufferSize(port->readBufferSize());
    return false;
}

void SerialTransaction::handlePortError(QSerialPort::SerialPortError error)
{
    // Open failures are reported by the caller of openPort; only a running port is handled here.
    // The port is not closed from inside its own error report: that comes from the middle of
    // its read or write handling.
    if (!port->isOpen() || !mayBeLost(error) || portCheckQueued)
        return;
    portCheckQueued = true;
    QMetaObject::invokeMethod(this, &SerialTransaction::checkPort, Qt::QueuedConnection);
}

void SerialTransaction::checkPort()
{
    portCheckQueued = false;
    if (!port->isOpen() || !portGone())
        return; // closed or reopened meanwhile, or a healthy line
    // Reported also while no request waits: on an idle line the loss is known at once, not only
    // when the next request finds the port closed.
    endExchange();
    emit serialError(QString::fromLatin1(PORT_ERROR_TEXT));
}

void SerialTransaction::endExchange()
{
    readTimer->stop();
    waitTimer->stop();
    quietTimer->stop();
    settling = false;
    awaitingAnswer = false;
}

void SerialTransaction::deliverAnswer()
{
    // The state is settled before the signal: its receivers may start the next request at once.
    endExchange();
    emit serialResponse(buffer);
}

QString SerialTransaction::timeOfDay()
{
    return QTime::currentTime().toString(QStringLiteral("mm:ss:zzz"));
}

QString SerialTransaction::portName() const
{
    return openedName;
}

int SerialTransaction::baudRate() const
{
    return port->baudRate();
}

bool SerialTransaction::isOpen() const
{
    return port->isOpen();
}

int SerialTransaction::portError() const
{
    return int(port->error());
}

bool SerialTransaction::isAwaitingAnswer() const
{
    return awaitingAnswer;
}
