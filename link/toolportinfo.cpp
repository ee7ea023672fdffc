#include "toolportinfo.h"

#include <QSerialPortInfo>

#include <utility>

namespace {

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
    return provider ? provider() : availableToolPorts();
}
