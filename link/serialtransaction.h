#ifndef SERIALTRANSACTION_H
#define SERIALTRANSACTION_H

#include <QByteArray>
#include <QObject>
#include <QSerialPort>
#include <QString>

class QTimer;

// One request/answer exchange at a time with the programming tool on one serial port.
//
// A request is written in one go; the answer is complete when the framing rule of the current
// programming tool says so (programToolIndex 0: whatever arrives within the read time after the
// first byte; 1: the USB tool's length byte plus four, else the read time), or it ends in a
// time-out after four times the wait time, or in a port error. Every request gets exactly one of
// serialResponse, serialTimeout or serialError unless its caller abandons it or writes the next
// request first; bytes that arrive when no request is waiting (the tail of an answer already
// delivered) are dropped, never delivered as a second answer.
// A port whose line the system reports hung up (adapter pulled) is closed and reported at once
// with serialError("serial port error!"), whether a request waits on it or not; every later
// request ends the same way. A read or resource error on a line that has not hung up (a read
// notification that found the input already cleared) is no loss: the port stays open.
class SerialTransaction : public QObject
{
    Q_OBJECT
public:
    // The answer-wait timer runs this many times the wait time the caller gives.
    static constexpr int WAIT_TIME_FACTOR = 4;
    static constexpr int INITIAL_WAIT_TIME = 50;
    static constexpr int INITIAL_READ_TIME = 500;

    explicit SerialTransaction(QObject* parent = nullptr);
    ~SerialTransaction() override;

    // Closes the port (open or not) and opens portName at baudRate, 8N1, no flow control.
    // On failure emits serialError("Can't open serial port, error code %1").
    bool openPort(const QString& portName, int baudRate);
    // The same without the error report, for callers that handle the failure themselves
    // (the detection skips a busy or vanished port); portError() tells why it failed.
    bool tryOpenPort(const QString& portName, int baudRate);

    // Writes request and waits for its answer: read time counted from the first answer byte,
    // answer-wait timer WAIT_TIME_FACTOR x waitTime. Ends any exchange still pending.
    void transaction(const QByteArray& request, int readTime, int waitTime);
    // Ends the exchange in flight without any report: its caller has replaced the request and
    // wants neither its answer nor its time-out. The port stays open.
    void abandon();
    // The next request first waits until the line has been quiet for its read time; bytes that
    // arrive meanwhile are dropped. For after an answer cut short: its late tail must not be
    // taken for the beginning of the next answer. The answer-wait timer runs from the request
    // call, so a line that never falls quiet ends in a time-out.
    void letLineFallQuiet();

    // The name the port was last opened by, as the caller gave it.
    QString portName() const;
    int baudRate() const;
    bool isOpen() const;
    int portError() const; // QSerialPort::SerialPortError as a number
    bool isAwaitingAnswer() const;

signals:
    void serialResponse(const QByteArray& s);
    void serialError(const QString& s);
    void serialTimeout(const QString& s);

private slots:
    void handleWriteTimeout();
    void handleReadyRead();
    void handleReadTimeout();
    void handlePortError(QSerialPort::SerialPortError error);
    void checkPort();
    void handleLineQuiet();

private:
    // True when the port is closed or the system reports its line hung up (it is then closed);
    // an error report on a healthy line is cleared.
    bool portGone();
    void writeRequest();
    void endExchange();
    void deliverAnswer();
    static QString timeOfDay();

    QSerialPort* port;
    QString openedName; // as given to the last open, which is how the detection names ports
    QByteArray request;
    QByteArray buffer;
    QTimer* readTimer;
    QTimer* waitTimer;
    QTimer* quietTimer;
    int waitTime = INITIAL_WAIT_TIME;
    int readTime = INITIAL_READ_TIME;
    bool awaitingAnswer = false;
    bool quietBeforeNext = false;
    bool settling = false; // the request waits for the line to fall quiet
    bool portCheckQueued = false;
};

#endif // SERIALTRANSACTION_H
