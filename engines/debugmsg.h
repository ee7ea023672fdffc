#ifndef DEBUGMSG_H
#define DEBUGMSG_H

#include <QObject>

// Writes the progress lines of the link, the engines and the window to "debug_msg.txt" in the
// working directory. The file is emptied at every start and takes at most 5000 messages a run.
class DebugMsg : public QObject
{
    Q_OBJECT
public:
    static constexpr int MAX_MESSAGES = 5000;

    explicit DebugMsg(QObject* parent = nullptr);

public slots:
    void print_debug_msg(QString msg);
};

#endif // DEBUGMSG_H
