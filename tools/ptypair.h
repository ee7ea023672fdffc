#ifndef PTYPAIR_H
#define PTYPAIR_H

#include <QObject>
#include <QString>

// A pseudo-terminal pair standing in for a USB serial adapter with a tool behind it.
//
// The product opens slavePath() with QSerialPort like any serial port; a simulated tool
// (SimProgTool) reads and writes the master side. Both sides are opened in raw mode by the
// constructor (check isOpen()). The pair keeps its own slave descriptor open for its whole life,
// so the line survives the product closing and reopening the port, and its settings (baud rate)
// can be read at any time. closeMaster() makes the tool vanish: the product's port then fails
// like an unplugged adapter and the device path goes away. The destructor closes both sides.
class PtyPair : public QObject
{
    Q_OBJECT
public:
    explicit PtyPair(QObject* parent = nullptr);
    ~PtyPair() override;

    PtyPair(const PtyPair&) = delete;
    PtyPair& operator=(const PtyPair&) = delete;

    bool isOpen() const; // both sides open
    bool isMasterOpen() const;
    int masterFd() const; // -1 when closed
    int slaveFd() const;  // -1 when closed
    QString slavePath() const;

    // The baud rate the slave side is set to (by whoever opened it last), 0 when unknown.
    int slaveBaudRate() const;

    void closeMaster();
    void close();

signals:
    // Emitted before the master descriptor is closed, so a tool watching it can stop first.
    void masterAboutToClose();

private:
    int master = -1;
    int slave = -1;
    QString path;
};

#endif // PTYPAIR_H
