#include "toolportinfo.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileSystemWatcher>
#include <QPointer>
#include <QSerialPortInfo>

#include <utility>

namespace {

// Listing the serial ports walks the whole device tree (about 1,500 file opens a second at one
// detection pass every 2 s), while ports only come and go with their device nodes. So the list is
// taken again only after the nodes changed.
const char DEVICE_DIRECTORY[] = "/dev";
// A new node's adapter identity (maker, USB ids) is filled in by the system a moment after the
// node appears: the list is taken on every pass until the nodes have been quiet this long.
constexpr qint64 DEVICE_SETTLE_TIME_MS = 5000;

struct WatchedPorts
{
    QPointer<QFileSystemWatcher> watcher;
    QElapsedTimer sinceChange; // running while the list must be taken on every pass
    QList<ToolPortInfo> ports;
};

WatchedPorts& watchedPorts()
{
    static WatchedPorts watched;
    return watched;
}

// The system's ports, listed again only when the device nodes changed. Where there is no device
// directory to watch (or no application to deliver its changes) every call lists them.
QList<ToolPortInfo> watchedToolPorts()
{
    WatchedPorts& w = watchedPorts();
    QCoreApplication* app = QCoreApplication::instance();
    if (!app)
        return availableToolPorts();
    if (!w.watcher) {
        // Owned by the application, so it goes with it and a later one gets a watcher of its own.
        w.watcher = new QFileSystemWatcher(app);
        if (!w.watcher->addPath(QString::fromLatin1(DEVICE_DIRECTORY)))
            return availableToolPorts();
        QObject::connect(w.watcher, &QFileSystemWatcher::directoryChanged, w.watcher,
                         [&w] { w.sinceChange.start(); });
        w.sinceChange.start();
    }
    if (w.watcher->directories().isEmpty())
        return availableToolPorts();
    if (w.sinceChange.isValid()) {
        w.ports = availableToolPorts();
        if (w.sinceChange.elapsed() > DEVICE_SETTLE_TIME_MS)
            w.sinceChange.invalidate();
    }
    return w.ports;
}

ToolPortLister& portProvider()
{
    static ToolPortLister provider;
    return provider;
}

} // namespace

QList<ToolPortInfo> availableToolPorts()
{
    QList<ToolPortInfo> ports;
    const QList<QSerialPortInfo> infos = QSerialPortInfo::availablePorts();
    for (const QSerialPortInfo& info : infos) {
        ToolPortInfo port;
        port.portName = info.portName();
        port.manufacturer = info.manufacturer();
        port.vendorIdentifier = info.hasVendorIdentifier() ? info.vendorIdentifier() : 0;
        port.productIdentifier = info.hasProductIdentifier() ? info.productIdentifier() : 0;
        ports.append(port);
    }
    return ports;
}

void setToolPortProvider(ToolPortLister provider)
{
    portProvider() = std::move(provider);
}

QList<ToolPortInfo> providedToolPorts()
{
    const ToolPortLister& provider = portProvider();
    return provider ? provider() : watchedToolPorts();
}
