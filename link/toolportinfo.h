#ifndef TOOLPORTINFO_H
#define TOOLPORTINFO_H

#include <QList>
#include <QString>
#include <QtGlobal>

#include <functional>

// What the tool detection needs to know of one serial port: the name to open it by and the USB
// identity of the adapter behind it.
struct ToolPortInfo
{
    QString portName;
    QString manufacturer;
    quint16 vendorIdentifier = 0;  // 0 when the port has none
    quint16 productIdentifier = 0; // 0 when the port has none
};

// Returns the ports the detection walks through, in the order it walks them.
using ToolPortLister = std::function<QList<ToolPortInfo>()>;

// The serial ports of the PC as the serial port library lists them. Pseudo-terminals are not
// among them, which is why the detection takes its list through a ToolPortLister.
QList<ToolPortInfo> availableToolPorts();

// The list a detection walks when its SerialCommunication was given no lister of its own:
// the system's ports until another provider is set (an empty one restores it). The system's list
// is taken again only when its device nodes changed (on every call where they cannot be watched).
// Tests set pseudo-terminals here before they build a window, whose link detects the tool while
// it is being built.
void setToolPortProvider(ToolPortLister provider);
QList<ToolPortInfo> providedToolPorts();

#endif // TOOLPORTINFO_H
