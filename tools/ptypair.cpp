#include "ptypair.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

namespace {

struct SpeedEntry
{
    speed_t code;
    int baud;
};

const SpeedEntry speeds[] = {
    {B50, 50},       {B75, 75},       {B110, 110},     {B134, 134},       {B150, 150},
    {B200, 200},     {B300, 300},     {B600, 600},     {B1200, 1200},     {B1800, 1800},
    {B2400, 2400},   {B4800, 4800},   {B9600, 9600},   {B19200, 19200},   {B38400, 38400},
    {B57600, 57600}, {B115200, 115200}, {B230400, 230400},
};

} // namespace

PtyPair::PtyPair(QObject* parent)
    : QObject(parent)
{
    termios settings;
    std::memset(&settings, 0, sizeof settings);
    cfmakeraw(&settings);
    // Not a rate either tool runs at, so a tool that checks the line speed stays deaf until the
    // product has opened the port with its own settings.
    cfsetspeed(&settings, B9600);
    char name[128] = {};
    if (openpty(&master, &slave, name, &settings, nullptr) != 0) {
        master = -1;
        slave = -1;
        return;
    }
    fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);
    fcntl(master, F_SETFD, FD_CLOEXEC);
    fcntl(slave, F_SETFD, FD_CLOEXEC);
    path = QString::fromLocal8Bit(name);
}

PtyPair::~PtyPair()
{
    close();
}

bool PtyPair::isOpen() const
{
    return master >= 0 && slave >= 0;
}

bool PtyPair::isMasterOpen() const
{
    return master >= 0;
}

int PtyPair::masterFd() const
{
    return master;
}

int PtyPair::slaveFd() const
{
    return slave;
}

QString PtyPair::slavePath() const
{
    return path;
}

int PtyPair::slaveBaudRate() const
{
    if (slave < 0)
        return 0;
    termios settings;
    if (tcgetattr(slave, &settings) != 0)
        return 0;
    const speed_t code = cfgetospeed(&settings);
    for (const SpeedEntry& entry : speeds) {
        if (entry.code == code)
            return entry.baud;
    }
    return 0;
}

void PtyPair::closeMaster()
{
    if (master < 0)
        return;
    emit masterAboutToClose();
    ::close(master);
    master = -1;
}

void PtyPair::close()
{
    closeMaster();
    if (slave >= 0) {
        ::close(slave);
        slave = -1;
    }
}
